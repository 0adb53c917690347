#include "log_recorder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "common/local_time.h"
#include "instruments/logger/recording_file.h"

namespace tavik::cli {

namespace {
constexpr int NameTries = 60;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

TLocalTime LocalOf(int64_t epochMs) {
    const int64_t seconds = FloorDiv(epochMs, 1000);
    return LocalTimeAt(static_cast<std::time_t>(seconds), static_cast<int>(epochMs - seconds * 1000));
}

std::string TimeOf(int64_t epochMs) { return IsoTimeText(LocalOf(epochMs)); }
}  // namespace

TLogClocks TLogClocks::System() {
    return {[] {
                using namespace std::chrono;
                return static_cast<int64_t>(
                    duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
            },
            [] {
                using namespace std::chrono;
                return duration<double>(steady_clock::now().time_since_epoch()).count();
            }};
}

std::string LogFileName(int64_t epochMs) {
    const TLocalTime t = LocalOf(epochMs);
    char name[48];
    std::snprintf(name, sizeof name, "tavik-%04d%02d%02d-%02d%02d%02d.csv", t.Year, t.Month, t.Day, t.Hour, t.Minute,
                  t.Second);
    return name;
}

std::string RotationKey(TRotation rotation, int64_t epochMs) {
    if (rotation == TRotation::Size) return {};
    const TLocalTime t = LocalOf(epochMs);
    char key[48];
    if (rotation == TRotation::Daily)
        std::snprintf(key, sizeof key, "%04d%02d%02d", t.Year, t.Month, t.Day);
    else  // the hour after a change from summer time has the same number
        std::snprintf(key, sizeof key, "%04d%02d%02d%02d%+d", t.Year, t.Month, t.Day, t.Hour, t.UtcOffsetMinutes);
    return key;
}

int64_t IntervalIndex(int64_t epochMs, int64_t everyMs) { return FloorDiv(epochMs, everyMs); }

TLogRecorder::TLogRecorder(TLogSettings settings, TLogClocks clocks, const TLogFileCalls& calls)
    : Settings_(std::move(settings)), Clocks_(std::move(clocks)), File_(calls) {}

bool TLogRecorder::Start() {
    StartMono_ = LastSync_ = Clocks_.MonotonicSeconds();
    const int64_t now = Clocks_.WallMs();
    Started_ = true;
    if (Open(now)) return true;
    Say("no recording file could be made in " + (Settings_.Directory.empty() ? "." : Settings_.Directory));
    Started_ = false;
    return false;
}

bool TLogRecorder::Open(int64_t now) {
    // A name taken (a restart within the second) moves on to the next second.
    // In the hour after a change from summer time the local time of day is
    // one the previous file's name already had: the name takes the second
    // after that file's, so that the order ls shows stays (file_started
    // tells the moment).
    const int64_t base = !LastName_.empty() && LogFileName(now) <= LastName_ ? LastNameMs_ + 1000 : now;
    for (int i = 0; i < NameTries; ++i) {
        const std::string name = LogFileName(base + i * 1000LL);
        const std::string path = logger::PathIn(Settings_.Directory, name);
        const fsys::TCreated created = File_.Create(path);
        if (created == fsys::TCreated::NameTaken) continue;
        if (created == fsys::TCreated::Failed) return false;
        Path_ = path;
        LastName_ = name;
        LastNameMs_ = base + i * 1000LL;
        Key_ = RotationKey(Settings_.Rotation, now);
        RowsInFile_ = 0;
        std::string head;
        if (Metadata)
            for (const std::string& line : Metadata()) head += "# " + line + '\n';
        head += "# file_started: " + TimeOf(now) + '\n';
        head += LogHeader(Intervals());
        // A file without its header is no recording: the next row tries again.
        if (!File_.Append(head)) {
            File_.Close();
            Path_.clear();
            return false;
        }
        Say(Path_);
        return true;
    }
    return false;
}

void TLogRecorder::Rotate(int64_t now) {
    File_.Close();
    if (!Open(now)) Path_.clear();
}

void TLogRecorder::Lost(int64_t rowMs, const char* why) {
    if (GapRows_ == 0) {
        GapFrom_ = rowMs;
        GapWhy_ = why;
        Say(std::string("rows cannot be written: ") + why);
    }
    GapTo_ = rowMs;
    ++GapRows_;
    ++RowsLost_;
}

void TLogRecorder::WriteRow(int64_t rowMs, int64_t keyMs, const std::string& body) {
    if (!Started_) return;
    const bool newKey = RotationKey(Settings_.Rotation, keyMs) != Key_;
    if (File_.IsOpen() && !File_.Broken() && newKey) Rotate(keyMs);
    const double elapsed = Clocks_.MonotonicSeconds() - StartMono_;
    std::string row = RowStart(rowMs, elapsed) + body;
    if (File_.IsOpen() && Settings_.Rotation == TRotation::Size && RowsInFile_ > 0 &&
        File_.Size() + static_cast<long long>(row.size()) > Settings_.RotateBytes)
        Rotate(Clocks_.WallMs());
    if ((!File_.IsOpen() || File_.Broken()) && !Open(Clocks_.WallMs())) return Lost(rowMs, "no file could be made");
    if (GapRows_ > 0) {
        // Stamped as the row it comes before: a clock read now could be a
        // millisecond past that row's time, and the file's times would go back.
        const std::string gap = "gap: " + std::to_string(GapRows_) + " rows not written from " + TimeOf(GapFrom_) +
                                " to " + TimeOf(GapTo_) + " (" + GapWhy_ + ")";
        if (!File_.Append(RowStart(rowMs, elapsed) + EventRow(Intervals(), gap))) return Lost(rowMs, "a write failed");
        Say("rows are written again after " + std::to_string(GapRows_) + " lost");
        GapRows_ = 0;
    }
    if (!File_.Append(row)) return Lost(rowMs, "a write failed (is the disk full?)");
    ++RowsInFile_;
    ++RowsWritten_;
}

void TLogRecorder::Add(int64_t now, const std::function<void(TIntervalValues&)>& add) {
    const int64_t index = IntervalIndex(now, EveryMs());
    if (Interval_ && *Interval_ != index) FlushInterval();
    Interval_ = index;
    add(Values_);
}

void TLogRecorder::FlushInterval(std::optional<int64_t> stamp) {
    if (!Interval_) return;
    const int64_t start = *Interval_ * EveryMs();
    // Stamped with its end, the moment it is written: rows stay in time order
    // with the events between them; the file is that of its start.
    const int64_t end = std::min(start + EveryMs(), stamp.value_or(start + EveryMs()));
    if (!Values_.Empty()) WriteRow(end, start, IntervalRow(Values_));
    Values_ = {};
    Interval_.reset();
}

void TLogRecorder::FlushDue(int64_t now) {
    if (Interval_ && IntervalIndex(now, EveryMs()) != *Interval_) FlushInterval();
}

void TLogRecorder::Logger(const TLoggerValues& v) {
    const int64_t now = Clocks_.WallMs();
    if (!Intervals()) return WriteRow(now, now, LoggerRow(v));
    Add(now, [&](TIntervalValues& values) {
        if (v.V1) values.V1.Add(*v.V1);
        if (v.V2) values.V2.Add(*v.V2);
        values.ModuleCsr = v.ModuleCsr;
    });
}

void TLogRecorder::Meter(const TMeterValues& v) {
    const int64_t now = Clocks_.WallMs();
    if (!Intervals()) return WriteRow(now, now, MeterRow(v));
    Add(now, [&](TIntervalValues& values) {
        values.Hertz.Add(static_cast<double>(v.Hertz));
        values.InputIn = v.InputIn;
    });
}

void TLogRecorder::Event(std::string_view text) {
    const int64_t now = Clocks_.WallMs();
    if (Intervals()) FlushDue(now);
    WriteRow(now, now, EventRow(Intervals(), text));
}

void TLogRecorder::Tick() {
    if (!Started_) return;
    const int64_t now = Clocks_.WallMs();
    const double mono = Clocks_.MonotonicSeconds();
    if (Intervals()) FlushDue(now);
    if (File_.IsOpen() && RotationKey(Settings_.Rotation, now) != Key_) Rotate(now);
    const double offset = static_cast<double>(now) / 1000 - mono;
    if (ClockOffset_ && std::fabs(offset - *ClockOffset_) > 1.0) {
        char text[64];
        std::snprintf(text, sizeof text, "the clock stepped by %+.3f s", offset - *ClockOffset_);
        Event(text);
    }
    ClockOffset_ = offset;
    if (mono - LastSync_ >= Settings_.SyncSeconds) {
        LastSync_ = mono;
        if (!File_.Sync()) Say("the recording could not be forced to the disk");
    }
}

void TLogRecorder::Stop(std::string_view lastEvent) {
    if (!Started_) return;
    const int64_t now = Clocks_.WallMs();
    FlushInterval(now);
    if (!lastEvent.empty()) WriteRow(now, now, EventRow(Intervals(), lastEvent));
    File_.Close();
    Started_ = false;
}

std::string MendTornRecording(const std::string& directory) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path folder = directory.empty() ? fs::path(".") : fs::path(std::u8string(directory.begin(), directory.end()));
    fs::path newest;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("tavik-", 0) == 0 && entry.path().extension() == ".csv" && entry.is_regular_file(error) &&
            (newest.empty() || name > newest.filename().string()))
            newest = entry.path();
    }
    if (newest.empty()) return {};
    // Only the tail is read: a day at full rate is a large file.
    const auto size = static_cast<long long>(fs::file_size(newest, error));
    if (error || size == 0) return {};
    long long from = size;
    std::ifstream in(newest, std::ios::binary);
    std::string tail;
    do {
        const long long start = std::max(0LL, from - 65536);
        std::string block(static_cast<std::size_t>(from - start), '\0');
        in.seekg(start);
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        if (!in) return {};
        if (from == size && !block.empty() && block.back() == '\n') return {};
        tail = block;
        from = start;
        const std::size_t end = tail.rfind('\n');
        if (end != std::string::npos) {
            from = start + static_cast<long long>(end) + 1;
            break;
        }
    } while (from > 0);
    in.close();
    fs::resize_file(newest, static_cast<std::uintmax_t>(from), error);
    return error ? std::string() : newest.string();
}

}  // namespace tavik::cli

#pragma once
// tavik-cli log's recording: rows of reports or of intervals, events between
// them, a new file at each local midnight, hour or size, every file headed by
// the same metadata, forced to the disk at a steady cadence. A row that
// cannot be written (a full disk) is taken back and counted; once rows are
// written again, an event row tells what is missing. Knows nothing of the
// modules: the front-end hands it values, events and metadata.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "log_file.h"
#include "log_rows.h"

namespace tavik::cli {

enum class TRotation { Daily, Hourly, Size };

struct TLogSettings {
    std::string Directory;       // empty: the working directory
    double EverySeconds = 0;     // 0: one row per report
    TRotation Rotation = TRotation::Daily;
    long long RotateBytes = 0;   // with TRotation::Size
    double SyncSeconds = 5;
};

// The clocks the recorder reads: the wall clock (ms since 1970, UTC) for the
// rows' times, the monotonic one (seconds) for elapsed_s and the cadences.
struct TLogClocks {
    std::function<int64_t()> WallMs;
    std::function<double()> MonotonicSeconds;
    static TLogClocks System();
};

// "tavik-YYYYMMDD-hhmmss.csv" of a local moment: ls sorts them in time order.
std::string LogFileName(int64_t epochMs);
// What changes when a new file is due: the local date, or its hour and
// offset, or nothing (size rotation).
std::string RotationKey(TRotation rotation, int64_t epochMs);
// The interval a moment falls in, intervals aligned to the clock's epoch, so
// that 10 s intervals start at :00, :10, ...
int64_t IntervalIndex(int64_t epochMs, int64_t everyMs);

class TLogRecorder {
public:
    TLogRecorder(TLogSettings settings, TLogClocks clocks, const TLogFileCalls& calls = {});
    ~TLogRecorder() { Stop(); }
    TLogRecorder(const TLogRecorder&) = delete;
    TLogRecorder& operator=(const TLogRecorder&) = delete;

    // The metadata lines of a new file, without their "# ".
    std::function<std::vector<std::string>()> Metadata;
    // A change worth a line on standard error.
    std::function<void(const std::string&)> Tell;

    // The first file; false, told, when none could be made.
    bool Start();
    void Logger(const TLoggerValues& values);
    void Meter(const TMeterValues& values);
    void Event(std::string_view text);
    // Run every second or more often: intervals that are over, a sync that
    // is due, a new file that is due, a step of the wall clock.
    void Tick();
    // The interval so far (stamped now), the last event if any, the file
    // synced and closed.
    void Stop(std::string_view lastEvent = {});

    const std::string& Path() const { return Path_; }
    long long RowsWritten() const { return RowsWritten_; }
    long long RowsLost() const { return RowsLost_; }
    int Syncs() const { return File_.Syncs(); }

private:
    bool Intervals() const { return Settings_.EverySeconds > 0; }
    int64_t EveryMs() const { return static_cast<int64_t>(Settings_.EverySeconds * 1000 + 0.5); }
    void Add(int64_t now, const std::function<void(TIntervalValues&)>& add);
    void FlushInterval(std::optional<int64_t> stamp = std::nullopt);
    void FlushDue(int64_t now);
    void WriteRow(int64_t rowMs, int64_t keyMs, const std::string& body);
    bool Open(int64_t now);
    void Rotate(int64_t now);
    void Lost(int64_t rowMs, const char* why);
    void Say(const std::string& line) { if (Tell) Tell(line); }

    TLogSettings Settings_;
    TLogClocks Clocks_;
    TLogFile File_;
    double StartMono_ = 0;
    double LastSync_ = 0;
    std::string Path_;
    std::string LastName_;    // of the latest file this recording made
    int64_t LastNameMs_ = 0;  // the moment its name tells
    std::string Key_;
    bool Started_ = false;
    long long RowsInFile_ = 0;
    long long RowsWritten_ = 0;
    long long RowsLost_ = 0;
    // Rows not written since the last one that was: how many, from when to when.
    long long GapRows_ = 0;
    int64_t GapFrom_ = 0;
    int64_t GapTo_ = 0;
    std::string GapWhy_;
    std::optional<int64_t> Interval_;
    TIntervalValues Values_;
    std::optional<double> ClockOffset_;  // wall minus monotonic, seconds
};

// Cuts a torn last line (one without its line end, left by a power cut) off
// the newest recording in the folder; the name of the file mended, or empty.
std::string MendTornRecording(const std::string& directory);

}  // namespace tavik::cli

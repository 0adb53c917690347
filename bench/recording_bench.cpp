// tavik-cli log's recorder and stats at the rates of a week left running:
// the recorder's CPU per report at full rate (20 logger reports and 4 meter
// readings a second) and with 10 s intervals, on simulated clocks into real
// files (rotated daily, synced every 5 s of their time), then a week of it
// and stats over that week (12 million logger rows), with the memory that took.
//   recording_bench [DAYS]   (default 7)
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_util.h"
#include "cli/log_recorder.h"
#include "cli/recording_stats.h"

namespace {

using tavik::bench::Clock;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ResidentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

struct TRecorded {
    long long Reports = 0;
    long long Rows = 0;
    double Cpu = 0;
    double Wall = 0;
    std::vector<std::string> Files;
};

// `seconds` of recording at full rate, the clocks stepping as the modules report.
TRecorded Record(const std::string& folder, double every, double seconds, double sync) {
    int64_t wallMs = 1796601600000;  // 2026-12-07 00:00 UTC
    double mono = 1000;
    tavik::cli::TLogClocks clocks{[&] { return wallMs; }, [&] { return mono; }};
    tavik::cli::TLogRecorder recorder({folder, every, tavik::cli::TRotation::Daily, 0, sync}, clocks);
    recorder.Metadata = [] { return std::vector<std::string>{"program: recording_bench"}; };
    TRecorded result;
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    if (!recorder.Start()) return result;
    const long long steps = static_cast<long long>(seconds * 20);
    for (long long step = 0; step < steps; ++step) {
        const double phase = static_cast<double>(step % 400) / 400.0 * 6.283185307179586;
        recorder.Logger({2.5 + 1.5 * std::sin(phase), 1.25 + 0.001 * static_cast<double>(step % 7), 0x02});
        ++result.Reports;
        if (step % 5 == 4) {
            recorder.Meter({100000 + step % 3, true});
            ++result.Reports;
            recorder.Tick();
        }
        wallMs += 50;
        mono += 0.05;
    }
    recorder.Stop("recording stopped");
    result.Cpu = CpuSeconds() - cpu;
    result.Wall = std::chrono::duration<double>(Clock::now() - start).count();
    result.Rows = recorder.RowsWritten();
    for (const auto& entry : std::filesystem::directory_iterator(folder)) result.Files.push_back(entry.path().string());
    std::sort(result.Files.begin(), result.Files.end());
    return result;
}

void Report(const char* what, const TRecorded& r, double seconds) {
    const double perReport = r.Cpu / static_cast<double>(r.Reports);
    std::printf("%s: %lld reports, %lld rows, files: %zu; %.1f s wall, %.2f s CPU\n", what, r.Reports, r.Rows,
                r.Files.size(), r.Wall, r.Cpu);
    std::printf("  %.2f us CPU a report, %.0f reports/s taken; a day of it costs %.1f s of CPU\n", perReport * 1e6,
                static_cast<double>(r.Reports) / r.Wall, r.Cpu * 86400.0 / seconds);
}

}  // namespace

int main(int argc, char** argv) {
    const double days = argc > 1 ? std::atof(argv[1]) : 7;
    const auto base = std::filesystem::temp_directory_path() / ("tavik-recording-bench-" + std::to_string(getpid()));
    const std::string intervals = (base / "intervals").string(), reports = (base / "reports").string();
    std::filesystem::create_directories(intervals);
    std::filesystem::create_directories(reports);

    const double hour = 3600;
    Report("--every 10, an hour synced every 5 s", Record(intervals, 10, hour, 5), hour);
    Report("full rate, an hour synced every 5 s", Record(reports, 0, hour, 5), hour);
    std::filesystem::remove_all(reports);
    std::filesystem::create_directories(reports);
    // The week itself with a sync an hour: its syncs would only add waits.
    const TRecorded week = Record(reports, 0, days * 86400, 3600);
    Report("full rate, the week", week, days * 86400);

    long long bytes = 0;
    for (const std::string& file : week.Files) bytes += static_cast<long long>(std::filesystem::file_size(file));
    const double residentBefore = ResidentMiB();
    double residentMost = residentBefore;
    const auto start = Clock::now();
    tavik::cli::TStatsBuilder stats(tavik::cli::GapSecondsFor(0));
    long long rows = 0;
    for (const std::string& file : week.Files) {
        tavik::cli::TRecordingReader reader;
        std::string error;
        if (!reader.Open(file, error)) {
            std::printf("cannot read %s: %s\n", file.c_str(), error.c_str());
            return 1;
        }
        tavik::cli::TRecordedRow row;
        while (reader.Next(row)) {
            stats.Add(row);
            if (++rows % 1000000 == 0) residentMost = std::max(residentMost, ResidentMiB());
        }
        stats.AddSkipped(reader.Skipped());
    }
    const tavik::cli::TRecordingSummary summary = stats.Result();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("stats over %.0f days: %lld rows (%.0f MB in %zu files) in %.1f s, %.0f rows/s; resident memory %.1f MiB "
                "before, at most %.1f MiB while reading\n",
                days, rows, static_cast<double>(bytes) / 1e6, week.Files.size(), seconds,
                static_cast<double>(rows) / seconds, residentBefore, residentMost);
    std::printf("  it found %lld logger rows, %lld meter rows, %zu gaps, drift %.3f Hz/h\n",
                static_cast<long long>(summary.V1.Count), static_cast<long long>(summary.Hertz.Count),
                summary.Gaps.size(), summary.DriftHzPerHour.value_or(NAN));
    std::filesystem::remove_all(base);
    return summary.V1.Count > 0 ? 0 : 1;
}

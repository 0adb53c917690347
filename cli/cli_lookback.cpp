#include "cli_lookback.h"

#include <filesystem>
#include <fstream>

#include "recording_stats.h"
#include "svg_plot.h"

namespace tavik::cli {

namespace {
// Every row of the files, in the order given, to `add`; false, told, when a
// file cannot be read.
template <typename Add>
bool ReadAll(const std::vector<std::string>& files, TCliConsole& console, Add add) {
    for (const std::string& path : files) {
        TRecordingReader reader;
        std::string error;
        if (!reader.Open(path, error)) {
            console.Complain(error);
            return false;
        }
        TRecordedRow row;
        while (reader.Next(row)) add(reader, row);
        add(reader, std::nullopt);
    }
    return true;
}
}  // namespace

int RunStats(const TCommand& command, TCliConsole& console) {
    TStatsBuilder stats(GapSecondsFor(0));
    const bool read = ReadAll(command.Files, console, [&](const TRecordingReader& reader, std::optional<TRecordedRow> row) {
        stats.SetGapSeconds(GapSecondsFor(reader.IntervalSeconds()));
        if (row) stats.Add(*row);
        else stats.AddSkipped(reader.Skipped());
    });
    if (!read) return ExitTransfer;
    const TRecordingSummary summary = stats.Result();
    std::string text = command.Json ? SummaryJson(summary, command.Files) : SummaryText(summary, command.Files);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return console.Say(text) ? ExitOk : ExitTransfer;
}

int RunPlot(const TCommand& command, TCliConsole& console) {
    // Twice through the files: the span first, then the columns of the picture.
    TPlotSpan span;
    bool read = ReadAll(command.Files, console, [&](const TRecordingReader& reader, std::optional<TRecordedRow> row) {
        if (row) span.Add(*row, GapSecondsFor(reader.IntervalSeconds()));
    });
    if (!read) return ExitTransfer;
    if (!span.Any()) {
        console.Complain("the recordings hold no values to draw");
        return ExitTransfer;
    }
    TSvgPlot plot(span);
    read = ReadAll(command.Files, console, [&](const TRecordingReader& reader, std::optional<TRecordedRow> row) {
        if (row) plot.Add(*row, GapSecondsFor(reader.IntervalSeconds()));
    });
    if (!read) return ExitTransfer;
    std::ofstream out(std::filesystem::path(std::u8string(command.Output.begin(), command.Output.end())), std::ios::binary);
    out << plot.Svg();
    out.close();
    if (!out) {
        console.Complain(command.Output + ": cannot be written");
        return ExitTransfer;
    }
    return console.Say(command.Output) ? ExitOk : ExitTransfer;
}

}  // namespace tavik::cli

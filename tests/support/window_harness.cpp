#include "window_harness.h"

#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace tavik::test {

std::string Hex(const TFrame& frame) { return Hex(std::vector<uint8_t>(frame.begin(), frame.end())); }

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string text;
    char part[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(part, sizeof part, "%02X", bytes[i]);
        if (i) text += ' ';
        text += part;
    }
    return text;
}

TFrame Frame(std::initializer_list<uint8_t> bytes) {
    TFrame frame{};
    std::copy(bytes.begin(), bytes.end(), frame.begin());
    return frame;
}

TWindowHarness::TWindowHarness(QLocale locale) {
    static int counter = 0;
    Folder = std::filesystem::temp_directory_path() /
             ("tavik-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    std::filesystem::remove_all(Folder);
    std::filesystem::create_directories(Folder);
    TTavikOptions options;
    options.Locale = locale;
    options.Clock = [this] { return Now; };
    options.RecordDirectory = Folder.string();
    options.ShowError = [this](const QString& caption, const QString& text) { Errors << caption + "|" + text; };
    Window = std::make_unique<TTavik>(Platform, options);
}

TWindowHarness::~TWindowHarness() {
    Window.reset();
    std::error_code ignored;
    std::filesystem::remove_all(Folder, ignored);
}

void TWindowHarness::LoggerTicks(int count) {
    for (int i = 0; i < count; ++i) Window->VXLogger_MainTimerTimer();
}

void TWindowHarness::FrequencyMeterTicks(int count) {
    for (int i = 0; i < count; ++i) Window->VXFrequencyMeter_TimerTimer();
}

std::vector<std::filesystem::path> TWindowHarness::RecordFiles() const {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(Folder)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string TWindowHarness::ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace tavik::test

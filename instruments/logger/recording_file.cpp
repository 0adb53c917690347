#include "recording_file.h"

#include <cstdio>

namespace tavik::logger {

std::string RecordFileName(const TLocalTime& t) {
    char name[64];
    std::snprintf(name, sizeof name, "%02d%02d%d%02d%02d%02d.csv", t.Day, t.Month, t.Year, t.Hour, t.Minute, t.Second);
    return name;
}

std::size_t FormatTimestamp(const TLocalTime& t, char* out) {
    const int n = std::snprintf(out, 40, "%02d%02d%d;%02d%02d%02d%03d;", t.Day, t.Month, t.Year, t.Hour, t.Minute,
                                t.Second, t.Millisecond);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::string PathIn(const std::string& directory, const std::string& name) {
#ifdef _WIN32
    constexpr char Separator = '\\';
    const bool ended = !directory.empty() && (directory.back() == '\\' || directory.back() == '/' || directory.back() == ':');
#else
    constexpr char Separator = '/';
    const bool ended = !directory.empty() && directory.back() == '/';
#endif
    return directory.empty() || ended ? directory + name : directory + Separator + name;
}

TRecordFile::~TRecordFile() { Close(); }

std::string TRecordFile::Create(const std::string& directory, const std::string& name) {
    Close();
    const auto dot = name.rfind('.');
    const std::string stem = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        const std::string candidate = attempt == 1 ? name : stem + "-" + std::to_string(attempt) + extension;
        const std::string path = PathIn(directory, candidate);
        const file_system::TCreated created = file_system::CreateNew(path, File_);
        if (created == file_system::TCreated::Yes) {
            LineStart_ = 0;
            return candidate;
        }
        if (created == file_system::TCreated::Failed) return std::string();
    }
    return std::string();
}

void TRecordFile::Close() {
    if (File_ != file_system::NoFile) file_system::Close(File_);
    File_ = file_system::NoFile;
}

bool TRecordFile::WriteAll(const char* data, std::size_t length) {
    while (length > 0) {
        const long long written = file_system::Write(File_, data, length);
        if (written <= 0) return false;
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

void TRecordFile::WriteTimestamp(const TLocalTime& time) {
    if (!IsOpen()) return;
    LineStart_ = file_system::Position(File_);
    char text[40];
    LineOk_ = WriteAll(text, FormatTimestamp(time, text));
}

bool TRecordFile::WriteFieldsAndEnd(const char* fields, std::size_t length) {
    if (!IsOpen()) return false;
    if (LineOk_ && length > 0) LineOk_ = WriteAll(fields, length);
    if (LineOk_) LineOk_ = WriteAll("\r\n", 2);
    if (!LineOk_) {
        // Take the broken line back so that the lines after it stay whole;
        // what cannot be taken back ends the recording.
        if (LineStart_ < 0 || !Truncate(File_, LineStart_)) Close();
    }
    return LineOk_;
}

}  // namespace tavik::logger

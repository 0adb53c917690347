#include "recording_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
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

TRecordFile::~TRecordFile() { Close(); }

std::string TRecordFile::Create(const std::string& directory, const std::string& name) {
    Close();
    const std::string prefix = directory.empty() ? std::string() : directory + "/";
    const auto dot = name.rfind('.');
    const std::string stem = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        const std::string candidate = attempt == 1 ? name : stem + "-" + std::to_string(attempt) + extension;
        const std::string path = prefix + candidate;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            Fd_ = fd;
            LineStart_ = 0;
            return candidate;
        }
        if (errno != EEXIST) return std::string();
    }
    return std::string();
}

void TRecordFile::Close() {
    if (Fd_ >= 0) ::close(Fd_);
    Fd_ = -1;
}

bool TRecordFile::WriteAll(const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(Fd_, data, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

void TRecordFile::WriteTimestamp(const TLocalTime& time) {
    if (Fd_ < 0) return;
    LineStart_ = ::lseek(Fd_, 0, SEEK_CUR);
    char text[40];
    LineOk_ = WriteAll(text, FormatTimestamp(time, text));
}

bool TRecordFile::WriteFieldsAndEnd(const char* fields, std::size_t length) {
    if (Fd_ < 0) return false;
    if (LineOk_ && length > 0) LineOk_ = WriteAll(fields, length);
    if (LineOk_) LineOk_ = WriteAll("\r\n", 2);
    if (!LineOk_) {
        // Take the broken line back so that the lines after it stay whole;
        // what cannot be taken back ends the recording.
        if (LineStart_ >= 0 && Truncate(Fd_, LineStart_) == 0)
            ::lseek(Fd_, LineStart_, SEEK_SET);
        else
            Close();
    }
    return LineOk_;
}

}  // namespace tavik::logger

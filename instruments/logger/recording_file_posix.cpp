#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "recording_file_system.h"

namespace tavik::logger::file_system {

TCreated CreateNew(const std::string& path, TFile& file) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) {
        file = fd;
        return TCreated::Yes;
    }
    return errno == EEXIST ? TCreated::NameTaken : TCreated::Failed;
}

long long Write(TFile file, const char* data, std::size_t length) {
    for (;;) {
        const ssize_t written = ::write(static_cast<int>(file), data, length);
        if (written >= 0 || errno != EINTR) return written;
    }
}

long long Position(TFile file) { return ::lseek(static_cast<int>(file), 0, SEEK_CUR); }

bool CutAt(TFile file, long long length) {
    return ::ftruncate(static_cast<int>(file), length) == 0 && ::lseek(static_cast<int>(file), length, SEEK_SET) == length;
}

void Close(TFile file) { ::close(static_cast<int>(file)); }

}  // namespace tavik::logger::file_system

#include "log_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tavik::cli {

bool TLogFileCalls::SyncToDisk(fsys::TFile file) {
#ifdef _WIN32
    return FlushFileBuffers(reinterpret_cast<HANDLE>(file)) != 0;
#else
    return ::fdatasync(static_cast<int>(file)) == 0;
#endif
}

fsys::TCreated TLogFile::Create(const std::string& path) {
    Close();
    Size_ = 0;
    Broken_ = false;
    Unsynced_ = false;
    return Calls_.Create(path, File_);
}

void TLogFile::Close() {
    if (!IsOpen()) return;
    Sync();
    Calls_.Close(File_);
    File_ = fsys::NoFile;
}

bool TLogFile::Append(const char* data, std::size_t length) {
    if (!IsOpen() || Broken_) return false;
    std::size_t done = 0;
    while (done < length) {
        const long long written = Calls_.Write(File_, data + done, length - done);
        if (written <= 0) break;
        done += static_cast<std::size_t>(written);
    }
    if (done == length) {
        Size_ += static_cast<long long>(length);
        Unsynced_ = true;
        return true;
    }
    if (done > 0 && !Calls_.CutAt(File_, Size_)) Broken_ = true;
    return false;
}

bool TLogFile::Sync() {
    if (!IsOpen() || !Unsynced_) return true;
    ++Syncs_;
    if (!Calls_.Sync(File_)) return false;
    Unsynced_ = false;
    return true;
}

}  // namespace tavik::cli

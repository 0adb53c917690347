#pragma once
// One file of a long recording: created, never opened through a link or
// appended to; rows written whole or taken back; forced to the disk on
// request (fdatasync, FlushFileBuffers). The system calls go through a table,
// so that tests make any of them fail.
#include <cstddef>
#include <string>

#include "instruments/logger/recording_file_system.h"

namespace tavik::cli {

namespace fsys = logger::file_system;

struct TLogFileCalls {
    fsys::TCreated (*Create)(const std::string& path, fsys::TFile& file) = fsys::CreateNew;
    long long (*Write)(fsys::TFile file, const char* data, std::size_t length) = fsys::Write;
    bool (*CutAt)(fsys::TFile file, long long length) = fsys::CutAt;
    bool (*Sync)(fsys::TFile file) = SyncToDisk;
    void (*Close)(fsys::TFile file) = fsys::Close;

    // What the system has for forcing a file's data to the disk.
    static bool SyncToDisk(fsys::TFile file);
};

class TLogFile {
public:
    explicit TLogFile(const TLogFileCalls& calls = {}) : Calls_(calls) {}
    ~TLogFile() { Close(); }
    TLogFile(const TLogFile&) = delete;
    TLogFile& operator=(const TLogFile&) = delete;

    fsys::TCreated Create(const std::string& path);
    bool IsOpen() const { return File_ != fsys::NoFile; }
    // Synced, then closed.
    void Close();

    // The bytes whole, or none of them: a short write is cut back off.
    // False when they are not in the file; Broken() when even the cut failed
    // and nothing may follow in this file.
    bool Append(const char* data, std::size_t length);
    bool Append(const std::string& text) { return Append(text.data(), text.size()); }
    bool Broken() const { return Broken_; }
    // Forces what was appended since the last sync to the disk; true when
    // nothing was waiting.
    bool Sync();
    bool Unsynced() const { return Unsynced_; }
    long long Size() const { return Size_; }
    int Syncs() const { return Syncs_; }

private:
    TLogFileCalls Calls_;
    fsys::TFile File_ = fsys::NoFile;
    long long Size_ = 0;
    bool Unsynced_ = false;
    bool Broken_ = false;
    int Syncs_ = 0;
};

}  // namespace tavik::cli

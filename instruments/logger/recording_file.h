#pragma once
// The recording file: one line per measurement report, written straight to the
// operating system in three writes (timestamp, fields, CR LF).
#include <cstddef>
#include <string>

#include "common/local_time.h"
#include "recording_file_system.h"

namespace tavik::logger {

// "DDMMYYYYhhmmss.csv" from the moment recording starts.
std::string RecordFileName(const TLocalTime& time);
// "DDMMYYYY;hhmmssmmm;" into out (at least 32 bytes); returns the length.
std::size_t FormatTimestamp(const TLocalTime& time, char* out);

// A file's path in directory (empty: the working directory), joined with the
// system's separator unless the directory already ends in one.
std::string PathIn(const std::string& directory, const std::string& name);

class TRecordFile {
public:
    TRecordFile() = default;
    ~TRecordFile();
    TRecordFile(const TRecordFile&) = delete;
    TRecordFile& operator=(const TRecordFile&) = delete;

    // Creates a new file in directory (empty: the working directory) under
    // name. An existing file is never emptied: when the name is taken, the
    // first free "<stem>-2.csv", "<stem>-3.csv", ... is used instead. The file
    // is created, never opened through a link. Returns the name used, or
    // empty on failure.
    std::string Create(const std::string& directory, const std::string& name);
    void Close();
    bool IsOpen() const { return File_ != file_system::NoFile; }

    // One line: the timestamp part, then the fields (may be empty) and CR LF.
    // A line that cannot be written whole is taken back, so the file only ever
    // holds whole lines; when even that fails the recording stops there (the
    // file is closed) rather than write after a broken line. Returns whether
    // the line was written whole.
    void WriteTimestamp(const TLocalTime& time);
    bool WriteFieldsAndEnd(const char* fields, std::size_t length);

    // How a line is taken back; tests make it fail.
    bool (*Truncate)(file_system::TFile file, long long length) = file_system::CutAt;

private:
    bool WriteAll(const char* data, std::size_t length);

    file_system::TFile File_ = file_system::NoFile;
    long long LineStart_ = 0;
    bool LineOk_ = true;
};

}  // namespace tavik::logger

#pragma once
// The operating system's side of the recording file: the few calls that
// differ between POSIX and Windows. One implementation is built per system.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tavik::logger::file_system {

// A POSIX descriptor or a Windows HANDLE; NoFile is -1 on both (the invalid
// handle value).
using TFile = intptr_t;
constexpr TFile NoFile = -1;

enum class TCreated { Yes, NameTaken, Failed };

// Creates the file for writing; never opens an existing file or one a link
// points to, and the file is not inherited by programs started later.
TCreated CreateNew(const std::string& path, TFile& file);

// One write: the bytes written, or 0 and less on failure (a full disk).
long long Write(TFile file, const char* data, std::size_t length);

// Where the next write lands; negative when unknown.
long long Position(TFile file);

// Cuts the file to length and moves the next write there.
bool CutAt(TFile file, long long length);

void Close(TFile file);

}  // namespace tavik::logger::file_system

#include <windows.h>

#include <algorithm>
#include <string>

#include "common/long_path.h"
#include "common/utf8_text.h"
#include "recording_file_system.h"

namespace tavik::logger::file_system {

namespace {
HANDLE Handle(TFile file) { return reinterpret_cast<HANDLE>(file); }

// The path is UTF-8; the ANSI code page would turn a Cyrillic folder (a
// Russian user's Documents) into question marks. A deep folder takes the
// extended-length form.
std::wstring WidePath(const std::string& path) { return ExtendedLengthPath(WideOf(path)); }
}  // namespace

// CREATE_NEW fails on any existing name, a link's included; no security
// attributes: the handle is not inherited. Others may read the file while it
// is written.
TCreated CreateNew(const std::string& path, TFile& file) {
    const HANDLE handle = ::CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        file = reinterpret_cast<TFile>(handle);
        return TCreated::Yes;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? TCreated::NameTaken : TCreated::Failed;
}

long long Write(TFile file, const char* data, std::size_t length) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(length, 1u << 30));
    if (!::WriteFile(Handle(file), data, chunk, &written, nullptr)) return -1;
    return written;
}

long long Position(TFile file) {
    LARGE_INTEGER position{};
    if (!::SetFilePointerEx(Handle(file), LARGE_INTEGER{}, &position, FILE_CURRENT)) return -1;
    return position.QuadPart;
}

// When none of the line reached the disk there is nothing to cut (and Wine
// will not set a file's end where it already is on a full disk).
bool CutAt(TFile file, long long length) {
    LARGE_INTEGER size{};
    LARGE_INTEGER to{};
    to.QuadPart = length;
    if (!::GetFileSizeEx(Handle(file), &size) || !::SetFilePointerEx(Handle(file), to, nullptr, FILE_BEGIN)) return false;
    return size.QuadPart == length || ::SetEndOfFile(Handle(file));
}

void Close(TFile file) { ::CloseHandle(Handle(file)); }

}  // namespace tavik::logger::file_system

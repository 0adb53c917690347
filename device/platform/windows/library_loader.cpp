#include "library_loader.h"

#include <windows.h>

#include <string>

namespace tavik {

TLibraryLoader::TLibrary TSystemLibraryLoader::Load(const wchar_t* name) {
    DWORD previous = 0;
    const bool quiet = ::SetThreadErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS, &previous);
    HMODULE library = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!library && ::GetLastError() == ERROR_INVALID_PARAMETER) {
        // Windows 7 without update KB2533623 knows no search flags: the
        // library by its full path in the system folder instead.
        std::wstring path(::GetSystemDirectoryW(nullptr, 0), L'\0');
        path.resize(::GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size())));
        if (!path.empty()) library = ::LoadLibraryExW((path + L'\\' + name).c_str(), nullptr, 0);
    }
    if (quiet) ::SetThreadErrorMode(previous, nullptr);
    return library;
}

TLibraryLoader::TProc TSystemLibraryLoader::Find(TLibrary library, const char* name) {
    return reinterpret_cast<TProc>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

void TSystemLibraryLoader::Free(TLibrary library) { ::FreeLibrary(static_cast<HMODULE>(library)); }

}  // namespace tavik

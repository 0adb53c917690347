#include "library_loader.h"

#include <windows.h>

namespace tavik {

TLibraryLoader::TLibrary TSystemLibraryLoader::Load(const wchar_t* name) {
    DWORD previous = 0;
    const bool quiet = ::SetThreadErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS, &previous);
    HMODULE library = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (quiet) ::SetThreadErrorMode(previous, nullptr);
    return library;
}

TLibraryLoader::TProc TSystemLibraryLoader::Find(TLibrary library, const char* name) {
    return reinterpret_cast<TProc>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

void TSystemLibraryLoader::Free(TLibrary library) { ::FreeLibrary(static_cast<HMODULE>(library)); }

}  // namespace tavik

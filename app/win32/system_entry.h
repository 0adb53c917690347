#pragma once
// An entry point of a system library the process already has loaded
// (user32.dll, kernel32.dll, ...), looked up by name at run time: what a
// newer Windows added is called where it is there, and the program still
// starts where it is not, instead of the loader refusing it.
#include <windows.h>

namespace tavik {

// Null when the library is not loaded or has no such entry point.
template <class TFunction>
TFunction SystemEntry(const wchar_t* library, const char* name) {
    const HMODULE module = GetModuleHandleW(library);
    // Through the generic function pointer type, which any entry point may be
    // cast to and from.
    using TGeneric = void (*)();
    return module ? reinterpret_cast<TFunction>(reinterpret_cast<TGeneric>(GetProcAddress(module, name))) : nullptr;
}

}  // namespace tavik

#pragma once
// How the Windows platform binds the system libraries it uses: loaded at run
// time and looked up by name, so that a machine without them leaves the
// program inert rather than unable to start, and so that a test can hand the
// platform stand-ins instead.
namespace tavik {

class TLibraryLoader {
public:
    using TLibrary = void*;
    // The generic function pointer: each entry point is cast to its own type.
    using TProc = void (*)();

    virtual ~TLibraryLoader() = default;
    // Null when the library cannot be loaded.
    virtual TLibrary Load(const wchar_t* name) = 0;
    // Null when the library has no entry point of that name.
    virtual TProc Find(TLibrary library, const char* name) = 0;
    virtual void Free(TLibrary library) = 0;
};

// The system's own libraries, from the system folder only (never one planted
// in the working folder) and without the error box Windows would otherwise
// show for a library it cannot open.
class TSystemLibraryLoader : public TLibraryLoader {
public:
    TLibrary Load(const wchar_t* name) override;
    TProc Find(TLibrary library, const char* name) override;
    void Free(TLibrary library) override;
};

}  // namespace tavik

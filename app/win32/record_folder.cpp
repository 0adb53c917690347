#include "record_folder.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "common/long_path.h"
#include "wide_text.h"

namespace tavik {

namespace {
std::wstring WithSeparator(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return folder;
}

// Writable means a new file can be made there: one made new and gone again
// when its handle closes, under a name no recording takes and shorter than
// any recording's, at any depth of folder.
bool Writable(const std::wstring& folder) {
    if (folder.empty()) return false;
    const std::wstring probe = WithSeparator(folder) + L"tvk" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    const HANDLE file = CreateFileW(ExtendedLengthPath(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(WithSeparator(a).c_str(), -1, WithSeparator(b).c_str(), -1, TRUE) == CSTR_EQUAL;
}
}  // namespace

std::string WorkingFolder() {
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return Utf8(folder);
}

std::string ProgramFolder() {
    // GetModuleFileNameW says nothing of the length it needs: the buffer
    // grows until the name fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    return Utf8(slash == std::wstring::npos ? path : path.substr(0, slash));
}

std::string DocumentsFolder() {
    // The known folder as Explorer shows it: moved by the user, redirected by
    // OneDrive's folder backup or by the domain, made if it is missing.
    PWSTR path = nullptr;
    const bool found = SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_CREATE, nullptr, &path));
    const std::string folder = found && path ? Utf8(path) : std::string();
    CoTaskMemFree(path);
    return folder;
}

std::string RecordFolderFor(const std::string& workingFolder, const std::string& programFolder) {
    const std::wstring working = Wide(workingFolder);
    if (!SameFolder(working, Wide(programFolder)) && Writable(working)) return workingFolder;
    const std::string documents = DocumentsFolder();
    return documents.empty() ? workingFolder : documents;
}

}  // namespace tavik

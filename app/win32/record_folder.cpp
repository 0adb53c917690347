#include "record_folder.h"

#include <windows.h>
#include <shlobj.h>

#include "wide_text.h"

namespace tavik {

namespace {
// Writable means a new file can be made there: a file made and deleted at
// once, under a name no recording takes.
bool Writable(const std::wstring& folder) {
    wchar_t probe[MAX_PATH + 16] = {};
    if (folder.empty() || !GetTempFileNameW(folder.c_str(), L"tvk", 0, probe)) return false;
    DeleteFileW(probe);
    return true;
}
}  // namespace

std::string WorkingFolder() {
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return Utf8(folder);
}

std::string DocumentsFolder() {
    // The known folder resolved for this user, redirected or not.
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return Utf8(path);
}

std::string RecordFolderFor(const std::string& workingFolder) {
    if (Writable(Wide(workingFolder))) return workingFolder;
    const std::string documents = DocumentsFolder();
    return documents.empty() ? workingFolder : documents;
}

}  // namespace tavik

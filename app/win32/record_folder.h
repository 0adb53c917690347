#pragma once
// Where the window's recordings go. The working folder, when the user can
// write there and it is not the program's own: the Start-menu entry starts
// Тавик in its installation folder, a double-click in Explorer in the
// program's folder too, and then the recordings go to the user's Documents
// known folder, wherever that really is.
#include <string>

namespace tavik {

// The folder as a full path (UTF-8), never empty.
std::string RecordFolderFor(const std::string& workingFolder, const std::string& programFolder);
std::string WorkingFolder();
// The folder tavik.exe is in.
std::string ProgramFolder();
// Empty when Windows has none for this user.
std::string DocumentsFolder();

}  // namespace tavik

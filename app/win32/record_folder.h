#pragma once
// Where the window's recordings go. The working folder, when the user can
// write there; a program started from its shortcut or by a double-click in
// Program Files has a working folder only an administrator may write to, and
// then the recordings go to the user's own Documents folder instead.
#include <string>

namespace tavik {

// The folder as a full path (UTF-8), never empty.
std::string RecordFolderFor(const std::string& workingFolder);
std::string WorkingFolder();
std::string DocumentsFolder();

}  // namespace tavik

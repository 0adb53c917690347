#pragma once
// Windows takes a path of MAX_PATH (260) characters or more only in its
// extended-length form, "\\?\C:\..." or "\\?\UNC\server\share\...": the
// manifest's longPathAware lifts the limit only where the LongPathsEnabled
// policy is on, and that is off by default. Shorter paths stay as they are,
// so the usual forward slashes and "." still work there.
#include <string>
#include <string_view>

namespace tavik {

// The path in the form Windows opens at any length: a full path as long as
// a folder may be before the limit (248 characters) or longer, with
// backslashes, behind the prefix; a relative or already prefixed path as it
// is.
std::wstring ExtendedLengthPath(std::wstring_view path);

}  // namespace tavik

#include "long_path.h"

#include <algorithm>

namespace tavik {

namespace {
// CreateDirectoryW's limit: MAX_PATH less room for an 8.3 file name.
constexpr std::size_t ShortestExtended = 248;

bool Separator(wchar_t c) { return c == L'\\' || c == L'/'; }
}  // namespace

std::wstring ExtendedLengthPath(std::wstring_view path) {
    std::wstring result(path);
    if (path.size() < ShortestExtended) return result;
    std::replace(result.begin(), result.end(), L'/', L'\\');
    if (result.rfind(LR"(\\?\)", 0) == 0) return result;
    const bool drive = path.size() > 2 && path[1] == L':' && Separator(path[2]);
    const bool unc = Separator(path[0]) && Separator(path[1]);
    if (drive) return LR"(\\?\)" + result;
    if (unc) return LR"(\\?\UNC\)" + result.substr(2);
    return result;
}

}  // namespace tavik

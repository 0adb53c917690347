#include "cli_console.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

#ifdef _WIN32
#include <windows.h>

#include "common/utf8_text.h"
#endif

namespace tavik::cli {

namespace {
// Why a write failed, in the system's words: the C library of Windows calls
// most pipe and device errors "Invalid argument".
std::string WriteError(int error) {
#ifdef _WIN32
    if (const DWORD code = ::GetLastError()) {
        wchar_t* text = nullptr;
        const DWORD length = ::FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
            reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        std::string utf8 = length ? Utf8Of(std::wstring_view(text, length)) : std::string();
        ::LocalFree(text);
        while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r' || utf8.back() == ' ' || utf8.back() == '.'))
            utf8.pop_back();
        if (!utf8.empty()) return utf8;
    }
#endif
    return error ? std::strerror(error) : "cannot be written";
}

#ifdef _WIN32
// A console is written in UTF-16, through WriteConsoleW: whatever code page
// the console or the shell (PowerShell keeps the one it found at its start)
// has, the Russian texts arrive whole. Empty when the handle is no console
// (a file, a pipe): then the bytes go out as UTF-8.
std::optional<bool> WriteToConsole(DWORD handleId, std::FILE* stream, std::string_view text) {
    const HANDLE handle = ::GetStdHandle(handleId);
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !handle || !::GetConsoleMode(handle, &mode)) return std::nullopt;
    std::fflush(stream);
    const std::wstring wide = WideOf(text);
    for (std::size_t at = 0; at < wide.size();) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - at, 16384));
        if (!::WriteConsoleW(handle, wide.data() + at, chunk, &written, nullptr) || written == 0) return false;
        at += written;
    }
    return true;
}
#endif
}  // namespace

bool TStdioConsole::Say(const std::string& text) {
    if (Broken_) return false;
    // Flushed line by line: a script reading a pipe sees each line as it comes.
    errno = 0;
#ifdef _WIN32
    ::SetLastError(0);
#endif
#ifdef _WIN32
    if (const std::optional<bool> console = WriteToConsole(STD_OUTPUT_HANDLE, stdout, text + "\n")) {
        if (*console) return true;
        Broken_ = true;
        Complain("standard output: " + WriteError(0));
        return false;
    }
#endif
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
                         std::fputc('\n', stdout) != EOF && std::fflush(stdout) == 0;
    if (written) return true;
    Broken_ = true;
    Complain("standard output: " + WriteError(errno));
    return false;
}

void TStdioConsole::Complain(const std::string& line) {
#ifdef _WIN32
    if (WriteToConsole(STD_ERROR_HANDLE, stderr, "tavik-cli: " + line + "\n")) return;
#endif
    std::fprintf(stderr, "tavik-cli: %s\n", line.c_str());
    std::fflush(stderr);
}

}  // namespace tavik::cli

#include "cli_console.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tavik::cli {

bool TStdioConsole::Say(const std::string& text) {
    if (Broken_) return false;
    // Flushed line by line: a script reading a pipe sees each line as it comes.
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
                         std::fputc('\n', stdout) != EOF && std::fflush(stdout) == 0;
    if (written) return true;
    Broken_ = true;
    const int error = errno;
    Complain(std::string("standard output: ") + (error ? std::strerror(error) : "cannot be written"));
    return false;
}

void TStdioConsole::Complain(const std::string& line) {
    std::fprintf(stderr, "tavik-cli: %s\n", line.c_str());
    std::fflush(stderr);
}

}  // namespace tavik::cli

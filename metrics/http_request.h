#pragma once
// The head of one HTTP/1.x request (RFC 9112), read as whole text: the
// request line and the header fields up to the blank line. Only what the
// metrics endpoint needs is kept: method, target, Accept, whether the
// connection stays open and whether a body follows. Pure text handling.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tavik::metrics {

constexpr std::size_t MaxRequestHeadBytes = 8192;
constexpr std::size_t MaxHeaderFields = 64;

enum class THeadVerdict {
    Good,
    Bad,            // 400: not a request head
    TooLarge,       // 431: more bytes or fields than the limits
    BadVersion,     // 505: not HTTP/1.0 or 1.1
};

struct TRequestHead {
    THeadVerdict Verdict = THeadVerdict::Bad;
    std::string Method;
    std::string Target;   // as sent: "/metrics?x=1"
    std::string Accept;   // the Accept fields, joined by ", "
    bool KeepAlive = false;  // HTTP/1.1 unless "Connection: close"; 1.0 only with "keep-alive"
    bool HasBody = false;    // Content-Length above 0 or Transfer-Encoding

    bool operator==(const TRequestHead&) const = default;
};

// Where the head in bytes ends: the length up to and with its blank line
// ("\r\n\r\n", or "\n\n" from a lenient client); nothing while it has not
// come.
std::optional<std::size_t> HeadLength(std::string_view bytes);

// One head, its blank line included or not. Lines end in "\r\n" or "\n".
// A head that is refused has its verdict alone.
TRequestHead ParseRequestHead(std::string_view head);

// The target's path, without its query.
std::string_view TargetPath(std::string_view target);

}  // namespace tavik::metrics

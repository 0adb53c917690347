#include "http_request.h"

#include <algorithm>
#include <cctype>

namespace tavik::metrics {

namespace {

bool IsTokenChar(char c) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool IsToken(std::string_view text) { return !text.empty() && std::all_of(text.begin(), text.end(), IsTokenChar); }

// Visible ASCII, as a request target must be.
bool IsTarget(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// Field names and tokens compare without regard to case.
bool SameLetters(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// Whether a comma-separated field holds the token (Connection: keep-alive, Upgrade).
bool ListHas(std::string_view list, std::string_view token) {
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        if (SameLetters(Trimmed(list.substr(0, comma)), token)) return true;
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return false;
}

// The next line of the head, its terminator taken off; false at its end.
bool NextLine(std::string_view& rest, std::string_view& line) {
    if (rest.empty()) return false;
    const std::size_t end = rest.find('\n');
    line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
}

}  // namespace

std::optional<std::size_t> HeadLength(std::string_view bytes) {
    for (std::size_t at = bytes.find('\n'); at != std::string_view::npos; at = bytes.find('\n', at + 1)) {
        if (at + 1 < bytes.size() && bytes[at + 1] == '\n') return at + 2;
        if (at + 2 < bytes.size() && bytes[at + 1] == '\r' && bytes[at + 2] == '\n') return at + 3;
    }
    return std::nullopt;
}

std::string_view TargetPath(std::string_view target) { return target.substr(0, target.find('?')); }

namespace {

// The head's fields as they come; a refusal may leave some of them set.
TRequestHead ReadHead(std::string_view head) {
    TRequestHead request;
    if (head.size() > MaxRequestHeadBytes) return request.Verdict = THeadVerdict::TooLarge, request;
    std::string_view rest = head;
    std::string_view line;
    // A client may send blank lines before a request line.
    do {
        if (!NextLine(rest, line)) return request;
    } while (line.empty());
    const std::size_t first = line.find(' ');
    const std::size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    if (second == std::string_view::npos || line.find(' ', second + 1) != std::string_view::npos) return request;
    const std::string_view method = line.substr(0, first);
    const std::string_view target = line.substr(first + 1, second - first - 1);
    const std::string_view version = line.substr(second + 1);
    if (!IsToken(method) || !IsTarget(target)) return request;
    if (version.size() != 8 || !version.starts_with("HTTP/") || version[6] != '.' ||
        !std::isdigit(static_cast<unsigned char>(version[5])) || !std::isdigit(static_cast<unsigned char>(version[7])))
        return request;
    if (version != "HTTP/1.1" && version != "HTTP/1.0") return request.Verdict = THeadVerdict::BadVersion, request;
    const bool http11 = version == "HTTP/1.1";
    bool close = false;
    bool keepAlive = false;
    std::size_t fields = 0;
    while (NextLine(rest, line) && !line.empty()) {
        if (++fields > MaxHeaderFields) return request.Verdict = THeadVerdict::TooLarge, request;
        const std::size_t colon = line.find(':');
        // No folded lines (obsolete), no blank before the colon.
        if (colon == std::string_view::npos || !IsToken(line.substr(0, colon))) return request;
        const std::string_view name = line.substr(0, colon);
        const std::string_view value = Trimmed(line.substr(colon + 1));
        if (std::any_of(value.begin(), value.end(), [](char c) { return (c < ' ' && c != '\t') || c == 0x7F; }))
            return request;
        if (SameLetters(name, "Accept")) {
            if (value.empty()) continue;  // an empty list adds no type
            if (!request.Accept.empty()) request.Accept += ", ";
            request.Accept += value;
        } else if (SameLetters(name, "Connection")) {
            close = close || ListHas(value, "close");
            keepAlive = keepAlive || ListHas(value, "keep-alive");
        } else if (SameLetters(name, "Content-Length")) {
            if (value.empty() || !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
                return request;
            request.HasBody = request.HasBody || value.find_first_not_of('0') != std::string_view::npos;
        } else if (SameLetters(name, "Transfer-Encoding")) {
            request.HasBody = true;
        }
    }
    request.Method = method;
    request.Target = target;
    request.KeepAlive = !close && (http11 || keepAlive);
    request.Verdict = THeadVerdict::Good;
    return request;
}

}  // namespace

TRequestHead ParseRequestHead(std::string_view head) {
    TRequestHead request = ReadHead(head);
    if (request.Verdict == THeadVerdict::Good) return request;
    TRequestHead refused;
    refused.Verdict = request.Verdict;
    return refused;
}

}  // namespace tavik::metrics

// The metrics endpoint's reading of a request head, from bytes as a client
// may send them: where the head ends is the first blank line and nothing
// shorter; a head is read the same every time; one that is taken has a
// method and a target of visible characters and reads back the same when
// written out again, and one that is refused keeps nothing of it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "metrics/http_request.h"

namespace {

using namespace tavik::metrics;

void Check(bool condition) {
    if (!condition) std::abort();
}

bool Visible(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) return false;
    return !text.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto length = HeadLength(bytes)) {
        Check(*length <= bytes.size() && *length >= 2);
        const std::string_view head = bytes.substr(0, *length);
        Check(head.ends_with("\n\n") || head.ends_with("\n\r\n"));
        Check(!HeadLength(head.substr(0, *length - 1)));
    }
    const TRequestHead request = ParseRequestHead(bytes);
    Check(request == ParseRequestHead(bytes));
    if (request.Verdict != THeadVerdict::Good) {
        Check(request.Method.empty() && request.Target.empty() && request.Accept.empty());
        return 0;
    }
    Check(bytes.size() <= MaxRequestHeadBytes);
    Check(Visible(request.Method) && Visible(request.Target));
    Check(TargetPath(request.Target) == request.Target.substr(0, request.Target.find('?')));
    std::string again = request.Method + " " + request.Target + " HTTP/1.1\r\n";
    if (!request.Accept.empty()) again += "Accept: " + request.Accept + "\r\n";
    again += "\r\n";
    const TRequestHead reread = ParseRequestHead(again);
    Check(reread.Verdict == THeadVerdict::Good && reread.Method == request.Method && reread.Target == request.Target &&
          reread.Accept == request.Accept && HeadLength(again) == again.size());
    return 0;
}

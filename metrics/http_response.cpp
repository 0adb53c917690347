#include "http_response.h"

namespace tavik::metrics {

namespace {

constexpr std::string_view PlainText = "text/plain; charset=utf-8";

const char* Reason(int status) {
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 431: return "Request Header Fields Too Large";
    case 505: return "HTTP Version Not Supported";
    default: break;
    }
    return "Error";
}

TResponse Answer(int status, std::string_view contentType, std::string_view body, bool close, bool headOnly,
                 std::string_view extraFields = {}) {
    TResponse response;
    response.Close = close;
    std::string& out = response.Bytes;
    out.reserve(160 + (headOnly ? 0 : body.size()));
    out += "HTTP/1.1 " + std::to_string(status) + ' ' + Reason(status) + "\r\nContent-Type: ";
    out += contentType;
    out += "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    out += extraFields;
    if (close) out += "Connection: close\r\n";
    out += "\r\n";
    if (!headOnly) out += body;
    return response;
}

}  // namespace

TResponse Respond(const TRequestHead& head, const TRender& render) {
    switch (head.Verdict) {
    case THeadVerdict::Good: break;
    case THeadVerdict::Bad: return Answer(400, PlainText, "not an HTTP request\n", true, false);
    case THeadVerdict::TooLarge: return Answer(431, PlainText, "request head too large\n", true, false);
    case THeadVerdict::BadVersion: return Answer(505, PlainText, "HTTP/1.0 or HTTP/1.1 only\n", true, false);
    }
    const bool close = !head.KeepAlive || head.HasBody;
    const bool headOnly = head.Method == "HEAD";
    if (!headOnly && head.Method != "GET")
        return Answer(405, PlainText, "GET or HEAD only\n", close, false, "Allow: GET, HEAD\r\n");
    if (TargetPath(head.Target) != MetricsPath) return Answer(404, PlainText, "the metrics are at /metrics\n", close, headOnly);
    const TExpositionFormat format = FormatAccepted(head.Accept);
    return Answer(200, ContentTypeOf(format), render(format), close, headOnly);
}

}  // namespace tavik::metrics

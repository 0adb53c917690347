#pragma once
// The answers of the metrics endpoint: whole HTTP/1.1 responses with their
// length given, a body only for GET, every error as one line of text.
#include <functional>
#include <string>
#include <string_view>

#include "http_request.h"
#include "metrics_exposition.h"

namespace tavik::metrics {

constexpr std::string_view MetricsPath = "/metrics";

using TRender = std::function<std::string(TExpositionFormat)>;

struct TResponse {
    std::string Bytes;
    bool Close = false;  // the connection closes once it is out
};

// What the endpoint answers to a head, whatever its verdict: the exposition
// in the format its Accept asks for at GET or HEAD /metrics (render makes
// it), 404 at another path, 405 for another method, 400, 431 or 505 for a
// head it cannot take. A request with a body is answered and the connection
// closed: the body is never read.
TResponse Respond(const TRequestHead& head, const TRender& render);

}  // namespace tavik::metrics

// The request head as the endpoint reads it, and what it answers to each:
// one line a case.
#include <gtest/gtest.h>

#include <string>

#include "metrics/http_request.h"
#include "metrics/http_response.h"

namespace tavik::metrics {
namespace {

TEST(HttpRequest, HeadsReadAsTheyAreMeant) {
    using V = THeadVerdict;
    struct TCase {
        std::string Head;
        V Verdict;
        std::string Method, Target, Accept;
        bool KeepAlive, HasBody;
    };
    const std::string many = [] {
        std::string fields;
        for (int i = 0; i < 65; ++i) fields += "X-" + std::to_string(i) + ": 1\r\n";
        return fields;
    }();
    const TCase cases[] = {
        {"GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n", V::Good, "GET", "/metrics", "", true, false},
        {"GET /metrics?a=1 HTTP/1.0\r\n\r\n", V::Good, "GET", "/metrics?a=1", "", false, false},
        {"GET / HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n", V::Good, "GET", "/", "", true, false},
        {"GET / HTTP/1.1\r\nconnection: foo, close\r\n\r\n", V::Good, "GET", "/", "", false, false},
        {"\r\nHEAD /metrics HTTP/1.1\n\n", V::Good, "HEAD", "/metrics", "", true, false},
        {"GET / HTTP/1.1\r\nAccept: a/b\r\naccept:  c/d;q=0.5 \r\n\r\n", V::Good, "GET", "/", "a/b, c/d;q=0.5", true, false},
        {"GET / HTTP/1.1\r\nAccept: a/b\r\nAccept: \r\n\r\n", V::Good, "GET", "/", "a/b", true, false},
        {"GET / HTTP/1.1\r\nAccept: a/b\r\nConnection: close\r\nNo colon\r\n\r\n", V::Bad, "", "", "", false, false},
        {"POST / HTTP/1.1\r\nContent-Length: 5\r\n\r\n", V::Good, "POST", "/", "", true, true},
        {"POST / HTTP/1.1\r\nContent-Length: 00\r\n\r\n", V::Good, "POST", "/", "", true, false},
        {"POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", V::Good, "POST", "/", "", true, true},
        {"GET / HTTP/1.1\r\n" + many + "\r\n", V::TooLarge, "", "", "", false, false},
        {"GET /" + std::string(MaxRequestHeadBytes, 'a') + " HTTP/1.1\r\n\r\n", V::TooLarge, "", "", "", false, false},
        {"GET / HTTP/2.0\r\n\r\n", V::BadVersion, "", "", "", false, false},
        {"GET / HTTP/1.1 x\r\n\r\n", V::Bad, "", "", "", false, false},
        {"GET  / HTTP/1.1\r\n\r\n", V::Bad, "", "", "", false, false},
        {"GET /\x01 HTTP/1.1\r\n\r\n", V::Bad, "", "", "", false, false},
        {"G(T / HTTP/1.1\r\n\r\n", V::Bad, "", "", "", false, false},
        {"GET / HTTQ/1.1\r\n\r\n", V::Bad, "", "", "", false, false},
        {"GET / HTTP/1.1\r\nNo colon\r\n\r\n", V::Bad, "", "", "", false, false},
        {"GET / HTTP/1.1\r\nName : v\r\n\r\n", V::Bad, "", "", "", false, false},
        {"GET / HTTP/1.1\r\n folded\r\n\r\n", V::Bad, "", "", "", false, false},
        {"GET / HTTP/1.1\r\nContent-Length: -1\r\n\r\n", V::Bad, "", "", "", false, false},
        {"GET / HTTP/1.1\r\nX: a\x7F\r\n\r\n", V::Bad, "", "", "", false, false},
        {std::string("\0\xFF\xFE", 3), V::Bad, "", "", "", false, false},
        {"", V::Bad, "", "", "", false, false},
    };
    for (const TCase& c : cases) {
        const TRequestHead head = ParseRequestHead(c.Head);
        SCOPED_TRACE(c.Head.substr(0, 60));
        EXPECT_EQ(head, (TRequestHead{c.Verdict, c.Verdict == V::Good ? c.Method : "", c.Verdict == V::Good ? c.Target : "",
                                      c.Verdict == V::Good ? c.Accept : "", c.KeepAlive, c.HasBody}));
    }
}

TEST(HttpRequest, TheHeadEndsAtItsBlankLine) {
    const std::pair<std::string, std::optional<std::size_t>> cases[] = {
        {"GET / HTTP/1.1\r\n\r\nGET", 18},  {"GET / HTTP/1.1\n\nx", 16}, {"GET / HTTP/1.1\r\nHost: x\r\n", std::nullopt},
        {"GET / HTTP/1.1\r\n\r", std::nullopt}, {"\n\n", 2}, {"", std::nullopt},
    };
    for (const auto& [bytes, length] : cases) EXPECT_EQ(HeadLength(bytes), length) << bytes;
}

// The status line and whether the connection closes, per request.
TEST(HttpResponse, EachRequestHasItsAnswer) {
    const TRender render = [](TExpositionFormat format) {
        return std::string(format == TExpositionFormat::OpenMetrics ? "open\n" : "text\n");
    };
    struct TCase {
        std::string Head;
        std::string Start;  // the answer's first bytes
        bool Close;
        std::string Body;
    };
    const TCase cases[] = {
        {"GET /metrics HTTP/1.1\r\n\r\n", "HTTP/1.1 200 OK\r\nContent-Type: text/plain; version=0.0.4", false, "text\n"},
        {"GET /metrics HTTP/1.1\r\nAccept: application/openmetrics-text;version=1.0.0,text/plain;q=0.5\r\n\r\n",
         "HTTP/1.1 200 OK\r\nContent-Type: application/openmetrics-text; version=1.0.0", false, "open\n"},
        {"HEAD /metrics HTTP/1.0\r\n\r\n", "HTTP/1.1 200 OK\r\n", true, ""},
        {"GET /metricsx HTTP/1.1\r\n\r\n", "HTTP/1.1 404 Not Found\r\n", false, "the metrics are at /metrics\n"},
        {"POST /metrics HTTP/1.1\r\nContent-Length: 3\r\n\r\n", "HTTP/1.1 405 Method Not Allowed\r\n", true,
         "GET or HEAD only\n"},
        {"GET / HTTP/3.0\r\n\r\n", "HTTP/1.1 505 HTTP Version Not Supported\r\n", true, "HTTP/1.0 or HTTP/1.1 only\n"},
        {"junk\r\n\r\n", "HTTP/1.1 400 Bad Request\r\n", true, "not an HTTP request\n"},
    };
    for (const TCase& c : cases) {
        const TResponse response = Respond(ParseRequestHead(c.Head), render);
        SCOPED_TRACE(c.Head);
        EXPECT_TRUE(response.Bytes.starts_with(c.Start)) << response.Bytes;
        EXPECT_EQ(response.Close, c.Close);
        const std::size_t end = response.Bytes.find("\r\n\r\n");
        ASSERT_NE(end, std::string::npos);
        const std::string fields = response.Bytes.substr(0, end + 2);
        // The length given is the body's, even where HEAD leaves it out.
        const std::size_t length = c.Head.starts_with("HEAD") ? 5 : c.Body.size();
        EXPECT_NE(fields.find("\r\nContent-Length: " + std::to_string(length) + "\r\n"), std::string::npos) << fields;
        EXPECT_EQ(fields.find("Connection: close") != std::string::npos, c.Close);
        EXPECT_EQ(response.Bytes.substr(end + 4), c.Body);
    }
}

}  // namespace
}  // namespace tavik::metrics

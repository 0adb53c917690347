// tavik-cli serve over loopback: the demo modules as one SCPI instrument,
// wired as the command wires them, the server and the modules' polling on the
// main thread's event loop in real time. Clients are threads, each with a
// blocking socket: it sends a query, reads the answer up to its "\n" and
// sends the next, never more than one in flight. One client, then eight at
// once, for each query.
//
// Figures: queries answered per second, the round trip's median, 99th
// percentile and worst; and, from the simulated logger's side of the wire,
// how many measurement reports the logger was polled for per second of the
// run and the longest gap between two of them. The logger reads a report
// every 50 ms; it asks for measurements (a RequestMeasurement frame) only
// when what it read was none, so the polls are its feature reads answered
// with a measurement report (kind 0x01 after the report ID).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench_util.h"
#include "cli/demo_platform.h"
#include "scpi/scpi_instrument.h"
#include "net/line_server.h"
#include "device/report_exchange.h"

namespace {

using tavik::bench::Clock;
using tavik::bench::Microseconds;

constexpr auto ScenarioTime = std::chrono::milliseconds(2500);

// What one client thread saw.
struct TClientRun {
    std::vector<double> RoundTrips;  // microseconds
    std::string FirstAnswer;
    std::string Failure;  // empty when every query was answered and raised no error
};

bool SendAll(int socket, const std::string& text) {
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(socket, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// One answer line, its "\n" taken off; false with why on a failure.
bool ReadLine(int socket, std::string& line, std::string& why) {
    line.clear();
    char buffer[512];
    for (;;) {
        const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
        if (n == 0) {
            why = "the server closed the connection";
            return false;
        }
        if (n < 0) {
            why = std::string("recv: ") + std::strerror(errno);
            return false;
        }
        line.append(buffer, static_cast<std::size_t>(n));
        const std::size_t end = line.find('\n');
        if (end == std::string::npos) continue;
        if (end + 1 != line.size()) {
            why = "more than one answer to a query";
            return false;
        }
        line.pop_back();
        return true;
    }
}

// Queries until stop, then asks for the error queue: a query that raised an
// error (and so had no answer to time) shows there.
void RunClient(uint16_t port, const std::string& query, const std::atomic<bool>& stop, TClientRun& run) {
    run.RoundTrips.reserve(100000);
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    if (socket < 0) {
        run.Failure = std::string("socket: ") + std::strerror(errno);
        return;
    }
    const int on = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // An unanswered query ends the client instead of hanging the bench.
    const timeval timeout{2, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        run.Failure = std::string("connect: ") + std::strerror(errno);
        ::close(socket);
        return;
    }
    const std::string line = query + "\n";
    std::string answer;
    while (!stop.load(std::memory_order_relaxed)) {
        const auto start = Clock::now();
        if (!SendAll(socket, line)) {
            run.Failure = std::string("send: ") + std::strerror(errno);
            break;
        }
        if (!ReadLine(socket, answer, run.Failure)) break;
        run.RoundTrips.push_back(Microseconds(Clock::now() - start));
        if (run.FirstAnswer.empty()) run.FirstAnswer = answer;
    }
    if (run.Failure.empty()) {
        if (!SendAll(socket, "SYST:ERR?\n"))
            run.Failure = "send: " + std::string(std::strerror(errno));
        else if (ReadLine(socket, answer, run.Failure) && answer.rfind("0,", 0) != 0)
            run.Failure = "error queue: " + answer;
    }
    ::close(socket);
}

// The logger's polls as the simulator saw them, counted on the loop's thread.
struct TLoggerPolls {
    std::vector<Clock::time_point> Times;

    // Reports per second over [from, to] and the longest gap between two
    // polls there (from the window's edges too), in milliseconds.
    std::pair<double, double> Over(Clock::time_point from, Clock::time_point to) const {
        long count = 0;
        double longest = 0;
        Clock::time_point previous = from;
        for (const Clock::time_point t : Times) {
            if (t < from || t > to) continue;
            ++count;
            longest = std::max(longest, Microseconds(t - previous) / 1000.0);
            previous = t;
        }
        longest = std::max(longest, Microseconds(to - previous) / 1000.0);
        return {static_cast<double>(count) / (Microseconds(to - from) / 1e6), longest};
    }
};

void RunLoopFor(tavik::cli::TDemoPlatform& demo, Clock::duration time) {
    const auto until = Clock::now() + time;
    while (Clock::now() < until) demo.Loop.ProcessEvents(10);
}

bool Scenario(tavik::cli::TDemoPlatform& demo, tavik::net::TLineServer& server, const TLoggerPolls& polls,
              const std::string& query, int clients) {
    // The last scenario's connections gone first: the server takes eight.
    const auto settle = Clock::now() + std::chrono::seconds(2);
    while (server.Clients() != 0 && Clock::now() < settle) demo.Loop.ProcessEvents(10);

    std::atomic<bool> stop{false};
    std::atomic<int> finished{0};
    std::vector<TClientRun> runs(static_cast<std::size_t>(clients));
    std::vector<std::thread> threads;
    const uint16_t port = server.Port();
    const auto start = Clock::now();
    for (TClientRun& run : runs)
        threads.emplace_back([&, port] {
            RunClient(port, query, stop, run);
            ++finished;
        });
    while (finished.load() < clients) {
        demo.Loop.ProcessEvents(10);
        if (!stop.load() && Clock::now() - start >= ScenarioTime) stop = true;
    }
    const auto end = Clock::now();
    for (std::thread& thread : threads) thread.join();

    std::vector<double> all;
    bool ok = true;
    for (const TClientRun& run : runs) {
        all.insert(all.end(), run.RoundTrips.begin(), run.RoundTrips.end());
        if (!run.Failure.empty()) {
            std::printf("  FAILED: a client of %s: %s\n", query.c_str(), run.Failure.c_str());
            ok = false;
        }
    }
    if (all.empty()) {
        std::printf("%-22s %d client%s: no query answered\n", query.c_str(), clients, clients == 1 ? "" : "s");
        return false;
    }
    std::sort(all.begin(), all.end());
    const double seconds = Microseconds(end - start) / 1e6;
    const auto [rate, gap] = polls.Over(start, end);
    std::printf("%-22s %d client%s: %7.0f queries/s, round trip median %5.1f us, p99 %6.1f us, worst %7.1f us;"
                " logger %4.1f reports/s, longest gap %3.0f ms\n",
                query.c_str(), clients, clients == 1 ? " " : "s", static_cast<double>(all.size()) / seconds,
                tavik::bench::Percentile(all, 0.5), tavik::bench::Percentile(all, 0.99), all.back(), rate, gap);
    if (clients == 1) std::printf("  answer: %s\n", runs[0].FirstAnswer.c_str());
    return ok;
}

}  // namespace

int main() {
    tavik::cli::TDemoPlatform demo;
    TLoggerPolls polls;
    polls.Times.reserve(4096);
    const uint32_t logger = demo.Modules.LoggerInstance;
    demo.Platform.LogWire = false;
    demo.Platform.OnWire = [&polls, logger](const tavik::TWireEvent& event) {
        if (event.DeviceInstance == logger && event.Call == tavik::TWireCall::GetFeature && event.Ok &&
            event.Bytes.size() > 1 && event.Bytes[1] == tavik::MeasurementReportKind)
            polls.Times.push_back(Clock::now());
    };

    // As tavik-cli serve wires them.
    tavik::scpi::TScpiInstrument instrument(demo.Platform, demo.Loop);
    tavik::net::TLineServer server(demo.Loop, [&instrument] { return instrument.NewClient(); });
    tavik::net::TListenAddress address;
    address.Port = 0;
    if (!server.Listen(address)) {
        std::printf("listen: %s\n", server.Error().c_str());
        return 1;
    }

    // The modules bound and polled, the meter's first reading in.
    RunLoopFor(demo, std::chrono::milliseconds(500));
    const auto idleStart = Clock::now();
    RunLoopFor(demo, std::chrono::seconds(2));
    const auto [idleRate, idleGap] = polls.Over(idleStart, Clock::now());
    std::printf("logger with no client: %.1f reports/s, longest gap %.0f ms\n", idleRate, idleGap);

    bool ok = true;
    // The latest readings: MEASure? waits for a fresh one by design.
    for (const char* query : {"*IDN?", "FETC:VOLT:DC? (@1,2)", "FETC:FREQ?"})
        for (const int clients : {1, 8}) ok = Scenario(demo, server, polls, query, clients) && ok;
    std::printf("aim: at least 5000 queries/s and p99 <= 1000 us on a two-core machine (this one: %u),"
                " the logger at 20 reports/s undisturbed\n",
                std::thread::hardware_concurrency());
    server.Close();
    return ok ? 0 : 1;
}

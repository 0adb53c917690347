// The monitoring exporters over the demo modules, on the main thread's event
// loop in real time, as tavik-cli serve wires them.
//
// Metrics: a client thread scrapes GET /metrics over one keep-alive
// loopback connection as fast as it is answered, then four clients at once;
// figures: scrapes a second, a scrape's median and worst round trip, its
// size, and the logger's reports a second meanwhile (the loop's own work,
// 20 a second when nothing holds it up).
//
// MQTT (when mosquitto is on the PATH: it is started on a free loopback
// port): what a reading costs the loop's thread to build and hand over,
// in batches of 50 that the network thread writes between them; and how
// many were dropped.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_util.h"
#include "cli/cli_metrics.h"
#include "cli/demo_platform.h"
#include "mqtt/mqtt_connection.h"
#include "mqtt/mqtt_messages.h"

namespace {

using tavik::bench::Clock;
using tavik::bench::Microseconds;

constexpr auto ScenarioTime = std::chrono::milliseconds(3000);

int Connect(uint16_t port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

struct TScraper {
    std::vector<double> RoundTrips;
    std::size_t Bytes = 0;
    std::string Failure;
};

// One answer: its head up to the blank line, then Content-Length bytes.
bool Scrape(int s, std::string& pending, TScraper& run) {
    static const std::string Request = "GET /metrics HTTP/1.1\r\nHost: bench\r\n\r\n";
    if (::send(s, Request.data(), Request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(Request.size())) return false;
    char buffer[16384];
    std::size_t headEnd = std::string::npos, length = 0;
    for (;;) {
        if (headEnd == std::string::npos && (headEnd = pending.find("\r\n\r\n")) != std::string::npos) {
            const std::size_t field = pending.find("Content-Length: ");
            if (field == std::string::npos || field > headEnd) return run.Failure = "no Content-Length", false;
            length = std::strtoul(pending.c_str() + field + 16, nullptr, 10);
        }
        if (headEnd != std::string::npos && pending.size() >= headEnd + 4 + length) {
            run.Bytes = length;
            pending.erase(0, headEnd + 4 + length);
            return true;
        }
        const ssize_t n = ::recv(s, buffer, sizeof buffer, 0);
        if (n <= 0) return run.Failure = "the connection ended", false;
        pending.append(buffer, static_cast<std::size_t>(n));
    }
}

void ScrapeUntil(uint16_t port, const std::atomic<bool>& stop, TScraper& run) {
    const int s = Connect(port);
    if (s < 0) {
        run.Failure = "no connection";
        return;
    }
    std::string pending;
    while (!stop) {
        const auto start = Clock::now();
        if (!Scrape(s, pending, run)) break;
        run.RoundTrips.push_back(Microseconds(Clock::now() - start));
    }
    ::close(s);
}

void ScrapeScenario(tavik::cli::TDemoPlatform& demo, uint16_t port, int clients, const int& reports) {
    std::atomic<bool> stop{false};
    std::atomic<int> ended{0};
    std::vector<TScraper> runs(static_cast<std::size_t>(clients));
    std::vector<std::thread> threads;
    const int reportsBefore = reports;
    const auto start = Clock::now();
    for (TScraper& run : runs)
        threads.emplace_back([&, port] {
            ScrapeUntil(port, stop, run);
            ++ended;
        });
    while (Clock::now() - start < ScenarioTime) demo.Loop.ProcessEvents(5);
    stop = true;
    // The scrapes in flight answered, so that every thread ends.
    while (ended < clients) demo.Loop.ProcessEvents(5);
    for (std::thread& t : threads) t.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::vector<double> all;
    for (const TScraper& run : runs) {
        if (!run.Failure.empty()) std::printf("  a client failed: %s\n", run.Failure.c_str());
        all.insert(all.end(), run.RoundTrips.begin(), run.RoundTrips.end());
    }
    if (all.empty()) return;
    std::sort(all.begin(), all.end());
    std::printf("  %d client%s: %.0f scrapes/s, round trip median %.0f us, worst %.0f us, %zu bytes; "
                "logger %.1f reports/s\n",
                clients, clients == 1 ? "" : "s", static_cast<double>(all.size()) / seconds,
                tavik::bench::Percentile(all, 0.5), all.back(), runs[0].Bytes, (reports - reportsBefore) / seconds);
}

uint16_t FreePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(s);
    return ntohs(address.sin_port);
}

void MqttScenario() {
    const uint16_t port = FreePort();
    const std::string config = "/tmp/tavik-bench-mosquitto-" + std::to_string(getpid()) + ".conf";
    std::ofstream(config) << "listener " << port << " 127.0.0.1\nallow_anonymous true\npersistence false\n";
    const pid_t broker = fork();
    if (broker == 0) {
        std::freopen("/dev/null", "w", stderr);
        execlp("mosquitto", "mosquitto", "-c", config.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int i = 0; i < 100; ++i) {
        const int s = Connect(port);
        if (s >= 0) {
            ::close(s);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    {
        const tavik::mqtt::TMqttNames names = tavik::mqtt::NamesFor("bench", "", "bench");
        tavik::mqtt::TMqttSettings settings;
        settings.Broker = {false, "127.0.0.1", port};
        settings.ClientId = "tavik-bench";
        settings.Will = tavik::mqtt::Availability(names, false);
        tavik::mqtt::TMqttConnection connection(settings);
        std::string error;
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        if (!connection.Start(error)) {
            std::printf("  not started: %s\n", error.c_str());
        } else {
            while (!connection.Connected() && Clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (connection.Connected()) {
            std::vector<double> perReading;
            double volts = 1.0;
            for (int batch = 0; batch < 200; ++batch) {
                const auto start = Clock::now();
                for (int i = 0; i < 50; ++i) {
                    volts += 0.001;
                    connection.Publish(tavik::mqtt::Reading(names, tavik::TInstrumentKind::Logger, "voltage1",
                                                            tavik::mqtt::VoltsText(volts)));
                }
                perReading.push_back(Microseconds(Clock::now() - start) / 50);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            std::sort(perReading.begin(), perReading.end());
            std::printf("  a reading built and handed over: median %.2f us, worst batch %.2f us a reading; "
                        "%llu of 10000 dropped\n",
                        tavik::bench::Percentile(perReading, 0.5), perReading.back(),
                        static_cast<unsigned long long>(connection.Dropped()));
        } else {
            std::printf("  no connection to mosquitto on port %u\n", port);
        }
    }
    kill(broker, SIGTERM);
    waitpid(broker, nullptr, 0);
    std::remove(config.c_str());
}

}  // namespace

int main() {
    tavik::cli::TDemoPlatform demo;
    int reports = 0;
    tavik::TSessionSubscriber counter;
    counter.LoggerCycle = [&reports](const tavik::logger::TLoggerCycle& cycle) { reports += cycle.HasSamples; };
    tavik::TInstrumentSession session(demo.Platform, demo.Loop, '.', &counter);
    tavik::cli::TMetricsEndpoint endpoint(session, demo.Loop);
    if (!endpoint.Server.Listen(tavik::net::TListenAddress{{127, 0, 0, 1}, 0})) {
        std::printf("metrics: %s\n", endpoint.Server.Error().c_str());
        return 1;
    }
    std::printf("metrics endpoint, GET /metrics over loopback keep-alive connections:\n");
    ScrapeScenario(demo, endpoint.Server.Port(), 1, reports);
    ScrapeScenario(demo, endpoint.Server.Port(), 4, reports);
    std::printf("MQTT, a reading published to mosquitto:\n");
    if (std::system("command -v mosquitto >/dev/null 2>&1") == 0)
        MqttScenario();
    else
        std::printf("  mosquitto is not installed\n");
    return 0;
}

#include "local_time.h"

#include <chrono>
#include <ctime>

namespace tavik {

TLocalTime LocalTimeNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
            local.tm_min,        local.tm_sec,     static_cast<int>(millis)};
}

}  // namespace tavik

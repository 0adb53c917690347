#include "local_time.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace tavik {

long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

namespace {

long long SecondsOf(const std::tm& t) {
    return DaysFromCivil(t.tm_year + 1900LL, static_cast<unsigned>(t.tm_mon + 1), static_cast<unsigned>(t.tm_mday)) * 86400 +
           t.tm_hour * 3600LL + t.tm_min * 60LL + t.tm_sec;
}

bool Local(std::time_t seconds, std::tm& out) {
#ifdef _WIN32
    return localtime_s(&out, &seconds) == 0;
#else
    return localtime_r(&seconds, &out) != nullptr;
#endif
}

bool Utc(std::time_t seconds, std::tm& out) {
#ifdef _WIN32
    return gmtime_s(&out, &seconds) == 0;
#else
    return gmtime_r(&seconds, &out) != nullptr;
#endif
}
}  // namespace

TLocalTime LocalTimeAt(std::time_t seconds, int millisecond) {
    std::tm local{};
    std::tm utc{};
    Local(seconds, local);
    // The broken-down times compared, not tm_gmtoff: the C libraries differ.
    const int offset = Utc(seconds, utc) ? static_cast<int>((SecondsOf(local) - SecondsOf(utc)) / 60) : 0;
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
            local.tm_sec,         millisecond,      offset};
}

TLocalTime LocalTimeNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    return LocalTimeAt(system_clock::to_time_t(now), static_cast<int>(millis));
}

std::string IsoTimeText(const TLocalTime& t) {
    const int offset = std::abs(t.UtcOffsetMinutes);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", t.Year, t.Month, t.Day, t.Hour,
                  t.Minute, t.Second, t.Millisecond, t.UtcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

}  // namespace tavik

#pragma once
// The local date and time with milliseconds, read once per acquisition tick
// and once per start click, and its distance from UTC for time stamps that
// stay unambiguous across a change to or from summer time.
#include <ctime>
#include <functional>
#include <string>

namespace tavik {

struct TLocalTime {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
    int UtcOffsetMinutes = 0;  // local time minus UTC
};

using TClock = std::function<TLocalTime()>;

TLocalTime LocalTimeNow();
// Days since 1970-01-01 of a proleptic Gregorian date.
long long DaysFromCivil(long long y, unsigned m, unsigned d);
// The local time of a moment, in the time zone the C library has (TZ).
TLocalTime LocalTimeAt(std::time_t seconds, int millisecond);

// ISO 8601 with milliseconds and the offset: "2026-12-08T14:14:43.378+03:00".
std::string IsoTimeText(const TLocalTime& time);

}  // namespace tavik

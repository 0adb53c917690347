#pragma once
// The local date and time with milliseconds, read once per acquisition tick
// and once per start click.
#include <functional>

namespace tavik {

struct TLocalTime {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

using TClock = std::function<TLocalTime()>;

TLocalTime LocalTimeNow();

}  // namespace tavik

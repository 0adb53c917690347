#pragma once
// tavik-cli log --until: a local time of day (the next one to come) or a
// local date and time, as ISO 8601 writes them.
#include <ctime>
#include <optional>
#include <string>

namespace tavik::cli {

struct TUntilTime {
    bool HasDate = false;
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;

    bool operator==(const TUntilTime&) const = default;
};

// "hh:mm", "hh:mm:ss", "YYYY-MM-DDThh:mm" or "YYYY-MM-DDThh:mm:ss" (a space
// for the T too).
std::optional<TUntilTime> ParseUntil(const std::string& text);
// Seconds from now to that moment in the C library's time zone; a time of
// day already past today is tomorrow's; 0 for a date already past.
double SecondsUntil(const TUntilTime& until, std::time_t now);

}  // namespace tavik::cli

#include "log_until.h"

#include <cstdio>

namespace tavik::cli {

namespace {
bool InRange(const TUntilTime& t) {
    return t.Hour <= 23 && t.Minute <= 59 && t.Second <= 59 &&
           (!t.HasDate || (t.Year >= 1970 && t.Month >= 1 && t.Month <= 12 && t.Day >= 1 && t.Day <= 31));
}

// Only digits where a number stands, of the length it has.
bool Shaped(const std::string& text, const char* shape) {
    std::size_t i = 0;
    for (; shape[i] && i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (shape[i] == '9' ? !digit : (shape[i] == 'T' ? text[i] != 'T' && text[i] != ' ' : text[i] != shape[i]))
            return false;
    }
    return !shape[i] && i == text.size();
}

std::time_t LocalSeconds(const TUntilTime& t, int dayAfter) {
    std::tm tm{};
    tm.tm_year = t.Year - 1900;
    tm.tm_mon = t.Month - 1;
    tm.tm_mday = t.Day + dayAfter;
    tm.tm_hour = t.Hour;
    tm.tm_min = t.Minute;
    tm.tm_sec = t.Second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}
}  // namespace

std::optional<TUntilTime> ParseUntil(const std::string& text) {
    TUntilTime t;
    const bool withDate = Shaped(text, "9999-99-99T99:99") || Shaped(text, "9999-99-99T99:99:99");
    if (!withDate && !Shaped(text, "99:99") && !Shaped(text, "99:99:99")) return std::nullopt;
    const std::string time = withDate ? text.substr(11) : text;
    if (withDate) {
        t.HasDate = true;
        std::sscanf(text.c_str(), "%4d-%2d-%2d", &t.Year, &t.Month, &t.Day);
    }
    std::sscanf(time.c_str(), "%2d:%2d", &t.Hour, &t.Minute);
    if (time.size() == 8) std::sscanf(time.c_str() + 6, "%2d", &t.Second);
    if (!InRange(t)) return std::nullopt;
    return t;
}

double SecondsUntil(const TUntilTime& until, std::time_t now) {
    TUntilTime target = until;
    if (!until.HasDate) {
        std::tm today{};
#ifdef _WIN32
        localtime_s(&today, &now);
#else
        localtime_r(&now, &today);
#endif
        target.Year = today.tm_year + 1900;
        target.Month = today.tm_mon + 1;
        target.Day = today.tm_mday;
    }
    std::time_t at = LocalSeconds(target, 0);
    if (!until.HasDate && at <= now) at = LocalSeconds(target, 1);
    const double seconds = std::difftime(at, now);
    return seconds > 0 ? seconds : 0;
}

}  // namespace tavik::cli

// Time stamps with their UTC offset, summer time and zones off the hour
// included; the zones are POSIX TZ rules, so no zone database is needed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "common/local_time.h"

namespace tavik {
namespace {

#ifdef _WIN32
// The Windows C library reads TZ as "name, hours[:minutes] west, summer name"
// and knows no transition rules; an empty value stands for "unset".
void SetZone(const char* zone) { _putenv_s("TZ", zone ? zone : ""); _tzset(); }
#else
void SetZone(const char* zone) {
    zone ? setenv("TZ", zone, 1) : unsetenv("TZ");
    tzset();
}
#endif

class TZone {
public:
    explicit TZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) Old_ = old, HadOld_ = true;
        SetZone(zone);
    }
    ~TZone() { SetZone(HadOld_ ? Old_.c_str() : nullptr); }

private:
    std::string Old_;
    bool HadOld_ = false;
};

TEST(LocalTime, IsoTextCarriesTheOffsetOfTheMoment) {
    constexpr std::time_t Winter = 1768478400;  // 2026-01-15 12:00:00 UTC
    constexpr std::time_t Summer = 1784116800;  // 2026-07-15 12:00:00 UTC
    const struct {
        const char* Zone;
        bool PosixRule;  // beyond what the Windows C library reads
        std::time_t Moment;
        int Millisecond;
        const char* Text;
    } cases[] = {
        {"UTC0", false, Winter, 0, "2026-01-15T12:00:00.000+00:00"},
        {"MSK-3", false, Summer, 378, "2026-07-15T15:00:00.378+03:00"},
        {"EST5EDT,M3.2.0,M11.1.0", true, Winter, 5, "2026-01-15T07:00:00.005-05:00"},
        {"EST5EDT,M3.2.0,M11.1.0", true, Summer, 999, "2026-07-15T08:00:00.999-04:00"},
        {"<+0530>-5:30", true, Winter, 42, "2026-01-15T17:30:00.042+05:30"},
        {"<-0330>3:30", true, Summer, 0, "2026-07-15T08:30:00.000-03:30"},
        // Across midnight and the year's end.
        {"<+14>-14", true, 1798761599, 1, "2027-01-01T13:59:59.001+14:00"},
        {"IST-5:30", false, Winter, 42, "2026-01-15T17:30:00.042+05:30"},
        {"NST3:30", false, Summer, 0, "2026-07-15T08:30:00.000-03:30"},
    };
    for (const auto& c : cases) {
#ifdef _WIN32
        if (c.PosixRule) continue;
#endif
        const TZone zone(c.Zone);
        EXPECT_EQ(IsoTimeText(LocalTimeAt(c.Moment, c.Millisecond)), c.Text) << c.Zone;
    }
}

}  // namespace
}  // namespace tavik

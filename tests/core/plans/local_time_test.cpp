// Local time in zones with and without daylight saving.

#include <gtest/gtest.h>

#include <stdexcept>

#include "core/plans/zone.h"
#include "core/platform/local_time.h"

namespace tvq {
namespace {

struct ZoneCase {
    const char* zone;
    int year, month, day, hour, minute, second;
    Moment expected;  // UTC seconds, worked out by hand from the zone's offsets
    const char* why;
};

TEST(ClockAt, FollowsTheZonesRules) {
    const ZoneCase cases[] = {
        {"Europe/Berlin", 2025, 1, 15, 8, 0, 0, 1736924400, "winter, +1"},
        {"Europe/Berlin", 2025, 7, 1, 8, 0, 0, 1751349600, "summer, +2: not an hour late"},
        {"Europe/Berlin", 2025, 3, 30, 1, 59, 59, 1743296399, "just before the jump"},
        {"Europe/Berlin", 2025, 3, 30, 2, 30, 0, 1743296400, "skipped: first moment after, 03:00"},
        {"Europe/Berlin", 2025, 10, 26, 2, 30, 0, 1761438600, "twice: the first, still +2"},
        {"Europe/Berlin", 2025, 10, 26, 3, 0, 0, 1761444000, "after the fold, +1"},
        {"America/New_York", 2025, 11, 2, 1, 30, 0, 1762061400, "twice: the first, EDT"},
        {"Asia/Shanghai", 2025, 7, 1, 8, 0, 0, 1751328000, "no daylight saving, +8"},
        {"Europe/Berlin", 2025, 4, 31, 0, 0, 0, 1746050400, "31 April rolls over to 1 May"}};
    for (const ZoneCase& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + ": " + c.why);
        test::ScopedZone zone(c.zone);
        EXPECT_EQ(clockAt(c.year, c.month, c.day, c.hour, c.minute, c.second), c.expected);
    }
}

TEST(ClockAt, RefusesFieldsOutOfRange) {
    const int bad[][6] = {{1899, 1, 1, 0, 0, 0},  {2000, 13, 1, 0, 0, 0},  {2000, 1, 0, 0, 0, 0},
                          {2000, 1, 1, 24, 0, 0}, {2000, 1, 1, 12, 60, 0}, {2000, 1, 1, 0, 0, 60}};
    for (const auto& f : bad) {
        SCOPED_TRACE(testing::PrintToString(std::vector<int>(f, f + 6)));
        EXPECT_THROW(clockAt(f[0], f[1], f[2], f[3], f[4], f[5]), std::invalid_argument);
    }
}

TEST(LocalDays, ShortAndLongDaysEndAtTheirMidnight) {
    test::ScopedZone zone("Europe/Berlin");
    const Moment spring = clockAt(2025, 3, 30, 12, 0, 0);
    EXPECT_EQ(startOfNextDay(spring) - startOfDay(spring), 23 * 3600);
    const Moment autumn = clockAt(2025, 10, 26, 12, 0, 0);
    EXPECT_EQ(startOfNextDay(autumn) - startOfDay(autumn), 25 * 3600);
    EXPECT_EQ(stampText(startOfNextDay(clockAt(2024, 12, 31, 23, 59, 59))), "2025-01-01 00:00:00");
    EXPECT_EQ(dateText(clockAt(2014, 6, 5, 0, 0, 0)), "2014-6-5");
}

}  // namespace
}  // namespace tvq

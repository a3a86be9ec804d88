#pragma once
// Local calendar time of moments (seconds since 1970 UTC) and back, following TZ and its
// daylight-saving rules.

#include <cstdint>
#include <string>

namespace tvq {

using Moment = std::int64_t;

struct LocalTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 4;  // 0 = Sunday
    bool operator==(const LocalTime&) const = default;
};

LocalTime localTimeOf(Moment moment);

// The local moment of a date and clock time. Throws std::invalid_argument for a field out of
// range (year below 1900 or above 9999, month 1..12, day 1..31, hour 0..23, minute and second
// 0..59). A day past the month's end rolls over into the next month as the calendar does.
// Daylight saving is the C library's call, with two rules of our own: a clock time that the
// day skips (spring forward) gives the first moment after the gap, and one that it passes twice
// (fall back) gives the first of the two.
Moment clockAt(int year, int month, int day, int hour, int minute, int second);
// Whether that date exists and the local zone shows that clock time on it: false where clockAt
// would roll over (30 February) or move past a skipped hour, and for fields out of its range.
bool existsLocally(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// Local midnight that starts the day of moment, and the one that ends it.
Moment startOfDay(Moment moment);
Moment startOfNextDay(Moment moment);

// "%2d:%2d:%2d" and "%d-%d-%d" of the local time, as the plan file and the pages write them.
std::string clockText(Moment moment);
std::string dateText(Moment moment);
// "YYYY-MM-DD HH:MM:SS", for logs and the command line.
std::string stampText(Moment moment);

}  // namespace tvq

#include "core/platform/local_time.h"

#include <time.h>

#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace tvq {
namespace {

// Wall-clock fields read as if they were UTC: a number that grows with local time of day.
Moment wallNumber(const std::tm& t) {
    std::tm copy = t;
    return static_cast<Moment>(::timegm(&copy));
}

std::tm localTm(Moment moment) {
    const std::time_t t = static_cast<std::time_t>(moment);
    std::tm out{};
    ::localtime_r(&t, &out);
    return out;
}

bool sameWallTime(Moment moment, Moment wall) {
    return wallNumber(localTm(moment)) == wall;
}

}  // namespace

LocalTime localTimeOf(Moment moment) {
    const std::tm t = localTm(moment);
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, t.tm_wday};
}

Moment clockAt(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        throw std::invalid_argument("clock or date out of range");

    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    const Moment wall = wallNumber(fields);  // normalised: 31 April is 1 May

    // The offsets in force a day either side cover any change near this time; each gives one
    // candidate, kept if it really shows this wall time. (localtime_r only: mktime rereads the
    // zone file on every call when TZ is unset, a hundred times slower.)
    bool found = false;
    Moment best = 0;
    for (const Moment probe : {wall - 86400, wall + 86400}) {
        const Moment candidate = wall - localTm(probe).tm_gmtoff;
        if (!sameWallTime(candidate, wall)) continue;
        if (!found || candidate < best) best = candidate;
        found = true;
    }
    if (found) return best;

    // Skipped by a forward jump: the first moment whose wall time lies past it. Offsets stay
    // within a day, so the answer lies in this window, and no other change sits inside it.
    Moment low = wall - 26 * 3600;
    Moment high = wall + 26 * 3600;
    if (wallNumber(localTm(low)) >= wall || wallNumber(localTm(high)) < wall)
        throw std::invalid_argument("moment cannot be represented");
    while (high - low > 1) {
        const Moment mid = low + (high - low) / 2;
        (wallNumber(localTm(mid)) >= wall ? high : low) = mid;
    }
    return high;
}

bool existsLocally(int year, int month, int day, int hour, int minute, int second) {
    try {
        const LocalTime t = localTimeOf(clockAt(year, month, day, hour, minute, second));
        return t.year == year && t.month == month && t.day == day && t.hour == hour &&
               t.minute == minute && t.second == second;
    } catch (const std::invalid_argument&) {
        return false;
    }
}

Moment startOfDay(Moment moment) {
    const LocalTime t = localTimeOf(moment);
    return clockAt(t.year, t.month, t.day, 0, 0, 0);
}

Moment startOfNextDay(Moment moment) {
    const LocalTime t = localTimeOf(moment);
    // Day 32 is not allowed in clockAt; go through noon, which every day has.
    const LocalTime next = localTimeOf(clockAt(t.year, t.month, t.day, 12, 0, 0) + 86400);
    return clockAt(next.year, next.month, next.day, 0, 0, 0);
}

std::string clockText(Moment moment) {
    const LocalTime t = localTimeOf(moment);
    char text[48];
    std::snprintf(text, sizeof text, "%2d:%2d:%2d", t.hour, t.minute, t.second);
    return text;
}

std::string dateText(Moment moment) {
    const LocalTime t = localTimeOf(moment);
    char text[48];
    std::snprintf(text, sizeof text, "%d-%d-%d", t.year, t.month, t.day);
    return text;
}

std::string stampText(Moment moment) {
    const LocalTime t = localTimeOf(moment);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

}  // namespace tvq

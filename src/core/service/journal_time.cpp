#include "core/service/journal_time.h"

#include <charconv>
#include <cstdio>

#include "core/platform/local_time.h"

namespace tvq::service {
namespace {

// Exactly `width` digits at text[at].
std::optional<int> digits(std::string_view text, std::size_t at, std::size_t width) {
    if (at + width > text.size()) return std::nullopt;
    int value = 0;
    const char* begin = text.data() + at;
    const auto [end, ec] = std::from_chars(begin, begin + width, value);
    if (ec != std::errc{} || end != begin + width || *begin == '-' || *begin == '+')
        return std::nullopt;
    return value;
}

}  // namespace

JournalTime journalNow() {
    return std::chrono::floor<std::chrono::milliseconds>(std::chrono::system_clock::now());
}

std::string journalTimeText(JournalTime time) {
    using namespace std::chrono;
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(clock.hours().count()),
                  int(clock.minutes().count()), int(clock.seconds().count()),
                  int(clock.subseconds().count()));
    return text;
}

std::optional<JournalTime> parseJournalTime(std::string_view text) {
    using namespace std::chrono;
    // "YYYY-MM-DD?HH:MM:SS" is common to both forms.
    const auto y = digits(text, 0, 4), mo = digits(text, 5, 2), d = digits(text, 8, 2);
    const auto h = digits(text, 11, 2), mi = digits(text, 14, 2), s = digits(text, 17, 2);
    if (!y || !mo || !d || !h || !mi || !s || text[4] != '-' || text[7] != '-' || text[13] != ':' ||
        text[16] != ':' || *h > 23 || *mi > 59 || *s > 59)
        return std::nullopt;
    if (text[10] == ' ') {
        if (text.size() != 19 || !existsLocally(*y, *mo, *d, *h, *mi, *s)) return std::nullopt;
        return JournalTime{seconds{clockAt(*y, *mo, *d, *h, *mi, *s)}};
    }
    if (text[10] != 'T' || text.back() != 'Z') return std::nullopt;
    int millis = 0;
    if (text.size() == 24 && text[19] == '.') {
        const auto ms = digits(text, 20, 3);
        if (!ms) return std::nullopt;
        millis = *ms;
    } else if (text.size() != 20) {
        return std::nullopt;
    }
    const year_month_day date{year{*y}, month{unsigned(*mo)}, day{unsigned(*d)}};
    if (!date.ok()) return std::nullopt;
    return JournalTime{sys_days{date} + hours{*h} + minutes{*mi} + seconds{*s} +
                       milliseconds{millis}};
}

}  // namespace tvq::service

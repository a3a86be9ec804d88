#include "core/plans/plan_text.h"

#include <algorithm>
#include <limits>

#include "core/link/sources.h"

namespace tvq {
namespace {

constexpr std::array<std::string_view, 7> kWeekdayEnglish{"0Sun", "1Mon", "2Tue", "3Wed",
                                                          "4Thu", "5Fri", "6Sat"};
constexpr std::array<std::string_view, 7> kWeekdayChinese{
    "0星期日", "1星期一", "2星期二", "3星期三", "4星期四", "5星期五", "6星期六"};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

ClockFields parseThree(std::string_view text, char sep) {
    text = text.substr(0, 20);
    ClockFields out;
    std::size_t start = 0;
    while (out.count < 3 && start <= text.size()) {
        const std::size_t end = std::min(text.find(sep, start), text.size());
        if (!readDecimal(text.substr(start, end - start), out.value[out.count])) break;
        ++out.count;
        start = end + 1;
    }
    return out;
}

}  // namespace

std::uint8_t sourceCodeOf(std::string_view name) {
    for (const SourceInfo& source : kSources)
        if (source.name == name) return source.code;
    return kNoIndex;
}

std::string sourceFieldText(std::int32_t code) {
    return std::to_string(static_cast<int>(static_cast<std::int8_t>(code & 0xFF)));
}

std::string_view weekdayName(int index, PlanLanguage language) {
    if (index < 0 || index > 6) return {};
    return language == PlanLanguage::Chinese ? kWeekdayChinese[index] : kWeekdayEnglish[index];
}

std::uint8_t weekdayIndexOf(std::string_view name) {
    for (std::uint8_t i = 0; i < 7; ++i)
        if (kWeekdayEnglish[i] == name || kWeekdayChinese[i] == name) return i;
    return kNoIndex;
}

std::vector<std::string> splitFields(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) {
            pieces.emplace_back(text.substr(start));
            return pieces;
        }
        pieces.emplace_back(text.substr(start, comma - start));
        start = comma + 1;
    }
}

bool readDecimal(std::string_view text, int& value) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long number = 0;
    const std::size_t digits = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (number <= std::numeric_limits<int>::max()) number = number * 10 + (text[i] - '0');
    if (i == digits) return false;
    if (negative) number = -number;
    value = static_cast<int>(std::clamp<long long>(number, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
    return true;
}

ClockFields parseClock(std::string_view text) {
    return parseThree(text, ':');
}

ClockFields parseDate(std::string_view text) {
    return parseThree(text, '-');
}

}  // namespace tvq

#pragma once
// The small texts of plans: source and weekday names, the fields of a plan file value, and
// clock and date texts.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tvq {

enum class PlanLanguage { English, Chinese };

inline constexpr std::uint8_t kNoIndex = 255;  // written "-1"

// Exact inverse of sourceName() (core/link/sources.h) on the ten names; 255 for any other text.
std::uint8_t sourceCodeOf(std::string_view name);

// "%d" of the code taken as a signed 8-bit value, so 255 is written "-1".
std::string sourceFieldText(std::int32_t code);

// "0Sun".."6Sat" or "0星期日".."6星期六"; empty above 6.
std::string_view weekdayName(int index, PlanLanguage language);
// Either language's names, exact match: 0..6, or 255.
std::uint8_t weekdayIndexOf(std::string_view name);

// Trims blanks at both ends of the whole text, then cuts at every comma; empty pieces count.
std::vector<std::string> splitFields(std::string_view text);

// Up to three numbers cut at sep from the first 20 characters, each read like "%d" (leading
// blanks, a sign). count is how many of the first three pieces held a number, stopping at the
// first that did not.
struct ClockFields {
    std::array<int, 3> value{};
    int count = 0;
};
ClockFields parseClock(std::string_view text);  // hour, minute, second
ClockFields parseDate(std::string_view text);   // year, month, day

// A whole decimal number at the start of text like "%d": blanks, sign, digits; saturates.
// Returns false when there are no digits.
bool readDecimal(std::string_view text, int& value);

}  // namespace tvq

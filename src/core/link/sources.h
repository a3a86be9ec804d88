#pragma once
// Source codes, their names and group letters.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tvq {

inline constexpr std::uint8_t kNoSource = 0xFF;  // nothing reported yet

struct SourceInfo {
    std::uint8_t code;
    std::string_view name;
    char group;  // 'A'..'E'
};

// The ten real sources, in the panel's left-to-right order.
inline constexpr std::array<SourceInfo, 10> kSources{{
    {0, "V1", 'A'},
    {1, "V2", 'A'},
    {2, "V3", 'A'},
    {4, "S-VIDEO", 'A'},
    {7, "DVI", 'B'},
    {8, "HDMI", 'B'},
    {5, "VGA1", 'C'},
    {6, "VGA2", 'C'},
    {9, "EXT.", 'D'},
    {10, "YPbPr", 'E'},
}};

// True for 0, 1, 2 and 4..10; 3 and anything above 10 name no source.
constexpr bool isSourceCode(unsigned code) {
    return code <= 10 && code != 3;
}

// Group letter of a code, 0 for codes that name no source.
char sourceGroup(unsigned code);

// Name of a code, empty for codes that name no source.
std::string_view sourceName(unsigned code);

// Code of a name (case-insensitive, "EXT" and "SVIDEO" accepted) or of a decimal code.
std::optional<std::uint8_t> parseSource(std::string_view text);

}  // namespace tvq

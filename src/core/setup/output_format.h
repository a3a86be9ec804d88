#pragma once
// The processor's output formats: the list texts and the resolution each one gives.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tvq::setup {

struct Resolution {
    int width = 1024;
    int height = 768;
    friend bool operator==(const Resolution&, const Resolution&) = default;
};

struct OutputFormat {
    std::string_view text;  // as the output format list shows it
    Resolution resolution;
};

// Indexed by the format number that page 3 reports. Entries 2 and 3 read the same on purpose:
// the processor lists the format twice.
inline constexpr std::array<OutputFormat, 10> kOutputFormats{{
    {"1024X768@60Hz", {1024, 768}},
    {"1024x768@75Hz", {1024, 768}},
    {"1280x1024@60Hz", {1280, 1024}},
    {"1280x1024@60Hz", {1280, 1024}},
    {"1600x1200@60Hz", {1600, 1200}},
    {"1920x1080@50Hz", {1920, 1080}},
    {"1920x1080@60Hz", {1920, 1080}},
    {"1366x768@60Hz", {1366, 768}},
    {"1440x900@60Hz", {1440, 900}},
    {"2048x1152@60Hz", {2048, 1152}},
}};

// The resolution before any read-back has reported a format.
inline constexpr Resolution kDefaultResolution{1024, 768};

// Resolution of a format index; none for an index outside the table (the caller keeps its own).
constexpr std::optional<Resolution> formatResolution(unsigned index) {
    if (index >= kOutputFormats.size()) return std::nullopt;
    return kOutputFormats[index].resolution;
}

}  // namespace tvq::setup

#pragma once
// The checks a setting passes before anything is sent, with the refusal the operator sees.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/platform/messages.h"
#include "core/setup/output_format.h"
#include "core/setup/window_rect.h"

namespace tvq::setup {

// A field's text as a number: optional spaces, an optional sign, decimal digits, optional
// spaces. Anything else (empty, letters, "12abc") gives none, which every check refuses as out
// of range rather than reading it as 0 and sending that. Numbers too large for 32 bits are held
// at the 32-bit limits, which every check also refuses.
std::optional<std::int32_t> parseFieldValue(std::string_view text);

enum class CheckOutcome {
    Ok,
    OutOfRange,  // "Value out  of range"; the field is emptied (rectangles) or set to 0 (levels)
    Odd,         // "The input value must be even, and can not be odd"; the field stays as typed
};

MessageId refusalMessage(CheckOutcome outcome);  // None for Ok

inline constexpr std::int32_t kMinRectSize = 64;

struct RectCheck {
    CheckOutcome outcome = CheckOutcome::Ok;
    RectField field = RectField::Width;  // the field refused, when not Ok
    WindowRect rect;                     // the values, when Ok
};

// The range checks in the order width, horizontal start, height, vertical start, then the even
// check over the same order. Texts are the four fields in that order.
RectCheck checkRect(const std::array<std::optional<std::int32_t>, 4>& values, Resolution output);
RectCheck checkRectTexts(const std::array<std::string_view, 4>& texts, Resolution output);

// Single-byte picture settings.
enum class Level { Brightness, Saturation, Bias };
inline constexpr std::int32_t kMaxBrightness = 64;  // and even
inline constexpr std::int32_t kMaxPercent = 100;    // saturation and bias

CheckOutcome checkLevel(Level level, std::optional<std::int32_t> value);

// Text key thresholds red, green, blue: 0..255. Index of the first one refused, if any.
std::optional<std::size_t> firstBadThreshold(
    const std::array<std::optional<std::int32_t>, 3>& values);

// Threshold arrows: red and blue move by 8, green by 4, never past 0..255.
enum class Channel { Red, Green, Blue };
enum class Direction { Up, Down };
constexpr int thresholdStep(Channel channel) {
    return channel == Channel::Green ? 4 : 8;
}
struct StepResult {
    int value = 0;                        // the new value, or the old one when refused
    MessageId refusal = MessageId::None;  // CannotAdjustUp / CannotAdjustDown
};
StepResult stepThreshold(int value, Channel channel, Direction direction);

// Audio lists: ten entries V1 V2 V3 S-VIDEO VGA1 VGA2 DVI HDMI EXT. YPBPR, the source codes with 3
// left out.
inline constexpr std::array<std::string_view, 10> kAudioEntries{
    "V1", "V2", "V3", "S-VIDEO", "VGA1", "VGA2", "DVI", "HDMI", "EXT.", "YPBPR"};
std::uint8_t audioCodeOfPosition(std::size_t position);  // position 0..9
// The list position of a reported code; none for codes that name no source (3, above 10), so the
// list keeps its entry instead of showing a wrong one.
std::optional<std::size_t> audioPositionOfCode(unsigned code);

// Both lists may not show the same entry: after the `changed` list moved onto the other's entry
// it moves to the first entry, or to the second if it already was on the first.
struct AudioCorrection {
    std::size_t position = 0;  // where the changed list ends up
    bool refused = false;      // show SameAudioChannel
};
AudioCorrection sameChannelRule(std::size_t changed, std::size_t other);

// Hot spare check boxes to and from the page-5 bit mask.
std::uint8_t hotSpareBits(const std::array<bool, 4>& marks);

}  // namespace tvq::setup

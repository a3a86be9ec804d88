#include "core/setup/setup_checks.h"

#include <cstdlib>
#include <limits>

#include "core/link/sources.h"

namespace tvq::setup {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t';
}

// Range check of one rectangle axis: size S with start P inside `limit`.
bool sizeFits(std::int64_t size, std::int64_t start, std::int64_t limit) {
    return size <= limit && size >= kMinRectSize && size + std::llabs(start) <= limit;
}
bool startFits(std::int64_t start, std::int64_t size, std::int64_t limit) {
    return start <= limit && start >= 0 && start + std::llabs(size) <= limit;
}

}  // namespace

std::optional<std::int32_t> parseFieldValue(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = std::min<std::int64_t>(value * 10 + (c - '0'), kLimit);
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

MessageId refusalMessage(CheckOutcome outcome) {
    switch (outcome) {
        case CheckOutcome::OutOfRange:
            return MessageId::ValueOutOfRange;
        case CheckOutcome::Odd:
            return MessageId::ValueMustBeEven;
        case CheckOutcome::Ok:
            break;
    }
    return MessageId::None;
}

RectCheck checkRect(const std::array<std::optional<std::int32_t>, 4>& values, Resolution output) {
    const auto refuse = [](CheckOutcome outcome, std::size_t field) {
        return RectCheck{outcome, static_cast<RectField>(field), {}};
    };
    for (std::size_t i = 0; i < values.size(); ++i)
        if (!values[i]) return refuse(CheckOutcome::OutOfRange, i);
    const std::int64_t w = *values[0], x = *values[1], h = *values[2], y = *values[3];
    if (!sizeFits(w, x, output.width)) return refuse(CheckOutcome::OutOfRange, 0);
    if (!startFits(x, w, output.width)) return refuse(CheckOutcome::OutOfRange, 1);
    if (!sizeFits(h, y, output.height)) return refuse(CheckOutcome::OutOfRange, 2);
    if (!startFits(y, h, output.height)) return refuse(CheckOutcome::OutOfRange, 3);
    for (std::size_t i = 0; i < values.size(); ++i)
        if (*values[i] % 2 != 0) return refuse(CheckOutcome::Odd, i);
    return {CheckOutcome::Ok, RectField::Width, {*values[0], *values[1], *values[2], *values[3]}};
}

RectCheck checkRectTexts(const std::array<std::string_view, 4>& texts, Resolution output) {
    std::array<std::optional<std::int32_t>, 4> values;
    for (std::size_t i = 0; i < texts.size(); ++i) values[i] = parseFieldValue(texts[i]);
    return checkRect(values, output);
}

CheckOutcome checkLevel(Level level, std::optional<std::int32_t> value) {
    const std::int32_t max = level == Level::Brightness ? kMaxBrightness : kMaxPercent;
    if (!value || *value < 0 || *value > max) return CheckOutcome::OutOfRange;
    if (level == Level::Brightness && *value % 2 != 0) return CheckOutcome::Odd;
    return CheckOutcome::Ok;
}

std::optional<std::size_t> firstBadThreshold(
    const std::array<std::optional<std::int32_t>, 3>& values) {
    for (std::size_t i = 0; i < values.size(); ++i)
        if (!values[i] || *values[i] < 0 || *values[i] > 255) return i;
    return std::nullopt;
}

StepResult stepThreshold(int value, Channel channel, Direction direction) {
    const int step = thresholdStep(channel);
    if (direction == Direction::Up) {
        if (value + step > 255) return {value, MessageId::CannotAdjustUp};
        return {value + step, MessageId::None};
    }
    if (value - step < 0) return {value, MessageId::CannotAdjustDown};
    return {value - step, MessageId::None};
}

std::uint8_t audioCodeOfPosition(std::size_t position) {
    return static_cast<std::uint8_t>(position <= 2 ? position : position + 1);
}

std::optional<std::size_t> audioPositionOfCode(unsigned code) {
    if (!isSourceCode(code)) return std::nullopt;
    return code <= 2 ? code : code - 1;
}

AudioCorrection sameChannelRule(std::size_t changed, std::size_t other) {
    if (changed != other) return {changed, false};
    return {changed == 0 ? std::size_t{1} : std::size_t{0}, true};
}

std::uint8_t hotSpareBits(const std::array<bool, 4>& marks) {
    std::uint8_t bits = 0;
    for (std::size_t i = 0; i < marks.size(); ++i)
        if (marks[i]) bits = static_cast<std::uint8_t>(bits | (1u << i));
    return bits;
}

}  // namespace tvq::setup

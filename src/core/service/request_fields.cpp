#include "core/service/request_fields.h"

#include <cctype>

namespace tvq::service {
namespace {

const nlohmann::json* find(const nlohmann::json& request, std::string_view name) {
    const auto it = request.find(name);
    return it == request.end() || it->is_null() ? nullptr : &*it;
}

[[noreturn]] void bad(std::string_view name, std::string_view what) {
    throw BadRequest("\"" + std::string(name) + "\" " + std::string(what));
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::optional<std::int64_t> optionalInt(const nlohmann::json& request, std::string_view name,
                                        std::int64_t min, std::int64_t max) {
    const nlohmann::json* value = find(request, name);
    if (!value) return std::nullopt;
    if (!value->is_number_integer())
        bad(name,
            "must be a whole number from " + std::to_string(min) + " to " + std::to_string(max));
    // Unsigned values above the signed range are out of range too.
    if (value->is_number_unsigned() &&
        value->get<std::uint64_t>() > static_cast<std::uint64_t>(max))
        bad(name, "must be at most " + std::to_string(max));
    const std::int64_t number = value->get<std::int64_t>();
    if (number < min || number > max)
        bad(name, "must be from " + std::to_string(min) + " to " + std::to_string(max));
    return number;
}

std::int64_t intField(const nlohmann::json& request, std::string_view name, std::int64_t min,
                      std::int64_t max, std::optional<std::int64_t> fallback) {
    if (auto number = optionalInt(request, name, min, max)) return *number;
    if (!fallback) bad(name, "is missing");
    return *fallback;
}

bool boolField(const nlohmann::json& request, std::string_view name, bool fallback) {
    const nlohmann::json* value = find(request, name);
    if (!value) return fallback;
    if (!value->is_boolean()) bad(name, "must be true or false");
    return value->get<bool>();
}

std::optional<std::string> optionalString(const nlohmann::json& request, std::string_view name) {
    const nlohmann::json* value = find(request, name);
    if (!value) return std::nullopt;
    if (!value->is_string()) bad(name, "must be a string");
    return value->get<std::string>();
}

std::string stringField(const nlohmann::json& request, std::string_view name) {
    auto text = optionalString(request, name);
    if (!text) bad(name, "is missing");
    return *text;
}

std::uint8_t addressField(const nlohmann::json& request) {
    return static_cast<std::uint8_t>(intField(request, "address", 0, 255));
}

CommandFrame frameField(const nlohmann::json& request, std::string_view name) {
    std::string digits;
    for (char c : stringField(request, name))
        if (c != ' ') digits += c;
    if (digits.size() != 2 * kFrameSize) bad(name, "must hold 13 bytes in hex");
    CommandFrame frame{};
    for (std::size_t i = 0; i < kFrameSize; ++i) {
        const int high = hexDigit(digits[2 * i]);
        const int low = hexDigit(digits[2 * i + 1]);
        if (high < 0 || low < 0) bad(name, "must be hex, two digits a byte");
        frame[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return frame;
}

std::string hexText(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

nlohmann::json okAnswer(const nlohmann::json& id, nlohmann::json result) {
    nlohmann::json answer{{"class", "answer"}, {"id", id}, {"ok", true}};
    answer.update(result);
    return answer;
}

nlohmann::json errorAnswer(const nlohmann::json& id, std::string_view code,
                           std::string_view message) {
    return {{"class", "answer"}, {"id", id}, {"ok", false}, {"error", code}, {"message", message}};
}

}  // namespace tvq::service

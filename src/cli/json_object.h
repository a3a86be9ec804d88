#pragma once
// A flat builder for the one JSON object that --json prints; keys keep their insertion order.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tvq::cli {

class JsonObject {
public:
    JsonObject& addString(std::string_view key, std::string_view value);
    JsonObject& addNumber(std::string_view key, std::int64_t value);
    JsonObject& addBool(std::string_view key, bool value);
    JsonObject& addNull(std::string_view key);
    JsonObject& addObject(std::string_view key, const JsonObject& value);
    // An array of values that are JSON already (numbers, quoted strings, objects).
    JsonObject& addArray(std::string_view key, const std::vector<std::string>& items);
    // Appends the other object's fields after this one's.
    JsonObject& addFields(const JsonObject& other);

    std::string str() const { return "{" + body_ + "}"; }

private:
    void addRaw(std::string_view key, std::string_view json);
    std::string body_;
};

// A JSON string literal, quotes included.
std::string jsonQuote(std::string_view text);

}  // namespace tvq::cli

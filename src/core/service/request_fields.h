#pragma once
// Reading the fields of a request: each reader checks presence, type and range and throws
// BadRequest with a message naming the field, so a bad request is refused before it does
// anything.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "core/link/command_frame.h"

namespace tvq::service {

struct BadRequest : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A whole number in [min, max]; absent: the fallback, or BadRequest when there is none.
std::int64_t intField(const nlohmann::json& request, std::string_view name, std::int64_t min,
                      std::int64_t max, std::optional<std::int64_t> fallback = std::nullopt);
std::optional<std::int64_t> optionalInt(const nlohmann::json& request, std::string_view name,
                                        std::int64_t min, std::int64_t max);
bool boolField(const nlohmann::json& request, std::string_view name, bool fallback);
std::string stringField(const nlohmann::json& request, std::string_view name);
std::optional<std::string> optionalString(const nlohmann::json& request, std::string_view name);
std::uint8_t addressField(const nlohmann::json& request);
// 13 bytes as hex, with or without blanks between the bytes.
CommandFrame frameField(const nlohmann::json& request, std::string_view name = "frame");
// The hex of bytes without blanks ("0501170000...").
std::string hexText(const std::uint8_t* bytes, std::size_t count);

nlohmann::json okAnswer(const nlohmann::json& id, nlohmann::json result = nlohmann::json::object());
nlohmann::json errorAnswer(const nlohmann::json& id, std::string_view code,
                           std::string_view message);

}  // namespace tvq::service

#pragma once
// One line from a client of the chain service, turned into a request object or into the answer
// that refuses it. Whatever the bytes, the result is one of the two and nothing throws out.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace tvq::service {

// Longest request line taken, without its newline.
inline constexpr std::size_t kMaxRequestLine = 65536;
// Deeper nesting is refused before parsing: copying or printing such a value recurses once per
// level, and no request needs more than a few.
inline constexpr int kMaxRequestDepth = 64;

struct ParsedLine {
    // An object with a string "op" and an "id" that is a number, a string or null (absent).
    nlohmann::json request;
    // When the line is refused: {"class":"answer","id":..,"ok":false,"error":..,"message":..}.
    nlohmann::json error;

    bool ok() const { return error.is_null(); }
};

// `line` without its newline. Error codes: "too-long", "parse" (not JSON, not an object, or
// nested too deep; id null) and "bad-request" (no string "op", or an id that is neither a
// number nor a string; the id is echoed when it is usable).
ParsedLine parseRequestLine(std::string_view line);

// A JSON object (a request body of the web front end) under the same limits of size and depth
// as a line; nullopt and a one-line reason when it is not one.
std::optional<nlohmann::json> parseJsonObject(std::string_view text, std::string& error);

// The answer to a line over kMaxRequestLine, for a reader that stops gathering it early.
nlohmann::json tooLongAnswer();

// One line for the wire: compact, invalid UTF-8 replaced rather than thrown over, newline added.
std::string wireLine(const nlohmann::json& message);

}  // namespace tvq::service

#include "core/service/request_line.h"

#include <exception>

namespace tvq::service {
namespace {

using nlohmann::json;

// The deepest nesting of objects and arrays outside strings; stops counting past the limit.
int nestingDepth(std::string_view text) {
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > deepest) deepest = depth;
            if (deepest > kMaxRequestDepth) break;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return deepest;
}

json refusal(const json& id, std::string_view code, std::string message) {
    return {{"class", "answer"},
            {"id", id},
            {"ok", false},
            {"error", std::string(code)},
            {"message", std::move(message)}};
}

bool usableId(const json& id) {
    return id.is_null() || id.is_number() || id.is_string();
}

ParsedLine refuse(const json& id, std::string_view code, std::string message) {
    return {json(), refusal(id, code, std::move(message))};
}

ParsedLine check(json value) {
    if (!value.is_object()) return refuse(nullptr, "parse", "a request is one JSON object");
    const auto id = value.find("id");
    if (id != value.end() && !usableId(*id))
        return refuse(nullptr, "bad-request", "\"id\" must be a number or a string");
    const json idValue = id == value.end() ? json() : *id;
    const auto op = value.find("op");
    if (op == value.end()) return refuse(idValue, "bad-request", "no \"op\" given");
    if (!op->is_string() || op->get_ref<const std::string&>().empty())
        return refuse(idValue, "bad-request", "\"op\" must be a non-empty string");
    value["id"] = idValue;
    return {std::move(value), json()};
}

}  // namespace

json tooLongAnswer() {
    return refusal(nullptr, "too-long",
                   "line longer than " + std::to_string(kMaxRequestLine) + " bytes");
}

ParsedLine parseRequestLine(std::string_view line) {
    if (line.size() > kMaxRequestLine) return {json(), tooLongAnswer()};
    if (nestingDepth(line) > kMaxRequestDepth)
        return refuse(nullptr, "parse",
                      "nested deeper than " + std::to_string(kMaxRequestDepth) + " levels");
    try {
        return check(json::parse(line));
    } catch (const json::parse_error& e) {
        return refuse(nullptr, "parse", "not JSON: syntax error at byte " + std::to_string(e.byte));
    } catch (const std::exception&) {
        return refuse(nullptr, "parse", "not JSON");
    }
}

std::optional<json> parseJsonObject(std::string_view text, std::string& error) {
    const ParsedLine parsed = parseRequestLine(text);
    // The line's own refusals, without the op and id that only lines need.
    if (!parsed.ok() && parsed.error["error"] != "bad-request") {
        error = parsed.error["message"];
        return std::nullopt;
    }
    json value = json::parse(text, nullptr, false);
    if (!value.is_object()) {
        error = "the body must be one JSON object";
        return std::nullopt;
    }
    return value;
}

std::string wireLine(const json& message) {
    std::string line = message.dump(-1, ' ', false, json::error_handler_t::replace);
    line += '\n';
    return line;
}

}  // namespace tvq::service

#include "cli/json_object.h"

#include <cstdio>

namespace tvq::cli {

std::string jsonQuote(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

void JsonObject::addRaw(std::string_view key, std::string_view json) {
    if (!body_.empty()) body_ += ',';
    body_ += jsonQuote(key);
    body_ += ':';
    body_ += json;
}

JsonObject& JsonObject::addString(std::string_view key, std::string_view value) {
    addRaw(key, jsonQuote(value));
    return *this;
}

JsonObject& JsonObject::addNumber(std::string_view key, std::int64_t value) {
    addRaw(key, std::to_string(value));
    return *this;
}

JsonObject& JsonObject::addBool(std::string_view key, bool value) {
    addRaw(key, value ? "true" : "false");
    return *this;
}

JsonObject& JsonObject::addNull(std::string_view key) {
    addRaw(key, "null");
    return *this;
}

JsonObject& JsonObject::addObject(std::string_view key, const JsonObject& value) {
    addRaw(key, value.str());
    return *this;
}

JsonObject& JsonObject::addArray(std::string_view key, const std::vector<std::string>& items) {
    std::string json = "[";
    for (std::size_t i = 0; i < items.size(); ++i) json += (i ? "," : "") + items[i];
    addRaw(key, json + "]");
    return *this;
}

JsonObject& JsonObject::addFields(const JsonObject& other) {
    if (!body_.empty() && !other.body_.empty()) body_ += ',';
    body_ += other.body_;
    return *this;
}

}  // namespace tvq::cli

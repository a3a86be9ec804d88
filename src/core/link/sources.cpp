#include "core/link/sources.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>

namespace tvq {
namespace {

const SourceInfo* findCode(unsigned code) {
    auto it = std::find_if(kSources.begin(), kSources.end(),
                           [code](const SourceInfo& s) { return s.code == code; });
    return it == kSources.end() ? nullptr : &*it;
}

// Upper case without '.', '-' and blanks, so "s-video", "SVIDEO" and "ext" all match.
std::string squeeze(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '.' || c == '-' || c == ' ') continue;
        out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

char sourceGroup(unsigned code) {
    const SourceInfo* s = findCode(code);
    return s ? s->group : 0;
}

std::string_view sourceName(unsigned code) {
    const SourceInfo* s = findCode(code);
    return s ? s->name : std::string_view{};
}

std::optional<std::uint8_t> parseSource(std::string_view text) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc{} && end == text.data() + text.size()) {
        if (isSourceCode(value)) return static_cast<std::uint8_t>(value);
        return std::nullopt;
    }
    const std::string wanted = squeeze(text);
    for (const SourceInfo& s : kSources)
        if (squeeze(s.name) == wanted) return s.code;
    return std::nullopt;
}

}  // namespace tvq

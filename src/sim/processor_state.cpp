#include "sim/processor_state.h"

#include "core/setup/output_format.h"

namespace tvq::sim {

std::uint8_t ProcessorState::pictureMode() const {
    const bool subSignal = hasSignal(subSource);
    if (pip) return subSignal ? 3 : 1;
    if (text) return subSignal ? 5 : 4;
    return 0;
}

bool ProcessorState::setOutputFormat(std::uint8_t index) {
    const auto resolution = setup::formatResolution(index);
    if (!resolution) return false;
    outputFormat = index;
    outputRect = {0, static_cast<std::uint16_t>(resolution->width), 0,
                  static_cast<std::uint16_t>(resolution->height)};
    return true;
}

std::optional<std::uint32_t> parsePageSet(std::string_view text) {
    if (text == "none") return 0u;
    std::uint32_t pages = 0;
    const auto number = [](std::string_view t) -> std::optional<unsigned> {
        if (t.empty() || t.size() > 2) return std::nullopt;
        unsigned n = 0;
        for (char c : t) {
            if (c < '0' || c > '9') return std::nullopt;
            n = n * 10 + static_cast<unsigned>(c - '0');
        }
        return n < 32 ? std::optional<unsigned>(n) : std::nullopt;
    };
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const std::size_t dash = item.find('-');
        const auto first = number(item.substr(0, dash));
        const auto last = dash == std::string_view::npos ? first : number(item.substr(dash + 1));
        if (!first || !last || *first > *last) return std::nullopt;
        for (unsigned p = *first; p <= *last; ++p) pages |= 1u << p;
        if (comma == std::string_view::npos) return pages;
        text.remove_prefix(comma + 1);
    }
}

ProcessorState defaultState(std::uint8_t address) {
    ProcessorState s;
    s.address = address;
    const Rect full{0, 1024, 0, 768};
    const std::array<Rect, kPipModes> corners{{
        {0, 512, 0, 384},      // M1 top left
        {512, 512, 0, 384},    // M2 top right
        {0, 512, 384, 384},    // M3 bottom left
        {512, 512, 384, 384},  // M4 bottom right
    }};
    s.mainRect.fill(full);
    s.pipRect = corners;
    return s;
}

}  // namespace tvq::sim

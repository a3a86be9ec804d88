// Random byte streams, cut into random pieces at random times, through a whole exchange.
//
// Input: [mode][timeout/100][piece...] where each piece is [length 0..15][delay ms][bytes].

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/link/device_link.h"
#include "support/scripted_link.h"

namespace {

using tvq::ByteLink;
using tvq::CommandFrame;
using tvq::Millis;

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    bool more() const { return at < size; }
    std::uint8_t next() { return at < size ? data[at++] : 0; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{data, size};
    const auto kind = (in.next() & 1) ? ByteLink::Kind::Serial : ByteLink::Kind::Network;
    const int timeoutMs = (in.next() % 30) * 100;

    tvq::FakeClock clock;
    auto owned = std::make_unique<tvq::test::ScriptedLink>(clock, kind);
    auto& line = *owned;
    std::vector<tvq::test::Piece> pieces;
    Millis at{0};
    while (in.more()) {
        const std::size_t length = in.next() % 16;
        at += Millis{in.next()};
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < length && in.more(); ++i) bytes.push_back(in.next());
        if (!bytes.empty()) pieces.push_back({at, std::move(bytes)});
    }
    line.script(pieces);

    tvq::DeviceLink link(clock);
    link.attach(std::move(owned));
    CommandFrame reply;
    reply.fill(0xEE);
    const CommandFrame untouched = reply;
    const int result = link.exchangeFrame(tvq::pageQuery(1), reply, timeoutMs);

    if (result != 0 && result != 13) std::abort();
    if (result == 0 && reply != untouched) std::abort();
    // Never longer than the time-out plus one try for a partial reply and the pause.
    if (clock.elapsed() > Millis{timeoutMs} + Millis{100} + Millis{200}) std::abort();
    return 0;
}

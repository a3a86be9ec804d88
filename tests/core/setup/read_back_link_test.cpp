// The read-back over a real DeviceLink on a scripted serial line: replies in pieces, a silent
// page, and the broadcast address, on virtual time.

#include <gtest/gtest.h>

#include <map>

#include "core/link/commands.h"
#include "core/link/device_link.h"
#include "core/setup/read_back.h"
#include "core/setup/setup_frames.h"
#include "support/scripted_link.h"

namespace tvq::setup {
namespace {

using test::Piece;
using test::ScriptedLink;

struct SerialRig {
    FakeClock clock;
    DeviceLink link{clock};
    ScriptedLink* line = nullptr;
    std::map<std::uint8_t, std::vector<Piece>> replies;  // page -> how its reply arrives

    SerialRig() {
        auto owned = std::make_unique<ScriptedLink>(clock, ByteLink::Kind::Serial);
        line = owned.get();
        link.attach(std::move(owned));
    }
    ExchangeFn exchange() {
        return [this](const CommandFrame& frame, CommandFrame& reply, std::int32_t timeoutMs,
                      std::stop_token stop) {
            if (const auto it = replies.find(frame[3]); it != replies.end())
                line->script(it->second);
            return link.exchangeFrame(frame, reply, timeoutMs, stop);
        };
    }
};

std::vector<std::uint8_t> bytes(const CommandFrame& f, std::size_t from, std::size_t to) {
    return {f.begin() + static_cast<std::ptrdiff_t>(from),
            f.begin() + static_cast<std::ptrdiff_t>(to)};
}

TEST(ReadBackOverLink, SplitRepliesAreGatheredASilentPageCostsItsTimeout) {
    SerialRig rig;
    for (std::uint8_t page : {3, 0, 1, 4, 5, 6}) {
        const CommandFrame f = makeFrame(1, cmd::kReadPage, {page == 3 ? std::uint8_t{5} : page});
        rig.replies[page] = {{Millis{30}, bytes(f, 0, 6)}, {Millis{140}, bytes(f, 6, 13)}};
    }
    const ReadBackResult r = readBack(rig.exchange(), 1, rig.clock, {});
    ASSERT_TRUE(r.settings.output);
    EXPECT_EQ(r.settings.output->formatIndex, 5);
    EXPECT_FALSE(r.settings.pip);  // page 2 never answered
    EXPECT_TRUE(r.settings.input && r.settings.picture && r.settings.textKey);
    EXPECT_EQ(rig.line->written().size(), 7u);
    // Six answered pages: taken when the last piece lands (140 ms) plus the 200 ms rest;
    // page 2: its whole 5000 ms; six pauses between pages.
    EXPECT_EQ(rig.clock.elapsed(), Millis{6 * (140 + 200) + 5000 + 6 * 200});
}

TEST(ReadBackOverLink, BroadcastAddressReadsNothingAndEverySaveFails) {
    SerialRig rig;
    rig.link.setDeviceAddress(0);
    const ReadBackResult r = readBack(rig.exchange(), 0, rig.clock, {});
    EXPECT_FALSE(r.settings.output);
    EXPECT_EQ(rig.line->written().size(), 1u);  // page 3 went out; nothing waited for

    const CommandFrame save = rectFrame(0, RectTarget::Main, saveCodeOf(0), {1024, 0, 768, 0});
    CommandFrame reply{};
    const int result = rig.link.exchangeFrame(save, reply, kWriteTimeoutMs);
    EXPECT_EQ(judgeWrite(result, save, reply), WriteOutcome::Failed);
    EXPECT_EQ(englishText(writeMessage(WriteOutcome::Failed)), "Setup failed");
    EXPECT_EQ(rig.clock.elapsed(), Millis{0});
}

}  // namespace
}  // namespace tvq::setup

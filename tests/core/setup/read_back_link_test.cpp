// The read-back and a save over a real DeviceLink at the broadcast address: nothing is waited
// for, so nothing is read and every save fails.

#include <gtest/gtest.h>

#include "core/link/device_link.h"
#include "core/setup/read_back.h"
#include "core/setup/setup_frames.h"
#include "support/scripted_link.h"

namespace tvq::setup {
namespace {

TEST(ReadBackOverLink, BroadcastAddressReadsNothingAndEverySaveFails) {
    FakeClock clock;
    DeviceLink link(clock);
    auto owned = std::make_unique<test::ScriptedLink>(clock, ByteLink::Kind::Serial);
    const test::ScriptedLink& line = *owned;
    link.attach(std::move(owned));
    link.setDeviceAddress(0);
    const ExchangeFn exchange = [&](const CommandFrame& f, CommandFrame& r, std::int32_t t,
                                    std::stop_token s) { return link.exchangeFrame(f, r, t, s); };

    EXPECT_FALSE(readBack(exchange, 0, clock, {}).settings.output);
    EXPECT_EQ(line.written().size(), 1u);  // page 3 went out; nothing more

    const CommandFrame save = rectFrame(0, RectTarget::Main, saveCodeOf(0), {1024, 0, 768, 0});
    CommandFrame reply{};
    const int result = link.exchangeFrame(save, reply, kWriteTimeoutMs);
    EXPECT_EQ(judgeWrite(result, save, reply), WriteOutcome::Failed);
    EXPECT_EQ(clock.elapsed(), Millis{0});
}

}  // namespace
}  // namespace tvq::setup

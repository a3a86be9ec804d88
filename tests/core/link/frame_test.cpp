// Sources and the status layout.

#include <gtest/gtest.h>

#include "core/link/command_frame.h"
#include "core/link/sources.h"
#include "core/link/status_reply.h"

namespace tvq {
namespace {

// Names show in the client's status; the groups decide which presses the panel refuses.
TEST(Sources, GroupsAndParsing) {
    const std::pair<unsigned, char> groups[] = {{0, 'A'}, {4, 'A'},  {5, 'C'}, {7, 'B'},
                                                {9, 'D'}, {10, 'E'}, {3, 0},   {11, 0}};
    for (const auto& [code, group] : groups) EXPECT_EQ(sourceGroup(code), group) << code;
    EXPECT_EQ(parseSource("S-Video"), 4);
    EXPECT_EQ(parseSource("VGA3"), std::nullopt);
}

TEST(Status, RoundTripsAndChecksTheReply) {
    const CommandFrame reply = makeFrame(1, 23, {0, 3, 2, 0x05, 0x53, 1, 0, 3, 4});
    // Every field's decoding shows in the client's status text; here, that nothing is lost.
    EXPECT_EQ(encodeStatus(decodeStatus(reply)), reply);

    EXPECT_EQ(checkStatusReply(reply, 1), StatusCheck::Ok);
    EXPECT_EQ(checkStatusReply(reply, 2), StatusCheck::WrongAddress);
    EXPECT_EQ(checkStatusReply(makeFrame(1, 0x80, {}), 1), StatusCheck::WrongCommand);
    CommandFrame corrupt = reply;
    corrupt[12] ^= 0xFF;
    EXPECT_EQ(checkStatusReply(corrupt, 1), StatusCheck::BadCheckByte);
}

}  // namespace
}  // namespace tvq

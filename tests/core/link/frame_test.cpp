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

// Encoding shows in the simulator's pages, decoding in the client's status text, and a bad check
// byte or another address in the client's runs against the simulator, which never answers one
// command with another.
TEST(Status, AReplyToAnotherCommandIsRefused) {
    EXPECT_EQ(checkStatusReply(makeFrame(1, 0x80, {}), 1), StatusCheck::WrongCommand);
}

}  // namespace
}  // namespace tvq

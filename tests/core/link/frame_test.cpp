// Frame building, sources and the status layout.

#include <gtest/gtest.h>

#include "core/link/command_frame.h"
#include "core/link/sources.h"
#include "core/link/status_reply.h"

namespace tvq {
namespace {

TEST(Frame, CheckByteIsTheXorOfTheFirstTwelve) {
    EXPECT_EQ(pageQuery(1)[12], 19);
    EXPECT_EQ(makeFrame(0, 0x91, {50})[12], 0xA6);
    EXPECT_EQ(makeFrame(0, 0x80, {7})[12], 0x82);
    EXPECT_EQ(makeFrame(2, 0x96, {0, 0x02, 0x00, 0x02, 0x00, 0x00, 0x00, 0x03, 0x00})[12], 0x92);
    CommandFrame f = pageQuery(1);
    EXPECT_TRUE(checkByteOk(f));
    f[7] ^= 1;
    EXPECT_FALSE(checkByteOk(f));
    EXPECT_EQ(hexBytes(pageQuery(1)), "05 01 17 00 00 00 00 00 00 00 00 00 13");
}

TEST(Sources, CodesNamesAndGroups) {
    struct Case {
        unsigned code;
        const char* name;
        char group;
    };
    for (const Case c : {Case{0, "V1", 'A'}, Case{4, "S-VIDEO", 'A'}, Case{5, "VGA1", 'C'},
                         Case{7, "DVI", 'B'}, Case{9, "EXT.", 'D'}, Case{10, "YPbPr", 'E'},
                         Case{3, "", 0}, Case{11, "", 0}, Case{15, "", 0}}) {
        EXPECT_EQ(sourceName(c.code), c.name) << c.code;
        EXPECT_EQ(sourceGroup(c.code), c.group) << c.code;
    }
    EXPECT_EQ(parseSource("hdmi"), 8);
    EXPECT_EQ(parseSource("S-Video"), 4);
    EXPECT_EQ(parseSource("ext"), 9);
    EXPECT_EQ(parseSource("10"), 10);
    EXPECT_EQ(parseSource("3"), std::nullopt);
    EXPECT_EQ(parseSource("VGA3"), std::nullopt);
}

TEST(Status, DecodesEveryFieldAndChecksTheReply) {
    const CommandFrame reply = makeFrame(1, 23, {0, 3, 2, 0x05, 0x53, 1, 0, 3, 4});
    const StatusReport r = decodeStatus(reply);
    EXPECT_TRUE(r.pipActive());
    EXPECT_EQ(r.transition, 2);
    EXPECT_TRUE(r.freeze);
    EXPECT_FALSE(r.bypass);
    EXPECT_TRUE(r.mosaic);
    EXPECT_EQ(r.mainSource, 3);
    EXPECT_EQ(r.subSource, 5);
    EXPECT_TRUE(r.mainSignal);
    EXPECT_FALSE(r.subSignal);
    EXPECT_EQ(r.pipMode, 3);
    EXPECT_EQ(r.extType, 4);
    EXPECT_EQ(encodeStatus(r), reply);

    EXPECT_EQ(checkStatusReply(reply, 1), StatusCheck::Ok);
    EXPECT_EQ(checkStatusReply(reply, 2), StatusCheck::WrongAddress);
    EXPECT_EQ(checkStatusReply(makeFrame(1, 0x80, {}), 1), StatusCheck::WrongCommand);
    CommandFrame corrupt = reply;
    corrupt[12] ^= 0xFF;
    EXPECT_EQ(checkStatusReply(corrupt, 1), StatusCheck::BadCheckByte);
}

}  // namespace
}  // namespace tvq

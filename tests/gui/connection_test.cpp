#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string_view>

#include "gui/control/wait_box.h"
#include "gui/ui/indicator_lamp.h"
#include "gui/wall/cascade_dialog.h"
#include "gui/wall/simple_mosaic.h"
#include "gui_test_support.h"

using namespace guitest;
using Answer = MessageBoxes::Answer;

namespace {

void expectDisconnected(WindowRig& rig) {
    EXPECT_FALSE(rig.window->session().workersRunning());
    EXPECT_FALSE(rig.window->session().lineOpen());
    ASSERT_TRUE(waitFor([&] { return rig.get("connectButton")->isEnabled(); }));
    EXPECT_FALSE(rig.get("disconnectButton")->isEnabled());
    EXPECT_FALSE(rig.get("source:V1")->isEnabled());
}

// Disconnect and FastMS both hand the link back and return the panel to Connect.
TEST(GuiConnection, ConnectEnablesThePanelAndDisconnectOrFastMsReturn) {
    WindowRig rig;
    rig.open();
    rig.get<QLineEdit>("ipBox")->setText("192.0.2.7");
    rig.get<QLineEdit>("tcpPortBox")->setText("4001");
    for (const char* closer : {"disconnectButton", "fastMsButton"}) {
        SCOPED_TRACE(closer);
        rig.connect();
        EXPECT_EQ(rig.info(), "Communications equipment normal");
        EXPECT_FALSE(rig.get("connectButton")->isEnabled());
        EXPECT_TRUE(rig.get("source:HDMI")->isEnabled());
        EXPECT_TRUE(rig.get<IndicatorLamp>("lamp:V1")->isLit());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);  // the wait box has gone
        // FastMS returns once its screen is closed; the workers have stopped by then.
        if (std::string_view(closer) == "fastMsButton")
            onNextModal<CSimpleMosaic>([&rig](CSimpleMosaic* screen) {
                EXPECT_FALSE(rig.window->session().workersRunning());
                screen->close();
            });
        rig.click(closer);
        expectDisconnected(rig);
        if (std::string_view(closer) == "fastMsButton") {  // nothing watches the device now
            EXPECT_TRUE(waitFor([&] {
                return rig.info() == "Link closed: press Connect to reach the device again";
            }));
            EXPECT_EQ(rig.get("lamp:V1")->accessibleDescription(), "unknown");
        }
    }
    ASSERT_EQ(rig.opened.size(), 2u);
    EXPECT_FALSE(rig.opened[0].useSerial);
    EXPECT_EQ(rig.opened[0].ipText, "192.0.2.7");
    EXPECT_EQ(rig.opened[0].portText, "4001");
    std::stringstream saved;  // by Connect, before the job started
    saved << std::ifstream(rig.settings).rdbuf();
    for (const char* entry : {"IP=192.0.2.7", "Port=4001", "DeviceID=1", "ConnectFlag=0"})
        EXPECT_NE(saved.str().find(entry), std::string::npos) << saved.str();
}

TEST(GuiConnection, PortOutOfRangeGetsItsOwnBoxInTheLanguageOfTheMoment) {
    WindowRig rig;
    rig.linkFails = true;
    rig.failure = tvq::ConnectOutcome::PortOutOfRange;
    rig.open();
    rig.click("connectButton");
    rig.click("chineseRadio");
    rig.click("connectButton");
    ASSERT_EQ(rig.boxes.shown.size(), 2u);
    EXPECT_EQ(rig.boxes.shown[0].text, "Port out of range，range is 0~65535");
    EXPECT_EQ(rig.boxes.shown[1].text, "端口号超出范围,范围是0~65535");
    EXPECT_TRUE(rig.get("connectButton")->isEnabled());
}

// No or Cancel to the address 0 question does nothing at all. After Yes and the wait box the
// cascade dialog opens, whether or not the link opened; closing it brings Connect back.
TEST(GuiConnection, AddressZeroAsksThenOpensTheCascadeAfterTheWaitBox) {
    for (const bool linkOpens : {true, false}) {
        SCOPED_TRACE(linkOpens);
        WindowRig rig;
        rig.linkFails = !linkOpens;
        rig.open();
        rig.click("addressRadio0");
        rig.boxes.answers = {Answer::No, Answer::Cancel, Answer::Yes};
        std::optional<bool> disconnectOnMeanwhile;  // set once the cascade is up
        onNextModal<CJilian>([&](CJilian* cascade) {
            QApplication::processEvents();
            disconnectOnMeanwhile = rig.get("disconnectButton")->isEnabled();
            cascade->reject();
        });
        rig.click("connectButton");
        rig.click("connectButton");
        ASSERT_TRUE(rig.opened.empty());
        EXPECT_FALSE(std::filesystem::exists(rig.settings));
        rig.click("connectButton");
        EXPECT_EQ(rig.boxes.shown.size(), 3u);
        EXPECT_EQ(disconnectOnMeanwhile, linkOpens);
        EXPECT_EQ(rig.opened.size(), 1u);
        expectDisconnected(rig);
    }
}

TEST(GuiWaitBox, ClosesWhenTheJobEndsBeforeOrAfterItShowsButNotOnEsc) {
    CProgress box;
    box.finish();
    EXPECT_EQ(box.exec(), QDialog::Accepted);
    box.rearm();  // the next job ends while the box shows, after an Esc it ignores
    QTimer::singleShot(20, &box, [&] { box.finish(); });
    QTimer::singleShot(10, &box, [&] { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
}

}  // namespace

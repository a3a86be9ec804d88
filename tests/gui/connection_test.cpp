#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "gui/control/wait_box.h"
#include "gui/ui/indicator_lamp.h"
#include "gui/wall/cascade_dialog.h"
#include "gui_test_support.h"

using guitest::waitFor;
using guitest::WindowRig;
using Answer = MessageBoxes::Answer;

namespace {

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path) << text;
}

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

TEST(GuiConnection, ConnectEnablesThePanelAndDisconnectReturns) {
    WindowRig rig;
    auto& w = rig.open();
    rig.get<QLineEdit>("ipBox")->setText("192.0.2.7");
    rig.get<QLineEdit>("tcpPortBox")->setText("4001");
    rig.connect();

    ASSERT_EQ(rig.opened.size(), 1u);
    EXPECT_FALSE(rig.opened[0].useSerial);
    EXPECT_EQ(rig.opened[0].ipText, "192.0.2.7");
    EXPECT_EQ(rig.opened[0].portText, "4001");
    EXPECT_EQ(rig.info(), "Communications equipment normal");
    EXPECT_FALSE(rig.get("connectButton")->isEnabled());
    EXPECT_TRUE(rig.get("source:HDMI")->isEnabled());
    EXPECT_TRUE(rig.get<IndicatorLamp>("lamp:V1")->isLit());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);  // the wait box has gone

    // Connect saved the settings before the job started.
    const std::string saved = fileText(rig.settings);
    EXPECT_TRUE(contains(saved, "IP=192.0.2.7")) << saved;
    EXPECT_TRUE(contains(saved, "Port=4001"));
    EXPECT_TRUE(contains(saved, "DeviceID=1"));
    EXPECT_TRUE(contains(saved, "ConnectFlag=0"));

    rig.click("disconnectButton");
    EXPECT_FALSE(w.session().workersRunning());
    EXPECT_FALSE(w.session().link().isOpen());
    ASSERT_TRUE(waitFor([&] { return rig.get("connectButton")->isEnabled(); }));
    EXPECT_FALSE(rig.get("disconnectButton")->isEnabled());
    EXPECT_FALSE(rig.get("source:V1")->isEnabled());
}

TEST(GuiConnection, SerialChoiceSendsThePortBoxText) {
    WindowRig rig;
    rig.open();
    rig.click("serialRadio");
    rig.get<QComboBox>("portList")->setCurrentText("/dev/pts/7");
    rig.connect();
    ASSERT_EQ(rig.opened.size(), 1u);
    EXPECT_TRUE(rig.opened[0].useSerial);
    EXPECT_EQ(rig.opened[0].portName, "/dev/pts/7");
}

TEST(GuiConnection, AbsentDeviceLeavesThePanelDisconnected) {
    WindowRig rig;
    rig.device.setStatusFault(tvq::test::FakeDevice::Fault::WrongCommand);
    auto& w = rig.open();
    rig.click("connectButton");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(waitFor([&] { return rig.info() == "Equipment connection failed"; }));
    EXPECT_TRUE(rig.get("connectButton")->isEnabled());
    EXPECT_FALSE(rig.get("disconnectButton")->isEnabled());
    EXPECT_FALSE(w.session().link().isOpen());
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
    EXPECT_EQ(rig.boxes.shown[0].title, "");  // the program's name stands in
    EXPECT_EQ(rig.boxes.shown[0].text, "Port out of range，range is 0~65535");
    EXPECT_EQ(rig.boxes.shown[1].text, "端口号超出范围,范围是0~65535");
    EXPECT_TRUE(rig.get("connectButton")->isEnabled());
}

TEST(GuiConnection, AddressZeroAskedNoDoesNothingAtAll) {
    WindowRig rig;
    rig.open();
    rig.click("addressRadio0");
    for (Answer answer : {Answer::No, Answer::Cancel}) {
        rig.boxes.answers = {answer};
        rig.click("connectButton");
    }
    ASSERT_EQ(rig.boxes.shown.size(), 2u);
    EXPECT_EQ(rig.boxes.shown[0].title, "System Information ");
    EXPECT_EQ(rig.boxes.shown[0].text,
              "Select address 0 set even the state, the software will not be able to display the "
              "status of each machine, whether to continue.?");
    EXPECT_TRUE(rig.opened.empty());
    EXPECT_FALSE(std::filesystem::exists(rig.settings));
}

// After the wait box the cascade dialog opens, whether or not the link opened; closing it
// closes the link and brings Connect back.
class GuiAddressZero : public testing::TestWithParam<bool> {};

TEST_P(GuiAddressZero, OpensTheCascadeAfterTheWaitBox) {
    const bool linkOpens = GetParam();
    WindowRig rig;
    rig.linkFails = !linkOpens;
    auto& w = rig.open();
    rig.click("addressRadio0");
    rig.boxes.answers = {Answer::Yes};
    bool cascadeSeen = false;
    bool disconnectOnMeanwhile = false;
    guitest::onNextModal<CJilian>([&](CJilian* cascade) {
        cascadeSeen = true;
        QApplication::processEvents();
        disconnectOnMeanwhile = rig.get("disconnectButton")->isEnabled();
        cascade->reject();
    });
    rig.click("connectButton");

    EXPECT_TRUE(cascadeSeen);
    EXPECT_EQ(disconnectOnMeanwhile, linkOpens);
    EXPECT_EQ(rig.opened.size(), 1u);
    EXPECT_FALSE(w.session().link().isOpen());
    EXPECT_FALSE(w.session().workersRunning());
    EXPECT_EQ(rig.device.count(tvq::cmd::kReadPage), 0u);  // no status query at address 0
    ASSERT_TRUE(waitFor([&] { return rig.get("connectButton")->isEnabled(); }));
    EXPECT_FALSE(rig.get("disconnectButton")->isEnabled());
    EXPECT_FALSE(rig.get("source:V1")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Gui, GuiAddressZero, testing::Bool(),
                         [](const auto& info) { return info.param ? "LinkOpens" : "LinkFails"; });

TEST(GuiConnection, TransitionRadiosShowWhatTheDeviceReports) {
    WindowRig rig;
    auto status = guitest::plainStatus();
    status.transition = 1;
    rig.device.setStatus(1, status);
    rig.open();
    rig.connect();
    auto* fade05 = rig.get<QRadioButton>("transition1");
    auto* fade15 = rig.get<QRadioButton>("transition3");
    ASSERT_TRUE(waitFor([&] { return fade05->isChecked(); }));

    rig.click("transition3");
    EXPECT_TRUE(waitFor([&] { return rig.device.count(tvq::cmd::kTransition) == 1; }));
    // The device still reports Fade=0.5S, so that is what stays marked.
    EXPECT_TRUE(waitFor([&] { return fade05->isChecked() && !fade15->isChecked(); }));
    const auto sent = rig.device.sent();
    const auto it = std::find_if(sent.begin(), sent.end(),
                                 [](const auto& s) { return s.frame[2] == tvq::cmd::kTransition; });
    ASSERT_NE(it, sent.end());
    EXPECT_EQ(it->frame[1], 1);
    EXPECT_EQ(it->frame[3], 3);
}

TEST(GuiSettings, LinkRadiosSaveAtOnceAndSwitchTheBoxes) {
    WindowRig rig;
    rig.open();
    rig.click("serialRadio");
    EXPECT_TRUE(contains(fileText(rig.settings), "SerialTcp=1"));
    EXPECT_FALSE(rig.get("ipBox")->isEnabled());
    EXPECT_FALSE(rig.get("tcpPortBox")->isEnabled());
    EXPECT_TRUE(rig.get("portList")->isEnabled());

    rig.click("networkRadio");
    EXPECT_TRUE(contains(fileText(rig.settings), "SerialTcp=0"));
    EXPECT_TRUE(rig.get("ipBox")->isEnabled());
    EXPECT_FALSE(rig.get("portList")->isEnabled());
}

TEST(GuiSettings, StartTimerBoxOnlyWithAutoConnectAndBothSave) {
    WindowRig rig;
    rig.open();
    rig.click("autoConnectBox");
    EXPECT_TRUE(rig.get("startTimerBox")->isEnabled());
    EXPECT_TRUE(contains(fileText(rig.settings), "ConnectFlag=1"));
    rig.click("startTimerBox");
    EXPECT_TRUE(contains(fileText(rig.settings), "StartTimerFlag=1"));
    rig.click("autoConnectBox");
    EXPECT_FALSE(rig.get("startTimerBox")->isEnabled());
    EXPECT_TRUE(contains(fileText(rig.settings), "ConnectFlag=0"));
    EXPECT_TRUE(rig.get<QCheckBox>("startTimerBox")->isChecked());
}

TEST(GuiSettings, AutoConnectUsesTheSavedAddressAndSavesNothing) {
    WindowRig rig;
    const std::string file =
        "[CONNECT]\nSerialTcp=0\nIP=127.0.0.1\nPort=4001\nConnectFlag=1\nStartTimerFlag=1\n"
        "DeviceID=3\n";
    writeFile(rig.settings, file);
    rig.device.setStatus(3, guitest::plainStatus());
    auto& w = rig.open();

    ASSERT_EQ(rig.opened.size(), 1u);
    EXPECT_EQ(rig.opened[0].ipText, "127.0.0.1");
    EXPECT_EQ(w.session().deviceAddress(), 3);
    EXPECT_TRUE(rig.get<QRadioButton>("addressRadio3")->isChecked());
    EXPECT_EQ(rig.get<QComboBox>("addressList")->currentIndex(), 3);
    EXPECT_TRUE(w.session().connected());
    EXPECT_TRUE(w.session().timerRunning());  // StartTimer started it
    EXPECT_TRUE(rig.boxes.shown.empty());     // no address question, no notice
    EXPECT_EQ(fileText(rig.settings), file);
}

TEST(GuiSettings, StartTimerWithoutAutoConnectStaysTickedButDisabled) {
    WindowRig rig;
    writeFile(rig.settings, "[CONNECT]\nConnectFlag=0\nStartTimerFlag=1\nDeviceID=3\n");
    auto& w = rig.open();
    EXPECT_TRUE(rig.get<QCheckBox>("startTimerBox")->isChecked());
    EXPECT_FALSE(rig.get("startTimerBox")->isEnabled());
    EXPECT_TRUE(rig.opened.empty());
    EXPECT_EQ(w.session().deviceAddress(), 1);
    EXPECT_FALSE(w.session().timerRunning());
}

TEST(GuiSettings, AutoConnectToAddressZeroOpensTheCascadeOnlyWhenReached) {
    for (const bool linkOpens : {true, false}) {
        WindowRig rig;
        rig.linkFails = !linkOpens;
        writeFile(rig.settings, "[CONNECT]\nConnectFlag=1\nDeviceID=256\n");
        bool cascadeSeen = false;
        if (linkOpens)
            guitest::onNextModal<CJilian>([&](CJilian* c) {
                cascadeSeen = true;
                c->reject();
            });
        auto& w = rig.open();
        EXPECT_EQ(cascadeSeen, linkOpens);
        EXPECT_EQ(w.session().deviceAddress(), 0);
        EXPECT_TRUE(rig.get<QRadioButton>("addressRadio0")->isChecked());
        EXPECT_FALSE(w.session().link().isOpen());
        EXPECT_TRUE(rig.boxes.shown.empty());
    }
}

TEST(GuiWaitBox, ClosesWhenTheJobEndsBeforeOrAfterItShows) {
    CProgress early;
    early.finish();
    EXPECT_EQ(early.exec(), QDialog::Accepted);  // returns at once instead of waiting forever
    EXPECT_FALSE(early.isVisible());

    CProgress late;
    QTimer::singleShot(20, &late, [&] { late.finish(); });
    EXPECT_EQ(late.exec(), QDialog::Accepted);
    EXPECT_FALSE(late.isVisible());

    // Esc does not dismiss it: only the job does.
    CProgress waiting;
    waiting.show();
    QTest::keyClick(&waiting, Qt::Key_Escape);
    EXPECT_TRUE(waiting.isVisible());
    waiting.finish();
    EXPECT_FALSE(waiting.isVisible());
    EXPECT_EQ(waiting.windowFlags() & Qt::FramelessWindowHint, Qt::FramelessWindowHint);
}

}  // namespace

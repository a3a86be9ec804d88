// The screen's device side against a FakeDevice: connect with its DVI preparation, Detect,
// both Sets, the mosaic mode and whole-wall programming.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <atomic>
#include <thread>

#include "gui/control/wait_box.h"
#include "gui/wall/wall_program_dialog.h"
#include "mosaic_rig.h"

using namespace walltest;
using S = CSimpleMosaic;
using tvq::CommandFrame;
using Fault = tvq::test::FakeDevice::Fault;

namespace {

// Screen at address 2, cell 001 of two 1024-wide screens at 1024 x 768: the input window X 512, W
// 512 goes out as documented; an accepted write clears that side's pending marks; a reply with a
// bad check byte leaves them.
TEST(FastMosaicDevice, SetWritesTheWindowAndClearsPending) {
    MosaicRig rig;
    rig.device.setStatus(2, wallReadyStatus());
    auto* list = rig.get<QComboBox>("addressList");
    list->setCurrentIndex(1);
    Q_EMIT list->activated(1);
    // An unanswered page read ends the connect at once, connected, keeping 1024 x 768.
    rig.device.setCommandFault(Fault::Silent);
    rig.click("connectButton");
    ASSERT_TRUE(rig.settle());
    ASSERT_TRUE(rig.screen->connected());
    rig.device.setCommandFault(Fault::None);
    rig.wallSize("1", "2");
    rig.selectCell(1);
    rig.click("autoCalcButton");
    const auto before = rig.device.sent().size();
    rig.click("inputSetButton");
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(rig.shownTexts(), QStringList{});
    EXPECT_EQ(rig.framesSentFrom(before),
              (std::vector{CommandFrame{5, 2, 0x96, 0, 0x02, 0x00, 0x02, 0x00, 0x00, 0x00, 0x03,
                                        0x00, 0x92}}));
    for (int f = 0; f < 16; ++f) EXPECT_EQ(rig.screen->pending(f), f >= 8) << f;
    EXPECT_TRUE(rig.actionsEnabled());
    // The outcome is told in words too, not only by the fields' colour.
    EXPECT_EQ(rig.get("inputSetButton")->accessibleDescription(), "Written to the device");

    rig.device.setCommandFault(Fault::BadCheckByte);
    rig.click("outputSetButton");
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(rig.framesSentFrom(before + 1).size(), 1u);
    for (int f = 8; f < 16; ++f) EXPECT_TRUE(rig.screen->pending(f)) << f;
    EXPECT_EQ(rig.shownTexts(), QStringList{});
    EXPECT_EQ(rig.get("outputSetButton")->accessibleDescription(),
              "Not written: the device did not accept it");
}

// Cancel while cell 001's first exchange is on the wire: that exchange ends, nothing more is
// sent, cell 000 stays done and the rest are reported cancelled.
TEST(FastMosaicDevice, CancelStopsAfterTheExchangeInFlight) {
    MosaicRig rig;
    rig.device.setStatus(2, wallReadyStatus());
    rig.device.setStatus(3, wallReadyStatus());
    rig.wallSize("1", "3");
    std::atomic<bool> reached{false}, release{false};
    rig.device.onFrame([&](const CommandFrame& f) {
        if (f[1] != 2 || reached.exchange(true)) return;
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    bool ran = false;
    guitest::onNextModal<CWallProgram>([&](CWallProgram* dialog) {
        guitest::clickOn(dialog->findChild<QPushButton*>("startButton"));
        EXPECT_TRUE(guitest::waitFor([&] { return reached.load(); }));
        guitest::clickOn(dialog->findChild<QPushButton*>("cancelButton"));
        const auto sentAtCancel = rig.device.sent().size();
        release = true;
        EXPECT_TRUE(guitest::waitFor([&] { return !dialog->running(); }));
        EXPECT_EQ(rig.device.sent().size(), sentAtCancel);
        EXPECT_EQ(dialog->summary().done, 1u);
        EXPECT_EQ(dialog->summary().cancelled, 2u);
        EXPECT_EQ(dialog->findChild<QLabel*>("summaryText")->text(),
                  "1 of 3 screens programmed, 0 failed, 2 cancelled.");
        ran = true;
        dialog->close();
    });
    rig.click("programWallButton");
    rig.device.onFrame({});
    ASSERT_TRUE(ran);
    EXPECT_EQ(rig.cell(0)->button()->face, QColor(0, 255, 0));
    EXPECT_EQ(rig.cell(1)->button()->face, QColor(169, 169, 169));
}

}  // namespace

// The screen setup through the real main window against the simulator: what a save writes is
// what the next read-back, in this opening or the next, shows.

#include <gtest/gtest.h>

#include "gui/gui_test_support.h"
#include "gui/setup/set_screen.h"
#include "gui_e2e/e2e_rig.h"

namespace {

// Presses Setup and runs body on the dialog once its read-back is over; then closes it.
void inSetup(e2e::Rig& rig, const std::function<void(CSetScreen&)>& body) {
    bool ran = false;
    guitest::onNextModal<CSetScreen>([&](CSetScreen* dialog) {
        EXPECT_TRUE(e2e::waitFor([dialog] { return !dialog->busy(); }));
        body(*dialog);
        ran = true;
        dialog->reject();
    });
    rig.click("setupButton");
    EXPECT_TRUE(e2e::waitFor([&] { return ran; }));
}

QLineEdit* field(CSetScreen& dialog, const char* name) {
    return guitest::child<QLineEdit>(&dialog, name);
}

void press(CSetScreen& dialog, const char* name) {
    guitest::child<QAbstractButton>(&dialog, name)->click();
    EXPECT_TRUE(e2e::waitFor([&] { return !dialog.busy(); }));
}

class SetupE2e : public testing::TestWithParam<e2e::Via> {};

TEST_P(SetupE2e, SavesReachTheDeviceAndComeBackOnTheNextReadBack) {
    e2e::Rig rig(GetParam());
    rig.open();
    rig.chooseSimulatorLink();
    ASSERT_TRUE(rig.connect());
    rig.change([](tvq::sim::ProcessorState& s) { s.saturation = 77; });

    inSetup(rig, [&](CSetScreen& dialog) {
        EXPECT_EQ(field(dialog, "saturationEdit")->text(), "77");
        field(dialog, "brightnessEdit")->setText("40");
        press(dialog, "brightnessSave");
        const std::array<const char*, 4> main{"mainWidthEdit", "mainXEdit", "mainHeightEdit",
                                              "mainYEdit"};
        const std::array<const char*, 4> values{"800", "100", "600", "60"};
        for (std::size_t i = 0; i < 4; ++i) field(dialog, main[i])->setText(values[i]);
        press(dialog, "mainSave");
        for (auto* f : {"brightnessEdit", "mainWidthEdit"}) field(dialog, f)->setText("2");
        press(dialog, "refreshButton");
        EXPECT_EQ(field(dialog, "brightnessEdit")->text(), "40");
        EXPECT_EQ(field(dialog, "mainWidthEdit")->text(), "800");
        EXPECT_FALSE(dialog.isChanged(field(dialog, "mainWidthEdit")));
    });
    const auto s = rig.state();
    EXPECT_EQ(s.brightness, 40);
    EXPECT_EQ(s.mainRect[0], (tvq::sim::Rect{100, 800, 60, 600}));
    EXPECT_TRUE(rig.enabled("disconnectButton"));
}

INSTANTIATE_TEST_SUITE_P(Links, SetupE2e, testing::Values(e2e::Via::Tcp, e2e::Via::Pty),
                         [](const auto& info) {
                             return info.param == e2e::Via::Tcp ? "Tcp" : "Pty";
                         });

}  // namespace

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>

#include "gui_test_support.h"

using namespace guitest;

namespace {

// The chain service choice and its socket come back after a restart; the link boxes rest while it
// is chosen, and auto-connect attaches instead of opening a line (here: a build without the
// client, which says so).
TEST(GuiSettingsFile, TheChosenServiceIsAttachedAfterARestart) {
    WindowRig rig;
    rig.open();
    EXPECT_FALSE(rig.get<QLineEdit>("serviceSocketBox")->isEnabled());
    rig.get<QLineEdit>("serviceSocketBox")->setText("/run/tvq418/hall.sock");
    rig.click("serviceCheck");
    EXPECT_FALSE(rig.get<QWidget>("serialRadio")->isEnabled());
    EXPECT_FALSE(rig.get<QWidget>("ipBox")->isEnabled());
    rig.click("autoConnectBox");

    rig.window.reset();
    rig.open();
    EXPECT_TRUE(rig.get<QCheckBox>("serviceCheck")->isChecked());
    EXPECT_EQ(rig.get<QLineEdit>("serviceSocketBox")->text(), "/run/tvq418/hall.sock");
    EXPECT_TRUE(rig.opened.empty()) << "a line was opened beside the service";
    EXPECT_EQ(rig.info(), "This program was built without the chain service client");
    rig.click("serviceCheck");
    EXPECT_TRUE(rig.get<QWidget>("networkRadio")->isEnabled());
}

}  // namespace

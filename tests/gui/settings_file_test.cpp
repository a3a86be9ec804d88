#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include <QCheckBox>
#include <QLineEdit>

#include "gui_test_support.h"

using namespace guitest;

namespace {

// A save that fails says so in the Info line, in the language of the moment, and a Connect's own
// reports do not hide it.
TEST(GuiSettingsFile, AFailedSaveIsShownInTheInfoLine) {
    const std::tuple<bool, const char*, const char*> cases[] = {
        {false, "autoConnectBox", "Settings not saved: Is a directory"},
        {true, "serialRadio", "设置未保存：Is a directory"},
        {false, "connectButton", "Settings not saved: Is a directory"},
    };
    for (const auto& [chinese, press, expected] : cases) {
        WindowRig rig;
        rig.settings = "Planinfo-folder.ini";  // a folder in the file's place
        std::filesystem::create_directory(rig.settings);
        rig.open();
        switchLanguage(chinese);
        rig.click(press);
        EXPECT_EQ(rig.info(), QString::fromUtf8(expected)) << press;
        rig.window.reset();
        std::filesystem::remove(rig.settings);
    }
}

// The serial port chosen before a restart is the one auto-connect opens after it, even one the
// system does not list (a USB adapter not plugged in yet).
TEST(GuiSettingsFile, TheChosenSerialPortIsUsedAfterARestart) {
    WindowRig rig;
    rig.open();
    rig.click("serialRadio");
    rig.get<QComboBox>("portList")->setCurrentText("/dev/ttyUSB9");
    rig.click("autoConnectBox");  // saves; connects only at the next start
    ASSERT_TRUE(rig.opened.empty());

    rig.window.reset();
    rig.open();
    ASSERT_EQ(rig.opened.size(), 1u);
    EXPECT_TRUE(rig.opened[0].useSerial);
    EXPECT_EQ(rig.opened[0].portName, "/dev/ttyUSB9");
}

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

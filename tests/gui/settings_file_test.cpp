#include <gtest/gtest.h>

#include <filesystem>

#include "gui_test_support.h"

using namespace guitest;

namespace {

// A save that fails says so in the Info line, in the language of the moment, and a Connect's own
// reports do not hide it.
TEST(GuiSettingsFile, AFailedSaveIsShownInTheInfoLine) {
    const struct {
        bool chinese;
        const char* press;
        const char* expected;
    } cases[] = {
        {false, "autoConnectBox", "Settings not saved: Is a directory"},
        {true, "serialRadio", "设置未保存：Is a directory"},
        {false, "connectButton", "Settings not saved: Is a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.press);
        WindowRig rig;
        rig.settings = "Planinfo-folder.ini";  // a folder in the file's place
        std::filesystem::create_directory(rig.settings);
        rig.open();
        rig.get<QLineEdit>("ipBox")->setText("192.0.2.7");
        rig.get<QLineEdit>("tcpPortBox")->setText("4001");
        switchLanguage(c.chinese);
        rig.click(c.press);
        EXPECT_EQ(rig.info(), QString::fromUtf8(c.expected));
        rig.window.reset();
        std::filesystem::remove(rig.settings);
    }
}

// The serial port chosen before a restart is the one auto-connect opens after it, even one the
// system does not list (a USB adapter not plugged in yet) rather than another.
TEST(GuiSettingsFile, TheChosenSerialPortIsUsedAfterARestart) {
    for (const char* port : {"/dev/ttyS5", "/dev/ttyUSB9"}) {
        SCOPED_TRACE(port);
        WindowRig rig;
        rig.open();
        rig.click("serialRadio");
        rig.get<QComboBox>("portList")->setCurrentText(port);
        rig.click("autoConnectBox");  // saves; connects only at the next start
        ASSERT_TRUE(rig.opened.empty());

        rig.window.reset();
        rig.open();
        EXPECT_EQ(rig.get<QComboBox>("portList")->currentText(), port);
        ASSERT_EQ(rig.opened.size(), 1u);
        EXPECT_TRUE(rig.opened[0].useSerial);
        EXPECT_EQ(rig.opened[0].portName, port);
    }
}

}  // namespace

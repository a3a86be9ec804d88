// Screen readers and automation tools toggle radios and check boxes through the accessibility
// interface, which emits no click: the program must act exactly as on a mouse click.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <fstream>
#include <sstream>

#include "core/link/commands.h"
#include "gui/ui/indicator_lamp.h"
#include "gui_test_support.h"

using namespace guitest;

namespace {

void toggleThroughAccessibility(QWidget* control) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
    ASSERT_NE(face, nullptr);
    ASSERT_NE(face->actionInterface(), nullptr);
    face->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QApplication::processEvents();
}

std::string fileText(const std::filesystem::path& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

TEST(GuiAccessibility, ToggleActionsActAsClicks) {
    WindowRig rig;
    rig.open();
    auto toggle = [&](const char* name) { toggleThroughAccessibility(rig.get(name)); };

    toggle("serialRadio");
    EXPECT_TRUE(rig.get("portList")->isEnabled());
    EXPECT_NE(fileText(rig.settings).find("SerialTcp=1"), std::string::npos);
    toggle("networkRadio");
    EXPECT_TRUE(rig.get("ipBox")->isEnabled());
    EXPECT_NE(fileText(rig.settings).find("SerialTcp=0"), std::string::npos);

    toggle("autoConnectBox");
    EXPECT_TRUE(rig.get("startTimerBox")->isEnabled());
    EXPECT_NE(fileText(rig.settings).find("ConnectFlag=1"), std::string::npos);

    toggle("addressRadio4");
    EXPECT_EQ(rig.window->session().deviceAddress(), 4);
    EXPECT_EQ(rig.get<QComboBox>("addressList")->currentIndex(), 4);
    toggle("addressRadio1");
    toggle("chineseRadio");
    EXPECT_TRUE(
        waitFor([&] { return rig.get<QAbstractButton>("connectButton")->text() != "Connect"; }));

    rig.connect();
    toggle("transition2");
    EXPECT_TRUE(waitFor([&] { return rig.device.count(tvq::cmd::kTransition) == 1; }));
}

// A device that stops answering must not leave the lamps saying all is well.
TEST(GuiAccessibility, LampsOfASilentDeviceAreDescribedAsUnknown) {
    WindowRig rig;
    rig.open();
    rig.connect();
    auto* v1 = rig.get<IndicatorLamp>("lamp:V1");
    ASSERT_TRUE(waitFor([&] { return v1->accessibleDescription() == "lit"; }));
    rig.device.setStatusFault(tvq::test::FakeDevice::Fault::Silent);
    ASSERT_TRUE(waitFor([&] { return v1->accessibleDescription() == "unknown"; }, 10000));
    EXPECT_TRUE(rig.info().startsWith("No answer from the device since "))
        << rig.info().toStdString();
    EXPECT_TRUE(v1->isLit()) << "the last known state shows through";
    rig.device.setStatusFault(tvq::test::FakeDevice::Fault::None);
    ASSERT_TRUE(waitFor([&] { return v1->accessibleDescription() == "lit"; }, 10000));
    EXPECT_EQ(rig.info(), "Communications equipment normal");
}

}  // namespace

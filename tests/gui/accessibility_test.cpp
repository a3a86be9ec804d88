// Screen readers and automation tools toggle radios and check boxes through the accessibility
// interface, which emits no click: every window must act exactly as on a mouse click.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <fstream>
#include <sstream>

#include "core/link/commands.h"
#include "gui/ui/indicator_lamp.h"
#include "gui_plans/plans_rig.h"
#include "gui_test_support.h"

using namespace guitest;

namespace {

std::string fileText(const std::filesystem::path& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// The main window: what it sent, its settings file, its address.
WalkedWindow mainWindow() {
    auto rig = std::make_shared<WindowRig>();
    rig->open();
    auto* raw = rig.get();
    return {rig, raw->window.get(), [raw] {
                return QString::number(raw->device.sent().size()) + '\n' +
                       QString::fromStdString(fileText(raw->settings)) +
                       QString::number(raw->window->session().deviceAddress());
            }};
}

// The plan dialog opened by Modify on a VGA1 plan: the source it will save.
WalkedWindow modifyDialog() {
    auto dialog = std::make_shared<CAddPlan>(0, CAddPlan::Loaded{.source = 5});
    dialog->show();
    auto* raw = dialog.get();
    return {dialog, raw, [raw] { return QString::number(raw->choice().source); }};
}

WalkedWindow programWindow() {
    auto rig = std::make_shared<plantest::ProgramRig>("[PLANCOUNT]\ndaytimecount=0\n");
    auto* raw = rig.get();
    return {rig, raw->window.get(), [raw] { return QString::fromStdString(raw->file()); }};
}

TEST(GuiAccessibility, TogglesActAsClicksInEveryWindow) {
    const QStringList main = walkCheckables(mainWindow);
    for (const char* name : {"serialRadio", "autoConnectBox", "addressRadio4", "chineseRadio"})
        EXPECT_TRUE(main.contains(name)) << name;
    WindowRig rig;  // the transitions act only while connected
    rig.open();
    rig.connect();
    toggleAccessibly(rig.get<QAbstractButton>("transition2"));
    EXPECT_TRUE(waitFor([&] { return rig.device.count(tvq::cmd::kTransition) == 1; }));
    EXPECT_TRUE(walkCheckables(modifyDialog).contains("sourceV2"));
    EXPECT_EQ(walkCheckables(programWindow), QStringList{});  // its dialog is walked above
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

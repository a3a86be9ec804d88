// Screen readers and automation tools toggle radios and check boxes through the accessibility
// interface, which emits no click: every window must act exactly as on a mouse click.

#include <gtest/gtest.h>

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

// Each window made afresh, with what it did besides its controls: frames, files, choices.
Opened mainWindow() {
    auto rig = std::make_shared<WindowRig>();
    rig->open();
    auto* r = rig.get();
    return {r->window.get(),
            [r] {
                return QStringList{QString::number(r->device.sent().size()),
                                   QString::fromStdString(fileText(r->settings)),
                                   QString::number(r->window->session().deviceAddress())};
            },
            rig};
}

Opened modifyDialog() {  // opened by Modify on a VGA1 plan: the source it will save
    auto dialog = std::make_shared<CAddPlan>(
        0, CAddPlan::Loaded{.weekdayText = {}, .dayText = {}, .source = 5});
    dialog->show();
    auto* d = dialog.get();
    return {d, [d] { return QStringList{QString::number(d->choice().source)}; }, dialog};
}

TEST(GuiAccessibility, TogglesActAsClicksInEveryWindow) {
    EXPECT_EQ(expectTogglesActAsClicks(mainWindow), 10);
    EXPECT_EQ(expectTogglesActAsClicks(modifyDialog), 9);
    WindowRig rig;  // the transitions act only while connected
    rig.open();
    rig.connect();
    toggleThroughAccessibility(rig.get("transition2"));
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

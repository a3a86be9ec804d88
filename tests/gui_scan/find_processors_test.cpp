#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QListWidget>
#include <QProgressBar>
#include <QSpinBox>

#include "gui/control/find_processors_dialog.h"
#include "gui/gui_test_support.h"

using namespace guitest;

namespace {

// Opens the dialog from the window's context menu and runs body on it; returns whether body ran.
bool withDialog(WindowRig& rig, const std::function<void(CFindProcessorsDlg&)>& body) {
    bool ran = false;
    onNextModal<CFindProcessorsDlg>([&](CFindProcessorsDlg* dialog) {
        body(*dialog);
        ran = true;
        if (dialog->isVisible()) dialog->close();
    });
    rig.window->findChild<QAction*>("findProcessorsAction")->trigger();
    return ran;
}

void scan(CFindProcessorsDlg& d, int from, int to) {
    child<QSpinBox>(&d, "fromBox")->setValue(from);
    child<QSpinBox>(&d, "toBox")->setValue(to);
    clickOn(child<QPushButton>(&d, "scanButton"));
}

QStringList rows(CFindProcessorsDlg& d) {
    QStringList out;
    auto* list = child<QListWidget>(&d, "foundList");
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

TEST(GuiFindProcessors, PickedAnswerBecomesTheDeviceAddress) {
    WindowRig rig;
    rig.device.setStatus(3, {.mainSource = 8, .mainSignal = false});
    rig.open();
    EXPECT_TRUE(withDialog(rig, [&](CFindProcessorsDlg& d) {
        scan(d, 1, 4);
        ASSERT_TRUE(waitFor([&] { return !d.scanning(); }));
        EXPECT_EQ(rows(d), (QStringList{"Address 1: V1, signal", "Address 3: HDMI, no signal"}));
        EXPECT_EQ(child<QProgressBar>(&d, "scanProgress")->value(), 4);
        ASSERT_EQ(rig.opened.size(), 1u) << "not connected: the dialog opens the chosen link";
        EXPECT_EQ(rig.device.liveLinks(), 0) << "and closes it after the scan";
        // Picked by an assistive tool: it selects the row, and "Use address" takes that one.
        auto* list = QAccessible::queryAccessibleInterface(child<QListWidget>(&d, "foundList"));
        list->child(1)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        EXPECT_EQ(list->tableInterface()->selectedCellCount(), 1);
        const auto* bar = QAccessible::queryAccessibleInterface(d.findChild<QProgressBar*>());
        EXPECT_EQ(bar->text(QAccessible::Name), "Scan progress");
        clickOn(child<QPushButton>(&d, "useButton"));
        EXPECT_EQ(d.result(), QDialog::Accepted);
    }));
    EXPECT_EQ(rig.window->session().deviceAddress(), 3);
    EXPECT_EQ(rig.get<QComboBox>("addressList")->currentIndex(), 3);
    EXPECT_TRUE(rig.get<QRadioButton>("addressRadio3")->isChecked());
}

TEST(GuiFindProcessors, ConnectedItScansOverTheSessionsLink) {
    WindowRig rig;
    rig.device.setStatus(2, plainStatus());
    rig.open();
    rig.connect();
    EXPECT_TRUE(withDialog(rig, [&](CFindProcessorsDlg& d) {
        scan(d, 2, 3);
        ASSERT_TRUE(waitFor([&] { return !d.scanning(); }));
        EXPECT_EQ(rows(d), QStringList{"Address 2: V1, signal"});
        EXPECT_EQ(rig.opened.size(), 1u) << "no second link while connected";
    }));
    EXPECT_TRUE(rig.window->session().connected());
    EXPECT_TRUE(rig.window->session().lineOpen());
}

}  // namespace

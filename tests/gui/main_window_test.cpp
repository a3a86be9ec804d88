#include <gtest/gtest.h>

#include <QAccessible>
#include <QMenu>

#include "gui/ui/indicator_lamp.h"
#include "gui_test_support.h"
#include "toggle_walker.h"

using namespace guitest;
using Answer = MessageBoxes::Answer;

namespace {

TEST(GuiMainWindow, StartsInItsDocumentedStateAndTheTimerPanelAdds290) {
    WindowRig rig;
    auto& w = rig.open();
    EXPECT_TRUE(rig.get<QRadioButton>("englishRadio")->isChecked());
    auto* list = rig.get<QComboBox>("addressList");
    EXPECT_EQ(list->count(), 256);
    EXPECT_EQ(list->currentText(), "1");
    EXPECT_TRUE(rig.get<QRadioButton>("addressRadio1")->isChecked());
    // Everything that talks to the device waits for a connection, but VGA-AUTO.
    for (const char* box : {"sourceBox", "transitionBox", "pipModeBox", "extBox"})
        for (auto* button : rig.get(box)->findChildren<QAbstractButton*>())
            EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    for (const char* name : {"function:PIP/POP", "function:TEXT", "function:BYPASS",
                             "function:MOSAIC", "function:FREEZE", "programButton", "startButton",
                             "stopButton", "setupButton", "fastMsButton", "disconnectButton"})
        EXPECT_FALSE(rig.get(name)->isEnabled()) << name;
    for (const char* name : {"connectButton", "function:VGA-AUTO", "exitButton"})
        EXPECT_TRUE(rig.get(name)->isEnabled()) << name;

    const QSize collapsed = w.size();
    EXPECT_FALSE(rig.get("timerPanel")->isVisible());
    w.move(300, 0);
    rig.click("expandButton");
    EXPECT_TRUE(rig.get("timerPanel")->isVisible());
    EXPECT_EQ(w.size(), collapsed + QSize(290, 0));
    // Widened, it stays on screen, and a 1366 x 768 one with a task bar holds it and its frame.
    EXPECT_EQ(w.frameGeometry().left(), w.screen()->availableGeometry().left());
    EXPECT_LE(w.width(), 1366 - 40);
    EXPECT_LE(w.height(), 768 - 80);
    rig.click("expandButton");
    EXPECT_EQ(w.size(), collapsed);
}

TEST(GuiMainWindow, AddressRadiosAndListAgree) {
    WindowRig rig;
    auto& w = rig.open();
    auto* list = rig.get<QComboBox>("addressList");
    rig.click("addressRadio4");
    EXPECT_EQ(list->currentIndex(), 4);
    list->setCurrentIndex(17);
    EXPECT_EQ(w.session().deviceAddress(), 17);
    for (int i = 0; i < 7; ++i)
        EXPECT_FALSE(rig.get<QRadioButton>(QString("addressRadio%1").arg(i))->isChecked()) << i;
    list->setCurrentIndex(6);
    EXPECT_TRUE(rig.get<QRadioButton>("addressRadio6")->isChecked());
    EXPECT_EQ(w.session().deviceAddress(), 6);
}

// Exit and Esc ask; only Yes, here through the title bar's close button, ends the program.
TEST(GuiMainWindow, ExitAsksAndOnlyYesEndsTheProgram) {
    WindowRig rig;
    auto& w = rig.open();
    rig.connect();
    rig.boxes.answers = {Answer::No, Answer::Cancel, Answer::Yes};
    rig.click("exitButton");
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_EQ(rig.boxes.shown.size(), 2u);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.session().workersRunning());
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.session().workersRunning());
}

// Shift+F10 opens the context menu as the Menu key does; Tab follows the screen from its top
// left and enters a group of radios at the marked one.
TEST(GuiMainWindow, KeyboardFollowsTheScreen) {
    WindowRig rig;
    auto& w = rig.open();
    rig.connect();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QStringList menu;
    QTimer::singleShot(50, [&menu] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        for (QAction* a : popup ? popup->actions() : QList<QAction*>{}) menu << a->objectName();
        if (popup) popup->close();
    });
    rig.get("exitButton")->setFocus();
    QTest::keyClick(w.focusWidget(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(menu, (QStringList{"", "findProcessorsAction", "aboutAction"}));  // "": separator

    rig.get("networkRadio")->setFocus();
    QStringList visited{w.focusWidget()->objectName()};
    while (visited.size() < 20 && visited.back() != "transition0") {
        QTest::keyClick(w.focusWidget(), Qt::Key_Tab);
        visited << w.focusWidget()->objectName();
    }
    EXPECT_EQ(visited, (QStringList{"networkRadio", "serviceCheck", "ipBox", "tcpPortBox",
                                    "autoConnectBox", "addressRadio1", "addressList",
                                    "disconnectButton", "source:V1", "source:V2", "source:V3",
                                    "source:S-VIDEO", "source:DVI", "source:HDMI", "source:VGA1",
                                    "source:VGA2", "source:EXT.", "source:YPbPr", "transition0"}));
}

// Every control has a name for assistive tools; lights and the Info line also tell their state.
TEST(GuiMainWindow, AssistiveToolsGetNamesAndStates) {
    WindowRig rig;
    rig.device.setStatus(1, {.freeze = true, .mainSource = 9});  // EXT. without a signal blinks
    auto& w = rig.open();
    rig.click("expandButton");
    EXPECT_GT(guitest::expectUniqueNames(&w), 60);  // every key, radio, box and list

    rig.connect();
    auto* ext = rig.get<IndicatorLamp>("lamp:EXT.");
    EXPECT_TRUE(waitFor([&] { return ext->accessibleDescription() == "blinking"; }));
    EXPECT_EQ(rig.get("lamp:V1")->accessibleDescription(), "off");
    EXPECT_EQ(ext->accessibleName(), "EXT. light");
    EXPECT_EQ(rig.get("infoLine")->accessibleDescription(), "Communications equipment normal");
}

}  // namespace

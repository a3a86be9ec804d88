#include <gtest/gtest.h>

#include <QAccessible>

#include <QAction>
#include <QLabel>

#include "gui/control/about_box.h"
#include "gui/ui/indicator_lamp.h"
#include "gui_test_support.h"

using guitest::waitFor;
using guitest::WindowRig;
using Answer = MessageBoxes::Answer;

namespace {

// The 23 operation controls, then the other controls that start disabled.
const QStringList kOperationControls{
    "programButton",   "source:V1",        "source:V2",     "source:V3",       "source:S-VIDEO",
    "source:DVI",      "source:HDMI",      "source:VGA1",   "source:VGA2",     "source:EXT.",
    "source:YPbPr",    "transition0",      "transition1",   "transition2",     "transition3",
    "startButton",     "function:PIP/POP", "function:TEXT", "function:BYPASS", "function:MOSAIC",
    "function:FREEZE", "setupButton",      "fastMsButton"};
const QStringList kAlsoDisabledAtStart{"mode:M1", "mode:M2",    "mode:M3",
                                       "mode:M4", "stopButton", "disconnectButton"};

TEST(GuiMainWindowStart, OpensInItsDocumentedState) {
    WindowRig rig;
    auto& w = rig.open();
    EXPECT_EQ(w.windowTitle(), "Corvane TVQ418 Processor Controller(V2.84)----Network");
    EXPECT_TRUE(rig.get<QRadioButton>("englishRadio")->isChecked());
    EXPECT_FALSE(rig.get<QRadioButton>("chineseRadio")->isChecked());

    auto* list = rig.get<QComboBox>("addressList");
    ASSERT_EQ(list->count(), 256);
    EXPECT_EQ(list->itemText(0), "0");
    EXPECT_EQ(list->itemText(255), "255");
    EXPECT_EQ(list->currentText(), "1");
    EXPECT_TRUE(rig.get<QRadioButton>("addressRadio1")->isChecked());
    EXPECT_EQ(w.session().deviceAddress(), 1);

    ASSERT_EQ(kOperationControls.size(), 23);
    for (const QString& name : kOperationControls + kAlsoDisabledAtStart)
        EXPECT_FALSE(rig.get(name)->isEnabled()) << name.toStdString();
    for (const char* name : {"connectButton", "function:VGA-AUTO", "exitButton", "expandButton"})
        EXPECT_TRUE(rig.get(name)->isEnabled()) << name;
    for (const char* name : {"ext:NULL", "ext:SDI", "ext:VGA", "ext:DVI", "ext:VIDEO"})
        EXPECT_FALSE(rig.get(name)->isEnabled()) << name;
    for (const char* name : {"dayBox", "weekBox", "monthBox", "onceBox", "allBox"})
        EXPECT_TRUE(rig.get<QCheckBox>(name)->isChecked()) << name;
    for (int i = 0; i < static_cast<int>(tvq::kLightCount); ++i)
        EXPECT_FALSE(w.findChildren<IndicatorLamp*>()[i]->isLit());
    EXPECT_FALSE(rig.get("timerPanel")->isVisible());
}

TEST(GuiMainWindowStart, NoSettingsFileMeansNetworkWithEmptyBoxes) {
    WindowRig rig;
    rig.open();
    EXPECT_TRUE(rig.get<QRadioButton>("networkRadio")->isChecked());
    EXPECT_TRUE(rig.get<QLineEdit>("ipBox")->text().isEmpty());
    EXPECT_TRUE(rig.get<QLineEdit>("tcpPortBox")->text().isEmpty());
    EXPECT_TRUE(rig.get("ipBox")->isEnabled());
    EXPECT_FALSE(rig.get("portList")->isEnabled());
    EXPECT_FALSE(rig.get<QCheckBox>("autoConnectBox")->isChecked());
    EXPECT_FALSE(rig.get("startTimerBox")->isEnabled());
    EXPECT_TRUE(rig.opened.empty());
    EXPECT_FALSE(std::filesystem::exists(rig.settings));
}

TEST(GuiMainWindowStart, PortBoxTakesTheLastPresentPortOrTheFirstEntry) {
    WindowRig none;
    none.open();
    auto* box = none.get<QComboBox>("portList");
    EXPECT_EQ(box->currentText(), box->itemText(0));
    EXPECT_TRUE(box->isEditable());

    WindowRig present;
    present.ports = {{"\\Device\\ttyUSB0", "/dev/ttyUSB0"}, {"\\Device\\ttyACM1", "/dev/ttyACM1"}};
    present.open();
    EXPECT_EQ(present.get<QComboBox>("portList")->currentText(), "/dev/ttyACM1");
}

TEST(GuiMainWindow, TimerPanelWidensAndNarrowsTheWindowBy290) {
    WindowRig rig;
    auto& w = rig.open();
    auto* expand = rig.get<QPushButton>("expandButton");
    const QSize collapsed = w.size();
    EXPECT_EQ(expand->text(), ">>");

    rig.click("expandButton");
    EXPECT_TRUE(rig.get("timerPanel")->isVisible());
    EXPECT_EQ(w.width(), collapsed.width() + 290);
    EXPECT_EQ(w.height(), collapsed.height());
    EXPECT_EQ(expand->text(), "<<");

    rig.click("expandButton");
    EXPECT_FALSE(rig.get("timerPanel")->isVisible());
    EXPECT_EQ(w.size(), collapsed);
    EXPECT_EQ(expand->text(), ">>");
}

TEST(GuiMainWindow, AddressRadiosAndListShowTheSameAddress) {
    WindowRig rig;
    auto& w = rig.open();
    auto* list = rig.get<QComboBox>("addressList");

    rig.click("addressRadio4");
    EXPECT_EQ(list->currentIndex(), 4);
    EXPECT_EQ(w.session().deviceAddress(), 4);

    list->setCurrentIndex(17);
    EXPECT_EQ(w.session().deviceAddress(), 17);
    for (int i = 0; i < 7; ++i)
        EXPECT_FALSE(rig.get<QRadioButton>(QStringLiteral("addressRadio%1").arg(i))->isChecked());

    list->setCurrentIndex(6);
    EXPECT_TRUE(rig.get<QRadioButton>("addressRadio6")->isChecked());
    EXPECT_EQ(w.session().deviceAddress(), 6);
}

TEST(GuiMainWindow, AllBoxFirstKeepsEveryKindTickedThenClearsThem) {
    WindowRig rig;
    rig.open();
    const QStringList kinds{"dayBox", "weekBox", "monthBox", "onceBox", "allBox"};
    auto ticked = [&] {
        int n = 0;
        for (const QString& k : kinds) n += rig.get<QCheckBox>(k)->isChecked();
        return n;
    };
    rig.click("allBox");
    EXPECT_EQ(ticked(), 5);
    rig.click("allBox");
    EXPECT_EQ(ticked(), 0);
    rig.click("allBox");
    EXPECT_EQ(ticked(), 5);
}

TEST(GuiMainWindow, ExitAsksAndOnlyYesEndsTheProgram) {
    WindowRig rig;
    auto& w = rig.open();
    rig.connect();
    ASSERT_TRUE(w.session().workersRunning());

    rig.boxes.answers = {Answer::No, Answer::Cancel};
    rig.click("exitButton");
    QTest::keyClick(&w, Qt::Key_Escape);
    ASSERT_EQ(rig.boxes.shown.size(), 2u);
    for (const auto& shown : rig.boxes.shown) {
        EXPECT_EQ(shown.title, "System Information");
        EXPECT_EQ(shown.text, "Are you sure want to Exit? ");
    }
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.session().workersRunning());

    // The title bar's close button asks the same question.
    rig.boxes.answers = {Answer::Yes};
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.session().workersRunning());
    EXPECT_EQ(w.result(), QDialog::Rejected);
}

TEST(GuiMainWindow, AboutEntryOpensTheAboutBoxWhichEscCloses) {
    WindowRig rig;
    auto& w = rig.open();
    auto* about = w.findChild<QAction*>("aboutAction");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text(), "关于 TVQ418Control(&A)...");
    EXPECT_TRUE(w.actions().contains(about));  // offered by the window's context menu
    EXPECT_EQ(w.contextMenuPolicy(), Qt::ActionsContextMenu);

    QStringList texts;
    int buttons = -1;
    bool closedByEsc = false;
    guitest::onNextModal<CAboutDlg>([&](CAboutDlg* box) {
        texts << box->windowTitle();
        for (auto* label : box->findChildren<QLabel*>())
            if (!label->text().isEmpty()) texts << label->text();
        buttons = static_cast<int>(box->findChildren<QAbstractButton*>().size());
        QTest::keyClick(box, Qt::Key_Escape);
        closedByEsc = !box->isVisible();
    });
    about->trigger();
    EXPECT_TRUE(closedByEsc);
    EXPECT_EQ(buttons, 0);
    EXPECT_EQ(texts, QStringList({"关于 TVQ418Control", "TVQ418  V2.84", "2014-08-12"}));
    EXPECT_TRUE(w.isVisible());
}

TEST(GuiMainWindow, StartNeedsAPlanKindAndStopEndsTheTimer) {
    WindowRig rig;
    auto& w = rig.open();
    rig.connect();
    rig.click("allBox");
    rig.click("allBox");  // now every kind is clear

    rig.click("startButton");
    ASSERT_EQ(rig.boxes.shown.size(), 1u);
    EXPECT_EQ(rig.boxes.shown[0].title, "系统信息");
    EXPECT_EQ(rig.boxes.shown[0].text, "请选定要启动的定时器");
    EXPECT_FALSE(w.session().timerRunning());

    rig.get<QLineEdit>("timerField2")->setText("stale");
    rig.click("weekBox");
    rig.click("startButton");
    EXPECT_TRUE(w.session().timerRunning());
    EXPECT_TRUE(rig.get<QLineEdit>("timerField2")->text().isEmpty());
    ASSERT_TRUE(waitFor([&] { return rig.get("stopButton")->isEnabled(); }));
    EXPECT_FALSE(rig.get("startButton")->isEnabled());
    EXPECT_FALSE(rig.get("disconnectButton")->isEnabled());

    rig.get<QLineEdit>("timerField7")->setText("stale");
    rig.click("stopButton");
    EXPECT_FALSE(w.session().timerRunning());
    EXPECT_TRUE(rig.get<QLineEdit>("timerField7")->text().isEmpty());
    ASSERT_TRUE(waitFor([&] { return rig.get("disconnectButton")->isEnabled(); }));
    EXPECT_FALSE(rig.get("stopButton")->isEnabled());
}

TEST(GuiMainWindow, SetupWhileDisconnectedOnlyExplains) {
    WindowRig rig;
    auto& w = rig.open();
    // Not reachable by a click while disconnected; the guard still has to hold.
    auto* setup = rig.get<QPushButton>("setupButton");
    setup->setEnabled(true);
    setup->click();
    ASSERT_EQ(rig.boxes.shown.size(), 1u);
    EXPECT_EQ(rig.boxes.shown[0].title, "System Information");
    EXPECT_EQ(rig.boxes.shown[0].text, "Device is not connected");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(w.session().connected());
}

TEST(GuiMainWindow, SetupAndProgramReleaseTheWorkersTheyHold) {
    WindowRig rig;
    auto& w = rig.open();
    rig.connect();
    rig.click("setupButton");
    rig.click("programButton");
    EXPECT_TRUE(rig.boxes.shown.empty());
    EXPECT_TRUE(w.session().workersRunning());

    // The workers still answer a press: the command reaches the device.
    const auto before = rig.device.count(tvq::cmd::kFreeze);
    ASSERT_TRUE(waitFor([&] { return rig.get("function:FREEZE")->isEnabled(); }));
    rig.click("function:FREEZE");
    EXPECT_TRUE(waitFor([&] { return rig.device.count(tvq::cmd::kFreeze) > before; }));
}

TEST(GuiMainWindow, FastMosaicStopsTheWorkersAndClosesTheLink) {
    WindowRig rig;
    auto& w = rig.open();
    rig.connect();
    rig.click("fastMsButton");
    EXPECT_FALSE(w.session().workersRunning());
    EXPECT_FALSE(w.session().link().isOpen());
    ASSERT_TRUE(waitFor([&] { return rig.get("connectButton")->isEnabled(); }));
    EXPECT_FALSE(rig.get("disconnectButton")->isEnabled());
    EXPECT_FALSE(rig.get("source:V1")->isEnabled());
}

TEST(GuiMainWindow, LightsReportTheirStateToAssistiveTools) {
    WindowRig rig;
    auto status = guitest::plainStatus();
    status.mainSource = 9;  // EXT. without a signal blinks
    status.mainSignal = false;
    status.freeze = true;
    rig.device.setStatus(1, status);
    rig.open();
    rig.connect();
    auto* ext = rig.get<IndicatorLamp>("lamp:EXT.");
    auto* freeze = rig.get<IndicatorLamp>("lamp:FREEZE");
    auto* v1 = rig.get<IndicatorLamp>("lamp:V1");
    EXPECT_TRUE(waitFor([&] { return freeze->accessibleDescription() == "lit"; }));
    EXPECT_TRUE(waitFor([&] { return ext->accessibleDescription() == "blinking"; }));
    EXPECT_EQ(v1->accessibleDescription(), "off");
    EXPECT_EQ(ext->accessibleName(), "EXT. light");
    // The blink worker switches the light itself on and off.
    EXPECT_TRUE(waitFor([&] { return ext->isLit(); }));
    EXPECT_TRUE(waitFor([&] { return !ext->isLit(); }));
}

TEST(GuiMainWindow, EveryControlHasAnAccessibleName) {
    WindowRig rig;
    auto& w = rig.open();
    rig.click("expandButton");
    int checked = 0;
    for (QWidget* widget : w.findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(widget) ||
                             qobject_cast<QComboBox*>(widget) || qobject_cast<QLineEdit*>(widget) ||
                             qobject_cast<IndicatorLamp*>(widget);
        // The editable port box's inner line edit is named through the box.
        if (!control || qobject_cast<QComboBox*>(widget->parentWidget())) continue;
        ++checked;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(face, nullptr);
        EXPECT_FALSE(face->text(QAccessible::Name).trimmed().isEmpty())
            << widget->objectName().toStdString();
    }
    EXPECT_GT(checked, 80);
}

TEST(GuiMainWindow, InfoLineTextIsReadableByAssistiveTools) {
    WindowRig rig;
    rig.open();
    rig.connect();
    auto* info = rig.get<QLineEdit>("infoLine");
    EXPECT_EQ(info->text(), "Communications equipment normal");
    EXPECT_EQ(info->accessibleDescription(), info->text());
    EXPECT_EQ(info->accessibleName(), "Info");
    EXPECT_TRUE(info->isReadOnly());
}

}  // namespace

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <map>

#include "gui_test_support.h"

using namespace guitest;

namespace {

// The title or text of every widget of the window that shows one.
std::map<QWidget*, QString> shownTexts(QWidget& window) {
    std::map<QWidget*, QString> texts;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (auto* box = qobject_cast<QGroupBox*>(w)) texts[w] = box->title();
        if (auto* button = qobject_cast<QAbstractButton*>(w)) texts[w] = button->text();
        auto* label = qobject_cast<QLabel*>(w);  // the wait box's and picture labels aside
        if (label && w->window() == &window && label->pixmap().isNull()) texts[w] = label->text();
    }
    return texts;
}

// Every text changes with the language except the key names (sources, EXT. inputs, functions,
// PIP modes, addresses, the language radios), and switching back restores each one.
TEST(GuiLanguage, RadiosRelabelEverythingButTheKeyNames) {
    WindowRig rig;
    auto& w = rig.open();
    const auto english = shownTexts(w);
    ASSERT_GT(english.size(), 80u);
    rig.click("chineseRadio");
    EXPECT_EQ(w.windowTitle(), "CorvaneTVQ418控制软件(V2.84)----网络通讯");
    const QRegularExpression key(
        "^(source:|sourceGroup|ext|function:|mode:|addressRadio|expandButton|"
        "chineseRadio|englishRadio)");
    for (const auto& [widget, chinese] : shownTexts(w)) {
        const QString& before = english.at(widget);
        if (key.match(widget->objectName()).hasMatch())
            EXPECT_EQ(chinese, before);
        else
            EXPECT_TRUE(!before.isEmpty() && chinese != before)
                << widget->objectName().toStdString() << " " << before.toStdString();
    }

    rig.click("englishRadio");
    EXPECT_EQ(w.windowTitle(), "Corvane TVQ418 Processor Controller(V2.84)----Network");
    EXPECT_EQ(shownTexts(w), english);
}

// A refusal is worded in the language of the moment; the one on the Info line follows a switch.
TEST(GuiLanguage, RefusalsFollowTheLanguage) {
    const QString english = "Invalid Operate InCorrect Source";
    WindowRig rig;
    rig.device.setStatus(1, {.pictureMode = 3, .mainSource = 1, .subSource = 8});  // V2's group
    rig.open();
    rig.connect();
    ASSERT_TRUE(waitFor([&] { return rig.get("source:V3")->isEnabled(); }));
    rig.click("source:V3");
    EXPECT_TRUE(waitFor([&] { return rig.info() == english; })) << rig.info().toStdString();
    rig.click("chineseRadio");
    EXPECT_EQ(rig.info(), "无效操作，错误通道");
}

}  // namespace

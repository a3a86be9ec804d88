#include <QElapsedTimer>
#include <QScreen>

#include "gui/toggle_walker.h"
#include "setup_rig.h"

using namespace setuptest;
using tvq::sim::Rect;

namespace {

const QStringList kGeometryFields{"mainWidthEdit", "mainXEdit", "mainHeightEdit", "mainYEdit",
                                  "pipWidthEdit",  "pipXEdit",  "pipHeightEdit",  "pipYEdit",
                                  "inWidthEdit",   "inXEdit",   "inHeightEdit",   "inYEdit",
                                  "outWidthEdit",  "outXEdit",  "outHeightEdit",  "outYEdit"};
const QStringList kSetupControls{
    "mainSave",        "pipSave",    "outSave",    "brightnessSave", "saturationSave",
    "biasSave",        "textSave",   "audioSave",  "hotSpareSave",   "sharpNormalRadio",
    "sharpSharpRadio", "mode1Radio", "mode2Radio", "mode3Radio",     "mode4Radio"};

const std::string kAllOn = kSetupControls.join(' ').toStdString();

std::string enabledOf(Rig& rig, const QStringList& names) {
    QStringList on;
    for (const auto& n : names)
        if (rig.get(n)->isEnabled()) on << n;
    return on.join(' ').toStdString();
}

void typeRect(Rig& rig, const QString& prefix, std::array<const char*, 4> texts) {
    const QStringList suffix{"WidthEdit", "XEdit", "HeightEdit", "YEdit"};
    for (int i = 0; i < 4; ++i) rig.type(prefix + suffix[i], texts[static_cast<std::size_t>(i)]);
}

TEST(GuiSetupDialog, ReadBackShowsEveryPageAndLeavesAllFieldsSaved) {
    Rig rig;
    auto& s = rig.line.processor.state();
    s.outputFormat = 7;  // 1366x768
    s.outputRect = {6, 1360, 8, 760};
    s.pipMode = 2;
    s.mainRect[2] = {10, 1000, 20, 700};
    s.pipRect[2] = {30, 300, 40, 200};
    s.inputRect = {2, 800, 4, 600};
    s.syncMosaic = true;
    s.bias = 11, s.brightness = 22, s.saturation = 33, s.sharpness = 1;
    s.audio1 = 10, s.audio2 = 5;  // YPBPR, VGA1
    s.hotSpare = 0x05;
    s.textKeyMode = 1, s.textKeyRgb = {8, 12, 16};
    rig.open();

    EXPECT_EQ(rig.line.pagesRead(), (std::vector<int>{3, 0, 1, 2, 4, 5, 6}));
    QStringList shown;
    for (const auto& f : kGeometryFields) shown << rig.text(f);
    EXPECT_EQ(shown.join(' '), "1000 10 700 20 300 30 200 40 800 2 600 4 1360 6 760 8");
    for (const auto& f : kGeometryFields + QStringList{"brightnessEdit", "redEdit", "blueEdit"}) {
        EXPECT_FALSE(rig.unsaved(f)) << f.toStdString();
        EXPECT_EQ(rig.background(f), CSetScreen::kSaved) << f.toStdString();
    }
    QStringList settings;
    for (const auto& f :
         {"biasEdit", "brightnessEdit", "saturationEdit", "redEdit", "greenEdit", "blueEdit",
          "mainHoriLimit", "pipVertLimit", "outBottomRight", "inBottomRight", "pipTopLeft"})
        settings << rig.text(f);
    EXPECT_EQ(settings.join(' '), "11 22 33 8 12 16 <=1366 <=768 (1366,768) (1366,768) (0,0)");
    EXPECT_EQ(rig.get<QComboBox>("outputFormatList")->currentText(), "1366x768@60Hz");
    EXPECT_FALSE(rig.get("outputFormatList")->isEnabled());
    EXPECT_EQ(rig.get<QComboBox>("audio1List")->currentText(), "YPBPR");
    EXPECT_EQ(rig.get<QComboBox>("audio2List")->currentText(), "VGA1");
    QStringList marked;
    for (const auto& b : {"mode3Radio", "syncRadio", "sharpSharpRadio", "textAboveRadio",
                          "hotSpare0", "hotSpare1", "hotSpare2", "hotSpare3"})
        if (rig.get<QAbstractButton>(b)->isChecked()) marked << b;
    EXPECT_EQ(marked.join(' '),
              "mode3Radio syncRadio sharpSharpRadio textAboveRadio hotSpare0 hotSpare2");
    EXPECT_TRUE(rig.boxes.shown.empty());  // showing the device's audio raises no complaint
    // Assistive tools get a name of its own for each control, the lists named by their label.
    EXPECT_GT(guitest::expectUniqueNames(rig.dialog.get()), 55);
    EXPECT_EQ(rig.get("brightnessSave")->accessibleName(), "Save Brightness");
    EXPECT_EQ(rig.get("audio1List")->accessibleName(), "AD1");
}

// A read-back cut short: the fields of the pages that did not answer show nothing they were
// not told, their groups are marked, and the Info line names them instead of an old outcome.
TEST(GuiSetupDialog, PagesThatDidNotAnswerAreMarkedAndNamed) {
    Rig rig;
    rig.line.holdPage(3);
    rig.open({.connected = true}, false);
    ASSERT_TRUE(guitest::waitFor([&] { return rig.line.holding(); }));
    EXPECT_EQ(rig.text("mainWidthEdit"), "");
    EXPECT_EQ(rig.get<QComboBox>("audio1List")->currentIndex(), -1);
    rig.line.silentFromPage = 5;
    rig.line.release();
    rig.settle();
    EXPECT_EQ(rig.text("mainWidthEdit"), "1024");
    EXPECT_EQ(rig.text("brightnessEdit"), "");
    EXPECT_EQ(rig.info(),
              "No answer from the device for: Brightness, Saturation, Bias, Sharpness, Audio Set, "
              "Hot Spare, Text");
    EXPECT_EQ(rig.get("textBox")->accessibleDescription(), "No answer from the device");
    EXPECT_EQ(rig.get("mainBox")->accessibleDescription(), "");
    EXPECT_FALSE(rig.get("audioSave")->isEnabled());  // no channel to send yet

    rig.line.silentFromPage = -1;
    rig.type("biasEdit", "40");
    rig.press("biasSave");
    rig.line.silentFromPage = 6;
    rig.press("refreshButton");
    EXPECT_EQ(rig.info(), "No answer from the device for: Text");
    EXPECT_EQ(rig.text("biasEdit"), "40");
    EXPECT_EQ(rig.get("biasBox")->accessibleDescription(), "");
}

// What a refused value leaves in its field: a rectangle's out-of-range field is emptied, a
// level's is set to 0, an odd one is marked unsaved; a threshold arrow stops at 255.
// Nothing is sent in any case.
TEST(GuiSetupDialog, RefusalsLeaveTheFieldAsTheOperatorMustFixIt) {
    struct Case {
        std::vector<std::pair<const char*, const char*>> typed;
        const char* button;
        const char* refusal;
        const char* field;  // and its text afterwards
        const char* after;
    };
    const char* range = "Value out  of range";
    const char* odd = "The input value must be even, and can not be odd";
    const std::vector<Case> cases{
        {{{"mainWidthEdit", "1024"}, {"mainXEdit", "2"}}, "mainSave", range, "mainWidthEdit", ""},
        {{{"mainWidthEdit", "101"}}, "mainSave", odd, "mainWidthEdit", "101"},
        {{{"brightnessEdit", "66"}}, "brightnessSave", range, "brightnessEdit", "0"},
        {{{"redEdit", "248"}}, "redUp", "Value cannot be upward adjustment", "redEdit", "248"}};
    for (const auto& c : cases) {
        Rig rig;
        rig.open();
        for (const auto& [field, text] : c.typed) rig.type(field, text);
        rig.press(c.button);
        const std::string where = std::string(c.button) + " " + c.typed[0].second;
        EXPECT_TRUE(rig.writes().empty()) << where;
        ASSERT_EQ(rig.boxes.shown.size(), 1u) << where;
        EXPECT_EQ(rig.boxes.shown[0].text, c.refusal) << where;
        EXPECT_EQ(rig.text(c.field), c.after) << where;
        EXPECT_TRUE(rig.unsaved(c.field)) << where;
        EXPECT_EQ(enabledOf(rig, kSetupControls), kAllOn) << where;
    }
}

// What each kind of answer to a save leaves behind: the Info line, the stored rectangle, the
// fields' colour.
// At address 0 the whole chain hears the save and nobody answers it.
TEST(GuiSetupDialog, SaveOutcomeDecidesMessageStoredValuesAndColour) {
    struct Case {
        SimLine::Fault fault;
        std::uint8_t address;
        const char* info;
        bool keepsTyped;  // else the values from before the save are back
    };
    const std::vector<Case> cases{{SimLine::Fault::None, 1, "Set successfully", true},
                                  {SimLine::Fault::Silent, 1, "Setup failed", false},
                                  {SimLine::Fault::WrongCommand, 1, "", true},
                                  {SimLine::Fault::None, 0, "Setup failed", false}};
    const tvq::setup::WindowRect typed{512, 100, 384, 200};
    for (const auto& c : cases) {
        Rig rig;
        rig.geometry[tvq::setup::RectTarget::Main] = {640, 0, 480, 0};
        rig.session.setDeviceAddress(c.address);
        rig.open();
        const auto before = rig.geometry[tvq::setup::RectTarget::Main];
        rig.line.writeFault = c.fault;
        typeRect(rig, "main", {"512", "100", "384", "200"});
        rig.press("mainSave");
        const std::string where = std::string(c.info) + " at " + std::to_string(c.address);
        EXPECT_EQ(rig.info(), c.info) << where;
        EXPECT_EQ(rig.geometry[tvq::setup::RectTarget::Main], c.keepsTyped ? typed : before)
            << where;
        EXPECT_EQ(rig.unsaved("mainWidthEdit"), c.info != std::string("Set successfully")) << where;
        auto sent = rig.writes().back();
        sent[1] = 1, sent[12] = tvq::frameCheck(sent);
        EXPECT_EQ(sent, frame(0x8B, {0, 0, 100, 2, 0, 0, 200, 1, 128})) << where;
    }
}

TEST(GuiSetupDialog, AudioHotSpareTextKeyAndRadiosSendTheirFrames) {
    Rig rig;
    rig.open();
    auto* ad1 = rig.get<QComboBox>("audio1List");
    auto* ad2 = rig.get<QComboBox>("audio2List");
    ad1->setCurrentIndex(7);  // HDMI
    ad2->setCurrentIndex(7);  // the same: moves to V1
    EXPECT_EQ(ad2->currentIndex(), 0);
    ASSERT_EQ(rig.boxes.shown.size(), 1u);
    EXPECT_EQ(rig.boxes.shown[0].text, "Sorry, audio1 and audio2 can't use the same channel");
    EXPECT_EQ(rig.boxes.shown[0].title, "");  // the toolkit's own title
    rig.press("audioSave");
    rig.get<QCheckBox>("hotSpare2")->setChecked(true);
    rig.press("hotSpareSave");
    rig.press("textAboveRadio");  // chooses the mode, sends nothing by itself
    rig.press("redUp");
    rig.press("greenDown");  // green moves by 4
    rig.press("textSave");
    rig.type("brightnessEdit", "64");
    rig.press("brightnessSave");
    rig.press("sharpSharpRadio");
    EXPECT_EQ(rig.writes(),
              (std::vector{frame(0x94, {8, 0}), frame(0x95, {0, 0, 1, 0}),
                           frame(0x8F, {1, 136, 124, 128}), frame(0x91, {64}), frame(0x93, {1})}));
    EXPECT_FALSE(rig.unsaved("redEdit"));
    EXPECT_FALSE(rig.unsaved("brightnessEdit"));
}

// A radio pressed while a read-back runs is sent once the read-back is over, not lost.
TEST(GuiSetupDialog, RadioPressedDuringReadBackIsSentAfterIt) {
    Rig rig;
    rig.line.holdPage(4);
    rig.open({.connected = true}, false);
    ASSERT_TRUE(guitest::waitFor([&] { return rig.line.holding(); }));
    rig.get<QAbstractButton>("syncRadio")->click();
    EXPECT_TRUE(rig.writes().empty());
    rig.line.release();
    EXPECT_TRUE(guitest::waitFor([&] { return rig.writes().size() == 1; }));
    rig.settle();
    EXPECT_EQ(rig.writes(), std::vector{frame(0x9A, {1})});
    EXPECT_TRUE(rig.get<QRadioButton>("syncRadio")->isChecked());  // page 4 said No Sync
    EXPECT_EQ(rig.line.pagesRead().back(), 6);  // the read-back went on to its end first
}

// Every radio and check box acts on an assistive tool's toggle as on a click.
TEST(GuiSetupDialog, TogglesActAsClicks) {
    const int walked = guitest::expectTogglesActAsClicks([] {
        auto rig = std::make_shared<Rig>();
        rig->open();
        auto* r = rig.get();
        auto sent = [r] {
            r->settle();
            QStringList frames;
            for (const auto& f : r->line.sent()) frames << QString::number(f[2] << 8 | f[3]);
            return frames;
        };
        return guitest::Opened{r->dialog.get(), sent, rig};
    });
    EXPECT_EQ(walked, 10);  // the radios the read-back did not mark, and the hot spare boxes
}

// Fits a laptop screen in both languages: nothing scrolls sideways on 1366 pixels, and Exit (on
// the row of Info and Refresh) stays in view on a screen smaller than the dialog.
void expectFitsTheScreen(Rig& rig) {
    EXPECT_LE(rig.get("setupContent")->sizeHint().width(), 1300);
    auto* exit = rig.get("exitButton");
    EXPECT_TRUE(rig.dialog->screen()->availableGeometry().size().boundedTo(rig.dialog->size()) ==
                    rig.dialog->size() &&
                rig.dialog->rect().contains(exit->geometry().translated(
                    exit->parentWidget()->mapTo(rig.dialog.get(), QPoint(0, 0)))));
}

TEST(GuiSetupDialog, FitsTheScreenInBothLanguages) {
    {
        Rig english;
        english.open();
        expectFitsTheScreen(english);
    }
    guitest::switchLanguage(true);
    Rig rig;
    rig.open();
    expectFitsTheScreen(rig);
    EXPECT_EQ(rig.dialog->windowTitle(), "屏幕参数");
}

// Against a processor that answers page 3 and nothing more, closing the dialog ends the
// read-back within one try and nothing is sent after it.
TEST(GuiSetupDialog, ClosingMidSequenceStopsAfterTheCurrentTry) {
    Rig rig;
    rig.line.silentFromPage = 0;
    rig.line.realSilence = true;
    rig.open({.connected = true}, false);
    ASSERT_TRUE(guitest::waitFor([&] { return rig.line.pagesRead().size() == 2; }));
    QElapsedTimer closing;
    closing.start();
    rig.dialog->reject();
    EXPECT_LT(closing.elapsed(), 400);
    EXPECT_FALSE(rig.dialog->isVisible());
    QTest::qWait(300);
    EXPECT_EQ(rig.line.pagesRead(), (std::vector<int>{3, 0}));
}

}  // namespace

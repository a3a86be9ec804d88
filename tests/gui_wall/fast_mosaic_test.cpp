#include <gtest/gtest.h>

#include <QSpinBox>

#include "gui/toggle_walker.h"
#include "mosaic_rig.h"

using namespace walltest;
using S = CSimpleMosaic;

namespace {

QColor background(QWidget* field) {
    const QImage image = field->grab().toImage();
    return image.pixelColor(image.width() - 5, image.height() / 2);
}

// Refused wall sizes leave the wall as it was; text that is no number counts as 0.
TEST(FastMosaic, RefusedWallSizes) {
    const QString large = "Sorry, Does not support the splicing Specifications (6 X 8)";
    const QString small = "Sorry, does not support the splice specifications of less than (1 X 1)";
    const std::vector<std::tuple<const char*, const char*, QString>> cases{
        {"", "", small}, {"7", "1", large}, {"abc", "2", small}, {"4294967297", "2", large}};
    MosaicRig rig(false);
    for (const auto& [rows, columns, shown] : cases) {
        rig.boxes.shown.clear();
        rig.wallSize(rows, columns);
        EXPECT_EQ(rig.shownTexts(), QStringList{shown}) << rows << " x " << columns;
        EXPECT_EQ(rig.screen->grid()->cellCount(), 1);
    }
}

// A click selects: green face for it, grey for the rest, box titles with its window ID, the
// action buttons off. The titles keep the selection across a change of language; a new
// wall size selects cell 000 again.
TEST(FastMosaic, SelectionColoursAndTitles) {
    MosaicRig rig(false);
    rig.click("preset2X3");
    rig.click("autoCalcButton");
    ASSERT_TRUE(rig.actionsEnabled());
    rig.selectCell(5);
    EXPECT_FALSE(rig.actionsEnabled());
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(rig.cell(k)->button()->face, k == 5 ? QColor(0, 255, 0) : QColor(169, 169, 169));
        EXPECT_EQ(rig.cell(k)->button()->textColour, QColor(Qt::white));
    }
    EXPECT_EQ(rig.get<QGroupBox>("inputBox")->title(), "Input（WindowID：005）");
    EXPECT_EQ(rig.get<QGroupBox>("outputBox")->title(), "Output（WindowID：005）");
    guitest::switchLanguage(true);
    EXPECT_EQ(rig.get<QGroupBox>("outputBox")->title(), "输出（窗口号：005）");
    EXPECT_EQ(rig.cell(5)->button()->face, QColor(0, 255, 0));
    rig.click("autoCalcButton");
    rig.click("preset1X2");
    EXPECT_EQ(rig.screen->selectedCell(), 0);
    EXPECT_EQ(rig.value(S::Input, false, S::Width), 0) << "no results of the old grid's cell";
    EXPECT_FALSE(rig.screen->pending(S::field(S::Input, false, S::Width)) || rig.actionsEnabled());
    EXPECT_EQ(rig.cell(0)->button()->face, QColor(0, 255, 0));
    EXPECT_EQ(rig.get<QGroupBox>("inputBox")->title(), "输入（窗口号：000）");
}

// The calculated values (bezels included) land in their own fields, turned cyan; the adjusted
// ones go to 0.
TEST(FastMosaic, AutoCalculateFillsTheFields) {
    MosaicRig rig(false);
    rig.wallSize("2", "2");
    rig.sizes({"1000", "920", "1000", "920"}, {"700", "768", "600", "768"});
    rig.get<QSpinBox>("bezelHSpin")->setValue(100);
    rig.get<QSpinBox>("bezelVSpin")->setValue(50);
    rig.selectCell(3);
    rig.spin("outputVStart", 3);
    rig.click("autoCalcButton");
    EXPECT_TRUE(rig.boxes.shown.empty());
    const std::pair<S::Side, tvq::WindowRect> expected[] = {{S::Input, {466, 436, 557, 426}},
                                                            {S::Output, {920, 768, 0, 0}}};
    for (const auto& [side, w] : expected) {
        const tvq::WindowRect got{
            rig.value(side, false, S::Width), rig.value(side, false, S::Height),
            rig.value(side, false, S::HStart), rig.value(side, false, S::VStart)};
        EXPECT_EQ(got, w) << side;
    }
    for (int f = 0; f < 16; ++f) EXPECT_TRUE(rig.screen->pending(f));
    EXPECT_EQ(rig.value(S::Output, true, S::VStart), 0);
    EXPECT_EQ(background(rig.get("inputWidthCalculated")), QColor(0, 255, 255));
    EXPECT_EQ(rig.get<QLineEdit>("inputHStartCalculated")->text(), "557");
}

// Set's checks come before the device: out of range resets the named adjusted field, odd
// names the first odd one; with no connection nothing is sent and nothing shown.
TEST(FastMosaic, SetRefusesBadWindowsWithoutSending) {
    using Spins = std::vector<std::pair<QString, int>>;  // on the 1024 x 768 window at (0, 0)
    const std::vector<std::pair<Spins, QString>> cases{
        {{{"inputWidth", -1}, {"inputHStart", 2}}, "Data out of range: reset inputWidth"},
        {{{"inputWidth", -4}, {"inputHStart", -2}}, "Data out of range: reset inputHStart"},
        {{{"inputWidth", -1}},
         "The input value must be even, and can not be odd (System Information)"},
        {{}, ""}  // nothing wrong, not connected
    };
    for (const auto& [spins, expected] : cases) {
        MosaicRig rig(false);
        rig.click("autoCalcButton");
        for (const auto& [field, times] : spins) rig.spin(field, times);
        rig.click("inputSetButton");
        ASSERT_TRUE(rig.settle());
        QStringList did;  // each box shown, its title if any, the adjusted fields reset
        for (const auto& shown : rig.boxes.shown)
            did << shown.text + (shown.title.isEmpty() ? "" : " (" + shown.title + ")");
        for (const auto& [field, times] : spins)
            if (rig.get<QLineEdit>(field + "Adjusted")->text() == "0") did << "reset " + field;
        EXPECT_EQ(did.join(": "), expected);
        EXPECT_TRUE(rig.device.sent().empty());
        EXPECT_TRUE(rig.actionsEnabled());
    }
}

// A preset, an address radio or a mode radio toggled by an assistive tool acts as a click.
TEST(FastMosaic, AccessibleTogglesActAsClicks) {
    const int walked = guitest::expectTogglesActAsClicks([] {
        auto rig = std::make_shared<MosaicRig>();
        rig->click("autoCalcButton");  // the mode radios come on
        auto effects = [r = rig.get(), before = rig->device.sent().size()] {
            r->settle();
            return r->shownTexts() << QString::number(r->device.sent().size() - before);
        };
        return guitest::Opened{rig->screen.get(), effects, rig};
    });
    EXPECT_EQ(walked, 11 + 8 + 2);
}

// A radio asks first and No keeps the old address; the list asks nothing.
TEST(FastMosaic, AddressRadiosAskAndTheListDoesNot) {
    MosaicRig rig(false);
    rig.boxes.answers = {MessageBoxes::Answer::No};
    rig.click("addressRadio4");
    ASSERT_EQ(rig.boxes.shown.size(), 1u);
    EXPECT_EQ(rig.boxes.shown[0].title, "System Infomation");
    EXPECT_EQ(rig.boxes.shown[0].text, "Please connect the serial port");
    EXPECT_TRUE(rig.get<QRadioButton>("addressRadio4")->isChecked());
    EXPECT_EQ(rig.screen->deviceAddress(), 1);

    rig.boxes.answers = {MessageBoxes::Answer::Yes};
    rig.click("addressRadio7");
    EXPECT_EQ(rig.screen->deviceAddress(), 7);
    EXPECT_EQ(rig.get<QComboBox>("addressList")->currentText(), "7");

    auto* list = rig.get<QComboBox>("addressList");
    for (int n : {12, 3}) {
        list->setCurrentIndex(n - 1);
        Q_EMIT list->activated(n - 1);
        EXPECT_EQ(rig.screen->deviceAddress(), n);
        for (int r = 1; r <= 9; ++r)
            EXPECT_EQ(rig.get<QRadioButton>(QStringLiteral("addressRadio%1").arg(r))->isChecked(),
                      r == n);
    }
    EXPECT_EQ(rig.boxes.shown.size(), 2u);
}

}  // namespace

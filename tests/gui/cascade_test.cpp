#include <gtest/gtest.h>

#include <QSlider>

#include "gui/ui/ask_box.h"
#include "gui/wall/cascade_dialog.h"
#include "gui_test_support.h"

using namespace guitest;
using tvq::CommandFrame;

namespace {

// Runs body on the cascade dialog the main window opens after connecting at address 0.
void withCascade(const std::function<void(WindowRig&, CJilian&)>& body) {
    WindowRig rig;
    rig.open();
    rig.click("addressRadio0");
    rig.boxes.answers = {MessageBoxes::Answer::Yes};
    bool ran = false;
    onNextModal<CJilian>([&](CJilian* dialog) {
        body(rig, *dialog);
        ran = dialog->close();
    });
    rig.click("connectButton");
    EXPECT_TRUE(ran);
}

void press(CJilian& dialog, const QString& name) {
    clickOn(child<QPushButton>(&dialog, name));
    EXPECT_TRUE(waitFor([&] { return !dialog.sending(); }));
}

std::vector<CommandFrame> frames(const WindowRig& rig) {
    std::vector<CommandFrame> out;
    for (const auto& s : rig.device.sent()) out.push_back(s.frame);
    return out;
}

TEST(GuiCascade, SourceAndMosaicKeysBroadcastTheirFrames) {
    withCascade([](WindowRig& rig, CJilian& dialog) {
        // Indexed by source code; code 3 has no key.
        const QStringList keys{"V1",   "V2",  "V3",   "",     "S-VIDEO", "VGA1",
                               "VGA2", "DVI", "HDMI", "EXT.", "YPbPr"};
        std::vector<CommandFrame> expected;
        for (std::uint8_t code = 0; code < keys.size(); ++code) {
            if (keys[code].isEmpty()) continue;
            press(dialog, "source:" + keys[code]);
            expected.push_back(tvq::makeFrame(0, 0x80, {code}));
        }
        // Address 0 gets no replies: each key says in words what became of its frame.
        EXPECT_EQ(child<QWidget>(&dialog, "source:YPbPr")->accessibleDescription(),
                  "Sent to every processor on the line");
        rig.boxes.openCloseAnswers = {CAnswer::Open, CAnswer::Close, CAnswer::Cancel};
        for (int i = 0; i < 3; ++i) press(dialog, "mosaicButton");  // Cancel sends nothing
        EXPECT_EQ(child<QWidget>(&dialog, "mosaicButton")->accessibleDescription(), "Nothing sent");
        expected.push_back(tvq::makeFrame(0, 0x86, {1}));
        expected.push_back(tvq::makeFrame(0, 0x86, {0}));
        EXPECT_EQ(frames(rig), expected);
    });
}

// The entry must be a whole number 0..100; a typo must never broadcast brightness 0.
TEST(GuiCascade, SaveSendsTheBrightnessOrRefusesItOutOfRange) {
    withCascade([](WindowRig& rig, CJilian& dialog) {
        child<QSlider>(&dialog, "brightnessSlider")->setValue(50);  // fills the entry
        press(dialog, "saveButton");
        EXPECT_EQ(frames(rig),
                  (std::vector{CommandFrame{5, 0, 0x91, 50, 0, 0, 0, 0, 0, 0, 0, 0, 0xA6}}));
        // -1: refused. 4294967396 would wrap to 100 in 32 bits.
        const std::vector<std::pair<const char*, int>> cases{
            {"100", 100}, {" 7", 7}, {"+5", 5},   {"12abc", -1}, {"x7z", -1},       {"", -1},
            {"-0", 0},    {"-", -1}, {"101", -1}, {"-1", -1},    {"4294967396", -1}};
        for (const auto& [text, value] : cases) {
            const std::size_t before = frames(rig).size();
            rig.boxes.shown.clear();
            child<QLineEdit>(&dialog, "brightnessEntry")->setText(text);
            press(dialog, "saveButton");
            QStringList did;  // the brightness of each frame sent, then each box shown
            for (std::size_t i = before; i < frames(rig).size(); ++i)
                did << QString::number(frames(rig)[i][3]);
            for (const auto& shown : rig.boxes.shown) did << shown.text;
            EXPECT_EQ(did, QStringList{value < 0 ? "Data out of range" : QString::number(value)})
                << text;
        }
    });
}

}  // namespace

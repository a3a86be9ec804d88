#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <condition_variable>
#include <mutex>

#include "gui/ui/ask_box.h"
#include "gui/wall/cascade_commands.h"
#include "gui/wall/cascade_dialog.h"
#include "gui_test_support.h"

using guitest::ScriptedBoxes;
using guitest::waitFor;

namespace {

class QuietObserver final : public tvq::SessionObserver {
public:
    void panelChanged(const tvq::PanelState&) override {}
    void infoChanged(const tvq::InfoText&) override {}
    void connectFinished(tvq::ConnectOutcome) override {}
};

// A Session linked to every chained device at once, as the main window leaves it for the
// cascade dialog.
struct CascadeRig {
    tvq::test::FakeDevice device{tvq::systemClock()};
    QuietObserver observer;
    ScriptedBoxes boxes;
    tvq::Session session{observer, tvq::systemClock(),
                         [this](const tvq::LinkChoice&, const tvq::InfoSink&) {
                             return tvq::OpenedLink{device.openLink(), {}};
                         }};
    CJilian dialog{session, boxes};

    CascadeRig() {
        session.setDeviceAddress(0);
        session.startConnect({});
        session.waitForConnectJob();
        dialog.show();
    }

    void click(const QString& name) {
        guitest::clickOn(guitest::child<QPushButton>(&dialog, name));
        EXPECT_TRUE(waitFor([this] { return !dialog.sending(); }));
    }

    std::vector<tvq::CommandFrame> frames() const {
        std::vector<tvq::CommandFrame> out;
        for (const auto& s : device.sent()) out.push_back(s.frame);
        return out;
    }

    QLineEdit* entry() { return guitest::child<QLineEdit>(&dialog, "brightnessEntry"); }
};

tvq::CommandFrame bytes(std::initializer_list<std::uint8_t> b) {
    tvq::CommandFrame f{};
    std::copy(b.begin(), b.end(), f.begin());
    return f;
}

TEST(GuiCascade, SourceKeysBroadcastTheMainSourceCommand) {
    CascadeRig rig;
    const std::vector<std::pair<const char*, std::uint8_t>> keys{
        {"V1", 0},   {"V2", 1},   {"V3", 2},   {"S-VIDEO", 4}, {"DVI", 7},
        {"HDMI", 8}, {"VGA1", 5}, {"VGA2", 6}, {"EXT.", 9},    {"YPbPr", 10}};
    for (const auto& [name, code] : keys) rig.click(QStringLiteral("source:") + name);
    const auto sent = rig.frames();
    ASSERT_EQ(sent.size(), keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(sent[i][1], 0);
        EXPECT_EQ(sent[i][2], 0x80);
        EXPECT_EQ(sent[i][3], keys[i].second) << keys[i].first;
        EXPECT_TRUE(tvq::checkByteOk(sent[i]));
    }
    EXPECT_EQ(sent[4], bytes({5, 0, 0x80, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0x82}));
}

TEST(GuiCascade, SliderFillsTheEntryAndSaveSendsIt) {
    CascadeRig rig;
    EXPECT_EQ(rig.entry()->text(), "0");
    guitest::child<QSlider>(&rig.dialog, "brightnessSlider")->setValue(50);
    EXPECT_EQ(rig.entry()->text(), "50");
    rig.click("saveButton");
    ASSERT_EQ(rig.frames().size(), 1u);
    EXPECT_EQ(rig.frames()[0], bytes({5, 0, 0x91, 50, 0, 0, 0, 0, 0, 0, 0, 0, 0xA6}));
}

TEST(GuiCascade, SaveRefusesBrightnessOutOfRange) {
    struct Case {
        const char* entry;
        int sent;  // -1: refused with the message
    };
    for (const Case c :
         {Case{"100", 100}, Case{"101", -1}, Case{"-1", -1}, Case{"abc", 0}, Case{"0", 0}}) {
        CascadeRig rig;
        rig.entry()->setText(c.entry);
        rig.click("saveButton");
        if (c.sent < 0) {
            EXPECT_TRUE(rig.frames().empty()) << c.entry;
            ASSERT_EQ(rig.boxes.shown.size(), 1u) << c.entry;
            EXPECT_EQ(rig.boxes.shown[0].text, "Data out of range");
            EXPECT_EQ(rig.boxes.shown[0].title, "");
        } else {
            ASSERT_EQ(rig.frames().size(), 1u) << c.entry;
            EXPECT_EQ(rig.frames()[0][3], c.sent) << c.entry;
            EXPECT_TRUE(rig.boxes.shown.empty());
        }
    }
}

TEST(GuiCascade, MosaicSendsWhatTheAskBoxAnswered) {
    CascadeRig rig;
    rig.boxes.openCloseAnswers = {CAnswer::Open, CAnswer::Close, CAnswer::Cancel};
    for (int i = 0; i < 3; ++i) rig.click("mosaicButton");
    const auto sent = rig.frames();
    ASSERT_EQ(sent.size(), 2u);  // Cancel sends nothing
    EXPECT_EQ(sent[0], tvq::makeFrame(0, 0x86, {1}));
    EXPECT_EQ(sent[1], tvq::makeFrame(0, 0x86, {0}));
}

TEST(GuiCascade, KeysWaitWhileASendIsOnItsWay) {
    CascadeRig rig;
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    rig.device.onFrame([&](const tvq::CommandFrame&) {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return release; });
    });
    auto* dvi = guitest::child<QPushButton>(&rig.dialog, "source:DVI");
    QTest::mouseClick(dvi, Qt::LeftButton);
    EXPECT_TRUE(rig.dialog.sending());
    QTest::qWait(50);  // the UI thread keeps running its event loop meanwhile
    EXPECT_FALSE(dvi->isEnabled());
    EXPECT_FALSE(guitest::child<QPushButton>(&rig.dialog, "saveButton")->isEnabled());
    EXPECT_TRUE(guitest::child<QPushButton>(&rig.dialog, "cancelButton")->isEnabled());
    {
        std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    EXPECT_TRUE(waitFor([&] { return dvi->isEnabled(); }));
    EXPECT_EQ(rig.frames().size(), 1u);
}

TEST(GuiCascade, TitleAndBoxesFollowTheLanguage) {
    CascadeRig rig;
    EXPECT_EQ(rig.dialog.windowTitle(), "Multi-device connection");
    guitest::switchLanguage(true);
    EXPECT_EQ(rig.dialog.windowTitle(), "多机集连");
    EXPECT_EQ(guitest::child<QPushButton>(&rig.dialog, "saveButton")->text(), "保存");
    EXPECT_EQ(guitest::child<QPushButton>(&rig.dialog, "mosaicButton")->text(), "Mosaic");
    guitest::switchLanguage(false);
    EXPECT_EQ(guitest::child<QPushButton>(&rig.dialog, "cancelButton")->text(), "Cancel");
}

TEST(GuiCascadeCommands, BrightnessEntryReadsLikeASignedNumber) {
    const std::vector<std::pair<std::string, std::optional<std::uint8_t>>> cases{
        {"50", 50},
        {" 7", 7},
        {"+5", 5},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"-0", 0},
        {"100", 100},
        {"101", {}},
        {"-1", {}},
        {"99999999999999999999", {}},
        {"-", 0}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(tvq::brightnessFromEntry(text), expected) << '"' << text << '"';
}

TEST(GuiAskBox, ButtonsGiveOneTwoOrZero) {
    struct Case {
        const char* button;  // null: Esc
        int answer;
    };
    for (const Case c : {Case{"openButton", 1}, Case{"closeButton", 2}, Case{"cancelButton", 0},
                         Case{nullptr, 0}}) {
        CAnswer box;
        box.show();
        if (c.button)
            QTest::mouseClick(guitest::child<QPushButton>(&box, c.button), Qt::LeftButton);
        else
            QTest::keyClick(&box, Qt::Key_Escape);
        EXPECT_FALSE(box.isVisible());
        EXPECT_EQ(box.answer(), c.answer) << (c.button ? c.button : "Esc");
    }
}

TEST(GuiAskBox, TextsInBothLanguages) {
    CAnswer english;
    EXPECT_EQ(english.windowTitle(), "Ask Box");
    guitest::switchLanguage(true);
    CAnswer chinese;
    EXPECT_EQ(chinese.windowTitle(), "询问框");
    EXPECT_EQ(chinese.findChild<QLabel*>()->text(), "打开？关闭？");
    EXPECT_EQ(guitest::child<QPushButton>(&chinese, "openButton")->text(), "打开");
    EXPECT_EQ(guitest::child<QPushButton>(&chinese, "closeButton")->text(), "关闭");
    EXPECT_EQ(guitest::child<QPushButton>(&chinese, "cancelButton")->text(), "取消");
    guitest::switchLanguage(false);
    EXPECT_EQ(chinese.windowTitle(), "Ask Box");
}

}  // namespace

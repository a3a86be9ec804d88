#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>

#include "core/platform/messages.h"
#include "gui_test_support.h"

using guitest::waitFor;
using guitest::WindowRig;

namespace {

struct Label {
    const char* object;
    const char* english;
    const char* chinese;
};

// Every relabelled control of the main window, by the widget that shows the text.
const std::vector<Label> kLabels{
    {"connectBox", "Connect", "连接串口"},
    {"deviceIdBox", "Device_ID", "设备ID"},
    {"sourceBox", "Source", "信号"},
    {"timerBox", "Timer", "定时器"},
    {"functionBox", "Function", "功能"},
    {"pipModeBox", "PIP_Mode", "PIP模式"},
    {"languageBox", "CH/EN", "中文/英文"},
    {"transitionBox", "Cut/Fade", "切换/淡入淡出"},
    {"transition0", "Cut", "无缝切换"},
    {"transition1", "Fade=0.5S", "淡入淡出=0.5S"},
    {"transition2", "Fade=1.0S", "淡入淡出=1.0S"},
    {"transition3", "Fade=1.5S", "淡入淡出=1.5S"},
    {"connectButton", "Connect", "连接"},
    {"disconnectButton", "Disconnect", "断开连接"},
    {"dayBox", "Day", "日定时"},
    {"weekBox", "Week", "周定时"},
    {"monthBox", "Month", "月定时"},
    {"onceBox", "Once", "一次定时"},
    {"allBox", "All", "所有定时"},
    {"startButton", "Start", "启动定时"},
    {"stopButton", "Stop", "停止定时"},
    {"programButton", "Program", "设置定时"},
    {"setupButton", "Setup", "屏幕设置"},
    {"fastMsButton", "FastMS", "快速拼接"},
    {"exitButton", "Exit", "退出"},
    {"currentTimerBox", "Current Timer", "当前定时"},
    {"nextTimerBox", "Next Timer", "下一个定时"},
    {"autoConnectBox", "AutoConnect", "自动连接"},
    {"startTimerBox", "StartTimer", "自动启动定时"},
    {"autoBox", "Auto", "自动"},
    {"connectionBox", "Connection settings", "通讯设置"},
    {"linkKindBox", "Serial/Network", "串口/网络"},
    {"serialBox", "Serial", "串口"},
    {"serialRadio", "Serial", "串口"},
    {"networkBox", "Network", "网络"},
    {"networkRadio", "Network", "网络"},
};

QString shownText(QWidget* w) {
    if (auto* box = qobject_cast<QGroupBox*>(w)) return box->title();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    return qobject_cast<QLabel*>(w)->text();
}

// Labels without an object name of their own: the port label, Info and the timer fields.
QStringList buddyLabels(QWidget& window) {
    QStringList texts;
    for (auto* label : window.findChildren<QLabel*>())
        if (label->buddy()) texts << label->text();
    return texts;
}

const QStringList kSameInBoth{"source:V1",    "source:S-VIDEO",   "source:EXT.",
                              "source:YPbPr", "function:PIP/POP", "function:VGA-AUTO",
                              "mode:M1",      "mode:M4",          "ext:NULL",
                              "ext:VIDEO",    "addressRadio0",    "addressRadio6"};

TEST(GuiLanguage, RadiosRelabelTheWholeWindow) {
    WindowRig rig;
    auto& w = rig.open();
    QStringList keys;
    for (const QString& name : kSameInBoth) keys << shownText(rig.get(name));
    for (const auto& l : kLabels) EXPECT_EQ(shownText(rig.get(l.object)), l.english) << l.object;

    rig.click("chineseRadio");
    EXPECT_TRUE(Language::chinese());
    EXPECT_EQ(w.windowTitle(), "CorvaneTVQ418控制软件(V2.84)----网络通讯");
    for (const auto& l : kLabels) EXPECT_EQ(shownText(rig.get(l.object)), l.chinese) << l.object;
    const QStringList buddies = buddyLabels(w);
    for (const char* text : {"Rs232串口:", "信息", "时间:", "信号:", "状态:", "结果:"})
        EXPECT_TRUE(buddies.contains(QString::fromUtf8(text))) << text;
    for (qsizetype i = 0; i < kSameInBoth.size(); ++i)
        EXPECT_EQ(shownText(rig.get(kSameInBoth[i])), keys[i]);

    rig.click("englishRadio");
    EXPECT_FALSE(Language::chinese());
    EXPECT_EQ(w.windowTitle(), "Corvane TVQ418 Processor Controller(V2.84)----Network");
    for (const auto& l : kLabels) EXPECT_EQ(shownText(rig.get(l.object)), l.english) << l.object;
    EXPECT_TRUE(buddyLabels(w).contains("Rs232_Com_Port:"));
}

struct Refusal {
    const char* name;
    std::function<void(tvq::StatusReport&)> state;
    const char* key;
    const char* english;
    const char* chinese;
};

void PrintTo(const Refusal& r, std::ostream* os) {
    *os << r.name;
}

class GuiRefusalTexts : public testing::TestWithParam<Refusal> {};

// A refusal is worded in the language of the moment it is shown; text already on the Info line
// stays as it was.
TEST_P(GuiRefusalTexts, FollowTheLanguageWhenShown) {
    const Refusal& r = GetParam();
    WindowRig rig;
    auto status = guitest::plainStatus();
    r.state(status);
    rig.device.setStatus(1, status);
    rig.open();
    rig.connect();
    ASSERT_TRUE(waitFor([&] { return rig.get(r.key)->isEnabled(); }));

    rig.click(r.key);
    EXPECT_TRUE(waitFor([&] { return rig.info() == r.english; })) << rig.info().toStdString();
    rig.click("chineseRadio");
    EXPECT_EQ(rig.info(), r.english);
    rig.click(r.key);
    EXPECT_TRUE(waitFor([&] { return rig.info() == QString::fromUtf8(r.chinese); }));
    rig.click("englishRadio");
    rig.click(r.key);
    EXPECT_TRUE(waitFor([&] { return rig.info() == r.english; }));
}

INSTANTIATE_TEST_SUITE_P(
    Gui, GuiRefusalTexts,
    testing::Values(Refusal{"MosaicOn",
                            [](tvq::StatusReport& s) {
                                s.mosaic = true;
                                s.mainSource = 8;
                            },
                            "source:HDMI", "Invalid Operate Only Valid in mosaic off",
                            "无效操作，仅在mosaic关有效"},
                    Refusal{"PipSameGroup",
                            [](tvq::StatusReport& s) {
                                s.pictureMode = 3;
                                s.mainSource = 1;
                                s.subSource = 8;
                                s.subSignal = true;
                            },
                            "source:V3", "Invalid Operate InCorrect Source", "无效操作，错误通道"},
                    Refusal{"ExtWithoutInput",
                            [](tvq::StatusReport& s) {
                                s.bypass = true;
                                s.mainSource = 7;
                                s.extType = 0;
                            },
                            "source:EXT.", "Invalid Operate Not ext model",
                            "无效操作，没有ext模式"}),
    [](const testing::TestParamInfo<Refusal>& info) { return info.param.name; });

TEST(GuiLanguage, EveryCoreMessageHasItsChineseText) {
    const std::vector<std::pair<tvq::MessageId, const char*>> expected{
        {tvq::MessageId::OpenComPortSuccess, "打开串口成功"},
        {tvq::MessageId::OpenComPortFail, "打开串口失败"},
        {tvq::MessageId::OpenNetworkSuccess, "打开网络通讯成功"},
        {tvq::MessageId::OpenNetworkFail, "打开网络通讯失败"},
        {tvq::MessageId::PortOutOfRange, "端口号超出范围,范围是0~65535"},
        {tvq::MessageId::EquipmentNormal, "设备连接成功"},
        {tvq::MessageId::EquipmentFailed, "设备连接失败，请检查设备地址"},
        {tvq::MessageId::MosaicOnlyOff, "无效操作，仅在mosaic关有效"},
        {tvq::MessageId::IncorrectSource, "无效操作，错误通道"},
        {tvq::MessageId::NotExtModel, "无效操作，没有ext模式"},
        {tvq::MessageId::RestartDevice, "请重启设备和控制软件，谢谢!"},
    };
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(tvq::MessageId::Count) - 1);
    guitest::switchLanguage(true);
    for (const auto& [id, chinese] : expected)
        EXPECT_EQ(QCoreApplication::translate(tvq::kMessageContext, tvq::englishText(id).data()),
                  QString::fromUtf8(chinese));
    guitest::switchLanguage(false);
    EXPECT_EQ(QCoreApplication::translate(tvq::kMessageContext,
                                          tvq::englishText(tvq::MessageId::EquipmentFailed).data()),
              "Equipment connection failed");
}

TEST(GuiLanguage, QuestionsAndNoticesUseTheLanguageOfTheMoment) {
    WindowRig rig;
    auto& w = rig.open();
    rig.click("chineseRadio");
    rig.boxes.answers = {MessageBoxes::Answer::No};
    QTest::keyClick(&w, Qt::Key_Escape);
    rig.click("addressRadio0");
    rig.click("connectButton");  // answered Cancel: nothing happens
    ASSERT_EQ(rig.boxes.shown.size(), 2u);
    EXPECT_EQ(rig.boxes.shown[0].title, "系统提示 ");
    EXPECT_EQ(rig.boxes.shown[0].text, "确认退出? ");
    EXPECT_EQ(rig.boxes.shown[1].title, "系统提示 ");
    EXPECT_EQ(rig.boxes.shown[1].text,
              "选中地址0是集连状态，当前软件将无法显示每台机器的状态，是否继续？");

    auto* setup = rig.get<QPushButton>("setupButton");
    setup->setEnabled(true);
    setup->click();
    ASSERT_EQ(rig.boxes.shown.size(), 3u);
    EXPECT_EQ(rig.boxes.shown[2].title, "系统信息");
    EXPECT_EQ(rig.boxes.shown[2].text, "设备未连接，无法进行设置");
}

}  // namespace

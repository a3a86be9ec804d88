#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "core/link/sources.h"
#include "gui/control/main_window_widgets.h"
#include "gui/ui/indicator_lamp.h"
#include "gui/ui/keyboard.h"
#include "gui/ui/painted_icon.h"
#include "gui/ui/push_button.h"

namespace {

constexpr std::array<const char*, 6> kFunctionNames{"PIP/POP", "TEXT",   "BYPASS",
                                                    "FREEZE",  "MOSAIC", "VGA-AUTO"};
constexpr std::array<const char*, 5> kExtNames{"NULL", "SDI", "VGA", "DVI", "VIDEO"};
constexpr std::array<const char*, 5> kPlanKindNames{"dayBox", "weekBox", "monthBox", "onceBox",
                                                    "allBox"};

QString name(const char* text) {
    return QString::fromLatin1(text);
}

QString name(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

class UnpaintedBox final : public QGroupBox {
public:
    UnpaintedBox() : QGroupBox(QStringLiteral(" ")) {}

protected:
    void paintEvent(QPaintEvent*) override {}
};

// A new widget with the object name that tests and accessibility tools find it by.
template <class Widget>
Widget* named(const QString& objectName) {
    auto* widget = new Widget;
    widget->setObjectName(objectName);
    return widget;
}

QGroupBox* groupBox(const QString& objectName, const QString& title = {}) {
    auto* g = named<QGroupBox>(objectName);
    g->setTitle(title);
    return g;
}

IndicatorLamp* lamp(MainWindowWidgets& w, tvq::Light light, const QString& keyName,
                    IndicatorLamp::Colour colour = IndicatorLamp::Colour::Red) {
    auto* l = new IndicatorLamp(colour);
    l->setObjectName(QStringLiteral("lamp:") + keyName);
    w.lamps[static_cast<std::size_t>(light)] = l;
    return l;
}

QLayout* buildConnectionSettings(MainWindowWidgets& w) {
    w.connectionBox = groupBox(QStringLiteral("connectionBox"));
    auto* row = new QHBoxLayout(w.connectionBox);

    w.linkKindBox = groupBox(QStringLiteral("linkKindBox"));
    w.serialRadio = named<QRadioButton>(QStringLiteral("serialRadio"));
    w.networkRadio = named<QRadioButton>(QStringLiteral("networkRadio"));
    auto* kind = new QVBoxLayout(w.linkKindBox);
    kind->addWidget(w.serialRadio);
    kind->addWidget(w.networkRadio);
    // Attached to a chain service, the service owns the line and the link boxes rest.
    w.serviceCheck = named<QCheckBox>(QStringLiteral("serviceCheck"));
    kind->addWidget(w.serviceCheck);
    row->addWidget(w.linkKindBox);

    w.serialBox = groupBox(QStringLiteral("serialBox"));
    w.portLabel = new QLabel;
    w.portList = named<QComboBox>(QStringLiteral("portList"));
    w.portList->setEditable(true);
    w.portList->setInsertPolicy(QComboBox::NoInsert);
    w.portList->setMinimumContentsLength(12);
    w.portLabel->setBuddy(w.portList);
    auto* serial = new QVBoxLayout(w.serialBox);
    serial->addWidget(w.portLabel);
    serial->addWidget(w.portList);
    row->addWidget(w.serialBox);

    w.networkBox = groupBox(QStringLiteral("networkBox"));
    w.ipBox = named<QLineEdit>(QStringLiteral("ipBox"));
    // Four numbers 0..255 joined by dots, as an address box allows.
    const QString octet = QStringLiteral("(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])");
    w.ipBox->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^(%1\\.){0,3}%1?$").arg(octet)), w.ipBox));
    w.ipBox->setMaxLength(15);
    w.ipBox->setFixedWidth(
        w.ipBox->fontMetrics().horizontalAdvance(QStringLiteral("000.000.000.000")) + 16);
    w.tcpPortBox = named<QLineEdit>(QStringLiteral("tcpPortBox"));
    w.tcpPortBox->setMaxLength(11);
    w.tcpPortBox->setFixedWidth(w.ipBox->width() / 2);
    auto* network = new QVBoxLayout(w.networkBox);
    network->addWidget(w.ipBox);
    network->addWidget(w.tcpPortBox, 0, Qt::AlignLeft);
    w.serviceSocketBox = named<QLineEdit>(QStringLiteral("serviceSocketBox"));
    w.serviceSocketBox->setPlaceholderText(QStringLiteral("/run/tvq418/CHAIN.sock"));
    w.serviceSocketBox->setFixedWidth(w.ipBox->width());
    network->addWidget(w.serviceSocketBox);
    row->addWidget(w.networkBox);

    auto* wrap = new QHBoxLayout;
    wrap->addWidget(w.connectionBox);
    return wrap;
}

QLayout* buildConnect(MainWindowWidgets& w) {
    w.connectBox = groupBox(QStringLiteral("connectBox"));
    auto* row = new QHBoxLayout(w.connectBox);

    w.autoBox = groupBox(QStringLiteral("autoBox"));
    w.autoConnectBox = named<QCheckBox>(QStringLiteral("autoConnectBox"));
    w.startTimerBox = named<QCheckBox>(QStringLiteral("startTimerBox"));
    auto* autoColumn = new QVBoxLayout(w.autoBox);
    autoColumn->addWidget(w.autoConnectBox);
    autoColumn->addWidget(w.startTimerBox);
    row->addWidget(w.autoBox);

    w.deviceIdBox = groupBox(QStringLiteral("deviceIdBox"));
    w.addressGroup = new QButtonGroup(w.deviceIdBox);
    auto* address = new QGridLayout(w.deviceIdBox);
    address->setHorizontalSpacing(2);
    for (int i = 0; i < 7; ++i) {
        auto* r = new QRadioButton(QString::number(i));
        r->setObjectName(QStringLiteral("addressRadio%1").arg(i));
        w.addressRadios[static_cast<std::size_t>(i)] = r;
        w.addressGroup->addButton(r, i);
        address->addWidget(r, i / 4, i % 4);
    }
    w.addressList = named<QComboBox>(QStringLiteral("addressList"));
    w.addressList->setMaxVisibleItems(16);
    address->addWidget(w.addressList, 2, 0, 1, 3);
    row->addWidget(w.deviceIdBox);

    w.connectButton = button(QStringLiteral("connectButton"));
    w.disconnectButton = button(QStringLiteral("disconnectButton"));
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(w.connectButton);
    buttons->addWidget(w.disconnectButton);
    row->addLayout(buttons);

    auto* wrap = new QHBoxLayout;
    wrap->addWidget(w.connectBox);
    return wrap;
}

// A key with its light above it.
QLayout* sourceKey(MainWindowWidgets& w, std::size_t index) {
    const auto& source = tvq::kSources[index];
    auto* b = button(QStringLiteral("source:") + name(source.name), name(source.name));
    b->setMinimumWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("S-VIDEO")) + 12);
    w.sourceButtons[index] = b;
    auto* column = new QVBoxLayout;
    column->setSpacing(3);
    column->addWidget(lamp(w, static_cast<tvq::Light>(index), name(source.name)), 0,
                      Qt::AlignHCenter);
    column->addWidget(b);
    return column;
}

QLayout* buildSource(MainWindowWidgets& w) {
    w.sourceBox = groupBox(QStringLiteral("sourceBox"));
    auto* row = new QHBoxLayout(w.sourceBox);
    std::size_t index = 0;
    for (char letter : {'A', 'B', 'C', 'D'}) {
        auto* group = groupBox(QStringLiteral("sourceGroup") + QChar::fromLatin1(letter),
                               QString(QChar::fromLatin1(letter)));
        auto* keys = new QHBoxLayout(group);
        keys->setContentsMargins(6, 6, 6, 6);  // with the timer panel shown, fits 1366 pixels
        while (index < tvq::kSources.size() && tvq::kSources[index].group == letter)
            keys->addLayout(sourceKey(w, index++));
        row->addWidget(group);
    }
    // YPbPr belongs to no group; an unpainted box keeps its light and key level with the rest.
    auto* outside = named<UnpaintedBox>(QStringLiteral("sourceGroupE"));
    auto* keys = new QHBoxLayout(outside);
    keys->setContentsMargins(6, 6, 6, 6);
    while (index < tvq::kSources.size()) keys->addLayout(sourceKey(w, index++));
    row->addWidget(outside);
    auto* wrap = new QHBoxLayout;
    wrap->addWidget(w.sourceBox);
    return wrap;
}

QWidget* buildExt(MainWindowWidgets& w) {
    w.extBox = groupBox(QStringLiteral("extBox"), QStringLiteral("EXT."));
    w.extGroup = new QButtonGroup(w.extBox);
    auto* row = new QHBoxLayout(w.extBox);
    for (std::size_t i = 0; i < kExtNames.size(); ++i) {
        auto* r = new QRadioButton(name(kExtNames[i]));
        r->setObjectName(QStringLiteral("ext:") + name(kExtNames[i]));
        r->setEnabled(false);  // shows the device's EXT. input; nothing chooses it here
        w.extRadios[i] = r;
        w.extGroup->addButton(r, static_cast<int>(i));
        row->addWidget(r);
    }
    return w.extBox;
}

QWidget* buildTransitions(MainWindowWidgets& w) {
    w.transitionBox = groupBox(QStringLiteral("transitionBox"));
    w.transitionGroup = new QButtonGroup(w.transitionBox);
    auto* row = new QHBoxLayout(w.transitionBox);
    for (int i = 0; i < 4; ++i) {
        auto* r = new QRadioButton;
        r->setObjectName(QStringLiteral("transition%1").arg(i));
        w.transitionRadios[static_cast<std::size_t>(i)] = r;
        w.transitionGroup->addButton(r, i);
        row->addWidget(r);
    }
    return w.transitionBox;
}

// Keys with their light beside them, in a grid of `columns`.
template <std::size_t N>
void keyGrid(MainWindowWidgets& w, QGroupBox* box, std::array<QPushButton*, N>& keys,
             const std::array<const char*, N>& names, tvq::Light firstLight, int columns,
             const char* prefix) {
    auto* grid = new QGridLayout(box);
    grid->setHorizontalSpacing(4);
    for (std::size_t i = 0; i < N; ++i) {
        auto* b = button(QString::fromLatin1(prefix) + name(names[i]), name(names[i]));
        keys[i] = b;
        const auto light = static_cast<tvq::Light>(static_cast<std::size_t>(firstLight) + i);
        const int r = static_cast<int>(i) / columns, c = static_cast<int>(i) % columns;
        grid->addWidget(lamp(w, light, name(names[i])), r, 2 * c, Qt::AlignRight);
        grid->addWidget(b, r, 2 * c + 1);
    }
}

QLayout* buildRadioRow(MainWindowWidgets& w) {
    auto* row = new QHBoxLayout;
    row->addWidget(buildExt(w));
    row->addWidget(buildTransitions(w));
    return row;
}

QLayout* buildLowerRow(MainWindowWidgets& w) {
    auto* row = new QHBoxLayout;

    w.functionBox = groupBox(QStringLiteral("functionBox"));
    keyGrid(w, w.functionBox, w.functionButtons, kFunctionNames, tvq::Light::Pip, 3, "function:");
    row->addWidget(w.functionBox);

    w.pipModeBox = groupBox(QStringLiteral("pipModeBox"));
    keyGrid(w, w.pipModeBox, w.modeButtons, std::array<const char*, 4>{"M1", "M2", "M3", "M4"},
            tvq::Light::M1, 2, "mode:");
    row->addWidget(w.pipModeBox);

    w.languageBox = groupBox(QStringLiteral("languageBox"));
    w.chineseRadio = named<QRadioButton>(QStringLiteral("chineseRadio"));
    w.chineseRadio->setIcon(paintedIcon(PaintedImage::ChineseFlag));
    w.englishRadio = named<QRadioButton>(QStringLiteral("englishRadio"));
    w.englishRadio->setIcon(paintedIcon(PaintedImage::EnglishFlag));
    for (auto* r : {w.chineseRadio, w.englishRadio}) r->setIconSize(QSize(30, 20));
    auto* flags = new QVBoxLayout(w.languageBox);
    flags->addWidget(w.chineseRadio);
    flags->addWidget(w.englishRadio);
    row->addWidget(w.languageBox);

    w.timerBox = groupBox(QStringLiteral("timerBox"));
    auto* timer = new QGridLayout(w.timerBox);
    for (std::size_t i = 0; i < kPlanKindNames.size(); ++i) {
        auto* box = new QCheckBox;
        box->setObjectName(name(kPlanKindNames[i]));
        w.planKindBoxes[i] = box;
        timer->addWidget(box, static_cast<int>(i) / 3, static_cast<int>(i) % 3);
    }
    w.startButton = button(QStringLiteral("startButton"));
    w.stopButton = button(QStringLiteral("stopButton"));
    w.programButton = button(QStringLiteral("programButton"));
    timer->addWidget(w.startButton, 2, 0);
    timer->addWidget(w.stopButton, 2, 1);
    timer->addWidget(w.programButton, 2, 2);
    row->addWidget(w.timerBox);
    return row;
}

QLayout* buildBottomRow(MainWindowWidgets& w) {
    auto* row = new QHBoxLayout;
    w.infoLabel = new QLabel;
    w.infoLine = named<QLineEdit>(QStringLiteral("infoLine"));
    // Read-only rather than disabled, so its text stays legible and reachable by screen readers.
    w.infoLine->setReadOnly(true);
    w.infoLabel->setBuddy(w.infoLine);
    w.fastMsButton = button(QStringLiteral("fastMsButton"));
    w.setupButton = button(QStringLiteral("setupButton"));
    w.exitButton = button(QStringLiteral("exitButton"));
    row->addWidget(w.infoLabel);
    row->addWidget(w.infoLine, 1);
    row->addSpacing(12);
    row->addWidget(w.fastMsButton);
    row->addWidget(w.setupButton);
    row->addWidget(w.exitButton);
    return row;
}

QGroupBox* timerFieldsBox(MainWindowWidgets& w, const QString& objectName, std::size_t first) {
    auto* box = groupBox(objectName);
    auto* grid = new QGridLayout(box);
    QPalette cyan;
    cyan.setColor(QPalette::Base, QColor(0, 255, 255));
    cyan.setColor(QPalette::Text, Qt::black);
    for (std::size_t i = first; i < first + 4; ++i) {
        auto* label = new QLabel;
        auto* field = new QLineEdit;
        field->setObjectName(QStringLiteral("timerField%1").arg(i));
        field->setReadOnly(true);
        field->setPalette(cyan);
        label->setBuddy(field);
        w.timerLabels[i] = label;
        w.timerFields[i] = field;
        grid->addWidget(label, static_cast<int>(i - first), 0);
        grid->addWidget(field, static_cast<int>(i - first), 1);
    }
    return box;
}

// Reading order: the connection row left to right, then each row of the panel, the bottom row,
// the ">>" button and the timer display.
void orderTabs(const MainWindowWidgets& w) {
    std::vector<QWidget*> order{w.serialRadio,      w.networkRadio,   w.serviceCheck,
                                w.portList,         w.ipBox,          w.tcpPortBox,
                                w.serviceSocketBox, w.autoConnectBox, w.startTimerBox};
    auto add = [&order](const auto& widgets) {
        order.insert(order.end(), widgets.begin(), widgets.end());
    };
    add(w.addressRadios);
    order.insert(order.end(), {w.addressList, w.connectButton, w.disconnectButton});
    add(w.sourceButtons);
    add(w.extRadios);
    add(w.transitionRadios);
    add(w.functionButtons);
    add(w.modeButtons);
    order.insert(order.end(), {w.chineseRadio, w.englishRadio});
    add(w.planKindBoxes);
    order.insert(order.end(), {w.startButton, w.stopButton, w.programButton, w.infoLine,
                               w.fastMsButton, w.setupButton, w.exitButton, w.expandButton});
    add(w.timerFields);
    chainTabOrder(order);
}

}  // namespace

MainWindowWidgets buildMainWindow(QDialog* window) {
    MainWindowWidgets w{};
    auto* content = new QVBoxLayout;
    auto* top = new QHBoxLayout;
    top->addLayout(buildConnectionSettings(w));
    top->addLayout(buildConnect(w));
    content->addLayout(top);
    content->addLayout(buildSource(w));
    content->addLayout(buildRadioRow(w));
    content->addLayout(buildLowerRow(w));
    content->addLayout(buildBottomRow(w));

    w.expandButton = button(QStringLiteral("expandButton"));
    w.expandButton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    w.expandButton->setFixedWidth(
        w.expandButton->fontMetrics().horizontalAdvance(QStringLiteral(">>")) + 14);

    // Fixed width: hiding the panel and the spacing before it narrows the window by exactly
    // kTimerPanelWidth.
    constexpr int spacing = 6;
    w.timerPanel = named<QWidget>(QStringLiteral("timerPanel"));
    w.timerPanel->setFixedWidth(kTimerPanelWidth - spacing);
    auto* panel = new QVBoxLayout(w.timerPanel);
    panel->setContentsMargins(0, 0, 0, 0);
    w.currentTimerBox = timerFieldsBox(w, QStringLiteral("currentTimerBox"), 0);
    w.nextTimerBox = timerFieldsBox(w, QStringLiteral("nextTimerBox"), 4);
    panel->addWidget(w.currentTimerBox);
    panel->addWidget(w.nextTimerBox);
    panel->addStretch(1);

    auto* root = new QHBoxLayout(window);
    root->setSpacing(spacing);
    root->addLayout(content);
    root->addWidget(w.expandButton);
    root->addWidget(w.timerPanel);
    // The window always takes its layout's size, so it shrinks and grows with the panel.
    root->setSizeConstraint(QLayout::SetFixedSize);
    orderTabs(w);
    return w;
}

QWidget* MainWindowWidgets::control(tvq::Control c) const {
    using tvq::Control;
    switch (c) {
        case Control::Program:
            return programButton;
        case Control::SrcV1:
            return sourceButtons[0];
        case Control::SrcV2:
            return sourceButtons[1];
        case Control::SrcV3:
            return sourceButtons[2];
        case Control::SrcSVideo:
            return sourceButtons[3];
        case Control::SrcDvi:
            return sourceButtons[4];
        case Control::SrcHdmi:
            return sourceButtons[5];
        case Control::SrcVga1:
            return sourceButtons[6];
        case Control::SrcVga2:
            return sourceButtons[7];
        case Control::SrcExt:
            return sourceButtons[8];
        case Control::SrcYPbPr:
            return sourceButtons[9];
        case Control::Cut:
            return transitionRadios[0];
        case Control::Fade05:
            return transitionRadios[1];
        case Control::Fade10:
            return transitionRadios[2];
        case Control::Fade15:
            return transitionRadios[3];
        case Control::Start:
            return startButton;
        case Control::Pip:
            return functionButtons[0];
        case Control::Text:
            return functionButtons[1];
        case Control::Bypass:
            return functionButtons[2];
        case Control::Mosaic:
            return functionButtons[4];
        case Control::Freeze:
            return functionButtons[3];
        case Control::Setup:
            return setupButton;
        case Control::FastMS:
            return fastMsButton;
        case Control::VgaAuto:
            return functionButtons[5];
        case Control::M1:
            return modeButtons[0];
        case Control::M2:
            return modeButtons[1];
        case Control::M3:
            return modeButtons[2];
        case Control::M4:
            return modeButtons[3];
        case Control::Stop:
            return stopButton;
        case Control::Connect:
            return connectButton;
        case Control::Disconnect:
            return disconnectButton;
        case Control::Count:
            break;
    }
    return nullptr;
}

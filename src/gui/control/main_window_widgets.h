#pragma once
// The controls of the main window, built once by buildMainWindow and labelled by the window's
// retranslate step. Arrays follow the panel's own orders (tvq::kSources, tvq::Light).

#include <array>

#include "core/control/panel_state.h"

class IndicatorLamp;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

struct MainWindowWidgets {
    // Connection settings
    QGroupBox* connectionBox;
    QGroupBox* linkKindBox;
    QRadioButton* serialRadio;
    QRadioButton* networkRadio;
    QGroupBox* serialBox;
    QLabel* portLabel;
    QComboBox* portList;
    QGroupBox* networkBox;
    QLineEdit* ipBox;
    QLineEdit* tcpPortBox;
    QCheckBox* serviceCheck;
    QLineEdit* serviceSocketBox;

    // Connect
    QGroupBox* connectBox;
    QGroupBox* autoBox;
    QCheckBox* autoConnectBox;
    QCheckBox* startTimerBox;
    QGroupBox* deviceIdBox;
    std::array<QRadioButton*, 7> addressRadios;
    QButtonGroup* addressGroup;
    QComboBox* addressList;
    QPushButton* connectButton;
    QPushButton* disconnectButton;

    // Source, EXT., Cut/Fade
    QGroupBox* sourceBox;
    std::array<QPushButton*, 10> sourceButtons;  // tvq::kSources order
    QGroupBox* extBox;
    std::array<QRadioButton*, 5> extRadios;
    QButtonGroup* extGroup;
    QGroupBox* transitionBox;
    std::array<QRadioButton*, 4> transitionRadios;
    QButtonGroup* transitionGroup;

    // Function: PIP/POP, TEXT, BYPASS, FREEZE, MOSAIC, VGA-AUTO; PIP_Mode: M1..M4
    QGroupBox* functionBox;
    std::array<QPushButton*, 6> functionButtons;
    QGroupBox* pipModeBox;
    std::array<QPushButton*, 4> modeButtons;

    // CH/EN
    QGroupBox* languageBox;
    QRadioButton* chineseRadio;
    QRadioButton* englishRadio;

    // Timer: Day, Week, Month, Once, All
    QGroupBox* timerBox;
    std::array<QCheckBox*, 5> planKindBoxes;
    QPushButton* startButton;
    QPushButton* stopButton;
    QPushButton* programButton;

    // Bottom row and the right edge
    QLabel* infoLabel;
    QLineEdit* infoLine;
    QPushButton* fastMsButton;
    QPushButton* setupButton;
    QPushButton* exitButton;
    QPushButton* expandButton;

    // Timer display panel: Time, Signal, Status, Result of the current, then the next timer
    QWidget* timerPanel;
    QGroupBox* currentTimerBox;
    QGroupBox* nextTimerBox;
    std::array<QLabel*, 8> timerLabels;
    std::array<QLineEdit*, 8> timerFields;

    std::array<IndicatorLamp*, tvq::kLightCount> lamps;

    // The widget that the enabled bit of each core control switches.
    QWidget* control(tvq::Control c) const;
};

// Width the timer display panel adds to the window.
inline constexpr int kTimerPanelWidth = 290;

// Creates every control inside window, lays them out, names them for tests and assistive
// tools. Texts that change with the language are left to the window.
MainWindowWidgets buildMainWindow(QDialog* window);

#pragma once
// Widget-test helpers: scripted message boxes, a window wired to a FakeDevice, waiting for
// queued reports and acting on the next modal dialog.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

#include "core/link/serial_port.h"
#include "gui/control/main_window.h"
#include "gui/panel/language.h"
#include "gui/ui/message_boxes.h"
#include "support/fake_device.h"

namespace guitest {

class ScriptedBoxes final : public MessageBoxes {
public:
    struct Shown {
        QString title, text;
    };
    std::deque<Answer> answers;        // for questions; Cancel once used up
    std::deque<int> openCloseAnswers;  // for the ask box; 0 once used up
    std::vector<Shown> shown;

    Answer askYesNoCancel(QWidget*, const QString& title, const QString& text) override {
        shown.push_back({title, text});
        return next(answers, Answer::Cancel);
    }
    void inform(QWidget*, const QString& title, const QString& text) override {
        shown.push_back({title, text});
    }
    int askOpenClose(QWidget*) override {
        shown.push_back({});
        return next(openCloseAnswers, 0);
    }
    template <class T>
    static T next(std::deque<T>& queue, T whenEmpty) {
        if (queue.empty()) return whenEmpty;
        const T a = queue.front();
        queue.pop_front();
        return a;
    }
};

class QuietObserver final : public tvq::SessionObserver {
    void panelChanged(const tvq::PanelState&) override {}
    void infoChanged(const tvq::InfoText&) override {}
    void connectFinished(tvq::ConnectOutcome) override {}
};

// Clicks where the control reacts (a check box only on its box and text), then runs what follows.
inline void clickOn(QAbstractButton* button) {
    QPoint at = button->rect().center();
    if (qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button))
        at.setX(qMin(at.x(), 7));
    QTest::mouseClick(button, Qt::LeftButton, {}, at);
    QApplication::processEvents();
}

// Switches the language the way a window receives it: with its posted LanguageChange event.
inline void switchLanguage(bool chinese) {
    Language::setChinese(chinese);
    QApplication::processEvents();
}

inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
    return QTest::qWaitFor(condition, timeoutMs);
}

// Runs action on the next modal dialog of type T once it is up (checked every 10 ms).
template <class T>
void onNextModal(std::function<void(T*)> action) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(dialog);
        }
    });
    timer->start(10);
}

template <class W>
W* child(QObject* parent, const QString& name) {
    auto* found = parent->findChild<W*>(name);
    if (!found) ADD_FAILURE() << "no child named " << name.toStdString();
    return found;
}

inline tvq::StatusReport plainStatus() {
    return {.mainSource = 0, .mainSignal = true};  // V1 with a signal, no second picture
}

// A main window wired to a FakeDevice; the settings live in the scratch directory.
struct WindowRig {
    tvq::test::FakeDevice device{tvq::systemClock()};
    ScriptedBoxes boxes;
    std::vector<tvq::LinkChoice> opened;  // every link the window asked for
    bool linkFails = false;
    tvq::ConnectOutcome failure = tvq::ConnectOutcome::LinkFailed;
    std::filesystem::path settings = "Planinfo.ini";
    std::unique_ptr<CTVQ418ControlDlg> window;

    WindowRig() {
        std::filesystem::remove(settings);
        device.setStatus(1, plainStatus());
    }
    ~WindowRig() {
        window.reset();
        switchLanguage(false);
    }

    CTVQ418ControlDlg& open() {
        using tvq::Millis;
        window = std::make_unique<CTVQ418ControlDlg>(MainWindowDeps{
            .opener =
                [this](const tvq::LinkChoice& choice, const tvq::InfoSink&) {
                    opened.push_back(choice);
                    return tvq::OpenedLink{linkFails ? nullptr : device.openLink(), failure};
                },
            .timing = {Millis{20}, Millis{100}, Millis{100}, Millis{50}, Millis{1}},
            .boxes = &boxes,
            .listPorts = [] { return std::vector<tvq::PresentPort>{}; },
            .settingsPath = settings,
            .attacher = {},
            .serviceSocket = {}});
        window->show();
        window->readSettings();
        return *window;
    }

    template <class W = QWidget>
    W* get(const QString& name) {
        return child<W>(window.get(), name);
    }
    void click(const QString& name) { clickOn(get<QAbstractButton>(name)); }
    QString info() { return get<QLineEdit>("infoLine")->text(); }
    // Connects at the current address and waits until the panel shows it.
    void connect() {
        click("connectButton");
        // The connect job enables Disconnect first and the operation controls a moment later.
        ASSERT_TRUE(waitFor([this] {
            return get("disconnectButton")->isEnabled() && get("source:V1")->isEnabled();
        }));
    }
};

}  // namespace guitest

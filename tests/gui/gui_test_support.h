#pragma once
// Widget-test helpers: scripted message boxes, a window wired to a FakeDevice, waiting for
// queued reports and acting on the next modal dialog.

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QButtonGroup>
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
        QString kind, title, text;  // kind: "question", "inform" or "ask"
    };
    std::deque<Answer> answers;        // for questions; Cancel once used up
    std::deque<int> openCloseAnswers;  // for the ask box; 0 once used up
    std::vector<Shown> shown;

    Answer askYesNoCancel(QWidget*, const QString& title, const QString& text) override {
        shown.push_back({"question", title, text});
        return next(answers, Answer::Cancel);
    }
    void inform(QWidget*, const QString& title, const QString& text) override {
        shown.push_back({"inform", title, text});
    }
    int askOpenClose(QWidget*) override {
        shown.push_back({"ask", {}, {}});
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

// Toggles a radio or check box as a screen reader or an automation tool does: through the
// accessibility interface, which emits no click.
inline void toggleAccessibly(QAbstractButton* control) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
    ASSERT_TRUE(face && face->actionInterface());
    face->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
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

// A window for walkCheckables, made afresh for every action so that a click and a toggle start
// from the same state.
struct WalkedWindow {
    std::shared_ptr<void> owner;      // keeps the window and its rig alive
    QWidget* window = nullptr;        // where the checkable controls are looked for
    std::function<QString()> effect;  // what the window has done so far: frames, files, choices
    std::function<void()> settle = [] { QApplication::processEvents(); };
};

// The states a handler may change: every button's check mark, every field's text, every list's
// entry, and whether each is enabled.
inline QString widgetStates(QWidget* window) {
    QStringList out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        QString state = w->objectName() + (w->isEnabled() ? ":" : ":off");
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            state += b->isChecked() ? "on" : "";
        else if (auto* e = qobject_cast<QLineEdit*>(w))
            state += e->text();
        else if (auto* c = qobject_cast<QComboBox*>(w))
            state += QString::number(c->currentIndex());
        else
            continue;
        out << state;
    }
    return out.join(' ');
}

// Checks that an assistive tool's toggle of each checkable button in a window does what a click
// does. For every visible, enabled one (a marked radio excepted: a toggle cannot clear it) one
// fresh window is clicked and another is toggled through the accessibility interface; the
// control states and the window's effect must then match, so a radio that shows checked while
// its handler never ran is caught. Returns the names of the controls walked.
inline QStringList walkCheckables(const std::function<WalkedWindow()>& open) {
    const auto checkables = [](QWidget* window) {
        QList<QAbstractButton*> found;
        for (auto* b : window->findChildren<QAbstractButton*>())
            if (b->isCheckable()) found << b;
        return found;
    };
    QStringList walked;
    const qsizetype count = checkables(open().window).size();
    for (qsizetype i = 0; i < count; ++i) {
        QString outcome[2], name;
        for (int viaToggle = 0; viaToggle < 2; ++viaToggle) {
            WalkedWindow w = open();
            QAbstractButton* control = checkables(w.window).value(i);
            if (!control) break;
            name = control->objectName();
            const bool markedRadio =
                control->isChecked() &&
                (control->group() ? control->group()->exclusive() : control->autoExclusive());
            if (!control->isVisible() || !control->isEnabled() || markedRadio) break;
            if (viaToggle)
                toggleAccessibly(control);
            else
                clickOn(control);
            w.settle();
            outcome[viaToggle] = widgetStates(w.window) + "\n" + w.effect();
            if (viaToggle) walked << name;
        }
        EXPECT_EQ(outcome[1].toStdString(), outcome[0].toStdString())
            << name.toStdString() << ": toggled (first) differs from clicked";
    }
    return walked;
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
    std::vector<tvq::PresentPort> ports;
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

    CTVQ418ControlDlg& open(bool readSettings = true) {
        using tvq::Millis;
        window = std::make_unique<CTVQ418ControlDlg>(MainWindowDeps{
            .opener =
                [this](const tvq::LinkChoice& choice, const tvq::InfoSink&) {
                    opened.push_back(choice);
                    return tvq::OpenedLink{linkFails ? nullptr : device.openLink(), failure};
                },
            .timing = {Millis{20}, Millis{100}, Millis{100}, Millis{50}, Millis{1}},
            .boxes = &boxes,
            .listPorts = [this] { return ports; },
            .settingsPath = settings});
        window->show();
        if (readSettings) window->readSettings();
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

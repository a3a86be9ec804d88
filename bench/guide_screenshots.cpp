// Makes the user guide's pictures: drives the real controller window against a running
// tvq418-sim the way an operator would (clicks, the context menu, the CH radio) and saves each
// window it opens. scripts/screenshots starts the simulator and runs this under Xvfb.
//
// Usage: guide_screenshots --tcp HOST:PORT --sim-pid PID --out DIR [--chinese]
// The simulator should serve addresses 1-4. Near the end the simulator is paused (SIGSTOP) to
// show the lights going unknown, then let go again (SIGCONT). Exit 0 when every window was
// opened and saved; otherwise 1, naming each window that could not be opened.

#include <sys/types.h>
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>

#include "gui/control/application.h"
#include "gui/control/find_processors_dialog.h"
#include "gui/control/main_window.h"
#include "gui/plans/add_plan_dialog.h"
#include "gui/plans/plan_page.h"
#include "gui/plans/program_window.h"
#include "gui/setup/set_screen.h"
#include "gui/ui/color_button.h"
#include "gui/ui/indicator_lamp.h"
#include "gui/ui/message_boxes.h"
#include "gui/wall/cascade_dialog.h"
#include "gui/wall/simple_mosaic.h"
#include "gui/wall/wall_grid.h"

namespace {

// Says yes to the address-0 question; notices go to stderr so a failed run can be read.
class AnsweringBoxes final : public MessageBoxes {
public:
    Answer askYesNoCancel(QWidget*, const QString&, const QString&) override { return Answer::Yes; }
    void inform(QWidget*, const QString&, const QString& text) override {
        std::fprintf(stderr, "notice: %s\n", qPrintable(text));
    }
    int askOpenClose(QWidget*) override { return 0; }
};

bool await(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}

template <class Dialog>
Dialog* visibleDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<Dialog*>(w); d && d->isVisible()) return d;
    return nullptr;
}

class Shooter {
public:
    Shooter(QString dir, bool chinese) : dir_(std::move(dir)), suffix_(chinese ? "_zh" : "") {}

    bool save(QWidget& window, const char* name) {
        QApplication::processEvents();
        const QString path = QStringLiteral("%1/%2%3.png").arg(dir_, name, suffix_);
        if (!window.grab().save(path)) return fail(name, "cannot save the picture");
        std::printf("%s\n", qPrintable(path));
        return true;
    }

    bool fail(const char* name, const char* why) {
        std::fprintf(stderr, "guide_screenshots: %s: %s\n", name, why);
        ++failures_;
        return false;
    }
    int failures() const { return failures_; }

    // Runs open() (a click that shows a modal Dialog, now or a little later), hands the dialog
    // to act() once it is on screen, then closes it. A poll timer finds the dialog because
    // open() does not return while the dialog's own event loop runs.
    template <class Dialog>
    bool withDialog(const char* name, const std::function<void()>& open,
                    const std::function<void(Dialog&)>& act, int waitMs = 8000) {
        bool handled = false;
        QTimer poll;
        poll.setInterval(50);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            Dialog* dialog = visibleDialog<Dialog>();
            if (!dialog) return;
            poll.stop();
            act(*dialog);
            static_cast<QDialog*>(dialog)->reject();
            handled = true;
        });
        poll.start();
        open();
        if (!await([&] { return handled; }, waitMs)) {
            poll.stop();
            return fail(name, "the window did not open");
        }
        // What the window's closing queued (the panel's new state among it) is shown first.
        await([] { return false; }, 300);
        return true;
    }

private:
    QString dir_;
    QString suffix_;
    int failures_ = 0;
};

template <class W>
W* child(QObject* parent, const char* name) {
    return parent->findChild<W*>(QString::fromLatin1(name));
}

bool anyLampUnknown(QWidget& window) {
    for (auto* lamp : window.findChildren<IndicatorLamp*>())
        if (lamp->isUnknown()) return true;
    return false;
}

bool anyLampLit(QWidget& window) {
    for (auto* lamp : window.findChildren<IndicatorLamp*>())
        if (lamp->isLit()) return true;
    return false;
}

void pressWhenEnabled(QWidget& window, const char* name) {
    auto* button = child<QAbstractButton>(&window, name);
    await([&] { return button->isEnabled(); }, 3000);
    button->click();
}

void writeSettings(const std::string& host, const std::string& port) {
    std::ofstream("Planinfo.ini", std::ios::binary)
        << "[CONNECT]\nSerialTcp=0\nIP=" << host << "\nPort=" << port
        << "\nConnectFlag=1\nStartTimerFlag=0\nDeviceID=1\n"
        << "[PLANCOUNT]\ndaytimecount=4\nweektimecount=2\n"
        << "[DAYTIME]\nTime0= 7:30: 0,5\nTime1=12: 0: 0,7\nTime2=18:30: 0,6\nTime3=22: 0: 0,0\n"
        << "[WEEKTIME]\nTime0=1, 8: 0: 0,5\nTime1=6,10:15: 0,9\n";
}

int run(const std::string& host, const std::string& port, pid_t simPid, const QString& out,
        bool chinese) {
    writeSettings(host, port);
    AnsweringBoxes boxes;
    MainWindowDeps deps;
    deps.boxes = &boxes;
    deps.wallPauses = {.beforeRead = tvq::Millis{200}, .prepareStep = tvq::Millis{100}};
    CTVQ418ControlDlg window(deps);
    window.show();
    Shooter shots(out, chinese);

    QTimer::singleShot(0, &window, [&] {
        window.readSettings();  // auto-connects, as at a start with AutoConnect ticked
        if (chinese) child<QRadioButton>(&window, "chineseRadio")->click();
        if (!await([&] { return window.session().connected() && anyLampLit(window); }, 8000))
            shots.fail("main_window", "no connection to the simulator");
        await([] { return false; }, 1200);  // a full poll round, so every light is current
        shots.save(window, "main_window");

        shots.withDialog<CProgram>(
            "program_window", [&] { child<QAbstractButton>(&window, "programButton")->click(); },
            [&](CProgram& program) {
                auto* list = child<QTreeWidget>(program.page(tvq::PlanKind::Day), "planList");
                if (list && list->topLevelItemCount() > 1) {
                    list->setCurrentItem(list->topLevelItem(1));
                }
                shots.save(program, "program_window");
                shots.withDialog<CAddPlan>(
                    "plan_dialog", [&] { child<QAbstractButton>(&program, "addButton")->click(); },
                    [&](CAddPlan& plan) { shots.save(plan, "plan_dialog"); });
            });

        shots.withDialog<CSetScreen>(
            "screen_setup", [&] { child<QAbstractButton>(&window, "setupButton")->click(); },
            [&](CSetScreen& setup) {
                await([&] { return false; }, 200);  // the read-back has begun
                if (!await([&] { return !setup.busy(); }, 10000))
                    shots.fail("screen_setup", "the read-back did not end");
                shots.save(setup, "screen_setup");
            });

        shots.withDialog<CFindProcessorsDlg>(
            "find_processors", [&] { child<QAction>(&window, "findProcessorsAction")->trigger(); },
            [&](CFindProcessorsDlg& find) {
                const auto spins = find.findChildren<QSpinBox*>();
                if (spins.size() >= 2) {
                    spins[0]->setValue(1);
                    spins[1]->setValue(8);
                }
                child<QAbstractButton>(&find, "scanButton")->click();
                if (!await([&] { return !find.scanning(); }, 15000))
                    shots.fail("find_processors", "the scan did not end");
                if (auto* found = child<QListWidget>(&find, "foundList"); found && found->count())
                    found->setCurrentRow(0);
                shots.save(find, "find_processors");
            },
            20000);

        // The fast mosaic screen closes the link when it ends.
        shots.withDialog<CSimpleMosaic>(
            "fast_mosaic", [&] { child<QAbstractButton>(&window, "fastMsButton")->click(); },
            [&](CSimpleMosaic& wall) {
                child<QAbstractButton>(&wall, "preset2X2")->click();
                child<QAbstractButton>(&wall, "connectButton")->click();
                await([&] { return false; }, 100);
                if (!await([&] { return !wall.busy(); }, 15000) || !wall.connected())
                    shots.fail("fast_mosaic", "the screen did not connect to processor 1");
                wall.grid()->cell(0)->button()->click();
                child<QAbstractButton>(&wall, "autoCalcButton")->click();
                shots.save(wall, "fast_mosaic");
            },
            20000);

        // Address 0 reaches the whole chain: Connect then opens the cascade dialog.
        shots.withDialog<CJilian>(
            "cascade",
            [&] {
                child<QAbstractButton>(&window, "addressRadio0")->click();
                pressWhenEnabled(window, "connectButton");
            },
            [&](CJilian& cascade) { shots.save(cascade, "cascade"); }, 15000);

        // Back to processor 1, then the simulator stops answering.
        child<QAbstractButton>(&window, "addressRadio1")->click();
        pressWhenEnabled(window, "connectButton");
        auto* disconnect = child<QAbstractButton>(&window, "disconnectButton");
        if (!await([&] { return disconnect->isEnabled() && anyLampLit(window); }, 8000))
            shots.fail("main_window_unknown", "no connection to the simulator");
        ::kill(simPid, SIGSTOP);
        if (!await([&] { return anyLampUnknown(window); }, 15000))
            shots.fail("main_window_unknown", "the lights never went unknown");
        else
            shots.save(window, "main_window_unknown");
        ::kill(simPid, SIGCONT);
        window.session().disconnect();
        window.hide();
        QCoreApplication::quit();
    });
    QApplication::exec();
    return shots.failures() == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    CTVQ418ControlApp app(argc, argv);
    std::string endpoint;
    QString out;
    pid_t simPid = 0;
    bool chinese = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool more = i + 1 < argc;
        if (arg == "--tcp" && more)
            endpoint = argv[++i];
        else if (arg == "--out" && more)
            out = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--sim-pid" && more)
            simPid = static_cast<pid_t>(std::stol(argv[++i]));
        else if (arg == "--chinese")
            chinese = true;
        else {
            std::fprintf(stderr, "guide_screenshots: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    const auto colon = endpoint.rfind(':');
    if (colon == std::string::npos || out.isEmpty() || simPid <= 0) {
        std::fprintf(stderr,
                     "usage: guide_screenshots --tcp HOST:PORT --sim-pid PID --out DIR "
                     "[--chinese]\n");
        return 2;
    }
    out = QDir(out).absolutePath();
    // Planinfo.ini is read from the working directory: give this run its own.
    const QString work = QDir::tempPath() + QStringLiteral("/tvq418-guide-%1").arg(getpid());
    if (!QDir().mkpath(work) || !QDir::setCurrent(work)) return 2;
    const int result =
        run(endpoint.substr(0, colon), endpoint.substr(colon + 1), simPid, out, chinese);
    QDir(work).removeRecursively();
    return result;
}

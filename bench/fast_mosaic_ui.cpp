// The fast mosaic screen's cost on the UI thread.
//
// Usage: fast_mosaic_ui [--layout | --screenshot DIR]
//  1. Building the 6 x 8 grid (48 cells) and sizing the window for it, then back to 1 x 1;
//     and dragging the window through sizes from 280 x 250 to 1200 x 900. Times per step.
//  2. The longest stall of the UI thread's event loop (how late a 10 ms timer ran) while the
//     screen connects, detects, sets both windows and programs a 2 x 2 wall, against a
//     simulator that answers at once and one that answers nothing.
// --layout measures step 1 only. With --screenshot, writes fast_mosaic.png (English) and
// fast_mosaic_zh.png into DIR instead. The window uses QT_QPA_PLATFORM, or the offscreen platform
// when it is not set.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string_view>
#include <vector>

#include "core/control/session.h"
#include "gui/panel/language.h"
#include "gui/ui/color_button.h"
#include "gui/ui/message_boxes.h"
#include "gui/wall/simple_mosaic.h"
#include "gui/wall/wall_grid.h"
#include "gui/wall/wall_program_dialog.h"
#include "sim/chain.h"
#include "sim/processor_state.h"
#include "sim/sim_server.h"

namespace {

class QuietObserver final : public tvq::SessionObserver {
    void panelChanged(const tvq::PanelState&) override {}
    void infoChanged(const tvq::InfoText&) override {}
    void connectFinished(tvq::ConnectOutcome) override {}
};

class SilentBoxes final : public MessageBoxes {
public:
    Answer askYesNoCancel(QWidget*, const QString&, const QString&) override { return Answer::Yes; }
    void inform(QWidget*, const QString&, const QString&) override {}
    int askOpenClose(QWidget*) override { return 0; }
};

template <class W>
W* find(QWidget* screen, const char* name) {
    return screen->findChild<W*>(QLatin1String(name));
}

void typeWallSize(CSimpleMosaic& screen, int rows, int columns) {
    find<QLineEdit>(&screen, "rowsEntry")->setText(QString::number(rows));
    find<QLineEdit>(&screen, "columnsEntry")->setText(QString::number(columns));
    find<QPushButton>(&screen, "wallSizeOkButton")->click();
}

double msSince(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

void report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s median %7.2f ms  max %7.2f ms  (n=%zu)\n", what, ms[ms.size() / 2],
                ms.back(), ms.size());
}

// 1. Grid building and resizing, painted each time.
void layoutCosts() {
    QuietObserver observer;
    tvq::Session session(observer);
    SilentBoxes boxes;
    CSimpleMosaic screen(session, boxes, tvq::systemClock());
    screen.show();
    QApplication::processEvents();
    std::vector<double> build, back, drag;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer t;
        t.start();
        typeWallSize(screen, 6, 8);
        QApplication::processEvents();
        screen.repaint();
        build.push_back(msSince(t));
        t.restart();
        typeWallSize(screen, 1, 1);
        QApplication::processEvents();
        screen.repaint();
        back.push_back(msSince(t));
    }
    typeWallSize(screen, 6, 8);
    QApplication::processEvents();
    for (int w = 280, h = 250; w <= 1200; w += 46, h += 33) {
        QElapsedTimer t;
        t.start();
        screen.resize(w, h);
        QApplication::processEvents();
        screen.repaint();
        drag.push_back(msSince(t));
    }
    report("build 6 x 8 grid, size window, paint", build);
    report("back to 1 x 1, size window, paint", back);
    report("drag-resize with 48 cells, paint", drag);
}

// The longest gap beyond 10 ms between two ticks of a 10 ms timer while `run` goes on.
class StallMeter {
public:
    StallMeter() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            worst_ = std::max(worst_, msSince(since_) - 10.0);
            since_.restart();
        });
    }
    double measure(const std::function<void()>& run) {
        worst_ = 0;
        since_.start();
        timer_.start(10);
        run();
        timer_.stop();
        return std::max(worst_, 0.0);
    }

private:
    QTimer timer_;
    QElapsedTimer since_;
    double worst_ = 0;
};

bool await(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// 2. UI stalls against a simulator that answers, then one that answers nothing.
int stalls() {
    tvq::sim::SimServer server;
    tvq::sim::SimOptions options;
    options.tcp = true;
    options.addresses = {1, 2, 3, 4};
    std::string error;
    if (!server.start(options, &error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    QuietObserver observer;
    tvq::Session session(observer);
    tvq::LinkChoice choice;
    choice.ipText = "127.0.0.1";
    choice.portText = std::to_string(server.tcpPort());
    session.startConnect(choice);
    session.waitForConnectJob();
    if (!session.connected()) return 1;
    session.stopWorkers();  // as FastMS does
    SilentBoxes boxes;
    CSimpleMosaic screen(session, boxes, tvq::systemClock());
    screen.show();
    typeWallSize(screen, 2, 2);
    StallMeter meter;
    auto settle = [&] { await([&] { return !screen.busy(); }, 120000); };
    auto press = [&](const char* name) {
        return [&, name] {
            find<QAbstractButton>(&screen, name)->click();
            settle();
        };
    };
    auto programWall = [&] {
        double seconds = 0;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CWallProgram*>(QApplication::activeModalWidget());
            if (!dialog) return;
            QElapsedTimer t;
            t.start();
            find<QAbstractButton>(dialog, "startButton")->click();
            await([&] { return !dialog->running(); }, 300000);
            seconds = msSince(t) / 1000;
            dialog->close();
        });
        find<QAbstractButton>(&screen, "programWallButton")->click();
        return seconds;
    };
    for (bool silent : {false, true}) {
        server.core().faults().setProbability(tvq::sim::Fault::Drop, silent ? 1.0 : 0.0);
        const char* who = silent ? "silent" : "prompt";
        std::printf("%s simulator:\n", who);
        std::printf("  connect          worst stall %6.1f ms\n",
                    meter.measure(press("connectButton")));
        std::printf("  Detect           worst stall %6.1f ms\n",
                    meter.measure(press("detectButton")));
        find<QAbstractButton>(&screen, "autoCalcButton")->click();
        std::printf("  Set input        worst stall %6.1f ms\n",
                    meter.measure(press("inputSetButton")));
        std::printf("  Set output       worst stall %6.1f ms\n",
                    meter.measure(press("outputSetButton")));
        double seconds = 0;
        const double stall = meter.measure([&] { seconds = programWall(); });
        std::printf("  Program 2 x 2    worst stall %6.1f ms  (%.2f s)\n", stall, seconds);
        // Start afresh for the silent round: processors not yet set up for a wall.
        server.withChain([](tvq::sim::Chain& chain) {
            for (std::uint8_t a = 1; a <= 4; ++a)
                chain.find(a)->state() = tvq::sim::defaultState(a);
        });
    }
    return 0;
}

int screenshots(const QString& dir) {
    QuietObserver observer;
    tvq::Session session(observer);
    SilentBoxes boxes;
    for (bool chinese : {false, true}) {
        Language::setChinese(chinese);
        CSimpleMosaic screen(session, boxes, tvq::systemClock());
        screen.show();
        find<QAbstractButton>(&screen, "preset2X3")->click();
        screen.grid()->cell(4)->button()->click();
        find<QPushButton>(&screen, "autoCalcButton")->click();
        QApplication::processEvents();
        const QString path = dir + (chinese ? "/fast_mosaic_zh.png" : "/fast_mosaic.png");
        if (!screen.grab().save(path)) return 1;
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && std::string_view(argv[1]) == "--screenshot") return screenshots(argv[2]);
    layoutCosts();
    if (argc == 2 && std::string_view(argv[1]) == "--layout") return 0;
    return stalls();
}

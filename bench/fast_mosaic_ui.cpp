// The fast mosaic screen's cost on the UI thread.
//
// Usage: fast_mosaic_ui [--screenshot DIR]
//  1. Building the 6 x 8 grid (48 cells) and sizing the window for it, then back to 1 x 1;
//     and dragging the window through sizes from 280 x 250 to 1200 x 900. Times per step.
//  2. The longest stall of the UI thread's event loop (how late a 10 ms timer ran) while the
//     screen connects, detects, sets both windows and programs a 2 x 2 wall, against a
//     simulator that answers at once and one that answers nothing.
// With --screenshot, writes fast_mosaic_en.png and fast_mosaic_zh.png into DIR instead.
// The window uses QT_QPA_PLATFORM, or the offscreen platform when it is not set.

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string_view>

#include "core/control/session.h"
#include "gui/panel/language.h"
#include "gui/ui/color_button.h"
#include "gui/ui/message_boxes.h"
#include "gui/wall/simple_mosaic.h"
#include "gui/wall/wall_grid.h"
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

void typeSpec(CSimpleMosaic& screen, int rows, int columns) {
    find<QLineEdit>(&screen, "rowsEntry")->setText(QString::number(rows));
    find<QLineEdit>(&screen, "columnsEntry")->setText(QString::number(columns));
    find<QPushButton>(&screen, "specOkButton")->click();
}

double msSince(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

int screenshots(const QString& dir) {
    QuietObserver observer;
    tvq::Session session(observer);
    SilentBoxes boxes;
    for (bool chinese : {false, true}) {
        Language::setChinese(chinese);
        CSimpleMosaic screen(session, boxes, tvq::systemClock());
        screen.show();
        typeSpec(screen, 2, 3);
        screen.grid()->cell(4)->button()->click();
        find<QPushButton>(&screen, "autoCalcButton")->click();
        QApplication::processEvents();
        const QString path = dir + (chinese ? "/fast_mosaic_zh.png" : "/fast_mosaic_en.png");
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
    return 0;
}

// Program window costs: opening it on a plan file with 240 plans of every kind (file read,
// sort, the opening rewrite and the four lists), and adding a plan to a full page through the
// Add button and the plan dialog (spacing check, sort, file save and list rebuilt included).
//
// Usage: program_window [runs, default 20] [--screenshot PATH]
// --screenshot saves the window with a few plans to PATH instead of measuring.
// The window uses QT_QPA_PLATFORM, or the offscreen platform when it is not set.

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTreeWidget>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "gui/plans/add_plan_dialog.h"
#include "gui/plans/plan_page.h"
#include "gui/plans/program_window.h"
#include "gui/ui/message_boxes.h"

namespace {

class SilentBoxes final : public MessageBoxes {
public:
    int shown = 0;
    Answer askYesNoCancel(QWidget*, const QString&, const QString&) override {
        ++shown;
        return Answer::No;
    }
    void inform(QWidget*, const QString&, const QString&) override { ++shown; }
    int askOpenClose(QWidget*) override { return 0; }
};

std::string clock(int second) {
    char text[16];
    std::snprintf(text, sizeof text, "%2d:%2d:%2d", second / 3600, second / 60 % 60, second % 60);
    return text;
}

// 240 plans of each kind, 6 minutes apart, so none clashes with another.
std::string fullFile() {
    std::string counts =
        "[PLANCOUNT]\ndaytimecount=240\nweektimecount=240\nmonthtimecount=240\n"
        "oncetimecount=240\n";
    std::string day = "[DAYTIME]\n", week = "[WEEKTIME]\n", month = "[MONTHTIME]\n",
                once = "[ONCETIME]\n";
    for (int i = 0; i < 240; ++i) {
        const std::string key = "Time" + std::to_string(i) + "=";
        const std::string at = clock(i * 360);
        const std::string source = std::to_string(i % 11 == 3 ? 4 : i % 11);
        day += key + at + "," + source + "\n";
        week += key + std::to_string(i % 7) + "," + at + "," + source + "\n";
        char dayText[4];
        std::snprintf(dayText, sizeof dayText, "%02d", i % 28 + 1);
        month += key + dayText + "," + at + "," + source + "\n";
        once += key + "2027-" + std::to_string(i % 12 + 1) + "-" + std::to_string(i % 28 + 1) +
                "," + at + "," + source + "\n";
    }
    return counts + day + week + month + once;
}

void write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

void report(const char* what, std::vector<double> ms) {
    std::printf("%-44s median %7.2f ms  p95 %7.2f ms  max %7.2f ms  (%zu runs)\n", what,
                tvq::bench::percentile(ms, 0.5), tvq::bench::percentile(ms, 0.95),
                tvq::bench::percentile(ms, 1.0), ms.size());
}

// Fills and accepts the plan dialog as soon as it shows, so the Add click returns at once.
class AcceptDialog final : public QObject {
public:
    QTime time;
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<CAddPlan*>(watched);
        if (dialog && event->type() == QEvent::Show) {
            QMetaObject::invokeMethod(
                dialog,
                [dialog, t = time] {
                    dialog->findChild<QTimeEdit*>("timePicker")->setTime(t);
                    dialog->findChild<QPushButton*>("okButton")->click();
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

int screenshot(const QString& path) {
    write("Planinfo.ini",
          "[PLANCOUNT]\ndaytimecount=5\n[DAYTIME]\nTime0= 8: 0: 0,8\nTime1=12:30: 0,7\n"
          "Time2=18: 0: 0,0\nTime3=21:15:30,5\nTime4=23:59:50,10\n");
    SilentBoxes boxes;
    tvq::LoadedPlans plans = tvq::loadPlanFile("Planinfo.ini");
    CProgram window(plans, boxes);
    window.resize(560, 360);
    window.show();
    QApplication::processEvents();
    window.page(tvq::PlanKind::Day)
        ->findChild<QTreeWidget*>("planList")
        ->setCurrentItem(
            window.page(tvq::PlanKind::Day)->findChild<QTreeWidget*>("planList")->topLevelItem(1));
    QApplication::processEvents();
    return window.grab().save(path) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    if (!scratch.isValid() || !QDir::setCurrent(scratch.path())) return 2;
    int runs = 20;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--screenshot" && i + 1 < argc)
            return screenshot(QString::fromLocal8Bit(argv[++i]));
        runs = std::max(1, std::stoi(arg));
    }

    const std::string full = fullFile();
    std::vector<double> open, add;
    SilentBoxes boxes;
    AcceptDialog accept;
    app.installEventFilter(&accept);
    for (int run = 0; run < runs; ++run) {
        write("Planinfo.ini", full);
        QElapsedTimer timer;
        timer.start();
        // What the Program button does: read the file, then open the window on it.
        tvq::LoadedPlans plans = tvq::loadPlanFile("Planinfo.ini");
        CProgram window(plans, boxes);
        window.show();
        QApplication::processEvents();
        open.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);

        PlanPage* page = window.page(tvq::PlanKind::Day);
        accept.time = QTime(23, 59, 59 - run % 2);  // the one free slot after the last plan
        const int before = page->findChild<QTreeWidget*>("planList")->topLevelItemCount();
        timer.restart();
        page->findChild<QPushButton*>("addButton")->click();
        add.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        if (page->findChild<QTreeWidget*>("planList")->topLevelItemCount() != before + 1) {
            std::fprintf(stderr, "the plan was not added\n");
            return 1;
        }
    }
    std::printf("program window, 240 plans of every kind (%d messages shown)\n", boxes.shown);
    report("open (read, sort, rewrite, four lists)", open);
    report("add to a full day page (dialog, save, list)", add);
    return 0;
}

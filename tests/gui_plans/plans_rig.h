#pragma once
// A program window over a plan file written by the test, with scripted message boxes.

#include <QDateEdit>
#include <QTimeEdit>
#include <QTreeWidget>
#include <fstream>
#include <sstream>

#include "gui/gui_test_support.h"
#include "gui/plans/add_plan_dialog.h"
#include "gui/plans/plan_page.h"
#include "gui/plans/program_window.h"

// Readable failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace plantest {

using guitest::ScriptedBoxes;
using tvq::PlanKind;

inline void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline const QStringList kSourceRadios{"sourceV1",  "sourceV2",   "sourceV3",   "sourceSVideo",
                                       "sourceDvi", "sourceHdmi", "sourceVga1", "sourceVga2",
                                       "sourceExt", "sourceYPbPr"};

// What the operator types into the plan dialog; empty texts leave a box as it opened.
struct Entry {
    QTime time{};
    int sourceRadio = 0;  // screen order: V1 V2 V3 S-VIDEO DVI HDMI VGA1 VGA2 EXT. YPbPr
    QString weekday{};
    QString day{};
    QDate date{};
};

inline void fill(CAddPlan* dialog, const Entry& e) {
    dialog->findChild<QTimeEdit*>("timePicker")->setTime(e.time);
    if (!e.weekday.isEmpty()) dialog->findChild<QComboBox*>("weekdayBox")->setEditText(e.weekday);
    if (!e.day.isEmpty()) dialog->findChild<QComboBox*>("monthDayBox")->setEditText(e.day);
    if (e.date.isValid()) dialog->findChild<QDateEdit*>("datePicker")->setDate(e.date);
    guitest::clickOn(dialog->findChild<QRadioButton*>(kSourceRadios[e.sourceRadio]));
    guitest::clickOn(dialog->findChild<QPushButton*>("okButton"));
}

struct ProgramRig {
    std::filesystem::path path = "Planinfo.ini";
    ScriptedBoxes boxes;
    tvq::LoadedPlans plans;
    std::unique_ptr<CProgram> window;

    explicit ProgramRig(const std::string& text) {
        writeFile(path, text);
        plans = tvq::loadPlanFile(path);
        window = std::make_unique<CProgram>(plans, boxes);
        window->show();
    }
    ~ProgramRig() {
        window.reset();
        guitest::switchLanguage(false);
    }

    PlanPage* page(PlanKind kind) { return window->page(kind); }
    QTreeWidget* list(PlanKind kind) { return page(kind)->findChild<QTreeWidget*>("planList"); }
    QPushButton* button(PlanKind kind, const char* name) {
        return page(kind)->findChild<QPushButton*>(name);
    }
    // Rows as "cell|cell|...".
    QStringList rows(PlanKind kind) {
        QStringList out;
        auto* l = list(kind);
        for (int r = 0; r < l->topLevelItemCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < l->columnCount(); ++c) cells << l->topLevelItem(r)->text(c);
            out << cells.join('|');
        }
        return out;
    }
    void select(PlanKind kind, int row) {
        list(kind)->setCurrentItem(list(kind)->topLevelItem(row));
    }
    // Presses Add (or Modify) and fills the dialog that opens.
    void enter(PlanKind kind, const char* buttonName, const Entry& e) {
        bool filled = false;
        guitest::onNextModal<CAddPlan>([&](CAddPlan* d) {
            fill(d, e);
            filled = true;
        });
        guitest::clickOn(button(kind, buttonName));
        EXPECT_TRUE(filled);
    }
    std::string file() const { return readFile(path); }
};

}  // namespace plantest

#pragma once
// A program window over a plan file written by the test, with scripted message boxes.

#include <QTimeEdit>
#include <QTreeWidget>
#include <fstream>
#include <sstream>

#include "gui/gui_test_support.h"
#include "gui/plans/add_plan_dialog.h"
#include "gui/plans/plan_page.h"
#include "gui/plans/program_window.h"
#include "gui/toggle_walker.h"

namespace plantest {

using tvq::PlanKind;

inline void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

struct ProgramRig {
    std::filesystem::path path = "Planinfo.ini";
    guitest::ScriptedBoxes boxes;
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

    template <class W = QPushButton>
    W* get(const char* name, PlanKind kind = PlanKind::Day) {
        return guitest::child<W>(window->page(kind), name);
    }
    // The day page's rows as "Name|Time|Signal".
    QStringList rows() {
        QStringList out;
        auto* list = get<QTreeWidget>("planList");
        for (int r = 0; r < list->topLevelItemCount(); ++r) {
            const auto* item = list->topLevelItem(r);
            out << item->text(0) + '|' + item->text(1) + '|' + item->text(2);
        }
        return out;
    }
    void select(int row) {
        get<QTreeWidget>("planList")
            ->setCurrentItem(get<QTreeWidget>("planList")->topLevelItem(row));
    }
    // Presses Add or Modify on the day page and enters a time and a source in the dialog; the
    // source is clicked, or toggled as an assistive tool does.
    void enter(const char* button, QTime time, const char* sourceRadio, bool toggle = false) {
        bool filled = false;
        guitest::onNextModal<CAddPlan>([&](CAddPlan* d) {
            guitest::child<QTimeEdit>(d, "timePicker")->setTime(time);
            auto* radio = guitest::child<QRadioButton>(d, sourceRadio);
            if (toggle)
                guitest::toggleThroughAccessibility(radio);
            else
                guitest::clickOn(radio);
            guitest::clickOn(guitest::child<QPushButton>(d, "okButton"));
            filled = true;
        });
        guitest::clickOn(get(button));
        EXPECT_TRUE(filled);
    }
    std::string file() const {
        std::stringstream text;
        text << std::ifstream(path, std::ios::binary).rdbuf();
        return text.str();
    }
    bool fileHas(const std::string& part) const { return file().find(part) != std::string::npos; }
};

}  // namespace plantest

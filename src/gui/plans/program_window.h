#pragma once
// The program window: one tab per plan kind, each a PlanPage over the plans read when the
// window opened. Every change is saved as it is made; closing saves nothing.

#include <array>
#include <memory>

#include "core/plans/plan_book.h"
#include "gui/ui/retranslating_dialog.h"
#include "ui_program_window.h"

class MessageBoxes;
class PlanPage;

class CProgram final : public RetranslatingDialog {
    Q_OBJECT
public:
    // Opening puts every page in list order and rewrites its section; a kind that a failed load
    // did not read whole is left as the file has it.
    CProgram(tvq::LoadedPlans& plans, MessageBoxes& boxes, QWidget* parent = nullptr);
    // The plans of a book kept elsewhere (an attached chain service): shown as they stand.
    CProgram(tvq::PlanBook& book, MessageBoxes& boxes, QWidget* parent = nullptr);
    ~CProgram() override;

    PlanPage* page(tvq::PlanKind kind) const { return pages_[tvq::kindIndex(kind)]; }

private:
    void retranslate() override;
    void showProblems();
    void makePages(MessageBoxes& boxes);

    Ui::CProgram ui_;
    std::unique_ptr<tvq::PlanBook> ownBook_;  // the local file's, when given the plans
    tvq::PlanBook& book_;
    tvq::PlanNotice openSave_;  // the opening rewrite's failure, if any
    std::array<PlanPage*, 4> pages_{};
};

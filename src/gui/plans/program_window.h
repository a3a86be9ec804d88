#pragma once
// The program window: one tab per plan kind, each a PlanPage over the plans read when the
// window opened. Every change is saved as it is made; closing saves nothing.

#include <array>

#include "core/plans/plan_file.h"
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
    ~CProgram() override;

    PlanPage* page(tvq::PlanKind kind) const { return pages_[tvq::kindIndex(kind)]; }

private:
    void retranslate() override;
    void showProblems();

    Ui::CProgram ui_;
    tvq::LoadedPlans& plans_;
    tvq::PlanNotice openSave_;  // the opening rewrite's failure, if any
    std::array<PlanPage*, 4> pages_{};
};

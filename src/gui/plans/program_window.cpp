#include "gui/plans/program_window.h"

#include "core/plans/plan_pages.h"
#include "gui/plans/plan_page.h"
#include "gui/plans/plan_texts.h"

CProgram::CProgram(tvq::LoadedPlans& plans, MessageBoxes& boxes, QWidget* parent)
    : RetranslatingDialog(parent),
      ownBook_(std::make_unique<tvq::FilePlanBook>(plans)),
      book_(*ownBook_) {
    ui_.setupUi(this);
    openSave_ = tvq::openPages(plans.store, plans.file, plans.result).notice;
    makePages(boxes);
}

CProgram::CProgram(tvq::PlanBook& book, MessageBoxes& boxes, QWidget* parent)
    : RetranslatingDialog(parent), book_(book) {
    ui_.setupUi(this);
    makePages(boxes);
}

void CProgram::makePages(MessageBoxes& boxes) {
    const std::array<QWidget*, 4> tabs{ui_.dayTab, ui_.weekTab, ui_.monthTab, ui_.onceTab};
    for (const tvq::PlanKind kind : tvq::kPlanKinds) {
        const auto i = static_cast<std::size_t>(tvq::kindIndex(kind));
        PlanPage* page = nullptr;
        switch (kind) {
            case tvq::PlanKind::Day:
                page = new CDayPlan(book_, boxes, tabs[i]);
                break;
            case tvq::PlanKind::Week:
                page = new CWeekPlan(book_, boxes, tabs[i]);
                break;
            case tvq::PlanKind::Month:
                page = new CMonthPlan(book_, boxes, tabs[i]);
                break;
            case tvq::PlanKind::Once:
                page = new COncePlan(book_, boxes, tabs[i]);
                break;
        }
        tabs[i]->layout()->addWidget(page);
        pages_[i] = page;
        // After a failed save the store holds what the disk holds, for every kind.
        connect(page, &PlanPage::storeReread, this, [this] {
            for (PlanPage* p : pages_) p->showPlans();
        });
    }
    ui_.planTabs->setCurrentIndex(0);
    connect(ui_.exitButton, &QPushButton::clicked, this, &QDialog::accept);
    showProblems();
}

CProgram::~CProgram() = default;

void CProgram::retranslate() {
    ui_.retranslateUi(this);
    showProblems();
}

// What the operator must know about the file: which entry stopped the load (the window still
// opens with the plans read before it) and a rewrite at opening that could not be saved.
void CProgram::showProblems() {
    QStringList lines;
    if (!book_.plans().result.ok) lines << noticeText(book_.plans().result.notice());
    if (const tvq::PlanNotice unread = book_.listNotice(); unread.id != tvq::MessageId::None)
        lines << noticeText(unread);
    if (openSave_.id != tvq::MessageId::None) lines << noticeText(openSave_);
    ui_.loadProblem->setText(lines.join(QLatin1Char('\n')));
    ui_.loadProblem->setVisible(!lines.isEmpty());
}

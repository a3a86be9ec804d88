#pragma once
// One plan page: the list of one kind's plans with Add, Modify and Delete. The four pages are
// this one class driven by the kind's row of the core's page table. Every change goes through
// the core, which sorts, renumbers and saves the section, so the list always shows the file.

#include <QWidget>

#include "core/plans/plan_book.h"
#include "ui_plan_page.h"

class MessageBoxes;

class PlanPage : public QWidget {
    Q_OBJECT
public:
    // `book` is shared by the four pages of one program window.
    PlanPage(tvq::PlanKind kind, tvq::PlanBook& book, MessageBoxes& boxes,
             QWidget* parent = nullptr);

    tvq::PlanKind kind() const { return kind_; }
    // Builds the rows again from the store.
    void showPlans();

Q_SIGNALS:
    // A save failed and the store was read back from the disk: every page shows it again.
    void storeReread();

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void retranslate();
    void fitColumns();
    void warnAboutOverflow();
    void apply(const tvq::PageOutcome& outcome);
    int selectedRow() const;
    tvq::PlanDraft draftFrom(const class CAddPlan& dialog) const;
    void onAdd();
    void onModify();
    void onDelete();

    Ui::PlanPage ui_;
    const tvq::PlanKind kind_;
    const tvq::PlanPageSpec& spec_;
    tvq::PlanBook& book_;
    MessageBoxes& boxes_;
};

// The four kinds by their names; each is the one page with its kind's row.
template <tvq::PlanKind K>
class KindPage final : public PlanPage {
public:
    KindPage(tvq::PlanBook& book, MessageBoxes& boxes, QWidget* parent = nullptr)
        : PlanPage(K, book, boxes, parent) {}
};
using CDayPlan = KindPage<tvq::PlanKind::Day>;
using CWeekPlan = KindPage<tvq::PlanKind::Week>;
using CMonthPlan = KindPage<tvq::PlanKind::Month>;
using COncePlan = KindPage<tvq::PlanKind::Once>;

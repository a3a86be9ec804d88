#include "gui/plans/plan_page.h"

#include <QEvent>
#include <QHeaderView>

#include "gui/plans/add_plan_dialog.h"
#include "gui/plans/plan_texts.h"
#include "gui/ui/message_boxes.h"

PlanPage::PlanPage(tvq::PlanKind kind, tvq::PlanBook& book, MessageBoxes& boxes, QWidget* parent)
    : QWidget(parent), kind_(kind), spec_(tvq::planPage(kind)), book_(book), boxes_(boxes) {
    ui_.setupUi(this);
    setObjectName(QStringLiteral("%1Page").arg(QString::fromLatin1(tvq::kindName(kind).data())));
    ui_.planList->setColumnCount(spec_.columnCount);
    ui_.planList->header()->setStretchLastSection(false);
    ui_.planList->header()->setSectionsMovable(false);
    // A kind that the load did not read whole stays as the file has it.
    const bool editable = tvq::pageEditable(book_.plans().result, kind_);
    for (auto* b : {ui_.addButton, ui_.modifyButton, ui_.deleteButton}) b->setEnabled(editable);

    connect(ui_.addButton, &QPushButton::clicked, this, &PlanPage::onAdd);
    connect(ui_.modifyButton, &QPushButton::clicked, this, &PlanPage::onModify);
    connect(ui_.deleteButton, &QPushButton::clicked, this, &PlanPage::onDelete);
    retranslate();
    showPlans();
    warnAboutOverflow();
}

void PlanPage::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) retranslate();
    QWidget::changeEvent(event);
}

void PlanPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitColumns();
}

void PlanPage::retranslate() {
    ui_.retranslateUi(this);
    QStringList headers;
    for (int c = 0; c < spec_.columnCount; ++c)
        headers << messageText(spec_.columns[static_cast<std::size_t>(c)]);
    ui_.planList->setHeaderLabels(headers);
    ui_.planList->setAccessibleName(tr("Plans"));
    fitColumns();
    if (kind_ == tvq::PlanKind::Week) showPlans();  // weekday names follow the language
}

// Columns share the list's width in the units of the kind's row, each at least as wide as its
// header and cells in the current language: a cut "T..." tells the operator nothing.
void PlanPage::fitColumns() {
    QAbstractItemView* list = ui_.planList;
    const int unit = list->viewport()->width() / spec_.unitsPerList;
    for (int c = 0; c < spec_.columnCount; ++c) {
        const int needed =
            std::max(ui_.planList->header()->sectionSizeHint(c), list->sizeHintForColumn(c));
        ui_.planList->setColumnWidth(
            c, std::max(needed, unit * spec_.widthUnits[static_cast<std::size_t>(c)]));
    }
}

void PlanPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    fitColumns();  // a page behind another tab was laid out before it had its size
}

// One message for all entries beyond what a page lists, with how many they are.
void PlanPage::warnAboutOverflow() {
    const int over = tvq::entriesOverLimit(book_.plans().store, kind_);
    if (over == 0) return;
    QString text = messageText(tvq::MessageId::PlanLimitExceeded);
    text.replace(QStringLiteral("%d"), QString::number(tvq::kPlanPageLimit));
    text += QLatin1Char('\n') +
            noticeText({tvq::MessageId::PlanEntriesOverLimit, {std::to_string(over)}});
    boxes_.inform(this, tr("System Information", "one form only"), text);
}

void PlanPage::showPlans() {
    const QString selected =
        ui_.planList->currentItem() ? ui_.planList->currentItem()->text(0) : QString();
    ui_.planList->clear();
    QList<QTreeWidgetItem*> items;
    for (const tvq::PlanRow& row : tvq::pageRows(book_.plans().store, kind_, planLanguage())) {
        QStringList cells{QString::fromStdString(row.name)};
        if (kind_ != tvq::PlanKind::Day) cells << QString::fromStdString(row.second);
        cells << QString::fromStdString(row.time) << QString::fromStdString(row.signal);
        items << new QTreeWidgetItem(cells);
    }
    ui_.planList->addTopLevelItems(items);
    fitColumns();
    if (!selected.isEmpty()) {
        const auto found = ui_.planList->findItems(selected, Qt::MatchExactly, 0);
        if (!found.isEmpty()) ui_.planList->setCurrentItem(found.front());
    }
}

void PlanPage::apply(const tvq::PageOutcome& outcome) {
    const tvq::PlanNotice& notice = outcome.notice;
    if (notice.id == tvq::MessageId::PlanSpacingRefused ||
        notice.id == tvq::MessageId::PlanTimeSkipped ||
        notice.id == tvq::MessageId::ServiceRefusedJob)
        boxes_.inform(this, tr("System Information"), noticeText(notice));
    // A failed save leaves the file as it was; the page says why until the next good save.
    ui_.saveProblem->setText(outcome.saveError ? noticeText(notice) : QString());
    ui_.saveProblem->setVisible(bool(outcome.saveError));
    if (outcome.saveError || outcome.reread)
        Q_EMIT storeReread();
    else
        showPlans();
}

int PlanPage::selectedRow() const {
    const auto selected = ui_.planList->selectedItems();
    if (selected.isEmpty()) return -1;
    return ui_.planList->indexOfTopLevelItem(selected.front());
}

tvq::PlanDraft PlanPage::draftFrom(const CAddPlan& dialog) const {
    const CAddPlan::Choice c = dialog.choice();
    return {kind_, c.date, c.time, c.weekdayText, c.dayText, c.source};
}

void PlanPage::onAdd() {
    CAddPlan dialog(kindIndex(kind_), std::nullopt, this);
    if (dialog.exec() != QDialog::Accepted) return;
    apply(book_.add(draftFrom(dialog)));
}

void PlanPage::onModify() {
    const int row = selectedRow();
    const auto& map = book_.plans().store.plans(kind_);
    if (row < 0 || !map.contains(row)) {
        boxes_.inform(this, tr("System Information", "one form only"),
                      messageText(tvq::MessageId::PlanSelectItem));
        return;
    }
    const tvq::PlanRecord& plan = map.at(row);
    CAddPlan::Loaded loaded{plan.date, plan.timeOfDay,
                            ui_.planList->topLevelItem(row)->text(1).toStdString(),
                            plan.monthDayText, plan.source};
    CAddPlan dialog(kindIndex(kind_), loaded, this);
    if (dialog.exec() != QDialog::Accepted) return;
    apply(book_.modify(row, draftFrom(dialog)));
}

void PlanPage::onDelete() {
    const int row = selectedRow();
    if (row < 0) {
        boxes_.inform(this, tr("System Information", "one form only"),
                      messageText(tvq::MessageId::PlanSelectItem));
        return;
    }
    const auto answer = boxes_.askYesNoCancel(this, tr("System Information ", "one form only"),
                                              messageText(spec_.deleteQuestion));
    if (answer != MessageBoxes::Answer::Yes) return;
    apply(book_.remove(kind_, row));
}

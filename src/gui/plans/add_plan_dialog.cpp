#include "gui/plans/add_plan_dialog.h"

#include <QButtonGroup>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <array>

#include "core/link/sources.h"
#include "gui/panel/language.h"
#include "gui/plans/plan_texts.h"

namespace {

// The radios in screen order; the order of tvq::kSources.
std::array<QRadioButton*, 10> sourceRadios(Ui::CAddPlan& ui) {
    return {ui.sourceV1,   ui.sourceV2,   ui.sourceV3,   ui.sourceSVideo, ui.sourceDvi,
            ui.sourceHdmi, ui.sourceVga1, ui.sourceVga2, ui.sourceExt,    ui.sourceYPbPr};
}

// The radio a source code ticks: code 3 ticks S-VIDEO, codes that name nothing tick none.
int radioOfCode(int code) {
    if (code == 3) code = 4;
    for (std::size_t i = 0; i < tvq::kSources.size(); ++i)
        if (tvq::kSources[i].code == code) return static_cast<int>(i);
    return -1;
}

// The locale's own long time format keeps the seconds; the zone it may add means nothing here.
QString timeFormatWithSeconds(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*t+")));
    if (!format.contains(QLatin1Char('s'))) format = QStringLiteral("HH:mm:ss");
    return format.trimmed();
}

// The locale's short date, with the whole year: a plan a century off would never fire.
QString shortDateFormat(const QLocale& locale) {
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QRegularExpression(QStringLiteral("y+")), QStringLiteral("yyyy"));
    return format;
}

}  // namespace

CAddPlan::CAddPlan(int kind, std::optional<Loaded> modify, QWidget* parent)
    : RetranslatingDialog(parent), kind_(kind) {
    ui_.setupUi(this);

    auto* group = new QButtonGroup(this);
    group->setObjectName(QStringLiteral("sourceGroup"));
    const auto radios = sourceRadios(ui_);
    for (std::size_t i = 0; i < radios.size(); ++i)
        group->addButton(radios[i], tvq::kSources[i].code);
    ui_.sourceV1->setChecked(true);
    // On the radio's state, not its click: an assistive tool's toggle emits no click.
    connect(group, &QButtonGroup::idToggled, this, [this](int code, bool on) {
        if (on) choice_.source = static_cast<std::int8_t>(code);
    });

    ui_.datePicker->setEnabled(kind == 3);
    ui_.weekdayBox->setEnabled(kind == 1);
    ui_.monthDayBox->setEnabled(kind == 2);
    retranslate();

    const QDateTime now = QDateTime::currentDateTime();
    ui_.datePicker->setDate(now.date());
    ui_.timePicker->setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    ui_.weekdayBox->setCurrentIndex(now.date().dayOfWeek() % 7);  // Qt counts Monday 1..Sunday 7
    ui_.monthDayBox->setCurrentIndex(now.date().day() - 1);
    if (modify) load(*modify);

    connect(ui_.okButton, &QPushButton::clicked, this, &CAddPlan::onOk);
}

void CAddPlan::retranslate() {
    ui_.retranslateUi(this);
    // Dates and times as the chosen language writes them.
    const QLocale locale = Language::locale();
    for (QDateTimeEdit* picker :
         {static_cast<QDateTimeEdit*>(ui_.datePicker), static_cast<QDateTimeEdit*>(ui_.timePicker)})
        picker->setLocale(locale);
    ui_.datePicker->setDisplayFormat(shortDateFormat(locale));
    ui_.timePicker->setDisplayFormat(timeFormatWithSeconds(locale));
    // The pickers sit under one label; assistive tools get a name for each. Boxes are named by
    // their label, not by the value they show.
    ui_.datePicker->setAccessibleName(tr("Date"));
    ui_.timePicker->setAccessibleName(tr("Time"));
    ui_.weekdayBox->setAccessibleName(ui_.weekdayLabel->text());
    ui_.monthDayBox->setAccessibleName(ui_.monthDayLabel->text());
    fillWeekdays();
}

// Weekday names in the current language, keeping the choice (or the text typed) across a switch.
void CAddPlan::fillWeekdays() {
    const int index = ui_.weekdayBox->currentIndex();
    const QString typed = ui_.weekdayBox->currentText();
    const bool wasItem = index >= 0 && ui_.weekdayBox->itemText(index) == typed;
    ui_.weekdayBox->clear();
    for (int day = 0; day < 7; ++day)
        ui_.weekdayBox->addItem(QString::fromUtf8(tvq::weekdayName(day, planLanguage()).data()));
    if (wasItem || typed.isEmpty())
        ui_.weekdayBox->setCurrentIndex(index);
    else
        ui_.weekdayBox->setEditText(typed);
}

void CAddPlan::load(const Loaded& plan) {
    const QDateTime clock = QDateTime::fromSecsSinceEpoch(plan.timeOfDay);
    ui_.timePicker->setTime(clock.time());
    if (kind_ == 1) ui_.weekdayBox->setEditText(QString::fromStdString(plan.weekdayText));
    if (kind_ == 2) ui_.monthDayBox->setEditText(QString::fromStdString(plan.dayText));
    if (kind_ == 3) ui_.datePicker->setDate(QDateTime::fromSecsSinceEpoch(plan.date).date());

    // The stored source stays what was handed in, even where no radio matches it.
    choice_.source = static_cast<std::int8_t>(plan.source);
    auto* group = ui_.sourceV1->group();
    const QSignalBlocker quiet(group);
    group->setExclusive(false);
    for (auto* radio : group->buttons()) radio->setChecked(false);
    group->setExclusive(true);
    const int radio = plan.source >= 0 && plan.source <= 10 ? radioOfCode(plan.source) : -1;
    if (radio >= 0) sourceRadios(ui_)[static_cast<std::size_t>(radio)]->setChecked(true);
}

void CAddPlan::onOk() {
    const QDate date = ui_.datePicker->date();
    choice_.date = QDateTime(date, QTime(0, 0)).toSecsSinceEpoch();
    // The clock goes on the day the dialog opened, as the time picker keeps it.
    choice_.time = QDateTime(openedOn_, ui_.timePicker->time()).toSecsSinceEpoch();
    choice_.weekdayText = ui_.weekdayBox->currentText().toStdString();
    choice_.dayText = ui_.monthDayBox->currentText().toStdString();
    accept();
}

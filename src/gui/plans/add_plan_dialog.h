#pragma once
// The plan dialog: one plan's clock time, its weekday, day of month or date as the page's kind
// needs, and the source to switch to. It only collects values; the page runs the spacing check
// and saves.

#include <QDate>
#include <cstdint>
#include <optional>
#include <string>

#include "gui/ui/retranslating_dialog.h"
#include "ui_add_plan.h"

class CAddPlan final : public RetranslatingDialog {
    Q_OBJECT
public:
    // What the operator chose, as the page reads it after OK.
    struct Choice {
        std::int64_t date = 0;  // local midnight of the date picker's day
        std::int64_t time = 0;  // the time picker's clock on the date picker's day
        std::string weekdayText;
        std::string dayText;
        std::int8_t source = 0;
    };
    // A plan handed in for Modify.
    struct Loaded {
        std::int64_t date = 0;
        std::int64_t timeOfDay = 0;
        std::string weekdayText;  // the WDay cell as the page shows it
        std::string dayText;
        int source = 0;
    };

    // kind: 0 day, 1 week, 2 month, 3 once. With `modify` the dialog opens on that plan.
    CAddPlan(int kind, std::optional<Loaded> modify, QWidget* parent = nullptr);

    Choice choice() const { return choice_; }

private:
    void retranslate() override;
    void fillWeekdays();
    void load(const Loaded& plan);
    void onOk();

    Ui::CAddPlan ui_;
    int kind_;
    QDate openedOn_ = QDate::currentDate();
    Choice choice_;
};

#include "gui/ui/keyboard.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFocusEvent>
#include <QRadioButton>

namespace {

QList<QAbstractButton*> siblingsOf(QAbstractButton* radio) {
    if (radio->group()) return radio->group()->buttons();
    QList<QAbstractButton*> out;
    if (radio->parentWidget())
        for (auto* b : radio->parentWidget()->findChildren<QRadioButton*>(
                 QString(), Qt::FindDirectChildrenOnly))
            if (b->autoExclusive()) out << b;
    return out;
}

class MarkedRadioFocus final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::FocusIn) return false;
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        auto* radio = qobject_cast<QAbstractButton*>(watched);
        if (!radio || radio->isChecked() ||
            (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason))
            return false;
        const auto group = siblingsOf(radio);
        QAbstractButton* target = nullptr;
        for (auto* b : group)
            if (b->isChecked() && b->isEnabled() && b->isVisible()) target = b;
        if (!target)  // none marked: the first usable one
            for (auto* b : group)
                if (b->isEnabled() && b->isVisible() && !target) target = b;
        if (!target || target == radio) return false;
        // The radio never takes this focus: handled here, it would claim the group's Tab stop.
        target->setFocus(reason);
        return true;
    }
};

}  // namespace

void tabIntoMarkedRadios(QWidget* window) {
    auto* filter = new MarkedRadioFocus(window);
    for (auto* radio : window->findChildren<QRadioButton*>()) radio->installEventFilter(filter);
}

void chainTabOrder(const std::vector<QWidget*>& order) {
    for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

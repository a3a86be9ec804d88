#pragma once
// Assistive tools toggle radios and check boxes through the accessibility interface, which emits
// no click; and they find controls by name. Checks for both, for any window.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMap>
#include <QProgressBar>

#include "gui_test_support.h"

namespace guitest {

inline void toggleThroughAccessibility(QWidget* control) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
    ASSERT_TRUE(face && face->actionInterface());
    face->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QApplication::processEvents();
}

// A fresh window, what else it did (frames sent, boxes shown), and what keeps it alive.
struct Opened {
    QWidget* window = nullptr;
    std::function<QStringList()> effects;
    std::shared_ptr<void> keep;
};

// Toggles each unmarked, usable checkable control of a fresh window through the accessibility
// interface and expects the window to end as a click on it leaves one. Returns how many.
inline int expectTogglesActAsClicks(const std::function<Opened()>& open) {
    QStringList names;
    const Opened probe = open();
    for (auto* b : probe.window->findChildren<QAbstractButton*>())
        if (b->isCheckable() && !b->isChecked() && b->isEnabled() && b->isVisible())
            names << b->objectName();
    auto after = [&open](const QString& name, bool accessible) {
        const Opened o = open();
        auto* b = child<QAbstractButton>(o.window, name);
        accessible ? toggleThroughAccessibility(b) : clickOn(b);
        const QStringList effects = o.effects();  // first: it waits for the window to settle
        QStringList shown{
            QStringLiteral("size %1x%2").arg(o.window->width()).arg(o.window->height())};
        for (QWidget* w : o.window->findChildren<QWidget*>()) {
            QString s = w->objectName() + (w->isEnabled() ? " on " : " off ");
            if (auto* x = qobject_cast<QAbstractButton*>(w))
                s += x->text() + (x->isChecked() ? "*" : "");
            if (auto* x = qobject_cast<QLineEdit*>(w)) s += x->text();
            if (auto* x = qobject_cast<QLabel*>(w)) s += x->text();
            if (auto* x = qobject_cast<QComboBox*>(w)) s += QString::number(x->currentIndex());
            if (auto* x = qobject_cast<QGroupBox*>(w)) s += x->title();
            shown << s;
        }
        return (shown + effects).join(QLatin1Char('\n')).toStdString();
    };
    for (const QString& name : names)
        EXPECT_EQ(after(name, true), after(name, false)) << name.toStdString();
    return static_cast<int>(names.size());
}

// Every control an operator works has a name of its own: none empty, no two alike. Returns how
// many were checked.
inline int expectUniqueNames(QWidget* window) {
    QMap<QString, QString> seen;  // name -> object name
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool inner = qobject_cast<QComboBox*>(w->parentWidget()) ||
                           qobject_cast<QAbstractSpinBox*>(w->parentWidget());
        const bool works = qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
                           qobject_cast<QAbstractSpinBox*>(w) ||
                           qobject_cast<QAbstractSlider*>(w) || qobject_cast<QProgressBar*>(w) ||
                           (qobject_cast<QLineEdit*>(w) && !inner) ||
                           (qobject_cast<QAbstractItemView*>(w) && !qobject_cast<QHeaderView*>(w));
        if (!works || !w->isVisibleTo(window)) continue;
        const QString name = QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
        const std::string what =
            w->metaObject()->className() + (" " + w->objectName().toStdString());
        EXPECT_FALSE(name.trimmed().isEmpty()) << what;
        EXPECT_FALSE(seen.contains(name))
            << name.toStdString() << ": " << what << " and " << seen.value(name).toStdString();
        seen.insert(name, w->objectName());
    }
    return static_cast<int>(seen.size());
}

}  // namespace guitest

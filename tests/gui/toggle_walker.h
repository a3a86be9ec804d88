#pragma once
// Screen readers and automation tools toggle radios and check boxes through the accessibility
// interface, which emits no click. The walker toggles every unmarked, usable checkable control
// of a window that way, and checks that the window ends as a mouse click leaves it.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
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

// Everything a window shows that a handler may change.
inline QStringList windowState(QWidget* window) {
    QStringList out{QStringLiteral("size %1x%2").arg(window->width()).arg(window->height())};
    for (QWidget* w : window->findChildren<QWidget*>()) {
        QString s = w->objectName() + (w->isEnabled() ? " on" : " off");
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            s += b->text() + (b->isChecked() ? "*" : "");
        if (auto* e = qobject_cast<QLineEdit*>(w)) s += e->text();
        if (auto* l = qobject_cast<QLabel*>(w)) s += l->text();
        if (auto* c = qobject_cast<QComboBox*>(w)) s += QString::number(c->currentIndex());
        if (auto* g = qobject_cast<QGroupBox*>(w)) s += g->title();
        out << s;
    }
    return out;
}

// A fresh window, what else it did (frames sent, boxes shown), and what keeps it alive.
struct Opened {
    QWidget* window = nullptr;
    std::function<QStringList()> effects;
    std::shared_ptr<void> keep;
};

// Returns how many controls were walked.
inline int expectTogglesActAsClicks(const std::function<Opened()>& open) {
    QStringList names;
    {
        const Opened probe = open();
        for (auto* b : probe.window->findChildren<QAbstractButton*>())
            if (b->isCheckable() && !b->isChecked() && b->isEnabled() && b->isVisible())
                names << b->objectName();
    }
    for (const QString& name : names) {
        auto after = [&](bool accessible) {
            const Opened o = open();
            auto* b = child<QAbstractButton>(o.window, name);
            if (accessible)
                toggleThroughAccessibility(b);
            else
                clickOn(b);
            return (windowState(o.window) + o.effects()).join(QLatin1Char('\n')).toStdString();
        };
        EXPECT_EQ(after(true), after(false)) << name.toStdString();
    }
    return static_cast<int>(names.size());
}

}  // namespace guitest

namespace guitest {

// Every control an operator works has a name of its own for assistive tools, none empty and no
// two alike. Returns how many were checked.
inline int expectUniqueNames(QWidget* window) {
    QMap<QString, QString> seen;  // name -> object name
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool works =
            qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
            qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QAbstractSlider*>(w) ||
            (qobject_cast<QAbstractItemView*>(w) && !qobject_cast<QHeaderView*>(w)) ||
            qobject_cast<QProgressBar*>(w) ||
            (qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w->parentWidget()) &&
             !qobject_cast<QAbstractSpinBox*>(w->parentWidget()));
        if (!works || !w->isVisibleTo(window)) continue;
        const QString name = QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
        EXPECT_FALSE(name.trimmed().isEmpty())
            << w->metaObject()->className() << " " << w->objectName().toStdString();
        EXPECT_FALSE(seen.contains(name))
            << name.toStdString() << ": " << w->objectName().toStdString() << " and "
            << seen.value(name).toStdString();
        seen.insert(name, w->objectName());
    }
    return static_cast<int>(seen.size());
}

}  // namespace guitest

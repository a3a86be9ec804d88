#pragma once
// Check boxes and radios act on a change of their state, however it came: a click, a key, or
// a screen reader's or an automation tool's toggle action, which emits no click at all.
// Code that sets a state itself blocks the signals meanwhile (QSignalBlocker).

#include <QAbstractButton>
#include <QButtonGroup>
#include <memory>

// Runs `handler(checked)` whenever the box is ticked or cleared.
template <class Handler>
void onTicked(QAbstractButton* box, QObject* context, Handler handler) {
    QObject::connect(box, &QAbstractButton::toggled, context, handler);
}

// Runs `handler(id)` when a radio of the group is chosen: when it becomes marked, and also when
// the operator presses a radio that is marked already (a panel key is pressed again).
template <class Handler>
void onChosen(QButtonGroup* group, QObject* context, Handler handler) {
    auto wasMarked = std::make_shared<bool>(false);
    QObject::connect(group, &QButtonGroup::idToggled, context, [handler](int id, bool on) {
        if (on) handler(id);
    });
    QObject::connect(group, &QButtonGroup::idPressed, context,
                     [group, wasMarked](int id) { *wasMarked = group->button(id)->isChecked(); });
    QObject::connect(group, &QButtonGroup::idClicked, context, [handler, wasMarked](int id) {
        if (std::exchange(*wasMarked, false)) handler(id);
    });
}

// The same for one radio of a box without a button group.
template <class Handler>
void onChosen(QAbstractButton* radio, QObject* context, Handler handler) {
    auto wasMarked = std::make_shared<bool>(false);
    QObject::connect(radio, &QAbstractButton::toggled, context, [handler](bool on) {
        if (on) handler();
    });
    QObject::connect(radio, &QAbstractButton::pressed, context,
                     [radio, wasMarked] { *wasMarked = radio->isChecked(); });
    QObject::connect(radio, &QAbstractButton::clicked, context, [handler, wasMarked] {
        if (std::exchange(*wasMarked, false)) handler();
    });
}

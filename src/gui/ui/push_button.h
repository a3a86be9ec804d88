#pragma once
// The push buttons of every window: named for tests and accessibility tools, and never the
// dialog's default, so Enter in an edit box does not press some button of the window.

#include <QPushButton>

inline QPushButton* button(const QString& objectName, const QString& text = {}) {
    auto* b = new QPushButton(text);
    b->setObjectName(objectName);
    b->setAutoDefault(false);
    return b;
}

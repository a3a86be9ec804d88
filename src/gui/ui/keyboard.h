#pragma once
// Keyboard habits the toolkit leaves to each window.

#include <QWidget>
#include <vector>

// Tab into a group of radios lands on the marked one (the first when none is), as arrows then
// move within the group; the toolkit would land on whichever radio last had the focus.
void tabIntoMarkedRadios(QWidget* window);

// Tab visits the controls in this order (reading order of the window).
void chainTabOrder(const std::vector<QWidget*>& order);

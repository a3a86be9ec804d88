#include "gui/ui/message_boxes.h"

#include <QApplication>
#include <QMessageBox>

#include "gui/ui/ask_box.h"

MessageBoxes::Answer DialogMessageBoxes::askYesNoCancel(QWidget* parent, const QString& title,
                                                        const QString& text) {
    const auto button = QMessageBox::question(
        parent, title, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
        QMessageBox::Yes);
    if (button == QMessageBox::Yes) return Answer::Yes;
    return button == QMessageBox::No ? Answer::No : Answer::Cancel;
}

void DialogMessageBoxes::inform(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::information(
        parent, title.isEmpty() ? QApplication::applicationDisplayName() : title, text);
}

int DialogMessageBoxes::askOpenClose(QWidget* parent) {
    CAnswer box(parent);
    box.exec();
    return box.answer();
}

MessageBoxes& dialogMessageBoxes() {
    static DialogMessageBoxes boxes;
    return boxes;
}

#pragma once
// A dialog that sets its texts again whenever the interface language changes.

#include <QDialog>
#include <QEvent>

class RetranslatingDialog : public QDialog {
public:
    using QDialog::QDialog;

protected:
    // Sets every text of the dialog in the current language.
    virtual void retranslate() = 0;

    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::LanguageChange) retranslate();
        QDialog::changeEvent(event);
    }
};

#pragma once
// The About box: program name, version and date. It has no buttons; Esc or the title bar
// closes it.

#include "gui/ui/retranslating_dialog.h"

class QLabel;

class CAboutDlg final : public RetranslatingDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

private:
    void retranslate() override;

    QLabel* version_;
    QLabel* date_;
};

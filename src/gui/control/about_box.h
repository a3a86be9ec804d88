#pragma once
// The About box: program name, version and date. It has no buttons; Esc or the title bar
// closes it.

#include <QDialog>

class QLabel;

class CAboutDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void retranslate();

    QLabel* version_;
    QLabel* date_;
};

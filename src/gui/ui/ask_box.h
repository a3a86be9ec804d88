#pragma once
// The three-way question "Open？Close？" asked before the cascade switches mosaic on or off.

#include "gui/ui/retranslating_dialog.h"

class QLabel;
class QPushButton;

class CAnswer final : public RetranslatingDialog {
    Q_OBJECT
public:
    enum Result { Cancel = 0, Open = 1, Close = 2 };

    explicit CAnswer(QWidget* parent = nullptr);

    // 0 until Open or Close is pressed; Cancel, Esc and the title bar leave it 0.
    int answer() const { return answer_; }

private:
    void retranslate() override;
    void finish(int answer);

    int answer_ = Cancel;
    QLabel* question_;
    QPushButton* openButton_;
    QPushButton* closeButton_;
    QPushButton* cancelButton_;
};

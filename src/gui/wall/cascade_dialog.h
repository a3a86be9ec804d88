#pragma once
// Drives every chained processor at once (device address 0): main source, brightness and
// mosaic. Each frame goes out on a background task; the keys stay disabled until it is done,
// and the window keeps painting meanwhile.

#include <array>
#include <thread>
#include "gui/ui/retranslating_dialog.h"

#include "core/link/command_frame.h"

namespace tvq {
class Session;
}
class MessageBoxes;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSlider;

class CJilian final : public RetranslatingDialog {
    Q_OBJECT
public:
    CJilian(tvq::Session& session, MessageBoxes& boxes, QWidget* parent = nullptr);
    ~CJilian() override;  // waits for a send still on its way

    // True while a frame is on its way.
    bool sending() const { return sending_; }

private:
    void retranslate() override;
    void onSource(std::size_t index);
    void onSlider(int value);
    void onSave();
    void onMosaic();
    void send(const tvq::CommandFrame& frame);
    void setSending(bool sending);

    tvq::Session& session_;
    MessageBoxes& boxes_;
    std::jthread sender_;
    bool sending_ = false;

    QGroupBox* sourceBox_;
    QGroupBox* brightnessBox_;
    QGroupBox* mosaicBox_;
    std::array<QPushButton*, 10> sourceButtons_{};
    QSlider* slider_;
    QLineEdit* entry_;
    QPushButton* saveButton_;
    QPushButton* mosaicButton_;
    QPushButton* cancelButton_;
};

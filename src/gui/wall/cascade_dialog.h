#pragma once
// Drives every chained processor at once (device address 0): main source, brightness and
// mosaic. Each frame goes out on a background task; the keys stay disabled until it is done,
// and the window keeps painting meanwhile.

#include <array>

#include "gui/ui/device_task.h"
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
    ~CJilian() override;  // ends a send still on its way within one try

    // True while a frame is on its way.
    bool sending() const { return sender_.busy(); }

private:
    void retranslate() override;
    void onSource(std::size_t index);
    void onSlider(int value);
    void onSave();
    void onMosaic();
    enum class Outcome { Sending, Sent, NotSent };
    void send(const tvq::CommandFrame& frame, QPushButton* origin);
    void tell(QPushButton* button, Outcome outcome);
    void setSending(bool sending);

    tvq::Session& session_;
    MessageBoxes& boxes_;
    DeviceTask sender_;

    QGroupBox* sourceBox_;
    QGroupBox* brightnessBox_;
    QGroupBox* mosaicBox_;
    std::array<QPushButton*, 10> sourceButtons_{};
    QSlider* slider_;
    QLineEdit* entry_;
    QPushButton* saveButton_;
    QPushButton* mosaicButton_;
    QPushButton* cancelButton_;
    QPushButton* told_ = nullptr;  // the key whose outcome is described
    Outcome outcome_ = Outcome::NotSent;
};

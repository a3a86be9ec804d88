#pragma once
// The "Connecting device" box shown while the connect job runs. The job's end may be reported
// before the box has appeared; the close request is remembered so it is never lost.

#include "gui/ui/retranslating_dialog.h"

class QLabel;

class CProgress final : public RetranslatingDialog {
    Q_OBJECT
public:
    explicit CProgress(QWidget* parent = nullptr);

    // Runs the box modally unless the job has already finished.
    int exec() override;
    // The connect job has ended: close now, or as soon as the box would show.
    void finish();
    bool finished() const { return finished_; }
    // Ready for the next connect.
    void rearm() { finished_ = false; }

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override {}  // only the job closes it

private:
    void retranslate() override;

    bool finished_ = false;
    QLabel* text_;
};

#pragma once
// Programs every screen of the wall in one go: each cell's processor address (cell k on
// address k + 1 unless changed), the mosaic mode to leave them in, a progress bar, Cancel after
// the exchange in flight, and a summary. Each cell's result is reported as it finishes.

#include <QDialog>
#include <QEvent>
#include <stop_token>
#include <vector>

#include "core/wall/wall_program.h"
#include "gui/ui/device_task.h"

namespace tvq {
class Session;
}
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

class CWallProgram final : public QDialog {
    Q_OBJECT
public:
    // `addresses` holds one address per cell of the layout.
    CWallProgram(tvq::Session& session, tvq::Clock& clock, tvq::MosaicPauses pauses,
                 tvq::WallLayout layout, std::vector<std::uint8_t> addresses,
                 QWidget* parent = nullptr);
    ~CWallProgram() override;  // a run still going ends within one try

    std::vector<std::uint8_t> addresses() const;
    bool running() const { return task_.busy(); }
    const tvq::WallSummary& summary() const { return summary_; }

    // A cell's result in the current language: what went wrong, or what was made even.
    static QString describe(const tvq::CellResult& result);

Q_SIGNALS:
    void cellFinished(int cell, bool done, const QString& reason);

protected:
    void changeEvent(QEvent* event) override;
    void reject() override;  // Esc and the title bar: cancel a run first

private:
    void retranslate();
    void onStart();
    void onCancel();
    void showProgress(const tvq::WallProgress& progress);
    void showSummary();
    void setRunning(bool running);

    tvq::Session& session_;
    tvq::Clock& clock_;
    tvq::MosaicPauses pauses_;
    tvq::WallLayout layout_;
    DeviceTask task_;
    std::stop_source cancel_;
    tvq::WallSummary summary_;

    QTableWidget* table_;
    QLabel* modeLabel_;
    QComboBox* mode_;
    QProgressBar* bar_;
    QLabel* stepText_;
    QLabel* summaryText_;
    QPushButton* startButton_;
    QPushButton* cancelButton_;
    QPushButton* closeButton_;
};

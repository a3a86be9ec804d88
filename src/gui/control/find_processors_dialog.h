#pragma once
// Finds the processors on the line: asks every address of a range for its status, with a
// progress bar and Cancel, and lets the operator pick one that answered as the device address.
// Not connected, it opens the chosen link for the scan and closes it after (with a chain service
// chosen, it asks the service to run the scan as one sequence); connected, it scans over the
// session's link (its owner holds the workers meanwhile).

#include <optional>

#include "core/control/chain_scan.h"
#include "core/control/session.h"
#include "gui/ui/device_task.h"
#include "gui/ui/retranslating_dialog.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;

class CFindProcessorsDlg final : public RetranslatingDialog {
    Q_OBJECT
public:
    CFindProcessorsDlg(tvq::Session& session, bool overSession, tvq::LinkChoice choice,
                       tvq::LinkOpener opener, tvq::ServiceAttacher attacher = {},
                       QWidget* parent = nullptr);
    ~CFindProcessorsDlg() override;  // ends a scan still running within one short wait

    // The address picked with "Use address"; empty when none was.
    std::optional<std::uint8_t> chosenAddress() const { return chosen_; }
    bool scanning() const { return task_.busy(); }

private:
    enum class Status { Ready, Scanning, Done, Cancelled, LinkFailed, LineFailed, ServiceFailed };

    void retranslate() override;
    void reject() override;  // Esc and the close button end a running scan first
    void onScan();
    void onCancel();
    void onUse();
    void onProgress(int address, int done, int total);
    void onAnswer(const tvq::ScanAnswer& answer);
    void onProblem(const tvq::ScanProblem& problem);
    void onFinished(Status status);
    void showStatus();
    void setScanning(bool on);
    QString answerText(const tvq::ScanAnswer& answer) const;
    QString problemText(const tvq::ScanProblem& problem) const;

    tvq::Session& session_;
    const bool overSession_;
    const tvq::LinkChoice choice_;
    const tvq::LinkOpener opener_;
    const tvq::ServiceAttacher attacher_;
    QString serviceProblem_;  // why the service could not run the scan
    DeviceTask task_;
    std::vector<tvq::ScanAnswer> answers_;
    std::vector<tvq::ScanProblem> problems_;
    std::optional<std::uint8_t> chosen_;
    Status status_ = Status::Ready;
    int current_ = 0;
    unsigned run_ = 0;  // which scan the queued reports belong to

    QLabel* fromLabel_;
    QLabel* toLabel_;
    QSpinBox* fromBox_;
    QSpinBox* toBox_;
    QProgressBar* progress_;
    QLabel* statusLabel_;
    QListWidget* found_;
    QPushButton* scanButton_;
    QPushButton* useButton_;
    QPushButton* cancelButton_;
};

#pragma once
// The screen setup dialog: reads the processor's screen settings back, shows them, and writes
// the ones the operator changes. Every device sequence runs on a background task; the setup
// controls stay disabled while one runs, and the window keeps painting.

#include <QColor>
#include <array>
#include <deque>
#include <functional>
#include <set>

#include "core/link/command_frame.h"
#include "core/setup/output_format.h"
#include "core/setup/read_back.h"
#include "core/setup/setup_frames.h"
#include "core/setup/window_rect.h"
#include "gui/ui/device_task.h"
#include "gui/ui/retranslating_dialog.h"
#include "ui_set_screen.h"

namespace tvq {
class Clock;
class Session;
}  // namespace tvq
class MessageBoxes;

// The main window's flags the dialog starts from.
struct SetupInputs {
    bool connected = false;
    bool mainIsDvi = false;
    bool mosaic = false;
    bool bypass = false;
};

class CSetScreen final : public RetranslatingDialog {
    Q_OBJECT
public:
    static constexpr QColor kUnsaved{0, 255, 255};
    static constexpr QColor kSaved{205, 205, 180};

    // `geometry` is the program's store of the sixteen rectangle values; it outlives the dialog.
    CSetScreen(tvq::Session& session, tvq::setup::WindowGeometry& geometry, tvq::Clock& clock,
               MessageBoxes& boxes, SetupInputs inputs, QWidget* parent = nullptr);
    ~CSetScreen() override;  // ends a sequence still running after its current exchange

    // True while a device sequence runs.
    bool busy() const { return task_.busy(); }
    // Whether a field holds a change the device has not taken yet.
    bool isChanged(const QLineEdit* field) const;

    // Ends a running sequence (after its current exchange) and closes; nothing more is sent.
    void done(int result) override;

private:
    using Target = tvq::setup::RectTarget;
    using Frame = tvq::CommandFrame;

    void retranslate() override;
    void wireControls();
    void fillLists();
    void fitScreen();
    void paintLegend();

    // Changed flags and their colours.
    void markChanged(QLineEdit* field, bool changed);
    void clearChanged(std::initializer_list<QLineEdit*> fields);
    void clearAllChanged();

    // Which controls a sequence disables.
    void setSetupControls(bool enabled);
    // Runs an operator action now, or after the sequence in progress ends.
    void whenFree(std::function<void()> action);
    void runDeferred();

    // Read-back and PIP-mode read.
    void startReadBack(bool opening);
    void applyStep(const tvq::setup::ReadStep& step);
    void finishReadBack(bool opening);
    // Pages that did not answer: their groups are marked and the Info line names them.
    std::vector<QWidget*> pageGroups(std::uint8_t page) const;
    void markUnanswered();
    void sayUnanswered();
    void onModeRadio(unsigned mode);
    void showMode(const tvq::setup::ModeRects& rects, unsigned mode);

    // Values into fields and previews.
    void fillRect(Target target, const tvq::setup::WindowRect& rect);
    void redraw(Target target);
    void showCorners();  // "(w,h)" under the previews
    void showLimits();   // "<=w" and "<=h" beside the sums
    void checkModeRadio(unsigned mode);
    void setPair(QRadioButton* off, QRadioButton* on, bool isOn);

    // Writes.
    void saveRect(Target target);
    void saveLevel(QLineEdit* field, int level);
    void saveTextKey();
    void saveAudio();
    void saveHotSpare();
    void sendRadio(const Frame& frame);
    // Sends frame; `accepted` runs on the UI thread after an acknowledged write, `failed` after
    // no reply. Each ends with `finish`.
    void write(const Frame& frame, std::function<void()> accepted, std::function<void()> failed,
               std::function<void()> finish);
    void refuse(tvq::MessageId message);
    void onThresholdArrow(std::size_t channel, bool up);
    void onAudioList(std::size_t changed);

    void showInfo(tvq::MessageId message);
    void showInfo(const QString& text);
    QLineEdit* rectField(Target target, tvq::setup::RectField field) const;

    Ui::CSetScreen ui_;
    tvq::Session& session_;
    tvq::setup::WindowGeometry& geometry_;
    tvq::Clock& clock_;
    MessageBoxes& boxes_;
    const SetupInputs inputs_;
    const std::uint8_t address_;

    tvq::setup::Resolution output_ = tvq::setup::kDefaultResolution;
    std::uint8_t saveCode_ = tvq::setup::kFirstSaveCode;
    std::array<std::array<QLineEdit*, 4>, tvq::setup::kRectTargets> rectFields_{};
    std::array<QLineEdit*, 3> thresholds_{};
    std::vector<QLineEdit*> editFields_;  // the 22 fields with changed flags
    std::vector<bool> changed_;
    int mainArea_ = 0, pipArea_ = 0;
    std::set<std::uint8_t> unanswered_;  // pages whose last read gave nothing
    bool filling_ = false;               // values from the device are being shown: no audio rule
    std::deque<std::function<void()>> deferred_;
    DeviceTask task_;  // last: stopped before the members its sequence reports to
};

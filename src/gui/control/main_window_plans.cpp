// The timer block of the main window: Start and Stop of the plan scheduler, its display panel
// and its reports, and the door to the program window.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "core/platform/diagnostics.h"
#include "gui/control/main_window.h"
#include "gui/plans/plan_texts.h"
#include "gui/plans/plan_thread_observer.h"
#include "gui/plans/program_window.h"
#include "gui/ui/message_boxes.h"

void CTVQ418ControlDlg::onStart() {
    // Attached, the service's scheduler runs the service's plans, all kinds; the panel stays
    // the operator's, since nothing here shares a line with it.
    if (session_->attached()) {
        session_->armServicePlans(true);
        return;
    }
    if (scheduler_) return;  // a connect while it runs may have enabled Start again
    tvq::PlanKindSet kinds;
    for (std::size_t i = 0; i < kinds.on.size(); ++i)
        kinds.on[i] = w_.planKindBoxes[i]->isChecked();
    if (!kinds.any()) {
        boxes_.inform(this, tr("系统信息"), messageText(tvq::MessageId::PlanNoKindTicked));
        return;
    }
    clearTimerFields();
    session_->setTimerRunning(true);
    // The scheduler's first step: the panel's own buttons wait until Stop.
    session_->setOperationControls(false);
    for (auto m : {tvq::Control::M1, tvq::Control::M2, tvq::Control::M3, tvq::Control::M4})
        session_->enableControl(m, false);
    startPlanScheduler(kinds);
}

void CTVQ418ControlDlg::startPlanScheduler(const tvq::PlanKindSet& kinds) {
    tvq::PlanSchedulerOptions options;
    options.planFile = deps_.settingsPath;
    options.kinds = kinds;
    options.deviceAddress = session_->deviceAddress();
    const unsigned run = ++planRun_;
    planObserver_ = std::make_unique<PlanThreadObserver>(
        this, run,
        [this](unsigned r, const std::optional<tvq::TimerDisplay>& current,
               const std::optional<tvq::TimerDisplay>& next) {
            if (r != planRun_) return;
            // A group without news keeps what it shows.
            if (current) timersShown_[0] = current;
            if (next) timersShown_[1] = next;
            showTimers();
        },
        [this](unsigned r, const tvq::PlanEvent& event) {
            if (r == planRun_) onPlanEvent(event);
        },
        [this](unsigned r, const tvq::PlanNotice& notice) {
            if (r == planRun_) showPlanNotice(notice);
        });
    // On the scheduler's thread; the Session keeps it apart from the workers and the dialogs.
    tvq::PlanLink link{[this](const tvq::CommandFrame& frame, std::stop_token stop) {
                           return session_->sendPlanFrame(frame, stop);
                       },
                       [this] { return session_->lineUp(); }};
    scheduler_ = std::make_unique<tvq::PlanScheduler>(
        options, std::move(link), *planObserver_,
        deps_.wallClock ? *deps_.wallClock : tvq::systemWallClock());
    scheduler_->start();
}

void CTVQ418ControlDlg::onStop() {
    if (session_->attached() && !scheduler_) {
        session_->armServicePlans(false);
        return;
    }
    stopPlanScheduler();
    session_->setTimerRunning(false);
    // With the link gone meanwhile (the cascade's end closes it) there is nothing to operate.
    // (Asked without waiting for an exchange in flight: this is the UI thread.)
    if (!session_->workersRunning()) {
        session_->setOperationControls(false);
        for (auto m : {tvq::Control::M1, tvq::Control::M2, tvq::Control::M3, tvq::Control::M4})
            session_->enableControl(m, false);
        session_->enableControl(tvq::Control::Disconnect, false);
    }
    clearTimerFields();
}

void CTVQ418ControlDlg::stopPlanScheduler() {
    ++planRun_;
    scheduler_.reset();  // ends a sleep at once and an exchange within one reply try
    planObserver_.reset();
}

void CTVQ418ControlDlg::clearTimerFields() {
    timersShown_ = {};
    for (auto* field : w_.timerFields) field->clear();
}

void CTVQ418ControlDlg::showTimerGroup(std::size_t group, const tvq::TimerDisplay& shown) {
    const std::array<QString, 4> texts{QString::fromStdString(shown.time),
                                       QString::fromStdString(shown.signal),
                                       messageText(shown.status), messageText(shown.result)};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        QLineEdit* field = w_.timerFields[group * 4 + i];
        field->setText(texts[i]);
        field->setCursorPosition(0);
    }
}

// Also on a language switch: the fields show their texts in the language of the moment.
void CTVQ418ControlDlg::showTimers() {
    for (std::size_t group = 0; group < timersShown_.size(); ++group)
        if (timersShown_[group]) showTimerGroup(group, *timersShown_[group]);
}

void CTVQ418ControlDlg::onPlanEvent(const tvq::PlanEvent& event) {
    if (event.what != tvq::PlanEvent::What::CannotSend) return;
    // Nothing went out: the Current Timer says so, and so does the Info line.
    if (timersShown_[0]) {
        timersShown_[0]->result = tvq::MessageId::PlanCannotSend;
        showTimers();
    }
    showPlanNotice({tvq::MessageId::PlanCannotSend, {}});
}

void CTVQ418ControlDlg::showPlanNotice(const tvq::PlanNotice& notice) {
    const QString text = noticeText(notice);
    w_.infoLine->setText(text);
    w_.infoLine->setCursorPosition(0);
    w_.infoLine->setAccessibleDescription(text);
}

void CTVQ418ControlDlg::onProgram() {
    unsigned held = tvq::kCommandWorker;
    if (session_->deviceAddress() != 0) held |= tvq::kStatusPoller | tvq::kBlinkWorker;
    session_->holdWorkers(held);
    openProgramWindow();
    session_->releaseWorkers();
}

void CTVQ418ControlDlg::openProgramWindow() {
    if (session_->attached()) {
        tvq::ServicePlanBook book(
            [this](const nlohmann::json& request) { return session_->serviceRequest(request); });
        CProgram program(book, boxes_, this);
        program.exec();
        return;
    }
    tvq::LoadedPlans plans = tvq::loadPlanFile(deps_.settingsPath);
    for (const std::string& line : plans.result.diagnostics) tvq::diagnostic(line);
    CProgram program(plans, boxes_, this);
    program.exec();
}

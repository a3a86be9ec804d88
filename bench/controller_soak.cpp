// Controller soak: the real main window for a number of minutes against an in-process simulator
// that drops, splits and corrupts replies and now and then closes the connection. The window
// starts as an operator left it (auto-connect, StartTimer), with a day plan due every minute of
// the run; a random front-panel press goes in every few seconds. Every minute one line: memory,
// the UI thread's worst stall, threads, open files, plans due and plan frames seen so far.
//
// A plan counts as sent when its frame reached the simulator, as reported when the window said
// it could not be sent or was missed; a plan that is neither went silently, which is a fault.
//
// Usage: controller_soak [minutes, default 30] [seed, default 418]
// Exit status: 0 clean; 1 set-up failed; 2 a UI stall over 5 s (a hang); 3 a plan went silently;
// a crash names its signal on stderr and exits with 128 + the signal.
// The window uses QT_QPA_PLATFORM, or the offscreen platform when it is not set.

#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/control/settings.h"
#include "core/link/sources.h"
#include "core/plans/plan_file.h"
#include "core/platform/diagnostics.h"
#include "core/platform/local_time.h"
#include "core/platform/profile_file.h"
#include "gui/control/main_window.h"
#include "gui/plans/plan_texts.h"
#include "gui/ui/message_boxes.h"
#include "sim/frame_log.h"
#include "sim/sim_server.h"

namespace {

constexpr int kTickMs = 10;
constexpr qint64 kHangMs = 5000;
constexpr qint64 kGiveUpMs = 60000;  // the watchdog ends a run stuck this long
// A plan's frame may reach the wire up to the scheduler's tolerance after its second, and a
// busy link adds the exchange that holds it up.
constexpr qint64 kFrameWindowUs = 12'000'000;

long statusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string wanted = std::string(key) + ":";
    while (std::getline(status, line))
        if (line.rfind(wanted, 0) == 0) return std::atol(line.c_str() + wanted.size());
    return -1;
}

int openFiles() {
    std::error_code ec;
    int n = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd", ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
        ++n;
    return n;
}

// Answers every question Yes and counts what was shown, so no box waits for a person.
class CountingBoxes final : public MessageBoxes {
public:
    Answer askYesNoCancel(QWidget*, const QString&, const QString&) override {
        ++asked;
        return Answer::Yes;
    }
    void inform(QWidget*, const QString&, const QString& text) override {
        ++informed;
        std::fprintf(stderr, "controller_soak: notice box: %s\n", text.toLocal8Bit().constData());
    }
    int askOpenClose(QWidget*) override {
        ++asked;
        return 0;
    }
    int asked = 0;
    int informed = 0;
};

// Reads the simulator's frame log as it grows: the monotonic moments of plan frames (a main
// source switch) that came in.
class PlanFrameTail {
public:
    explicit PlanFrameTail(std::string path) : path_(std::move(path)) {}
    void read() {
        std::ifstream log(path_);
        log.seekg(offset_);
        std::string line;
        while (std::getline(log, line)) {
            if (log.eof()) break;  // a line still being written: read it next time
            offset_ += static_cast<std::streamoff>(line.size() + 1);
            ++lines;
            for (std::size_t f = 0; f < kCounted.size(); ++f)
                if (line.find(kCounted[f]) != std::string::npos) ++faults[f];
            if (line.find("\"dir\":\"in\"") == std::string::npos ||
                line.find("\"bytes\":\"05 01 80 ") == std::string::npos)
                continue;
            const auto at = line.find("\"mono_us\":");
            if (at != std::string::npos) frames.push_back(std::atoll(line.c_str() + at + 10));
        }
    }
    // Replies the simulator spoilt, by fault: drop, split, corrupt, close.
    static constexpr std::array<const char*, 4> kCounted{"drop", "split", "corrupt", "close"};
    std::vector<std::int64_t> frames;
    long lines = 0;
    std::array<long, 4> faults{};

private:
    std::string path_;
    std::streamoff offset_ = 0;
};

struct Plan {
    tvq::Moment due = 0;     // wall-clock second
    std::int64_t dueUs = 0;  // the same moment on the monotonic clock
    std::string source;
};

std::atomic<qint64> heartbeatMs{0};
std::atomic<long> diagnostics{0};  // lines the controller's threads wrote
std::atomic<qint64> worstGapMs{0};

qint64 monoMs() {
    return tvq::sim::monotonicMicros() / 1000;
}

void onCrash(int sig) {
    char text[64];
    const int n = std::snprintf(text, sizeof text, "controller_soak: crashed, signal %d\n", sig);
    if (n > 0) {
        const ssize_t written = ::write(2, text, static_cast<std::size_t>(n));
        (void)written;
    }
    ::_exit(128 + sig);
}

int fail(const char* why) {
    std::fprintf(stderr, "controller_soak: %s\n", why);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    for (int sig : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL}) ::signal(sig, onCrash);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const auto seed = static_cast<std::uint32_t>(argc > 2 ? std::atol(argv[2]) : 418);
    tvq::setDiagnosticSink([](std::string_view) { ++diagnostics; });

    QTemporaryDir scratch;
    const std::string logPath = scratch.filePath(QStringLiteral("frames.jsonl")).toStdString();
    tvq::sim::SimOptions options;
    options.tcp = true;
    options.seed = seed;
    options.logPath = logPath;
    options.logMaxBytes = 1ull << 30;  // one file for the whole run, so the tail never loses it
    options.faults[tvq::sim::Fault::Drop] = 0.05;
    options.faults[tvq::sim::Fault::Split] = 0.05;
    options.faults[tvq::sim::Fault::Corrupt] = 0.05;
    options.faults[tvq::sim::Fault::Close] = 0.01;
    tvq::sim::SimServer server;
    std::string error;
    if (!server.start(options, &error)) return fail(("simulator: " + error).c_str());

    // The plans: one a minute, the first a minute in, the last at the run's end.
    const std::filesystem::path settings =
        scratch.filePath(QStringLiteral("Planinfo.ini")).toStdString();
    tvq::ConnectSettings connect;
    connect.ip = "127.0.0.1";
    connect.port = std::to_string(server.tcpPort());
    connect.autoConnect = true;
    connect.startTimer = true;
    connect.deviceAddress = 1;
    if (tvq::saveConnectSettings(settings, connect)) return fail("cannot write the settings");
    const tvq::Moment startWall = QDateTime::currentSecsSinceEpoch();
    const std::int64_t startMonoUs = tvq::sim::monotonicMicros();
    if (tvq::startOfDay(startWall) != tvq::startOfDay(startWall + 60 * (minutes + 1)))
        return fail("the run would cross midnight; day plans would not all be due today");
    std::vector<Plan> plans;
    {
        tvq::ProfileFile file(settings);
        const auto section = tvq::planSection(tvq::PlanKind::Day);
        for (int i = 0; i < minutes; ++i) {
            const auto& source = tvq::kSources[static_cast<std::size_t>(i) % tvq::kSources.size()];
            tvq::PlanRecord record;
            record.timeOfDay = startWall + 60 * (i + 1);
            record.source = source.code;
            if (!tvq::writePlanEntry(file, section, tvq::planEntryKey(i),
                                     tvq::planEntryValue(record, tvq::PlanKind::Day)))
                return fail("cannot write a plan");
            plans.push_back(
                {record.timeOfDay, startMonoUs + 60'000'000ll * (i + 1), std::string(source.name)});
        }
        file.writeInt(tvq::kPlanCountSection, tvq::planCountKey(tvq::PlanKind::Day), minutes);
        if (file.save()) return fail("cannot save the plans");
    }

    CountingBoxes boxes;
    MainWindowDeps deps;
    deps.settingsPath = settings;
    deps.boxes = &boxes;
    CTVQ418ControlDlg window(std::move(deps));
    window.show();
    window.readSettings();
    if (!window.session().connected()) return fail("the window did not connect");
    if (!window.planSchedulerRunning()) return fail("the timer did not start");

    // What the window says about plans it could not send: the Info line. It is cleared after
    // each such report so that the next, with the same words, is seen as well.
    auto* infoLine = window.findChild<QLineEdit*>(QStringLiteral("infoLine"));
    if (!infoLine) return fail("no Info line");
    const QString cannotSend = noticeText({tvq::MessageId::PlanCannotSend, {}});
    const QString missedSample = noticeText({tvq::MessageId::PlanMissed, {"\x01", "\x02"}});
    const QString missedHead = missedSample.left(missedSample.indexOf(QChar(1)));
    std::vector<std::int64_t> reportsUs;
    int cannotSendReports = 0, missedReports = 0;
    QObject::connect(infoLine, &QLineEdit::textChanged, [&](const QString& text) {
        const bool missed = !missedHead.isEmpty() && text.startsWith(missedHead);
        if (text != cannotSend && !missed) return;
        ++(missed ? missedReports : cannotSendReports);
        reportsUs.push_back(tvq::sim::monotonicMicros());
        QTimer::singleShot(0, infoLine, [infoLine] { infoLine->clear(); });
    });

    // The UI thread's pulse, watched from another thread so that a hang is seen while it lasts.
    QElapsedTimer sinceTick;
    qint64 worstLateMs = 0, minuteLateMs = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 late = sinceTick.restart() - kTickMs;
        worstLateMs = std::max(worstLateMs, late);
        minuteLateMs = std::max(minuteLateMs, late);
        heartbeatMs = monoMs();
    });
    heartbeatMs = monoMs();
    std::atomic<bool> done{false};
    std::jthread watchdog([&done] {
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            if (done) break;  // the ticks have stopped on purpose
            const qint64 gap = monoMs() - heartbeatMs.load();
            worstGapMs = std::max(worstGapMs.load(), gap);
            if (gap > kGiveUpMs) {
                std::fprintf(stderr, "controller_soak: UI thread stuck for %lld ms, giving up\n",
                             static_cast<long long>(gap));
                ::_exit(2);
            }
        }
    });

    // Presses: what the panel's keys call, a random one every 2 to 5 s. Main source keys are
    // left out so that every main source switch on the wire is a plan's.
    std::mt19937 random(seed);
    int presses = 0, pressesQueued = 0, pressesRefused = 0;
    QTimer presser;
    presser.setSingleShot(true);
    QObject::connect(&presser, &QTimer::timeout, [&] {
        tvq::Session& s = window.session();
        tvq::PressOutcome outcome;
        switch (const unsigned key = random() % 15; key) {
            case 0:
            case 1:
            case 2:
            case 3:
            case 4:
                outcome = s.pressToggle(static_cast<tvq::Toggle>(key));
                break;
            case 5:
                outcome = s.pressVgaAuto();
                break;
            case 6:
            case 7:
            case 8:
            case 9:
                outcome = s.pressPipMode(static_cast<std::uint8_t>(key - 6));
                break;
            default:
                outcome = s.pressTransition(static_cast<std::uint8_t>((key - 10) % 4));
        }
        ++presses;
        if (outcome.frame) ++pressesQueued;
        if (outcome.refusal != tvq::MessageId::None) ++pressesRefused;
        presser.start(2000 + static_cast<int>(random() % 3000));
    });

    PlanFrameTail tail(logPath);
    int linkDownSamples = 0, samples = 0;
    QTimer linkSampler;
    QObject::connect(&linkSampler, &QTimer::timeout, [&] {
        ++samples;
        if (!window.session().lineUp()) ++linkDownSamples;
    });

    const long rssStart = statusKb("VmRSS");
    long rssMax = rssStart;
    auto plansDueBy = [&](std::int64_t nowUs) {
        return std::count_if(plans.begin(), plans.end(),
                             [&](const Plan& p) { return p.dueUs <= nowUs; });
    };
    std::printf("controller_soak: %d min, seed %u, simulator on port %u, %d plans\n", minutes, seed,
                server.tcpPort(), minutes);
    std::printf("%4s %9s %9s %7s %5s %9s %11s %7s %9s\n", "min", "rss_kb", "stall_ms", "threads",
                "fds", "plans_due", "plan_frames", "presses", "link_down");
    std::fflush(stdout);
    int minute = 0;
    QTimer everyMinute;
    QObject::connect(&everyMinute, &QTimer::timeout, [&] {
        ++minute;
        tail.read();
        const long rss = statusKb("VmRSS");
        rssMax = std::max(rssMax, rss);
        std::printf("%4d %9ld %9lld %7ld %5d %9ld %11zu %7d %8.0f%%\n", minute, rss,
                    static_cast<long long>(std::max<qint64>(0, minuteLateMs)), statusKb("Threads"),
                    openFiles(), static_cast<long>(plansDueBy(tvq::sim::monotonicMicros())),
                    tail.frames.size(), presses, samples ? 100.0 * linkDownSamples / samples : 0.0);
        std::fflush(stdout);
        minuteLateMs = 0;
    });

    QEventLoop loop;
    // The last plan, then time for its frame and its report.
    QTimer::singleShot(minutes * 60'000 + 15'000, &loop, &QEventLoop::quit);
    sinceTick.start();
    tick.start(kTickMs);
    presser.start(2000);
    linkSampler.start(1000);
    everyMinute.start(60'000);
    loop.exec();
    done = true;
    watchdog.join();
    tick.stop();
    presser.stop();
    everyMinute.stop();
    linkSampler.stop();
    const long rssEnd = statusKb("VmRSS");
    rssMax = std::max(rssMax, rssEnd);

    QElapsedTimer closing;
    closing.start();
    window.session().disconnect();
    const qint64 disconnectMs = closing.elapsed();
    server.stop();
    tail.read();

    // Each plan: its frame within its window, else a report near it, else silent.
    int sent = 0, reported = 0, silent = 0;
    std::vector<bool> reportUsed(reportsUs.size(), false);
    for (const Plan& plan : plans) {
        const bool frame = std::any_of(tail.frames.begin(), tail.frames.end(), [&](auto at) {
            return at >= plan.dueUs - 1'000'000 && at <= plan.dueUs + kFrameWindowUs;
        });
        if (frame) {
            ++sent;
            continue;
        }
        bool found = false;
        for (std::size_t i = 0; i < reportsUs.size() && !found; ++i) {
            if (reportUsed[i]) continue;
            if (reportsUs[i] >= plan.dueUs - 1'000'000 &&
                reportsUs[i] <= plan.dueUs + kFrameWindowUs)
                reportUsed[i] = found = true;
        }
        if (found) {
            ++reported;
        } else {
            ++silent;
            std::printf("  plan at %s (%s): no frame and no report\n",
                        tvq::clockText(plan.due).c_str(), plan.source.c_str());
        }
    }
    const qint64 worstStall = std::max({worstLateMs, worstGapMs.load(), qint64{0}});
    std::printf(
        "summary: %d min; RSS start %ld kB, end %ld kB, max %ld kB; plans due %zu, sent %d, "
        "reported unsent or missed %d (cannot send %d, missed %d), silent %d; plan frames "
        "seen %zu; presses %d (queued %d, refused %d); worst UI stall %lld ms; link down %.1f%% "
        "of samples; disconnect %lld ms; message boxes %d; diagnostics %ld; log lines %ld; faults "
        "drop %ld, split %ld, corrupt %ld, close %ld\n",
        minutes, rssStart, rssEnd, rssMax, plans.size(), sent, reported, cannotSendReports,
        missedReports, silent, tail.frames.size(), presses, pressesQueued, pressesRefused,
        static_cast<long long>(worstStall), samples ? 100.0 * linkDownSamples / samples : 0.0,
        static_cast<long long>(disconnectMs), boxes.asked + boxes.informed, diagnostics.load(),
        tail.lines, tail.faults[0], tail.faults[1], tail.faults[2], tail.faults[3]);
    if (worstStall > kHangMs) return 2;
    return silent == 0 ? 0 : 3;
}

// Idle cost of the controller: the real main window connected to a tvq418-sim child process,
// one light blinking (the main source has lost its signal), nobody at the keys. Measures the
// CPU time this process takes, as a share of one core, and the worst stall of the UI thread's
// event loop (how late a 10 ms timer ran). The simulator's own CPU is not counted.
//
// Usage: idle_cost [seconds, default 60] [--unconnected]
// --unconnected leaves the window alone without a link: the cost of the window and of the
// measuring itself, to set the connected figure against.
// The window uses QT_QPA_PLATFORM, or the offscreen platform when it is not set.

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "core/platform/diagnostics.h"
#include "gui/control/main_window.h"
#include "gui/ui/indicator_lamp.h"

namespace {

constexpr int kTickMs = 10;

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the event loop until condition holds or the time is up.
bool await(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

int fail(const char* why) {
    std::fprintf(stderr, "idle_cost: %s\n", why);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const bool connect = !(argc > 2 && std::string_view(argv[2]) == "--unconnected");
    tvq::setDiagnosticSink([](std::string_view) {});

    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QStringLiteral(TVQ418SIM_PATH),
              {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0")});
    if (!sim.waitForStarted(5000)) return fail("tvq418-sim did not start");
    QByteArray portText;
    if (!await(
            [&] {
                if (!sim.canReadLine()) return false;
                const QByteArray line = sim.readLine().trimmed();
                if (line.startsWith("tcp ")) portText = line.mid(line.lastIndexOf(':') + 1);
                return !portText.isEmpty();
            },
            5000))
        return fail("tvq418-sim did not say its port");

    // The real start-up path: saved settings that ask for auto-connect, in a scratch folder.
    QTemporaryDir scratch;
    const std::filesystem::path settings =
        scratch.filePath(QStringLiteral("Planinfo.ini")).toStdString();
    std::ofstream(settings) << "[CONNECT]\nSerialTcp=0\nIP=127.0.0.1\nPort="
                            << portText.toStdString() << "\nConnectFlag=" << (connect ? 1 : 0)
                            << "\nDeviceID=1\n";
    MainWindowDeps deps;
    deps.settingsPath = settings;
    CTVQ418ControlDlg window(std::move(deps));
    window.show();
    window.readSettings();
    if (connect && !window.session().connected()) return fail("the window did not connect");

    const auto lamps = window.findChildren<IndicatorLamp*>();
    auto* v1 = window.findChild<IndicatorLamp*>(QStringLiteral("lamp:V1"));
    sim.write("signal 1 V1 off\n");
    auto blinking = [&] {
        return std::count_if(lamps.begin(), lamps.end(), [](auto* l) { return l->isBlinking(); });
    };
    if (!v1 || (connect && !await([&] { return v1->isBlinking() && blinking() == 1; }, 10000)))
        return fail("the V1 light did not start blinking");

    qint64 worstLateMs = 0;
    int flashes = 0;
    bool wasLit = v1->isLit();
    QElapsedTimer sinceTick;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        worstLateMs = std::max(worstLateMs, sinceTick.restart() - kTickMs);
        if (v1->isLit() && !wasLit) ++flashes;
        wasLit = v1->isLit();
    });
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);

    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    sinceTick.start();
    tick.start(kTickMs);
    loop.exec();
    tick.stop();
    const double cpu = cpuSeconds() - cpuBefore;
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;

    std::printf(
        "idle %d s%s: cpu %.2f%% of one core, worst UI stall %lld ms (V1 light flashed %d "
        "times, %d light(s) blinking)\n",
        seconds, connect ? "" : " (unconnected)", 100.0 * cpu / elapsed,
        static_cast<long long>(std::max<qint64>(0, worstLateMs)), flashes,
        static_cast<int>(blinking()));

    window.session().disconnect();
    sim.closeWriteChannel();
    sim.terminate();
    if (!sim.waitForFinished(5000)) sim.kill();
    return 0;
}

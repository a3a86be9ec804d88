// The screen setup dialog against an in-process simulator: the longest stall of the UI
// thread's event loop (how late a 1 ms timer ran) from the Setup press until the dialog's
// read-back has ended, and how long the read-back took. With --silent the simulator stops
// answering once page 3 has been read, so every later page waits out its whole time-out.
//
// Usage: setup_stall [--pty] [--silent] [--chinese] [--screenshot FILE]
// --screenshot saves the dialog as it looks once the read-back has ended.
// The window uses QT_QPA_PLATFORM, or the offscreen platform when it is not set.

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "core/link/serial_port.h"
#include "gui/control/main_window.h"
#include "gui/panel/language.h"
#include "gui/setup/set_screen.h"
#include "gui/ui/message_boxes.h"
#include "sim/sim_server.h"

namespace {

// Nothing should ask; whatever does is printed and answered No.
class PrintedBoxes final : public MessageBoxes {
public:
    Answer askYesNoCancel(QWidget*, const QString&, const QString& text) override {
        std::fprintf(stderr, "asked: %s\n", qPrintable(text));
        return Answer::No;
    }
    void inform(QWidget*, const QString&, const QString& text) override {
        std::fprintf(stderr, "told: %s\n", qPrintable(text));
    }
    int askOpenClose(QWidget*) override { return 0; }
};

int fail(const char* why) {
    std::fprintf(stderr, "setup_stall: %s\n", why);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool pty = false, silent = false, chinese = false;
    QString screenshot;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--pty") pty = true;
        if (arg == "--silent") silent = true;
        if (arg == "--chinese") chinese = true;
        if (arg == "--screenshot" && i + 1 < argc) screenshot = argv[++i];
    }

    tvq::sim::SimServer server;
    tvq::sim::SimOptions options;
    options.tcp = !pty;
    options.pty = pty;
    std::string error;
    if (!server.start(options, &error)) return fail(error.c_str());
    std::filesystem::remove("Planinfo.ini");

    PrintedBoxes boxes;
    MainWindowDeps deps;
    deps.boxes = &boxes;
    if (pty)
        deps.listPorts = [&] {
            return std::vector<tvq::PresentPort>{
                {std::string(tvq::kDeviceNamePrefix) + "pty0", server.ptyPath()}};
        };
    CTVQ418ControlDlg window(std::move(deps));
    window.show();
    if (chinese) Language::setChinese(true);
    const auto get = [&](const char* name) { return window.findChild<QWidget*>(name); };
    if (pty) {
        static_cast<QRadioButton*>(get("serialRadio"))->click();
    } else {
        static_cast<QRadioButton*>(get("networkRadio"))->click();
        static_cast<QLineEdit*>(get("ipBox"))->setText("127.0.0.1");
        static_cast<QLineEdit*>(get("tcpPortBox"))->setText(QString::number(server.tcpPort()));
    }

    // The stall meter: the largest gap between two runs of a 1 ms timer.
    QElapsedTimer clock;
    qint64 lastTick = -1, worst = 0, worstAt = 0;
    bool metering = false;
    QTimer meter;
    meter.setTimerType(Qt::PreciseTimer);
    QObject::connect(&meter, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (metering && lastTick >= 0 && now - lastTick > worst) {
            worst = now - lastTick;
            worstAt = now;
        }
        lastTick = now;
    });
    clock.start();
    meter.start(1);

    // Connect, press Setup, wait for the read-back to end, close the dialog, then quit.
    enum class Step { Connecting, Opening, Reading, Done } step = Step::Connecting;
    qint64 pressedAt = 0, openedAt = 0, readAt = 0;
    int result = 0;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<CSetScreen*>(QApplication::activeModalWidget());
        switch (step) {
            case Step::Connecting:
                if (!get("disconnectButton")->isEnabled()) return;
                metering = true;
                pressedAt = clock.elapsed();
                static_cast<QPushButton*>(get("setupButton"))->click();
                step = Step::Opening;
                return;
            case Step::Opening:
                if (!dialog) return;
                openedAt = clock.elapsed();
                if (silent) {
                    auto* out = dialog->findChild<QLineEdit*>("outWidthEdit");
                    QObject::connect(out, &QLineEdit::textChanged, [&server] {
                        server.core().faults().setProbability(tvq::sim::Fault::Drop, 1.0);
                    });
                }
                step = Step::Reading;
                return;
            case Step::Reading:
                if (!dialog || dialog->busy()) return;
                readAt = clock.elapsed();
                metering = false;
                if (!screenshot.isEmpty() && !dialog->grab().save(screenshot))
                    result = fail("cannot save the screenshot");
                dialog->reject();
                step = Step::Done;
                return;
            case Step::Done:
                if (dialog) return;
                std::printf(
                    "link %s%s: Setup press to dialog %lld ms, read-back %lld ms, "
                    "longest UI stall %.1f ms, ending %lld ms after the press\n",
                    pty ? "pty" : "tcp", silent ? ", silent after page 3" : "",
                    static_cast<long long>(openedAt - pressedAt),
                    static_cast<long long>(readAt - openedAt), static_cast<double>(worst) / 1e6,
                    static_cast<long long>(worstAt / 1000000 - pressedAt));
                window.session().disconnect();
                QApplication::exit(result);
                return;
        }
    });
    driver.start(5);
    static_cast<QPushButton*>(get("connectButton"))->click();
    QTimer::singleShot(120000, [] { QApplication::exit(fail("timed out")); });
    return QApplication::exec();
}

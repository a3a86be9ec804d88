#include "gui/control/application.h"

#include <QTimer>
#include <system_error>

#include "gui/control/main_window.h"
#include "gui/control/service_attacher.h"
#include "gui/ui/painted_icon.h"

#ifndef TVQ_VERSION
#error "TVQ_VERSION comes from the build"
#endif

namespace {

StartupOptions answer(StartupOptions::Action action, std::string error = {}) {
    StartupOptions options;
    options.action = action;
    options.error = std::move(error);
    return options;
}

StartupOptions failed(std::string error) {
    return answer(StartupOptions::Action::Error, std::move(error));
}

}  // namespace

StartupOptions parseStartupOptions(const std::vector<std::string>& args) {
    StartupOptions options;
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") return answer(StartupOptions::Action::Help);
        if (arg == "--version") return answer(StartupOptions::Action::Version);
    }
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        if (arg == "--service" || arg.starts_with("--service=")) {
            const bool joined = arg != "--service";
            if (!joined && i + 1 >= args.size()) return failed("--service wants a socket path");
            options.serviceSocket = joined ? arg.substr(sizeof "--service=" - 1) : args[++i];
            if (options.serviceSocket.empty()) return failed("--service wants a socket path");
            continue;
        }
        if (arg.starts_with("--config-dir=")) {
            value = arg.substr(sizeof "--config-dir=" - 1);
        } else if (arg == "--config-dir") {
            if (i + 1 >= args.size()) return failed("--config-dir wants a folder");
            value = args[++i];
        } else {
            return failed("unknown option " + arg);
        }
        // An empty value would silently mean the working directory: say so instead.
        if (value.empty()) return failed("--config-dir wants a folder");
        options.configDir = value;
    }
    return options;
}

std::string startupUsage() {
    return "Usage: tvq418-control [--config-dir DIR] [--service PATH] [Qt options]\n"
           "\n"
           "The TVQ418 processor controller.\n"
           "\n"
           "Options:\n"
           "  --config-dir DIR  keep Planinfo.ini (connection settings and plans) in DIR,\n"
           "                    created if missing (default: the working directory)\n"
           "  --service PATH    attach to the chain service (tvq418d) at the socket PATH\n"
           "                    instead of opening the link itself\n"
           "  --version         print the program's version\n"
           "  --help            print this text\n"
           "\n"
           "Qt's standard options (-platform, -style, ...) are accepted too.\n";
}

std::string enterConfigDir(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!ec && !std::filesystem::is_directory(dir, ec))
        ec = std::make_error_code(std::errc::not_a_directory);
    if (!ec) std::filesystem::current_path(dir, ec);
    if (ec) return "cannot use " + dir.string() + " as the settings folder: " + ec.message();
    return {};
}

CTVQ418ControlApp::CTVQ418ControlApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("TVQ418Control"));
    setApplicationDisplayName(QStringLiteral("TVQ418Control"));
    setApplicationVersion(QStringLiteral(TVQ_VERSION));
    // Lets the desktop match the window to the menu entry the package installs.
    setDesktopFileName(QStringLiteral("org.tvq418.control"));
    setWindowIcon(paintedIcon(PaintedImage::AppIcon));
}

int CTVQ418ControlApp::run(const StartupOptions& options) {
    MainWindowDeps deps;
    deps.attacher = serviceAttacher();
    deps.serviceSocket = options.serviceSocket;
    CTVQ418ControlDlg window(std::move(deps));
    // Settings and auto-connect come after the window is on screen: the wait box and the
    // cascade dialog need it as their parent.
    QTimer::singleShot(0, &window, &CTVQ418ControlDlg::readSettings);
    window.exec();
    return 0;
}

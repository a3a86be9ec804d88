#pragma once
// The application object: sets the program up, opens the main window and runs until it closes.

#include <QApplication>
#include <filesystem>
#include <string>
#include <vector>

// The controller's own command line, apart from Qt's standard options.
struct StartupOptions {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    std::filesystem::path configDir;  // empty: Planinfo.ini stays in the working directory
    std::string error;                // Action::Error: one line, no program name
    std::string serviceSocket;        // --service: attach to this chain service
};

// args without the program name. --help and --version win wherever they stand, so they can be
// answered before Qt has taken its own options out (and before it needs a display).
StartupOptions parseStartupOptions(const std::vector<std::string>& args);

std::string startupUsage();

// Makes dir (and its parents) if missing and moves the working directory there, so every part
// of the program that opens Planinfo.ini by its plain name finds the chosen one. Returns an
// error text, empty on success.
std::string enterConfigDir(const std::filesystem::path& dir);

class CTVQ418ControlApp final : public QApplication {
    Q_OBJECT
public:
    CTVQ418ControlApp(int& argc, char** argv);

    // Opens the main window, finishes its start-up once it shows, and returns when it closes.
    int run(const StartupOptions& options = {});
};

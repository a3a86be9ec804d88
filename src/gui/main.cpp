#include <cstdio>
#include <string>
#include <vector>

#include "gui/control/application.h"

namespace {

int usageError(const std::string& message) {
    std::fprintf(stderr, "tvq418-control: %s (try --help)\n", message.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // --help and --version are answered before Qt starts, so they work without a display.
    const StartupOptions early = parseStartupOptions({argv + 1, argv + argc});
    if (early.action == StartupOptions::Action::Help) {
        std::fputs(startupUsage().c_str(), stdout);
        return 0;
    }
    if (early.action == StartupOptions::Action::Version) {
        std::printf("tvq418-control %s\n", TVQ_VERSION);
        return 0;
    }

    CTVQ418ControlApp app(argc, argv);
    // Qt has taken its own options out of argv by now; whatever is left must be ours.
    const StartupOptions options = parseStartupOptions({argv + 1, argv + argc});
    if (options.action == StartupOptions::Action::Error) return usageError(options.error);
    if (!options.configDir.empty()) {
        if (const std::string error = enterConfigDir(options.configDir); !error.empty()) {
            std::fprintf(stderr, "tvq418-control: %s\n", error.c_str());
            return 1;
        }
    }
    return app.run(options);
}

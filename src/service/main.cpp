// tvq418d: the chain service. One process owns a chain's link; clients share it over a socket.

#include <cstdio>
#include <ctime>
#include <exception>
#include <variant>

#include "service/daemon.h"

int main(int argc, char** argv) {
    using namespace tvq::service;
    // The C library reads the time zone on first use and keeps it; read it here, before the
    // service's threads start reading clocks side by side.
    ::tzset();
    try {
        const auto parsed = parseDaemonOptions(argc, argv);
        if (const auto* exit = std::get_if<DaemonExit>(&parsed)) {
            std::fputs(exit->text.c_str(), exit->exitCode == kDaemonExitOk ? stdout : stderr);
            return exit->exitCode;
        }
        return runDaemon(std::get<DaemonOptions>(parsed));
    } catch (const std::exception& e) {  // out of memory and the like: still one clear line
        std::fprintf(stderr, "tvq418d: %s\n", e.what());
        return kDaemonExitFailed;
    }
}

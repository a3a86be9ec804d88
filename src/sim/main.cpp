// tvq418-sim: a simulated chain of TVQ418 processors for training, demos and tests.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/console.h"
#include "sim/options.h"
#include "sim/sim_server.h"

namespace {

using namespace tvq::sim;

constexpr std::size_t kMaxLine = 1024;

// A closed standard descriptor would be handed to the pseudo-terminal or a socket and then be
// mistaken for standard input; park /dev/null there instead.
void fillStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1) continue;
        const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
}

void print(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

// Serves operator keys until SIGINT, SIGTERM or "quit". End of input only stops the keys.
void serve(SimServer& server, int signals) {
    bool inputOpen = true;
    std::string line;
    bool discarding = false;  // inside an over-long line
    for (;;) {
        pollfd fds[2] = {{signals, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (::poll(fds, inputOpen ? 2 : 1, -1) < 0) continue;
        if (fds[0].revents & POLLIN) return;
        if (!inputOpen || fds[1].revents == 0) continue;
        char chunk[512];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0) {
            inputOpen = n < 0 && errno == EINTR;
            continue;
        }
        for (ssize_t i = 0; i < n; ++i) {
            if (chunk[i] != '\n') {
                if (line.size() < kMaxLine)
                    line += chunk[i];
                else
                    discarding = true;
                continue;
            }
            if (discarding) {
                print("error: line too long\n");
            } else {
                const ConsoleReply reply = runConsoleLine(line, server.core());
                print(reply.text);
                if (reply.quit) return;
            }
            line.clear();
            discarding = false;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    fillStandardDescriptors();
    ::signal(SIGPIPE, SIG_IGN);

    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--version") {
            print(std::string("tvq418-sim ") + TVQ_VERSION + "\n");
            return 0;
        }
    }
    const ParsedOptions parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.help) {
        print(usageText());
        return 0;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "tvq418-sim: %s\n", parsed.error.c_str());
        return 2;
    }

    // Blocked before any thread starts, so only the signal descriptor ever sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    ::pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    const int signals = ::signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (signals < 0) {
        std::perror("tvq418-sim: signalfd");
        return 1;
    }

    SimServer server;
    std::string error;
    if (!server.start(*parsed.options, &error)) {
        std::fprintf(stderr, "tvq418-sim: %s\n", error.c_str());
        return 1;
    }
    if (parsed.options->tcp)
        print("tcp " + parsed.options->tcpHost + ":" + std::to_string(server.tcpPort()) + "\n");
    if (parsed.options->pty) print("pty " + server.ptyPath() + "\n");

    serve(server, signals);
    server.stop();
    ::close(signals);
    return 0;
}

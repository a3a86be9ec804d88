// The tvq418-sim program itself: start-up lines, operator keys, end of input, signals, exit codes.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/link/commands.h"
#include "core/link/status_reply.h"
#include "line_client.h"

extern char** environ;

namespace tvq::sim {
namespace {

using testing::LineClient;

// The program with its standard input fed from a pipe and its output read from another.
class Program {
public:
    explicit Program(std::vector<std::string> args) {
        int in[2], out[2], err[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
            ::pipe2(err, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        args.insert(args.begin(), TVQ_SIM_PROGRAM);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, TVQ_SIM_PROGRAM, &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        ::close(err[1]);
        input_ = in[1];
        output_ = out[0];
        errors_ = err[0];
    }

    ~Program() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        closeInput();
        ::close(output_);
        ::close(errors_);
    }

    void type(const std::string& text) {
        ASSERT_EQ(::write(input_, text.data(), text.size()), ssize_t(text.size()));
    }
    void closeInput() {
        if (input_ >= 0) ::close(input_);
        input_ = -1;
    }

    std::string line() { return readLine(output_); }
    std::string errorLine() { return readLine(errors_); }

    // Exit status after the signal (or after it ends by itself when sig is 0); -1 if killed.
    int finish(int sig) {
        if (sig) ::kill(pid_, sig);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    static std::string readLine(int fd) {
        std::string text;
        char c = 0;
        while (true) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, testing::kWaitMs) <= 0 || ::read(fd, &c, 1) != 1 || c == '\n') break;
            text += c;
        }
        return text;
    }

    pid_t pid_ = -1;
    int input_ = -1, output_ = -1, errors_ = -1;
};

std::uint16_t portOf(const std::string& line) {
    const auto colon = line.rfind(':');
    return static_cast<std::uint16_t>(std::stoi(line.substr(colon + 1)));
}

TEST(SimProgram, ServesKeysAndOutlivesItsInput) {
    Program sim({"--tcp", "127.0.0.1:0", "--pty", "--addresses", "1,4"});
    const std::string tcp = sim.line();
    ASSERT_TRUE(tcp.starts_with("tcp 127.0.0.1:")) << tcp;
    ASSERT_TRUE(sim.line().starts_with("pty /dev/pts/"));

    sim.type("source 4 DVI\n");
    EXPECT_EQ(sim.line(), "ok");
    sim.type("nonsense\n");
    EXPECT_TRUE(sim.line().starts_with("error: "));
    sim.closeInput();

    LineClient client = LineClient::tcp(portOf(tcp));
    ASSERT_TRUE(client.send(pageQuery(4)));
    const auto reply = client.readFrame();
    ASSERT_EQ(reply.size(), kFrameSize);
    CommandFrame frame{};
    std::copy(reply.begin(), reply.end(), frame.begin());
    EXPECT_EQ(checkStatusReply(frame, 4), StatusCheck::Ok);
    EXPECT_EQ(decodeStatus(frame).mainSource, 7);
    EXPECT_EQ(sim.finish(SIGTERM), 0);
}

TEST(SimProgram, QuitAndInterruptEndCleanly) {
    Program quitting({"--pty"});
    ASSERT_TRUE(quitting.line().starts_with("pty "));
    quitting.type("quit\n");
    EXPECT_EQ(quitting.finish(0), 0);

    Program interrupted({"--tcp", "127.0.0.1:0"});
    ASSERT_TRUE(interrupted.line().starts_with("tcp "));
    EXPECT_EQ(interrupted.finish(SIGINT), 0);
}

TEST(SimProgram, BadOptionsExitTwoWithOneLine) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"--tcp", "127.0.0.1:x"}, {"--pty", "--drop", "7"}}) {
        Program sim(args);
        EXPECT_TRUE(sim.errorLine().starts_with("tvq418-sim: "));
        EXPECT_EQ(sim.finish(0), 2);
    }
}

}  // namespace
}  // namespace tvq::sim

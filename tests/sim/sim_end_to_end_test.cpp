// Starts the real zt30-sim binary and talks to it over its pseudo-terminal with plain termios.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "sim_test_bytes.h"
#include "support/child_exit.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using zt30::sim::test::Hex;
using zt30::sim::test::ToHex;

// Reads from `fd` until `want` bytes or a newline (when `line`) arrived, or `timeoutMs` passed.
std::string ReadSome(int fd, std::size_t want, bool line, int timeoutMs) {
    std::string got;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < want && !(line && !got.empty() && got.back() == '\n')) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) {
            break;
        }
        char c[256];
        const ssize_t n = read(fd, c, line ? 1 : std::min(sizeof c, want - got.size()));
        if (n <= 0) {
            break;
        }
        got.append(c, static_cast<std::size_t>(n));
    }
    return got;
}

// Kills the simulator if the test ends before it has reaped it.
struct ChildGuard {
    pid_t pid = 0;
    ~ChildGuard() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
};

TEST(SimEndToEnd, AnswersOverThePseudoTerminalAndCleansUpOnSigterm) {
    char dir[] = "/tmp/zt30-sim-test-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string link = std::string(dir) + "/line";
    ASSERT_EQ(symlink("/nonexistent", link.c_str()), 0);  // a stale link to be replaced

    int out[2];
    ASSERT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> args = {ZT30_SIM_PATH, "--link", link, "--stations", "1,5", "--turnaround", "0"};
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    ChildGuard child;
    ASSERT_EQ(posix_spawn(&child.pid, ZT30_SIM_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);

    std::string path = ReadSome(out[0], 4096, true, 5000);
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(path.back(), '\n');
    path.pop_back();
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(path, target);

    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios t{};
    ASSERT_EQ(tcgetattr(fd, &t), 0);
    cfmakeraw(&t);
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &t), 0);

    const auto request = Hex("68 05 05 68 05 00 6C 01 05 77 16");  // read table 5 of station 5
    ASSERT_EQ(write(fd, request.data(), request.size()), static_cast<ssize_t>(request.size()));
    const std::string answer = ReadSome(fd, 10, false, 2000);
    EXPECT_EQ(ToHex(std::vector<std::uint8_t>(answer.begin(), answer.end())),
              "68 04 04 68 00 05 08 05 12 16");
    close(fd);

    ASSERT_EQ(kill(child.pid, SIGTERM), 0);
    int status = -1;
    ASSERT_TRUE(zt30::test::WaitForChildExit(
        [&] {
            if (waitpid(child.pid, &status, WNOHANG) != child.pid) {
                return false;
            }
            child.pid = 0;
            return true;
        },
        10000));
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "the link outlived the simulator";
    close(out[0]);
    rmdir(dir);
}

}  // namespace

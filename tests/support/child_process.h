#pragma once

// Running other programs from a test, and running one test of the same executable in a
// fresh process (for "written by one process, read by the next" checks). Children
// inherit the environment, so under tests/support/with-keyring they all see the same
// private keyring.

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char **environ;

namespace vardo::test {

struct ProcessResult {
    int exitCode = -1; // -1 when the program could not be started or was killed
    std::string output; // standard output
    std::string errors; // standard error
};

// Starts argv[0] (searched on PATH) with `input` on its standard input and
// `extraEnvironment` ("NAME=value") added to (or replacing in) the inherited environment,
// and waits for it.
// Uses posix_spawn, which is safe in a process that already runs other threads (GLib's
// D-Bus worker, for one).
inline ProcessResult runProcess(const std::vector<std::string> &argv, const std::string &input = {},
                                const std::vector<std::string> &extraEnvironment = {})
{
    ProcessResult result;
    int inPipe[2] = {-1, -1}, outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1};
    const auto closeAll = [&] {
        for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
            if (fd >= 0)
                close(fd);
    };
    if (pipe2(inPipe, O_CLOEXEC) != 0 || pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
        closeAll();
        return result;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inPipe[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);

    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    // An extra entry replaces an inherited one of the same name.
    const auto overridden = [&](const char *entry) {
        for (const std::string &extra : extraEnvironment) {
            const auto nameLength = extra.find('=');
            if (nameLength != std::string::npos && std::strncmp(entry, extra.c_str(), nameLength + 1) == 0)
                return true;
        }
        return false;
    };
    std::vector<char *> env;
    for (char **entry = environ; *entry; ++entry)
        if (!overridden(*entry))
            env.push_back(*entry);
    for (const std::string &entry : extraEnvironment)
        env.push_back(const_cast<char *>(entry.c_str()));
    env.push_back(nullptr);

    // A child that exits without reading its input must not kill the test with SIGPIPE;
    // the child itself gets the default disposition back.
    static const bool pipeSignalIgnored = (signal(SIGPIPE, SIG_IGN), true);
    (void)pipeSignalIgnored;
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), env.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    inPipe[0] = outPipe[1] = errPipe[1] = -1;
    if (spawned != 0) {
        closeAll();
        return result;
    }

    for (std::size_t written = 0; written < input.size();) {
        const ssize_t n = write(inPipe[1], input.data() + written, input.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
    close(inPipe[1]);
    inPipe[1] = -1;

    // Both outputs at once, so that a child filling one pipe never waits on us.
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string *sinks[2] = {&result.output, &result.errors};
    char buffer[4096];
    for (int open = 2; open > 0;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                fds[i].fd = -1;
                --open;
            } else {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    closeAll();

    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

inline constexpr const char *childStepVariable = "VARDO_TEST_CHILD_STEP";

// True in a process started by runTestInChildProcess. Step tests begin with
//     if (!vardo::test::isChildProcessStep()) GTEST_SKIP() << "a step of another test";
inline bool isChildProcessStep()
{
    const char *value = std::getenv(childStepVariable);
    return value && *value;
}

// Runs the test "Suite.Name" of this executable in a new process; succeeds when exactly
// that one test ran and passed, otherwise fails with the child's output.
// `extraEnvironment` entries ("NAME=value") pass data in.
inline ::testing::AssertionResult runTestInChildProcess(const std::string &testName,
                                                        std::vector<std::string> extraEnvironment = {})
{
    extraEnvironment.push_back(std::string(childStepVariable) + "=1");
    const ProcessResult result =
        runProcess({"/proc/self/exe", "--gtest_filter=" + testName}, {}, extraEnvironment);
    if (result.exitCode == 0 && result.output.find("[  PASSED  ] 1 test.") != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "child process for " << testName << " exited with "
                                         << result.exitCode << ":\n"
                                         << result.output << result.errors;
}

} // namespace vardo::test

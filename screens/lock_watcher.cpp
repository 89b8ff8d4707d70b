#include "screens/lock_watcher.h"

#include "platform/log_sink.h"

#include <QCoreApplication>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace vardo {

LockWatcher::LockWatcher(std::string helperPath, LogSink &log) : helperPath_(std::move(helperPath)), log_(log)
{
    // A helper that died must not take this process with it on the next write.
    std::signal(SIGPIPE, SIG_IGN);
}

LockWatcher::~LockWatcher()
{
    if (pipe_ >= 0)
        ::close(pipe_);
    if (pid_ > 0)
        ::waitpid(pid_, nullptr, WNOHANG);
}

std::string LockWatcher::helperBesideExecutable()
{
    return (QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(helperName)).toStdString();
}

bool LockWatcher::start()
{
    // Only the helper may hold the pipe: a copy of the writing end inherited by any
    // other child (a session tool) would keep the pipe open after this process died.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        log_.write(std::string("[Vardo] Lock watcher not started: ") + std::strerror(errno)
                   + " — a crash while locked would leave the screen open");
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    // Its own session: a Ctrl+C or hang-up meant for this process's terminal does not
    // end the watcher with it.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    char *argv[] = {helperPath_.data(), nullptr};
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, helperPath_.c_str(), &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[0]);
    if (spawned != 0) {
        ::close(fds[1]);
        log_.write("[Vardo] Lock watcher " + helperPath_ + " not started: " + std::strerror(spawned)
                   + " — a crash while locked would leave the screen open");
        return false;
    }
    pid_ = pid;
    pipe_ = fds[1];
    return true;
}

void LockWatcher::forgetHelper()
{
    ::close(pipe_);
    pipe_ = -1;
    if (pid_ > 0)
        ::waitpid(pid_, nullptr, WNOHANG);
    pid_ = -1;
}

bool LockWatcher::send(char command)
{
    while (true) {
        const ssize_t written = ::write(pipe_, &command, 1);
        if (written == 1)
            return true;
        if (written < 0 && errno == EINTR)
            continue;
        return false;
    }
}

void LockWatcher::arm()
{
    if (pipe_ >= 0 && send('1'))
        return;
    // Not started yet, or the helper is gone (someone ended it): a new one.
    if (pipe_ >= 0)
        forgetHelper();
    if (start() && !send('1')) {
        log_.write("[Vardo] Lock watcher ended at once — a crash while locked would leave the screen open");
        forgetHelper();
    }
}

void LockWatcher::disarm()
{
    if (pipe_ >= 0 && !send('0'))
        forgetHelper();
}

} // namespace vardo

#pragma once

#include <string>
#include <sys/types.h>

namespace vardo {

class LogSink;

// Keeps the lock closed when this process dies with the lock overlay up (a crash, kill
// -9, a lost display connection): a small helper process, started with the first lock,
// holds the reading end of a pipe; this process tells it through the pipe whether the
// lock is up. When the pipe closes while it is, the helper has logind lock the login
// session. A normal unlock disarms it first, so only a lock ends in a session lock.
class LockWatcher {
public:
    // `helperPath`: the nerova-vardo-lock-watcher program.
    LockWatcher(std::string helperPath, LogSink &log);
    // Closes the pipe: the helper ends, locking the session if the lock is up.
    ~LockWatcher();

    LockWatcher(const LockWatcher &) = delete;
    LockWatcher &operator=(const LockWatcher &) = delete;

    void arm();
    void disarm();
    // The helper's process id; -1 before the first lock.
    pid_t helperPid() const { return pid_; }

    // The helper installed beside the running executable.
    static std::string helperBesideExecutable();
    static constexpr const char *helperName = "nerova-vardo-lock-watcher";

private:
    bool start();
    bool send(char command);
    void forgetHelper();

    std::string helperPath_;
    LogSink &log_;
    pid_t pid_ = -1;
    int pipe_ = -1;
};

} // namespace vardo

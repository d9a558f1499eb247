// The process of one worker: started with the router's four arguments and
// the service's own, its standard output and error appended to its .out
// file, restarted with a growing back-off after it ends.
//
// States: stopped (pid 0, maybe a restart timer running) -> running (pid > 0)
// -> stopped when the router reaps it.
#ifndef ISECTD_WORKERPROCESS_H
#define ISECTD_WORKERPROCESS_H

#include "router/Log.h"

#include <asio.hpp>

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace isectd {

struct Launch {
    std::string program;               // a bare name is looked up in PATH
    std::vector<std::string> args;     // argv[1...]
    std::vector<std::string> env;      // NAME=VALUE entries added to the router's environment
    std::vector<std::string> secrets;  // NAME=VALUE entries passed through a pipe (isdTakeSecrets)
    std::string outPath;               // standard output and error, appended
};

class WorkerProcess {
public:
    using Clock = std::chrono::steady_clock;

    WorkerProcess(asio::io_context& io, Log& log, std::string name);

    const std::string& name() const { return name_; }
    pid_t pid() const { return pid_; }
    bool running() const { return pid_ > 0; }

    // Forks and executes; false (logged) when the fork failed.
    bool start(const Launch& launch);
    // The process was reaped.
    void exited() { pid_ = 0; }
    void signal(int signo) const;
    double secondsAlive() const;

    // Calls `start` after the back-off: 250 ms, doubling to 30 s, and back
    // to 250 ms once a process lived longer than 10 s.
    void scheduleRestart(std::function<void()> start);
    void cancelRestart();

    // "exited with status N", "was killed by signal N".
    static std::string describeStatus(int status);
    // The router's environment with `extra` entries replacing or added.
    static std::vector<std::string> environment(const std::vector<std::string>& extra);

private:
    Log& log_;
    std::string name_;
    pid_t pid_ = 0;
    Clock::time_point startedAt_;
    std::chrono::milliseconds backoff_{250};
    asio::steady_timer restartTimer_;
};

}  // namespace isectd

#endif

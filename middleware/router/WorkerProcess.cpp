#include "router/WorkerProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

extern char** environ;

namespace isectd {

WorkerProcess::WorkerProcess(asio::io_context& io, Log& log, std::string name)
    : log_(log), name_(std::move(name)), restartTimer_(io) {}

std::vector<std::string> WorkerProcess::environment(const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        std::string key = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const auto& x : extra)
            if (x.substr(0, x.find('=')) == key) replaced = true;
        if (!replaced) env.push_back(entry);
    }
    for (const auto& x : extra) env.push_back(x);
    return env;
}

bool WorkerProcess::start(const Launch& launch) {
    std::vector<std::string> args{launch.program};
    args.insert(args.end(), launch.args.begin(), launch.args.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    std::vector<std::string> extra = launch.env;
    // The secrets wait in a pipe the worker inherits as descriptor 3.
    int secrets[2] = {-1, -1};
    if (!launch.secrets.empty()) {
        if (pipe2(secrets, O_CLOEXEC) != 0) {
            log_.write("cannot start worker %s: no pipe for its secrets: %s", name_.c_str(), strerror(errno));
            return false;
        }
        std::string text;
        for (const auto& s : launch.secrets) text += s + "\n";
        // Far below a pipe's buffer: the write does not wait for the reader.
        bool written = write(secrets[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        for (auto& ch : text) ch = 0;
        ::close(secrets[1]);
        if (!written) {
            ::close(secrets[0]);
            log_.write("cannot start worker %s: its secrets could not be written", name_.c_str());
            return false;
        }
        extra.push_back("ISD_SECRETS_FD=3");
    }
    std::vector<std::string> env = environment(extra);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(&e[0]);
    envp.push_back(nullptr);

    int out = ::open(launch.outPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (out >= 0) fchmod(out, 0600);
    if (out < 0) {
        log_.write("cannot open %s: %s", launch.outPath.c_str(), strerror(errno));
    } else {
        time_t now = time(nullptr);
        char when[64];
        strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", localtime(&now));
        dprintf(out, "---- isectd starts %s at %s\n", name_.c_str(), when);
    }
    int devnull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    bool searchPath = launch.program.find('/') == std::string::npos;

    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);  // a Ctrl-C at the router's terminal is the router's to handle
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        if (devnull >= 0) dup2(devnull, 0);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
        }
        if (secrets[0] >= 0) {
            if (secrets[0] == 3)
                fcntl(3, F_SETFD, 0);
            else
                dup2(secrets[0], 3);  // the copy is without close-on-exec
            closefrom(4);
        } else {
            closefrom(3);
        }
        if (searchPath)
            execvpe(argv[0], argv.data(), envp.data());
        else
            execve(argv[0], argv.data(), envp.data());
        dprintf(2, "isectd: cannot start %s: %s\n", argv[0], strerror(errno));
        _exit(127);
    }
    if (out >= 0) ::close(out);
    if (devnull >= 0) ::close(devnull);
    if (secrets[0] >= 0) ::close(secrets[0]);
    startedAt_ = Clock::now();
    if (pid < 0) {
        log_.write("cannot start worker %s: fork failed: %s", name_.c_str(), strerror(errno));
        return false;
    }
    pid_ = pid;
    log_.write("started worker %s (pid %ld): %s", name_.c_str(), static_cast<long>(pid), launch.program.c_str());
    return true;
}

void WorkerProcess::signal(int signo) const {
    if (pid_ > 0) kill(pid_, signo);
}

double WorkerProcess::secondsAlive() const { return std::chrono::duration<double>(Clock::now() - startedAt_).count(); }

void WorkerProcess::scheduleRestart(std::function<void()> start) {
    auto lived = Clock::now() - startedAt_;
    if (lived > std::chrono::seconds(10)) backoff_ = std::chrono::milliseconds(250);
    auto delay = backoff_;
    backoff_ = std::min(backoff_ * 2, std::chrono::milliseconds(30000));
    log_.write("restarting worker %s in %lld ms", name_.c_str(), static_cast<long long>(delay.count()));
    restartTimer_.expires_after(delay);
    restartTimer_.async_wait([start](const asio::error_code& ec) {
        if (!ec) start();
    });
}

void WorkerProcess::cancelRestart() { restartTimer_.cancel(); }

std::string WorkerProcess::describeStatus(int status) {
    return WIFEXITED(status)     ? "exited with status " + std::to_string(WEXITSTATUS(status))
           : WIFSIGNALED(status) ? "was killed by signal " + std::to_string(WTERMSIG(status))
                                 : "ended";
}

}  // namespace isectd

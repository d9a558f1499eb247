// isectd's routing: clients, workers and the requests between them.
//
// Parts (one file each): Log (the router's log, passwords masked, rotated),
// Session (one connection carrying whole messages, optionally in TLS),
// WorkerProcess (starting and restarting a worker program), RunFiles (the
// pid, port and workers files), Clients (the client port and logins),
// Workers (the workers' port, processes and hellos), Pool (the scheduling of
// one service, with no sockets), and here the Router, which owns them all on
// one thread: it hands what the clients and workers do to the pool of their
// service and carries out what the pool answers.
//
// Router: starting -> serving -> shutting down (clients dropped, open
//   transactions rolled back, workers asked to end, killed after
//   `stoptimeout`) -> stopped once every worker has been reaped.
#include "router/Router.h"

#include "Auth.h"
#include "router/Clients.h"
#include "router/Log.h"
#include "router/Pool.h"
#include "router/RunFiles.h"
#include "router/Workers.h"

#include <asio.hpp>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace isectd {

namespace {

using asio::ip::tcp;

class Router : public ClientEvents, public WorkerEvents {
public:
    Router(asio::io_context& io, const RouterConfig& config, Log& log);
    bool start();

private:
    // starting
    bool runDirFree();
    bool readKeys();
    void warnAboutPasswords();
    bool clientEndpoint(tcp::endpoint& endpoint);
    bool writeRunFiles();

    // what clients and workers do, to their service's pool
    void clientLoggedIn(uint64_t id, int service) override;
    void clientRequest(uint64_t id, int service, const MessagePtr& m) override;
    void clientLeft(uint64_t id, int service) override;
    void clientDrained(uint64_t id, int service) override;
    void clientTimer(uint64_t id, int service) override;
    void workerReady(int service, int worker) override;
    void workerMessage(int service, int worker, const MessagePtr& m) override;
    void workerLost(int service, int worker, const std::string& reason) override;
    void workerTimer(int service, int worker, long pid) override;
    // what the pool answers, in order
    void execute(int service, const Pool::Actions& actions);

    // life
    void waitSignals();
    void beginShutdown(int signo);
    void checkStopped();
    void maintain();

    asio::io_context& io_;
    const RouterConfig& config_;
    Log& log_;
    asio::signal_set signals_;
    asio::steady_timer stopTimer_, maintenanceTimer_;
    std::string key_;                           // the service key; empty: clients are not authenticated
    std::string workerKey_;                     // what workers prove: the service key, or one made for this run
    std::vector<std::unique_ptr<Pool>> pools_;  // one per service, in the configuration's order
    Clients clients_;
    Workers workers_;
    bool shuttingDown_ = false;
    std::string pidFile_, portFile_, workersFile_;
};

Router::Router(asio::io_context& io, const RouterConfig& config, Log& log)
    : io_(io),
      config_(config),
      log_(log),
      signals_(io),
      stopTimer_(io),
      maintenanceTimer_(io),
      clients_(io, config, log, key_, *this),
      workers_(io, config, log, workerKey_, *this),
      pidFile_(config.rundir + "/isectd.pid"),
      portFile_(config.rundir + "/port"),
      workersFile_(config.rundir + "/workers") {
    PoolLimits limits;
    limits.idleTimeout = config.idleTimeout;
    limits.transactionTimeout = config.transactionTimeout;
    limits.requestTimeout = config.requestTimeout;
    limits.commitWait = config.commitWait;
    limits.inFlight = config.inFlight;
    for (const auto& sc : config.services) {
        std::vector<std::string> names;
        for (int i = 0; i < sc.workers; ++i) names.push_back(Workers::name(sc, i));
        pools_.push_back(std::make_unique<Pool>(sc.name, names, limits,
                                                [this](const std::string& text) { log_.write("%s", text.c_str()); }));
    }
}

bool Router::start() {
    if (!runDirFree() || !readKeys() || !clients_.loadTls()) return false;
    warnAboutPasswords();
    // As many descriptors as the system lets this process have.
    struct rlimit files;
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }

    signal(SIGPIPE, SIG_IGN);
    signals_.add(SIGTERM);
    signals_.add(SIGINT);
    signals_.add(SIGCHLD);
    waitSignals();

    tcp::endpoint endpoint;
    if (!clientEndpoint(endpoint) || !clients_.listen(endpoint) || !workers_.listen()) return false;
    log_.write("listening for clients on %s:%u, for workers on 127.0.0.1:%u",
               clients_.endpoint().address().to_string().c_str(), clients_.endpoint().port(), workers_.port());
    if (!writeRunFiles()) return false;
    log_.write("clients %s on %s:%u", clients_.tls() ? "speak TLS" : "speak plain TCP",
               clients_.endpoint().address().to_string().c_str(), clients_.endpoint().port());
    clients_.accept();
    workers_.accept();
    workers_.startAll();
    maintain();
    return true;
}

// A pid file may outlive its router; another router running with the same
// run directory is refused.
bool Router::runDirFree() {
    FILE* f = fopen(pidFile_.c_str(), "r");
    long other = 0;
    if (f) {
        if (fscanf(f, "%ld", &other) != 1) other = 0;
        fclose(f);
    }
    if (other <= 0 || other == getpid() || !isRouterProcess(static_cast<pid_t>(other))) return true;
    log_.write("another isectd (pid %ld) runs with the run directory %s", other, config_.rundir.c_str());
    fprintf(stderr, "isectd: another isectd (pid %ld) runs with %s\n", other, config_.rundir.c_str());
    return false;
}

// Clients prove the service key; workers prove a key made for this run that
// only the router's own workers get.
bool Router::readKeys() {
    if (!config_.keyfile.empty()) {
        std::string error;
        if (!isdauth::readKeyFile(config_.keyfile, key_, error)) {
            log_.write("%s", error.c_str());
            fprintf(stderr, "isectd: %s\n", error.c_str());
            return false;
        }
        struct stat st;
        if (stat(config_.keyfile.c_str(), &st) == 0 && (st.st_mode & 077))
            log_.write("warning: the key file %s can be read by other users (chmod 600 it)", config_.keyfile.c_str());
    } else {
        log_.write("no service key (keyfile): logins are not authenticated; bind stays on loopback");
    }
    // Workers prove a key of their own, made for this run and handed only to
    // the router's own workers: the service key, which every client holds,
    // never registers a worker.
    workerKey_ = isdauth::nonce();
    if (workerKey_.empty()) {
        fprintf(stderr, "isectd: no random numbers for the worker key\n");
        return false;
    }
    log_.addSecret(key_);
    log_.addSecret(workerKey_);
    return true;
}

void Router::warnAboutPasswords() {
    for (const auto& sc : config_.services)
        for (const auto& a : sc.args)
            if (a.find("${PASSWORD}") != std::string::npos && !sc.password.empty())
                log_.write(
                    "warning: the password of service %s is on its workers' command line, where every user "
                    "sees it (ps); give it through the environment (env = ISC_PASSWORD=${PASSWORD})",
                    sc.name.c_str());
}

bool Router::clientEndpoint(tcp::endpoint& endpoint) {
    asio::error_code ec;
    asio::ip::address address = asio::ip::make_address(config_.bind, ec);
    if (!ec) {
        endpoint = tcp::endpoint(address, static_cast<unsigned short>(config_.port));
        return true;
    }
    tcp::resolver resolver(io_);
    auto results = resolver.resolve(config_.bind, std::to_string(config_.port), ec);
    if (ec || results.empty()) {
        log_.write("cannot resolve the bind address %s", config_.bind.c_str());
        fprintf(stderr, "isectd: cannot resolve the bind address %s\n", config_.bind.c_str());
        return false;
    }
    endpoint = results.begin()->endpoint();
    return true;
}

bool Router::writeRunFiles() {
    if (writeFileAtomic(pidFile_, std::to_string(getpid()) + "\n") &&
        writeFileAtomic(portFile_, std::to_string(clients_.endpoint().port()) + "\n"))
        return true;
    log_.write("cannot write the run files in %s: %s", config_.rundir.c_str(), strerror(errno));
    fprintf(stderr, "isectd: cannot write the run files in %s\n", config_.rundir.c_str());
    return false;
}

// ---------------------------------------------------------------- to the pools

void Router::clientLoggedIn(uint64_t id, int service) { execute(service, pools_[service]->clientJoined(id)); }

void Router::clientRequest(uint64_t id, int service, const MessagePtr& m) {
    execute(service, pools_[service]->request(id, m));
}

void Router::clientLeft(uint64_t id, int service) { execute(service, pools_[service]->clientLeft(id)); }

void Router::clientDrained(uint64_t id, int service) { execute(service, pools_[service]->clientDrained(id)); }

void Router::clientTimer(uint64_t id, int service) { execute(service, pools_[service]->clientTimer(id)); }

void Router::workerReady(int service, int worker) { execute(service, pools_[service]->workerReady(worker)); }

void Router::workerMessage(int service, int worker, const MessagePtr& m) {
    execute(service, pools_[service]->replyBlock(worker, m));
}

void Router::workerLost(int service, int worker, const std::string& reason) {
    execute(service, pools_[service]->workerLost(worker, reason));
}

void Router::workerTimer(int service, int worker, long pid) {
    execute(service, pools_[service]->workerTimer(worker, pid));
}

void Router::execute(int service, const Pool::Actions& actions) {
    int backedUp = -1;  // the worker whose client holds too much of its reply
    for (const PoolAction& a : actions) {
        switch (a.kind) {
            case PoolAction::ToWorker:
                workers_.send(service, a.worker, a.message);
                break;
            case PoolAction::Forward:
                if (clients_.forward(a.client, a.message)) backedUp = a.worker;
                break;
            case PoolAction::Answer:
                clients_.send(a.client, makeMessage(ISD_DATA, a.text));
                break;
            case PoolAction::Fail:
                clients_.send(a.client, makeMessage(ISD_FAIL, a.text));
                break;
            case PoolAction::Bye:
                clients_.bye(a.client, a.text);
                break;
            case PoolAction::EndWorker:
                workers_.end(service, a.worker, a.kill);
                break;
            case PoolAction::PauseWorker:
                workers_.pauseReading(service, a.worker);
                break;
            case PoolAction::ResumeWorker:
                workers_.resumeReading(service, a.worker);
                break;
            case PoolAction::PauseClient:
                clients_.pauseReading(a.client);
                break;
            case PoolAction::ResumeClient:
                clients_.resumeReading(a.client);
                break;
            case PoolAction::ArmClientTimer:
                clients_.armTimer(a.client, a.due);
                break;
            case PoolAction::ClearClientTimer:
                clients_.clearTimer(a.client);
                break;
            case PoolAction::ArmWorkerTimer:
                workers_.armTimer(service, a.worker, a.due);
                break;
            case PoolAction::ClearWorkerTimer:
                workers_.clearTimer(service, a.worker);
                break;
        }
    }
    if (backedUp >= 0) execute(service, pools_[service]->replyBackedUp(backedUp));
}

// ---------------------------------------------------------------- life

void Router::waitSignals() {
    signals_.async_wait([this](const asio::error_code& ec, int signo) {
        if (ec) return;
        if (signo == SIGCHLD) {
            workers_.reap();
            if (shuttingDown_) checkStopped();
        } else {
            beginShutdown(signo);
        }
        waitSignals();
    });
}

void Router::beginShutdown(int signo) {
    if (shuttingDown_) return;
    shuttingDown_ = true;
    log_.write("signal %d: shutting down", signo);
    maintenanceTimer_.cancel();
    for (auto& pool : pools_) pool->beginShutdown();
    clients_.stop();
    workers_.stop();
    // Behind what each worker still has to do: the running request and the
    // rollbacks of the clients just dropped.
    for (size_t s = 0; s < pools_.size(); ++s) execute(static_cast<int>(s), pools_[s]->endWorkers());
    if (config_.stopTimeout > 0) {
        stopTimer_.expires_after(millis(config_.stopTimeout));
        stopTimer_.async_wait([this](const asio::error_code& ec) {
            if (!ec) workers_.killAll();
        });
    }
    checkStopped();
}

void Router::checkStopped() {
    if (!workers_.allStopped()) return;
    stopTimer_.cancel();
    unlink(portFile_.c_str());
    unlink(workersFile_.c_str());
    unlink(pidFile_.c_str());
    log_.write("isectd stopped");
    io_.stop();
}

// Every few seconds: the workers' .out files are rotated when they have
// grown too large.
void Router::maintain() {
    if (shuttingDown_) return;
    workers_.rotateOutFiles();
    maintenanceTimer_.expires_after(std::chrono::seconds(5));
    maintenanceTimer_.async_wait([this](const asio::error_code& ec) {
        if (!ec) maintain();
    });
}

}  // namespace

int runRouter(const RouterConfig& config) {
    std::string problem = startProblem(config);
    if (!problem.empty()) {
        fprintf(stderr, "isectd: %s\n", problem.c_str());
        return 1;
    }
    // The log holds SQL with the school's data: only the router's user reads it.
    if (!makeDirs(config.logdir, 0700) || chmod(config.logdir.c_str(), 0700) != 0 || !makeDirs(config.rundir)) {
        fprintf(stderr, "isectd: cannot create %s or %s: %s\n", config.logdir.c_str(), config.rundir.c_str(),
                strerror(errno));
        return 1;
    }
    Log log;
    for (const auto& s : config.services) log.addSecret(s.password);
    std::string logPath = config.logdir + "/isectd.log";
    if (!log.open(logPath, static_cast<size_t>(config.logSize), config.logKeep)) {
        fprintf(stderr, "isectd: cannot open %s: %s\n", logPath.c_str(), strerror(errno));
        return 1;
    }
    log.write("isectd starting (pid %ld)\n%s", static_cast<long>(getpid()), describeConfig(config).c_str());
    asio::io_context io;
    Router router(io, config, log);
    if (!router.start()) return 1;
    io.run();
    return 0;
}

}  // namespace isectd

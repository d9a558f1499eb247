// The workers' side of the router: the workers' port on loopback, each
// worker's process (WorkerProcess) and its connection once its hello has
// proved the key the router gave it, the start time limit, the workers file,
// the rotation of the workers' .out files, and the sending of what the pools
// answer.  What a connected worker does goes to the router (WorkerEvents),
// which hands it to the pool of the worker's service.
//
// Worker: starting (a process, no proven hello yet) -> connected -> lost when
//   its process or connection ends (or the pool ends it), then restarted
//   with a back-off; a process that does not connect in time is killed.
//   Two restarts in a row that do not come up end all of the service's
//   workers, so that they start again together: an embedded engine whose
//   shared lock state went bad makes every new process hang while any old
//   one still holds it.
#ifndef ISECTD_WORKERS_H
#define ISECTD_WORKERS_H

#include "router/Config.h"
#include "router/Deadline.h"
#include "router/Log.h"
#include "router/Session.h"
#include "router/WorkerProcess.h"

#include <asio.hpp>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace isectd {

// What connected workers do; `service` is the index of the worker's service
// in the configuration, `worker` its index there (its number less one).
class WorkerEvents {
public:
    virtual ~WorkerEvents() = default;
    virtual void workerReady(int service, int worker) = 0;
    virtual void workerMessage(int service, int worker, const MessagePtr& m) = 0;  // a data block
    virtual void workerLost(int service, int worker, const std::string& reason) = 0;
    virtual void workerTimer(int service, int worker, long pid) = 0;  // the limit the router armed has passed
};

class Workers {
public:
    // `key`: what the workers prove (the service key, or one made for this run).
    Workers(asio::io_context& io, const RouterConfig& config, Log& log, const std::string& key, WorkerEvents& events);

    static std::string name(const ServiceConfig& service, int worker);  // "Plenwick-1" for the first
    bool listen();
    unsigned short port() const { return port_; }
    void accept();
    void startAll();
    // After SIGCHLD: each ended worker is reported lost and restarted.
    void reap();
    // The .out files (the workers' standard output, kept open by them) are
    // rotated in place when they have grown too large.
    void rotateOutFiles();

    // What the pools answer.
    void send(int service, int worker, const MessagePtr& m);
    void end(int service, int worker, bool kill);
    void pauseReading(int service, int worker);
    void resumeReading(int service, int worker);
    void armTimer(int service, int worker, Deadline::Clock::time_point due);
    void clearTimer(int service, int worker);

    // Shutting down: no more connections, restarts or time limits; a worker
    // without a connection is asked to end by SIGTERM (the pools ask the
    // others).  killAll: SIGKILL for what still runs.
    void stop();
    void killAll();
    bool allStopped() const;

private:
    struct Worker {
        int service = 0, index = 0;
        std::string name;
        std::unique_ptr<WorkerProcess> process;
        SessionPtr session;                  // set once its hello has proved the key
        bool connected = false;              // the running process has proved its hello
        std::unique_ptr<Deadline> deadline;  // of its start, then what the pool arms
    };
    // A worker connection before its hello has proved the key.
    struct Newcomer {
        SessionPtr session;
        Worker* worker = nullptr;
        std::string workerNonce, routerNonce;
        std::unique_ptr<asio::steady_timer> timer;
    };

    void onConnected(asio::ip::tcp::socket socket);
    void onSessionMessage(Session* s, const MessagePtr& m);
    void onSessionClosed(Session* s, const std::string& reason);
    void onHello(Newcomer& n, const std::string& text);
    void onProof(Newcomer& n, const std::string& proof);
    void refuse(Newcomer& n, const std::string& why);
    void onTimer(Worker& w);
    void spawn(Worker& w);
    void scheduleRestart(Worker& w);
    void restartTogetherIfStuck(Worker& ended);
    void writeWorkersFile();
    Worker* bySession(Session* s);
    Worker* byName(const std::string& service, const std::string& name);
    Worker& at(int service, int worker) { return *workers_[service][worker]; }

    asio::io_context& io_;
    const RouterConfig& config_;
    Log& log_;
    const std::string& key_;
    WorkerEvents& events_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer acceptTimer_;
    RateLimitedLog acceptLog_;
    std::vector<std::vector<std::unique_ptr<Worker>>> workers_;  // by service, by index
    std::map<Session*, std::unique_ptr<Newcomer>> newcomers_;
    unsigned short port_ = 0;
    std::string workersFile_;
    bool workersFileStale_ = false;  // the last write of it failed
    // By service: workers that ended in a row without coming up, and whether
    // all of the service's workers were restarted together since one last
    // came up.
    std::vector<int> notReadyInARow_;
    std::vector<bool> restartedTogether_;
    bool stopped_ = false;
};

}  // namespace isectd

#endif

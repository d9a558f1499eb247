// isectd's routing: clients, workers and the requests between them.
//
// Parts (one file each): Log (the router's log, passwords masked), Session
// (one connection carrying whole messages), WorkerProcess (starting and
// restarting a worker program), RunFiles (the pid, port and workers files),
// and here the Router, which owns them all on one thread.
//
// Client: connected -> logged in to a service -> (bound to a worker while in
// a transaction, or waiting in the service's line for a free one) -> gone.
// Worker: starting (process running, no hello yet) -> ready (session) ->
// bound to one client and serving its requests one at a time -> ready again
// after the client's "commit" or "rollback" has run; lost when its process
// or connection ends, then restarted.
// Router: starting -> serving -> shutting down (clients dropped, open
// transactions rolled back, workers asked to end, killed after 15 s) ->
// stopped once every worker has been reaped.
#include "Router.h"

#include "Log.h"
#include "RunFiles.h"
#include "Session.h"
#include "WorkerProcess.h"
#include "isdio.h"

#include <asio.hpp>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace isectd {

namespace {

using asio::ip::tcp;

struct Client;
struct Service;

struct Request {
    std::weak_ptr<Client> client;
    MessagePtr message;
    bool forward = true;    // false: the reply (echo of commit/rollback) is swallowed
    bool ends = false;      // a client's "commit"/"rollback": its binding ends with the reply
    bool shutdown = false;  // ISD_SHUTDOWN: the worker ends, no reply
};

struct Worker {
    Service* service = nullptr;
    int number = 0;
    std::string name;
    std::unique_ptr<WorkerProcess> process;
    SessionPtr session;        // set by the worker's hello
    Client* bound = nullptr;   // the client whose transaction this worker holds
    std::deque<Request> fifo;  // requests waiting for the current reply to end
    bool busy = false;
    Request current;
};

struct Client {
    uint64_t id = 0;
    SessionPtr session;
    Service* service = nullptr;  // set by the login
    Worker* bound = nullptr;
    std::deque<MessagePtr> pending;  // held while waiting for a free worker
    bool waiting = false;            // in the service's waiting line
    bool transactionLost = false;    // its worker died while it was idle in a transaction
};

struct Service {
    const ServiceConfig* config = nullptr;
    std::vector<std::unique_ptr<Worker>> workers;
    std::deque<std::weak_ptr<Client>> waiting;
    bool serving = false;
};

class Router {
public:
    Router(asio::io_context& io, const RouterConfig& config, Log& log)
        : io_(io), config_(config), log_(log), clientAcceptor_(io), workerAcceptor_(io), signals_(io),
          stopTimer_(io) {}

    bool start();

private:
    // clients
    void acceptClient();
    void onClientMessage(uint64_t id, const MessagePtr& m);
    void onClientClosed(uint64_t id, const std::string& reason);
    void dropClient(Client& c, const std::string& reason);
    void clientGone(Client& c);
    void dispatch(Client& c, bool fromQueue);
    void serveWaiting(Service& s);
    Worker* freeWorker(Service& s);

    // workers
    void acceptWorker();
    void onWorkerSessionMessage(Session* s, const MessagePtr& m);
    void onWorkerSessionClosed(Session* s, const std::string& reason);
    void onWorkerMessage(Worker& w, const MessagePtr& m);
    void queueRequest(Worker& w, Request r);
    bool hasQueued(const Worker& w, const Client& c) const;
    void pump(Worker& w);
    void workerLost(Worker& w, const std::string& reason);
    void spawn(Worker& w);
    void scheduleRestart(Worker& w);
    void reap();
    void writeWorkersFile();
    Worker* workerBySession(Session* s);

    // life
    void waitSignals();
    void beginShutdown(int signo);
    void checkStopped();

    asio::io_context& io_;
    const RouterConfig& config_;
    Log& log_;
    tcp::acceptor clientAcceptor_, workerAcceptor_;
    asio::signal_set signals_;
    asio::steady_timer stopTimer_;
    std::vector<std::unique_ptr<Service>> services_;
    std::map<uint64_t, std::shared_ptr<Client>> clients_;
    std::map<Session*, SessionPtr> newcomers_;  // worker connections before their hello
    uint64_t nextClient_ = 1;
    unsigned short workerPort_ = 0;
    bool shuttingDown_ = false;
    std::string pidFile_, portFile_, workersFile_;
};

MessagePtr rollbackMessage() {
    auto m = makeMessage(ISD_DATA, "rollback", 0);
    return m;
}

bool Router::start() {
    for (const auto& sc : config_.services) {
        auto s = std::make_unique<Service>();
        s->config = &sc;
        for (int i = 1; i <= sc.workers; ++i) {
            auto w = std::make_unique<Worker>();
            w->service = s.get();
            w->number = i;
            w->name = sc.name + "-" + std::to_string(i);
            w->process = std::make_unique<WorkerProcess>(io_, log_, w->name);
            s->workers.push_back(std::move(w));
        }
        services_.push_back(std::move(s));
    }

    pidFile_ = config_.rundir + "/isectd.pid";
    portFile_ = config_.rundir + "/port";
    workersFile_ = config_.rundir + "/workers";
    {
        FILE* f = fopen(pidFile_.c_str(), "r");
        long other = 0;
        if (f) {
            if (fscanf(f, "%ld", &other) != 1) other = 0;
            fclose(f);
        }
        if (other > 0 && other != getpid() && isRouterProcess(static_cast<pid_t>(other))) {
            log_.write("another isectd (pid %ld) runs with the run directory %s", other, config_.rundir.c_str());
            fprintf(stderr, "isectd: another isectd (pid %ld) runs with %s\n", other, config_.rundir.c_str());
            return false;
        }
    }

    signal(SIGPIPE, SIG_IGN);
    signals_.add(SIGTERM);
    signals_.add(SIGINT);
    signals_.add(SIGCHLD);
    waitSignals();

    asio::error_code ec;
    asio::ip::address address = asio::ip::make_address(config_.bind, ec);
    tcp::endpoint clientEndpoint;
    if (ec) {
        tcp::resolver resolver(io_);
        auto results = resolver.resolve(config_.bind, std::to_string(config_.port), ec);
        if (ec || results.empty()) {
            log_.write("cannot resolve the bind address %s", config_.bind.c_str());
            fprintf(stderr, "isectd: cannot resolve the bind address %s\n", config_.bind.c_str());
            return false;
        }
        clientEndpoint = results.begin()->endpoint();
    } else {
        clientEndpoint = tcp::endpoint(address, static_cast<unsigned short>(config_.port));
    }
    auto listen = [&](tcp::acceptor& acceptor, const tcp::endpoint& ep, const char* what) {
        asio::error_code e;
        acceptor.open(ep.protocol(), e);
        if (!e) acceptor.set_option(tcp::acceptor::reuse_address(true), e);
        if (!e) acceptor.bind(ep, e);
        if (!e) acceptor.listen(asio::socket_base::max_listen_connections, e);
        if (e) {
            log_.write("cannot listen for %s on %s:%u: %s", what, ep.address().to_string().c_str(), ep.port(),
                         e.message().c_str());
            fprintf(stderr, "isectd: cannot listen for %s on %s:%u: %s\n", what,
                    ep.address().to_string().c_str(), ep.port(), e.message().c_str());
            return false;
        }
        return true;
    };
    if (!listen(clientAcceptor_, clientEndpoint, "clients")) return false;
    if (!listen(workerAcceptor_, tcp::endpoint(asio::ip::address_v4::loopback(), 0), "workers")) return false;
    workerPort_ = workerAcceptor_.local_endpoint().port();
    unsigned short clientPort = clientAcceptor_.local_endpoint().port();
    log_.write("listening for clients on %s:%u, for workers on 127.0.0.1:%u",
                 clientAcceptor_.local_endpoint().address().to_string().c_str(), clientPort, workerPort_);

    if (!writeFileAtomic(pidFile_, std::to_string(getpid()) + "\n") ||
        !writeFileAtomic(portFile_, std::to_string(clientPort) + "\n")) {
        log_.write("cannot write the run files in %s: %s", config_.rundir.c_str(), strerror(errno));
        fprintf(stderr, "isectd: cannot write the run files in %s\n", config_.rundir.c_str());
        return false;
    }
    acceptClient();
    acceptWorker();
    for (auto& s : services_)
        for (auto& w : s->workers) spawn(*w);
    return true;
}

// ---- clients

void Router::acceptClient() {
    clientAcceptor_.async_accept([this](const asio::error_code& ec, tcp::socket socket) {
        if (shuttingDown_) return;
        if (ec) {
            log_.write("accepting a client failed: %s", ec.message().c_str());
        } else {
            auto c = std::make_shared<Client>();
            c->id = nextClient_++;
            c->session = std::make_shared<Session>(std::move(socket));
            clients_[c->id] = c;
            uint64_t id = c->id;
            log_.write("client #%llu connected from %s", static_cast<unsigned long long>(id),
                         c->session->peer().c_str());
            c->session->start([this, id](const MessagePtr& m) { onClientMessage(id, m); },
                              [this, id](const std::string& reason) { onClientClosed(id, reason); });
        }
        acceptClient();
    });
}

void Router::onClientMessage(uint64_t id, const MessagePtr& m) {
    auto it = clients_.find(id);
    if (it == clients_.end()) return;
    Client& c = *it->second;
    uint16_t kind = isdGetKind(&m->header);
    if (!c.service) {
        if (kind != ISD_LOGIN) {
            dropClient(c, "message before login");
            return;
        }
        Service* found = nullptr;
        for (auto& s : services_)
            if (s->config->name == m->payload) found = s.get();
        if (!found) {
            log_.write("client #%llu: login to unknown service \"%s\" refused", static_cast<unsigned long long>(id),
                         excerpt(m->payload).c_str());
            c.session->send(makeMessage(ISD_LOGIN_FAIL, "unknown service"));
            c.session->closeAfterSending();
            clients_.erase(it);
            return;
        }
        c.service = found;
        c.session->send(makeMessage(ISD_LOGIN_OK, ""));
        log_.write("client #%llu logged in to service %s", static_cast<unsigned long long>(id),
                     found->config->name.c_str());
        return;
    }
    if (kind != ISD_DATA) {
        dropClient(c, "unexpected message kind " + std::to_string(kind));
        return;
    }
    Service& s = *c.service;
    c.pending.push_back(m);
    dispatch(c, false);
    serveWaiting(s);
}

void Router::onClientClosed(uint64_t id, const std::string& reason) {
    auto it = clients_.find(id);
    if (it == clients_.end()) return;
    log_.write("client #%llu: %s", static_cast<unsigned long long>(id), reason.c_str());
    clientGone(*it->second);
}

void Router::dropClient(Client& c, const std::string& reason) {
    log_.write("client #%llu closed: %s", static_cast<unsigned long long>(c.id), reason.c_str());
    c.session->close();
    clientGone(c);
}

// The client is gone: an open transaction is rolled back on its worker, and
// whatever it still had queued or running is answered into the void.
void Router::clientGone(Client& c) {
    Service* s = c.service;
    if (c.bound) {
        Worker& w = *c.bound;
        log_.write("client #%llu left in a transaction: rollback on %s", static_cast<unsigned long long>(c.id),
                     w.name.c_str());
        w.bound = nullptr;
        c.bound = nullptr;
        Request r;
        r.message = rollbackMessage();
        r.forward = false;
        queueRequest(w, r);
    }
    c.pending.clear();
    auto keep = clients_[c.id];
    clients_.erase(c.id);
    keep.reset();  // the client is destroyed here; its queued requests see it expire
    if (s) serveWaiting(*s);
}

// Hands the client's held messages on, in order.  A query needs the client's
// worker, binding a free one if it has none; a message that wants no reply
// ("commit", "rollback") goes to the bound worker and ends the binding.
void Router::dispatch(Client& c, bool fromQueue) {
    Service& s = *c.service;
    while (!c.pending.empty()) {
        MessagePtr m = c.pending.front();
        if (isdGetReplyWanted(&m->header) == 0) {
            c.pending.pop_front();
            c.transactionLost = false;
            if (c.bound) {
                // The binding lasts until the worker has really committed:
                // a query the client sends right after "commit" must see
                // its own rows, so it has to queue behind the commit on the
                // same worker rather than start on another one.
                Request r;
                r.client = clients_[c.id];
                r.message = m;
                r.forward = false;
                r.ends = true;
                queueRequest(*c.bound, r);
            } else {
                log_.write("client #%llu: \"%s\" outside a transaction, dropped",
                             static_cast<unsigned long long>(c.id), excerpt(m->payload).c_str());
            }
            continue;
        }
        if (c.transactionLost) {
            // The worker holding this client's transaction died while the
            // client was idle; this query must not start a new transaction
            // silently, so it fails like the lost one.
            c.pending.pop_front();
            c.transactionLost = false;
            c.session->send(makeMessage(ISD_FAIL, "the worker holding the transaction ended"));
            continue;
        }
        if (!c.bound) {
            Worker* w = nullptr;
            if (fromQueue || s.waiting.empty()) w = freeWorker(s);
            if (!w) {
                if (!c.waiting) {
                    c.waiting = true;
                    s.waiting.push_back(clients_[c.id]);
                    log_.write("client #%llu waits for a free worker of %s", static_cast<unsigned long long>(c.id),
                                 s.config->name.c_str());
                }
                return;
            }
            fromQueue = false;
            w->bound = &c;
            c.bound = w;
        }
        c.pending.pop_front();
        Request r;
        r.client = clients_[c.id];
        r.message = m;
        queueRequest(*c.bound, r);
    }
}

Worker* Router::freeWorker(Service& s) {
    Worker* candidate = nullptr;
    for (auto& w : s.workers) {
        if (!w->session || w->bound) continue;
        if (!w->busy && w->fifo.empty()) return w.get();
        if (!candidate) candidate = w.get();
    }
    return candidate;
}

// Waiting clients get free workers in the order they came.
void Router::serveWaiting(Service& s) {
    if (s.serving) return;
    s.serving = true;
    while (!s.waiting.empty()) {
        auto c = s.waiting.front().lock();
        if (!c) {
            s.waiting.pop_front();
            continue;
        }
        if (!freeWorker(s)) break;
        s.waiting.pop_front();
        c->waiting = false;
        dispatch(*c, true);
    }
    s.serving = false;
}

// ---- workers

void Router::acceptWorker() {
    workerAcceptor_.async_accept([this](const asio::error_code& ec, tcp::socket socket) {
        if (shuttingDown_) return;
        if (ec) {
            log_.write("accepting a worker failed: %s", ec.message().c_str());
        } else {
            auto session = std::make_shared<Session>(std::move(socket));
            Session* key = session.get();
            newcomers_[key] = session;
            session->start([this, key](const MessagePtr& m) { onWorkerSessionMessage(key, m); },
                           [this, key](const std::string& reason) { onWorkerSessionClosed(key, reason); });
        }
        acceptWorker();
    });
}

Worker* Router::workerBySession(Session* s) {
    for (auto& service : services_)
        for (auto& w : service->workers)
            if (w->session.get() == s) return w.get();
    return nullptr;
}

void Router::onWorkerSessionMessage(Session* s, const MessagePtr& m) {
    auto nc = newcomers_.find(s);
    if (nc != newcomers_.end()) {
        SessionPtr session = nc->second;
        newcomers_.erase(nc);
        std::string text = m->payload;
        size_t nl = text.find('\n');
        Worker* found = nullptr;
        if (isdGetKind(&m->header) == ISD_HELLO && nl != std::string::npos) {
            std::string serviceName = text.substr(0, nl), name = text.substr(nl + 1);
            for (auto& service : services_)
                if (service->config->name == serviceName)
                    for (auto& w : service->workers)
                        if (w->name == name) found = w.get();
        }
        if (!found || found->session || !found->process->running() || shuttingDown_) {
            log_.write("worker connection from %s refused: %s", session->peer().c_str(),
                         found ? "not expected now" : ("bad hello \"" + excerpt(text) + "\"").c_str());
            session->close();
            return;
        }
        found->session = session;
        log_.write("worker %s (pid %ld) is ready", found->name.c_str(), static_cast<long>(found->process->pid()));
        pump(*found);
        serveWaiting(*found->service);
        return;
    }
    Worker* w = workerBySession(s);
    if (w) onWorkerMessage(*w, m);
}

void Router::onWorkerSessionClosed(Session* s, const std::string& reason) {
    if (newcomers_.erase(s)) return;
    Worker* w = workerBySession(s);
    if (!w) return;
    workerLost(*w, "connection lost: " + reason);
    serveWaiting(*w->service);
}

void Router::onWorkerMessage(Worker& w, const MessagePtr& m) {
    if (isdGetKind(&m->header) != ISD_DATA) {
        w.session->close();
        workerLost(w, "unexpected message kind " + std::to_string(isdGetKind(&m->header)));
        serveWaiting(*w.service);
        return;
    }
    if (!w.busy || w.current.shutdown) {
        log_.write("worker %s sent a block nobody asked for; dropped", w.name.c_str());
        return;
    }
    if (w.current.forward) {
        if (auto c = w.current.client.lock()) c->session->send(m);
    }
    if (isdGetMore(&m->header) <= 0) {
        bool ended = w.current.ends;
        auto c = w.current.client.lock();
        w.busy = false;
        w.current = Request();
        bool unbound = false;
        if (ended && c && w.bound == c.get() && !hasQueued(w, *c)) {
            w.bound = nullptr;
            c->bound = nullptr;
            unbound = true;
        }
        pump(w);
        if (unbound) serveWaiting(*w.service);
    }
}

// Whether the client has another request waiting on this worker (it sent its
// next query before the previous "commit" had run).
bool Router::hasQueued(const Worker& w, const Client& c) const {
    for (const auto& r : w.fifo)
        if (r.client.lock().get() == &c) return true;
    return false;
}

void Router::queueRequest(Worker& w, Request r) {
    w.fifo.push_back(std::move(r));
    pump(w);
}

// Hands the next request to the worker once its previous reply has ended.
void Router::pump(Worker& w) {
    while (!w.busy && w.session && !w.fifo.empty()) {
        Request r = std::move(w.fifo.front());
        w.fifo.pop_front();
        if (r.forward && r.client.expired()) continue;  // its client left; the rollback follows
        w.busy = true;
        w.current = r;
        if (r.shutdown) {
            log_.write("asking worker %s to end", w.name.c_str());
        } else {
            auto c = r.client.lock();
            log_.write("%s <- client #%llu: \"%s\"%s", w.name.c_str(),
                         static_cast<unsigned long long>(c ? c->id : 0), excerpt(r.message->payload).c_str(),
                         r.forward ? "" : " (reply swallowed)");
        }
        w.session->send(r.message);
    }
}

// The worker is gone (connection or process): its requests fail, the
// transaction it held is lost, and the process is made sure to be dead so
// that it is restarted.
void Router::workerLost(Worker& w, const std::string& reason) {
    bool hadSession = w.session != nullptr;
    if (w.session) {
        w.session->close();
        w.session.reset();
    }
    std::set<Client*> told;
    auto failRequest = [&](const Request& r) {
        if (!r.forward || r.shutdown) return;
        if (auto c = r.client.lock()) {
            c->session->send(makeMessage(ISD_FAIL, "the worker serving the request ended"));
            told.insert(c.get());
        }
    };
    if (w.busy) failRequest(w.current);
    w.busy = false;
    w.current = Request();
    for (const auto& r : w.fifo) failRequest(r);
    w.fifo.clear();
    if (w.bound) {
        Client* c = w.bound;
        c->bound = nullptr;
        w.bound = nullptr;
        if (!told.count(c)) c->transactionLost = true;
        log_.write("client #%llu lost its transaction with worker %s", static_cast<unsigned long long>(c->id),
                     w.name.c_str());
    }
    if (hadSession || !told.empty()) log_.write("worker %s lost: %s", w.name.c_str(), reason.c_str());
    if (!shuttingDown_) w.process->signal(SIGKILL);
}

void Router::spawn(Worker& w) {
    if (shuttingDown_ || w.process->running()) return;
    const ServiceConfig& sc = *w.service->config;
    Launch launch;
    launch.program = sc.program;
    launch.args = {"127.0.0.1:" + std::to_string(workerPort_), sc.name, w.name, config_.logdir};
    for (const auto& a : sc.expandedArgs()) launch.args.push_back(a);
    launch.env = sc.expandedEnv();
    launch.outPath = config_.logdir + "/" + sc.name + "-" + std::to_string(w.number) + ".out";
    if (!w.process->start(launch)) {
        scheduleRestart(w);
        return;
    }
    writeWorkersFile();
}

void Router::scheduleRestart(Worker& w) {
    if (shuttingDown_) return;
    Worker* wp = &w;
    w.process->scheduleRestart([this, wp] { spawn(*wp); });
}

void Router::reap() {
    int status = 0;
    pid_t pid;
    while ((pid = waitpid(-1, &status, WNOHANG)) > 0) {
        Worker* w = nullptr;
        for (auto& s : services_)
            for (auto& x : s->workers)
                if (x->process->pid() == pid) w = x.get();
        if (!w) continue;
        std::string how = WorkerProcess::describeStatus(status);
        log_.write("worker %s (pid %ld) %s after %.1f s%s", w->name.c_str(), static_cast<long>(pid), how.c_str(),
                   w->process->secondsAlive(),
                   w->session || shuttingDown_ ? "" : " (it had not connected; see its .out file)");
        w->process->exited();
        writeWorkersFile();
        workerLost(*w, "process " + how);
        if (shuttingDown_) {
            checkStopped();
        } else {
            scheduleRestart(*w);
            serveWaiting(*w->service);
        }
    }
}

void Router::writeWorkersFile() {
    std::string text;
    for (auto& s : services_)
        for (auto& w : s->workers)
            if (w->process->running())
                text += s->config->name + " " + w->name + " " + std::to_string(w->process->pid()) + "\n";
    if (!writeFileAtomic(workersFile_, text))
        log_.write("cannot write %s: %s", workersFile_.c_str(), strerror(errno));
}

// ---- life

void Router::waitSignals() {
    signals_.async_wait([this](const asio::error_code& ec, int signo) {
        if (ec) return;
        if (signo == SIGCHLD) reap();
        else beginShutdown(signo);
        waitSignals();
    });
}

void Router::beginShutdown(int signo) {
    if (shuttingDown_) return;
    shuttingDown_ = true;
    log_.write("signal %d: shutting down", signo);
    asio::error_code ignored;
    clientAcceptor_.close(ignored);
    workerAcceptor_.close(ignored);
    std::vector<uint64_t> ids;
    for (auto& entry : clients_) ids.push_back(entry.first);
    for (uint64_t id : ids) {
        auto it = clients_.find(id);
        if (it != clients_.end()) dropClient(*it->second, "router shutting down");
    }
    for (auto& entry : newcomers_) entry.second->close();
    newcomers_.clear();
    for (auto& s : services_) {
        for (auto& w : s->workers) {
            w->process->cancelRestart();
            if (w->session) {
                Request r;
                r.message = makeMessage(ISD_SHUTDOWN, "");
                r.forward = false;
                r.shutdown = true;
                queueRequest(*w, r);
            } else {
                w->process->signal(SIGTERM);
            }
        }
    }
    stopTimer_.expires_after(std::chrono::seconds(15));
    stopTimer_.async_wait([this](const asio::error_code& ec) {
        if (ec) return;
        for (auto& s : services_)
            for (auto& w : s->workers)
                if (w->process->running()) {
                    log_.write("worker %s (pid %ld) did not end in 15 s: killed", w->name.c_str(),
                               static_cast<long>(w->process->pid()));
                    w->process->signal(SIGKILL);
                }
    });
    checkStopped();
}

void Router::checkStopped() {
    for (auto& s : services_)
        for (auto& w : s->workers)
            if (w->process->running()) return;
    stopTimer_.cancel();
    unlink(portFile_.c_str());
    unlink(workersFile_.c_str());
    unlink(pidFile_.c_str());
    log_.write("isectd stopped");
    io_.stop();
}

}  // namespace

int runRouter(const RouterConfig& config) {
    if (!makeDirs(config.logdir) || !makeDirs(config.rundir)) {
        fprintf(stderr, "isectd: cannot create %s or %s: %s\n", config.logdir.c_str(), config.rundir.c_str(),
                strerror(errno));
        return 1;
    }
    Log log;
    for (const auto& s : config.services) log.addSecret(s.password);
    std::string logPath = config.logdir + "/isectd.log";
    if (!log.open(logPath)) {
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

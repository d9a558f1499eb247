// isectd's routing: clients, workers and the requests between them.
//
// Parts (one file each): Log (the router's log, passwords masked, rotated),
// Session (one connection carrying whole messages, optionally in TLS),
// WorkerProcess (starting and restarting a worker program), RunFiles (the
// pid, port and workers files), and here the Router, which owns them all on
// one thread.  The router pools workers like a transaction pooler: a worker
// belongs to one client from the first statement of a transaction until its
// "commit" or "rollback" has run, and goes back to the pool only outside a
// transaction.
//
// Client: connected -> challenged (when a service key is set) -> logged in ->
//   idle | waiting in the service's line for a worker | bound to a worker
//   (inside a transaction: every request goes to that worker) -> idle again
//   once its "commit" or "rollback" was received -> gone.  A client whose
//   transaction was lost (its worker ended, a time limit passed, a statement
//   claimed no reply) is told at its next request.
// Worker: starting (process, no proven hello yet) -> ready (in the pool) ->
//   bound to a client -> ending its transaction (the word runs, the client is
//   free already) -> ready; lost when its process or connection ends or a
//   request goes unanswered, then restarted.
// Router: starting -> serving -> shutting down (clients dropped, open
//   transactions rolled back, workers asked to end, killed after 15 s) ->
//   stopped once every worker has been reaped.
//
// Rules of service:
// - The request's text decides what ends a transaction: a request beginning
//   "commit" or "rollback" (as the worker reads it).  A statement sent
//   without a reply wanted is refused and the client's transaction rolled
//   back.
// - A new transaction waits in the service's line, first come first served,
//   and does not start while a "commit" or "rollback" received before it is
//   still running, so that it sees what was committed before it.
// - Per client at most `clientbuffer` bytes of reply wait in the router; then
//   the router stops reading from the worker until the client drains.
#include "router/Router.h"

#include "Auth.h"
#include "LogFile.h"
#include "isdio.h"
#include "router/Log.h"
#include "router/RunFiles.h"
#include "router/Session.h"
#include "router/WorkerProcess.h"

#include <asio.hpp>
#include <asio/ssl.hpp>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace isectd {

namespace {

using asio::ip::tcp;
using Clock = std::chrono::steady_clock;

// ---------------------------------------------------------------- texts a client sees

const char kStoppedIdle[] =
    "isectd - The database service stopped while a transaction was open; nothing of it was saved. "
    "Please make the last change again.";
const char kStoppedServing[] =
    "isectd - The database service stopped while serving the request; nothing of its transaction was saved.";
const char kStoppedSaving[] =
    "isectd - The database service stopped while saving; the last change may not have been saved. "
    "Please check it.";
const char kRefused[] =
    "isectd - A statement sent without waiting for its reply was refused and the open transaction rolled back; "
    "nothing of it was saved.";

std::string seconds(double s) {
    char text[32];
    snprintf(text, sizeof text, "%g", s);
    return text;
}

std::string noAnswerText(double s) {
    return "isectd - The database service did not answer within " + seconds(s) +
           " s; the request was cancelled and nothing of its transaction was saved.";
}

std::string idleTransactionText(double s) {
    return "isectd - The transaction was left open for " + seconds(s) +
           " s without a request and was rolled back; nothing of it was saved.";
}

std::chrono::milliseconds millis(double s) { return std::chrono::milliseconds(static_cast<long long>(s * 1000)); }

enum class Word { None, Commit, Rollback };

// As the worker reads a request.
Word wordOf(const std::string& text) {
    if (text.compare(0, 6, "commit") == 0) return Word::Commit;
    if (text.compare(0, 8, "rollback") == 0) return Word::Rollback;
    return Word::None;
}

// A time limit that can be moved at no cost: the system timer is set once
// and, when it fires, looks at the limit as it then stands (later: waits
// on; cleared: stops).  Requests come far more often than their limits
// pass, so moving a limit must not cost a system call each time.
class Deadline {
public:
    explicit Deadline(asio::io_context& io) : timer_(io) {}
    void set(Clock::time_point due, std::function<void()> onDue) {
        due_ = due;
        onDue_ = std::move(onDue);
        if (!armed_ || timer_.expiry() > due_) arm();
    }
    void clear() { due_ = Clock::time_point::max(); }

private:
    void arm() {
        armed_ = true;
        timer_.expires_at(due_);
        timer_.async_wait([this](const asio::error_code& ec) {
            if (ec) return;  // moved earlier (a new wait is set) or destroyed
            armed_ = false;
            if (due_ == Clock::time_point::max()) return;
            if (Clock::now() < due_) {
                arm();
                return;
            }
            due_ = Clock::time_point::max();
            auto fire = onDue_;
            fire();
        });
    }
    asio::steady_timer timer_;
    Clock::time_point due_ = Clock::time_point::max();
    bool armed_ = false;
    std::function<void()> onDue_;
};

// ---------------------------------------------------------------- state

struct Client;
struct Service;

struct Request {
    enum Kind { Query, Word, Rollback, Probe, Shutdown } kind = Query;
    std::weak_ptr<Client> client;
    MessagePtr message;
    bool forward = false;  // the reply goes to the client
    bool barrier = false;  // a client's "commit"/"rollback": new transactions wait for it
    uint64_t seq = 0;      // arrival order
};

struct Worker {
    Service* service = nullptr;
    int number = 0;
    std::string name;
    std::unique_ptr<WorkerProcess> process;
    SessionPtr session;        // set once its hello has proved the key
    Client* bound = nullptr;   // the client whose transaction this worker holds
    std::deque<Request> fifo;  // requests waiting for the current reply to end
    bool busy = false;
    Request current;
    bool aheadSent = false;  // fifo.front() is with the worker already, behind the word running
    Client* throttledBy = nullptr;  // reading paused until this client drains
    bool connected = false;         // the running process has proved its hello
    std::unique_ptr<Deadline> deadline;  // of its start or of the running request

    bool free() const { return session && !bound && !busy && fifo.empty(); }
};

struct Pending {
    MessagePtr message;
    uint64_t seq = 0;
};

struct Client {
    uint64_t id = 0;
    SessionPtr session;
    Service* service = nullptr;  // set by the login
    bool challenged = false;
    std::string serviceName, clientNonce, routerNonce;
    Worker* bound = nullptr;
    std::deque<Pending> pending;  // held while waiting for a worker
    bool waiting = false;         // in the service's line
    std::string lost;             // the failure to report at the next request
    int outstanding = 0;          // requests whose reply has not ended
    std::unique_ptr<Deadline> deadline;  // login, idle or idle-in-transaction
    Clock::time_point connectedAt, lastActivity;
};

struct Service {
    const ServiceConfig* config = nullptr;
    std::vector<std::unique_ptr<Worker>> workers;
    std::deque<std::weak_ptr<Client>> waiting;  // in the order of their requests
    std::map<uint64_t, Worker*> wordsInFlight;  // each client's word still running, by seq, and its worker
    bool serving = false;
};

// A worker connection before its hello has proved the key.
struct Newcomer {
    SessionPtr session;
    Worker* worker = nullptr;
    std::string workerNonce, routerNonce;
    std::unique_ptr<asio::steady_timer> timer;
};

class Router {
public:
    Router(asio::io_context& io, const RouterConfig& config, Log& log)
        : io_(io), config_(config), log_(log), clientAcceptor_(io), workerAcceptor_(io), signals_(io),
          stopTimer_(io), acceptTimer_(io), maintenanceTimer_(io), acceptLog_(log), refusedLog_(log) {}

    bool start();

private:
    // clients
    void acceptClient();
    void onAccepted(tcp::socket socket);
    void onClientMessage(uint64_t id, const MessagePtr& m);
    void onLoginMessage(Client& c, const MessagePtr& m);
    void loggedIn(Client& c, Service& s);
    void refuseLogin(Client& c, const std::string& reason, const std::string& logged);
    void onClientClosed(uint64_t id, const std::string& reason);
    void dropClient(Client& c, const std::string& reason);
    void clientGone(Client& c);
    void dispatch(Client& c);
    void joinLine(Client& c, bool forWords);
    void serveWaiting(Service& s);
    Worker* freeWorker(Service& s);
    Worker* workerFor(Service& s, uint64_t seq);
    bool blockedByWords(const Service& s, uint64_t seq) const;
    void unbind(Client& c);
    void rollbackFor(Worker& w, Client& c, const std::string& why);
    void failRequest(Client& c, const std::string& text);
    void armClientTimer(Client& c);
    void onClientTimer(uint64_t id);
    void onClientDrained(Client& c);

    // workers
    void acceptWorker();
    void onWorkerSessionMessage(Session* s, const MessagePtr& m);
    void onNewcomerMessage(Newcomer& n, const MessagePtr& m);
    void onWorkerSessionClosed(Session* s, const std::string& reason);
    void onWorkerMessage(Worker& w, const MessagePtr& m);
    void finishRequest(Worker& w);
    void queueRequest(Worker& w, Request r);
    void pump(Worker& w);
    void sendAhead(Worker& w);
    void sendToWorker(Worker& w, const Request& r);
    void armWorkerTimer(Worker& w, double s);
    void onWorkerTimer(Worker* w);
    void probeIdleWorkers(Service& s, const Worker& except);
    void workerLost(Worker& w, const std::string& reason, const std::string& clientText);
    void spawn(Worker& w);
    void scheduleRestart(Worker& w);
    void reap();
    void writeWorkersFile();
    Worker* workerBySession(Session* s);

    // life
    void waitSignals();
    void beginShutdown(int signo);
    void checkStopped();
    void maintain();

    asio::io_context& io_;
    const RouterConfig& config_;
    Log& log_;
    tcp::acceptor clientAcceptor_, workerAcceptor_;
    asio::signal_set signals_;
    asio::steady_timer stopTimer_, acceptTimer_, maintenanceTimer_;
    std::unique_ptr<asio::ssl::context> tls_;
    std::string key_;        // the service key; empty: clients are not authenticated
    std::string workerKey_;  // what workers prove: the service key, or one made for this run
    std::vector<std::unique_ptr<Service>> services_;
    std::map<uint64_t, std::shared_ptr<Client>> clients_;
    std::map<Session*, std::unique_ptr<Newcomer>> newcomers_;
    uint64_t nextClient_ = 1;
    uint64_t nextSeq_ = 1;
    unsigned short workerPort_ = 0;
    bool shuttingDown_ = false;
    std::chrono::milliseconds acceptBackoff_{0};
    RateLimitedLog acceptLog_, refusedLog_;
    std::string pidFile_, portFile_, workersFile_;
};


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
            w->deadline = std::make_unique<Deadline>(io_);
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

    // Keys: clients prove the service key; workers prove it too, or, without
    // one, a key made for this run that only the router's own workers get.
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
        workerKey_ = key_;
    } else {
        workerKey_ = isdauth::nonce();
        log_.write("no service key (keyfile): logins are not authenticated; bind stays on loopback");
    }
    if (workerKey_.empty()) {
        fprintf(stderr, "isectd: no random numbers for the worker key\n");
        return false;
    }
    log_.addSecret(key_);
    log_.addSecret(workerKey_);
    if (config_.tls()) {
        tls_ = std::make_unique<asio::ssl::context>(asio::ssl::context::tls_server);
        tls_->set_options(asio::ssl::context::default_workarounds | asio::ssl::context::no_sslv2 |
                          asio::ssl::context::no_sslv3 | asio::ssl::context::no_tlsv1 |
                          asio::ssl::context::no_tlsv1_1 | asio::ssl::context::single_dh_use);
        asio::error_code ec;
        tls_->use_certificate_chain_file(config_.tlsCert, ec);
        if (!ec) tls_->use_private_key_file(config_.tlsKey, asio::ssl::context::pem, ec);
        if (ec) {
            log_.write("cannot load the TLS certificate %s or key %s: %s", config_.tlsCert.c_str(),
                       config_.tlsKey.c_str(), ec.message().c_str());
            fprintf(stderr, "isectd: cannot load the TLS certificate %s or key %s: %s\n", config_.tlsCert.c_str(),
                    config_.tlsKey.c_str(), ec.message().c_str());
            return false;
        }
    }
    for (const auto& sc : config_.services)
        for (const auto& a : sc.args)
            if (a.find("${PASSWORD}") != std::string::npos && !sc.password.empty())
                log_.write("warning: the password of service %s is on its workers' command line, where every user "
                           "sees it (ps); give it through the environment (env = ISC_PASSWORD=${PASSWORD})",
                           sc.name.c_str());
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
    log_.write("clients %s on %s:%u", tls_ ? "speak TLS" : "speak plain TCP",
               clientAcceptor_.local_endpoint().address().to_string().c_str(), clientPort);
    acceptClient();
    acceptWorker();
    for (auto& s : services_)
        for (auto& w : s->workers) spawn(*w);
    maintain();
    return true;
}

// ---------------------------------------------------------------- clients

bool outOfResources(const asio::error_code& ec) {
    return ec == asio::error::no_descriptors || ec.value() == ENFILE || ec == asio::error::no_buffer_space ||
           ec == asio::error::no_memory;
}

// Failures (out of descriptors above all) are retried after a growing pause
// instead of at once, and logged at most once a second.
void Router::acceptClient() {
    clientAcceptor_.async_accept([this](const asio::error_code& ec, tcp::socket socket) {
        if (shuttingDown_ || ec == asio::error::operation_aborted) return;
        if (ec) {
            acceptBackoff_ = std::min(std::max(acceptBackoff_ * 2, std::chrono::milliseconds(20)),
                                      std::chrono::milliseconds(1000));
            acceptLog_.write("accepting a client failed: " + ec.message() + (outOfResources(ec) ? " (retrying)" : ""));
            acceptTimer_.expires_after(acceptBackoff_);
            acceptTimer_.async_wait([this](const asio::error_code& e) {
                if (!e) acceptClient();
            });
            return;
        }
        acceptBackoff_ = std::chrono::milliseconds(0);
        onAccepted(std::move(socket));
        acceptClient();
    });
}

void Router::onAccepted(tcp::socket socket) {
    // A client machine that vanished without closing is noticed within
    // about two minutes.
    asio::error_code ignored;
    socket.set_option(asio::socket_base::keep_alive(true), ignored);
    int idle = 60, interval = 10, count = 6;
    setsockopt(socket.native_handle(), IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(socket.native_handle(), IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(socket.native_handle(), IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);

    SessionPtr session = tls_ ? std::make_shared<Session>(std::move(socket), *tls_)
                              : std::make_shared<Session>(std::move(socket));
    session->setMaxLength(ISD_MAX_LOGIN_LENGTH);
    session->setWriteTimeout(millis(config_.sendTimeout));
    if (static_cast<int>(clients_.size()) >= config_.maxClients) {
        refusedLog_.write("connection from " + session->peer() + " refused: " + std::to_string(clients_.size()) +
                          " clients, the limit (maxclients)");
        session->start(nullptr, nullptr);
        session->send(makeMessage(ISD_LOGIN_FAIL, "the router serves as many connections as it may (" +
                                                      std::to_string(config_.maxClients) + "); try again later"));
        session->closeAfterSending();
        return;
    }
    auto c = std::make_shared<Client>();
    c->id = nextClient_++;
    c->session = session;
    c->deadline = std::make_unique<Deadline>(io_);
    c->connectedAt = c->lastActivity = Clock::now();
    clients_[c->id] = c;
    uint64_t id = c->id;
    log_.write("client #%llu connected from %s", static_cast<unsigned long long>(id), session->peer().c_str());
    session->start([this, id](const MessagePtr& m) { onClientMessage(id, m); },
                   [this, id](const std::string& reason) { onClientClosed(id, reason); });
    armClientTimer(*c);
}

void Router::onClientMessage(uint64_t id, const MessagePtr& m) {
    auto it = clients_.find(id);
    if (it == clients_.end()) return;
    Client& c = *it->second;
    if (!c.service) {
        onLoginMessage(c, m);
        return;
    }
    uint16_t kind = isdGetKind(&m->header);
    if (kind != ISD_DATA) {
        dropClient(c, "unexpected message kind " + std::to_string(kind));
        return;
    }
    c.pending.push_back({m, nextSeq_++});
    c.lastActivity = Clock::now();
    Service& s = *c.service;
    if (!c.waiting) dispatch(c);
    serveWaiting(s);
    auto still = clients_.find(id);
    if (still != clients_.end()) armClientTimer(*still->second);
}

// ISD_LOGIN, and with a service key the challenge and its answer (Auth.h).
void Router::onLoginMessage(Client& c, const MessagePtr& m) {
    uint16_t kind = isdGetKind(&m->header);
    const std::string& text = m->payload;
    if (kind == ISD_LOGIN && !c.challenged) {
        size_t nl = text.find('\n');
        c.serviceName = text.substr(0, nl);
        c.clientNonce = nl == std::string::npos ? std::string() : text.substr(nl + 1);
        if (!isdauth::isNonce(c.clientNonce)) c.clientNonce.clear();
        if (key_.empty()) {
            Service* found = nullptr;
            for (auto& s : services_)
                if (s->config->name == c.serviceName) found = s.get();
            if (!found) {
                refuseLogin(c, "unknown service", "login to unknown service \"" + excerpt(c.serviceName) + "\" refused");
                return;
            }
            loggedIn(c, *found);
            return;
        }
        c.routerNonce = isdauth::nonce();
        c.challenged = true;
        std::string proof = c.clientNonce.empty() ? std::string()
                                                  : isdauth::proof(key_, "router", c.serviceName, c.routerNonce,
                                                                   c.clientNonce, c.session->channelBinding());
        c.session->send(makeMessage(ISD_CHALLENGE, c.routerNonce + "\n" + proof));
        return;
    }
    if (kind == ISD_AUTH && c.challenged) {
        std::string expected =
            isdauth::proof(key_, "client", c.serviceName, c.clientNonce, c.routerNonce, c.session->channelBinding());
        if (c.clientNonce.empty() || !isdauth::sameProof(text, expected)) {
            refuseLogin(c, "the service key is missing or wrong",
                        "login to service \"" + excerpt(c.serviceName) + "\" refused: " +
                            (text.empty() ? "no service key given" : "wrong service key"));
            return;
        }
        for (auto& s : services_)
            if (s->config->name == c.serviceName) {
                loggedIn(c, *s);
                return;
            }
        refuseLogin(c, "unknown service", "login to unknown service \"" + excerpt(c.serviceName) + "\" refused");
        return;
    }
    dropClient(c, "message before login");
}

void Router::loggedIn(Client& c, Service& s) {
    c.service = &s;
    c.lastActivity = Clock::now();
    c.session->setMaxLength(ISD_MAX_LENGTH);
    c.session->setDrainHandler(static_cast<size_t>(config_.clientBuffer) / 4, [this, id = c.id] {
        auto it = clients_.find(id);
        if (it != clients_.end()) onClientDrained(*it->second);
    });
    // Logged before the client can know, so the log's order is the order of events.
    log_.write("client #%llu logged in to service %s%s", static_cast<unsigned long long>(c.id),
               s.config->name.c_str(), key_.empty() ? "" : " with the service key");
    c.session->send(makeMessage(ISD_LOGIN_OK, ""));
    armClientTimer(c);
}

void Router::refuseLogin(Client& c, const std::string& reason, const std::string& logged) {
    log_.write("client #%llu from %s: %s", static_cast<unsigned long long>(c.id), c.session->peer().c_str(),
               logged.c_str());
    c.session->send(makeMessage(ISD_LOGIN_FAIL, reason));
    c.session->closeAfterSending();
    c.deadline->clear();
    clients_.erase(c.id);
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

// The client is gone: an open transaction is rolled back on its worker
// before any other client gets it; what it still had queued or running is
// answered into the void, except its "commit" or "rollback", which still runs.
void Router::clientGone(Client& c) {
    Service* s = c.service;
    if (c.bound) {
        Worker& w = *c.bound;
        log_.write("client #%llu left in a transaction: rollback on %s", static_cast<unsigned long long>(c.id),
                   w.name.c_str());
        rollbackFor(w, c, "");
    }
    c.deadline->clear();
    c.pending.clear();
    if (s)
        for (auto& w : s->workers)
            if (w->throttledBy == &c) {
                w->throttledBy = nullptr;
                if (w->session) w->session->resumeReading();
                armWorkerTimer(*w, config_.requestTimeout);
            }
    auto keep = clients_[c.id];
    clients_.erase(c.id);
    keep.reset();  // the client is destroyed here; its queued requests see it expire
    if (s) serveWaiting(*s);
}

void Router::unbind(Client& c) {
    if (c.bound) c.bound->bound = nullptr;
    c.bound = nullptr;
}

// The router's own rollback of the client's transaction; the worker is
// free once it has run.
void Router::rollbackFor(Worker& w, Client& c, const std::string& why) {
    unbind(c);
    Request r;
    r.kind = Request::Rollback;
    r.message = makeMessage(ISD_DATA, "rollback", 0);
    if (!why.empty()) c.lost = why;
    queueRequest(w, r);
}

void Router::failRequest(Client& c, const std::string& text) {
    c.session->send(makeMessage(ISD_FAIL, text));
}

// Hands the client's held requests on, in order, as far as they can go now.
void Router::dispatch(Client& c) {
    Service& s = *c.service;
    while (!c.pending.empty()) {
        Pending p = c.pending.front();
        const std::string& text = p.message->payload;
        bool replyWanted = isdGetReplyWanted(&p.message->header) != 0;
        Word word = wordOf(text);
        if (word != Word::None) {
            c.pending.pop_front();
            if (c.bound) {
                // The transaction ends here: the client may start its next
                // one at once (it waits in line like anybody), and the worker
                // rejoins the pool once the word has run.
                Worker& w = *c.bound;
                unbind(c);
                Request r;
                r.kind = Request::Word;
                r.client = clients_[c.id];
                r.message = p.message;
                r.forward = replyWanted;
                r.barrier = true;
                r.seq = p.seq;
                if (replyWanted) ++c.outstanding;
                s.wordsInFlight[p.seq] = &w;
                queueRequest(w, r);
                continue;
            }
            // Outside a transaction there is nothing to end.  A "commit"
            // after a lost transaction leaves the loss to be reported.
            if (word == Word::Rollback) c.lost.clear();
            if (replyWanted) {
                if (word == Word::Commit && !c.lost.empty()) {
                    failRequest(c, c.lost);
                    c.lost.clear();
                } else {
                    c.session->send(makeMessage(ISD_DATA, text));
                }
            } else {
                log_.write("client #%llu: \"%s\" outside a transaction, dropped", static_cast<unsigned long long>(c.id),
                           excerpt(text).c_str());
            }
            continue;
        }
        if (!replyWanted) {
            c.pending.pop_front();
            log_.write("client #%llu: a statement claiming no reply refused: \"%s\"%s",
                       static_cast<unsigned long long>(c.id), excerpt(text).c_str(),
                       c.bound ? "; its transaction is rolled back" : "");
            if (c.bound) rollbackFor(*c.bound, c, kRefused);
            else c.lost = kRefused;
            continue;
        }
        if (!c.lost.empty()) {
            c.pending.pop_front();
            log_.write("client #%llu: request failed: %s", static_cast<unsigned long long>(c.id), c.lost.c_str());
            failRequest(c, c.lost);
            c.lost.clear();
            continue;
        }
        if (!c.bound) {
            // A new transaction: first come, first served, and not before the
            // words received earlier have run.
            bool lineAhead = false;
            for (const auto& other : s.waiting)
                if (auto o = other.lock())
                    if (o.get() != &c && o->waiting && !o->pending.empty() && o->pending.front().seq < p.seq)
                        lineAhead = true;
            Worker* w = lineAhead ? nullptr : workerFor(s, p.seq);
            if (!w) {
                joinLine(c, !lineAhead && blockedByWords(s, p.seq) && freeWorker(s));
                return;
            }
            w->bound = &c;
            c.bound = w;
        }
        c.pending.pop_front();
        Request r;
        r.kind = Request::Query;
        r.client = clients_[c.id];
        r.message = p.message;
        r.forward = true;
        r.seq = p.seq;
        ++c.outstanding;
        queueRequest(*c.bound, r);
    }
}

void Router::joinLine(Client& c, bool forWords) {
    if (c.waiting) return;
    Service& s = *c.service;
    c.waiting = true;
    uint64_t seq = c.pending.front().seq;
    auto at = s.waiting.end();
    while (at != s.waiting.begin()) {
        auto before = std::prev(at);
        auto o = before->lock();
        if (o && !o->pending.empty() && o->pending.front().seq < seq) break;
        at = before;
    }
    s.waiting.insert(at, clients_[c.id]);
    if (forWords)
        log_.write("client #%llu waits for a commit or rollback received before its request",
                   static_cast<unsigned long long>(c.id));
    else
        log_.write("client #%llu waits for a free worker of %s", static_cast<unsigned long long>(c.id),
                   s.config->name.c_str());
}

bool Router::blockedByWords(const Service& s, uint64_t seq) const {
    return !s.wordsInFlight.empty() && s.wordsInFlight.begin()->first < seq;
}

// The worker a new transaction arriving as `seq` may take: a free one, or one
// that will be free once the words and rollbacks queued on it have run (the
// request queues behind them).  While a word received earlier runs on
// another worker, none: the new transaction must see what that word
// commits.
Worker* Router::workerFor(Service& s, uint64_t seq) {
    auto reservable = [](const Worker& w) {
        if (!w.session || w.bound || w.throttledBy) return false;
        if (w.busy && w.current.kind != Request::Word && w.current.kind != Request::Rollback) return false;
        for (const auto& r : w.fifo)
            if (r.kind != Request::Word && r.kind != Request::Rollback) return false;
        return true;
    };
    Worker* holder = nullptr;
    for (const auto& word : s.wordsInFlight) {
        if (word.first >= seq) break;
        if (holder && holder != word.second) return nullptr;
        holder = word.second;
    }
    if (holder) return reservable(*holder) ? holder : nullptr;
    if (Worker* w = freeWorker(s)) return w;
    for (auto& w : s.workers)
        if (reservable(*w)) return w.get();
    return nullptr;
}

Worker* Router::freeWorker(Service& s) {
    for (auto& w : s.workers)
        if (w->free()) return w.get();
    return nullptr;
}

// Waiting clients get free workers in the order of their requests.
void Router::serveWaiting(Service& s) {
    if (s.serving || shuttingDown_) return;
    s.serving = true;
    while (!s.waiting.empty()) {
        auto c = s.waiting.front().lock();
        if (!c || !c->waiting || c->pending.empty()) {
            s.waiting.pop_front();
            if (c) c->waiting = false;
            continue;
        }
        Worker* w = workerFor(s, c->pending.front().seq);
        if (!w) break;
        s.waiting.pop_front();
        c->waiting = false;
        w->bound = c.get();
        c->bound = w;
        dispatch(*c);
        armClientTimer(*c);
    }
    s.serving = false;
}

// Login, idle and idle-in-transaction limits; none while a request of the
// client is held or running.
void Router::armClientTimer(Client& c) {
    double limit = 0;
    Clock::time_point from = c.lastActivity;
    if (!c.service) {
        limit = config_.loginTimeout;
        from = c.connectedAt;
    } else if (c.outstanding > 0 || !c.pending.empty() || c.waiting) {
        limit = 0;
    } else if (c.bound) {
        limit = config_.transactionTimeout;
    } else if (c.lost.empty()) {
        limit = config_.idleTimeout;
    }
    if (limit <= 0 || shuttingDown_) {
        c.deadline->clear();
        return;
    }
    c.deadline->set(from + millis(limit), [this, id = c.id] { onClientTimer(id); });
}

void Router::onClientTimer(uint64_t id) {
    auto it = clients_.find(id);
    if (it == clients_.end()) return;
    Client& c = *it->second;
    if (!c.service) {
        log_.write("client #%llu from %s: no login within %s s", static_cast<unsigned long long>(id),
                   c.session->peer().c_str(), seconds(config_.loginTimeout).c_str());
        dropClient(c, "login time out");
        return;
    }
    if (c.outstanding > 0 || !c.pending.empty() || c.waiting) return;
    if (c.bound) {
        Worker& w = *c.bound;
        log_.write("client #%llu: no request for %s s inside a transaction: rollback on %s",
                   static_cast<unsigned long long>(id), seconds(config_.transactionTimeout).c_str(), w.name.c_str());
        rollbackFor(w, c, idleTransactionText(config_.transactionTimeout));
        serveWaiting(*c.service);
        armClientTimer(c);
        return;
    }
    // Nothing sent after the goodbye is run; the client's library logs in
    // again and repeats what it sent meanwhile.
    log_.write("client #%llu closed: idle for %s s", static_cast<unsigned long long>(id),
               seconds(config_.idleTimeout).c_str());
    c.session->send(makeMessage(ISD_BYE, "idle for " + seconds(config_.idleTimeout) + " s"));
    c.session->closeAfterSending();
    clientGone(c);
}

// The client has read most of what waited for it: its worker may go on.
void Router::onClientDrained(Client& c) {
    if (!c.service) return;
    for (auto& w : c.service->workers)
        if (w->throttledBy == &c) {
            w->throttledBy = nullptr;
            if (w->session) w->session->resumeReading();
            armWorkerTimer(*w, config_.requestTimeout);
        }
}

// ---------------------------------------------------------------- workers

void Router::acceptWorker() {
    workerAcceptor_.async_accept([this](const asio::error_code& ec, tcp::socket socket) {
        if (shuttingDown_ || ec == asio::error::operation_aborted) return;
        if (ec) {
            acceptLog_.write("accepting a worker failed: " + ec.message());
            acceptTimer_.expires_after(std::chrono::milliseconds(100));
            acceptTimer_.async_wait([this](const asio::error_code& e) {
                if (!e) acceptWorker();
            });
            return;
        }
        auto n = std::make_unique<Newcomer>();
        n->session = std::make_shared<Session>(std::move(socket));
        n->session->setMaxLength(ISD_MAX_LOGIN_LENGTH);
        n->timer = std::make_unique<asio::steady_timer>(io_);
        Session* key = n->session.get();
        if (config_.loginTimeout > 0) {
            n->timer->expires_after(millis(config_.loginTimeout));
            n->timer->async_wait([this, key](const asio::error_code& e) {
                if (e) return;
                auto it = newcomers_.find(key);
                if (it == newcomers_.end()) return;
                log_.write("worker connection from %s closed: no proven hello within %s s",
                           it->second->session->peer().c_str(), seconds(config_.loginTimeout).c_str());
                it->second->session->close();
                newcomers_.erase(it);
            });
        }
        SessionPtr session = n->session;
        newcomers_[key] = std::move(n);
        session->start([this, key](const MessagePtr& m) { onWorkerSessionMessage(key, m); },
                       [this, key](const std::string& reason) { onWorkerSessionClosed(key, reason); });
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
        onNewcomerMessage(*nc->second, m);
        return;
    }
    Worker* w = workerBySession(s);
    if (w) onWorkerMessage(*w, m);
}

// A worker's hello names its service and itself and brings a nonce; it is
// accepted once it has proved the key the router gave its process, so a
// process that merely knows the port cannot stand in for a worker.
void Router::onNewcomerMessage(Newcomer& n, const MessagePtr& m) {
    SessionPtr session = n.session;
    auto refuse = [&](const std::string& why) {
        log_.write("worker connection from %s refused: %s", session->peer().c_str(), why.c_str());
        session->close();
        newcomers_.erase(session.get());
    };
    uint16_t kind = isdGetKind(&m->header);
    const std::string& text = m->payload;
    if (kind == ISD_HELLO && !n.worker) {
        size_t nl = text.find('\n');
        size_t nl2 = nl == std::string::npos ? std::string::npos : text.find('\n', nl + 1);
        std::string serviceName = text.substr(0, nl);
        std::string name = nl == std::string::npos ? std::string() : text.substr(nl + 1, nl2 - nl - 1);
        Worker* found = nullptr;
        if (nl != std::string::npos)
            for (auto& service : services_)
                if (service->config->name == serviceName)
                    for (auto& w : service->workers)
                        if (w->name == name) found = w.get();
        if (!found) {
            refuse("bad hello \"" + excerpt(text) + "\"");
            return;
        }
        if (found->session || !found->process->running() || shuttingDown_) {
            refuse("not expected now");
            return;
        }
        n.workerNonce = nl2 == std::string::npos ? std::string() : text.substr(nl2 + 1);
        if (!isdauth::isNonce(n.workerNonce)) {
            refuse("the hello of " + found->name + " proves no key");
            return;
        }
        n.worker = found;
        n.routerNonce = isdauth::nonce();
        session->send(makeMessage(ISD_CHALLENGE, n.routerNonce + "\n" +
                                                     isdauth::proof(workerKey_, "router-to-worker", serviceName,
                                                                    n.routerNonce, n.workerNonce, "")));
        return;
    }
    if (kind == ISD_AUTH && n.worker) {
        Worker* w = n.worker;
        std::string expected =
            isdauth::proof(workerKey_, "worker", w->service->config->name, n.workerNonce, n.routerNonce, "");
        if (!isdauth::sameProof(text, expected)) {
            refuse("wrong key for " + w->name);
            return;
        }
        if (w->session || !w->process->running() || shuttingDown_) {
            refuse("not expected now");
            return;
        }
        n.timer->cancel();
        newcomers_.erase(session.get());
        session->setMaxLength(ISD_MAX_LENGTH);
        session->send(makeMessage(ISD_LOGIN_OK, ""));
        w->session = session;
        w->connected = true;
        w->deadline->clear();
        log_.write("worker %s (pid %ld) is ready", w->name.c_str(), static_cast<long>(w->process->pid()));
        pump(*w);
        serveWaiting(*w->service);
        return;
    }
    refuse("unexpected message kind " + std::to_string(kind));
}

void Router::onWorkerSessionClosed(Session* s, const std::string& reason) {
    auto nc = newcomers_.find(s);
    if (nc != newcomers_.end()) {
        newcomers_.erase(nc);
        return;
    }
    Worker* w = workerBySession(s);
    if (!w) return;
    workerLost(*w, "connection lost: " + reason, kStoppedServing);
    serveWaiting(*w->service);
}

void Router::onWorkerMessage(Worker& w, const MessagePtr& m) {
    if (isdGetKind(&m->header) != ISD_DATA) {
        workerLost(w, "unexpected message kind " + std::to_string(isdGetKind(&m->header)), kStoppedServing);
        serveWaiting(*w.service);
        return;
    }
    if (!w.busy || w.current.kind == Request::Shutdown) {
        log_.write("worker %s sent a block nobody asked for; dropped", w.name.c_str());
        return;
    }
    if (w.current.forward) {
        auto c = w.current.client.lock();
        if (c && c->session->open()) {
            c->session->send(m);
            // A client that reads slowly holds at most about clientbuffer
            // bytes here: the worker waits (its request deadline with it)
            // until the client has read.
            if (c->session->queuedBytes() > static_cast<size_t>(config_.clientBuffer) && isdGetMore(&m->header) > 0) {
                w.throttledBy = c.get();
                w.session->pauseReading();
                w.deadline->clear();
                return;
            }
        }
    }
    if (isdGetMore(&m->header) <= 0) finishRequest(w);
    else armWorkerTimer(w, config_.requestTimeout);
}

void Router::finishRequest(Worker& w) {
    Request r = w.current;
    w.busy = false;
    w.current = Request();
    w.deadline->clear();
    Service& s = *w.service;
    if (r.barrier) s.wordsInFlight.erase(r.seq);
    auto c = r.client.lock();
    if (c && r.forward) {
        --c->outstanding;
        c->lastActivity = Clock::now();
        armClientTimer(*c);
    }
    pump(w);
    serveWaiting(s);
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
        bool sent = w.aheadSent;
        w.aheadSent = false;
        // A query of a client that left is not run (unless the worker has it
        // already); its rollback follows.  Its "commit", sent before it
        // left, still runs.
        if (!sent && r.kind == Request::Query && r.client.expired()) continue;
        w.busy = true;
        w.current = r;
        if (!sent) sendToWorker(w, r);
        if (r.kind != Request::Shutdown)
            armWorkerTimer(w, r.kind == Request::Probe ? std::min(config_.requestTimeout, 5.0) : config_.requestTimeout);
    }
    sendAhead(w);
}

// While a "commit" or "rollback" whose answer nobody awaits runs, the query
// queued behind it goes to the worker at once instead of after the word's
// echo has come back: the worker serves its requests in order, so the query
// still starts only once the word has run, and the router reads the two
// replies in the same order.
void Router::sendAhead(Worker& w) {
    if (!w.busy || w.aheadSent || !w.session || w.fifo.empty() || w.throttledBy) return;
    const Request& word = w.current;
    if ((word.kind != Request::Word && word.kind != Request::Rollback) || word.forward) return;
    const Request& next = w.fifo.front();
    if (next.kind != Request::Query || next.client.expired()) return;
    sendToWorker(w, next);
    w.aheadSent = true;
}

void Router::sendToWorker(Worker& w, const Request& r) {
    if (r.kind == Request::Shutdown) {
        log_.write("asking worker %s to end", w.name.c_str());
    } else if (r.kind != Request::Probe) {
        auto c = r.client.lock();
        log_.write("%s <- client #%llu: \"%s\"%s", w.name.c_str(), static_cast<unsigned long long>(c ? c->id : 0),
                   excerpt(r.message->payload).c_str(), r.forward ? "" : " (reply swallowed)");
    }
    w.session->send(r.message);
}

// The deadline of the running request; each reply block renews it.
void Router::armWorkerTimer(Worker& w, double s) {
    if (!w.busy || w.throttledBy || shuttingDown_ || s <= 0) {
        if (w.session) w.deadline->clear();
        return;
    }
    Worker* wp = &w;
    w.deadline->set(Clock::now() + millis(s), [this, wp] { onWorkerTimer(wp); });
}

void Router::onWorkerTimer(Worker* w) {
    if (shuttingDown_) return;
    if (!w->session) {
        if (!w->process->running()) return;
        log_.write("worker %s (pid %ld) did not connect within %s s: ended", w->name.c_str(),
                   static_cast<long>(w->process->pid()), seconds(std::max(60.0, config_.requestTimeout)).c_str());
        w->process->signal(SIGKILL);
        return;
    }
    if (!w->busy) return;
    bool probe = w->current.kind == Request::Probe;
    log_.write("worker %s (pid %ld) did not answer %s in time: ended and restarted", w->name.c_str(),
               static_cast<long>(w->process->pid()), probe ? "a check" : "a request");
    workerLost(*w, "no answer in time", noAnswerText(config_.requestTimeout));
    // A worker that hangs may hold others up inside the database: every
    // idle one is asked for a sign of life.
    if (!probe) probeIdleWorkers(*w->service, *w);
    serveWaiting(*w->service);
}

void Router::probeIdleWorkers(Service& s, const Worker& except) {
    for (auto& w : s.workers) {
        if (w.get() == &except || !w->free()) continue;
        Request r;
        r.kind = Request::Probe;
        auto m = std::make_shared<Message>();
        isdSetMagic(&m->header);
        isdSetReplyWanted(&m->header, 1);
        r.message = m;
        queueRequest(*w, r);
    }
}

// The worker is gone (connection, process or deadline): its requests fail,
// the transaction it held is lost and its client told at its next request,
// and the process is made sure to be dead so that it is restarted.
void Router::workerLost(Worker& w, const std::string& reason, const std::string& clientText) {
    bool hadSession = w.session != nullptr;
    if (w.session) {
        w.session->close();
        w.session.reset();
    }
    Service& s = *w.service;
    std::set<Client*> told;
    auto lose = [&](const Request& r, bool running) {
        if (r.barrier) s.wordsInFlight.erase(r.seq);
        auto c = r.client.lock();
        if (!c) return;
        if (r.kind == Request::Query || (r.kind == Request::Word && r.forward)) {
            --c->outstanding;
            // A query right behind the client's own "commit" that was cut
            // off says so: the commit's fate is what the client must learn.
            std::string text = r.kind == Request::Word && running ? kStoppedSaving : clientText;
            if (r.kind == Request::Query && !c->lost.empty()) {
                text = c->lost;
                c->lost.clear();
            }
            failRequest(*c, text);
            told.insert(c.get());
            armClientTimer(*c);
        } else if (r.kind == Request::Word) {
            // A "commit" that may or may not have run: said at the next request.
            c->lost = running ? kStoppedSaving : kStoppedIdle;
            log_.write("client #%llu: its \"%s\" on worker %s %s", static_cast<unsigned long long>(c->id),
                       excerpt(r.message->payload).c_str(), w.name.c_str(), running ? "was cut off" : "never ran");
            armClientTimer(*c);
        }
    };
    if (w.busy) lose(w.current, true);
    w.busy = false;
    w.current = Request();
    for (const auto& r : w.fifo) lose(r, false);
    w.fifo.clear();
    w.aheadSent = false;
    w.throttledBy = nullptr;
    w.deadline->clear();
    if (w.bound) {
        Client* c = w.bound;
        unbind(*c);
        if (!told.count(c)) c->lost = kStoppedIdle;
        log_.write("client #%llu lost its transaction with worker %s", static_cast<unsigned long long>(c->id),
                   w.name.c_str());
        armClientTimer(*c);
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
    launch.env.push_back("ISD_SERVICE_KEY=" + workerKey_);
    launch.env.push_back("ISD_LOG_LIMIT=" + std::to_string(config_.logSize) + " " + std::to_string(config_.logKeep));
    launch.outPath = config_.logdir + "/" + sc.name + "-" + std::to_string(w.number) + ".out";
    w.connected = false;
    if (!w.process->start(launch)) {
        scheduleRestart(w);
        return;
    }
    writeWorkersFile();
    // A worker that never proves its hello (hung while attaching) is ended
    // and started again.
    Worker* wp = &w;
    w.deadline->set(Clock::now() + millis(std::max(60.0, config_.requestTimeout)), [this, wp] { onWorkerTimer(wp); });
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
                   w->connected || shuttingDown_ ? "" : " (it had not connected; see its .out file)");
        w->process->exited();
        writeWorkersFile();
        workerLost(*w, "process " + how, kStoppedServing);
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

// ---------------------------------------------------------------- life

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
    acceptTimer_.cancel();
    maintenanceTimer_.cancel();
    std::vector<uint64_t> ids;
    for (auto& entry : clients_) ids.push_back(entry.first);
    for (uint64_t id : ids) {
        auto it = clients_.find(id);
        if (it != clients_.end()) dropClient(*it->second, "router shutting down");
    }
    for (auto& entry : newcomers_) entry.second->session->close();
    newcomers_.clear();
    for (auto& s : services_) {
        for (auto& w : s->workers) {
            w->process->cancelRestart();
            w->deadline->clear();
            if (w->session) {
                // Behind what it still has to do: the running request and the
                // rollbacks of the clients just dropped.
                if (w->throttledBy) {
                    w->throttledBy = nullptr;
                    w->session->resumeReading();
                }
                Request r;
                r.kind = Request::Shutdown;
                r.message = makeMessage(ISD_SHUTDOWN, "");
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

// Every few seconds: the workers' .out files (their standard output, kept
// open by the workers) are rotated in place when they have grown too large.
void Router::maintain() {
    if (shuttingDown_) return;
    if (config_.logSize > 0)
        for (auto& s : services_)
            for (auto& w : s->workers) {
                std::string out = config_.logdir + "/" + s->config->name + "-" + std::to_string(w->number) + ".out";
                struct stat st;
                if (stat(out.c_str(), &st) == 0 && st.st_size >= config_.logSize) isdlog::copyTruncate(out, config_.logKeep);
            }
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

#include "router/Workers.h"

#include "Auth.h"
#include "LogFile.h"
#include "isdio.h"
#include "router/RunFiles.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace isectd {

using asio::ip::tcp;

Workers::Workers(asio::io_context& io, const RouterConfig& config, Log& log, const std::string& key,
                 WorkerEvents& events)
    : io_(io),
      config_(config),
      log_(log),
      key_(key),
      events_(events),
      acceptor_(io),
      acceptTimer_(io),
      acceptLog_(log),
      workersFile_(config.rundir + "/workers") {
    for (size_t s = 0; s < config.services.size(); ++s) {
        const ServiceConfig& sc = config.services[s];
        workers_.emplace_back();
        for (int i = 0; i < sc.workers; ++i) {
            auto w = std::make_unique<Worker>();
            w->service = static_cast<int>(s);
            w->index = i;
            w->name = name(sc, i);
            w->process = std::make_unique<WorkerProcess>(io_, log_, w->name);
            w->deadline = std::make_unique<Deadline>(io_);
            workers_.back().push_back(std::move(w));
        }
    }
    notReadyInARow_.assign(config.services.size(), 0);
    restartedTogether_.assign(config.services.size(), false);
}

std::string Workers::name(const ServiceConfig& service, int worker) {
    return service.name + "-" + std::to_string(worker + 1);
}

bool Workers::listen() {
    if (!listenOn(acceptor_, tcp::endpoint(asio::ip::address_v4::loopback(), 0), "workers", log_)) return false;
    port_ = acceptor_.local_endpoint().port();
    return true;
}

void Workers::accept() {
    acceptor_.async_accept([this](const asio::error_code& ec, tcp::socket socket) {
        if (stopped_ || ec == asio::error::operation_aborted) return;
        if (ec) {
            acceptLog_.write("accepting a worker failed: " + ec.message());
            acceptTimer_.expires_after(std::chrono::milliseconds(100));
            acceptTimer_.async_wait([this](const asio::error_code& e) {
                if (e) return;
                if (workersFileStale_) writeWorkersFile();
                accept();
            });
            return;
        }
        onConnected(std::move(socket));
        accept();
    });
}

void Workers::onConnected(tcp::socket socket) {
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
    session->start([this, key](const MessagePtr& m) { onSessionMessage(key, m); },
                   [this, key](const std::string& reason) { onSessionClosed(key, reason); });
}

Workers::Worker* Workers::bySession(Session* s) {
    for (auto& service : workers_)
        for (auto& w : service)
            if (w->session.get() == s) return w.get();
    return nullptr;
}

Workers::Worker* Workers::byName(const std::string& service, const std::string& name) {
    for (size_t s = 0; s < workers_.size(); ++s)
        if (config_.services[s].name == service)
            for (auto& w : workers_[s])
                if (w->name == name) return w.get();
    return nullptr;
}

void Workers::onSessionMessage(Session* s, const MessagePtr& m) {
    auto nc = newcomers_.find(s);
    if (nc != newcomers_.end()) {
        Newcomer& n = *nc->second;
        uint16_t kind = isdGetKind(&m->header);
        if (kind == ISD_HELLO && !n.worker)
            onHello(n, m->payload);
        else if (kind == ISD_AUTH && n.worker)
            onProof(n, m->payload);
        else
            refuse(n, "unexpected message kind " + std::to_string(kind));
        return;
    }
    Worker* w = bySession(s);
    if (!w) return;
    uint16_t kind = isdGetKind(&m->header);
    if (kind != ISD_DATA)
        events_.workerLost(w->service, w->index, "unexpected message kind " + std::to_string(kind));
    else
        events_.workerMessage(w->service, w->index, m);
}

void Workers::refuse(Newcomer& n, const std::string& why) {
    SessionPtr session = n.session;
    log_.write("worker connection from %s refused: %s", session->peer().c_str(), why.c_str());
    session->close();
    newcomers_.erase(session.get());
}

// A worker's hello names its service and itself and brings a nonce; it is
// accepted once it has proved the key the router gave its process, so a
// process that merely knows the port cannot stand in for a worker.
void Workers::onHello(Newcomer& n, const std::string& text) {
    size_t nl = text.find('\n');
    size_t nl2 = nl == std::string::npos ? std::string::npos : text.find('\n', nl + 1);
    std::string serviceName = text.substr(0, nl);
    std::string name = nl == std::string::npos ? std::string() : text.substr(nl + 1, nl2 - nl - 1);
    Worker* found = nl == std::string::npos ? nullptr : byName(serviceName, name);
    if (!found) {
        refuse(n, "bad hello \"" + excerpt(text) + "\"");
        return;
    }
    if (found->session || !found->process->running() || stopped_) {
        refuse(n, "not expected now");
        return;
    }
    n.workerNonce = nl2 == std::string::npos ? std::string() : text.substr(nl2 + 1);
    if (!isdauth::isNonce(n.workerNonce)) {
        refuse(n, "the hello of " + found->name + " proves no key");
        return;
    }
    n.worker = found;
    n.routerNonce = isdauth::nonce();
    n.session->send(makeMessage(
        ISD_CHALLENGE, n.routerNonce + "\n" +
                           isdauth::proof(key_, "router-to-worker", serviceName, n.routerNonce, n.workerNonce, "")));
}

void Workers::onProof(Newcomer& n, const std::string& proof) {
    Worker* w = n.worker;
    std::string expected =
        isdauth::proof(key_, "worker", config_.services[w->service].name, n.workerNonce, n.routerNonce, "");
    if (!isdauth::sameProof(proof, expected)) {
        refuse(n, "wrong key for " + w->name);
        return;
    }
    if (w->session || !w->process->running() || stopped_) {
        refuse(n, "not expected now");
        return;
    }
    SessionPtr session = n.session;
    n.timer->cancel();
    newcomers_.erase(session.get());
    session->setMaxLength(ISD_MAX_LENGTH);
    session->send(makeMessage(ISD_LOGIN_OK, ""));
    w->session = session;
    w->connected = true;
    w->deadline->clear();
    notReadyInARow_[w->service] = 0;
    restartedTogether_[w->service] = false;
    log_.write("worker %s (pid %ld) is ready", w->name.c_str(), static_cast<long>(w->process->pid()));
    if (workersFileStale_) writeWorkersFile();
    events_.workerReady(w->service, w->index);
}

void Workers::onSessionClosed(Session* s, const std::string& reason) {
    auto nc = newcomers_.find(s);
    if (nc != newcomers_.end()) {
        newcomers_.erase(nc);
        return;
    }
    if (Worker* w = bySession(s)) events_.workerLost(w->service, w->index, "connection lost: " + reason);
}

void Workers::startAll() {
    for (auto& service : workers_)
        for (auto& w : service) spawn(*w);
}

void Workers::spawn(Worker& w) {
    if (stopped_ || w.process->running()) return;
    const ServiceConfig& sc = config_.services[w.service];
    Launch launch;
    launch.program = sc.program;
    launch.args = {"127.0.0.1:" + std::to_string(port_), sc.name, w.name, config_.logdir};
    for (const auto& a : sc.expandedArgs()) launch.args.push_back(a);
    // Entries that carry the password, and the key, go through a pipe.
    std::vector<std::string> expanded = sc.expandedEnv();
    for (size_t i = 0; i < expanded.size(); ++i)
        (sc.env[i].find("${PASSWORD}") != std::string::npos ? launch.secrets : launch.env).push_back(expanded[i]);
    launch.secrets.push_back("ISD_SERVICE_KEY=" + key_);
    launch.env.push_back("ISD_LOG_LIMIT=" + std::to_string(config_.logSize) + " " + std::to_string(config_.logKeep));
    launch.outPath = config_.logdir + "/" + w.name + ".out";
    w.connected = false;
    if (!w.process->start(launch)) {
        scheduleRestart(w);
        return;
    }
    writeWorkersFile();
    // A worker that never proves its hello (hung while attaching) is ended
    // and started again.
    Worker* wp = &w;
    w.deadline->set(Deadline::Clock::now() + millis(std::max(60.0, config_.requestTimeout)),
                    [this, wp] { onTimer(*wp); });
}

void Workers::scheduleRestart(Worker& w) {
    if (stopped_) return;
    Worker* wp = &w;
    w.process->scheduleRestart([this, wp] { spawn(*wp); });
}

void Workers::onTimer(Worker& w) {
    if (stopped_) return;
    if (w.session) {
        events_.workerTimer(w.service, w.index, static_cast<long>(w.process->pid()));
        return;
    }
    if (!w.process->running()) return;
    log_.write("worker %s (pid %ld) did not connect within %s s: ended", w.name.c_str(),
               static_cast<long>(w.process->pid()), seconds(std::max(60.0, config_.requestTimeout)).c_str());
    w.process->signal(SIGKILL);
}

void Workers::reap() {
    int status = 0;
    pid_t pid;
    while ((pid = waitpid(-1, &status, WNOHANG)) > 0) {
        Worker* w = nullptr;
        for (auto& service : workers_)
            for (auto& x : service)
                if (x->process->pid() == pid) w = x.get();
        if (!w) continue;
        std::string how = WorkerProcess::describeStatus(status);
        log_.write("worker %s (pid %ld) %s after %.1f s%s", w->name.c_str(), static_cast<long>(pid), how.c_str(),
                   w->process->secondsAlive(),
                   w->connected || stopped_ ? "" : " (it had not connected; see its .out file)");
        const bool cameUp = w->connected;
        w->process->exited();
        writeWorkersFile();
        events_.workerLost(w->service, w->index, "process " + how);
        scheduleRestart(*w);
        if (!cameUp && !stopped_) restartTogetherIfStuck(*w);
    }
}

// Once per bad spell (until a worker of the service comes up again), so that a
// database that cannot be opened at all does not end the healthy workers
// over and over.
void Workers::restartTogetherIfStuck(Worker& ended) {
    const int s = ended.service;
    if (++notReadyInARow_[s] < 2 || restartedTogether_[s]) return;
    restartedTogether_[s] = true;
    int others = 0;
    for (auto& w : workers_[s])
        if (w.get() != &ended && w->process->running()) ++others;
    log_.write(
        "service %s: %d worker restarts in a row did not come up; its %d other running worker(s) are ended "
        "so that all of them start again together",
        config_.services[s].name.c_str(), notReadyInARow_[s], others);
    for (auto& w : workers_[s])
        if (w.get() != &ended && w->process->running()) w->process->signal(SIGKILL);
}

void Workers::writeWorkersFile() {
    std::string text;
    for (size_t s = 0; s < workers_.size(); ++s)
        for (auto& w : workers_[s])
            if (w->process->running())
                text += config_.services[s].name + " " + w->name + " " + std::to_string(w->process->pid()) + "\n";
    // Out of descriptors it is written again at the next chance (a worker
    // ready, a retried accept, the maintenance every few seconds).
    workersFileStale_ = !writeFileAtomic(workersFile_, text);
    if (workersFileStale_) log_.write("cannot write %s: %s", workersFile_.c_str(), strerror(errno));
}

void Workers::rotateOutFiles() {
    if (workersFileStale_ && !stopped_) writeWorkersFile();
    if (config_.logSize <= 0) return;
    for (auto& service : workers_)
        for (auto& w : service) {
            std::string out = config_.logdir + "/" + w->name + ".out";
            struct stat st;
            if (stat(out.c_str(), &st) == 0 && st.st_size >= config_.logSize)
                isdlog::copyTruncate(out, config_.logKeep);
        }
}

void Workers::send(int service, int worker, const MessagePtr& m) {
    Worker& w = at(service, worker);
    if (w.session) w.session->send(m);
}

void Workers::end(int service, int worker, bool kill) {
    Worker& w = at(service, worker);
    if (w.session) {
        w.session->close();
        w.session.reset();
    }
    if (kill) w.process->signal(SIGKILL);
}

void Workers::pauseReading(int service, int worker) {
    Worker& w = at(service, worker);
    if (w.session) w.session->pauseReading();
}

void Workers::resumeReading(int service, int worker) {
    Worker& w = at(service, worker);
    if (w.session) w.session->resumeReading();
}

void Workers::armTimer(int service, int worker, Deadline::Clock::time_point due) {
    Worker* w = &at(service, worker);
    w->deadline->set(due, [this, w] { onTimer(*w); });
}

void Workers::clearTimer(int service, int worker) { at(service, worker).deadline->clear(); }

void Workers::stop() {
    stopped_ = true;
    asio::error_code ignored;
    acceptor_.close(ignored);
    acceptTimer_.cancel();
    for (auto& entry : newcomers_) entry.second->session->close();
    newcomers_.clear();
    for (auto& service : workers_)
        for (auto& w : service) {
            w->process->cancelRestart();
            w->deadline->clear();
            if (!w->session) w->process->signal(SIGTERM);
        }
}

void Workers::killAll() {
    for (auto& service : workers_)
        for (auto& w : service)
            if (w->process->running()) {
                log_.write("worker %s (pid %ld) did not end in %s s: killed", w->name.c_str(),
                           static_cast<long>(w->process->pid()), seconds(config_.stopTimeout).c_str());
                w->process->signal(SIGKILL);
            }
}

bool Workers::allStopped() const {
    for (auto& service : workers_)
        for (auto& w : service)
            if (w->process->running()) return false;
    return true;
}

}  // namespace isectd

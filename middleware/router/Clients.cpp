#include "router/Clients.h"

#include "Auth.h"
#include "isdio.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

namespace isectd {

using asio::ip::tcp;

namespace {

bool outOfResources(const asio::error_code& ec) {
    return ec == asio::error::no_descriptors || ec.value() == ENFILE || ec == asio::error::no_buffer_space ||
           ec == asio::error::no_memory;
}

unsigned long long number(uint64_t id) { return static_cast<unsigned long long>(id); }

}  // namespace

Clients::Clients(asio::io_context& io, const RouterConfig& config, Log& log, const std::string& key,
                 ClientEvents& events)
    : io_(io),
      config_(config),
      log_(log),
      key_(key),
      events_(events),
      acceptor_(io),
      acceptTimer_(io),
      acceptLog_(log),
      refusedLog_(log),
      droppedLog_(log) {}

bool Clients::loadTls() {
    if (!config_.tls()) return true;
    tls_ = std::make_unique<asio::ssl::context>(asio::ssl::context::tls_server);
    tls_->set_options(asio::ssl::context::default_workarounds | asio::ssl::context::no_sslv2 |
                      asio::ssl::context::no_sslv3 | asio::ssl::context::no_tlsv1 | asio::ssl::context::no_tlsv1_1 |
                      asio::ssl::context::single_dh_use);
    asio::error_code ec;
    tls_->use_certificate_chain_file(config_.tlsCert, ec);
    if (!ec) tls_->use_private_key_file(config_.tlsKey, asio::ssl::context::pem, ec);
    if (!ec) return true;
    log_.write("cannot load the TLS certificate %s or key %s: %s", config_.tlsCert.c_str(), config_.tlsKey.c_str(),
               ec.message().c_str());
    fprintf(stderr, "isectd: cannot load the TLS certificate %s or key %s: %s\n", config_.tlsCert.c_str(),
            config_.tlsKey.c_str(), ec.message().c_str());
    tls_.reset();
    return false;
}

bool Clients::listen(const tcp::endpoint& endpoint) { return listenOn(acceptor_, endpoint, "clients", log_); }

// Failures (out of descriptors above all) are retried after a growing pause
// instead of at once, and logged at most once a second.
void Clients::accept() {
    acceptor_.async_accept([this](const asio::error_code& ec, tcp::socket socket) {
        if (stopped_ || ec == asio::error::operation_aborted) return;
        if (ec) {
            acceptBackoff_ =
                std::min(std::max(acceptBackoff_ * 2, std::chrono::milliseconds(20)), std::chrono::milliseconds(1000));
            acceptLog_.write("accepting a client failed: " + ec.message() + (outOfResources(ec) ? " (retrying)" : ""));
            acceptTimer_.expires_after(acceptBackoff_);
            acceptTimer_.async_wait([this](const asio::error_code& e) {
                if (!e) accept();
            });
            return;
        }
        acceptBackoff_ = std::chrono::milliseconds(0);
        onAccepted(std::move(socket));
        accept();
    });
}

void Clients::onAccepted(tcp::socket socket) {
    // A client machine that vanished without closing is noticed within
    // about two minutes.
    asio::error_code ignored;
    socket.set_option(asio::socket_base::keep_alive(true), ignored);
    int idle = 60, interval = 10, count = 6;
    setsockopt(socket.native_handle(), IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(socket.native_handle(), IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(socket.native_handle(), IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);

    SessionPtr session =
        tls_ ? std::make_shared<Session>(std::move(socket), *tls_) : std::make_shared<Session>(std::move(socket));
    session->setMaxLength(ISD_MAX_LOGIN_LENGTH);
    session->setWriteTimeout(millis(config_.sendTimeout));
    if (loggedInCount() >= config_.maxClients) {
        refuseFull(session);
        return;
    }
    // Connections that have not logged in have a smaller cap of their own:
    // the oldest goes, so that nobody without the key keeps a client with
    // it out.  One that connected less than a second ago is still logging
    // in (a crowd of clients starting at once): it goes only once even the
    // cap of both kinds together is reached.
    const int waiting = notLoggedIn();
    if (waiting >= config_.maxLogins) dropOldestNotLoggedIn(waiting >= config_.maxLogins + config_.maxClients);
    auto owned = std::make_unique<Client>();
    Client& c = *owned;
    c.id = nextClient_++;
    c.session = session;
    c.deadline = std::make_unique<Deadline>(io_);
    c.connectedAt = Clock::now();
    uint64_t id = c.id;
    clients_[id] = std::move(owned);
    log_.write("client #%llu connected from %s", number(id), session->peer().c_str());
    session->start([this, id](const MessagePtr& m) { onMessage(id, m); },
                   [this, id](const std::string& reason) { onClosed(id, reason); });
    if (config_.loginTimeout > 0)
        c.deadline->set(c.connectedAt + millis(config_.loginTimeout), [this, id] { onTimer(id); });
}

void Clients::refuseFull(const SessionPtr& session) {
    refusedLog_.write("connection from " + session->peer() + " refused: " + std::to_string(loggedInCount()) +
                      " clients logged in, the limit (maxclients)");
    session->start(nullptr, nullptr);
    session->send(makeMessage(ISD_LOGIN_FAIL, "the router serves as many connections as it may (" +
                                                  std::to_string(config_.maxClients) + "); try again later"));
    session->closeAfterSending();
}

int Clients::loggedInCount() const {
    int n = 0;
    for (const auto& entry : clients_)
        if (entry.second->service >= 0) ++n;
    return n;
}

int Clients::notLoggedIn() const { return static_cast<int>(clients_.size()) - loggedInCount(); }

// The ids grow with time: the first one not logged in is the oldest.
void Clients::dropOldestNotLoggedIn(bool evenYoung) {
    const auto headStart = std::chrono::seconds(1);
    for (auto& entry : clients_) {
        Client& c = *entry.second;
        if (c.service >= 0) continue;
        if (!evenYoung && Clock::now() - c.connectedAt < headStart) return;
        droppedLog_.write("client #" + std::to_string(c.id) + " from " + c.session->peer() + " closed: the oldest of " +
                          std::to_string(config_.maxLogins) + " connections not logged in (maxlogins)");
        c.session->close();
        gone(c);
        return;
    }
}

Clients::Client* Clients::find(uint64_t id) {
    auto it = clients_.find(id);
    return it == clients_.end() ? nullptr : it->second.get();
}

int Clients::serviceNamed(const std::string& name) const {
    for (size_t i = 0; i < config_.services.size(); ++i)
        if (config_.services[i].name == name) return static_cast<int>(i);
    return -1;
}

void Clients::onMessage(uint64_t id, const MessagePtr& m) {
    Client* c = find(id);
    if (!c) return;
    if (c->service < 0) {
        onLoginMessage(*c, m);
        return;
    }
    uint16_t kind = isdGetKind(&m->header);
    if (kind != ISD_DATA) {
        drop(*c, "unexpected message kind " + std::to_string(kind));
        return;
    }
    events_.clientRequest(id, c->service, m);
}

// ISD_LOGIN, and with a service key the challenge and its answer (Auth.h).
void Clients::onLoginMessage(Client& c, const MessagePtr& m) {
    uint16_t kind = isdGetKind(&m->header);
    const std::string& text = m->payload;
    if (kind == ISD_AUTH && c.challenged) {
        onAuthMessage(c, text);
        return;
    }
    if (kind != ISD_LOGIN || c.challenged) {
        drop(c, "message before login");
        return;
    }
    size_t nl = text.find('\n');
    c.serviceName = text.substr(0, nl);
    c.clientNonce = nl == std::string::npos ? std::string() : text.substr(nl + 1);
    if (!isdauth::isNonce(c.clientNonce)) c.clientNonce.clear();
    if (key_.empty()) {
        int service = serviceNamed(c.serviceName);
        if (service < 0)
            refuseLogin(c, "unknown service", "login to unknown service \"" + excerpt(c.serviceName) + "\" refused");
        else
            loggedIn(c, service);
        return;
    }
    c.routerNonce = isdauth::nonce();
    c.challenged = true;
    std::string proof = c.clientNonce.empty() ? std::string()
                                              : isdauth::proof(key_, "router", c.serviceName, c.routerNonce,
                                                               c.clientNonce, c.session->channelBinding());
    c.session->send(makeMessage(ISD_CHALLENGE, c.routerNonce + "\n" + proof));
}

void Clients::onAuthMessage(Client& c, const std::string& proof) {
    std::string expected =
        isdauth::proof(key_, "client", c.serviceName, c.clientNonce, c.routerNonce, c.session->channelBinding());
    if (c.clientNonce.empty() || !isdauth::sameProof(proof, expected)) {
        refuseLogin(c, "the service key is missing or wrong",
                    "login to service \"" + excerpt(c.serviceName) +
                        "\" refused: " + (proof.empty() ? "no service key given" : "wrong service key"));
        return;
    }
    int service = serviceNamed(c.serviceName);
    if (service < 0)
        refuseLogin(c, "unknown service", "login to unknown service \"" + excerpt(c.serviceName) + "\" refused");
    else
        loggedIn(c, service);
}

void Clients::loggedIn(Client& c, int service) {
    if (loggedInCount() >= config_.maxClients) {
        refuseLogin(c,
                    "the router serves as many connections as it may (" + std::to_string(config_.maxClients) +
                        "); try again later",
                    "login refused: " + std::to_string(loggedInCount()) + " clients logged in, the limit (maxclients)");
        return;
    }
    c.service = service;
    c.deadline->clear();
    c.session->setMaxLength(ISD_MAX_LENGTH);
    c.session->setDrainHandler(static_cast<size_t>(config_.clientBuffer) / 4, [this, id = c.id] {
        Client* drained = find(id);
        if (drained) events_.clientDrained(id, drained->service);
    });
    // Logged before the client can know, so the log's order is the order of events.
    log_.write("client #%llu logged in to service %s%s", number(c.id), config_.services[service].name.c_str(),
               key_.empty() ? "" : " with the service key");
    // The answer names how many requests the client may have under way.
    c.session->send(makeMessage(ISD_LOGIN_OK, "inflight=" + std::to_string(std::max(1, config_.inFlight))));
    events_.clientLoggedIn(c.id, service);
}

void Clients::refuseLogin(Client& c, const std::string& reason, const std::string& logged) {
    log_.write("client #%llu from %s: %s", number(c.id), c.session->peer().c_str(), logged.c_str());
    c.session->send(makeMessage(ISD_LOGIN_FAIL, reason));
    c.session->closeAfterSending();
    c.deadline->clear();
    clients_.erase(c.id);
}

void Clients::onClosed(uint64_t id, const std::string& reason) {
    Client* c = find(id);
    if (!c) return;
    log_.write("client #%llu: %s", number(id), reason.c_str());
    gone(*c);
}

void Clients::drop(Client& c, const std::string& reason) {
    log_.write("client #%llu closed: %s", number(c.id), reason.c_str());
    c.session->close();
    gone(c);
}

// The pool of its service hears of it once the client is forgotten here.
void Clients::gone(Client& c) {
    uint64_t id = c.id;
    int service = c.service;
    c.deadline->clear();
    clients_.erase(id);
    if (service >= 0) events_.clientLeft(id, service);
}

void Clients::onTimer(uint64_t id) {
    Client* c = find(id);
    if (!c) return;
    if (c->service >= 0) {
        events_.clientTimer(id, c->service);
        return;
    }
    log_.write("client #%llu from %s: no login within %s s", number(id), c->session->peer().c_str(),
               seconds(config_.loginTimeout).c_str());
    drop(*c, "login time out");
}

void Clients::stop() {
    stopped_ = true;
    asio::error_code ignored;
    acceptor_.close(ignored);
    acceptTimer_.cancel();
    std::vector<uint64_t> ids;
    for (auto& entry : clients_) ids.push_back(entry.first);
    for (uint64_t id : ids)
        if (Client* c = find(id)) drop(*c, "router shutting down");
}

bool Clients::forward(uint64_t id, const MessagePtr& block) {
    Client* c = find(id);
    if (!c || !c->session->open()) return false;
    c->session->send(block);
    return c->session->queuedBytes() > static_cast<size_t>(config_.clientBuffer) && isdGetMore(&block->header) > 0;
}

void Clients::send(uint64_t id, const MessagePtr& m) {
    if (Client* c = find(id)) c->session->send(m);
}

void Clients::bye(uint64_t id, const std::string& reason) {
    Client* c = find(id);
    if (!c) return;
    c->session->send(makeMessage(ISD_BYE, reason));
    c->session->closeAfterSending();
    c->deadline->clear();
    clients_.erase(id);
}

void Clients::armTimer(uint64_t id, Clock::time_point due) {
    if (Client* c = find(id)) c->deadline->set(due, [this, id] { onTimer(id); });
}

void Clients::clearTimer(uint64_t id) {
    if (Client* c = find(id)) c->deadline->clear();
}

}  // namespace isectd

namespace isectd {

void Clients::pauseReading(uint64_t id) {
    if (Client* c = find(id)) c->session->pauseReading();
}

void Clients::resumeReading(uint64_t id) {
    if (Client* c = find(id)) c->session->resumeReading();
}

}  // namespace isectd

// The clients' side of the router: the client port (plain TCP or TLS), the
// login with the service key's challenge and proofs (Auth.h), the connection
// limits (logged-in clients, and a smaller one for connections that have not
// logged in yet, whose oldest is dropped when a new one comes), the login
// time limit, and the sending of what the pools answer.
// What a logged-in client does goes to the router (ClientEvents), which
// hands it to the pool of the client's service.
//
// Client: connected -> challenged (when a service key is set) -> logged in
//   to a service -> gone (closed by the peer, dropped, refused, or closed
//   for idling).
#ifndef ISECTD_CLIENTS_H
#define ISECTD_CLIENTS_H

#include "router/Config.h"
#include "router/Deadline.h"
#include "router/Log.h"
#include "router/Session.h"

#include <asio.hpp>
#include <asio/ssl.hpp>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace isectd {

// What logged-in clients do; `service` is the index of the client's service
// in the configuration.
class ClientEvents {
public:
    virtual ~ClientEvents() = default;
    virtual void clientLoggedIn(uint64_t id, int service) = 0;
    virtual void clientRequest(uint64_t id, int service, const MessagePtr& m) = 0;  // a data message
    virtual void clientLeft(uint64_t id, int service) = 0;                          // closed or dropped
    virtual void clientDrained(uint64_t id, int service) = 0;                       // read most of what waited for it
    virtual void clientTimer(uint64_t id, int service) = 0;  // the limit the router armed has passed
};

class Clients {
public:
    // `key`: the service key clients prove; empty: logins are not authenticated.
    Clients(asio::io_context& io, const RouterConfig& config, Log& log, const std::string& key, ClientEvents& events);

    // The configured certificate and key; false (logged) when they cannot be loaded.
    bool loadTls();
    bool listen(const asio::ip::tcp::endpoint& endpoint);
    asio::ip::tcp::endpoint endpoint() const { return acceptor_.local_endpoint(); }
    bool tls() const { return tls_ != nullptr; }
    void accept();
    // No more connections; every client is dropped.
    void stop();

    // What the pools answer.  Forward says whether the client now holds more
    // than its buffer of a reply that goes on.
    bool forward(uint64_t id, const MessagePtr& block);
    void send(uint64_t id, const MessagePtr& m);
    void bye(uint64_t id, const std::string& reason);  // the client has left its pool already
    void armTimer(uint64_t id, Deadline::Clock::time_point due);
    void clearTimer(uint64_t id);
    // The client's pipeline is full, or has room again.
    void pauseReading(uint64_t id);
    void resumeReading(uint64_t id);

private:
    using Clock = Deadline::Clock;
    struct Client {
        uint64_t id = 0;
        SessionPtr session;
        int service = -1;  // set by the login
        bool challenged = false;
        std::string serviceName, clientNonce, routerNonce;
        std::unique_ptr<Deadline> deadline;  // login, then what the pool arms
        Clock::time_point connectedAt;
    };

    void onAccepted(asio::ip::tcp::socket socket);
    void onMessage(uint64_t id, const MessagePtr& m);
    void onLoginMessage(Client& c, const MessagePtr& m);
    void onAuthMessage(Client& c, const std::string& proof);
    void loggedIn(Client& c, int service);
    int loggedInCount() const;
    int notLoggedIn() const;
    void refuseFull(const SessionPtr& session);
    void dropOldestNotLoggedIn(bool evenYoung);
    void refuseLogin(Client& c, const std::string& reason, const std::string& logged);
    void onClosed(uint64_t id, const std::string& reason);
    void onTimer(uint64_t id);
    void drop(Client& c, const std::string& reason);
    void gone(Client& c);
    int serviceNamed(const std::string& name) const;
    Client* find(uint64_t id);

    asio::io_context& io_;
    const RouterConfig& config_;
    Log& log_;
    const std::string& key_;
    ClientEvents& events_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer acceptTimer_;
    std::chrono::milliseconds acceptBackoff_{0};
    RateLimitedLog acceptLog_, refusedLog_, droppedLog_;
    std::unique_ptr<asio::ssl::context> tls_;
    std::map<uint64_t, std::unique_ptr<Client>> clients_;
    uint64_t nextClient_ = 1;
    bool stopped_ = false;
};

}  // namespace isectd

#endif

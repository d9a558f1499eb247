// What the ISDIO calls share between their files (isdio.cpp: the
// connections, sending and receiving; isdio_login.cpp: the logins of clients
// and workers, the workers' log files): one connection to the router and
// the helpers that read and write it.  Not for the library's users.
#ifndef PLENWICK_ISD_CONNECTION_H
#define PLENWICK_ISD_CONNECTION_H

#include "isdio.h"

#include <asio.hpp>
#include <asio/ssl.hpp>

#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace isdio_internal {

using asio::ip::tcp;

extern thread_local std::string lastError;

void setError(const std::string& text);

using Clock = std::chrono::steady_clock;

// One connection to the router.  Each has its own io_context: the login runs
// asynchronously on it so that it can give up at a deadline; afterwards the
// calls are plain blocking reads and writes.
constexpr size_t kReadChunk = 65536;
constexpr size_t kQueueLimit = 65536;

struct Connection {
    asio::io_context io;
    tcp::socket socket{io};
    std::unique_ptr<asio::ssl::context> tlsContext;
    std::unique_ptr<asio::ssl::stream<tcp::socket&>> tls;
    std::vector<char> buffer = std::vector<char>(1, '\0');
    bool worker = false;
    bool shutdownRequested = false;
    std::string failure;  // the router's reason for the last failed request
    // What a login needs again after the router closed the idle connection.
    std::string endpoint, service, key;
    std::string pin;  // the router certificate's fingerprint, normalised; empty: any
    bool useTls = false;
    // The requests sent since the last reply arrived, sent again after a new
    // login when the router had closed the connection for idleness (it runs
    // nothing that came after its goodbye).  One too long to keep is marked
    // and cannot be repeated.
    struct Sent {
        IsdHeader header{};
        std::string data;
        bool kept = true;
    };
    std::deque<Sent> unconfirmed;
    // The requests whose reply has not ended, in the order sent: true for a
    // piped one (isdSendPiped), whose reply the library reads itself.
    std::deque<bool> underway;
    int inFlightLimit = 1;  // as the router said at the login
    IsdPipeReply pipeReply = nullptr;
    void* pipeContext = nullptr;
    int pipeDone = 0;        // piped replies handed out since the last isdPipeWait
    std::string pipeBlocks;  // the piped reply being read, its blocks joined
    // A piped request of the open transaction failed (an error reply, or the
    // router's failure): its "commit" must not go out, since the worker has
    // rolled back and would commit only what came after the failure.
    bool pipeFailed = false;
    // Bytes read from the socket that no isdRecv has taken yet.
    std::vector<char> in = std::vector<char>(kReadChunk);
    size_t inAt = 0, inEnd = 0;
    // Messages of isdSendQueued waiting for the next write.
    std::string queued;
};

// Handles are indexes into this table.  The table is guarded so that threads
// may log in and out on their own handles; one handle is used by one thread
// at a time.
extern std::vector<std::unique_ptr<Connection>> connections;
extern std::mutex tableMutex;

Connection* lookup(int handle);
int addConnection(std::unique_ptr<Connection> c);
void closeSocket(Connection* c);
bool connectSocket(Connection* c, int defaultPort, Clock::time_point deadline);
std::string channelBinding(Connection* c);
bool sendKind(Connection* c, uint16_t kind, const std::string& payload);
bool checkHeader(Connection* c, const IsdHeader& header, size_t maxLength);
bool writeMessage(Connection* c, IsdHeader* header, const char* data, int length);

// Runs one asynchronous operation on the connection's context until it
// completes or the deadline passes (then the socket is closed and the
// operation counts as timed out).
template <typename Start>
bool runUntil(Connection* c, Clock::time_point deadline, Start start, asio::error_code& ec) {
    bool done = false;
    ec.clear();
    start([&](const asio::error_code& e, auto&&...) {
        ec = e;
        done = true;
    });
    c->io.restart();
    while (!done) {
        auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) break;
        c->io.run_one_for(left);
    }
    if (!done) {
        closeSocket(c);
        c->io.restart();
        c->io.run();  // the cancelled operation ends
        ec = asio::error::timed_out;
    }
    return !ec;
}

bool clientLogin(Connection* c);

}  // namespace isdio_internal

#endif

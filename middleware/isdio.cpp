// The ISDIO calls: synchronous Asio sockets, one per handle.
#include "isdio.h"

#include "Auth.h"
#include "LogFile.h"

#include <asio.hpp>
#include <asio/ssl.hpp>

#include <poll.h>
#include <sys/time.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

using asio::ip::tcp;

thread_local std::string lastError;

void setError(const std::string& text) { lastError = text; }

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
    // Bytes read from the socket that no isdRecv has taken yet.
    std::vector<char> in = std::vector<char>(kReadChunk);
    size_t inAt = 0, inEnd = 0;
    // Messages of isdSendQueued waiting for the next write.
    std::string queued;
};

// Handles are indexes into this table.  The table is guarded so that threads
// may log in and out on their own handles; one handle is used by one thread
// at a time.
std::vector<std::unique_ptr<Connection>> connections;
std::mutex tableMutex;

Connection* lookup(int handle) {
    std::lock_guard<std::mutex> lock(tableMutex);
    if (handle < 0 || static_cast<size_t>(handle) >= connections.size() || !connections[handle]) {
        setError("invalid handle");
        return nullptr;
    }
    return connections[handle].get();
}

// Slots are never reused, so a handle kept after its logout fails cleanly
// instead of reaching a later connection.
int addConnection(std::unique_ptr<Connection> c) {
    std::lock_guard<std::mutex> lock(tableMutex);
    connections.push_back(std::move(c));
    return static_cast<int>(connections.size() - 1);
}

void closeSocket(Connection* c) {
    c->underway.clear();
    c->unconfirmed.clear();
    c->pipeBlocks.clear();
    asio::error_code ignored;
    c->socket.shutdown(tcp::socket::shutdown_both, ignored);
    c->socket.close(ignored);
}

bool isOpen(Connection* c) { return c->socket.is_open(); }

// "name", "name:port" or "[v6address]:port".
bool splitEndpoint(const std::string& text, int defaultPort, std::string& host, std::string& port) {
    host = text;
    port = std::to_string(defaultPort);
    if (!text.empty() && text[0] == '[') {
        size_t close = text.find(']');
        if (close == std::string::npos) return false;
        host = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':') return false;
            port = text.substr(close + 2);
        }
    } else {
        size_t colon = text.rfind(':');
        if (colon != std::string::npos && text.find(':') == colon) {
            host = text.substr(0, colon);
            port = text.substr(colon + 1);
        }
    }
    if (host.empty() || port.empty()) return false;
    for (char ch : port)
        if (ch < '0' || ch > '9') return false;
    return std::stol(port) > 0 && std::stol(port) < 65536;
}

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

bool connectSocket(Connection* c, int defaultPort, Clock::time_point deadline) {
    std::string host, port;
    if (!splitEndpoint(c->endpoint, defaultPort, host, port)) {
        setError("bad router address \"" + c->endpoint + "\"");
        return false;
    }
    asio::error_code ec;
    tcp::resolver resolver(c->io);
    auto endpoints = resolver.resolve(host, port, ec);
    if (ec) {
        setError("cannot resolve " + host + ": " + ec.message());
        return false;
    }
    if (c->socket.is_open()) closeSocket(c);
    c->tls.reset();
    c->socket = tcp::socket(c->io);
    c->inAt = c->inEnd = 0;  // nothing of an earlier connection is read on
    c->queued.clear();
    if (!runUntil(
            c, deadline, [&](auto handler) { asio::async_connect(c->socket, endpoints, handler); }, ec)) {
        setError("cannot connect to " + c->endpoint + ": " + ec.message());
        closeSocket(c);
        return false;
    }
    c->socket.set_option(tcp::no_delay(true), ec);
    if (c->useTls) {
        if (!c->tlsContext) {
            c->tlsContext = std::make_unique<asio::ssl::context>(asio::ssl::context::tls_client);
            c->tlsContext->set_options(asio::ssl::context::no_sslv2 | asio::ssl::context::no_sslv3 |
                                       asio::ssl::context::no_tlsv1 | asio::ssl::context::no_tlsv1_1);
            // The router's certificate is not checked against an authority:
            // the proofs of the service key are bound to this TLS session, so
            // only the holder of the key can stand at the other end.
            c->tlsContext->set_verify_mode(asio::ssl::verify_none);
        }
        c->tls = std::make_unique<asio::ssl::stream<tcp::socket&>>(c->socket, *c->tlsContext);
        if (!runUntil(
                c, deadline, [&](auto handler) { c->tls->async_handshake(asio::ssl::stream_base::client, handler); },
                ec)) {
            setError("TLS with " + c->endpoint + " failed: " + ec.message());
            closeSocket(c);
            return false;
        }
        if (!c->pin.empty()) {
            const std::string shown = isdauth::peerFingerprint(c->tls->native_handle());
            if (isdauth::normalisedFingerprint(shown) != c->pin) {
                setError("The server at " + host +
                         " is not the one Plenwick.ini names: its certificate's fingerprint is " +
                         (shown.empty() ? std::string("missing") : shown) + ", but Plenwick.ini expects " +
                         isdauth::displayedFingerprint(c->pin) +
                         ". Nothing was sent to it. Ask whoever looks after the school's server for a new Plenwick.ini "
                         "if its certificate was changed.");
                closeSocket(c);
                return false;
            }
        }
    }
    return true;
}

// Keying material of the TLS session that both ends compute alike.
std::string channelBinding(Connection* c) {
    if (!c->tls) return std::string();
    return isdauth::tlsBinding(c->tls->native_handle(), "?");
}

template <typename Buffers>
void writeAll(Connection* c, const Buffers& buffers, asio::error_code& ec) {
    if (c->tls)
        asio::write(*c->tls, buffers, ec);
    else
        asio::write(c->socket, buffers, ec);
}

template <typename Buffers>
void readAll(Connection* c, const Buffers& buffers, asio::error_code& ec) {
    if (c->tls)
        asio::read(*c->tls, buffers, ec);
    else
        asio::read(c->socket, buffers, ec);
}

// Writes what isdSendQueued left waiting, then the message, in one write.
bool writeMessage(Connection* c, IsdHeader* header, const char* data, int length) {
    isdSetLength(header, length);
    isdSetMagic(header);
    std::vector<asio::const_buffer> buffers;
    if (!c->queued.empty()) buffers.push_back(asio::buffer(c->queued));
    buffers.push_back(asio::buffer(header->bytes, ISD_HEADER_SIZE));
    if (length > 0) buffers.push_back(asio::buffer(data, static_cast<size_t>(length)));
    asio::error_code ec;
    writeAll(c, buffers, ec);
    c->queued.clear();
    if (ec) {
        setError("send failed: " + ec.message());
        closeSocket(c);
        return false;
    }
    return true;
}

bool sendKind(Connection* c, uint16_t kind, const std::string& payload) {
    IsdHeader h{};
    isdSetKind(&h, kind);
    return writeMessage(c, &h, payload.data(), static_cast<int>(payload.size()));
}

bool checkHeader(Connection* c, const IsdHeader& header, size_t maxLength) {
    if (!isdHeaderValid(&header) || static_cast<size_t>(isdGetLength(&header)) > maxLength) {
        setError("bad message header from the router");
        closeSocket(c);
        return false;
    }
    return true;
}

// Reads one whole message into `header` and the connection's buffer.  A bad
// header leaves the stream unusable, so the connection is closed.
//
// Bytes come from the socket as far as they are there, up to 64 kB at a
// time, so a reply of many blocks takes one read for many of them; the
// rest of a payload longer than what is buffered is read straight into
// place.
bool readMessage(Connection* c, IsdHeader& header) {
    asio::error_code ec;
    // Copies up to n buffered bytes to `to`, reading more when none wait.
    auto take = [&](char* to, size_t n) -> size_t {
        if (c->inAt == c->inEnd) {
            c->inAt = c->inEnd = 0;
            size_t got =
                c->tls ? c->tls->read_some(asio::buffer(c->in), ec) : c->socket.read_some(asio::buffer(c->in), ec);
            if (ec) return 0;
            c->inEnd = got;
        }
        size_t k = std::min(n, c->inEnd - c->inAt);
        memcpy(to, c->in.data() + c->inAt, k);
        c->inAt += k;
        return k;
    };
    for (size_t got = 0; got < ISD_HEADER_SIZE;) {
        size_t k = take(reinterpret_cast<char*>(header.bytes) + got, ISD_HEADER_SIZE - got);
        if (ec) {
            setError(ec == asio::error::eof && got == 0 ? "connection closed by the router"
                                                        : "receive failed: " + ec.message());
            closeSocket(c);
            return false;
        }
        got += k;
    }
    if (!checkHeader(c, header, ISD_MAX_LENGTH)) return false;
    size_t length = static_cast<size_t>(isdGetLength(&header));
    c->buffer.resize(length + 1);
    size_t got = 0;
    if (length > 0 && c->inAt < c->inEnd) got = take(c->buffer.data(), length);
    if (got < length) {
        readAll(c, asio::buffer(c->buffer.data() + got, length - got), ec);
        if (ec) {
            setError("receive failed: " + ec.message());
            closeSocket(c);
            return false;
        }
    }
    c->buffer[length] = '\0';
    return true;
}

// The same during a login, bounded in size and time.
bool readLoginMessage(Connection* c, IsdHeader& header, std::string& payload, Clock::time_point deadline) {
    asio::error_code ec;
    auto readInto = [&](void* data, size_t n) {
        return runUntil(
            c, deadline,
            [&](auto handler) {
                if (c->tls)
                    asio::async_read(*c->tls, asio::buffer(data, n), handler);
                else
                    asio::async_read(c->socket, asio::buffer(data, n), handler);
            },
            ec);
    };
    if (!readInto(header.bytes, ISD_HEADER_SIZE)) {
        setError(ec == asio::error::eof ? "connection closed by the router"
                 : ec == asio::error::timed_out
                     ? "the router did not answer the login within " + std::to_string(ISD_LOGIN_SECONDS) + " s"
                     : "receive failed: " + ec.message());
        closeSocket(c);
        return false;
    }
    if (!checkHeader(c, header, ISD_MAX_LOGIN_LENGTH)) return false;
    payload.assign(static_cast<size_t>(isdGetLength(&header)), '\0');
    if (!payload.empty() && !readInto(&payload[0], payload.size())) {
        setError("receive failed: " + ec.message());
        closeSocket(c);
        return false;
    }
    return true;
}

// The router's welcome names how many requests may be under way at once
// ("inflight=N"); a router that names none gets one at a time.
void takeLoginOk(Connection* c, const std::string& payload) {
    c->inFlightLimit = 1;
    const std::string key = "inflight=";
    size_t at = payload.find(key);
    if (at == std::string::npos) return;
    long n = strtol(payload.c_str() + at + key.size(), nullptr, 10);
    if (n >= 1 && n <= 4096) c->inFlightLimit = static_cast<int>(n);
}

// The challenge-response of Auth.h.  `helloKind` is ISD_LOGIN for a client
// (hello "SERVICE[\nNONCE]") or ISD_HELLO for a worker ("SERVICE\nNAME\nNONCE").
bool authenticate(Connection* c, uint16_t helloKind, const std::string& hello, const std::string& role,
                  const std::string& routerRole, const std::string& ownNonce, Clock::time_point deadline) {
    if (!sendKind(c, helloKind, hello)) return false;
    IsdHeader reply{};
    std::string payload;
    if (!readLoginMessage(c, reply, payload, deadline)) return false;
    uint16_t kind = isdGetKind(&reply);
    if (kind == ISD_LOGIN_FAIL) {
        setError("login refused: " + payload);
        closeSocket(c);
        return false;
    }
    if (kind == ISD_LOGIN_OK && c->key.empty() && helloKind == ISD_LOGIN) {
        takeLoginOk(c, payload);
        return true;
    }
    if (kind == ISD_LOGIN_OK) {
        setError("the router at " + c->endpoint + " asks for no service key; it is not the router this " +
                 std::string(helloKind == ISD_LOGIN ? "ServiceKey" : "worker key") + " belongs to");
        closeSocket(c);
        return false;
    }
    if (kind != ISD_CHALLENGE) {
        setError("unexpected answer to the login");
        closeSocket(c);
        return false;
    }
    size_t nl = payload.find('\n');
    std::string routerNonce = payload.substr(0, nl);
    std::string routerProof = nl == std::string::npos ? std::string() : payload.substr(nl + 1);
    std::string binding = channelBinding(c);
    bool routerProven =
        !c->key.empty() &&
        isdauth::sameProof(routerProof, isdauth::proof(c->key, routerRole, c->service, routerNonce, ownNonce, binding));
    // The proof goes out even when the router's was wrong, so that the
    // router logs the refused login; it is worth nothing anywhere else.
    std::string mine = c->key.empty() || !isdauth::isNonce(routerNonce)
                           ? std::string()
                           : isdauth::proof(c->key, role, c->service, ownNonce, routerNonce, binding);
    if (!sendKind(c, ISD_AUTH, mine)) return false;
    if (!readLoginMessage(c, reply, payload, deadline)) return false;
    kind = isdGetKind(&reply);
    if (kind == ISD_LOGIN_FAIL) {
        setError("login refused: " + payload +
                 (c->key.empty() && helloKind == ISD_LOGIN ? " (there is no ServiceKey in ./Plenwick.ini)" : ""));
        closeSocket(c);
        return false;
    }
    if (!routerProven) {
        setError("the router at " + c->endpoint +
                 " could not prove the service key: it is not the school's "
                 "router, or the key is wrong");
        closeSocket(c);
        return false;
    }
    if (kind != ISD_LOGIN_OK) {
        setError("unexpected answer to the login");
        closeSocket(c);
        return false;
    }
    takeLoginOk(c, payload);
    return true;
}

bool clientLogin(Connection* c) {
    auto deadline = Clock::now() + std::chrono::seconds(ISD_LOGIN_SECONDS);
    if (!connectSocket(c, 7100, deadline)) return false;
    std::string nonce;
    if (!c->key.empty()) {
        nonce = isdauth::nonce();
        if (nonce.empty()) {
            setError("no random numbers for the login");
            closeSocket(c);
            return false;
        }
    }
    std::string hello = nonce.empty() ? c->service : c->service + "\n" + nonce;
    return authenticate(c, ISD_LOGIN, hello, "client", "router", nonce, deadline);
}

// ---- worker log files ----

isdlog::LogFile logFile, errFile;

int writeLog(isdlog::LogFile& file, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0) return -1;
    std::string text(static_cast<size_t>(n) + 1, '\0');
    vsnprintf(&text[0], text.size(), format, args);
    text.resize(static_cast<size_t>(n));
    file.write(text);
    return n;
}

// The connection a send may use for `length` bytes of `data`, or null (the
// reason set).
Connection* sendable(int handle, const char* data, int length, const IsdHeader* header) {
    Connection* c = lookup(handle);
    if (!c || !header) return nullptr;
    if (length < 0 || length > ISD_MAX_LENGTH || (length > 0 && !data)) {
        setError("bad message length");
        return nullptr;
    }
    if (!isOpen(c)) {
        setError("connection is closed");
        return nullptr;
    }
    return c;
}

// Writes what isdSendQueued left waiting; false (the connection closed)
// when the write failed.
bool flushQueued(Connection* c) {
    if (c->queued.empty()) return true;
    asio::error_code ec;
    writeAll(c, asio::buffer(c->queued), ec);
    c->queued.clear();
    if (ec) {
        setError("send failed: " + ec.message());
        closeSocket(c);
        return false;
    }
    return true;
}

// Writes a request whose reply is awaited and keeps it until a reply comes.
bool writeRequest(Connection* c, IsdHeader* header, const char* data, int length) {
    Connection::Sent sent;
    sent.kept = length <= (1 << 20);
    if (sent.kept) sent.data.assign(data ? data : "", static_cast<size_t>(length));
    if (!writeMessage(c, header, data, length)) return false;
    sent.header = *header;
    c->unconfirmed.push_back(std::move(sent));
    return true;
}

// Reads the next message for a client, logging in again after the router's
// goodbye and sending once more what it had not read.  False when the
// connection failed.
bool readReply(Connection* c, IsdHeader& in) {
    for (;;) {
        if (!readMessage(c, in)) return false;
        uint16_t kind = isdGetKind(&in);
        if (kind != ISD_BYE || c->worker) {
            if (kind == ISD_DATA || kind == ISD_FAIL) c->unconfirmed.clear();
            return true;
        }
        // The router ran nothing that came after its goodbye.
        std::deque<Connection::Sent> again;
        again.swap(c->unconfirmed);
        std::deque<bool> underway;
        underway.swap(c->underway);
        bool resend =
            !again.empty() && std::all_of(again.begin(), again.end(), [](const Connection::Sent& s) { return s.kept; });
        if (!clientLogin(c)) return false;
        if (!resend) {
            setError("the router closed the idle connection");
            return false;
        }
        for (auto& sent : again) {
            IsdHeader h = sent.header;
            if (!writeMessage(c, &h, sent.data.data(), static_cast<int>(sent.data.size()))) return false;
        }
        c->unconfirmed.swap(again);
        c->underway.swap(underway);
    }
}

// Reads the whole reply of the oldest piped request and hands it to the
// handle's pipe reply function.  False when the connection failed.
bool readPipedReply(Connection* c) {
    c->pipeBlocks.clear();
    IsdHeader in{};
    for (;;) {
        if (!readReply(c, in)) return false;
        uint16_t kind = isdGetKind(&in);
        if (kind == ISD_DATA) {
            c->pipeBlocks.append(c->buffer.data(), static_cast<size_t>(isdGetLength(&in)));
            if (isdGetMore(&in) > 0) continue;
            c->underway.pop_front();
            int index = c->pipeDone++;
            if (c->pipeReply)
                c->pipeReply(c->pipeContext, index, c->pipeBlocks.c_str(), static_cast<int>(c->pipeBlocks.size()),
                             nullptr);
            c->pipeBlocks.clear();
            return true;
        }
        if (kind == ISD_FAIL) {
            c->underway.pop_front();
            int index = c->pipeDone++;
            std::string why = c->buffer[0] ? c->buffer.data() : "the worker serving the request ended";
            if (c->pipeReply) c->pipeReply(c->pipeContext, index, nullptr, 0, why.c_str());
            return true;
        }
        setError("unexpected message from the router");
        closeSocket(c);
        return false;
    }
}

// The connection failed with piped requests under way: each is told so.
int pipeLost(Connection* c) {
    std::string why = lastError.empty() ? "the connection to the router failed" : lastError;
    int left = static_cast<int>(std::count(c->underway.begin(), c->underway.end(), true));
    c->underway.clear();
    for (int i = 0; i < left; ++i) {
        int index = c->pipeDone++;
        if (c->pipeReply) c->pipeReply(c->pipeContext, index, nullptr, 0, why.c_str());
    }
    c->pipeDone = 0;
    setError(why);
    return -1;
}

}  // namespace

extern "C" {

const char* isdLastError(void) { return lastError.c_str(); }

int isdLogin(const char* host, const char* service, int mode) {
    if (mode != 2) {
        setError("unsupported login mode");
        return -1;
    }
    return isdLoginPinned(host, service, isdReadServiceKey("Plenwick.ini").c_str(),
                          isdReadTlsFingerprint("Plenwick.ini").c_str());
}

int isdLoginWithKey(const char* host, const char* service, const char* key) {
    return isdLoginPinned(host, service, key, nullptr);
}

int isdLoginPinned(const char* host, const char* service, const char* key, const char* fingerprint) {
    if (!host || !*host || !service) {
        setError("no router host given");
        return -1;
    }
    auto c = std::make_unique<Connection>();
    c->endpoint = host;
    if (c->endpoint.compare(0, 4, "tls:") == 0) {
        c->useTls = true;
        c->endpoint = c->endpoint.substr(4);
    }
    c->service = service;
    c->key = key ? key : "";
    c->pin = isdauth::normalisedFingerprint(fingerprint ? fingerprint : "");
    if (!clientLogin(c.get())) return -1;
    return addConnection(std::move(c));
}

int isdSend(int handle, const char* data, int length, IsdHeader* header) {
    if (length == -1) length = data ? static_cast<int>(strlen(data)) : 0;
    Connection* c = sendable(handle, data, length, header);
    if (!c) return -1;
    c->failure.clear();
    isdSetKind(header, ISD_DATA);
    if (!c->worker && isdGetReplyWanted(header) != 0) {
        if (!writeRequest(c, header, data, length)) return -1;
        c->underway.push_back(false);
        return length;
    }
    return writeMessage(c, header, data, length) ? length : -1;
}

int isdSendPiped(int handle, const char* data, int length, IsdHeader* header) {
    if (length == -1) length = data ? static_cast<int>(strlen(data)) : 0;
    Connection* c = sendable(handle, data, length, header);
    if (!c) return -1;
    if (c->worker) {
        setError("a worker does not pipe requests");
        return -1;
    }
    c->failure.clear();
    // Beyond the router's limit the oldest reply is read first: the
    // requests under way never exceed what the router takes in.
    while (static_cast<int>(c->underway.size()) >= c->inFlightLimit) {
        if (!c->underway.front()) {
            setError("the reply of a request sent without the pipe must be read first");
            return -1;
        }
        if (!readPipedReply(c)) return -1;
    }
    isdSetKind(header, ISD_DATA);
    isdSetReplyWanted(header, 1);
    if (!writeRequest(c, header, data, length)) return -1;
    c->underway.push_back(true);
    return length;
}

void isdSetPipeReply(int handle, IsdPipeReply reply, void* context) {
    Connection* c = lookup(handle);
    if (!c) return;
    c->pipeReply = reply;
    c->pipeContext = context;
}

int isdPipeWait(int handle) {
    Connection* c = lookup(handle);
    if (!c) return -1;
    if (!flushQueued(c)) return pipeLost(c);
    while (!c->underway.empty() && c->underway.front())
        if (!readPipedReply(c)) return pipeLost(c);
    if (std::find(c->underway.begin(), c->underway.end(), true) != c->underway.end()) {
        setError("the reply of a request sent without the pipe must be read first");
        return -1;
    }
    c->pipeDone = 0;
    return 0;
}

int isdPipeInFlight(int handle) {
    Connection* c = lookup(handle);
    if (!c) return 0;
    return static_cast<int>(std::count(c->underway.begin(), c->underway.end(), true));
}

int isdPipeLimit(int handle) {
    Connection* c = lookup(handle);
    return c ? c->inFlightLimit : 0;
}

int isdSendQueued(int handle, const char* data, int length, IsdHeader* header) {
    Connection* c = sendable(handle, data, length, header);
    if (!c) return -1;
    isdSetKind(header, ISD_DATA);
    isdSetLength(header, length);
    isdSetMagic(header);
    c->queued.append(reinterpret_cast<const char*>(header->bytes), ISD_HEADER_SIZE);
    c->queued.append(data ? data : "", static_cast<size_t>(length));
    if (c->queued.size() < kQueueLimit) return length;
    return flushQueued(c) ? length : -1;
}

char* isdRecv(int handle, IsdHeader* header) {
    Connection* c = lookup(handle);
    if (!c || !header) return nullptr;
    if (!isOpen(c)) {
        setError("connection is closed");
        return nullptr;
    }
    // Blocks queued without a final one go out before anything is awaited,
    // or the peer would wait for them forever.
    if (!flushQueued(c)) return nullptr;
    // Piped replies come first: they were asked for before.
    if (!c->worker)
        while (!c->underway.empty() && c->underway.front())
            if (!readPipedReply(c)) {
                pipeLost(c);
                return nullptr;
            }
    IsdHeader in{};
    for (;;) {
        if (!readReply(c, in)) return nullptr;
        uint16_t kind = isdGetKind(&in);
        switch (kind) {
            case ISD_DATA:
                if (!c->worker && isdGetMore(&in) <= 0 && !c->underway.empty()) c->underway.pop_front();
                memcpy(header->bytes, in.bytes, ISD_HEADER_SIZE);
                return c->buffer.data();
            case ISD_FAIL:
                // The request is lost but the connection is still good.
                if (!c->underway.empty()) c->underway.pop_front();
                c->failure = c->buffer[0] ? c->buffer.data() : "the worker serving the request ended";
                setError(c->failure);
                return nullptr;
            case ISD_SHUTDOWN:
                if (c->worker) {
                    c->shutdownRequested = true;
                    setError("the router ends this worker");
                    return nullptr;
                }
                [[fallthrough]];
            default:
                setError("unexpected message from the router");
                closeSocket(c);
                return nullptr;
        }
    }
}

const char* isdFailureReason(int handle) {
    Connection* c = lookup(handle);
    if (!c || c->failure.empty() || !isOpen(c)) return nullptr;
    return c->failure.c_str();
}

int isdPending(int handle) {
    Connection* c = lookup(handle);
    if (!c) return -1;
    if (c->inEnd > c->inAt) return 1;
    pollfd p{};
    p.fd = c->socket.native_handle();
    p.events = POLLIN;
    const int n = poll(&p, 1, 0);
    if (n < 0) return -1;
    return n > 0 ? 1 : 0;
}

int isdShutdownRequested(int handle) {
    Connection* c = lookup(handle);
    return c && c->shutdownRequested ? 1 : 0;
}

void isdLogout(int handle) {
    Connection* c = lookup(handle);
    if (!c) return;
    closeSocket(c);
    std::lock_guard<std::mutex> lock(tableMutex);
    connections[handle].reset();
}

int isdConnect(int argc, char** argv) {
    if (argc < 5 || !argv || !argv[1] || !argv[2] || !argv[3] || !argv[4]) {
        setError("isdConnect needs the router's four arguments");
        errno = EINVAL;
        return -1;
    }
    std::string service = argv[2], name = argv[3], logdir = argv[4];
    if (service.empty() || name.empty() || service.find('\n') != std::string::npos ||
        name.find('\n') != std::string::npos) {
        setError("bad service or worker name");
        errno = EINVAL;
        return -1;
    }
    auto c = std::make_unique<Connection>();
    c->endpoint = argv[1];
    c->service = service;
    c->worker = true;
    c->key = isdTakenServiceKey();
    auto deadline = Clock::now() + std::chrono::seconds(ISD_LOGIN_SECONDS);
    if (!connectSocket(c.get(), 0, deadline)) {
        errno = ECONNREFUSED;
        return -1;
    }
    if (c->key.empty()) {
        // No key to prove: the plain hello, for a router that asks none.
        if (!sendKind(c.get(), ISD_HELLO, service + "\n" + name)) {
            errno = EPIPE;
            return -1;
        }
    } else {
        std::string nonce = isdauth::nonce();
        if (nonce.empty() || !authenticate(c.get(), ISD_HELLO, service + "\n" + name + "\n" + nonce, "worker",
                                           "router-to-worker", nonce, deadline)) {
            errno = EACCES;
            return -1;
        }
    }

    size_t limit = isdlog::LogFile::kDefaultLimit;
    int keep = isdlog::LogFile::kDefaultKeep;
    isdlog::parseLimit(getenv("ISD_LOG_LIMIT"), limit, keep);
    std::string base = logdir + "/" + service + "-" + name;
    bool opened = logFile.open(base + ".log", limit, keep);
    opened = errFile.open(base + ".err", limit, keep) && opened;
    std::string prefix = "[" + std::to_string(static_cast<long>(getpid())) + "] ";
    logFile.setPrefix(prefix);
    errFile.setPrefix(prefix);
    logFile.holdFlushes(true);
    if (!opened) {
        // Keep serving; the lines go to standard error (the router keeps that).
        fprintf(stderr, "isdConnect: cannot open the log files %s.log/.err: %s\n", base.c_str(), strerror(errno));
        logFile.close();
        errFile.close();
    }
    return addConnection(std::move(c));
}

int isdLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = writeLog(logFile, format, args);
    va_end(args);
    return n;
}

int isdError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = writeLog(errFile, format, args);
    va_end(args);
    return n;
}

void isdLogFlush(void) { logFile.flush(); }

}  // extern "C"

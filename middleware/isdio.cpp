// The ISDIO calls: synchronous Asio sockets, one per handle.
#include "isdio.h"

#include "Auth.h"
#include "IsdConnection.h"
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

namespace isdio_internal {

thread_local std::string lastError;

void setError(const std::string& text) { lastError = text; }

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

// What is kept of a message to send again after the router's goodbye.
Connection::Sent keptCopy(const IsdHeader& header, const char* data, int length) {
    Connection::Sent sent;
    sent.kept = length <= (1 << 20);
    if (sent.kept) sent.data.assign(data ? data : "", static_cast<size_t>(length));
    sent.header = header;
    return sent;
}

// Writes a request whose reply is awaited and keeps it until a reply comes.
bool writeRequest(Connection* c, IsdHeader* header, const char* data, int length) {
    if (!writeMessage(c, header, data, length)) return false;
    c->unconfirmed.push_back(keptCopy(*header, data, length));
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
            // Result text has a "[" in its first block; an error reply none.
            if (c->pipeBlocks.empty() && !memchr(c->buffer.data(), '[', static_cast<size_t>(isdGetLength(&in))))
                c->pipeFailed = true;
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
            c->pipeFailed = true;
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

// "commit" or "rollback", as the worker reads its words.
bool endsTransaction(const char* data, int length) {
    const std::string text(data ? data : "", static_cast<size_t>(length));
    return text.compare(0, 6, "commit") == 0 || text.compare(0, 8, "rollback") == 0;
}

// Before a transaction's last word the piped replies are read; after a piped
// request failed, a "commit" becomes a "rollback" (the worker already rolled
// back at the failure; what it ran after belongs to no transaction the client
// meant) and the commit is reported as not made.  True when it was refused.
bool refuseCommitAfterPipeFailure(Connection* c, const char* data, int length) {
    while (!c->underway.empty() && c->underway.front())
        if (!readPipedReply(c)) return false;  // the send that follows fails too
    const bool failed = c->pipeFailed;
    c->pipeFailed = false;
    if (!failed || std::string(data, static_cast<size_t>(length)).compare(0, 6, "commit") != 0) return false;
    IsdHeader h{};
    isdSetKind(&h, ISD_DATA);
    writeMessage(c, &h, "rollback", 8);
    setError(
        "an earlier statement sent without waiting failed: the commit was not sent and nothing of the "
        "transaction was saved");
    c->failure = lastError;
    return true;
}

}  // namespace isdio_internal

using namespace isdio_internal;

extern "C" {

const char* isdLastError(void) { return lastError.c_str(); }

int isdSend(int handle, const char* data, int length, IsdHeader* header) {
    if (length == -1) length = data ? static_cast<int>(strlen(data)) : 0;
    Connection* c = sendable(handle, data, length, header);
    if (!c) return -1;
    c->failure.clear();
    isdSetKind(header, ISD_DATA);
    if (!c->worker && endsTransaction(data, length) && refuseCommitAfterPipeFailure(c, data, length)) return -1;
    if (!c->worker && isdGetReplyWanted(header) != 0) {
        if (!writeRequest(c, header, data, length)) return -1;
        c->underway.push_back(false);
        return length;
    }
    return writeMessage(c, header, data, length) ? length : -1;
}

int isdSendAndCommit(int handle, const char* data, int length, IsdHeader* header) {
    if (length == -1) length = data ? static_cast<int>(strlen(data)) : 0;
    Connection* c = sendable(handle, data, length, header);
    if (!c) return -1;
    if (c->worker || !c->underway.empty()) {
        setError(c->worker ? "a worker does not send requests" : "the replies of earlier requests must be read first");
        return -1;
    }
    c->failure.clear();
    isdSetKind(header, ISD_DATA);
    isdSetReplyWanted(header, 1);
    isdSetLength(header, length);
    isdSetMagic(header);
    // The query goes out in the same write as the word behind it; both are
    // kept, so that after the router's goodbye the two are sent again.
    c->queued.append(reinterpret_cast<const char*>(header->bytes), ISD_HEADER_SIZE);
    c->queued.append(data ? data : "", static_cast<size_t>(length));
    IsdHeader word{};
    isdSetKind(&word, ISD_DATA);
    if (!writeMessage(c, &word, "commit", 6)) return -1;
    c->unconfirmed.push_back(keptCopy(*header, data, length));
    c->unconfirmed.push_back(keptCopy(word, "commit", 6));
    c->underway.push_back(false);
    return length;
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
    if (endsTransaction(data, length) && refuseCommitAfterPipeFailure(c, data, length)) return -1;
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

int isdPending(int handle) { return isdPendingWait(handle, 0); }

int isdPendingWait(int handle, int milliseconds) {
    Connection* c = lookup(handle);
    if (!c) return -1;
    if (c->inEnd > c->inAt) return 1;
    pollfd p{};
    p.fd = c->socket.native_handle();
    p.events = POLLIN;
    int n;
    while ((n = poll(&p, 1, std::max(0, milliseconds))) < 0 && errno == EINTR) {
    }
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

}  // extern "C"

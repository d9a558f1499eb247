// The ISDIO calls: synchronous Asio sockets, one per handle.
#include "isdio.h"

#include <asio.hpp>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace {

using asio::ip::tcp;

void put16(IsdHeader* h, int at, uint16_t v) {
    h->bytes[at] = static_cast<unsigned char>(v & 0xff);
    h->bytes[at + 1] = static_cast<unsigned char>(v >> 8);
}

uint16_t get16(const IsdHeader* h, int at) {
    return static_cast<uint16_t>(h->bytes[at] | (h->bytes[at + 1] << 8));
}

void put32(IsdHeader* h, int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) h->bytes[at + i] = static_cast<unsigned char>((v >> (8 * i)) & 0xff);
}

uint32_t get32(const IsdHeader* h, int at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | h->bytes[at + i];
    return v;
}

enum { kLengthAt = 0, kMagicAt = 4, kReplyWantedAt = 8, kKindAt = 12, kMoreAt = 20 };

thread_local std::string lastError;

void setError(const std::string& text) { lastError = text; }

// Never destroyed: the connection table below may still hold sockets when
// static objects are torn down at exit, and a socket must not outlive its
// io_context.
asio::io_context& ioContext() {
    static asio::io_context* io = new asio::io_context;
    return *io;
}

struct Connection {
    explicit Connection(asio::io_context& io) : socket(io) {}
    tcp::socket socket;
    std::vector<char> buffer = std::vector<char>(1, '\0');
    bool worker = false;
    bool shutdownRequested = false;
};

// Handles are indexes into this table.  The
// table is guarded so that threads may log in and out on their own handles;
// one handle is used by one thread at a time.
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
    asio::error_code ignored;
    c->socket.shutdown(tcp::socket::shutdown_both, ignored);
    c->socket.close(ignored);
}

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

std::unique_ptr<Connection> connectTo(const std::string& endpoint, int defaultPort, asio::error_code& ec) {
    std::string host, port;
    if (!splitEndpoint(endpoint, defaultPort, host, port)) {
        ec = asio::error::invalid_argument;
        setError("bad router address \"" + endpoint + "\"");
        return nullptr;
    }
    auto c = std::make_unique<Connection>(ioContext());
    tcp::resolver resolver(ioContext());
    auto endpoints = resolver.resolve(host, port, ec);
    if (ec) {
        setError("cannot resolve " + host + ": " + ec.message());
        return nullptr;
    }
    asio::connect(c->socket, endpoints, ec);
    if (ec) {
        setError("cannot connect to " + endpoint + ": " + ec.message());
        return nullptr;
    }
    c->socket.set_option(tcp::no_delay(true), ec);
    ec.clear();
    return c;
}

bool writeMessage(Connection* c, IsdHeader* header, const char* data, int length) {
    isdSetLength(header, length);
    isdSetMagic(header);
    std::vector<asio::const_buffer> buffers{asio::buffer(header->bytes, ISD_HEADER_SIZE)};
    if (length > 0) buffers.push_back(asio::buffer(data, static_cast<size_t>(length)));
    asio::error_code ec;
    asio::write(c->socket, buffers, ec);
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

// Reads one whole message into `header` and the connection's buffer.  A bad
// header leaves the stream unusable, so the connection is closed.
bool readMessage(Connection* c, IsdHeader& header) {
    asio::error_code ec;
    asio::read(c->socket, asio::buffer(header.bytes, ISD_HEADER_SIZE), ec);
    if (ec) {
        setError(ec == asio::error::eof ? "connection closed by the router" : "receive failed: " + ec.message());
        closeSocket(c);
        return false;
    }
    if (!isdHeaderValid(&header)) {
        setError("bad message header from the router");
        closeSocket(c);
        return false;
    }
    size_t length = static_cast<size_t>(isdGetLength(&header));
    c->buffer.resize(length + 1);
    if (length > 0) {
        asio::read(c->socket, asio::buffer(c->buffer.data(), length), ec);
        if (ec) {
            setError("receive failed: " + ec.message());
            closeSocket(c);
            return false;
        }
    }
    c->buffer[length] = '\0';
    return true;
}

// ---- worker log files ----

FILE* logFile = nullptr;
FILE* errFile = nullptr;

void closeLogs() {
    if (logFile) fclose(logFile);
    if (errFile) fclose(errFile);
    logFile = errFile = nullptr;
}

// Every line gets the time it was written; a record without a final line
// feed gets one, so records never run together.
int writeLog(FILE* file, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0) return -1;
    std::string text(static_cast<size_t>(n) + 1, '\0');
    vsnprintf(&text[0], text.size(), format, args);
    text.resize(static_cast<size_t>(n));

    char stamp[64];
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    struct tm tmv;
    localtime_r(&tv.tv_sec, &tmv);
    size_t len = strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tmv);
    snprintf(stamp + len, sizeof stamp - len, ".%03ld [%ld] ", static_cast<long>(tv.tv_usec / 1000),
             static_cast<long>(getpid()));

    FILE* out = file ? file : stderr;
    size_t start = 0;
    do {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        fputs(stamp, out);
        fwrite(line.data(), 1, line.size(), out);
        fputc('\n', out);
        start = end == std::string::npos ? text.size() : end + 1;
    } while (start < text.size());
    fflush(out);
    return n;
}

}  // namespace

extern "C" {

int32_t isdGetLength(const IsdHeader* h) { return static_cast<int32_t>(get32(h, kLengthAt)); }
void isdSetLength(IsdHeader* h, int32_t length) { put32(h, kLengthAt, static_cast<uint32_t>(length)); }
int16_t isdGetMore(const IsdHeader* h) { return static_cast<int16_t>(get16(h, kMoreAt)); }
void isdSetMore(IsdHeader* h, int16_t more) { put16(h, kMoreAt, static_cast<uint16_t>(more)); }
uint16_t isdGetReplyWanted(const IsdHeader* h) { return get16(h, kReplyWantedAt); }
void isdSetReplyWanted(IsdHeader* h, uint16_t wanted) { put16(h, kReplyWantedAt, wanted); }
uint16_t isdGetKind(const IsdHeader* h) { return get16(h, kKindAt); }
void isdSetKind(IsdHeader* h, uint16_t kind) { put16(h, kKindAt, kind); }
uint32_t isdGetMagic(const IsdHeader* h) { return get32(h, kMagicAt); }
void isdSetMagic(IsdHeader* h) { put32(h, kMagicAt, ISD_MAGIC); }

int isdHeaderValid(const IsdHeader* h) {
    int32_t length = isdGetLength(h);
    return isdGetMagic(h) == ISD_MAGIC && length >= 0 && length <= ISD_MAX_LENGTH;
}

const char* isdLastError(void) { return lastError.c_str(); }

int isdLogin(const char* host, const char* service, int mode) {
    if (!host || !*host || !service) {
        setError("no router host given");
        return -1;
    }
    if (mode != 2) {
        setError("unsupported login mode");
        return -1;
    }
    asio::error_code ec;
    auto c = connectTo(host, 7100, ec);
    if (!c) return -1;
    if (!sendKind(c.get(), ISD_LOGIN, service)) return -1;
    IsdHeader reply{};
    if (!readMessage(c.get(), reply)) return -1;
    switch (isdGetKind(&reply)) {
    case ISD_LOGIN_OK:
        return addConnection(std::move(c));
    case ISD_LOGIN_FAIL:
        setError(std::string("login refused: ") + c->buffer.data());
        return -1;
    default:
        setError("unexpected answer to the login");
        return -1;
    }
}

int isdSend(int handle, const char* data, int length, IsdHeader* header) {
    Connection* c = lookup(handle);
    if (!c || !header) return -1;
    if (length == -1) length = data ? static_cast<int>(strlen(data)) : 0;
    if (length < 0 || length > ISD_MAX_LENGTH || (length > 0 && !data)) {
        setError("bad message length");
        return -1;
    }
    if (!c->socket.is_open()) {
        setError("connection is closed");
        return -1;
    }
    isdSetKind(header, ISD_DATA);
    return writeMessage(c, header, data, length) ? length : -1;
}

char* isdRecv(int handle, IsdHeader* header) {
    Connection* c = lookup(handle);
    if (!c || !header) return nullptr;
    if (!c->socket.is_open()) {
        setError("connection is closed");
        return nullptr;
    }
    IsdHeader in{};
    if (!readMessage(c, in)) return nullptr;
    switch (isdGetKind(&in)) {
    case ISD_DATA:
        memcpy(header->bytes, in.bytes, ISD_HEADER_SIZE);
        return c->buffer.data();
    case ISD_FAIL:
        // The request is lost but the connection is still good.
        setError(c->buffer[0] ? c->buffer.data() : "the worker serving the request ended");
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
    asio::error_code ec;
    auto c = connectTo(argv[1], 0, ec);
    if (!c) {
        errno = ec && ec.category() == asio::system_category() ? ec.value() : ECONNREFUSED;
        return -1;
    }
    if (!sendKind(c.get(), ISD_HELLO, service + "\n" + name)) {
        errno = EPIPE;
        return -1;
    }
    c->worker = true;

    closeLogs();
    std::string base = logdir + "/" + service + "-" + name;
    logFile = fopen((base + ".log").c_str(), "a");
    errFile = fopen((base + ".err").c_str(), "a");
    if (!logFile || !errFile) {
        // Keep serving; the lines go to standard error (the router keeps that).
        fprintf(stderr, "isdConnect: cannot open the log files %s.log/.err: %s\n", base.c_str(), strerror(errno));
        closeLogs();
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

}  // extern "C"

// The logins: a client's (the service key's challenge and response, the
// router's answer) and a worker's hello; the worker's log files.
#include "Auth.h"
#include "IsdConnection.h"
#include "LogFile.h"

#include <unistd.h>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace isdio_internal {

// A message during a login: read within the login's deadline, bounded in size.
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

namespace {

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

}  // namespace

}  // namespace isdio_internal

using namespace isdio_internal;

extern "C" {

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

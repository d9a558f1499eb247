// Test helpers: a real isectd serving the echo worker, and a small client.
#ifndef PLENWICK_TEST_ECHO_ROUTER_H
#define PLENWICK_TEST_ECHO_ROUTER_H

#include "isdio.h"
#include "support/IsdClient.h"
#include "support/TestFiles.h"

#include <sys/types.h>

#include <string>
#include <vector>

namespace mwtest {

using testsupport::readFile;

struct EchoServiceOptions {
    std::string name = "Echo";
    int workers = 2;
    std::vector<std::string> args;
    std::string password;
    std::vector<std::string> env;
    std::string program;  // empty: the echo worker
};

// Starts isectd in a fresh temporary directory with the given services (one
// echo service by default) and "key = value" lines for its [router] section;
// stops it and removes the directory at the end.
class EchoRouter {
public:
    explicit EchoRouter(std::vector<EchoServiceOptions> services = {EchoServiceOptions()},
                        std::vector<std::string> settings = {});
    ~EchoRouter();
    EchoRouter(const EchoRouter&) = delete;
    EchoRouter& operator=(const EchoRouter&) = delete;

    // SIGTERM and wait; returns the router's exit status.
    int stop();
    bool running() const { return pid_ > 0; }
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    int port() const { return port_; }
    const std::string& dir() const { return dir_; }
    std::string logdir() const { return dir_ + "/logs"; }
    std::string rundir() const { return dir_ + "/run"; }
    std::string log() const { return readFile(logdir() + "/isectd.log"); }
    pid_t pid() const { return pid_; }
    // Worker pids from the router's status file, in file order.
    std::vector<pid_t> workerPids() const;
    // Waits until the router's log contains `text` `count` times.
    void waitForLog(const std::string& text, int count = 1) const;

private:
    std::string dir_;
    pid_t pid_ = 0;
    int port_ = 0;
};

// One logged-in client.
using Client = testsupport::IsdClient;

// Whether the process has ended: gone, or a zombie its parent has not reaped
// yet (a detached router, or a worker whose router was killed, belongs to
// init, which may reap it seconds later).
bool processEnded(pid_t pid);

// A raw TCP connection for sending bytes no client would send.
int rawConnect(int port);
bool rawSend(int fd, const void* data, size_t size);
// One whole message of the given kind (header and payload).
bool rawSendMessage(int fd, uint16_t kind, const std::string& payload);
// Reads one whole message; false when the connection ends first.
bool rawReceive(int fd, IsdHeader& header, std::string& payload);
// True when the peer closed the connection (read returns 0 or fails).
bool rawClosedByPeer(int fd);

}  // namespace mwtest

#endif

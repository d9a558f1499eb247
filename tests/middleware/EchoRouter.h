// Test helpers: a real isectd serving the echo worker, and a small client.
#ifndef PLENWICK_TEST_ECHO_ROUTER_H
#define PLENWICK_TEST_ECHO_ROUTER_H

#include "isdio.h"

#include <sys/types.h>

#include <string>
#include <vector>

namespace mwtest {

std::string readFile(const std::string& path);

struct EchoServiceOptions {
    std::string name = "Echo";
    int workers = 2;
    std::vector<std::string> args;
    std::string password;
    std::vector<std::string> env;
    std::string program;  // empty: the echo worker
};

// Starts isectd in a fresh temporary directory with the given services (one
// echo service by default); stops it and removes the directory at the end.
class EchoRouter {
public:
    explicit EchoRouter(std::vector<EchoServiceOptions> services = {EchoServiceOptions()});
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
class Client {
public:
    Client(const std::string& host, const std::string& service);
    ~Client();
    bool ok() const { return handle_ >= 0; }
    int handle() const { return handle_; }
    // Sends a query (reply-wanted 1, more 1).
    bool send(const std::string& sql);
    // Collects the reply blocks; false when a receive failed (more stayed -999).
    bool receive(std::string& reply, std::vector<int>* blockSizes = nullptr, std::vector<int>* mores = nullptr);
    // send + receive; a failed request gives "FAILED".
    std::string query(const std::string& sql);
    bool commit() { return end("commit"); }
    bool rollback() { return end("rollback"); }
    void logout();

private:
    bool end(const char* word);
    int handle_ = -1;
};

// A raw TCP connection for sending bytes no client would send.
int rawConnect(int port);
bool rawSend(int fd, const void* data, size_t size);
// True when the peer closed the connection (read returns 0 or fails).
bool rawClosedByPeer(int fd);

}  // namespace mwtest

#endif

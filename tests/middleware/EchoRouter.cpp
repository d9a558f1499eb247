#include "middleware/EchoRouter.h"

#include "support/Services.h"
#include "support/TestFiles.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#ifndef ECHO_WORKER_PATH
#error ECHO_WORKER_PATH must be defined
#endif

namespace mwtest {

namespace {

// Polls for a condition that the router brings about; gives up only after a
// minute so that a broken router fails the test instead of hanging it.
template <typename F>
bool eventually(F condition) {
    for (int i = 0; i < 6000; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace

EchoRouter::EchoRouter(std::vector<EchoServiceOptions> services, std::vector<std::string> settings) {
    char tmpl[] = "/tmp/plenwick-mw-XXXXXX";
    if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
    dir_ = tmpl;
    std::ofstream ini(dir_ + "/isectd.ini");
    ini << "; routing tests\n[router]\nbind = 127.0.0.1\nport = 0   ; any free port\n"
        << "logdir = logs\nrundir = run\n";
    for (const auto& line : settings) ini << line << "\n";
    for (const auto& s : services) {
        ini << "\n[service " << s.name << "]\nworkers = " << s.workers
            << "\nprogram = " << (s.program.empty() ? ECHO_WORKER_PATH : s.program) << "\n";
        for (const auto& a : s.args) ini << "arg = " << a << "\n";
        if (!s.password.empty()) ini << "password = " << s.password << "\n";
        for (const auto& e : s.env) ini << "env = " << e << "\n";
    }
    ini.close();
    std::string isectd = testsupport::buildDir() + "/isectd";
    std::string config = dir_ + "/isectd.ini";
    pid_ = fork();
    if (pid_ == 0) {
        execl(isectd.c_str(), "isectd", "-c", config.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string portFile = rundir() + "/port";
    if (!eventually([&] {
            int status;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = 0;
                return true;
            }
            return !readFile(portFile).empty();
        }) ||
        pid_ == 0)
        throw std::runtime_error("isectd did not start: " + log());
    port_ = atoi(readFile(portFile).c_str());
}

EchoRouter::~EchoRouter() {
    stop();
    testsupport::removeTree(dir_);
}

int EchoRouter::stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<pid_t> EchoRouter::workerPids() const {
    std::vector<pid_t> pids;
    std::istringstream in(readFile(rundir() + "/workers"));
    std::string service, name;
    long pid;
    while (in >> service >> name >> pid) pids.push_back(static_cast<pid_t>(pid));
    return pids;
}

void EchoRouter::waitForLog(const std::string& text, int count) const {
    if (!testsupport::waitForText(logdir() + "/isectd.log", text, count))
        throw std::runtime_error("the router log never showed \"" + text + "\":\n" + log());
}

bool processEnded(pid_t pid) {
    if (kill(pid, 0) != 0) return true;
    std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    size_t close = stat.rfind(") ");
    return close != std::string::npos && stat.compare(close + 2, 1, "Z") == 0;
}

int rawConnect(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool rawSend(int fd, const void* data, size_t size) {
    return ::send(fd, data, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
}

bool rawSendMessage(int fd, uint16_t kind, const std::string& payload) {
    IsdHeader h{};
    isdSetMagic(&h);
    isdSetKind(&h, kind);
    isdSetLength(&h, static_cast<int32_t>(payload.size()));
    return rawSend(fd, h.bytes, 64) && rawSend(fd, payload.data(), payload.size());
}

bool rawReceive(int fd, IsdHeader& header, std::string& payload) {
    auto readAll = [&](void* p, size_t n) {
        char* at = static_cast<char*>(p);
        while (n > 0) {
            ssize_t r = read(fd, at, n);
            if (r <= 0) return false;
            at += r;
            n -= static_cast<size_t>(r);
        }
        return true;
    };
    if (!readAll(header.bytes, 64)) return false;
    payload.assign(static_cast<size_t>(isdGetLength(&header)), '\0');
    return payload.empty() || readAll(&payload[0], payload.size());
}

bool rawClosedByPeer(int fd) {
    char buf[256];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 60000) <= 0) return false;  // a minute without an answer: still open
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return true;
    }
}

}  // namespace mwtest

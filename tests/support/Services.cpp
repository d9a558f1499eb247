#include "support/Services.h"

#include "isdio.h"

#include "support/TestFiles.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>

#ifndef PLENWICK_SOURCE_DIR
#error PLENWICK_SOURCE_DIR must be defined
#endif

namespace testsupport {

std::string sourceDir() { return PLENWICK_SOURCE_DIR; }
std::string buildDir() { return PLENWICK_BUILD_DIR; }

std::string schemaText(const std::string& from, const std::string& begin, const std::string& end) {
    std::ifstream in(sourceDir() + "/database/schema.sql");
    std::string schema((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t at = schema.find(from);
    if (at == std::string::npos || (at = schema.find(begin, at)) == std::string::npos) return "";
    at += begin.size();
    return schema.substr(at, schema.find(end, at) - at);
}

// A port that was free a moment ago; the router binds it right after.
int freePort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        if (fd >= 0) close(fd);
        throw std::runtime_error("no free port");
    }
    close(fd);
    return ntohs(a.sin_port);
}

namespace {

// scripts/services of a source tree with its build/ (this one when empty).
std::string services(const std::string& tree = "") {
    if (!tree.empty())
        return "PLENWICK_BUILD=" + shellQuote(tree + "/build") + " " + shellQuote(tree + "/scripts/services");
    return "PLENWICK_BUILD=" + shellQuote(buildDir()) + " " + shellQuote(sourceDir() + "/scripts/services");
}

// Creating a database from the scripts takes a few seconds; each test
// process makes one of each kind and copies it for every further fixture.
struct Templates {
    std::map<bool, std::string> made;
    ~Templates() {
        for (auto& t : made) {
            std::string dir = t.second.substr(0, t.second.rfind('/'));
            removeTree(dir);
        }
    }
};

std::string templateFor(bool demo) {
    static Templates templates;
    auto& made = templates.made;
    auto it = made.find(demo);
    if (it != made.end()) return it->second;
    char tmpl[] = "/tmp/plenwick-template-XXXXXX";
    if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
    std::string db = std::string(tmpl) + "/template.fdb";
    std::string out;
    if (run(services() + " create --db " + shellQuote(db) + (demo ? " --demo" : ""), &out) != 0)
        throw std::runtime_error("could not create the template database: " + out);
    made[demo] = db;
    return db;
}

}  // namespace

std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

int run(const std::string& command, std::string* output, bool mergeStderr) {
    std::string cmd = command + (mergeStderr ? " 2>&1" : "");
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
    int status = pclose(p);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Services::Services(const ServicesOptions& options) : options_(options) {
    char tmpl[] = "/tmp/plenwick-test-XXXXXX";
    if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
    dir_ = tmpl;
    workdir_ = dir_ + "/Plenwick";
    mkdir(workdir_.c_str(), 0755);
    mkdir((dir_ + "/Transfer").c_str(), 0755);
    if (options_.database.empty()) {
        database_ = dir_ + "/plenwick.fdb";
        std::string out;
        if (run("cp " + shellQuote(templateFor(options_.demo)) + " " + shellQuote(database_), &out) != 0)
            throw std::runtime_error("could not copy the template database: " + out);
    } else {
        database_ = options_.database;
    }
    if (options_.start) start();
}

Services::~Services() {
    try {
        stop();
    } catch (...) {
    }
    removeTree(dir_);
    if (watchdog_ >= 0) close(watchdog_);
}

// A test process that dies (an abort, a ctest time-out) runs no destructor.
// A small child process holds the read end of a pipe whose write end only
// this process has; when the pipe closes, for whatever reason, the child
// stops the services and removes the directory.
void Services::startWatchdog() {
    if (watchdog_ >= 0) return;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    // The shell waits for the end of the pipe, then stops the services.  It
    // is a shell from the start, so that killing the test program by name
    // does not kill its watchdog too.
    std::string cmd = "cat <&3 >/dev/null; " + services(options_.tree) + " stop --workdir " + shellQuote(workdir_) +
                      " >/dev/null 2>&1; rm -rf " + shellQuote(dir_);
    pid_t pid = fork();
    if (pid == 0) {
        // Fork again so that the watchdog is nobody's zombie.
        if (fork() != 0) _exit(0);
        setsid();
        // Keep nothing of the test program open but the pipe's read end: a
        // client socket held here would hide its close from the router, and
        // a held output pipe would keep ctest waiting.
        if (fds[0] == 3) fcntl(3, F_SETFD, 0);
        else dup2(fds[0], 3);
        int null = open("/dev/null", O_RDWR);
        for (int fd = 0; fd < 3; ++fd) dup2(null, fd);
        close_range(4, ~0U, 0);
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[0]);
    if (pid > 0) waitpid(pid, nullptr, 0);
    if (pid < 0) {
        close(fds[1]);
        return;
    }
    watchdog_ = fds[1];
}

void Services::start() {
    if (running_) return;
    port_ = freePort();
    std::string cmd = services(options_.tree) + " start --db " + shellQuote(database_) + " --workdir " + shellQuote(workdir_) +
                      " --workers " + std::to_string(options_.workers) + " --port " + std::to_string(port_);
    if (!options_.password.empty()) cmd += " --password " + shellQuote(options_.password);
    if (options_.tls) cmd += " --tls";
    for (const auto& setting : options_.settings) cmd += " --set " + shellQuote(setting);
    std::string out;
    if (run(cmd, &out) != 0) throw std::runtime_error("services start failed: " + out);
    running_ = true;
    startWatchdog();
}

void Services::stop() {
    if (!running_) return;
    running_ = false;
    std::string out;
    if (run(services(options_.tree) + " stop --workdir " + shellQuote(workdir_), &out) != 0)
        throw std::runtime_error("services stop failed: " + out);
}

std::string Services::key() const { return isdReadServiceKey(workdir_ + "/Plenwick.ini"); }

std::string Services::host() const { return "127.0.0.1:" + std::to_string(port_); }

std::string Services::isql(const std::string& sql) const {
    std::string file = dir_ + "/isql-input.sql";
    std::ofstream(file) << sql << "\n";
    std::string fb = workdir_ + "/services/firebird";
    std::string out;
    run("FIREBIRD=" + shellQuote(fb) + " isql-fb -q -user SYSDBA -password masterkey -i " + shellQuote(file) + " " +
            shellQuote(database_),
        &out);
    return out;
}

std::vector<pid_t> Services::workerPids() const {
    std::vector<pid_t> pids;
    std::ifstream in(workdir_ + "/services/run/workers");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string service, name;
        long pid = 0;
        if (fields >> service >> name >> pid) pids.push_back(static_cast<pid_t>(pid));
    }
    return pids;
}

pid_t Services::routerPid() const {
    std::ifstream in(workdir_ + "/services/run/isectd.pid");
    long pid = 0;
    in >> pid;
    return static_cast<pid_t>(pid);
}

ScopedChdir::ScopedChdir(const std::string& dir) {
    char buf[4096];
    if (getcwd(buf, sizeof buf)) old_ = buf;
    if (chdir(dir.c_str()) != 0) throw std::runtime_error("chdir " + dir + " failed");
}

ScopedChdir::~ScopedChdir() {
    if (!old_.empty() && chdir(old_.c_str()) != 0) perror("chdir");
}

pid_t startPlenwick(const std::string& workdir, const std::string& home) {
    const std::string program = buildDir() + "/Plenwick";
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(workdir.c_str()) != 0) _exit(127);
        setenv("HOME", home.c_str(), 1);
        execl(program.c_str(), "Plenwick", (char*)nullptr);
        _exit(127);
    }
    return pid;
}

}  // namespace testsupport

#include "support/Services.h"

#include "isdio.h"

#include "support/TestFiles.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <iterator>
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

bool processGone(pid_t pid) {
    if (kill(pid, 0) != 0) return errno == ESRCH;
    // A zombie has ended; it only waits for its parent.
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t end = stat.rfind(')');
    return end != std::string::npos && end + 2 < stat.size() && (stat[end + 2] == 'Z' || stat[end + 2] == 'X');
}

namespace {

// scripts/services of a source tree with its build/ (this one when empty).
std::string services(const std::string& tree = "") {
    if (!tree.empty())
        return "PLENWICK_BUILD=" + shellQuote(tree + "/build") + " " + shellQuote(tree + "/scripts/services");
    return "PLENWICK_BUILD=" + shellQuote(buildDir()) + " " + shellQuote(sourceDir() + "/scripts/services");
}

// Creating a database from the scripts takes a few seconds.  The databases
// the scripts make are kept in the build directory (test-databases/), one
// per kind, named after what made them: the creation scripts, and for the
// demo data (whose dates follow the day it is made) the day.  A test
// program copies the kept one for each fixture; the first program that
// needs one that is not there makes it while the others wait on a lock.
std::string templateKey(bool demo) {
    std::string made;
    for (const char* file : {"/database/schema.sql", "/database/upgrade.sql", "/database/grants.sql",
                             "/database/demo.sql", "/scripts/services", "/scripts/fbroot"})
        made += readFile(sourceDir() + file) + '\0';
    if (demo) {
        char day[16];
        const time_t now = time(nullptr);
        struct tm local;
        strftime(day, sizeof day, "%Y-%m-%d", localtime_r(&now, &local));
        made += day;
    }
    char key[32];
    snprintf(key, sizeof key, "%016zx", std::hash<std::string>()(made));
    return key;
}

std::string templateFor(bool demo) {
    const std::string dir = buildDir() + "/test-databases";
    const std::string kind = demo ? "demo-" : "schema-";
    const std::string db = dir + "/" + kind + templateKey(demo) + ".fdb";
    if (access(db.c_str(), R_OK) == 0) return db;
    mkdir(dir.c_str(), 0755);
    const int lock = open((dir + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0 || flock(lock, LOCK_EX) != 0) {
        if (lock >= 0) close(lock);
        throw std::runtime_error("cannot lock " + dir + "/.lock");
    }
    std::string failure;
    if (access(db.c_str(), R_OK) != 0) {
        // Made under another name and renamed, so that no program ever
        // copies a half-made file; the kinds' older files go.
        std::string out;
        run("rm -rf " + shellQuote(dir) + "/" + kind + "*", &out);
        const std::string made = dir + "/making-" + kind + std::to_string(getpid()) + ".fdb";
        if (run(services() + " create --db " + shellQuote(made) + (demo ? " --demo" : ""), &out) != 0 ||
            rename(made.c_str(), db.c_str()) != 0)
            failure = "could not create the template database: " + out;
        removeTree(made);
        removeTree(dir + "/.firebird");
    }
    close(lock);
    if (!failure.empty()) throw std::runtime_error(failure);
    return db;
}

}  // namespace

std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

void killBetweenStatements(pid_t pid) {
    static const long waits[] = {SYS_read,        SYS_recvfrom, SYS_recvmsg,  SYS_poll,  SYS_ppoll,  SYS_epoll_wait,
                                 SYS_epoll_pwait, SYS_select,   SYS_pselect6, SYS_write, SYS_sendto, SYS_sendmsg};
    const std::string file = "/proc/" + std::to_string(pid) + "/syscall";
    for (int i = 0; i < 10000; ++i) {
        std::ifstream in(file);
        std::string first;
        if (!(in >> first)) break;
        if (!first.empty() && std::isdigit((unsigned char)first[0])) {
            const long number = std::stol(first);
            if (std::find(std::begin(waits), std::end(waits), number) != std::end(waits)) break;
        }
        usleep(100);
    }
    kill(pid, SIGKILL);
}

std::string firebirdEnv(const std::string& root) {
    return "FIREBIRD=" + shellQuote(root) + " FIREBIRD_LOCK=" + shellQuote(root + "/lock") + " ";
}

void useFirebirdRoot(const std::string& root) {
    setenv("FIREBIRD", root.c_str(), 1);
    setenv("FIREBIRD_LOCK", (root + "/lock").c_str(), 1);
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
    startWatchdog();
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
    if (options_.start) {
        start();
    } else {
        // isql beside no workers still names the root and its lock directory.
        std::string out;
        if (run(shellQuote(sourceDir() + "/scripts/fbroot") + " " + shellQuote(workdir_ + "/services/firebird"),
                &out) != 0)
            throw std::runtime_error("could not make the Firebird root: " + out);
    }
}

Services::~Services() {
    isql_.reset();
    try {
        stop();
    } catch (...) {
        return;  // the watchdog tries once more as the object goes
    }
    removeTree(dir_);
    watchdog_.disarm();
}

// A test process that dies (an abort, a ctest time-out) runs no destructor:
// the watchdog stops the services and removes the directory instead.
void Services::startWatchdog() {
    if (watchdog_.armed()) return;
    watchdog_.arm(services(options_.tree) + " stop --workdir " + shellQuote(workdir_) + " >/dev/null 2>&1; rm -rf " +
                  shellQuote(dir_));
}

// The router of this tree binds port 0, the system's choice, and writes the
// port it got into its run files: no other program can take it in between.
// Another tree's router may not, and gets a port that was free a moment
// ago, tried again should another program take it first.
void Services::start() {
    if (running_) return;
    startWatchdog();
    std::string out;
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int port = options_.tree.empty() ? 0 : freePort();
        std::string cmd = services(options_.tree) + " start --db " + shellQuote(database_) + " --workdir " +
                          shellQuote(workdir_) + " --workers " + std::to_string(options_.workers) + " --port " +
                          std::to_string(port);
        if (!options_.password.empty()) cmd += " --password " + shellQuote(options_.password);
        if (options_.tls) cmd += " --tls";
        if (options_.singleAccount && options_.tree.empty()) cmd += " --single-account";
        if (options_.search) cmd += " --search";
        for (const auto& setting : options_.settings) cmd += " --set " + shellQuote(setting);
        if (run(cmd, &out) == 0) {
            std::ifstream(workdir_ + "/services/run/port") >> port_;
            if (port_ <= 0) throw std::runtime_error("the router wrote no port: " + out);
            running_ = true;
            return;
        }
        if (out.find("Address already in use") == std::string::npos) break;
    }
    throw std::runtime_error("services start failed: " + out);
}

// As `scripts/services stop` does (SIGTERM to the router, which rolls back,
// ends its workers and waits for them), but a router that has exited counts
// as stopped at once: its parent, whoever adopted it, may reap it late.
void Services::stop() {
    if (!running_) return;
    running_ = false;
    const pid_t router = routerPid();
    if (router <= 0 || processGone(router)) return;
    kill(router, SIGTERM);
    for (int i = 0; i < 3000; ++i) {
        if (processGone(router)) return;
        usleep(10000);
    }
    throw std::runtime_error("the router (pid " + std::to_string(router) + ") did not stop in 30 seconds");
}

std::string Services::key() const { return isdReadServiceKey(workdir_ + "/Plenwick.ini"); }

std::string Services::host() const { return "127.0.0.1:" + std::to_string(port_); }

// One isql process on the database for the life of a Services object:
// starting isql and attaching costs tens of milliseconds, and fixtures call
// it hundreds of times.  Each call's script goes in by INPUT; then
// "commit" ends its transaction, and SHOW SQL DIALECT (which starts none)
// prints the line that ends its output.
class IsqlSession {
public:
    IsqlSession(const std::string& firebird, const std::string& database, const std::string& dir)
        : script_(dir + "/isql-session.sql") {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0) return;
        if (pipe2(out, O_CLOEXEC) != 0) {
            close(in[0]);
            close(in[1]);
            return;
        }
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent) _exit(127);
            dup2(in[0], 0);
            dup2(out[1], 1);
            dup2(out[1], 2);
            useFirebirdRoot(firebird);
            execlp("isql-fb", "isql-fb", "-q", "-user", "SYSDBA", "-password", "masterkey", database.c_str(),
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        to_ = in[1];
        from_ = out[0];
        if (pid_ < 0) end();
    }
    ~IsqlSession() { end(); }
    bool ok() const { return pid_ > 0; }

    // What isql printed for `sql`; false (with what came) when isql ended or
    // gave no end of its output within two minutes.
    bool run(const std::string& sql, std::string& output) {
        output.clear();
        writeFile(script_, sql + "\n");
        const std::string request = "commit;\ninput '" + script_ + "';\ncommit;\nshow sql dialect;\n";
        if (write(to_, request.data(), request.size()) != (ssize_t)request.size()) return fail();
        const std::string mark = "Client SQL dialect is set to:";
        size_t at;
        while ((at = output.find(mark)) == std::string::npos || output.find('\n', at) == std::string::npos) {
            pollfd wait{from_, POLLIN, 0};
            char buffer[65536];
            ssize_t n;
            if (poll(&wait, 1, 120000) <= 0 || (n = read(from_, buffer, sizeof buffer)) <= 0) return fail();
            output.append(buffer, (size_t)n);
        }
        output.erase(output.rfind('\n', at) == std::string::npos ? 0 : output.rfind('\n', at) + 1);
        return true;
    }

private:
    bool fail() {
        end();
        return false;
    }
    void end() {
        if (to_ >= 0) close(to_);  // at the end of its input isql commits and exits
        if (from_ >= 0) close(from_);
        to_ = from_ = -1;
        if (pid_ > 0) {
            for (int i = 0; i < 500 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i) usleep(10000);
            if (kill(pid_, 0) == 0) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
            }
        }
        pid_ = -1;
    }
    std::string script_;
    pid_t pid_ = -1;
    int to_ = -1, from_ = -1;
};

namespace {
// A SET command of isql's own other than SET TRANSACTION (SET TERM, SET
// LIST, ...) starts one of the script's statements: its effect would last
// beyond the call.
bool changesIsqlSettings(const std::string& sql) {
    for (size_t at = 0; at < sql.size(); ++at) {
        if (at > 0 && sql[at - 1] != ';') continue;
        size_t word = at;
        while (word < sql.size() && isspace((unsigned char)sql[word])) ++word;
        auto is = [&](size_t from, const char* what) {
            for (size_t k = 0; what[k]; ++k)
                if (from + k >= sql.size() || tolower((unsigned char)sql[from + k]) != what[k]) return false;
            return true;
        };
        if (!is(word, "set") || word + 3 >= sql.size() || !isspace((unsigned char)sql[word + 3])) continue;
        size_t next = word + 3;
        while (next < sql.size() && isspace((unsigned char)sql[next])) ++next;
        if (!is(next, "transaction")) return true;
    }
    return false;
}
}  // namespace

std::string Services::isql(const std::string& sql) const {
    const std::string fb = workdir_ + "/services/firebird";
    std::string out;
    if (!changesIsqlSettings(sql)) {
        if (!isql_ || !isql_->ok()) isql_.reset(new IsqlSession(fb, database_, dir_));
        if (isql_->ok() && isql_->run(sql, out)) return out;
        isql_.reset();
        return out;
    }
    std::string file = dir_ + "/isql-input.sql";
    std::ofstream(file) << sql << "\n";
    run(firebirdEnv(fb) + "isql-fb -q -user SYSDBA -password masterkey -i " + shellQuote(file) + " " +
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

ReservedPort::ReservedPort() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        if (fd_ >= 0) close(fd_);
        throw std::runtime_error("no loopback port to reserve");
    }
    port_ = ntohs(a.sin_port);
}

ReservedPort::~ReservedPort() { close(fd_); }

std::string ReservedPort::host() const { return "127.0.0.1:" + std::to_string(port_); }

pid_t startPlenwick(const std::string& workdir, const std::string& home, const std::string& errorFile,
                    const std::string& other) {
    const std::string program = other.empty() ? buildDir() + "/Plenwick" : other;
    const pid_t parent = getpid();
    pid_t pid = fork();
    if (pid == 0) {
        // The program ends with the test, however the test ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        if (chdir(workdir.c_str()) != 0) _exit(127);
        setenv("HOME", home.c_str(), 1);
        if (!errorFile.empty() && !freopen(errorFile.c_str(), "w", stderr)) _exit(127);
        execl(program.c_str(), "Plenwick", (char*)nullptr);
        _exit(127);
    }
    return pid;
}

}  // namespace testsupport

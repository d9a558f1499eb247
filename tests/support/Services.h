// Test support: a real database served by the real router and real workers.
//
//   testsupport::Services svc;            // fresh schema database, 2 workers
//   chdir(svc.workdir().c_str());         // Plenwick.ini is there
//
// Each Services has its own temporary directory, database file and router
// port (the router binds a port of the system's choice), and stops
// everything when it goes out of scope, or, should the test process die, as
// it dies (a Watchdog).
#ifndef PLENWICK_TEST_SERVICES_H
#define PLENWICK_TEST_SERVICES_H

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "support/Watchdog.h"

namespace testsupport {

std::string sourceDir();
std::string buildDir();

// What database/schema.sql writes after the first `from`: the text between
// the next `begin` and the `end` that follows it ("" when `from` is not
// there).  schemaText("CREATE TRIGGER LONGTERM_AD ", " AS\n", "^") is that
// trigger's source as the database keeps it.
std::string schemaText(const std::string& from, const std::string& begin, const std::string& end);

// A loopback port that was free a moment ago.  Another program may take it
// before the caller binds it: a test that needs a port of its own binds
// port 0 itself (Services does so), one that needs a port nobody listens on
// holds a ReservedPort.
int freePort();

// A loopback port bound and not listening for the life of the object: no
// other program can take it, and a connection to it is refused at once.
class ReservedPort {
public:
    ReservedPort();
    ~ReservedPort();
    ReservedPort(const ReservedPort&) = delete;
    ReservedPort& operator=(const ReservedPort&) = delete;
    int number() const { return port_; }
    std::string host() const;  // "127.0.0.1:PORT"
private:
    int fd_ = -1, port_ = 0;
};

// True when the process has ended (a zombie has: it only waits for its
// parent to collect its status).
bool processGone(pid_t pid);

// Ends the worker `pid` with SIGKILL once its main thread waits in a system
// call on its sockets or its log (a second at most).  A worker killed while
// it runs inside the embedded engine may die holding the engine's shared
// lock table, which then hangs every other process on the database file
// until all of them have let go of it; killed at a wait, it dies as a crash
// between two statements does.
void killBetweenStatements(pid_t pid);

// `s` in single quotes for the shell.
std::string shellQuote(const std::string& s);

// The environment of a process that opens a database file through the
// project-local Firebird root `root` (scripts/fbroot): the root, and the
// engine's lock files in the root's own lock directory, which every process
// sharing the file must name alike.  firebirdEnv is a shell prefix
// ("FIREBIRD=... FIREBIRD_LOCK=... "), useFirebirdRoot sets both here.
std::string firebirdEnv(const std::string& root);
void useFirebirdRoot(const std::string& root);

// Runs a shell command; returns its exit status and puts its standard output
// (and standard error, when `mergeStderr`) into `output`.
int run(const std::string& command, std::string* output = nullptr, bool mergeStderr = true);

struct ServicesOptions {
    int workers = 2;
    bool demo = false;                  // load the demo data into the new database
    std::string database;               // empty: a new file in the temporary directory; may be host:path
    std::string password;               // empty: the scripts' default
    bool start = true;                  // false: only create the database and directories
    bool tls = false;                   // TLS on the client port
    std::vector<std::string> settings;  // "key=value" lines for the router's [router] section
    bool search = false;                // also the search service (Sifter), named service() + "Search"
    std::string tree;                   // another source tree whose scripts and build/ run the services
                                        // (a benchmark's earlier version); empty: this one
    bool singleAccount = false;         // the workers use the administrator's account (DDL through the
                                        // router); else the service's own limited user
};

class IsqlSession;

class Services {
public:
    explicit Services(const ServicesOptions& options = ServicesOptions());
    ~Services();
    Services(const Services&) = delete;
    Services& operator=(const Services&) = delete;

    void start();
    void stop();
    bool running() const { return running_; }

    const std::string& dir() const { return dir_; }          // the temporary directory
    const std::string& workdir() const { return workdir_; }  // holds Plenwick.ini
    const std::string& database() const { return database_; }
    std::string host() const;  // "127.0.0.1:PORT"
    int port() const { return port_; }
    std::string service() const { return "Plenwick"; }
    std::string logdir() const { return workdir_ + "/services/logs"; }
    // The service key clients prove (the ServiceKey of Plenwick.ini).
    std::string key() const;

    // Runs SQL through isql-fb on the database (beside the workers) and
    // returns what isql printed, as `isql-fb -q -i` would on a script of it:
    // each call a transaction of its own, committed at its end (an open
    // transaction of an earlier call is committed first).  One isql process
    // serves the calls of an object; a script that changes isql's own
    // settings (SET LIST, SET TERM, ...) gets an isql of its own.
    std::string isql(const std::string& sql) const;
    // The pids of the running workers, from the router's status file.
    std::vector<pid_t> workerPids() const;
    pid_t routerPid() const;

private:
    ServicesOptions options_;
    std::string dir_, workdir_, database_;
    int port_ = 0;
    bool running_ = false;
    Watchdog watchdog_;  // stops the services should the test process die
    mutable std::unique_ptr<IsqlSession> isql_;
    void startWatchdog();
};

// Starts the real Plenwick program of the build in `workdir` (where
// Plenwick.ini is) with HOME = `home`, on the display of the environment
// (a PrivateDisplay in tests), its standard error into `errorFile` when one
// is given; returns its process id (-1 when it could not be started).  The
// program gets SIGTERM should the test process end before it.  `program`
// names another program to start so (an installed or unpacked one).
pid_t startPlenwick(const std::string& workdir, const std::string& home, const std::string& errorFile = "",
                    const std::string& program = "");

// Changes the working directory for the life of the object.
class ScopedChdir {
public:
    explicit ScopedChdir(const std::string& dir);
    ~ScopedChdir();

private:
    std::string old_;
};

}  // namespace testsupport

#endif

// Test support: a real database served by the real router and real workers.
//
//   testsupport::Services svc;            // fresh schema database, 2 workers
//   chdir(svc.workdir().c_str());         // Plenwick.ini is there
//
// Each Services has its own temporary directory, database file and router
// port, and stops everything when it goes out of scope.
#ifndef PLENWICK_TEST_SERVICES_H
#define PLENWICK_TEST_SERVICES_H

#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

std::string sourceDir();
std::string buildDir();

// What database/schema.sql writes after the first `from`: the text between
// the next `begin` and the `end` that follows it ("" when `from` is not
// there).  schemaText("CREATE TRIGGER LONGTERM_AD ", " AS\n", "^") is that
// trigger's source as the database keeps it.
std::string schemaText(const std::string& from, const std::string& begin, const std::string& end);

// A loopback port that was free a moment ago (the router binds it right
// after; a test that wants a port nobody listens on uses it as it is).
int freePort();

// `s` in single quotes for the shell.
std::string shellQuote(const std::string& s);

// Runs a shell command; returns its exit status and puts its standard output
// (and standard error, when `mergeStderr`) into `output`.
int run(const std::string& command, std::string* output = nullptr, bool mergeStderr = true);

struct ServicesOptions {
    int workers = 2;
    bool demo = false;      // load the demo data into the new database
    std::string database;   // empty: a new file in the temporary directory; may be host:path
    std::string password;   // empty: the scripts' default
    bool start = true;      // false: only create the database and directories
    bool tls = false;       // TLS on the client port
    std::vector<std::string> settings;  // "key=value" lines for the router's [router] section
    std::string tree;       // another source tree whose scripts and build/ run the services
                            // (a benchmark's earlier version); empty: this one
};

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
    std::string host() const;                                // "127.0.0.1:PORT"
    int port() const { return port_; }
    std::string service() const { return "Plenwick"; }
    std::string logdir() const { return workdir_ + "/services/logs"; }
    // The service key clients prove (the ServiceKey of Plenwick.ini).
    std::string key() const;

    // Runs SQL through isql-fb on the database (beside the workers) and
    // returns what isql printed.
    std::string isql(const std::string& sql) const;
    // The pids of the running workers, from the router's status file.
    std::vector<pid_t> workerPids() const;
    pid_t routerPid() const;

private:
    ServicesOptions options_;
    std::string dir_, workdir_, database_;
    int port_ = 0;
    bool running_ = false;
    int watchdog_ = -1;  // write end of the pipe a watchdog process waits on
    void startWatchdog();
};

// Starts the real Plenwick program of the build in `workdir` (where
// Plenwick.ini is) with HOME = `home`, on the display of the environment;
// returns its process id (-1 when it could not be started).
pid_t startPlenwick(const std::string& workdir, const std::string& home);

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

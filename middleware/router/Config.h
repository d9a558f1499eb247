// The router's configuration file.
//
//   [router]
//   bind = 127.0.0.1        ; client listen address
//   port = 7100             ; client port, 0 = any free port
//   logdir = /path/logs
//   rundir = /path/run
//   keyfile = /path/servicekey   ; the service key clients and workers prove
//   tlscert = /path/cert.pem     ; with tlskey: TLS on the client port
//   tlskey = /path/key.pem
//   maxclients = 200        ; logged-in client connections at most
//   maxlogins = 20          ; client connections not logged in yet at most (the oldest is dropped)
//   logintimeout = 5        ; seconds; decimals allowed; 0 = no limit
//   idletimeout = 3600      ;   a connection without a transaction or a request
//   transactiontimeout = 60 ;   inside a transaction without a request (rolled back)
//   requesttimeout = 120    ;   a request a worker has not answered (worker restarted)
//   commitwait = 5          ;   a commit or rollback holding back new transactions (worker restarted)
//   sendtimeout = 30        ;   a client that reads nothing while a reply waits
//   stoptimeout = 15        ;   a worker that has not ended this long after SIGTERM is killed
//   clientbuffer = 1048576  ; bytes of reply held for a client that does not read
//   inflight = 64           ; requests a client may send before their replies have come
//   logsize = 10485760      ; a log file is rotated at this size (0 = never)
//   logkeep = 5             ; rotated files kept
//   [service NAME]          ; any number of services
//   workers = 2
//   program = /path/to/worker
//   arg = ...               ; one per worker argument, in order; ${PASSWORD} is replaced
//   password = ...          ; never written to a log
//   env = NAME=VALUE        ; added to the workers' environment
//
// Comments start with ";" or "#" at the beginning of a line, or with ";" after
// white space.  Values are trimmed; a value in double quotes is taken as it
// stands between the quotes.  Relative directories and a relative program
// path are relative to the directory of the configuration file.
#ifndef ISECTD_CONFIG_H
#define ISECTD_CONFIG_H

#include <chrono>
#include <string>
#include <vector>

namespace isectd {

struct ServiceConfig {
    std::string name;
    int workers = 1;
    std::string program;
    std::vector<std::string> args;  // as written, ${PASSWORD} not yet replaced
    std::string password;
    std::vector<std::string> env;  // NAME=VALUE, ${PASSWORD} not yet replaced

    // The worker arguments and environment entries with the password put in.
    std::vector<std::string> expandedArgs() const;
    std::vector<std::string> expandedEnv() const;
};

struct RouterConfig {
    std::string bind = "127.0.0.1";
    int port = 7100;
    std::string logdir;
    std::string rundir;
    std::string keyfile;
    std::string tlsCert, tlsKey;
    int maxClients = 200;
    int maxLogins = 20;
    double loginTimeout = 5;
    double idleTimeout = 3600;
    double transactionTimeout = 60;
    double requestTimeout = 120;
    double commitWait = 5;
    double sendTimeout = 30;
    double stopTimeout = 15;
    long clientBuffer = 1 << 20;
    int inFlight = 64;
    long logSize = 10L << 20;
    int logKeep = 5;
    std::vector<ServiceConfig> services;

    const ServiceConfig* service(const std::string& name) const;
    bool tls() const { return !tlsCert.empty(); }
};

// Whether the address is a loopback address ("127.0.0.1", "::1", "localhost").
bool isLoopback(const std::string& address);

// Reads and checks the file; on failure `error` says which line is wrong.
bool loadConfig(const std::string& path, RouterConfig& config, std::string& error);
bool parseConfig(const std::string& text, const std::string& baseDir, RouterConfig& config, std::string& error);

// Why the router must not start with this configuration (empty: it may).
std::string startProblem(const RouterConfig& config);

// The configuration as text for the log, every password shown as ********.
std::string describeConfig(const RouterConfig& config);

std::string replacePassword(const std::string& text, const std::string& password);

// A time limit of the configuration as a duration, and as text ("2", "0.5").
std::chrono::milliseconds millis(double seconds);
std::string seconds(double seconds);

}  // namespace isectd

#endif

// The router's configuration file.
//
//   [router]
//   bind = 127.0.0.1        ; client listen address
//   port = 7100             ; client port, 0 = any free port
//   logdir = /path/logs
//   rundir = /path/run
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

#include <string>
#include <vector>

namespace isectd {

struct ServiceConfig {
    std::string name;
    int workers = 1;
    std::string program;
    std::vector<std::string> args;  // as written, ${PASSWORD} not yet replaced
    std::string password;
    std::vector<std::string> env;   // NAME=VALUE, ${PASSWORD} not yet replaced

    // The worker arguments and environment entries with the password put in.
    std::vector<std::string> expandedArgs() const;
    std::vector<std::string> expandedEnv() const;
};

struct RouterConfig {
    std::string bind = "127.0.0.1";
    int port = 7100;
    std::string logdir;
    std::string rundir;
    std::vector<ServiceConfig> services;

    const ServiceConfig* service(const std::string& name) const;
};

// Reads and checks the file; on failure `error` says which line is wrong.
bool loadConfig(const std::string& path, RouterConfig& config, std::string& error);
bool parseConfig(const std::string& text, const std::string& baseDir, RouterConfig& config, std::string& error);

// The configuration as text for the log, every password shown as ********.
std::string describeConfig(const RouterConfig& config);

std::string replacePassword(const std::string& text, const std::string& password);

}  // namespace isectd

#endif

#include "router/Config.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace isectd {

namespace {

std::string trim(const std::string& s) {
    size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    size_t last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

// Cuts an inline comment: ";" preceded by white space.
std::string stripComment(const std::string& value) {
    for (size_t i = 1; i < value.size(); ++i) {
        if (value[i] == ';' && (value[i - 1] == ' ' || value[i - 1] == '\t')) return value.substr(0, i);
    }
    return value;
}

std::string valueText(const std::string& raw) {
    std::string v = trim(raw);
    if (v.size() >= 2 && v.front() == '"') {
        size_t close = v.find('"', 1);
        if (close != std::string::npos && trim(stripComment(v.substr(close + 1))).empty())
            return v.substr(1, close - 1);
    }
    return trim(stripComment(v));
}

std::string relativeTo(const std::string& baseDir, const std::string& path) {
    if (path.empty() || path[0] == '/' || baseDir.empty()) return path;
    return baseDir + "/" + path;
}

bool toInt(const std::string& text, long low, long high, int& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    long v = strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < low || v > high) return false;
    out = static_cast<int>(v);
    return true;
}

bool toSeconds(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    double v = strtod(text.c_str(), &end);
    if (*end != '\0' || !(v >= 0) || v > 1e7) return false;
    out = v;
    return true;
}

bool toLong(const std::string& text, long low, long high, long& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    long v = strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < low || v > high) return false;
    out = v;
    return true;
}

}  // namespace

std::chrono::milliseconds millis(double s) { return std::chrono::milliseconds(static_cast<long long>(s * 1000)); }

std::string seconds(double s) {
    char text[32];
    snprintf(text, sizeof text, "%g", s);
    return text;
}

bool isLoopback(const std::string& address) {
    return address == "localhost" || address == "::1" || address.compare(0, 4, "127.") == 0;
}

std::string replacePassword(const std::string& text, const std::string& password) {
    static const std::string token = "${PASSWORD}";
    std::string out;
    size_t pos = 0;
    while (true) {
        size_t at = text.find(token, pos);
        if (at == std::string::npos) break;
        out += text.substr(pos, at - pos) + password;
        pos = at + token.size();
    }
    return out + text.substr(pos);
}

std::vector<std::string> ServiceConfig::expandedArgs() const {
    std::vector<std::string> out;
    for (const auto& a : args) out.push_back(replacePassword(a, password));
    return out;
}

std::vector<std::string> ServiceConfig::expandedEnv() const {
    std::vector<std::string> out;
    for (const auto& e : env) out.push_back(replacePassword(e, password));
    return out;
}

const ServiceConfig* RouterConfig::service(const std::string& name) const {
    for (const auto& s : services)
        if (s.name == name) return &s;
    return nullptr;
}

namespace {

// One key of [router]; the error text, or "" when the key is taken.
std::string routerKey(const std::string& key, const std::string& value, const std::string& baseDir,
                      RouterConfig& config) {
    static const struct {
        const char* key;
        double RouterConfig::*target;
    } limits[] = {{"logintimeout", &RouterConfig::loginTimeout},
                  {"idletimeout", &RouterConfig::idleTimeout},
                  {"transactiontimeout", &RouterConfig::transactionTimeout},
                  {"requesttimeout", &RouterConfig::requestTimeout},
                  {"commitwait", &RouterConfig::commitWait},
                  {"sendtimeout", &RouterConfig::sendTimeout},
                  {"stoptimeout", &RouterConfig::stopTimeout}};
    for (const auto& limit : limits)
        if (key == limit.key)
            return toSeconds(value, config.*limit.target) ? "" : key + " must be a number of seconds (0 = no limit)";
    if (key == "bind") {
        if (value.empty()) return "empty bind address";
        config.bind = value;
    } else if (key == "port") {
        if (!toInt(value, 0, 65535, config.port)) return "port must be a number from 0 to 65535";
    } else if (key == "logdir") {
        config.logdir = relativeTo(baseDir, value);
    } else if (key == "rundir") {
        config.rundir = relativeTo(baseDir, value);
    } else if (key == "keyfile") {
        config.keyfile = relativeTo(baseDir, value);
    } else if (key == "tlscert") {
        config.tlsCert = relativeTo(baseDir, value);
    } else if (key == "tlskey") {
        config.tlsKey = relativeTo(baseDir, value);
    } else if (key == "maxclients") {
        if (!toInt(value, 1, 100000, config.maxClients)) return "maxclients must be a number from 1 to 100000";
    } else if (key == "maxlogins") {
        if (!toInt(value, 1, 100000, config.maxLogins)) return "maxlogins must be a number from 1 to 100000";
    } else if (key == "inflight") {
        if (!toInt(value, 1, 4096, config.inFlight)) return "inflight must be a number from 1 to 4096";
    } else if (key == "clientbuffer") {
        if (!toLong(value, 65536, 1L << 30, config.clientBuffer))
            return "clientbuffer must be a number of bytes from 65536 up";
    } else if (key == "logsize") {
        if (!toLong(value, 0, 1L << 40, config.logSize)) return "logsize must be a number of bytes";
    } else if (key == "logkeep") {
        if (!toInt(value, 1, 100, config.logKeep)) return "logkeep must be a number from 1 to 100";
    } else {
        return "unknown key " + key + " in [router]";
    }
    return "";
}

// One key of a [service NAME]; the error text, or "" when the key is taken.
std::string serviceKey(const std::string& key, const std::string& value, const std::string& baseDir, ServiceConfig& s) {
    if (key == "workers") {
        if (!toInt(value, 1, 256, s.workers)) return "workers must be a number from 1 to 256";
    } else if (key == "program") {
        s.program = value.find('/') == std::string::npos ? value : relativeTo(baseDir, value);
    } else if (key == "arg") {
        s.args.push_back(value);
    } else if (key == "password") {
        s.password = value;
    } else if (key == "env") {
        size_t e = value.find('=');
        if (e == std::string::npos || e == 0) return "env takes NAME=VALUE";
        s.env.push_back(value);
    } else {
        return "unknown key " + key + " in [service " + s.name + "]";
    }
    return "";
}

// What the whole file must have; the error text, or "".
std::string wholeConfigProblem(const RouterConfig& config) {
    for (const auto& s : config.services)
        if (s.program.empty()) return "service " + s.name + " has no program";
    if (config.services.empty()) return "no [service NAME] section";
    if (config.tlsCert.empty() != config.tlsKey.empty()) return "tlscert and tlskey go together";
    if (config.tls() && config.keyfile.empty())
        return "TLS needs a service key (keyfile): the key's proofs are what make the connection trusted";
    return "";
}

}  // namespace

bool parseConfig(const std::string& text, const std::string& baseDir, RouterConfig& config, std::string& error) {
    config = RouterConfig();
    std::istringstream in(text);
    std::string line;
    int number = 0;
    enum { NONE, ROUTER, SERVICE } section = NONE;
    bool sawRouter = false;
    auto fail = [&](const std::string& what) {
        error = "line " + std::to_string(number) + ": " + what;
        return false;
    };
    while (std::getline(in, line)) {
        ++number;
        std::string t = trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t[0] == '[') {
            size_t close = t.find(']');
            if (close == std::string::npos) return fail("section header without ]");
            std::string name = trim(t.substr(1, close - 1));
            if (name == "router") {
                if (sawRouter) return fail("second [router] section");
                sawRouter = true;
                section = ROUTER;
            } else if (name.compare(0, 8, "service ") == 0 && !trim(name.substr(8)).empty()) {
                std::string service = trim(name.substr(8));
                for (char c : service)
                    if (isspace(static_cast<unsigned char>(c))) return fail("service name with white space");
                if (config.service(service)) return fail("service " + service + " defined twice");
                config.services.push_back(ServiceConfig());
                config.services.back().name = service;
                section = SERVICE;
            } else {
                return fail("unknown section [" + name + "]");
            }
            continue;
        }
        size_t eq = t.find('=');
        if (eq == std::string::npos) return fail("expected key = value");
        std::string key = trim(t.substr(0, eq));
        std::string value = valueText(t.substr(eq + 1));
        if (section == NONE) return fail("key outside a section");
        std::string problem = section == ROUTER ? routerKey(key, value, baseDir, config)
                                                : serviceKey(key, value, baseDir, config.services.back());
        if (!problem.empty()) return fail(problem);
    }
    error = wholeConfigProblem(config);
    if (!error.empty()) return false;
    if (config.logdir.empty()) config.logdir = baseDir.empty() ? "." : baseDir;
    if (config.rundir.empty()) config.rundir = config.logdir;
    return true;
}

std::string startProblem(const RouterConfig& config) {
    if (!isLoopback(config.bind) && config.keyfile.empty())
        return "a router bound to " + config.bind +
               " is reachable from other machines and needs a service key (keyfile in [router])";
    return std::string();
}

bool loadConfig(const std::string& path, RouterConfig& config, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string baseDir = ".";
    size_t slash = path.rfind('/');
    if (slash != std::string::npos) baseDir = slash == 0 ? "/" : path.substr(0, slash);
    if (!parseConfig(text, baseDir, config, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::string describeConfig(const RouterConfig& config) {
    std::ostringstream out;
    out << "[router] bind = " << config.bind << ", port = " << config.port << ", logdir = " << config.logdir
        << ", rundir = " << config.rundir
        << "\n  keyfile = " << (config.keyfile.empty() ? "(none: logins are not authenticated)" : config.keyfile)
        << ", tls = " << (config.tls() ? config.tlsCert : "off") << "\n  maxclients = " << config.maxClients
        << ", maxlogins = " << config.maxLogins << ", clientbuffer = " << config.clientBuffer
        << ", inflight = " << config.inFlight << ", logsize = " << config.logSize << ", logkeep = " << config.logKeep
        << "\n  timeouts (s): login " << config.loginTimeout << ", idle " << config.idleTimeout << ", transaction "
        << config.transactionTimeout << ", request " << config.requestTimeout << ", commit wait " << config.commitWait
        << ", send " << config.sendTimeout << ", stop " << config.stopTimeout;
    for (const auto& s : config.services) {
        out << "\n[service " << s.name << "] workers = " << s.workers << ", program = " << s.program;
        for (const auto& a : s.args) out << "\n  arg = " << replacePassword(a, "********");
        for (const auto& e : s.env) out << "\n  env = " << replacePassword(e, "********");
        out << "\n  password = " << (s.password.empty() ? "(none)" : "********");
    }
    return out.str();
}

}  // namespace isectd

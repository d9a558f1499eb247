// Shared pieces of the worker benchmarks: a clock and the worker's memory
// peak; the router client and the private Firebird server come from
// tests/support.
#ifndef PLENWICK_BENCH_WORKER_COMMON_H
#define PLENWICK_BENCH_WORKER_COMMON_H

#include "isdio.h"
#include "support/FirebirdServer.h"
#include "support/IsdClient.h"
#include "support/Services.h"
#include "support/TestFiles.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace workerbench {

inline double seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

inline std::string quote(const std::string& s) { return testsupport::shellQuote(s); }

// The shared router client; a failed request ends the benchmark.
using Client = testsupport::CheckedClient;

// The size in bytes of a reply.
inline std::size_t replySize(const std::vector<testsupport::Block>& blocks) {
    std::size_t total = 0;
    for (const auto& b : blocks) total += b.data.size();
    return total;
}

// A /proc/PID/status field in kB (VmHWM, VmRSS).
inline long statusKb(pid_t pid, const char* field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    std::string key = std::string(field) + ":";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(key.size()));
    }
    return -1;
}

// A private Firebird server with one new database on it.
using Server = testsupport::FirebirdServer;

// Starts the server of the host:path run; false, after saying why, where
// none can start here.
inline bool startServer(Server& server) {
    if (server.start("bench.fdb", "page_size 8192")) return true;
    std::printf("server    skipped: %s\n", server.why().c_str());
    return false;
}

// The routers measured: this build ("after"), and with PLENWICK_BASELINE set
// to a tree made by bench/baseline, that earlier build too ("before"), so
// that both are measured in the same run on the same machine.
struct Variant {
    std::string name;  // "after" or "before"
    std::string tree;  // ServicesOptions::tree
};

inline std::vector<Variant> variants() {
    std::vector<Variant> out{{"after", ""}};
    const char* baseline = std::getenv("PLENWICK_BASELINE");
    if (baseline && *baseline) {
        if (access((std::string(baseline) + "/build/isectd").c_str(), X_OK) != 0)
            throw std::runtime_error(std::string("PLENWICK_BASELINE=") + baseline + " holds no build/isectd");
        out.push_back({"before", baseline});
    }
    return out;
}

// An in-memory directory for an embedded database: every transaction
// writes the header page with forced writes, and on a shared disk those
// waits would swamp the figures.  Removed with the object.
struct ShmDir {
    std::string path;
    ShmDir() {
        char tmpl[] = "/dev/shm/vantry-bench-XXXXXX";
        if (access("/dev/shm", W_OK) == 0 && mkdtemp(tmpl)) path = tmpl;
    }
    ~ShmDir() {
        if (!path.empty()) testsupport::removeTree(path);
    }
    std::string database(const std::string& name) const { return path.empty() ? "" : path + "/" + name; }
};

using ServicesList = std::vector<std::unique_ptr<testsupport::Services>>;

// The services of each router of variants() with the same options.  With
// `shm`, each on a database of its own there, named NAME-VARIANT.fdb;
// with `shared`, all on the first one's database; else on options.database.
inline ServicesList startEach(const std::vector<Variant>& routers, const testsupport::ServicesOptions& options,
                              const ShmDir* shm = nullptr, const std::string& name = "", bool shared = false) {
    ServicesList out;
    for (const auto& r : routers) {
        testsupport::ServicesOptions o = options;
        o.tree = r.tree;
        if (shm) o.database = shm->database(name + "-" + r.name + ".fdb");
        if (shared && !out.empty()) o.database = out[0]->database();
        out.push_back(std::make_unique<testsupport::Services>(o));
    }
    return out;
}

// Options of a service on the embedded engine.
inline testsupport::ServicesOptions embedded(int workers) {
    testsupport::ServicesOptions options;
    options.workers = workers;
    options.singleAccount = true;  // the benchmarks make tables of their own
    return options;
}

// One worker on the server's database.
inline testsupport::ServicesOptions onServer(const Server& server) {
    testsupport::ServicesOptions options;
    options.workers = 1;
    options.database = server.database();
    options.password = server.password();
    options.singleAccount = true;  // the benchmarks make tables of their own
    return options;
}

}  // namespace workerbench

#endif

// Shared pieces of the worker benchmarks: a clock and the worker's memory
// peak; the router client and the private Firebird server come from
// tests/support.
#ifndef PLENWICK_BENCH_WORKER_COMMON_H
#define PLENWICK_BENCH_WORKER_COMMON_H

#include "FirebirdServer.h"
#include "IsdClient.h"
#include "TestFiles.h"
#include "Services.h"
#include "isdio.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace workerbench {

inline double seconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

inline std::string quote(const std::string& s) { return testsupport::shellQuote(s); }

// The shared router client; a failed request ends the benchmark.
using Client = testsupport::CheckedClient;

// The size in bytes of a reply.
inline std::size_t replySize(const std::vector<testsupport::Block>& blocks)
{
    std::size_t total = 0;
    for (const auto& b : blocks) total += b.data.size();
    return total;
}

// A /proc/PID/status field in kB (VmHWM, VmRSS).
inline long statusKb(pid_t pid, const char* field)
{
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
inline bool startServer(Server& server)
{
    if (server.start("bench.fdb", "page_size 8192")) return true;
    std::printf("server    skipped: %s\n", server.why().c_str());
    return false;
}

// One worker on the server's database.
inline testsupport::ServicesOptions onServer(const Server& server)
{
    testsupport::ServicesOptions options;
    options.workers = 1;
    options.database = server.database();
    options.password = server.password();
    return options;
}

}  // namespace workerbench

#endif

// A 10 MB reply: the worker streams it in 1023-byte blocks, so its memory
// peak (VmHWM) must stay within 1 MB of its peak after one-row replies, and
// so must the router's; and the reply's throughput to the client in MB/s.
#include "worker_common.h"

#include <cstdio>
#include <cstdlib>

using namespace workerbench;

namespace {

const std::string kRows =
    "select a.d * 1000 + b.d * 100 + c.d * 10 + e.d as n, cast(rpad('', 1000, 'x') as varchar(1000)) as t "
    "from digits a, digits b, digits c, digits e";

void measure(const char* where, testsupport::Services& svc) {
    Client client(svc.host(), svc.service(), svc.key());
    client.must("create table digits (d integer)");
    for (int d = 0; d < 10; ++d) client.must("insert into digits values (" + std::to_string(d) + ")");
    client.word("commit");

    auto pids = svc.workerPids();
    if (pids.size() != 1) throw std::runtime_error("expected one worker");
    pid_t worker = pids[0];

    // The same statement shape, one row.
    std::string one = kRows + " where a.d = 1 and b.d = 2 and c.d = 3 and e.d = 4";
    for (int i = 0; i < 5; ++i) {
        client.query(one);
        client.word("commit");
    }
    client.query(one);
    long small = statusKb(worker, "VmHWM");
    long routerSmall = statusKb(svc.routerPid(), "VmHWM");
    client.word("commit");

    double best = 1e9;
    std::size_t bytes = 0;
    for (int i = 0; i < 3; ++i) {
        double start = seconds();
        bytes = replySize(client.query(kRows));
        double elapsed = seconds() - start;
        client.word("commit");
        if (elapsed < best) best = elapsed;
    }
    client.query(one);
    long large = statusKb(worker, "VmHWM");
    long routerLarge = statusKb(svc.routerPid(), "VmHWM");
    client.word("commit");

    std::printf(
        "%-9s reply %.1f MB in %.3f s: %6.1f MB/s (goal >= 200);  VmHWM after one-row replies and after "
        "the 10 MB replies: worker %ld kB, %ld kB: +%ld kB; router %ld kB, %ld kB: +%ld kB (goal: flat "
        "whatever the reply's size; the router holds at most its clientbuffer per client)\n",
        where, bytes / 1e6, best, bytes / 1e6 / best, small, large, large - small, routerSmall, routerLarge,
        routerLarge - routerSmall);
}

}  // namespace

int main() {
    try {
        {
            testsupport::ServicesOptions options;
            options.workers = 1;
            options.singleAccount = true;  // the benchmark makes a table of its own
            testsupport::Services svc(options);
            measure("embedded", svc);
        }
        Server server;
        if (!startServer(server)) return 0;
        testsupport::Services svc(onServer(server));
        measure("server", svc);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "worker_bigreply: %s\n", e.what());
        return 1;
    }
    return 0;
}

// Throughput with many clients: N clients (default 50) for a fixed time on
// two workers, each transaction its statements and the client's "commit" as
// Plenwick sends them; once a one-row SELECT, once an INSERT, once an INSERT
// and an UPDATE of the row.
// Prints transactions a second, the least any client got done, and the
// median and 99th percentile of a transaction's time.
#include "worker_common.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

using namespace workerbench;

namespace {

struct Outcome {
    long transactions = 0;
    long least = 0;
    double p50 = 0, p99 = 0;
};

enum Kind { Select, Insert, InsertUpdate };

Outcome run(testsupport::Services& svc, int clients, double secondsToRun, Kind kind, const std::string& tag) {
    std::vector<std::vector<double>> times(static_cast<std::size_t>(clients));
    std::vector<std::thread> threads;
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    double end = 0;
    for (int t = 0; t < clients; ++t)
        threads.emplace_back([&, t] {
            Client c(svc.host(), svc.service(), svc.key());
            ++ready;
            while (!go) std::this_thread::yield();
            for (long i = 0; seconds() < end; ++i) {
                double start = seconds();
                std::string name = "'" + tag + "-" + std::to_string(t) + "-" + std::to_string(i) + "'";
                if (kind == Select) {
                    c.query("select rdb$relation_id from rdb$database");
                } else if (kind == Insert) {
                    c.query("insert into Teachers (Teacher) values (" + name + ")");
                } else {
                    // The new row's Id, then the row changed by its key.
                    std::string reply = testsupport::joined(
                        c.query("insert into Teachers (Teacher) values (" + name + ") returning Id"));
                    std::size_t at = reply.find("\n[[");
                    long id = at == std::string::npos ? 0 : std::atol(reply.c_str() + at + 3);
                    c.query("update Teachers set Teacher = " + name.substr(0, name.size() - 1) +
                            "u' where Id = " + std::to_string(id));
                }
                c.word("commit");
                times[static_cast<std::size_t>(t)].push_back(seconds() - start);
            }
            c.query("select 1 from rdb$database");  // behind the last commit
            c.word("commit");
        });
    while (ready < clients) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    end = seconds() + secondsToRun;
    go = true;
    for (auto& t : threads) t.join();
    Outcome o;
    o.least = static_cast<long>(times[0].size());
    std::vector<double> all;
    for (const auto& v : times) {
        o.transactions += static_cast<long>(v.size());
        o.least = std::min(o.least, static_cast<long>(v.size()));
        all.insert(all.end(), v.begin(), v.end());
    }
    std::sort(all.begin(), all.end());
    if (!all.empty()) {
        o.p50 = all[all.size() / 2];
        o.p99 = all[std::min(all.size() - 1, all.size() * 99 / 100)];
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    int clients = argc > 1 ? std::atoi(argv[1]) : 50;
    double length = argc > 2 ? std::atof(argv[2]) : 10;
    try {
        std::vector<Variant> routers = variants();
        ShmDir shm;
        ServicesList services = startEach(routers, embedded(2), &shm, "clients");
        const char* names[] = {"SELECT", "INSERT", "INS+UPD"};
        for (Kind kind : {Select, Insert, InsertUpdate})
            for (std::size_t v = 0; v < routers.size(); ++v) {
                Outcome o = run(*services[v], clients, length, kind,
                                "bench-" + routers[v].name + "-" + std::to_string(static_cast<int>(kind)));
                std::printf(
                    "%-7s %-6s %d clients, 2 workers, %.0f s: %7.0f transactions/s, least per client %5ld, "
                    "a transaction %6.2f ms median, %7.2f ms at the 99th percentile\n",
                    names[kind], routers[v].name.c_str(), clients, length, static_cast<double>(o.transactions) / length,
                    o.least, o.p50 * 1e3, o.p99 * 1e3);
                std::fflush(stdout);
            }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "worker_clients: %s\n", e.what());
        return 1;
    }
    return 0;
}

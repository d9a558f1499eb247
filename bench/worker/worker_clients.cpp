// Throughput with many clients: N clients (default 50) for a fixed time on
// two workers, each transaction its statements and the client's "commit" as
// Plenwick sends them; once a one-row SELECT (with its commit in one
// write), once an INSERT, once an INSERT
// and an UPDATE of the row, and once that again with every second client
// piping its INSERT and UPDATE (isdSendPiped; the "commit" reads their
// replies first), the row's Id taken from a range the client reserved at
// its start with one gen_id call, since a piped INSERT's answer cannot name
// the row for the UPDATE sent behind it.
// Prints transactions a second, the least any client got done against the
// median client, and the median and 99th percentile of a transaction's time.
#include "worker_common.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>

using namespace workerbench;

namespace {

struct Outcome {
    long transactions = 0;
    long least = 0, median = 0;
    long leastPiped = -1, leastPlain = -1;
    double p50 = 0, p99 = 0;
};

enum Kind { Select, Insert, InsertUpdate, HalfPiped };

// The INSERT and the UPDATE of a row whose Id the client chose, sent without
// waiting; the "commit" word reads both replies before it goes out, and is
// refused (sent as "rollback") when one of them failed.
void pipedInsertUpdate(Client& c, long id, const std::string& name) {
    const std::string insert = "insert into Teachers (Id, Teacher) values (" + std::to_string(id) + ", " + name + ")";
    const std::string update =
        "update Teachers set Teacher = " + name.substr(0, name.size() - 1) + "u' where Id = " + std::to_string(id);
    for (const std::string* sql : {&insert, &update}) {
        IsdHeader header{};
        if (isdSendPiped(c.handle(), sql->c_str(), static_cast<int>(sql->size()), &header) < 0)
            throw std::runtime_error(std::string("piped send failed: ") + isdLastError());
    }
}

// The first Id of a range of `count` reserved for one client.
long reserveIds(Client& c, long count) {
    std::string reply =
        testsupport::joined(c.query("select gen_id(NEWTEACHER, " + std::to_string(count) + ") from rdb$database"));
    c.word("commit");
    std::size_t at = reply.find("\n[[");
    return (at == std::string::npos ? 0 : std::atol(reply.c_str() + at + 3)) - count + 1;
}

Outcome run(testsupport::Services& svc, int clients, double secondsToRun, Kind kind, const std::string& tag) {
    std::vector<std::vector<double>> times(static_cast<std::size_t>(clients));
    std::vector<std::thread> threads;
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    double end = 0;
    for (int t = 0; t < clients; ++t)
        threads.emplace_back([&, t] {
            Client c(svc.host(), svc.service(), svc.key());
            const bool piped = kind == HalfPiped && t % 2 == 1;
            int failed = 0;
            long nextId = 0;
            if (piped) {
                nextId = reserveIds(c, 10000000);
                isdSetPipeReply(
                    c.handle(),
                    [](void* context, int, const char* data, int, const char*) {
                        if (!data || !std::strchr(data, '[')) ++*static_cast<int*>(context);
                    },
                    &failed);
            }
            ++ready;
            while (!go) std::this_thread::yield();
            for (long i = 0; seconds() < end; ++i) {
                double start = seconds();
                std::string name = "'" + tag + "-" + std::to_string(t) + "-" + std::to_string(i) + "'";
                if (kind == Select) {
                    // A read and its commit in one write, as Plenwick sends it.
                    c.queryAndCommit("select rdb$relation_id from rdb$database");
                } else if (kind == Insert) {
                    c.query("insert into Teachers (Teacher) values (" + name + ")");
                } else if (piped) {
                    pipedInsertUpdate(c, nextId++, name);
                } else {
                    // The new row's Id, then the row changed by its key.
                    std::string reply = testsupport::joined(
                        c.query("insert into Teachers (Teacher) values (" + name + ") returning Id"));
                    std::size_t at = reply.find("\n[[");
                    long id = at == std::string::npos ? 0 : std::atol(reply.c_str() + at + 3);
                    c.query("update Teachers set Teacher = " + name.substr(0, name.size() - 1) +
                            "u' where Id = " + std::to_string(id));
                }
                if (kind != Select) c.word("commit");
                times[static_cast<std::size_t>(t)].push_back(seconds() - start);
            }
            c.query("select 1 from rdb$database");  // behind the last commit
            c.word("commit");
            if (failed) std::fprintf(stderr, "worker_clients: client %d: %d piped statements failed\n", t, failed);
            if (piped) isdSetPipeReply(c.handle(), nullptr, nullptr);
        });
    while (ready < clients) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    end = seconds() + secondsToRun;
    go = true;
    for (auto& t : threads) t.join();
    Outcome o;
    o.least = static_cast<long>(times[0].size());
    std::vector<double> all;
    std::vector<long> counts;
    for (std::size_t t = 0; t < times.size(); ++t) {
        const auto& v = times[t];
        const long n = static_cast<long>(v.size());
        o.transactions += n;
        o.least = std::min(o.least, n);
        long& least = kind == HalfPiped && t % 2 == 1 ? o.leastPiped : o.leastPlain;
        least = least < 0 ? n : std::min(least, n);
        counts.push_back(n);
        all.insert(all.end(), v.begin(), v.end());
    }
    std::sort(counts.begin(), counts.end());
    o.median = counts.empty() ? 0 : counts[counts.size() / 2];
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
        const char* names[] = {"SELECT", "INSERT", "INS+UPD", "HALFPIPE"};
        for (Kind kind : {Select, Insert, InsertUpdate, HalfPiped})
            for (std::size_t v = 0; v < routers.size(); ++v) {
                if (kind == HalfPiped && v > 0) continue;  // an earlier router may not pipe
                Outcome o = run(*services[v], clients, length, kind,
                                "bench-" + routers[v].name + "-" + std::to_string(static_cast<int>(kind)));
                std::printf(
                    "%-8s %-6s %d clients, 2 workers, %.0f s: %7.0f transactions/s, least per client %5ld, median "
                    "client %5ld (ratio %.2f, goal <= 2), a transaction %6.2f ms median, %7.2f ms at the 99th "
                    "percentile\n",
                    names[kind], routers[v].name.c_str(), clients, length, static_cast<double>(o.transactions) / length,
                    o.least, o.median, o.least > 0 ? static_cast<double>(o.median) / o.least : 0.0, o.p50 * 1e3,
                    o.p99 * 1e3);
                if (kind == HalfPiped)
                    std::printf("%-8s %-6s least per client: piping %ld, one by one %ld\n", names[kind],
                                routers[v].name.c_str(), o.leastPiped, o.leastPlain);
                std::fflush(stdout);
            }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "worker_clients: %s\n", e.what());
        return 1;
    }
    return 0;
}

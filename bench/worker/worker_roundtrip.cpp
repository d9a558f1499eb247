// Round trip of a one-row SELECT: through ISDIO, isectd and Vantry (each
// query with the client's "commit" behind it in one write, as Plenwick
// sends a read; and, as before, the "commit" sent after the reply) against
// the same statement run directly with the Firebird client library
// (prepare, execute, fetch, commit) on the same database, and against the
// echo round trip plus that direct statement.  Goal: ratio at most 2.
//
// Then what the rule "a new transaction starts only after every commit sent
// before it has run" costs: on two workers, client B's one-row SELECT sent
// right behind client A's UPDATE and "commit" (no reply awaited), against
// the same SELECT while no commit is running.
#include "worker_common.h"

#include <ibase.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace workerbench;

namespace {

const char kQuery[] = "select rdb$relation_id, rdb$character_set_name from rdb$database";

void check(const ISC_STATUS* status, const char* what) {
    if (status[0] == 1 && status[1]) {
        isc_print_status(status);
        throw std::runtime_error(what);
    }
}

// Seconds per statement, run directly on the database.
double direct(const std::string& database, const std::string& password, int rounds) {
    ISC_STATUS status[20];
    isc_db_handle db = 0;
    std::vector<char> dpb = {isc_dpb_version1,
                             isc_dpb_user_name,
                             6,
                             'S',
                             'Y',
                             'S',
                             'D',
                             'B',
                             'A',
                             isc_dpb_password,
                             static_cast<char>(password.size())};
    dpb.insert(dpb.end(), password.begin(), password.end());
    isc_attach_database(status, 0, database.c_str(), &db, static_cast<short>(dpb.size()), dpb.data());
    check(status, "attach");
    isc_stmt_handle stmt = 0;
    isc_dsql_allocate_statement(status, &db, &stmt);
    check(status, "allocate");
    std::vector<char> area(XSQLDA_LENGTH(20));
    auto* da = reinterpret_cast<XSQLDA*>(area.data());
    da->version = SQLDA_VERSION1;
    da->sqln = 20;
    static char row[4096];
    static short ind[20];

    double start = 0;
    for (int i = -rounds / 10; i < rounds; ++i) {
        if (i == 0) start = seconds();
        isc_tr_handle tr = 0;
        isc_start_transaction(status, &tr, 1, &db, 0, nullptr);
        check(status, "start");
        isc_dsql_prepare(status, &tr, &stmt, 0, kQuery, 3, da);
        check(status, "prepare");
        std::size_t offset = 0;
        for (int c = 0; c < da->sqld; ++c) {
            da->sqlvar[c].sqldata = row + offset;
            da->sqlvar[c].sqlind = &ind[c];
            offset += static_cast<std::size_t>(da->sqlvar[c].sqllen) + 8;
        }
        isc_dsql_execute(status, &tr, &stmt, 3, nullptr);
        check(status, "execute");
        while (isc_dsql_fetch(status, &stmt, 3, da) == 0) {
        }
        isc_dsql_free_statement(status, &stmt, DSQL_close);
        check(status, "close");
        isc_commit_transaction(status, &tr);
        check(status, "commit");
    }
    double elapsed = seconds() - start;
    isc_dsql_free_statement(status, &stmt, DSQL_drop);
    isc_detach_database(status, &db);
    return elapsed / rounds;
}

// A round as Plenwick sends a read outside a transaction: the query and its
// "commit" in one write.  `apart`: the "commit" sent after the reply, as
// before.
double throughRouter(testsupport::Services& svc, int rounds, bool apart) {
    Client client(svc.host(), svc.service(), svc.key());
    double start = 0;
    for (int i = -rounds / 10; i < rounds; ++i) {
        if (i == 0) start = seconds();
        if (apart) {
            client.query(kQuery);
            client.word("commit");
        } else {
            client.queryAndCommit(kQuery);
        }
    }
    client.query(kQuery);  // the last commit has been served before this reply
    double elapsed = seconds() - start;
    client.word("commit");
    return elapsed / rounds;
}

// The transport alone: an empty request is answered by the worker at once
// with an empty block, without work in the database.
double echo(testsupport::Services& svc, int rounds) {
    Client client(svc.host(), svc.service(), svc.key());
    double start = 0;
    for (int i = -rounds / 10; i < rounds; ++i) {
        if (i == 0) start = seconds();
        client.query("");
    }
    double elapsed = seconds() - start;
    client.word("rollback");
    return elapsed / rounds;
}

void report(const std::string& where, double middleware, double fb, double transport, double apart) {
    std::printf(
        "%-16s through isectd+Vantry %8.1f us   direct fbclient %8.1f us   ratio %5.2f (goal <= %s)"
        "   [echo round trip without database work %6.1f us]   to echo + direct %5.2f (goal <= 1.25)"
        "   [commit sent after the reply %6.1f us: %5.2f]\n",
        where.c_str(), middleware * 1e6, fb * 1e6, middleware / fb, where.compare(0, 6, "server") == 0 ? "1.2" : "2.0",
        transport * 1e6, middleware / (transport + fb), apart * 1e6, apart / (transport + fb));
}

// The routers of variants() side by side, batches taken in turn.
void measure(const std::string& where, ServicesList& services, const std::vector<Variant>& routers, int rounds,
             const std::function<double()>& directRun, bool directAfterStop) {
    std::vector<double> m(routers.size(), 1e9), e(routers.size(), 1e9), a(routers.size(), 1e9);
    double d = 1e9;
    for (int batch = 0; batch < 3; ++batch)
        for (std::size_t v = 0; v < routers.size(); ++v) {
            m[v] = std::min(m[v], throughRouter(*services[v], rounds, false));
            a[v] = std::min(a[v], throughRouter(*services[v], rounds, true));
            e[v] = std::min(e[v], echo(*services[v], rounds));
            if (!directAfterStop && v == 0) d = std::min(d, directRun());
        }
    if (directAfterStop) {
        // Alone on the file, as the worker was: two processes on one file
        // pass the header page through the disk on every transaction.
        for (auto& svc : services) svc->stop();
        for (int batch = 0; batch < 3; ++batch) d = std::min(d, directRun());
    }
    for (std::size_t v = 0; v < routers.size(); ++v) report(where + " " + routers[v].name, m[v], d, e[v], a[v]);
}

// Seconds of B's SELECT, with A's commit running (behind) or not.
struct Visibility {
    double alone = 1e9, behind = 1e9;
};

Visibility visibility(testsupport::Services& svc, const std::string& table, int rounds) {
    Client a(svc.host(), svc.service(), svc.key()), b(svc.host(), svc.service(), svc.key());
    double alone = 0, behind = 0;
    int counted = 0;
    for (int i = -rounds / 10; i < rounds; ++i) {
        std::string update = "update " + table + " set v = " + std::to_string(i);
        // Alone: A's commit has run (A's next query waited for it) and A
        // idles inside its next transaction, holding the other worker.
        a.must(update);
        a.word("commit");
        a.query(kQuery);
        double start = seconds();
        b.query(kQuery);
        double quiet = seconds() - start;
        b.word("commit");
        a.word("commit");
        // Behind: B's query follows A's commit at once.
        a.must(update);
        a.word("commit");
        start = seconds();
        b.query(kQuery);
        double waited = seconds() - start;
        b.word("commit");
        if (i >= 0) {
            alone += quiet;
            behind += waited;
            ++counted;
        }
    }
    a.query(kQuery);  // behind the last commits
    a.word("commit");
    return {alone / counted, behind / counted};
}

// The routers of variants() side by side on two workers each, batches taken
// in turn, the best batch kept.
void measureVisibility(const std::string& where, const std::vector<Variant>& routers, int rounds,
                       ServicesList services) {
    // A table of one row for each router (they may share a database).
    std::vector<std::string> tables;
    for (std::size_t v = 0; v < routers.size(); ++v) {
        tables.push_back("bench_visibility_" + routers[v].name);
        Client c(services[v]->host(), services[v]->service(), services[v]->key());
        c.must("recreate table " + tables[v] + " (v integer)");
        c.must("insert into " + tables[v] + " values (0)");
        c.word("commit");
    }
    std::vector<Visibility> best(routers.size());
    for (int batch = 0; batch < 3; ++batch)
        for (std::size_t v = 0; v < routers.size(); ++v) {
            Visibility got = visibility(*services[v], tables[v], rounds / 2);
            best[v].alone = std::min(best[v].alone, got.alone);
            best[v].behind = std::min(best[v].behind, got.behind);
        }
    for (std::size_t v = 0; v < routers.size(); ++v)
        std::printf(
            "%-16s another client's SELECT on 2 workers: %8.1f us with no commit running, %8.1f us sent "
            "right behind a commit   cost %+7.1f us\n",
            (where + " " + routers[v].name).c_str(), best[v].alone * 1e6, best[v].behind * 1e6,
            (best[v].behind - best[v].alone) * 1e6);
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 1000;
    // "--embedded": the round trip on the embedded engine only.
    const bool embeddedOnly = argc > 2 && std::string(argv[2]) == "--embedded";
    try {
        std::vector<Variant> routers = variants();
        {
            ShmDir shm;
            ServicesList services = startEach(routers, embedded(1), &shm, "bench");
            std::printf("embedded  database %s\n", services[0]->database().c_str());
            // The direct attachment shares the file with the worker.
            testsupport::useFirebirdRoot(services[0]->workdir() + "/services/firebird");
            std::string db = services[0]->database();
            measure(
                "embedded", services, routers, rounds, [&] { return direct(db, "masterkey", rounds); }, true);
        }
        if (embeddedOnly) return 0;
        {
            ShmDir shm;
            measureVisibility("embedded", routers, rounds, startEach(routers, embedded(2), &shm, "visibility"));
        }
        Server server;
        if (!startServer(server)) return 0;
        ServicesList services = startEach(routers, onServer(server));
        measure(
            "server", services, routers, rounds, [&] { return direct(server.database(), server.password(), rounds); },
            false);
        services.clear();
        testsupport::ServicesOptions two = onServer(server);
        two.workers = 2;
        measureVisibility("server", routers, rounds, startEach(routers, two));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "worker_roundtrip: %s\n", e.what());
        return 1;
    }
    return 0;
}

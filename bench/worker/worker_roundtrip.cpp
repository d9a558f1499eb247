// Round trip of a one-row SELECT: through ISDIO, isectd and Vantry (each
// query followed by the client's "commit") against the same statement run
// directly with the Firebird client library (prepare, execute, fetch,
// commit) on the same database.  Goal: ratio at most 2.
#include "worker_common.h"

#include <ibase.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace workerbench;

namespace {

const char kQuery[] = "select rdb$relation_id, rdb$character_set_name from rdb$database";

void check(const ISC_STATUS* status, const char* what)
{
    if (status[0] == 1 && status[1]) {
        isc_print_status(status);
        throw std::runtime_error(what);
    }
}

// Seconds per statement, run directly on the database.
double direct(const std::string& database, const std::string& password, int rounds)
{
    ISC_STATUS status[20];
    isc_db_handle db = 0;
    std::vector<char> dpb = {isc_dpb_version1, isc_dpb_user_name, 6, 'S', 'Y', 'S', 'D', 'B', 'A',
                             isc_dpb_password, static_cast<char>(password.size())};
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

double throughRouter(testsupport::Services& svc, int rounds)
{
    Client client(svc.host(), svc.service());
    double start = 0;
    for (int i = -rounds / 10; i < rounds; ++i) {
        if (i == 0) start = seconds();
        client.query(kQuery);
        client.word("commit");
    }
    client.query(kQuery);  // the last commit has been served before this reply
    double elapsed = seconds() - start;
    client.word("commit");
    return elapsed / rounds;
}

// The transport alone: "commit" asked with a reply is only echoed by the
// worker, without work in the database.
double echo(testsupport::Services& svc, int rounds)
{
    Client client(svc.host(), svc.service());
    double start = 0;
    for (int i = -rounds / 10; i < rounds; ++i) {
        if (i == 0) start = seconds();
        client.query("commit");
    }
    return (seconds() - start) / rounds;
}

void report(const char* where, double middleware, double fb, double transport)
{
    std::printf("%-9s through isectd+Vantry %8.1f us   direct fbclient %8.1f us   ratio %5.2f (goal <= 2)"
                "   [echo round trip without database work %6.1f us]\n",
                where, middleware * 1e6, fb * 1e6, middleware / fb, transport * 1e6);
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? std::atoi(argv[1]) : 1000;
    try {
        {
            // Every transaction writes the header page with forced writes;
            // on a shared disk those waits swamp both figures, so the
            // embedded database lies in memory when /dev/shm is there.
            std::string shm;
            char tmpl[] = "/dev/shm/vantry-bench-XXXXXX";
            if (access("/dev/shm", W_OK) == 0 && mkdtemp(tmpl)) shm = tmpl;
            testsupport::ServicesOptions options;
            options.workers = 1;
            if (!shm.empty()) options.database = shm + "/bench.fdb";
            testsupport::Services svc(options);
            std::printf("embedded  database %s\n", svc.database().c_str());
            // The direct attachment shares the file with the worker.
            setenv("FIREBIRD", (svc.workdir() + "/services/firebird").c_str(), 1);
            double m = 1e9, d = 1e9, e = 1e9;
            for (int batch = 0; batch < 3; ++batch) {
                m = std::min(m, throughRouter(svc, rounds));
                e = std::min(e, echo(svc, rounds));
            }
            // Alone on the file, as the worker was: two processes on one
            // file pass the header page through the disk on every
            // transaction.
            svc.stop();
            for (int batch = 0; batch < 3; ++batch) d = std::min(d, direct(svc.database(), "masterkey", rounds));
            report("embedded", m, d, e);
            if (!shm.empty()) testsupport::removeTree(shm);
        }
        Server server;
        if (!startServer(server)) return 0;
        testsupport::Services svc(onServer(server));
        double m = 1e9, d = 1e9, e = 1e9;
        for (int batch = 0; batch < 3; ++batch) {
            m = std::min(m, throughRouter(svc, rounds));
            e = std::min(e, echo(svc, rounds));
            d = std::min(d, direct(server.database(), server.password(), rounds));
        }
        report("server", m, d, e);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "worker_roundtrip: %s\n", e.what());
        return 1;
    }
    return 0;
}

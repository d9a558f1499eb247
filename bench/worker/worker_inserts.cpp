// 10 000 INSERT statements in one transaction: sent one by one through
// ISDIO, isectd and Vantry, against isql-fb running the same statements from
// a script on the same database (process start and attach included).
// Goal: ratio at most 1.5.
#include "worker_common.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

using namespace workerbench;

namespace {

std::string insert(const std::string& table, int i)
{
    return "insert into " + table + " (id, name, amount) values (" + std::to_string(i) + ", 'Lesson " +
           std::to_string(i) + "', " + std::to_string(i % 1000) + ".25)";
}

double throughRouter(Client& client, const std::string& table, int count)
{
    client.must("create table " + table + " (id integer, name varchar(40), amount numeric(9,2))");
    client.word("commit");
    double start = seconds();
    for (int i = 0; i < count; ++i) client.query(insert(table, i));
    client.word("commit");
    client.query("select count(*) from " + table);  // served after the commit
    double elapsed = seconds() - start;
    client.word("commit");
    return elapsed;
}

double withIsql(Client& client, const std::string& table, int count, const std::string& isql,
                const std::string& dir)
{
    client.must("create table " + table + " (id integer, name varchar(40), amount numeric(9,2))");
    client.word("commit");
    std::string script = dir + "/" + table + ".sql";
    {
        std::ofstream out(script);
        for (int i = 0; i < count; ++i) out << insert(table, i) << ";\n";
        out << "commit;\n";
    }
    double start = seconds();
    std::string out;
    if (testsupport::run(isql + " -i " + quote(script), &out) != 0 || !out.empty())
        throw std::runtime_error("isql-fb failed: " + out.substr(0, 500));
    return seconds() - start;
}

void measure(const char* where, testsupport::Services& svc, const std::string& isql, int count)
{
    Client client(svc.host(), svc.service());
    double router = 1e9, script = 1e9;
    for (int round = 0; round < 2; ++round) {
        std::string suffix = std::to_string(round);
        double r = throughRouter(client, "bench_router_" + suffix, count);
        double s = withIsql(client, "bench_isql_" + suffix, count, isql, svc.dir());
        if (r < router) router = r;
        if (s < script) script = s;
    }
    std::printf("%-9s %d INSERTs: through isectd+Vantry %.3f s (%.0f us each), isql-fb script %.3f s   "
                "ratio %5.2f (goal <= 1.5)\n",
                where, count, router, router / count * 1e6, script, router / script);
}

}  // namespace

int main(int argc, char** argv)
{
    int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    try {
        {
            testsupport::ServicesOptions options;
            options.workers = 1;
            testsupport::Services svc(options);
            std::string isql = "FIREBIRD=" + quote(svc.workdir() + "/services/firebird") +
                               " isql-fb -q -b -user SYSDBA -password masterkey " + quote(svc.database());
            measure("embedded", svc, isql, count);
        }
        Server server;
        if (!startServer(server)) return 0;
        testsupport::Services svc(onServer(server));
        std::string isql = "isql-fb -q -b -user SYSDBA -password " + quote(server.password()) + " " +
                           quote(server.database());
        measure("server", svc, isql, count);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "worker_inserts: %s\n", e.what());
        return 1;
    }
    return 0;
}

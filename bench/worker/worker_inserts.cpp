// 10 000 INSERT statements in one transaction: sent one by one through
// ISDIO, isectd and Vantry, against isql-fb running the same statements from
// a script on the same database (process start and attach included).
// Goal: ratio at most 1.5.
#include "worker_common.h"

#include "isdio.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

using namespace workerbench;

namespace {

const int kPerBlock = 100;

std::string insert(const std::string& table, int i) {
    return "insert into " + table + " (id, name, amount) values (" + std::to_string(i) + ", 'Lesson " +
           std::to_string(i) + "', " + std::to_string(i % 1000) + ".25)";
}

double throughRouter(Client& client, const std::string& table, int count) {
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

// The same statements sent without waiting for each reply (isdSendPiped),
// all replies read by the time the commit's answer comes.
double throughRouterPiped(Client& client, const std::string& table, int count) {
    client.must("create table " + table + " (id integer, name varchar(40), amount numeric(9,2))");
    client.word("commit");
    int failed = 0;
    isdSetPipeReply(
        client.handle(),
        [](void* context, int, const char* data, int, const char* failure) {
            if (!data || !std::strchr(data, '[')) ++*static_cast<int*>(context);
            (void)failure;
        },
        &failed);
    double start = seconds();
    for (int i = 0; i < count; ++i) {
        std::string sql = insert(table, i);
        IsdHeader header{};
        if (isdSendPiped(client.handle(), sql.c_str(), static_cast<int>(sql.size()), &header) < 0)
            throw std::runtime_error(std::string("piped send failed: ") + isdLastError());
    }
    if (isdPipeWait(client.handle()) != 0 || failed)
        throw std::runtime_error("piped INSERTs failed: " + std::to_string(failed));
    client.word("commit");
    client.query("select count(*) from " + table);  // served after the commit
    double elapsed = seconds() - start;
    client.word("commit");
    isdSetPipeReply(client.handle(), nullptr, nullptr);
    return elapsed;
}

// The same statements `per` to an EXECUTE BLOCK, each block a round trip.
double throughRouterBlocks(Client& client, const std::string& table, int count, int per) {
    client.must("create table " + table + " (id integer, name varchar(40), amount numeric(9,2))");
    client.word("commit");
    double start = seconds();
    for (int i = 0; i < count; i += per) {
        std::string sql = "execute block as begin\n";
        for (int k = i; k < std::min(count, i + per); ++k) sql += insert(table, k) + ";\n";
        client.must(sql + "end");
    }
    client.word("commit");
    client.query("select count(*) from " + table);  // served after the commit
    double elapsed = seconds() - start;
    client.word("commit");
    return elapsed;
}

double withIsql(Client& client, const std::string& table, int count, const std::string& isql, const std::string& dir) {
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

// The routers of variants() side by side on one database, rounds taken in turn.
void measure(const std::string& where, ServicesList& services, const std::vector<Variant>& routers,
             const std::string& isql, int count) {
    std::vector<std::unique_ptr<Client>> clients;
    for (auto& svc : services) clients.push_back(std::make_unique<Client>(svc->host(), svc->service(), svc->key()));
    std::vector<double> router(routers.size(), 1e9), piped(routers.size(), 1e9), blocks(routers.size(), 1e9);
    double script = 1e9;
    for (int round = 0; round < 2; ++round) {
        std::string suffix = std::to_string(round);
        for (std::size_t v = 0; v < routers.size(); ++v)
            router[v] =
                std::min(router[v], throughRouter(*clients[v], "bench_" + routers[v].name + "_" + suffix, count));
        for (std::size_t v = 0; v < routers.size(); ++v)
            piped[v] = std::min(
                piped[v], throughRouterPiped(*clients[v], "bench_piped_" + routers[v].name + "_" + suffix, count));
        for (std::size_t v = 0; v < routers.size(); ++v)
            blocks[v] = std::min(
                blocks[v],
                throughRouterBlocks(*clients[v], "bench_block_" + routers[v].name + "_" + suffix, count, kPerBlock));
        script = std::min(script, withIsql(*clients[0], "bench_isql_" + suffix, count, isql, services[0]->dir()));
    }
    for (std::size_t v = 0; v < routers.size(); ++v)
        std::printf(
            "%-16s %d INSERTs: through isectd+Vantry %.3f s (%.0f us each), isql-fb script %.3f s   "
            "ratio %5.2f (goal <= %s)\n",
            (where + " " + routers[v].name).c_str(), count, router[v], router[v] / count * 1e6, script,
            router[v] / script, where == "server" ? "1.2" : "2.0");
    for (std::size_t v = 0; v < routers.size(); ++v)
        std::printf(
            "%-16s %d INSERTs piped (%d under way): through isectd+Vantry %.3f s (%.0f us each), isql-fb %.3f s   "
            "ratio %5.2f (goal <= %s)\n",
            (where + " " + routers[v].name).c_str(), count, isdPipeLimit(clients[v]->handle()), piped[v],
            piped[v] / count * 1e6, script, piped[v] / script, where == "server" ? "1.1" : "1.5");
    for (std::size_t v = 0; v < routers.size(); ++v)
        std::printf(
            "%-16s %d INSERTs as EXECUTE BLOCKs of %d: through isectd+Vantry %.3f s, isql-fb %.3f s   ratio %5.2f\n",
            (where + " " + routers[v].name).c_str(), count, kPerBlock, blocks[v], script, blocks[v] / script);
}

}  // namespace

int main(int argc, char** argv) {
    int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    try {
        std::vector<Variant> routers = variants();
        {
            // The routers share one database file, each with its worker.
            ServicesList services = startEach(routers, embedded(1), nullptr, "", true);
            std::string isql = testsupport::firebirdEnv(services[0]->workdir() + "/services/firebird") +
                               "isql-fb -q -b -user SYSDBA -password masterkey " + quote(services[0]->database());
            measure("embedded", services, routers, isql, count);
        }
        Server server;
        if (!startServer(server)) return 0;
        ServicesList services = startEach(routers, onServer(server));
        std::string isql =
            "isql-fb -q -b -user SYSDBA -password " + quote(server.password()) + " " + quote(server.database());
        measure("server", services, routers, isql, count);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "worker_inserts: %s\n", e.what());
        return 1;
    }
    return 0;
}

// Vantry served through the real router: a client speaks ISDIO to isectd,
// which runs Vantry workers on a fresh database.  Every case runs on an
// embedded database file and again on a Firebird server reached over
// host:path (started by scripts/fbserver; skipped where none can start).
#include "isdio.h"
#include "support/FirebirdServer.h"
#include "support/IsdClient.h"
#include "support/Services.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

using testsupport::Services;
using testsupport::ServicesOptions;

namespace {

using testsupport::Block;
using testsupport::joined;
// Failures thrown: these tests need every request to get through.
using Client = testsupport::CheckedClient;

std::string quote(const std::string& s) { return testsupport::shellQuote(s); }

bool isError(const std::string& reply) { return reply.find('[') == std::string::npos; }

// ---- the two ways of reaching the database ----

const char kEmbedded[] = "embedded";
const char kServer[] = "server";

struct Backend {
    testsupport::FirebirdServer server;  // server mode only
    std::unique_ptr<Services> services;  // goes first: the router and its workers
    std::string password;                // server mode: SYSDBA's password
    std::string skipReason;              // set when this backend cannot run here
};

Backend* makeServerBackend() {
    auto* b = new Backend;
    if (!b->server.start("vantry.fdb")) {
        b->skipReason = "no Firebird server: " + b->server.why();
        return b;
    }
    b->password = b->server.password();
    ServicesOptions options;
    options.workers = 1;
    options.database = b->server.database();
    options.password = b->password;
    options.singleAccount = true;  // the tests make tables of their own
    b->services = std::make_unique<Services>(options);
    return b;
}

std::map<std::string, std::unique_ptr<Backend>> made;

// Everything started for the tests ends with them.
class BackendCleanup : public ::testing::Environment {
public:
    void TearDown() override { made.clear(); }
};
const auto* const cleanup = ::testing::AddGlobalTestEnvironment(new BackendCleanup);

Backend& backend(const std::string& mode) {
    auto it = made.find(mode);
    if (it != made.end()) return *it->second;
    Backend* b;
    if (mode == kServer) {
        b = makeServerBackend();
    } else {
        b = new Backend;
        ServicesOptions options;
        options.workers = 1;
        options.singleAccount = true;  // the tests make tables of their own
        b->services = std::make_unique<Services>(options);
    }
    made[mode].reset(b);
    return *b;
}

class VantryServiceTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        Backend& b = backend(GetParam());
        if (!b.skipReason.empty()) GTEST_SKIP() << b.skipReason;
        svc = b.services.get();
        password = b.password;
        client = std::make_unique<Client>(svc->host(), svc->service(), svc->key());
    }
    void TearDown() override { client.reset(); }

    // A table name of this test alone (one database serves all tests).
    std::string table(const std::string& stem) {
        return stem + "_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()).substr(0, 10);
    }

    // Another client beside the router: isql on the same database.
    std::string isql(const std::string& sql) {
        if (password.empty()) return svc->isql(sql);
        std::string out;
        testsupport::run("echo " + quote(sql) + " | isql-fb -q -user SYSDBA -password " + quote(password) + " " +
                             quote(svc->database()),
                         &out);
        return out;
    }
    // The count isql reports for a table.  A word sent without a reply may
    // still be on its way when isql looks: a query's round trip first, which
    // the worker answers only after every earlier request has run.
    long count(const std::string& name) {
        if (client) client->text("select 1 from rdb$database");
        std::string out = isql("select 'n=' || count(*) from " + name + ";");
        std::smatch m;
        if (!std::regex_search(out, m, std::regex("n=([0-9]+)"))) return -1;
        return std::stol(m[1]);
    }

    Services* svc = nullptr;
    std::string password;
    std::unique_ptr<Client> client;
};

}  // namespace

TEST_P(VantryServiceTest, EveryTypeOfTheTable) {
    std::string t = table("typed");
    ASSERT_EQ(client->text("create table " + t +
                           " (c char(5), v varchar(20), e varchar(20), s smallint, i integer, "
                           "b bigint, f float, d double precision, ts timestamp, dt date, tm time, "
                           "bl blob sub_type text, n1 numeric(9,2), n2 numeric(9,2), n3 decimal(18,4), "
                           "n4 numeric(4,1), nn integer)"),
              "[[],[]]");
    ASSERT_EQ(client->text("insert into " + t +
                           " values ('ab', 'x,y''z)  ', '', -3, 5, 1234567890123, 1.5, 3.25, "
                           "'2014-06-30 08:05:00', '2014-06-30', '08:05:00.1234', 'blob text', -0.05, "
                           "-12.34, -12345.6789, -0.7, null)"),
              "[[],[]]");
    auto blocks = client->query("select * from " + t);
    client->word("commit");
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].more, -1);
    std::regex expected(
        "\\[\\[\\{'name':'C','type':'s','null':1,'width':5\\},\\{'name':'V','type':'s','null':1,'width':20\\},"
        "\\{'name':'E','type':'s','null':1,'width':20\\},\\{'name':'S','type':'i','null':1,'width':2\\},"
        "\\{'name':'I','type':'i','null':1,'width':4\\},\\{'name':'B','type':'i','null':1,'width':8\\},"
        "\\{'name':'F','type':'n','null':1,'width':4\\},\\{'name':'D','type':'n','null':1,'width':8\\},"
        "\\{'name':'TS','type':'d','null':1,'width':8\\},\\{'name':'DT','type':'d','null':1,'width':4\\},"
        "\\{'name':'TM','type':'d','null':1,'width':4\\},\\{'name':'BL','type':'s','null':1,'width':8\\},"
        "\\{'name':'N1','type':'i','null':1,'width':4\\},\\{'name':'N2','type':'i','null':1,'width':4\\},"
        "\\{'name':'N3','type':'i','null':1,'width':8\\},\\{'name':'N4','type':'i','null':1,'width':2\\},"
        "\\{'name':'NN','type':'i','null':1,'width':4\\}\\],\n"
        "\\[\\['ab','x\\\\054y\\\\047z\\\\051','',    -3,          5,        1234567890123,"
        "            1\\.5,                3\\.250000,'2014-06-30 08:05:00\\.0000','2014-06-30',"
        "'08:05:00\\.1234', *-?[0-9]{8}:-?[0-9]{8},      -0\\.05,     -12\\.34,          -12345\\.6789,"
        "  -0\\.7,None\\]\\]\\]\n");
    EXPECT_TRUE(std::regex_match(blocks[0].data, expected)) << blocks[0].data;
}

TEST_P(VantryServiceTest, DataDefinitionIsCommittedAtOnceButInsertIsNot) {
    std::string t = table("t");
    ASSERT_EQ(client->text("create table " + t + " (id integer)"), "[[],[]]");
    EXPECT_EQ(count(t), 0);  // the table is there for another client at once

    ASSERT_EQ(client->text("insert into " + t + " values (1)"), "[[],[]]");
    EXPECT_EQ(count(t), 0);
    // The same client sees its own row before the commit.
    EXPECT_NE(client->text("select count(*) from " + t).find("[                    1]"), std::string::npos);
    client->word("commit");
    // The commit's echo never reaches the client: the next reply is the
    // reply to the next query.
    auto blocks = client->query("select id from " + t);
    EXPECT_EQ(joined(blocks), "[[{'name':'ID','type':'i','null':1,'width':4}],\n[[          1]]]\n");
    client->word("commit");
    EXPECT_EQ(count(t), 1);

    client->text("insert into " + t + " values (2)");
    client->word("rollback");
    EXPECT_EQ(client->text("select count(*) from " + t),
              "[[{'name':'COUNT','type':'i','null':0,'width':8}],\n[[                    1]]]\n");
    client->word("commit");
}

TEST_P(VantryServiceTest, AnyWordBeginningWithCommitCommits) {
    std::string t = table("t");
    client->text("create table " + t + " (id integer)");
    client->text("insert into " + t + " values (1)");
    client->word("commitXYZ");
    EXPECT_EQ(count(t), 1);

    // Asked with a reply, the worker answers with the word itself.
    client->text("insert into " + t + " values (2)");
    auto blocks = client->query("commitXYZ");
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].data, "commitXYZ");
    EXPECT_EQ(blocks[0].more, 0);
    EXPECT_EQ(count(t), 2);
    client->word("commit");
}

TEST_P(VantryServiceTest, CapitalCommitFailsAsSql) {
    std::string t = table("t");
    client->text("create table " + t + " (id integer)");
    client->text("insert into " + t + " values (1)");
    auto blocks = client->query("Commit");
    client->word("rollback");
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_TRUE(isError(blocks[0].data)) << blocks[0].data;
    EXPECT_EQ(blocks[0].more, 0);
    EXPECT_EQ(count(t), 0);
}

TEST_P(VantryServiceTest, MoreFlagsOfALongReply) {
    // A one-value reply of exactly 5000 bytes.
    int width = 0;
    std::string head;
    for (int w = 4000; w < 5000; ++w) {
        head = "[[{'name':'X','type':'s','null':1,'width':" + std::to_string(w) + "}],\n";
        if (head.size() + 3 + w + 5 == 5000) {
            width = w;
            break;
        }
    }
    ASSERT_GT(width, 0);
    std::string value;
    for (int i = 0; i < width; ++i) value += "ab"[i % 2];
    std::string sql = "select cast(rpad('', " + std::to_string(width) + ", 'ab') as varchar(" + std::to_string(width) +
                      ")) as x from rdb$database";

    for (int more : {1, 0}) {
        auto blocks = client->query(sql, more);
        ASSERT_EQ(blocks.size(), 5u) << "more " << more;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(blocks[i].data.size(), 1023u);
            EXPECT_EQ(blocks[i].more, 1);
        }
        EXPECT_EQ(blocks[4].data.size(), 908u);
        EXPECT_EQ(blocks[4].more, more ? -1 : 0);
        std::string text = joined(blocks);
        EXPECT_EQ(text.size(), 5000u);
        EXPECT_TRUE(text.substr(text.find('\n') + 1) == "[['" + value + "']]]\n");
    }
    client->word("commit");
}

TEST_P(VantryServiceTest, ShortReplyEndsWithTheRequestsMore) {
    auto blocks = client->query("select 1 as one from rdb$database", 0);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].more, 0);
    blocks = client->query("select 1 as one from rdb$database", 1);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].more, -1);
    EXPECT_EQ(blocks[0].data, "[[{'name':'ONE','type':'i','null':0,'width':4}],\n[[          1]]]\n");
    client->word("commit");
}

TEST_P(VantryServiceTest, ErrorReplyHasNoBracketAndMoreZero) {
    auto blocks = client->query("select * from no_such_table");
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_TRUE(isError(blocks[0].data)) << blocks[0].data;
    EXPECT_NE(blocks[0].data.find("NO_SUCH_TABLE"), std::string::npos) << blocks[0].data;
    EXPECT_EQ(blocks[0].more, 0);
    client->word("rollback");

    // The worker goes on serving.
    EXPECT_FALSE(isError(client->text("select 1 from rdb$database")));
    client->word("commit");
}

TEST_P(VantryServiceTest, OverLargeRowGetsAnErrorReply) {
    std::string t = table("wide");
    client->text("create table " + t + " (a varchar(32000))");
    client->text("insert into " + t + " values ('x')");
    client->word("commit");
    auto blocks = client->query("select a, a as b, a as c, a as d, a as e from " + t);
    client->word("rollback");
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].data, "Vantry - Result row is larger than the 160000-byte row buffer.\n");
    EXPECT_EQ(blocks[0].more, 0);
    EXPECT_FALSE(isError(client->text("select count(*) from " + t)));
    client->word("commit");
}

INSTANTIATE_TEST_SUITE_P(Database, VantryServiceTest, ::testing::Values(kEmbedded, kServer),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// ---- Vantry run directly ----

namespace {

std::string vantry() { return quote(testsupport::buildDir() + "/Vantry"); }

}  // namespace

TEST(VantryCommandLineTest, TooFewArgumentsPrintTheUsage) {
    std::string out;
    // The router's four arguments, a database and a user name: no password.
    EXPECT_EQ(testsupport::run(vantry() + " 127.0.0.1:1 Plenwick w1 /tmp /tmp/x.fdb SYSDBA", &out, false), 1);
    EXPECT_EQ(out,
              "You must have three arguments: database  username  password\n"
              "Two additional arguments that you can have are: charset  role\n");
    EXPECT_EQ(testsupport::run(vantry(), &out, false), 1);
    EXPECT_EQ(out.rfind("You must have three arguments", 0), 0u);
}

TEST(VantryCommandLineTest, AttachFailureNamesTheDatabase) {
    std::string out;
    EXPECT_EQ(
        testsupport::run(vantry() + " 127.0.0.1:1 Plenwick w1 /tmp /nonexistent/dir/x.fdb SYSDBA pw", &out, false), 1);
    EXPECT_EQ(out.rfind("Could not open database /nonexistent/dir/x.fdb\n", 0), 0u) << out;
}

TEST(VantryCommandLineTest, NoRouterEndsTheWorkerWithFailure) {
    ServicesOptions options;
    options.start = false;
    Services svc(options);
    std::string out;
    // Attaches to the database, then finds nobody at the router's endpoint.
    std::string cmd = testsupport::firebirdEnv(svc.workdir() + "/services/firebird") + vantry() +
                      " 127.0.0.1:1 Plenwick w1 " + quote(svc.logdir()) + " " + quote(svc.database()) +
                      " SYSDBA masterkey";
    testsupport::run("mkdir -p " + quote(svc.logdir()) + " && " + quote(testsupport::sourceDir() + "/scripts/fbroot") +
                     " " + quote(svc.workdir() + "/services/firebird"));
    EXPECT_EQ(testsupport::run(cmd, &out), 1);
    EXPECT_NE(out.find("isdConnect(): "), std::string::npos) << out;
}

// The worker's statement execution and request handling on a real embedded
// database, without the router.
#include "ValueText.h"
#include "worker/WorkerTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>

using namespace vantrytest;

namespace {

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        database = createDatabase();
        a = std::make_unique<LocalWorker>(database);
        ASSERT_TRUE(a->attached);
    }
    void TearDown() override {
        a.reset();
        b.reset();
        removeDatabase(database);
    }
    // A second attachment: another client's view of the database.
    LocalWorker& other() {
        if (!b) b = std::make_unique<LocalWorker>(database, "worker-2");
        return *b;
    }
    // Runs statements that must succeed, then commits.
    void setup(std::initializer_list<const char*> statements) {
        for (const char* sql : statements) {
            std::string reply = a->ask(sql);
            ASSERT_EQ(reply.rfind("[[", 0), 0u) << sql << "\n" << reply;
        }
        a->ask("commit");
    }

    std::string database;
    std::unique_ptr<LocalWorker> a, b;
};

bool isError(const std::string& reply) { return reply.find('[') == std::string::npos; }

}  // namespace

TEST_F(WorkerTest, AnswersAQueryInResultText) {
    setup({"create table lesson (id integer not null, title varchar(80))", "insert into lesson values (1, 'Fractions')",
           "insert into lesson values (2, null)"});
    EXPECT_EQ(a->ask("select id, title from lesson order by id"),
              "[[{'name':'ID','type':'i','null':0,'width':4},{'name':'TITLE','type':'s','null':1,'width':80}],\n"
              "[[          1,'Fractions'],\n"
              "[          2,None]]]\n");
    EXPECT_EQ(a->lastMore(), -1);
    EXPECT_TRUE(a->transport.logged("msgBufferIn = select id, title from lesson order by id, length = 40, more = 1\n"));

    EXPECT_EQ(a->ask("select id as \"Key\", title from lesson where id < 0"),
              "[[{'name':'Key','type':'i','null':0,'width':4},{'name':'TITLE','type':'s','null':1,'width':80}],\n"
              "[]]\n");
}

TEST_F(WorkerTest, EveryTypeOfTheTable) {
    setup(
        {"create table typed (c char(5), v varchar(20), e varchar(20), s smallint, i integer, "
         "b bigint, f float, d double precision, ts timestamp, dt date, tm time, bl blob sub_type text, "
         "n1 numeric(9,2), n2 numeric(9,2), n3 decimal(18,4), n4 numeric(4,1), nn integer)",
         "insert into typed values ('ab', 'x,y''z)  ', '', -3, 5, 1234567890123, 1.5, 3.25, "
         "'2014-06-30 08:05:00', '2014-06-30', '08:05:00.1234', 'blob text', -0.05, -12.34, "
         "-12345.6789, -0.7, null)"});
    std::string reply = a->ask("select * from typed");
    std::string head =
        "[[{'name':'C','type':'s','null':1,'width':5},{'name':'V','type':'s','null':1,'width':20},"
        "{'name':'E','type':'s','null':1,'width':20},{'name':'S','type':'i','null':1,'width':2},"
        "{'name':'I','type':'i','null':1,'width':4},{'name':'B','type':'i','null':1,'width':8},"
        "{'name':'F','type':'n','null':1,'width':4},{'name':'D','type':'n','null':1,'width':8},"
        "{'name':'TS','type':'d','null':1,'width':8},{'name':'DT','type':'d','null':1,'width':4},"
        "{'name':'TM','type':'d','null':1,'width':4},{'name':'BL','type':'s','null':1,'width':8},"
        "{'name':'N1','type':'i','null':1,'width':4},{'name':'N2','type':'i','null':1,'width':4},"
        "{'name':'N3','type':'i','null':1,'width':8},{'name':'N4','type':'i','null':1,'width':2},"
        "{'name':'NN','type':'i','null':1,'width':4}],\n";
    ASSERT_EQ(reply.substr(0, head.size()), head);
    std::string row = reply.substr(head.size());
    std::regex expected(
        "\\[\\['ab','x\\\\054y\\\\047z\\\\051','',    -3,          5,        1234567890123,"
        "            1.5,                3.250000,'2014-06-30 08:05:00.0000','2014-06-30',"
        "'08:05:00.1234', *-?[0-9]{8}:-?[0-9]{8},      -0.05,     -12.34,          -12345.6789,"
        "  -0.7,None\\]\\]\\]\n");
    EXPECT_TRUE(std::regex_match(row, expected)) << row;
    // The blob id takes 17 characters.
    std::smatch m;
    ASSERT_TRUE(std::regex_search(row, m, std::regex("'08:05:00.1234',([^,]*),")));
    EXPECT_EQ(m[1].length(), 17);
}

TEST_F(WorkerTest, StatementWithoutColumnsAnswersEmptyLists) {
    setup({"create table t (id integer)"});
    EXPECT_EQ(a->ask("insert into t values (1)"), "[[],[]]");
    EXPECT_EQ(a->lastMore(), -1);
    EXPECT_EQ(a->ask("update t set id = 2", 0), "[[],[]]");
    EXPECT_EQ(a->lastMore(), 0);
    EXPECT_TRUE(a->transport.logged("final msgBufferOut = [[],[]], length = 7, more = 0\n"));
}

TEST_F(WorkerTest, DataDefinitionIsCommittedAtOnceButInsertIsNot) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(a->ask("create table t (id integer)"), "[[],[]]");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\tCommitting...\n");
    EXPECT_FALSE(a->worker.inTransaction());

    // The table exists for another attachment at once.
    EXPECT_FALSE(isError(other().ask("select count(*) from t")));
    other().ask("commit");

    testing::internal::CaptureStdout();
    a->ask("insert into t values (7)");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(a->worker.inTransaction());
    // The same worker sees its own change, the other attachment does not.
    EXPECT_NE(a->ask("select id from t").find("          7"), std::string::npos);
    EXPECT_NE(other().ask("select count(*) from t").find("[                    0]"), std::string::npos);
    other().ask("commit");

    a->ask("commit");
    EXPECT_FALSE(a->worker.inTransaction());
    EXPECT_NE(other().ask("select count(*) from t").find("[                    1]"), std::string::npos);
}

TEST_F(WorkerTest, CommitAndRollbackAnswerWithTheirOwnWords) {
    setup({"create table t (id integer)"});

    // No transaction open: still answered.
    EXPECT_EQ(a->ask("commit"), "commit");
    ASSERT_EQ(a->transport.blocks.size(), 1u);
    EXPECT_EQ(a->lastMore(), 0);
    EXPECT_TRUE(a->transport.logged("Committing - OK\n"));

    a->ask("insert into t values (1)");
    EXPECT_EQ(a->ask("rollback"), "rollback");
    EXPECT_EQ(a->lastMore(), 0);
    EXPECT_TRUE(a->transport.logged("Rolling back - Zope error\n"));
    EXPECT_FALSE(a->worker.inTransaction());
    EXPECT_NE(a->ask("select count(*) from t").find("[                    0]"), std::string::npos);

    // Anything beginning with "commit" commits.
    a->ask("insert into t values (2)");
    EXPECT_EQ(a->ask("commitXYZ", 1), "commitXYZ");
    EXPECT_EQ(a->lastMore(), 0);
    EXPECT_FALSE(a->worker.inTransaction());
    EXPECT_NE(other().ask("select count(*) from t").find("[                    1]"), std::string::npos);

    a->ask("insert into t values (3)");
    EXPECT_EQ(a->ask("rollback work"), "rollback work");
    EXPECT_FALSE(a->worker.inTransaction());
}

// A row held by another attachment's open transaction: the statement waits
// a few seconds, then fails with the lock time-out instead of waiting for
// good; once the holder has rolled back the same statement goes through.
TEST_F(WorkerTest, ARowHeldByAnotherTransactionFailsAfterTheLockTimeout) {
    setup({"create table plans (id integer not null primary key, name varchar(40))",
           "insert into plans values (1, 'Number')"});
    ASSERT_EQ(a->ask("update plans set name = 'Held' where id = 1"), "[[],[]]");
    const std::string reply = other().ask("update plans set name = 'Mine' where id = 1");
    EXPECT_TRUE(isError(reply)) << reply;
    EXPECT_NE(reply.find("update conflicts with concurrent update"), std::string::npos) << reply;
    EXPECT_FALSE(other().worker.inTransaction());  // rolled back, as every failed statement
    a->ask("rollback");
    EXPECT_EQ(other().ask("update plans set name = 'Mine' where id = 1"), "[[],[]]");
    other().ask("commit");
    EXPECT_EQ(a->ask("select name from plans"), "[[{'name':'NAME','type':'s','null':1,'width':40}],\n[['Mine']]]\n");
}

TEST_F(WorkerTest, CapitalCommitIsExecutedAsSqlAndFails) {
    setup({"create table t (id integer)"});
    for (const char* word : {"Commit", "COMMIT WORK", "Rollback"}) {
        a->ask("insert into t values (1)");
        std::string reply = a->ask(word);
        EXPECT_EQ(reply, "Vantry - A transaction is ended only by the requests commit and rollback.\n");
        EXPECT_EQ(a->lastMore(), 0);
        EXPECT_TRUE(a->transport.logged("Rolling back - SQL error\n"));
        EXPECT_FALSE(a->worker.inTransaction());
        EXPECT_NE(a->ask("select count(*) from t").find("[                    0]"), std::string::npos) << word;
    }
    // SET TRANSACTION inside the open transaction fails in the engine.
    a->ask("insert into t values (1)");
    EXPECT_TRUE(isError(a->ask("set transaction")));
    EXPECT_FALSE(a->worker.inTransaction());
    EXPECT_FALSE(isError(a->ask("insert into t values (1)")));
}

TEST_F(WorkerTest, ErrorReplyHoldsOnlyTheErrorTextAndRollsBack) {
    setup({"create table t (id integer)"});
    a->ask("insert into t values (1)");
    std::string reply = a->ask("select * from missing_table");
    EXPECT_TRUE(isError(reply)) << reply;
    EXPECT_NE(reply.find("Table unknown\n"), std::string::npos) << reply;
    EXPECT_NE(reply.find("MISSING_TABLE"), std::string::npos) << reply;
    EXPECT_EQ(reply.back(), '\n');
    EXPECT_EQ(a->lastMore(), 0);
    EXPECT_TRUE(a->transport.logged("formatError origin = isc_dsql_prepare\n"));
    EXPECT_TRUE(a->transport.logged("Rolling back - SQL error\n"));
    EXPECT_FALSE(a->worker.inTransaction());
    // The insert before it went with the rollback.
    EXPECT_NE(a->ask("select count(*) from t").find("[                    0]"), std::string::npos);

    // An execute error.
    reply = a->ask("insert into t values ('not a number')", 0);
    EXPECT_TRUE(isError(reply)) << reply;
    EXPECT_EQ(a->lastMore(), 0);
    EXPECT_TRUE(a->transport.logged("formatError origin = isc_dsql_execute 1\n"));
}

TEST_F(WorkerTest, FetchFailureKeepsTheRowsBeforeTheErrorLines) {
    setup({"create table t (id integer)", "insert into t values (1)", "insert into t values (2)",
           "insert into t values (3)"});
    std::string reply = a->ask("select 6/(id-3) as q from t order by id");
    std::string rows =
        "[[{'name':'Q','type':'i','null':1,'width':8}],\n"
        "[[                   -3],\n"
        "[                   -6]]]\n";
    ASSERT_EQ(reply.substr(0, rows.size()), rows) << reply;
    std::string error = reply.substr(rows.size());
    EXPECT_NE(error.find("divide by zero"), std::string::npos) << reply;
    EXPECT_EQ(a->lastMore(), 0);
    EXPECT_TRUE(a->transport.logged("formatError origin = fetch_stat\n"));
    EXPECT_FALSE(a->worker.inTransaction());
    // The statement handle is usable again.
    EXPECT_FALSE(isError(a->ask("select id from t")));
}

TEST_F(WorkerTest, RowLargerThanTheRowBufferIsRefused) {
    setup({"create table wide (a varchar(32000), f integer)", "insert into wide values ('x', 1)"});
    // Four such columns fit: 4 * (32000 + 5) bytes and their indicators.
    std::string fits = a->ask("select a, a as b, a as c, a as d from wide");
    EXPECT_NE(fits.find("[['x','x','x','x']]]\n"), std::string::npos) << fits;

    a->ask("insert into wide values ('y', 2)");
    std::string reply = a->ask("select a, a as b, a as c, a as d, a as e from wide");
    EXPECT_EQ(reply, "Vantry - Result row is larger than the 160000-byte row buffer.\n");
    EXPECT_EQ(a->lastMore(), 0);
    EXPECT_TRUE(a->transport.logged("formatError origin = row buffer\n"));
    EXPECT_FALSE(a->worker.inTransaction());
    // The worker goes on; the insert went with the rollback.
    EXPECT_EQ(a->ask("select count(*) from wide"),
              "[[{'name':'COUNT','type':'i','null':0,'width':8}],\n[[                    1]]]\n");
}

TEST_F(WorkerTest, DescriptorAreaGrowsForManyColumns) {
    EXPECT_EQ(a->worker.columnCapacity(), vantry::Worker::kInitialColumns);
    std::string sql = "select ";
    std::string values;
    for (int i = 1; i <= 27; ++i) {
        sql += (i > 1 ? ", " : "") + std::to_string(i) + " as c" + std::to_string(i);
        values += (i > 1 ? "," : "") + std::string(i < 10 ? 10 : 9, ' ') + std::to_string(i);
    }
    sql += " from rdb$database";
    std::string reply = a->ask(sql);
    EXPECT_EQ(a->worker.columnCapacity(), 27);
    EXPECT_NE(reply.find("{'name':'C27','type':'i','null':0,'width':4}],\n"), std::string::npos) << reply;
    EXPECT_NE(reply.find("[[" + values + "]]]\n"), std::string::npos) << reply;

    a->ask("select 1 as one from rdb$database");
    EXPECT_EQ(a->worker.columnCapacity(), 27);  // never shrinks
}

TEST_F(WorkerTest, ProcedureAndReturningRowsAreAnswered) {
    setup({"create table t (id integer, name varchar(10))",
           "create procedure twice (x integer) returns (y integer) as begin y = 2 * x; end"});
    EXPECT_EQ(a->ask("execute procedure twice(21)"),
              "[[{'name':'Y','type':'i','null':1,'width':4}],\n[[         42]]]\n");
    EXPECT_EQ(a->ask("insert into t values (5, 'five') returning id, name"),
              "[[{'name':'ID','type':'i','null':1,'width':4},{'name':'NAME','type':'s','null':1,'width':10}],\n"
              "[[          5,'five']]]\n");
    EXPECT_EQ(a->ask("update t set name = 'six' where id = 5 returning old.name, new.name"),
              "[[{'name':'NAME','type':'s','null':1,'width':10},{'name':'NAME','type':'s','null':1,'width':10}],\n"
              "[['five','six']]]\n");
    EXPECT_EQ(a->ask("delete from t where id = 5 returning id"),
              "[[{'name':'ID','type':'i','null':1,'width':4}],\n[[          5]]]\n");
    EXPECT_EQ(a->ask("select count(*) from t"),
              "[[{'name':'COUNT','type':'i','null':0,'width':8}],\n[[                    0]]]\n");
}

TEST_F(WorkerTest, CharacterSetOfTheConnection) {
    setup({"create table u (c char(5) character set utf8, v varchar(4) character set utf8)",
           "insert into u values ('ab', 'h\xc3\xa9')"});
    RecordingTransport transport;
    vantry::Worker utf8(transport, "w");
    vantry::ConnectParams params{database, "SYSDBA", "masterkey", "UTF8", ""};
    ASSERT_TRUE(utf8.attach(params) && utf8.allocate());
    std::string sql = "select c, v from u";
    ASSERT_EQ(utf8.serve(sql.c_str(), static_cast<int>(sql.size()), 1), vantry::Worker::Outcome::Served);
    // Widths in bytes: four per character.
    EXPECT_EQ(transport.text(),
              "[[{'name':'C','type':'s','null':1,'width':20},{'name':'V','type':'s','null':1,'width':16}],\n"
              "[['ab','h\xc3\xa9']]]\n");
    EXPECT_EQ(utf8.finish(), 0);
}

TEST_F(WorkerTest, LongReplyIsStreamedInFullBlocks) {
    // One VARCHAR value of 5000 - 64 - 3 characters: with the descriptor
    // line and the brackets the reply is 5000 bytes.
    const std::string head = "[[{'name':'X','type':'s','null':1,'width':4937}],\n";
    ASSERT_EQ(head.size(), 50u);
    std::string sql = "select cast(rpad('', 4937, 'ab') as varchar(4937)) as x from rdb$database";
    std::string reply = a->ask(sql);
    // head + "[['" + 4937 + "']]]\n" = 50 + 3 + 4937 + 5 ... adjust to the actual size
    ASSERT_EQ(reply.size(), head.size() + 3 + 4937 + 5);
    const auto& blocks = a->transport.blocks;
    std::size_t total = reply.size();
    ASSERT_EQ(blocks.size(), total / 1023 + 1);
    for (std::size_t i = 0; i + 1 < blocks.size(); ++i) {
        EXPECT_EQ(blocks[i].data.size(), 1023u);
        EXPECT_EQ(blocks[i].more, 1);
    }
    EXPECT_EQ(blocks.back().data.size(), total % 1023);
    EXPECT_EQ(blocks.back().more, -1);

    a->ask(sql, 0);
    EXPECT_EQ(a->transport.blocks.front().more, 1);
    EXPECT_EQ(a->transport.blocks.back().more, 0);
}

TEST_F(WorkerTest, EmptyRequestGetsAnEmptyBlock) {
    EXPECT_EQ(a->ask(""), "");
    ASSERT_EQ(a->transport.blocks.size(), 1u);
    EXPECT_EQ(a->lastMore(), 0);
}

TEST_F(WorkerTest, FailedSendIsLoggedAndTheWorkerGoesOn) {
    a->transport.failSends = true;
    a->ask("select 1 from rdb$database");
    ASSERT_FALSE(a->transport.errors.empty());
    EXPECT_EQ(a->transport.errors.front(), "worker-1: isdSend() reply\n");
    a->transport.failSends = false;
    EXPECT_FALSE(isError(a->ask("select 1 from rdb$database")));

    // A long reply: the full blocks go out unchecked, the final block's
    // failure is logged once.
    a->transport.failSends = true;
    a->ask("select cast(rpad('', 3000, 'x') as varchar(3000)) as x from rdb$database");
    EXPECT_EQ(a->transport.blocks.size(), 3u);
    ASSERT_EQ(a->transport.errors.size(), 1u);
    EXPECT_EQ(a->transport.errors.front(), "worker-1: isdSend() reply\n");
}

// Log records are written out once per request, after its reply and its
// last record, whatever the request was.
TEST_F(WorkerTest, EveryRequestEndsOnceAfterItsLogRecords) {
    for (const char* request : {"select 1 from rdb$database", "commit", "rollback", "", "select nothing"}) {
        a->transport.clear();
        a->ask(request);
        ASSERT_EQ(a->transport.logsAtDone.size(), 1u) << request;
        EXPECT_EQ(a->transport.logsAtDone[0], a->transport.logs.size()) << request;
    }
}

TEST(WorkerAttachTest, AttachFailurePrintsTheDatabase) {
    RecordingTransport transport;
    vantry::Worker worker(transport, "w");
    vantry::ConnectParams params{"/nonexistent/dir/x.fdb", "SYSDBA", "masterkey", "", ""};
    testing::internal::CaptureStdout();
    EXPECT_FALSE(worker.attach(params));
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("Could not open database /nonexistent/dir/x.fdb\n", 0), 0u) << out;
}

TEST(WorkerAttachTest, ParameterBlock) {
    std::vector<char> dpb;
    ASSERT_TRUE(vantry::buildDpb({"db", "SYSDBA", "pw", "", ""}, dpb));
    EXPECT_EQ(std::string(dpb.begin(), dpb.end()), std::string("\x01\x1c\x06SYSDBA\x1d\x02pw"));
    ASSERT_TRUE(vantry::buildDpb({"db", "u", "p", "UTF8", "R"}, dpb));
    EXPECT_EQ(std::string(dpb.begin(), dpb.end()), std::string("\x01\x1c\x01u\x1d\x01p\x30\x04UTF8\x3c\x01R"));
    EXPECT_FALSE(vantry::buildDpb({"db", "u", std::string(256, 'p'), "", ""}, dpb));
}

// A limited worker refuses the database's structure, users and rights
// before anything runs, even to an account that could; the open
// transaction goes as with any failed statement, and rows go on.
TEST_F(WorkerTest, ALimitedWorkerRefusesDataDefinitionAndMonitoring) {
    setup({"create table t (id integer)"});
    a->worker.setLimited(true);
    a->ask("insert into t values (1)");
    EXPECT_EQ(a->ask("create table u (id integer)"), vantry::kNotAllowed);
    EXPECT_EQ(a->lastMore(), 0);
    EXPECT_FALSE(a->worker.inTransaction());
    EXPECT_EQ(a->ask("grant select on t to user ANYONE"), vantry::kNotAllowed);
    EXPECT_EQ(a->ask("select count(*) from mon$attachments"), vantry::kNotAllowed);
    EXPECT_FALSE(isError(a->ask("insert into t values (2)")));
    a->ask("commit");
    EXPECT_NE(a->ask("select count(*) from t").find("[                    1]"), std::string::npos);
    EXPECT_NE(
        a->ask("select count(*) from rdb$relations where rdb$relation_name = 'U'").find("[                    0]"),
        std::string::npos);
}

TEST(GuardedTables, NamedOutsideQuotedTextsInAnyCase) {
    EXPECT_TRUE(vantry::namesGuardedTable("select * from MON$ATTACHMENTS"));
    EXPECT_TRUE(vantry::namesGuardedTable("select * from mon$statements"));
    EXPECT_TRUE(vantry::namesGuardedTable("select * from \"SEC$USERS\""));
    EXPECT_TRUE(vantry::namesGuardedTable("select s.sec$user_name from Sec$Users s"));
    EXPECT_TRUE(vantry::namesGuardedTable("select 'it''s' from rdb$database, mon$database"));
    EXPECT_FALSE(vantry::namesGuardedTable("insert into ChildYear values ('MON$ and SEC$')"));
    EXPECT_FALSE(vantry::namesGuardedTable("insert into t values ('it''s MON$ day')"));
    EXPECT_FALSE(vantry::namesGuardedTable("select * from LEMON$TREE, rdb$database"));
    EXPECT_FALSE(vantry::namesGuardedTable("select 'unclosed mon$"));
    EXPECT_FALSE(vantry::namesGuardedTable(""));
}

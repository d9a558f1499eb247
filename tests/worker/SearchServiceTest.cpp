// The search worker's work on a real (embedded) Firebird database: the
// index filled from the tables, changes committed by another attachment
// found by the next search through the change table's triggers, the index
// made again after it was deleted, attachments' text, replies in the
// worker's result text.
#include <gtest/gtest.h>

#include <string>

#include "SearchService.h"
#include "WorkerTestSupport.h"
#include "support/TestFiles.h"

namespace {

const char* const tables[] = {
    "CREATE TABLE TEACHERS (ID INTEGER NOT NULL PRIMARY KEY, TEACHER VARCHAR(140), SYNDICATE INTEGER)",
    "CREATE TABLE LONGTERM (ID INTEGER NOT NULL PRIMARY KEY, PLANNAME VARCHAR(140), DESCRIPTION VARCHAR(4400), "
    "PLANSTART DATE, FKSYNDICATE INTEGER)",
    "CREATE TABLE UNITPLAN (ID INTEGER NOT NULL PRIMARY KEY, UNITNAME VARCHAR(140), UNITDESCRIPTION VARCHAR(4400), "
    "FKLONGTERM INTEGER, FKTEACHER INTEGER)",
    "CREATE TABLE LESSONPLAN (ID INTEGER NOT NULL PRIMARY KEY, LESSONNAME VARCHAR(140), LESSONES VARCHAR(4400), "
    "LESSONAO VARCHAR(4400), LESSONSLO VARCHAR(4400), LESSONINTRO VARCHAR(4400), LESSONDEV VARCHAR(4400), "
    "LESSONCLOSE VARCHAR(4400), LESSONTEST VARCHAR(4400), LESSONRESOURCE VARCHAR(4400), LESSONREFLECT "
    "VARCHAR(4400), DATESTART DATE, FKUNITPLAN INTEGER)",
    "CREATE TABLE BINARYDESCRIPTION (ID INTEGER NOT NULL PRIMARY KEY, FILENAME VARCHAR(1024), FILESIZE INTEGER, "
    "DESCRIPTION VARCHAR(4400), READY INTEGER)",
    "CREATE TABLE UNITBINARY (ID INTEGER NOT NULL PRIMARY KEY, BINARYID INTEGER, BINARYINCREMENT INTEGER, "
    "BINARYDATA VARCHAR(1024), FKUNITPLAN INTEGER)",
};

std::string base64(const std::string& bytes) {
    static const char* a = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        unsigned v = (unsigned char)bytes[i] << 16;
        if (i + 1 < bytes.size()) v |= (unsigned char)bytes[i + 1] << 8;
        if (i + 2 < bytes.size()) v |= (unsigned char)bytes[i + 2];
        out += a[v >> 18 & 63];
        out += a[v >> 12 & 63];
        out += i + 1 < bytes.size() ? a[v >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? a[v & 63] : '=';
    }
    return out;
}

class SearchService : public ::testing::Test {
protected:
    std::string database = vantrytest::createDatabase();
    testsupport::TempDir dir{"plenwick-search-service"};
    std::unique_ptr<vantrytest::LocalWorker> other;  // the school's desktops
    std::unique_ptr<search::Service> service;

    void SetUp() override {
        other.reset(new vantrytest::LocalWorker(database));
        ASSERT_TRUE(other->attached);
        for (const char* sql : tables) ask(sql);
        sql("insert into Teachers values (1, 'Ann Leader', 1)");
        sql("insert into Teachers values (2, 'Tom Hale', 1)");
        sql("insert into Teachers values (3, 'Mere Parata', 3)");
        sql("insert into LongTerm values (10, 'Number', 'Place value and fractions', '2014-02-03', 1)");
        sql("insert into UnitPlan values (20, 'Fractions', 'Halves and quarters', 10, 2)");
        sql("insert into UnitPlan values (21, 'Waiata', 'Songs in te reo', 10, 3)");
        sql("insert into LessonPlan values (30, 'Folding paper', 'es', 'ao', 'Make halves by folding', 'intro', "
            "'dev', 'close', 'test', 'paper', '', '2014-03-31', 20)");
        attach(22, 20, "river.txt", "the braided rivers of Canterbury");
        ask("commit");
        startService();
    }
    void TearDown() override {
        if (service) service->finish();
        service.reset();
        other.reset();
        vantrytest::removeDatabase(database);
    }
    std::string ask(const std::string& request) { return other->ask(request); }
    void sql(const std::string& statement) { EXPECT_EQ(ask(statement).find("[[]"), 0u) << statement; }
    void attach(int id, int unit, const std::string& name, const std::string& bytes) {
        const std::string text = base64(bytes);
        sql("insert into BinaryDescription values (" + std::to_string(id) + ", '" + name + "', " +
            std::to_string(bytes.size()) + ", 'notes', 0)");
        for (size_t at = 0, k = 0; at < text.size(); at += 999, ++k)
            sql("insert into UnitBinary values (" + std::to_string(k ? id * 100 + k : id) + ", " + std::to_string(id) +
                ", " + std::to_string(k) + ", '" + text.substr(at, 999) + "', " + std::to_string(unit) + ")");
    }
    void startService() {
        service.reset(new search::Service(dir.file("index")));
        ASSERT_TRUE(service->attach(params()));
        service->start();
    }
    vantry::ConnectParams params() {
        vantry::ConnectParams p;
        p.database = database;
        p.user = "SYSDBA";
        p.password = "masterkey";
        return p;
    }
    // The reply's rows as "kind id teacher title" lines.
    std::vector<std::string> found(const std::string& words, const std::string& scope = "school",
                                   const std::string& teacher = "2", const std::string& syndicate = "1") {
        const std::string reply =
            service->answer("search\t" + scope + "\t" + teacher + "\t" + syndicate + "\t1\t" + words);
        search::Rows rows;
        EXPECT_TRUE(search::readRows(reply, rows)) << reply;
        std::vector<std::string> out;
        for (const auto& r : rows) {
            EXPECT_EQ(r.size(), 8u);
            if (r.size() == 8) out.push_back(r[0] + " " + r[1] + " " + r[3] + " " + r[5]);
        }
        std::sort(out.begin(), out.end());
        return out;
    }
};

}  // namespace

TEST_F(SearchService, TheDatabaseIsIndexedAndAnsweredAsResultText) {
    EXPECT_EQ(found("halves"),
              (std::vector<std::string>{"lesson 30 Tom Hale Folding paper", "unit 20 Tom Hale Fractions"}));
    EXPECT_EQ(found("fractions"),
              (std::vector<std::string>{"plan 10 Ann Leader Number", "unit 20 Tom Hale Fractions"}));
    // The attachment by a word only its text holds.
    EXPECT_EQ(found("braided"), std::vector<std::string>{"attachment 22 Tom Hale river.txt"});
    EXPECT_EQ(found("songs", "mine"), std::vector<std::string>{});
    EXPECT_EQ(found("songs", "mine", "3", "3"), std::vector<std::string>{"unit 21 Mere Parata Waiata"});
    // The reply is the worker's result text: columns, then rows.
    const std::string reply = service->answer("search\tschool\t2\t1\t1\tbraided");
    EXPECT_EQ(reply.find("[[{'name':'KIND','type':'s'"), 0u);
    EXPECT_NE(reply.find("\xC2\xAB"
                         "braided\xC2\xBB"),
              std::string::npos);  // the marked word
}

TEST_F(SearchService, ChangesAreFoundByTheNextSearch) {
    sql("insert into LessonPlan values (31, 'Origami cranes', '', '', '', '', '', '', '', '', '', '2014-04-01', 20)");
    ask("commit");
    EXPECT_EQ(found("origami"), std::vector<std::string>{"lesson 31 Tom Hale Origami cranes"});
    sql("update LessonPlan set LessonName = 'Paper boats' where Id = 31");
    ask("commit");
    EXPECT_EQ(found("origami"), std::vector<std::string>{});
    EXPECT_EQ(found("boats"), std::vector<std::string>{"lesson 31 Tom Hale Paper boats"});
    sql("delete from LessonPlan where Id = 31");
    ask("commit");
    EXPECT_EQ(found("boats"), std::vector<std::string>{});
    // Not yet committed: not seen.
    sql("insert into LessonPlan values (32, 'Kites', '', '', '', '', '', '', '', '', '', '2014-04-01', 20)");
    EXPECT_EQ(found("kites"), std::vector<std::string>{});
    ask("commit");
    EXPECT_EQ(found("kites"), std::vector<std::string>{"lesson 32 Tom Hale Kites"});
}

TEST_F(SearchService, ADeletedIndexIsMadeAgainFromTheDatabase) {
    service->finish();
    service.reset();
    testsupport::removeTree(dir.file("index"));
    startService();
    EXPECT_EQ(found("braided"), std::vector<std::string>{"attachment 22 Tom Hale river.txt"});
    EXPECT_EQ(found("halves").size(), 2u);
}

TEST_F(SearchService, HostileRequestsGetAPlainMessage) {
    EXPECT_EQ(found(""), std::vector<std::string>{"message 0  Type one or more words to look for."});
    const std::string reply = service->answer("drop table LessonPlan");
    search::Rows rows;
    ASSERT_TRUE(search::readRows(reply, rows));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "message");
    for (const char* words : {"'; delete from LessonPlan; --", "\"((", "AND OR NOT", "]]]]\n[[", "\\047"}) {
        search::Rows r;
        EXPECT_TRUE(search::readRows(service->answer(std::string("search\tschool\t2\t1\t1\t") + words), r)) << words;
    }
    EXPECT_EQ(found("halves").size(), 2u);  // nothing was harmed
}

// While the index is filled from the database the caller is called back
// every few items, and what it answers meanwhile says so in a sentence; the
// filled index then answers as before.
TEST_F(SearchService, RequestsWhileTheIndexIsFilledGetASentence) {
    for (int i = 0; i < 60; ++i)
        sql("insert into LessonPlan values (" + std::to_string(100 + i) +
            ", 'Kiwi', 'es', 'ao', 'slo', 'intro', 'the kiwi at night', 'close', 'test', 'r', '', '2014-04-01', 20)");
    ask("commit");
    service->finish();
    service.reset();
    testsupport::removeTree(dir.file("index"));
    service.reset(new search::Service(dir.file("index")));
    ASSERT_TRUE(service->attach(params()));
    int calls = 0;
    std::string busy;
    service->start([&] {
        ++calls;
        busy = service->busyReply();
    });
    EXPECT_GE(calls, 2);
    search::Rows rows;
    ASSERT_TRUE(search::readRows(busy, rows)) << busy;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "message");
    EXPECT_EQ(rows[0][5].find("The All text search is getting ready"), 0u) << rows[0][5];
    EXPECT_EQ(found("kiwi").size(), 20u);
}

// A commit after writes waits for its answer: a worker lost between the
// INSERT's reply and the commit, or while the commit runs, or a router lost
// meanwhile, is told at the commit itself, in words that say whether the
// change may have been saved.  A commit after reads only goes out without a
// reply.
#include <gtest/gtest.h>

#include <signal.h>

#include <string>
#include <thread>
#include <vector>

#include "data/IsectRecordset.h"
#include "support/RecordingPrompter.h"
#include "support/Services.h"
#include "support/TestFiles.h"

using namespace FX;
using namespace testsupport;

namespace {

std::string routerLog(const Services& svc) { return readFile(svc.logdir() + "/isectd.log"); }

bool waitForLog(const Services& svc, const std::string& text, int count = 1) {
    return waitForText(svc.logdir() + "/isectd.log", text, count);
}

FXString insert(const char* name) { return FXString("Insert into Teachers (Teacher) values ('") + name + "')"; }

int countNamed(const char* name) {
    IsectRecordset rs;
    rs.OpenRecordset(FXString("Select count(*) from Teachers where Teacher = '") + name + "'");
    return rs.recordCount == 1 ? FXIntVal(rs.GetField(0)) : -1;
}

// The commit of a guarded transaction, and what it threw ("" when nothing).
std::string commitOf(IsectRecordset::Transaction& transaction) {
    try {
        transaction.commit();
    } catch (const FXException& e) {
        return e.what();
    }
    return std::string();
}

class CommitTest : public ::testing::Test {
protected:
    CommitTest() : svc(options()), chdir(svc.workdir()) { IsectRecordset::Disconnect(); }
    ~CommitTest() override { IsectRecordset::Disconnect(); }
    static ServicesOptions options() {
        ServicesOptions o;
        o.workers = 1;
        return o;
    }
    pid_t worker() const {
        std::vector<pid_t> pids = svc.workerPids();
        return pids.empty() ? 0 : pids.front();
    }
    // Waits for the restarted worker to answer.
    void workerBack() {
        IsectRecordset rs;
        for (int i = 0; i < 3; ++i) {
            try {
                if (rs.OpenRecordset("Select 1 from rdb$database")) return;
            } catch (const FXException&) {
            }
        }
    }
    Services svc;
    ScopedChdir chdir;
    RecordingPrompter prompts;
};

}  // namespace

TEST_F(CommitTest, ReadsCommitWithoutAReplyWritesWaitForIt) {
    {
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        rs.OpenRecordset("Select count(*) from Teachers");
        EXPECT_EQ("", commitOf(transaction));
    }
    ASSERT_TRUE(waitForLog(svc, "\"commit\" (reply swallowed)")) << routerLog(svc);
    int swallowed = countOf(routerLog(svc), "\"commit\" (reply swallowed)");
    {
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        rs.OpenRecordset(insert("cm-saved"));
        EXPECT_EQ("", commitOf(transaction));
    }
    // A statement without a guard after a write: its commit waits too.
    IsectRecordset single;
    single.OpenRecordset("Select * from MakeAccount('cm-single',0)");
    EXPECT_EQ(swallowed, countOf(routerLog(svc), "\"commit\" (reply swallowed)")) << routerLog(svc);
    EXPECT_EQ(1, countNamed("cm-saved"));
    EXPECT_EQ(1, countNamed("cm-single"));

    EXPECT_FALSE(IsectRecordset::WritesData("  select Id from Teachers where Name in (select x from y)"));
    EXPECT_FALSE(IsectRecordset::WritesData("Select count(*) from Teachers"));
    EXPECT_TRUE(IsectRecordset::WritesData("Select * from MakeUnitPlan(1,'a')"));
    EXPECT_TRUE(IsectRecordset::WritesData("select * FROM  GetCurrentSubjects (3)"));
    EXPECT_TRUE(IsectRecordset::WritesData("Update Teachers set Teacher = 'a'"));
    EXPECT_TRUE(IsectRecordset::WritesData("selective"));
}

TEST_F(CommitTest, ALostWorkerIsToldAtTheCommitItself) {
    // Lost between the INSERT's reply and the commit: nothing was saved.
    std::string told;
    {
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        rs.OpenRecordset(insert("cm-lost"));
        ASSERT_EQ(0, kill(worker(), SIGKILL));
        ASSERT_TRUE(waitForLog(svc, "lost its transaction")) << routerLog(svc);
        told = commitOf(transaction);
    }
    EXPECT_NE(std::string::npos, told.find("nothing of it was saved")) << told;
    workerBack();

    // Lost while the commit runs: it may or may not have been saved.
    std::string told2;
    {
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        rs.OpenRecordset(insert("cm-cut"));
        const pid_t pid = worker();
        ASSERT_EQ(0, kill(pid, SIGSTOP));
        const int handedOn = countOf(routerLog(svc), "\"commit\"");
        std::thread killer([&] {
            if (waitForLog(svc, "\"commit\"", handedOn + 1)) kill(pid, SIGKILL);
        });
        told2 = commitOf(transaction);
        killer.join();
    }
    EXPECT_NE(std::string::npos, told2.find("may not have been saved")) << told2;
    workerBack();
    EXPECT_EQ(0, countNamed("cm-lost"));
    EXPECT_EQ(0, countNamed("cm-cut"));
    EXPECT_TRUE(prompts.prompts.empty()) << "the recordset layer shows no box";
}

TEST_F(CommitTest, ARouterLostWhileTheCommitRunsLeavesTheOutcomeUnknown) {
    std::string told;
    const pid_t pid = worker();
    {
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        rs.OpenRecordset(insert("cm-unknown"));
        ASSERT_EQ(0, kill(pid, SIGSTOP));
        const int handedOn = countOf(routerLog(svc), "\"commit\"");
        std::thread killer([&] {
            if (waitForLog(svc, "\"commit\"", handedOn + 1)) kill(svc.routerPid(), SIGKILL);
        });
        told = commitOf(transaction);
        killer.join();
    }
    kill(pid, SIGKILL);
    EXPECT_NE(std::string::npos, told.find("may not have been saved")) << told;
    EXPECT_NE(std::string::npos, told.find("connection to the database service broke")) << told;
    EXPECT_FALSE(IsectRecordset::Connected()) << "the next statement logs in afresh";
}

namespace {

// Runs the batch's statements, then commits; what was thrown ("" when nothing).
std::string runBatch(IsectRecordset& rs, const std::vector<FXString>& statements, FXint* firstFailed = nullptr) {
    std::string thrown;
    IsectRecordset::Transaction transaction(rs);
    IsectRecordset::Batch batch(rs);
    try {
        for (const auto& sql : statements)
            if (!batch.Add(sql)) return "lost";
        if (!batch.Wait()) return "lost";
        transaction.commit();
    } catch (const FXException& e) {
        thrown = e.what();
    }
    if (firstFailed) *firstFailed = batch.FirstFailed();
    return thrown;
}

int countStartingWith(const char* prefix) {
    IsectRecordset rs;
    rs.OpenRecordset(FXString("Select count(*) from Teachers where Teacher starting with '") + prefix + "'");
    return rs.recordCount == 1 ? FXIntVal(rs.GetField(0)) : -1;
}

}  // namespace

TEST_F(CommitTest, ABatchStatementThatFailsIsThrownAndNothingOfTheBatchIsKept) {
    IsectRecordset rs;
    std::vector<FXString> statements;
    for (int i = 0; i < 300; ++i)
        statements.push_back(i == 150 ? FXString("Insert into NoSuchTable (x) values (1)")
                                      : insert(("batch-" + std::to_string(i)).c_str()));
    FXint first = -2;
    std::string thrown = runBatch(rs, statements, &first);
    EXPECT_NE(std::string::npos, thrown.find("NOSUCHTABLE")) << thrown;
    EXPECT_EQ(150, first) << "the statement that failed first";
    EXPECT_EQ(0, countStartingWith("batch-")) << "neither what ran before it nor after it is kept";

    // The connection goes on: a whole batch is committed, and a statement
    // after a batch sees every row of it.
    statements.clear();
    for (int i = 0; i < 300; ++i) statements.push_back(insert(("batch-" + std::to_string(i)).c_str()));
    EXPECT_EQ("", runBatch(rs, statements));
    EXPECT_EQ(300, countStartingWith("batch-"));
    {
        IsectRecordset::Transaction transaction(rs);
        IsectRecordset::Batch batch(rs);
        ASSERT_TRUE(batch.Add("Delete from Teachers where Teacher = 'batch-7'"));
        ASSERT_TRUE(batch.Add("Delete from Teachers where Teacher = 'batch-8'"));
        ASSERT_TRUE(rs.OpenRecordset("Select count(*) from Teachers where Teacher starting with 'batch-'"));
        EXPECT_EQ(298, FXIntVal(rs.GetField(0)));
        // Committed without an explicit Wait: the commit settles the batch.
        transaction.commit();
    }
    EXPECT_EQ(298, countStartingWith("batch-"));
}

// Reads: each reply in its own recordset, in the order sent; a failure among
// them is thrown once all are read, and the connection goes on.  Inside a
// transaction they see its batch's rows, and a failure ends the transaction,
// so that nothing of it is kept.
TEST_F(CommitTest, ReadsComeBackInOrderAndAFailureAmongThemIsThrownAndRolledBack) {
    IsectRecordset rs;
    ASSERT_TRUE(rs.OpenRecordset(insert("reads-a")));
    IsectRecordset a, b, c;
    IsectRecordset::Reads reads;
    reads.Add(a, "Select count(*) from Teachers where Teacher = 'reads-a'");
    reads.Add(b, "Select Teacher from Teachers where Teacher = 'reads-a'");
    reads.Add(c, "Select count(*) from Teachers where Teacher = 'nobody'");
    ASSERT_TRUE(reads.Run());
    EXPECT_EQ(1, FXIntVal(a.GetField(0)));
    EXPECT_EQ("reads-a", std::string(b.GetField("Teacher").text()));
    EXPECT_EQ(0, FXIntVal(c.GetField(0)));
    EXPECT_EQ("Select count(*) from Teachers where Teacher = 'nobody'", std::string(c.sqlText.text()));

    reads.Add(a, "Select count(*) from Teachers where Teacher = 'reads-a'");
    reads.Add(b, "Select x from NoSuchTable");
    reads.Add(c, "Select count(*) from Teachers");
    std::string thrown;
    try {
        reads.Run();
    } catch (const FXException& e) {
        thrown = e.what();
    }
    EXPECT_NE(std::string::npos, thrown.find("NOSUCHTABLE")) << thrown;
    EXPECT_EQ(1, FXIntVal(a.GetField(0))) << "the reply before the failure is there";
    EXPECT_EQ(0, c.recordCount) << "the one after it is not";
    ASSERT_TRUE(rs.OpenRecordset(insert("reads-c")));
    EXPECT_EQ(1, countNamed("reads-c"));

    {
        IsectRecordset::Transaction transaction(rs);
        IsectRecordset::Batch batch(rs);
        ASSERT_TRUE(batch.Add(insert("reads-b")));
        reads.Add(a, "Select count(*) from Teachers where Teacher = 'reads-b'");
        ASSERT_TRUE(reads.Run());
        EXPECT_EQ(1, FXIntVal(a.GetField(0)));
        reads.Add(a, "Select x from NoSuchTable");
        EXPECT_THROW(reads.Run(), FXException);
        EXPECT_THROW(transaction.commit(), FXException);
    }
    EXPECT_EQ(0, countNamed("reads-b"));
    ASSERT_TRUE(rs.OpenRecordset(insert("reads-d")));
    EXPECT_EQ(1, countNamed("reads-d"));
}

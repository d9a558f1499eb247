// Transactions through the router with the real worker on a real database.
#include "middleware/EchoRouter.h"
#include "support/Services.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

using mwtest::Client;

namespace {

const char* kSelect = "select Teacher from Teachers where Teacher starting with 'mw-' order by Teacher";

std::string insert(const std::string& name) { return "insert into Teachers (Teacher) values ('" + name + "')"; }

// Teacher names in a reply, in order.
std::vector<std::string> names(const std::string& reply) {
    std::vector<std::string> out;
    for (size_t at = reply.find("'mw-"); at != std::string::npos; at = reply.find("'mw-", at + 1)) {
        size_t end = reply.find('\'', at + 1);
        out.push_back(reply.substr(at + 1, end - at - 1));
        at = end;
    }
    return out;
}

bool isResult(const std::string& reply) { return reply.find('[') != std::string::npos; }

void waitForLog(const testsupport::Services& svc, const std::string& text, int count = 1) {
    if (!testsupport::waitForText(svc.logdir() + "/isectd.log", text, count))
        FAIL() << "the router log never showed \"" << text << "\"";
}

testsupport::ServicesOptions workers(int n) {
    testsupport::ServicesOptions o;
    o.workers = n;
    return o;
}

}  // namespace

TEST(VantryRouting, OpenTransactionsSeeOnlyTheirOwnRows) {
    testsupport::Services svc(workers(3));
    Client a(svc.host(), svc.service(), svc.key()), b(svc.host(), svc.service(), svc.key()),
        c(svc.host(), svc.service(), svc.key());
    ASSERT_TRUE(a.ok() && b.ok() && c.ok());
    EXPECT_TRUE(isResult(a.query(insert("mw-a1"))));
    EXPECT_TRUE(isResult(b.query(insert("mw-b1"))));
    EXPECT_TRUE(isResult(a.query(insert("mw-a2"))));
    EXPECT_EQ((std::vector<std::string>{"mw-a1", "mw-a2"}), names(a.query(kSelect)));
    EXPECT_EQ((std::vector<std::string>{"mw-b1"}), names(b.query(kSelect)));
    EXPECT_TRUE(names(c.query(kSelect)).empty());
    a.commit();
    b.rollback();
    c.commit();
    // "commit" gets no reply, so another client cannot know when it has run;
    // a's own next query queues behind its commit, so once it is answered
    // the commit is done.
    EXPECT_EQ((std::vector<std::string>{"mw-a1", "mw-a2"}), names(a.query(kSelect)));
    a.commit();
    EXPECT_EQ((std::vector<std::string>{"mw-a1", "mw-a2"}), names(c.query(kSelect)));
    c.commit();
}

TEST(VantryRouting, ConcurrentClientsNeverGetAnotherClientsReply) {
    testsupport::Services svc(workers(2));
    const int clients = 4, rounds = 8;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < clients; ++t) {
        threads.emplace_back([&, t] {
            Client c(svc.host(), svc.service(), svc.key());
            if (!c.ok()) {
                ++wrong;
                return;
            }
            std::string prefix = "mw-t" + std::to_string(t) + "-";
            std::vector<std::string> committed;
            for (int r = 0; r < rounds; ++r) {
                std::string name = prefix + std::to_string(r);
                if (!isResult(c.query(insert(name)))) ++wrong;
                std::vector<std::string> expected = committed;
                expected.push_back(name);
                std::vector<std::string> seen;
                for (const auto& n : names(c.query(kSelect)))
                    if (n.compare(0, prefix.size(), prefix) == 0) seen.push_back(n);
                if (seen != expected) ++wrong;
                if (r % 3 == 0) {
                    c.rollback();
                } else {
                    c.commit();
                    committed.push_back(name);
                }
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(0, wrong.load());
    // What was rolled back is gone, what was committed is there.  The last
    // commits get no reply; stopping lets the workers run them first.
    svc.stop();
    std::string rows = svc.isql(std::string(kSelect) + ";");
    for (int t = 0; t < clients; ++t)
        for (int r = 0; r < rounds; ++r) {
            std::string name = "mw-t" + std::to_string(t) + "-" + std::to_string(r) + " ";  // isql pads the column
            EXPECT_EQ(r % 3 != 0, rows.find(name) != std::string::npos) << name << rows;
        }
}

TEST(VantryRouting, CommitAndRollbackEchoesNeverReachTheClient) {
    testsupport::Services svc(workers(1));
    Client c(svc.host(), svc.service(), svc.key());
    for (int i = 0; i < 10; ++i) {
        std::string reply = c.query("select count(*) from Teachers");
        EXPECT_EQ(0u, reply.find("[[{")) << reply;
        if (i % 2)
            c.commit();
        else
            c.rollback();
    }
    std::string reply = c.query("select 1 from rdb$database");
    EXPECT_EQ(0u, reply.find("[[{")) << reply;
}

TEST(VantryRouting, ClientWaitsForTheOnlyWorker) {
    testsupport::Services svc(workers(1));
    Client a(svc.host(), svc.service(), svc.key()), b(svc.host(), svc.service(), svc.key());
    EXPECT_TRUE(isResult(a.query(insert("mw-waiting"))));
    ASSERT_TRUE(b.send(kSelect));
    waitForLog(svc, "waits for a free worker of Plenwick");
    a.rollback();
    // b ran after a's transaction, not inside it.
    std::string reply;
    ASSERT_TRUE(b.receive(reply));
    EXPECT_TRUE(isResult(reply)) << reply;
    EXPECT_TRUE(names(reply).empty()) << reply;
    b.commit();
}

TEST(VantryRouting, KilledWorkerLosesItsTransactionAndIsReplaced) {
    testsupport::Services svc(workers(1));
    Client c(svc.host(), svc.service(), svc.key());
    std::vector<pid_t> before = svc.workerPids();
    ASSERT_EQ(1u, before.size());

    // Killed while the client idles in its transaction.
    EXPECT_TRUE(isResult(c.query(insert("mw-killed-idle"))));
    ASSERT_EQ(0, kill(before[0], SIGKILL));
    waitForLog(svc, "lost its transaction");
    EXPECT_EQ("FAILED", c.query(kSelect));
    std::string reply = c.query(kSelect);
    EXPECT_TRUE(isResult(reply)) << reply;
    EXPECT_TRUE(names(reply).empty()) << reply;
    c.commit();
    std::vector<pid_t> after = svc.workerPids();
    ASSERT_EQ(1u, after.size());
    EXPECT_NE(before[0], after[0]);

    // Killed in the middle of a long statement.
    EXPECT_TRUE(isResult(c.query(insert("mw-killed-busy"))));
    // Some 10^10 rows: it runs until the worker dies.
    ASSERT_TRUE(
        c.send("select count(*) from rdb$relation_fields a, rdb$relation_fields b, "
               "rdb$relation_fields c, rdb$fields d"));
    waitForLog(svc, ": \"select count(*) from rdb$relation_fields");
    ASSERT_EQ(0, kill(after[0], SIGKILL));
    EXPECT_FALSE(c.receive(reply));
    reply = c.query(kSelect);
    EXPECT_TRUE(isResult(reply)) << reply;
    EXPECT_TRUE(names(reply).empty()) << reply;
    c.commit();
    svc.stop();
    EXPECT_EQ(std::string::npos, svc.isql(std::string(kSelect) + ";").find("mw-killed"));
}

TEST(VantryRouting, ClientProcessDyingMidTransactionIsRolledBack) {
    testsupport::Services svc(workers(1));
    pid_t child = fork();
    if (child == 0) {
        Client c(svc.host(), svc.service(), svc.key());
        std::string r = c.query(insert("mw-orphan"));
        _exit(isResult(r) ? 0 : 1);  // no commit, no logout
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // The only worker serves us only after the orphan's transaction ended.
    Client c(svc.host(), svc.service(), svc.key());
    std::string reply = c.query(kSelect);
    EXPECT_TRUE(names(reply).empty()) << reply;
    c.commit();
    // Had the transaction stayed open, ending the worker would commit it.
    svc.stop();
    EXPECT_EQ(std::string::npos, svc.isql(std::string(kSelect) + ";").find("mw-orphan"));
}

TEST(VantryRouting, GarbageOnTheRouterPortLeavesItServing) {
    testsupport::Services svc(workers(1));
    Client c(svc.host(), svc.service(), svc.key());
    EXPECT_TRUE(isResult(c.query(insert("mw-before"))));
    for (int i = 0; i < 3; ++i) {
        int fd = mwtest::rawConnect(svc.port());
        ASSERT_GE(fd, 0);
        std::string junk(100 + i * 500, static_cast<char>(0xA5 + i));
        mwtest::rawSend(fd, junk.data(), junk.size());
        EXPECT_TRUE(mwtest::rawClosedByPeer(fd));
        close(fd);
    }
    EXPECT_EQ((std::vector<std::string>{"mw-before"}), names(c.query(kSelect)));
    c.commit();
    Client d(svc.host(), svc.service(), svc.key());
    EXPECT_EQ((std::vector<std::string>{"mw-before"}), names(d.query(kSelect)));
    d.commit();
}

TEST(VantryRouting, RouterKilledMidTransactionLeavesNothingCommitted) {
    testsupport::Services svc(workers(1));
    std::vector<pid_t> workerPids = svc.workerPids();
    ASSERT_EQ(1u, workerPids.size());
    Client c(svc.host(), svc.service(), svc.key());
    ASSERT_TRUE(isResult(c.query(insert("mw-half-done"))));
    // No orderly shutdown: the worker just loses its connection.
    ASSERT_EQ(0, kill(svc.routerPid(), SIGKILL));
    for (int i = 0; i < 3000 && !mwtest::processEnded(workerPids[0]); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(mwtest::processEnded(workerPids[0])) << "the worker outlived its router";
    svc.stop();
    EXPECT_EQ(std::string::npos, svc.isql(std::string(kSelect) + ";").find("mw-half-done"));
}

TEST(VantryRouting, QueryRightAfterCommitSeesTheCommittedRows) {
    // With two idle workers the next query could go to the other worker
    // before the commit has run there; it must wait behind the commit.
    testsupport::Services svc(workers(2));
    Client c(svc.host(), svc.service(), svc.key());
    for (int i = 0; i < 30; ++i) {
        std::string name = "mw-" + std::to_string(100 + i);
        ASSERT_TRUE(isResult(c.query(insert(name))));
        c.commit();
        std::vector<std::string> seen = names(c.query(kSelect));
        c.commit();
        ASSERT_EQ(static_cast<size_t>(i + 1), seen.size()) << "row " << name << " not seen after its commit";
    }
}

TEST(VantryRouting, IsdcatTakesRowsFollowedByAnErrorForAnError) {
    testsupport::Services svc(workers(1));
    std::string out;
    EXPECT_EQ(0, testsupport::run("cd '" + svc.workdir() + "' && '" + testsupport::buildDir() + "/isdcat' -t \"" +
                                      insert("mw-1") + "\" \"" + insert("mw-2") + "\"",
                                  &out))
        << out;
    // The second row divides by zero while it is fetched: the first row has
    // already gone out, the error lines follow it.
    EXPECT_EQ(1, testsupport::run("cd '" + svc.workdir() + "' && '" + testsupport::buildDir() +
                                      "/isdcat' \"select 1 / (Id - (select min(Id) + 1 from Teachers)) from "
                                      "Teachers where Teacher starting with 'mw-' order by Id\"",
                                  &out, false))
        << out;
    EXPECT_NE(std::string::npos, out.find("divide by zero")) << out;
}

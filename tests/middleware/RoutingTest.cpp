// The router with the echo worker: binding, queueing, swallowed echoes,
// failures of clients and workers, bad input, shutdown.
#include "middleware/EchoRouter.h"
#include "support/Services.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

using mwtest::Client;
using mwtest::EchoRouter;
using mwtest::EchoServiceOptions;

namespace {

EchoServiceOptions echo(int workers) {
    EchoServiceOptions o;
    o.workers = workers;
    return o;
}

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

}  // namespace

TEST(Routing, LoginFailsForUnknownServiceAndDeadRouter) {
    EchoRouter router;
    Client good(router.host(), "Echo");
    EXPECT_TRUE(good.ok());
    Client unknown(router.host(), "NoSuchService");
    EXPECT_FALSE(unknown.ok());
    EXPECT_NE(std::string::npos, std::string(isdLastError()).find("unknown service")) << isdLastError();
    Client wrongCase(router.host(), "echo");
    EXPECT_FALSE(wrongCase.ok());
    std::string host = router.host();
    router.stop();
    Client late(host, "Echo");
    EXPECT_FALSE(late.ok());
    // The logged-in client sees its connection end instead of hanging.
    EXPECT_EQ("FAILED", good.query("pid"));
}

TEST(Routing, RepliesComeBackWholeInBlocks) {
    EchoRouter router({echo(1)});
    Client c(router.host(), "Echo");
    ASSERT_TRUE(c.ok());
    ASSERT_TRUE(c.send("blocks 5000"));
    std::string reply;
    std::vector<int> sizes, mores;
    ASSERT_TRUE(c.receive(reply, &sizes, &mores));
    ASSERT_EQ(5000u, reply.size());
    EXPECT_EQ('[', reply[0]);
    EXPECT_EQ('a' + 4999 % 26, reply[4999]);
    EXPECT_EQ((std::vector<int>{1023, 1023, 1023, 1023, 908}), sizes);
    EXPECT_EQ((std::vector<int>{1, 1, 1, 1, -1}), mores);
    // A reply to a request with more 0 ends with more 0.
    sizes.clear();
    mores.clear();
    IsdHeader h{};
    isdSetReplyWanted(&h, 1);
    ASSERT_EQ(11, isdSend(c.handle(), "blocks 2046", -1, &h));
    ASSERT_TRUE(c.receive(reply, &sizes, &mores));
    EXPECT_EQ((std::vector<int>{1023, 1023}), sizes);
    EXPECT_EQ((std::vector<int>{1, 0}), mores);
    EXPECT_EQ("[echo:odd ' \" \\ chars]", c.query("odd ' \" \\ chars"));
}

TEST(Routing, CommitEchoNeverReachesTheClient) {
    EchoRouter router({echo(1)});
    Client c(router.host(), "Echo");
    ASSERT_TRUE(c.ok());
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ("[ok]", c.query("put " + std::to_string(i)));
        if (i % 2)
            ASSERT_TRUE(c.commit());
        else
            ASSERT_TRUE(c.rollback());
        // The next block is this query's reply, never the echoed word.
        EXPECT_EQ("[Echo-1|]", c.query("get"));
    }
    EXPECT_EQ("[1,3,5,7,9,11,13,15,17,19]", c.query("all"));
    c.commit();
    // A commit without a transaction goes nowhere and breaks nothing.
    ASSERT_TRUE(c.commit());
    ASSERT_TRUE(c.rollback());
    EXPECT_EQ("[echo:x]", c.query("x"));
}

TEST(Routing, EachClientSeesOnlyItsOwnTransaction) {
    EchoRouter router({echo(3)});
    Client a(router.host(), "Echo"), b(router.host(), "Echo"), c(router.host(), "Echo");
    ASSERT_TRUE(a.ok() && b.ok() && c.ok());
    EXPECT_EQ("[ok]", a.query("put a1"));
    EXPECT_EQ("[ok]", b.query("put b1"));
    EXPECT_EQ("[ok]", c.query("put c1"));
    EXPECT_EQ("[ok]", a.query("put a2"));
    std::string ga = a.query("get"), gb = b.query("get"), gc = c.query("get");
    EXPECT_NE(std::string::npos, ga.find("|a1,a2]")) << ga;
    EXPECT_NE(std::string::npos, gb.find("|b1]")) << gb;
    EXPECT_NE(std::string::npos, gc.find("|c1]")) << gc;
    std::set<std::string> workers{ga.substr(0, ga.find('|')), gb.substr(0, gb.find('|')), gc.substr(0, gc.find('|'))};
    EXPECT_EQ(3u, workers.size()) << "three open transactions need three workers";
    b.rollback();
    a.commit();
    c.commit();
}

TEST(Routing, ManyConcurrentClientsNeverMixTransactions) {
    EchoRouter router({echo(2)});
    const int clients = 6, rounds = 25;
    std::atomic<int> wrong{0}, failed{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < clients; ++t) {
        threads.emplace_back([&, t] {
            Client c(router.host(), "Echo");
            if (!c.ok()) {
                ++failed;
                return;
            }
            for (int r = 0; r < rounds; ++r) {
                std::string v1 = "c" + std::to_string(t) + "r" + std::to_string(r);
                if (c.query("put " + v1) != "[ok]" || c.query("put " + v1 + "x") != "[ok]") ++wrong;
                std::string got = c.query("get");
                if (got.find("|" + v1 + "," + v1 + "x]") == std::string::npos) ++wrong;
                if (r % 3 == 0)
                    c.rollback();
                else
                    c.commit();
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(0, failed.load());
    EXPECT_EQ(0, wrong.load());
}

TEST(Routing, ClientWaitsForAFreeWorker) {
    EchoRouter router({echo(1)});
    Client a(router.host(), "Echo"), b(router.host(), "Echo");
    ASSERT_TRUE(a.ok() && b.ok());
    EXPECT_EQ("[ok]", a.query("put a"));
    // a holds the only worker: b's query waits in the line ...
    ASSERT_TRUE(b.send("get"));
    router.waitForLog("client #2 waits for a free worker of Echo");
    EXPECT_EQ("[Echo-1|a]", a.query("get"));
    a.commit();
    // ... and runs once a's transaction has ended, outside it.
    std::string reply;
    ASSERT_TRUE(b.receive(reply));
    EXPECT_EQ("[Echo-1|]", reply);
    EXPECT_EQ("[a]", b.query("all"));
    b.commit();
}

TEST(Routing, ClientThatLeavesMidTransactionIsRolledBack) {
    EchoRouter router({echo(1)});
    Client b(router.host(), "Echo");
    ASSERT_TRUE(b.ok());
    {
        Client a(router.host(), "Echo");
        EXPECT_EQ("[ok]", a.query("put lost"));
        ASSERT_TRUE(b.send("get"));  // waits for a's worker
    }                                // a logs out without commit
    std::string reply;
    ASSERT_TRUE(b.receive(reply));
    EXPECT_EQ("[Echo-1|]", reply);
    EXPECT_EQ("[]", b.query("all"));
    b.commit();
    EXPECT_NE(std::string::npos, router.log().find("rollback on Echo-1"));

    // A child process that dies with an open transaction.
    pid_t child = fork();
    if (child == 0) {
        Client c(router.host(), "Echo");
        c.query("put child");
        _exit(0);
    }
    int status;
    waitpid(child, &status, 0);
    EXPECT_EQ("[Echo-1|]", b.query("get"));
    EXPECT_EQ("[]", b.query("all"));
    b.commit();
}

TEST(Routing, WorkerDyingMidRequestFailsTheRequestAndIsRestarted) {
    EchoRouter router({echo(1)});
    Client c(router.host(), "Echo");
    ASSERT_TRUE(c.ok());
    std::string firstPid = c.query("pid");
    EXPECT_EQ("[ok]", c.query("put doomed"));
    ASSERT_TRUE(c.send("die"));
    std::string reply;
    EXPECT_FALSE(c.receive(reply));  // more stayed -999
    // The same connection goes on; a new worker without the old transaction serves it.
    std::string secondPid = c.query("pid");
    EXPECT_NE(firstPid, secondPid);
    EXPECT_EQ("[Echo-1|]", c.query("get"));
    c.commit();

    // Dying after the first block: the block arrives, then the failure.
    ASSERT_TRUE(c.send("half"));
    std::vector<int> sizes;
    EXPECT_FALSE(c.receive(reply, &sizes));
    EXPECT_EQ("[first block", reply);
    EXPECT_EQ("[echo:after]", c.query("after"));
    c.commit();
    router.waitForLog("restarting worker Echo-1", 2);
}

TEST(Routing, WorkerKilledWhileClientIdlesInTransaction) {
    EchoRouter router({echo(2)});
    Client a(router.host(), "Echo"), b(router.host(), "Echo");
    EXPECT_EQ("[ok]", a.query("put a"));
    std::string ga = a.query("get");
    std::string name = ga.substr(1, ga.find('|') - 1);
    pid_t victim = 0;
    std::string pids = mwtest::readFile(router.rundir() + "/workers");
    size_t at = pids.find(name + " ");
    ASSERT_NE(std::string::npos, at) << pids;
    victim = atoi(pids.c_str() + at + name.size() + 1);
    ASSERT_EQ(0, kill(victim, SIGKILL));
    router.waitForLog("client #1 lost its transaction");
    // The lost transaction is reported on the next query instead of a silent new one ...
    EXPECT_EQ("FAILED", a.query("get"));
    // ... and then the client goes on in a fresh transaction.
    std::string again = a.query("get");
    EXPECT_NE(std::string::npos, again.find("|]")) << again;
    a.commit();
    EXPECT_EQ("[ok]", b.query("put b"));
    b.commit();
}

TEST(Routing, GarbageAndEarlyMessagesCloseOnlyThatConnection) {
    EchoRouter router({echo(1)});
    Client c(router.host(), "Echo");
    EXPECT_EQ("[ok]", c.query("put kept"));

    int fd = mwtest::rawConnect(router.port());
    ASSERT_GE(fd, 0);
    std::string junk = "GET / HTTP/1.0\r\n\r\n";
    junk.resize(200, 'x');
    mwtest::rawSend(fd, junk.data(), junk.size());
    EXPECT_TRUE(mwtest::rawClosedByPeer(fd));
    close(fd);

    // A well-formed query before the login.
    fd = mwtest::rawConnect(router.port());
    IsdHeader h{};
    isdSetLength(&h, 3);
    isdSetMagic(&h);
    isdSetReplyWanted(&h, 1);
    mwtest::rawSend(fd, h.bytes, 64);
    mwtest::rawSend(fd, "pid", 3);
    EXPECT_TRUE(mwtest::rawClosedByPeer(fd));
    close(fd);

    // A header announcing more than 64 MiB.
    fd = mwtest::rawConnect(router.port());
    IsdHeader big{};
    isdSetMagic(&big);
    isdSetLength(&big, ISD_MAX_LENGTH + 1);
    isdSetKind(&big, ISD_LOGIN);
    mwtest::rawSend(fd, big.bytes, 64);
    EXPECT_TRUE(mwtest::rawClosedByPeer(fd));
    close(fd);

    // Garbage on the workers' port.
    std::string log = router.log();
    const std::string mark = "for workers on 127.0.0.1:";
    size_t at = log.find(mark);
    ASSERT_NE(std::string::npos, at);
    int workerPort = atoi(log.c_str() + at + mark.size());
    fd = mwtest::rawConnect(workerPort);
    ASSERT_GE(fd, 0);
    mwtest::rawSend(fd, junk.data(), junk.size());
    EXPECT_TRUE(mwtest::rawClosedByPeer(fd));
    close(fd);
    // A false hello from a stranger.
    fd = mwtest::rawConnect(workerPort);
    IsdHeader hello{};
    isdSetMagic(&hello);
    isdSetKind(&hello, ISD_HELLO);
    isdSetLength(&hello, 12);
    mwtest::rawSend(fd, hello.bytes, 64);
    mwtest::rawSend(fd, "Echo\nEcho-1", 12);
    EXPECT_TRUE(mwtest::rawClosedByPeer(fd));
    close(fd);

    // The router and the client's transaction are untouched.
    EXPECT_EQ("[Echo-1|kept]", c.query("get"));
    c.commit();
    Client d(router.host(), "Echo");
    EXPECT_EQ("[kept]", d.query("all"));
}

TEST(Routing, SeveralServicesArgumentsEnvironmentAndNoPasswordInLogs) {
    EchoServiceOptions one;
    one.name = "One";
    one.workers = 1;
    one.args = {"/some where/db.fdb", "SYSDBA", "${PASSWORD}"};
    one.password = "Zq7-secret";
    one.env = {"ECHO_TEST_VALUE=with space", "ECHO_PW=${PASSWORD}"};
    EchoServiceOptions two;
    two.name = "Two";
    two.workers = 1;
    EchoRouter router({one, two});
    Client a(router.host(), "One"), b(router.host(), "Two");
    EXPECT_EQ("[/some where/db.fdb|SYSDBA|Zq7-secret]", a.query("args"));
    EXPECT_EQ("[with space]", a.query("env ECHO_TEST_VALUE"));
    EXPECT_EQ("[Zq7-secret]", a.query("env ECHO_PW"));
    EXPECT_EQ("[Two-1|]", b.query("get"));
    // The password's entry and the key came through a pipe: the worker's
    // environment as it started shows neither.
    std::string pid = a.query("pid");
    std::string environ =
        testsupport::readFile("/proc/" + pid.substr(1, pid.size() > 2 ? pid.size() - 2 : 0) + "/environ");
    EXPECT_NE(std::string::npos, environ.find("ECHO_TEST_VALUE=with space"));
    EXPECT_EQ(std::string::npos, environ.find("Zq7-secret"));
    EXPECT_EQ(std::string::npos, environ.find("ISD_SERVICE_KEY"));
    a.commit();
    b.commit();
    EXPECT_EQ(0, router.stop());
    std::string all;
    testsupport::run("cat '" + router.logdir() + "'/*", &all);
    EXPECT_EQ(std::string::npos, all.find("Zq7-secret"));
    EXPECT_NE(std::string::npos, all.find("********"));
    EXPECT_NE(std::string::npos, all.find("request args")) << "the worker logs through isdLog";
}

TEST(Routing, ShutdownEndsWorkersCleanlyAndRemovesRunFiles) {
    EchoRouter router({echo(2)});
    Client c(router.host(), "Echo");
    EXPECT_EQ("[ok]", c.query("put open"));
    router.waitForLog("is ready", 2);  // a worker still starting would just be terminated
    std::vector<pid_t> pids = router.workerPids();
    ASSERT_EQ(2u, pids.size());
    EXPECT_TRUE(exists(router.rundir() + "/isectd.pid"));
    EXPECT_TRUE(exists(router.rundir() + "/port"));
    EXPECT_EQ(0, router.stop());
    for (pid_t p : pids) EXPECT_NE(0, kill(p, 0)) << "worker " << p << " still runs";
    EXPECT_FALSE(exists(router.rundir() + "/isectd.pid"));
    EXPECT_FALSE(exists(router.rundir() + "/port"));
    std::string log = router.log();
    EXPECT_NE(std::string::npos, log.find("Echo-1 (pid")) << log;
    EXPECT_NE(std::string::npos, log.find("exited with status 0")) << log;
    EXPECT_EQ(std::string::npos, log.find("killed")) << log;
    // The open transaction was rolled back before the worker ended.
    std::string out;
    testsupport::run("cat '" + router.logdir() + "'/Echo-Echo-*.log", &out);
    EXPECT_NE(std::string::npos, out.find("request rollback")) << out;
    EXPECT_NE(std::string::npos, out.find("shutdown, uncommitted: \n")) << out;
    EXPECT_EQ("FAILED", c.query("get"));
}

TEST(Routing, WorkerThatCannotStartIsRetriedWithGrowingBackOff) {
    EchoServiceOptions broken;
    broken.name = "Broken";
    broken.workers = 1;
    broken.program = "/nonexistent/worker";
    EchoRouter router({echo(1), broken});
    router.waitForLog("restarting worker Broken-1 in 250 ms");
    router.waitForLog("restarting worker Broken-1 in 500 ms");
    EXPECT_NE(std::string::npos, router.log().find("it had not connected"));
    std::string out = mwtest::readFile(router.logdir() + "/Broken-1.out");
    EXPECT_NE(std::string::npos, out.find("cannot start /nonexistent/worker")) << out;
    // The neighbouring service is not disturbed.
    Client c(router.host(), "Echo");
    EXPECT_EQ("[echo:fine]", c.query("fine"));
}

TEST(Routing, StartRefusalsAreExplained) {
    EchoRouter router({echo(1)});
    std::string isectd = "'" + testsupport::buildDir() + "/isectd'";
    std::string out;
    EXPECT_EQ(2, testsupport::run(isectd, &out));
    EXPECT_NE(std::string::npos, out.find("usage: isectd -c CONFIG"));
    EXPECT_EQ(1, testsupport::run(isectd + " -c /nonexistent/isectd.ini", &out));
    EXPECT_NE(std::string::npos, out.find("cannot read")) << out;

    std::string dir = router.dir();
    std::ofstream(dir + "/bad.ini") << "[router]\nport = 7100\nworkers = 2\n";
    EXPECT_EQ(1, testsupport::run(isectd + " -c '" + dir + "/bad.ini'", &out));
    EXPECT_NE(std::string::npos, out.find("line 3: unknown key workers")) << out;

    // The client port is taken by the running router.
    std::ofstream(dir + "/busy.ini") << "[router]\nport = " << router.port()
                                     << "\nlogdir = busy\n[service S]\nprogram = /bin/true\n";
    EXPECT_EQ(1, testsupport::run(isectd + " -c '" + dir + "/busy.ini'", &out));
    EXPECT_NE(std::string::npos, out.find("cannot listen for clients")) << out;

    // The run directory belongs to the running router.
    std::ofstream(dir + "/same.ini") << "[router]\nport = 0\nlogdir = other\nrundir = run\n"
                                     << "[service S]\nprogram = /bin/true\n";
    EXPECT_EQ(1, testsupport::run(isectd + " -c '" + dir + "/same.ini'", &out));
    EXPECT_NE(std::string::npos, out.find("another isectd")) << out;
    Client c(router.host(), "Echo");
    EXPECT_EQ("[echo:still here]", c.query("still here"));
}

TEST(Routing, HandlesAreNotReusedAfterLogout) {
    EchoRouter router({echo(1)});
    int first;
    {
        Client a(router.host(), "Echo");
        first = a.handle();
    }
    Client b(router.host(), "Echo");
    EXPECT_NE(first, b.handle());
    IsdHeader h{};
    EXPECT_EQ(-1, isdSend(first, "pid", -1, &h));
    EXPECT_NE("FAILED", b.query("pid"));
}

TEST(Routing, ShutdownLetsTheRunningRequestFinishThenKillsWhatHangs) {
    EchoRouter router({echo(2)}, {"stoptimeout = 2"});
    Client a(router.host(), "Echo"), b(router.host(), "Echo");
    EXPECT_EQ("[ok]", a.query("put x"));
    EXPECT_EQ("[ok]", b.query("put y"));
    ASSERT_TRUE(a.send("sleep 300"));
    ASSERT_TRUE(b.send("sleep 600000"));
    router.waitForLog(": \"sleep 600000\"");
    router.waitForLog(": \"sleep 300\"");
    EXPECT_EQ(0, router.stop());  // about 2 seconds: one worker never answers
    std::string log = router.log();
    EXPECT_NE(std::string::npos, log.find("did not end in 2 s: killed")) << log;
    EXPECT_NE(std::string::npos, log.find("exited with status 0")) << log;
    EXPECT_NE(std::string::npos, log.find("killed by signal 9")) << log;
    EXPECT_FALSE(exists(router.rundir() + "/isectd.pid"));
}

TEST(Routing, TheRequestTextDecidesWhatEndsATransaction) {
    EchoRouter router({echo(1)});
    Client a(router.host(), "Echo"), b(router.host(), "Echo");
    // "commit" asked as a query ends the transaction too, and its echo is
    // the reply the client waits for.
    EXPECT_EQ("[ok]", a.query("put one"));
    EXPECT_EQ("commit", a.query("commit"));
    EXPECT_EQ("[Echo-1|]", b.query("get")) << "the worker is free again";
    EXPECT_EQ("[one]", b.query("all"));
    b.commit();
    // Outside a transaction the router answers it itself.
    EXPECT_EQ("rollback", a.query("rollback"));
    // Anything that is not a word, sent without asking for the reply, is
    // refused and the sender's transaction rolled back before anyone else
    // gets the worker.
    EXPECT_EQ("[ok]", a.query("put two"));
    ASSERT_TRUE(a.word("put three"));
    EXPECT_EQ("[Echo-1|]", b.query("get"));
    b.commit();
    EXPECT_EQ("FAILED", a.query("get"));
    EXPECT_NE(nullptr, strstr(isdFailureReason(a.handle()), "refused"));
    EXPECT_EQ("[one]", a.query("all"));
    a.commit();
    router.waitForLog("a statement claiming no reply refused: \"put three\"");
}

TEST(Routing, ACommitAskedForAfterALostTransactionFails) {
    EchoRouter router({echo(1)});
    Client a(router.host(), "Echo");
    EXPECT_EQ("[ok]", a.query("put gone"));
    ASSERT_EQ(0, kill(router.workerPids().at(0), SIGKILL));
    router.waitForLog("client #1 lost its transaction");
    EXPECT_EQ("FAILED", a.query("commit"));
    EXPECT_NE(nullptr, strstr(isdFailureReason(a.handle()), "nothing of it was saved"));
    // A rollback after a loss asks for what happened: nothing more to tell.
    EXPECT_EQ("[ok]", a.query("put again"));
    ASSERT_EQ(0, kill(router.workerPids().at(0), SIGKILL));
    router.waitForLog("client #1 lost its transaction", 2);
    ASSERT_TRUE(a.rollback());
    EXPECT_EQ("[Echo-1|]", a.query("get"));
    a.commit();
}

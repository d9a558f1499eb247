// The router's pool on its own: the order and the rules of the scheduling,
// fed events by hand and read from the actions it answers with, on a clock
// the test moves.  No process, no socket.
#include "isdio.h"
#include "router/Pool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using isectd::ClientId;
using isectd::makeMessage;
using isectd::MessagePtr;
using isectd::Pool;
using isectd::PoolAction;
using isectd::PoolLimits;

namespace {

const ClientId A = 1, B = 2, C = 3;

// A request the client waits for, and one sent without waiting ("commit"
// and "rollback" as Plenwick sends them).
MessagePtr query(const std::string& text) { return makeMessage(ISD_DATA, text, 1); }
MessagePtr word(const std::string& text) { return makeMessage(ISD_DATA, text, 0); }

// A worker's reply block; the last has `more` 0 or -1.
MessagePtr block(const std::string& text, int16_t more) {
    auto m = std::make_shared<isectd::Message>(*makeMessage(ISD_DATA, text));
    isdSetMore(&m->header, more);
    return m;
}

// What the actions send, one line each: "w0 <- put a", "c2 <- [reply]",
// "c1 answer: commit", "c1 fails: TEXT", "c1 bye: TEXT", "w1 ends, killed".
// Timers and reading are left out unless `all`.
std::vector<std::string> said(const Pool::Actions& actions, bool all = false) {
    std::vector<std::string> lines;
    for (const auto& a : actions) {
        std::string w = "w" + std::to_string(a.worker), c = "c" + std::to_string(a.client);
        switch (a.kind) {
            case PoolAction::ToWorker:
                lines.push_back(w + " <- " + a.message->payload);
                break;
            case PoolAction::Forward:
                lines.push_back(c + " <- " + a.message->payload);
                break;
            case PoolAction::Answer:
                lines.push_back(c + " answer: " + a.text);
                break;
            case PoolAction::Fail:
                lines.push_back(c + " fails: " + a.text);
                break;
            case PoolAction::Bye:
                lines.push_back(c + " bye: " + a.text);
                break;
            case PoolAction::EndWorker:
                lines.push_back(w + (a.kill ? " ends, killed" : " ends"));
                break;
            case PoolAction::PauseWorker:
                if (all) lines.push_back(w + " paused");
                break;
            case PoolAction::ResumeWorker:
                if (all) lines.push_back(w + " resumed");
                break;
            case PoolAction::PauseClient:
                if (all) lines.push_back(c + " paused");
                break;
            case PoolAction::ResumeClient:
                if (all) lines.push_back(c + " resumed");
                break;
            default:
                break;
        }
    }
    return lines;
}

// The last timer action for `client` (or `worker`): its kind and due time.
const PoolAction* timer(const Pool::Actions& actions, ClientId client, int worker = -1) {
    const PoolAction* last = nullptr;
    for (const auto& a : actions) {
        bool forClient = a.kind == PoolAction::ArmClientTimer || a.kind == PoolAction::ClearClientTimer;
        bool forWorker = a.kind == PoolAction::ArmWorkerTimer || a.kind == PoolAction::ClearWorkerTimer;
        if ((forClient && worker < 0 && a.client == client) || (forWorker && a.worker == worker)) last = &a;
    }
    return last;
}

using Lines = std::vector<std::string>;

// A pool of ready workers w0, w1, ... on a clock that stands still until moved.
struct Rig {
    Pool::Clock::time_point now = Pool::Clock::time_point() + std::chrono::hours(1);
    std::vector<std::string> log;
    Pool pool;

    explicit Rig(int workers, PoolLimits limits = PoolLimits())
        : pool(
              "Svc", names(workers), limits, [this](const std::string& t) { log.push_back(t); },
              [this] { return now; }) {
        for (int w = 0; w < workers; ++w) pool.workerReady(w);
        for (ClientId c : {A, B, C}) pool.clientJoined(c);
    }
    static std::vector<std::string> names(int n) {
        std::vector<std::string> out;
        for (int i = 1; i <= n; ++i) out.push_back("Svc-" + std::to_string(i));
        return out;
    }
    Lines ask(ClientId c, const std::string& text) { return said(pool.request(c, query(text))); }
    Lines send(ClientId c, const std::string& text) { return said(pool.request(c, word(text))); }
    // The worker ends its running reply in one block.
    Lines answer(int w, const std::string& text, int16_t more = -1, bool all = false) {
        return said(pool.replyBlock(w, block(text, more)), all);
    }
    // Several requests sent without reading a reply in between.
    Lines pipe(ClientId c, const std::vector<std::string>& texts, bool all = false) {
        Lines out;
        for (const auto& t : texts)
            for (auto& line : said(pool.request(c, query(t)), all)) out.push_back(line);
        return out;
    }
    Lines lost(int w) { return said(pool.workerLost(w, "gone")); }
    bool logged(const std::string& text) const {
        for (const auto& line : log)
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
};

}  // namespace

TEST(Pool, WaitingClientsAreServedInTheOrderOfTheirRequests) {
    Rig r(1);
    EXPECT_EQ(Lines{"w0 <- put a"}, r.ask(A, "put a"));
    EXPECT_EQ(Lines{"c1 <- [ok]"}, r.answer(0, "[ok]"));
    // The only worker holds A's transaction: B, then C, wait in line.
    EXPECT_EQ(Lines{}, r.ask(B, "get b"));
    EXPECT_EQ(Lines{}, r.ask(C, "get c"));
    EXPECT_TRUE(r.pool.inLine(B) && r.pool.inLine(C));
    EXPECT_TRUE(r.logged("client #2 waits for a free worker of Svc"));
    // A's commit frees the worker for B at once: B's query goes right behind
    // the word, which the worker runs first.
    EXPECT_EQ((Lines{"w0 <- commit", "w0 <- get b"}), r.send(A, "commit"));
    // A's next transaction waits behind C, who asked before it.
    EXPECT_EQ(Lines{}, r.ask(A, "get a"));
    EXPECT_TRUE(r.pool.inLine(A));
    EXPECT_EQ(Lines{}, r.answer(0, "commit", 0)) << "the echo of a word nobody awaits goes nowhere";
    EXPECT_EQ(Lines{"c2 <- [b]"}, r.answer(0, "[b]"));
    EXPECT_EQ((Lines{"w0 <- rollback", "w0 <- get c"}), r.send(B, "rollback"));
    EXPECT_EQ(Lines{}, r.answer(0, "rollback", 0));
    EXPECT_EQ(Lines{"c3 <- [c]"}, r.answer(0, "[c]"));
    EXPECT_EQ((Lines{"w0 <- commit", "w0 <- get a"}), r.send(C, "commit"));
    EXPECT_EQ(0, r.pool.boundWorker(A));
}

TEST(Pool, AClientKeepsItsWorkerUntilCommitOrRollback) {
    Rig r(2);
    EXPECT_EQ(Lines{"w0 <- put a"}, r.ask(A, "put a"));
    r.answer(0, "[ok]");
    EXPECT_EQ(Lines{"w1 <- put b"}, r.ask(B, "put b")) << "w0 holds A's transaction";
    r.answer(1, "[ok]");
    EXPECT_EQ(Lines{"w0 <- get"}, r.ask(A, "get"));
    r.answer(0, "[a]");
    // "rollback" asked as a query ends the transaction too; its echo is the reply.
    EXPECT_EQ(Lines{"w0 <- rollback"}, r.ask(A, "rollback"));
    EXPECT_EQ(-1, r.pool.boundWorker(A));
    EXPECT_EQ(Lines{"c1 <- rollback"}, r.answer(0, "rollback", 0));
    EXPECT_EQ(Lines{"w0 <- get c"}, r.ask(C, "get c")) << "w0 is free again";
    r.answer(0, "[c]");
    // Outside a transaction the pool answers a word itself.
    EXPECT_EQ(Lines{"c1 answer: commit"}, r.ask(A, "commit"));
    EXPECT_EQ(Lines{}, r.send(A, "commit"));
    // A statement claiming no reply is refused, the transaction rolled back
    // before anybody else gets the worker, and the sender told next time.
    EXPECT_EQ(Lines{"w1 <- rollback"}, r.send(B, "put x"));
    EXPECT_EQ(-1, r.pool.boundWorker(B));
    Lines told = r.ask(B, "get");
    ASSERT_EQ(1u, told.size());
    EXPECT_EQ(0u, told[0].find("c2 fails: isectd - A statement sent without waiting for its reply was refused"))
        << told[0];
    EXPECT_EQ(Lines{"w1 <- get"}, r.ask(B, "get")) << "told once";
}

TEST(Pool, ANewTransactionDoesNotStartBeforeACommitReceivedEarlier) {
    Rig r(3);
    r.ask(A, "put a");
    r.answer(0, "[ok]");
    // A's commit runs on w0 when B starts: B queues behind it there, although
    // other workers are free, and so sees what A committed.
    EXPECT_EQ(Lines{"w0 <- commit"}, r.send(A, "commit"));
    EXPECT_EQ(Lines{"w0 <- get"}, r.ask(B, "get"));
    EXPECT_EQ(0, r.pool.boundWorker(B));
    r.answer(0, "commit", 0);
    r.answer(0, "[a]");
    r.send(B, "commit");
    r.answer(0, "commit", 0);

    // Commits running on two workers: the new transaction waits, with w2 free.
    r.ask(A, "put a2");
    r.ask(B, "put b2");
    r.answer(0, "[ok]");
    r.answer(1, "[ok]");
    EXPECT_EQ(Lines{"w0 <- commit"}, r.send(A, "commit"));
    EXPECT_EQ(Lines{"w1 <- commit"}, r.send(B, "commit"));
    EXPECT_EQ(Lines{}, r.ask(C, "get"));
    EXPECT_TRUE(r.logged("client #3 waits for a commit or rollback received before its request"));
    // Once A's commit has run, C goes behind B's, which still runs, and not
    // to a free worker.
    EXPECT_EQ(Lines{"w1 <- get"}, r.answer(0, "commit", 0));
    EXPECT_EQ(Lines{}, r.answer(1, "commit", 0));
    EXPECT_EQ(Lines{"c3 <- [a2,b2]"}, r.answer(1, "[a2,b2]"));
}

TEST(Pool, ADeadWorkerFailsWhatItRanAndItsClientsHearOfTheLostTransaction) {
    Rig r(2);
    r.ask(A, "put a");
    r.answer(0, "[ok]");
    r.ask(B, "put b");  // w1 dies while it runs this
    Lines lost = said(r.pool.workerLost(1, "process was killed by signal 9"));
    ASSERT_EQ(2u, lost.size());
    EXPECT_EQ(0u, lost[0].find("c2 fails: isectd - The database service stopped while serving the request")) << lost[0];
    EXPECT_EQ("w1 ends, killed", lost[1]);
    EXPECT_EQ(-1, r.pool.boundWorker(B));
    // w0 dies while A idles in its transaction: A hears of it at its next request.
    EXPECT_EQ(Lines{"w0 ends, killed"}, said(r.pool.workerLost(0, "connection lost")));
    EXPECT_TRUE(r.logged("client #1 lost its transaction with worker Svc-1"));
    Lines told = r.ask(A, "get");
    ASSERT_EQ(1u, told.size());
    EXPECT_EQ(0u, told[0].find("c1 fails: isectd - The database service stopped while a transaction was open"));
    // Then it starts afresh, on the first worker that is ready again.
    EXPECT_EQ(Lines{}, r.ask(A, "get"));
    EXPECT_EQ(Lines{"w1 <- get"}, said(r.pool.workerReady(1)));

    // A commit cut off while it runs: the query sent right behind it says the
    // change may not have been saved.
    r.answer(1, "[]");
    r.ask(A, "put a2");
    r.answer(1, "[ok]");
    EXPECT_EQ((Lines{"w1 <- commit"}), r.send(A, "commit"));
    EXPECT_EQ(Lines{"w1 <- get"}, r.ask(A, "get"));
    told = said(r.pool.workerLost(1, "connection lost"));
    ASSERT_EQ(2u, told.size());
    EXPECT_EQ(0u, told[0].find("c1 fails: isectd - The database service stopped while saving; the last change may "
                               "not have been saved"))
        << told[0];
}

TEST(Pool, AClientThatLeavesMidTransactionIsRolledBackBeforeAnybodyElseGetsItsWorker) {
    Rig r(1);
    r.ask(A, "put a");
    r.answer(0, "[ok]");
    EXPECT_EQ(Lines{}, r.ask(B, "get"));
    EXPECT_EQ((Lines{"w0 <- rollback", "w0 <- get"}), said(r.pool.clientLeft(A)));
    EXPECT_FALSE(r.pool.has(A));
    EXPECT_EQ(Lines{}, r.answer(0, "rollback", 0));
    EXPECT_EQ(Lines{"c2 <- []"}, r.answer(0, "[]"));
    // What a client that left had sent on behind its running request runs
    // into the void, and its rollback follows.
    EXPECT_EQ(Lines{"w0 <- sleep"}, r.ask(B, "sleep"));
    EXPECT_EQ(Lines{"w0 <- more"}, r.ask(B, "more"));
    EXPECT_EQ(Lines{}, said(r.pool.clientLeft(B)));
    EXPECT_EQ(Lines{}, r.answer(0, "[slept]"));
    EXPECT_EQ(Lines{"w0 <- rollback"}, r.answer(0, "[more]"));
    r.answer(0, "rollback", 0);
    // A "commit" it sent before it left still runs.
    EXPECT_EQ(Lines{"w0 <- put c"}, r.ask(C, "put c"));
    r.answer(0, "[ok]");
    EXPECT_EQ(Lines{"w0 <- sleep"}, r.ask(C, "sleep"));
    EXPECT_EQ(Lines{"w0 <- commit"}, r.send(C, "commit")) << "goes to the worker behind the running request";
    EXPECT_EQ(Lines{}, said(r.pool.clientLeft(C)));
    EXPECT_EQ(Lines{}, r.answer(0, "[slept]")) << "not taken back, not sent twice";
    EXPECT_EQ(Lines{}, r.answer(0, "commit", 0));
}

TEST(Pool, TimeLimitsRollBackCloseAndEndWhatHoldsOthersUp) {
    PoolLimits limits;
    limits.idleTimeout = 5;
    limits.transactionTimeout = 2;
    limits.requestTimeout = 3;
    Rig r(2, limits);
    auto requestActions = r.pool.request(A, query("put a"));
    const PoolAction* t = timer(requestActions, 0, 0);
    ASSERT_NE(nullptr, t);
    EXPECT_EQ(PoolAction::ArmWorkerTimer, t->kind);
    EXPECT_EQ(r.now + std::chrono::seconds(3), t->due);
    EXPECT_EQ(PoolAction::ClearClientTimer, timer(requestActions, A)->kind) << "none while its request runs";
    auto replied = r.pool.replyBlock(0, block("[ok]", -1));
    EXPECT_EQ(PoolAction::ClearWorkerTimer, timer(replied, 0, 0)->kind);
    ASSERT_EQ(PoolAction::ArmClientTimer, timer(replied, A)->kind);
    EXPECT_EQ(r.now + std::chrono::seconds(2), timer(replied, A)->due) << "inside a transaction";

    // Idle in the transaction: rolled back, told at the next request.
    r.now += std::chrono::seconds(2);
    EXPECT_EQ(Lines{"w0 <- rollback"}, said(r.pool.clientTimer(A)));
    r.answer(0, "rollback", 0);
    Lines told = r.ask(A, "get");
    ASSERT_EQ(1u, told.size());
    EXPECT_EQ(0u, told[0].find("c1 fails: isectd - The transaction was left open for 2 s without a request"))
        << told[0];
    // Idle outside one: closed.
    auto idle = r.pool.request(A, word("rollback"));
    ASSERT_EQ(PoolAction::ArmClientTimer, timer(idle, A)->kind);
    EXPECT_EQ(r.now + std::chrono::seconds(5), timer(idle, A)->due);
    EXPECT_EQ(Lines{"c1 bye: idle for 5 s"}, said(r.pool.clientTimer(A)));
    EXPECT_FALSE(r.pool.has(A));

    // A reader that does not keep up pauses its worker and its limit.
    r.ask(B, "blocks");
    r.answer(0, "first", 1);
    EXPECT_EQ((Lines{"w0 paused"}), said(r.pool.replyBackedUp(0), true));
    auto drained = r.pool.clientDrained(B);
    EXPECT_EQ((Lines{"w0 resumed"}), said(drained, true));
    EXPECT_EQ(PoolAction::ArmWorkerTimer, timer(drained, 0, 0)->kind);
    // A request the worker does not answer ends it; the idle worker is asked
    // for a sign of life.
    Lines ended = said(r.pool.workerTimer(0, 4242));
    ASSERT_EQ(3u, ended.size());
    EXPECT_EQ(0u, ended[0].find("c2 fails: isectd - The database service did not answer within 3 s")) << ended[0];
    EXPECT_EQ("w0 ends, killed", ended[1]);
    EXPECT_EQ("w1 <- ", ended[2]);
    EXPECT_TRUE(r.logged("worker Svc-1 (pid 4242) did not answer a request in time: ended and restarted"));
}

TEST(Pool, APipelineRunsInTheOrderSentOnItsWorkerAndNothingOvertakesItsCommit) {
    Rig r(2);
    // The statements go to the worker one behind the other; the awaited
    // commit waits for their replies.
    EXPECT_EQ((Lines{"w0 <- put 1", "w0 <- put 2", "w0 <- put 3"}),
              r.pipe(A, {"put 1", "put 2", "put 3", "commit", "put 4"}));
    EXPECT_EQ(5, r.pool.inFlight(A)) << "put 1 to 3 and the commit under way, put 4 held";
    EXPECT_TRUE(r.pool.inLine(A)) << "the next transaction waits for the commit sent before it";
    // B asked after A's commit was received: it must see what that commits,
    // so the free w1 does not take it.
    EXPECT_EQ(Lines{}, r.ask(B, "get b"));
    EXPECT_TRUE(r.pool.inLine(B));
    EXPECT_EQ((Lines{"c1 <- [1]"}), r.answer(0, "[1]"));
    EXPECT_EQ((Lines{"c1 <- [2]"}), r.answer(0, "[2]"));
    EXPECT_EQ((Lines{"c1 <- [3]", "w0 <- commit"}), r.answer(0, "[3]"));
    // Once the commit has run, A's next transaction and then B's start.
    EXPECT_EQ((Lines{"c1 <- commit", "w0 <- put 4", "w1 <- get b"}), r.answer(0, "commit", 0));
    EXPECT_EQ(0, r.pool.boundWorker(A));
    EXPECT_EQ(1, r.pool.boundWorker(B));
}

TEST(Pool, AFullPipelineIsNotReadFromUntilAReplyHasCome) {
    PoolLimits limits;
    limits.inFlight = 3;
    Rig r(1, limits);
    EXPECT_EQ((Lines{"w0 <- put 1", "w0 <- put 2"}), r.pipe(A, {"put 1", "put 2"}, true));
    EXPECT_EQ((Lines{"w0 <- put 3", "c1 paused"}), r.pipe(A, {"put 3"}, true));
    EXPECT_EQ((Lines{"c1 <- [1]", "c1 resumed"}), r.answer(0, "[1]", -1, true));
    EXPECT_EQ((Lines{"w0 <- put 4", "c1 paused"}), r.pipe(A, {"put 4"}, true));
    // Requests held while waiting for a worker count as well.
    EXPECT_EQ(Lines{}, r.pipe(B, {"get 1", "get 2"}, true));
    EXPECT_EQ((Lines{"c2 paused"}), r.pipe(B, {"get 3"}, true));
    EXPECT_EQ(3, r.pool.inFlight(B));
    // A reply block that is not the last leaves the request under way.
    EXPECT_EQ((Lines{"c1 <- [2"}), r.answer(0, "[2", 1, true));
    EXPECT_EQ((Lines{"c1 <- ]", "c1 resumed"}), r.answer(0, "]", 0, true));
}

TEST(Pool, AWorkerDyingMidPipelineFailsEveryRequestAndTheCommitIsNotMade) {
    Rig r(2);
    EXPECT_EQ((Lines{"w0 <- put 1", "w0 <- put 2", "w0 <- put 3"}), r.pipe(A, {"put 1", "put 2", "put 3", "commit"}));
    r.answer(0, "[1]");
    const std::string serving =
        "isectd - The database service stopped while serving the request; nothing of its transaction was saved.";
    // put 2 running, put 3 and the commit behind it: each fails, the commit
    // with the words that nothing was saved.
    EXPECT_EQ((Lines{"c1 fails: " + serving, "c1 fails: " + serving, "c1 fails: " + serving, "w0 ends, killed"}),
              r.lost(0));
    EXPECT_EQ(0, r.pool.inFlight(A));
    EXPECT_EQ(-1, r.pool.boundWorker(A));

    // B's pipeline is cut off before its commit was even sent: what B sends
    // behind it, before it can know, does not start a transaction of its
    // own but fails up to the word that ends the lost one.
    EXPECT_EQ((Lines{"w1 <- put b1", "w1 <- put b2"}), r.pipe(B, {"put b1", "put b2"}));
    EXPECT_EQ((Lines{"c2 fails: " + serving, "c2 fails: " + serving, "w1 ends, killed"}), r.lost(1));
    r.pool.workerReady(0);
    const std::string notRun =
        "c2 fails: isectd - The database service stopped while serving an earlier request of this transaction; "
        "this one was not run and nothing of the transaction was saved.";
    EXPECT_EQ((Lines{notRun, notRun, notRun}), r.pipe(B, {"put b3", "put b4", "commit"}));
    EXPECT_EQ(Lines{"w0 <- put b5"}, r.ask(B, "put b5")) << "a new transaction after the end of the lost one";
}

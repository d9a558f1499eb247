// Pipelined requests through the router with the real worker on a real
// database: the replies come back in the order sent, no more than the
// router's "inflight" are ever under way, and a worker killed in the middle
// of a pipeline fails every request left and leaves nothing of it.
#include "isdio.h"
#include "support/Services.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <functional>

#include <string>
#include <vector>

namespace {

// What the library handed out for each piped request, in order.
struct Replies {
    std::vector<std::string> texts;     // the reply, or "" when it failed
    std::vector<std::string> failures;  // the reason, or "" when it came
    std::function<void(int)> onReply;   // called after each one
    int next = 0;                       // the index expected next; from 0 again after isdPipeWait
    static void take(void* context, int index, const char* data, int length, const char* failure) {
        auto* r = static_cast<Replies*>(context);
        EXPECT_EQ(r->next++, index) << "replies are handed out in order";
        r->texts.push_back(data ? std::string(data, static_cast<size_t>(length)) : std::string());
        r->failures.push_back(failure ? failure : "");
        if (r->onReply) r->onReply(index);
    }
    int firstFailure() const {
        for (size_t i = 0; i < failures.size(); ++i)
            if (!failures[i].empty()) return static_cast<int>(i);
        return -1;
    }
};

std::string insert(int i) { return "insert into Teachers (Teacher) values ('mw-p" + std::to_string(i) + "')"; }
const char kCount[] = "select count(*) from Teachers where Teacher starting with 'mw-p'";

int login(const testsupport::Services& svc) {
    return isdLoginWithKey(svc.host().c_str(), svc.service().c_str(), svc.key().c_str());
}

bool pipe(int h, const std::string& sql) {
    IsdHeader header{};
    return isdSendPiped(h, sql.c_str(), static_cast<int>(sql.size()), &header) >= 0;
}

// A request waited for; the reply's blocks joined, or "FAILED: reason".
std::string ask(int h, const std::string& sql) {
    IsdHeader header{};
    isdSetReplyWanted(&header, 1);
    if (isdSend(h, sql.c_str(), -1, &header) < 0) return std::string("FAILED: ") + isdLastError();
    std::string reply;
    for (;;) {
        char* data = isdRecv(h, &header);
        if (!data) return std::string("FAILED: ") + (isdFailureReason(h) ? isdFailureReason(h) : isdLastError());
        reply.append(data, static_cast<size_t>(isdGetLength(&header)));
        if (isdGetMore(&header) <= 0) return reply;
    }
}

// The number in a one-row count reply ("...[[   7]]]").
int countIn(const std::string& reply) {
    size_t at = reply.rfind("[[");
    return at == std::string::npos || reply.find_first_of("0123456789", at) == std::string::npos
               ? -1
               : std::stoi(reply.substr(at + 2));
}

}  // namespace

TEST(Pipeline, RepliesComeInOrderAndNoMoreThanTheLimitIsEverUnderWay) {
    testsupport::ServicesOptions options;
    options.workers = 1;
    options.settings = {"inflight=4"};
    testsupport::Services svc(options);
    int h = login(svc);
    ASSERT_GE(h, 0) << isdLastError();
    EXPECT_EQ(4, isdPipeLimit(h)) << "told at the login";
    Replies replies;
    isdSetPipeReply(h, &Replies::take, &replies);
    // Each count sees exactly the inserts sent before it: nothing overtakes.
    int most = 0;
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(pipe(h, insert(i))) << isdLastError();
        ASSERT_TRUE(pipe(h, kCount)) << isdLastError();
        most = std::max(most, isdPipeInFlight(h));
    }
    EXPECT_EQ(4, most);
    ASSERT_EQ(0, isdPipeWait(h)) << isdLastError();
    EXPECT_EQ(0, isdPipeInFlight(h));
    ASSERT_EQ(80u, replies.texts.size());
    EXPECT_EQ(-1, replies.firstFailure());
    for (int i = 0; i < 40; ++i) EXPECT_EQ(i + 1, countIn(replies.texts[2 * i + 1])) << replies.texts[2 * i + 1];
    // A request waited for after piped ones gets its own reply, not theirs.
    replies.next = 0;
    ASSERT_TRUE(pipe(h, insert(40)));
    std::string count = ask(h, kCount);
    EXPECT_EQ(41, countIn(count)) << count;
    EXPECT_EQ(81u, replies.texts.size()) << "the piped reply was read first";
    EXPECT_EQ("commit", ask(h, "commit"));
    EXPECT_NE(std::string::npos, svc.isql(std::string(kCount) + ";").find("41"));
    isdLogout(h);
}

TEST(Pipeline, AWorkerKilledMidPipelineFailsEveryRequestLeftAndNothingOfItRemains) {
    testsupport::ServicesOptions options;
    options.workers = 1;
    testsupport::Services svc(options);
    int h = login(svc);
    ASSERT_GE(h, 0) << isdLastError();
    std::vector<pid_t> pids = svc.workerPids();
    ASSERT_EQ(1u, pids.size());
    Replies replies;
    replies.onReply = [&](int index) {
        if (index == 10) testsupport::killBetweenStatements(pids[0]);
    };
    isdSetPipeReply(h, &Replies::take, &replies);
    const int n = 3000;
    for (int i = 0; i < n; ++i) ASSERT_TRUE(pipe(h, insert(i))) << isdLastError();
    ASSERT_EQ(0, isdPipeWait(h)) << "the connection stays good: " << isdLastError();
    ASSERT_EQ(static_cast<size_t>(n), replies.texts.size());
    int first = replies.firstFailure();
    ASSERT_GT(first, 10) << "the worker died mid-way";
    ASSERT_LT(first, n);
    // The requests under way at the router when the worker died fail with
    // it; when it died between two of them, those after run on the new worker
    // in a transaction of their own, which the commit below must not keep.
    EXPECT_NE(std::string::npos, replies.failures[first].find("nothing of")) << replies.failures[first];
    // The commit is told it was not made.
    std::string commit = ask(h, "commit");
    EXPECT_EQ(0u, commit.find("FAILED: ")) << commit;
    EXPECT_NE(std::string::npos, commit.find("nothing of the transaction was saved")) << commit;
    EXPECT_NE(std::string::npos, svc.isql(std::string(kCount) + ";").find(" 0")) << "nothing of it remains";
    // The restarted worker serves the next transaction.
    EXPECT_EQ(0, countIn(ask(h, kCount)));
    ask(h, "rollback");
    isdLogout(h);
}

// A statement that fails in the middle of a pipeline: the worker rolled back
// there and ran the rest in a transaction of its own, so the client's
// "commit" would save only what came after the failure.  The library sends
// a rollback instead and reports the commit as not made.
TEST(Pipeline, ACommitBehindAFailedPipedStatementIsNotMade) {
    testsupport::ServicesOptions options;
    options.workers = 1;
    testsupport::Services svc(options);
    int h = login(svc);
    ASSERT_GE(h, 0) << isdLastError();
    Replies replies;
    isdSetPipeReply(h, &Replies::take, &replies);
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(pipe(h, insert(i))) << isdLastError();
    ASSERT_TRUE(pipe(h, "insert into NoSuchTable (X) values (1)"));
    for (int i = 5; i < 10; ++i) ASSERT_TRUE(pipe(h, insert(i))) << isdLastError();
    std::string commit = ask(h, "commit");
    EXPECT_EQ(0u, commit.find("FAILED: ")) << commit;
    EXPECT_NE(std::string::npos, commit.find("the commit was not sent")) << commit;
    ASSERT_EQ(11u, replies.texts.size()) << "every piped reply was read before the commit";
    EXPECT_EQ(std::string::npos, replies.texts[5].find('[')) << "the failed statement's reply is an error";
    EXPECT_NE(std::string::npos, svc.isql(std::string(kCount) + ";").find(" 0")) << "nothing of it remains";
    // The connection goes on: the next transaction commits.
    ASSERT_TRUE(pipe(h, insert(20)));
    const std::string second = ask(h, "commit");
    EXPECT_NE(0u, second.find("FAILED")) << "a clean pipeline commits: " << second;
    EXPECT_EQ(1, countIn(ask(h, kCount)));
    ask(h, "rollback");
    isdLogout(h);
}

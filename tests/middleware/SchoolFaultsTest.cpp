// The middleware as a school's server uses it: the real router, real Vantry
// workers and a real database, under the faults that once made it unfit for
// more than one teacher.  Each test prints its figure ("FIGURE ...").
#include "Auth.h"
#include "isdio.h"
#include "middleware/EchoRouter.h"
#include "support/IsdClient.h"
#include "support/Services.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using testsupport::IsdClient;
using testsupport::Services;
using testsupport::ServicesOptions;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void figure(const std::string& text) {
    std::printf("FIGURE %s: %s\n", ::testing::UnitTest::GetInstance()->current_test_info()->name(), text.c_str());
    std::fflush(stdout);
}

ServicesOptions options(int workers, std::vector<std::string> settings = {}) {
    ServicesOptions o;
    o.workers = workers;
    o.settings = std::move(settings);
    return o;
}

std::string routerLog(const Services& svc) { return testsupport::readFile(svc.logdir() + "/isectd.log"); }

void waitForLog(const Services& svc, const std::string& text, int count = 1) {
    ASSERT_TRUE(testsupport::waitForText(svc.logdir() + "/isectd.log", text, count))
        << "the router log never showed \"" << text << "\":\n"
        << routerLog(svc);
}

std::string insert(const std::string& name) { return "insert into Teachers (Teacher) values ('" + name + "')"; }

// How many teachers are named so, seen by a client of its own.
int countNamed(const Services& svc, const std::string& name) {
    IsdClient c(svc.host(), svc.service(), svc.key());
    std::string reply = c.query("select count(*) from Teachers where Teacher = '" + name + "'");
    c.commit();
    size_t at = reply.find("[[");
    at = reply.find("[[", at + 2);
    return at == std::string::npos ? -1 : atoi(reply.c_str() + at + 2);
}

// The worker serving a client's last request, from the router's log.
std::string workerOf(const Services& svc, int client) {
    std::string log = routerLog(svc);
    std::string mark = " <- client #" + std::to_string(client) + ":";
    size_t at = log.rfind(mark);
    if (at == std::string::npos) return std::string();
    size_t start = log.rfind(' ', at - 1);
    return log.substr(start + 1, at - start - 1);
}

// The number of the client that logged in last.
int newestClient(const Services& svc) {
    std::string log = routerLog(svc);
    size_t at = log.rfind(" logged in to service");
    if (at == std::string::npos) return 0;
    size_t hash = log.rfind('#', at);
    return atoi(log.c_str() + hash + 1);
}

pid_t workerPid(const Services& svc, const std::string& name) {
    std::istringstream in(testsupport::readFile(svc.workdir() + "/services/run/workers"));
    std::string service, worker;
    long pid;
    while (in >> service >> worker >> pid)
        if (worker == name) return static_cast<pid_t>(pid);
    return 0;
}

long statusKb(pid_t pid, const std::string& field) {
    std::istringstream in(testsupport::readFile("/proc/" + std::to_string(pid) + "/status"));
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    return -1;
}

// The reason the last request of the client failed, or "" when it did not.
std::string failure(const IsdClient& c) {
    const char* why = isdFailureReason(c.handle());
    return why ? why : "";
}

// A login done by hand on a raw socket, for sending what no client would.
int rawLogin(int port, const std::string& service, const std::string& key) {
    int fd = mwtest::rawConnect(port);
    if (fd < 0) return -1;
    auto send = [&](uint16_t kind, const std::string& payload) { return mwtest::rawSendMessage(fd, kind, payload); };
    auto receive = [&](IsdHeader& h, std::string& payload) { return mwtest::rawReceive(fd, h, payload); };
    std::string nonce = isdauth::nonce();
    IsdHeader h{};
    std::string payload;
    if (!send(ISD_LOGIN, service + "\n" + nonce) || !receive(h, payload) || isdGetKind(&h) != ISD_CHALLENGE) {
        close(fd);
        return -1;
    }
    std::string routerNonce = payload.substr(0, payload.find('\n'));
    if (!send(ISD_AUTH, isdauth::proof(key, "client", service, nonce, routerNonce, "")) || !receive(h, payload) ||
        isdGetKind(&h) != ISD_LOGIN_OK) {
        close(fd);
        return -1;
    }
    return fd;
}

// isdcat in the client's working directory, with nothing but its
// Plenwick.ini, gets a reply.
void expectIsdcatGetsIn(const Services& svc) {
    std::string out;
    EXPECT_EQ(0, testsupport::run("cd " + testsupport::shellQuote(svc.workdir()) + " && " +
                                      testsupport::shellQuote(testsupport::buildDir() + "/isdcat") +
                                      " 'select 1 from rdb$database'",
                                  &out))
        << out;
}

// A socket listening on a free loopback port (for a fake router or a
// relay); -1 when none can be had.
int listenOnLoopback(int& port) {
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener, 1) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        if (listener >= 0) close(listener);
        return -1;
    }
    port = ntohs(a.sin_port);
    return listener;
}

// isdcat reading statements from a pipe, run in the client's working
// directory: the test writes lines and reads the replies as they come.
class PipedIsdcat {
public:
    PipedIsdcat(const Services& svc, const std::string& args) : err_(svc.workdir() + "/isdcat-err.txt") {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[1]);
            close(out[0]);
            if (chdir(svc.workdir().c_str()) != 0) _exit(127);
            std::string command = testsupport::shellQuote(testsupport::buildDir() + "/isdcat") + " " + args + " 2>" +
                                  testsupport::shellQuote(err_);
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        in_ = in[1];
        out_ = out[0];
    }
    ~PipedIsdcat() {
        if (in_ >= 0) close(in_);
        if (out_ >= 0) close(out_);
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
    }
    bool write(const std::string& line) { return ::write(in_, line.data(), line.size()) == (ssize_t)line.size(); }
    // The next line of its standard output ("" at its end).
    std::string readLine() {
        std::string line;
        char ch;
        while (::read(out_, &ch, 1) == 1) {
            line += ch;
            if (ch == '\n') break;
        }
        return line;
    }
    // Closes its input and waits for its exit status.
    int finish() {
        close(in_);
        in_ = -1;
        int status = 0;
        if (waitpid(pid_, &status, 0) != pid_) return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string errors() const { return testsupport::readFile(err_); }

private:
    std::string err_;
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
};
}  // namespace

// Fault 1: a statement sent without asking for its reply must not end the
// sender's binding while its transaction stays open for the next client.
TEST(SchoolFaults, AStatementClaimingNoReplyNeverHandsATransactionOn) {
    Services svc(options(1));
    IsdClient a(svc.host(), svc.service(), svc.key()), b(svc.host(), svc.service(), svc.key());
    ASSERT_TRUE(a.ok() && b.ok()) << isdLastError();
    ASSERT_NE("FAILED", a.query(insert("mw-f1-uncommitted")));
    ASSERT_TRUE(a.word(insert("mw-f1-claims-no-reply")));  // reply-wanted 0, not a word
    std::string seen = b.query("select Teacher from Teachers where Teacher starting with 'mw-f1'");
    b.commit();
    int leaked = testsupport::countOf(seen, "'mw-f1");
    // The sender is told at its next request.
    EXPECT_EQ("FAILED", a.query("select 1 from rdb$database"));
    EXPECT_NE(std::string::npos, failure(a).find("was refused")) << failure(a);
    EXPECT_NE("FAILED", a.query("select 1 from rdb$database"));
    a.commit();
    EXPECT_EQ(0, countNamed(svc, "mw-f1-uncommitted"));
    EXPECT_EQ(0, countNamed(svc, "mw-f1-claims-no-reply"));
    EXPECT_EQ(0, leaked) << seen;
    figure("rows of another client's open transaction seen by the next client: " + std::to_string(leaked));
}

// Fault 2: clients looping on their transactions keep no worker past their
// commit while another client waits.
TEST(SchoolFaults, AWaitingClientIsServedFirstComeFirstServed) {
    Services svc(options(1));
    std::atomic<bool> stop{false};
    std::atomic<long> done{0};
    std::vector<std::thread> loopers;
    for (int t = 0; t < 2; ++t)
        loopers.emplace_back([&, t] {
            IsdClient c(svc.host(), svc.service(), svc.key());
            for (int i = 0; !stop && i < 100000; ++i) {
                // The next statement goes out right behind the commit.
                if (c.query(insert("mw-f2-" + std::to_string(t) + "-" + std::to_string(i))) == "FAILED") break;
                c.commit();
                ++done;
            }
        });
    while (done < 50) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    IsdClient third(svc.host(), svc.service(), svc.key());
    long before = done;
    auto start = Clock::now();
    std::string reply = third.query("select count(*) from Teachers");
    double waited = msSince(start);
    long meanwhile = done - before;
    third.commit();
    stop = true;
    for (auto& t : loopers) t.join();
    EXPECT_NE("FAILED", reply);
    // In line behind at most the transaction running and the other looper's.
    EXPECT_LE(meanwhile, 4);
    figure("the third client's SELECT waited " + std::to_string(waited) + " ms while two clients looped; " +
           std::to_string(meanwhile) + " of their transactions ran meanwhile");
}

// Fault 3: whoever starts after a commit was sent sees it.
TEST(SchoolFaults, ANewTransactionSeesEveryCommitSentBeforeIt) {
    Services svc(options(2));
    IsdClient setup(svc.host(), svc.service(), svc.key());
    ASSERT_NE("FAILED", setup.query("insert into Settings (StringKey, StringValue) values ('mw-f3', '0')"));
    setup.commit();
    setup.logout();
    IsdClient b(svc.host(), svc.service(), svc.key());
    const int trials = 200;
    int stale = 0;
    std::string firstStale;  // what the first stale read gave, to tell a conflict from an old value
    for (int i = 1; i <= trials; ++i) {
        {
            IsdClient a(svc.host(), svc.service(), svc.key());
            ASSERT_NE("FAILED", a.query("update Settings set StringValue = '" + std::to_string(i) +
                                        "' where StringKey = 'mw-f3'"));
            a.commit();
        }  // a leaves at once
        std::string reply = b.query("select StringValue from Settings where StringKey = 'mw-f3'");
        b.commit();
        if (reply.find("'" + std::to_string(i) + "'") == std::string::npos && stale++ == 0)
            firstStale = "trial " + std::to_string(i) + ": " + reply;
    }
    EXPECT_EQ(0, stale) << firstStale;
    figure("stale reads: " + std::to_string(stale) + " of " + std::to_string(trials) + " trials");
}

// Fault 4: the worker holding a transaction dies after its reply, before or
// while the client's "commit" runs: the client's next request says so.
TEST(SchoolFaults, ALostCommitIsReportedAtTheNextRequest) {
    Services svc(options(2));
    IsdClient a(svc.host(), svc.service(), svc.key());
    int id = newestClient(svc);
    std::string me = "client #" + std::to_string(id);
    ASSERT_NE("FAILED", a.query(insert("mw-f4-before")));
    std::string name = workerOf(svc, id);
    ASSERT_FALSE(name.empty()) << routerLog(svc);
    ASSERT_EQ(0, kill(workerPid(svc, name), SIGKILL));
    waitForLog(svc, me + " lost its transaction");
    ASSERT_TRUE(a.commit());
    EXPECT_EQ("FAILED", a.query("select count(*) from Teachers"));
    std::string told = failure(a);
    EXPECT_NE(std::string::npos, told.find("nothing of it was saved")) << told;
    EXPECT_NE("FAILED", a.query("select count(*) from Teachers"));  // told once, then it goes on
    a.commit();

    // The worker dies while the commit is on its way to it: killed only once
    // the router has handed this commit on (the log may show an earlier
    // commit of the client on the same worker already).
    ASSERT_NE("FAILED", a.query(insert("mw-f4-during")));
    name = workerOf(svc, id);
    pid_t pid = workerPid(svc, name);
    ASSERT_EQ(0, kill(pid, SIGSTOP));
    const std::string handedOn = name + " <- " + me + ": \"commit\"";
    int before = testsupport::countOf(routerLog(svc), handedOn);
    ASSERT_TRUE(a.commit());
    waitForLog(svc, handedOn, before + 1);
    ASSERT_EQ(0, kill(pid, SIGKILL));
    waitForLog(svc, "was cut off");
    EXPECT_EQ("FAILED", a.query("select count(*) from Teachers"));
    std::string told2 = failure(a);
    EXPECT_NE(std::string::npos, told2.find("may not have been saved")) << told2;
    a.logout();
    int rows = countNamed(svc, "mw-f4-before") + countNamed(svc, "mw-f4-during");
    EXPECT_EQ(0, rows);
    figure("rows found after the lost commits: " + std::to_string(rows) + "; the client was told: \"" + told +
           "\" and \"" + told2 + "\"");
}

// isdcat waits for its commit: a worker killed between the INSERT's reply and
// the commit, or while the commit runs, makes it fail with the router's
// words instead of exiting 0 with nothing saved.
TEST(SchoolFaults, IsdcatReportsACommitThatWasNotConfirmed) {
    Services svc(options(2));
    {
        PipedIsdcat saved(svc, "-t -");
        ASSERT_TRUE(saved.write(insert("mw-cat-saved") + "\ncommit\n"));
        EXPECT_NE(std::string::npos, saved.readLine().find("[[]")) << saved.errors();
        EXPECT_EQ(0, saved.finish()) << saved.errors();
    }
    EXPECT_EQ(1, countNamed(svc, "mw-cat-saved"));

    // Killed after the INSERT's reply, before the commit.
    PipedIsdcat lost(svc, "-t -");
    ASSERT_TRUE(lost.write(insert("mw-cat-lost") + "\n"));
    EXPECT_NE(std::string::npos, lost.readLine().find("[[]")) << lost.errors();
    int id = newestClient(svc);
    std::string name = workerOf(svc, id);
    ASSERT_FALSE(name.empty()) << routerLog(svc);
    ASSERT_EQ(0, kill(workerPid(svc, name), SIGKILL));
    waitForLog(svc, "client #" + std::to_string(id) + " lost its transaction");
    int status = lost.finish();  // the end of the input commits
    std::string told = lost.errors();
    EXPECT_EQ(1, status) << told;
    EXPECT_NE(std::string::npos, told.find("commit not confirmed")) << told;
    EXPECT_NE(std::string::npos, told.find("nothing of it was saved")) << told;

    // Killed while the commit runs: the outcome is unknown, and said so.
    PipedIsdcat cut(svc, "-t -");
    ASSERT_TRUE(cut.write(insert("mw-cat-cut") + "\n"));
    EXPECT_NE(std::string::npos, cut.readLine().find("[[]")) << cut.errors();
    id = newestClient(svc);
    std::string me = "client #" + std::to_string(id);
    name = workerOf(svc, id);
    pid_t pid = workerPid(svc, name);
    ASSERT_EQ(0, kill(pid, SIGSTOP));
    ASSERT_TRUE(cut.write("commit\n"));
    waitForLog(svc, name + " <- " + me + ": \"commit\"");
    ASSERT_EQ(0, kill(pid, SIGKILL));
    status = cut.finish();
    std::string told2 = cut.errors();
    EXPECT_EQ(1, status) << told2;
    EXPECT_NE(std::string::npos, told2.find("may not have been saved")) << told2;
    int rows = countNamed(svc, "mw-cat-lost") + countNamed(svc, "mw-cat-cut");
    EXPECT_EQ(0, rows);
    figure("isdcat after a lost commit: exit " + std::to_string(status) + ", \"" + told.substr(0, told.find('\n')) +
           "\"; rows found " + std::to_string(rows));
}

// The query a client sends right behind its "commit" goes to the worker
// while the commit still runs (the worker answers them in order).  When the
// worker dies there, the query fails saying the change may not be saved,
// once, and the next request goes on; the other worker keeps serving.
TEST(SchoolFaults, AQuerySentBehindACommitThatIsCutOffSaysSo) {
    Services svc(options(2));
    IsdClient a(svc.host(), svc.service(), svc.key());
    int id = newestClient(svc);
    std::string me = "client #" + std::to_string(id);
    ASSERT_NE("FAILED", a.query(insert("mw-ahead")));
    std::string name = workerOf(svc, id);
    ASSERT_FALSE(name.empty()) << routerLog(svc);
    pid_t pid = workerPid(svc, name);
    ASSERT_EQ(0, kill(pid, SIGSTOP));
    ASSERT_TRUE(a.commit());
    std::string reply;
    std::thread asker([&] { reply = a.query("select count(*) from Teachers where Teacher = 'mw-ahead'"); });
    // Handed on behind the commit, before the stopped worker has answered it.
    waitForLog(svc, name + " <- " + me + ": \"select count(*)");
    ASSERT_EQ(0, kill(pid, SIGKILL));
    asker.join();
    EXPECT_EQ("FAILED", reply);
    std::string told = failure(a);
    EXPECT_NE(std::string::npos, told.find("may not have been saved")) << told;
    EXPECT_NE("FAILED", a.query("select count(*) from Teachers")) << failure(a);  // told once
    a.rollback();
    a.logout();
    EXPECT_EQ(0, countNamed(svc, "mw-ahead"));
}

// Fault 5: memory grows with what arrives, a client that does not read holds
// a bounded amount, and connections are limited.
TEST(SchoolFaults, RouterMemoryStaysBounded) {
    Services svc(options(1, {"sendtimeout=1", "maxclients=8"}));
    pid_t router = svc.routerPid();
    long base = statusKb(router, "VmRSS");
    // kB: the client buffer (1 MiB) and what the allocator keeps; a router
    // that held a reply its client does not read would exceed it.
    const long bound = 4 * 1024;

    // Four logged-in connections announce 64 MiB each and send 1 kB.
    std::vector<int> fds;
    for (int i = 0; i < 4; ++i) {
        int fd = rawLogin(svc.port(), svc.service(), svc.key());
        ASSERT_GE(fd, 0);
        IsdHeader h{};
        isdSetMagic(&h);
        isdSetReplyWanted(&h, 1);
        isdSetLength(&h, ISD_MAX_LENGTH);
        std::string start = "select '" + std::string(1000, 'x');
        ASSERT_TRUE(mwtest::rawSend(fd, h.bytes, 64) && mwtest::rawSend(fd, start.data(), start.size()));
        fds.push_back(fd);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    long announced = statusKb(router, "VmRSS") - base;
    // Before a login nothing longer than a login is accepted at all.
    int early = mwtest::rawConnect(svc.port());
    IsdHeader big{};
    isdSetMagic(&big);
    isdSetKind(&big, ISD_LOGIN);
    isdSetLength(&big, ISD_MAX_LENGTH);
    mwtest::rawSend(early, big.bytes, 64);
    EXPECT_TRUE(mwtest::rawClosedByPeer(early));
    close(early);
    for (int fd : fds) close(fd);
    EXPECT_LT(announced, bound);

    // A client that asks for some 14 MB of reply and reads none of it.
    IsdClient reader(svc.host(), svc.service(), svc.key());
    ASSERT_TRUE(
        reader.send("select a.rdb$field_name, b.rdb$field_name from rdb$relation_fields a, "
                    "rdb$relation_fields b"));
    waitForLog(svc, "rdb$relation_fields b");
    // Its share is sampled until the router drops it after the send limit.
    long held = 0;
    for (int i = 0; i < 3000 && routerLog(svc).find("read nothing for") == std::string::npos; ++i) {
        held = std::max(held, statusKb(router, "VmRSS") - base);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    waitForLog(svc, "read nothing for");
    // The peak covers every moment since the start, between the samples too.
    long peak = statusKb(router, "VmHWM") - base;
    // The rollback frees the only worker.
    IsdClient other(svc.host(), svc.service(), svc.key());
    EXPECT_NE("FAILED", other.query("select 1 from rdb$database"));
    other.commit();
    long after = statusKb(router, "VmRSS") - base;
    EXPECT_LT(held, bound);
    EXPECT_LT(peak, bound);

    // The connection limit: the ninth is refused with the reason.
    std::vector<std::unique_ptr<IsdClient>> many;
    for (int i = 0; i < 7; ++i) many.push_back(std::make_unique<IsdClient>(svc.host(), svc.service(), svc.key()));
    IsdClient ninth(svc.host(), svc.service(), svc.key());
    std::string refused = isdLastError();
    EXPECT_FALSE(ninth.ok());
    EXPECT_NE(std::string::npos, refused.find("as many connections as it may")) << refused;
    figure("router memory: +" + std::to_string(announced) + " kB with 4 connections announcing 64 MiB; +" +
           std::to_string(held) + " kB (peak +" + std::to_string(peak) + " kB) while a client read none of a " +
           "14 MB reply; +" + std::to_string(after) + " kB after it was dropped; 9th connection: " + refused);
}

// A client that stops reading a long reply is dropped once it has taken
// nothing for `sendtimeout`, counted from the moment it stopped: its
// transaction is rolled back and the worker, not ended, serves the client
// waiting behind it.
TEST(SchoolFaults, AClientThatStopsReadingFreesItsWorkerAfterTheSendLimit) {
    Services svc(options(1, {"sendtimeout=2"}));
    pid_t worker = workerPid(svc, "Plenwick-1");
    IsdClient reader(svc.host(), svc.service(), svc.key());
    ASSERT_NE("FAILED", reader.query(insert("mw-reader")));
    // Some 14 MB of reply, none of it read.
    ASSERT_TRUE(
        reader.send("select a.rdb$field_name, b.rdb$field_name from rdb$relation_fields a, "
                    "rdb$relation_fields b"));
    waitForLog(svc, "rdb$relation_fields b");
    auto start = Clock::now();
    IsdClient innocent(svc.host(), svc.service(), svc.key());
    std::string reply = innocent.query("select count(*) from Teachers where Teacher = 'mw-reader'");
    double waited = msSince(start) / 1000;
    innocent.commit();
    EXPECT_NE("FAILED", reply) << failure(innocent);
    EXPECT_NE(std::string::npos, reply.find(" 0]]]")) << reply;  // the reader's row is not there
    EXPECT_NE(std::string::npos, routerLog(svc).find("read nothing for 2")) << routerLog(svc);
    EXPECT_EQ(worker, workerPid(svc, "Plenwick-1")) << "the worker was freed, not ended";
    EXPECT_EQ(0, countNamed(svc, "mw-reader"));
    figure("with the only worker streaming 14 MB to a client that reads none of it, the next client waited " +
           std::to_string(waited) + " s (sendtimeout 2 s); the reader's row was rolled back");
}

// A worker stopped while it runs a client's commit holds back every new
// transaction (they must see that commit) for `commitwait` at most: then it
// is ended and restarted, its client told the commit's outcome is unknown,
// and the others go on on the other worker.
TEST(SchoolFaults, AStuckCommitHoldsOthersBackForTheCommitWaitAtMost) {
    Services svc(options(2, {"commitwait=1"}));
    IsdClient a(svc.host(), svc.service(), svc.key());
    int id = newestClient(svc);
    std::string me = "client #" + std::to_string(id);
    ASSERT_NE("FAILED", a.query(insert("mw-stuck")));
    std::string name = workerOf(svc, id);
    pid_t pid = workerPid(svc, name);
    ASSERT_EQ(0, kill(pid, SIGSTOP));
    const std::string handedOn = name + " <- " + me + ": \"commit\"";
    int before = testsupport::countOf(routerLog(svc), handedOn);
    ASSERT_TRUE(a.commit());
    waitForLog(svc, handedOn, before + 1);
    auto start = Clock::now();
    IsdClient b(svc.host(), svc.service(), svc.key());
    std::string reply = b.query("select count(*) from Teachers");
    double waited = msSince(start) / 1000;
    b.commit();
    kill(pid, SIGCONT);
    EXPECT_NE("FAILED", reply) << failure(b);
    EXPECT_NE(std::string::npos, routerLog(svc).find("while new transactions wait: ended and restarted"))
        << routerLog(svc);
    EXPECT_EQ("FAILED", a.query("select 1 from rdb$database"));
    std::string told = failure(a);
    EXPECT_NE(std::string::npos, told.find("may not have been saved")) << told;
    EXPECT_NE("FAILED", a.query("select 1 from rdb$database")) << failure(a);
    a.commit();
    figure("a new transaction waited " + std::to_string(waited) +
           " s behind a stopped worker's commit (commitwait 1 s); its client was told: \"" + told + "\"");
}

// Fault 6: logins, idle connections, idle transactions and hung workers
// have time limits.
TEST(SchoolFaults, TimeLimitsEndWhatWouldHoldOthersUp) {
    // Short limits: the rules, not the figures, are tested here.  The login
    // limit stays at a second, which every client of the test must meet.
    Services svc(options(2, {"logintimeout=1", "idletimeout=1", "transactiontimeout=1", "requesttimeout=1.5"}));
    // A connection that never logs in.
    auto start = Clock::now();
    int fd = mwtest::rawConnect(svc.port());
    EXPECT_TRUE(mwtest::rawClosedByPeer(fd));
    double login = msSince(start) / 1000;
    close(fd);

    // An idle connection is closed; its next request logs in again unseen.
    IsdClient idle(svc.host(), svc.service(), svc.key());
    EXPECT_NE("FAILED", idle.query("select 1 from rdb$database"));
    idle.commit();
    waitForLog(svc, "closed: idle for 1 s");
    EXPECT_NE("FAILED", idle.query("select 2 from rdb$database"));
    idle.commit();
    // A read sent with its commit in one write after the goodbye is sent
    // again whole: its commit runs too, so no transaction is left open.
    waitForLog(svc, "closed: idle for 1 s", 2);
    const std::string swallowed = ": \"commit\" (reply swallowed)";
    int commits = testsupport::countOf(routerLog(svc), swallowed);
    IsdHeader h{};
    ASSERT_LT(0, isdSendAndCommit(idle.handle(), "select 3 from rdb$database", -1, &h));
    std::string again;
    EXPECT_TRUE(idle.receive(again));
    EXPECT_NE(std::string::npos, again.find("3")) << again;
    waitForLog(svc, swallowed, commits + 1);

    // Two clients idle inside transactions hold both workers.
    IsdClient a(svc.host(), svc.service(), svc.key()), b(svc.host(), svc.service(), svc.key()),
        c(svc.host(), svc.service(), svc.key());
    ASSERT_NE("FAILED", a.query(insert("mw-f6-a")));
    ASSERT_NE("FAILED", b.query(insert("mw-f6-b")));
    start = Clock::now();
    EXPECT_NE("FAILED", c.query("select count(*) from Teachers"));
    double heldOut = msSince(start) / 1000;
    c.commit();
    EXPECT_EQ("FAILED", a.query("select 1 from rdb$database"));
    EXPECT_NE(std::string::npos, failure(a).find("without a request and was rolled back")) << failure(a);

    // A stopped worker (it may hold the other one up inside the database):
    // what it does not answer is cancelled, the workers that hang are ended
    // and restarted, and service resumes.
    pid_t stopped = workerPid(svc, "Plenwick-1");
    ASSERT_EQ(0, kill(stopped, SIGSTOP));
    start = Clock::now();
    int failed = 0;
    bool served = false;
    for (int i = 0; i < 10 && !served; ++i) {
        served = c.query("select " + std::to_string(i) + " from rdb$database") != "FAILED";
        if (!served) ++failed;
        c.commit();
    }
    double resumed = msSince(start) / 1000;
    EXPECT_TRUE(served) << routerLog(svc);
    EXPECT_NE(std::string::npos, routerLog(svc).find("did not answer")) << routerLog(svc);
    EXPECT_NE(stopped, workerPid(svc, "Plenwick-1"));
    kill(stopped, SIGCONT);
    EXPECT_NE("FAILED", c.query("select 9 from rdb$database"));
    c.commit();
    EXPECT_EQ(0, countNamed(svc, "mw-f6-a") + countNamed(svc, "mw-f6-b"));
    figure("login limit closed a silent connection after " + std::to_string(login) +
           " s; two idle transactions held a third client out " + std::to_string(heldOut) +
           " s (limit 1 s); with a worker stopped, service resumed after " + std::to_string(resumed) + " s, " +
           std::to_string(failed) + " requests failed meanwhile (request limit 1.5 s)");
}

// Fault 7: out of file descriptors the router neither spins nor floods its
// log, and serves again once descriptors are free.
TEST(SchoolFaults, OutOfDescriptorsBacksOffQuietly) {
    Services svc(options(1));
    pid_t router = svc.routerPid();
    int open = 0;
    {
        std::string out;
        testsupport::run("ls /proc/" + std::to_string(router) + "/fd | wc -l", &out);
        open = atoi(out.c_str());
    }
    struct rlimit old {};
    ASSERT_EQ(0, prlimit(router, RLIMIT_NOFILE, nullptr, &old));
    struct rlimit low {
        static_cast<rlim_t>(open + 2), old.rlim_max
    };
    ASSERT_EQ(0, prlimit(router, RLIMIT_NOFILE, &low, nullptr));
    std::vector<int> fds;
    for (int i = 0; i < 20; ++i) {
        int fd = mwtest::rawConnect(svc.port());
        if (fd >= 0) fds.push_back(fd);
    }
    waitForLog(svc, "accepting a client failed");
    auto cpu = [&] {
        std::istringstream in(testsupport::readFile("/proc/" + std::to_string(router) + "/stat"));
        std::string field;
        long ticks = 0;
        for (int i = 1; in >> field && i <= 15; ++i)
            if (i == 14 || i == 15) ticks += std::stol(field);
        return ticks;
    };
    struct stat st;
    stat((svc.logdir() + "/isectd.log").c_str(), &st);
    off_t logBefore = st.st_size;
    long cpuBefore = cpu();
    // A router that retried at once would spin and log thousands of lines in
    // this second; the back-off logs one.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    long cpuTicks = cpu() - cpuBefore;
    stat((svc.logdir() + "/isectd.log").c_str(), &st);
    off_t logGrowth = st.st_size - logBefore;
    for (int fd : fds) close(fd);
    struct rlimit back = old;
    ASSERT_EQ(0, prlimit(router, RLIMIT_NOFILE, &back, nullptr));
    EXPECT_LT(logGrowth, 2000) << routerLog(svc);
    EXPECT_NE(std::string::npos, routerLog(svc).find("accepting a client failed")) << routerLog(svc);
    IsdClient c(svc.host(), svc.service(), svc.key());
    EXPECT_NE("FAILED", c.query("select 1 from rdb$database"));
    c.commit();
    double percent = 100.0 * static_cast<double>(cpuTicks) / static_cast<double>(sysconf(_SC_CLK_TCK));
    figure("out of descriptors for 1 s: router CPU " + std::to_string(percent) + " %, log +" +
           std::to_string(logGrowth) + " bytes; served again afterwards");
}

// Connections without the key have a cap of their own, below maxclients:
// a flood of them drops their own oldest, and every client with the key
// logs in meanwhile.
TEST(SchoolFaults, KeylessConnectionsNeverLockOutClientsWithTheKey) {
    Services svc(options(1, {"maxclients=8", "maxlogins=4"}));
    std::atomic<bool> stop{false};
    std::atomic<int> opened{0};
    std::vector<int> held;
    std::thread flood([&] {
        // Some hold a bare connection, some ask to log in and never answer.
        while (!stop && held.size() < 400) {
            int fd = mwtest::rawConnect(svc.port());
            if (fd < 0) break;
            if (held.size() % 2) mwtest::rawSendMessage(fd, ISD_LOGIN, svc.service() + "\n" + isdauth::nonce());
            held.push_back(fd);
            ++opened;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));  // 40 a second
        }
    });
    while (opened < 60) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::vector<std::unique_ptr<IsdClient>> genuine;
    std::string why;
    int failed = 0;
    for (int i = 0; i < 12; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // amid the flood
        auto c = std::make_unique<IsdClient>(svc.host(), svc.service(), svc.key());
        if (!c->ok()) {
            ++failed;
            why = isdLastError();
            continue;
        }
        // Logged-in clients beyond maxclients are refused, keyless ones or not.
        if (genuine.size() >= 7) genuine.erase(genuine.begin());
        genuine.push_back(std::move(c));
    }
    stop = true;
    flood.join();
    for (int fd : held) close(fd);
    EXPECT_EQ(0, failed) << why;
    for (auto& c : genuine) {
        EXPECT_NE("FAILED", c->query("select 1 from rdb$database")) << failure(*c);
        c->commit();
    }
    int dropped = testsupport::countOf(routerLog(svc), "connections not logged in (maxlogins)");
    EXPECT_GT(dropped, 0) << routerLog(svc);
    figure(std::to_string(opened.load()) + " keyless connections while 12 clients with the key logged in: " +
           std::to_string(failed) + " logins failed; the router dropped the oldest keyless one " +
           std::to_string(dropped) + " times (its log says so at most once a second)");
}

// Out of descriptors while a worker restarts: the workers' port retries on
// its own, so once descriptors are free again the restarted worker's hello
// is read and the service has all its workers again.
TEST(SchoolFaults, AWorkerRestartedWhileOutOfDescriptorsComesBack) {
    Services svc(options(2));
    pid_t router = svc.routerPid();
    std::string out;
    testsupport::run("ls /proc/" + std::to_string(router) + "/fd | wc -l", &out);
    struct rlimit old {};
    ASSERT_EQ(0, prlimit(router, RLIMIT_NOFILE, nullptr, &old));
    struct rlimit low {
        static_cast<rlim_t>(atoi(out.c_str()) + 4), old.rlim_max
    };
    ASSERT_EQ(0, prlimit(router, RLIMIT_NOFILE, &low, nullptr));
    std::vector<int> fds;
    for (int i = 0; i < 40; ++i) {
        int fd = mwtest::rawConnect(svc.port());
        if (fd >= 0) fds.push_back(fd);
    }
    waitForLog(svc, "accepting a client failed");
    pid_t killed = workerPid(svc, "Plenwick-2");
    ASSERT_EQ(0, kill(killed, SIGKILL));
    // Its restart comes and cannot be accepted (or even started) meanwhile.
    waitForLog(svc, "restarting worker Plenwick-2");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    for (int fd : fds) close(fd);
    struct rlimit back = old;
    ASSERT_EQ(0, prlimit(router, RLIMIT_NOFILE, &back, nullptr));
    auto freed = Clock::now();
    // Back: the restarted worker proves its hello.
    pid_t fresh = 0;
    for (int i = 0;
         i < 3000 && (fresh == 0 || fresh == killed ||
                      routerLog(svc).find("(pid " + std::to_string(fresh) + ") is ready") == std::string::npos);
         ++i) {
        fresh = workerPid(svc, "Plenwick-2");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    double back2 = msSince(freed) / 1000;
    EXPECT_NE(std::string::npos, routerLog(svc).find("(pid " + std::to_string(fresh) + ") is ready")) << routerLog(svc);
    // Both workers serve: two open transactions at once.
    IsdClient a(svc.host(), svc.service(), svc.key()), b(svc.host(), svc.service(), svc.key());
    EXPECT_NE("FAILED", a.query(insert("mw-fd-a")));
    EXPECT_NE("FAILED", b.query(insert("mw-fd-b")));
    a.rollback();
    b.rollback();
    figure("the worker restarted while out of descriptors was ready " + std::to_string(back2) +
           " s after they were freed");
}

// Restarts that do not come up (here: the database cannot be opened, as when
// the engine's lock state hangs every new attach) end the service's other
// workers once, so that all of them start again together; the healthy one is
// not ended over and over, and the service heals when the database is back.
TEST(SchoolFaults, RestartsThatDoNotComeUpRestartTheServiceTogether) {
    Services svc(options(2));
    const pid_t healthy = workerPid(svc, "Plenwick-2");
    const std::string moved = svc.database() + ".away";
    ASSERT_EQ(0, rename(svc.database().c_str(), moved.c_str()));
    ASSERT_EQ(0, kill(workerPid(svc, "Plenwick-1"), SIGKILL));
    waitForLog(svc, "worker restarts in a row did not come up");
    // Plenwick-2 was ended at that moment, once.
    for (int i = 0; i < 500 && workerPid(svc, "Plenwick-2") == healthy; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_NE(healthy, workerPid(svc, "Plenwick-2"));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const std::string log = routerLog(svc);
    size_t count = 0;
    for (size_t at = log.find("did not come up"); at != std::string::npos; at = log.find("did not come up", at + 1))
        ++count;
    EXPECT_EQ(1u, count) << log;

    ASSERT_EQ(0, rename(moved.c_str(), svc.database().c_str()));
    // Both workers come back (their back-off is at most a few seconds here).
    IsdClient a(svc.host(), svc.service(), svc.key());
    bool served = false;
    for (int i = 0; i < 300 && !served; ++i) {
        served = a.query("select 1 from rdb$database") != "FAILED";
        if (!served) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(served) << routerLog(svc);
    a.rollback();
    IsdClient b(svc.host(), svc.service(), svc.key());
    EXPECT_NE("FAILED", b.query("select 2 from rdb$database")) << routerLog(svc);
    b.rollback();

    // The engine's shared lock state lies in the service's own directory,
    // not in a folder of /tmp that every user and every other service
    // shares: each worker's mapped lock files are there, and nobody else
    // may enter it.
    const std::string lockDir = svc.workdir() + "/services/firebird/lock/";
    struct stat st {};
    ASSERT_EQ(0, stat(lockDir.c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 0777);
    int lockFiles = 0;
    for (const char* name : {"Plenwick-1", "Plenwick-2"}) {
        std::istringstream maps(testsupport::readFile("/proc/" + std::to_string(workerPid(svc, name)) + "/maps"));
        for (std::string line; std::getline(maps, line);) {
            const size_t path = line.find('/'), base = line.rfind('/');
            if (path == std::string::npos || line.compare(base, 3, "/fb") != 0 ||
                line.find(".so", base) != std::string::npos)
                continue;
            ++lockFiles;
            EXPECT_EQ(0u, line.compare(path, lockDir.size(), lockDir)) << name << " maps " << line.substr(path);
        }
    }
    EXPECT_GT(lockFiles, 0) << "no worker maps a lock file of the engine";
}

// Fault 8: no login, no worker and no password without the key.
TEST(SchoolFaults, OnlyHoldersOfTheServiceKeyGetIn) {
    ServicesOptions o = options(1);
    o.password = "Pw-Seen-Nowhere-42";
    Services svc(o);
    IsdClient none(svc.host(), svc.service(), "");
    std::string noKey = isdLastError();
    IsdClient wrong(svc.host(), svc.service(), std::string(64, 'a'));
    std::string wrongKey = isdLastError();
    IsdClient right(svc.host(), svc.service(), svc.key());
    EXPECT_FALSE(none.ok());
    EXPECT_FALSE(wrong.ok());
    EXPECT_TRUE(right.ok()) << isdLastError();
    EXPECT_NE(std::string::npos, noKey.find("the service key is missing or wrong")) << noKey;
    EXPECT_NE(std::string::npos, wrongKey.find("login refused")) << wrongKey;
    std::string log = routerLog(svc);
    EXPECT_NE(std::string::npos, log.find("from 127.0.0.1:")) << log;
    EXPECT_NE(std::string::npos, log.find("refused: no service key given")) << log;
    EXPECT_NE(std::string::npos, log.find("refused: wrong service key")) << log;
    // Plenwick, isdcat and scripts take the key from Plenwick.ini.
    expectIsdcatGetsIn(svc);

    // A stranger on the workers' port cannot stand in for a worker: the
    // router waits for the restarted worker's proof.
    const std::string mark = "for workers on 127.0.0.1:";
    int workerPort = atoi(log.c_str() + log.find(mark) + mark.size());
    std::string impostor;
    for (int attempt = 0; attempt < 20 && impostor.empty(); ++attempt) {
        pid_t old = workerPid(svc, "Plenwick-1");
        ASSERT_EQ(0, kill(old, SIGKILL));
        pid_t fresh = 0;
        for (int i = 0; i < 3000 && (fresh == 0 || fresh == old); ++i) {
            fresh = workerPid(svc, "Plenwick-1");
            if (fresh == 0 || fresh == old) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        kill(fresh, SIGSTOP);
        if (routerLog(svc).find("(pid " + std::to_string(fresh) + ") is ready") == std::string::npos) {
            int fd = mwtest::rawConnect(workerPort);
            mwtest::rawSendMessage(fd, ISD_HELLO, "Plenwick\nPlenwick-1\n" + isdauth::nonce());
            mwtest::rawSendMessage(fd, ISD_AUTH, std::string(64, '0'));  // a guessed proof
            EXPECT_TRUE(mwtest::rawClosedByPeer(fd));
            close(fd);
            // The service key, which every client holds, proves no worker.
            fd = mwtest::rawConnect(workerPort);
            std::string nonce = isdauth::nonce();
            mwtest::rawSendMessage(fd, ISD_HELLO, "Plenwick\nPlenwick-1\n" + nonce);
            IsdHeader h{};
            std::string challenge;
            if (mwtest::rawReceive(fd, h, challenge) && isdGetKind(&h) == ISD_CHALLENGE) {
                std::string routerNonce = challenge.substr(0, challenge.find('\n'));
                mwtest::rawSendMessage(fd, ISD_AUTH,
                                       isdauth::proof(svc.key(), "worker", "Plenwick", nonce, routerNonce, ""));
                EXPECT_TRUE(mwtest::rawClosedByPeer(fd));
            }
            close(fd);
            impostor = "tried";
        }
        kill(fresh, SIGCONT);
    }
    ASSERT_FALSE(impostor.empty());
    waitForLog(svc, "refused: wrong key for Plenwick-1", 2);
    EXPECT_NE("FAILED", right.query("select 1 from rdb$database"));
    right.commit();

    // The password and the key are on no command line and in no worker's
    // environment as it started (/proc/PID/environ).
    for (pid_t worker : svc.workerPids()) {
        std::string environ = testsupport::readFile("/proc/" + std::to_string(worker) + "/environ");
        EXPECT_FALSE(environ.empty());
        EXPECT_EQ(std::string::npos, environ.find("Pw-Seen-Nowhere-42"));
        EXPECT_EQ(std::string::npos, environ.find(svc.key()));
    }
    // The password is on no command line.
    std::string ps;
    testsupport::run("ps -eo args | grep '[V]antry.*" + svc.workdir() + "'", &ps);
    EXPECT_FALSE(ps.empty());
    EXPECT_EQ(std::string::npos, ps.find("Pw-Seen-Nowhere-42")) << ps;
    std::string everything;
    testsupport::run("cat " + testsupport::shellQuote(svc.logdir()) + "/*", &everything);
    EXPECT_EQ(std::string::npos, everything.find("Pw-Seen-Nowhere-42"));
    EXPECT_EQ(std::string::npos, everything.find(svc.key()));
    figure("without the key: \"" + noKey + "\"; with a wrong key: \"" + wrongKey +
           "\"; impostor worker refused; ps shows: " + ps.substr(0, ps.find('\n')));
}

// Fault 8, the other way round: a process on the router's port that cannot
// prove the key gets no statement from a client.
TEST(SchoolFaults, AClientTalksOnlyToARouterThatProvesTheKey) {
    for (int round = 0; round < 2; ++round) {
        int port = 0;
        int listener = listenOnLoopback(port);
        ASSERT_GE(listener, 0);
        std::string received;
        std::thread fake([&] {
            int peer = accept(listener, nullptr, nullptr);
            char buffer[4096];
            ssize_t n = read(peer, buffer, sizeof buffer);
            if (round == 0) {
                mwtest::rawSendMessage(peer, ISD_LOGIN_OK, "");  // "come in", without a challenge
            } else {
                // A challenge with a made-up proof, then "come in".
                mwtest::rawSendMessage(peer, ISD_CHALLENGE, isdauth::nonce() + "\n" + std::string(64, 'f'));
                mwtest::rawSendMessage(peer, ISD_LOGIN_OK, "");
            }
            while ((n = read(peer, buffer, sizeof buffer)) > 0) received.append(buffer, static_cast<size_t>(n));
            close(peer);
        });
        IsdClient c("127.0.0.1:" + std::to_string(port), "Plenwick", std::string(64, '1'));
        std::string why = isdLastError();
        EXPECT_FALSE(c.ok());
        c.logout();
        fake.join();
        close(listener);
        EXPECT_NE(std::string::npos, why.find(round == 0 ? "asks for no service key" : "could not prove")) << why;
        EXPECT_EQ(std::string::npos, received.find("select")) << received;
        figure(std::string(round == 0 ? "a fake router without a challenge" : "a fake router with a false proof") +
               ": \"" + why + "\"");
    }
}

// TLS on the client port: the statement does not cross in clear text, and a
// plain client gets nowhere.
TEST(SchoolFaults, TlsKeepsStatementsOffTheWire) {
    ServicesOptions o = options(1);
    o.tls = true;
    Services svc(o);
    std::string ini = testsupport::readFile(svc.workdir() + "/Plenwick.ini");
    ASSERT_NE(std::string::npos, ini.find("Host=tls:127.0.0.1:")) << ini;
    // A relay that records what crosses it.
    int port = 0;
    int listener = listenOnLoopback(port);
    ASSERT_GE(listener, 0);
    std::string wire;
    std::thread relay([&] {
        int client = accept(listener, nullptr, nullptr);
        int router = mwtest::rawConnect(svc.port());
        char buffer[65536];
        for (;;) {
            pollfd p[2] = {{client, POLLIN, 0}, {router, POLLIN, 0}};
            if (poll(p, 2, 10000) <= 0) break;
            int from = (p[0].revents & (POLLIN | POLLHUP)) ? client : router;
            ssize_t n = read(from, buffer, sizeof buffer);
            if (n <= 0) break;
            wire.append(buffer, static_cast<size_t>(n));
            mwtest::rawSend(from == client ? router : client, buffer, static_cast<size_t>(n));
        }
        close(client);
        close(router);
    });
    std::string secret = "mw-tls-teachers-own-words";
    {
        IsdClient c("tls:127.0.0.1:" + std::to_string(port), svc.service(), svc.key());
        ASSERT_TRUE(c.ok()) << isdLastError();
        std::string reply = c.query("select '" + secret + "' from rdb$database");
        EXPECT_NE(std::string::npos, reply.find(secret)) << reply;
        c.commit();
    }
    relay.join();
    close(listener);
    EXPECT_GT(wire.size(), 500u);
    EXPECT_EQ(std::string::npos, wire.find(secret));
    EXPECT_EQ(std::string::npos, wire.find("rdb$database"));
    IsdClient plain("127.0.0.1:" + std::to_string(svc.port()), svc.service(), svc.key());
    std::string why = isdLastError();
    EXPECT_FALSE(plain.ok());
    expectIsdcatGetsIn(svc);
    figure(std::to_string(wire.size()) + " bytes crossed the relay, the statement and its reply in none of them " +
           "in clear; a plain client: \"" + why + "\"");
}

// The client holds the router certificate's fingerprint: another router
// over TLS, holding the right key or not, is left before anything is sent.
TEST(SchoolFaults, TlsClientRefusesACertificateOtherThanTheOnePlenwickIniNames) {
    ServicesOptions o = options(1);
    o.tls = true;
    Services school(o);
    Services stranger(o);
    auto pinOf = [](const Services& svc) {
        return isdParseTlsFingerprint(testsupport::readFile(svc.workdir() + "/Plenwick.ini"));
    };
    const std::string pin = pinOf(school), otherPin = pinOf(stranger);
    ASSERT_EQ(95u, pin.size()) << pin;  // 32 bytes as "AB:CD:..."
    ASSERT_NE(pin, otherPin);

    int h =
        isdLoginPinned(("tls:" + school.host()).c_str(), school.service().c_str(), school.key().c_str(), pin.c_str());
    ASSERT_GE(h, 0) << isdLastError();
    isdLogout(h);
    // Written without colons and in small letters it is the same fingerprint.
    std::string plain;
    for (char ch : pin)
        if (ch != ':') plain += static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    h = isdLoginPinned(("tls:" + school.host()).c_str(), school.service().c_str(), school.key().c_str(), plain.c_str());
    ASSERT_GE(h, 0) << isdLastError();
    isdLogout(h);
    // The Plenwick.ini in the working directory is what isdcat (and Plenwick) read.
    expectIsdcatGetsIn(school);

    // The stranger's router even accepts the school's key here: only the
    // fingerprint tells them apart.
    h = isdLoginPinned(("tls:" + stranger.host()).c_str(), stranger.service().c_str(), stranger.key().c_str(),
                       pin.c_str());
    const std::string why = isdLastError();
    EXPECT_LT(h, 0);
    if (h >= 0) isdLogout(h);
    EXPECT_NE(std::string::npos, why.find("127.0.0.1")) << why;
    EXPECT_NE(std::string::npos, why.find(pin)) << why;
    EXPECT_NE(std::string::npos, why.find(otherPin)) << why;
    EXPECT_NE(std::string::npos, why.find("Nothing was sent")) << why;
    figure("a router with another certificate: \"" + why + "\"");
}

// Fault 9: logs are private, bounded, cannot be forged, and rotate.
TEST(SchoolFaults, LogsArePrivateBoundedUnforgeableAndRotated) {
    // A small rotation size, so that a few hundred requests rotate each log
    // more often than logkeep files are kept.
    const long logSize = 16384;
    Services svc(options(1, {"logsize=" + std::to_string(logSize), "logkeep=3"}));
    IsdClient c(svc.host(), svc.service(), svc.key());
    struct stat st;
    auto sizeOfLogs = [&] {
        std::string out;
        testsupport::run("cat " + testsupport::shellQuote(svc.logdir()) + "/*.log | wc -c", &out);
        return atol(out.c_str());
    };
    long before = sizeOfLogs();
    std::string huge = "select '" + std::string(10 * 1024 * 1024, 'z') + "' from rdb$database";
    EXPECT_NE("FAILED", c.query(huge));
    c.rollback();
    long forHuge = sizeOfLogs() - before;
    EXPECT_LT(forHuge, 20000);

    const std::string forged = "2026-01-01 00:00:00.000 forged line";
    EXPECT_NE("FAILED", c.query("select 1\n" + forged + "\r\n from rdb$database"));
    c.commit();
    int forgedLines = 0, unstamped = 0;
    std::string all;
    testsupport::run("cat " + testsupport::shellQuote(svc.logdir()) + "/*.log", &all);
    std::istringstream lines(all);
    std::string line;
    std::regex stamped("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} .*");
    while (std::getline(lines, line)) {
        if (line.rfind(forged, 0) == 0) ++forgedLines;
        if (!std::regex_match(line, stamped)) ++unstamped;
    }
    EXPECT_EQ(0, forgedLines);
    EXPECT_EQ(0, unstamped);
    EXPECT_NE(std::string::npos, all.find("select 1\\n" + forged + "\\r\\n")) << "escaped, not dropped";

    for (int i = 0; i < 300; ++i) {
        c.query("select " + std::to_string(i) + " from rdb$database");
        c.commit();
    }
    std::string files;
    testsupport::run("cd " + testsupport::shellQuote(svc.logdir()) + " && stat -c '%n %s %a' *", &files);
    EXPECT_NE(std::string::npos, files.find("isectd.log.1 ")) << files;
    EXPECT_NE(std::string::npos, files.find("Plenwick-Plenwick-1.log.1 ")) << files;
    EXPECT_EQ(std::string::npos, files.find(".log.4 ")) << files;
    std::istringstream each(files);
    std::string name, mode;
    long size;
    while (each >> name >> size >> mode) {
        EXPECT_EQ("600", mode) << name;
        EXPECT_LT(size, logSize + 8192) << name;
    }
    ASSERT_EQ(0, stat(svc.logdir().c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 0777);
    figure("a 10 MB statement added " + std::to_string(forHuge) + " bytes to the logs; forged lines " +
           std::to_string(forgedLines) + "; after 300 more requests: " +
           std::to_string(testsupport::countOf(files, "\n")) + " files, modes 600 in a 700 directory");
}

// 50 clients for a fixed time: every client completes transactions and
// every committed row is there exactly once.
TEST(SchoolLoad, FiftyClientsAllGetTheirTransactionsDone) {
    Services svc(options(2));
    const int clients = 50;
    const int lengthSeconds = 2;
    const auto length = std::chrono::seconds(lengthSeconds);
    // What each client committed and what it gave up, by statement number.
    std::vector<std::vector<int>> committed(clients), givenUp(clients);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    auto end = Clock::now() + length;
    for (int t = 0; t < clients; ++t)
        threads.emplace_back([&, t] {
            IsdClient c(svc.host(), svc.service(), svc.key());
            if (!c.ok()) {
                ++failures;
                return;
            }
            for (int i = 0; Clock::now() < end; ++i) {
                std::string reply = c.query(insert("ld-" + std::to_string(t) + "-" + std::to_string(i)));
                if (reply == "FAILED" || reply.find('[') == std::string::npos) {
                    ++failures;
                    c.rollback();
                    givenUp[t].push_back(i);
                    continue;
                }
                if (i % 4 == 3) {
                    c.rollback();  // some are given up: they must not appear
                    givenUp[t].push_back(i);
                    continue;
                }
                c.commit();
                committed[t].push_back(i);
            }
            // Behind the last commit, so that it has run.
            c.query("select 1 from rdb$database");
            c.commit();
        });
    for (auto& t : threads) t.join();
    int least = static_cast<int>(committed[0].size()), total = 0;
    for (const auto& done : committed) {
        least = std::min(least, static_cast<int>(done.size()));
        total += static_cast<int>(done.size());
    }
    IsdClient check(svc.host(), svc.service(), svc.key());
    std::string rows = check.query("select Teacher from Teachers where Teacher starting with 'ld-'");
    check.commit();
    int found = testsupport::countOf(rows, "'ld-");
    int doubled = 0, missing = 0, returned = 0;
    for (int t = 0; t < clients; ++t) {
        auto named = [&](int i) { return "'ld-" + std::to_string(t) + "-" + std::to_string(i) + "'"; };
        for (int i : committed[t]) {
            int n = testsupport::countOf(rows, named(i));
            if (n == 0) ++missing;
            if (n > 1) ++doubled;
        }
        for (int i : givenUp[t]) returned += testsupport::countOf(rows, named(i));
    }
    EXPECT_EQ(0, failures.load());
    EXPECT_GE(least, 1);
    EXPECT_EQ(0, missing);
    EXPECT_EQ(0, doubled);
    EXPECT_EQ(0, returned) << "rows rolled back came back";
    EXPECT_EQ(total, found) << "rows nobody committed";
    figure(std::to_string(clients) + " clients for " + std::to_string(lengthSeconds) +
           " s on 2 workers: " + std::to_string(total) + " transactions committed (" +
           std::to_string(total / lengthSeconds) + " a second), the least by one client " + std::to_string(least) +
           "; rows found " + std::to_string(found) + ", missing " + std::to_string(missing) + ", doubled " +
           std::to_string(doubled) + ", rolled back but found " + std::to_string(returned));
}

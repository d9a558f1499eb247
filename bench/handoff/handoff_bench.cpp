// Prototype of handing a client's connection to its worker for the length of
// a transaction, against relaying every message through a router process.
//
//   handoff_bench [ROUNDS]        (default 2000)
//
// Three processes as in the product: a client (this process), a router and a
// worker, on loopback TCP between client and router and a UNIX socket pair
// between router and worker.  The worker runs the benchmark's one-row SELECT
// on an embedded database in /dev/shm and commits on "commit".  Each round
// is one transaction as Plenwick sends it: the query (a reply awaited) and
// "commit" (no reply).
//
//   relay    the router reads each message and writes it on; the worker's
//            reply comes back the same way; the router holds the client's
//            next request until the worker has answered the commit (four
//            socket hops for the query and two for the commit).
//   handoff  the router waits until the client's socket is readable, passes
//            the descriptor to the worker (SCM_RIGHTS); the worker reads
//            and answers on it directly until "commit", commits and passes
//            the descriptor back (two hops for the query, the commit on the
//            client's socket, and two descriptor passes).
//   kept     as handoff, but after "commit" the worker keeps reading the
//            client's socket and gives it back only when the router asks
//            (another client waits) or the client leaves: one round trip a
//            statement while a client has the worker to itself.
//   direct   the same statement and commit in one process with fbclient.
//
// Messages are the ISDIO header of 64 bytes (length in the first 4) and the
// payload; nothing else of the product is used, so the figures show the
// transport alone.
#include "support/Services.h"
#include "support/TestFiles.h"

#include <ibase.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char kQuery[] = "select rdb$relation_id, rdb$character_set_name from rdb$database";

double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// ---- messages: a 64-byte header holding the length, then the payload

bool readFull(int fd, void* to, size_t n) {
    char* p = static_cast<char*>(to);
    while (n > 0) {
        ssize_t k = read(fd, p, n);
        if (k <= 0) return false;
        p += k;
        n -= static_cast<size_t>(k);
    }
    return true;
}

bool writeFull(int fd, const void* from, size_t n) {
    const char* p = static_cast<const char*>(from);
    while (n > 0) {
        ssize_t k = write(fd, p, n);
        if (k <= 0) return false;
        p += k;
        n -= static_cast<size_t>(k);
    }
    return true;
}

bool sendMessage(int fd, const std::string& payload) {
    std::string wire(64, '\0');
    uint32_t length = static_cast<uint32_t>(payload.size());
    memcpy(&wire[0], &length, 4);
    wire += payload;
    return writeFull(fd, wire.data(), wire.size());
}

bool receiveMessage(int fd, std::string& payload) {
    char header[64];
    if (!readFull(fd, header, sizeof header)) return false;
    uint32_t length;
    memcpy(&length, header, 4);
    payload.resize(length);
    return length == 0 || readFull(fd, &payload[0], length);
}

// ---- descriptor passing over the UNIX socket between router and worker

bool passDescriptor(int over, int fd) {
    char byte = 'd';
    iovec io{&byte, 1};
    char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr msg{};
    msg.msg_iov = &io;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(sizeof(int));
    memcpy(CMSG_DATA(c), &fd, sizeof fd);
    return sendmsg(over, &msg, 0) == 1;
}

int takeDescriptor(int over) {
    char byte;
    iovec io{&byte, 1};
    char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr msg{};
    msg.msg_iov = &io;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    if (recvmsg(over, &msg, 0) != 1) return -1;
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    if (!c || c->cmsg_type != SCM_RIGHTS) return -1;
    int fd;
    memcpy(&fd, CMSG_DATA(c), sizeof fd);
    return fd;
}

// ---- the database side: one attachment, one statement, one transaction

class Database {
public:
    explicit Database(const std::string& path) {
        std::vector<char> dpb = {isc_dpb_version1,
                                 isc_dpb_user_name,
                                 6,
                                 'S',
                                 'Y',
                                 'S',
                                 'D',
                                 'B',
                                 'A',
                                 isc_dpb_password,
                                 9,
                                 'm',
                                 'a',
                                 's',
                                 't',
                                 'e',
                                 'r',
                                 'k',
                                 'e',
                                 'y'};
        if (isc_attach_database(status_, 0, path.c_str(), &db_, static_cast<short>(dpb.size()), dpb.data()) ||
            isc_dsql_allocate_statement(status_, &db_, &stmt_))
            fail("attach");
        area_.resize(XSQLDA_LENGTH(20));
        da()->version = SQLDA_VERSION1;
        da()->sqln = 20;
    }
    ~Database() {
        if (tr_) isc_rollback_transaction(status_, &tr_);
        isc_dsql_free_statement(status_, &stmt_, DSQL_drop);
        isc_detach_database(status_, &db_);
    }

    // The query's reply text (shorter than the worker's, the same work).
    std::string query() {
        if (!tr_ && isc_start_transaction(status_, &tr_, 1, &db_, 0, nullptr)) fail("start");
        if (isc_dsql_prepare(status_, &tr_, &stmt_, 0, kQuery, 3, da())) fail("prepare");
        size_t offset = 0;
        for (int c = 0; c < da()->sqld; ++c) {
            da()->sqlvar[c].sqldata = row_ + offset;
            da()->sqlvar[c].sqlind = &ind_[c];
            offset += static_cast<size_t>(da()->sqlvar[c].sqllen) + 8;
        }
        if (isc_dsql_execute(status_, &tr_, &stmt_, 3, nullptr)) fail("execute");
        std::string reply = "[[{'name':'RDB$RELATION_ID','type':'i','null':1,'width':2}],\n[";
        while (isc_dsql_fetch(status_, &stmt_, 3, da()) == 0) reply += "[   128]";
        reply += "]]\n";
        if (isc_dsql_free_statement(status_, &stmt_, DSQL_close)) fail("close");
        return reply;
    }
    void commit() {
        if (tr_ && isc_commit_transaction(status_, &tr_)) fail("commit");
    }

private:
    XSQLDA* da() { return reinterpret_cast<XSQLDA*>(area_.data()); }
    void fail(const char* what) {
        isc_print_status(status_);
        throw std::runtime_error(what);
    }
    ISC_STATUS status_[20] = {};
    isc_db_handle db_ = 0;
    isc_stmt_handle stmt_ = 0;
    isc_tr_handle tr_ = 0;
    std::vector<char> area_;
    char row_[4096];
    short ind_[20];
};

bool isCommit(const std::string& m) { return m.compare(0, 6, "commit") == 0; }

// ---- the worker process

// Relay: requests and replies over the router's socket.
void relayWorker(int router, const std::string& path) {
    Database db(path);
    std::string m;
    while (receiveMessage(router, m)) {
        if (isCommit(m)) {
            db.commit();
            sendMessage(router, m);  // the echo the router swallows
        } else {
            sendMessage(router, db.query());
        }
    }
}

// Handoff: the router passes a client's socket; it comes back after
// "commit".  Kept: after "commit" the worker goes on reading the client's
// socket and gives it back only when the router asks (a byte on the
// router's socket: another client waits) or the client leaves.
void handoffWorker(int router, const std::string& path, bool keep) {
    Database db(path);
    std::string m;
    for (;;) {
        int client = takeDescriptor(router);
        if (client < 0) return;
        for (;;) {
            if (keep) {
                pollfd p[2] = {{client, POLLIN, 0}, {router, POLLIN, 0}};
                if (poll(p, 2, -1) < 1 || (p[1].revents & POLLIN)) break;
            }
            if (!receiveMessage(client, m)) break;
            if (isCommit(m)) {
                db.commit();
                if (!keep) break;
                continue;
            }
            sendMessage(client, db.query());
        }
        passDescriptor(router, client);
        close(client);
    }
}

// ---- the router process

void relayRouter(int listener, int worker) {
    int client = accept(listener, nullptr, nullptr);
    int one = 1;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::string m, reply;
    while (receiveMessage(client, m)) {
        bool word = isCommit(m);
        sendMessage(worker, m);
        if (!receiveMessage(worker, reply)) return;
        if (!word) sendMessage(client, reply);
    }
}

void handoffRouter(int listener, int worker) {
    int client = accept(listener, nullptr, nullptr);
    int one = 1;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    for (;;) {
        // The client's next transaction begins when its socket has bytes.
        pollfd p{client, POLLIN, 0};
        if (poll(&p, 1, -1) != 1 || (p.revents & (POLLHUP | POLLERR))) return;
        char probe;
        if (recv(client, &probe, 1, MSG_PEEK | MSG_DONTWAIT) <= 0) return;
        if (!passDescriptor(worker, client)) return;
        close(client);
        client = takeDescriptor(worker);
        if (client < 0) return;
    }
}

// ---- the client: one round is the query and its commit

double clientRounds(int port, int rounds) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) throw std::runtime_error("connect");
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::string reply;
    double start = 0;
    for (int i = -rounds / 10; i < rounds; ++i) {
        if (i == 0) start = now();
        if (!sendMessage(fd, kQuery) || !receiveMessage(fd, reply) || reply.empty())
            throw std::runtime_error("no reply");
        sendMessage(fd, "commit");
    }
    // The last commit has run before this reply comes.
    sendMessage(fd, kQuery);
    receiveMessage(fd, reply);
    double elapsed = now() - start;
    sendMessage(fd, "commit");
    close(fd);
    return elapsed / rounds;
}

enum Mode { Relay, Handoff, Kept };

// Runs router and worker processes of one mode and the client rounds.
double measure(Mode mode, const std::string& path, int rounds) {
    bool handoff = mode != Relay;
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener, 4) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        throw std::runtime_error("listen");
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) throw std::runtime_error("socketpair");
    pid_t worker = fork();
    if (worker == 0) {
        close(listener);
        close(pair[0]);
        try {
            if (handoff)
                handoffWorker(pair[1], path, mode == Kept);
            else
                relayWorker(pair[1], path);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "worker: %s\n", e.what());
        }
        _exit(0);
    }
    pid_t router = fork();
    if (router == 0) {
        close(pair[1]);
        handoff ? handoffRouter(listener, pair[0]) : relayRouter(listener, pair[0]);
        _exit(0);
    }
    close(pair[0]);
    close(pair[1]);
    double perRound = clientRounds(ntohs(a.sin_port), rounds);
    close(listener);
    waitpid(router, nullptr, 0);
    kill(worker, SIGTERM);
    waitpid(worker, nullptr, 0);
    return perRound;
}

// In a child process too: the engine's threads must never be in the
// process that forks the next router and worker.
double direct(const std::string& path, int rounds) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe");
    pid_t child = fork();
    if (child == 0) {
        double perRound = -1;
        try {
            Database db(path);
            double start = 0;
            for (int i = -rounds / 10; i < rounds; ++i) {
                if (i == 0) start = now();
                db.query();
                db.commit();
            }
            perRound = (now() - start) / rounds;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "direct: %s\n", e.what());
        }
        writeFull(out[1], &perRound, sizeof perRound);
        _exit(0);
    }
    close(out[1]);
    double perRound = -1;
    if (!readFull(out[0], &perRound, sizeof perRound) || perRound < 0) throw std::runtime_error("direct run failed");
    close(out[0]);
    waitpid(child, nullptr, 0);
    return perRound;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 2000;
    try {
        char tmpl[] = "/dev/shm/vantry-handoff-XXXXXX";
        std::string shm = access("/dev/shm", W_OK) == 0 && mkdtemp(tmpl) ? tmpl : "";
        // The services make the database; the prototype's processes then
        // have the file to themselves.
        testsupport::ServicesOptions options;
        options.workers = 1;
        if (!shm.empty()) options.database = shm + "/handoff.fdb";
        testsupport::Services svc(options);
        svc.stop();
        testsupport::useFirebirdRoot(svc.workdir() + "/services/firebird");
        double best[4] = {1e9, 1e9, 1e9, 1e9};
        for (int batch = 0; batch < 3; ++batch) {
            best[0] = std::min(best[0], measure(Relay, svc.database(), rounds));
            best[1] = std::min(best[1], measure(Handoff, svc.database(), rounds));
            best[3] = std::min(best[3], measure(Kept, svc.database(), rounds));
            best[2] = std::min(best[2], direct(svc.database(), rounds));
        }
        std::printf("embedded  database %s, one-row SELECT and commit a round, best of 3 x %d rounds\n",
                    svc.database().c_str(), rounds);
        std::printf("relay     through a router process  %7.1f us   ratio to direct %5.2f\n", best[0] * 1e6,
                    best[0] / best[2]);
        std::printf("handoff   socket passed per transaction %7.1f us   ratio to direct %5.2f\n", best[1] * 1e6,
                    best[1] / best[2]);
        std::printf("kept      socket kept until another client waits %7.1f us   ratio to direct %5.2f\n",
                    best[3] * 1e6, best[3] / best[2]);
        std::printf("direct    fbclient in one process    %7.1f us\n", best[2] * 1e6);
        if (!shm.empty()) testsupport::removeTree(shm);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "handoff_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}

// The scheduling of one service: its pool of workers and the line of its
// clients, with no sockets and no processes.  The router feeds it what
// happened (a request arrived, a reply block came, a worker died or became
// ready, a client left or drained, a time limit passed) and carries out the
// actions it answers with, in their order (send this request to that worker,
// forward this block, fail this client's request with this text, end that
// worker, arm a timer ...).  Everything the pool does is written to its log
// before the actions that follow from it.
//
// Rules:
// - Binding.  A client's first statement binds it to a worker; its requests
//   go there until a request beginning "commit" or "rollback" (as the worker
//   reads it) has been handed on: then the client is free and the worker
//   goes back to the pool once the word has run.  A statement sent without a
//   reply wanted is refused and the client's transaction rolled back.
// - Fairness.  Clients waiting for a worker are served in the order of
//   their requests; a client's next transaction waits in the same line.
// - Visibility.  A new transaction does not start while a "commit" or
//   "rollback" received before it still runs; it may queue behind that word
//   on the word's own worker, where it goes at once (the worker answers in
//   order).
// - Losses.  A worker that dies, or is ended for not answering, fails what it
//   was running and what waited for it; a transaction lost with it, or
//   rolled back for a time limit or a refused statement, is reported at the
//   client's next request.  A client that leaves has its transaction rolled
//   back before anybody else gets the worker.
// - Time limits.  A client without a request is closed after `idleTimeout`,
//   inside a transaction rolled back after `transactionTimeout`; a request a
//   worker does not answer within `requestTimeout` (each block renews it)
//   ends the worker, and every idle worker is asked for a sign of life.  A
//   "commit" or "rollback" that runs longer than `commitWait` while new
//   transactions wait behind it ends its worker the same way (its client is
//   told the outcome is unknown), and the others go on.
//
// Client: idle | waiting in line | bound (inside a transaction) -> gone.
// Worker: not ready -> ready (free | bound | running requests) -> lost -> not
//   ready until the router says it is ready again.
#ifndef ISECTD_POOL_H
#define ISECTD_POOL_H

#include "router/Message.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace isectd {

using ClientId = uint64_t;  // the router's number of a client connection; never reused, 0 is none

struct PoolLimits {  // seconds; 0 = no limit
    double idleTimeout = 3600;
    double transactionTimeout = 60;
    double requestTimeout = 120;
    double commitWait = 5;
    int inFlight = 64;  // a client's requests held or unanswered at most (at least 1)
};

struct PoolAction {
    enum Kind {
        ToWorker,          // send `message` to `worker`
        Forward,           // `message`, a block of `worker`'s reply, to `client`
        Answer,            // the router's own answer `text` (a data block) to `client`
        Fail,              // `client`'s request fails with `text`
        Bye,               // `client` is closed for idling, told `text`; it has left the pool
        EndWorker,         // `worker` is lost: close its connection, and `kill` its process (it restarts)
        PauseWorker,       // stop reading from `worker`
        ResumeWorker,      // read from `worker` again
        ArmClientTimer,    // `client`'s time limit passes at `due`
        ClearClientTimer,  // `client` has no time limit now
        ArmWorkerTimer,    // `worker`'s request limit passes at `due`
        ClearWorkerTimer,  // `worker` has no request limit now
        PauseClient,       // stop reading from `client`: it has `inFlight` requests under way
        ResumeClient,      // read from `client` again
    };
    Kind kind;
    ClientId client = 0;
    int worker = -1;
    MessagePtr message;
    std::string text;
    bool kill = false;
    std::chrono::steady_clock::time_point due{};
};

class Pool {
public:
    using Clock = std::chrono::steady_clock;
    using Actions = std::vector<PoolAction>;
    using LogFunction = std::function<void(const std::string&)>;
    using ClockFunction = std::function<Clock::time_point()>;

    // Workers are numbered from 0 in the order of `workerNames`; none is
    // ready before workerReady.
    Pool(std::string service, std::vector<std::string> workerNames, PoolLimits limits, LogFunction log,
         ClockFunction now = Clock::now);

    // The clients' side.
    Actions clientJoined(ClientId c);                  // logged in to this service
    Actions request(ClientId c, const MessagePtr& m);  // a data message of the client
    Actions clientLeft(ClientId c);                    // closed, dropped or gone
    Actions clientTimer(ClientId c);                   // its time limit has passed
    Actions replyBackedUp(int worker);                 // the client of the block just forwarded holds too much
    Actions clientDrained(ClientId c);                 // it has read most of what waited for it

    // The workers' side.
    Actions workerReady(int worker);                            // connected and proved
    Actions replyBlock(int worker, const MessagePtr& m);        // a data block from the worker
    Actions workerLost(int worker, const std::string& reason);  // its connection or process ended
    Actions workerTimer(int worker, long pid);                  // its request limit has passed

    // Shutting down: from beginShutdown on nobody is served from the line
    // and no time limit is armed; endWorkers queues the end of every ready
    // worker behind what it still has to do (the running request, the
    // rollbacks of clients that left).
    void beginShutdown();
    Actions endWorkers();

    // For the router and for tests.
    const std::string& service() const { return service_; }
    int workers() const { return static_cast<int>(workers_.size()); }
    bool has(ClientId c) const { return clients_.count(c) != 0; }
    int boundWorker(ClientId c) const;  // -1 outside a transaction
    bool inLine(ClientId c) const;
    int inFlight(ClientId c) const;  // requests held or awaiting their reply's end

private:
    struct Request {
        enum Kind { Query, Word, Rollback, Probe, Shutdown } kind = Query;
        ClientId client = 0;
        MessagePtr message;
        bool forward = false;  // the reply goes to the client
        bool barrier = false;  // a client's "commit"/"rollback": new transactions wait for it
        uint64_t seq = 0;      // arrival order
    };
    struct Pending {
        MessagePtr message;
        uint64_t seq = 0;
    };
    struct Client {
        ClientId id = 0;
        int bound = -1;               // the worker holding its transaction
        std::deque<Pending> pending;  // held while waiting for a worker
        bool waiting = false;         // in the line
        std::string lost;             // the failure to report at the next request
        int outstanding = 0;          // requests whose reply has not ended
        bool paused = false;          // not read from: its pipeline is full
        bool broken = false;          // lost its transaction with requests still coming: fail them until its end
        Clock::time_point lastActivity;
    };
    struct Worker {
        std::string name;
        bool ready = false;        // connected and proved
        ClientId bound = 0;        // the client whose transaction it holds
        std::deque<Request> fifo;  // requests waiting for the current reply to end
        bool busy = false;
        Request current;
        size_t ahead = 0;          // fifo's first entries with the worker already, behind the request running
        Clock::time_point since;   // when the current request was handed on
        ClientId throttledBy = 0;  // reading paused until this client drains
        bool free() const { return ready && !bound && !busy && fifo.empty(); }
    };

    // clients
    void dispatch(Client& c);
    void dispatchWord(Client& c, const Pending& p);
    bool lineAhead(const Client& c, uint64_t seq) const;
    void joinLine(Client& c, bool forWords);
    void serveWaiting();
    void bind(Client& c, int w);
    void unbind(Client& c);
    void rollbackFor(int w, Client& c, const std::string& why);
    void armClientTimer(Client& c);
    void gone(Client& c);
    void flow(Client& c);
    void unthrottle(ClientId c);
    Client* find(ClientId c);

    // workers
    int workerFor(uint64_t seq) const;
    int freeWorker() const;
    bool reservable(const Worker& w) const;
    bool blockedByWords(uint64_t seq) const;
    void queueRequest(int w, Request r);
    void pump(int w);
    void sendAhead(int w);
    void sendToWorker(int w, const Request& r);
    void finishRequest(int w);
    void armWorkerTimer(int w, double s);
    void probeIdleWorkers(int except);
    void limitWordsWaitedFor();
    bool wordStuck(int w) const;
    std::vector<ClientId> takeBackQueuedBehind(int w);
    void lose(int w, const std::string& reason, const std::string& clientText);
    void loseRequest(Worker& w, const Request& r, bool running, const std::string& clientText,
                     std::vector<ClientId>& told);

    void note(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void act(PoolAction a) { out_.push_back(std::move(a)); }
    Actions take();

    std::string service_;
    PoolLimits limits_;
    LogFunction log_;
    ClockFunction now_;
    std::vector<Worker> workers_;
    std::map<ClientId, Client> clients_;
    std::deque<ClientId> line_;              // waiting clients, in the order of their requests
    std::map<uint64_t, int> wordsInFlight_;  // each client's word still running, by seq, and its worker
    uint64_t nextSeq_ = 1;
    bool serving_ = false;
    bool shuttingDown_ = false;
    Actions out_;
};

}  // namespace isectd

#endif

// The pool's workers' side: a worker ready, its reply blocks, its loss and
// its time limits; which worker serves which request; the shutdown.
#include "router/Pool.h"

#include "router/Config.h"
#include "router/Log.h"
#include "router/PoolShared.h"

#include <algorithm>
#include <cstdarg>
#include <iterator>

namespace isectd {

using namespace poolshared;

// ---------------------------------------------------------------- workers

Pool::Actions Pool::workerReady(int w) {
    workers_[w].ready = true;
    pump(w);
    serveWaiting();
    return take();
}

Pool::Actions Pool::replyBlock(int w, const MessagePtr& m) {
    Worker& x = workers_[w];
    if (!x.busy || x.current.kind == Request::Shutdown) {
        note("worker %s sent a block nobody asked for; dropped", x.name.c_str());
        return take();
    }
    if (x.current.forward && has(x.current.client)) {
        PoolAction a = action(PoolAction::Forward, x.current.client, w);
        a.message = m;
        act(a);
    }
    if (isdGetMore(&m->header) <= 0)
        finishRequest(w);
    else
        armWorkerTimer(w, limits_.requestTimeout);
    return take();
}

Pool::Actions Pool::workerLost(int w, const std::string& reason) {
    lose(w, reason, kStoppedServing);
    serveWaiting();
    return take();
}

Pool::Actions Pool::workerTimer(int w, long pid) {
    Worker& x = workers_[w];
    if (shuttingDown_ || !x.busy) return take();
    if (wordStuck(w)) {
        note("worker %s (pid %ld): its \"%s\" has run for %s s while new transactions wait: ended and restarted",
             x.name.c_str(), pid, excerpt(x.current.message->payload).c_str(), seconds(limits_.commitWait).c_str());
        std::vector<ClientId> moved = takeBackQueuedBehind(w);
        lose(w, "commit or rollback stuck", kStoppedServing);
        for (ClientId id : moved)
            if (Client* c = find(id)) dispatch(*c);
        serveWaiting();
        return take();
    }
    if (x.current.barrier && (limits_.requestTimeout <= 0 || now_() < x.since + millis(limits_.requestTimeout))) {
        // Armed for the words' limit, but nobody waits for this one now.
        PoolAction a =
            action(limits_.requestTimeout > 0 ? PoolAction::ArmWorkerTimer : PoolAction::ClearWorkerTimer, 0, w);
        a.due = x.since + millis(limits_.requestTimeout);
        act(a);
        return take();
    }
    bool probe = x.current.kind == Request::Probe;
    note("worker %s (pid %ld) did not answer %s in time: ended and restarted", x.name.c_str(), pid,
         probe ? "a check" : "a request");
    lose(w, "no answer in time", noAnswerText(limits_.requestTimeout));
    // A worker that hangs may hold others up inside the database: every
    // idle one is asked for a sign of life.
    if (!probe) probeIdleWorkers(w);
    serveWaiting();
    return take();
}

// The worker a new transaction arriving as `seq` may take: a free one, or one
// that will be free once the words and rollbacks queued on it have run (the
// request queues behind them).  While a word received earlier runs on
// another worker, none: the new transaction must see what that word commits.
int Pool::workerFor(uint64_t seq) const {
    int holder = -1;
    for (const auto& word : wordsInFlight_) {
        if (word.first >= seq) break;
        if (holder >= 0 && holder != word.second) return -1;
        holder = word.second;
    }
    if (holder >= 0) return reservable(workers_[holder]) ? holder : -1;
    int w = freeWorker();
    if (w >= 0) return w;
    for (size_t i = 0; i < workers_.size(); ++i)
        if (reservable(workers_[i])) return static_cast<int>(i);
    return -1;
}

bool Pool::reservable(const Worker& w) const {
    auto ending = [](const Request& r) { return r.kind == Request::Word || r.kind == Request::Rollback; };
    if (!w.ready || w.bound || w.throttledBy) return false;
    if (w.busy && !ending(w.current)) return false;
    return std::all_of(w.fifo.begin(), w.fifo.end(), ending);
}

int Pool::freeWorker() const {
    for (size_t i = 0; i < workers_.size(); ++i)
        if (workers_[i].free()) return static_cast<int>(i);
    return -1;
}

bool Pool::blockedByWords(uint64_t seq) const { return !wordsInFlight_.empty() && wordsInFlight_.begin()->first < seq; }

void Pool::queueRequest(int w, Request r) {
    Worker& x = workers_[w];
    bool behindWord = x.busy && x.current.barrier && r.kind == Request::Query && r.client != x.current.client;
    x.fifo.push_back(std::move(r));
    pump(w);
    if (behindWord) limitWordsWaitedFor();
}

// Hands the next request to the worker once its previous reply has ended.
void Pool::pump(int w) {
    Worker& x = workers_[w];
    while (!x.busy && x.ready && !x.fifo.empty()) {
        Request r = std::move(x.fifo.front());
        x.fifo.pop_front();
        bool sent = x.ahead > 0;
        if (sent) --x.ahead;
        // A query of a client that left is not run (unless the worker has it
        // already); its rollback follows.  Its "commit", sent before it
        // left, still runs.
        if (!sent && r.kind == Request::Query && !has(r.client)) continue;
        x.busy = true;
        x.current = r;
        x.since = now_();
        if (!sent) sendToWorker(w, r);
        if (r.kind != Request::Shutdown)
            armWorkerTimer(w,
                           r.kind == Request::Probe ? std::min(limits_.requestTimeout, 5.0) : limits_.requestTimeout);
    }
    sendAhead(w);
}

// Requests go to the worker one behind the other instead of each after the
// previous reply has come back: while a "commit" or "rollback" whose answer
// nobody awaits runs, the query queued behind it; while a client's query
// runs, the same client's queries queued behind it, up to and including a
// "commit" or "rollback" whose answer it does not await (a pipeline, a read
// sent with its commit; an awaited commit waits for the replies before it,
// so that a worker lost meanwhile can be told not to have made it).  The
// worker serves its requests in order, so each still starts only once the
// one before it has ended, and the router reads the replies in the same
// order.  A few at a time, so that a worker lost holds little that may
// have run.
void Pool::sendAhead(int w) {
    const size_t kAheadLimit = 16;
    Worker& x = workers_[w];
    if (!x.busy || !x.ready || x.throttledBy) return;
    while (x.ahead < x.fifo.size() && x.ahead < kAheadLimit) {
        const Request& last = x.ahead == 0 ? x.current : x.fifo[x.ahead - 1];
        const Request& next = x.fifo[x.ahead];
        bool afterWord = (last.kind == Request::Word || last.kind == Request::Rollback) && !last.forward &&
                         next.kind == Request::Query && has(next.client);
        bool sameClient = last.kind == Request::Query && next.client == last.client && has(next.client) &&
                          (next.kind == Request::Query || (next.kind == Request::Word && !next.forward));
        if (!afterWord && !sameClient) return;
        sendToWorker(w, next);
        ++x.ahead;
    }
}

void Pool::sendToWorker(int w, const Request& r) {
    const Worker& x = workers_[w];
    if (r.kind == Request::Shutdown) {
        note("asking worker %s to end", x.name.c_str());
    } else if (r.kind != Request::Probe) {
        note("%s <- client #%llu: \"%s\"%s", x.name.c_str(), number(has(r.client) ? r.client : 0),
             excerpt(r.message->payload).c_str(), r.forward ? "" : " (reply swallowed)");
    }
    PoolAction a = action(PoolAction::ToWorker, 0, w);
    a.message = r.message;
    act(a);
}

void Pool::finishRequest(int w) {
    Worker& x = workers_[w];
    Request r = x.current;
    x.busy = false;
    x.current = Request();
    act(action(PoolAction::ClearWorkerTimer, 0, w));
    if (r.barrier) wordsInFlight_.erase(r.seq);
    if (r.forward)
        if (Client* c = find(r.client)) {
            --c->outstanding;
            c->lastActivity = now_();
            armClientTimer(*c);
            flow(*c);
        }
    pump(w);
    serveWaiting();
}

// The limit of the running request; each reply block renews it.
void Pool::armWorkerTimer(int w, double s) {
    const Worker& x = workers_[w];
    if (!x.busy || x.throttledBy || shuttingDown_ || s <= 0) {
        if (x.ready) act(action(PoolAction::ClearWorkerTimer, 0, w));
        return;
    }
    PoolAction a = action(PoolAction::ArmWorkerTimer, 0, w);
    a.due = now_() + millis(s);
    act(a);
}

// The words that new transactions wait for may hold them back for
// `commitWait` at most: the workers running them are given that limit.
void Pool::limitWordsWaitedFor() {
    if (limits_.commitWait <= 0 || shuttingDown_) return;
    for (const auto& word : wordsInFlight_) {
        const Worker& x = workers_[word.second];
        if (!x.busy || !x.current.barrier || x.current.seq != word.first || x.throttledBy) continue;
        PoolAction a = action(PoolAction::ArmWorkerTimer, 0, word.second);
        double limit =
            limits_.requestTimeout > 0 ? std::min(limits_.commitWait, limits_.requestTimeout) : limits_.commitWait;
        a.due = x.since + millis(limit);
        act(a);
    }
}

// Whether the word running on the worker has held back another client for
// longer than its limit: one in line, or one whose new transaction queued
// behind the word on this worker.
bool Pool::wordStuck(int w) const {
    const Worker& x = workers_[w];
    if (limits_.commitWait <= 0 || !x.current.barrier || now_() < x.since + millis(limits_.commitWait)) return false;
    for (const Request& r : x.fifo)
        if (r.kind == Request::Query && r.client != x.current.client && has(r.client)) return true;
    for (ClientId id : line_) {
        auto it = clients_.find(id);
        if (it != clients_.end() && it->second.waiting && !it->second.pending.empty() &&
            it->second.pending.front().seq > x.current.seq)
            return true;
    }
    return false;
}

// The new transactions of other clients queued behind the stuck word: they
// have not run, so they are taken off the worker to start elsewhere (their
// requests held again, in order, their binding undone).
std::vector<ClientId> Pool::takeBackQueuedBehind(int w) {
    Worker& x = workers_[w];
    std::vector<ClientId> moved;
    std::deque<Request> kept;
    while (!x.fifo.empty()) {
        Request r = std::move(x.fifo.back());
        x.fifo.pop_back();
        Client* c = r.kind == Request::Query && r.client != x.current.client ? find(r.client) : nullptr;
        if (!c) {
            kept.push_front(std::move(r));
            continue;
        }
        c->pending.push_front({r.message, r.seq});
        --c->outstanding;
        if (c->bound == w) unbind(*c);
        if (std::find(moved.begin(), moved.end(), c->id) == moved.end()) moved.push_back(c->id);
    }
    x.fifo.swap(kept);
    if (!moved.empty()) {
        x.ahead = 0;
        note("%zu client(s) queued behind it start their transactions elsewhere", moved.size());
    }
    return moved;
}

void Pool::probeIdleWorkers(int except) {
    for (size_t i = 0; i < workers_.size(); ++i) {
        if (static_cast<int>(i) == except || !workers_[i].free()) continue;
        Request r;
        r.kind = Request::Probe;
        r.message = makeMessage(ISD_DATA, "", 1);
        queueRequest(static_cast<int>(i), r);
    }
}

// The worker is gone (connection, process or time limit): its requests fail,
// the transaction it held is lost and its client told at its next request,
// and its process is ended so that it is restarted.
void Pool::lose(int w, const std::string& reason, const std::string& clientText) {
    Worker& x = workers_[w];
    bool wasReady = x.ready;
    x.ready = false;
    // A client with several requests under way sends more without waiting:
    // those must fail too, up to its "commit" or "rollback".
    if (Client* c = x.bound ? find(x.bound) : nullptr)
        if (c->outstanding + static_cast<int>(c->pending.size()) > 1) c->broken = true;
    std::vector<ClientId> told;
    if (x.busy) loseRequest(x, x.current, true, clientText, told);
    x.busy = false;
    x.current = Request();
    // A request sent ahead may have begun to run.
    for (size_t i = 0; i < x.fifo.size(); ++i) loseRequest(x, x.fifo[i], i < x.ahead, clientText, told);
    x.fifo.clear();
    x.ahead = 0;
    x.throttledBy = 0;
    act(action(PoolAction::ClearWorkerTimer, 0, w));
    if (Client* c = x.bound ? find(x.bound) : nullptr) {
        unbind(*c);
        if (std::find(told.begin(), told.end(), c->id) == told.end()) c->lost = kStoppedIdle;
        note("client #%llu lost its transaction with worker %s", number(c->id), x.name.c_str());
        armClientTimer(*c);
    }
    x.bound = 0;
    if (wasReady || !told.empty()) note("worker %s lost: %s", x.name.c_str(), reason.c_str());
    PoolAction end = action(PoolAction::EndWorker, 0, w);
    end.kill = !shuttingDown_;
    act(end);
}

void Pool::loseRequest(Worker& w, const Request& r, bool running, const std::string& clientText,
                       std::vector<ClientId>& told) {
    if (r.barrier) wordsInFlight_.erase(r.seq);
    Client* c = find(r.client);
    if (!c) return;
    if (r.kind == Request::Query || (r.kind == Request::Word && r.forward)) {
        --c->outstanding;
        // A query right behind the client's own "commit" that was cut off
        // says so: the commit's fate is what the client must learn.
        std::string text = r.kind == Request::Word && running ? kStoppedSaving : clientText;
        if (r.kind == Request::Query && !c->lost.empty()) {
            text = c->lost;
            c->lost.clear();
        }
        act(withText(action(PoolAction::Fail, c->id), text));
        told.push_back(c->id);
        armClientTimer(*c);
        flow(*c);
    } else if (r.kind == Request::Word) {
        // A "commit" that may or may not have run: said at the next request.
        c->lost = running ? kStoppedSaving : kStoppedIdle;
        note("client #%llu: its \"%s\" on worker %s %s", number(c->id), excerpt(r.message->payload).c_str(),
             w.name.c_str(), running ? "was cut off" : "never ran");
        armClientTimer(*c);
    }
}

// ---------------------------------------------------------------- shutdown

void Pool::beginShutdown() { shuttingDown_ = true; }

Pool::Actions Pool::endWorkers() {
    for (size_t i = 0; i < workers_.size(); ++i) {
        Worker& w = workers_[i];
        if (!w.ready) continue;
        if (w.throttledBy) {
            w.throttledBy = 0;
            act(action(PoolAction::ResumeWorker, 0, static_cast<int>(i)));
        }
        Request r;
        r.kind = Request::Shutdown;
        r.message = makeMessage(ISD_SHUTDOWN, "");
        queueRequest(static_cast<int>(i), r);
    }
    return take();
}

}  // namespace isectd

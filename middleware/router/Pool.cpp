#include "router/Pool.h"

#include "router/Config.h"
#include "router/Log.h"

#include <algorithm>
#include <cstdarg>
#include <iterator>

namespace isectd {

namespace {

// ---------------------------------------------------------------- texts a client sees

const char kStoppedIdle[] =
    "isectd - The database service stopped while a transaction was open; nothing of it was saved. "
    "Please make the last change again.";
const char kStoppedServing[] =
    "isectd - The database service stopped while serving the request; nothing of its transaction was saved.";
const char kStoppedSaving[] =
    "isectd - The database service stopped while saving; the last change may not have been saved. "
    "Please check it.";
const char kRefused[] =
    "isectd - A statement sent without waiting for its reply was refused and the open transaction rolled back; "
    "nothing of it was saved.";

const char kBrokenPipeline[] =
    "isectd - The database service stopped while serving an earlier request of this transaction; this one was "
    "not run and nothing of the transaction was saved.";

std::string noAnswerText(double s) {
    return "isectd - The database service did not answer within " + seconds(s) +
           " s; the request was cancelled and nothing of its transaction was saved.";
}

std::string idleTransactionText(double s) {
    return "isectd - The transaction was left open for " + seconds(s) +
           " s without a request and was rolled back; nothing of it was saved.";
}

enum class Word { None, Commit, Rollback };

// As the worker reads a request.
Word wordOf(const std::string& text) {
    if (text.compare(0, 6, "commit") == 0) return Word::Commit;
    if (text.compare(0, 8, "rollback") == 0) return Word::Rollback;
    return Word::None;
}

unsigned long long number(ClientId c) { return static_cast<unsigned long long>(c); }

PoolAction action(PoolAction::Kind kind, ClientId client, int worker = -1) {
    PoolAction a;
    a.kind = kind;
    a.client = client;
    a.worker = worker;
    return a;
}

PoolAction withText(PoolAction a, const std::string& text) {
    a.text = text;
    return a;
}

}  // namespace

Pool::Pool(std::string service, std::vector<std::string> workerNames, PoolLimits limits, LogFunction log,
           ClockFunction now)
    : service_(std::move(service)), limits_(limits), log_(std::move(log)), now_(std::move(now)) {
    for (auto& name : workerNames) {
        workers_.emplace_back();
        workers_.back().name = std::move(name);
    }
}

Pool::Actions Pool::take() {
    Actions a;
    a.swap(out_);
    return a;
}

void Pool::note(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = formatText(format, args);
    va_end(args);
    if (log_) log_(text);
}

Pool::Client* Pool::find(ClientId c) {
    auto it = clients_.find(c);
    return it == clients_.end() ? nullptr : &it->second;
}

int Pool::boundWorker(ClientId c) const {
    auto it = clients_.find(c);
    return it == clients_.end() ? -1 : it->second.bound;
}

int Pool::inFlight(ClientId c) const {
    auto it = clients_.find(c);
    return it == clients_.end() ? 0 : it->second.outstanding + static_cast<int>(it->second.pending.size());
}

bool Pool::inLine(ClientId c) const {
    auto it = clients_.find(c);
    return it != clients_.end() && it->second.waiting;
}

// ---------------------------------------------------------------- clients

Pool::Actions Pool::clientJoined(ClientId id) {
    Client& c = clients_[id];
    c.id = id;
    c.lastActivity = now_();
    armClientTimer(c);
    return take();
}

Pool::Actions Pool::request(ClientId id, const MessagePtr& m) {
    Client* c = find(id);
    if (!c) return take();
    c->pending.push_back({m, nextSeq_++});
    c->lastActivity = now_();
    if (!c->waiting) dispatch(*c);
    serveWaiting();
    if (Client* still = find(id)) {
        armClientTimer(*still);
        flow(*still);
    }
    return take();
}

Pool::Actions Pool::clientLeft(ClientId id) {
    if (Client* c = find(id)) gone(*c);
    return take();
}

Pool::Actions Pool::clientDrained(ClientId id) {
    unthrottle(id);
    return take();
}

// A client with a full pipeline is not read from until one of its requests
// has been answered, so what the router holds for it stays bounded.
void Pool::flow(Client& c) {
    int under = c.outstanding + static_cast<int>(c.pending.size());
    int limit = std::max(1, limits_.inFlight);
    if (!c.paused && under >= limit) {
        c.paused = true;
        act(action(PoolAction::PauseClient, c.id));
    } else if (c.paused && under < limit) {
        c.paused = false;
        act(action(PoolAction::ResumeClient, c.id));
    }
}

// Hands the client's held requests on, in order, as far as they can go now.
void Pool::dispatch(Client& c) {
    while (!c.pending.empty()) {
        Pending p = c.pending.front();
        const std::string& text = p.message->payload;
        if (wordOf(text) != Word::None) {
            c.pending.pop_front();
            dispatchWord(c, p);
            continue;
        }
        if (isdGetReplyWanted(&p.message->header) == 0) {
            c.pending.pop_front();
            note("client #%llu: a statement claiming no reply refused: \"%s\"%s", number(c.id), excerpt(text).c_str(),
                 c.bound >= 0 ? "; its transaction is rolled back" : "");
            if (c.bound >= 0)
                rollbackFor(c.bound, c, kRefused);
            else
                c.lost = kRefused;
            continue;
        }
        if (c.broken) {
            // Sent behind requests of a transaction that is gone: it must not
            // start a new one of its own.
            c.pending.pop_front();
            act(withText(action(PoolAction::Fail, c.id), kBrokenPipeline));
            continue;
        }
        if (!c.lost.empty()) {
            c.pending.pop_front();
            note("client #%llu: request failed: %s", number(c.id), c.lost.c_str());
            act(withText(action(PoolAction::Fail, c.id), c.lost));
            c.lost.clear();
            continue;
        }
        if (c.bound < 0) {
            // A new transaction: first come, first served, and not before the
            // words received earlier have run.
            bool ahead = lineAhead(c, p.seq);
            int w = ahead ? -1 : workerFor(p.seq);
            if (w < 0) {
                joinLine(c, !ahead && blockedByWords(p.seq) && freeWorker() >= 0);
                return;
            }
            bind(c, w);
        }
        c.pending.pop_front();
        Request r;
        r.kind = Request::Query;
        r.client = c.id;
        r.message = p.message;
        r.forward = true;
        r.seq = p.seq;
        ++c.outstanding;
        queueRequest(c.bound, r);
    }
}

// "commit" or "rollback": inside a transaction it ends here, and the client
// may start its next one at once (it waits in line like anybody); the worker
// rejoins the pool once the word has run.  Outside one there is nothing to
// end, and a "commit" after a lost transaction leaves the loss to be told.
void Pool::dispatchWord(Client& c, const Pending& p) {
    const std::string& text = p.message->payload;
    bool replyWanted = isdGetReplyWanted(&p.message->header) != 0;
    Word word = wordOf(text);
    if (c.bound >= 0) {
        int w = c.bound;
        unbind(c);
        Request r;
        r.kind = Request::Word;
        r.client = c.id;
        r.message = p.message;
        r.forward = replyWanted;
        r.barrier = true;
        r.seq = p.seq;
        if (replyWanted) ++c.outstanding;
        wordsInFlight_[p.seq] = w;
        queueRequest(w, r);
        return;
    }
    if (word == Word::Rollback) c.lost.clear();
    if (c.broken) {
        // The end of the transaction that was lost under a pipeline: a
        // "commit" is told that nothing was saved.
        c.broken = false;
        if (replyWanted && word == Word::Commit) {
            act(withText(action(PoolAction::Fail, c.id), kBrokenPipeline));
            return;
        }
    }
    if (!replyWanted) {
        note("client #%llu: \"%s\" outside a transaction, dropped", number(c.id), excerpt(text).c_str());
    } else if (word == Word::Commit && !c.lost.empty()) {
        act(withText(action(PoolAction::Fail, c.id), c.lost));
        c.lost.clear();
    } else {
        act(withText(action(PoolAction::Answer, c.id), text));
    }
}

// Whether another client in line asked before `seq`.
bool Pool::lineAhead(const Client& c, uint64_t seq) const {
    for (ClientId id : line_) {
        auto it = clients_.find(id);
        if (it == clients_.end() || it->first == c.id) continue;
        const Client& o = it->second;
        if (o.waiting && !o.pending.empty() && o.pending.front().seq < seq) return true;
    }
    return false;
}

void Pool::joinLine(Client& c, bool forWords) {
    if (c.waiting) return;
    c.waiting = true;
    uint64_t seq = c.pending.front().seq;
    auto at = line_.end();
    while (at != line_.begin()) {
        auto before = std::prev(at);
        auto o = clients_.find(*before);
        if (o != clients_.end() && !o->second.pending.empty() && o->second.pending.front().seq < seq) break;
        at = before;
    }
    line_.insert(at, c.id);
    if (forWords) {
        note("client #%llu waits for a commit or rollback received before its request", number(c.id));
        limitWordsWaitedFor();
    } else
        note("client #%llu waits for a free worker of %s", number(c.id), service_.c_str());
}

// Waiting clients get workers in the order of their requests.
void Pool::serveWaiting() {
    if (serving_ || shuttingDown_) return;
    serving_ = true;
    while (!line_.empty()) {
        Client* c = find(line_.front());
        if (!c || !c->waiting || c->pending.empty()) {
            line_.pop_front();
            if (c) c->waiting = false;
            continue;
        }
        int w = workerFor(c->pending.front().seq);
        if (w < 0) break;
        line_.pop_front();
        c->waiting = false;
        bind(*c, w);
        dispatch(*c);
        armClientTimer(*c);
        flow(*c);
    }
    serving_ = false;
}

void Pool::bind(Client& c, int w) {
    workers_[w].bound = c.id;
    c.bound = w;
}

void Pool::unbind(Client& c) {
    if (c.bound >= 0) workers_[c.bound].bound = 0;
    c.bound = -1;
}

// The router's own rollback of the client's transaction; the worker is free
// once it has run.
void Pool::rollbackFor(int w, Client& c, const std::string& why) {
    unbind(c);
    Request r;
    r.kind = Request::Rollback;
    r.message = makeMessage(ISD_DATA, "rollback", 0);
    if (!why.empty()) c.lost = why;
    queueRequest(w, r);
}

// Idle and idle-in-transaction limits; none while a request of the client is
// held or running.
void Pool::armClientTimer(Client& c) {
    double limit = 0;
    if (c.outstanding > 0 || !c.pending.empty() || c.waiting)
        limit = 0;
    else if (c.bound >= 0)
        limit = limits_.transactionTimeout;
    else if (c.lost.empty())
        limit = limits_.idleTimeout;
    if (limit <= 0 || shuttingDown_) {
        act(action(PoolAction::ClearClientTimer, c.id));
        return;
    }
    PoolAction a = action(PoolAction::ArmClientTimer, c.id);
    a.due = c.lastActivity + millis(limit);
    act(a);
}

Pool::Actions Pool::clientTimer(ClientId id) {
    Client* c = find(id);
    if (!c || c->outstanding > 0 || !c->pending.empty() || c->waiting) return take();
    if (c->bound >= 0) {
        note("client #%llu: no request for %s s inside a transaction: rollback on %s", number(id),
             seconds(limits_.transactionTimeout).c_str(), workers_[c->bound].name.c_str());
        rollbackFor(c->bound, *c, idleTransactionText(limits_.transactionTimeout));
        serveWaiting();
        armClientTimer(*c);
        return take();
    }
    // Nothing sent after the goodbye is run; the client's library logs in
    // again and repeats what it sent meanwhile.
    note("client #%llu closed: idle for %s s", number(id), seconds(limits_.idleTimeout).c_str());
    act(withText(action(PoolAction::Bye, id), "idle for " + seconds(limits_.idleTimeout) + " s"));
    gone(*c);
    return take();
}

// The client is gone: an open transaction is rolled back on its worker
// before any other client gets it; what it still had queued or running is
// answered into the void, except its "commit" or "rollback", which still runs.
void Pool::gone(Client& c) {
    if (c.bound >= 0) {
        note("client #%llu left in a transaction: rollback on %s", number(c.id), workers_[c.bound].name.c_str());
        rollbackFor(c.bound, c, "");
    }
    c.pending.clear();
    ClientId id = c.id;
    unthrottle(id);
    clients_.erase(id);
    serveWaiting();
}

// The workers that waited for this client to read may go on.
void Pool::unthrottle(ClientId c) {
    for (size_t i = 0; i < workers_.size(); ++i) {
        Worker& w = workers_[i];
        if (!c || w.throttledBy != c) continue;
        w.throttledBy = 0;
        if (w.ready) act(action(PoolAction::ResumeWorker, 0, static_cast<int>(i)));
        armWorkerTimer(static_cast<int>(i), limits_.requestTimeout);
    }
}

// A client that reads slowly holds at most about its buffer in the router:
// the worker waits (its request limit with it) until the client has read.
Pool::Actions Pool::replyBackedUp(int w) {
    Worker& x = workers_[w];
    if (!x.busy || !x.current.forward) return take();
    x.throttledBy = x.current.client;
    act(action(PoolAction::PauseWorker, 0, w));
    act(action(PoolAction::ClearWorkerTimer, 0, w));
    return take();
}

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
        bool sent = x.aheadSent;
        x.aheadSent = false;
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

// While a "commit" or "rollback" whose answer nobody awaits runs, the query
// queued behind it goes to the worker at once instead of after the word's
// echo has come back: the worker serves its requests in order, so the query
// still starts only once the word has run, and the router reads the two
// replies in the same order.
void Pool::sendAhead(int w) {
    Worker& x = workers_[w];
    if (!x.busy || x.aheadSent || !x.ready || x.fifo.empty() || x.throttledBy) return;
    const Request& word = x.current;
    if ((word.kind != Request::Word && word.kind != Request::Rollback) || word.forward) return;
    const Request& next = x.fifo.front();
    if (next.kind != Request::Query || !has(next.client)) return;
    sendToWorker(w, next);
    x.aheadSent = true;
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
        x.aheadSent = false;
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
    for (const auto& r : x.fifo) loseRequest(x, r, false, clientText, told);
    x.fifo.clear();
    x.aheadSent = false;
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

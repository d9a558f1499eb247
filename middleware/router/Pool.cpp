#include "router/Pool.h"

#include "router/Config.h"
#include "router/Log.h"
#include "router/PoolShared.h"

#include <algorithm>
#include <cstdarg>
#include <iterator>

namespace isectd {

using namespace poolshared;

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

}  // namespace isectd

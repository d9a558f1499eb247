// What the pool's two halves (its clients' side in Pool.cpp, its workers'
// side in PoolWorkers.cpp) share: the texts a client sees and small helpers.
#ifndef ISECTD_POOLSHARED_H
#define ISECTD_POOLSHARED_H

#include "router/Config.h"
#include "router/Pool.h"

#include <string>

namespace isectd {
namespace poolshared {

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

inline std::string noAnswerText(double s) {
    return "isectd - The database service did not answer within " + seconds(s) +
           " s; the request was cancelled and nothing of its transaction was saved.";
}

inline std::string idleTransactionText(double s) {
    return "isectd - The transaction was left open for " + seconds(s) +
           " s without a request and was rolled back; nothing of it was saved.";
}

enum class Word { None, Commit, Rollback };

// As the worker reads a request.
inline Word wordOf(const std::string& text) {
    if (text.compare(0, 6, "commit") == 0) return Word::Commit;
    if (text.compare(0, 8, "rollback") == 0) return Word::Rollback;
    return Word::None;
}

inline unsigned long long number(ClientId c) { return static_cast<unsigned long long>(c); }

inline PoolAction action(PoolAction::Kind kind, ClientId client, int worker = -1) {
    PoolAction a;
    a.kind = kind;
    a.client = client;
    a.worker = worker;
    return a;
}

inline PoolAction withText(PoolAction a, const std::string& text) {
    a.text = text;
    return a;
}

}  // namespace poolshared
}  // namespace isectd

#endif

#include "data/DatabaseMessages.h"

#include "data/FXTextException.h"

using namespace FX;

namespace messages {

namespace {

bool has(const FXString& text, const char* part) { return text.find(part) >= 0; }

bool begins(const FXString& text, const char* start) { return text.find(start) == 0; }

const char* const tellTheServer =
    "\n\nIf this happens again, tell whoever looks after the school's server what the database said:\n\n";
const char* const deletedMeanwhile =
    "someone may have just deleted it.\n\nChoose it again from the lists; everything you typed is still here.";

// The lines of the database's text a person can read: without the error
// codes (SQL error code = -204, SQLSTATE, gdscode, the client library's isc_
// names) and the transaction numbers, at most a few lines.
FXString readableLines(const FXString& text) {
    FXString out;
    FXint kept = 0;
    for (FXint i = 0, n = text.contains('\n'); i <= n && kept < 8; ++i) {
        FXString line = text.section('\n', i);
        line.trim();
        if (line.empty() || has(line, "SQL error code") || has(line, "SQLCODE") || has(line, "SQLSTATE") ||
            has(line, "gdscode") || has(line, "isc_") || has(line, "transaction number"))
            continue;
        if (line.length() > 200) line = line.left(200) + "...";
        out += (kept ? "\n" : "") + line;
        ++kept;
    }
    return out;
}

Message message(Kind kind, const FXString& caption, const FXString& text) {
    Message m;
    m.kind = kind;
    m.caption = caption;
    m.text = text;
    return m;
}

// The router's sentences: whether the transaction is known to be lost or
// its last commit may have gone through.
Kind routerKind(const FXString& text) {
    if (has(text, "may not have been saved")) return Kind::OUTCOME_UNKNOWN;
    if (has(text, "nothing of it was saved") || has(text, "nothing of its transaction was saved"))
        return Kind::NOT_SAVED;
    return Kind::OTHER;
}

// A refusal of the database in plain words, where it is one a teacher can
// act on; REFUSED otherwise.
Message refusal(const FXString& text, const FXString& caption, const FXString& subject) {
    if (has(text, "violation of PRIMARY or UNIQUE KEY") || has(text, "attempt to store duplicate value"))
        return message(Kind::DUPLICATE, caption,
                       "The database already holds this " + subject +
                           ", so your change was not saved.\n\nChange what makes it the same (its name, for "
                           "example) and try again.");
    if (has(text, "violation of FOREIGN KEY") && has(text, "references are present"))
        return message(Kind::IN_USE, "Still In Use",
                       "Other entries in the database still use this " + subject + ", so it was not deleted.");
    if (has(text, "violation of FOREIGN KEY"))
        return message(Kind::VANISHED, "Not Found",
                       "What this " + subject + " refers to is no longer in the database: " + deletedMeanwhile);
    if (has(text, "string right truncation"))
        return message(Kind::TOO_LONG, caption,
                       "A text is longer than the database keeps for it, so your change was not saved.\n\n"
                       "Shorten it and try again; everything you typed is still here.");
    FXString said = readableLines(text);
    FXString words = "The database could not do what was asked, so nothing was changed.";
    if (!said.empty()) words += tellTheServer + said;
    return message(Kind::REFUSED, caption, words);
}

}  // namespace

bool isLockConflict(const FXString& text) {
    return has(text, "lock time-out on wait transaction") || has(text, "deadlock") ||
           has(text, "update conflicts with concurrent update") || has(text, "lock conflict on no wait transaction");
}

Message explainCaught(const FXString& caption, const FXString& subject) {
    // FXException has no virtual functions: the handler's own type test
    // tells the database's words from the client's.
    try {
        throw;
    } catch (const DatabaseError& e) {
        return explain(true, e.what(), caption, subject);
    } catch (const FXException& e) {
        return explain(false, e.what(), caption, subject);
    }
}

Message explain(bool database, const FXString& text, const FXString& caption, const FXString& subject) {
    if (isLockConflict(text))
        return message(Kind::LOCK_CONFLICT, "Someone Else Is Changing This",
                       "Someone else is changing this " + subject +
                           " at the moment, so your change was not saved.\n\n"
                           "Everything you typed is still here: try again in a moment.");
    if (has(text, "ROW_CHANGED"))
        // A window that offers reload and overwrite asks before it gets here.
        return message(Kind::ROW_CHANGED, "Changed By Someone Else",
                       "Someone else changed this " + subject +
                           " after you opened it, so your change was not stored.\n\n"
                           "Everything you typed is still here: copy what you need, then choose it again to see "
                           "what is stored now.");
    if (has(text, "LONG_TERM_PLAN_SHARED"))
        // The database's own refusal, for a delete the window's checks let
        // through while another teacher's unit went into the plan.
        return message(Kind::SHARED_PLAN, "Delete Long Term Plan",
                       "This Long Term plan holds the unit plans of more than one teacher, so it is not deleted: "
                       "each teacher deletes their own unit plans first.");
    if (has(text, "FXStringRecordset::GetField - Recordset is empty."))
        return message(Kind::VANISHED, "Not Found",
                       FXString("What you chose is no longer in the database: ") + deletedMeanwhile);
    if (begins(text, "isectd - ")) return message(routerKind(text), caption, text);
    // The worker's own sentences are the client's kind of words.
    if (!database || begins(text, "Vantry - ")) return message(Kind::OTHER, caption, text);
    return refusal(text, caption, subject);
}

Message lostConnection(const FXString& text, const FXString& caption) {
    Message m = message(Kind::CONNECTION_LOST, caption, text);
    m.warning = true;
    return m;
}

FXString plain(const FXString& text, FXString& caption) {
    const Message m = explain(false, text, caption);
    caption = m.caption;
    return m.text;
}

}  // namespace messages

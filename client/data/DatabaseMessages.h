// Failures in the words of the people who meet them.
//
// A failure reaches a window as a text: the database's own lines (Firebird's
// status text, which names error codes and speaks to programmers), the
// router's sentences ("isectd - ..."), or the client's own ("Class::operation
// - sentence", a check of typed input).  explain() turns it into the box the
// window shows: plain words for what a teacher meets in everyday use, the
// client's and the router's own sentences as they are, and for any other
// refusal of the database a plain sentence first, with the database's words
// (without its codes) below it for whoever looks after the school's server.
//
//   catch (const FXException&) {
//       messages::Message m = messages::explainCaught("Database Error", "teacher");
//       Prompter::get().error(this, m.caption, m.text);
//   }
//
// Windows do not do this themselves: ui/Failures.h runs a command's body and
// tells its failure this way.  Outcomes a later version will report (a
// commit whose outcome is unknown, a row changed by someone else since it
// was read) are kinds of their own, so that a window can offer what fits
// (look again, reload, overwrite) instead of a plain OK.
#ifndef PLENWICK_DATABASEMESSAGES_H
#define PLENWICK_DATABASEMESSAGES_H

#include <fx.h>

namespace messages {

enum class Kind {
    OTHER,            // the client's or the router's own sentence, shown as it is
    LOCK_CONFLICT,    // another teacher's open change holds the row (or changed it meanwhile)
    VANISHED,         // a row read a moment ago is no longer there
    ROW_CHANGED,      // a checked write refused: the row changed since it was read (RowVersions.h)
    SHARED_PLAN,      // a long-term plan holding the unit plans of several teachers (LONG_TERM_PLAN_SHARED)
    DUPLICATE,        // the row is in the database already (a unique key)
    IN_USE,           // other rows still refer to the row being deleted
    TOO_LONG,         // a text longer than its column
    NOT_SAVED,        // the transaction was lost: nothing of it was saved (the router says which)
    OUTCOME_UNKNOWN,  // the connection went while saving: the last change may or may not be saved
    CONNECTION_LOST,  // the database service could not be reached: the warning box
    REFUSED,          // any other refusal of the database
};

struct Message {
    Kind kind = Kind::OTHER;
    FX::FXString caption;
    FX::FXString text;
    // Shown in the warning box (a connection problem) instead of the error box.
    bool warning = false;
};

// The box for a failure whose text is `text`.  `database` tells whether the
// text is the database's own (the worker's error lines) rather than a
// sentence of the client or the router.  `caption` is the box's caption
// unless the failure has one of its own; `subject` names what the user was
// working on ("plan", "teacher", "term"), for the sentences that speak of it.
Message explain(bool database, const FX::FXString& text, const FX::FXString& caption,
                const FX::FXString& subject = "plan");

// Inside a catch block of an FXException: the failure being handled, by
// explain() (a DatabaseError, FXTextException.h, carries the database's own
// words).
Message explainCaught(const FX::FXString& caption, const FX::FXString& subject = "plan");

// The box for the lost connection the recordset layer noted, in the words
// it has always had (IsectRecordset::LostConnectionText()).
Message lostConnection(const FX::FXString& text, const FX::FXString& caption);

// True for the worker's texts of a row held by another transaction: a lock
// wait that ran out, a deadlock, or an update conflict.
bool isLockConflict(const FX::FXString& text);

// The text of explain() for any failure, the plan editor's words, with its
// caption in `caption`.
FX::FXString plain(const FX::FXString& text, FX::FXString& caption);

}  // namespace messages

#endif

// The one way a window tells the user why a command did not finish.
//
//   long TeachersWindow::onCmdEdit(FXObject*, FXSelector, void*) {
//       failures::run(this, "Database Error", "teacher", [&] {
//           if (!recordset.OpenRecordset("Update Teachers ...")) return;   // lost: told below
//           load();
//       });
//       return 1;
//   }
//
// run() runs the command's body and tells what stopped it, in a box owned by
// the window:
// - a failure thrown as FXException (the database's refusal, the router's
//   word that a transaction was lost, a check of typed input) in the words
//   of data/DatabaseMessages.h: plain words for a row held by someone else,
//   a row that vanished, a duplicate, a text too long; the client's and the
//   router's own sentences as they are; any other refusal of the database
//   as a plain sentence, its words (without codes) below for whoever looks
//   after the server.  The error box, under the caption given or the
//   failure's own.
// - a connection to the database service lost on the way: the recordset
//   layer returns false and counts the loss; run() shows the warning box
//   ("IsectRecordset::OpenRecordset - Network connection failed.") once the
//   body has returned, once per command however many statements failed, and
//   no other box for that command.
// It returns true when the body finished without either.  A run() inside
// another (a helper of the command, a modal dialog's command) tells its own
// failures; the outer one does not tell them again but returns false too.
//
// `subject` names what the window works on ("teacher", "term"; "plan" when
// not given) for the words that speak of it.  The box appears under the
// normal cursor.
#ifndef PLENWICK_FAILURES_H
#define PLENWICK_FAILURES_H

#include <fx.h>

#include <functional>

#include "data/DatabaseMessages.h"

namespace failures {

bool run(FX::FXWindow* owner, const FX::FXString& caption, const std::function<void()>& body);
bool run(FX::FXWindow* owner, const FX::FXString& caption, const FX::FXString& subject,
         const std::function<void()>& body);

// The lost connections counted by the recordset layer at a command's start;
// tellLost() shows the warning when a statement since then lost the
// connection and no command has told it yet.  For a command that cannot run
// its body inside run() (a print job, which must end its file first).
//
// While a Mark lives (run() holds one) a lost connection waits for the
// command to tell it.  One that happens while none lives (a window that does
// not tell through this module) is told at once, in the same warning, once
// watchConnections() has been called.
class Mark {
public:
    Mark();
    ~Mark();
    Mark(const Mark&) = delete;
    Mark& operator=(const Mark&) = delete;
    // Whether a statement since the mark lost the connection.
    bool lost() const;

private:
    FX::FXuint start;
};
// True when the connection was lost since `mark` (the warning shown now
// unless already shown).
bool tellLost(FX::FXWindow* owner, const Mark& mark);

// Hears of every lost connection from the recordset layer, to tell those no
// Mark waits for.  Called once, when the program creates its shared
// resources (createResources).
void watchConnections();

// The box for a failure put in words (messages::explainCaught in the
// window's own catch block), as run() would show it.
void tell(FX::FXWindow* owner, const messages::Message& message);

}  // namespace failures

#endif

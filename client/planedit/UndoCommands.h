// Undo and Redo in a window: the "&Edit" menu whose items name the step
// they take back or make again ("Undo Reschedule of 23 lessons"), Ctrl+Z
// and Ctrl+Shift+Z, and the commands themselves (data/UndoJournal.h).
//
//   editMenu.build(menuBar, this, ID_UNDO, ID_REDO);   // in the constructor
//   long onCmdUndo(...) { if (undocommands::run(this, true)) refreshWhatIsShown(); ... }
//   long onUpdUndo(FXObject* sender, ...) { return undocommands::enable(sender, this, true); }
//
// The items' words are read from the database when the menu opens and
// after each change this program makes; the enabling follows the last
// reading.
#ifndef PLENWICK_UNDOCOMMANDS_H
#define PLENWICK_UNDOCOMMANDS_H

#include <fx.h>

namespace undocommands {

class EditMenu {
public:
    // "&Edit" on `menuBar` with its two items for (target, undoId) and
    // (target, redoId), and the two keys in `window`'s accelerator table.
    void build(FX::FXComposite* menuBar, FX::FXWindow* window, FX::FXObject* target, FX::FXSelector undoId,
               FX::FXSelector redoId);
    FX::FXMenuPane* pane() const { return menuPane; }
    FX::FXMenuCommand* undoItem() const { return undoCommand; }
    FX::FXMenuCommand* redoItem() const { return redoCommand; }
    ~EditMenu();

private:
    FX::FXMenuPane* menuPane = nullptr;
    FX::FXMenuCommand* undoCommand = nullptr;
    FX::FXMenuCommand* redoCommand = nullptr;
};

// Reads what Undo and Redo would do now and names it on every Edit menu of
// the program.
void refresh();
// The last reading: the step Undo (or Redo) would take ("" for none).
FX::FXString offered(bool undoing);
// Undo (or Redo) for the current teacher, with its messages over `owner`:
// what changed since when nothing could be undone.  True when something
// was undone, so that the windows show it.
bool run(FX::FXWindow* owner, bool undoing);
// The onUpd of an item: enabled while there is something to undo (redo).
long enable(FX::FXObject* sender, FX::FXObject* from, bool undoing);

}  // namespace undocommands

#endif

// The base of the plan editor's panes: one tab's widgets, its SQL and its
// message map (LongTermPane, SubjectsPane, UnitPane, AttachmentPane,
// LessonPane, SearchPane).
//
// A pane reads what the dialog shares (the shared recordset, the plan lists,
// the icons) and tells the dialog what happened through its target and
// selector, as a FOX widget tells its target:
//
//   SEL_INSERTED   a row was added; data its Id
//   SEL_REPLACED   a row was edited; data its Id or its index in the
//                  dialog's list, as the pane says
//   SEL_DELETED    a row was deleted
//   SEL_CHANGED    something the dialog shows changed (each pane says what)
//   SEL_SELECTED   the pane chose a lesson for the dialog to show
//
// Each pane's header lists what it sends.  A pane with data targets deletes
// its widgets in its destructor, before the data targets they use.  The dialog's handlers run inside
// the pane's failure scope where the pane sends from inside it.
#ifndef PLENWICK_PLANPANE_H
#define PLENWICK_PLANPANE_H

#include <fx.h>

#include <functional>

#include "data/IsectRecordset.h"
#include "planedit/PlanIcons.h"
#include "planedit/PlanLists.h"

// What the dialog shares with its panes.
struct PaneShared {
    // The dialog's working recordset: the rows a pane shows and writes back
    // (fromTable set before each read), and its transactions.
    IsectRecordset& recordset;
    const PlanLists& lists;
    const PlanIcons& icons;
};

class PlanPane : public FX::FXVerticalFrame {
    FXDECLARE_ABSTRACT(PlanPane)
protected:
    PlanPane() : shared(nullptr) {}
    // A pane filling `page`, telling (tgt, sel).
    PlanPane(FX::FXComposite* page, const PaneShared& shared, FX::FXObject* tgt, FX::FXSelector sel);

    IsectRecordset& recordset() { return shared->recordset; }
    const PlanLists& lists() const { return shared->lists; }
    const PlanIcons& icons() const { return shared->icons; }
    // Tells the target: FXSEL(type, message) with `data`.
    void tell(FX::FXuint type, void* data = nullptr);
    // The editor's failure scope and busy cursor (PlanEditing.h).
    bool failureScope(const FX::FXString& caption, const std::function<void()>& body);
    void busy(bool on);
    // The window prompts stand over: the dialog.
    FX::FXWindow* owner() { return getShell(); }

private:
    const PaneShared* shared;
};

#endif

// The "Sub&jects" tab a syndicate leader keeps: the syndicate's current
// subjects in their order, and Add, Edit (rename), Retire, Up and Down.
//
// Tells its target:
//   SEL_CHANGED  the subjects changed; data the Id of the subject to choose
//                (0: none).  The dialog reads them again (readCurrent) for
//                this list and the long-term tab's "Subject:" box.
#ifndef PLENWICK_SUBJECTSPANE_H
#define PLENWICK_SUBJECTSPANE_H

#include "data/RowVersions.h"
#include "planedit/PlanPane.h"

class SubjectsPane : public PlanPane {
    FXDECLARE(SubjectsPane)
public:
    SubjectsPane(FX::FXComposite* page, const PaneShared& shared, FX::FXObject* tgt, FX::FXSelector sel);

    // The syndicate's subjects current today, in their order (Id, Description).
    static void readCurrent(IsectRecordset& rs);
    // The query readCurrent runs, for reading it together with others.
    static FX::FXString currentQuery();
    // Lists them (a leader's list; a teacher's stays empty) and chooses the
    // one of Id `id`, if listed.
    void list(IsectRecordset& subjects, FX::FXint id);

    enum { ID_LIST = FX::FXVerticalFrame::ID_LAST, ID_ADD, ID_RENAME, ID_RETIRE, ID_UP, ID_DOWN, ID_LAST };
    long onCmdList(FX::FXObject*, FX::FXSelector, void*);
    long onCmdAdd(FX::FXObject*, FX::FXSelector, void*);
    long onCmdRename(FX::FXObject*, FX::FXSelector, void*);
    long onCmdRetire(FX::FXObject*, FX::FXSelector, void*);
    long onCmdUp(FX::FXObject*, FX::FXSelector, void*);
    long onCmdDown(FX::FXObject*, FX::FXSelector, void*);

protected:
    SubjectsPane() {}

private:
    FX::FXList* subjectList = nullptr;
    FX::FXTextField* subjectField = nullptr;
    // The chosen subject as read, against which a rename is checked.
    ReadRow shownSubject;

    void addSubject();
    void renameSubject();
    void readSubject(IsectRecordset& rs, const FX::FXString& id);
    void retireSubject();
    void moveSubject(bool up);
};

#endif

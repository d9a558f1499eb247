// The teachers dialog: teachers and syndicates are added, renamed and
// deleted here, and the teacher selected becomes the current user of the
// whole application.  Its target (the calendar) is told the new user's name:
// SEL_COMMAND with the dialog's message, ptr an FXString* with the name.
#ifndef PLENWICK_TEACHERSWINDOW_H
#define PLENWICK_TEACHERSWINDOW_H

#include <fx.h>

#include "data/IsectRecordset.h"
#include "data/RowVersions.h"

class TeachersWindow : public FX::FXDialogBox {
    FXDECLARE(TeachersWindow)
protected:
    FX::FXList* leaderList = nullptr;   // disabled: shows the highlighted leader only
    FX::FXList* teacherList = nullptr;  // item data: the teacher's Id
    FX::FXTextField* nameField = nullptr;
    FX::FXCheckButton* leaderBox = nullptr;
    FX::FXint leaderFlag = 1;
    FX::FXDataTarget leaderTarget;
    IsectRecordset recordset;
    // The chosen teacher's row as read, against which a rename is checked.
    ReadRow shownTeacher;

    TeachersWindow() {}

public:
    enum { ID_LOAD = FX::FXDialogBox::ID_LAST, ID_ADD, ID_EDIT, ID_DELETE, ID_SELECT, ID_LAST };

    // tgt and sel: who is told the new current user, and with which message.
    explicit TeachersWindow(FX::FXWindow* owner, FX::FXObject* tgt = nullptr, FX::FXSelector sel = 0);
    ~TeachersWindow() override;

    FX::FXList* getLeaderList() const { return leaderList; }
    FX::FXList* getTeacherList() const { return teacherList; }
    FX::FXTextField* getNameField() const { return nameField; }
    FX::FXint getLeaderFlag() const { return leaderFlag; }
    void setLeaderFlag(FX::FXint flag) { leaderFlag = flag; }

    // Fills both lists from the database; afterwards there is no current user.
    void load();
    // Makes the teacher of row `row` the current user.
    void select(FX::FXint row);

    long onLoad(FX::FXObject*, FX::FXSelector, void*);
    long onCmdAdd(FX::FXObject*, FX::FXSelector, void*);
    long onCmdEdit(FX::FXObject*, FX::FXSelector, void*);
    long onCmdDelete(FX::FXObject*, FX::FXSelector, void*);
    long onCmdSelect(FX::FXObject*, FX::FXSelector, void*);

protected:
    void tellOwner();
    bool deleteQuestion(const FX::FXString& id, const FX::FXString& name, FX::FXString& text);
    void selectRow(FX::FXint row);
    bool readName(const FX::FXString& caption, FX::FXString& name, FX::FXint exceptRow);
};

#endif

// The "L&ong Term Plans" tab: the fields of the chosen long-term plan and
// its Add, Edit and Delete, and the red note a syndicate leader sees.
//
//   LongTermPane.cpp   the widgets, showing a plan, the enable rule of
//                      "Ignore Start and End Dates", add, edit, delete
//
// Tells its target:
//   SEL_INSERTED  a plan was added; data its Id (the dialog lists the term
//                 again and chooses it)
//   SEL_REPLACED  the chosen plan was edited; data its Id (the same)
//   SEL_DELETED   the chosen plan was deleted (the dialog lists the term again)
#ifndef PLENWICK_LONGTERMPANE_H
#define PLENWICK_LONGTERMPANE_H

#include "data/RowVersions.h"
#include "planedit/PlanPane.h"

class LongTermPane : public PlanPane {
    FXDECLARE(LongTermPane)
public:
    LongTermPane(FX::FXComposite* page, const PaneShared& shared, FX::FXObject* tgt, FX::FXSelector sel);
    ~LongTermPane() override;

    // Fills "Children's Year:" from `years` (yearsQuery read) and empties
    // "Subject:" (listSubjects fills it).
    static const char* const yearsQuery;
    void listYears(IsectRecordset& years);
    // Fills "Subject:" with the current subjects (SubjectsPane::readCurrent);
    // the box keeps the subject it showed while that subject is still
    // current, and shows none when it was retired.
    void listSubjects(IsectRecordset& subjects);
    // Shows the plan of Id `planId` (its LongTerm row, read into the shared
    // recordset).  Throws the recordset's failures.
    void show(FX::FXint planId);
    // True when the shown plan's name or description was changed and not
    // stored; storeShown() stores it as Edit does (true when written).
    bool unstored() const;
    FX::FXString shownName() const;
    FX::FXint shownId() const { return FX::FXIntVal(shownRow.value("Id")); }
    bool storeShown();
    // The red note of a syndicate leader, shown or hidden.
    void showLeaderNote(bool shown);

    enum {
        ID_ADD = FX::FXVerticalFrame::ID_LAST,
        ID_EDIT,
        ID_DELETE,
        ID_PERSISTENT,        // "Ignore Start and End Dates" checked or cleared
        ID_PERSISTENT_FIELD,  // the controls that flag disables (update)
        ID_LAST
    };
    long onCmdAdd(FX::FXObject*, FX::FXSelector, void*);
    long onCmdEdit(FX::FXObject*, FX::FXSelector, void*);
    long onCmdDelete(FX::FXObject*, FX::FXSelector, void*);
    long onCmdPersistent(FX::FXObject*, FX::FXSelector, void*);
    long onUpdPersistentField(FX::FXObject*, FX::FXSelector, void*);

protected:
    LongTermPane() {}

private:
    FX::FXint syndicateWide = 0;  // "Syndicate Wide Plan"
    FX::FXint persistent = 0;     // "Ignore Start and End Dates" (LongTerm.Persistant)
    FX::FXDataTarget syndicateWideTarget;
    FX::FXDataTarget persistentTarget;

    FX::FXComboBox* childYearCombo = nullptr;
    FX::FXComboBox* subjectCombo = nullptr;
    FX::FXTextField* nameField = nullptr;
    FX::FXText* descriptionText = nullptr;
    FX::FXTextField* startField = nullptr;
    FX::FXTextField* endField = nullptr;
    FX::FXLabel* leaderNote = nullptr;
    FX::FXCheckButton* syndicateWideCheck = nullptr;
    // The shown plan as read, against which an edit is checked.
    ReadRow shownRow;

    void build();
    void addPlan();
    void editPlan();
    bool writeShown(FX::FXint planId, const FX::FXString& listed);
    void writePlan(const FX::FXString& key, const FX::FXString& start, const FX::FXString& end);
    void deletePlan();
    // The lengths of the texts and the dates, checked before anything is
    // sent: the start and end ('YYYY-MM-DD', "" for none).
    void checkFields(FX::FXString& start, FX::FXString& end);
    // "Subject:", "Start Date:" and "End Date:" apply only to a plan with
    // dates: the persistent flag disables them.
    void enableDateFields();
    // The plan's owner: the syndicate for a syndicate-wide plan, else the teacher.
    FX::FXString planOwner() const;
};

#endif

// UnitPlanDialog: construction, opening and the timed preselection, the long-term
// list, the enable rules, geometry and closing, and the failure scope.
// The operations behind the buttons are in LongTermEdit.cpp,
// UnitPlanEdit.cpp and LessonPlanEdit.cpp.
#include "planedit/UnitPlanDialog.h"

#include <algorithm>
#include <vector>

#include "data/AppState.h"
#include "data/DatabaseMessages.h"
#include "data/Dates.h"
#include "data/FXTextException.h"
#include "data/Files.h"
#include "data/InputChecks.h"
#include "data/Prompter.h"
#include "planedit/PlanEditText.h"
#include "planedit/PlanIcons.h"
#include "ui/AppResources.h"
#include "ui/ListItems.h"
#include "ui/WindowPlace.h"

using namespace FX;

FXDEFMAP(UnitPlanDialog)
UnitPlanDialogMap[] = {
    FXMAPFUNC(SEL_TIMEOUT, UnitPlanDialog::ID_SELECTQUERY, UnitPlanDialog::onTimerSelectQuery),
    FXMAPFUNC(SEL_TIMEOUT, UnitPlanDialog::ID_PRESELECT, UnitPlanDialog::onTimerPreselect),
    FXMAPFUNC(SEL_CHORE, UnitPlanDialog::ID_DESTROY, UnitPlanDialog::onChoreDestroy),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_CLOSE, UnitPlanDialog::onCmdClose),
    FXMAPFUNC(SEL_COMMAND, FXDialogBox::ID_CANCEL, UnitPlanDialog::onCmdClose),
    FXMAPFUNC(SEL_CLOSE, 0, UnitPlanDialog::onCmdClose),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_LONGTERMLIST, UnitPlanDialog::onCmdLongTermList),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_UNITLIST, UnitPlanDialog::onCmdUnitList),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_DAYLIST, UnitPlanDialog::onCmdLessonList),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_LESSONLIST, UnitPlanDialog::onCmdLessonList),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_ATTACHMENTLIST, UnitPlanDialog::onCmdAttachmentList),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_SUBJECTLIST, UnitPlanDialog::onCmdSubjectList),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_PERSISTENT, UnitPlanDialog::onCmdPersistent),
    FXMAPFUNC(SEL_UPDATE, UnitPlanDialog::ID_PERSISTENT_FIELD, UnitPlanDialog::onUpdPersistentField),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_EXPORT_MARK, UnitPlanDialog::onCmdExportMark),
    FXMAPFUNC(SEL_CHANGED, UnitPlanDialog::ID_SEARCHTEXT, UnitPlanDialog::onChgSearchText),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_SEARCHRESULT, UnitPlanDialog::onCmdSearchResult),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_SEARCH_EVALUATION, UnitPlanDialog::onCmdSearchCheck),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_SEARCH_ASSESSMENT, UnitPlanDialog::onCmdSearchCheck),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_SEARCH_NOTTAUGHT, UnitPlanDialog::onCmdSearchCheck),
    FXMAPFUNC(SEL_UPDATE, UnitPlanDialog::ID_TIMESWITCHER, UnitPlanDialog::onUpdTimeSwitcher),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_ADD_LONGTERM, UnitPlanDialog::onCmdAddLongTerm),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_EDIT_LONGTERM, UnitPlanDialog::onCmdEditLongTerm),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_DELETE_LONGTERM, UnitPlanDialog::onCmdDeleteLongTerm),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_ADD_UNIT, UnitPlanDialog::onCmdAddUnit),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_EDIT_UNIT, UnitPlanDialog::onCmdEditUnit),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_DELETE_UNIT, UnitPlanDialog::onCmdDeleteUnit),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_ADD_LESSON, UnitPlanDialog::onCmdAddLesson),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_EDIT_LESSON, UnitPlanDialog::onCmdEditLesson),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_DELETE_LESSON, UnitPlanDialog::onCmdDeleteLesson),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_PLUS_DAY, UnitPlanDialog::onCmdPlusDay),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_PLUS_WEEK, UnitPlanDialog::onCmdPlusWeek),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_PERIOD_UP, UnitPlanDialog::onCmdPeriodUp),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_PERIOD_DOWN, UnitPlanDialog::onCmdPeriodDown),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_BUMP, UnitPlanDialog::onCmdBump),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_SHOVE, UnitPlanDialog::onCmdShove),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_ADD_SUBJECT, UnitPlanDialog::onCmdAddSubject),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_RENAME_SUBJECT, UnitPlanDialog::onCmdRenameSubject),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_RETIRE_SUBJECT, UnitPlanDialog::onCmdRetireSubject),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_SUBJECT_UP, UnitPlanDialog::onCmdSubjectUp),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_SUBJECT_DOWN, UnitPlanDialog::onCmdSubjectDown),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_ATTACH_IMPORT, UnitPlanDialog::onCmdAttachImport),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_ATTACH_EDIT, UnitPlanDialog::onCmdAttachEdit),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_ATTACH_EXPORT, UnitPlanDialog::onCmdAttachExport),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_ATTACH_REMOVE, UnitPlanDialog::onCmdAttachRemove),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_SEARCH, UnitPlanDialog::onCmdSearch),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_SEARCH_SELECT, UnitPlanDialog::onCmdSearchSelect),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_SEARCH_UNSELECT, UnitPlanDialog::onCmdSearchUnselect),
    FXMAPFUNC(SEL_COMMAND, UnitPlanDialog::ID_SEARCH_PRINT, UnitPlanDialog::onCmdSearchPrint),
};

FXIMPLEMENT(UnitPlanDialog, FXDialogBox, UnitPlanDialogMap, ARRAYNUMBER(UnitPlanDialogMap))

FXint UnitPlanDialog::liveCount = 0;

namespace {
const char* const settingsSection = "UNITPLANDIALOG";

FXString text(FXint value) { return FXStringVal(value); }

}  // namespace

// ---------------------------------------------------------------- construction

UnitPlanDialog::UnitPlanDialog(FXApp* app, FXint longTermId, FXint lessonId, FXObject* tgt, FXSelector sel)
    : FXDialogBox(app, "Edit Unit Plans", DECOR_ALL, 0, 0, defaultWidth, defaultHeight, 4, 4, 4, 4, 4, 4) {
    setTarget(tgt);
    setSelector(sel);
    ++liveCount;
    if (appIcon) {
        setIcon(appIcon);
        setMiniIcon(appIcon);
    }
    syndicateWideTarget.connect(syndicateWide);
    persistentTarget.connect(persistent, this, ID_PERSISTENT);
    unitTypeTarget.connect(unitType);
    exportMarkTarget.connect(exportChecked, this, ID_EXPORT_MARK);
    rotateTarget.connect(rotate);
    shoveDaysTarget.connect(shoveDays);
    evaluationTarget.connect(evaluation);
    assessmentTarget.connect(assessment);
    notTaughtTarget.connect(notTaught);

    persistentIcon = makePersistentIcon(app);
    exportIcon = makeExportIcon(app);
    importedIcon = makeImportedIcon(app);
    transferFileIcon = makeTransferFileIcon(app);
    tickIcon = makeTickIcon(app);

    buildLayout();

    app->addTimeout(this, ID_SELECTQUERY, 100);
    if (longTermId >= 1) {
        currentLessonId = longTermId;
        preselectLongTerm = 1;
        app->addTimeout(this, ID_PRESELECT, 150);
    } else if (lessonId >= 1) {
        currentLessonId = lessonId;
        preselectLesson = 1;
        app->addTimeout(this, ID_PRESELECT, 150);
    }
}

UnitPlanDialog::~UnitPlanDialog() {
    getApp()->removeTimeout(this, ID_SELECTQUERY);
    getApp()->removeTimeout(this, ID_PRESELECT);
    getApp()->removeChore(this, ID_DESTROY);
    // The widgets go before the data targets and icons they use.
    while (getFirst()) delete getFirst();
    delete persistentIcon;
    delete exportIcon;
    delete importedIcon;
    delete transferFileIcon;
    delete tickIcon;
    --liveCount;
}

// Saved geometry, the leader label hidden, shown.
void UnitPlanDialog::create() {
    const bool created = id() != 0;
    FXDialogBox::create();
    if (created) return;
    persistentIcon->create();
    exportIcon->create();
    importedIcon->create();
    transferFileIcon->create();
    tickIcon->create();

    FXRegistry& reg = getApp()->reg();
    WindowPlace place =
        WindowPlace::read(reg, settingsSection, defaultWidth, defaultHeight, minimumWidth, minimumHeight);
    place.keepOnScreen(getRoot()->getWidth(), getRoot()->getHeight());
    position(place.x, place.y, place.width, place.height);
    leaderLabel->hide();
    show();
    placementDx = getX() - place.x;
    placementDy = getY() - place.y;
}

// ---------------------------------------------------------------- closing

void UnitPlanDialog::closeDialog() {
    if (closing) return;
    closing = true;
    FXRegistry& reg = getApp()->reg();
    WindowPlace{getX() - placementDx, getY() - placementDy, getWidth(), getHeight()}.write(reg, settingsSection);
    getApp()->removeTimeout(this, ID_SELECTQUERY);
    getApp()->removeTimeout(this, ID_PRESELECT);
    hide();
    // Deleted once the handler that closed it has returned.
    getApp()->addChore(this, ID_DESTROY);
}

long UnitPlanDialog::onCmdClose(FXObject*, FXSelector, void*) {
    closeDialog();
    return 1;
}

long UnitPlanDialog::onChoreDestroy(FXObject*, FXSelector, void*) {
    delete this;
    return 1;
}

// ---------------------------------------------------------------- helpers

bool UnitPlanDialog::failureScope(const FXString& caption, const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const PlanEditAbort&) {
        busy(false);
    } catch (const FXException& e) {
        busy(false);
        FXString shownCaption = caption;
        const FXString text = messages::plain(e.what(), shownCaption);
        Prompter::get().error(this, shownCaption, text);
    }
    return false;
}

void UnitPlanDialog::query(IsectRecordset& rs, const FXString& sql) { transfer::query(rs, sql); }

FXString UnitPlanDialog::rawField(IsectRecordset& rs, const FXString& name) { return transfer::rawField(rs, name); }

FXString UnitPlanDialog::shownValue(IsectRecordset& rs, const FXString& name) {
    const FXString value = rs.GetField(name);
    return value == "None" && rs.FieldOrdinal(name).type == "d" ? FXString::null : value;
}

FXString UnitPlanDialog::checkedDate(const FXString& field, FXTextField* control, bool optional) {
    if (optional && planedit::blank(control->getText())) return FXString::null;
    return checks::date(field, control->getText());
}

FXString UnitPlanDialog::dateLiteral(const FXString& iso) { return iso.empty() ? FXString("NULL") : "'" + iso + "'"; }

FXString UnitPlanDialog::vanishedText(const FXString& what) {
    return "This " + what + " is no longer in the database: someone may have just deleted it.\n\n"
           "Choose again from the lists; everything you typed is still here.";
}

FXString UnitPlanDialog::noTermText() {
    return "No school term has begun by " + dates::shownDate(dates::shownNow()) +
           ".\n\nAdd the school terms in School Setup (Options menu of the calendar); until then only the "
           "plans marked \"Ignore Start and End Dates\" are listed.";
}

void UnitPlanDialog::busy(bool on) {
    FXCursor* cursor = on ? busyCursor : normalCursor;
    if (cursor) setDefaultCursor(cursor);
}

bool UnitPlanDialog::isLeader() const { return FXIntVal(appState.currentUserId) == FXIntVal(appState.currentSyndicate); }

// A tab hidden from this user (a leader's unit and lesson tabs) is not brought up.
void UnitPlanDialog::showTab(Tab tab) {
    if (tabItems[tab]->shown()) tabBook->setCurrent(tab);
    activateShortcuts();
}

// ---------------------------------------------------------------- Alt keys
//
// FOX registers every button's and tab name's Alt key with the dialog when
// the widget is made, the last one made winning; so Alt+A would press the
// Subjects tab's Add from any tab.  The dialog keeps the list of them and
// makes active only those of the tab shown and the names of the tabs shown.

namespace {

// The Alt key FOX parsed from a label's "&" (0 when it has none).
struct LabelKey : FXLabel {
    static FXHotKey of(FXLabel* label) { return label->*(&LabelKey::hotkey); }
};

void collect(FXWindow* window, FXint tab, std::vector<UnitPlanDialog::Shortcut>& out) {
    for (FXWindow* child = window->getFirst(); child; child = child->getNext()) {
        if (child->isMemberOf(FXMETACLASS(FXLabel))) {
            FXHotKey key = LabelKey::of(static_cast<FXLabel*>(child));
            if (key) out.push_back({child, key, tab});
        }
        collect(child, tab, out);
    }
}

}  // namespace

void UnitPlanDialog::collectShortcuts() {
    shortcuts.clear();
    for (FXint i = 0; i < TAB_COUNT; ++i) {
        FXHotKey key = LabelKey::of(tabItems[i]);
        if (key) shortcuts.push_back({tabItems[i], key, -1});
    }
    for (FXint i = 0; i < TAB_COUNT; ++i) collect(tabPanes[i], i, shortcuts);
    activateShortcuts();
}

void UnitPlanDialog::activateShortcuts() {
    if (shortcuts.empty()) return;
    for (const Shortcut& s : shortcuts) s.widget->remHotKey(s.key);
    const FXint current = tabBook->getCurrent();
    const bool currentShown = current >= 0 && current < TAB_COUNT && tabItems[current]->shown();
    // A control counts when it stands on the shown tab and, inside the
    // lesson's date and time panels, on the panel of the unit's type.
    auto onScreen = [&](FXWindow* w) {
        for (; w && w != tabPanes[current]; w = w->getParent()) {
            if (w->getParent() == timeSwitcher) {
                if (timeSwitcher->indexOfChild(w) != lessonPanel()) return false;
            } else if (!w->shown()) {
                return false;
            }
        }
        return w != nullptr;
    };
    for (const Shortcut& s : shortcuts)
        if (s.tab < 0 && s.widget->shown()) s.widget->addHotKey(s.key);
    if (!currentShown) return;
    for (const Shortcut& s : shortcuts)
        if (s.tab == current && onScreen(s.widget)) s.widget->addHotKey(s.key);
}

void UnitPlanDialog::clearPlanLists() {
    longTermList->clearItems();
    unitList->clearItems();
    dayList->clearItems();
    lessonList->clearItems();
}

// appState.dateOffset moved: the target (the calendar) shows the new week.
void UnitPlanDialog::tellDateShown() {
    if (target) target->tryHandle(this, FXSEL(SEL_COMMAND, message), nullptr);
}

// ---------------------------------------------------------------- opening

FXint UnitPlanDialog::selectQuery() {
    if (appState.currentUserId.empty()) {
        Prompter::get().error(this, "UnitPlanDialog", "You must choose a user name to add long term plans.");
        closeDialog();
        return 0;
    }
    FXint result = 0;
    failureScope("Database Error", [&] {
        const bool leader = isLeader();
        for (FXint i = TAB_UNIT; i <= TAB_SEARCH; ++i) {
            if (leader) {
                tabItems[i]->hide();
                tabPanes[i]->hide();
            } else {
                tabItems[i]->show();
            }
        }
        if (leader) {
            tabItems[TAB_SUBJECTS]->show();
            leaderLabel->show();
            showTab(TAB_LONGTERM);
        } else {
            tabItems[TAB_SUBJECTS]->hide();
            tabPanes[TAB_SUBJECTS]->hide();
            if (tabBook->getCurrent() == TAB_SUBJECTS) showTab(TAB_LONGTERM);
        }
        tabBook->recalc();
        activateShortcuts();

        clearPlanLists();
        fillCombos();

        // The current term: the last one that began on or before today.
        // Before the first term only the persistent plans are listed.
        IsectRecordset terms;
        query(terms, "Select SchoolWeeks,FirstDay,SchoolYear,SchoolTerm from TermDate Where FirstDay <= '" + dates::today() +
                         "'");
        FXString inTerm = "(Persistant = 1)";
        if (terms.rows.IsEmpty()) {
            Prompter::get().error(this, "No School Term", noTermText());
        } else {
            terms.MoveLast();
            FXString termStart = rawField(terms, "FirstDay").left(10);
            FXint weeks = FXIntVal(terms.GetField("SchoolWeeks"));
            FXString termEnd = dates::addDays(termStart, weeks * 7);
            inTerm = "((PlanEnd >= '" + termStart + "' and PlanEnd < '" + termEnd + "' or PlanStart <= '" + termEnd +
                     "' and PlanEnd >= '" + termEnd + "') or (Persistant = 1))";
        }

        IsectRecordset plans;
        query(plans, "Select Id, PlanName, Persistant from LongTerm Where (FKSyndicate = " + appState.currentSyndicate +
                         " or FKSyndicate = " + appState.currentUserId + ") and " + inTerm + " Order by PlanName");
        if (plans.rows.IsEmpty()) {
            Prompter::get().error(this, "UnitPlanDialog::selectQuery", "No long term plans found for this term.");
            return;
        }
        for (plans.MoveFirst(); !plans.eof(); plans.MoveNext()) {
            FXIcon* icon = FXIntVal(plans.GetField("Persistant")) != 0 ? persistentIcon : nullptr;
            longTermList->appendItem(plans.GetField("PlanName"), icon,
                                     (void*)(FXival)FXIntVal(plans.GetField("Id")));
        }
        lists::noCurrentItem(longTermList);
        result = 1;
    });
    return result;
}

void UnitPlanDialog::fillCombos() {
    childYearCombo->clearItems();
    subjectCombo->clearItems();
    IsectRecordset rs;
    query(rs, "Select * from ChildYear Order By Description Desc");
    for (rs.MoveFirst(); !rs.eof(); rs.MoveNext())
        childYearCombo->appendItem(rs.GetField("Description"), (void*)(FXival)FXIntVal(rs.GetField("Id")));
    childYearCombo->setNumVisible(6);
    refreshSubjects(0);
}

void UnitPlanDialog::onLongTermSelected(FXint index) {
    if (index < 0 || index >= longTermList->getNumItems()) {
        Prompter::get().error(this, "LongTermPlanEdit::onLongTermSelected", "Long Term Plan not found in this term.");
        return;
    }
    failureScope("Database Error", [&] {
        lists::selectItem(longTermList, index);
        // Another plan: no lesson is current until one of its units' is chosen.
        currentLessonId = 0;
        unitList->clearItems();
        dayList->clearItems();
        lessonList->clearItems();
        const FXString id = text(lists::itemId(longTermList, index));

        IsectRecordset units;
        query(units, "Select * from UnitPlan where FKLongTerm = " + id + " and FKTeacher = " + appState.currentUserId +
                         " Order By UnitName");
        for (units.MoveFirst(); !units.eof(); units.MoveNext()) {
            FXint transfer = FXIntVal(units.GetField("Transfer"));
            FXIcon* icon = transfer > 0 ? exportIcon : transfer < 0 ? importedIcon : nullptr;
            unitList->appendItem(units.GetField("UnitName"), icon, (void*)(FXival)FXIntVal(units.GetField("Id")));
        }

        // Transfer files waiting to be imported.
        FXString* files = nullptr;
        FXint count = FXDir::listFiles(files, localPath("..\\Transfer"), "*.dat", FXDir::NoDirs);
        std::vector<FXString> names;
        for (FXint i = 0; i < count; ++i) names.push_back(files[i]);
        delete[] files;
        std::sort(names.begin(), names.end(),
                  [](const FXString& a, const FXString& b) { return compare(a, b) < 0; });
        for (const FXString& name : names) unitList->appendItem(name, transferFileIcon, (void*)(FXival)-1);
        lists::noCurrentItem(unitList);

        recordset.fromTable = "LongTerm";
        query(recordset, "Select * from LongTerm where Id = " + id);
        if (!recordset.rows.IsEmpty()) {
            recordset.MoveFirst();
            longTermName->setText(recordset.GetField("PlanName"));
            longTermDescription->setText(recordset.GetField("Description"));
            longTermStart->setText(shownValue(recordset, "PlanStart"));
            longTermEnd->setText(shownValue(recordset, "PlanEnd"));
            // A retired subject is not in the box: show none, so that an edit
            // keeps the plan's subject instead of taking the last one shown.
            subjectCombo->setCurrentItem(lists::findItem(subjectCombo, FXIntVal(recordset.GetField("FKSubject"))));
            childYearCombo->setCurrentItem(lists::findItem(childYearCombo, FXIntVal(recordset.GetField("FKYear"))));
            syndicateWide = FXIntVal(recordset.GetField("FKSyndicate")) != FXIntVal(appState.currentUserId) ? 1 : 0;
            persistent = FXIntVal(recordset.GetField("Persistant")) != 0 ? 1 : 0;
            enableDateFields();
        }
        showTab(TAB_LONGTERM);
    });
}

FXint UnitPlanDialog::getUnitIndex() {
    if (longTermList->getNumItems() == 0) return 0;
    FXint index = lists::findItem(longTermList, currentLessonId);
    if (index < 0) {
        Prompter::get().error(this, "UnitPlanDialog::getUnitIndex",
                              "The Long Term Plan this Lesson Plan belongs to is not available.\n"
                              "This could be because the Lesson Plan belongs to another user or\n"
                              "that the Long Term Plan begins after the start date of the Lesson Plan");
        return 0;
    }
    onLongTermSelected(index);
    return 1;
}

FXint UnitPlanDialog::getLessonIndex() {
    FXint lessonId = currentLessonId;
    FXint unitId = 0;
    bool found = failureScope("Database Error", [&] {
        IsectRecordset rs;
        query(rs, "Select FKUnitPlan, FKLongTerm from LessonPlan,UnitPlan Where FKUnitPlan = UnitPlan.Id"
                  " and LessonPlan.Id = " + text(lessonId));
        unitId = FXIntVal(rs.GetField("FKUnitPlan"));
        currentLessonId = FXIntVal(rs.GetField("FKLongTerm"));
    });
    if (!found || !getUnitIndex()) return 0;
    FXint unitIndex = lists::findItem(unitList, unitId);
    if (unitIndex < 0) {
        Prompter::get().error(this, "UnitPlanDialog::getLessonIndex",
                              "The Unit Plan this Lesson Plan belongs to is not available\n"
                              "because this Lesson Plan belongs to another user.");
        return 0;
    }
    onUnitSelected(unitIndex);
    if (lessonList->getNumItems() > 0) {
        currentLessonId = lessonId;
        FXint lessonIndex = lists::findItem(lessonList, lessonId);
        if (lessonIndex >= 0) onLessonSelected(lessonIndex);
    }
    return 1;
}

long UnitPlanDialog::onTimerSelectQuery(FXObject*, FXSelector, void*) {
    selectQuery();
    return 1;
}

long UnitPlanDialog::onTimerPreselect(FXObject*, FXSelector, void*) {
    if (closing) return 1;
    if (preselectLongTerm)
        getUnitIndex();
    else if (preselectLesson)
        getLessonIndex();
    return 1;
}

// ---------------------------------------------------------------- list selections

// A click beside the entries (no entry) selects nothing and says nothing.
long UnitPlanDialog::onCmdLongTermList(FXObject*, FXSelector, void* ptr) {
    FXint index = (FXint)(FXival)ptr;
    if (index >= 0) onLongTermSelected(index);
    return 1;
}

long UnitPlanDialog::onCmdUnitList(FXObject*, FXSelector, void* ptr) {
    FXint index = (FXint)(FXival)ptr;
    if (index < 0 || index >= unitList->getNumItems()) return 1;
    if (lists::itemId(unitList, index) < 0)
        importUnitPlan(index);
    else
        onUnitSelected(index);
    return 1;
}

long UnitPlanDialog::onCmdLessonList(FXObject*, FXSelector, void* ptr) {
    FXint index = (FXint)(FXival)ptr;
    if (index >= 0) onLessonSelected(index);
    return 1;
}

long UnitPlanDialog::onCmdAttachmentList(FXObject*, FXSelector, void* ptr) {
    FXint index = (FXint)(FXival)ptr;
    if (index >= 0) onAttachmentSelected(index);
    return 1;
}

long UnitPlanDialog::onCmdSubjectList(FXObject*, FXSelector, void* ptr) {
    onSubjectSelected((FXint)(FXival)ptr);
    return 1;
}

// ---------------------------------------------------------------- enable rules

// "Subject:", "Start Date:" and "End Date:" of tab 1 apply only to a plan
// with dates: "Ignore Start and End Dates" disables them.  Set at once when
// the flag changes or a plan is shown; the GUI update keeps each in step.
void UnitPlanDialog::enableDateFields() {
    FXWindow* fields[] = {subjectCombo, longTermStart, longTermEnd};
    for (FXWindow* field : fields) {
        if (persistent == 0) field->enable();
        else field->disable();
    }
}

long UnitPlanDialog::onCmdPersistent(FXObject*, FXSelector, void*) {
    enableDateFields();
    return 1;
}

long UnitPlanDialog::onUpdPersistentField(FXObject* sender, FXSelector, void*) {
    sender->handle(this, FXSEL(SEL_COMMAND, persistent == 0 ? ID_ENABLE : ID_DISABLE), nullptr);
    return 1;
}

long UnitPlanDialog::onCmdExportMark(FXObject*, FXSelector, void*) {
    exportMark = exportChecked ? 1 : 0;
    return 1;
}

// The search text and the evaluation checks exclude each other: checking
// one empties the text, typing clears the checks.
bool UnitPlanDialog::searchChecksOn() const {
    return searchEvaluation->getCheck() == TRUE || searchAssessment->getCheck() == TRUE ||
           searchNotTaught->getCheck() == TRUE;
}

void UnitPlanDialog::keepSearchTextEmpty() {
    if (searchChecksOn() && !searchText->getText().empty()) searchText->setText(FXString::null);
}

long UnitPlanDialog::onCmdSearchCheck(FXObject*, FXSelector, void*) {
    keepSearchTextEmpty();
    return 1;
}

long UnitPlanDialog::onChgSearchText(FXObject*, FXSelector, void*) {
    for (FXCheckButton* check : {searchEvaluation, searchAssessment, searchNotTaught}) check->setCheck(FALSE);
    return 1;
}

// The time panel shows the fields of the unit's stored type (the switcher
// displays it, as a data target's widget displays its value).
long UnitPlanDialog::onUpdTimeSwitcher(FXObject* sender, FXSelector, void*) {
    FXint panel = lessonPanel();
    sender->handle(this, FXSEL(SEL_COMMAND, ID_SETINTVALUE), &panel);
    return 1;
}

FXint UnitPlanDialog::lessonPanel() const { return FXCLAMP(1, storedUnitType, 3) - 1; }

UnitPlanDialog::TimePanel& UnitPlanDialog::currentPanel() { return panels[lessonPanel()]; }

// ---------------------------------------------------------------- buttons
//
// One handler per button; the operations are in LongTermEdit.cpp (tabs 1
// and 7), UnitPlanEdit.cpp (tab 2) and LessonPlanEdit.cpp (tabs 3 to 5).

long UnitPlanDialog::onCmdAddLongTerm(FXObject*, FXSelector, void*) {
    addLongTermQuery();
    return 1;
}

long UnitPlanDialog::onCmdEditLongTerm(FXObject*, FXSelector, void*) {
    editLongTermQuery();
    return 1;
}

long UnitPlanDialog::onCmdDeleteLongTerm(FXObject*, FXSelector, void*) {
    deleteLongTermQuery();
    return 1;
}

long UnitPlanDialog::onCmdAddUnit(FXObject*, FXSelector, void*) {
    addUnitQuery();
    return 1;
}

long UnitPlanDialog::onCmdEditUnit(FXObject*, FXSelector, void*) {
    editUnitQuery();
    return 1;
}

long UnitPlanDialog::onCmdDeleteUnit(FXObject*, FXSelector, void*) {
    deleteUnitQuery();
    return 1;
}

long UnitPlanDialog::onCmdAddLesson(FXObject*, FXSelector, void*) {
    addLessonQuery();
    return 1;
}

long UnitPlanDialog::onCmdEditLesson(FXObject*, FXSelector, void*) {
    editLessonQuery();
    return 1;
}

long UnitPlanDialog::onCmdDeleteLesson(FXObject*, FXSelector, void*) {
    deleteLessonQuery();
    return 1;
}

long UnitPlanDialog::onCmdPlusDay(FXObject*, FXSelector, void*) {
    shiftDates(1);
    return 1;
}

long UnitPlanDialog::onCmdPlusWeek(FXObject*, FXSelector, void*) {
    shiftDates(7);
    return 1;
}

long UnitPlanDialog::onCmdPeriodUp(FXObject*, FXSelector, void*) {
    shiftTimes(-(FXlong)appState.schoolPeriod);
    return 1;
}

long UnitPlanDialog::onCmdPeriodDown(FXObject*, FXSelector, void*) {
    shiftTimes((FXlong)appState.schoolPeriod);
    return 1;
}

long UnitPlanDialog::onCmdBump(FXObject*, FXSelector, void*) {
    bumpLesson();
    return 1;
}

long UnitPlanDialog::onCmdShove(FXObject*, FXSelector, void*) {
    shoveLessons();
    return 1;
}

long UnitPlanDialog::onCmdAddSubject(FXObject*, FXSelector, void*) {
    addSubject();
    return 1;
}

long UnitPlanDialog::onCmdRenameSubject(FXObject*, FXSelector, void*) {
    renameSubject();
    return 1;
}

long UnitPlanDialog::onCmdRetireSubject(FXObject*, FXSelector, void*) {
    retireSubject();
    return 1;
}

long UnitPlanDialog::onCmdSubjectUp(FXObject*, FXSelector, void*) {
    moveSubject(true);
    return 1;
}

long UnitPlanDialog::onCmdSubjectDown(FXObject*, FXSelector, void*) {
    moveSubject(false);
    return 1;
}

long UnitPlanDialog::onCmdAttachImport(FXObject*, FXSelector, void*) {
    importAttachment();
    return 1;
}

long UnitPlanDialog::onCmdAttachEdit(FXObject*, FXSelector, void*) {
    saveAttachmentNotes();
    return 1;
}

long UnitPlanDialog::onCmdAttachExport(FXObject*, FXSelector, void*) {
    exportAttachment();
    return 1;
}

long UnitPlanDialog::onCmdAttachRemove(FXObject*, FXSelector, void*) {
    removeAttachment();
    return 1;
}

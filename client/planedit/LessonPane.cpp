#include "planedit/LessonPane.h"

#include <memory>

#include "data/Dates.h"
#include "data/FXTextException.h"
#include "data/InputChecks.h"
#include "data/UndoJournal.h"
#include "planedit/LessonMove.h"
#include "planedit/PlanEditing.h"
#include "planedit/PlanWidgets.h"
#include "ui/ListItems.h"
#include "ui/Prompter.h"

using namespace FX;
using namespace planedit;

FXDEFMAP(LessonPane)
LessonPaneMap[] = {
    FXMAPFUNC(SEL_COMMAND, LessonPane::ID_ADD, LessonPane::onCmdAdd),
    FXMAPFUNC(SEL_COMMAND, LessonPane::ID_EDIT, LessonPane::onCmdEdit),
    FXMAPFUNC(SEL_COMMAND, LessonPane::ID_DELETE, LessonPane::onCmdDelete),
    FXMAPFUNC(SEL_COMMAND, LessonPane::ID_PLUS_DAY, LessonPane::onCmdPlusDay),
    FXMAPFUNC(SEL_COMMAND, LessonPane::ID_PLUS_WEEK, LessonPane::onCmdPlusWeek),
    FXMAPFUNC(SEL_COMMAND, LessonPane::ID_PERIOD_UP, LessonPane::onCmdPeriodUp),
    FXMAPFUNC(SEL_COMMAND, LessonPane::ID_PERIOD_DOWN, LessonPane::onCmdPeriodDown),
    FXMAPFUNC(SEL_COMMAND, LessonPane::ID_BUMP, LessonPane::onCmdBump),
    FXMAPFUNC(SEL_COMMAND, LessonPane::ID_SHOVE, LessonPane::onCmdShove),
    FXMAPFUNC(SEL_COMMAND, LessonPane::ID_RESCHEDULE, LessonPane::onCmdReschedule),
    FXMAPFUNC(SEL_UPDATE, LessonPane::ID_TIMESWITCHER, LessonPane::onUpdTimeSwitcher),
};

FXIMPLEMENT(LessonPane, PlanPane, LessonPaneMap, ARRAYNUMBER(LessonPaneMap))

namespace {

// The lesson's texts: their columns and the names their length checks give.
struct TextColumn {
    const char* column;
    const char* name;
};
const TextColumn textColumns[] = {
    {"LessonES", "Essential Skills"},
    {"LessonAO", "Achievement Objectives"},
    {"LessonSLO", "Specific Learning Outcomes"},
    {"LessonIntro", "Introduction"},
    {"LessonDev", "Development"},
    {"LessonClose", "Closure"},
    {"LessonTest", "Assessment"},
    {"LessonResource", "Resources"},
    {"LessonReflect", "Reflection"},
};

const char* const lessonColumns =
    "Select Id, LessonName, LessonES, LessonAO, LessonSLO, LessonIntro, LessonDev,     LessonClose, LessonTest, "
    "LessonResource, LessonReflect, LessonEval, LessonAssess, LessonNotTaught,     DateStart, DateEnd, TimeStart, "
    "TimeEnd, RoutineDay, FKUnitPlan, RowVersion, ReadVersion, ChangedBy from LessonPlan where Id = ";

}  // namespace

LessonPane::LessonPane(FXComposite* objectivePage, FXComposite* detailPage, FXComposite* evaluationPage,
                       const PaneShared& shared, FXObject* tgt, FXSelector sel)
    : PlanPane(objectivePage, shared, tgt, sel), otherPages{detailPage, evaluationPage} {
    evaluationTarget.connect(lessonMarks.evaluation);
    assessmentTarget.connect(lessonMarks.assessment);
    notTaughtTarget.connect(lessonMarks.notTaught);
    shoveDaysTarget.connect(shoveDays);
    buildObjective();
    buildDetail(detailPage);
    buildEvaluation(evaluationPage);
}

// The widgets of the three tabs go before the data targets they use.
LessonPane::~LessonPane() {
    for (FXComposite* page : otherPages)
        while (page->getFirst()) delete page->getFirst();
    while (getFirst()) delete getFirst();
}

// ---------------------------------------------------------------- building

void LessonPane::buildObjective() {
    nameField = planedit::nameField(this);
    texts[SKILLS] = textArea(this, "Essential Skills:", 65);
    texts[OBJECTIVES] = textArea(this, "Achievement Objectives:", 200);
    texts[OUTCOMES] = textArea(this, "Specific Learning Outcomes:", 80);
    buildTimePanels();
    FXHorizontalFrame* row = planButtons(this, this, ID_EDIT, ID_DELETE, ID_ADD);
    button(row, "Reschedule...\tMove this lesson and the later ones by teaching days,\nwith a preview first.", this,
           ID_RESCHEDULE);
}

// The three date and time panels.  Their matrices are filled column by
// column (labels, then fields, then buttons), so Tab goes from Start Date
// down to End Time before it reaches the buttons beside them.
void LessonPane::buildTimePanels() {
    timeSwitcher = new FXSwitcher(this, LAYOUT_FILL_X | SWITCHER_VCOLLAPSE, 0, 0, 0, 0, 0, 0, 4, 0);
    timeSwitcher->setTarget(this);
    timeSwitcher->setSelector(ID_TIMESWITCHER);
    auto panelMatrix = [&](const char* title, FXint rows, std::initializer_list<const char*> labels) {
        FXGroupBox* box = new FXGroupBox(timeSwitcher, title, GROUPBOX_TITLE_LEFT | FRAME_GROOVE | LAYOUT_FILL_X, 0, 0,
                                         0, 0, 4, 4, 2, 4);
        FXMatrix* m = new FXMatrix(box, rows, MATRIX_BY_ROWS | LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0, 4, 2);
        for (const char* text : labels) label(m, text);
        return m;
    };
    auto dateFields = [&](FXMatrix* m, TimePanel& p) {
        p.startDate = field(m, 20);
        p.endDate = field(m, 20);
        p.startTime = field(m, 20);
        p.endTime = field(m, 20);
    };
    auto dayAndWeek = [&](FXMatrix* m) {
        button(m, "+Da&y", this, ID_PLUS_DAY, LAYOUT_FILL_X);
        button(m, "+&Week", this, ID_PLUS_WEEK, LAYOUT_FILL_X);
    };
    // Panel 1: unit plan.
    FXMatrix* m = panelMatrix("Unit Plan", 6, {"Start Date:", "End Date:", "Start Time:", "End Time:", "Shove Days:"});
    placeholder(m);
    dateFields(m, panels[0]);
    FX7Segment* readout =
        new FX7Segment(m, "1", SEVENSEGMENT_NORMAL | FRAME_SUNKEN | FRAME_THICK | LAYOUT_FIX_WIDTH | LAYOUT_FIX_HEIGHT,
                       0, 0, 40, 26, 3, 3, 3, 3);
    readout->setCellWidth(14);
    readout->setThickness(3);
    readout->setCellHeight(18);
    readout->setBackColor(FXRGB(0, 0, 0));
    readout->setTextColor(FXRGB(0, 255, 0));
    readout->setTarget(&shoveDaysTarget);
    readout->setSelector(FXDataTarget::ID_VALUE);
    FXSlider* slider = new FXSlider(m, &shoveDaysTarget, FXDataTarget::ID_VALUE,
                                    SLIDER_HORIZONTAL | SLIDER_INSIDE_BAR | LAYOUT_FILL_X);
    slider->setRange(1, 30);
    dayAndWeek(m);
    button(m, "&Bump\tShift this lesson foward to share the same\ntime slot as the next lesson in this unit.", this,
           ID_BUMP, LAYOUT_FILL_X);
    button(m,
           "S&hove\tShift this lesson and all subsequent lessons in this unit forward by 1 to n days.\n"
           "If necessary extend the Long Term Plan forward by one day too.",
           this, ID_SHOVE, LAYOUT_FILL_X);
    button(m, "&Up\tMove lesson up one period.", this, ID_PERIOD_UP, LAYOUT_FILL_X);
    button(m, "Dow&n\tMove lesson down one period.", this, ID_PERIOD_DOWN, LAYOUT_FILL_X);
    // Panel 2: routine lesson.
    m = panelMatrix("Routine Lesson", 5, {"Day:", "Start Date:", "End Date:", "Start Time:", "End Time:"});
    routineDayCombo = new FXComboBox(m, 20, nullptr, 0, COMBOBOX_STATIC | FRAME_SUNKEN | FRAME_THICK);
    for (const char* d : {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday"}) routineDayCombo->appendItem(d);
    routineDayCombo->setNumVisible(5);
    dateFields(m, panels[1]);
    placeholder(m);
    dayAndWeek(m);
    placeholder(m);
    placeholder(m);
    // Panel 3: non-contact time.
    m = panelMatrix("Non-contact time", 4, {"Start Date:", "End Date:", "Start Time:", "End Time:"});
    dateFields(m, panels[2]);
    placeholder(m);
    dayAndWeek(m);
    placeholder(m);
}

void LessonPane::buildDetail(FXComposite* page) {
    texts[INTRO] = textArea(page, "Introduction:", 80);
    texts[DEVELOPMENT] = textArea(page, "Development:", 350);
    texts[CLOSURE] = textArea(page, "Closure:", 80);
    planButtons(page, this, ID_EDIT, ID_DELETE);
}

void LessonPane::buildEvaluation(FXComposite* page) {
    texts[TEST] = textArea(page, "Assessment:", 80);
    texts[RESOURCES] = textArea(page, "Resources:", 280);
    texts[REFLECTION] = textArea(page, "Reflection:", 120);

    FXMatrix* m = new FXMatrix(page, 4, MATRIX_BY_COLUMNS | LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 4, 0, 8, 2);
    label(m, "Evaluation:");
    new FXRadioButton(m, "Excellent Lesson", &evaluationTarget, FXDataTarget::ID_OPTION + 1);
    new FXRadioButton(m, "Good Lesson", &evaluationTarget, FXDataTarget::ID_OPTION + 0);
    new FXRadioButton(m, "Bad Lesson", &evaluationTarget, FXDataTarget::ID_OPTION - 1);
    label(m, "Assessment:");
    new FXRadioButton(m, "Yes", &assessmentTarget, FXDataTarget::ID_OPTION + 1);
    new FXRadioButton(m, "No", &assessmentTarget, FXDataTarget::ID_OPTION + 0);
    placeholder(m);
    label(m, "Lesson Not Taught:");
    new FXRadioButton(m, "Yes", &notTaughtTarget, FXDataTarget::ID_OPTION + 1);
    new FXRadioButton(m, "No", &notTaughtTarget, FXDataTarget::ID_OPTION + 0);
    placeholder(m);
    planButtons(page, this, ID_EDIT, ID_DELETE);
}

// ---------------------------------------------------------------- the panel of the unit's type

FXint LessonPane::panelIndex() const { return FXCLAMP(1, lists().unitType(), 3) - 1; }

void LessonPane::showPanel() { timeSwitcher->setCurrent(panelIndex()); }

// The switcher displays the panel of the unit's stored type, as a data
// target's widget displays its value.
long LessonPane::onUpdTimeSwitcher(FXObject* sender, FXSelector, void*) {
    FXint panel = panelIndex();
    sender->handle(this, FXSEL(SEL_COMMAND, ID_SETINTVALUE), &panel);
    return 1;
}

// ---------------------------------------------------------------- showing a lesson

void LessonPane::readLesson(FXint lessonId) {
    IsectRecordset& rs = recordset();
    rs.fromTable = "LessonPlan";
    rs.whereClause = FXString::null;
    query(rs, lessonColumns + text(lessonId));
}

FXString LessonPane::show(FXint lessonId) {
    readLesson(lessonId);
    IsectRecordset& rs = recordset();
    shownRow = ReadRow();
    if (rs.rows.IsEmpty()) return FXString::null;
    rs.MoveFirst();
    shownRow = ReadRow::of(rs);
    nameField->setText(rs.GetField("LessonName"));
    for (FXint i = 0; i < TEXT_COUNT; ++i) texts[i]->setText(rs.GetField(textColumns[i].column));
    lessonMarks.evaluation = FXIntVal(rs.GetField("LessonEval"));
    lessonMarks.assessment = FXIntVal(rs.GetField("LessonAssess"));
    lessonMarks.notTaught = FXIntVal(rs.GetField("LessonNotTaught"));
    TimePanel& panel = currentPanel();
    panel.startDate->setText(shownValue(rs, "DateStart"));
    panel.endDate->setText(shownValue(rs, "DateEnd"));
    panel.startTime->setText(shownValue(rs, "TimeStart"));
    panel.endTime->setText(shownValue(rs, "TimeEnd"));
    const FXint day = FXIntVal(rs.GetField("RoutineDay"));
    if (lists().unitType() != 2)
        routineDayCombo->setCurrentItem(0);
    else
        routineDayCombo->setCurrentItem(day >= 1 && day <= 5 ? day - 1 : -1);
    keepShownTimes();
    return rawField(rs, "DateStart");
}

void LessonPane::keepShownTimes() {
    const TimePanel& panel = panels[panelIndex()];
    const FXTextField* fields[4] = {panel.startDate, panel.endDate, panel.startTime, panel.endTime};
    for (int i = 0; i < 4; ++i) keptTimes[i] = fields[i]->getText();
    keptDay = routineDayCombo->getCurrentItem();
}

bool LessonPane::timesChanged() const {
    const TimePanel& panel = panels[panelIndex()];
    const FXTextField* fields[4] = {panel.startDate, panel.endDate, panel.startTime, panel.endTime};
    for (int i = 0; i < 4; ++i)
        if (fields[i]->getText() != keptTimes[i]) return true;
    return lists().unitType() == 2 && routineDayCombo->getCurrentItem() != keptDay;
}

FXString LessonPane::routineDay() const {
    return text(lists().unitType() == 2 ? routineDayCombo->getCurrentItem() + 1 : 0);
}

// ---------------------------------------------------------------- checks

// Every typed value of the lesson tabs: the name, the lengths of the texts,
// the dates (start not after end) and the times.
LessonPane::CheckedLesson LessonPane::checkFields(bool withTexts) {
    if (blank(nameField->getText())) throw FXTextException("Cannot have empty Lesson plan name.");
    checks::fits("Name", nameField->getText(), checks::nameWidth);
    if (withTexts)
        for (FXint i = 0; i < TEXT_COUNT; ++i)
            checks::fits(textColumns[i].name, texts[i]->getText(), checks::textWidth);
    TimePanel& panel = currentPanel();
    CheckedLesson checked;
    checked.start = checkedDate("Start Date", panel.startDate);
    checked.end = checkedDate("End Date", panel.endDate);
    if (DateIsLater(checked.start, checked.end)) throw FXTextException("Cannot have start date after end date.");
    checked.startTime = checks::timeOfDay("Start Time", panel.startTime->getText());
    checked.endTime = checks::timeOfDay("End Time", panel.endTime->getText());
    return checked;
}

bool LessonPane::checkRetrospective(bool forEdit, const CheckedLesson* shown) {
    // The lesson row is the one readLesson put into the shared recordset.
    IsectRecordset& rs = recordset();
    rs.MoveFirst();
    IsectRecordset unit;
    query(unit, "Select Transfer from UnitPlan where Id = " + trimmed(rs.GetField("FKUnitPlan")));
    if (!unit.rows.IsEmpty() && FXIntVal(unit.GetField("Transfer")) < 0) return true;  // imported: anything goes

    const FXString storedStart = rawField(rs, "DateStart").left(10);
    const FXString storedEnd = rawField(rs, "DateEnd").left(10);
    const FXlong weekAgo = dates::now() - dates::oneWeek;

    // Minor tweaks of a lesson that ended within the last week.
    if (forEdit && shown && dates::localMoment(shown->end, 23, 59) > weekAgo) {
        if (shown->startTime == shownValue(rs, "TimeStart") && shown->endTime == shownValue(rs, "TimeEnd") &&
            shown->start == storedStart)
            return true;
    }
    if (dates::localMoment(storedStart, 0, 0) >= weekAgo && dates::localMoment(storedEnd, 23, 59) >= weekAgo)
        return true;
    return !Prompter::get().question(owner(), "Retrospective Planning Not Allowed", lessonmove::retrospectiveText);
}

// ---------------------------------------------------------------- add, edit, delete

long LessonPane::onCmdAdd(FXObject*, FXSelector, void*) {
    addLesson();
    return 1;
}

long LessonPane::onCmdEdit(FXObject*, FXSelector, void*) {
    editLesson();
    return 1;
}

long LessonPane::onCmdDelete(FXObject*, FXSelector, void*) {
    deleteLesson();
    return 1;
}

void LessonPane::editLesson() {
    const FXList* days = lists().days();
    const FXint index = days->getCurrentItem();
    if (days->getNumItems() == 0 || index < 0) return;
    if (writeShown(lists::itemId(days, index))) tell(SEL_REPLACED, (void*)(FXival)index);
}

bool LessonPane::storeShown() { return lists().shownLesson() != 0 && writeShown(lists().shownLesson()); }

// Typed text differs from the stored text shown, or the panel's dates,
// times or day from those shown (+Day, +Week and Bump change only the
// fields): what would be lost.  The marks are stored as they are clicked.
bool LessonPane::unstored() const {
    if (shownRow.empty() || lists().shownLesson() == 0) return false;
    if (nameField->getText() != shownRow.value("LessonName")) return true;
    for (FXint i = 0; i < TEXT_COUNT; ++i)
        if (texts[i]->getText() != shownRow.value(textColumns[i].column)) return true;
    return timesChanged();
}

FXString LessonPane::shownName() const { return shownRow.value("LessonName"); }

bool LessonPane::writeShown(FXint lessonId) {
    bool written = false;
    failureScope("Database Error", [&] {
        const CheckedLesson checked = checkFields(true);
        const FXString shownName = shownRow.empty() ? nameField->getText() : shownRow.value("LessonName");
        readLesson(lessonId);
        IsectRecordset& rs = recordset();
        if (rs.rows.IsEmpty()) throw FXTextException(rowconflict::deletedText("lesson plan", shownName));
        if (!checkRetrospective(true, &checked)) return;
        busy(true);
        CheckedEdit edit{"lesson plan", shownName, editedFields()};
        edit.reread = [&] { readLesson(lessonId); };
        edit.reload = [&] { show(lessonId); };
        edit.write = [&] { writeLesson(lessonId, checked); };
        written = checkedEdit(owner(), rs, shownRow, edit);
        busy(false);
    });
    return written;
}

// The values of an edit, with the names the user knows them by; the texts
// with what is typed, kept when the user reloads.
std::vector<rowconflict::Field> LessonPane::editedFields() const {
    std::vector<rowconflict::Field> fields{{"LessonName", "Name", nameField->getText()}};
    for (FXint i = 0; i < TEXT_COUNT; ++i)
        fields.push_back({textColumns[i].column, textColumns[i].name, texts[i]->getText()});
    const char* const others[][2] = {
        {"LessonEval", "Evaluation"}, {"LessonAssess", "Assessment"}, {"LessonNotTaught", "Lesson Not Taught"},
        {"DateStart", "Start Date"},  {"DateEnd", "End Date"},        {"TimeStart", "Start Time"},
        {"TimeEnd", "End Time"},      {"RoutineDay", "Day"}};
    for (const auto& o : others) fields.push_back({o[0], o[1], FXString::null});
    return fields;
}

// The shown lesson's values into its row (read again for the write), as a
// checked write.
void LessonPane::writeLesson(FXint lessonId, const CheckedLesson& checked) {
    IsectRecordset& rs = recordset();
    const FXString key = text(lessonId);
    rs.MoveFirst();
    const bool moved =
        checked.start != rawField(rs, "DateStart").left(10) || checked.end != rawField(rs, "DateEnd").left(10) ||
        checked.startTime != shownValue(rs, "TimeStart") || checked.endTime != shownValue(rs, "TimeEnd") ||
        routineDay() != trimmed(rs.GetField("RoutineDay"));
    rowversions::markChecked(rs, key);
    rs.SetFieldByKey(key, "LessonName", nameField->getText());
    for (FXint i = 0; i < TEXT_COUNT; ++i) rs.SetFieldByKey(key, textColumns[i].column, texts[i]->getText());
    rs.SetFieldByKey(key, "LessonEval", text(lessonMarks.evaluation));
    rs.SetFieldByKey(key, "LessonAssess", text(lessonMarks.assessment));
    rs.SetFieldByKey(key, "LessonNotTaught", text(lessonMarks.notTaught));
    rs.SetFieldByKey(key, "DateStart", checked.start);
    rs.SetFieldByKey(key, "DateEnd", checked.end);
    // An empty time is written as NULL: no time.
    rs.SetFieldByKey(key, "TimeStart", checked.startTime);
    rs.SetFieldByKey(key, "TimeEnd", checked.endTime);
    rs.SetFieldByKey(key, "RoutineDay", routineDay());
    // A lesson given another day or time (+Day, +Week, Bump, typed) is a
    // move Undo can take back: stored with its step in one transaction.
    IsectRecordset::Transaction transaction(rs);
    std::unique_ptr<undo::Step> step;
    if (moved) {
        step.reset(new undo::Step("Move of lesson " + nameField->getText()));
        step->before("LessonPlan", "Id = " + key);
    }
    if (!rs.WriteRecordset()) throw PlanEditAbort();
    if (step) step->finish();
    transaction.commit();
    rs.MoveFirst();
    shownRow = ReadRow::of(rs);
    keepShownTimes();
}

void LessonPane::addLesson() {
    const FXList* units = lists().units();
    const FXint unitIndex = units->getCurrentItem();
    if (units->getNumItems() == 0 || unitIndex < 0 || lists::itemId(units, unitIndex) < 0) {
        Prompter::get().error(owner(), "Add Lesson Plan Error", "No Unit Plan available to add lesson to.");
        return;
    }
    // The name, dates and times are checked before the question, so that a
    // refused value leaves every text as it was.
    CheckedLesson checked;
    if (!failureScope("Database Error", [&] { checked = checkFields(false); })) return;
    // Only with a lesson shown is there one to copy; otherwise the texts
    // are what the user typed for the new lesson.
    if (lists().shownLesson() != 0 &&
        Prompter::get().question(owner(), "New record or Copy existing?", "Is this a new record?"))
        for (FXText* t : texts) t->setText(FXString::null);
    FXint newId = 0;
    bool added = failureScope("Database Error", [&] {
        checkFields(true);  // the texts a copy keeps
        busy(true);
        auto quoted = [&](Text t) { return "'" + EscapeText(texts[t]->getText()) + "'"; };
        IsectRecordset rs;
        query(rs, "Select * from MakeLessonPlan('" + EscapeText(nameField->getText()) + "'," + quoted(SKILLS) + "," +
                      quoted(OBJECTIVES) + "," + quoted(OUTCOMES) + "," + quoted(INTRO) + "," + quoted(DEVELOPMENT) +
                      "," + quoted(CLOSURE) + "," + quoted(RESOURCES) + "," + quoted(REFLECTION) + "," + quoted(TEST) +
                      ",'" + checked.start + "','" + checked.end + "'," + text(lists::itemId(units, unitIndex)) + "," +
                      checks::timeLiteral(checked.startTime) + "," + checks::timeLiteral(checked.endTime) + "," +
                      routineDay() + ")");
        newId = FXIntVal(rs.GetField("0"));
        busy(false);
    });
    if (added) tell(SEL_INSERTED, (void*)(FXival)newId);
}

void LessonPane::deleteLesson() {
    const FXint index = PlanLists::chosen(lists().days());
    if (index < 0) return;
    const FXint lessonId = lists::itemId(lists().days(), index);
    bool deleted = false;
    failureScope("Database Error", [&] {
        readLesson(lessonId);
        if (recordset().rows.IsEmpty()) throw FXTextException(vanishedText("Lesson plan"));
        if (!checkRetrospective(false, nullptr)) return;
        if (!Prompter::get().question(owner(), "Confirm delete lesson", "Do you want to delete this lesson?")) return;
        const FXString name = recordset().GetField("LessonName");
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        undo::Step step("Delete of lesson " + name);
        step.before("LessonPlan", "Id = " + text(lessonId));
        query(rs, "Delete from LessonPlan where ID = " + text(lessonId));
        step.finish();
        transaction.commit();
        deleted = true;
    });
    if (deleted) tell(SEL_DELETED);
}

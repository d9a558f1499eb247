// UnitPlanDialog: the widgets of the dialog, built once by the constructor.
// A horizontal frame holds the four plan lists on the left and the tab book
// on the right; each build...Tab fills one tab.
//
// Sizes: the dialog opens at defaultWidth x defaultHeight and never smaller
// than minimumWidth x minimumHeight (UnitPlanDialog.h), which fit a
// 1024 x 768 screen.  The text areas take the height that is left over in
// proportion to their nominal heights, so every control of every tab stays
// visible at the minimum size and the areas grow with the window.  Within a
// tab the widgets are created in the order the keyboard's Tab key visits
// them: the fields from the top, then the tab's buttons from the left.
#include "planedit/UnitPlanDialog.h"
#include "ui/AppResources.h"

using namespace FX;

namespace {

FXButton* button(FXComposite* p, const char* text, FXObject* tgt, FXSelector sel, FXuint opts = 0) {
    FXButton* b = new FXButton(p, text, nullptr, tgt, sel, BUTTON_NORMAL | opts, 0, 0, 0, 0, 12, 12, 3, 3);
    if (labelFont) b->setFont(labelFont);
    return b;
}

// A row of buttons at the right; they are created in the order they are
// shown from left to right, which is also the keyboard's Tab order.
FXHorizontalFrame* buttonRow(FXComposite* p, FXuint opts = LAYOUT_BOTTOM) {
    FXHorizontalFrame* row = new FXHorizontalFrame(p, opts | LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 4, 0);
    return new FXHorizontalFrame(row, LAYOUT_RIGHT, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0);
}

// The row of a plan tab, from the left: Add (when `addId` is given), Delete,
// Edit and Close.
FXHorizontalFrame* planButtons(FXComposite* p, FXObject* tgt, FXSelector closeId, FXSelector editId,
                               FXSelector deleteId, FXSelector addId = 0, FXuint opts = LAYOUT_BOTTOM) {
    FXHorizontalFrame* buttons = buttonRow(p, opts);
    if (addId) button(buttons, "&Add", tgt, addId);
    button(buttons, "&Delete", tgt, deleteId);
    button(buttons, "&Edit", tgt, editId);
    button(buttons, "&Close", tgt, closeId);
    return buttons;
}

// A frame that asks for a nominal height but, unlike a fixed height, shares
// the height its parent has left with the other stretching frames in
// proportion to what each asked for.
class StretchFrame : public FXHorizontalFrame {
public:
    StretchFrame(FXComposite* p, FXuint opts, FXint nominalHeight)
        : FXHorizontalFrame(p, opts | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0), nominal(nominalHeight) {}
    FXint getDefaultHeight() override { return nominal; }

private:
    FXint nominal;
};

// A label above a sunken, word-wrapping text area of the given nominal height.
FXText* textArea(FXComposite* p, const char* label, FXint height) {
    new FXLabel(p, label, nullptr, LABEL_NORMAL, 0, 0, 0, 0, 0, 0, 2, 0);
    StretchFrame* frame = new StretchFrame(p, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X, height);
    return new FXText(frame, nullptr, 0, TEXT_WORDWRAP | LAYOUT_FILL_X | LAYOUT_FILL_Y);
}

// A header over side-by-side lists of fixed widths.  An entry too long for
// its list shows in full as the list's tooltip.
FXVerticalFrame* listGroup(FXComposite* p, const char* const* titles, const FXint* widths, FXint count,
                           FXList** lists, FXObject* tgt, const FXSelector* sels, FXuint frameOpts,
                           FXint nominalHeight = 0) {
    FXVerticalFrame* group;
    if (nominalHeight > 0) {
        StretchFrame* outer = new StretchFrame(p, frameOpts, nominalHeight);
        group = new FXVerticalFrame(outer, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0,
                                    0, 0, 0, 0, 0);
    } else {
        group = new FXVerticalFrame(p, FRAME_SUNKEN | FRAME_THICK | frameOpts, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    }
    FXHeader* header = new FXHeader(group, nullptr, 0, HEADER_NORMAL | LAYOUT_FILL_X);
    for (FXint i = 0; i < count; ++i) header->appendItem(titles[i], nullptr, widths[i]);
    FXHorizontalFrame* row = new FXHorizontalFrame(group, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    for (FXint i = 0; i < count; ++i)
        lists[i] = new FXList(row, tgt, sels ? sels[i] : 0,
                              LIST_SINGLESELECT | LAYOUT_FIX_WIDTH | LAYOUT_FILL_Y | HSCROLLER_NEVER, 0, 0, widths[i], 0);
    return group;
}

FXTextField* field(FXComposite* p, FXint columns, FXObject* tgt = nullptr, FXSelector sel = 0) {
    return new FXTextField(p, columns, tgt, sel, TEXTFIELD_NORMAL);
}

// A "Name:" label and its text field on a row of their own.
FXTextField* nameField(FXComposite* p) {
    FXHorizontalFrame* row = new FXHorizontalFrame(p, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0);
    new FXLabel(row, "Name:", nullptr, LABEL_NORMAL | LAYOUT_CENTER_Y);
    return field(row, 40);
}

void placeholder(FXComposite* p) { new FXFrame(p, FRAME_NONE, 0, 0, 0, 0, 0, 0, 0, 0); }

FXLabel* label(FXComposite* p, const char* text) {
    return new FXLabel(p, text, nullptr, LABEL_NORMAL | LAYOUT_CENTER_Y);
}

// The tab book tells the dialog whenever the shown tab changes, however it
// changed (a click, a tab's Alt key, the program).
class PlanTabBook : public FXTabBook {
public:
    PlanTabBook(FXComposite* p, UnitPlanDialog* d) : FXTabBook(p, nullptr, 0, TABBOOK_NORMAL | LAYOUT_FILL_X | LAYOUT_FILL_Y), dialog(d) {}
    void setCurrent(FXint panel, FXbool notify = FALSE) override {
        FXTabBook::setCurrent(panel, notify);
        dialog->activateShortcuts();
    }

private:
    UnitPlanDialog* dialog;
};

}  // namespace

void UnitPlanDialog::buildLayout() {
    FXHorizontalFrame* outer =
        new FXHorizontalFrame(this, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4);

    // Left column: long-term and unit lists above, day and lesson lists below.
    FXVerticalFrame* left = new FXVerticalFrame(outer, LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4);
    {
        const char* titles[] = {"Long Term Plan", "Unit Plan"};
        const FXint widths[] = {planListWidth, planListWidth};
        const FXSelector sels[] = {ID_LONGTERMLIST, ID_UNITLIST};
        FXList* lists[2];
        listGroup(left, titles, widths, 2, lists, this, sels, LAYOUT_FILL_Y);
        longTermList = lists[0];
        unitList = lists[1];
    }
    {
        const char* titles[] = {"Day or Date", "Lesson Plan"};
        const FXint widths[] = {dayListWidth, 2 * planListWidth - dayListWidth};
        const FXSelector sels[] = {ID_DAYLIST, ID_LESSONLIST};
        FXList* lists[2];
        listGroup(left, titles, widths, 2, lists, this, sels, LAYOUT_FILL_Y);
        dayList = lists[0];
        lessonList = lists[1];
    }

    tabBook = new PlanTabBook(outer, this);
    const char* tabTitles[TAB_COUNT] = {"L&ong Term Plans", "Unit &Plans", "&Lesson Objective", "Le&sson Detail",
                                        "Lesson E&valuation", "Searc&h", "Sub&jects"};
    for (FXint i = 0; i < TAB_COUNT; ++i) {
        tabItems[i] = new FXTabItem(tabBook, tabTitles[i]);
        tabPanes[i] = new FXVerticalFrame(tabBook, FRAME_RAISED | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0,
                                          0, 0, 6, 6, 6, 6, 2, 2);
    }
    buildLongTermTab(tabPanes[TAB_LONGTERM]);
    buildUnitTab(tabPanes[TAB_UNIT]);
    buildObjectiveTab(tabPanes[TAB_OBJECTIVE]);
    buildDetailTab(tabPanes[TAB_DETAIL]);
    buildEvaluationTab(tabPanes[TAB_EVALUATION]);
    buildSearchTab(tabPanes[TAB_SEARCH]);
    buildSubjectsTab(tabPanes[TAB_SUBJECTS]);
    collectShortcuts();
}

void UnitPlanDialog::buildLongTermTab(FXComposite* pane) {
    FXMatrix* top = new FXMatrix(pane, 2, MATRIX_BY_COLUMNS | LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0, 4, 2);
    label(top, "Children's Year:");
    childYearCombo = new FXComboBox(top, 20, nullptr, 0, COMBOBOX_STATIC | FRAME_SUNKEN | FRAME_THICK);
    childYearCombo->setNumVisible(6);
    label(top, "Subject:");
    subjectCombo = new FXComboBox(top, 20, this, ID_PERSISTENT_FIELD, COMBOBOX_STATIC | FRAME_SUNKEN | FRAME_THICK);
    subjectCombo->setNumVisible(6);
    label(top, "Name:");
    longTermName = field(top, 40);
    longTermDescription = textArea(pane, "Description:", 150);

    FXMatrix* dates = new FXMatrix(pane, 2, MATRIX_BY_COLUMNS | LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 4, 0, 4, 2);
    label(dates, "Start Date:");
    longTermStart = field(dates, 12, this, ID_PERSISTENT_FIELD);
    label(dates, "End Date:");
    longTermEnd = field(dates, 12, this, ID_PERSISTENT_FIELD);
    syndicateWideCheck =
        new FXCheckButton(pane, "Syndicate Wide Plan\tEverybody in your syndicate can view this long term plan.",
                          &syndicateWideTarget, FXDataTarget::ID_VALUE);
    persistentCheck = new FXCheckButton(pane, "Ignore Start and End Dates\tThis plan is always visible in the list box.",
                                        &persistentTarget, FXDataTarget::ID_VALUE);
    leaderLabel = new FXLabel(pane,
                              "You are logged in as a syndicate leader.  Syndicate leaders cannot add, delete\n"
                              "or edit -  unit plans or lesson plans.  If you want to do this log in as a teacher.",
                              nullptr, LABEL_NORMAL | JUSTIFY_LEFT);
    leaderLabel->setTextColor(FXRGB(255, 0, 0));
    planButtons(pane, this, ID_CLOSE, ID_EDIT_LONGTERM, ID_DELETE_LONGTERM, ID_ADD_LONGTERM);
}

void UnitPlanDialog::buildUnitTab(FXComposite* pane) {
    unitName = nameField(pane);
    unitDescription = textArea(pane, "Description:", 150);

    FXHorizontalFrame* typeRow = new FXHorizontalFrame(pane, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 2, 2);
    new FXLabel(typeRow, "Lesson Type:");
    const char* typeNames[3] = {"Unit Plan", "Routine Lesson", "Non Contact Time"};
    for (FXint i = 0; i < 3; ++i)
        unitTypeRadio[i] = new FXRadioButton(typeRow, typeNames[i], &unitTypeTarget, FXDataTarget::ID_OPTION + i + 1);
    rotateCheck = new FXCheckButton(pane, "Rotating plan\tDisplay lesson plans on the Weekly calender as Rotating plans.",
                                    &rotateTarget, FXDataTarget::ID_VALUE);
    exportCheck = new FXCheckButton(
        pane, "Mark for export to disk\tMark this Unit plan for exporting to disk at the end of your session.",
        &exportMarkTarget, FXDataTarget::ID_VALUE);
    // The unit's own buttons stand under its fields, above its attachments.
    planButtons(pane, this, ID_CLOSE, ID_EDIT_UNIT, ID_DELETE_UNIT, ID_ADD_UNIT, LAYOUT_TOP);

    // Attachments of the unit.
    const char* titles[] = {"File Attachment Name", "File Size"};
    const FXint widths[] = {410, 80};
    const FXSelector sels[] = {ID_ATTACHMENTLIST, ID_ATTACHMENTLIST};
    FXList* lists[2];
    listGroup(pane, titles, widths, 2, lists, this, sels, LAYOUT_FILL_X, 90);
    attachmentList = lists[0];
    attachmentSizeList = lists[1];
    FXGroupBox* notes =
        new FXGroupBox(pane, "File Notes", GROUPBOX_TITLE_LEFT | FRAME_GROOVE | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0,
                       0, 4, 4, 2, 4);
    StretchFrame* notesFrame = new StretchFrame(notes, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X, 200);
    attachmentNotes = new FXText(notesFrame, nullptr, 0, TEXT_WORDWRAP | LAYOUT_FILL_X | LAYOUT_FILL_Y);
    FXHorizontalFrame* attach = buttonRow(pane);
    button(attach, "&Import\tCopy file attachment into database", this, ID_ATTACH_IMPORT);
    button(attach, "Edi&t\tEdit notes that accompany file attachment", this, ID_ATTACH_EDIT);
    button(attach, "E&xport\tCopy file attachment from database to disk", this, ID_ATTACH_EXPORT);
    button(attach, "&Remove\tRemove file attachment from database", this, ID_ATTACH_REMOVE);
}

// The three date and time panels.  Their matrices are filled column by
// column (labels, then fields, then buttons), so Tab goes from Start Date
// down to End Time before it reaches the buttons beside them.
void UnitPlanDialog::buildObjectiveTab(FXComposite* pane) {
    lessonName = nameField(pane);
    essentialSkills = textArea(pane, "Essential Skills:", 65);
    achievementObjectives = textArea(pane, "Achievement Objectives:", 200);
    learningOutcomes = textArea(pane, "Specific Learning Outcomes:", 80);

    timeSwitcher = new FXSwitcher(pane, LAYOUT_FILL_X | SWITCHER_VCOLLAPSE, 0, 0, 0, 0, 0, 0, 4, 0);
    timeSwitcher->setTarget(this);
    timeSwitcher->setSelector(ID_TIMESWITCHER);
    auto panelMatrix = [&](const char* title, FXint rows) {
        FXGroupBox* box = new FXGroupBox(timeSwitcher, title, GROUPBOX_TITLE_LEFT | FRAME_GROOVE | LAYOUT_FILL_X, 0, 0,
                                         0, 0, 4, 4, 2, 4);
        return new FXMatrix(box, rows, MATRIX_BY_ROWS | LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0, 4, 2);
    };
    // Panel 1: unit plan.
    {
        FXMatrix* m = panelMatrix("Unit Plan", 6);
        TimePanel& p = panels[0];
        for (const char* text : {"Start Date:", "End Date:", "Start Time:", "End Time:", "Shove Days:"}) label(m, text);
        placeholder(m);
        p.startDate = field(m, 20);
        p.endDate = field(m, 20);
        p.startTime = field(m, 20);
        p.endTime = field(m, 20);
        shoveReadout = new FX7Segment(m, "1", SEVENSEGMENT_NORMAL | FRAME_SUNKEN | FRAME_THICK | LAYOUT_FIX_WIDTH |
                                                   LAYOUT_FIX_HEIGHT, 0, 0, 40, 26, 3, 3, 3, 3);
        shoveReadout->setCellWidth(14);
        shoveReadout->setThickness(3);
        shoveReadout->setCellHeight(18);
        shoveReadout->setBackColor(FXRGB(0, 0, 0));
        shoveReadout->setTextColor(FXRGB(0, 255, 0));
        shoveReadout->setTarget(&shoveDaysTarget);
        shoveReadout->setSelector(FXDataTarget::ID_VALUE);
        shoveSlider = new FXSlider(m, &shoveDaysTarget, FXDataTarget::ID_VALUE,
                                   SLIDER_HORIZONTAL | SLIDER_INSIDE_BAR | LAYOUT_FILL_X);
        shoveSlider->setRange(1, 30);
        button(m, "+Da&y", this, ID_PLUS_DAY, LAYOUT_FILL_X);
        button(m, "+&Week", this, ID_PLUS_WEEK, LAYOUT_FILL_X);
        button(m, "&Bump\tShift this lesson foward to share the same\ntime slot as the next lesson in this unit.", this,
               ID_BUMP, LAYOUT_FILL_X);
        button(m,
               "S&hove\tShift this lesson and all subsequent lessons in this unit forward by 1 to n days.\n"
               "If necessary extend the Long Term Plan forward by one day too.",
               this, ID_SHOVE, LAYOUT_FILL_X);
        button(m, "&Up\tMove lesson up one period.", this, ID_PERIOD_UP, LAYOUT_FILL_X);
        button(m, "Dow&n\tMove lesson down one period.", this, ID_PERIOD_DOWN, LAYOUT_FILL_X);
    }
    // Panel 2: routine lesson.
    {
        FXMatrix* m = panelMatrix("Routine Lesson", 5);
        TimePanel& p = panels[1];
        for (const char* text : {"Day:", "Start Date:", "End Date:", "Start Time:", "End Time:"}) label(m, text);
        routineDayCombo = new FXComboBox(m, 20, nullptr, 0, COMBOBOX_STATIC | FRAME_SUNKEN | FRAME_THICK);
        const char* days[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday"};
        for (const char* d : days) routineDayCombo->appendItem(d);
        routineDayCombo->setNumVisible(5);
        p.startDate = field(m, 20);
        p.endDate = field(m, 20);
        p.startTime = field(m, 20);
        p.endTime = field(m, 20);
        placeholder(m);
        button(m, "+Da&y", this, ID_PLUS_DAY, LAYOUT_FILL_X);
        button(m, "+&Week", this, ID_PLUS_WEEK, LAYOUT_FILL_X);
        placeholder(m);
        placeholder(m);
    }
    // Panel 3: non-contact time.
    {
        FXMatrix* m = panelMatrix("Non-contact time", 4);
        TimePanel& p = panels[2];
        for (const char* text : {"Start Date:", "End Date:", "Start Time:", "End Time:"}) label(m, text);
        p.startDate = field(m, 20);
        p.endDate = field(m, 20);
        p.startTime = field(m, 20);
        p.endTime = field(m, 20);
        placeholder(m);
        button(m, "+Da&y", this, ID_PLUS_DAY, LAYOUT_FILL_X);
        button(m, "+&Week", this, ID_PLUS_WEEK, LAYOUT_FILL_X);
        placeholder(m);
    }
    planButtons(pane, this, ID_CLOSE, ID_EDIT_LESSON, ID_DELETE_LESSON, ID_ADD_LESSON);
}

void UnitPlanDialog::buildDetailTab(FXComposite* pane) {
    lessonIntro = textArea(pane, "Introduction:", 80);
    lessonDevelopment = textArea(pane, "Development:", 350);
    lessonClosure = textArea(pane, "Closure:", 80);
    planButtons(pane, this, ID_CLOSE, ID_EDIT_LESSON, ID_DELETE_LESSON);
}

void UnitPlanDialog::buildEvaluationTab(FXComposite* pane) {
    lessonTest = textArea(pane, "Assessment:", 80);
    lessonResources = textArea(pane, "Resources:", 280);
    lessonReflection = textArea(pane, "Reflection:", 120);

    FXMatrix* m = new FXMatrix(pane, 4, MATRIX_BY_COLUMNS | LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 4, 0, 8, 2);
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
    planButtons(pane, this, ID_CLOSE, ID_EDIT_LESSON, ID_DELETE_LESSON);
}

void UnitPlanDialog::buildSearchTab(FXComposite* pane) {
    const char* titles[] = {"Date", "Teacher", "Unit Name", "Lesson Plan Name"};
    const FXint widths[] = {73, 130, 145, 277};
    const FXSelector sels[] = {ID_SEARCHRESULT, ID_SEARCHRESULT, ID_SEARCHRESULT, ID_SEARCHRESULT};
    FXList* lists[4];
    listGroup(pane, titles, widths, 4, lists, this, sels, LAYOUT_FILL_X | LAYOUT_FILL_Y);
    searchDateList = lists[0];
    searchTeacherList = lists[1];
    searchUnitList = lists[2];
    searchLessonList = lists[3];

    FXHorizontalFrame* row = new FXHorizontalFrame(pane, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 4, 0);
    new FXLabel(row, "Search String:", nullptr, LABEL_NORMAL | LAYOUT_CENTER_Y);
    searchText = new FXTextField(row, 52, this, ID_SEARCHTEXT, TEXTFIELD_NORMAL);
    FXGroupBox* group =
        new FXGroupBox(pane, "Lesson Evaluation", GROUPBOX_TITLE_LEFT | FRAME_GROOVE | LAYOUT_FILL_X);
    FXHorizontalFrame* checks = new FXHorizontalFrame(group, LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0, 0, 0);
    searchEvaluation = new FXCheckButton(checks, "Evaluation\tSearch on Excellent, Good or Bad", this, ID_SEARCH_EVALUATION);
    searchAssessment = new FXCheckButton(checks, "Assessment\tSearch on Assessment Yes or No", this, ID_SEARCH_ASSESSMENT);
    searchNotTaught = new FXCheckButton(checks, "Lesson Not Taught\tSearch on Not Taught Yes or No", this, ID_SEARCH_NOTTAUGHT);

    FXHorizontalFrame* buttons = buttonRow(pane);
    button(buttons,
           "&Search\tSearch across all teachers for Lesson Plan Names that contain the search string provided.", this,
           ID_SEARCH);
    button(buttons, "Se&lect\tSelect all lessons displayed.", this, ID_SEARCH_SELECT);
    button(buttons, "&Unselect\tUnselect all lessons displayed.", this, ID_SEARCH_UNSELECT);
    button(buttons, "&Print\tPrint selected lessons.", this, ID_SEARCH_PRINT);
    button(buttons, "&Close", this, ID_CLOSE);
}

void UnitPlanDialog::buildSubjectsTab(FXComposite* pane) {
    const char* titles[] = {"Subject Description"};
    const FXint widths[] = {300};
    const FXSelector sels[] = {ID_SUBJECTLIST};
    FXList* lists[1];
    listGroup(pane, titles, widths, 1, lists, this, sels, LAYOUT_FILL_X | LAYOUT_FILL_Y);
    subjectList = lists[0];
    subjectText = field(pane, 40);

    FXHorizontalFrame* buttons = buttonRow(pane);
    button(buttons, "&Add", this, ID_ADD_SUBJECT);
    button(buttons, "&Retire\tRetire this subject in future terms. Retirements cannot be undone.", this,
           ID_RETIRE_SUBJECT);
    button(buttons, "&Edit", this, ID_RENAME_SUBJECT);
    button(buttons, "&Up\tMove this subject up the list.", this, ID_SUBJECT_UP);
    button(buttons, "&Down\tMove this subject down the list.", this, ID_SUBJECT_DOWN);
    button(buttons, "&Close", this, ID_CLOSE);
}

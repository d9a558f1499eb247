#include "planedit/RescheduleDialog.h"

#include "planedit/LessonMove.h"

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/InputChecks.h"
#include "data/IsectRecordset.h"
#include "data/Numbers.h"
#include "data/RowVersions.h"
#include "planedit/PlanWidgets.h"
#include "ui/AppResources.h"
#include "ui/Failures.h"
#include "ui/Prompter.h"

using namespace FX;

FXDEFMAP(RescheduleDialog)
RescheduleDialogMap[] = {
    FXMAPFUNC(SEL_COMMAND, RescheduleDialog::ID_FIELD, RescheduleDialog::onCmdField),
    FXMAPFUNC(SEL_CHANGED, RescheduleDialog::ID_FIELD, RescheduleDialog::onCmdField),
    FXMAPFUNC(SEL_COMMAND, RescheduleDialog::ID_SNOWDAY, RescheduleDialog::onCmdSnowDay),
    FXMAPFUNC(SEL_COMMAND, RescheduleDialog::ID_PREVIEW, RescheduleDialog::onCmdPreview),
    FXMAPFUNC(SEL_COMMAND, RescheduleDialog::ID_APPLY, RescheduleDialog::onCmdApply),
    FXMAPFUNC(SEL_UPDATE, RescheduleDialog::ID_APPLY, RescheduleDialog::onUpdApply),
};

FXIMPLEMENT(RescheduleDialog, FXDialogBox, RescheduleDialogMap, ARRAYNUMBER(RescheduleDialogMap))

namespace {}  // namespace

RescheduleDialog::RescheduleDialog(FXWindow* owner, const FXString& fromDate, const FXString& fromTime, FXint unitId)
    : FXDialogBox(owner, "Reschedule", DECOR_TITLE | DECOR_BORDER | DECOR_RESIZE | DECOR_CLOSE, 0, 0, 860, 540, 6, 6, 6,
                  6, 4, 4),
      chosenUnit(unitId) {
    setIcon(appIcon);
    setMiniIcon(appIcon);
    scopeTarget.connect(scope, this, ID_FIELD);
    directionTarget.connect(backwards, this, ID_FIELD);

    FXHorizontalFrame* bottom =
        new FXHorizontalFrame(this, LAYOUT_SIDE_BOTTOM | LAYOUT_FILL_X | FRAME_SUNKEN, 0, 0, 0, 0, 4, 4, 4, 4);
    planedit::dialogButton(bottom, "&Cancel", this, ID_CANCEL, LAYOUT_RIGHT);
    planedit::dialogButton(bottom, "&Apply", this, ID_APPLY, LAYOUT_RIGHT);
    summaryLabel = new FXLabel(bottom, "Press Preview to see the lessons that move.", nullptr,
                               LABEL_NORMAL | JUSTIFY_LEFT | LAYOUT_CENTER_Y | LAYOUT_FILL_X);

    FXMatrix* fields = new FXMatrix(this, 2, MATRIX_BY_COLUMNS | LAYOUT_FILL_X, 0, 0, 0, 0, 4, 4, 4, 4, 8, 4);
    planedit::dialogLabel(fields, appState.americanDate ? "From date (mm/dd/yy):" : "From date (dd/mm/yy):");
    fromDateField = new FXTextField(fields, 10, this, ID_FIELD, TEXTFIELD_NORMAL | FRAME_SUNKEN | FRAME_THICK);
    fromDateField->setText(DisplayDate(fromDate));
    planedit::dialogLabel(fields, "From time (hh:mm; empty: the whole day):");
    fromTimeField = new FXTextField(fields, 6, this, ID_FIELD, TEXTFIELD_NORMAL | FRAME_SUNKEN | FRAME_THICK);
    fromTimeField->setText(fromTime);

    planedit::dialogLabel(fields, "Whose lessons (yours):");
    FXVerticalFrame* whose = new FXVerticalFrame(fields, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2);
    new FXRadioButton(whose, "Of every unit", &scopeTarget, FXDataTarget::ID_OPTION + reschedule::Request::ALL_UNITS);
    FXHorizontalFrame* unitRow = new FXHorizontalFrame(whose, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4);
    new FXRadioButton(unitRow, "Of one unit:", &scopeTarget, FXDataTarget::ID_OPTION + reschedule::Request::ONE_UNIT,
                      RADIOBUTTON_NORMAL | LAYOUT_CENTER_Y);
    unitBox = new FXComboBox(unitRow, 36, this, ID_FIELD, COMBOBOX_STATIC | FRAME_SUNKEN | FRAME_THICK);
    unitBox->setNumVisible(12);
    FXHorizontalFrame* subjectRow = new FXHorizontalFrame(whose, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4);
    new FXRadioButton(subjectRow, "Of one subject:", &scopeTarget,
                      FXDataTarget::ID_OPTION + reschedule::Request::ONE_SUBJECT, RADIOBUTTON_NORMAL | LAYOUT_CENTER_Y);
    subjectBox = new FXComboBox(subjectRow, 30, this, ID_FIELD, COMBOBOX_STATIC | FRAME_SUNKEN | FRAME_THICK);
    subjectBox->setNumVisible(12);
    new FXRadioButton(whose, "Of the units with a lesson on that day", &scopeTarget,
                      FXDataTarget::ID_OPTION + reschedule::Request::UNITS_OF_DAY);

    planedit::dialogLabel(fields, "How far:");
    FXHorizontalFrame* far = new FXHorizontalFrame(fields, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6);
    daysSpinner = new FXSpinner(far, 3, this, ID_FIELD, SPIN_NORMAL | FRAME_SUNKEN | FRAME_THICK);
    daysSpinner->setRange(1, 30);
    daysSpinner->setValue(1);
    planedit::dialogLabel(far, "teaching days");
    new FXRadioButton(far, "forward", &directionTarget, FXDataTarget::ID_OPTION + 0,
                      RADIOBUTTON_NORMAL | LAYOUT_CENTER_Y);
    new FXRadioButton(far, "back", &directionTarget, FXDataTarget::ID_OPTION + 1, RADIOBUTTON_NORMAL | LAYOUT_CENTER_Y);
    new FXFrame(fields, 0);
    breaksCheck = new FXCheckButton(fields, "The holidays between terms count as teaching days", this, ID_FIELD);

    FXHorizontalFrame* actions = new FXHorizontalFrame(this, LAYOUT_FILL_X, 0, 0, 0, 0, 4, 4, 0, 0);
    planedit::dialogButton(actions, "&Preview", this, ID_PREVIEW);
    planedit::dialogButton(actions, "&Snow Day", this, ID_SNOWDAY);
    new FXLabel(actions, "Snow Day: the day's lessons, and the later ones of their units, one teaching day on.",
                nullptr, LABEL_NORMAL | LAYOUT_CENTER_Y);

    FXVerticalFrame* border =
        new FXVerticalFrame(this, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0);
    previewList =
        new FXIconList(border, nullptr, 0, ICONLIST_DETAILED | ICONLIST_BROWSESELECT | LAYOUT_FILL_X | LAYOUT_FILL_Y);
    const char* const headers[] = {"Lesson", "Unit", "Old date", "Old time", "New date", "New time", "Conflict"};
    const FXint widths[] = {130, 120, 70, 90, 70, 90, 240};
    for (int i = 0; i < 7; ++i) previewList->appendHeader(headers[i], nullptr, widths[i]);
}

void RescheduleDialog::create() {
    FXDialogBox::create();
    loadChoices();
}

// The teacher's units and the syndicate's subjects for the two boxes.
void RescheduleDialog::loadChoices() {
    failures::run(this, "Database Error", "lessons", [&] {
        IsectRecordset rs;
        if (!rs.OpenRecordset("Select Id, UnitName from UnitPlan Where UnitType = 1 and FKTeacher = " +
                              appState.currentUserId + " Order By UnitName, Id"))
            return;
        unitBox->clearItems();
        for (rs.MoveFirst(); !rs.eof(); rs.MoveNext()) {
            const FXint id = decimalValue(rs.GetField("Id"));
            unitBox->appendItem(rs.GetField("UnitName"), (void*)(FXival)id);
            if (id == chosenUnit) unitBox->setCurrentItem(unitBox->getNumItems() - 1);
        }
        if (!rs.OpenRecordset("Select * from GetCurrentSubjects(" + appState.currentSyndicate + ",'" + dates::today() +
                              "')"))
            return;
        subjectBox->clearItems();
        for (rs.MoveFirst(); !rs.eof(); rs.MoveNext())
            subjectBox->appendItem(rs.GetField("Description"), (void*)(FXival)decimalValue(rs.GetField("Id")));
    });
    if (chosenUnit > 0 && unitBox->getCurrentItem() >= 0) scope = reschedule::Request::ONE_UNIT;
}

bool RescheduleDialog::readRequest(reschedule::Request& request) {
    const FXString caption = "Reschedule Error";
    try {
        request.fromDate = checks::date("From date", fromDateField->getText());
        request.fromTime = checks::timeOfDay("From time", fromTimeField->getText());
    } catch (const FXException& e) {
        Prompter::get().error(this, caption, e.what());
        return false;
    }
    request.scope = (reschedule::Request::Scope)scope;
    if (scope == reschedule::Request::ONE_UNIT) {
        if (unitBox->getCurrentItem() < 0) {
            Prompter::get().error(this, caption, "Choose the unit whose lessons move first.");
            return false;
        }
        request.unitId = (FXint)(FXival)unitBox->getItemData(unitBox->getCurrentItem());
    }
    if (scope == reschedule::Request::ONE_SUBJECT) {
        if (subjectBox->getCurrentItem() < 0) {
            Prompter::get().error(this, caption, "Choose the subject whose lessons move first.");
            return false;
        }
        request.subjectId = (FXint)(FXival)subjectBox->getItemData(subjectBox->getCurrentItem());
    }
    const FXint days = FXCLAMP(1, daysSpinner->getValue(), 30);
    request.days = backwards ? -days : days;
    request.breaksCount = breaksCheck->getCheck() == TRUE;
    return true;
}

void RescheduleDialog::clearPreview() {
    previewed = false;
    plan = reschedule::Plan();
    previewList->clearItems();
    summaryLabel->setText("Press Preview to see the lessons that move.");
}

void RescheduleDialog::showPreview() {
    previewList->clearItems();
    for (const reschedule::Move& m : plan.moves) {
        const FXString times = m.timeStart.empty() ? FXString() : m.timeStart + "-" + m.timeEnd;
        const FXString oldDate =
            DisplayDate(m.oldStart) + (m.oldEnd == m.oldStart ? "" : " to " + DisplayDate(m.oldEnd));
        const FXString newDate =
            !m.movable() ? FXString("stays")
                         : DisplayDate(m.newStart) + (m.newEnd == m.newStart ? "" : " to " + DisplayDate(m.newEnd));
        previewList->appendItem(m.lessonName + "\t" + m.unitName + "\t" + oldDate + "\t" + times + "\t" + newDate +
                                "\t" + times + "\t" + m.conflict);
    }
    summaryLabel->setText(plan.moves.empty() ? FXString("No lesson of yours moves: nothing to store.")
                                             : reschedule::summary(plan));
}

long RescheduleDialog::onCmdField(FXObject*, FXSelector, void*) {
    if (previewed) clearPreview();
    return 1;
}

long RescheduleDialog::onCmdSnowDay(FXObject*, FXSelector, void*) {
    fromTimeField->setText(FXString());
    scope = reschedule::Request::UNITS_OF_DAY;
    daysSpinner->setValue(1);
    backwards = 0;
    breaksCheck->setCheck(FALSE);
    return onCmdPreview(nullptr, 0, nullptr);
}

long RescheduleDialog::onCmdPreview(FXObject*, FXSelector, void*) {
    reschedule::Request request;
    clearPreview();
    if (!readRequest(request)) return 1;
    getApp()->beginWaitCursor();
    failures::run(this, "Database Error", "lessons", [&] {
        if (!reschedule::preview(request, plan)) return;
        previewed = true;
        showPreview();
    });
    getApp()->endWaitCursor();
    return 1;
}

long RescheduleDialog::onCmdApply(FXObject*, FXSelector, void*) {
    if (!previewed) return 1;
    if (plan.moves.empty()) {
        Prompter::get().information(this, "Reschedule", "No lesson of yours moves: nothing to store.");
        return 1;
    }
    // Lessons in the past: the lesson editor's guard, asked once for all.
    if (plan.touchesPast() &&
        Prompter::get().question(this, "Retrospective Planning Not Allowed", lessonmove::retrospectiveText))
        return 1;
    bool stored = false;
    getApp()->beginWaitCursor();
    failures::run(this, "Database Error", "lessons", [&] { stored = reschedule::apply(plan); });
    getApp()->endWaitCursor();
    if (!stored) {
        clearPreview();
        summaryLabel->setText("Nothing was stored. Press Preview to see the lessons as they are now.");
        return 1;
    }
    getApp()->stopModal(this, TRUE);
    hide();
    return 1;
}

long RescheduleDialog::onUpdApply(FXObject* sender, FXSelector, void*) {
    sender->handle(this, FXSEL(SEL_COMMAND, previewed && !plan.moves.empty() ? ID_ENABLE : ID_DISABLE), nullptr);
    return 1;
}

#include "planedit/RolloverDialog.h"

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/Numbers.h"
#include "planedit/PlanWidgets.h"
#include "ui/AppResources.h"
#include "ui/Failures.h"
#include "ui/Prompter.h"

using namespace FX;

FXDEFMAP(RolloverDialog)
RolloverDialogMap[] = {
    FXMAPFUNC(SEL_COMMAND, RolloverDialog::ID_YEAR, RolloverDialog::onCmdYear),
    FXMAPFUNC(SEL_COMMAND, RolloverDialog::ID_PREVIEW, RolloverDialog::onCmdPreview),
    FXMAPFUNC(SEL_COMMAND, RolloverDialog::ID_ROLLOVER, RolloverDialog::onCmdRollover),
    FXMAPFUNC(SEL_UPDATE, RolloverDialog::ID_ROLLOVER, RolloverDialog::onUpdRollover),
};

FXIMPLEMENT(RolloverDialog, FXDialogBox, RolloverDialogMap, ARRAYNUMBER(RolloverDialogMap))

namespace {

FXint yearOf(FXComboBox* box) {
    return box->getCurrentItem() < 0 ? 0 : (FXint)(FXival)box->getItemData(box->getCurrentItem());
}

FXString dayAndDate(const FXString& iso) {
    if (iso.empty()) return FXString();
    static const char* const names[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    return FXString(names[dates::weekday(dates::localMoment(iso, 12, 0))]) + " " + DisplayDate(iso);
}

const char* const pressPreview = "Choose the years and press Preview to see what is copied.";

}  // namespace

RolloverDialog::RolloverDialog(FXWindow* owner)
    : FXDialogBox(owner, "Roll Over Year", DECOR_TITLE | DECOR_BORDER | DECOR_RESIZE | DECOR_CLOSE, 0, 0, 860, 520, 6,
                  6, 6, 6, 4, 4) {
    setIcon(appIcon);
    setMiniIcon(appIcon);
    choiceTarget.connect(choice);

    FXHorizontalFrame* bottom =
        new FXHorizontalFrame(this, LAYOUT_SIDE_BOTTOM | LAYOUT_FILL_X | FRAME_SUNKEN, 0, 0, 0, 0, 4, 4, 4, 4);
    planedit::dialogButton(bottom, "&Cancel", this, ID_CANCEL, LAYOUT_RIGHT);
    planedit::dialogButton(bottom, "&Roll Over", this, ID_ROLLOVER, LAYOUT_RIGHT);
    FXHorizontalFrame* choices =
        new FXHorizontalFrame(this, LAYOUT_SIDE_BOTTOM | LAYOUT_FILL_X, 0, 0, 0, 0, 4, 4, 4, 4, 12, 4);
    planedit::dialogLabel(choices, "For all of them:");
    new FXRadioButton(choices, "Place them on the next teaching day", &choiceTarget,
                      FXDataTarget::ID_OPTION + rollover::NEXT_TEACHING_DAY, RADIOBUTTON_NORMAL | LAYOUT_CENTER_Y);
    new FXRadioButton(choices, "Leave them out", &choiceTarget, FXDataTarget::ID_OPTION + rollover::LEAVE_OUT,
                      RADIOBUTTON_NORMAL | LAYOUT_CENTER_Y);
    // What is copied, one sentence a line, between the list and the choice.
    summaryLabel =
        new FXLabel(this, pressPreview, nullptr, LABEL_NORMAL | JUSTIFY_LEFT | LAYOUT_SIDE_BOTTOM | LAYOUT_FILL_X);

    FXHorizontalFrame* years = new FXHorizontalFrame(this, LAYOUT_FILL_X, 0, 0, 0, 0, 4, 4, 4, 4, 8, 4);
    planedit::dialogLabel(years, "Copy my plans of the school year");
    fromBox = new FXComboBox(years, 8, this, ID_YEAR, COMBOBOX_STATIC | FRAME_SUNKEN | FRAME_THICK);
    fromBox->setNumVisible(8);
    planedit::dialogLabel(years, "into the school year");
    intoBox = new FXComboBox(years, 8, this, ID_YEAR, COMBOBOX_STATIC | FRAME_SUNKEN | FRAME_THICK);
    intoBox->setNumVisible(8);
    planedit::dialogButton(years, "&Preview", this, ID_PREVIEW);
    new FXLabel(this,
                "Each lesson keeps its term, its week in the term, its weekday and its times. These lessons have no "
                "place in the new year:",
                nullptr, LABEL_NORMAL | JUSTIFY_LEFT | LAYOUT_FILL_X);

    FXVerticalFrame* border =
        new FXVerticalFrame(this, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 0, 0, 0, 0);
    previewList =
        new FXIconList(border, nullptr, 0, ICONLIST_DETAILED | ICONLIST_BROWSESELECT | LAYOUT_FILL_X | LAYOUT_FILL_Y);
    const char* const headers[] = {"Lesson", "Unit", "Old date", "Time", "Its place", "Why", "Next teaching day"};
    const FXint widths[] = {130, 120, 80, 90, 90, 200, 110};
    for (int i = 0; i < 7; ++i) previewList->appendHeader(headers[i], nullptr, widths[i]);
}

void RolloverDialog::create() {
    FXDialogBox::create();
    loadYears();
}

// The years with terms: from the year of the shown week (else the last
// but one) into the year after it.
void RolloverDialog::loadYears() {
    std::vector<FXint> found;
    if (!failures::run(this, "Database Error", "term", [&] { rollover::years(found); })) return;
    fromBox->clearItems();
    intoBox->clearItems();
    const FXint shown = FXIntVal(dates::today().left(4));
    FXint from = -1;
    for (size_t i = 0; i < found.size(); ++i) {
        fromBox->appendItem(FXStringVal(found[i]), (void*)(FXival)found[i]);
        intoBox->appendItem(FXStringVal(found[i]), (void*)(FXival)found[i]);
        if (found[i] == shown) from = (FXint)i;
    }
    if (found.empty()) {
        summaryLabel->setText("No school year has terms yet: set them up in Options, School Setup.");
        return;
    }
    if (from < 0 || from + 1 >= (FXint)found.size()) from = FXMAX(0, (FXint)found.size() - 2);
    fromBox->setCurrentItem(from);
    intoBox->setCurrentItem(FXMIN(from + 1, (FXint)found.size() - 1));
}

void RolloverDialog::clearPreview() {
    previewed = false;
    plan = rollover::Plan();
    previewList->clearItems();
    summaryLabel->setText(pressPreview);
}

void RolloverDialog::showPreview() {
    previewList->clearItems();
    for (const rollover::LessonCopy& l : plan.lessons) {
        if (l.misfit.empty()) continue;
        previewList->appendItem(l.name + "\t" + plan.units[l.unitCopy].name + "\t" + DisplayDate(l.oldStart) + "\t" +
                                l.time + "\t" + DisplayDate(l.newStart) + "\t" + l.misfit + "\t" +
                                (l.nextStart.empty() ? FXString("none: left out") : dayAndDate(l.nextStart)));
    }
    summaryLabel->setText(rollover::summary(plan));
}

long RolloverDialog::onCmdYear(FXObject*, FXSelector, void*) {
    if (previewed) clearPreview();
    return 1;
}

long RolloverDialog::onCmdPreview(FXObject*, FXSelector, void*) {
    clearPreview();
    const FXint from = yearOf(fromBox), into = yearOf(intoBox);
    if (from == 0 || into == 0) return 1;
    if (decimalValue(appState.currentUserId) <= 0) {
        Prompter::get().error(this, "Roll Over Error",
                              "Choose whose plans to copy first, in Teachers (the button below the calendar).");
        return 1;
    }
    if (from == into) {
        // With one year set up there is nothing to choose: say where the
        // next year's terms are made.
        if (intoBox->getNumItems() < 2)
            Prompter::get().information(this, "Roll Over Year",
                                        "Only the school year " + FXStringVal(from) +
                                            " has terms. Enter the terms of the year to copy the plans into in "
                                            "Options, School Setup, then roll the year over.");
        else
            Prompter::get().information(this, "Roll Over Year", "Choose another school year to copy the plans into.");
        return 1;
    }
    getApp()->beginWaitCursor();
    failures::run(this, "Database Error", "plan", [&] {
        if (!rollover::preview(from, into, plan)) return;
        previewed = true;
        showPreview();
    });
    getApp()->endWaitCursor();
    return 1;
}

long RolloverDialog::onCmdRollover(FXObject*, FXSelector, void*) {
    if (!previewed) return 1;
    if (plan.units.empty() && plan.plans.empty()) {
        Prompter::get().information(this, "Roll Over Year", "You have no plans in that year: nothing to copy.");
        return 1;
    }
    if (!plan.rolledOverBefore.empty()) {
        const FXString when = DisplayDate(plan.rolledOverBefore.left(10)) + " at " + plan.rolledOverBefore.mid(11, 5);
        if (!Prompter::get().question(this, "Confirm Roll Over",
                                      "You rolled " + FXStringVal(plan.fromYear) + " over into " +
                                          FXStringVal(plan.toYear) + " before, on " + when +
                                          ".\nRolling it over again copies your plans, units and lessons into " +
                                          FXStringVal(plan.toYear) + " a second time.\n\nRoll it over again?"))
            return 1;
    }
    rollover::Outcome outcome = rollover::LOST;
    failures::run(this, "Database Error", "plan",
                  [&] { outcome = rollover::store(this, plan, (rollover::Choice)choice, stored); });
    if (outcome == rollover::CANCELLED) {
        summaryLabel->setText("Cancelled: nothing was stored.");
        return 1;
    }
    if (outcome != rollover::STORED) {
        clearPreview();
        summaryLabel->setText("Nothing was stored. Press Preview to see your plans as they are now.");
        return 1;
    }
    getApp()->stopModal(this, TRUE);
    hide();
    return 1;
}

long RolloverDialog::onUpdRollover(FXObject* sender, FXSelector, void*) {
    sender->handle(this, FXSEL(SEL_COMMAND, previewed ? ID_ENABLE : ID_DISABLE), nullptr);
    return 1;
}

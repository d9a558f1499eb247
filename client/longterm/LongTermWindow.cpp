// LongTermWindow: layout, geometry, commands, the pop-up menu and the table
// of description windows.  The drawing, the canvas paint and the click test
// are in LongTermPlan.cpp; printing is in LongTermPrint.cpp.
#include "longterm/LongTermWindow.h"

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/Numbers.h"
#include "data/Terms.h"
#include "longterm/LongDialogDesc.h"
#include "planedit/UnitPlanDialog.h"
#include "ui/AppResources.h"
#include "ui/Failures.h"
#include "ui/WindowPlace.h"

using namespace FX;

FXDEFMAP(LongTermWindow)
LongTermWindowMap[] = {
    FXMAPFUNC(SEL_PAINT, LongTermWindow::ID_CANVAS, LongTermWindow::onPaint),
    FXMAPFUNC(SEL_LEFTBUTTONPRESS, LongTermWindow::ID_CANVAS, LongTermWindow::onMouseDown),
    FXMAPFUNC(SEL_RIGHTBUTTONPRESS, LongTermWindow::ID_CANVAS, LongTermWindow::onRightDown),
    FXMAPFUNC(SEL_RIGHTBUTTONRELEASE, LongTermWindow::ID_CANVAS, LongTermWindow::onRightUp),
    FXMAPFUNC(SEL_COMMAND, LongTermWindow::ID_PREV_YEAR, LongTermWindow::onCmdPrevYear),
    FXMAPFUNC(SEL_COMMAND, LongTermWindow::ID_PREV_TERM, LongTermWindow::onCmdPrevTerm),
    FXMAPFUNC(SEL_COMMAND, LongTermWindow::ID_THIS_TERM, LongTermWindow::onCmdThisTerm),
    FXMAPFUNC(SEL_COMMAND, LongTermWindow::ID_NEXT_TERM, LongTermWindow::onCmdNextTerm),
    FXMAPFUNC(SEL_COMMAND, LongTermWindow::ID_NEXT_YEAR, LongTermWindow::onCmdNextYear),
    FXMAPFUNC(SEL_COMMAND, LongTermWindow::ID_REFRESH, LongTermWindow::onCmdRefresh),
    FXMAPFUNC(SEL_COMMAND, LongTermWindow::ID_REFRESH_DESCRIPTIONS, LongTermWindow::onCmdRefreshDescriptions),
    FXMAPFUNC(SEL_COMMAND, LongTermWindow::ID_DESCRIPTION_REPORT, LongTermWindow::onCmdDescriptionReport),
    FXMAPFUNC(SEL_COMMAND, LongTermWindow::ID_EDIT, LongTermWindow::onCmdEdit),
    FXMAPFUNC(SEL_COMMAND, LongTermWindow::ID_MOREOPTIONS, LongTermWindow::onCmdMoreOptions),
    FXMAPFUNC(SEL_COMMAND, LongTermWindow::ID_PRINT_LONGTERM, LongTermWindow::onCmdPrintLongTerm),
    FXMAPFUNC(SEL_COMMAND, LongTermWindow::ID_PRINT_SUMMARY, LongTermWindow::onCmdPrintSummary),
    FXMAPFUNC(SEL_COMMAND, LongTermWindow::ID_CLOSE, LongTermWindow::onCmdClose),
    FXMAPFUNC(SEL_CLOSE, 0, LongTermWindow::onCmdClose),
    FXMAPFUNC(SEL_COMMAND, LongTermWindow::ID_SHOWDATE, LongTermWindow::onCmdShowDate),
    FXMAPFUNC(SEL_CHORE, LongTermWindow::ID_DESTROY, LongTermWindow::onChoreDestroy),
};

FXIMPLEMENT(LongTermWindow, FXMainWindow, LongTermWindowMap, ARRAYNUMBER(LongTermWindowMap))

namespace {
const char* const settingsSection = "LONGTERM";
const FXuint bigButton = FRAME_RAISED | FRAME_THICK | LAYOUT_FIX_WIDTH;
}  // namespace

LongTermWindow::LongTermWindow(FXApp* app, FXObject* tgt, FXSelector sel)
    : FXMainWindow(app, "Long Term Plans", appIcon, appIcon, DECOR_ALL, 0, 0, 640, 480, 1, 1, 1, 1, 0, 0) {
    setTarget(tgt);
    setSelector(sel);
    outerFrame = new FXVerticalFrame(this, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 4, 4, 4, 4, 4, 4);

    // Navigation by year and term.
    navigationFrame = new FXHorizontalFrame(outerFrame, FRAME_SUNKEN | LAYOUT_FILL_X, 0, 0, 0, 0, 4, 4, 4, 4);
    const FXuint navButton = bigButton | BUTTON_DEFAULT | LAYOUT_CENTER_X | JUSTIFY_CENTER_X;
    const char* navigation[] = {"< Year", "< Term", "This Term\tUse function key F7", "Term >", "Year >"};
    const FXSelector navigationIds[] = {ID_PREV_YEAR, ID_PREV_TERM, ID_THIS_TERM, ID_NEXT_TERM, ID_NEXT_YEAR};
    for (int i = 0; i < 5; ++i) {
        FXButton* b = new FXButton(navigationFrame, navigation[i], nullptr, this, navigationIds[i], navButton, 0, 0,
                                   100, 0, 20, 20, 5, 5);
        if (navigationIds[i] == ID_THIS_TERM) b->setFont(labelFont);
    }

    // The term view.
    canvasFrame = new FXVerticalFrame(outerFrame, LAYOUT_FILL_X | LAYOUT_FILL_Y, 0, 0, 0, 0, 10, 10, 10, 10, 4, 4);
    canvas = new FXCanvas(canvasFrame, this, ID_CANVAS, LAYOUT_FILL_X | LAYOUT_FILL_Y);

    // Lower buttons, placed from the right edge.
    buttonFrame = new FXHorizontalFrame(outerFrame, FRAME_SUNKEN | LAYOUT_FILL_X, 0, 0, 0, 0, 4, 4, 4, 4);
    const char* lower[] = {"&Close", "&Edit", "&More Options"};
    const FXSelector lowerIds[] = {ID_CLOSE, ID_EDIT, ID_MOREOPTIONS};
    for (int i = 0; i < 3; ++i) {
        FXButton* b = new FXButton(buttonFrame, lower[i], nullptr, this, lowerIds[i], bigButton | LAYOUT_RIGHT, 0, 0,
                                   100, 0, 20, 20, 5, 5);
        b->setFont(labelFont);
    }

    // The pop-up menu of "More Options" and the right mouse button.
    popupMenu = new FXMenuPane(this);
    new FXMenuCommand(popupMenu, "Refresh\tF5", nullptr, this, ID_REFRESH);
    new FXMenuCommand(popupMenu, "Refresh with Descriptions", nullptr, this, ID_REFRESH_DESCRIPTIONS);
    new FXMenuSeparator(popupMenu);
    new FXMenuCommand(popupMenu, "Print Long Term", nullptr, this, ID_PRINT_LONGTERM);
    new FXMenuCommand(popupMenu, "Print Long Term Summary Report", nullptr, this, ID_PRINT_SUMMARY);

    // F5 refreshes, F7 goes back to this term.
    getAccelTable()->addAccel(parseAccel("F5"), this, FXSEL(SEL_COMMAND, ID_REFRESH));
    getAccelTable()->addAccel(parseAccel("F7"), this, FXSEL(SEL_COMMAND, ID_THIS_TERM));
}

LongTermWindow::~LongTermWindow() {
    getApp()->removeChore(this, ID_DESTROY);
    for (LongDialogDesc* d : descriptionDialogs) delete d;
    delete image;
    delete popupMenu;
}

// Where the window was last closed: section LONGTERM, at least 640 x 480,
// never at a negative position.
void LongTermWindow::create() {
    const bool created = id() != 0;
    smallFont->create();
    labelFont->create();
    textFont->create();
    const WindowPlace place = WindowPlace::read(getApp()->reg(), settingsSection);
    if (!created) position(place.x, place.y, place.width, place.height);
    FXMainWindow::create();
    popupMenu->create();
    if (created) return;
    const FXint rememberedX = getX(), rememberedY = getY();
    show(PLACEMENT_DEFAULT);
    placementDx = getX() - rememberedX;
    placementDy = getY() - rememberedY;
}

// ---------------------------------------------------------------------------
// Navigation: each command moves the shown moment, redraws and tells the
// owner.  A year is 365 days, as the calendar counts it.

void LongTermWindow::moved() {
    redraw();
    if (getTarget()) getTarget()->handle(this, FXSEL(SEL_COMMAND, getSelector()), nullptr);
}

long LongTermWindow::onCmdPrevYear(FXObject*, FXSelector, void*) {
    appState.dateOffset -= dates::oneYear;
    moved();
    return 1;
}

long LongTermWindow::onCmdPrevTerm(FXObject*, FXSelector, void*) {
    // After a lost connection (told) a drawing would only say it again.
    const failures::Mark mark;
    failures::run(this, "Database Error", "term", [&] { terms::step(workRecordset, false); });
    if (!mark.lost()) moved();
    return 1;
}

long LongTermWindow::onCmdThisTerm(FXObject*, FXSelector, void*) {
    appState.dateOffset = 0;
    moved();
    return 1;
}

long LongTermWindow::onCmdNextTerm(FXObject*, FXSelector, void*) {
    // After a lost connection (told) a drawing would only say it again.
    const failures::Mark mark;
    failures::run(this, "Database Error", "term", [&] { terms::step(workRecordset, true); });
    if (!mark.lost()) moved();
    return 1;
}

long LongTermWindow::onCmdNextYear(FXObject*, FXSelector, void*) {
    appState.dateOffset += dates::oneYear;
    moved();
    return 1;
}

long LongTermWindow::onCmdRefresh(FXObject*, FXSelector, void*) {
    redraw();
    return 1;
}

// Opens a description window beside every plan that has a description.
long LongTermWindow::onCmdRefreshDescriptions(FXObject*, FXSelector, void*) {
    deleteClosedDescriptions();
    withDescriptions = true;
    redraw();
    return 1;
}

// A plan editor opened from here moved the shown moment (a lesson was
// selected): show its term, and tell the owner.
long LongTermWindow::onCmdShowDate(FXObject*, FXSelector, void*) {
    moved();
    return 1;
}

// ---------------------------------------------------------------------------
// Description windows

// A description window moved, changed its size or closed: its row (one per
// plan Id) follows.
long LongTermWindow::onCmdDescriptionReport(FXObject*, FXSelector, void* ptr) {
    const LongDialogDesc::Report* report = static_cast<const LongDialogDesc::Report*>(ptr);
    if (!report) return 1;
    const FXString id = FXStringVal(report->planId);
    bool found = false;
    for (descriptionWindows.MoveFirst(); !descriptionWindows.eof; descriptionWindows.MoveNext()) {
        if (descriptionWindows.GetField(0) == id) {
            found = true;
            break;
        }
    }
    const FXString values[9] = {report->text,
                                FXStringVal(report->x),
                                FXStringVal(report->y),
                                FXStringVal(report->w),
                                FXStringVal(report->h),
                                FXStringVal(report->ownerX),
                                FXStringVal(report->ownerY),
                                FXStringVal(report->ownerWidth),
                                FXStringVal(report->ownerHeight)};
    if (report->closed) {
        if (found) descriptionWindows.DeleteRow();
    } else if (found) {
        for (int i = 0; i < 9; ++i) descriptionWindows.SetField(i + 1, values[i]);
    } else {
        descriptionWindows.AddField(id, true);
        for (int i = 0; i < 9; ++i) descriptionWindows.AddField(values[i], false);
    }
    return 1;
}

void LongTermWindow::openDescription(const Plan& plan, FXint x, FXint y) {
    LongDialogDesc* dialog = new LongDialogDesc(canvas, this, ID_DESCRIPTION_REPORT, decimalValue(plan.id), plan.name);
    descriptionDialogs.push_back(dialog);
    dialog->setDescription(plan.description);
    // Beside the plan's first cell on the screen.
    FXint rootX = 0, rootY = 0;
    if (canvas->id()) canvas->translateCoordinatesTo(rootX, rootY, getRoot(), x, y);
    dialog->create();
    placeDescription(dialog, rootX, rootY);
    dialog->show();
}

// At (x, y), or, where that covers a description window already open, below
// it (and in the next column once the screen's bottom is reached), so that
// none covers another; the user moves them from there.
void LongTermWindow::placeDescription(LongDialogDesc* dialog, FXint x, FXint y) {
    const FXint w = FXMAX(dialog->getWidth(), dialog->getDefaultWidth());
    const FXint h = FXMAX(dialog->getHeight(), dialog->getDefaultHeight());
    const FXint gap = 4, startY = y;
    auto covered = [&](FXint atX, FXint atY) -> LongDialogDesc* {
        for (LongDialogDesc* other : descriptionDialogs) {
            if (other == dialog || !other->shown()) continue;
            if (atX < other->getX() + other->getWidth() && other->getX() < atX + w &&
                atY < other->getY() + other->getHeight() && other->getY() < atY + h)
                return other;
        }
        return nullptr;
    };
    for (FXint tries = 0; tries < 1000; ++tries) {
        LongDialogDesc* other = covered(x, y);
        if (!other) break;
        y = other->getY() + other->getHeight() + gap;
        if (y + h > getRoot()->getHeight()) {
            y = startY;
            x = other->getX() + other->getWidth() + gap;
        }
    }
    dialog->move(x, y);
}

// Windows the user closed are hidden; they go before new ones open.
void LongTermWindow::deleteClosedDescriptions() {
    std::vector<LongDialogDesc*> open;
    for (LongDialogDesc* d : descriptionDialogs) {
        if (d->shown())
            open.push_back(d);
        else
            delete d;
    }
    descriptionDialogs.swap(open);
}

// ---------------------------------------------------------------------------
// Other windows and the pop-up menu

// "&Edit": a new plan editor with no long-term plan chosen.
long LongTermWindow::onCmdEdit(FXObject*, FXSelector, void*) {
    openUnitPlanDialog(0);
    return 1;
}

// A new plan editor (it shows itself and lives until it is closed) on the
// long-term plan `longTermId` (0: none).
void LongTermWindow::openUnitPlanDialog(FXint longTermId) {
    UnitPlanDialog* dialog = new UnitPlanDialog(getApp(), longTermId, 0, this, ID_SHOWDATE);
    dialog->create();
}

void LongTermWindow::popupAt(FXint x, FXint y) {
    popupMenu->popup(nullptr, x, y);
    getApp()->runModalWhileShown(popupMenu);
}

long LongTermWindow::onCmdMoreOptions(FXObject*, FXSelector, void*) {
    popupAt(canvas->getWidth() / 2, canvas->getHeight() / 2);
    return 1;
}

long LongTermWindow::onRightDown(FXObject*, FXSelector, void*) {
    canvas->grab();
    return 1;
}

// The pop-up menu at the pointer, unless the pointer moved while the button
// was down.
long LongTermWindow::onRightUp(FXObject*, FXSelector, void* ptr) {
    const FXEvent* event = static_cast<const FXEvent*>(ptr);
    canvas->ungrab();
    if (event->moved) return 1;
    popupAt(event->root_x, event->root_y);
    return 1;
}

// ---------------------------------------------------------------------------
// Closing: the place and size are kept, the window and its description
// windows go.

void LongTermWindow::closeWindow() {
    if (closing) return;
    closing = true;
    WindowPlace{getX() - placementDx, getY() - placementDy, getWidth(), getHeight()}.write(getApp()->reg(),
                                                                                           settingsSection);
    for (LongDialogDesc* d : descriptionDialogs) d->hide();
    hide();
    // Deleted once the handler that closed it has returned.
    getApp()->addChore(this, ID_DESTROY);
}

long LongTermWindow::onCmdClose(FXObject*, FXSelector, void*) {
    closeWindow();
    return 1;
}

long LongTermWindow::onChoreDestroy(FXObject*, FXSelector, void*) {
    delete this;
    return 1;
}

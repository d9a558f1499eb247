// The long-term window on the real application: geometry, navigation, the
// canvas and its clicks, the pop-up menu, description windows, the calendar's
// "&Long Term", and drawings that fail.
#include <fxkeys.h>

#include <string>

#include "calendar/CalendarWindow.h"
#include "data/AppState.h"
#include "longterm/LongDialogDesc.h"
#include "longterm/LongTermTest.h"
#include "planedit/EditorDriver.h"
#include "planedit/UnitPlanDialog.h"
#include "support/GuiActions.h"
#include "ui/AppResources.h"

using namespace FX;
using namespace guitest;
using namespace longterm;

namespace {

const FXColor white = FXRGB(255, 255, 255);

class LongTermWindowTest : public LongTerm {
protected:
    void SetUp() override {
        LongTerm::SetUp();
        plan(10, "Fractions", MATHS, "2014-04-28", "2014-05-16", 2, "Halves, quarters and eighths.");
        plan(11, "Poetry", READING, "2014-05-18", "2014-06-06", 1, "Rhyme and rhythm.");
        plan(12, "Plants", SCIENCE, "2014-04-28", "2014-06-27");  // no description
    }
    void open() {
        window->create();
        settle();
        if (!window->getImage()) window->redraw();  // the first expose may come later
    }
    // Lets pending events run, then the GUI update of every window.
    void update() {
        settle();
        app()->forceRefresh();
    }
    long command(FXSelector id, void* ptr = nullptr) { return window->handle(window, FXSEL(SEL_COMMAND, id), ptr); }
    void click(FXint x, FXint y) {
        testsupport::clickCanvas(window, window->getCanvas(), LongTermWindow::ID_CANVAS, x, y);
    }
    Grid canvasGrid() const { return Grid(window->getCanvas()->getWidth(), window->getCanvas()->getHeight(), 10, 3); }
    FXColor canvasPixel(FXint x, FXint y) {
        window->getImage()->restore();
        return window->getImage()->getPixel(x, y);
    }
    UnitPlanDialog* openEditor() { return testsupport::findWindow<UnitPlanDialog>(app()); }
    FXlong shownMoment() const { return dates::shownNow(); }
};

FXlong afterTermStart(int year, int month, int day) { return localMoment(year, month, day, 8, 45) + 86400; }

TEST_F(LongTermWindowTest, StoredGeometryOutsideTheLimitsOpensAt40By40With640By480) {
    FXRegistry& reg = app()->reg();
    reg.writeIntEntry("LONGTERM", "x", -5);
    reg.writeIntEntry("LONGTERM", "y", -5);
    reg.writeIntEntry("LONGTERM", "width", 300);
    reg.writeIntEntry("LONGTERM", "height", 200);
    open();
    EXPECT_EQ(window->getX(), 40);
    EXPECT_EQ(window->getY(), 40);
    EXPECT_EQ(window->getWidth(), 640);
    EXPECT_EQ(window->getHeight(), 480);
    EXPECT_EQ(window->getTitle(), "Long Term Plans");

    // Closing keeps the place and size and deletes the window soon after.
    window->move(120, 90);
    window->resize(700, 520);
    command(LongTermWindow::ID_CLOSE);
    EXPECT_FALSE(window->shown());
    EXPECT_EQ(reg.readIntEntry("LONGTERM", "x", 0), 120);
    EXPECT_EQ(reg.readIntEntry("LONGTERM", "y", 0), 90);
    EXPECT_EQ(reg.readIntEntry("LONGTERM", "width", 0), 700);
    EXPECT_EQ(reg.readIntEntry("LONGTERM", "height", 0), 520);
    // The window manager's close box does the same.
    LongTermWindow* second = new LongTermWindow(app());
    second->create();
    settle();
    EXPECT_EQ(second->getX(), 120);
    second->handle(second, FXSEL(SEL_CLOSE, 0), nullptr);
    EXPECT_TRUE(second->isClosing());
    settle();  // both windows delete themselves
    window = nullptr;
}

TEST_F(LongTermWindowTest, ClickingABandOpensThePlanEditorOnThatPlan) {
    open();
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    Grid g = canvasGrid();
    ASSERT_GE(g.ch, 20) << "canvas too small: " << g.w << "x" << g.h;

    const int before = UnitPlanDialog::liveCount;
    click(g.x(2) + g.cw / 2, g.y(1) + g.ch - 4);
    EXPECT_TRUE(prompts.prompts.empty()) << prompts.last().caption << " image " << (void*)window->getImage();
    EXPECT_EQ(FXString(window->getChosenPlan()).trim(), "10");
    UnitPlanDialog* editor = openEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(UnitPlanDialog::liveCount, before + 1);
    EXPECT_EQ(editor->openedOnLongTerm(), 10);
    EXPECT_TRUE(editor->shown());
    EXPECT_EQ(closeUnitPlanDialogs(), 1);

    click(g.x(5) + g.cw / 2, g.y(2) + g.ch - 4);
    EXPECT_EQ(FXString(window->getChosenPlan()).trim(), "11");
    EXPECT_EQ(closeUnitPlanDialogs(), 1);

    // "&Edit": a plan editor with no long-term plan chosen.
    command(LongTermWindow::ID_EDIT);
    editor = openEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->openedOnLongTerm(), 0);
    EXPECT_EQ(closeUnitPlanDialogs(), 1);
}

// The database's first long-term plan has Id 1: a click on it opens the
// plan editor with that plan chosen and shown.
TEST_F(LongTermWindowTest, TheFirstPlanOfTheDatabaseOpensInThePlanEditor) {
    plan(1, "Measures", SCIENCE, "2014-06-30", "2014-07-04");  // week 10
    open();
    Grid g = canvasGrid();
    click(g.x(10) + g.cw / 2, g.y(3) + g.ch - 4);
    ASSERT_TRUE(prompts.prompts.empty()) << prompts.last().caption;
    EXPECT_EQ(FXString(window->getChosenPlan()).trim(), "1");
    planedit::EditorDriver editor;
    editor.dialog = openEditor();
    ASSERT_NE(editor.dialog, nullptr);
    for (int i = 0; i < 100 && editor.text(planedit::LONGTERM, "Name:") != "Measures"; ++i) {
        FXThread::sleep(20000000);
        settle();
    }
    EXPECT_EQ(editor.text(planedit::LONGTERM, "Name:"), "Measures");
    EXPECT_EQ(editor.currentText("Long Term Plan"), "Measures");
    EXPECT_TRUE(prompts.prompts.empty()) << prompts.last().caption;
    EXPECT_EQ(closeUnitPlanDialogs(), 1);
}

TEST_F(LongTermWindowTest, ClicksOnLinesBlackTextOrWhiteChooseNoPlan) {
    open();
    Grid g = canvasGrid();
    auto refused = [&](FXint x, FXint y, const char* what) {
        prompts.clear();
        click(x, y);
        ASSERT_EQ(prompts.prompts.size(), 1u) << what;
        EXPECT_EQ(prompts.last().caption, "LongTermWindow::onMouseDown - No plan chosen.") << what;
        EXPECT_EQ(prompts.last().text,
                  "You clicked on a region coloured black or white. Please click on a coloured plan.");
        EXPECT_EQ(closeUnitPlanDialogs(), 0) << what;
    };
    refused(g.x(2), g.y(1) + g.ch / 2, "the line between weeks 1 and 2");
    refused(g.x(8) + g.cw / 2, g.y(2) + g.ch / 2, "a white cell");
    refused(g.w - 3, 5, "the white margin");
    // A pixel of the black subject name.
    FXint textX = -1, textY = -1;
    for (FXint y = g.y(1) + 1; y < g.y(2) && textX < 0; ++y)
        for (FXint x = 4; x < g.x(1) - 1 && textX < 0; ++x)
            if (canvasPixel(x, y) == FXRGB(0, 0, 0)) textX = x, textY = y;
    ASSERT_GE(textX, 0) << "no black text in the subject column";
    refused(textX, textY, "the subject name");
}

// A click on the red corner of a syndicate plan is not refused: it picks the
// plan whose colour is nearest to red.
TEST_F(LongTermWindowTest, ClickOnARedCornerPicksThePlanNearestToRed) {
    open();
    Grid g = canvasGrid();
    std::string nearest;
    int best = 9999;
    std::vector<ColourRow> rows = colourRows();
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        int distance = abs(255 - (int)FXREDVAL(row->fill)) + FXGREENVAL(row->fill) + FXBLUEVAL(row->fill);
        if (distance < best) best = distance, nearest = row->id;
    }
    click(g.x(4) + g.cw - 2, g.y(2) + 1);
    EXPECT_TRUE(prompts.prompts.empty());
    EXPECT_EQ(std::string(FXString(window->getChosenPlan()).trim().text()), nearest);
    EXPECT_EQ(closeUnitPlanDialogs(), 1);
}

TEST_F(LongTermWindowTest, TermAndYearStepsShareTheCalendarsMomentAndTellTheOwner) {
    CalendarWindow* calendar = new CalendarWindow(app());
    calendar->create();
    settle();
    appState.currentUserId = "2";
    appState.currentSyndicate = "1";
    show(2014, 5, 14);
    delete window;
    window = new LongTermWindow(app(), calendar, CalendarWindow::ID_SHOWDATE);
    open();
    prompts.clear();

    // Tom has no lessons: every redraw of the calendar says so.
    auto calendarRedraws = [&] {
        size_t n = 0;
        for (const auto& p : prompts.prompts) n += p.caption == "CalendarWindow::drawPlan - No plans exist.";
        return n;
    };
    command(LongTermWindow::ID_NEXT_TERM);  // term 2 is the last one: the moment stays
    EXPECT_NEAR((double)shownMoment(), (double)localMoment(2014, 5, 14, 12), 2.0);
    EXPECT_EQ(calendarRedraws(), 1u);

    command(LongTermWindow::ID_PREV_TERM);
    EXPECT_NEAR((double)shownMoment(), (double)afterTermStart(2014, 2, 3), 2.0);
    EXPECT_EQ(calendarRedraws(), 2u);
    command(LongTermWindow::ID_NEXT_TERM);
    EXPECT_NEAR((double)shownMoment(), (double)afterTermStart(2014, 4, 28), 2.0);

    // Only one term starts before 1 March: "< Term" goes to its start.
    show(2014, 3, 1);
    command(LongTermWindow::ID_PREV_TERM);
    EXPECT_NEAR((double)shownMoment(), (double)afterTermStart(2014, 2, 3), 2.0);

    const FXlong offset = appState.dateOffset;
    command(LongTermWindow::ID_NEXT_YEAR);
    EXPECT_EQ(appState.dateOffset, offset + 31536000);
    command(LongTermWindow::ID_PREV_YEAR);
    command(LongTermWindow::ID_PREV_YEAR);
    EXPECT_EQ(appState.dateOffset, offset - 31536000);

    // F7 is "This Term".
    testsupport::pressKey(window, KEY_F7);
    EXPECT_EQ(appState.dateOffset, 0);
    EXPECT_EQ(calendarRedraws(), 8u);

    delete window;
    window = nullptr;
    delete calendar;
}

TEST_F(LongTermWindowTest, EveryCommandRedrawsTheTermShown) {
    open();
    Grid g = canvasGrid();
    const FXColor fractions = colourOf("10").fill;
    EXPECT_EQ(canvasPixel(g.x(1) + g.cw - 8, g.y(1) + g.ch - 4), fractions);
    // Term 1 has no plans: its grid is empty.
    command(LongTermWindow::ID_PREV_TERM);
    EXPECT_EQ(canvasPixel(g.x(1) + g.cw - 8, g.y(1) + g.ch - 4), white);
    EXPECT_TRUE(colourRows().empty());
    command(LongTermWindow::ID_NEXT_TERM);
    EXPECT_EQ(colourRows().size(), 3u);
    // F5 draws again: the colours are chosen anew.
    sql("delete from LongTerm where Id = 12;");
    testsupport::pressKey(window, KEY_F5);
    EXPECT_EQ(colourRows().size(), 2u);
}

TEST_F(LongTermWindowTest, ThePopUpMenuHoldsTheViewsCommands) {
    open();
    std::vector<std::string> labels;
    for (FXWindow* w = window->getPopupMenu()->getFirst(); w; w = w->getNext()) {
        if (FXMenuCommand* c = dynamic_cast<FXMenuCommand*>(w))
            labels.push_back(c->getText().text());
        else
            labels.push_back("-");
    }
    std::vector<std::string> expected = {"Refresh", "Refresh with Descriptions", "-", "Print Long Term",
                                         "Print Long Term Summary Report"};
    EXPECT_EQ(labels, expected);
}

// "Refresh with Descriptions": a window beside each plan that has a
// description; the table follows the windows as they move and close.
TEST_F(LongTermWindowTest, DescriptionWindowsAndTheirTable) {
    open();
    command(LongTermWindow::ID_REFRESH_DESCRIPTIONS);
    update();
    const auto& dialogs = window->getDescriptionDialogs();
    ASSERT_EQ(dialogs.size(), 2u);  // "Plants" has none
    EXPECT_EQ(dialogs[0]->getTitle(), "Fractions");
    EXPECT_EQ(dialogs[0]->getDescription(), "Halves, quarters and eighths.");
    EXPECT_EQ(dialogs[1]->getTitle(), "Poetry");
    EXPECT_EQ(dialogs[0]->getPlanId(), 10);
    // None covers another.
    auto expectApart = [&]() {
        const auto& all = window->getDescriptionDialogs();
        for (size_t i = 0; i < all.size(); ++i)
            for (size_t j = i + 1; j < all.size(); ++j) {
                if (!all[i]->shown() || !all[j]->shown()) continue;
                const bool apart = all[i]->getX() + all[i]->getWidth() <= all[j]->getX() ||
                                   all[j]->getX() + all[j]->getWidth() <= all[i]->getX() ||
                                   all[i]->getY() + all[i]->getHeight() <= all[j]->getY() ||
                                   all[j]->getY() + all[j]->getHeight() <= all[i]->getY();
                EXPECT_TRUE(apart) << i << " and " << j;
            }
    };
    expectApart();
    // Beside the plan's first week on the screen.
    Grid g = canvasGrid();
    FXint cx = 0, cy = 0;
    window->getCanvas()->translateCoordinatesTo(cx, cy, app()->getRootWindow(), g.x(1), g.y(1));
    EXPECT_EQ(dialogs[0]->getX(), cx);
    EXPECT_EQ(dialogs[0]->getY(), cy);

    FXStringRecordset& table = window->descriptionWindows;
    ASSERT_EQ(table.RowCount(), 2);
    table.MoveFirst();
    EXPECT_EQ(table.GetField(0), "10");
    EXPECT_EQ(table.GetField(1), "Fractions - Halves, quarters and eighths.");
    LongDialogDesc::Report where = dialogs[0]->report(false);
    EXPECT_EQ(table.GetField(2), FXStringVal(where.x));
    EXPECT_EQ(table.GetField(5), FXStringVal(where.h));
    EXPECT_EQ(where.x, dialogs[0]->getX() + dialogs[0]->getTextWidget()->getX());

    // Moving a window changes its row at the next update.
    dialogs[0]->move(dialogs[0]->getX() + 50, dialogs[0]->getY() + 30);
    update();
    table.MoveFirst();
    EXPECT_EQ(table.GetField(2), FXStringVal(where.x + 50));
    EXPECT_EQ(table.GetField(3), FXStringVal(where.y + 30));

    // The flag lasts one drawing: a plain refresh opens no more windows.
    command(LongTermWindow::ID_REFRESH);
    EXPECT_EQ(window->getDescriptionDialogs().size(), 2u);

    // Closing a window hides it and removes its row.
    dialogs[1]->handle(dialogs[1], FXSEL(SEL_CLOSE, 0), nullptr);
    EXPECT_FALSE(dialogs[1]->shown());
    ASSERT_EQ(table.RowCount(), 1);
    table.MoveFirst();
    EXPECT_EQ(table.GetField(0), "10");
    update();
    EXPECT_EQ(table.RowCount(), 1);
    dialogs[0]->handle(dialogs[0], FXSEL(SEL_CLOSE, 0), nullptr);
    EXPECT_TRUE(table.IsEmpty());

    // Two refreshes with descriptions: two windows for one plan share a row.
    command(LongTermWindow::ID_REFRESH_DESCRIPTIONS);
    command(LongTermWindow::ID_REFRESH_DESCRIPTIONS);
    update();
    EXPECT_EQ(window->getDescriptionDialogs().size(), 4u);  // the closed ones are gone
    EXPECT_EQ(table.RowCount(), 2);
    expectApart();
}

// A database error part-way through the drawing: the previous image stays,
// the error is shown once, and further paints do not try again.
TEST_F(LongTermWindowTest, AFailedDrawingKeepsThePreviousImageAndSaysSoOnce) {
    open();
    Grid g = canvasGrid();
    const FXColor fractions = colourOf("10").fill;
    FXImage* before = window->getImage();

    appState.currentSyndicate = "nonsense";  // the subject query fails
    command(LongTermWindow::ID_REFRESH);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().caption, "Database Error");
    EXPECT_EQ(window->getImage(), before);
    EXPECT_EQ(canvasPixel(g.x(1) + g.cw - 8, g.y(1) + g.ch - 4), fractions);
    EXPECT_EQ(colourRows().size(), 3u);  // and the click test still finds the plans
    for (int i = 0; i < 3; ++i)
        window->handle(window->getCanvas(), FXSEL(SEL_PAINT, LongTermWindow::ID_CANVAS), nullptr);
    settle();
    EXPECT_EQ(prompts.prompts.size(), 1u);

    appState.currentSyndicate = "1";
    command(LongTermWindow::ID_REFRESH);
    EXPECT_EQ(prompts.prompts.size(), 1u);
    EXPECT_NE(canvasPixel(g.x(1) + g.cw - 8, g.y(1) + g.ch - 4), white);
}

TEST_F(LongTermWindowTest, ALostServiceKeepsThePreviousImageAndWarnsOnce) {
    open();
    Grid g = canvasGrid();
    const FXColor fractions = colourOf("10").fill;
    services().stop();
    command(LongTermWindow::ID_REFRESH);
    for (int i = 0; i < 3; ++i)
        window->handle(window->getCanvas(), FXSEL(SEL_PAINT, LongTermWindow::ID_CANVAS), nullptr);
    window->resize(window->getWidth() + 20, window->getHeight());
    settle();
    EXPECT_EQ(prompts.count("warning"), 1u);
    EXPECT_EQ(prompts.count("error"), 0u);
    EXPECT_EQ(canvasPixel(g.x(1) + g.cw - 8, g.y(1) + g.ch - 4), fractions);
    services().start();
    command(LongTermWindow::ID_REFRESH);
    EXPECT_EQ(prompts.count("warning"), 1u);
    EXPECT_EQ(window->getImage()->getWidth(), window->getCanvas()->getWidth());
}

// The calendar's "&Long Term" opens a new window each time.
TEST_F(LongTermWindowTest, TheCalendarsLongTermButtonOpensANewWindowEachTime) {
    CalendarWindow* calendar = new CalendarWindow(app());
    calendar->create();
    settle();
    auto windows = [&] {
        std::vector<LongTermWindow*> found;
        for (FXWindow* w = app()->getRootWindow()->getFirst(); w; w = w->getNext())
            if (LongTermWindow* l = dynamic_cast<LongTermWindow*>(w)) found.push_back(l);
        return found;
    };
    const size_t before = windows().size();  // the fixture's own, not created
    calendar->handle(calendar, FXSEL(SEL_COMMAND, CalendarWindow::ID_LONGTERM), nullptr);
    calendar->handle(calendar, FXSEL(SEL_COMMAND, CalendarWindow::ID_LONGTERM), nullptr);
    settle();
    std::vector<LongTermWindow*> opened = windows();
    ASSERT_EQ(opened.size(), before + 2);
    int shown = 0;
    for (LongTermWindow* l : opened)
        if (l != window && l->shown()) ++shown;
    EXPECT_EQ(shown, 2);
    for (LongTermWindow* l : opened)
        if (l != window) delete l;
    delete calendar;
}

}  // namespace

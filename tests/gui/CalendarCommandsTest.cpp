// The calendar's commands: navigation by week, term and year, accelerators,
// options, the current-user field, the About box, and the long-term window
// it opens.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include <unistd.h>

#include <fxkeys.h>

#include "calendar/CalendarWindow.h"
#include "data/AppState.h"
#include "gui/GuiTest.h"
#include "longterm/LongTermWindow.h"
#include "planedit/UnitPlanDialog.h"
#include "support/GuiActions.h"
#include "support/RecordingPrompter.h"
#include "ui/AppResources.h"

using namespace FX;
using namespace guitest;

namespace {

class CalendarCommands : public ::testing::Test {
protected:
    testsupport::RecordingPrompter prompts;
    CalendarWindow* calendar = nullptr;

    void SetUp() override {
        freshStart();
        // Three terms in 2014; Tom has no plans, so every drawing reports that.
        sql("insert into Teachers (Id, Teacher, Syndicate) values (1, 'Ann Leader', 1);"
            "insert into Teachers (Id, Teacher, Syndicate) values (2, 'Tom Hale', 1);"
            "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (1, '2014-02-03', 10, "
            "2014, 1);"
            "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (2, '2014-04-28', 10, "
            "2014, 2);"
            "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (3, '2014-07-21', 10, "
            "2014, 3);");
        calendar = new CalendarWindow(app());
        calendar->create();
        settle();
        prompts.clear();
    }
    void TearDown() override { delete calendar; }

    long command(FXSelector id, void* ptr = nullptr) { return calendar->handle(calendar, FXSEL(SEL_COMMAND, id), ptr); }
    // Shows the given local moment.
    void show(int year, int month, int day, int hour = 12) {
        appState.dateOffset = offsetFor(localMoment(year, month, day, hour));
    }
    FXlong shown() const { return (FXlong)time(nullptr) + appState.dateOffset; }
};

// The moment one day after a term's first day at the school's start (8:45).
FXlong afterTermStart(int year, int month, int day) { return localMoment(year, month, day, 8, 45) + 86400; }

TEST_F(CalendarCommands, WeekAndYearStepsAndThisWeek) {
    command(CalendarWindow::ID_NEXT_WEEK);
    EXPECT_EQ(appState.dateOffset, 604800);
    command(CalendarWindow::ID_PREV_WEEK);
    command(CalendarWindow::ID_PREV_WEEK);
    EXPECT_EQ(appState.dateOffset, -604800);
    command(CalendarWindow::ID_NEXT_YEAR);
    EXPECT_EQ(appState.dateOffset, -604800 + 31536000);
    command(CalendarWindow::ID_PREV_YEAR);
    command(CalendarWindow::ID_PREV_YEAR);
    EXPECT_EQ(appState.dateOffset, -604800 - 31536000);
    command(CalendarWindow::ID_THIS_WEEK);
    EXPECT_EQ(appState.dateOffset, 0);
    // Every step redraws: Tom's missing plans are reported each time.
    EXPECT_EQ(prompts.count("information"), 7u);
    EXPECT_EQ(prompts.last().caption, "CalendarWindow::drawPlan - No plans exist.");
}

TEST_F(CalendarCommands, TermForwardGoesToTheDayAfterTheNextTermStarts) {
    show(2014, 5, 14);
    command(CalendarWindow::ID_NEXT_TERM);
    EXPECT_NEAR((double)shown(), (double)afterTermStart(2014, 7, 21), 2.0);
}

TEST_F(CalendarCommands, TermForwardAfterTheLastTermLeavesTheWeekButRedraws) {
    show(2014, 8, 6);
    FXlong before = appState.dateOffset;
    command(CalendarWindow::ID_NEXT_TERM);
    EXPECT_EQ(appState.dateOffset, before);
    EXPECT_EQ(prompts.count("information"), 1u);  // the redraw happened
}

TEST_F(CalendarCommands, TermBackGoesToTheStartOfThePreviousTerm) {
    show(2014, 8, 6);
    command(CalendarWindow::ID_PREV_TERM);
    EXPECT_NEAR((double)shown(), (double)afterTermStart(2014, 4, 28), 2.0);
    command(CalendarWindow::ID_PREV_TERM);  // now in term 2, one day after its start
    EXPECT_NEAR((double)shown(), (double)afterTermStart(2014, 2, 3), 2.0);
}

TEST_F(CalendarCommands, TermBackWithOneTermBehindGoesToItsStartAndWithNoneStays) {
    show(2014, 3, 1);
    command(CalendarWindow::ID_PREV_TERM);
    EXPECT_NEAR((double)shown(), (double)afterTermStart(2014, 2, 3), 2.0);

    show(2013, 12, 1);
    FXlong before = appState.dateOffset;
    command(CalendarWindow::ID_PREV_TERM);
    EXPECT_EQ(appState.dateOffset, before);
}

TEST_F(CalendarCommands, FunctionKeysRefreshAndGoBackToThisWeek) {
    appState.dateOffset = 5 * 604800;
    FXEvent key;
    key.type = SEL_KEYPRESS;
    key.code = KEY_F7;
    key.state = 0;
    calendar->handle(calendar, FXSEL(SEL_KEYPRESS, 0), &key);
    EXPECT_EQ(appState.dateOffset, 0);

    prompts.clear();
    key.code = KEY_F5;
    calendar->handle(calendar, FXSEL(SEL_KEYPRESS, 0), &key);
    ASSERT_EQ(prompts.count("information"), 1u);  // a redraw
    EXPECT_EQ(prompts.last().text, "No plans have been loaded yet for this teacher.");
}

TEST_F(CalendarCommands, OptionsChangeOnlyTheStateAndShowTheirChecks) {
    FXMenuRadio english(calendar->getPopupMenu(), "probe");
    command(CalendarWindow::ID_ENGLISH);
    EXPECT_EQ(appState.americanDate, 0);
    calendar->handle(&english, FXSEL(SEL_UPDATE, CalendarWindow::ID_ENGLISH), nullptr);
    EXPECT_TRUE(english.getCheck());
    calendar->handle(&english, FXSEL(SEL_UPDATE, CalendarWindow::ID_AMERICAN), nullptr);
    EXPECT_FALSE(english.getCheck());
    command(CalendarWindow::ID_AMERICAN);
    EXPECT_EQ(appState.americanDate, 1);
    command(CalendarWindow::ID_WINDOWSREGISTRY);
    EXPECT_EQ(appState.registryTarget, 0);
    command(CalendarWindow::ID_FILEREGISTRY);
    EXPECT_EQ(appState.registryTarget, 1);
    EXPECT_TRUE(prompts.prompts.empty()) << "no redraw";
}

// Every command has its window now: "&Long Term", the last to come, opens
// one and says nothing is missing.
TEST_F(CalendarCommands, CommandsWithoutTheirWindowsSaySo) {
    command(CalendarWindow::ID_LONGTERM);
    for (const auto& p : prompts.prompts) EXPECT_EQ(p.text.find("is not available yet."), std::string::npos) << p.text;
    EXPECT_EQ(testsupport::deleteWindows<LongTermWindow>(app()), 1);
}

// Ends the modal dialog that runs when its timer fires, like a user pressing Close.
class ModalCloser : public FXObject {
public:
    std::string title;
    long handle(FXObject*, FXSelector, void*) override {
        FXWindow* modal = app()->getModalWindow();
        if (!modal) return 1;
        if (modal->isMemberOf(FXMETACLASS(FXTopWindow))) title = static_cast<FXTopWindow*>(modal)->getTitle().text();
        modal->handle(this, FXSEL(SEL_COMMAND, FXDialogBox::ID_CANCEL), nullptr);
        return 1;
    }
};

TEST_F(CalendarCommands, TeachersDialogHidesOtherMainWindowsAndClosedAtOnceKeepsTheTeacher) {
    FXMainWindow* other = new FXMainWindow(app(), "Long Term");
    other->create();
    other->show();
    appState.currentUserId = "2";
    appState.currentSyndicate = "1";
    ModalCloser closer;
    app()->addTimeout(&closer, 0, 400);  // after the dialog's own load timer
    command(CalendarWindow::ID_TEACHERS);
    app()->removeTimeout(&closer, 0);
    EXPECT_EQ(closer.title, "Teachers");
    EXPECT_FALSE(other->shown());
    EXPECT_TRUE(calendar->shown());
    EXPECT_STREQ(appState.currentUserId.text(), "2");
    EXPECT_STREQ(calendar->getUserText().text(), "Tom Hale");
    delete other;
}

TEST_F(CalendarCommands, UserTextAndAboutBox) {
    FXString name("Margaret O'Brien");
    command(CalendarWindow::ID_SETUSERTEXT, &name);
    EXPECT_STREQ(calendar->getUserText().text(), "Margaret O'Brien");

    FXDialogBox* about = calendar->makeAboutBox();
    EXPECT_STREQ(about->getTitle().text(), "About Plenwick");
    EXPECT_EQ(about->getWidth(), 400);
    EXPECT_EQ(about->getHeight(), 480);
    FXText* text = nullptr;
    for (FXWindow* w = about->getFirst(); w; w = w->getNext())
        if (w->isMemberOf(FXMETACLASS(FXText))) text = static_cast<FXText*>(w);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text->getText().text(),
                 "Version: 2.0.6\n\nPlenwick uses the following open source tools:\n\n"
                 "Fox Toolkit Library\nIsectd Middleware\nFirebird Relational Database\n");
    delete about;
}

}  // namespace

// "Unit Plan" for a teacher without plans or lessons: the editor opens on
// empty lists and says nothing (no lesson is looked up, no plan missed).
TEST_F(CalendarCommands, UnitPlanForATeacherWithoutLessonsOpensQuietly) {
    appState.currentUserId = "2";
    appState.currentSyndicate = "1";
    const int before = UnitPlanDialog::liveCount;
    command(CalendarWindow::ID_UNITPLAN);
    ASSERT_EQ(UnitPlanDialog::liveCount, before + 1);
    UnitPlanDialog* dialog = nullptr;
    for (FXWindow* w = app()->getRootWindow()->getFirst(); w; w = w->getNext())
        if (UnitPlanDialog* d = dynamic_cast<UnitPlanDialog*>(w)) dialog = d;
    ASSERT_NE(dialog, nullptr);
    // Its timers (the lists, then a preselection) run.
    for (int i = 0; i < 1000 && (app()->hasTimeout(dialog, UnitPlanDialog::ID_SELECTQUERY) ||
                                 app()->hasTimeout(dialog, UnitPlanDialog::ID_PRESELECT));
         ++i) {
        app()->runWhileEvents();
        usleep(10000);
    }
    EXPECT_FALSE(app()->hasTimeout(dialog, UnitPlanDialog::ID_SELECTQUERY));
    EXPECT_TRUE(prompts.prompts.empty()) << prompts.last().caption << ": " << prompts.last().text;
    EXPECT_EQ(dialog->currentLesson(), 0);
    delete dialog;
}

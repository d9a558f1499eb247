// Shared ground for the plan editor tests: one FOX application and one set
// of real services (router, worker, a fresh database) for the test program,
// a fixture that seeds a small school before each test, drives the dialog
// by what it shows (EditorDriver.h) and reads the database back through the
// middleware.
#ifndef PLENWICK_PLANEDITTEST_H
#define PLENWICK_PLANEDITTEST_H

#include <fx.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "planedit/EditorDriver.h"
#include "planedit/UnitPlanDialog.h"
#include "support/RecordingPrompter.h"
#include "support/Services.h"

namespace planedit {

FX::FXApp* app();
testsupport::Services& services();

// 'YYYY-MM-DD' of today plus a number of days (the clock without appState.dateOffset).
std::string day(int offset);
// 'YYYY-MM-DD' of this week's Monday plus a number of days.
std::string weekday(int offsetFromMonday);
// DD/MM/YY of an ISO date (the tests type dates day first).
std::string shown(const std::string& iso);

// Ids of the seeded rows.
enum : int {
    LEADER = 1,   // Lena, leads syndicate 1
    TEACHER = 2,  // Tia, in syndicate 1: the usual current user
    OTHER = 3,    // Otto, leads syndicate 3
    YEAR3 = 1,
    YEAR4 = 2,
    MATHS = 1,  // subjects of syndicate 1, in this order
    READING = 2,
    SCIENCE = 3,
    TERM1 = 1,  // TERM2 is current: it began three weeks before this Monday
    TERM2 = 2,
    TERM3 = 3,
    TERM4 = 4,
};

class PlanEdit : public testing::Test, public EditorDriver {
protected:
    testsupport::RecordingPrompter prompts;

    void SetUp() override;
    void TearDown() override;

    // Runs SQL statements (each ending with ";") through isql and commits.
    std::string sql(const std::string& statements);
    // First column of the first row through the middleware, trimmed ("" when none).
    std::string value(const std::string& query);
    int count(const std::string& query) { return std::atoi(value(query).c_str()); }

    // Logs in as a teacher of a syndicate (the ids as the database gives them).
    void loginAs(int teacher, int syndicate);

    // Rows put in directly; each returns the id.
    int addLongTerm(int id, const std::string& name, const std::string& start, const std::string& end,
                    int owner = TEACHER, int persistent = 0, int subject = MATHS);
    int addUnit(int id, int longTerm, const std::string& name, int type = 1, int transfer = 0, int teacher = TEACHER);
    int addLesson(int id, int unit, const std::string& name, const std::string& start, const std::string& end,
                  const std::string& timeStart = "09:00", const std::string& timeEnd = "09:50", int routineDay = 0);

    // A new dialog with its lists filled (the timers are taken off and
    // selectQuery run at once), or with its timers left to run.
    UnitPlanDialog* open(int longTermId = 0, int lessonId = 0);
    UnitPlanDialog* openTimed(int longTermId, int lessonId);
    // Closes the dialog at once (as the fixture does at the end).
    void close();

    // The errors recorded so far, "caption|text" each.
    std::vector<std::string> errors();
};

// The program's main: a display, one worker (and, with `searchService`,
// the search service beside it), the application; runs the tests.
int runPlanEditTests(int argc, char** argv, bool searchService);

// Lets the application process pending events, timers and chores.
void settle();
// Runs events until done() holds (at most a few seconds).
bool runUntil(const std::function<bool()>& done);

}  // namespace planedit

#endif

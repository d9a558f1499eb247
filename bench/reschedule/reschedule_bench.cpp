// Reschedule benchmark: the preview and the Apply of a term of 200 lessons
// (10 units of 20) moved one teaching day on, with five non-teaching days
// in the term, through the middleware.  Each round moves them on and the
// next back again.  Run under Xvfb:
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/reschedule_bench [rounds]
//
// Goal: preview and Apply together under 1 s.  The Apply's undo step is
// taken back and made again each round, and timed too.
#include <fx.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/UndoJournal.h"
#include "planedit/Reschedule.h"
#include "support/BenchProgram.h"
#include "support/Services.h"

using namespace FX;
using Clock = testsupport::BenchClock;
using testsupport::median;
using testsupport::msSince;

namespace {

// Term 1 of 2026 from Monday 2 February, 10 weeks; each unit's 20 lessons
// on the school days from the 2nd on, one a day at a time of its own.
void loadTerm(testsupport::Services& services) {
    std::string sql =
        "delete from LessonPlan; delete from UnitPlan; delete from LongTerm; delete from Teachers; "
        "delete from TermDate; delete from NonTeachingDay;"
        "insert into Teachers (Id, Teacher, Syndicate) values (1, 'Bench Teacher', 1);"
        "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (1, '2026-02-02', 10, 2026, "
        "1);"
        "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (2, '2026-04-27', 10, 2026, "
        "2);"
        "insert into LongTerm (Id, PlanName, PlanStart, PlanEnd, FKSyndicate, Persistant) values (1, 'Year', "
        "'2026-02-02', '2026-07-03', 1, 0);";
    for (const char* day : {"2026-02-06", "2026-03-09", "2026-03-10", "2026-04-03", "2026-04-06"})
        sql += std::string("insert into NonTeachingDay (FirstDay, LastDay, Name) values ('") + day + "', '" + day +
               "', 'Closed');";
    int id = 1;
    for (int u = 1; u <= 10; ++u) {
        sql += "insert into UnitPlan (Id, UnitName, UnitType, FKLongTerm, FKTeacher, Rotate) values (" +
               std::to_string(u) + ", 'Unit " + std::to_string(u) + "', 1, 1, 1, 0);";
        FXString day = "2026-02-02";
        for (int l = 0; l < 20; ++l, ++id) {
            while (dates::weekday(dates::localMoment(day, 12, 0)) % 6 == 0) day = dates::addDays(day, 1);
            const std::string time = (u < 10 ? "0" : "") + std::to_string(u) + ":00";
            sql +=
                "insert into LessonPlan (Id, LessonName, FKUnitPlan, DateStart, DateEnd, TimeStart, TimeEnd) "
                "values (" +
                std::to_string(id) + ", 'Lesson " + std::to_string(id) + "', " + std::to_string(u) + ", '" +
                day.text() + "', '" + day.text() + "', '" + time + "', '" + time.substr(0, 2) + ":45');";
            day = dates::addDays(day, 1);
        }
    }
    services.isql(sql + "commit;");
}

}  // namespace

int main(int argc, char** argv) {
    if (!getenv("DISPLAY")) {
        fprintf(stderr, "reschedule_bench: no display; run under xvfb-run\n");
        return 2;
    }
    const int rounds = argc > 1 ? std::max(2, atoi(argv[1])) : 10;
    testsupport::ServicesOptions options;
    options.workers = 1;
    testsupport::Services services(options);
    loadTerm(services);
    testsupport::BenchProgram program(services, argc, argv);
    appState.currentUserId = "1";
    appState.currentSyndicate = "1";

    std::vector<double> previews, applies, undos, redos;
    size_t moved = 0;
    for (int i = 0; i < rounds; ++i) {
        reschedule::Request request;
        request.fromDate = "2026-02-01";
        request.days = i % 2 ? -1 : 1;
        reschedule::Plan plan;
        Clock::time_point start = Clock::now();
        if (!reschedule::preview(request, plan)) return 1;
        previews.push_back(msSince(start));
        start = Clock::now();
        if (!reschedule::apply(plan)) return 1;
        applies.push_back(msSince(start));
        moved = plan.moves.size();
        // The Apply's step taken back and made again.
        start = Clock::now();
        if (!undo::undoLast().done) return 1;
        undos.push_back(msSince(start));
        start = Clock::now();
        if (!undo::redoLast().done) return 1;
        redos.push_back(msSince(start));
    }
    printf(
        "reschedule_bench: %zu lessons one teaching day on (and back), median of %d: preview %.0f ms, apply %.0f "
        "ms, together %.0f ms (goal < 1000 ms); its undo %.0f ms, redo %.0f ms\n",
        moved, rounds, median(previews), median(applies), median(previews) + median(applies), median(undos),
        median(redos));
    return moved == 200 ? 0 : 1;
}

// Long-term benchmark: drawPlan of a term of 14 weeks, 20 subjects and 60
// long-term plans into a 1000 x 700 off-screen image, the queries through
// the middleware included.  Run under Xvfb:
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/longterm_bench [rounds]
//
// Goal: under 30 ms.
#include <fx.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/IsectRecordset.h"
#include "longterm/LongTermWindow.h"
#include "support/BenchProgram.h"
#include "support/Services.h"
#include "ui/AppResources.h"

using namespace FX;
using Clock = testsupport::BenchClock;
using testsupport::median;
using testsupport::msSince;

namespace {

// Term 3 of 2014 from Monday 21 July, 14 weeks; 20 subjects; three plans a
// subject (weeks 1-4, 5-9, 10-14), every other one the syndicate's.
void loadTerm(testsupport::Services& services) {
    std::string sql =
        "delete from Teachers; delete from TermDate; delete from Subject; delete from LongTerm;"
        "insert into Teachers (Id, Teacher, Syndicate) values (1, 'Bench Leader', 1);"
        "insert into Teachers (Id, Teacher, Syndicate) values (2, 'Bench Teacher', 1);"
        "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (1, '2014-07-21', 14, 2014, "
        "3);";
    const char* spans[3][2] = {
        {"2014-07-21", "2014-08-15"}, {"2014-08-18", "2014-09-19"}, {"2014-09-22", "2014-10-24"}};
    int id = 1;
    for (int s = 1; s <= 20; ++s) {
        sql += "insert into Subject (Id, Description, Ordinal, FKSyndicate) values (" + std::to_string(s) +
               ", 'Subject " + std::to_string(s) + "', " + std::to_string(s) + ", 1);";
        for (int p = 0; p < 3; ++p, ++id)
            sql +=
                "insert into LongTerm (Id, PlanName, Description, PlanStart, PlanEnd, FKSubject, FKSyndicate, "
                "Persistant) values (" +
                std::to_string(id) + ", 'Plan " + std::to_string(id) + " of the term', 'What the plan is about.', '" +
                spans[p][0] + "', '" + spans[p][1] + "', " + std::to_string(s) + ", " + std::to_string(id % 2 ? 1 : 2) +
                ", 0);";
    }
    services.isql(sql + "commit;");
}

}  // namespace

int main(int argc, char** argv) {
    if (!getenv("DISPLAY")) {
        fprintf(stderr, "longterm_bench: no display; run under xvfb-run\n");
        return 2;
    }
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
    testsupport::ServicesOptions options;
    options.workers = 1;
    testsupport::Services services(options);
    loadTerm(services);
    testsupport::BenchProgram program(services, argc, argv);
    FXApp& app = program.app;
    smallFont->create();
    labelFont->create();
    textFont->create();
    appState.currentUserId = "2";
    appState.currentSyndicate = "1";
    appState.dateOffset = dates::offsetFor(dates::localMoment(2014, 8, 6, 12, 0));

    LongTermWindow* window = new LongTermWindow(&app);
    FXImage image(&app, nullptr, IMAGE_KEEP, 1000, 700);
    image.create();
    std::vector<double> draws, queries;
    for (int i = 0; i < rounds; ++i) {
        Clock::time_point start = Clock::now();
        {
            FXDCWindow dc(&image);
            window->drawPlan(dc, 1000, 700);
        }
        app.flush(true);
        draws.push_back(msSince(start));
    }
    // The five statements alone, for comparison.
    for (int i = 0; i < rounds; ++i) {
        Clock::time_point start = Clock::now();
        IsectRecordset rs, subjects;
        rs.inTransaction = 1;
        rs.OpenRecordset("Select Teacher,Syndicate from Teachers Where Id = 2");
        rs.OpenRecordset("Select First 1 Id from LongTerm Where FKSyndicate = 1 or FKSyndicate = 2");
        rs.OpenRecordset(
            "Select SchoolWeeks,FirstDay,SchoolYear,SchoolTerm from TermDate Where FirstDay <= '2014-08-06'");
        rs.OpenRecordset(
            "Select Id, FKSubject, PlanName, PlanStart, PlanEnd, Description, FKSyndicate from LongTerm Where"
            " (FKSyndicate = 1 or FKSyndicate = 2) and (PlanEnd >= '2014-07-21' and PlanEnd < '2014-10-26'"
            " or PlanStart <= '2014-10-26' and PlanEnd >= '2014-10-26') and Persistant = 0 Order By Id");
        rs.CommitTrans();
        subjects.OpenRecordset("Select * from GetCurrentSubjects(1,'2014-08-06')");
        queries.push_back(msSince(start));
    }
    const int plans = window->planColours.RowCount();
    delete window;
    printf(
        "longterm_bench: drawPlan, a term of 14 weeks, 20 subjects and 60 plans (%d drawn), 1000x700 image,"
        " median of %d: %.1f ms (goal < 30 ms)\n",
        plans, rounds, median(draws));
    printf("longterm_bench: of which its five statements through the middleware: %.1f ms\n", median(queries));
    if (program.prompts.count)
        printf("longterm_bench: %d prompts during the drawing (see above)\n", program.prompts.count);
    return plans == 60 ? 0 : 1;
}

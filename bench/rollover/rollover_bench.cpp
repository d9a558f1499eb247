// Rollover benchmark: a school year of four terms with 400 lessons (20
// units of 20, every text of a lesson some 300 characters) and 50 MB of
// attachments (20 files of 2.5 MB) copied into the next year, through the
// middleware, with the real progress window.  Each round takes the copies
// away again by the ids the rollover handed back.  Run under Xvfb:
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/rollover_bench [rounds]
//
// Goal: preview and store together under 10 s.
#include <fx.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/AppState.h"
#include "data/Dates.h"
#include "planedit/Rollover.h"
#include "support/BenchProgram.h"
#include "support/Services.h"

using namespace FX;
using Clock = testsupport::BenchClock;
using testsupport::median;
using testsupport::msSince;

namespace {

constexpr int unitsPerTerm = 5, lessonsPerUnit = 20, attachments = 20;
constexpr int chunksPerAttachment = 2500 * 1024 / 999 * 4 / 3;  // 2.5 MB as base64 chunks

std::string ids(const std::vector<FXint>& list) {
    std::string text;
    for (FXint id : list) text += (text.empty() ? "" : ",") + std::to_string(id);
    return text;
}

void loadYear(testsupport::Services& services) {
    std::string sql =
        "delete from LessonPlan; delete from UnitPlan; delete from LongTerm; delete from Teachers; "
        "delete from TermDate; delete from NonTeachingDay; delete from UnitBinary; delete from BinaryDescription;"
        "set generator NEWLONGTERM to 1000; set generator NEWUNITPLAN to 1000; set generator NEWLESSONPLAN to 1000;"
        "insert into Teachers (Id, Teacher, Syndicate) values (1, 'Bench Teacher', 1);"
        "insert into NonTeachingDay (FirstDay, LastDay, Name) values ('2027-04-26', '2027-04-26', 'Anzac Day');";
    const char* const firstDays[] = {"2026-02-02", "2026-04-27", "2026-07-20", "2026-10-12",
                                     "2027-02-01", "2027-04-26", "2027-07-12", "2027-10-04"};
    for (int t = 0; t < 8; ++t)
        sql += "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (" +
               std::to_string(t + 1) + ", '" + firstDays[t] + "', " + (t == 5 ? "9" : "10") + ", " +
               (t < 4 ? "2026" : "2027") + ", " + std::to_string(t % 4 + 1) + ");";
    const std::string text(300, 'x');
    int lesson = 1;
    for (int t = 0; t < 4; ++t) {
        const FXString start = firstDays[t];
        sql +=
            "insert into LongTerm (Id, PlanName, Description, PlanStart, PlanEnd, FKSyndicate, Persistant) values (" +
            std::to_string(t + 1) + ", 'Term plan', '" + text + "', '" + start.text() + "', '" +
            dates::addDays(start, 67).text() + "', 1, 0);";
        for (int u = 0; u < unitsPerTerm; ++u) {
            const int unit = t * unitsPerTerm + u + 1;
            sql +=
                "insert into UnitPlan (Id, UnitName, UnitDescription, UnitType, FKLongTerm, FKTeacher, Rotate) "
                "values (" +
                std::to_string(unit) + ", 'Unit', '" + text + "', 1, " + std::to_string(t + 1) + ", 1, 0);";
            for (int l = 0; l < lessonsPerUnit; ++l, ++lesson) {
                // Two lessons a week a unit, at a time of the unit's own.
                const FXString day = dates::addDays(start, (l / 2) * 7 + (l % 2) * 2 + u % 3);
                const std::string time = "0" + std::to_string(u + 1) + ":00";
                sql +=
                    "insert into LessonPlan (Id, LessonName, LessonES, LessonAO, LessonSLO, LessonIntro, LessonDev, "
                    "LessonClose, LessonTest, LessonResource, LessonReflect, FKUnitPlan, DateStart, DateEnd, "
                    "TimeStart, TimeEnd) values (" +
                    std::to_string(lesson) + ", 'Lesson', '" + text + "', '" + text + "', '" + text + "', '" + text +
                    "', '" + text + "', '" + text + "', '" + text + "', '" + text + "', '" + text + "', " +
                    std::to_string(unit) + ", '" + day.text() + "', '" + day.text() + "', '" + time + "', '" +
                    time.substr(0, 2) + ":45');";
            }
        }
    }
    // The attachments' chunks are written by the database itself.
    const std::string chunk(999, 'Q');
    sql += "SET TERM ^ ;";
    for (int a = 0; a < attachments; ++a) {
        const std::string id = std::to_string(a + 1), unit = std::to_string(a + 1);
        sql +=
            "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN "
            "INSERT INTO BinaryDescription (Id, FileName, FileSize, Description, Ready) VALUES (" +
            id + ", 'file" + id + ".bin', " + std::to_string(chunksPerAttachment * 999 / 4 * 3) +
            ", '', 0); WHILE (I < " + std::to_string(chunksPerAttachment) +
            ") DO BEGIN INSERT INTO UnitBinary (Id, BinaryId, BinaryIncrement, BinaryData, FKUnitPlan) VALUES ("
            "IIF(:I = 0, " +
            id + ", GEN_ID(NEWUNITBINARY, 1) + 100000), " + id + ", :I, '" + chunk + "', " + unit +
            "); I = I + 1; END END^";
    }
    sql += "SET TERM ; ^";
    const std::string out = services.isql(sql + "commit;");
    if (!out.empty()) fprintf(stderr, "rollover_bench: %s\n", out.c_str());
    services.isql("set generator NEWUNITBINARY to 10000000; commit;");
}

}  // namespace

int main(int argc, char** argv) {
    if (!getenv("DISPLAY")) {
        fprintf(stderr, "rollover_bench: no display; run under xvfb-run\n");
        return 2;
    }
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    testsupport::ServicesOptions options;
    options.workers = 1;
    testsupport::Services services(options);
    loadYear(services);
    testsupport::BenchProgram program(services, argc, argv);
    appState.currentUserId = "1";
    appState.currentSyndicate = "1";
    FXMainWindow* window =
        new FXMainWindow(&program.app, "Rollover bench", nullptr, nullptr, DECOR_ALL, 0, 0, 600, 400);
    window->create();
    window->show(PLACEMENT_SCREEN);

    std::vector<double> previews, stores;
    size_t lessons = 0, attached = 0, chunks = 0;
    for (int i = 0; i < rounds; ++i) {
        rollover::Plan plan;
        Clock::time_point start = Clock::now();
        if (!rollover::preview(2026, 2027, plan)) return 1;
        previews.push_back(msSince(start));
        rollover::Stored stored;
        start = Clock::now();
        if (rollover::store(window, plan, rollover::NEXT_TEACHING_DAY, stored) != rollover::STORED) return 1;
        stores.push_back(msSince(start));
        lessons = stored.lessons.size();
        attached = stored.attachments.size();
        chunks = 0;
        for (const rollover::AttachmentCopy& a : plan.attachments) chunks += (size_t)a.chunks;
        services.isql("delete from UnitPlan where Id in (" + ids(stored.units) +
                      "); delete from LongTerm where Id in (" + ids(stored.longTerms) +
                      "); delete from YearRollover; commit;");
    }
    printf(
        "rollover_bench: %zu lessons, %zu attachments (%zu chunks, %.1f MB) of 2026 into 2027, median of %d: "
        "preview %.0f ms, store %.0f ms, together %.0f ms (goal < 10000 ms)\n",
        lessons, attached, chunks, chunks * 999.0 * 3 / 4 / 1e6, rounds, median(previews), median(stores),
        median(previews) + median(stores));
    return lessons == 400 && attached == attachments ? 0 : 1;
}

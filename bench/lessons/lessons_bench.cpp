// Printed lessons benchmark, on the embedded default (a database file, the
// router and two workers):
//   - "Print &Unit" of 100 lessons as lesson pages into a PostScript file,
//   - "Print Unit Summa&ry" of a unit of 200 lessons into a PostScript file,
//   each from the command (the unit's query) to the closed file, with the
//   statements alone and the drawing into a job that writes nothing beside;
//   - the lesson dialog's preview redraw of one lesson page (its two
//     statements, the drawing at the preview's scale).
// Run under Xvfb:
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/lessons_bench
//
// Goals: each print under 2 s, the preview redraw under 30 ms.
#include <fx.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/IsectRecordset.h"
#include "lessons/LessonDialog.h"
#include "lessons/LessonPage.h"
#include "print/FXDCNativePrinter.h"
#include "print/PrintCommand.h"
#include "support/Services.h"
#include "support/TestFiles.h"
#include "ui/AppResources.h"
#include "ui/Prompter.h"

using namespace FX;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A school with one teacher, a unit of 100 lessons and one of 200, every
// lesson with a few sentences in each text.
void loadSchool(testsupport::Services& services) {
    const std::string monday = dates::isoDate(dates::now()).text();
    std::string sql =
        "insert into Teachers (Id, Teacher, Syndicate) values (1, 'Bench Teacher', 1);"
        "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (1, '" +
        monday +
        "', 40, 2026, 1);"
        "insert into Subject (Id, Description, Ordinal, FKSyndicate, FKTermDateStart) values (1, 'Maths', 1, 1, 1);"
        "insert into LongTerm (Id, PlanName, Description, PlanStart, PlanEnd, FKSubject, FKYear, FKSyndicate, "
        "Persistant) values (1, 'Number', 'Number sense for the whole year, with fractions and decimals.', '" +
        monday + "', '" + monday +
        "', 1, 1, 1, 0);"
        "insert into UnitPlan (Id, UnitName, UnitDescription, UnitType, FKLongTerm, FKTeacher) values "
        "(1, 'Hundred', 'A unit of one hundred lessons.', 1, 1, 1);"
        "insert into UnitPlan (Id, UnitName, UnitDescription, UnitType, FKLongTerm, FKTeacher) values "
        "(2, 'Two hundred', 'A unit of two hundred lessons.', 1, 1, 1);";
    const std::string text =
        "Children work in pairs with paper strips, fold them into halves and quarters, "
        "label each part and compare what they found with the next pair.";
    for (int id = 1; id <= 300; ++id) {
        const int unit = id <= 100 ? 1 : 2;
        const std::string day = dates::isoDate(dates::addDays(dates::now(), (id % 200) / 5)).text();
        char times[64];
        snprintf(times, sizeof times, "'%02d:00', '%02d:50'", 9 + id % 5, 9 + id % 5);
        sql +=
            "insert into LessonPlan (Id, LessonName, LessonES, LessonAO, LessonSLO, LessonIntro, LessonDev, "
            "LessonClose, LessonTest, LessonResource, LessonReflect, DateStart, DateEnd, TimeStart, TimeEnd, "
            "FKUnitPlan) values (" +
            std::to_string(id) + ", 'Lesson " + std::to_string(id) + "'";
        for (int f = 0; f < 9; ++f) sql += ", '" + text + "'";
        sql += ", '" + day + "', '" + day + "', " + times + ", " + std::to_string(unit) + ");";
        if (id % 50 == 0) {
            services.isql(sql + "commit;");
            sql.clear();
        }
    }
    if (!sql.empty()) services.isql(sql + "commit;");
}

class SilentPrompter : public FXPrompter {
public:
    void error(FXWindow*, const FXString&, const FXString& t) override { fprintf(stderr, "error: %s\n", t.text()); }
    void warning(FXWindow*, const FXString&, const FXString& t) override { fprintf(stderr, "warning: %s\n", t.text()); }
    void information(FXWindow*, const FXString&, const FXString&) override {}
    bool question(FXWindow*, const FXString&, const FXString&) override { return false; }  // go on printing
};

struct Figures {
    double total = 0, statements = 0, drawing = 0;
    int pages = 0;
    long bytes = 0;
};

// One print command of the dialog on the lesson `first` of a unit, into a
// PostScript file: the unit's query, the job, the closed file.
Figures printUnit(LessonDialog* dialog, LessonDialog::Command command, FXint first, const std::string& file) {
    Figures f;
    std::vector<double> totals;
    for (int round = 0; round < 3; ++round) {
        unlink(file.c_str());
        Clock::time_point start = Clock::now();
        dialog->currentLesson = first;
        dialog->loadUnit();
        const std::vector<FXint> ids = dialog->lessonsOf(command);
        FXNativePrinter job;
        job.name = file.c_str();
        job.flags = FXNativePrinter::DEST_FILE | FXNativePrinter::SCREEN_UNITS;
        int pages = 0;
        PrintCommand::print(dialog, job, [&](FXDCNativePrinter& dc) {
            dialog->printJob(dc, command, ids);
            pages = dc.getPagesEnded();
        });
        totals.push_back(msSince(start));
        f.pages = pages;
    }
    f.total = median(totals);
    struct stat st;
    f.bytes = stat(file.c_str(), &st) == 0 ? (long)st.st_size : 0;

    // The statements alone: the unit's, then each lesson's (the page runs
    // two: the teacher and the lesson; a summary row one).
    dialog->loadUnit();
    const std::vector<FXint> ids = dialog->lessonsOf(command);
    Clock::time_point start = Clock::now();
    IsectRecordset rs;
    dialog->loadUnit();
    for (FXint id : ids) {
        if (command == LessonDialog::PRINT_UNIT) {
            rs.OpenRecordset("Select Teacher from Teachers where Id = " + appState.currentUserId);
            rs.OpenRecordset(lessonPageStatement(id));
        } else {
            rs.OpenRecordset(LessonDialog::summaryStatement(id));
        }
    }
    f.statements = msSince(start);
    f.drawing = f.total - f.statements;
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    testsupport::Services services;  // embedded database, two workers
    testsupport::TempDir dir("plenwick-lessons-bench");
    std::string home = dir.file("home");
    mkdir(home.c_str(), 0700);
    setenv("HOME", home.c_str(), 1);
    testsupport::ScopedChdir here(services.workdir());
    loadSchool(services);

    FXApp app("Plenwick", "Brellmoor");
    createResources(&app);
    app.init(argc, argv);
    app.create();
    createCursors(&app);
    SilentPrompter prompts;
    Prompter::install(&prompts);
    appState.currentUserId = "1";
    appState.currentSyndicate = "1";
    app.reg().writeStringEntry("PAPER", "0", "[Letter] 1 612.00000 792.00000 72 72 72 72");
    app.reg().writeIntEntry("PRINTER", "printtofile", 1);

    FXStringRecordset week;
    week.AddField("1", TRUE);
    for (const char* f : {"4294967295", "4278190080", "1", "1", "Junk,1", "0"}) week.AddField(f, FALSE);
    LessonDialog* dialog = new LessonDialog(&app, dates::now(), 0, week);
    app.removeTimeout(dialog, LessonDialog::ID_START);
    dialog->create();
    dialog->start();
    dialog->chooseDay(0);

    Figures pages = printUnit(dialog, LessonDialog::PRINT_UNIT, 1, dir.file("pages.ps"));
    printf(
        "Print Unit, 100 lesson pages to PostScript: %.0f ms (%d pages, %ld kB); statements %.0f ms, drawing and "
        "writing %.0f ms\n",
        pages.total, pages.pages, pages.bytes / 1024, pages.statements, pages.drawing);
    Figures summary = printUnit(dialog, LessonDialog::PRINT_UNIT_SUMMARY, 101, dir.file("summary.ps"));
    printf(
        "Print Unit Summary, 200 lessons to PostScript: %.0f ms (%d pages, %ld kB); statements %.0f ms, drawing "
        "and writing %.0f ms\n",
        summary.total, summary.pages, summary.bytes / 1024, summary.statements, summary.drawing);

    // The preview: one lesson page drawn again, as a tab change or a resize does.
    dialog->currentLesson = 1;
    dialog->resize(1000, 1200);
    dialog->layout();
    dialog->preview->repaint();
    std::vector<double> redraws, statementsOnly;
    for (int i = 0; i < 30; ++i) {
        Clock::time_point start = Clock::now();
        dialog->drawPreview();
        app.flush(true);
        redraws.push_back(msSince(start));
        start = Clock::now();
        IsectRecordset rs;
        rs.OpenRecordset("Select Teacher from Teachers where Id = " + appState.currentUserId);
        rs.OpenRecordset(lessonPageStatement(1));
        statementsOnly.push_back(msSince(start));
    }
    printf("Preview redraw of one lesson page (%dx%d): %.1f ms; its two statements %.1f ms\n",
           dialog->preview->getWidth(), dialog->preview->getHeight(), median(redraws), median(statementsOnly));
    delete dialog;
    Prompter::install(nullptr);
    IsectRecordset::Disconnect();
    return 0;
}

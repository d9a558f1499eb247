// Printed lessons benchmark, on the embedded default (a database file, the
// router and two workers):
//   - "Print &Unit" of 100 lessons as lesson pages into a PostScript file,
//     into a PDF file and to a CUPS queue (a scheduler of its own, from
//     scripts/cups-test-queue; skipped where it cannot start), once with
//     texts in ISO Latin-1 and once in te reo Maori with its macrons (so
//     that the fonts' programs are embedded),
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

#include <cups/cups.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
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
void loadSchool(testsupport::Services& services, bool maori) {
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
    // The second text in UTF-8, as the client stores what is typed.
    const std::string text = maori ? "Ka mahi ngā tamariki takirua ki ngā rīpene pepa, ka whakakōpaki ki ngā "
                                     "haurua me ngā hauwhā, ka tapa i ia wāhanga – “he pai tēnei” – €2."
                                   : "Children work in pairs with paper strips, fold them into halves and quarters, "
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
    FXint choose(FXWindow*, const FXString&, const FXString&, const std::vector<FXString>&) override {
        return 0;  // print the large job
    }
};

struct Figures {
    double total = 0, statements = 0, drawing = 0;
    int pages = 0;
    long bytes = 0;
};

Figures printUnitTo(LessonDialog* dialog, LessonDialog::Command command, FXint first, const std::string& file,
                    FXuint flags, double* completed = nullptr);

// One print command of the dialog on the lesson `first` of a unit, into a
// PostScript file: the unit's query, the job, the closed file.
Figures printUnit(LessonDialog* dialog, LessonDialog::Command command, FXint first, const std::string& file) {
    return printUnitTo(dialog, command, first, file, FXNativePrinter::DEST_FILE);
}

// A private CUPS scheduler with one queue (scripts/cups-test-queue).
struct Queue {
    std::string dir, name, output;
    bool ready = false;
};

void waitForJob(const std::string& queue, int id) {
    for (int round = 0; round < 6000; round++) {
        cups_job_t* jobs = nullptr;
        int n = cupsGetJobs(&jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ALL);
        ipp_jstate_t state = IPP_JSTATE_PENDING;
        for (int i = 0; i < n; i++)
            if (jobs[i].id == id) state = jobs[i].state;
        cupsFreeJobs(n, jobs);
        if (state >= IPP_JSTATE_CANCELED) return;
        usleep(10000);
    }
}

Queue* queue = nullptr;

// The job `flags` and `name` describe: a file, or the queue (name empty).
Figures printUnitTo(LessonDialog* dialog, LessonDialog::Command command, FXint first, const std::string& file,
                    FXuint flags, double* completed) {
    Figures f;
    std::vector<double> totals, done;
    for (int round = 0; round < 3; ++round) {
        unlink(file.c_str());
        Clock::time_point start = Clock::now();
        dialog->currentLesson = first;
        dialog->loadUnit();
        const std::vector<FXint> ids = dialog->lessonsOf(command);
        FXNativePrinter job;
        job.name = flags ? file.c_str() : queue->name.c_str();
        // As the lesson dialog prints: footers, whose page count lays the job out once more.
        job.flags = flags | FXNativePrinter::SCREEN_UNITS | FXNativePrinter::PAGE_FOOTER;
        int pages = 0;
        FXint jobid = 0;
        PrintCommand::print(
            dialog, job,
            [&](FXDCNativePrinter& dc) {
                dialog->printJob(dc, command, ids);
                pages = dc.getPagesEnded();
            },
            &jobid);
        totals.push_back(msSince(start));
        if (!flags) {
            waitForJob(queue->name, jobid);
            done.push_back(msSince(start));
        }
        f.pages = pages;
    }
    f.total = median(totals);
    if (completed && !done.empty()) *completed = median(done);
    struct stat st;
    const std::string written = flags ? file : queue->output;
    f.bytes = stat(written.c_str(), &st) == 0 ? (long)st.st_size : 0;

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

Queue startQueue(const std::string& dir) {
    Queue q;
    q.dir = dir;
    const std::string script = testsupport::shellQuote(testsupport::sourceDir() + "/scripts/cups-test-queue");
    std::string text;
    if (testsupport::run(script + " " + testsupport::shellQuote(dir) + " 2>&1", &text) != 0) {
        fprintf(stderr, "no CUPS queue: %s\n", text.c_str());
        return q;
    }
    std::istringstream lines(text);
    std::string line, server;
    while (std::getline(lines, line)) {
        if (line.rfind("CUPS_SERVER=", 0) == 0) server = line.substr(12);
        if (line.rfind("PLENWICK_TEST_QUEUE=", 0) == 0) q.name = line.substr(20);
        if (line.rfind("PLENWICK_TEST_OUTPUT=", 0) == 0) q.output = line.substr(21);
    }
    if (server.empty() || q.name.empty()) return q;
    setenv("CUPS_SERVER", server.c_str(), 1);
    cupsSetServer(server.c_str());
    q.ready = true;
    return q;
}

void stopQueue(const Queue& q) {
    const std::string script = testsupport::shellQuote(testsupport::sourceDir() + "/scripts/cups-test-queue");
    testsupport::run(script + " --stop " + testsupport::shellQuote(q.dir));
}

int main(int argc, char** argv) {
    const bool maori = argc > 1 && std::string(argv[1]) == "--maori";
    testsupport::Services services;  // embedded database, two workers
    testsupport::TempDir dir("plenwick-lessons-bench");
    std::string home = dir.file("home");
    mkdir(home.c_str(), 0700);
    setenv("HOME", home.c_str(), 1);
    testsupport::ScopedChdir here(services.workdir());
    loadSchool(services, maori);

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
    Figures pdf = printUnitTo(dialog, LessonDialog::PRINT_UNIT, 1, dir.file("pages.pdf"), FXNativePrinter::DEST_PDF);
    printf("Print Unit, 100 lesson pages to PDF: %.0f ms (%d pages, %ld kB)\n", pdf.total, pdf.pages, pdf.bytes / 1024);
    testsupport::TempDir cups("plenwick-bench-cups");
    Queue q = startQueue(cups.path());
    if (q.ready) {
        queue = &q;
        double completed = 0;
        Figures printed = printUnitTo(dialog, LessonDialog::PRINT_UNIT, 1, std::string(), 0, &completed);
        printf(
            "Print Unit, 100 lesson pages to the CUPS queue: %.0f ms to the queue, %.0f ms to the printed job (%ld "
            "kB)\n",
            printed.total, completed, printed.bytes / 1024);
        stopQueue(q);
        queue = nullptr;
    }
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

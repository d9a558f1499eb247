// Shared ground for the printed-lessons tests: one FOX application and one
// set of real services (router, worker, a fresh database) for the test
// program, a fixture that seeds a small school before each test, and
// helpers that print to files and read them back with Ghostscript and
// poppler (PrintTestSupport.h).
#ifndef PLENWICK_LESSONSTEST_H
#define PLENWICK_LESSONSTEST_H

#include <fx.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "print/FXDCNativePrinter.h"
#include "print/FXNativePrinter.h"
#include "print/PrintTestSupport.h"
#include "support/RecordingPrompter.h"
#include "support/Services.h"

namespace lessonstest {

FX::FXApp* app();
testsupport::Services& services();

// The tests' week is fixed: Monday 10 June 2030 (the fourth week of term 2)
// to Friday 14 June, shown as the calendar's current week (the fixture sets
// appState.dateOffset), so that what a test expects of dates does not come
// from the date routines it tests.
// 'YYYY-MM-DD' of that Monday plus a number of days.
std::string weekday(int offsetFromMonday);
// 'DD/MM/YY' of the same day.
std::string shownDay(int offsetFromMonday);
// The moment of that Monday at the school's start (8:45, local time).
FX::FXlong mondayMoment();
// The appState.dateOffset that makes that week the current one.
FX::FXlong weekOffset();

enum : int {
    TEACHER = 2,  // Tia Teacher, the current user
    MATHS = 1,
    NUMBER = 10,  // long-term plan "Number", about the current term
    FRACTIONS = 20,
};

class Lessons : public testing::Test {
protected:
    testsupport::RecordingPrompter prompts;
    FX::FXMainWindow* owner = nullptr;
    std::string dir;  // a scratch directory of the test

    void SetUp() override;
    void TearDown() override;

    // Runs SQL statements (each ending with ";") through isql and commits.
    std::string sql(const std::string& statements);
    // Rows put in directly.
    void addUnit(int id, const std::string& name, int type = 1, int rotate = 0);
    void addLesson(int id, int unit, const std::string& name, const std::string& start,
                   const std::string& timeStart = "09:00", const std::string& timeEnd = "09:50",
                   const std::string& end = "");
    // Stores a text as the plan editor does (through EscapeText and the
    // middleware) in a column of a lesson.
    void storeText(int lessonId, const std::string& column, const std::string& text);

    // A job to a file in the scratch directory (PostScript unless flags say
    // otherwise) on Letter paper with margins of 72 points.
    FXNativePrinter job(const std::string& name, FX::FXuint flags = FXNativePrinter::DEST_FILE);
    // Runs a print routine as a job, without the print dialog.
    bool print(FXNativePrinter& printer, const std::function<void(FXDCNativePrinter&)>& routine);

    // The print dialog answered as a user would: the PostScript file (1),
    // HTML file (2) or PDF file (3) `file`, then accepted.
    void answerPrintDialog(int destination, const std::string& file);
    printtest::ModalAnswer dialogAnswer;

    // Checks of a PostScript file: Ghostscript renders it without error, it
    // has `pages` pages, every page's ink lies on the Letter sheet and the
    // footer is on every page.
    void expectGoodPostscript(const std::string& file, int pages);
    // The words pdftotext finds, joined with single spaces.
    std::string textOf(const std::string& file);
    // The errors recorded so far, "caption|text" each.
    std::vector<std::string> errors();
};

// Lets the application process pending events, timers and chores.
void settle();
// Runs events until done() holds (at most twenty seconds).
bool runUntil(const std::function<bool()>& done);

}  // namespace lessonstest

#endif

#include "lessons/LessonsTest.h"

#include <unistd.h>

#include <chrono>
#include <ctime>
#include <sstream>

#include "data/AppState.h"
#include "data/IsectRecordset.h"
#include "lessons/LessonDialogOpened.h"
#include "print/FXNativePrintDialog.h"
#include "print/PrintCommand.h"
#include "support/GuiTestApp.h"
#include "ui/AppResources.h"

using namespace FX;

namespace lessonstest {
namespace {
FXApp* theApp = nullptr;
testsupport::Services* theServices = nullptr;

std::string quoted(const std::string& s) { return "'" + s + "'"; }
}  // namespace

FXApp* app() { return theApp; }
testsupport::Services& services() { return *theServices; }

namespace {
// The day as the C library counts it: the Monday plus `offset` days, at
// `hour`:`minute` local time.
struct tm fixedDay(int offset, int hour = 12, int minute = 0) {
    struct tm day = {};
    day.tm_year = 2030 - 1900;
    day.tm_mon = 5;  // June
    day.tm_mday = 10 + offset;
    day.tm_hour = hour;
    day.tm_min = minute;
    day.tm_isdst = -1;
    mktime(&day);  // brings the day into its month
    return day;
}

std::string format(int offset, const char* pattern) {
    struct tm day = fixedDay(offset);
    char text[32];
    strftime(text, sizeof text, pattern, &day);
    return text;
}
}  // namespace

std::string weekday(int offsetFromMonday) { return format(offsetFromMonday, "%Y-%m-%d"); }

std::string shownDay(int offsetFromMonday) { return format(offsetFromMonday, "%d/%m/%y"); }

FXlong mondayMoment() {
    struct tm monday = fixedDay(0, 8, 45);
    return (FXlong)mktime(&monday);
}

FXlong weekOffset() {
    struct tm wednesday = fixedDay(2);
    return (FXlong)mktime(&wednesday) - (FXlong)time(nullptr);
}

void settle() { testsupport::settle(theApp); }

bool runUntil(const std::function<bool()>& done) {
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        if (!theApp->peekEvent()) usleep(5000);
        theApp->runWhileEvents();
    }
    return true;
}

void Lessons::SetUp() {
    printtest::useApp(theApp, theApp->getDisplay() != nullptr);
    // Four terms of 2030; the second began three weeks before the tests' Monday.
    auto term = [&](int id, int offset) {
        return "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (" +
               std::to_string(id) + ", " + quoted(weekday(-21 + offset)) + ", 10, 2030, " + std::to_string(id) + ");\n";
    };
    sql("delete from LessonPlan; delete from UnitPlan; delete from LongTerm; delete from Subject;"
        "delete from ChildYear; delete from Teachers; delete from TermDate;\n" +
        term(1, -84) + term(2, 0) + term(3, 84) + term(4, 168) +
        "insert into Teachers (Id, Teacher, Syndicate) values (1, 'Lena Leader', 1);\n"
        "insert into Teachers (Id, Teacher, Syndicate) values (2, 'Tia Teacher', 1);\n"
        "insert into ChildYear (Id, Description) values (2, 'Year 4');\n"
        "insert into Subject (Id, Description, Ordinal, FKSyndicate, FKTermDateStart) values (1, 'Maths', 1, 1, 1);\n"
        "insert into LongTerm (Id, PlanName, Description, PlanStart, PlanEnd, FKSubject, FKYear, FKSyndicate, "
        "Persistant) values (10, 'Number', 'Number sense for the term', " +
        quoted(weekday(-21)) + ", " + quoted(weekday(40)) +
        ", 1, 2, 2, 0);\n"
        "insert into UnitPlan (Id, UnitName, UnitDescription, UnitType, FKLongTerm, FKTeacher, Transfer, Rotate) "
        "values (20, 'Fractions', 'Halves and quarters', 1, 10, 2, 0, 0);\n");
    appState = AppState();
    appState.dateOffset = weekOffset();
    appState.americanDate = 0;
    appState.currentUserId = FXStringFormat("%11d", TEACHER);
    appState.currentSyndicate = FXStringFormat("%11d", 1);
    theApp->reg().clear();
    lessons::setLessonDialogOpened(FALSE);
    owner = new FXMainWindow(theApp, "Owner", nullptr, nullptr, DECOR_ALL, 0, 0, 400, 300);
    owner->create();
    dir = printtest::scratchDir();
}

void Lessons::TearDown() {
    theApp->removeChore(&dialogAnswer, printtest::ModalAnswer::ID_IDLE);
    delete owner;
    owner = nullptr;
    settle();
}

std::string Lessons::sql(const std::string& statements) { return theServices->isql(statements + "\ncommit;\n"); }

void Lessons::addUnit(int id, const std::string& name, int type, int rotate) {
    sql("insert into UnitPlan (Id, UnitName, UnitDescription, UnitType, FKLongTerm, FKTeacher, Transfer, Rotate) "
        "values (" +
        std::to_string(id) + ", " + quoted(name) + ", 'Unit " + name + "', " + std::to_string(type) + ", 10, 2, 0, " +
        std::to_string(rotate) + ");");
}

void Lessons::addLesson(int id, int unit, const std::string& name, const std::string& start,
                        const std::string& timeStart, const std::string& timeEnd, const std::string& end) {
    sql("insert into LessonPlan (Id, LessonName, LessonES, LessonAO, LessonSLO, LessonIntro, LessonDev, LessonClose, "
        "LessonTest, LessonResource, LessonReflect, DateStart, DateEnd, TimeStart, TimeEnd, RoutineDay, FKUnitPlan) "
        "values (" +
        std::to_string(id) + ", " + quoted(name) + ", 'Skills " + name + "', 'Objectives " + name + "', 'Outcomes " +
        name + "', 'Intro " + name + "', 'Development " + name + "', 'Closure " + name + "', 'Assessment " + name +
        "', 'Resources " + name + "', 'Reflection " + name + "', " + quoted(start) + ", " +
        quoted(end.empty() ? start : end) + ", " + quoted(timeStart) + ", " + quoted(timeEnd) + ", 0, " +
        std::to_string(unit) + ");");
}

void Lessons::storeText(int lessonId, const std::string& column, const std::string& text) {
    IsectRecordset rs;
    ASSERT_TRUE(rs.OpenRecordset(FXString("Update LessonPlan set ") + column.c_str() + " = '" +
                                 EscapeText(text.c_str()) + "' where Id = " + FXStringVal(lessonId)));
}

FXNativePrinter Lessons::job(const std::string& name, FXuint flags) {
    return printtest::fileJob(dir + "/" + name, flags);
}

bool Lessons::print(FXNativePrinter& printer, const std::function<void(FXDCNativePrinter&)>& routine) {
    return PrintCommand::print(owner, printer, routine);
}

void Lessons::answerPrintDialog(int destination, const std::string& file) {
    dialogAnswer.answered = false;
    dialogAnswer.outer = nullptr;
    dialogAnswer.answer = printtest::chooseFileAndPrint(destination, file);
    dialogAnswer.arm();
}

void Lessons::expectGoodPostscript(const std::string& file, int pages) {
    printtest::expectGoodLetterPages(file, pages);
}

std::string Lessons::textOf(const std::string& file) {
    std::string text;
    for (const printtest::Word& w : printtest::words(file)) text += (text.empty() ? "" : " ") + w.text;
    return text;
}

std::vector<std::string> Lessons::errors() {
    std::vector<std::string> out;
    for (const auto& p : prompts.prompts)
        if (p.kind == "error" || p.kind == "warning") out.push_back(p.caption + "|" + p.text);
    return out;
}

}  // namespace lessonstest

int main(int argc, char** argv) {
    return testsupport::runGuiTests(argc, argv, lessonstest::theServices, lessonstest::theApp);
}

#include "planedit/PlanEditTest.h"
#include "support/GuiTestApp.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/IsectRecordset.h"
#include "ui/AppResources.h"

using namespace FX;

namespace planedit {
namespace {
FXApp* theApp = nullptr;
testsupport::Services* theServices = nullptr;

std::string quoted(const std::string& s) { return "'" + s + "'"; }
}  // namespace

FXApp* app() { return theApp; }
testsupport::Services& services() { return *theServices; }

std::string day(int offset) { return dates::isoDate(dates::addDays(dates::now(), offset)).text(); }

std::string weekday(int offsetFromMonday) {
    int sinceMonday = (dates::weekday(dates::now()) + 6) % 7;
    return day(offsetFromMonday - sinceMonday);
}

std::string shown(const std::string& iso) { return iso.substr(8, 2) + "/" + iso.substr(5, 2) + "/" + iso.substr(2, 2); }

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

// ---------------------------------------------------------------- fixture

void PlanEdit::SetUp() {
    auto term = [&](int id, int offset) {
        return "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (" +
               std::to_string(id) + ", " + quoted(weekday(-21 + offset)) + ", 10, 2030, " + std::to_string(id) + ");\n";
    };
    sql("delete from LessonPlan; delete from UnitPlan; delete from LongTerm; delete from Subject;"
        "delete from ChildYear; delete from Teachers; delete from TermDate; delete from NonTeachingDay;\n"
        "delete from UndoStep;\n"
        "set generator NEWLONGTERM to 1000; set generator NEWUNITPLAN to 1000; set generator NEWLESSONPLAN to 1000;"
        "set generator NEWSUBJECT to 1000;\n" +
        term(TERM1, -84) + term(TERM2, 0) + term(TERM3, 84) + term(TERM4, 168) +
        "insert into Teachers (Id, Teacher, Syndicate) values (1, 'Lena Leader', 1);\n"
        "insert into Teachers (Id, Teacher, Syndicate) values (2, 'Tia Teacher', 1);\n"
        "insert into Teachers (Id, Teacher, Syndicate) values (3, 'Otto Other', 3);\n"
        "insert into ChildYear (Id, Description) values (1, 'Year 3');\n"
        "insert into ChildYear (Id, Description) values (2, 'Year 4');\n"
        "insert into Subject (Id, Description, Ordinal, FKSyndicate, FKTermDateStart) values (1, 'Maths', 1, 1, 1);\n"
        "insert into Subject (Id, Description, Ordinal, FKSyndicate, FKTermDateStart) values (2, 'Reading', 2, 1, 1);\n"
        "insert into Subject (Id, Description, Ordinal, FKSyndicate, FKTermDateStart) values (3, 'Science', 3, 1, "
        "1);\n");
    appState = AppState();
    appState.americanDate = 0;  // the tests type dates day first
    loginAs(TEACHER, LEADER);
    theApp->reg().clear();
}

void PlanEdit::TearDown() { close(); }

std::string PlanEdit::sql(const std::string& statements) { return theServices->isql(statements + "\ncommit;\n"); }

std::string PlanEdit::value(const std::string& query) {
    IsectRecordset rs;
    rs.OpenRecordset(query.c_str());
    if (rs.rows.IsEmpty()) return "";
    rs.MoveFirst();
    FXString v = rs.rows.GetField(0);
    return v.trim().text();
}

void PlanEdit::loginAs(int teacher, int syndicate) {
    // As the database gives them: integers with leading spaces.
    appState.currentUserId = FXStringFormat("%11d", teacher);
    appState.currentSyndicate = FXStringFormat("%11d", syndicate);
}

int PlanEdit::addLongTerm(int id, const std::string& name, const std::string& start, const std::string& end, int owner,
                          int persistent, int subject) {
    sql("insert into LongTerm (Id, PlanName, Description, PlanStart, PlanEnd, FKSubject, FKYear, FKSyndicate, "
        "Persistant) values (" +
        std::to_string(id) + ", " + quoted(name) + ", 'About " + name + "', " + quoted(start) + ", " + quoted(end) +
        ", " + std::to_string(subject) + ", 2, " + std::to_string(owner) + ", " + std::to_string(persistent) + ");");
    return id;
}

int PlanEdit::addUnit(int id, int longTerm, const std::string& name, int type, int transfer, int teacher) {
    sql("insert into UnitPlan (Id, UnitName, UnitDescription, UnitType, FKLongTerm, FKTeacher, Transfer, Rotate) "
        "values (" +
        std::to_string(id) + ", " + quoted(name) + ", 'Unit " + name + "', " + std::to_string(type) + ", " +
        std::to_string(longTerm) + ", " + std::to_string(teacher) + ", " + std::to_string(transfer) + ", 0);");
    return id;
}

int PlanEdit::addLesson(int id, int unit, const std::string& name, const std::string& start, const std::string& end,
                        const std::string& timeStart, const std::string& timeEnd, int routineDay) {
    sql("insert into LessonPlan (Id, LessonName, LessonES, LessonAO, LessonSLO, LessonIntro, LessonDev, LessonClose, "
        "LessonTest, LessonResource, LessonReflect, DateStart, DateEnd, TimeStart, TimeEnd, RoutineDay, FKUnitPlan) "
        "values (" +
        std::to_string(id) + ", " + quoted(name) +
        ", 'es', 'ao', 'slo', 'intro', 'dev', 'close', "
        "'test', 'resource', 'reflect', " +
        quoted(start) + ", " + quoted(end) + ", " + quoted(timeStart) + ", " + quoted(timeEnd) + ", " +
        std::to_string(routineDay) + ", " + std::to_string(unit) + ");");
    return id;
}

UnitPlanDialog* PlanEdit::open(int longTermId, int lessonId) {
    dialog = new UnitPlanDialog(theApp, longTermId, lessonId);
    theApp->removeTimeout(dialog, UnitPlanDialog::ID_SELECTQUERY);
    theApp->removeTimeout(dialog, UnitPlanDialog::ID_PRESELECT);
    dialog->create();
    dialog->selectQuery();
    return dialog;
}

UnitPlanDialog* PlanEdit::openTimed(int longTermId, int lessonId) {
    dialog = new UnitPlanDialog(theApp, longTermId, lessonId);
    dialog->create();
    return dialog;
}

void PlanEdit::close() {
    delete dialog;
    dialog = nullptr;
    settle();
}

std::vector<std::string> PlanEdit::errors() {
    std::vector<std::string> out;
    for (const auto& p : prompts.prompts)
        if (p.kind == "error") out.push_back(p.caption + "|" + p.text);
    return out;
}

}  // namespace planedit

int planedit::runPlanEditTests(int argc, char** argv, bool searchService) {
    testsupport::ServicesOptions options;
    options.workers = 1;
    options.search = searchService;
    return testsupport::runGuiTests(argc, argv, theServices, theApp, &options);
}

#include "gui/GuiTest.h"
#include "support/GuiTestApp.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "data/AppState.h"
#include "data/IsectRecordset.h"
#include "ui/AppResources.h"

using namespace FX;

namespace guitest {
namespace {
FXApp* theApp = nullptr;
testsupport::Services* theServices = nullptr;
}  // namespace

FXApp* app() { return theApp; }
testsupport::Services& services() { return *theServices; }

std::string sql(const std::string& statements) { return theServices->isql(statements + "\ncommit;\n"); }

std::string value(const std::string& query) {
    IsectRecordset rs;
    rs.OpenRecordset(query.c_str());
    rs.MoveFirst();
    if (rs.eof()) return "";
    FXString v = rs.GetField(0);
    return v.trim().text();
}

void resetDatabase() {
    sql("delete from LessonPlan; delete from UnitPlan; delete from LongTerm; delete from Teachers;"
        "delete from NonTeachingDay; delete from UndoStep;"
        "delete from TermDate; delete from Settings;"
        "insert into Settings (StringKey, StringValue) values ('Version', '" +
        std::string(AppState::softwareVersionText) +
        "');"
        "insert into Settings (StringKey, StringValue) values ('SchoolPeriod', '900');"
        "insert into Settings (StringKey, StringValue) values ('SchoolTimes', '26');"
        "insert into Settings (StringKey, StringValue) values ('SchoolHour', '8');"
        "insert into Settings (StringKey, StringValue) values ('SchoolMinute', '45');");
}

void resetState() { appState = AppState(); }

std::string platformRegistryFile() { return std::string(getenv("HOME")) + "/.foxrc/Brellmoor/Plenwick"; }

void clearSettings() {
    unlink("Registry.ini");
    unlink(platformRegistryFile().c_str());
    theApp->reg().clear();
    theApp->reg().setModified(false);
}

void freshStart() {
    resetDatabase();
    resetState();
    clearSettings();
}

void settle() { testsupport::settle(theApp); }

}  // namespace guitest

int main(int argc, char** argv) { return testsupport::runGuiTests(argc, argv, guitest::theServices, guitest::theApp); }

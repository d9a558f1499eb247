// The settings store of the calendar: load at creation (file, platform
// registry, current teacher, timetable, geometry) and save at Quit.
#include <gtest/gtest.h>
#include <unistd.h>

#include "calendar/CalendarWindow.h"
#include "data/AppState.h"
#include "data/Numbers.h"
#include "gui/GuiTest.h"
#include "support/RecordingPrompter.h"
#include "ui/AppResources.h"

using namespace FX;
using namespace guitest;

namespace {

class CalendarSettings : public ::testing::Test {
protected:
    testsupport::RecordingPrompter prompts;
    CalendarWindow* calendar = nullptr;

    void SetUp() override {
        freshStart();
        sql("insert into Teachers (Id, Teacher, Syndicate) values (1, 'Ann Leader', 1);"
            "insert into Teachers (Id, Teacher, Syndicate) values (3, 'Sarah Kim', 1);"
            "insert into Teachers (Id, Teacher, Syndicate) values (2, 'Tom Hale', 1);");
    }
    void TearDown() override { close(); }

    CalendarWindow* open() {
        calendar = new CalendarWindow(app());
        calendar->create();
        settle();
        return calendar;
    }
    void close() {
        delete calendar;
        calendar = nullptr;
    }
    // Quit without ending a loop: what ID_QUIT and closing the window do.
    void quit() { calendar->handle(calendar, FXSEL(SEL_COMMAND, CalendarWindow::ID_QUIT), nullptr); }
};

TEST_F(CalendarSettings, WithoutAnySettingsTheDefaultsHoldAndTheTeacherAddedLastIsChosen) {
    open();
    EXPECT_EQ(calendar->getX(), 40);
    EXPECT_EQ(calendar->getY(), 40);
    // The default size, at which every control shows on a 1024 x 768 screen.
    EXPECT_EQ(calendar->getWidth(), 980);
    EXPECT_EQ(calendar->getHeight(), 690);
    EXPECT_EQ(appState.americanDate, 1);
    EXPECT_EQ(appState.registryTarget, 1);
    EXPECT_EQ(appState.dateOffset, 0);
    EXPECT_EQ(decimalValue(appState.currentUserId), 3);  // the highest Id, whatever the insertion order
    EXPECT_EQ(decimalValue(appState.currentSyndicate), 1);
    EXPECT_STREQ(calendar->getUserText().text(), "Sarah Kim");
    EXPECT_EQ(appState.schoolTimes, 26);
}

TEST_F(CalendarSettings, GeometryBelowTheMinimumsOrNegativeIsCorrected) {
    writeFile("Registry.ini", "[CALENDAR]\nx=-10\ny=25\nwidth=640\nheight=480\n\n");
    open();
    EXPECT_EQ(calendar->getX(), 40);
    EXPECT_EQ(calendar->getY(), 25);
    EXPECT_EQ(calendar->getWidth(), 940);
    EXPECT_EQ(calendar->getHeight(), 600);
    close();

    clearSettings();
    writeFile("Registry.ini", "[CALENDAR]\nx=0\ny=-1\nwidth=960\nheight=700\n\n");
    open();
    EXPECT_EQ(calendar->getX(), 0);
    EXPECT_EQ(calendar->getY(), 40);
    EXPECT_EQ(calendar->getWidth(), 960);
    EXPECT_EQ(calendar->getHeight(), 700);
}

TEST_F(CalendarSettings, StoredUserWithDateOffsetShowsThatWeekButUserZeroIgnoresIt) {
    writeFile("Registry.ini", "[SETTINGS]\nDateOffset=-604800\n\n[SERVICE: Plenwick]\nuserid=2\n\n");
    open();
    EXPECT_EQ(decimalValue(appState.currentUserId), 2);
    EXPECT_STREQ(calendar->getUserText().text(), "Tom Hale");
    EXPECT_EQ(appState.dateOffset, -604800);
    close();

    clearSettings();
    writeFile("Registry.ini", "[SETTINGS]\nDateOffset=-604800\n\n[SERVICE: Plenwick]\nuserid=0\n\n");
    open();
    EXPECT_EQ(appState.dateOffset, 0);
    EXPECT_EQ(decimalValue(appState.currentUserId), 3);
}

TEST_F(CalendarSettings, StoredUserThatNoLongerExistsMeansNoUser) {
    writeFile("Registry.ini", "[SETTINGS]\nDateOffset=604800\n\n[SERVICE: Plenwick]\nuserid=99\n\n");
    open();
    EXPECT_STREQ(appState.currentUserId.text(), "0");
    EXPECT_STREQ(appState.currentSyndicate.text(), "0");
    EXPECT_EQ(appState.dateOffset, 0);
    EXPECT_STREQ(calendar->getUserText().text(), "No current user.");
}

TEST_F(CalendarSettings, TimetableComesFromTheDatabaseWhereItHasARow) {
    sql("delete from Settings where StringKey = 'SchoolTimes';"
        "update Settings set StringValue = ' 600 seconds' where StringKey = 'SchoolPeriod';"
        "update Settings set StringValue = 'nine' where StringKey = 'SchoolHour';");
    open();
    EXPECT_EQ(appState.schoolTimes, 26);
    EXPECT_EQ(appState.schoolPeriod, 600);
    EXPECT_EQ(appState.schoolHour, 0);  // no digits: 0
    EXPECT_EQ(appState.schoolMinute, 45);
}

TEST_F(CalendarSettings, QuitWritesTheFileWithPositionUserDatesAndOffset) {
    writeFile("Registry.ini", "[LONGTERM]\nwidth=700\n\n");
    open();
    calendar->position(120, 130, 960, 640);
    settle();
    appState.dateOffset = -604800 * 3;
    appState.americanDate = 0;
    quit();
    EXPECT_FALSE(app()->reg().isModified());

    std::string file = readFile("Registry.ini");
    EXPECT_NE(file.find("[CALENDAR]"), std::string::npos) << file;
    EXPECT_NE(file.find("x=120"), std::string::npos) << file;
    EXPECT_NE(file.find("y=130"), std::string::npos) << file;
    EXPECT_NE(file.find("width=960"), std::string::npos) << file;
    EXPECT_NE(file.find("height=640"), std::string::npos) << file;
    EXPECT_NE(file.find("AmericanDate=0"), std::string::npos) << file;
    EXPECT_NE(file.find("DateOffset=-1814400"), std::string::npos) << file;
    EXPECT_NE(file.find("RegistryTarget=1"), std::string::npos) << file;
    EXPECT_NE(file.find("[SERVICE: Plenwick]"), std::string::npos) << file;
    EXPECT_NE(file.find("[LONGTERM]"), std::string::npos) << "entries of other windows are kept\n" << file;

    // The next start finds all of it again.
    close();
    clearSettings();
    writeFile("Registry.ini", file);
    resetState();
    open();
    EXPECT_EQ(calendar->getX(), 120);
    EXPECT_EQ(calendar->getWidth(), 960);
    EXPECT_EQ(appState.americanDate, 0);
    EXPECT_EQ(appState.dateOffset, -604800 * 3);
    EXPECT_EQ(decimalValue(appState.currentUserId), 3);
}

TEST_F(CalendarSettings, DateOffsetIsStoredAsItsLow32Bits) {
    open();
    appState.dateOffset = (FXlong)3000000000LL;  // beyond 31 bits: wraps to a negative number
    quit();
    std::string file = readFile("Registry.ini");
    EXPECT_NE(file.find("DateOffset=-1294967296"), std::string::npos) << file;
}

TEST_F(CalendarSettings, RegistryModeLeavesTheFileWithTheOneSwitch) {
    writeFile("Registry.ini", "[SETTINGS]\nRegistryTarget=0\n\n");
    open();
    EXPECT_EQ(appState.registryTarget, 0);
    appState.americanDate = 0;
    quit();

    EXPECT_EQ(readFile("Registry.ini"), "[SETTINGS]\nRegistryTarget=0\n\n");
    std::string platform = readFile(platformRegistryFile());
    EXPECT_NE(platform.find("[CALENDAR]"), std::string::npos) << platform;
    EXPECT_NE(platform.find("userid"), std::string::npos) << platform;
    EXPECT_NE(platform.find("AmericanDate=0"), std::string::npos) << platform;

    // The next start reads the platform registry.
    close();
    app()->reg().clear();
    resetState();
    open();
    EXPECT_EQ(appState.registryTarget, 0);
    EXPECT_EQ(appState.americanDate, 0);
}

TEST_F(CalendarSettings, ChoosingTheFileAgainMovesTheSettingsBack) {
    writeFile("Registry.ini", "[SETTINGS]\nRegistryTarget=0\n\n");
    open();
    calendar->handle(calendar, FXSEL(SEL_COMMAND, CalendarWindow::ID_FILEREGISTRY), nullptr);
    quit();
    std::string file = readFile("Registry.ini");
    EXPECT_NE(file.find("RegistryTarget=1"), std::string::npos) << file;
    EXPECT_NE(file.find("[CALENDAR]"), std::string::npos) << file;
}

}  // namespace

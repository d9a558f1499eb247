// The real Plenwick program, started on the demo database with no settings
// at all, on a display of its own, looked at through screenshots of its
// calendar window.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/PrivateDisplay.h"
#include "support/ProgramWindows.h"
#include "support/ScreenShot.h"
#include "support/Services.h"
#include "support/TestFiles.h"

namespace {

// Waits until `done` holds (a quarter second at a time, at most a minute);
// false when the program ended first (`ended` then says so) or time ran out.
template <class Done>
bool waitFor(pid_t pid, Done done, int* status, bool* ended = nullptr) {
    for (int attempt = 0; attempt < 240; ++attempt) {
        if (waitpid(pid, status, WNOHANG) == pid) {
            if (ended) *ended = true;
            return false;
        }
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return false;
}

void endProgram(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return;
    kill(pid, SIGTERM);
    waitpid(pid, &status, 0);
}

// The largest area of one plan colour in the calendar window (0 when the
// window cannot be taken).
int planArea(const std::string& calendar, const std::string& scratch) {
    screenshot::Picture picture;
    return screenshot::takeWindow(picture, calendar, scratch) ? screenshot::largestPlanColourArea(picture) : 0;
}

// Started before its database service, or without Plenwick.ini, the program
// opens its calendar with a warning that names what it tried, and draws the
// week once the service is up and F5 is pressed.
TEST(PlenwickProgram, StartsWithoutItsServiceAndDrawsTheWeekOnceTheServiceIsUp) {
    testsupport::PrivateDisplay display(1280, 1024);
    ASSERT_TRUE(display.ok()) << display.error();
    testsupport::ServicesOptions options;
    options.demo = true;
    options.start = false;
    testsupport::Services services(options);
    std::string home = services.dir() + "/home";
    mkdir(home.c_str(), 0700);
    const std::string errors = services.dir() + "/stderr.txt";
    int status = 0;

    // No Plenwick.ini at all.
    pid_t pid = testsupport::startPlenwick(services.workdir(), home, errors);
    ASSERT_GT(pid, 0);
    bool up = waitFor(
        pid, [&] { return !testsupport::findWindow("Calendar").empty() && !testsupport::readFile(errors).empty(); },
        &status);
    ASSERT_TRUE(up) << "no calendar (status " << status << "): " << testsupport::readFile(errors);
    EXPECT_NE(testsupport::readFile(errors).find("Plenwick found no Plenwick.ini in its folder " + services.workdir()),
              std::string::npos)
        << testsupport::readFile(errors);
    EXPECT_EQ(testsupport::readFile(errors).find("FXMessageBox"), std::string::npos) << testsupport::readFile(errors);
    endProgram(pid);

    // Plenwick.ini names a router that is not running: a port held by the
    // test and not listening, which refuses every connection.
    testsupport::ReservedPort dead;
    testsupport::writeFile(services.workdir() + "/Plenwick.ini",
                           "[Plenwick]\nHost=" + dead.host() + "\nDatabaseService=Plenwick\n");
    pid = testsupport::startPlenwick(services.workdir(), home, errors);
    ASSERT_GT(pid, 0);
    up = waitFor(
        pid, [&] { return !testsupport::findWindow("Calendar").empty() && !testsupport::readFile(errors).empty(); },
        &status);
    ASSERT_TRUE(up) << "no calendar (status " << status << "): " << testsupport::readFile(errors);
    EXPECT_NE(testsupport::readFile(errors).find("could not reach the database service \"Plenwick\" at " + dead.host()),
              std::string::npos)
        << testsupport::readFile(errors);
    const std::string calendar = testsupport::findWindow("Calendar");
    EXPECT_LT(planArea(calendar, services.dir() + "/screen.ppm"), 150) << "plans drawn without a service";

    // The service starts (writing the real Plenwick.ini); the warning is
    // closed; F5 draws the demo teacher's week.
    services.start();
    EXPECT_TRUE(testsupport::closeWindow(testsupport::waitForWindow("Plenwick", 10))) << "no warning box";
    int area = 0;
    bool drawn = waitFor(
        pid,
        [&] {
            testsupport::pressKey(calendar, "F5");
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            area = planArea(calendar, services.dir() + "/screen.ppm");
            return area >= 150;
        },
        &status);
    EXPECT_TRUE(drawn) << "no plans drawn after F5 (status " << status << "); last screenshot in " << services.dir();
    endProgram(pid);
}

TEST(PlenwickProgram, FirstStartOnTheDemoDatabaseShowsThisWeeksPlans) {
    testsupport::PrivateDisplay display(1280, 1024);
    ASSERT_TRUE(display.ok()) << display.error();
    testsupport::ServicesOptions options;
    options.demo = true;
    testsupport::Services services(options);
    std::string home = services.dir() + "/home";
    mkdir(home.c_str(), 0700);

    pid_t pid = testsupport::startPlenwick(services.workdir(), home);
    ASSERT_GE(pid, 0);

    // Look until the week shows filled plan cells (or give up after a minute).
    int status = 0;
    bool ended = false;
    std::string calendar;
    int area = 0;
    bool shown = waitFor(
        pid,
        [&] {
            if (calendar.empty()) calendar = testsupport::findWindow("Calendar");
            area = planArea(calendar, services.dir() + "/screen.ppm");
            return area >= 150;
        },
        &status, &ended);
    ASSERT_FALSE(ended) << "Plenwick ended early with status " << status;
    EXPECT_TRUE(shown) << "no filled plan cells in the calendar (area " << area << "); last screenshot in "
                       << services.dir();

    // Closing the calendar saves the settings and ends the program with 0.
    bool closed = testsupport::closeWindow(calendar);
    EXPECT_TRUE(closed) << "no window titled Calendar";
    bool exited = false;
    for (int attempt = 0; closed && attempt < 120 && !exited; ++attempt) {
        exited = waitpid(pid, &status, WNOHANG) == pid;
        if (!exited) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!exited) endProgram(pid);
    EXPECT_TRUE(exited) << "Plenwick did not end when its window was closed";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    std::string settings = testsupport::readFile(services.workdir() + "/Registry.ini");
    EXPECT_NE(settings.find("[CALENDAR]"), std::string::npos) << settings;
    EXPECT_NE(settings.find("RegistryTarget=1"), std::string::npos) << settings;
}

}  // namespace

// The real Plenwick program, started on the demo database with no settings
// at all, looked at through a screenshot of the display.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "ScreenShot.h"
#include "Services.h"

namespace {

TEST(PlenwickProgram, FirstStartOnTheDemoDatabaseShowsThisWeeksPlans) {
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "run under Xvfb (xvfb-run)";
    testsupport::ServicesOptions options;
    options.demo = true;
    testsupport::Services services(options);
    std::string home = services.dir() + "/home";
    mkdir(home.c_str(), 0700);
    std::string program = testsupport::buildDir() + "/Plenwick";

    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (chdir(services.workdir().c_str()) != 0) _exit(127);
        setenv("HOME", home.c_str(), 1);
        execl(program.c_str(), "Plenwick", (char*)nullptr);
        _exit(127);
    }

    // Look until the week shows filled plan cells (or give up after a minute).
    screenshot::Picture picture;
    int area = 0;
    bool exited = false;
    int status = 0;
    for (int attempt = 0; attempt < 240 && area < 150; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        if (waitpid(pid, &status, WNOHANG) == pid) {
            exited = true;
            break;
        }
        if (screenshot::take(picture, services.dir() + "/screen.ppm"))
            area = screenshot::largestPlanColourArea(picture);
    }
    if (!exited) {
        kill(pid, SIGTERM);
        waitpid(pid, &status, 0);
    }
    ASSERT_FALSE(exited) << "Plenwick ended early with status " << status;
    EXPECT_GE(area, 150) << "no filled plan cells on the screen; last screenshot in " << services.dir();
    if (area >= 150) system(("cp '" + services.dir() + "/screen.ppm' /tmp/plenwick-endtoend.ppm").c_str());
}

}  // namespace

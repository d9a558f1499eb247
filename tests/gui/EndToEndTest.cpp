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

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <fstream>
#include <sstream>

#include "ScreenShot.h"
#include "Services.h"
#include "TestFiles.h"

namespace {

// Finds the top-level window titled `title` (searching two levels below the root).
Window findWindow(Display* display, Window parent, const char* title, int depth = 0) {
    Window root, up, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name) {
            if (std::string(name) == title) found = children[i];
            XFree(name);
        }
        if (!found && depth < 2) found = findWindow(display, children[i], title, depth + 1);
    }
    if (children) XFree(children);
    return found;
}

// Asks the window manager's way for the window to close (WM_DELETE_WINDOW).
bool closeWindow(const char* title) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    Window window = findWindow(display, DefaultRootWindow(display), title);
    if (window) {
        XEvent event = {};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
        XFlush(display);
    }
    XCloseDisplay(display);
    return window != 0;
}

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
    ASSERT_FALSE(exited) << "Plenwick ended early with status " << status;
    EXPECT_GE(area, 150) << "no filled plan cells on the screen; last screenshot in " << services.dir();

    // Closing the calendar saves the settings and ends the program with 0.
    bool closed = closeWindow("Calendar");
    EXPECT_TRUE(closed) << "no window titled Calendar";
    for (int attempt = 0; closed && attempt < 120 && !exited; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        exited = waitpid(pid, &status, WNOHANG) == pid;
    }
    if (!exited) {
        kill(pid, SIGTERM);
        waitpid(pid, &status, 0);
    }
    EXPECT_TRUE(exited) << "Plenwick did not end when its window was closed";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    std::string settings = testsupport::readFile(services.workdir() + "/Registry.ini");
    EXPECT_NE(settings.find("[CALENDAR]"), std::string::npos) << settings;
    EXPECT_NE(settings.find("RegistryTarget=1"), std::string::npos) << settings;
}

}  // namespace

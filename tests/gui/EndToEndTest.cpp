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
#include <X11/keysym.h>

#include <fstream>
#include <sstream>

#include "support/ScreenShot.h"
#include "support/Services.h"
#include "support/TestFiles.h"

namespace {

// An X server starts afresh when its last client leaves and refuses a
// client that connects in that moment: a program started right after the
// previous one was ended would find no display.  The tests keep a
// connection of their own open for as long as they run.
class HeldDisplay : public ::testing::Environment {
public:
    void SetUp() override { display_ = XOpenDisplay(nullptr); }
    void TearDown() override {
        if (display_) XCloseDisplay(display_);
        display_ = nullptr;
    }

private:
    Display* display_ = nullptr;
};
::testing::Environment* const heldDisplay = ::testing::AddGlobalTestEnvironment(new HeldDisplay);

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

// A key pressed in the window titled `title` (sent as the X server would).
bool pressKey(const char* title, KeySym key) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    Window window = findWindow(display, DefaultRootWindow(display), title);
    if (window) {
        for (int type : {KeyPress, KeyRelease}) {
            XEvent event = {};
            event.xkey.type = type;
            event.xkey.display = display;
            event.xkey.window = window;
            event.xkey.root = DefaultRootWindow(display);
            event.xkey.time = CurrentTime;
            event.xkey.same_screen = True;
            event.xkey.keycode = XKeysymToKeycode(display, key);
            XSendEvent(display, window, True, type == KeyPress ? KeyPressMask : KeyReleaseMask, &event);
        }
        XFlush(display);
    }
    XCloseDisplay(display);
    return window != 0;
}

bool windowExists(const char* title) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    bool found = findWindow(display, DefaultRootWindow(display), title) != 0;
    XCloseDisplay(display);
    return found;
}

// The program in `dir`, its standard error into `errFile`.
pid_t startPlenwick(const std::string& dir, const std::string& home, const std::string& errFile) {
    const std::string program = testsupport::buildDir() + "/Plenwick";
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(127);
        setenv("HOME", home.c_str(), 1);
        if (!freopen(errFile.c_str(), "w", stderr)) _exit(127);
        execl(program.c_str(), "Plenwick", (char*)nullptr);
        _exit(127);
    }
    return pid;
}

// Waits until `done` holds (a quarter second at a time, at most a minute);
// false when the program ended first or time ran out.
template <class Done>
bool waitFor(pid_t pid, Done done, int* status) {
    for (int attempt = 0; attempt < 240; ++attempt) {
        if (waitpid(pid, status, WNOHANG) == pid) return false;
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

// Started before its database service, or without Plenwick.ini, the program
// opens its calendar with a warning that names what it tried, and draws the
// week once the service is up and F5 is pressed.
TEST(PlenwickProgram, StartsWithoutItsServiceAndDrawsTheWeekOnceTheServiceIsUp) {
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "run under Xvfb (xvfb-run)";
    testsupport::ServicesOptions options;
    options.demo = true;
    options.start = false;
    testsupport::Services services(options);
    std::string home = services.dir() + "/home";
    mkdir(home.c_str(), 0700);
    const std::string errors = services.dir() + "/stderr.txt";
    int status = 0;

    // No Plenwick.ini at all.
    pid_t pid = startPlenwick(services.workdir(), home, errors);
    ASSERT_GT(pid, 0);
    bool up = waitFor(pid, [&] { return windowExists("Calendar") && !testsupport::readFile(errors).empty(); },
                      &status);
    ASSERT_TRUE(up) << "no calendar (status " << status << "): " << testsupport::readFile(errors);
    EXPECT_NE(testsupport::readFile(errors).find("Plenwick found no Plenwick.ini in its folder " + services.workdir()),
              std::string::npos)
        << testsupport::readFile(errors);
    EXPECT_EQ(testsupport::readFile(errors).find("FXMessageBox"), std::string::npos) << testsupport::readFile(errors);
    endProgram(pid);

    // Plenwick.ini names a router that is not running.
    testsupport::writeFile(services.workdir() + "/Plenwick.ini",
                           "[Plenwick]\nHost=127.0.0.1:1\nDatabaseService=Plenwick\n");
    pid = startPlenwick(services.workdir(), home, errors);
    up = waitFor(pid, [&] { return windowExists("Calendar") && !testsupport::readFile(errors).empty(); }, &status);
    ASSERT_TRUE(up) << "no calendar (status " << status << "): " << testsupport::readFile(errors);
    EXPECT_NE(testsupport::readFile(errors).find("could not reach the database service \"Plenwick\" at 127.0.0.1:1"),
              std::string::npos)
        << testsupport::readFile(errors);

    // The service starts (writing the real Plenwick.ini); the warning is
    // closed; F5 draws the demo teacher's week.
    services.start();
    EXPECT_TRUE(closeWindow("Plenwick")) << "no warning box";
    screenshot::Picture picture;
    int area = 0;
    bool drawn = waitFor(pid,
                         [&] {
                             pressKey("Calendar", XK_F5);
                             std::this_thread::sleep_for(std::chrono::milliseconds(500));
                             if (screenshot::take(picture, services.dir() + "/screen.ppm"))
                                 area = screenshot::largestPlanColourArea(picture);
                             return area >= 150;
                         },
                         &status);
    EXPECT_TRUE(drawn) << "no plans drawn after F5 (status " << status << "); last screenshot in " << services.dir();
    endProgram(pid);
}

TEST(PlenwickProgram, FirstStartOnTheDemoDatabaseShowsThisWeeksPlans) {
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "run under Xvfb (xvfb-run)";
    testsupport::ServicesOptions options;
    options.demo = true;
    testsupport::Services services(options);
    std::string home = services.dir() + "/home";
    mkdir(home.c_str(), 0700);

    pid_t pid = testsupport::startPlenwick(services.workdir(), home);
    ASSERT_GE(pid, 0);

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

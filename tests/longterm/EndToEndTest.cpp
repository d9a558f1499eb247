// The real Plenwick program on the demo database, driven from outside as a
// user would (xdotool): "&Long Term" opens the term view, a click on a band
// opens the plan editor on that plan.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

#include "support/PrivateDisplay.h"
#include "support/ProgramWindows.h"
#include "support/ScreenShot.h"
#include "support/Services.h"

using testsupport::run;

namespace {

using testsupport::geometryOf;
using testsupport::waitForWindow;

// What isql prints for `select 'N=' || count(*) ...`: the number after "N=", or -1.
int countOf(const testsupport::Services& services, const std::string& where) {
    const std::string out = services.isql("select 'N=' || count(*) from LongTerm where " + where + ";");
    const size_t at = out.find("N=");
    return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + 2);
}

// The demo's current term gets one more subject, last in the syndicate's
// order, with one plan of Sarah's own over the whole term and no units: the
// lowest band of the term view is that plan.  A click on it opens the plan
// editor on it, which the editor's "&Delete" proves: that plan, and no other,
// leaves the database.
TEST(LongTermProgram, TheLongTermButtonOpensTheTermViewAndABandOpensItsPlan) {
    ASSERT_EQ(run("command -v xdotool >/dev/null"), 0) << "xdotool is missing (scripts/setup --tests)";
    // A teacher's 1024 x 768 screen of its own: clicks and screenshots see
    // only this program.
    testsupport::PrivateDisplay display(1024, 768);
    ASSERT_TRUE(display.ok()) << display.error();
    testsupport::ServicesOptions options;
    options.demo = true;
    testsupport::Services services(options);
    const std::string music = "PlanName = 'Music: singing together'";
    services.isql(
        "insert into Subject (Id, Description, Ordinal, FKSyndicate) select gen_id(NewSubject, 1), 'Music', 100, Id "
        "from Teachers where Teacher = 'Rangi Parata';"
        "insert into LongTerm (Id, PlanName, Description, PlanStart, PlanEnd, FKSubject, FKSyndicate, Persistant) "
        "select gen_id(NewLongTerm, 1), 'Music: singing together', 'Songs for the assembly.', d.FirstDay, "
        "d.FirstDay + 67, (select Id from Subject where Description = 'Music'), t.Id, 0 "
        "from TermDate d, Teachers t where d.SchoolTerm = 2 and t.Teacher = 'Sarah Kim';"
        "commit;");
    ASSERT_EQ(countOf(services, music), 1);
    const int others = countOf(services, "not " + music);
    ASSERT_GT(others, 0);

    const std::string home = services.dir() + "/home";
    mkdir(home.c_str(), 0700);
    pid_t pid = testsupport::startPlenwick(services.workdir(), home);
    ASSERT_GE(pid, 0);
    auto stop = [&] {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == 0) {
            kill(pid, SIGTERM);
            waitpid(pid, &status, 0);
        }
    };

    const std::string calendar = waitForWindow("Calendar", 60);
    if (calendar.empty()) {
        stop();
        FAIL() << "no window titled Calendar";
    }
    // The calendar takes keys once it has drawn the week (the demo's plans).
    screenshot::Picture picture, before;
    bool drawn = false;
    for (int attempt = 0; attempt < 240 && !drawn; ++attempt) {
        drawn = screenshot::takeWindow(picture, calendar, services.dir() + "/calendar.ppm") &&
                screenshot::largestPlanColourArea(picture) >= 150;
        if (!drawn) std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    if (!drawn) {
        stop();
        FAIL() << "the calendar drew no week; last screenshot in " << services.dir();
    }
    testsupport::pressKey(calendar, "alt+l");
    const std::string longTerm = waitForWindow("Long Term Plans", 30);
    if (longTerm.empty()) {
        stop();
        FAIL() << "\"&Long Term\" opened no window titled Long Term Plans";
    }

    // The lowest band of the term view, inside the canvas: clear of the
    // window's grey frames and buttons.  Looked for in a picture of the
    // window itself, taken while the window stays where it is and shows the
    // same twice: a window still being placed or drawn gives no place to
    // click.
    testsupport::WindowGeometry g;
    int x = -1, y = -1;
    for (int attempt = 0; attempt < 40 && x < 0; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        const testsupport::WindowGeometry placed = geometryOf(longTerm);
        if (!screenshot::takeWindow(picture, longTerm, services.dir() + "/screen.ppm")) continue;
        g = geometryOf(longTerm);
        const bool settled =
            g == placed && picture.width == g.width && picture.height == g.height && picture.rgb == before.rgb;
        before = picture;
        if (settled) screenshot::findPlanCell(picture, 20, g.height / 2, g.width - 20, g.height - 70, x, y, true);
    }
    if (x < 0) {
        stop();
        FAIL() << "no plan band in the long-term window at " << g.x << "," << g.y << " " << g.width << "x" << g.height
               << "; last screenshot in " << services.dir();
    }
    run("xdotool mousemove " + std::to_string(g.x + x) + " " + std::to_string(g.y + y) + " click 1");
    const std::string editor = waitForWindow("Edit Unit Plans", 30);
    if (editor.empty()) {
        stop();
        FAIL() << "the click on " << g.x + x << "," << g.y + y << " opened no plan editor";
    }

    // The editor shows the plan chosen in its long-term list (the selection's
    // dark blue), once its lists are filled.
    int selected = 0;
    for (int attempt = 0; attempt < 40 && selected < 100; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        const testsupport::WindowGeometry e = geometryOf(editor);
        if (screenshot::takeWindow(picture, editor, services.dir() + "/editor.ppm"))
            selected = screenshot::countColour(picture, 0, 0, e.width / 2, e.height / 2, 10, 36, 106);
    }
    EXPECT_GE(selected, 100) << "no long-term plan selected in the editor; last screenshot in " << services.dir();

    // "&Delete" and "&Yes": the plan the editor is on leaves the database.
    testsupport::pressKey(editor, "alt+d");
    const std::string confirm = waitForWindow("Confirm delete Long Term", 30);
    EXPECT_FALSE(confirm.empty()) << "\"&Delete\" asked nothing";
    testsupport::pressKey(confirm, "alt+y");
    int left = 1;
    for (int attempt = 0; attempt < 40 && left != 0; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        left = countOf(services, music);
    }
    EXPECT_EQ(left, 0) << "the plan of the clicked band is still there";
    EXPECT_EQ(countOf(services, "not " + music), others) << "another plan was deleted";

    // "&Quit" on the calendar ends the program.
    testsupport::pressKey(calendar, "alt+q");
    int status = 0;
    bool exited = false;
    for (int attempt = 0; attempt < 200 && !exited; ++attempt) {
        exited = waitpid(pid, &status, WNOHANG) == pid;
        if (!exited) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!exited) stop();
    EXPECT_TRUE(exited && WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

}  // namespace

// The windows of a real Plenwick program seen from outside, as a user or a
// window manager would see them: found by their titles, placed on the
// screen, closed, given keys.  The program runs on a display of the test's
// own (PrivateDisplay), so every window there is the program's and a title
// names only its window.
//
//   testsupport::PrivateDisplay display(1024, 768);
//   pid_t pid = testsupport::startPlenwick(services.workdir(), home);
//   std::string calendar = testsupport::waitForWindow("Calendar", 60);
//   testsupport::pressKey(calendar, "F5");
#ifndef PLENWICK_PROGRAM_WINDOWS_H
#define PLENWICK_PROGRAM_WINDOWS_H

#include <string>

namespace testsupport {

struct WindowGeometry {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const WindowGeometry& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};

// The id of the window titled exactly `title`; "" when there is none.
std::string findWindow(const std::string& title);
// The same, asking a quarter second apart for up to `seconds`.
std::string waitForWindow(const std::string& title, int seconds);
// Where the window lies on the screen (all zero when it is gone).
WindowGeometry geometryOf(const std::string& window);
// Asks the window to close, as a window manager does (WM_DELETE_WINDOW).
bool closeWindow(const std::string& window);
// A key ("F5", "alt+q") typed into the window: the window gets the focus
// (there is no window manager to give it), then the key comes as from the
// keyboard.
bool pressKey(const std::string& window, const std::string& key);

}  // namespace testsupport

#endif

#include "support/ProgramWindows.h"

#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "support/Services.h"

namespace testsupport {

std::string findWindow(const std::string& title) {
    std::string out;
    if (run("xdotool search --name " + shellQuote("^" + title + "$") + " 2>/dev/null", &out, false) != 0) return "";
    std::istringstream lines(out);
    std::string id;
    lines >> id;
    return id;
}

std::string waitForWindow(const std::string& title, int seconds) {
    for (int i = 0; i < seconds * 4; ++i) {
        const std::string id = findWindow(title);
        if (!id.empty()) return id;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return "";
}

WindowGeometry geometryOf(const std::string& window) {
    std::string out;
    WindowGeometry g;
    if (window.empty() || run("xdotool getwindowgeometry --shell " + window + " 2>/dev/null", &out, false) != 0)
        return g;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const int value = std::atoi(line.c_str() + eq + 1);
        if (key == "X") g.x = value;
        if (key == "Y") g.y = value;
        if (key == "WIDTH") g.width = value;
        if (key == "HEIGHT") g.height = value;
    }
    return g;
}

bool closeWindow(const std::string& window) {
    if (window.empty()) return false;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = std::strtoul(window.c_str(), nullptr, 10);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return sent != 0;
}

bool pressKey(const std::string& window, const std::string& key) {
    return !window.empty() &&
           run("xdotool windowfocus --sync " + window + " key " + shellQuote(key) + " 2>/dev/null") == 0;
}

}  // namespace testsupport

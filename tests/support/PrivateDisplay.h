// An X display of a test's own: an Xvfb server on a free display number,
// made the DISPLAY of the test and of everything it starts, ended with the
// object, or with the test process should it die first.  Every test
// program that opens windows runs on one: a real program driven from
// outside (xdotool clicks at screen positions, windows found by their
// titles, screenshots) sees only its own windows, and in-process GUI tests
// share no focus, grab or screen with tests running beside them.
//
//   testsupport::PrivateDisplay display(1024, 768);
//   ASSERT_TRUE(display.ok()) << display.error();
#ifndef PLENWICK_PRIVATE_DISPLAY_H
#define PLENWICK_PRIVATE_DISPLAY_H

#include <sys/types.h>

#include <string>

namespace testsupport {

class PrivateDisplay {
public:
    PrivateDisplay(int width, int height);
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    bool ok() const { return !name_.empty(); }
    const std::string& name() const { return name_; }  // ":N"
    const std::string& error() const { return error_; }

private:
    pid_t pid_ = -1;
    std::string name_, error_, previous_;
    bool hadPrevious_ = false;
};

}  // namespace testsupport

#endif

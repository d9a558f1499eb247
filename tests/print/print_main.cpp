// Test program entry: one application object for all printing tests, with
// its registry in a private HOME so that no user's settings are touched.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "print/PrintTestSupport.h"

namespace printtest {
extern FX::FXApp* theApp;
extern bool displayOpen;
}  // namespace printtest

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string home = printtest::scratchDir();
    setenv("HOME", home.c_str(), 1);
    FX::FXApp* app = new FX::FXApp("PlenwickPrintTest", "Brellmoor");
    const char* display = getenv("DISPLAY");
    bool connect = display && *display;
    app->init(argc, argv, connect);
    if (connect) app->create();
    printtest::theApp = app;
    printtest::displayOpen = connect && app->getDisplay() != nullptr;
    int rc = RUN_ALL_TESTS();
    printtest::removeScratchDirs();
    return rc;
}

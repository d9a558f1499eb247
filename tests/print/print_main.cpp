// Test program entry: one application object for all printing tests, on a
// display of its own, with its registry in a private HOME so that no user's
// settings are touched.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "print/PrintTestSupport.h"
#include "support/PrivateDisplay.h"

namespace printtest {
extern FX::FXApp* theApp;
extern bool displayOpen;
}  // namespace printtest

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    testsupport::PrivateDisplay screen(1280, 1024);
    if (!screen.ok()) {
        fprintf(stderr, "no display for the printing tests: %s\n", screen.error().c_str());
        return 1;
    }
    std::string home = printtest::scratchDir();
    setenv("HOME", home.c_str(), 1);
    FX::FXApp* app = new FX::FXApp("PlenwickPrintTest", "Brellmoor");
    app->init(argc, argv);
    app->create();
    printtest::theApp = app;
    printtest::displayOpen = app->getDisplay() != nullptr;
    int rc = RUN_ALL_TESTS();
    printtest::removeScratchDirs();
    return rc;
}

#include "support/GuiTestApp.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "data/IsectRecordset.h"
#include "support/PrivateDisplay.h"
#include "ui/AppResources.h"

namespace testsupport {

int runGuiTests(int argc, char** argv, Services*& services, FX::FXApp*& app, const ServicesOptions* chosen) {
    testing::InitGoogleTest(&argc, argv);
    PrivateDisplay display(1280, 1024);
    if (!display.ok()) {
        fprintf(stderr, "no display for the GUI tests: %s\n", display.error().c_str());
        return 1;
    }
    ServicesOptions options;
    options.workers = 1;
    Services svc(chosen ? *chosen : options);
    services = &svc;

    std::string home = svc.dir() + "/home";
    mkdir(home.c_str(), 0700);
    setenv("HOME", home.c_str(), 1);
    ScopedChdir inWorkdir(svc.workdir());

    FX::FXApp application("Plenwick", "Brellmoor");
    app = &application;
    createResources(&application);
    application.init(argc, argv);
    application.create();
    createCursors(&application);
    // As at program start: the first statement connects and names the service.
    IsectRecordset version;
    version.OpenRecordset("Select StringValue from Settings Where StringKey = 'Version'");
    int result = RUN_ALL_TESTS();
    IsectRecordset::Disconnect();
    app = nullptr;
    services = nullptr;
    return result;
}

void settle(FX::FXApp* app) {
    for (int i = 0; i < 3; ++i) {
        app->runWhileEvents();
        app->flush(true);
    }
}

}  // namespace testsupport

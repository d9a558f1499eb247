// The start of an in-process GUI test program: a display of its own
// (PrivateDisplay, 1280 x 1024), real services (one worker), a real FXApp
// with the client's shared fonts, icons and cursors, the
// services' work directory as the current directory and a HOME of its own
// (FOX keeps its registry there).
//
//   int main(int argc, char** argv) { return testsupport::runGuiTests(argc, argv, theServices, theApp); }
#ifndef PLENWICK_GUI_TEST_APP_H
#define PLENWICK_GUI_TEST_APP_H

#include <fx.h>

#include "support/Services.h"

namespace testsupport {

// Sets `services` and `app` for the tests, runs them, returns the result.
// `options` chooses the services (null: one worker, no search service).
int runGuiTests(int argc, char** argv, Services*& services, FX::FXApp*& app, const ServicesOptions* options = nullptr);

// Lets pending events, repaints and timers-due run.
void settle(FX::FXApp* app);

}  // namespace testsupport

#endif

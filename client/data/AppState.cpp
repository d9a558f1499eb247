#include "data/AppState.h"

using namespace FX;

#ifndef PLENWICK_VERSION
#error PLENWICK_VERSION must be defined (the project version, from CMakeLists.txt)
#endif

const char* const AppState::softwareVersionText = PLENWICK_VERSION;

AppState appState;
FXString databaseService;

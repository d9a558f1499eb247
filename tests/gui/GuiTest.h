// Shared ground for the GUI tests: one FOX application and one set of real
// services (router, workers, a fresh database) for the whole test program,
// helpers to put rows into the database, and the settings store.
#ifndef PLENWICK_GUITEST_H
#define PLENWICK_GUITEST_H

#include <fx.h>

#include <string>

#include "data/Dates.h"
#include "support/Services.h"
#include "support/TestFiles.h"

namespace guitest {

FX::FXApp* app();
testsupport::Services& services();

// Runs SQL statements (each ending with ";") through isql and commits.
std::string sql(const std::string& statements);
// First column of the first row, through the middleware as the program
// reads it, trimmed ("" when there is none).
std::string value(const std::string& query);
// Empties teachers, terms and plans; the Settings rows of a new database.
void resetDatabase();
// The application-wide state as at program start.
void resetState();
// No Registry.ini, an empty platform registry and an empty store.
void clearSettings();
// A test's start from nothing: resetDatabase, resetState and clearSettings.
void freshStart();
// The platform registry file of Plenwick (under the test's HOME).
std::string platformRegistryFile();

using testsupport::readFile;
using testsupport::writeFile;

// Local time of a day and hour; the appState.dateOffset that shows a moment.
using dates::localMoment;
using dates::offsetFor;

// Lets the application process pending events (layout, expose, timers).
void settle();

}  // namespace guitest

#endif

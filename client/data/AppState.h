// Application-wide state of the client: one instance for the whole process,
// written only on the event thread and read directly by every window
// (appState.currentUserId, appState.dateOffset, ...).  The members' start
// values are the program's defaults; a test puts everything back with one
// assignment:
//
//   appState = AppState();
#ifndef PLENWICK_APPSTATE_H
#define PLENWICK_APPSTATE_H

#include <fx.h>

struct AppState {
    // Id of the current teacher in table Teachers as read from the database
    // (integers keep their leading spaces), or "0" for none.  Empty at start.
    FX::FXString currentUserId;
    // Syndicate of the current teacher (its leader's Id), or "0".
    FX::FXString currentSyndicate;
    // Seconds added to the clock wherever "today" is needed; the calendar
    // shows the moment dateOffset seconds after now.
    FX::FXlong dateOffset = 0;
    // 1: dates typed and shown month first (MM/DD/YY); 0: day first.
    FX::FXint americanDate = 1;
    // 1: settings kept in the file Registry.ini; 0: in the platform registry.
    FX::FXint registryTarget = 1;
    // School timetable: length of one grid row in seconds, number of grid
    // rows including the day-name row, start of the school day (8:45).
    FX::FXint schoolPeriod = 900;
    FX::FXint schoolTimes = 26;
    FX::FXint schoolHour = 8;
    FX::FXint schoolMinute = 45;
    // The client's version (the project version of CMakeLists.txt), compared
    // with the database's and shown in the About box.
    FX::FXString softwareVersion = softwareVersionText;

    static const char* const softwareVersionText;
};

extern AppState appState;

// Name of the database service, set by the recordset layer when it first
// reads the connection file; it belongs to the connection and lives as long
// as the connection does, so resetting appState leaves it.
extern FX::FXString databaseService;

#endif

// Application-wide state of the client: one instance for the whole process,
// written only on the event thread and read directly by every window.
//
// Defined in AppState.cpp (library plenwick_data) with their start values.
#ifndef PLENWICK_APPSTATE_H
#define PLENWICK_APPSTATE_H

#include <fx.h>

// Id of the current teacher in table Teachers as read from the database
// (integers keep their leading spaces), or "0" for none.  Empty at start.
extern FX::FXString currentUserId;
// Syndicate of the current teacher (its leader's Id), or "0".  Empty at start.
extern FX::FXString currentSyndicate;
// Seconds added to the clock wherever "today" is needed; the calendar shows
// the moment dateOffset seconds after now.  0 at start.
extern FX::FXlong dateOffset;
// 1: dates typed and shown month first (MM/DD/YY); 0: day first.  1 at start.
extern FX::FXint americanDate;
// 1: settings kept in the file Registry.ini; 0: in the platform registry.
extern FX::FXint registryTarget;
// School timetable: length of one grid row in seconds (900), number of grid
// rows including the day-name row (26), start of the school day (8:45).
extern FX::FXint schoolPeriod;
extern FX::FXint schoolTimes;
extern FX::FXint schoolHour;
extern FX::FXint schoolMinute;
// The client's version, compared with the database's ("2.0.3").
extern FX::FXString softwareVersion;
// Name of the database service, set when the recordset layer first reads
// the connection file.  Empty at start.
extern FX::FXString databaseService;

#endif

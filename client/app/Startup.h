// The start of the client program: the application object, the shared fonts,
// icons and cursors, the database version, the calendar, the version check,
// and the event loop.  main.cpp is this and nothing else.
#ifndef PLENWICK_STARTUP_H
#define PLENWICK_STARTUP_H

// Runs the client with its command line; returns the event loop's result
// (0 after Quit).
int runPlenwick(int argc, char** argv);

#endif

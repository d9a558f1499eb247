// The database version check at program start, with the automatic schema
// upgrade for a database one patch level behind, and the same comparison for
// transfer files (which never touches the database).
#ifndef PLENWICK_VERSIONCHECK_H
#define PLENWICK_VERSIONCHECK_H

#include <fx.h>

#include "data/DatabaseMessages.h"

// Compares the software's version with the database's and builds the message
// for the user in `message`; true when it must be shown.  A database one
// patch level behind is upgraded on the spot (the message tells the outcome;
// `failure` says why it failed).  Shows nothing itself.
FX::FXbool CheckVersion(FX::FXApp* application, FX::FXString& message, const FX::FXString& softwareVersion,
                        const FX::FXString& databaseVersion, messages::Message& failure);

// The database's version: the StringValue of the Settings row 'Version';
// empty when there is none or the service cannot be reached.  Throws on a
// database error.
FX::FXString DatabaseVersion();

// Brings the schema up to the software's version and records it in Settings.
// Each change is made only when it is not already in place, MAKEUNITPLAN is
// replaced in one step (never dropped first), so a failed or repeated upgrade
// leaves a working database.  Returns true on success; else `failure` holds
// the database error in words for the "Database Error" box, or no text at
// all when the connection was lost on the way (the recordset layer counted
// that).  Shows nothing itself: the window tells the user.
FX::FXbool UpgradeDatabase(FX::FXApp* application, const FX::FXString& softwareVersion, messages::Message& failure);

// True when the account the service uses may change the database's schema
// (the administrator or the owner of its tables).  CheckVersion upgrades
// nothing otherwise and says the school's server must do it.
FX::FXbool MayUpgradeDatabase();

// The comparison for a transfer file written by `fileVersion`: false for a
// file this version reads (same major and minor, patch 3 up to its own);
// else true, with the message saying what the file is and what to do.
// Never upgrades anything.
FX::FXbool CheckTransferVersion(FX::FXString& message, const FX::FXString& softwareVersion,
                                const FX::FXString& fileVersion);

// Major, minor and patch of a version text ("2.0.3"); missing or non-numeric
// parts are 0.
void SplitVersion(const FX::FXString& version, FX::FXint& major, FX::FXint& minor, FX::FXint& patch);

// The statement that creates (or replaces) MAKEUNITPLAN through the worker.
extern const char* const makeUnitPlanStatement;

#endif

// The client's start: creates the application, its shared fonts, icons and
// cursors, learns the database version, opens the calendar and runs the
// event loop until Quit.
//
// Nothing is shown before the application has been created.  When the
// database service cannot be reached the calendar still opens, then one
// warning names the host and service that were tried; the calendar tries
// again at its next redraw (F5) and loads what it missed once it gets
// through.
#include "app/Startup.h"

#include <fx.h>

#include "calendar/CalendarWindow.h"
#include "data/AppState.h"
#include "data/Dates.h"
#include "data/IsectRecordset.h"
#include "data/VersionCheck.h"
#include "ui/AppResources.h"
#include "ui/Failures.h"
#include "ui/Prompter.h"

using namespace FX;

int runPlenwick(int argc, char** argv) {
    dates::keepLocalZone();
    FXApp app("Plenwick", "Brellmoor");
    new FXToolTip(&app);
    createResources(&app);
    app.init(argc, argv);

    // The database's version; empty when it cannot be read.  A failure waits
    // until there is a window to show it in.
    const bool reached = IsectRecordset::Connect();
    const failures::Mark mark;
    FXString databaseVersion;
    messages::Message databaseError;
    bool failed = false;
    if (reached) {
        try {
            databaseVersion = DatabaseVersion();
        } catch (const FXException&) {
            databaseError = messages::explainCaught("Database Error", "database");
            failed = true;
        }
    }

    CalendarWindow* calendar = new CalendarWindow(&app);
    app.create();
    createCursors(&app);

    if (!reached)
        Prompter::get().warning(calendar, app.getAppName(),
                                IsectRecordset::ConnectionProblem() + CalendarWindow::tryAgainHint);
    else if (!failures::tellLost(calendar, mark)) {  // (the connection may go right after the log-in)
        if (failed)
            failures::tell(calendar, databaseError);
        else
            calendar->reportVersion(databaseVersion);
    }

    FXint code = app.run();
    // Leave the middleware before the statics that hold the connection go.
    IsectRecordset::Disconnect();
    return code;
}

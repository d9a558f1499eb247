// The client's start: creates the application, its shared fonts, icons and
// cursors, learns the database version, opens the calendar and runs the
// event loop until Quit.
#include "app/Startup.h"

#include <fx.h>

#include "calendar/CalendarWindow.h"
#include "data/AppResources.h"
#include "data/AppState.h"
#include "data/IsectRecordset.h"
#include "data/Prompter.h"
#include "data/VersionCheck.h"

using namespace FX;

int runPlenwick(int argc, char** argv) {
    FXApp app("Plenwick", "Brellmoor");
    new FXToolTip(&app);
    createResources(&app);
    app.init(argc, argv);

    // The database's version; empty when it cannot be read.
    FXString databaseVersion;
    try {
        IsectRecordset version;
        version.OpenRecordset("Select StringValue from Settings Where StringKey = 'Version'");
        version.rows.MoveFirst();
        if (!version.rows.eof) databaseVersion = version.GetField("0");
    } catch (const FXException& e) {
        Prompter::get().error(nullptr, "Database Error", e.what());
    }

    new CalendarWindow(&app);
    app.create();
    createCursors(&app);

    FXString message;
    if (CheckVersion(&app, message, appState.softwareVersion, databaseVersion))
        Prompter::get().warning(nullptr, app.getAppName(), message);

    FXint code = app.run();
    // Leave the middleware before the statics that hold the connection go.
    IsectRecordset::Disconnect();
    return code;
}

// UnitPlanDialog: importing a transfer file listed in the unit list into the
// selected long-term plan.  The file's format and the writing are in
// transfer/TransferFile.h.
//
// Nothing of a file reaches the database unless all of it does: a refused
// version, a damaged file, Cancel and every failure part-way leave the
// database as it was and the file where it was.  Only a successful import
// removes the file.
#include <unistd.h>

#include "data/AppState.h"
#include "data/FXTextException.h"
#include "data/Files.h"
#include "data/Prompter.h"
#include "data/VersionCheck.h"
#include "planedit/PlanEditText.h"
#include "planedit/UnitPlanDialog.h"
#include "transfer/TransferFile.h"
#include "ui/ListItems.h"
#include "ui/Progress.h"

using namespace FX;
using planedit::text;

void UnitPlanDialog::importUnitPlan(FXint index) {
    if (index < 0 || index >= unitList->getNumItems()) return;
    const FXint longTermIndex = longTermList->getCurrentItem();
    if (longTermIndex < 0) return;
    if (!Prompter::get().question(this, "Confirm import Unit Plan",
                                  "Do you want to import this Unit Plan and attach it to this Long Term Plan?"))
        return;

    // Shown in full in the messages, so that a teacher can find the file.
    const FXString path = FXPath::absolute(transfer::directory() + PATHSEP + unitList->getItemText(index));
    const FXString left = "\n\nNothing was imported; the file is left where it is.";
    FXint unit = 0;
    bool vanished = false;
    failureScope("Database Error", [&] {
        ProgressWindow progress(this, "Import Unit Plan Progress", "Importing Unit Plan.", 0);
        progress->cancelled();  // lets the window appear
        FXString bytes;
        switch (ReadWholeFile(path, bytes)) {
            case FileRead::Done: break;
            case FileRead::Missing:
                vanished = true;
                throw FXTextException("The transfer file " + path + " is no longer there. Nothing was imported.");
            case FileRead::TooLarge:
                throw FXTextException("The transfer file " + path + " is larger than 1 GB." + left);
            case FileRead::Unreadable:
                throw FXTextException("The transfer file " + path + " cannot be read." + left);
        }

        TransferFile file;
        try {
            file.parse(bytes);
        } catch (const FXException& e) {
            throw FXTextException("The transfer file " + path + " is damaged and cannot be imported:\n" + e.what() + left);
        }
        bytes = FXString::null;
        FXString message;
        if (CheckTransferVersion(message, appState.softwareVersion, file.version)) {
            Prompter::get().warning(this, "Plenwick", message);
            return;
        }
        try {
            file.decodeParts();
        } catch (const FXException& e) {
            throw FXTextException("The transfer file " + path + " is damaged and cannot be imported:\n" + e.what() + left);
        }

        progress->setTotal((FXuint)file.recordCount);
        progress->cancelled();
        busy(true);
        IsectRecordset rs;
        try {
            unit = file.import(rs, text(lists::itemId(longTermList, longTermIndex)), appState.currentUserId,
                               *progress);
        } catch (const FXException& e) {
            throw FXTextException("The transfer file " + path + " could not be imported:\n" + e.what() + left);
        }
        busy(false);
        if (unit == 0) return;  // cancelled and rolled back
        if (unlink(path.text()) != 0)
            Prompter::get().warning(this, "Plenwick",
                                    "The unit plan was imported, but its transfer file " + path +
                                        " could not be removed. Remove it before importing again, or the unit "
                                        "plan will be imported twice.");
    });
    if (vanished) onLongTermSelected(longTermIndex);  // the list no longer offers it
    if (unit == 0) return;
    onLongTermSelected(longTermIndex);
    onUnitSelected(lists::findItem(unitList, unit));
}

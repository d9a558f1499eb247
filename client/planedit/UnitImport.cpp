// UnitPane: importing a transfer file listed in the unit list into the
// chosen long-term plan.  The file's format and its writing are in
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
#include "data/VersionCheck.h"
#include "planedit/PlanEditing.h"
#include "planedit/UnitPane.h"
#include "transfer/TransferFile.h"
#include "ui/ListItems.h"
#include "ui/Progress.h"
#include "ui/Prompter.h"

using namespace FX;
using namespace planedit;

namespace {

const char* const nothingImported = "\n\nNothing was imported; the file is left where it is.";

// What the reading found wrong (e.what()) is for whoever mends files; the
// teacher learns what the file is and what to do.
FXString damagedText(const FXString& path, const FXException&) {
    return "The transfer file " + path +
           " is damaged or incomplete, so it cannot be imported: export the unit plan again and import the new "
           "file." +
           nothingImported;
}

}  // namespace

void UnitPane::importUnitPlan(FXint index) {
    const FXList* units = lists().units();
    if (index < 0 || index >= units->getNumItems()) return;
    const FXint longTermIndex = lists().longTerms()->getCurrentItem();
    if (longTermIndex < 0) return;
    if (!Prompter::get().question(owner(), "Confirm import Unit Plan",
                                  "Do you want to import this Unit Plan and attach it to this Long Term Plan?"))
        return;

    // Shown in full in the messages, so that a teacher can find the file.
    const FXString path = FXPath::absolute(transfer::directory() + PATHSEP + units->getItemText(index));
    FXint unit = 0;
    bool vanished = false;
    failureScope("Database Error",
                 [&] { unit = importFile(path, lists::itemId(lists().longTerms(), longTermIndex), vanished); });
    if (vanished) tell(SEL_DELETED);  // the list no longer offers it
    if (unit != 0) tell(SEL_INSERTED, (void*)(FXival)unit);
}

FXint UnitPane::importFile(const FXString& path, FXint longTermId, bool& vanished) {
    ProgressWindow progress(owner(), "Import Unit Plan Progress", "Importing Unit Plan.", 0);
    progress->cancelled();  // lets the window appear
    FXString bytes;
    switch (ReadWholeFile(path, bytes)) {
        case FileRead::Done:
            break;
        case FileRead::Missing:
            vanished = true;
            throw FXTextException("The transfer file " + path + " is no longer there. Nothing was imported.");
        case FileRead::TooLarge:
            throw FXTextException("The transfer file " + path + " is larger than 1 GB." + nothingImported);
        case FileRead::Unreadable:
            throw FXTextException("The transfer file " + path + " cannot be read." + nothingImported);
    }

    TransferFile file;
    try {
        file.parse(bytes);
    } catch (const FXException& e) {
        throw FXTextException(damagedText(path, e));
    }
    bytes = FXString::null;
    FXString message;
    if (CheckTransferVersion(message, appState.softwareVersion, file.version)) {
        Prompter::get().warning(owner(), "Plenwick", message);
        return 0;
    }
    try {
        file.decodeParts();
    } catch (const FXException& e) {
        throw FXTextException(damagedText(path, e));
    }

    FXString replacing;
    if (!askAboutEarlier(file, replacing)) return 0;

    progress->setTotal((FXuint)file.recordCount);
    progress->cancelled();
    busy(true);
    IsectRecordset rs;
    FXint unit = 0;
    try {
        unit = file.import(rs, text(longTermId), appState.currentUserId, *progress, replacing);
    } catch (const FXException& e) {
        throw FXTextException("The transfer file " + path + " could not be imported:\n" + e.what() + nothingImported);
    }
    busy(false);
    if (unit == 0) return 0;  // cancelled and rolled back
    if (unlink(path.text()) != 0)
        Prompter::get().warning(owner(), "Plenwick",
                                "The unit plan was imported, but its transfer file " + path +
                                    " could not be removed. Remove it before importing again, or the unit "
                                    "plan will be imported twice.");
    return unit;
}

// A file imported before (a unit of the teacher with its name and lessons
// is there already): the user chooses a copy beside it, the file in its
// place (`replacing` its Id), or nothing.  False for nothing.
bool UnitPane::askAboutEarlier(const TransferFile& file, FXString& replacing) {
    IsectRecordset rs;
    FXString planName;
    const FXint earlier = file.findEarlier(rs, appState.currentUserId, planName);
    if (earlier == 0) return true;
    const size_t n = file.lessons.size();
    const FXString lessonsText = n == 1 ? FXString("its lesson") : "its " + text((FXint)n) + " lessons";
    const FXString where = planName.empty() ? FXString(" is here already") : " is in \"" + planName + "\" already";
    const FXint answer = Prompter::get().choose(
        owner(), "Unit Plan Imported Before",
        "The unit plan \"" + file.unitName + "\" with " + lessonsText + where +
            ": this transfer file has been imported before.\n\n"
            "Import as Copy adds a second unit plan beside it, with the same lessons on the same dates.\n"
            "Replace deletes the earlier unit plan, with its lessons, attachments and every change made to them "
            "since, and imports the file in its place.\n"
            "Cancel imports nothing and leaves the file where it is.",
        {"Import as Copy", "Replace", "Cancel"});
    if (answer == 1) replacing = text(earlier);
    return answer == 0 || answer == 1;
}

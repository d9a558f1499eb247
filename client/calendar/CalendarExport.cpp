// CalendarWindow: the two exports of the pop-up menu.
//
// "Export Unit Plans" writes every unit plan the teacher marked for export
// to its transfer file in ..\Transfer (transfer/TransferFile.h) and clears
// the mark.  "Export Database" writes the teacher's long-term plans, unit
// plans, lessons and attachments as a new directory tree of HTML pages and
// attachment files:
//
//   D/Teacher 2014-06-30 15-04-05/     index.html: every plan, unit, lesson
//                                       and attachment below as a link
//     PlanName 12/                      ". The Long Term Plan Description 0.html"
//       UnitName 34/                    ". The Unit Plan Description 0.html",
//                                       one page per lesson ("Halves 0.html", ...),
//                                       ". The File Attachment Notes.html" and the
//                                       attachment files, when there are any
//
// Names from data are cleaned (CleanFileName) before they become file or
// directory names.  Pages are UTF-8 and say so; every value is written as
// text ("&", "<" and ">" escaped); every page links back to the index.  Both exports show a progress window whose
// Cancel ends them between two rows; what was written stays.
#include <sys/stat.h>
#include <sys/types.h>

#include <string>

#include "calendar/CalendarWindow.h"
#include "data/AppState.h"
#include "data/Dates.h"
#include "data/Files.h"
#include "planedit/UnitPlanDialog.h"
#include "print/FXDChtml.h"
#include "transfer/Attachments.h"
#include "transfer/TransferFile.h"
#include "ui/AppResources.h"
#include "ui/Failures.h"
#include "ui/Progress.h"
#include "ui/Prompter.h"

using namespace FX;

namespace {

const char* const exportSection = "EXPORTDATABASE";
const char* const pageHead =
    "<HEAD> <meta charset=\"UTF-8\"> <STYLE> P { page-break-after: always } </STYLE> </HEAD> <BODY> "
    "<TABLE border=1>\r\n";
// The end of a page, with the link back to the export's index.html.
std::string pageFoot(const FXString& backToIndex) {
    return ("</TABLE> <P><A href=\"" + backToIndex + "\">Back to the index</A></P> </BODY>").text();
}

// A path below the export's top directory as a relative URL: each byte
// outside the unreserved characters percent-encoded, "/" between names, so
// that it works from a file manager and a browser alike.
FXString urlPath(const FXString& path) {
    static const char hex[] = "0123456789ABCDEF";
    FXString url;
    for (FXint i = 0; i < path.length(); ++i) {
        const unsigned char c = (unsigned char)path[i];
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~')
            url.append((FXchar)c);
        else if (c == PATHSEP)
            url.append('/');
        else {
            url.append('%');
            url.append(hex[c >> 4]);
            url.append(hex[c & 15]);
        }
    }
    return url;
}

// The link from a page in `directory` (below `top`) back to top/index.html.
FXString backLink(const FXString& top, const FXString& directory) {
    FXString back;
    const FXString below = directory.mid(top.length(), directory.length());
    for (FXint i = 0; i < below.length(); ++i)
        if (below[i] == PATHSEP) back += "../";
    return back + "index.html";
}

FXString trimmed(const FXString& s) {
    FXString t = s;
    return t.trim();
}

void query(IsectRecordset& rs, const FXString& sql) { UnitPlanDialog::query(rs, sql); }

// A value as page text: empty as a no-break space, line feeds as <BR>,
// numbers without their padding.
FXString pageValue(IsectRecordset& rs, FXint column) {
    FieldDef def = rs.FieldOrdinal(FXStringVal(column));
    FXString value = rs.GetField(column);
    if (def.type == "i" || def.type == "n") value.trim();
    if (value.empty()) return "&nbsp;";
    FXString html = FXDChtml::htmlText(value);
    html.substitute("\n", "<BR>");
    return html;
}

FXString columnName(IsectRecordset& rs, FXint column) {
    return FXDChtml::htmlText(rs.FieldOrdinal(FXStringVal(column)).name);
}

bool makeDirectory(const FXString& path) { return mkdir(path.text(), 0777) == 0; }

void cannotCreate(FXWindow* owner, const FXString& path) {
    Prompter::get().error(owner, "Cannot Create", FXStringFormat("Cannot create directory %s.\n", path.text()));
}

}  // namespace

// ---------------------------------------------------------------- Export Unit Plans

long CalendarWindow::onCmdExportUnitPlans(FXObject*, FXSelector, void*) {
    exportUnitPlans();
    return 1;
}

void CalendarWindow::exportUnitPlans() {
    if (busyCursor) setDefaultCursor(busyCursor);
    failures::run(this, "Database Error", "unit plan", [&] {
        try {
            writeMarkedUnits();
        } catch (const PlanEditAbort&) {
            // The connection was lost: told as the command ends.
        }
    });
    if (normalCursor) setDefaultCursor(normalCursor);
}

// Each unit plan marked for export to its transfer file, the mark cleared.
void CalendarWindow::writeMarkedUnits() {
    IsectRecordset& marked = settingsRecordset;
    query(marked,
          "Select Id, UnitName from UnitPlan where FKTeacher = " + appState.currentUserId + " and Transfer > 0");
    if (!marked.rows.IsEmpty()) {
        ProgressWindow progress(this, "Export Unit Plans Progress",
                                "Writing unit plans to \n" + localPath("..\\Transfer\\") + " \ndirectory.",
                                (FXuint)marked.recordCount);
        IsectRecordset rs;
        for (marked.MoveFirst(); !marked.eof(); marked.MoveNext()) {
            if (progress->cancelled()) break;
            const FXString path = transfer::pathFor(marked.GetField("UnitName"));
            if (!transfer::writeUnit(rs, marked.GetField("Id"), path, appState.softwareVersion)) {
                Prompter::get().warning(this, "Plenwick", "Unable to write to " + path);
                break;
            }
            progress->advance(1);
        }
    }
}

// ---------------------------------------------------------------- Export Database

long CalendarWindow::onCmdExportDatabase(FXObject*, FXSelector, void*) {
    exportDatabase();
    return 1;
}

// One page per row of the query read into `rs`: a table of column name and value.  False
// when a page could not be written (the rows after it are skipped).
bool CalendarWindow::writeRecordPages(IsectRecordset& rs, const FXString& directory,
                                      std::vector<ExportEntry>* written) {
    FXint position = 0;
    for (rs.MoveFirst(); !rs.eof(); rs.MoveNext(), ++position) {
        std::string page = pageHead;
        for (FXint c = 0; c < rs.fieldCount; ++c) {
            page +=
                ("<TR><TH align =\"left\">" + columnName(rs, c) + "</TH><TR><TD>" + pageValue(rs, c) + "</TD></TR>\r\n")
                    .text();
        }
        page += pageFoot(backLink(exportTop, directory));
        const FXString path =
            directory + PATHSEP + CleanFileName(rs.GetField("Name")) + " " + FXStringVal(position) + ".html";
        if (!WriteWholeFile(path, page.data(), page.size())) {
            Prompter::get().warning(this, "Plenwick", "Unable to write to " + path);
            return false;
        }
        if (written) written->push_back({0, rs.GetField("Name"), path.mid(exportTop.length() + 1, path.length())});
    }
    return true;
}

// One page for all rows of the query read into `rs`, named by the last row's Name; none
// for a query without rows.
void CalendarWindow::writeTablePage(IsectRecordset& rs, const FXString& directory, std::vector<ExportEntry>* written) {
    if (rs.rows.IsEmpty()) return;
    std::string page = pageHead;
    page += "<TR>";
    for (FXint c = 0; c < rs.fieldCount; ++c) page += ("<TH>" + columnName(rs, c) + "</TH>").text();
    page += "</TR>\r\n";
    FXString name;
    for (rs.MoveFirst(); !rs.eof(); rs.MoveNext()) {
        page += "<TR>";
        for (FXint c = 0; c < rs.fieldCount; ++c) page += ("<TD>" + pageValue(rs, c) + "</TD>").text();
        page += "</TR>\r\n";
        name = rs.GetField("Name");
    }
    page += pageFoot(backLink(exportTop, directory));
    const FXString path = directory + PATHSEP + CleanFileName(name) + ".html";
    if (!WriteWholeFile(path, page.data(), page.size()))
        Prompter::get().warning(this, "Plenwick", "Unable to write to " + path);
    else if (written)
        written->push_back({0, name, path.mid(exportTop.length() + 1, path.length())});
}

// The unit's attachment notes page and its attachment files, from the
// unit's attachments (`present`) and their notes (`notes`) as read.  Two
// attachments of one file name (from different directories) both stay: the
// second gets its Id added to its name.
void CalendarWindow::exportAttachments(const FXString& directory, IsectRecordset& present, IsectRecordset& notes) {
    if (present.rows.IsEmpty()) return;
    std::vector<ExportEntry> written;
    writeTablePage(notes, directory, &written);
    for (const ExportEntry& e : written) exportIndex.push_back({2, "File attachment notes", e.path});
    // One file at a time: each is a reply as large as the file, and holding
    // several at once would only cost memory.
    IsectRecordset rs;
    for (present.MoveFirst(); !present.eof(); present.MoveNext()) {
        const FXString id = trimmed(present.GetField("Id"));
        FXString name = CleanFileName(LastPathComponent(present.GetField("FileName")));
        if (FXStat::exists(directory + PATHSEP + name)) {
            const FXint dot = name.rfind('.');
            name = dot > 0 ? name.left(dot) + " " + id + name.mid(dot, name.length()) : name + " " + id;
        }
        const FXString path = directory + PATHSEP + name;
        const FXString bytes = attachments::readBytes(rs, id);
        if (!WriteWholeFile(path, bytes)) {
            Prompter::get().warning(this, "Plenwick", "Unable to write to " + path);
            return;
        }
        exportIndex.push_back({2, "File attachment " + name, path.mid(exportTop.length() + 1, path.length())});
    }
}

// top/index.html: the teacher's plans, units, lessons and attachments as
// nested lists of relative links.
void CalendarWindow::writeExportIndex(const FXString& teacher) {
    std::string page = "<HEAD> <meta charset=\"UTF-8\"> <TITLE>";
    page += FXDChtml::htmlText(teacher).text();
    page += "</TITLE> </HEAD> <BODY>\r\n<H1>";
    page += FXDChtml::htmlText(teacher).text();
    page += "</H1>\r\n";
    FXint open = -1;  // the depth of the innermost open list
    for (const ExportEntry& e : exportIndex) {
        while (open < e.depth) {
            page += "<UL>\r\n";
            ++open;
        }
        while (open > e.depth) {
            page += "</UL>\r\n";
            --open;
        }
        page += ("<LI><A href=\"" + urlPath(e.path) + "\">" + FXDChtml::htmlText(e.text) + "</A></LI>\r\n").text();
    }
    for (; open >= 0; --open) page += "</UL>\r\n";
    page += "</BODY>";
    const FXString path = exportTop + PATHSEP + "index.html";
    if (!WriteWholeFile(path, page.data(), page.size()))
        Prompter::get().warning(this, "Plenwick", "Unable to write to " + path);
}

void CalendarWindow::exportDatabase() {
    if (busyCursor) setDefaultCursor(busyCursor);
    failures::run(this, "Database Error", "plan", [&] {
        try {
            writeDatabaseTree();
        } catch (const PlanEditAbort&) {
            // Told already (no user, no plans, no directory), or the
            // connection was lost: told as the command ends.
        }
    });
    if (normalCursor) setDefaultCursor(normalCursor);
}

void CalendarWindow::writeDatabaseTree() {
    IsectRecordset& rs = settingsRecordset;
    query(rs, "Select Teacher, Syndicate from Teachers Where Id = " + appState.currentUserId);
    if (rs.rows.IsEmpty()) {
        Prompter::get().error(this, "CalendarWindow::onDatabaseExport - No current user.",
                              "You must choose a user name to export the database.");
        throw PlanEditAbort();
    }
    rs.MoveFirst();
    const FXString teacher = rs.GetField("Teacher");
    const FXString syndicate = trimmed(rs.GetField("Syndicate"));
    query(rs, "Select First 1 Id from LongTerm Where FKSyndicate = " + syndicate +
                  " or FKSyndicate = " + appState.currentUserId);
    if (rs.rows.IsEmpty()) {
        Prompter::get().information(this, "CalendarWindow::onDatabaseExport - No plans exist.",
                                    "No plans have been loaded yet for this syndicate.");
        throw PlanEditAbort();
    }

    FXRegistry& reg = getApp()->reg();
    FXString chosen = reg.readStringEntry(exportSection, "directory", "");
    if (chosen.empty()) chosen = FXSystem::getCurrentDirectory();
    if (!Prompter::get().chooseDirectory(this, "Export database to disk", chosen)) throw PlanEditAbort();
    const FXString top =
        chosen + PATHSEP + CleanFileName(teacher) + " " + dates::localText(dates::now(), "%Y-%m-%d %H-%M-%S");
    if (!makeDirectory(top)) {
        cannotCreate(this, top);
        throw PlanEditAbort();
    }
    reg.writeStringEntry(exportSection, "directory", chosen.text());
    exportTop = top;
    exportIndex.clear();

    query(rs,
          "Select LongTerm.Id as LongTermId, PlanName, UnitPlan.Id as UnitPlanId, UnitName from UnitPlan, "
          "LongTerm where FKLongTerm = LongTerm.Id and FKTeacher = " +
              appState.currentUserId + " Order By LongTerm.Id");
    ProgressWindow progress(this, "Export Database Progress", "Writing out directories.", (FXuint)rs.recordCount);
    FXString previousPlan, planDirectory;
    for (rs.MoveFirst(); !rs.eof(); rs.MoveNext()) {
        if (progress->cancelled()) break;
        const FXString plan = trimmed(rs.GetField("LongTermId"));
        const bool newPlan = plan != previousPlan || planDirectory.empty();
        const FXString unit = trimmed(rs.GetField("UnitPlanId"));
        // The unit's pages need nothing of each other's results: their
        // queries go out together.
        IsectRecordset planPage, unitPage, lessonPages, present, notes;
        IsectRecordset::Reads reads;
        if (newPlan)
            reads.Add(
                planPage,
                "Select '. The Long Term Plan Description' as Name, Description from LongTerm where Id = " + plan);
        reads.Add(unitPage,
                  "Select '. The Unit Plan Description' as Name, UNITDESCRIPTION as Description from UnitPlan where "
                  "Id = " +
                      unit);
        reads.Add(lessonPages,
                  "Select LESSONNAME as Name, LESSONES as Essential_Skills, LESSONAO as Achievement_Objectives, "
                  "LESSONSLO as Specific_Learning_Outcomes, LESSONINTRO as Introduction, LESSONDEV as Development, "
                  "LESSONCLOSE as Closure, LESSONTEST as Assessment, LESSONRESOURCE as Resources, LESSONREFLECT as "
                  "Reflection from LessonPlan where FKUnitPlan = " +
                      unit);
        reads.Add(present,
                  "Select BinaryDescription.Id, FileName, FileSize from UnitBinary, BinaryDescription where "
                  "FKUnitPlan = " +
                      unit + " and UnitBinary.Id = BinaryDescription.Id");
        reads.Add(notes,
                  "Select '. The File Attachment Notes' as Name, FileName, FileSize, Description from UnitBinary, "
                  "BinaryDescription where FKUnitPlan = " +
                      unit + " and UnitBinary.Id = BinaryDescription.Id");
        if (!reads.Run()) throw PlanEditAbort();
        if (newPlan) {
            previousPlan = plan;
            planDirectory = top + PATHSEP + CleanFileName(rs.GetField("PlanName")) + " " + plan;
            if (!makeDirectory(planDirectory)) {
                cannotCreate(this, planDirectory);
                break;
            }
            std::vector<ExportEntry> written;
            writeRecordPages(planPage, planDirectory, &written);
            for (const ExportEntry& e : written)
                exportIndex.push_back({0, "Long term plan " + rs.GetField("PlanName"), e.path});
        }
        const FXString unitDirectory = planDirectory + PATHSEP + CleanFileName(rs.GetField("UnitName")) + " " + unit;
        if (!makeDirectory(unitDirectory)) {
            cannotCreate(this, unitDirectory);
            break;
        }
        std::vector<ExportEntry> written;
        writeRecordPages(unitPage, unitDirectory, &written);
        for (const ExportEntry& e : written) exportIndex.push_back({1, "Unit plan " + rs.GetField("UnitName"), e.path});
        written.clear();
        writeRecordPages(lessonPages, unitDirectory, &written);
        for (const ExportEntry& e : written) exportIndex.push_back({2, "Lesson " + e.text, e.path});
        progress->setMessage("Writing out file attachments.");
        exportAttachments(unitDirectory, present, notes);
        progress->setMessage("Writing out directories.");
        progress->advance(1);
    }
    writeExportIndex(teacher);
}

// CalendarWindow: "Export iCalendar..." of the pop-up menu.
//
// The current teacher's lessons of the shown term (or of the weeks from a
// day the teacher types) go to one .ics file in ..\Transfer, named after the
// teacher, for a phone's or a desktop's calendar.  Each lesson is one event
// whose UID is its Id with the database's identity, so importing a newer
// export updates the events of the older one instead of adding them twice.
// The lessons are the ones the week grid shows: those of the teacher's unit
// plans under long-term plans that are not persistent.
#include <string>

#include "calendar/CalendarWindow.h"
#include "calendar/ICalendar.h"
#include "data/AppState.h"
#include "data/Dates.h"
#include "data/Files.h"
#include "data/Numbers.h"
#include "planedit/UnitPlanDialog.h"
#include "ui/AppResources.h"
#include "ui/Failures.h"
#include "ui/Prompter.h"

using namespace FX;

namespace {

const char* const caption = "Export iCalendar";
const FXint mostWeeks = 520;

void query(IsectRecordset& rs, const FXString& sql) { UnitPlanDialog::query(rs, sql); }

FXString trimmed(const FXString& s) {
    FXString t = s;
    return t.trim();
}

// A column's text as stored (dates as 'YYYY-MM-DD', not as shown).
std::string raw(IsectRecordset& rs, const char* name) { return rs.rows.GetField(rs.FieldOrdinal(name).ordinal).text(); }

std::string later(const std::string& a, const std::string& b) { return a < b ? b : a; }
std::string earlier(const std::string& a, const std::string& b) { return a < b ? a : b; }

}  // namespace

long CalendarWindow::onCmdExportICalendar(FXObject*, FXSelector, void*) {
    exportICalendar();
    return 1;
}

void CalendarWindow::exportICalendar() {
    if (busyCursor) setDefaultCursor(busyCursor);
    failures::run(this, "Database Error", "lesson", [&] {
        try {
            writeICalendar();
        } catch (const PlanEditAbort&) {
            // Told already (no user, a date or number not understood,
            // cancelled), or the connection was lost: told as the command ends.
        }
    });
    if (normalCursor) setDefaultCursor(normalCursor);
}

FXString CalendarWindow::databaseIdentity(IsectRecordset& rs) {
    const FXString select = "Select StringValue from Settings Where StringKey = 'DatabaseIdentity'";
    query(rs, select);
    if (rs.rows.IsEmpty()) {
        try {
            query(rs,
                  "Insert into Settings (StringKey, StringValue) values ('DatabaseIdentity', "
                  "Lower(Uuid_To_Char(Gen_Uuid())))");
        } catch (const FXException&) {
            // Another desktop made it at the same moment: its identity is read.
        }
        query(rs, select);
    }
    if (rs.rows.IsEmpty()) throw FXException("CalendarWindow::databaseIdentity - No identity.");
    rs.MoveFirst();
    return trimmed(rs.GetField(0));
}

void CalendarWindow::writeICalendar() {
    IsectRecordset& rs = settingsRecordset;
    query(rs, "Select Teacher from Teachers Where Id = " + appState.currentUserId);
    if (rs.rows.IsEmpty()) {
        Prompter::get().error(this, caption, "You must choose a user name to export the lessons.");
        throw PlanEditAbort();
    }
    rs.MoveFirst();
    const FXString teacher = trimmed(rs.GetField("Teacher"));

    // The shown term: the last one starting on or before the shown day.
    const FXlong shown = dates::shownNow();
    FXString firstDay = dates::isoDate(dates::addDays(shown, -((dates::weekday(shown) + 6) % 7)));
    FXint weeks = 1;
    query(rs, "Select FirstDay, SchoolWeeks from TermDate Where FirstDay <= '" + dates::isoDate(shown) +
                  "' Order By FirstDay");
    if (!rs.rows.IsEmpty()) {
        rs.MoveLast();
        firstDay = raw(rs, "FirstDay").c_str();
        weeks = decimalValue(rs.GetField("SchoolWeeks"));
        if (weeks < 1) weeks = 1;
    }

    FXString typed = DisplayDate(firstDay);
    if (!Prompter::get().askText(this, caption, "Lessons from the day:", typed)) throw PlanEditAbort();
    FXint error = 0;
    firstDay = Year2000(trimmed(typed), error);
    if (error) {
        Prompter::get().error(this, caption, firstDay);
        throw PlanEditAbort();
    }
    typed = FXStringVal(weeks);
    if (!Prompter::get().askText(this, caption, "For this many weeks:", typed)) throw PlanEditAbort();
    typed.trim();
    weeks = IsectRecordset::IsDigits(typed) && typed.length() <= 3 ? FXIntVal(typed) : 0;
    if (weeks < 1 || weeks > mostWeeks) {
        Prompter::get().error(this, caption, FXStringFormat("Please type a number of weeks from 1 to %d.", mostWeeks));
        throw PlanEditAbort();
    }
    const FXString lastDay = dates::addDays(firstDay, 7 * weeks - 1);
    const FXString identity = databaseIdentity(rs);

    ical::Calendar cal;
    cal.name = teacher.text();
    cal.zoneId = ical::localZoneName();
    cal.product = ("-//Brellmoor//Plenwick " + appState.softwareVersion + "//EN").text();
    cal.from = dates::localMoment(firstDay, 0, 0);
    cal.to = dates::localMoment(lastDay, 23, 59);
    query(rs,
          "Select LessonPlan.Id, LessonName, LessonSLO, DateStart, DateEnd, TimeStart, TimeEnd, RoutineDay, "
          "UnitName, UnitType from LessonPlan, UnitPlan, LongTerm Where LessonPlan.FKUnitPlan = UnitPlan.Id And "
          "UnitPlan.FKLongTerm = LongTerm.Id And UnitPlan.FKTeacher = " +
              appState.currentUserId + " And DateEnd >= '" + firstDay + "' And DateStart <= '" + lastDay +
              "' And LongTerm.Persistant = 0 Order By DateStart, TimeStart, LessonPlan.Id");
    for (rs.MoveFirst(); !rs.eof(); rs.MoveNext()) {
        ical::Event e;
        e.uid = ("lesson-" + trimmed(rs.GetField("Id")) + "@" + identity + ".plenwick").text();
        e.summary = rs.GetField("LessonName").text();
        const FXString unit = rs.GetField("UnitName"), outcomes = rs.GetField("LessonSLO");
        e.description = ("Unit: " + unit).text();
        if (!trimmed(outcomes).empty()) e.description += ("\nLearning outcomes: " + outcomes).text();
        // Only the days of the export: a lesson reaching beyond it is cut.
        e.startDate = later(raw(rs, "DateStart"), firstDay.text());
        e.lastDate = earlier(raw(rs, "DateEnd"), lastDay.text());
        const std::string start = raw(rs, "TimeStart"), end = raw(rs, "TimeEnd");
        if (start.size() >= 5 && start != "None") e.startTime = start.substr(0, 5);
        if (end.size() >= 5 && end != "None") e.endTime = end.substr(0, 5);
        if (decimalValue(rs.GetField("UnitType")) == 2) {
            e.weekday = decimalValue(rs.GetField("RoutineDay"));
            if (e.weekday < 1 || e.weekday > 5) continue;
        }
        cal.events.push_back(e);
    }

    const FXString name = CleanFileName(teacher.empty() ? FXString("Lessons") : teacher);
    const FXString path = localPath("..\\Transfer\\") + name + ".ics";
    const std::string text = ical::write(cal, dates::now());
    if (!WriteWholeFile(path, text.data(), text.size())) {
        Prompter::get().warning(this, "Plenwick", "Unable to write to " + path);
        throw PlanEditAbort();
    }
    Prompter::get().information(this, caption,
                                FXStringFormat("%d lessons from %s to %s are in\n%s", (FXint)cal.events.size(),
                                               DisplayDate(firstDay).text(), DisplayDate(lastDay).text(), path.text()));
}

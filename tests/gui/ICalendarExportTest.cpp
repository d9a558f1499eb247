// "Export iCalendar...": the teacher's lessons as an .ics file, read back
// by two independent readers (libical's parser in ics_reader, Python's
// icalendar in read_ics.py), every lesson's times checked in UTC across a
// daylight-saving change in London and in Auckland.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "calendar/CalendarWindow.h"
#include "calendar/ICalendar.h"
#include "data/AppState.h"
#include "gui/GuiTest.h"
#include "support/LocalZone.h"
#include "support/RecordingPrompter.h"

using namespace FX;
using namespace guitest;

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// What a reader program prints for the file, its lines sorted.
std::vector<std::string> readWith(const std::string& program, const std::string& file) {
    std::string output;
    FILE* pipe = popen(("'" + program + "' '" + file + "' 2>&1").c_str(), "r");
    if (!pipe) return {"ERROR cannot start " + program};
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    if (pclose(pipe) != 0) output += "ERROR " + program + " failed\n";
    std::vector<std::string> out = lines(output);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> starting(const std::vector<std::string>& all, const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& l : all)
        if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
    return out;
}

// The content lines unfolded (RFC 5545: CRLF and one space or tab joins).
std::string unfolded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 3, "\r\n ") == 0 || text.compare(i, 3, "\r\n\t") == 0) {
            i += 2;
            continue;
        }
        out += text[i];
    }
    return out;
}

const std::string maori = "Te reo M\xC4\x81ori: whakapapa me te p\xC4\x93peha, caf\xC3\xA9 ";

class ICalendarExport : public ::testing::Test {
protected:
    testsupport::RecordingPrompter prompts;
    CalendarWindow* calendar = nullptr;

    std::string transferDir() { return services().dir() + "/Transfer"; }
    std::string file() { return transferDir() + "/Tom Hale.ics"; }

    void SetUp() override {
        freshStart();
        sql("insert into Teachers (Id, Teacher, Syndicate) values (1, 'Ann Leader', 1);"
            "insert into Teachers (Id, Teacher, Syndicate) values (2, 'Tom Hale', 1);"
            "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (1, '2014-03-24', 2, "
            "2014, 1);"
            "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (2, '2014-04-21', 10, "
            "2014, 2);"
            "insert into LongTerm (Id, PlanName, Description, PlanStart, PlanEnd, FKSubject, FKYear, FKSyndicate, "
            "Persistant) values (10, 'Number', 'n', '2014-03-24', '2014-06-27', 0, 0, 2, 0);"
            "insert into LongTerm (Id, PlanName, Description, PlanStart, PlanEnd, FKSubject, FKYear, FKSyndicate, "
            "Persistant) values (11, 'Always', 'p', '2014-03-24', '2014-06-27', 0, 0, 2, 1);");
        unit(20, 10, "Fractions", 1, 2);
        unit(21, 10, "Reading", 2, 2);     // routine lessons
        unit(22, 10, "Ann's unit", 1, 1);  // another teacher's
        unit(23, 11, "Persistent", 1, 2);
        testsupport::removeTree(transferDir());
        mkdir(transferDir().c_str(), 0755);
        calendar = new CalendarWindow(app());
        calendar->create();
        settle();
        appState.currentUserId = "          2";
        appState.currentSyndicate = "          1";
        prompts.clear();
    }
    void TearDown() override {
        delete calendar;
        testsupport::removeTree(transferDir());
        mkdir(transferDir().c_str(), 0755);
    }
    void unit(int id, int longTerm, const std::string& name, int type, int teacher) {
        std::string escaped = name;
        for (size_t at = escaped.find('\''); at != std::string::npos; at = escaped.find('\'', at + 2))
            escaped.replace(at, 1, "''");
        sql("insert into UnitPlan (Id, UnitName, UnitDescription, UnitType, FKLongTerm, FKTeacher, Transfer, Rotate) "
            "values (" +
            std::to_string(id) + ", '" + escaped + "', 'd', " + std::to_string(type) + ", " + std::to_string(longTerm) +
            ", " + std::to_string(teacher) + ", 0, 0);");
    }
    void lesson(int id, int unit, const std::string& name, const std::string& slo, const std::string& first,
                const std::string& last, const std::string& start, const std::string& end, int routineDay = 0) {
        sql("insert into LessonPlan (Id, LessonName, LessonES, LessonAO, LessonSLO, LessonIntro, LessonDev, "
            "LessonClose, LessonTest, LessonResource, LessonReflect, DateStart, DateEnd, TimeStart, TimeEnd, "
            "RoutineDay, FKUnitPlan) values (" +
            std::to_string(id) + ", '" + name + "', 'es', 'ao', '" + slo + "', 'intro', 'dev', 'close', 'test', " +
            "'resource', '', '" + first + "', '" + last + "', '" + start + "', '" + end + "', " +
            std::to_string(routineDay) + ", " + std::to_string(unit) + ");");
    }
    // The lessons of the London and Auckland tests: the week before and
    // the week after the clocks change, a routine lesson on Tuesdays across
    // both, and lessons the export leaves out.
    void lessons() {
        lesson(30, 20, "Halves, and quarters; a start", "Fold a sheet in two", "2014-03-28", "2014-03-28", "09:00",
               "09:50");
        lesson(31, 20, maori + "and a name long enough to fold its line at the seventy-fifth octet",
               maori + maori + maori, "2014-03-31", "2014-03-31", "09:00", "09:50");
        lesson(32, 21, "Reading", "", "2014-03-24", "2014-04-04", "10:00", "10:30", 2);
        lesson(33, 22, "Not mine", "", "2014-03-31", "2014-03-31", "09:00", "09:50");
        lesson(34, 23, "Persistent plan", "", "2014-03-31", "2014-03-31", "11:00", "11:50");
        lesson(35, 20, "Next term", "", "2014-04-22", "2014-04-22", "09:00", "09:50");
    }
    // The command with the two answers: the first day and the weeks (empty:
    // as offered).
    void exportCalendar(const std::string& day = "", const std::string& weeks = "") {
        appState.dateOffset = offsetFor(localMoment(2014, 3, 26, 9, 0));
        appState.americanDate = 0;
        prompts.texts = {day, weeks};
        // The offered texts are kept when the answer is empty.
        prompts.texts[0] = day.empty() ? "24/03/14" : day;
        prompts.texts[1] = weeks.empty() ? "2" : weeks;
        calendar->handle(calendar, FXSEL(SEL_COMMAND, CalendarWindow::ID_EXPORTICALENDAR), nullptr);
    }
    std::string identity() { return value("Select StringValue from Settings Where StringKey = 'DatabaseIdentity'"); }
    std::string uid(int lesson) { return "lesson-" + std::to_string(lesson) + "@" + identity() + ".plenwick"; }

    // Both readers give the same events and descriptions, with no errors;
    // libical's lines (with the occurrences of repeating events) returned.
    std::vector<std::string> readBack() {
        const std::vector<std::string> libical = readWith(ICS_READER, file());
        const std::vector<std::string> python = readWith("/usr/bin/python3", std::string(READ_ICS) + "' '" + file());
        EXPECT_TRUE(starting(libical, "ERROR").empty()) << starting(libical, "ERROR")[0];
        EXPECT_TRUE(starting(python, "ERROR").empty()) << starting(python, "ERROR")[0];
        EXPECT_EQ(starting(libical, "EVENT"), starting(python, "EVENT"));
        EXPECT_EQ(starting(libical, "DESC"), starting(python, "DESC"));
        return libical;
    }
    // Every physical line at most 75 octets, CRLF ended, valid UTF-8 after
    // unfolding.
    void checkLines(const std::string& text) {
        for (size_t at = 0; at < text.size();) {
            const size_t end = text.find("\r\n", at);
            ASSERT_NE(end, std::string::npos) << "a line without CRLF";
            EXPECT_LE(end - at, 75u) << text.substr(at, end - at);
            // A continuation never starts inside a UTF-8 character.
            if (end + 3 < text.size() && text[end + 2] == ' ') {
                EXPECT_NE((unsigned char)text[end + 3] & 0xC0, 0x80);
            }
            at = end + 2;
        }
    }
};

}  // namespace

TEST(ICalendarText, FoldingKeepsCharactersWholeAndEscapingKeepsText) {
    const std::string line = "SUMMARY:" + maori + maori + maori;
    const std::string folded = ical::fold(line);
    EXPECT_EQ(unfolded(folded), line);
    size_t start = 0;
    for (size_t at; (at = folded.find("\r\n", start)) != std::string::npos; start = at + 2) {
        EXPECT_LE(at - start, 75u);
        EXPECT_NE((unsigned char)folded[at + 3] & 0xC0, 0x80);
    }
    EXPECT_LE(folded.size() - start, 75u);
    // A short line stays as it is; a line of exactly 75 octets too.
    EXPECT_EQ(ical::fold("UID:x"), "UID:x");
    EXPECT_EQ(ical::fold(std::string(75, 'a')), std::string(75, 'a'));
    EXPECT_EQ(ical::fold(std::string(76, 'a')), std::string(75, 'a') + "\r\n a");
    EXPECT_EQ(ical::escapeText("a,b;c\\d\ne\r\nf"), "a\\,b\\;c\\\\d\\ne\\nf");
}

TEST(ICalendarText, AZoneWithoutChangesHasOneRule) {
    testsupport::LocalZone zone("Asia/Tokyo");
    ASSERT_TRUE(zone.available()) << "tzdata is missing";
    const std::string tz = ical::timeZone("Asia/Tokyo", localMoment(2014, 3, 1), localMoment(2014, 6, 1));
    EXPECT_NE(tz.find("TZOFFSETFROM:+0900\r\nTZOFFSETTO:+0900"), std::string::npos) << tz;
    EXPECT_EQ(testsupport::countOf(tz, "BEGIN:STANDARD"), 1);
    EXPECT_EQ(testsupport::countOf(tz, "BEGIN:DAYLIGHT"), 0);
}

// London's clocks went forward on Sunday 30 March 2014: 09:00 is 09:00 UTC
// on the Friday before and 08:00 UTC on the Monday after.
TEST_F(ICalendarExport, LondonAcrossTheClocksGoingForward) {
    testsupport::LocalZone zone("Europe/London");
    ASSERT_TRUE(zone.available()) << "tzdata is missing";
    lessons();
    exportCalendar();
    ASSERT_EQ(prompts.count("text"), 2u);
    EXPECT_EQ(prompts.prompts[0].text, "24/03/14");  // the shown term, offered
    EXPECT_EQ(prompts.prompts[1].text, "2");
    ASSERT_EQ(prompts.count("information"), 1u) << prompts.last().text;
    EXPECT_EQ(prompts.last().text, "3 lessons from 24/03/14 to 06/04/14 are in\n../Transfer/Tom Hale.ics");
    const std::string text = readFile(file());
    checkLines(text);
    EXPECT_NE(text.find("BEGIN:VTIMEZONE\r\nTZID:Europe/London\r\n"), std::string::npos);
    EXPECT_NE(text.find("DTSTART;TZID=Europe/London:20140328T090000\r\n"), std::string::npos);
    // Māori text intact, its comma escaped.
    EXPECT_NE(unfolded(text).find("SUMMARY:Te reo M\xC4\x81ori: whakapapa me te p\xC4\x93peha\\, caf\xC3\xA9 and"),
              std::string::npos);

    const std::vector<std::string> read = readBack();
    EXPECT_EQ(starting(read, "EVENT"),
              (std::vector<std::string>{
                  "EVENT " + uid(30) + " 2014-03-28 09:00 2014-03-28 09:50 Halves, and quarters; a start",
                  "EVENT " + uid(31) + " 2014-03-31 08:00 2014-03-31 08:50 " + maori +
                      "and a name long enough to fold its line at the seventy-fifth octet",
                  "EVENT " + uid(32) + " 2014-03-25 10:00 2014-03-25 10:30 Reading",
              }));
    EXPECT_EQ(
        starting(read, "DESC " + uid(30)),
        std::vector<std::string>{"DESC " + uid(30) + " Unit: Fractions\\nLearning outcomes: Fold a sheet in two"});
    EXPECT_EQ(starting(read, "DESC " + uid(32)), std::vector<std::string>{"DESC " + uid(32) + " Unit: Reading"});
    // The routine lesson on both Tuesdays, in winter and in summer time.
    EXPECT_EQ(starting(read, "AT"),
              (std::vector<std::string>{"AT " + uid(32) + " 2014-03-25 10:00", "AT " + uid(32) + " 2014-04-01 09:00"}));
}

// Auckland's clocks went back on Sunday 6 April 2014: 09:00 is 20:00 UTC the
// day before in summer time (+13) and 21:00 UTC in winter time (+12).
TEST_F(ICalendarExport, AucklandAcrossTheClocksGoingBack) {
    testsupport::LocalZone zone("Pacific/Auckland");
    ASSERT_TRUE(zone.available()) << "tzdata is missing";
    lesson(40, 20, "Friday", "", "2014-04-04", "2014-04-04", "09:00", "09:50");
    lesson(41, 20, "Monday", "", "2014-04-07", "2014-04-07", "13:15", "14:00");
    lesson(42, 21, "Reading", "", "2014-03-24", "2014-04-18", "10:00", "10:30", 5);
    exportCalendar("31/03/14", "2");
    ASSERT_EQ(prompts.count("information"), 1u) << prompts.last().text;
    const std::string text = readFile(file());
    checkLines(text);
    EXPECT_NE(text.find("TZID:Pacific/Auckland\r\n"), std::string::npos);
    const std::vector<std::string> read = readBack();
    EXPECT_EQ(starting(read, "EVENT"), (std::vector<std::string>{
                                           "EVENT " + uid(40) + " 2014-04-03 20:00 2014-04-03 20:50 Friday",
                                           "EVENT " + uid(41) + " 2014-04-07 01:15 2014-04-07 02:00 Monday",
                                           "EVENT " + uid(42) + " 2014-04-03 21:00 2014-04-03 21:30 Reading",
                                       }));
    // Only the Fridays of the weeks chosen.
    EXPECT_EQ(starting(read, "AT"),
              (std::vector<std::string>{"AT " + uid(42) + " 2014-04-03 21:00", "AT " + uid(42) + " 2014-04-10 22:00"}));
}

// A second export gives every lesson the same UID (the database's identity
// is made once), so a calendar updates its events instead of adding them.
TEST_F(ICalendarExport, UidsStayAcrossExports) {
    testsupport::LocalZone zone("Europe/London");
    lessons();
    exportCalendar();
    const std::string first = identity();
    EXPECT_EQ(first.size(), 36u);
    const std::vector<std::string> before = starting(readBack(), "EVENT");
    sql("update LessonPlan set LessonName = 'Renamed' where Id = 30;");
    exportCalendar();
    EXPECT_EQ(identity(), first);
    EXPECT_EQ(value("Select Count(*) from Settings Where StringKey = 'DatabaseIdentity'"), "1");
    const std::vector<std::string> after = starting(readBack(), "EVENT");
    ASSERT_EQ(before.size(), after.size());
    EXPECT_EQ(after[0], "EVENT " + uid(30) + " 2014-03-28 09:00 2014-03-28 09:50 Renamed");
    EXPECT_EQ(before[1], after[1]);
}

TEST_F(ICalendarExport, AnswersNotUnderstoodWriteNothing) {
    testsupport::LocalZone zone("Europe/London");
    lessons();
    exportCalendar("24/03/14", "0");
    EXPECT_EQ(prompts.last().kind, "error");
    EXPECT_EQ(prompts.last().text, "Please type a number of weeks from 1 to 520.");
    exportCalendar("24/03/14", "two");
    EXPECT_EQ(prompts.last().text, "Please type a number of weeks from 1 to 520.");
    prompts.clear();
    exportCalendar("the 40th", "2");
    EXPECT_EQ(prompts.last().kind, "error");
    // Cancelled at the first question.
    prompts.clear();
    appState.dateOffset = offsetFor(localMoment(2014, 3, 26, 9, 0));
    prompts.texts.clear();
    calendar->handle(calendar, FXSEL(SEL_COMMAND, CalendarWindow::ID_EXPORTICALENDAR), nullptr);
    EXPECT_EQ(prompts.count("text"), 1u);
    EXPECT_EQ(prompts.count("error") + prompts.count("information"), 0u);
    EXPECT_EQ(readFile(file()), "");
    // No teacher chosen.
    prompts.clear();
    appState.currentUserId = "0";
    exportCalendar();
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().text, "You must choose a user name to export the lessons.");
}

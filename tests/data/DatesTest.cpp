// Typed dates, shown dates, date comparison, escaping and the version
// comparison (the branches that do not reach the database).
#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <ctime>
#include <string>

#include "data/AppState.h"
#include "data/DatabaseMessages.h"
#include "data/Dates.h"
#include "data/IsectRecordset.h"
#include "data/VersionCheck.h"

using namespace FX;

namespace {

struct DateOrder {
    explicit DateOrder(FXint american) : saved(appState.americanDate) { appState.americanDate = american; }
    ~DateOrder() { appState.americanDate = saved; }
    FXint saved;
};

std::string y2k(const char* typed, FXint* errorOut = nullptr) {
    FXint error = -1;
    FXString result = Year2000(typed, error);
    if (errorOut) *errorOut = error;
    return result.text();
}

TEST(Year2000, DayFirstTable) {
    DateOrder order(0);
    EXPECT_EQ("2014-04-03", y2k("3/4/14"));
    EXPECT_EQ("2014-04-03", y2k("03-04-14"));
    EXPECT_EQ("2014-04-03", y2k("030414"));
    EXPECT_EQ("2014-04-03", y2k("3414"));
    EXPECT_EQ("2014-12-03", y2k("31214"));
    EXPECT_EQ("2014-03-12", y2k("12314"));
    EXPECT_EQ("2014-02-01", y2k("1/2/2014"));
    EXPECT_EQ("1936-04-03", y2k("3/4/36"));
    EXPECT_EQ("2035-04-03", y2k("  3/4/35 "));
    EXPECT_EQ("2014-13-05", y2k("5/13/14"));  // the month is not checked
    FXint error = 0;
    EXPECT_EQ("2014-04-03", y2k("3.4.14", &error));
    EXPECT_EQ(0, error);
}

TEST(Year2000, Failures) {
    DateOrder order(0);
    FXint error = 0;
    EXPECT_EQ("IsectRecordset::Year2000 - Invalid day provided.", y2k("32/1/14", &error));
    EXPECT_EQ(1, error);
    EXPECT_EQ("IsectRecordset::Year2000 - Empty date provided.", y2k("   ", &error));
    EXPECT_EQ(1, error);
    std::string invalid = y2k("01/02/2014", &error);
    EXPECT_EQ(1, error);
    EXPECT_EQ(0u, invalid.find("IsectRecordset::Year2000 - Invalid date provided.\n\nAllowed formats are:        \n\n"
                               "DD-MM-YY\nDD-M-YY\n"));
    EXPECT_NE(std::string::npos, invalid.find("\nDMYY"));
    DateOrder american(1);
    invalid = y2k("01/02/2014", &error);
    EXPECT_NE(std::string::npos, invalid.find("\n\nMM-DD-YY\nM-DD-YY\n"));
    // Nonsense never reads outside the text.
    for (const char* odd : {"/", "//", "a", "ab/", "1/", "/////", "12345678", "x/y/zz", "0"}) {
        y2k(odd, &error);
    }
}

TEST(Year2000, MonthFirst) {
    DateOrder order(1);
    EXPECT_EQ("2014-04-03", y2k("4/3/14"));
    EXPECT_EQ("2014-12-25", y2k("12/25/14"));
}

TEST(Year2000, DayAloneIsInTheShownMonth) {
    DateOrder order(0);
    FXlong savedOffset = appState.dateOffset;
    appState.dateOffset = 40 * 86400;
    time_t shown = (time_t)dates::shownNow();
    struct tm local;
    localtime_r(&shown, &local);
    char expected[32];
    snprintf(expected, sizeof expected, "%04d-%02d-07", local.tm_year + 1900, local.tm_mon + 1);
    EXPECT_EQ(expected, y2k("7"));
    snprintf(expected, sizeof expected, "%04d-%02d-17", local.tm_year + 1900, local.tm_mon + 1);
    EXPECT_EQ(expected, y2k("17"));
    DateOrder american(1);
    snprintf(expected, sizeof expected, "%04d-%02d-07", local.tm_year + 1900, local.tm_mon + 1);
    EXPECT_EQ(expected, y2k("7"));
    appState.dateOffset = savedOffset;
}

TEST(DisplayDate, DatesTimesAndNone) {
    DateOrder order(0);
    EXPECT_EQ(FXString("03/04/14"), DisplayDate("2014-04-03"));
    EXPECT_EQ(FXString("03/04/14"), DisplayDate("2014-04-03 08:05:00.0000"));
    EXPECT_EQ(FXString("08:05"), DisplayDate("08:05:00.0000"));
    EXPECT_EQ(FXString("None"), DisplayDate("None"));
    DisplayDate("");
    DisplayDate("20");
    DateOrder american(1);
    EXPECT_EQ(FXString("04/03/14"), DisplayDate("2014-04-03"));
}

// ---- the local-time helpers

// Runs a test in a time zone of its own (the zone files come with tzdata).
class InZone : public ::testing::Test {
protected:
    void use(const char* zone) {
        ASSERT_EQ(0, access((std::string("/usr/share/zoneinfo/") + zone).c_str(), R_OK))
            << zone << ": tzdata is missing (scripts/setup installs it)";
        setenv("TZ", zone, 1);
        tzset();
    }
    void SetUp() override {
        const char* tz = getenv("TZ");
        hadZone = tz != nullptr;
        if (tz) savedZone = tz;
        savedOffset = appState.dateOffset;
        savedHour = appState.schoolHour;
        savedMinute = appState.schoolMinute;
    }
    void TearDown() override {
        if (hadZone)
            setenv("TZ", savedZone.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
        appState.dateOffset = savedOffset;
        appState.schoolHour = savedHour;
        appState.schoolMinute = savedMinute;
    }
    std::string at(FXlong moment) { return dates::localText(moment, "%Y-%m-%d %H:%M").text(); }

    bool hadZone = false;
    std::string savedZone;
    FXlong savedOffset = 0;
    FXint savedHour = 8, savedMinute = 45;
};

TEST_F(InZone, CalendarArithmetic) {
    use("UTC");
    EXPECT_EQ(at(dates::localMoment("2014-03-10", 8, 45)), "2014-03-10 08:45");
    EXPECT_EQ(at(dates::localMoment("2014-03-10 08:05:00.0000", 9, 0)), "2014-03-10 09:00");  // a timestamp
    EXPECT_EQ(dates::localMoment(2014, 3, 10, 8, 45), dates::localMoment("2014-03-10", 8, 45));
    EXPECT_EQ(dates::weekday(dates::localMoment("2014-03-10", 12, 0)), 1);  // a Monday
    EXPECT_EQ(dates::weekday(dates::localMoment("2014-03-15", 12, 0)), 6);
    EXPECT_EQ(dates::addDays(FXString("2014-12-31"), 1), FXString("2015-01-01"));
    EXPECT_EQ(dates::addDays(FXString("2014-03-01"), -1), FXString("2014-02-28"));
    EXPECT_EQ(dates::addDays(FXString("2016-02-28"), 1), FXString("2016-02-29"));
    EXPECT_EQ(dates::addDays(FXString("2014-01-06"), 70), FXString("2014-03-17"));  // a ten-week term
    EXPECT_EQ(at(dates::sameDayAt(dates::localMoment("2014-03-10", 23, 59), 8, 45)), "2014-03-10 08:45");
    const FXlong monday = dates::localMoment("2014-03-10", 8, 45);
    EXPECT_EQ(dates::weeksBetween(monday, monday), 0);
    EXPECT_EQ(dates::weeksBetween(monday, monday + dates::oneWeek - 1), 0);
    EXPECT_EQ(dates::weeksBetween(monday, monday + dates::oneWeek), 1);
    EXPECT_EQ(dates::weeksBetween(monday, monday + 10 * dates::oneWeek + 3600), 10);

    // Today is the clock plus appState.dateOffset, in every form it is asked for.
    appState.dateOffset = 3 * dates::oneDay;
    EXPECT_EQ(dates::today(), dates::isoDate(dates::now() + 3 * dates::oneDay));
    EXPECT_NEAR((double)dates::shownNow(), (double)(time(nullptr) + 3 * dates::oneDay), 2.0);
    DateOrder english(0);
    EXPECT_EQ(dates::shownDate(monday), FXString("10/03/14"));
    DateOrder american(1);
    EXPECT_EQ(dates::shownDate(monday), FXString("03/10/14"));

    // The calendar shows the day after a date, at school start.
    appState.schoolHour = 8;
    appState.schoolMinute = 45;
    appState.dateOffset = dates::offsetShowing("2014-03-10");
    EXPECT_NEAR((double)dates::shownNow(), (double)dates::localMoment("2014-03-11", 8, 45), 2.0);
    appState.dateOffset = dates::offsetFor(monday);
    EXPECT_NEAR((double)dates::shownNow(), (double)monday, 2.0);
}

// The week in which the clocks go forward (London, Sunday 30 March 2014,
// 01:00 GMT becomes 02:00 BST) and the one in which they go back (Sunday
// 26 October 2014, 02:00 BST becomes 01:00 GMT).
TEST_F(InZone, DaylightSavingWeekInLondon) {
    use("Europe/London");
    // A day is 23 hours long across the spring change, and the clock time stays.
    const FXlong friday = dates::localMoment("2014-03-28", 8, 45);
    const FXlong monday = dates::addDays(friday, 3);
    EXPECT_EQ(at(monday), "2014-03-31 08:45");
    EXPECT_EQ(monday - friday, 3 * dates::oneDay - 3600);
    EXPECT_EQ(at(dates::addDays(monday, -3)), "2014-03-28 08:45");
    // Just after midnight on the 25-hour day: seconds would land on the same day.
    const FXlong late = dates::localMoment("2014-10-26", 0, 30);
    EXPECT_EQ(at(late + dates::oneDay), "2014-10-26 23:30");
    EXPECT_EQ(at(dates::addDays(late, 1)), "2014-10-27 00:30");
    EXPECT_EQ(dates::addDays(FXString("2014-10-25"), 2), FXString("2014-10-27"));
    EXPECT_EQ(dates::addDays(FXString("2014-03-29"), 1), FXString("2014-03-30"));
    // Each day of the week of the change starts at school start.
    const FXlong weekStart = dates::localMoment("2014-03-24", 8, 45);
    for (int d = 0; d < 14; ++d) {
        std::string day = dates::addDays(FXString("2014-03-24"), d).text();
        EXPECT_EQ(at(dates::addDays(weekStart, d)), day + " 08:45") << d;
    }

    // A term that began in winter: on the Monday after the change, at 09:00
    // summer time, the calendar is in the term's fifth week, not the fourth.
    const FXlong termBase = dates::localMoment("2014-03-03", 8, 45) - dates::oneWeek;
    const FXlong shown = dates::localMoment("2014-03-31", 9, 0);
    EXPECT_EQ((shown - termBase) / dates::oneWeek, 4);  // seconds alone count one hour short
    EXPECT_EQ(dates::weeksBetween(termBase, shown), 5);
    // ... and in autumn, on a Monday at 08:00 winter time after a summer start.
    const FXlong summerBase = dates::localMoment("2014-09-01", 8, 45) - dates::oneWeek;
    EXPECT_EQ(dates::weeksBetween(summerBase, dates::localMoment("2014-10-27", 8, 0)), 8);
    EXPECT_EQ(dates::weeksBetween(summerBase, dates::localMoment("2014-10-27", 8, 50)), 9);

    // The shown moment after selecting a date before the change is the next
    // day at school start, not an hour later.
    appState.schoolHour = 8;
    appState.schoolMinute = 45;
    appState.dateOffset = dates::offsetShowing("2014-03-29");
    EXPECT_EQ(dates::localText(dates::shownNow() + 1, "%Y-%m-%d %H:%M"), FXString("2014-03-30 08:45"));
    EXPECT_EQ(dates::today(), FXString("2014-03-30"));
}

// The southern hemisphere: Auckland goes forward on Sunday 28 September
// 2014 (02:00 NZST becomes 03:00 NZDT).
TEST_F(InZone, DaylightSavingWeekInAuckland) {
    use("Pacific/Auckland");
    const FXlong friday = dates::localMoment("2014-09-26", 8, 45);
    EXPECT_EQ(at(dates::addDays(friday, 3)), "2014-09-29 08:45");
    EXPECT_EQ(dates::addDays(friday, 3) - friday, 3 * dates::oneDay - 3600);
    const FXlong termBase = dates::localMoment("2014-07-21", 8, 45) - dates::oneWeek;
    EXPECT_EQ(dates::weeksBetween(termBase, dates::localMoment("2014-09-29", 9, 0)), 11);
    appState.dateOffset = dates::offsetShowing("2014-09-27");
    EXPECT_EQ(dates::today(), FXString("2014-09-28"));
}

TEST(DateIsLater, ComparesIsoDates) {
    EXPECT_TRUE(DateIsLater("2014-04-04", "2014-04-03"));
    EXPECT_FALSE(DateIsLater("2014-04-03", "2014-04-03"));
    EXPECT_TRUE(DateIsLater("2015-01-01", "2014-12-31"));
    EXPECT_FALSE(DateIsLater("2014-02-28", "2014-03-01"));
}

TEST(EscapeText, ApostrophesCommasAndBackslashes) {
    EXPECT_EQ(FXString("it\\047s a\\054 b"), IsectRecordset::EscapeText("it's a, b"));
    EXPECT_EQ(FXString("C:\\134new\\134101"), IsectRecordset::EscapeText("C:\\new\\101"));
    EXPECT_EQ(FXString("YWJj+/=="), IsectRecordset::EscapeText("YWJj+/=="));  // base64 passes unchanged
    EXPECT_EQ(FXString(""), IsectRecordset::EscapeText(""));
    EXPECT_TRUE(IsectRecordset::IsDigits(""));
    EXPECT_TRUE(IsectRecordset::IsDigits("0123"));
    EXPECT_FALSE(IsectRecordset::IsDigits(" 1"));
    EXPECT_FALSE(IsectRecordset::IsDigits("-1"));
}

// The escaped text read back through the parser is the text typed.
TEST(EscapeText, RoundTripThroughTheParser) {
    const char* typed = "Don't mix \\101, \\n and C:\\2014\\ (ok)";
    FXString stored = IsectRecordset::EscapeText(typed);
    IsectRecordset rs;
    rs.OpenFromText("[[{'name':'T','type':'s','null':1,'width':200}],\n[['" + stored + "']]]\n");
    // The worker would also escape the comma and parentheses; the parser does not mind either way.
    EXPECT_EQ(FXString(typed), rs.GetField("T"));
}

TEST(Version, SplitsParts) {
    FXint a, b, c;
    SplitVersion("10.0.3", a, b, c);
    EXPECT_EQ(10, a);
    EXPECT_EQ(0, b);
    EXPECT_EQ(3, c);
    SplitVersion("", a, b, c);
    EXPECT_EQ(0, a + b + c);
    SplitVersion("2.x.7beta", a, b, c);
    EXPECT_EQ(2, a);
    EXPECT_EQ(0, b);
    EXPECT_EQ(7, c);
}

TEST(Version, MessagesThatNeedNoDatabase) {
    FXString message;
    messages::Message failure;
    EXPECT_FALSE(CheckVersion(nullptr, message, "2.0.3", "2.0.3", failure));
    EXPECT_TRUE(CheckVersion(nullptr, message, "2.0.3", "2.0.4", failure));
    EXPECT_EQ(FXString("This software version is 2.0.3\nThe database version is 2.0.4\n\nThe server database has "
                       "already been updated by a more recent version of the software elsewhere on the network.\n"
                       "Update this local instance to the current software version."),
              message);
    EXPECT_TRUE(CheckVersion(nullptr, message, "2.0.3", "2.1.3", failure));
    EXPECT_NE(-1, message.find("\n\nA database patch is required to upgrade this software.\nContact the vendor for "
                               "the appropriate database patch."));
    EXPECT_TRUE(CheckVersion(nullptr, message, "2.0.3", "3.0.3", failure));
    EXPECT_NE(-1, message.find("\n\nThis software version will not work with this database.\nContact the vendor for "
                               "the data conversion routines required."));
    EXPECT_TRUE(CheckVersion(nullptr, message, "2.0.3", "", failure));
    EXPECT_NE(-1, message.find("will not work"));
    EXPECT_TRUE(CheckVersion(nullptr, message, "10.0.3", "1.0.3", failure));
    EXPECT_NE(-1, message.find("will not work"));
}

TEST(Version, TransferFilesAreComparedWithoutUpgrading) {
    FXString message;
    EXPECT_FALSE(CheckTransferVersion(message, "2.0.3", "2.0.3"));
    // One layout since 2.0.3: older files of it are read.
    EXPECT_FALSE(CheckTransferVersion(message, "2.0.4", "2.0.3"));
    EXPECT_FALSE(CheckTransferVersion(message, "2.0.4", "2.0.4"));
    EXPECT_TRUE(CheckTransferVersion(message, "2.0.4", "2.0.2"));
    EXPECT_EQ(FXString("This transfer file was written by an older Plenwick (2.0.2), whose transfer files this "
                       "Plenwick (2.0.4) cannot read: export the unit plan again with Plenwick 2.0.4 or later."),
              message);
    EXPECT_TRUE(CheckTransferVersion(message, "2.0.4", "2.1.0"));
    EXPECT_EQ(FXString("This transfer file was written by a newer Plenwick (2.1.0): update Plenwick to import it."
                       "\n\nThis Plenwick is version 2.0.4."),
              message);
    EXPECT_TRUE(CheckTransferVersion(message, "2.0.4", "2.0.5"));
    EXPECT_EQ(0, message.find("This transfer file was written by a newer Plenwick (2.0.5)"));
    EXPECT_TRUE(CheckTransferVersion(message, "2.0.4", "1.9.9"));
    EXPECT_EQ(0, message.find("This transfer file was written by an older Plenwick (1.9.9)"));
}

}  // namespace

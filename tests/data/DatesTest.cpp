// Typed dates, shown dates, date comparison, escaping and the version
// comparison (the branches that do not reach the database).
#include <gtest/gtest.h>

#include <ctime>

#include "data/AppState.h"
#include "data/IsectRecordset.h"
#include "data/VersionCheck.h"

using namespace FX;

namespace {

struct DateOrder {
    explicit DateOrder(FXint american) : saved(americanDate) { americanDate = american; }
    ~DateOrder() { americanDate = saved; }
    FXint saved;
};

std::string y2k(const char* typed, FXint* errorOut = nullptr) {
    FXint error = -1;
    FXString result = IsectRecordset::Year2000(typed, error);
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
    FXlong savedOffset = dateOffset;
    dateOffset = 40 * 86400;
    time_t shown = (time_t)appNow();
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
    dateOffset = savedOffset;
}

TEST(DisplayDate, DatesTimesAndNone) {
    DateOrder order(0);
    EXPECT_EQ(FXString("03/04/14"), IsectRecordset::DisplayDate("2014-04-03"));
    EXPECT_EQ(FXString("03/04/14"), IsectRecordset::DisplayDate("2014-04-03 08:05:00.0000"));
    EXPECT_EQ(FXString("08:05"), IsectRecordset::DisplayDate("08:05:00.0000"));
    EXPECT_EQ(FXString("None"), IsectRecordset::DisplayDate("None"));
    IsectRecordset::DisplayDate("");
    IsectRecordset::DisplayDate("20");
    DateOrder american(1);
    EXPECT_EQ(FXString("04/03/14"), IsectRecordset::DisplayDate("2014-04-03"));
}

TEST(DateIsLater, ComparesIsoDates) {
    EXPECT_TRUE(IsectRecordset::DateIsLater("2014-04-04", "2014-04-03"));
    EXPECT_FALSE(IsectRecordset::DateIsLater("2014-04-03", "2014-04-03"));
    EXPECT_TRUE(IsectRecordset::DateIsLater("2015-01-01", "2014-12-31"));
    EXPECT_FALSE(IsectRecordset::DateIsLater("2014-02-28", "2014-03-01"));
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
    EXPECT_FALSE(CheckVersion(nullptr, message, "2.0.3", "2.0.3"));
    EXPECT_TRUE(CheckVersion(nullptr, message, "2.0.3", "2.0.4"));
    EXPECT_EQ(FXString("This software version is 2.0.3\nThe database version is 2.0.4\n\nThe server database has "
                       "already been updated by a more recent version of the software elsewhere on the network.\n"
                       "Update this local instance to the current software version."),
              message);
    EXPECT_TRUE(CheckVersion(nullptr, message, "2.0.3", "2.1.3"));
    EXPECT_NE(-1, message.find("\n\nA database patch is required to upgrade this software.\nContact the vendor for "
                               "the appropriate database patch."));
    EXPECT_TRUE(CheckVersion(nullptr, message, "2.0.3", "3.0.3"));
    EXPECT_NE(-1, message.find("\n\nThis software version will not work with this database.\nContact the vendor for "
                               "the data conversion routines required."));
    EXPECT_TRUE(CheckVersion(nullptr, message, "2.0.3", ""));
    EXPECT_NE(-1, message.find("will not work"));
    EXPECT_TRUE(CheckVersion(nullptr, message, "10.0.3", "1.0.3"));
    EXPECT_NE(-1, message.find("will not work"));
}

TEST(Version, TransferFilesAreComparedWithoutUpgrading) {
    FXString message;
    EXPECT_FALSE(CheckTransferVersion(message, "2.0.3", "2.0.3"));
    EXPECT_TRUE(CheckTransferVersion(message, "2.0.3", "2.0.2"));
    EXPECT_EQ(0, message.find("This software version is 2.0.3\nThe database version is 2.0.2\n\n"));
    EXPECT_EQ(-1, message.find("Database successfully updated"));
    EXPECT_TRUE(CheckTransferVersion(message, "2.0.3", "2.0.4"));
}

}  // namespace

// The checks of typed dates, times and text lengths, in both date orders.
#include <gtest/gtest.h>

#include <string>

#include "data/AppState.h"
#include "data/InputChecks.h"

using namespace FX;

namespace {

// The message of a refused value ("" when it was accepted).
template <typename F>
std::string refusal(F check) {
    try {
        check();
    } catch (const FXException& e) {
        return e.what();
    }
    return "";
}

std::string dateRefusal(const char* typed) {
    return refusal([&] { checks::date("Start Date", typed); });
}

bool starts(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

class Checks : public testing::Test {
protected:
    void SetUp() override { appState = AppState(); }
    void TearDown() override { appState = AppState(); }
};

}  // namespace

TEST_F(Checks, AmericanDatesAreReadMonthFirst) {
    appState.americanDate = 1;
    EXPECT_EQ(checks::date("Start Date", "3/25/26"), "2026-03-25");
    EXPECT_EQ(checks::date("Start Date", " 12/08/26 "), "2026-12-08");
    EXPECT_EQ(checks::date("Start Date", "2/29/28"), "2028-02-29");
    EXPECT_EQ(checks::date("Start Date", "01/02/2014"), "2014-01-02");  // ten characters, a plain date all the same

    std::string m = dateRefusal("2/30/26");
    EXPECT_TRUE(starts(m, "Start Date \"2/30/26\" is not a date: February 2026 has only 28 days.")) << m;
    EXPECT_NE(m.find("Type dates month first, as MM/DD/YY"), std::string::npos) << m;
    m = dateRefusal("18/12/26");
    EXPECT_TRUE(starts(m, "Start Date \"18/12/26\" is not a date: there is no month 18 (the month comes first).")) << m;
    m = dateRefusal("12/8");
    EXPECT_TRUE(starts(m, "Start Date \"12/8\" is not a date: the year is missing.")) << m;
    m = dateRefusal("4/31/26");
    EXPECT_TRUE(starts(m, "Start Date \"4/31/26\" is not a date: April 2026 has only 30 days.")) << m;
    m = dateRefusal("1/32/26");
    EXPECT_TRUE(starts(m, "Start Date \"1/32/26\" is not a date: there is no day 32.")) << m;
    m = dateRefusal("next week");
    EXPECT_TRUE(starts(m, "Start Date \"next week\" is not a date: it holds \"n\".")) << m;
    m = dateRefusal("  ");
    EXPECT_TRUE(starts(m, "Start Date is empty.")) << m;
    m = dateRefusal("1/2/345");
    EXPECT_TRUE(starts(m, "Start Date \"1/2/345\" is not a date: the year has 3 digits.")) << m;
    EXPECT_EQ(checks::date("Start Date", "021426"), "2026-02-14");
    m = dateRefusal("140226");  // digits alone, month 14
    EXPECT_TRUE(starts(m, "Start Date \"140226\" is not a date: there is no month 14")) << m;
    EXPECT_TRUE(starts(dateRefusal("1234567890"), "Start Date \"1234567890\" is not a date: it is not in a form"));
}

TEST_F(Checks, DayFirstDatesAndTheFormsYear2000Reads) {
    appState.americanDate = 0;
    EXPECT_EQ(checks::date("End Date", "3/4/14"), "2014-04-03");
    EXPECT_EQ(checks::date("End Date", "030414"), "2014-04-03");
    EXPECT_EQ(checks::date("End Date", "31214"), "2014-12-03");
    EXPECT_EQ(checks::date("End Date", "18/12/26"), "2026-12-18");
    std::string m = dateRefusal("5/13/14");
    EXPECT_TRUE(starts(m, "Start Date \"5/13/14\" is not a date: there is no month 13 (the month comes second).")) << m;
    EXPECT_NE(m.find("Type dates day first, as DD/MM/YY"), std::string::npos) << m;
    m = dateRefusal("29/2/27");
    EXPECT_TRUE(starts(m, "Start Date \"29/2/27\" is not a date: February 2027 has only 28 days.")) << m;
}

TEST_F(Checks, TimesOfDay) {
    EXPECT_EQ(checks::timeOfDay("Start Time", "9:05"), "09:05");
    EXPECT_EQ(checks::timeOfDay("Start Time", " 13:30 "), "13:30");
    EXPECT_EQ(checks::timeOfDay("Start Time", "00:00"), "00:00");
    EXPECT_EQ(checks::timeOfDay("Start Time", "   "), "");
    EXPECT_EQ(checks::timeLiteral(""), "NULL");
    EXPECT_EQ(checks::timeLiteral("09:05"), "'09:05'");
    auto timeRefusal = [](const char* typed) { return refusal([&] { checks::timeOfDay("End Time", typed); }); };
    std::string m = timeRefusal("9");
    EXPECT_TRUE(starts(m, "End Time \"9\" is not a time of day.\n\nType times as HH:MM")) << m;
    m = timeRefusal("25:00");
    EXPECT_TRUE(starts(m, "End Time \"25:00\" is not a time of day: there is no hour 25.")) << m;
    m = timeRefusal("10:75");
    EXPECT_TRUE(starts(m, "End Time \"10:75\" is not a time of day: an hour has only 60 minutes.")) << m;
    for (const char* bad : {"abc", "9.30", "9:5", "1:2:3", ":30", "123:00", "-1:00"})
        EXPECT_TRUE(starts(timeRefusal(bad), std::string("End Time \"") + bad + "\" is not a time of day.")) << bad;
}

TEST_F(Checks, LengthsCountEscapedCharactersAsStored) {
    EXPECT_EQ(checks::storedLength("a'b,c\\d"), 4 + 3 * 4);
    const std::string fits(140, 'x');
    EXPECT_EQ(refusal([&] { checks::fits("Name", fits.c_str(), checks::nameWidth); }), "");
    const std::string over = std::string(139, 'x') + "'";
    EXPECT_EQ(refusal([&] { checks::fits("Name", over.c_str(), checks::nameWidth); }),
              "Name is 3 characters too long: it holds 140 characters, and each ' , or \\ in it takes four of them.");
    const std::string plain(4401, 'y');
    EXPECT_EQ(refusal([&] { checks::fits("Development", plain.c_str(), checks::textWidth); }),
              "Development is 1 character too long: it holds 4400 characters.");
    // The issue's own case: 4300 characters of which 82 are commas.
    std::string commas = std::string(4218, 'z') + std::string(82, ',');
    EXPECT_EQ(checks::storedLength(commas.c_str()), 4546);
    EXPECT_TRUE(starts(refusal([&] { checks::fits("Resources", commas.c_str(), checks::textWidth); }),
                       "Resources is 146 characters too long"));
}

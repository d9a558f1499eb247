// The words of a failure: plain words for what a teacher meets, the
// client's and the router's own sentences as they are, and never the
// database's codes or its sentences alone.
#include <gtest/gtest.h>

#include "data/DatabaseMessages.h"

using namespace FX;

namespace {

// No box of any kind shows what the database says to programmers.
TEST(DatabaseMessages, TheDatabasesCodesAndSentencesNeverStandAlone) {
    const char* const said[] = {
        "Dynamic SQL Error\nSQL error code = -204\nTable unknown\nNOSUCHTABLE\nAt line 1, column 15",
        "lock time-out on wait transaction\ndeadlock\nupdate conflicts with concurrent update\n"
        "concurrent transaction number is 1234",
        "violation of PRIMARY or UNIQUE KEY constraint \"PK_TEACHERS\" on table \"TEACHERS\"\n"
        "Problematic key value is (\"ID\" = 1)",
        "arithmetic exception, numeric overflow, or string truncation\nstring right truncation\n"
        "expected length 140, actual 300",
        "Statement failed, SQLSTATE = 42S02\ngdscode = 335544580\nisc_dsql_relation_err",
    };
    for (const char* text : said) {
        const messages::Message m = messages::explain(true, text, "Database Error", "teacher");
        for (const char* raw : {"SQL error code", "SQLSTATE", "gdscode", "isc_", "transaction number"})
            EXPECT_EQ(m.text.find(raw), -1) << raw << " in: " << m.text.text();
        EXPECT_NE(m.text.find(text), 0) << "the database's words first: " << m.text.text();
        EXPECT_FALSE(m.warning);
    }
    EXPECT_EQ(messages::explain(true, said[2], "Database Error", "teacher").kind, messages::Kind::DUPLICATE);
    EXPECT_EQ(messages::explain(true, said[3], "Database Error", "teacher").kind, messages::Kind::TOO_LONG);
    // Any other refusal: a plain sentence, the database's words below it.
    const messages::Message other = messages::explain(true, said[0], "Database Error", "teacher");
    EXPECT_EQ(other.kind, messages::Kind::REFUSED);
    EXPECT_EQ(other.caption, "Database Error");
    EXPECT_EQ(other.text.find("The database could not do what was asked, so nothing was changed."), 0);
    EXPECT_NE(other.text.find("Table unknown\nNOSUCHTABLE"), -1) << other.text.text();
    // The client's and the router's own sentences stay as they are.
    const char* const typed = "Name is 10 characters too long: it holds 140 characters.";
    const char* const router =
        "isectd - The database service stopped while saving; the last change may not have been saved. Please check it.";
    EXPECT_EQ(messages::explain(false, typed, "Database Error").text, FXString(typed));
    const messages::Message saving = messages::explain(false, router, "Database Error");
    EXPECT_EQ(saving.text, FXString(router));
    EXPECT_EQ(saving.kind, messages::Kind::OUTCOME_UNKNOWN);
}

}  // namespace

// The data layer against the real thing: a database made from the creation
// script (with the demo data), the router and Vantry workers.  Covers every
// stored procedure, the storage of escaped texts, write-back, transactions,
// error replies, a lost and found-again router, and the demo week.
#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <string>

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/IsectRecordset.h"
#include "support/RecordingPrompter.h"
#include "support/Services.h"

using namespace FX;
using testsupport::RecordingPrompter;
using testsupport::ScopedChdir;
using testsupport::Services;
using testsupport::ServicesOptions;

namespace {

std::string trimmed(const FXString& s) {
    FXString t = s;
    t.trim();
    return std::string(t.text(), t.length());
}

std::string isoDate(time_t t) { return dates::isoDate((FXlong)t).text(); }

// Monday of the current week, at noon.
time_t thisMonday() {
    FXlong noon = dates::sameDayAt(dates::now(), 12, 0);
    return (time_t)dates::addDays(noon, -((dates::weekday(noon) + 6) % 7));
}

class ServiceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ServicesOptions options;
        options.demo = true;
        options.workers = 1;  // one worker: see TwoWorkersTest for the router's part
        svc = new Services(options);
    }
    static void TearDownTestSuite() {
        IsectRecordset::Disconnect();
        delete svc;
        svc = nullptr;
    }
    void SetUp() override {
        chdir_.reset(new ScopedChdir(svc->workdir()));
        IsectRecordset::Disconnect();
    }
    void TearDown() override { chdir_.reset(); }

    // First column of the first row, trimmed.
    std::string scalar(const std::string& sql) {
        IsectRecordset rs;
        try {
            EXPECT_TRUE(rs.OpenRecordset(sql.c_str())) << sql;
        } catch (const FXException& e) {
            ADD_FAILURE() << sql << ": " << e.what();
            return "<error>";
        }
        if (rs.recordCount == 0) return "<no row>";
        return trimmed(rs.GetField(0));
    }
    std::string newId(const std::string& call) { return scalar("Select * from " + call); }

    static Services* svc;
    std::unique_ptr<ScopedChdir> chdir_;
    RecordingPrompter prompts;
};
Services* ServiceTest::svc = nullptr;

TEST_F(ServiceTest, DemoWeekHasPlansForTheTeacherAddedLast) {
    IsectRecordset rs;
    rs.OpenRecordset("Select First 1 Id, Teacher, Syndicate from Teachers Order By Id Desc");
    ASSERT_EQ(1, rs.recordCount);
    std::string user = trimmed(rs.GetField("Id"));
    EXPECT_NE(user, trimmed(rs.GetField("Syndicate")));  // not a leader: the calendar draws the week
    std::string today = isoDate(time(nullptr));

    rs.OpenRecordset(
        ("Select SchoolWeeks,FirstDay,SchoolYear,SchoolTerm from TermDate Where FirstDay <= '" + today + "'").c_str());
    ASSERT_GE(rs.recordCount, 1);
    rs.MoveLast();
    EXPECT_EQ("2", trimmed(rs.GetField("SchoolTerm")));
    EXPECT_EQ("1", scalar("Select count(*) from TermDate Where FirstDay > '" + today + "' and SchoolTerm = 3"));

    // The calendar's lesson query for this week, last week and next week.
    for (int week = -1; week <= 1; ++week) {
        std::string d0 = isoDate(thisMonday() + week * 604800), d6 = isoDate(thisMonday() + week * 604800 + 518400);
        rs.OpenRecordset(("Select LessonPlan.*, UnitPlan.UnitType, UnitPlan.Rotate from LessonPlan,UnitPlan,LongTerm "
                          "Where LessonPlan.FKUnitPlan = UnitPlan.Id And UnitPlan.FKLongTerm = LongTerm.Id And "
                          "UnitPlan.FKTeacher = " +
                          user + " and (DateEnd >= '" + d0 + "' and DateEnd < '" + d6 + "' or DateStart <= '" + d6 +
                          "' and DateEnd >= '" + d6 +
                          "') and LongTerm.Persistant = 0 Order By UnitType Desc,TimeStart,LessonPlan.Id")
                             .c_str());
        EXPECT_GE(rs.recordCount, 15) << "week " << week;
        bool types[4] = {false, false, false, false}, rotating = false;
        for (rs.MoveFirst(); !rs.eof(); rs.MoveNext()) {
            int type = atoi(rs.GetField("UnitType").text());
            if (type >= 1 && type <= 3) types[type] = true;
            rotating = rotating || atoi(rs.GetField("Rotate").text()) == 1;
            // DATESTART and DATEEND sit at 14 and 15, raw ISO text.
            EXPECT_EQ(10, rs.rows.GetField(14).length());
            EXPECT_EQ('-', rs.rows.GetField(15)[4]);
            EXPECT_EQ(5, rs.GetField("TimeStart").length());
        }
        EXPECT_TRUE(types[1] && types[2] && types[3]) << "week " << week;
        EXPECT_TRUE(rotating);
    }
    // Texts come back with their apostrophes, commas and line feeds.
    EXPECT_EQ("Margaret O'Brien", scalar("Select Teacher from Teachers where Id = 1"));
    std::string description = scalar("Select Description from LongTerm where PlanName = 'Poetry: rhyme and rhythm'");
    EXPECT_NE(std::string::npos, description.find("Sarah's own writing plan.\nRead, perform"));
    // The attachment decodes to its 66 bytes.
    EXPECT_EQ("0", scalar("Select Ready from BinaryDescription"));
}

TEST_F(ServiceTest, AccountsAndSubjects) {
    std::string leader = newId("MakeAccount('Lead\\047s Own'," + std::string("0)"));
    EXPECT_EQ(leader, scalar("Select Syndicate from Teachers where Id = " + leader));
    std::string member = newId("MakeAccount('Member'," + leader + ")");
    EXPECT_EQ(leader, scalar("Select Syndicate from Teachers where Id = " + member));
    EXPECT_EQ("Lead's Own", scalar("Select Teacher from Teachers where Id = " + leader));

    std::string today = isoDate(time(nullptr));
    std::string term =
        scalar("Select First 1 Id from TermDate Where FirstDay <= '" + today + "' Order By FirstDay Desc");
    std::string later = scalar("Select First 1 Id from TermDate Where FirstDay > '" + today + "' Order By FirstDay");
    std::string a = newId("MakeSubject('Alpha'," + leader + "," + term + ")");
    std::string b = newId("MakeSubject('Beta\\054 Gamma'," + leader + "," + term + ")");
    std::string c = newId("MakeSubject('Retired'," + leader + "," + term + ")");
    std::string d = newId("MakeSubject('Next term'," + leader + "," + later + ")");
    EXPECT_EQ("1", scalar("Select Ordinal from Subject where Id = " + a));
    EXPECT_EQ("2", scalar("Select Ordinal from Subject where Id = " + b));

    // Retire c from the current term on, and swap the order of a and b.
    IsectRecordset rs;
    rs.inTransaction = 1;
    rs.OpenRecordset(("Update Subject Set FKTermDateEnd = " + term + " where Id = " + c).c_str());
    rs.OpenRecordset(("Update Subject Set Ordinal = 2 where Id = " + a).c_str());
    rs.OpenRecordset(("Update Subject Set Ordinal = 1 where Id = " + b).c_str());
    rs.CommitTrans();

    rs.OpenRecordset(("Select * from GetCurrentSubjects(" + leader + ",'" + today + "')").c_str());
    std::string list;
    for (rs.MoveFirst(); !rs.eof(); rs.MoveNext()) list += trimmed(rs.GetField("Description")) + ";";
    EXPECT_EQ("Beta, Gamma;Alpha;", list);
    // Before the retirement the retired subject is listed; the future one is not yet.
    rs.OpenRecordset(("Select Id, Description from GetCurrentSubjects(" + leader + ",'" +
                      isoDate(time(nullptr) - 200 * 86400) + "')")
                         .c_str());
    list.clear();
    for (rs.MoveFirst(); !rs.eof(); rs.MoveNext()) list += trimmed(rs.GetField("Id")) + ";";
    EXPECT_EQ(std::string::npos, list.find(d + ";"));
    EXPECT_EQ("0", scalar("Select count(*) from GetCurrentSubjects(" + member + ",'" + today + "')"));
}

TEST_F(ServiceTest, PlansLessonsAndTheirDefaults) {
    std::string teacher = newId("MakeAccount('Planner',0)");
    std::string lt = newId("MakeLongTerm('Plan\\047s name','Line one\\054\nline two','2014-03-03','2014-04-11',1,2," +
                           teacher + ",1)");
    IsectRecordset rs;
    rs.OpenRecordset(("Select * from LongTerm where Id = " + lt).c_str());
    EXPECT_EQ(FXString("Plan's name"), rs.GetField("PlanName"));
    EXPECT_EQ(FXString("Line one,\nline two"), rs.GetField("Description"));
    EXPECT_EQ(FXString("2014-03-03"), rs.rows.GetField(rs.FieldOrdinal("PlanStart").ordinal));
    EXPECT_EQ("1", trimmed(rs.GetField("Persistant")));
    EXPECT_EQ("2", trimmed(rs.GetField("FKYear")));

    std::string unit = newId("MakeUnitPlan('Unit, \\047one\\047','Desc',2," + lt + "," + teacher + ",-1,1)");
    EXPECT_EQ(unit, scalar("Select gen_id(NEWUNITPLAN, 0) from rdb$database"));
    rs.OpenRecordset(("Select * from UnitPlan where Id = " + unit).c_str());
    EXPECT_EQ(FXString("Unit, 'one'"), rs.GetField("UnitName"));
    EXPECT_EQ("2", trimmed(rs.GetField("UnitType")));
    EXPECT_EQ(lt, trimmed(rs.GetField("FKLongTerm")));
    EXPECT_EQ(teacher, trimmed(rs.GetField("FKTeacher")));
    EXPECT_EQ("-1", trimmed(rs.GetField("Transfer")));
    EXPECT_EQ("1", trimmed(rs.GetField("Rotate")));

    std::string lesson = newId(
        "MakeLessonPlan('Name','ES','AO','SLO','Intro','Dev','Close','Resource','Reflect','Test',"
        "'2014-03-10','2014-03-12'," +
        unit + ",'09:00','09:45',3)");
    rs.OpenRecordset(("Select * from LessonPlan where Id = " + lesson).c_str());
    const char* expected[][2] = {
        {"LessonName", "Name"},         {"LessonES", "ES"},           {"LessonAO", "AO"},       {"LessonSLO", "SLO"},
        {"LessonIntro", "Intro"},       {"LessonDev", "Dev"},         {"LessonClose", "Close"}, {"LessonTest", "Test"},
        {"LessonResource", "Resource"}, {"LessonReflect", "Reflect"}, {"LessonEval", "0"},      {"LessonAssess", "0"},
        {"LessonNotTaught", "0"},       {"TimeStart", "09:00"},       {"TimeEnd", "09:45"},     {"RoutineDay", "3"},
        {"FKUnitPlan", unit.c_str()}};
    for (auto& e : expected) EXPECT_EQ(e[1], trimmed(rs.GetField(e[0]))) << e[0];
    EXPECT_EQ(FXString("2014-03-10"), rs.rows.GetField(14));
    EXPECT_EQ(FXString("2014-03-12"), rs.rows.GetField(15));

    // Attachments: the description and its first chunk share the new id.
    std::string a =
        newId("MakeUnitBinary('C:\\134files\\134a\\047b.txt',750,'" + std::string(999, 'A') + "'," + unit + ")");
    {
        IsectRecordset load;
        EXPECT_TRUE(load.OpenRecordset(("Execute Procedure BulkLoadUnitBinary(" + a + ",1,'B'," + unit + ")").c_str()));
    }
    EXPECT_EQ("C:\\files\\a'b.txt", scalar("Select FileName from BinaryDescription where Id = " + a));
    EXPECT_EQ("750", scalar("Select FileSize from BinaryDescription where Id = " + a));
    EXPECT_NE("0", scalar("Select Ready from BinaryDescription where Id = " + a));
    rs.OpenRecordset(
        ("Select Id, BinaryIncrement, BinaryData from UnitBinary where BinaryId = " + a + " Order By BinaryIncrement")
            .c_str());
    ASSERT_EQ(2, rs.recordCount);
    EXPECT_EQ(a, trimmed(rs.GetField("Id")));
    EXPECT_EQ("0", trimmed(rs.GetField("BinaryIncrement")));
    EXPECT_EQ(999, rs.GetField("BinaryData").length());
    rs.MoveNext();
    EXPECT_EQ("1", trimmed(rs.GetField("BinaryIncrement")));
    EXPECT_EQ("B", trimmed(rs.GetField("BinaryData")));
    rs.OpenRecordset(("Select BinaryDescription.Id, FileName, FileSize from UnitBinary, BinaryDescription where "
                      "FKUnitPlan = " +
                      unit + " and UnitBinary.Id = BinaryDescription.Id")
                         .c_str());
    EXPECT_EQ(1, rs.recordCount);

    // Removing an attachment's chunks removes its description.
    std::string b = newId("MakeUnitBinary('second',3,'YWJj'," + unit + ")");
    rs.OpenRecordset(("Delete from UnitBinary where BinaryId = " + b).c_str());
    EXPECT_EQ("0", scalar("Select count(*) from BinaryDescription where Id = " + b));
    EXPECT_EQ("1", scalar("Select count(*) from BinaryDescription where Id = " + a));

    // Deleting the unit takes its lessons and attachments along.
    rs.OpenRecordset(("Delete from UnitPlan where ID = " + unit).c_str());
    EXPECT_EQ("0", scalar("Select count(*) from LessonPlan where FKUnitPlan = " + unit));
    EXPECT_EQ("0", scalar("Select count(*) from UnitBinary where FKUnitPlan = " + unit));
    EXPECT_EQ("0", scalar("Select count(*) from BinaryDescription where Id = " + a));
}

TEST_F(ServiceTest, EscapedTextsAreStoredEscapedAndReadBackPlain) {
    std::string teacher = newId("MakeAccount('" + std::string(EscapeText("Kate O'Neil, Jr. \\101").text()) + "',0)");
    std::string raw = svc->isql("Select Teacher from Teachers where Id = " + teacher + ";");
    EXPECT_NE(std::string::npos, raw.find("Kate O\\047Neil\\054 Jr. \\134101")) << raw;
    EXPECT_EQ("Kate O'Neil, Jr. \\101", scalar("Select Teacher from Teachers where Id = " + teacher));
}

TEST_F(ServiceTest, WriteRecordsetRoundTrips) {
    std::string teacher = newId("MakeAccount('Writer',0)");
    std::string lt = newId("MakeLongTerm('LT','','2014-03-03','2014-04-11',1,1," + teacher + ",0)");
    std::string unit = newId("MakeUnitPlan('Before','',1," + lt + "," + teacher + ",0,0)");

    IsectRecordset rs;
    rs.fromTable = "UnitPlan";
    rs.OpenRecordset(("Select * from UnitPlan where Id = " + unit).c_str());
    const char* name = "It's a, b \\ c \\101 (x)";
    const char* description = "line one\nline 'two', with \\n";
    rs.SetFieldByKey(rs.GetField("Id"), "UnitName", name);
    rs.SetFieldByKey(unit.c_str(), "UnitDescription", description);
    rs.SetFieldByKey(unit.c_str(), "Rotate", "1");
    rs.SetFieldByKey(unit.c_str(), "Transfer", "");  // an empty number is written as NULL
    rs.SetFieldByKey("no such key", "UnitName", "ignored");
    EXPECT_TRUE(rs.WriteRecordset());
    // The recordset reads its own statement again.
    EXPECT_EQ(FXString(name), rs.GetField("UnitName"));
    EXPECT_EQ(FXString(description), rs.GetField("UnitDescription"));
    EXPECT_EQ("1", trimmed(rs.GetField("Rotate")));
    EXPECT_EQ("None", trimmed(rs.GetField("Transfer")));
    EXPECT_EQ(0, rs.rows.GetDirty(1));

    // With a where clause, a date column, and a second write changing nothing.
    rs.fromTable = "LongTerm";
    rs.whereClause = (" Where Id = " + lt).c_str();
    rs.OpenRecordset(("Select PlanName, PlanEnd from LongTerm where Id = " + lt).c_str());
    rs.SetFieldByKey("LT", "PlanName", "Renamed, 'again'");
    rs.SetFieldByKey("Renamed, 'again'", "PlanEnd", "2014-05-01");
    EXPECT_TRUE(rs.WriteRecordset());
    EXPECT_EQ("Renamed, 'again'", trimmed(rs.GetField("PlanName")));
    EXPECT_EQ(FXString("2014-05-01"), rs.rows.GetField(1));
    EXPECT_TRUE(rs.WriteRecordset());

    // A new row flagged 2 is inserted.
    IsectRecordset years;
    years.fromTable = "ChildYear";
    years.OpenRecordset("Select First 1 Id, Description from ChildYear");
    years.rows.AddField("9999", true);
    years.rows.AddField("Year 9, 'special'", false);
    years.rows.SetDirty(0, 2);
    years.rows.SetDirty(1, 2);
    EXPECT_TRUE(years.WriteRecordset());
    EXPECT_EQ("Year 9, 'special'", scalar("Select Description from ChildYear where Id = 9999"));

    // A missing table name is refused before anything is sent.
    IsectRecordset bare;
    try {
        bare.WriteRecordset();
        FAIL();
    } catch (const FXException& e) {
        EXPECT_STREQ("IsectRecordset::WriteRecordset - No From clause provided.", e.what());
    }
    EXPECT_EQ(0u, prompts.prompts.size());
}

TEST_F(ServiceTest, DatabaseErrorRollsBackAndRaisesTheWorkersText) {
    IsectRecordset rs;
    rs.inTransaction = 1;
    rs.OpenRecordset("Insert into ChildYear (Id, Description) values (7777, 'temporary')");
    // Not visible to another attachment before the commit.
    EXPECT_EQ(std::string::npos, svc->isql("Select Description from ChildYear where Id = 7777;").find("temporary"));
    try {
        rs.OpenRecordset("Select Nothing from NoSuchTable");
        FAIL();
    } catch (const FXException& e) {
        std::string text = e.what();
        EXPECT_NE(std::string::npos, text.find("NOSUCHTABLE")) << text;
        EXPECT_NE(' ', text.front());
        EXPECT_NE('\n', text.back());
    }
    EXPECT_EQ(0, rs.inTransaction);
    EXPECT_EQ("<no row>", scalar("Select Description from ChildYear where Id = 7777"));

    // A transaction ended by CommitTrans is visible everywhere.
    rs.inTransaction = 1;
    rs.OpenRecordset("Insert into ChildYear (Id, Description) values (7778, 'kept')");
    rs.CommitTrans();
    EXPECT_NE(std::string::npos, svc->isql("Select Description from ChildYear where Id = 7778;").find("kept"));
    EXPECT_EQ(0u, prompts.prompts.size());
}

// The transaction guard: commit() keeps every statement, leaving the scope
// without it (an early return, an exception) rolls all of them back, and a
// database error inside has rolled back already.
TEST_F(ServiceTest, TransactionGuardCommitsOrRollsBackAllItsStatements) {
    auto stored = [&](const std::string& description) {
        return scalar("Select count(*) from ChildYear where Description = '" + description + "'");
    };
    {
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        EXPECT_EQ(1, rs.inTransaction);
        EXPECT_TRUE(transaction.open());
        rs.OpenRecordset("Insert into ChildYear (Id, Description) values (7801, 'guard kept')");
        rs.OpenRecordset("Insert into ChildYear (Id, Description) values (7802, 'guard kept')");
        // Not visible to another attachment before the commit.
        EXPECT_EQ(std::string::npos, svc->isql("Select Description from ChildYear where Id = 7801;").find("guard"));
        transaction.commit();
        EXPECT_EQ(0, rs.inTransaction);
        EXPECT_FALSE(transaction.open());
    }
    EXPECT_EQ("2", stored("guard kept"));
    EXPECT_NE(std::string::npos, svc->isql("Select Description from ChildYear where Id = 7802;").find("guard kept"));

    {
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        rs.OpenRecordset("Insert into ChildYear (Id, Description) values (7803, 'guard left')");
        rs.OpenRecordset("Insert into ChildYear (Id, Description) values (7804, 'guard left')");
    }
    EXPECT_EQ("0", stored("guard left"));

    try {
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        rs.OpenRecordset("Insert into ChildYear (Id, Description) values (7805, 'guard thrown')");
        throw FXException("a check between the statements failed");
    } catch (const FXException&) {
    }
    EXPECT_EQ("0", stored("guard thrown"));

    {
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        rs.OpenRecordset("Insert into ChildYear (Id, Description) values (7806, 'guard error')");
        EXPECT_THROW(rs.OpenRecordset("Select Nothing from NoSuchTable"), FXException);
        EXPECT_FALSE(transaction.open());
        EXPECT_EQ(0, rs.inTransaction);
        transaction.commit();  // nothing is left to commit
    }
    EXPECT_EQ("0", stored("guard error"));
    // A statement after the guard commits on its own again.
    IsectRecordset rs;
    rs.OpenRecordset("Insert into ChildYear (Id, Description) values (7807, 'after the guard')");
    // Its "commit" goes without a reply; a query's round trip waits for it.
    rs.OpenRecordset("Select 1 from RDB$DATABASE");
    EXPECT_NE(std::string::npos, svc->isql("Select Description from ChildYear where Id = 7807;").find("after"));
    EXPECT_EQ(0u, prompts.prompts.size());
}

// Statements of other recordsets while a Transaction is open (a repaint
// during an upload) are part of it: they commit nothing on their own, and
// their failure ends the owner's transaction instead of letting it go on.
TEST_F(ServiceTest, StatementsOfOtherRecordsetsJoinTheOpenTransaction) {
    auto stored = [&](const std::string& description) {
        return scalar("Select count(*) from ChildYear where Description = '" + description + "'");
    };
    {
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        rs.OpenRecordset("Insert into ChildYear (Id, Description) values (7811, 'joined')");
        IsectRecordset other;
        other.OpenRecordset("Select count(*) from ChildYear");  // would have committed 7811
        {
            IsectRecordset inner;
            IsectRecordset::Transaction innerTransaction(inner);
            inner.OpenRecordset("Insert into ChildYear (Id, Description) values (7812, 'joined')");
            innerTransaction.commit();  // the owner commits
        }
        EXPECT_EQ(std::string::npos, svc->isql("Select Description from ChildYear where Id = 7811;").find("joined"));
        transaction.rollback();
    }
    EXPECT_EQ("0", stored("joined"));

    {
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        rs.OpenRecordset("Insert into ChildYear (Id, Description) values (7813, 'joined and kept')");
        IsectRecordset other;
        other.OpenRecordset("Insert into ChildYear (Id, Description) values (7814, 'joined and kept')");
        transaction.commit();
    }
    EXPECT_EQ("2", stored("joined and kept"));

    // Another recordset's failure rolled everything back: the owner's next
    // statement and its commit say so instead of starting afresh.
    {
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        rs.OpenRecordset("Insert into ChildYear (Id, Description) values (7815, 'broken')");
        IsectRecordset other;
        EXPECT_THROW(other.OpenRecordset("Select Nothing from NoSuchTable"), FXException);
        EXPECT_THROW(rs.OpenRecordset("Insert into ChildYear (Id, Description) values (7816, 'broken')"), FXException);
        EXPECT_FALSE(transaction.open());
    }
    {
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        rs.OpenRecordset("Insert into ChildYear (Id, Description) values (7817, 'broken')");
        {
            IsectRecordset inner;
            IsectRecordset::Transaction innerTransaction(inner);
            inner.OpenRecordset("Insert into ChildYear (Id, Description) values (7818, 'broken')");
        }  // rolled back: everything is
        try {
            transaction.commit();
            ADD_FAILURE() << "commit after a rollback inside";
        } catch (const FXException& e) {
            EXPECT_NE(std::string::npos, std::string(e.what()).find("nothing of it was kept")) << e.what();
        }
    }
    EXPECT_EQ("0", stored("broken"));
    // Afterwards each statement commits on its own again.
    IsectRecordset rs;
    rs.OpenRecordset("Insert into ChildYear (Id, Description) values (7819, 'on its own')");
    EXPECT_NE(std::string::npos, svc->isql("Select Description from ChildYear where Id = 7819;").find("on its own"));
}

TEST_F(ServiceTest, FetchFailureAfterSomeRowsIsAnErrorNotAResult) {
    // The worker sends the rows it fetched and then the error lines; the
    // client must not take the first rows for the whole result.
    IsectRecordset rs;
    rs.inTransaction = 1;
    rs.OpenRecordset("Insert into ChildYear (Id, Description) values (7779, 'half')");
    try {
        rs.OpenRecordset("Select 10 / (Id - 2) from Teachers order by Id");
        FAIL() << "a division by zero in the second row passed for a result";
    } catch (const FXException& e) {
        std::string text = e.what();
        EXPECT_NE(std::string::npos, text.find("divide by zero")) << text;
        EXPECT_EQ(std::string::npos, text.find("[[")) << text;
    }
    EXPECT_EQ(0, rs.inTransaction);
    EXPECT_EQ("<no row>", scalar("Select Description from ChildYear where Id = 7779"));
}

TEST_F(ServiceTest, LongRepliesArriveInBlocksAndReparseIdentically) {
    IsectRecordset rs;
    rs.OpenRecordset("Select * from LessonPlan Order By Id");
    ASSERT_GT(rs.blocks.RowCount(), 2);
    rs.blocks.MoveFirst();
    for (int i = 0; i + 1 < rs.blocks.RowCount(); ++i, rs.blocks.MoveNext())
        EXPECT_EQ(1023, rs.blocks.GetField(0).length());
    FXString text = rs.GetText();
    IsectRecordset copy;
    copy.OpenFromText(text);
    EXPECT_EQ(rs.recordCount, copy.recordCount);
    EXPECT_EQ(rs.fieldCount, copy.fieldCount);
    rs.MoveLast();
    copy.MoveLast();
    for (int i = 0; i < rs.fieldCount; ++i) EXPECT_EQ(rs.GetField(i), copy.GetField(i));
    EXPECT_EQ(23, rs.fieldCount);  // the lesson's 20 columns and its row version's 3
}

TEST_F(ServiceTest, ConnectionFileWithoutServiceLineUsesTheFirstValue) {
    std::string dir = svc->dir() + "/noservice";
    mkdir(dir.c_str(), 0755);
    {
        FILE* f = fopen((dir + "/Plenwick.ini").c_str(), "w");
        fprintf(f, "[Plenwick]\r\nHost = %s\r\n", svc->host().c_str());
        fclose(f);
    }
    ScopedChdir there(dir);
    IsectRecordset::Disconnect();
    const FXuint lost = IsectRecordset::LostConnections();
    IsectRecordset rs;
    EXPECT_FALSE(rs.OpenRecordset("Select 1 from rdb$database"));
    EXPECT_EQ(FXString(svc->host().c_str()), databaseService);
    EXPECT_EQ(lost + 1, IsectRecordset::LostConnections());
    IsectRecordset::Disconnect();
}

}  // namespace

// The automatic upgrade of a database made by version 2.0.2, through the real
// worker: success, a second run, and upgrades that fail part-way (a DDL
// trigger refuses chosen objects) without ever losing MAKEUNITPLAN.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <fstream>
#include <memory>
#include <string>

#include "data/DatabaseMessages.h"
#include "data/IsectRecordset.h"
#include "data/RowVersions.h"
#include "data/VersionCheck.h"
#include "support/RecordingPrompter.h"
#include "support/Services.h"
#include "support/TestFiles.h"

using namespace FX;
using namespace testsupport;

namespace {

const char* const blocker =
    "CREATE EXCEPTION UPGRADE_BLOCKED 'Upgrade blocked by the test';\n"
    "CREATE TABLE UPGRADEBLOCK (OBJECTNAME VARCHAR(63));\n"
    "COMMIT;\n"
    "SET TERM ^ ;\n"
    "CREATE TRIGGER BLOCK_UPGRADE ACTIVE BEFORE ANY DDL STATEMENT AS\n"
    "BEGIN\n"
    "  IF (EXISTS (SELECT 1 FROM UPGRADEBLOCK WHERE OBJECTNAME = RDB$GET_CONTEXT('DDL_TRIGGER', 'OBJECT_NAME'))) THEN\n"
    "    EXCEPTION UPGRADE_BLOCKED;\n"
    "END^\n"
    "SET TERM ; ^\n"
    "COMMIT;\n";

std::string trimmed(const FXString& s) {
    FXString t = s;
    t.trim();
    return t.text();
}

// A database file made by the 2.0.2 creation script, with one unit plan and
// the DDL blocker, served by a router and a worker: on the administrator's
// account, which may upgrade it, or on the service's own limited user.
class OldDatabase {
public:
    explicit OldDatabase(bool administrator = true, bool metElsewhere = true) {
        dir_ = dirHolder_.path();
        std::string fb = dir_ + "/fb", db = dir_ + "/old.fdb", out;
        std::string env = firebirdEnv(fb);
        EXPECT_EQ(0, run(sourceDir() + "/scripts/fbroot " + fb, &out)) << out;
        EXPECT_EQ(
            0,
            run("echo \"create database '" + db + "' user 'SYSDBA' page_size 8192;\" | " + env + "isql-fb -q -b", &out))
            << out;
        EXPECT_EQ(
            0,
            run(env + "isql-fb -q -b -i " + sourceDir() + "/tests/data/schema-2.0.2.sql " + db + " -user SYSDBA", &out))
            << out;
        std::string setup =
            std::string(blocker) + "SELECT * FROM MAKEUNITPLAN('Old unit', 'From 2.0.2', 1, 1, 1, 0);\nCOMMIT;\n";
        std::ofstream(dir_ + "/setup.sql") << setup;
        EXPECT_EQ(0, run(env + "isql-fb -q -b -i " + dir_ + "/setup.sql " + db + " -user SYSDBA", &out)) << out;
        ServicesOptions options;
        options.database = db;
        options.workers = 1;
        options.singleAccount = administrator;
        svc_.reset(new Services(options));
        chdir_.reset(new ScopedChdir(svc_->workdir()));
        // The services' start has brought the database to this version
        // (database/upgrade.sql); a 2.0.2 database met elsewhere has not
        // been: the old MAKEUNITPLAN, no ROTATE, no delete rules, version
        // 2.0.2 (the description column stays wide: Firebird does not
        // narrow one).
        EXPECT_NE(std::string::npos,
                  svc_->isql("select StringValue from Settings where StringKey = 'Version';").find("2.0.7"));
        if (!metElsewhere) return;
        svc_->isql(
            "SET TERM ^ ;\n"
            "CREATE OR ALTER PROCEDURE MAKEUNITPLAN (THISPLANNAME VARCHAR(140), THISDESCRIPTION VARCHAR(2000),\n"
            "  THISUNITTYPE INTEGER, THISFKLONGTERM INTEGER, THISFKTEACHER INTEGER, THISTRANSFER INTEGER)\n"
            "RETURNS (ID INTEGER) AS\n"
            "DECLARE VARIABLE ThisID INTEGER;\n"
            "BEGIN\n"
            "  ThisID = GEN_ID(NEWUNITPLAN,1);\n"
            "  ID = ThisID;\n"
            "  INSERT INTO UNITPLAN (ID, UNITNAME, UNITDESCRIPTION, UNITTYPE, FKLONGTERM, FKTEACHER, TRANSFER)\n"
            "    VALUES (:ThisID, :THISPLANNAME, :THISDESCRIPTION, :THISUNITTYPE, :THISFKLONGTERM, :THISFKTEACHER,\n"
            "            :THISTRANSFER);\n"
            "  Suspend;\n"
            "  Exit;\n"
            "END^\n"
            "SET TERM ; ^\n"
            "COMMIT;\n"
            "ALTER TABLE UNITPLAN DROP ROTATE;\n"
            "DROP TRIGGER LONGTERM_AD;\n"
            "DROP EXCEPTION LONG_TERM_PLAN_SHARED;\n"
            "UPDATE SETTINGS SET STRINGVALUE = '2.0.2' WHERE STRINGKEY = 'Version';\n"
            "COMMIT;\n"
            // Nor the row versions of one table.
            "DROP TRIGGER UNITPLAN_BU;\n"
            "ALTER TABLE UNITPLAN DROP ROWVERSION;\n"
            "ALTER TABLE UNITPLAN DROP READVERSION;\n"
            "ALTER TABLE UNITPLAN DROP CHANGEDBY;\n"
            "COMMIT;\n"
            // Nor the non-teaching days.
            "DROP TABLE NONTEACHINGDAY;\n"
            "DROP GENERATOR NEWNONTEACHINGDAY;\n"
            "COMMIT;\n"
            // Nor the undo journal.
            "DROP TABLE UNDOLONGTERM;\n"
            "DROP TABLE UNDOUNITPLAN;\n"
            "DROP TABLE UNDOLESSONPLAN;\n"
            "DROP TABLE UNDOBINARYDESCRIPTION;\n"
            "DROP TABLE UNDOUNITBINARY;\n"
            "DROP TABLE UNDOSTEP;\n"
            "DROP GENERATOR NEWUNDOSTEP;\n"
            // Nor the year rollovers.
            "DROP TABLE YEARROLLOVER;\n"
            "DROP GENERATOR NEWYEARROLLOVER;\n"
            "COMMIT;\n");
    }
    ~OldDatabase() {
        IsectRecordset::Disconnect();
        chdir_.reset();
        svc_.reset();
    }
    Services& svc() { return *svc_; }

private:
    testsupport::TempDir dirHolder_{"plenwick-upgrade"};
    std::string dir_;
    std::unique_ptr<Services> svc_;
    std::unique_ptr<ScopedChdir> chdir_;
};

std::string scalar(const std::string& sql) {
    IsectRecordset rs;
    EXPECT_TRUE(rs.OpenRecordset(sql.c_str())) << sql;
    return rs.recordCount ? trimmed(rs.GetField(0)) : "<no row>";
}

std::string databaseVersion() { return scalar("Select StringValue from Settings Where StringKey = 'Version'"); }

void block(const char* object) {
    IsectRecordset rs;
    rs.OpenRecordset((std::string("Delete from UpgradeBlock")).c_str());
    if (object) rs.OpenRecordset((std::string("Insert into UpgradeBlock values ('") + object + "')").c_str());
}

std::string triggerBody(const std::string& name) {
    std::string source = scalar(
        "Select cast(RDB$TRIGGER_SOURCE as varchar(4000)) from RDB$TRIGGERS "
        "Where RDB$TRIGGER_NAME = '" +
        name + "'");
    size_t at = source.find("BEGIN");
    return at == std::string::npos ? source : source.substr(at);
}

// MAKEUNITPLAN still makes units, whichever shape it has.
void expectMakeUnitPlanWorks(bool withRotate) {
    IsectRecordset rs;
    std::string call = withRotate ? "Select * from MakeUnitPlan('Check','d',1,1,1,0,1)"
                                  : "Select * from MakeUnitPlan('Check','d',1,1,1,0)";
    ASSERT_NO_THROW(rs.OpenRecordset(call.c_str()));
    ASSERT_EQ(1, rs.recordCount);
    EXPECT_GT(atoi(rs.GetField("Id").text()), 0);
}

// The undo journal: numbered steps whose row images go with them.
void expectJournalWorks(IsectRecordset& writes) {
    writes.OpenRecordset(
        "Insert into UndoStep (Id, FKTeacher, Description) values (Gen_Id(NewUndoStep, 1), 1, 'Delete of unit X')");
    writes.OpenRecordset(("Insert into UndoLessonPlan (FKUndoStep, Side, Id, LessonES) Select Max(Id), 0, 7, '" +
                          std::string(4400, 'x') + "' from UndoStep")
                             .c_str());
    EXPECT_EQ("1", scalar("Select count(*) from UndoLessonPlan"));
    writes.OpenRecordset("Delete from UndoStep");
    EXPECT_EQ("0", scalar("Select count(*) from UndoLessonPlan"));
}

// The table of non-teaching days as a new database has it.
void expectNonTeachingDaysWork(IsectRecordset& writes) {
    EXPECT_EQ(schemaText("CREATE TRIGGER NONTEACHINGDAY_BI ", " AS\n", "^"), triggerBody("NONTEACHINGDAY_BI"));
    writes.OpenRecordset(
        "Insert into NonTeachingDay (FirstDay, LastDay, Name) values ('2026-04-03', '2026-04-06', "
        "'Easter')");
    EXPECT_NE("<no row>", scalar("Select Id from NonTeachingDay where Name = 'Easter' and Id > 0"));
    std::string refused;
    try {
        writes.OpenRecordset(
            "Insert into NonTeachingDay (FirstDay, LastDay, Name) values ('2026-04-06', "
            "'2026-04-03', 'Backwards')");
    } catch (const FXException& e) {
        refused = e.what();
    }
    EXPECT_NE(std::string::npos, refused.find("CK_NONTEACHINGDAY_DAYS")) << refused;
    writes.OpenRecordset("Update NonTeachingDay Set Name = 'Easter', ReadVersion = 0 where Name = 'Easter'");
    EXPECT_EQ("1", scalar("Select RowVersion from NonTeachingDay where Name = 'Easter'"));
    writes.OpenRecordset("Delete from NonTeachingDay");
}

// The table of year rollovers as a new database has it.
void expectYearRolloversWork(IsectRecordset& writes) {
    EXPECT_EQ(schemaText("CREATE TRIGGER YEARROLLOVER_BI ", " AS\n", "^"), triggerBody("YEARROLLOVER_BI"));
    writes.OpenRecordset(
        "Insert into YearRollover (FKTeacher, FromYear, ToYear, DoneAt) values (1, 2026, 2027, "
        "'2026-12-09 10:00:00')");
    EXPECT_NE("<no row>", scalar("Select Id from YearRollover where FromYear = 2026 and Id > 0"));
    writes.OpenRecordset("Delete from YearRollover");
}

TEST(Upgrade, FromVersion202ThenAgain) {
    OldDatabase old;
    RecordingPrompter prompts;
    ASSERT_EQ("2.0.2", databaseVersion());

    FXString message;
    messages::Message failure;
    EXPECT_TRUE(CheckVersion(nullptr, message, "2.0.7", databaseVersion().c_str(), failure));
    EXPECT_EQ(FXString("This software version is 2.0.7\nThe database version is 2.0.2\n\n"
                       "Database successfully updated to current software version."),
              message);
    EXPECT_TRUE(failure.text.empty()) << failure.text.text();
    EXPECT_EQ(0u, prompts.prompts.size()) << (prompts.prompts.empty() ? "" : prompts.last().text);
    EXPECT_EQ("2.0.7", databaseVersion());
    EXPECT_EQ("0", scalar("Select Rotate from UnitPlan where UnitName = 'Old unit'"));

    std::string longText(4400, 'x');
    std::string id = scalar("Select * from MakeUnitPlan('New','" + longText + "',2,1,1,0,1)");
    EXPECT_EQ("1", scalar("Select Rotate from UnitPlan where Id = " + id));
    EXPECT_EQ("4400", scalar("Select char_length(UnitDescription) from UnitPlan where Id = " + id));

    // A long-term plan now takes its units and their lessons with it.
    IsectRecordset writes;
    writes.OpenRecordset("Insert into LongTerm (Id, PlanName, Persistant) values (5, 'Gone plan', 0)");
    writes.OpenRecordset("Insert into UnitPlan (Id, UnitName, FKLongTerm, Rotate) values (500, 'Gone unit', 5, 0)");
    writes.OpenRecordset("Insert into LessonPlan (Id, LessonName, FKUnitPlan) values (5000, 'Gone lesson', 500)");
    writes.OpenRecordset("Delete from LongTerm where Id = 5");
    EXPECT_EQ("0", scalar("Select count(*) from UnitPlan where FKLongTerm = 5"));
    EXPECT_EQ("0", scalar("Select count(*) from LessonPlan where Id = 5000"));

    // The delete rules are those of a new database, word for word.
    for (const char* trigger : {"LONGTERM_AD", "UNITPLAN_AD", "UNITBINARY_AD"})
        EXPECT_EQ(schemaText(std::string("CREATE TRIGGER ") + trigger + " ", " AS\n", "^"), triggerBody(trigger))
            << trigger;
    EXPECT_EQ(schemaText("CREATE EXCEPTION LONG_TERM_PLAN_SHARED", "'", "'"),
              scalar("Select RDB$MESSAGE from RDB$EXCEPTIONS Where RDB$EXCEPTION_NAME = 'LONG_TERM_PLAN_SHARED'"));
    // A plan holding the units of two teachers is not deleted.
    writes.OpenRecordset("Insert into LongTerm (Id, PlanName, Persistant) values (6, 'Shared plan', 0)");
    writes.OpenRecordset(
        "Insert into UnitPlan (Id, UnitName, FKLongTerm, FKTeacher, Rotate) values (600, 'A', 6, 1, 0)");
    writes.OpenRecordset(
        "Insert into UnitPlan (Id, UnitName, FKLongTerm, FKTeacher, Rotate) values (601, 'B', 6, 2, 0)");
    std::string refusal;
    try {
        writes.OpenRecordset("Delete from LongTerm where Id = 6");
    } catch (const FXException& e) {
        refusal = e.what();
    }
    EXPECT_NE(std::string::npos, refusal.find("more than one teacher")) << refusal;
    FXString caption = "Database Error";
    EXPECT_EQ(FXString("This Long Term plan holds the unit plans of more than one teacher, so it is not deleted: "
                       "each teacher deletes their own unit plans first."),
              messages::plain(refusal.c_str(), caption));
    EXPECT_EQ(FXString("Delete Long Term Plan"), caption);
    EXPECT_EQ("2", scalar("Select count(*) from UnitPlan where FKLongTerm = 6"));
    writes.OpenRecordset("Delete from UnitPlan where Id in (600, 601)");
    writes.OpenRecordset("Delete from LongTerm where Id = 6");

    // Row versions: the triggers of a new database, word for word, and a
    // checked write over a change refused.
    for (const char* table : {"TEACHERS", "SETTINGS", "TERMDATE", "SUBJECT", "CHILDYEAR", "LONGTERM", "UNITPLAN",
                              "LESSONPLAN", "BINARYDESCRIPTION", "NONTEACHINGDAY"}) {
        const std::string trigger = std::string(table) + "_BU";
        EXPECT_EQ(schemaText("CREATE TRIGGER " + trigger + " ", " AS\n", "^"), triggerBody(trigger.c_str())) << trigger;
    }
    EXPECT_EQ(schemaText("CREATE EXCEPTION ROW_CHANGED", "'", "'"),
              scalar("Select RDB$MESSAGE from RDB$EXCEPTIONS Where RDB$EXCEPTION_NAME = 'ROW_CHANGED'"));
    EXPECT_EQ("0", scalar("Select RowVersion from UnitPlan where UnitName = 'Old unit'"));
    writes.OpenRecordset(
        "Update UnitPlan Set UnitName = 'Old unit', ReadVersion = 0, ChangedBy = 2 "
        "where UnitName = 'Old unit'");
    EXPECT_EQ("1", scalar("Select RowVersion from UnitPlan where UnitName = 'Old unit'"));
    EXPECT_EQ("2", scalar("Select ChangedBy from UnitPlan where UnitName = 'Old unit'"));
    std::string changed;
    try {
        writes.OpenRecordset("Update UnitPlan Set UnitName = 'Lost', ReadVersion = 0 where UnitName = 'Old unit'");
    } catch (const FXException& e) {
        changed = e.what();
    }
    EXPECT_TRUE(rowversions::isRowChanged(changed.c_str())) << changed;
    EXPECT_EQ("1", scalar("Select count(*) from UnitPlan where UnitName = 'Old unit'"));

    // Non-teaching days: numbered by their generator, a range never ending
    // before it starts, guarded by their row versions.
    expectNonTeachingDaysWork(writes);
    expectJournalWorks(writes);
    expectYearRolloversWork(writes);

    // A second run changes nothing and succeeds.
    EXPECT_TRUE(UpgradeDatabase(nullptr, "2.0.7", failure));
    EXPECT_EQ(0u, prompts.prompts.size());
    EXPECT_EQ("2", scalar("Select count(*) from UnitPlan"));
    EXPECT_EQ("1", scalar("Select count(*) from Settings where StringKey = 'Version'"));
    expectMakeUnitPlanWorks(true);
    EXPECT_FALSE(CheckVersion(nullptr, message, "2.0.7", databaseVersion().c_str(), failure));
}

TEST(Upgrade, FailuresPartWayKeepMakeUnitPlan) {
    OldDatabase old;
    RecordingPrompter prompts;

    // The table cannot be altered: nothing changes, the old procedure stays.
    block("UNITPLAN");
    FXString message;
    messages::Message failure;
    EXPECT_TRUE(CheckVersion(nullptr, message, "2.0.7", databaseVersion().c_str(), failure));
    EXPECT_NE(-1, message.find("\n\nAutomatic update failed.\nContact the vendor."));
    // The database's refusal, for the window to show: plain words first.
    EXPECT_EQ(FXString("Database Error"), failure.caption);
    EXPECT_EQ(0, failure.text.find("The database could not do what was asked")) << failure.text.text();
    EXPECT_NE(-1, failure.text.find("Upgrade blocked by the test")) << failure.text.text();
    EXPECT_TRUE(prompts.prompts.empty()) << "the version check shows no box";
    EXPECT_EQ("2.0.2", databaseVersion());
    expectMakeUnitPlanWorks(false);

    // The table changes go through, the procedure cannot be replaced: the old
    // one keeps working (ROTATE takes its default).
    block("MAKEUNITPLAN");
    EXPECT_FALSE(UpgradeDatabase(nullptr, "2.0.7", failure));
    EXPECT_NE(-1, failure.text.find("Upgrade blocked by the test")) << failure.text.text();
    EXPECT_EQ("2.0.2", databaseVersion());
    EXPECT_EQ("1", scalar("Select count(*) from RDB$RELATION_FIELDS where RDB$RELATION_NAME = 'UNITPLAN' and "
                          "RDB$FIELD_NAME = 'ROTATE'"));
    expectMakeUnitPlanWorks(false);

    // Unblocked, the upgrade finishes what is missing.
    block(nullptr);
    EXPECT_TRUE(UpgradeDatabase(nullptr, "2.0.7", failure));
    EXPECT_TRUE(failure.text.empty());
    EXPECT_EQ("2.0.7", databaseVersion());
    expectMakeUnitPlanWorks(true);
}

// The service's own user may not change the schema: the client says the
// school's server must bring the database up to date, and changes nothing.
TEST(Upgrade, ALimitedAccountLeavesItToTheServer) {
    OldDatabase old(false);
    RecordingPrompter prompts;
    EXPECT_FALSE(MayUpgradeDatabase());
    FXString message;
    messages::Message failure;
    EXPECT_TRUE(CheckVersion(nullptr, message, "2.0.3", databaseVersion().c_str(), failure));
    EXPECT_EQ(FXString("This software version is 2.0.3\nThe database version is 2.0.2\n\n"
                       "The school's server must bring the database up to date before this software can use it:\n"
                       "its administrator runs scripts/services start, or upgrades the plenwick-server package.\n"
                       "Nothing was changed."),
              message);
    EXPECT_TRUE(failure.text.empty()) << failure.text.text();
    EXPECT_TRUE(prompts.prompts.empty());
    EXPECT_EQ("2.0.2", databaseVersion());
    EXPECT_EQ("0", scalar("Select count(*) from RDB$RELATION_FIELDS where RDB$RELATION_NAME = 'UNITPLAN' and "
                          "RDB$FIELD_NAME = 'ROTATE'"));
    EXPECT_EQ("0", scalar("Select count(*) from RDB$TRIGGERS where RDB$TRIGGER_NAME = 'LONGTERM_AD'"));
    expectMakeUnitPlanWorks(false);
}

// The services' start brings a 2.0.2 database to this version: the
// planning service's own user then finds nothing to upgrade.
TEST(Upgrade, TheServicesStartBringsItCurrent) {
    OldDatabase old(false, false);
    RecordingPrompter prompts;
    EXPECT_EQ("2.0.7", databaseVersion());
    FXString message;
    messages::Message failure;
    EXPECT_FALSE(CheckVersion(nullptr, message, "2.0.7", databaseVersion().c_str(), failure));
    EXPECT_EQ("0", scalar("Select Rotate from UnitPlan where UnitName = 'Old unit'"));
    // The service's own user keeps the school's non-teaching days.
    IsectRecordset writes;
    expectNonTeachingDaysWork(writes);
    expectJournalWorks(writes);
    expectYearRolloversWork(writes);
    expectMakeUnitPlanWorks(true);
    std::string id = scalar("Select * from MakeUnitPlan('Long','" + std::string(4400, 'x') + "',2,1,1,0,1)");
    EXPECT_EQ("4400", scalar("Select char_length(UnitDescription) from UnitPlan where Id = " + id));
    for (const char* trigger : {"LONGTERM_AD", "UNITPLAN_AD", "UNITBINARY_AD"})
        EXPECT_EQ(schemaText(std::string("CREATE TRIGGER ") + trigger + " ", " AS\n", "^"), triggerBody(trigger))
            << trigger;
    EXPECT_TRUE(prompts.prompts.empty());
}

TEST(Upgrade, TheAdministratorMayUpgrade) {
    OldDatabase old;
    EXPECT_TRUE(MayUpgradeDatabase());
}

}  // namespace

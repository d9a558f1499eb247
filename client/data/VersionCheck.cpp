#include "data/VersionCheck.h"

#include "data/IsectRecordset.h"

using namespace FX;

const char* const makeUnitPlanStatement =
    "EXECUTE BLOCK AS BEGIN execute statement 'CREATE OR ALTER PROCEDURE \"MAKEUNITPLAN\" "
    "(\"THISPLANNAME\" VARCHAR(140), \"THISDESCRIPTION\" VARCHAR(4400), \"THISUNITTYPE\" INTEGER, "
    "\"THISFKLONGTERM\" INTEGER, \"THISFKTEACHER\" INTEGER, \"THISTRANSFER\" INTEGER, \"THISROTATE\" INTEGER) "
    "RETURNS (\"ID\" INTEGER) AS DECLARE VARIABLE ThisID INTEGER; BEGIN ThisID = GEN_ID(NEWUNITPLAN,1); "
    "ID = ThisID; INSERT INTO \"UNITPLAN\" (\"ID\", \"UNITNAME\", \"UNITDESCRIPTION\", \"UNITTYPE\", "
    "\"FKLONGTERM\", \"FKTEACHER\", \"TRANSFER\", \"ROTATE\") VALUES (:ThisID, :THISPLANNAME, "
    ":THISDESCRIPTION, :THISUNITTYPE, :THISFKLONGTERM, :THISFKTEACHER, :THISTRANSFER, :THISROTATE); "
    "Suspend; Exit; End'; end";

namespace {

// What the database does on its own when rows are deleted, as
// database/schema.sql creates it (and database/upgrade.sql, run by the
// services on every start, gives a database of this version made by an
// earlier script): a deleted long-term plan takes its unit plans (refused
// for a plan holding units of more than one teacher, so that nobody's work
// goes with another teacher's plan), a deleted unit plan its lessons and
// attachment chunks, the last chunk of an attachment its description.  Each
// rule has a probe that finds it in place; the texts are those of
// schema.sql, so an upgraded database and a new one hold the same.
struct SchemaRule {
    const char* probe;
    const char* statement;
};

const SchemaRule deleteRules[] = {
    {"Select RDB$EXCEPTION_NAME from RDB$EXCEPTIONS Where RDB$EXCEPTION_NAME = 'LONG_TERM_PLAN_SHARED'",
     "CREATE EXCEPTION LONG_TERM_PLAN_SHARED 'This Long Term plan holds the unit plans of more than one teacher, "
     "so it is not deleted: each teacher deletes their own unit plans first.'"},
    {"Select RDB$TRIGGER_NAME from RDB$TRIGGERS Where RDB$TRIGGER_NAME = 'LONGTERM_AD' "
     "and RDB$TRIGGER_SOURCE containing 'LONG_TERM_PLAN_SHARED'",
     "CREATE OR ALTER TRIGGER LONGTERM_AD FOR LONGTERM ACTIVE AFTER DELETE POSITION 0 AS\n"
     "BEGIN\n"
     "  IF ((SELECT COUNT(DISTINCT COALESCE(FKTEACHER, -1)) FROM UNITPLAN WHERE FKLONGTERM = OLD.ID) > 1) THEN\n"
     "    EXCEPTION LONG_TERM_PLAN_SHARED;\n"
     "  DELETE FROM UNITPLAN WHERE FKLONGTERM = OLD.ID;\n"
     "END"},
    {"Select RDB$TRIGGER_NAME from RDB$TRIGGERS Where RDB$TRIGGER_NAME = 'UNITPLAN_AD'",
     "CREATE OR ALTER TRIGGER UNITPLAN_AD FOR UNITPLAN ACTIVE AFTER DELETE POSITION 0 AS\n"
     "BEGIN\n"
     "  DELETE FROM LESSONPLAN WHERE FKUNITPLAN = OLD.ID;\n"
     "  DELETE FROM UNITBINARY WHERE FKUNITPLAN = OLD.ID;\n"
     "END"},
    {"Select RDB$TRIGGER_NAME from RDB$TRIGGERS Where RDB$TRIGGER_NAME = 'UNITBINARY_AD'",
     "CREATE OR ALTER TRIGGER UNITBINARY_AD FOR UNITBINARY ACTIVE AFTER DELETE POSITION 0 AS\n"
     "BEGIN\n"
     "  IF (NOT EXISTS (SELECT 1 FROM UNITBINARY WHERE BINARYID = OLD.BINARYID)) THEN\n"
     "    DELETE FROM BINARYDESCRIPTION WHERE ID = OLD.BINARYID;\n"
     "END"},
};

// The row versions of 2.0.4 (database/schema.sql tells what they do): three
// columns and a trigger for every table a user edits, and the exception
// the trigger raises.
const char* const versionedTables[] = {"TEACHERS", "SETTINGS", "TERMDATE",   "SUBJECT",           "CHILDYEAR",
                                       "LONGTERM", "UNITPLAN", "LESSONPLAN", "BINARYDESCRIPTION", "NONTEACHINGDAY"};
struct VersionColumn {
    const char* name;
    const char* type;
};
const VersionColumn versionColumns[] = {
    {"ROWVERSION", "INTEGER DEFAULT 0 NOT NULL"}, {"READVERSION", "INTEGER"}, {"CHANGEDBY", "INTEGER"}};
const SchemaRule rowChangedException = {
    "Select RDB$EXCEPTION_NAME from RDB$EXCEPTIONS Where RDB$EXCEPTION_NAME = 'ROW_CHANGED'",
    "CREATE EXCEPTION ROW_CHANGED 'This row was changed by someone else after it was read, so nothing was stored.'"};

// The non-teaching days of 2.0.5: the table (with its row versions), its
// generator, the index the week's query uses and the trigger that numbers
// new rows; the texts are those of schema.sql.
const SchemaRule nonTeachingDayRules[] = {
    {"Select RDB$GENERATOR_NAME from RDB$GENERATORS Where RDB$GENERATOR_NAME = 'NEWNONTEACHINGDAY'",
     "CREATE GENERATOR NEWNONTEACHINGDAY"},
    {"Select RDB$RELATION_NAME from RDB$RELATIONS Where RDB$RELATION_NAME = 'NONTEACHINGDAY'",
     "CREATE TABLE NONTEACHINGDAY (ID INTEGER NOT NULL, FIRSTDAY DATE NOT NULL, LASTDAY DATE NOT NULL, "
     "NAME VARCHAR(60) NOT NULL, ROWVERSION INTEGER DEFAULT 0 NOT NULL, READVERSION INTEGER, CHANGEDBY INTEGER, "
     "CONSTRAINT PK_NONTEACHINGDAY PRIMARY KEY (ID), CONSTRAINT CK_NONTEACHINGDAY_DAYS CHECK (LASTDAY >= FIRSTDAY))"},
    {"Select RDB$INDEX_NAME from RDB$INDICES Where RDB$INDEX_NAME = 'IX_NONTEACHINGDAY_LASTDAY'",
     "CREATE INDEX IX_NONTEACHINGDAY_LASTDAY ON NONTEACHINGDAY (LASTDAY)"},
    {"Select RDB$TRIGGER_NAME from RDB$TRIGGERS Where RDB$TRIGGER_NAME = 'NONTEACHINGDAY_BI'",
     "CREATE OR ALTER TRIGGER NONTEACHINGDAY_BI FOR NONTEACHINGDAY ACTIVE BEFORE INSERT POSITION 0 AS\n"
     "BEGIN IF (NEW.ID IS NULL) THEN NEW.ID = GEN_ID(NEWNONTEACHINGDAY, 1); END"},
};

// The undo journal of 2.0.6: its steps, the images of the rows each step
// changed, the generator that numbers the steps and the indexes that find
// a teacher's steps and a step's image of a row; the texts are those of
// schema.sql.
const SchemaRule journalRules[] = {
    {"Select RDB$GENERATOR_NAME from RDB$GENERATORS Where RDB$GENERATOR_NAME = 'NEWUNDOSTEP'",
     "CREATE GENERATOR NEWUNDOSTEP"},
    {"Select RDB$RELATION_NAME from RDB$RELATIONS Where RDB$RELATION_NAME = 'UNDOSTEP'",
     "CREATE TABLE UNDOSTEP (ID INTEGER NOT NULL, FKTEACHER INTEGER NOT NULL, DESCRIPTION "
     "VARCHAR(1000) NOT NULL, UNDONE INTEGER DEFAULT 0 NOT NULL, MADE TIMESTAMP DEFAULT "
     "CURRENT_TIMESTAMP, CONSTRAINT PK_UNDOSTEP PRIMARY KEY (ID))"},
    {"Select RDB$RELATION_NAME from RDB$RELATIONS Where RDB$RELATION_NAME = 'UNDOLONGTERM'",
     "CREATE TABLE UNDOLONGTERM (FKUNDOSTEP INTEGER NOT NULL, SIDE INTEGER NOT NULL, ID INTEGER NOT "
     "NULL, PLANNAME VARCHAR(140), DESCRIPTION VARCHAR(4400), PLANSTART DATE, PLANEND DATE, FKSUBJECT "
     "INTEGER, FKYEAR INTEGER, FKSYNDICATE INTEGER, PERSISTANT INTEGER, ROWVERSION INTEGER, "
     "READVERSION INTEGER, CHANGEDBY INTEGER, CONSTRAINT FK_UNDOLONGTERM_STEP FOREIGN KEY (FKUNDOSTEP) "
     "REFERENCES UNDOSTEP (ID) ON DELETE CASCADE)"},
    {"Select RDB$RELATION_NAME from RDB$RELATIONS Where RDB$RELATION_NAME = 'UNDOUNITPLAN'",
     "CREATE TABLE UNDOUNITPLAN (FKUNDOSTEP INTEGER NOT NULL, SIDE INTEGER NOT NULL, ID INTEGER NOT "
     "NULL, UNITNAME VARCHAR(140), UNITDESCRIPTION VARCHAR(4400), UNITTYPE INTEGER, FKLONGTERM "
     "INTEGER, FKTEACHER INTEGER, TRANSFER INTEGER, ROTATE INTEGER, ROWVERSION INTEGER, READVERSION "
     "INTEGER, CHANGEDBY INTEGER, CONSTRAINT FK_UNDOUNITPLAN_STEP FOREIGN KEY (FKUNDOSTEP) REFERENCES "
     "UNDOSTEP (ID) ON DELETE CASCADE)"},
    {"Select RDB$RELATION_NAME from RDB$RELATIONS Where RDB$RELATION_NAME = 'UNDOLESSONPLAN'",
     "CREATE TABLE UNDOLESSONPLAN (FKUNDOSTEP INTEGER NOT NULL, SIDE INTEGER NOT NULL, ID INTEGER NOT "
     "NULL, LESSONNAME VARCHAR(140), LESSONES VARCHAR(4400), LESSONAO VARCHAR(4400), LESSONSLO "
     "VARCHAR(4400), LESSONINTRO VARCHAR(4400), LESSONDEV VARCHAR(4400), LESSONCLOSE VARCHAR(4400), "
     "LESSONTEST VARCHAR(4400), LESSONRESOURCE VARCHAR(4400), LESSONREFLECT VARCHAR(4400), LESSONEVAL "
     "INTEGER, LESSONASSESS INTEGER, LESSONNOTTAUGHT INTEGER, DATESTART DATE, DATEEND DATE, TIMESTART "
     "TIME, TIMEEND TIME, ROUTINEDAY INTEGER, FKUNITPLAN INTEGER, ROWVERSION INTEGER, READVERSION "
     "INTEGER, CHANGEDBY INTEGER, CONSTRAINT FK_UNDOLESSONPLAN_STEP FOREIGN KEY (FKUNDOSTEP) "
     "REFERENCES UNDOSTEP (ID) ON DELETE CASCADE)"},
    {"Select RDB$RELATION_NAME from RDB$RELATIONS Where RDB$RELATION_NAME = 'UNDOBINARYDESCRIPTION'",
     "CREATE TABLE UNDOBINARYDESCRIPTION (FKUNDOSTEP INTEGER NOT NULL, SIDE INTEGER NOT NULL, ID "
     "INTEGER NOT NULL, FILENAME VARCHAR(1024), FILESIZE INTEGER, DESCRIPTION VARCHAR(4400), READY "
     "INTEGER, ROWVERSION INTEGER, READVERSION INTEGER, CHANGEDBY INTEGER, CONSTRAINT "
     "FK_UNDOBINARYDESCRIPTION_STEP FOREIGN KEY (FKUNDOSTEP) REFERENCES UNDOSTEP (ID) ON DELETE "
     "CASCADE)"},
    {"Select RDB$RELATION_NAME from RDB$RELATIONS Where RDB$RELATION_NAME = 'UNDOUNITBINARY'",
     "CREATE TABLE UNDOUNITBINARY (FKUNDOSTEP INTEGER NOT NULL, SIDE INTEGER NOT NULL, ID INTEGER NOT "
     "NULL, BINARYID INTEGER, BINARYINCREMENT INTEGER, BINARYDATA VARCHAR(1024), FKUNITPLAN INTEGER, "
     "CONSTRAINT FK_UNDOUNITBINARY_STEP FOREIGN KEY (FKUNDOSTEP) REFERENCES UNDOSTEP (ID) ON DELETE "
     "CASCADE)"},
    {"Select RDB$INDEX_NAME from RDB$INDICES Where RDB$INDEX_NAME = 'IX_UNDOSTEP_TEACHER'",
     "CREATE INDEX IX_UNDOSTEP_TEACHER ON UNDOSTEP (FKTEACHER)"},
    {"Select RDB$INDEX_NAME from RDB$INDICES Where RDB$INDEX_NAME = 'IX_UNDOLONGTERM_ROW'",
     "CREATE INDEX IX_UNDOLONGTERM_ROW ON UNDOLONGTERM (FKUNDOSTEP, ID)"},
    {"Select RDB$INDEX_NAME from RDB$INDICES Where RDB$INDEX_NAME = 'IX_UNDOUNITPLAN_ROW'",
     "CREATE INDEX IX_UNDOUNITPLAN_ROW ON UNDOUNITPLAN (FKUNDOSTEP, ID)"},
    {"Select RDB$INDEX_NAME from RDB$INDICES Where RDB$INDEX_NAME = 'IX_UNDOLESSONPLAN_ROW'",
     "CREATE INDEX IX_UNDOLESSONPLAN_ROW ON UNDOLESSONPLAN (FKUNDOSTEP, ID)"},
    {"Select RDB$INDEX_NAME from RDB$INDICES Where RDB$INDEX_NAME = 'IX_UNDOBINARYDESCRIPTION_ROW'",
     "CREATE INDEX IX_UNDOBINARYDESCRIPTION_ROW ON UNDOBINARYDESCRIPTION (FKUNDOSTEP, ID)"},
    {"Select RDB$INDEX_NAME from RDB$INDICES Where RDB$INDEX_NAME = 'IX_UNDOUNITBINARY_ROW'",
     "CREATE INDEX IX_UNDOUNITBINARY_ROW ON UNDOUNITBINARY (FKUNDOSTEP, ID)"},
};

// The year rollovers of 2.0.7: the table a second rollover of the same
// years reads, its generator, index and the trigger that numbers new rows;
// the texts are those of schema.sql.
const SchemaRule yearRolloverRules[] = {
    {"Select RDB$GENERATOR_NAME from RDB$GENERATORS Where RDB$GENERATOR_NAME = 'NEWYEARROLLOVER'",
     "CREATE GENERATOR NEWYEARROLLOVER"},
    {"Select RDB$RELATION_NAME from RDB$RELATIONS Where RDB$RELATION_NAME = 'YEARROLLOVER'",
     "CREATE TABLE YEARROLLOVER (ID INTEGER NOT NULL, FKTEACHER INTEGER NOT NULL, FROMYEAR INTEGER NOT NULL, "
     "TOYEAR INTEGER NOT NULL, DONEAT TIMESTAMP NOT NULL, PLANS INTEGER DEFAULT 0, UNITS INTEGER DEFAULT 0, "
     "LESSONS INTEGER DEFAULT 0, ATTACHMENTS INTEGER DEFAULT 0, UNDOSTEP INTEGER DEFAULT 0, CONSTRAINT "
     "PK_YEARROLLOVER PRIMARY KEY (ID))"},
    {"Select RDB$INDEX_NAME from RDB$INDICES Where RDB$INDEX_NAME = 'IX_YEARROLLOVER_TEACHER'",
     "CREATE INDEX IX_YEARROLLOVER_TEACHER ON YEARROLLOVER (FKTEACHER)"},
    {"Select RDB$TRIGGER_NAME from RDB$TRIGGERS Where RDB$TRIGGER_NAME = 'YEARROLLOVER_BI'",
     "CREATE OR ALTER TRIGGER YEARROLLOVER_BI FOR YEARROLLOVER ACTIVE BEFORE INSERT POSITION 0 AS\n"
     "BEGIN IF (NEW.ID IS NULL) THEN NEW.ID = GEN_ID(NEWYEARROLLOVER, 1); END"},
};

FXString versionTrigger(const FXString& table) {
    return "CREATE OR ALTER TRIGGER " + table + "_BU FOR " + table +
           " ACTIVE BEFORE UPDATE POSITION 0 AS\n"
           "BEGIN\n"
           "  IF (NEW.READVERSION IS NOT NULL AND NEW.READVERSION <> OLD.ROWVERSION) THEN\n"
           "    EXCEPTION ROW_CHANGED;\n"
           "  IF (NEW.READVERSION IS NULL) THEN NEW.CHANGEDBY = NULL;\n"
           "  NEW.READVERSION = NULL;\n"
           "  NEW.ROWVERSION = OLD.ROWVERSION + 1;\n"
           "END";
}

FXint partValue(const FXString& part) {
    FXint v = 0;
    for (FXint i = 0; i < part.length() && part[i] >= '0' && part[i] <= '9' && v < 100000000; ++i)
        v = v * 10 + (part[i] - '0');
    return v;
}

// Builds the message; returns -1 when the database patch is lower (the
// caller decides what follows), else whether the message must be shown.
int compare(FXString& message, const FXString& software, const FXString& other) {
    FXint sMajor, sMinor, sPatch, oMajor, oMinor, oPatch;
    SplitVersion(software, sMajor, sMinor, sPatch);
    SplitVersion(other, oMajor, oMinor, oPatch);
    message = "This software version is " + software + "\nThe database version is " + other;
    if (sMajor != oMajor) {
        message += "\n\nThis software version will not work with this database.";
        message += "\nContact the vendor for the data conversion routines required.";
        return 1;
    }
    if (sMinor != oMinor) {
        message += "\n\nA database patch is required to upgrade this software.";
        message += "\nContact the vendor for the appropriate database patch.";
        return 1;
    }
    if (sPatch == oPatch) return 0;
    if (oPatch < sPatch) return -1;
    message +=
        "\n\nThe server database has already been updated by a more recent version of the software "
        "elsewhere on the network.";
    message += "\nUpdate this local instance to the current software version.";
    return 1;
}

// The upgrade cannot go on: the connection was lost (the recordset layer
// counted it).
struct ConnectionGone {};

void run(IsectRecordset& rs, const FXString& sql) {
    if (!rs.OpenRecordset(sql)) throw ConnectionGone();
}

// True when the query returns a row.
bool exists(IsectRecordset& rs, const FXString& sql) {
    run(rs, sql);
    return rs.recordCount > 0;
}

}  // namespace

FXString DatabaseVersion() {
    IsectRecordset version;
    if (!version.OpenRecordset("Select StringValue from Settings Where StringKey = 'Version'")) return FXString();
    version.rows.MoveFirst();
    if (version.rows.eof) return FXString();
    return version.GetField("0");
}

void SplitVersion(const FXString& version, FXint& major, FXint& minor, FXint& patch) {
    FXint first = version.find('.');
    FXint second = first < 0 ? -1 : version.find('.', first + 1);
    major = partValue(first < 0 ? version : version.left(first));
    minor = first < 0 ? 0
                      : partValue(second < 0 ? version.mid(first + 1, version.length())
                                             : version.mid(first + 1, second - first - 1));
    patch = second < 0 ? 0 : partValue(version.mid(second + 1, version.length()));
}

FXbool CheckVersion(FXApp* application, FXString& message, const FXString& softwareVersion,
                    const FXString& databaseVersion, messages::Message& failure) {
    failure = messages::Message();
    int result = compare(message, softwareVersion, databaseVersion);
    if (result >= 0) return result != 0;
    if (!MayUpgradeDatabase()) {
        message += "\n\nThe school's server must bring the database up to date before this software can use it:";
        message += "\nits administrator runs scripts/services start, or upgrades the plenwick-server package.";
        message += "\nNothing was changed.";
        return true;
    }
    if (UpgradeDatabase(application, softwareVersion, failure)) {
        message += "\n\nDatabase successfully updated to current software version.";
    } else {
        message += "\n\nAutomatic update failed.";
        message += "\nContact the vendor.";
    }
    return true;
}

FXbool MayUpgradeDatabase() {
    IsectRecordset rs;
    try {
        // The administrator, or the owner of the tables the upgrade changes;
        // the planning service's own user is neither.
        return exists(rs,
                      "Select 1 from RDB$DATABASE Where CURRENT_USER = 'SYSDBA' or CURRENT_ROLE = 'RDB$ADMIN' "
                      "or CURRENT_USER = (Select trim(RDB$OWNER_NAME) from RDB$RELATIONS "
                      "Where RDB$RELATION_NAME = 'UNITPLAN')");
    } catch (...) {
        // Whatever the question met, the upgrade meets and reports too.
        return true;
    }
}

// Transfer files have had one layout since 2.0.3 (the unit's Rotate
// column); this version reads those of 2.0.3 up to its own.
const FXint oldestTransferPatch = 3;

FXbool CheckTransferVersion(FXString& message, const FXString& softwareVersion, const FXString& fileVersion) {
    FXint sMajor, sMinor, sPatch, fMajor, fMinor, fPatch;
    SplitVersion(softwareVersion, sMajor, sMinor, sPatch);
    SplitVersion(fileVersion, fMajor, fMinor, fPatch);
    message = FXString::null;
    if (fMajor == sMajor && fMinor == sMinor && fPatch >= oldestTransferPatch && fPatch <= sPatch) return false;
    const bool newer = fMajor != sMajor ? fMajor > sMajor : fMinor != sMinor ? fMinor > sMinor : fPatch > sPatch;
    if (newer)
        message = "This transfer file was written by a newer Plenwick (" + fileVersion +
                  "): update Plenwick to import it.\n\nThis Plenwick is version " + softwareVersion + ".";
    else
        message = "This transfer file was written by an older Plenwick (" + fileVersion +
                  "), whose transfer files this Plenwick (" + softwareVersion +
                  ") cannot read: export the unit plan again with Plenwick " + softwareVersion + " or later.";
    return true;
}

// The changes from 2.0.2: UNITDESCRIPTION widened to 4400 characters, the
// ROTATE column, MAKEUNITPLAN with the rotate argument, and the delete rules
// above; from 2.0.3: the row versions; from 2.0.4: the non-teaching days; from 2.0.5: the undo journal; from
// 2.0.6: the year rollovers.  Each is
// checked first, so a second run changes nothing; the worker commits each ALTER and CREATE on its own, the procedure
// and the version number are committed together at the end.
FXbool UpgradeDatabase(FXApp*, const FXString& softwareVersion, messages::Message& failure) {
    failure = messages::Message();
    IsectRecordset rs;
    IsectRecordset::Transaction transaction(rs);
    try {
        bool wide = exists(rs,
                           "Select F.RDB$FIELD_NAME from RDB$RELATION_FIELDS R, RDB$FIELDS F "
                           "Where F.RDB$FIELD_NAME = R.RDB$FIELD_SOURCE and R.RDB$RELATION_NAME = 'UNITPLAN' "
                           "and R.RDB$FIELD_NAME = 'UNITDESCRIPTION' "
                           "and coalesce(F.RDB$CHARACTER_LENGTH, F.RDB$FIELD_LENGTH) >= 4400");
        bool rotate = exists(rs,
                             "Select RDB$FIELD_NAME from RDB$RELATION_FIELDS Where RDB$RELATION_NAME = 'UNITPLAN' "
                             "and RDB$FIELD_NAME = 'ROTATE'");
        bool procedure = exists(rs,
                                "Select RDB$PARAMETER_NAME from RDB$PROCEDURE_PARAMETERS "
                                "Where RDB$PROCEDURE_NAME = 'MAKEUNITPLAN' and RDB$PARAMETER_NAME = 'THISROTATE'");
        if (!wide) run(rs, "ALTER TABLE \"UNITPLAN\" ALTER COLUMN \"UNITDESCRIPTION\" TYPE VARCHAR(4400)");
        if (!rotate) run(rs, "ALTER TABLE \"UNITPLAN\" ADD \"ROTATE\" INTEGER DEFAULT 0 NOT NULL");
        if (!procedure) run(rs, makeUnitPlanStatement);
        for (const SchemaRule& rule : deleteRules)
            if (!exists(rs, rule.probe)) run(rs, rule.statement);
        if (!exists(rs, rowChangedException.probe)) run(rs, rowChangedException.statement);
        for (const SchemaRule& rule : nonTeachingDayRules)
            if (!exists(rs, rule.probe)) run(rs, rule.statement);
        for (const SchemaRule& rule : journalRules)
            if (!exists(rs, rule.probe)) run(rs, rule.statement);
        for (const SchemaRule& rule : yearRolloverRules)
            if (!exists(rs, rule.probe)) run(rs, rule.statement);
        for (const char* table : versionedTables) {
            for (const VersionColumn& column : versionColumns)
                if (!exists(rs, FXString("Select RDB$FIELD_NAME from RDB$RELATION_FIELDS Where RDB$RELATION_NAME = '") +
                                    table + "' and RDB$FIELD_NAME = '" + column.name + "'"))
                    run(rs, FXString("ALTER TABLE ") + table + " ADD " + column.name + " " + column.type);
            if (!exists(rs, FXString("Select RDB$TRIGGER_NAME from RDB$TRIGGERS Where RDB$TRIGGER_NAME = '") + table +
                                "_BU'"))
                run(rs, versionTrigger(table));
        }

        rs.fromTable = "Settings";
        run(rs, "Select Id, StringValue from Settings Where StringKey = 'Version'");
        if (rs.recordCount > 0) {
            rs.SetFieldByKey(rs.GetField("Id"), "StringValue", softwareVersion);
            if (!rs.WriteRecordset()) throw ConnectionGone();
        }
        transaction.commit();
        return true;
    } catch (const ConnectionGone&) {
        transaction.rollback();
    } catch (const FXException&) {
        failure = messages::explainCaught("Database Error", "database");
        transaction.rollback();
    }
    return false;
}

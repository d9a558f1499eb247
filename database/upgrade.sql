/* Brings a Plenwick database made by an earlier creation script up to
   database/schema.sql without touching its data.  Every statement leaves a
   database that already has the change as it was, so the script is run on
   every start of the services (scripts/services) and may be run by hand:
     isql-fb -q -i database/upgrade.sql DB -user SYSDBA
   A database of the previous patch level (2.0.2) is brought to this one,
   so the client, whose automatic upgrade makes the same changes with the
   same texts, finds it current. */

SET SQL DIALECT 3;
SET AUTODDL ON;

CREATE OR ALTER EXCEPTION LONG_TERM_PLAN_SHARED 'This Long Term plan holds the unit plans of more than one teacher, so it is not deleted: each teacher deletes their own unit plans first.';

SET TERM ^ ;

/* What the database keeps tidy on its own, as in schema.sql: a deleted
   long-term plan takes its unit plans (not when they are the units of more
   than one teacher), a deleted unit plan its lessons and attachment chunks,
   the last chunk of an attachment its description. */
CREATE OR ALTER TRIGGER LONGTERM_AD FOR LONGTERM ACTIVE AFTER DELETE POSITION 0 AS
BEGIN
  IF ((SELECT COUNT(DISTINCT COALESCE(FKTEACHER, -1)) FROM UNITPLAN WHERE FKLONGTERM = OLD.ID) > 1) THEN
    EXCEPTION LONG_TERM_PLAN_SHARED;
  DELETE FROM UNITPLAN WHERE FKLONGTERM = OLD.ID;
END^

CREATE OR ALTER TRIGGER UNITPLAN_AD FOR UNITPLAN ACTIVE AFTER DELETE POSITION 0 AS
BEGIN
  DELETE FROM LESSONPLAN WHERE FKUNITPLAN = OLD.ID;
  DELETE FROM UNITBINARY WHERE FKUNITPLAN = OLD.ID;
END^

CREATE OR ALTER TRIGGER UNITBINARY_AD FOR UNITBINARY ACTIVE AFTER DELETE POSITION 0 AS
BEGIN
  IF (NOT EXISTS (SELECT 1 FROM UNITBINARY WHERE BINARYID = OLD.BINARYID)) THEN
    DELETE FROM BINARYDESCRIPTION WHERE ID = OLD.BINARYID;
END^

SET TERM ; ^
COMMIT;

/* A database of version 2.0.2: the longer unit description, the ROTATE
   column and MAKEUNITPLAN with its rotate argument, as the client's own
   upgrade makes them, then the version.  Run here, the planning service's
   limited user never needs to change the schema. */
SET TERM ^ ;
EXECUTE BLOCK AS
BEGIN
  IF (EXISTS (SELECT 1 FROM RDB$RELATION_FIELDS R JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = R.RDB$FIELD_SOURCE
              WHERE R.RDB$RELATION_NAME = 'UNITPLAN' AND R.RDB$FIELD_NAME = 'UNITDESCRIPTION'
                AND COALESCE(F.RDB$CHARACTER_LENGTH, F.RDB$FIELD_LENGTH) < 4400)) THEN
    EXECUTE STATEMENT 'ALTER TABLE UNITPLAN ALTER COLUMN UNITDESCRIPTION TYPE VARCHAR(4400)';
  IF (NOT EXISTS (SELECT 1 FROM RDB$RELATION_FIELDS
                  WHERE RDB$RELATION_NAME = 'UNITPLAN' AND RDB$FIELD_NAME = 'ROTATE')) THEN
    EXECUTE STATEMENT 'ALTER TABLE UNITPLAN ADD ROTATE INTEGER DEFAULT 0 NOT NULL';
END^
SET TERM ; ^
COMMIT;

SET TERM ^ ;
CREATE OR ALTER PROCEDURE MAKEUNITPLAN (THISPLANNAME VARCHAR(140), THISDESCRIPTION VARCHAR(4400),
  THISUNITTYPE INTEGER, THISFKLONGTERM INTEGER, THISFKTEACHER INTEGER, THISTRANSFER INTEGER,
  THISROTATE INTEGER)
RETURNS (ID INTEGER) AS
DECLARE VARIABLE ThisID INTEGER;
BEGIN
  ThisID = GEN_ID(NEWUNITPLAN,1);
  ID = ThisID;
  INSERT INTO UNITPLAN (ID, UNITNAME, UNITDESCRIPTION, UNITTYPE, FKLONGTERM, FKTEACHER, TRANSFER, ROTATE)
    VALUES (:ThisID, :THISPLANNAME, :THISDESCRIPTION, :THISUNITTYPE, :THISFKLONGTERM, :THISFKTEACHER,
            :THISTRANSFER, :THISROTATE);
  Suspend;
  Exit;
END^
SET TERM ; ^

UPDATE SETTINGS SET STRINGVALUE = '2.0.3' WHERE STRINGKEY = 'Version' AND STRINGVALUE = '2.0.2';
COMMIT;

/* Brings a Plenwick database made by an earlier creation script up to
   database/schema.sql without touching its data.  Every statement leaves a
   database that already has the change as it was, so the script is run on
   every start of the services (scripts/services) and may be run by hand:
     isql-fb -q -i database/upgrade.sql DB -user SYSDBA
   The client's automatic upgrade (for a database of an earlier patch level)
   makes the same changes with the same texts. */

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

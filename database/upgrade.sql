/* Brings a Plenwick database made by an earlier creation script up to
   database/schema.sql without touching its data.  Every statement leaves a
   database that already has the change as it was, so the script is run on
   every start of the services (scripts/services) and may be run by hand:
     isql-fb -q -i database/upgrade.sql DB -user SYSDBA
   The client's automatic upgrade (for a database one patch level behind)
   makes the same changes. */

SET SQL DIALECT 3;
SET AUTODDL ON;
SET TERM ^ ;

/* What the database keeps tidy on its own, as in schema.sql: a deleted
   long-term plan takes its unit plans, a deleted unit plan its lessons and
   attachment chunks, the last chunk of an attachment its description. */
CREATE OR ALTER TRIGGER LONGTERM_AD FOR LONGTERM ACTIVE AFTER DELETE POSITION 0 AS
BEGIN
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

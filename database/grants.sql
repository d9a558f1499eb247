/* What the planning service's own database user may do: read and change
   the rows of every table, run every procedure, take numbers from every
   generator and raise the database's exceptions; nothing else (it owns no
   object, so it cannot change or drop one, grant a right or make a user).
   The services run this with the administrator's account after schema.sql
   or upgrade.sql, with WORKER_USER replaced by the user's name; granting a
   right the user holds already changes nothing. */

SET TERM ^ ;

EXECUTE BLOCK AS
  DECLARE NAME VARCHAR(63);
BEGIN
  FOR SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS
      WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 INTO :NAME DO
    EXECUTE STATEMENT 'GRANT SELECT, INSERT, UPDATE, DELETE ON "' || NAME || '" TO USER WORKER_USER';
  FOR SELECT TRIM(RDB$PROCEDURE_NAME) FROM RDB$PROCEDURES
      WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 INTO :NAME DO
    EXECUTE STATEMENT 'GRANT EXECUTE ON PROCEDURE "' || NAME || '" TO USER WORKER_USER';
  FOR SELECT TRIM(RDB$GENERATOR_NAME) FROM RDB$GENERATORS
      WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 INTO :NAME DO
    EXECUTE STATEMENT 'GRANT USAGE ON SEQUENCE "' || NAME || '" TO USER WORKER_USER';
  FOR SELECT TRIM(RDB$EXCEPTION_NAME) FROM RDB$EXCEPTIONS
      WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 INTO :NAME DO
    EXECUTE STATEMENT 'GRANT USAGE ON EXCEPTION "' || NAME || '" TO USER WORKER_USER';
END^

SET TERM ; ^
COMMIT;

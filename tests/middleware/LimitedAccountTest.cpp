// The workers' own database user: through the router, with the right key,
// a statement that would change how the database is built, its users or
// their rights, or read its monitoring or security records is refused in
// plain words and changes nothing; the single administrator account stays
// possible for a school that chooses it.
#include "support/IsdClient.h"
#include "support/Services.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "Worker.h"

using testsupport::CheckedClient;
using testsupport::readFile;

namespace {

// What the database holds of its own structure and rights, as isql reads it
// with the administrator's account.
std::string structure(const testsupport::Services& svc) {
    return svc.isql(
        "select count(*) from rdb$relations; select count(*) from rdb$procedures; "
        "select count(*) from rdb$generators; select count(*) from rdb$user_privileges; "
        "select count(*) from rdb$triggers; select count(*) from sec$users;");
}

}  // namespace

TEST(LimitedAccount, RefusesWhatThePlanningDoesNotNeedAndChangesNothing) {
    testsupport::ServicesOptions o;
    o.workers = 1;
    testsupport::Services svc(o);
    const std::string before = structure(svc);
    CheckedClient c(svc.host(), "Plenwick", svc.key());
    EXPECT_NE(std::string::npos, c.text("select current_user from rdb$database").find("'PLENWICK'"));
    c.word("commit");

    const char* const refused[] = {
        "create table Marks (Id integer)",
        "recreate table Teachers (Id integer)",
        "alter table Teachers add Salary integer",
        "drop table LessonPlan",
        "create index IX_MINE on Teachers (Teacher)",
        "drop procedure MakeAccount",
        "create or alter procedure MakeAccount returns (Id integer) as begin Id = 0; suspend; end",
        "create generator MINE",
        "set generator NEWTEACHER to 0",
        "drop trigger LESSONPLAN_BI",
        "grant select on Teachers to user ANYONE",
        "grant all on LessonPlan to public",
        "revoke select on Teachers from user PLENWICK",
        "create user ANYONE password 'secret'",
        "alter user SYSDBA password 'taken'",
        "select * from sec$users",
        "select Sec$User_Name from SEC$USERS",
        "select * from mon$attachments",
        "select count(*) from MON$STATEMENTS",
        "select * from \"MON$DATABASE\"",
        "delete from rdb$relations where rdb$relation_name = 'TEACHERS'",
        "update rdb$database set rdb$description = 'x'",
        "execute block as begin execute statement 'create table Marks (Id integer)'; end",
    };
    for (const char* sql : refused) {
        std::string reply = c.text(sql);
        EXPECT_EQ(vantry::kNotAllowed, reply) << sql;
        c.word("rollback");
    }
    EXPECT_EQ(before, structure(svc));

    // Texts that only mention such names are a teacher's to write.
    c.must("insert into ChildYear (Description) values ('MON$ and SEC$ in a text')");
    EXPECT_NE(std::string::npos,
              c.text("select Description from ChildYear where Description like '%MON$%'").find("SEC$ in a text"));
    c.word("commit");
    // What the planning does still works: the procedures, the generators,
    // the delete rules.
    c.must("select * from MakeAccount('Aroha', 0)");
    c.must("select * from MakeUnitPlan('Unit', 'd', 1, 1, 1, 0, 0)");
    c.must("select gen_id(NEWLESSONPLAN, 1) from rdb$database");
    c.must("delete from UnitPlan");
    c.word("commit");
}

TEST(LimitedAccount, TheWorkersPasswordIsPrivateAndTheSingleAccountRemainsAChoice) {
    testsupport::ServicesOptions o;
    o.workers = 1;
    testsupport::Services limited(o);
    const std::string state = limited.workdir() + "/services";
    struct stat st;
    ASSERT_EQ(0, stat((state + "/workerpassword").c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
    std::string password = readFile(state + "/workerpassword");
    password = password.substr(0, password.find('\n'));
    EXPECT_GE(password.size(), 24u);
    const std::string ini = readFile(state + "/isectd.ini");
    EXPECT_NE(std::string::npos, ini.find("\npassword = " + password + "\n")) << ini;
    EXPECT_NE(std::string::npos, ini.find("\narg = PLENWICK\n")) << ini;
    // A second start keeps the password.
    limited.stop();
    limited.start();
    EXPECT_EQ(password + "\n", readFile(state + "/workerpassword"));

    o.singleAccount = true;
    testsupport::Services single(o);
    CheckedClient c(single.host(), "Plenwick", single.key());
    EXPECT_NE(std::string::npos, c.text("select current_user from rdb$database").find("'SYSDBA'"));
    c.must("create table Marks (Id integer)");
    c.must("drop table Marks");
    c.word("commit");
}

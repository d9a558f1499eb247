// scripts/services as the README's run command uses it: a second start finds
// the services up, a restart keeps the database, a stop ends every process.
#include "middleware/EchoRouter.h"
#include "support/Services.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

using testsupport::readFile;
using testsupport::run;

namespace {

unsigned modeOf(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 01000;
}

std::string services(const std::string& args) {
    return "PLENWICK_BUILD='" + testsupport::buildDir() + "' '" + testsupport::sourceDir() + "/scripts/services' " +
           args;
}

}  // namespace

TEST(ServicesScript, SecondStartFindsItRunningAndRestartKeepsTheDatabase) {
    testsupport::ServicesOptions o;
    o.workers = 1;
    testsupport::Services svc(o);
    std::string isdcat = "cd '" + svc.workdir() + "' && '" + testsupport::buildDir() + "/isdcat' ";
    std::string out;
    ASSERT_EQ(0, run(isdcat + "\"insert into ChildYear (Description) values ('kept across restarts')\"", &out)) << out;

    // The service key: made on the first start, readable by its owner only,
    // and handed to the client in its connection file, which is private too.
    std::string state = svc.workdir() + "/services";
    std::string key = readFile(state + "/servicekey");
    ASSERT_EQ(65u, key.size()) << key;
    EXPECT_EQ(0600u, modeOf(state + "/servicekey"));
    EXPECT_EQ(0600u, modeOf(svc.workdir() + "/Plenwick.ini"));
    EXPECT_EQ(0600u, modeOf(state + "/isectd.ini"));
    EXPECT_EQ(0700u, modeOf(state));
    EXPECT_EQ(0700u, modeOf(state + "/logs"));
    EXPECT_NE(std::string::npos, readFile(svc.workdir() + "/Plenwick.ini").find("\nServiceKey=" + key))
        << readFile(svc.workdir() + "/Plenwick.ini");
    EXPECT_EQ(key.substr(0, 64), svc.key());

    // Port 0: the router binds whichever port is free and names it in
    // Plenwick.ini, so the restart below cannot lose its port to another
    // program in the moment after the stop.
    std::string start =
        services("start --db '" + svc.database() + "' --workdir '" + svc.workdir() + "' --workers 1 --port 0");
    pid_t router = svc.routerPid();
    ASSERT_EQ(0, run(start, &out)) << out;
    EXPECT_NE(std::string::npos, out.find("already running")) << out;
    EXPECT_EQ(router, svc.routerPid());
    EXPECT_NE(std::string::npos, readFile(svc.workdir() + "/Plenwick.ini").find(":" + std::to_string(svc.port())));

    std::vector<pid_t> workers = svc.workerPids();
    ASSERT_EQ(0, run(services("stop --workdir '" + svc.workdir() + "'"), &out)) << out;
    EXPECT_TRUE(mwtest::processEnded(router));
    for (pid_t w : workers) EXPECT_TRUE(mwtest::processEnded(w)) << "worker " << w << " outlived the stop";
    ASSERT_EQ(0, run(services("stop --workdir '" + svc.workdir() + "'"), &out)) << out;
    EXPECT_NE(std::string::npos, out.find("not running"));

    // A start on the existing file keeps its rows (and --demo adds nothing).
    ASSERT_EQ(0, run(start + " --demo", &out)) << out;
    EXPECT_EQ(std::string::npos, out.find("created")) << out;
    EXPECT_EQ(key, readFile(state + "/servicekey")) << "the key is kept: clients set up before still get in";
    ASSERT_EQ(0, run(isdcat + "\"select count(*) from ChildYear where Description = 'kept across restarts'\"", &out));
    EXPECT_NE(std::string::npos, out.find("[[                    1]]]")) << out;
    ASSERT_EQ(0, run(isdcat + "\"select count(*) from Teachers\"", &out));
    EXPECT_NE(std::string::npos, out.find("[[                    0]]]")) << out;
}

TEST(ServicesScript, WrongUseSaysWhatIsWrong) {
    std::string out;
    EXPECT_NE(0, run(services("start --workdir /tmp"), &out));
    EXPECT_NE(std::string::npos, out.find("start needs --db PATH")) << out;
    EXPECT_NE(0, run(services("start --db /tmp/x.fdb --workdir /tmp/x --workers none"), &out));
    EXPECT_NE(std::string::npos, out.find("--workers takes a number")) << out;
    EXPECT_NE(0, run(services("launch"), &out));
    EXPECT_NE(std::string::npos, out.find("unknown command launch")) << out;
}

namespace {

// The source of a trigger as the database keeps it ("" when it has none).
std::string triggerSource(const testsupport::Services& svc, const std::string& name) {
    std::string out = svc.isql(
        "set heading off;\nselect rdb$trigger_source from rdb$triggers where rdb$trigger_name = '" + name + "';");
    // isql prints a blob column as its id, then the text.
    const size_t begin = out.find("BEGIN");
    return begin == std::string::npos ? "" : out.substr(begin, out.find("END", begin) + 3 - begin);
}

// The message of a database exception as isql prints it ("" when there is none).
std::string exceptionMessage(const testsupport::Services& svc, const std::string& name) {
    std::string out = svc.isql(
        "set heading off;\nselect trim(rdb$message) from rdb$exceptions where "
        "rdb$exception_name = '" +
        name + "';");
    const size_t begin = out.find_first_not_of(" \n");
    if (begin == std::string::npos) return "";
    return out.substr(begin, out.find_last_not_of(" \n") + 1 - begin);
}

}  // namespace

// A database made before the database removed a long-term plan's units with
// it (and, older still, a unit's lessons with the unit) gets the current
// triggers when the services start, keeping every row.
TEST(ServicesScript, AStartGivesAnEarlierDatabaseWhatTheCurrentSchemaHas) {
    testsupport::ServicesOptions o;
    o.workers = 1;
    testsupport::Services fresh(o);
    testsupport::Services svc(o);
    svc.stop();
    std::string out = svc.isql(
        "drop trigger LONGTERM_AD;\ndrop trigger UNITPLAN_AD;\ndrop exception LONG_TERM_PLAN_SHARED;\ncommit;\n"
        "insert into LongTerm (Id, PlanName, Persistant) values (7, 'Old plan', 0);\n"
        "insert into LongTerm (Id, PlanName, Persistant) values (8, 'Kept plan', 0);\n"
        "insert into UnitPlan (Id, UnitName, FKLongTerm, Rotate) values (70, 'Old unit', 7, 0);\n"
        "insert into UnitPlan (Id, UnitName, FKLongTerm, Rotate) values (80, 'Kept unit', 8, 0);\n"
        "insert into LessonPlan (Id, LessonName, FKUnitPlan) values (700, 'Old lesson', 70);\n"
        "insert into LessonPlan (Id, LessonName, FKUnitPlan) values (800, 'Kept lesson', 80);\n"
        "commit;\n");
    ASSERT_EQ("", triggerSource(svc, "LONGTERM_AD")) << out;
    ASSERT_EQ("", exceptionMessage(svc, "LONG_TERM_PLAN_SHARED")) << out;
    svc.start();
    // The texts are schema.sql's own (a database the services started is
    // not the measure: the same start has run upgrade.sql on it too).
    const std::string schemaMessage = testsupport::schemaText("CREATE EXCEPTION LONG_TERM_PLAN_SHARED", "'", "'");
    EXPECT_NE(std::string::npos, schemaMessage.find("more than one teacher"));
    EXPECT_EQ(schemaMessage, exceptionMessage(fresh, "LONG_TERM_PLAN_SHARED"));
    EXPECT_EQ(schemaMessage, exceptionMessage(svc, "LONG_TERM_PLAN_SHARED"));
    for (const char* name : {"LONGTERM_AD", "UNITPLAN_AD", "UNITBINARY_AD"}) {
        EXPECT_NE("", triggerSource(svc, name)) << name;
        EXPECT_EQ(triggerSource(fresh, name), triggerSource(svc, name)) << name << " differs from database/schema.sql";
        EXPECT_EQ(testsupport::schemaText(std::string("CREATE TRIGGER ") + name + " ", " AS\n", "^"),
                  triggerSource(svc, name))
            << name << " differs from database/schema.sql";
    }
    std::string isdcat = "cd '" + svc.workdir() + "' && '" + testsupport::buildDir() + "/isdcat' ";
    ASSERT_EQ(0, run(isdcat + "\"select count(*) from LessonPlan\"", &out)) << out;
    EXPECT_NE(std::string::npos, out.find("[[                    2]]]")) << out;  // no row was lost
    ASSERT_EQ(0, run(isdcat + "\"delete from LongTerm where Id = 7\"", &out)) << out;
    ASSERT_EQ(0, run(isdcat + "\"select count(*) from UnitPlan where FKLongTerm = 7\"", &out));
    EXPECT_NE(std::string::npos, out.find("[[                    0]]]")) << out;
    ASSERT_EQ(0, run(isdcat + "\"select LessonName from LessonPlan order by Id\"", &out));
    EXPECT_NE(std::string::npos, out.find("'Kept lesson'")) << out;
    EXPECT_EQ(std::string::npos, out.find("Old lesson")) << out;

    // A plan holding the units of two teachers stays, with all of them.
    ASSERT_EQ(0, run(isdcat + "\"insert into UnitPlan (Id, UnitName, FKLongTerm, FKTeacher, Rotate) values "
                              "(81, 'Other unit', 8, 99, 0)\"",
                     &out))
        << out;
    run(isdcat + "\"delete from LongTerm where Id = 8\"", &out);
    EXPECT_NE(std::string::npos, out.find("LONG_TERM_PLAN_SHARED")) << out;
    ASSERT_EQ(0, run(isdcat + "\"select count(*) from UnitPlan where FKLongTerm = 8\"", &out));
    EXPECT_NE(std::string::npos, out.find("[[                    2]]]")) << out;

    // A second start changes nothing more.
    svc.stop();
    svc.start();
    EXPECT_EQ(triggerSource(fresh, "LONGTERM_AD"), triggerSource(svc, "LONGTERM_AD"));
    EXPECT_EQ(schemaMessage, exceptionMessage(svc, "LONG_TERM_PLAN_SHARED"));
    ASSERT_EQ(0, run(isdcat + "\"select count(*) from UnitPlan\"", &out));
    EXPECT_NE(std::string::npos, out.find("[[                    2]]]")) << out;  // 80 and 81
}

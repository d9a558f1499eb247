// scripts/services as the README's run command uses it: a second start finds
// the services up, a restart keeps the database, a stop ends every process.
#include "Services.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <fstream>
#include <sstream>
#include <string>

using testsupport::readFile;
using testsupport::run;

namespace {

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

    std::string start = services("start --db '" + svc.database() + "' --workdir '" + svc.workdir() +
                                 "' --workers 1 --port " + std::to_string(svc.port()));
    pid_t router = svc.routerPid();
    ASSERT_EQ(0, run(start, &out)) << out;
    EXPECT_NE(std::string::npos, out.find("already running")) << out;
    EXPECT_EQ(router, svc.routerPid());
    EXPECT_NE(std::string::npos, readFile(svc.workdir() + "/Plenwick.ini").find(":" + std::to_string(svc.port())));

    std::vector<pid_t> workers = svc.workerPids();
    ASSERT_EQ(0, run(services("stop --workdir '" + svc.workdir() + "'"), &out)) << out;
    EXPECT_NE(0, kill(router, 0));
    for (pid_t w : workers) EXPECT_NE(0, kill(w, 0)) << "worker " << w << " outlived the stop";
    ASSERT_EQ(0, run(services("stop --workdir '" + svc.workdir() + "'"), &out)) << out;
    EXPECT_NE(std::string::npos, out.find("not running"));

    // A start on the existing file keeps its rows (and --demo adds nothing).
    ASSERT_EQ(0, run(start + " --demo", &out)) << out;
    EXPECT_EQ(std::string::npos, out.find("created")) << out;
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

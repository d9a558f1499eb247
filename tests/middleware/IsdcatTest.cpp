// isdcat against the router and the echo worker.
#include "EchoRouter.h"
#include "Services.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

class Isdcat : public ::testing::Test {
protected:
    void SetUp() override {
        mwtest::EchoServiceOptions o;
        o.workers = 1;
        router = std::make_unique<mwtest::EchoRouter>(std::vector<mwtest::EchoServiceOptions>{o});
        writeIni("[Plenwick]\r\nHost=" + router->host() + "\r\nDatabaseService=Echo\r\n");
    }
    void writeIni(const std::string& text) { std::ofstream(router->dir() + "/Plenwick.ini") << text; }
    int isdcat(const std::string& args, std::string& out) {
        return testsupport::run("cd '" + router->dir() + "' && '" + testsupport::buildDir() + "/isdcat' " + args,
                                &out, false);
    }
    std::unique_ptr<mwtest::EchoRouter> router;
};

}  // namespace

TEST_F(Isdcat, PrintsTheReplyExactlyAndCommits) {
    std::string out;
    EXPECT_EQ(0, isdcat("'put one'", out));
    EXPECT_EQ("[ok]", out);
    EXPECT_EQ(0, isdcat("all", out));
    EXPECT_EQ("[one]", out);
    EXPECT_EQ(0, isdcat("'blocks 3000'", out));
    EXPECT_EQ(3000u, out.size());
}

TEST_F(Isdcat, ErrorReplyExitsOneAndRollsBackTheTransaction) {
    std::string out;
    EXPECT_EQ(1, isdcat("-t 'put a' 'put b' fail 'put c'", out));
    EXPECT_EQ("[ok]\n[ok]\nerror: failed\n", out);
    EXPECT_EQ(0, isdcat("-t 'put x' get", out));
    EXPECT_EQ("[ok]\n[Echo-1|x]\n", out);
    EXPECT_EQ(0, isdcat("all", out));
    EXPECT_EQ("[x]", out);
}

TEST_F(Isdcat, UnreachableMiddlewareAndUsage) {
    std::string out;
    EXPECT_EQ(2, isdcat("", out));
    EXPECT_EQ(2, isdcat("one two", out));
    writeIni("Host=" + router->host() + "\nDatabaseService=Nope\n");
    EXPECT_EQ(2, isdcat("pid", out));
    writeIni("Host=127.0.0.1:1\nDatabaseService=Echo\n");
    EXPECT_EQ(2, isdcat("pid", out));
    std::remove((router->dir() + "/Plenwick.ini").c_str());
    EXPECT_EQ(2, isdcat("pid", out));
    writeIni("Host=" + router->host() + "\nDatabaseService=Echo\n");
    EXPECT_EQ(2, isdcat("die", out)) << "a failed receive";
    EXPECT_EQ(0, isdcat("pid", out));
}

// isdcat against the router and the echo worker.
#include "middleware/EchoRouter.h"
#include "support/Services.h"
#include "support/TestFiles.h"

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
        return testsupport::run("cd '" + router->dir() + "' && '" + testsupport::buildDir() + "/isdcat' " + args, &out,
                                false);
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

TEST_F(Isdcat, ReadsOneStatementALineOverOneConnection) {
    std::string out;
    auto shell = [&](const std::string& args, const std::string& input, std::string& err) {
        testsupport::writeFile(router->dir() + "/input.sql", input);
        std::string cmd = "cd '" + router->dir() + "' && '" + testsupport::buildDir() + "/isdcat' " + args +
                          " < input.sql 2> err.txt";
        int status = testsupport::run(cmd, &out, false);
        err = testsupport::readFile(router->dir() + "/err.txt");
        return status;
    };
    std::string err;
    // Without -t every statement is committed; a failed one is reported on
    // standard error and the next line goes on.
    EXPECT_EQ(1, shell("-", "put a\n\nfail\nput b;\nget\n", err));
    EXPECT_EQ("[ok]\n[ok]\n[Echo-1|]\n", out);
    EXPECT_EQ("isdcat: line 3: error: failed\n", err);
    EXPECT_EQ(0, shell("-", "all\n", err));
    EXPECT_EQ("[a,b]\n", out);
    EXPECT_EQ("", err);
    // With -t the statements share a transaction up to a commit or rollback
    // line; after a failure the rest of that transaction is skipped.
    EXPECT_EQ(1, shell("-t -", "put c\nput d\ncommit\nput e\nfail\nput f\ncommit\nput g\nrollback\nput h\n", err));
    EXPECT_EQ("[ok]\n[ok]\n[ok]\n[ok]\n[ok]\n", out);
    EXPECT_NE(std::string::npos, err.find("line 5: error: failed")) << err;
    EXPECT_NE(std::string::npos, err.find("line 6 skipped: the transaction failed at line 5")) << err;
    EXPECT_NE(std::string::npos, err.find("line 7: rolled back instead")) << err;
    EXPECT_EQ(0, shell("-", "all\n", err));
    EXPECT_EQ("[a,b,c,d,h]\n", out) << "e and f were rolled back, g by its line, h committed at the end";
}

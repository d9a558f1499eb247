// The embedded engine needs a project-local Firebird root (SuperClassic), so
// that several attachments in this process and other processes can share a
// database file.  It is made before the client library is first used.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

#ifndef PLENWICK_SOURCE_DIR
#error PLENWICK_SOURCE_DIR must be defined
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    char dir[] = "/tmp/vantry-fbroot-XXXXXX";
    if (!mkdtemp(dir)) return 2;
    std::string root = std::string(dir) + "/firebird";
    std::string cmd = std::string("'") + PLENWICK_SOURCE_DIR + "/scripts/fbroot' '" + root + "'";
    if (system(cmd.c_str()) != 0) return 2;
    setenv("FIREBIRD", root.c_str(), 1);
    int result = RUN_ALL_TESTS();
    std::string cleanup = std::string("rm -rf '") + dir + "'";
    if (system(cleanup.c_str()) != 0) {
    }
    return result;
}

// The embedded engine needs a project-local Firebird root (SuperClassic), so
// that several attachments in this process and other processes can share a
// database file.  It is made before the client library is first used.
#include <gtest/gtest.h>

#include <string>

#include "support/Services.h"
#include "support/TestFiles.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    testsupport::TempDir dir("vantry-fbroot");
    std::string root = dir.file("firebird");
    if (testsupport::run(testsupport::shellQuote(testsupport::sourceDir() + "/scripts/fbroot") + " " +
                         testsupport::shellQuote(root)) != 0)
        return 2;
    testsupport::useFirebirdRoot(root);
    return RUN_ALL_TESTS();
}

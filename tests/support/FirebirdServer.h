// A private Firebird server on loopback (scripts/fbserver) with one new
// database on it, for tests and benchmarks that reach the database as
// host:path.  Starting one needs root; where it cannot start, why() says so
// and the caller skips.
//
//   testsupport::FirebirdServer server;
//   if (!server.start("vantry.fdb")) GTEST_SKIP() << server.why();
//   options.database = server.database();   // 127.0.0.1/PORT:/tmp/.../db/vantry.fdb
//   options.password = server.password();
#ifndef PLENWICK_FIREBIRD_SERVER_H
#define PLENWICK_FIREBIRD_SERVER_H

#include <string>

#include "support/Watchdog.h"

namespace testsupport {

// SYSDBA's password from /etc/firebird/3.0/SYSDBA.password ("" when none).
std::string sysdbaPassword();

class FirebirdServer {
public:
    FirebirdServer() {}
    ~FirebirdServer();  // stops the server and removes its directory (so does a
                        // watchdog, should the test program die first)
    FirebirdServer(const FirebirdServer&) = delete;
    FirebirdServer& operator=(const FirebirdServer&) = delete;

    // Starts the server and creates `fileName` in its database directory;
    // `createOptions` go into CREATE DATABASE ("page_size 8192").  False,
    // with why(), when it cannot be done here.
    bool start(const std::string& fileName, const std::string& createOptions = "");

    const std::string& database() const { return database_; }  // host/port:path
    const std::string& password() const { return password_; }
    const std::string& why() const { return why_; }

private:
    std::string dir_, database_, password_, why_;
    Watchdog watchdog_;
};

}  // namespace testsupport

#endif

#include "support/FirebirdServer.h"

#include <unistd.h>

#include <fstream>

#include "support/Services.h"
#include "support/TestFiles.h"

namespace testsupport {

std::string sysdbaPassword() {
    std::ifstream in("/etc/firebird/3.0/SYSDBA.password");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("ISC_PASSWORD=", 0) == 0) {
            std::string v = line.substr(13);
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'')) v = v.substr(1, v.size() - 2);
            return v;
        }
    }
    return "";
}

namespace {
std::string fbserver() { return shellQuote(sourceDir() + "/scripts/fbserver"); }
}  // namespace

bool FirebirdServer::start(const std::string& fileName, const std::string& createOptions) {
    if (geteuid() != 0) {
        why_ = "starting a Firebird server needs root (scripts/fbserver runs it as firebird)";
        return false;
    }
    password_ = sysdbaPassword();
    if (password_.empty()) {
        why_ = "/etc/firebird/3.0/SYSDBA.password gives no password";
        return false;
    }
    try {
        TempDir dir("plenwick-fbserver");
        dir_ = dir.release();
    } catch (const std::exception& e) {
        why_ = e.what();
        return false;
    }
    // Should the test program die, the server stops all the same.
    watchdog_.arm(fbserver() + " stop " + shellQuote(dir_) + " >/dev/null 2>&1; rm -rf " + shellQuote(dir_));
    std::string out;
    if (run(fbserver() + " start " + shellQuote(dir_) + " 2>" + shellQuote(dir_ + "/start.err"), &out, false) != 0) {
        why_ = "scripts/fbserver could not start a server: " + readFile(dir_ + "/start.err");
        return false;
    }
    std::string address = out.substr(0, out.find('\n'));  // 127.0.0.1/PORT
    database_ = address + ":" + dir_ + "/db/" + fileName;
    std::string create = "create database '" + database_ + "' user 'SYSDBA' password '" + password_ + "' " +
                         createOptions + " default character set NONE;\n";
    if (run("echo " + shellQuote(create) + " | isql-fb -q -b", &out) != 0) {
        why_ = "the Firebird server did not create a database: " + out;
        return false;
    }
    return true;
}

FirebirdServer::~FirebirdServer() {
    if (dir_.empty()) return;
    if (run(fbserver() + " stop " + shellQuote(dir_)) != 0) return;  // the watchdog tries again
    removeTree(dir_);
    watchdog_.disarm();
}

}  // namespace testsupport

// The Debian packages of this build, unpacked into a temporary root: Debian's
// own checkers find no error in them, and the router starts from the
// unpacked files with the service unit's command line on a fresh database,
// answers the unpacked isdcat as the workers' limited user, and lets the
// unpacked client in through its desktop launcher.
#include "support/PrivateDisplay.h"
#include "support/ProgramWindows.h"
#include "support/Services.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

using testsupport::readFile;
using testsupport::run;
using testsupport::shellQuote;

namespace {

bool have(const std::string& program) { return run("command -v " + program + " >/dev/null") == 0; }

// Replaces every `from` in `text` by `to`.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

// The line of `text` that starts with `key`, without the key.
std::string valueOf(const std::string& text, const std::string& key) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return line.substr(key.size());
    return "";
}

// Both packages, made from this build by CPack into `dir`.
class Packages {
public:
    Packages() {
        const std::string config = testsupport::buildDir() + "/CPackConfig.cmake";
        made_ = run("cd " + shellQuote(dir_.path()) + " && cpack -G DEB --config " + shellQuote(config) + " -B " +
                        shellQuote(dir_.path()),
                    &log_) == 0;
        client_ = find("plenwick_");
        server_ = find("plenwick-server_");
        root_ = dir_.file("root");
        made_ = made_ && !client_.empty() && !server_.empty() &&
                run("dpkg-deb -x " + shellQuote(client_) + " " + shellQuote(root_) + " && dpkg-deb -x " +
                        shellQuote(server_) + " " + shellQuote(root_),
                    &log_) == 0;
    }
    bool made() const { return made_; }
    const std::string& log() const { return log_; }
    const std::string& client() const { return client_; }
    const std::string& server() const { return server_; }
    // The unpacked files: root("/usr/sbin/isectd").
    std::string root(const std::string& path = "") const { return root_ + path; }
    std::string file(const std::string& name) const { return dir_.file(name); }

private:
    std::string find(const std::string& prefix) {
        std::string out;
        run("ls " + shellQuote(dir_.path()) + " | grep '^" + prefix + ".*\\.deb$'", &out);
        return out.empty() ? "" : dir_.file(out.substr(0, out.find('\n')));
    }
    testsupport::TempDir dir_{"plenwick-packages"};
    bool made_ = false;
    std::string log_, client_, server_, root_;
};

}  // namespace

TEST(Packages, DebiansCheckersFindNoError) {
    Packages p;
    ASSERT_TRUE(p.made()) << p.log();
    std::string out;

    // What each package holds and needs.
    ASSERT_EQ(0, run("dpkg-deb -f " + shellQuote(p.server()) + " Depends", &out));
    for (const char* needed : {"firebird3.0-utils", "libfbclient2", "libssl3", "adduser"})
        EXPECT_NE(std::string::npos, out.find(needed)) << out;
    ASSERT_EQ(0, run("dpkg-deb -f " + shellQuote(p.client()) + " Depends", &out));
    for (const char* needed : {"libfox-1.6-0", "libcups2"}) EXPECT_NE(std::string::npos, out.find(needed)) << out;
    ASSERT_EQ(0, run("dpkg-deb --ctrl-tarfile " + shellQuote(p.server()) + " | tar -xOf - ./conffiles", &out));
    EXPECT_NE(std::string::npos, out.find("/etc/plenwick/isectd.ini\n")) << out;
    for (const char* path :
         {"/usr/lib/plenwick/Plenwick", "/usr/bin/plenwick", "/usr/sbin/isectd", "/usr/sbin/Vantry",
          "/usr/sbin/plenwick-server", "/usr/share/man/man8/plenwick-server.8.gz", "/usr/bin/isdcat",
          "/usr/share/plenwick/schema.sql", "/usr/share/plenwick/upgrade.sql", "/usr/share/plenwick/demo.sql",
          "/usr/share/icons/hicolor/32x32/apps/plenwick.png", "/usr/share/man/man1/plenwick.1.gz",
          "/usr/share/man/man1/isdcat.1.gz", "/usr/share/man/man8/isectd.8.gz", "/usr/share/man/man8/Vantry.8.gz",
          "/etc/logrotate.d/plenwick-server", "/lib/systemd/system/plenwick-backup.timer"})
        EXPECT_EQ(0, access(p.root(path).c_str(), R_OK)) << path;
    EXPECT_EQ(0, readFile(p.root("/usr/share/icons/hicolor/32x32/apps/plenwick.png")).rfind("\x89PNG", 0));

    if (have("lintian")) {
        run("lintian --tag-display-limit 0 " + shellQuote(p.client()) + " " + shellQuote(p.server()) + " 2>&1", &out);
        EXPECT_EQ(std::string::npos, out.find("\nE: ")) << out;
        EXPECT_NE(0u, out.find("E: ")) << out;
    } else {
        std::cout << "lintian is not installed: the packages were not checked by it" << std::endl;
    }
    if (have("desktop-file-validate")) {
        EXPECT_EQ(0, run("desktop-file-validate " +
                             shellQuote(p.root("/usr/share/applications/org.brellmoor.Plenwick.desktop")),
                         &out))
            << out;
        EXPECT_EQ(std::string::npos, out.find("error")) << out;
    }
    if (have("appstreamcli")) {
        EXPECT_EQ(0, run("appstreamcli validate --no-net " +
                             shellQuote(p.root("/usr/share/metainfo/org.brellmoor.Plenwick.metainfo.xml")),
                         &out))
            << out;
    }
    if (have("systemd-analyze")) {
        // The units as they would be installed, their programs found in the
        // unpacked root.
        for (const char* unit : {"plenwick.service", "plenwick-backup.service", "plenwick-backup.timer"})
            testsupport::writeFile(p.file(unit), replaced(readFile(p.root(std::string("/lib/systemd/system/") + unit)),
                                                          "ExecStart=/usr/", "ExecStart=" + p.root("/usr/")));
        run("cd " + shellQuote(p.file("")) +
                " && systemd-analyze verify --man=no ./plenwick.service ./plenwick-backup.service "
                "./plenwick-backup.timer 2>&1",
            &out);
        EXPECT_EQ("", out);
    }
    const std::string unit = readFile(p.root("/lib/systemd/system/plenwick.service"));
    for (const char* line : {"User=plenwick\n", "NoNewPrivileges=yes\n", "ProtectSystem=strict\n",
                             "ReadWritePaths=/var/lib/plenwick /var/log/plenwick\n", "ProtectHome=yes\n",
                             "PrivateTmp=yes\n", "Restart=on-failure\n"})
        EXPECT_NE(std::string::npos, unit.find(line)) << line;
    EXPECT_EQ(0, run("sh -n " + shellQuote(p.root("/usr/bin/plenwick"))));
}

TEST(Packages, TheRouterStartsFromTheUnpackedFilesAndServesClients) {
    Packages p;
    ASSERT_TRUE(p.made()) << p.log();
    testsupport::PrivateDisplay display(1024, 768);
    ASSERT_TRUE(display.ok()) << display.error();
    std::string out;

    // What postinst makes on a fresh install, in the temporary root: the
    // folders, the key, the workers' password and a database from the
    // schema, made by the packaged scripts.
    const std::string lib = p.root("/var/lib/plenwick"), logs = p.root("/var/log/plenwick"),
                      rundir = p.root("/run/plenwick");
    ASSERT_EQ(0, run("mkdir -p " + shellQuote(lib) + " " + shellQuote(logs) + " " + shellQuote(rundir)));
    const std::string key = std::string(64, 'a');
    testsupport::writeFile(lib + "/servicekey", key + "\n");
    chmod((lib + "/servicekey").c_str(), 0600);
    const std::string lock = lib + "/services/firebird/lock";
    ASSERT_EQ(0,
              run("FIREBIRD_LOCK=" + shellQuote(lock) + " PLENWICK_SHARE=" + shellQuote(p.root("/usr/share/plenwick")) +
                      " " + shellQuote(p.root("/usr/share/plenwick/services")) + " create --db " +
                      shellQuote(lib + "/plenwick.fdb") + " --workdir " + shellQuote(lib),
                  &out))
        << out;

    // The conffile with its paths in the temporary root and a port of the
    // system's choice; the router started with the unit's command line.
    std::string conf = readFile(p.root("/etc/plenwick/isectd.ini"));
    for (const char* path : {"/var/lib/plenwick", "/var/log/plenwick", "/run/plenwick", "/usr/sbin/"})
        conf = replaced(conf, path, p.root(path));
    conf = replaced(conf, "port = 7100", "port = 0");
    testsupport::writeFile(p.file("isectd.ini"), conf);
    const std::string unit = readFile(p.root("/lib/systemd/system/plenwick.service"));
    std::string command = valueOf(unit, "ExecStart=");
    ASSERT_EQ("/usr/sbin/isectd -c /etc/plenwick/isectd.ini", command);
    command = replaced(replaced(command, "/usr/sbin/", p.root("/usr/sbin/")), "/etc/plenwick/isectd.ini",
                       p.file("isectd.ini"));
    testsupport::Watchdog watchdog;
    watchdog.arm("kill $(cat " + shellQuote(p.root("/run/plenwick/isectd.pid")) + ") 2>/dev/null");
    ASSERT_EQ(0, run("ISC_PASSWORD=worker setsid " + command + " >" + shellQuote(p.file("isectd.out")) +
                     " 2>&1 </dev/null &"));
    int port = 0;
    for (int i = 0; i < 300 && port <= 0; ++i) {
        std::ifstream(p.root("/run/plenwick/port")) >> port;
        if (port <= 0) usleep(100000);
    }
    ASSERT_GT(port, 0) << readFile(p.file("isectd.out")) << readFile(logs + "/isectd.log");

    // The unpacked isdcat, as the workers' own user.
    const std::string data = p.file("data");
    ASSERT_EQ(0, run("mkdir -p " + shellQuote(data + "/Plenwick")));
    testsupport::writeFile(data + "/Plenwick/Plenwick.ini", "[Plenwick]\nHost=127.0.0.1:" + std::to_string(port) +
                                                                "\nDatabaseService=Plenwick\nServiceKey=" + key + "\n");
    std::string reply;
    for (int i = 0; i < 100; ++i) {
        if (run("cd " + shellQuote(data + "/Plenwick") + " && " + shellQuote(p.root("/usr/bin/isdcat")) +
                    " \"select current_user, count(*) from Settings\"",
                &reply) == 0)
            break;
        usleep(100000);
    }
    EXPECT_NE(std::string::npos, reply.find("'PLENWICK'")) << reply << readFile(logs + "/isectd.log");
    run("cd " + shellQuote(data + "/Plenwick") + " && " + shellQuote(p.root("/usr/bin/isdcat")) +
            " \"create table Mine (Id integer)\"",
        &reply);
    EXPECT_NE(std::string::npos, reply.find("not allowed")) << reply;

    // The client through its launcher, in the data folder it names.
    const int logins = testsupport::countOf(readFile(logs + "/isectd.log"), "logged in to service Plenwick");
    setenv("PLENWICK_DATA", data.c_str(), 1);
    const pid_t client =
        testsupport::startPlenwick(p.file(""), p.file(""), p.file("client.err"), p.root("/usr/bin/plenwick"));
    unsetenv("PLENWICK_DATA");
    ASSERT_GT(client, 0);
    EXPECT_FALSE(testsupport::waitForWindow("Calendar", 60).empty()) << readFile(p.file("client.err"));
    EXPECT_TRUE(testsupport::waitForText(logs + "/isectd.log", "logged in to service Plenwick", logins + 1))
        << readFile(logs + "/isectd.log");
    EXPECT_EQ(0, access((data + "/Transfer").c_str(), F_OK)) << "the launcher makes the transfer folder";
    kill(client, SIGTERM);
    waitpid(client, nullptr, 0);

    // Stopped as systemd stops it.
    pid_t router = 0;
    std::ifstream(p.root("/run/plenwick/isectd.pid")) >> router;
    ASSERT_GT(router, 0);
    kill(router, SIGTERM);
    for (int i = 0; i < 300 && !testsupport::processGone(router); ++i) usleep(100000);
    EXPECT_TRUE(testsupport::processGone(router));
    watchdog.disarm();
}

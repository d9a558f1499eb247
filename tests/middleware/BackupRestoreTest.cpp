// scripts/services backup and restore: an online backup of a database that a
// client keeps changing, restored into a new file, holds every row committed
// before it began, byte for byte, and no half transaction; a restore refuses
// a damaged or foreign file and an existing database without --force.
#include "support/IsdClient.h"
#include "support/Services.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <vector>

using testsupport::CheckedClient;
using testsupport::readFile;
using testsupport::run;
using testsupport::shellQuote;

namespace {

std::string services(const std::string& args) {
    return "PLENWICK_BUILD=" + shellQuote(testsupport::buildDir()) + " " +
           shellQuote(testsupport::sourceDir() + "/scripts/services") + " " + args;
}

unsigned modeOf(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 01000;
}

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

const char* const kTables[] = {"TEACHERS", "SETTINGS", "TERMDATE",   "SUBJECT",           "CHILDYEAR",
                               "LONGTERM", "UNITPLAN", "LESSONPLAN", "BINARYDESCRIPTION", "UNITBINARY"};

// Every table's rows in the order of their ids, as the worker writes them:
// the comparison sees every byte of every column.  The rows the committing
// client makes are left out (`mine`).
std::map<std::string, std::string> tables(const testsupport::Services& svc) {
    CheckedClient c(svc.host(), "Plenwick", svc.key());
    std::map<std::string, std::string> rows;
    for (const std::string t : kTables) {
        std::string where;
        if (t == "CHILDYEAR") where = " where Description not like 'tick %'";
        if (t == "SETTINGS") where = " where StringKey <> 'Tick'";
        rows[t] = c.text("select * from " + t + where + " order by Id");
    }
    c.word("commit");
    return rows;
}

// Some bytes of every value as the client stores an attachment: base64
// chunks of at most 999 characters.
std::string base64(const std::string& bytes) {
    static const char* a = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        unsigned v = (unsigned char)bytes[i] << 16;
        if (i + 1 < bytes.size()) v |= (unsigned char)bytes[i + 1] << 8;
        if (i + 2 < bytes.size()) v |= (unsigned char)bytes[i + 2];
        out += a[v >> 18 & 63];
        out += a[v >> 12 & 63];
        out += i + 1 < bytes.size() ? a[v >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? a[v & 63] : '=';
    }
    return out;
}

// A school's term of planning: accented names and texts (UTF-8 bytes, and
// the client's escapes), 300 lessons, attachments of some chunks each.
void fill(const testsupport::Services& svc) {
    CheckedClient c(svc.host(), "Plenwick", svc.key());
    const std::string teacher = c.text("select * from MakeAccount('Zoë Ngā-Tūhoe Åström', 0)");
    c.must("insert into TermDate (FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values ('2026-02-02', 10, 2026, 1)");
    c.must("insert into ChildYear (Description) values ('Année 5 – Tau 5')");
    c.must("insert into Subject (Description, Ordinal, FKSyndicate) values ('Te reo Māori', 1, 1)");
    c.must(
        "select * from MakeLongTerm('Kōrero \\047n\\054 Café', 'Über die Bäume: naïve façades', '2026-02-02', "
        "'2026-04-10', 1, 1, 1, 0)");
    for (int unit = 1; unit <= 6; ++unit) {
        c.must("select * from MakeUnitPlan('Unité " + std::to_string(unit) + " — Pōwhiri', 'Beschreibung ß " +
               std::string(300 + unit * 100, 'e') + "', 1, 1, 1, 0, 0)");
        for (int lesson = 1; lesson <= 50; ++lesson) {
            const std::string n = std::to_string(unit * 100 + lesson);
            c.must("select * from MakeLessonPlan('Leçon " + n + " ñ', 'ES " + n + "', 'AO é', 'SLO ü', 'Intro " +
                   std::string(lesson * 20, 'x') +
                   "', 'Dév', 'Clôture', 'Ressources ø', 'Réflexion', 'Test', "
                   "'2026-02-" +
                   (lesson % 20 + 2 < 10 ? "0" : "") + std::to_string(lesson % 20 + 2) + "', '2026-02-" +
                   (lesson % 20 + 2 < 10 ? "0" : "") + std::to_string(lesson % 20 + 2) + "', " + std::to_string(unit) +
                   ", '09:00', '10:00', 0)");
        }
        const std::string data = base64(testsupport::randomBytes(4000 + unit * 1500, unit));
        const std::string id = "(select max(Id) from BinaryDescription)";
        c.must("select * from MakeUnitBinary('Fiche élève " + std::to_string(unit) + ".pdf', " +
               std::to_string(data.size()) + ", '" + data.substr(0, 999) + "', " + std::to_string(unit) + ")");
        int part = 1;
        for (size_t at = 999; at < data.size(); at += 999, ++part)
            c.must("execute procedure BulkLoadUnitBinary((select max(Id) from BinaryDescription), " +
                   std::to_string(part) + ", '" + data.substr(at, 999) + "', " + std::to_string(unit) + ")");
        c.must("update BinaryDescription set Ready = 0 where Id = " + id);
    }
    c.must("insert into Settings (StringKey, StringValue) values ('Tick', '0')");
    c.word("commit");
    (void)teacher;
}

// A client that commits a transaction every few milliseconds: each inserts
// the row "tick N" and sets the setting Tick to N, so a restored database
// whose highest tick row is not its Tick holds half a transaction.
class Committer {
public:
    explicit Committer(const testsupport::Services& svc) : client_(svc.host(), "Plenwick", svc.key()) {
        thread_ = std::thread([this] { loop(); });
    }
    ~Committer() { stop(); }
    // The last tick whose commit has run: a later statement of the client
    // has been answered, and the router starts no transaction while a
    // commit sent before it is still running.
    int confirmed() const { return confirmed_; }
    int stop() {
        running_ = false;
        if (thread_.joinable()) thread_.join();
        return confirmed_;
    }
    const std::string& failure() const { return failure_; }

private:
    void loop() {
        try {
            for (int tick = 1; running_; ++tick) {
                client_.must("insert into ChildYear (Description) values ('tick " + std::to_string(tick) + "')");
                confirmed_ = tick - 1;
                client_.must("update Settings set StringValue = '" + std::to_string(tick) +
                             "' where StringKey = 'Tick'");
                client_.word("commit");
                usleep(3000);
            }
            client_.text("select 1 from rdb$database");
        } catch (const std::exception& e) {
            failure_ = e.what();
        }
    }
    CheckedClient client_;
    std::atomic<bool> running_{true};
    std::atomic<int> confirmed_{0};
    std::string failure_;
    std::thread thread_;
};

std::string only(const std::string& reply) {
    // "[column descriptors],[[value]]]" -> "value"
    const size_t at = reply.rfind("[[");
    if (at == std::string::npos) return "";
    std::string v = reply.substr(at + 2);
    v = v.substr(0, v.find(']'));
    v.erase(0, v.find_first_not_of(" '"));
    v.erase(v.find_last_not_of(" '") + 1);
    return v;
}

}  // namespace

TEST(BackupRestore, OnlineBackupWhileAClientCommitsRestoresEveryCommittedRow) {
    testsupport::ServicesOptions o;
    o.workers = 2;
    testsupport::Services svc(o);
    fill(svc);
    const auto before = tables(svc);
    ASSERT_NE(std::string::npos, before.at("LESSONPLAN").find("Leçon 650 ñ"));
    std::string out;

    Committer committer(svc);
    while (committer.confirmed() < 20 && committer.failure().empty()) usleep(1000);
    const int committedBefore = committer.confirmed();
    ASSERT_EQ(0, run(services("backup --workdir " + shellQuote(svc.workdir())), &out)) << out;
    const int committedAfter = committer.stop();
    ASSERT_EQ("", committer.failure());
    std::cout << "ticks committed before the backup: " << committedBefore << ", by its end: " << committedAfter
              << std::endl;

    // The backup: dated, private, in the services' private folder.
    const std::string backups = svc.workdir() + "/services/backups";
    const auto names = filesIn(backups);
    ASSERT_EQ(1u, names.size());
    EXPECT_TRUE(names[0].rfind("plenwick-20", 0) == 0 &&
                names[0].size() == std::string("plenwick-2026-12-09-071500.fbk").size())
        << names[0];
    EXPECT_EQ(0700u, modeOf(backups));
    EXPECT_EQ(0600u, modeOf(backups + "/" + names[0]));
    const std::string backup = backups + "/" + names[0];

    // Restored into a new file of another working directory, served there.
    testsupport::TempDir other("plenwick-restore");
    const std::string restored = other.file("restored.fdb");
    ASSERT_EQ(0, run(services("restore --workdir " + shellQuote(other.file("Plenwick")) + " --db " +
                              shellQuote(restored) + " --from " + shellQuote(backup)),
                     &out))
        << out;
    EXPECT_NE(std::string::npos, out.find("lessonplan 300")) << out;
    testsupport::ServicesOptions ro;
    ro.workers = 1;
    ro.database = restored;
    testsupport::Services back(ro);
    EXPECT_EQ(before, tables(back)) << "a row committed before the backup differs";

    CheckedClient c(back.host(), "Plenwick", back.key());
    const int tick = std::stoi(only(c.text("select StringValue from Settings where StringKey = 'Tick'")));
    EXPECT_GE(tick, committedBefore);
    EXPECT_LE(tick, committedAfter + 1);
    EXPECT_EQ(std::to_string(tick), only(c.text("select count(*) from ChildYear where Description like 'tick %'")));
    if (tick > 0) {
        EXPECT_EQ(
            "1", only(c.text("select count(*) from ChildYear where Description = 'tick " + std::to_string(tick) + "'")))
            << "the tick rows are 1 to Tick, each transaction whole";
    }
    // The generators came along: the next lesson gets a new id.
    const std::string generators = "select gen_id(NEWLESSONPLAN, 0), gen_id(NEWUNITBINARY, 0) from rdb$database;";
    EXPECT_EQ(svc.isql(generators), back.isql(generators));
    c.word("commit");
}

// The refusals change nothing: a cut backup, another program's backup, and
// a restore over the database without --force.  With --force the restore
// stops the services, keeps the previous file beside the new one and starts
// them again as they were started.
TEST(BackupRestore, RefusesDamagedOrForeignBackupsAndOverwritingWithoutForce) {
    testsupport::ServicesOptions o;
    o.workers = 1;
    testsupport::Services svc(o);
    CheckedClient c(svc.host(), "Plenwick", svc.key());
    c.must("insert into ChildYear (Description) values ('in the backup')");
    c.word("commit");
    std::string out;
    const std::string workdir = shellQuote(svc.workdir());
    const std::string backup = svc.dir() + "/kept.fbk";
    ASSERT_EQ(0, run(services("backup --workdir " + workdir + " --to " + shellQuote(backup)), &out)) << out;
    EXPECT_EQ(0600u, modeOf(backup));
    EXPECT_NE(0, run(services("backup --workdir " + workdir + " --to " + shellQuote(backup)), &out));
    EXPECT_NE(std::string::npos, out.find("exists")) << out;
    c.must("insert into ChildYear (Description) values ('after the backup')");
    c.word("commit");
    // The database the services run on: its file (not replaced) and its rows.
    auto database = [&] {
        struct stat st;
        stat(svc.database().c_str(), &st);
        return std::to_string(st.st_ino) + " " + tables(svc)["CHILDYEAR"];
    };
    const std::string before = database();
    ASSERT_NE(std::string::npos, before.find("after the backup"));

    // Cut short: half of it.
    const std::string cut = svc.dir() + "/cut.fbk";
    const std::string whole = readFile(backup);
    testsupport::writeFile(cut, whole.substr(0, whole.size() / 2));
    // Another program's backup: a database without Plenwick's tables.
    const std::string fb = testsupport::firebirdEnv(svc.workdir() + "/services/firebird");
    const std::string foreign = svc.dir() + "/foreign.fbk", foreignDb = svc.dir() + "/foreign.fdb";
    testsupport::writeFile(svc.dir() + "/foreign.sql", "create database '" + foreignDb +
                                                           "' user 'SYSDBA';\ncreate table Accounts (Id integer);\n"
                                                           "commit;\n");
    ASSERT_EQ(0, run(fb + "isql-fb -q -user SYSDBA -i " + shellQuote(svc.dir() + "/foreign.sql"), &out)) << out;
    ASSERT_EQ(0, run(fb + "gbak -b -user SYSDBA " + shellQuote(foreignDb) + " " + shellQuote(foreign), &out)) << out;

    for (const std::string& bad : {cut, foreign, svc.dir() + "/missing.fbk"}) {
        ASSERT_NE(0, run(services("restore --workdir " + workdir + " --force --from " + shellQuote(bad)), &out)) << bad;
        EXPECT_NE(std::string::npos, out.find(bad)) << "the message names the file: " << out;
        EXPECT_EQ(std::string::npos, out.find("restored")) << out;
        EXPECT_EQ(before, database()) << "the database is untouched after " << bad;
    }
    std::vector<std::string> left = filesIn(svc.dir());
    for (const auto& name : left) EXPECT_EQ(std::string::npos, name.find("restoring")) << name;

    // Over the existing database: not without --force.
    ASSERT_NE(0, run(services("restore --workdir " + workdir + " --from " + shellQuote(backup)), &out));
    EXPECT_NE(std::string::npos, out.find("--force")) << out;
    EXPECT_EQ(before, database());

    const pid_t router = svc.routerPid();
    c.logout();
    auto inode = [](const std::string& path) {
        struct stat st;
        return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
    };
    const auto previous = inode(svc.database());
    ASSERT_EQ(0, run(services("restore --workdir " + workdir + " --force --from " + shellQuote(backup)), &out)) << out;
    EXPECT_NE(router, svc.routerPid()) << "stopped for the exchange and started again";
    EXPECT_TRUE(testsupport::processGone(router));
    int kept = 0;
    for (const auto& name : filesIn(svc.dir()))
        if (name.rfind("plenwick.fdb.before-restore-", 0) == 0) {
            ++kept;
            EXPECT_EQ(previous, inode(svc.dir() + "/" + name)) << "the previous database file itself is kept";
        }
    EXPECT_EQ(1, kept);
    // The client's next connection finds the restored rows.
    int port = 0;
    std::ifstream(svc.workdir() + "/services/run/port") >> port;
    CheckedClient after("127.0.0.1:" + std::to_string(port), "Plenwick", svc.key());
    const std::string rows = after.text("select Description from ChildYear order by Id");
    EXPECT_NE(std::string::npos, rows.find("in the backup")) << rows;
    EXPECT_EQ(std::string::npos, rows.find("after the backup")) << rows;
    after.word("commit");
}

// The dated backups beyond the kept count go, the oldest first.
TEST(BackupRestore, KeepsTheNewestBackups) {
    testsupport::ServicesOptions o;
    o.workers = 1;
    testsupport::Services svc(o);
    std::string out;
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(0, run(services("backup --keep 2 --workdir " + shellQuote(svc.workdir())), &out)) << out;
    const std::string backups = svc.workdir() + "/services/backups";
    auto names = filesIn(backups);
    std::sort(names.begin(), names.end());
    ASSERT_EQ(2u, names.size()) << out;
    EXPECT_NE(std::string::npos, out.find("removed the old backup")) << out;
    EXPECT_NE(std::string::npos, out.find(names[1])) << "the last one made is kept: " << out;
}

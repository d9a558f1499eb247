// scripts/services backup and restore: seconds for the demo database and for
// a database of 10 000 lessons with 200 MB of attachments, and a client's
// round trip (a week's lessons, then "commit") while the backup runs against
// the same round trip with nothing else running.
//
//   build/backup_bench [lessons] [attachment-MB]
#include "support/IsdClient.h"
#include "support/Services.h"
#include "support/TestFiles.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;
using testsupport::shellQuote;

namespace {

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string services(const std::string& args) {
    return "PLENWICK_BUILD=" + shellQuote(testsupport::buildDir()) + " " +
           shellQuote(testsupport::sourceDir() + "/scripts/services") + " " + args;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * v.size()))];
}

// The round trips of one client in ms until `stop`.
std::vector<double> roundTrips(const testsupport::Services& svc, const std::atomic<bool>& stop, int atLeast) {
    testsupport::CheckedClient c(svc.host(), "Plenwick", svc.key());
    std::vector<double> ms;
    while (!stop || static_cast<int>(ms.size()) < atLeast) {
        const auto start = Clock::now();
        c.text("select * from LessonPlan where DateEnd >= '2026-02-02' and DateStart <= '2026-02-06' order by Id");
        c.word("commit");
        c.text("select 1 from rdb$database");
        ms.push_back(secondsSince(start) * 1000);
        c.word("commit");
    }
    return ms;
}

void measure(const char* name, testsupport::Services& svc) {
    std::string out;
    std::atomic<bool> stop{true};
    const auto idle = roundTrips(svc, stop, 200);
    stop = false;
    std::vector<double> during;
    std::thread client([&] { during = roundTrips(svc, stop, 20); });
    usleep(200000);
    const std::string file = svc.dir() + "/bench.fbk";
    auto start = Clock::now();
    if (testsupport::run(services("backup --workdir " + shellQuote(svc.workdir()) + " --to " + shellQuote(file)),
                         &out) != 0) {
        std::printf("backup failed: %s\n", out.c_str());
        std::exit(1);
    }
    const double backup = secondsSince(start);
    stop = true;
    client.join();
    testsupport::TempDir other("plenwick-bench-restore");
    start = Clock::now();
    if (testsupport::run(services("restore --workdir " + shellQuote(other.file("Plenwick")) + " --db " +
                                  shellQuote(other.file("r.fdb")) + " --from " + shellQuote(file)),
                         &out) != 0) {
        std::printf("restore failed: %s\n", out.c_str());
        std::exit(1);
    }
    const double restore = secondsSince(start);
    testsupport::run("du -m " + shellQuote(svc.database()) + " | cut -f1", &out);
    std::printf(
        "FIGURE %s (%s MB): backup %.1f s, restore %.1f s; round trip idle median %.2f ms p95 %.2f ms, "
        "during the backup median %.2f ms p95 %.2f ms (%zu round trips)\n",
        name, out.substr(0, out.find('\n')).c_str(), backup, restore, percentile(idle, 0.5), percentile(idle, 0.95),
        percentile(during, 0.5), percentile(during, 0.95), during.size());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const int lessons = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int megabytes = argc > 2 ? std::atoi(argv[2]) : 200;
    {
        testsupport::ServicesOptions o;
        o.demo = true;
        testsupport::Services svc(o);
        measure("demo database", svc);
    }
    testsupport::Services svc;
    // Filled beside the workers by one script: 100 units of lessons, and
    // attachments as the client stores them (base64 chunks of 999
    // characters), whose text does not compress.
    const int chunks = megabytes * 1024 * 1024 / 999;
    const std::string fill =
        "set term ^;\n"
        "execute block as declare i integer = 0; declare u integer; begin\n"
        "  insert into Teachers (Id, Teacher, Syndicate) values (1, 'Bench', 1);\n"
        "  while (i < 100) do begin\n"
        "    u = gen_id(NEWUNITPLAN, 1);\n"
        "    insert into UnitPlan (Id, UnitName, UnitDescription, UnitType, FKLongTerm, FKTeacher) values (:u, 'Unit ' "
        "|| :i, lpad('', 2000, 'Unit description '), 1, 1, 1);\n"
        "    i = i + 1; end\n"
        "  i = 0;\n"
        "  while (i < " +
        std::to_string(lessons) +
        ") do begin\n"
        "    insert into LessonPlan (LessonName, LessonES, LessonIntro, LessonDev, DateStart, DateEnd, FKUnitPlan) "
        "values ('Lesson ' || :i, lpad('', 400, uuid_to_char(gen_uuid())), lpad('', 800, uuid_to_char(gen_uuid())), "
        "lpad('', 800, uuid_to_char(gen_uuid())), dateadd(mod(:i, 200) day to date '2026-02-02'), "
        "dateadd(mod(:i, 200) day to date '2026-02-02'), mod(:i, 100) + 1);\n"
        "    i = i + 1; end\n"
        "  i = 0;\n"
        "  while (i < " +
        std::to_string(chunks) +
        ") do begin\n"
        "    if (mod(:i, 1000) = 0) then insert into BinaryDescription (Id, FileName, FileSize, Description, Ready) "
        "values (:i + 1, 'file' || :i || '.pdf', 749000, '', 0);\n"
        "    insert into UnitBinary (BinaryId, BinaryIncrement, BinaryData, FKUnitPlan) values (:i - mod(:i, 1000) + "
        "1, "
        "mod(:i, 1000), lpad('', 999, uuid_to_char(gen_uuid()) || uuid_to_char(gen_uuid())), mod(:i, 100) + 1);\n"
        "    i = i + 1; end\n"
        "end^\n"
        "set term ;^\n";
    const auto start = Clock::now();
    svc.isql(fill);
    std::printf("filled %d lessons and %d MB of attachments in %.0f s\n", lessons, megabytes, secondsSince(start));
    measure((std::to_string(lessons) + " lessons, " + std::to_string(megabytes) + " MB of attachments").c_str(), svc);
    return 0;
}

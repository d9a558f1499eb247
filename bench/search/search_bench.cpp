// The search service on a large school: builds a database of many lessons
// and attachments, then measures
//   - the full rebuild: the services started on it with no index, until a
//     search answers with results (the index made from the whole database;
//     searches meanwhile are told so in a sentence);
//   - searches through the router: several kinds of query, each asked many
//     times, median, 95th percentile and slowest;
//   - a 10 MB PDF attachment written as the plan editor writes one (chunks
//     in one transaction through the database service), from its commit
//     until a search finds a word only it holds;
//   - the rebuild again after the index is deleted.
//
//   search_bench [--lessons N] [--attachments N] [--attachment-kb N] [--photos N] [--photo-mb N]
//                [--pdf-mb N] [--repeat N]
//
// Defaults: 20000 lessons, 300 attachments of 64 kB, no photos, a 10 MB
// PDF, 30 times each query.  Photos are attachments without text (JPEG
// files of N MB each), as most of a school's attachment bytes are:
// `--photos 700 --photo-mb 3` makes a database of about 2 GB of
// attachments.  Figures in bench/README.md.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "data/Base64.h"
#include "support/IsdClient.h"
#include "support/Services.h"

namespace {

// SQL run by an isql of its own that ends with the call ("set list off"
// asks for one): an isql left attached would hold the tables the search
// service adds its triggers to when it starts.
std::string isql(testsupport::Services& services, const std::string& sql) {
    const std::string out = services.isql("set list off;\n" + sql + "commit;\n");
    if (out.find("Statement failed") != std::string::npos || out.find("SQLSTATE") != std::string::npos) {
        fprintf(stderr, "search_bench: isql: %s\n", out.substr(0, 2000).c_str());
        exit(1);
    }
    return out;
}

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

const char* const vocabulary[] = {
    "fractions", "halves",   "quarters", "sharing",   "pizza",   "number",     "addition", "subtraction", "multiply",
    "division",  "place",    "value",    "measure",   "length",  "weight",     "capacity", "time",        "clock",
    "money",     "shapes",   "triangle", "square",    "circle",  "symmetry",   "pattern",  "graph",       "data",
    "survey",    "chance",   "reading",  "writing",   "poetry",  "haiku",      "rhyme",    "story",       "character",
    "setting",   "plot",     "spelling", "phonics",   "science", "plants",     "seeds",    "growth",      "soil",
    "water",     "weather",  "clouds",   "rain",      "volcano", "earthquake", "rocks",    "magnets",     "light",
    "sound",     "forces",   "energy",   "recycling", "insects", "birds",      "kiwi",     "tuatara",     "ocean",
    "beach",     "history",  "treaty",   "waka",      "marae",   "whanau",     "kai",      "Māori",       "te",
    "reo",       "waiata",   "haka",     "art",       "colour",  "paint",      "collage",  "clay",        "music",
    "rhythm",    "drum",     "dance",    "fitness",   "running", "ball",       "skills",   "team",        "games",
    "health",    "feelings", "friends",  "kindness",  "group",   "pairs",      "discuss",  "explain",     "draw",
    "label",     "compare",  "sort",     "record",    "share",   "model",      "practice", "review",      "assess",
    "worksheet", "chart",    "camera",   "tablet",
};
const size_t vocabularySize = sizeof vocabulary / sizeof vocabulary[0];

std::mt19937 rng(20260101);

// `n` words of the vocabulary, most often the common ones.
std::string words(int n) {
    std::string text;
    std::geometric_distribution<int> pick(0.04);
    for (int i = 0; i < n; ++i) {
        size_t w = (size_t)pick(rng) % vocabularySize;
        if (!text.empty()) text += ' ';
        text += vocabulary[w];
    }
    return text;
}

std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

// A PDF of uncompressed text pages that grows to about `bytes`, the word
// `marker` on its last page.
std::string makePdf(size_t bytes, const std::string& marker) {
    std::vector<std::string> pages;
    size_t total = 0;
    while (total < bytes) {
        std::string content = "BT /F1 9 Tf 40 800 Td 11 TL\n";
        for (int line = 0; line < 70; ++line) content += "(" + words(14) + ") '\n";
        content += "ET\n";
        total += content.size() + 200;
        pages.push_back(content);
    }
    pages.back().insert(pages.back().size() - 3, "(the " + marker + " is here) '\n");
    const int n = (int)pages.size();
    // Objects: 1 catalog, 2 pages, 3 font, then a page and its content per page.
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets(3 + 2 * (size_t)n + 1, 0);
    auto object = [&](int number, const std::string& body) {
        offsets[(size_t)number] = pdf.size();
        pdf += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
    };
    object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    for (int i = 0; i < n; ++i) kids += std::to_string(4 + 2 * i) + " 0 R ";
    object(2, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(n) + " >>");
    object(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    for (int i = 0; i < n; ++i) {
        object(4 + 2 * i,
               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 3 0 R >> "
               ">> /Contents " +
                   std::to_string(5 + 2 * i) + " 0 R >>");
        object(5 + 2 * i, "<< /Length " + std::to_string(pages[(size_t)i].size()) + " >>\nstream\n" + pages[(size_t)i] +
                              "endstream");
    }
    const size_t xref = pdf.size();
    const int count = 3 + 2 * n + 1;
    pdf += "xref\n0 " + std::to_string(count) + "\n0000000000 65535 f \n";
    char line[32];
    for (int i = 1; i < count; ++i) {
        snprintf(line, sizeof line, "%010zu 00000 n \n", offsets[(size_t)i]);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(count) + " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) +
           "\n%%EOF\n";
    return pdf;
}

int argument(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (strcmp(argv[i], name) == 0) return atoi(argv[i + 1]);
    return fallback;
}

std::string du(const std::string& path) {
    std::string out;
    testsupport::run("du -sh " + testsupport::shellQuote(path) + " | cut -f1", &out);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

// Rows of a search reply (the lines that begin a row).
int hitsIn(const std::string& reply) {
    int rows = 0;
    for (size_t at = reply.find("\n['"); at != std::string::npos; at = reply.find("\n['", at + 1)) ++rows;
    if (reply.find("],\n[['") != std::string::npos) ++rows;
    return rows;
}

// From the services' start until the first search answers.
double timeToFirstAnswer(testsupport::Services& services) {
    const Clock::time_point start = Clock::now();
    services.start();
    testsupport::CheckedClient searcher(services.host(), services.service() + "Search", services.key());
    // While the index is being filled a search is told so at once: asked
    // again until it answers with results.
    int told = 0;
    double firstSentence = -1;
    while (searcher.text("search\tschool\t1\t1\t1\tfractions").find("getting ready") != std::string::npos) {
        if (told++ == 0) firstSentence = msSince(start);
        usleep(200000);
    }
    if (told)
        printf("  (%d searches during the rebuild were told it is being made, the first after %.2f s)\n", told,
               firstSentence / 1000);
    return msSince(start);
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const int lessons = argument(argc, argv, "--lessons", 20000);
    const int attachments = argument(argc, argv, "--attachments", 300);
    const int attachmentKb = argument(argc, argv, "--attachment-kb", 64);
    const int pdfMb = argument(argc, argv, "--pdf-mb", 10);
    const int photos = argument(argc, argv, "--photos", 0);
    const int photoMb = argument(argc, argv, "--photo-mb", 3);
    const int repeat = argument(argc, argv, "--repeat", 30);

    testsupport::ServicesOptions options;
    options.workers = 2;
    options.search = true;
    options.start = false;
    testsupport::Services services(options);
    printf("search_bench: %d lessons, %d attachments of %d kB, %d photos of %d MB, a %d MB PDF\n", lessons, attachments,
           attachmentKb, photos, photoMb, pdfMb);

    // ---- the school: 40 teachers in 8 syndicates, a plan per teacher, a
    // unit per 20 lessons.
    Clock::time_point t = Clock::now();
    const int teachers = 40, units = std::max(1, lessons / 20);
    std::ostringstream sql;
    for (int i = 1; i <= teachers; ++i)
        sql << "insert into Teachers (Id, Teacher, Syndicate) values (" << i << ", 'Teacher " << i << "', "
            << ((i - 1) / 5 * 5 + 1) << ");\n";
    for (int i = 1; i <= teachers; ++i)
        sql << "insert into LongTerm (Id, PlanName, Description, PlanStart, PlanEnd, FKSubject, FKYear, FKSyndicate, "
               "Persistant) values ("
            << i << ", " << quoted("Plan " + words(3)) << ", " << quoted(words(40))
            << ", '2025-02-03', '2025-12-19', 0, 0, " << i << ", 0);\n";
    isql(services, sql.str());
    sql.str("");
    for (int u = 1; u <= units; ++u)
        sql << "insert into UnitPlan (Id, UnitName, UnitDescription, UnitType, FKLongTerm, FKTeacher, Transfer, "
               "Rotate) "
               "values ("
            << u << ", " << quoted("Unit " + words(2)) << ", " << quoted(words(60)) << ", 1, " << (u % teachers + 1)
            << ", " << (u % teachers + 1) << ", 0, 0);\n";
    isql(services, sql.str());
    sql.str("");
    for (int l = 1; l <= lessons; ++l) {
        char date[16];
        snprintf(date, sizeof date, "2025-%02d-%02d", 2 + l % 10, 1 + l % 28);
        sql << "insert into LessonPlan (Id, LessonName, LessonES, LessonAO, LessonSLO, LessonIntro, LessonDev, "
               "LessonClose, LessonResource, DateStart, DateEnd, TimeStart, TimeEnd, RoutineDay, FKUnitPlan) values ("
            << l << ", " << quoted("Lesson " + words(3)) << ", " << quoted(words(6)) << ", " << quoted(words(8)) << ", "
            << quoted(words(15)) << ", " << quoted(words(25)) << ", " << quoted(words(60)) << ", " << quoted(words(15))
            << ", " << quoted(words(8)) << ", '" << date << "', '" << date << "', '09:00', '09:50', 0, "
            << ((l - 1) / 20 + 1) << ");\n";
        if (l % 2000 == 0 || l == lessons) {
            isql(services, sql.str());
            sql.str("");
        }
    }
    int chunkId = 1000000;
    long long attachmentBytes = 0;
    for (int a = 1; a <= attachments; ++a) {
        std::string text;
        while (text.size() < (size_t)attachmentKb * 1024) text += words(20) + "\n";
        const bool html = a % 3 == 0;
        if (html) text = "<html><body><p>" + text + "</p></body></html>";
        attachmentBytes += (long long)text.size();
        const std::string encoded = base64::encode(text.data(), text.size()).text();
        const int unit = a % units + 1;
        sql << "insert into BinaryDescription (Id, FileName, FileSize, Description, Ready) values (" << a << ", '"
            << "sheet" << a << (html ? ".html" : ".txt") << "', " << text.size() << ", " << quoted(words(5))
            << ", 0);\n";
        for (size_t at = 0, increment = 0; at < encoded.size(); at += 999, ++increment)
            sql << "insert into UnitBinary (Id, BinaryId, BinaryIncrement, BinaryData, FKUnitPlan) values ("
                << (increment == 0 ? a : chunkId++) << ", " << a << ", " << increment << ", '"
                << encoded.substr(at, 999) << "', " << unit << ");\n";
        if (a % 20 == 0 || a == attachments) {
            isql(services, sql.str());
            sql.str("");
        }
    }
    isql(services, "set generator NEWUNITBINARY to 2000000;\n");
    // The photos' chunks are made inside the engine: one block a photo, the
    // same 999 characters of base64 in every chunk.
    const int photoChunks = photoMb * 1048576 / 999 * 4 / 3;
    for (int p = 1; p <= photos; ++p) {
        const int id = attachments + p, unit = id % units + 1;
        sql << "set term ^;\nexecute block as declare i integer = 1; begin insert into BinaryDescription (Id, "
               "FileName, FileSize, Description, Ready) values ("
            << id << ", 'photo" << id << ".jpg', " << (long long)photoChunks * 999 * 3 / 4 << ", "
            << quoted("Photo " + words(4)) << ", 0); insert into UnitBinary (Id, BinaryId, BinaryIncrement, "
            << "BinaryData, FKUnitPlan) values (" << id << ", " << id << ", 0, lpad('', 999, '/9j/'), " << unit
            << "); while (i < " << photoChunks << ") do begin insert into UnitBinary (Id, BinaryId, BinaryIncrement, "
            << "BinaryData, FKUnitPlan) values (gen_id(NEWUNITBINARY, 1), " << id << ", :i, lpad('', 999, 'AAEC'), "
            << unit << "); i = i + 1; end end^\nset term ;^\n";
        if (p % 10 == 0 || p == photos) {
            isql(services, sql.str());
            sql.str("");
        }
        attachmentBytes += (long long)photoChunks * 999 * 3 / 4;
    }
    printf(
        "built the database in %.1f s: %d teachers, %d units, %d lessons, %d attachments (%.1f MB); "
        "database file %s\n",
        msSince(t) / 1000, teachers, units, lessons, attachments + photos, attachmentBytes / 1048576.0,
        du(services.database()).c_str());

    // ---- the full rebuild: no index yet.
    const std::string indexDir = services.workdir() + "/services/search";
    const double rebuild = timeToFirstAnswer(services);
    printf("full rebuild (services started with no index, until a search answers with results): %.1f s; index %s\n",
           rebuild / 1000, du(indexDir).c_str());

    // ---- searches through the router.
    testsupport::CheckedClient searcher(services.host(), services.service() + "Search", services.key());
    struct Query {
        const char* what;
        std::string request;
    };
    const std::vector<Query> queries = {
        {"one common word", "search\tschool\t1\t1\t1\tfractions"},
        {"two words", "search\tschool\t1\t1\t1\tfractions pizza"},
        {"a phrase", "search\tschool\t1\t1\t1\t\"sharing pizza\""},
        {"a word left out", "search\tschool\t1\t1\t1\tplants -water"},
        {"a stem (growing)", "search\tschool\t1\t1\t1\tgrowing"},
        {"a rare word", "search\tschool\t1\t1\t1\ttablet camera"},
        {"accents folded (maori)", "search\tschool\t1\t1\t1\tmaori waiata"},
        {"my plans only", "search\tmine\t7\t6\t1\tfractions"},
        {"my syndicate's", "search\tsyndicate\t7\t6\t1\tfractions"},
        {"page 5", "search\tschool\t1\t1\t5\tfractions"},
        {"no match", "search\tschool\t1\t1\t1\tzyzzyva"},
    };
    printf("\n%-26s %8s %8s %8s %6s\n", "query (through the router)", "median", "p95", "max", "rows");
    std::vector<double> all;
    for (const Query& q : queries) {
        std::vector<double> times;
        int rows = 0;
        for (int i = 0; i < repeat; ++i) {
            const Clock::time_point start = Clock::now();
            const std::string reply = searcher.text(q.request);
            times.push_back(msSince(start));
            rows = hitsIn(reply);
        }
        std::sort(times.begin(), times.end());
        all.insert(all.end(), times.begin(), times.end());
        printf("%-26s %6.2f ms %6.2f ms %6.2f ms %6d\n", q.what, times[times.size() / 2],
               times[std::min(times.size() - 1, times.size() * 95 / 100)], times.back(), rows);
    }
    std::sort(all.begin(), all.end());
    printf("%-26s %6.2f ms %6.2f ms %6.2f ms\n", "all queries", all[all.size() / 2], all[all.size() * 95 / 100],
           all.back());

    // ---- a 10 MB PDF, written as the plan editor writes an attachment.
    const std::string marker = "quokkaferry";
    const std::string pdf = makePdf((size_t)pdfMb * 1024 * 1024, marker);
    const std::string encoded = base64::encode(pdf.data(), pdf.size()).text();
    testsupport::CheckedClient db(services.host(), services.service(), services.key());
    t = Clock::now();
    const std::string made = db.text("Select * from MakeUnitBinary('big reading.pdf'," + std::to_string(pdf.size()) +
                                     ",'" + encoded.substr(0, 999) + "',1)");
    const size_t open = made.find("],\n[[");
    const std::string id = open == std::string::npos ? "0" : std::to_string(atoi(made.c_str() + open + 5));
    for (size_t at = 999, increment = 1; at < encoded.size(); at += 999, ++increment)
        db.text("Execute Procedure BulkLoadUnitBinary(" + id + "," + std::to_string(increment) + ",'" +
                encoded.substr(at, 999) + "',1)");
    db.text("Update BinaryDescription Set Ready = 0 where Id = " + id);
    const double upload = msSince(t);
    db.word("commit");
    // The commit is a word without a reply: a round trip says it has run.
    db.text("select 1 from rdb$database");
    const Clock::time_point committed = Clock::now();
    double found = -1;
    int asked = 0;
    while (msSince(committed) < 60000) {
        ++asked;
        if (hitsIn(searcher.text("search\tschool\t1\t1\t1\t" + marker)) > 0) {
            found = msSince(committed);
            break;
        }
    }
    printf("\n%d MB PDF (%zu bytes, %zu chunks): written in %.1f s; from its commit to found: %.2f s (%d search%s)\n",
           pdfMb, pdf.size(), (encoded.size() + 998) / 999, upload / 1000, found / 1000, asked, asked == 1 ? "" : "es");
    std::vector<double> after;
    for (int i = 0; i < repeat; ++i) {
        const Clock::time_point start = Clock::now();
        searcher.text("search\tschool\t1\t1\t1\tfractions pizza");
        after.push_back(msSince(start));
    }
    std::sort(after.begin(), after.end());
    printf("two words after it: median %.2f ms, max %.2f ms\n", after[after.size() / 2], after.back());

    // ---- the rebuild once more, the index deleted.
    searcher.logout();
    db.logout();
    services.stop();
    testsupport::run("rm -rf " + testsupport::shellQuote(indexDir));
    const double again = timeToFirstAnswer(services);
    printf("rebuild after the index was deleted: %.1f s; index %s\n", again / 1000, du(indexDir).c_str());
    services.stop();
    return found < 0 ? 1 : 0;
}

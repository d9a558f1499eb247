// The calendar's exports: "Export Unit Plans" (one transfer file per marked
// unit, marks cleared) and "Export Database" (a tree of HTML pages and
// attachment files, read back here), both with progress and Cancel.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>

#include "calendar/CalendarWindow.h"
#include "data/AppState.h"
#include "data/Base64.h"
#include "data/IsectRecordset.h"
#include "gui/GuiTest.h"
#include "support/RecordingProgress.h"
#include "support/RecordingPrompter.h"
#include "transfer/TransferFile.h"

using namespace FX;
using namespace guitest;
using testsupport::randomBytes;

namespace {

std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool isDirectory(const std::string& path) {
    struct stat s;
    return stat(path.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
}

bool isFile(const std::string& path) {
    struct stat s;
    return stat(path.c_str(), &s) == 0 && S_ISREG(s.st_mode);
}

// True when the bytes are valid UTF-8.
bool validUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        unsigned char c = s[i];
        size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (!n || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if (((unsigned char)s[i + k] & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

// A page read back as a browser's parser would: its tags must all be of the
// page's own markup (so no value was taken for markup), and its texts are
// returned with the entities resolved, one per cell.
struct Page {
    std::set<std::string> tags;
    std::vector<std::string> headers, cells;
};

std::string unescape(std::string s) {
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&nbsp;", ""}, {"&amp;", "&"}};
    for (const auto& e : entities)
        for (size_t at = s.find(e.first); at != std::string::npos; at = s.find(e.first, at + 1))
            s.replace(at, strlen(e.first), e.second);
    return s;
}

Page parsePage(const std::string& html) {
    Page page;
    std::string text;
    bool inHeader = false, inCell = false;
    for (size_t i = 0; i < html.size(); ++i) {
        if (html[i] == '>') ADD_FAILURE() << "a '>' outside a tag";
        if (html[i] != '<') {
            text += html[i];
            continue;
        }
        size_t end = html.find('>', i);
        if (end == std::string::npos) {
            ADD_FAILURE() << "unclosed tag";
            break;
        }
        std::string tag = html.substr(i + 1, end - i - 1);
        std::string name = tag.substr(0, tag.find(' '));
        page.tags.insert(name);
        if (name == "BR") {
            text += "\n";
        } else if (name == "TH" || name == "TD") {
            text.clear();
            (name == "TH" ? inHeader : inCell) = true;
        } else if (name == "/TH" && inHeader) {
            page.headers.push_back(unescape(text));
            inHeader = false;
        } else if (name == "/TD" && inCell) {
            page.cells.push_back(unescape(text));
            inCell = false;
        }
        i = end;
    }
    return page;
}

const std::set<std::string> pageTags = {"HEAD",  "/HEAD",  "meta", "STYLE", "/STYLE", "BODY", "/BODY",
                                        "TABLE", "/TABLE", "TR",   "/TR",   "TH",     "/TH",  "TD",
                                        "/TD",   "BR",     "P",    "/P",    "A",      "/A"};

class CalendarExport : public ::testing::Test {
protected:
    testsupport::RecordingPrompter prompts;
    testsupport::RecordingProgress progress;
    testsupport::TempDir out{"plenwick-export"};
    CalendarWindow* calendar = nullptr;

    std::string transferDir() { return services().dir() + "/Transfer"; }

    void SetUp() override {
        freshStart();
        sql("delete from UnitBinary; delete from BinaryDescription; set generator NEWUNITBINARY to 5000;"
            "insert into Teachers (Id, Teacher, Syndicate) values (1, 'Ann Leader', 1);"
            "insert into Teachers (Id, Teacher, Syndicate) values (2, 'Tom \"T\" Hale', 1);"
            "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (1, '2014-02-03', 10, "
            "2014, 1);");
        testsupport::removeTree(transferDir());
        mkdir(transferDir().c_str(), 0755);
        calendar = new CalendarWindow(app());
        calendar->create();
        settle();
        appState.currentUserId = "          2";
        appState.currentSyndicate = "          1";
        prompts.clear();
    }
    void TearDown() override {
        delete calendar;
        testsupport::removeTree(transferDir());
        mkdir(transferDir().c_str(), 0755);
    }
    void command(FXSelector id) { calendar->handle(calendar, FXSEL(SEL_COMMAND, id), nullptr); }

    void longTerm(int id, const std::string& name, const std::string& description) {
        sql("insert into LongTerm (Id, PlanName, Description, PlanStart, PlanEnd, FKSubject, FKYear, FKSyndicate, "
            "Persistant) values (" +
            std::to_string(id) + ", '" + name + "', '" + description + "', '2014-02-03', '2014-04-11', 0, 0, 2, 0);");
    }
    void unit(int id, int longTerm, const std::string& name, int transfer = 0, int teacher = 2) {
        sql("insert into UnitPlan (Id, UnitName, UnitDescription, UnitType, FKLongTerm, FKTeacher, Transfer, Rotate) "
            "values (" +
            std::to_string(id) + ", '" + name + "', 'About " + std::to_string(id) + "', 1, " +
            std::to_string(longTerm) + ", " + std::to_string(teacher) + ", " + std::to_string(transfer) + ", 0);");
    }
    void lesson(int id, int unit, const std::string& name, const std::string& es = "'skills'") {
        sql("insert into LessonPlan (Id, LessonName, LessonES, LessonAO, LessonSLO, LessonIntro, LessonDev, "
            "LessonClose, LessonTest, LessonResource, LessonReflect, DateStart, DateEnd, TimeStart, TimeEnd, "
            "RoutineDay, FKUnitPlan) values (" +
            std::to_string(id) + ", '" + name + "', " + es +
            ", 'ao', 'slo', 'intro', 'dev', 'close', 'test', 'resource', '', '2014-02-04', '2014-02-04', "
            "'09:00', '09:50', 0, " +
            std::to_string(unit) + ");");
    }
    // Stores a file as an attachment, as the plan editor does.
    void attachment(int unit, const std::string& fileName, const std::string& bytes, const std::string& notes) {
        const std::string text = base64::encode(bytes.data(), bytes.size()).text();
        IsectRecordset rs;
        IsectRecordset::Transaction transaction(rs);
        rs.OpenRecordset(("Select * from MakeUnitBinary('" + fileName + "'," + std::to_string(bytes.size()) + ",'" +
                          text.substr(0, 999) + "'," + std::to_string(unit) + ")")
                             .c_str());
        const std::string id = FXString(rs.GetField("0")).trim().text();
        for (size_t at = 999, k = 1; at < text.size(); at += 999, ++k)
            rs.OpenRecordset(("Execute Procedure BulkLoadUnitBinary(" + id + "," + std::to_string(k) + ",'" +
                              text.substr(at, 999) + "'," + std::to_string(unit) + ")")
                                 .c_str());
        rs.OpenRecordset(
            ("Update BinaryDescription Set Ready = 0, Description = '" + notes + "' where Id = " + id).c_str());
        transaction.commit();
    }
    std::string scalar(const std::string& query) {
        IsectRecordset rs;
        rs.OpenRecordset(query.c_str());
        if (rs.rows.IsEmpty()) return "";
        rs.MoveFirst();
        return FXString(rs.rows.GetField(0)).trim().text();
    }
    // The one top directory the export made.
    std::string topDirectory() {
        std::vector<std::string> made = entries(out.path());
        EXPECT_EQ(1u, made.size());
        return made.empty() ? "" : out.file(made[0]);
    }
};

}  // namespace

// ---------------------------------------------------------------- Export Unit Plans

TEST_F(CalendarExport, MarkedUnitsAreWrittenAndTheirMarksCleared) {
    longTerm(10, "Number", "n");
    unit(20, 10, "Fractions", 1);
    unit(21, 10, "Halves/Quarters", 1);
    unit(22, 10, "Not marked", 0);
    unit(23, 10, "Imported", -1);
    unit(24, 10, "Another teacher", 1, 1);
    lesson(30, 20, "Halves");
    command(CalendarWindow::ID_EXPORTUNITPLANS);
    EXPECT_TRUE(prompts.prompts.empty()) << prompts.last().text;
    ASSERT_EQ(1u, progress.opens.size());
    EXPECT_EQ("Export Unit Plans Progress", progress.opens[0].title);
    EXPECT_EQ("Writing unit plans to \n../Transfer/ \ndirectory.", progress.opens[0].message);
    EXPECT_EQ(2u, progress.opens[0].total);
    EXPECT_EQ(2u, progress.steps());
    // The slash would have led into a directory "Halves": it is a space.
    EXPECT_EQ(entries(transferDir()), (std::vector<std::string>{"Fractions.dat", "Halves Quarters.dat"}));
    EXPECT_EQ(scalar("Select Count(*) from UnitPlan where Transfer > 0"), "1");  // the other teacher's
    EXPECT_EQ(scalar("Select Transfer from UnitPlan where Id = 23"), "-1");
    TransferFile file;
    file.parse(testsupport::readFile(transferDir() + "/Fractions.dat").c_str());
    file.decodeParts();
    EXPECT_EQ(FXString("Fractions"), file.unitName);
    ASSERT_EQ(1u, file.lessons.size());
    EXPECT_EQ(FXString("Halves"), file.lessons[0].name);

    // Nothing marked any more: nothing happens.
    progress.opens.clear();
    command(CalendarWindow::ID_EXPORTUNITPLANS);
    EXPECT_TRUE(progress.opens.empty());
    EXPECT_TRUE(prompts.prompts.empty());
}

TEST_F(CalendarExport, TwoUnitsOfOneNameLeaveOneFile) {
    longTerm(10, "Number", "n");
    unit(20, 10, "Same", 1);
    unit(21, 10, "Same", 1);
    command(CalendarWindow::ID_EXPORTUNITPLANS);
    EXPECT_EQ(entries(transferDir()), std::vector<std::string>{"Same.dat"});
    EXPECT_EQ(scalar("Select Count(*) from UnitPlan where Transfer > 0"), "0");
}

TEST_F(CalendarExport, AMissingTransferDirectoryKeepsEveryMark) {
    longTerm(10, "Number", "n");
    unit(20, 10, "Fractions", 1);
    unit(21, 10, "Angles", 1);
    testsupport::removeTree(transferDir());
    command(CalendarWindow::ID_EXPORTUNITPLANS);
    ASSERT_EQ(1u, prompts.prompts.size());
    EXPECT_EQ("warning", prompts.last().kind);
    EXPECT_EQ(0u, prompts.last().text.find("Unable to write to ../Transfer/")) << prompts.last().text;
    EXPECT_EQ(scalar("Select Count(*) from UnitPlan where Transfer > 0"), "2");
}

TEST_F(CalendarExport, CancelKeepsWhatWasWrittenAndTheOtherMarks) {
    longTerm(10, "Number", "n");
    unit(20, 10, "Fractions", 1);
    unit(21, 10, "Angles", 1);
    progress.cancelAtStep = 1;
    command(CalendarWindow::ID_EXPORTUNITPLANS);
    EXPECT_EQ(1u, entries(transferDir()).size());
    EXPECT_EQ(scalar("Select Count(*) from UnitPlan where Transfer > 0"), "1");
}

// ---------------------------------------------------------------- Export Database

TEST_F(CalendarExport, TheTreeReadBack) {
    longTerm(10, "Number: <all>", "Counting & adding");
    longTerm(11, "Shapes", "");
    unit(20, 10, "Fractions/Halves", 0);
    unit(21, 10, "Without attachments", 0);
    unit(22, 11, "Angles", 0);
    lesson(30, 20, "Halves", "'<script>window.injected = 1;</script> & more' || ascii_char(10) || 'line two'");
    lesson(31, 20, "Halves", "'caf' || ascii_char(233)");
    lesson(32, 21, "Alone");
    const std::string sheet = randomBytes(5000, 1), picture = randomBytes(1000, 2), other = randomBytes(10, 3);
    attachment(20, "C:\\134work\\134sheet.pdf", sheet, "Print it\\054 twice");
    attachment(20, "/home/tom/picture.png", picture, "");
    attachment(20, "/elsewhere/sheet.pdf", other, "another sheet");
    prompts.paths.push_back(out.path());
    command(CalendarWindow::ID_EXPORTDATABASE);
    EXPECT_TRUE(prompts.count("error") + prompts.count("warning") == 0) << prompts.last().text;
    EXPECT_EQ("directory", prompts.prompts.at(0).kind);
    EXPECT_EQ("Export database to disk", prompts.prompts.at(0).caption);
    EXPECT_EQ(out.path(), std::string(app()->reg().readStringEntry("EXPORTDATABASE", "directory", "")));
    ASSERT_EQ(1u, progress.opens.size());
    EXPECT_EQ("Export Database Progress", progress.opens[0].title);
    EXPECT_EQ(3u, progress.opens[0].total);
    EXPECT_EQ(3u, progress.steps());

    // The names: cleaned, with their ids.
    const std::string top = topDirectory();
    EXPECT_EQ(0u, FXPath::name(top.c_str()).find("Tom  T  Hale 20")) << top;
    EXPECT_EQ(entries(top), (std::vector<std::string>{"Number   all  10", "Shapes 11", "index.html"}));
    const std::string number = top + "/Number   all  10";
    EXPECT_EQ(entries(number), (std::vector<std::string>{". The Long Term Plan Description 0.html",
                                                         "Fractions Halves 20", "Without attachments 21"}));
    const std::string fractions = number + "/Fractions Halves 20";
    // Two attachments of one file name: the second gets its Id added.
    const std::string sheetId = scalar("Select Id from BinaryDescription where FileName = 'C:\\134work\\134sheet.pdf'");
    const std::string otherId = scalar("Select Id from BinaryDescription where FileName = '/elsewhere/sheet.pdf'");
    std::vector<std::string> listed = entries(fractions);
    const bool otherSecond = std::find(listed.begin(), listed.end(), "sheet " + otherId + ".pdf") != listed.end();
    const std::string second = "sheet " + (otherSecond ? otherId : sheetId) + ".pdf";
    EXPECT_EQ(listed,
              (std::vector<std::string>{". The File Attachment Notes.html", ". The Unit Plan Description 0.html",
                                        "Halves 0.html", "Halves 1.html", "picture.png", second, "sheet.pdf"}));
    EXPECT_EQ(entries(number + "/Without attachments 21"),
              (std::vector<std::string>{". The Unit Plan Description 0.html", "Alone 0.html"}));

    // Every page parses, declares UTF-8 and is UTF-8, and holds its values as text.
    std::vector<std::string> pages;
    std::function<void(const std::string&)> walk = [&](const std::string& dir) {
        for (const std::string& e : entries(dir)) {
            std::string path = dir + "/" + e;
            if (isDirectory(path))
                walk(path);
            else if (e.size() > 5 && e.substr(e.size() - 5) == ".html")
                pages.push_back(path);
        }
    };
    walk(top);
    pages.erase(std::find(pages.begin(), pages.end(), top + "/index.html"));
    EXPECT_EQ(9u, pages.size());
    for (const std::string& path : pages) {
        std::string html = testsupport::readFile(path);
        SCOPED_TRACE(path);
        EXPECT_TRUE(validUtf8(html));
        EXPECT_NE(std::string::npos, html.find("<meta charset=\"UTF-8\">"));
        Page page = parsePage(html);
        for (const std::string& tag : page.tags) EXPECT_TRUE(pageTags.count(tag)) << tag;
        // The way back to the index, relative to the page.
        const size_t depth = std::count(path.begin() + top.size(), path.end(), '/') - 1;
        std::string back;
        for (size_t i = 0; i < depth; ++i) back += "../";
        EXPECT_NE(std::string::npos, html.find("<A href=\"" + back + "index.html\">Back to the index</A>"));
    }

    // The index: every page and attachment file, as relative percent-encoded
    // links that lead to the files.
    const std::string index = testsupport::readFile(top + "/index.html");
    std::vector<std::string> links;
    for (size_t at = index.find("href=\""); at != std::string::npos; at = index.find("href=\"", at + 1))
        links.push_back(index.substr(at + 6, index.find('"', at + 6) - at - 6));
    EXPECT_EQ(links.size(), 2u + 3u + 3u + 1u + 3u);  // plans, units, lessons, notes, files
    for (const std::string& link : links) {
        EXPECT_EQ(link.find_first_of(" <>\"'#?"), std::string::npos) << link;
        std::string file;
        for (size_t i = 0; i < link.size(); ++i)
            if (link[i] == '%') {
                file += (char)std::stoi(link.substr(i + 1, 2), nullptr, 16);
                i += 2;
            } else {
                file += link[i];
            }
        EXPECT_TRUE(isFile(top + "/" + file)) << link;
    }
    EXPECT_NE(std::string::npos, index.find("Number%20%20%20all%20%2010/Fractions%20Halves%2020/Halves%200.html"));
    Page plan = parsePage(testsupport::readFile(number + "/. The Long Term Plan Description 0.html"));
    EXPECT_EQ(plan.headers, (std::vector<std::string>{"NAME", "DESCRIPTION"}));
    EXPECT_EQ(plan.cells, (std::vector<std::string>{". The Long Term Plan Description", "Counting & adding"}));
    Page halves = parsePage(testsupport::readFile(fractions + "/Halves 0.html"));
    EXPECT_EQ(halves.headers, (std::vector<std::string>{"NAME", "ESSENTIAL_SKILLS", "ACHIEVEMENT_OBJECTIVES",
                                                        "SPECIFIC_LEARNING_OUTCOMES", "INTRODUCTION", "DEVELOPMENT",
                                                        "CLOSURE", "ASSESSMENT", "RESOURCES", "REFLECTION"}));
    ASSERT_EQ(10u, halves.cells.size());
    EXPECT_EQ("<script>window.injected = 1;</script> & more\nline two", halves.cells[1]);
    EXPECT_EQ("", halves.cells[9]);  // an empty value is a no-break space
    EXPECT_NE(std::string::npos, testsupport::readFile(fractions + "/Halves 0.html").find("<TD>&nbsp;</TD>"));
    // Latin-1 text is written as UTF-8.
    EXPECT_EQ("caf\xc3\xa9", parsePage(testsupport::readFile(fractions + "/Halves 1.html")).cells[1]);
    Page notes = parsePage(testsupport::readFile(fractions + "/. The File Attachment Notes.html"));
    EXPECT_EQ(notes.headers, (std::vector<std::string>{"NAME", "FILENAME", "FILESIZE", "DESCRIPTION"}));
    ASSERT_EQ(12u, notes.cells.size());
    std::vector<std::string> sheetRow;
    for (size_t row = 0; row + 4 <= notes.cells.size(); row += 4)
        if (notes.cells[row + 1] == "C:\\work\\sheet.pdf")
            sheetRow.assign(notes.cells.begin() + row, notes.cells.begin() + row + 4);
    EXPECT_EQ(sheetRow, (std::vector<std::string>{". The File Attachment Notes", "C:\\work\\sheet.pdf", "5000",
                                                  "Print it, twice"}));

    // The attachment files are their originals.
    EXPECT_EQ(otherSecond ? sheet : other, testsupport::readFile(fractions + "/sheet.pdf"));
    EXPECT_EQ(otherSecond ? other : sheet, testsupport::readFile(fractions + "/" + second));
    EXPECT_EQ(picture, testsupport::readFile(fractions + "/picture.png"));
}

TEST_F(CalendarExport, ABrowserShowsMarkupInALessonAsText) {
    std::string chromium;
    for (const char* name : {"chromium-headless-shell", "chromium"}) {
        std::string path;
        if (testsupport::run(std::string("command -v ") + name, &path) == 0 && !path.empty()) {
            chromium = path.substr(0, path.find('\n'));
            break;
        }
    }
    if (chromium.empty()) GTEST_SKIP() << "no headless Chromium (scripts/setup --tests installs it)";
    longTerm(10, "Number", "n");
    unit(20, 10, "Fractions");
    lesson(30, 20, "Halves", "'<script>document.title = \"injected\";</script><b>bold</b>'");
    prompts.paths.push_back(out.path());
    command(CalendarWindow::ID_EXPORTDATABASE);
    const std::string page = topDirectory() + "/Number 10/Fractions 20/Halves 0.html";
    std::string dom;
    ASSERT_EQ(0, testsupport::run(testsupport::shellQuote(chromium) +
                                      " --headless --no-sandbox --disable-gpu --no-first-run "
                                      "--disable-background-networking --disable-component-update --disable-sync "
                                      "--user-data-dir=" +
                                      testsupport::shellQuote(out.file("profile")) + " --dump-dom " +
                                      testsupport::shellQuote("file://" + page) + " 2>/dev/null",
                                  &dom, false));
    EXPECT_EQ(std::string::npos, dom.find("injected</title>")) << dom;
    EXPECT_EQ(std::string::npos, dom.find("<b>")) << dom;
    EXPECT_NE(std::string::npos, dom.find("&lt;script&gt;document.title")) << dom;
}

TEST_F(CalendarExport, TwoExportsInOneSecondCannotShareTheirDirectory) {
    longTerm(10, "Number", "n");
    unit(20, 10, "Fractions");
    // Whichever second the export runs in, its directory is there already.
    const FXlong now = dates::now();
    for (FXlong t = now; t < now + 5; ++t)
        mkdir(out.file("Tom  T  Hale " + std::string(dates::localText(t, "%Y-%m-%d %H-%M-%S").text())).c_str(), 0777);
    const std::vector<std::string> before = entries(out.path());
    prompts.paths.push_back(out.path());
    command(CalendarWindow::ID_EXPORTDATABASE);
    ASSERT_EQ("error", prompts.last().kind);
    EXPECT_EQ("Cannot Create", prompts.last().caption);
    EXPECT_EQ(0u, prompts.last().text.find("Cannot create directory " + out.path() + "/Tom  T  Hale "))
        << prompts.last().text;
    EXPECT_EQ('\n', prompts.last().text.back());
    EXPECT_EQ(before, entries(out.path()));
    EXPECT_TRUE(progress.opens.empty());
    // The directory was not stored as the last one used.
    EXPECT_EQ("", std::string(app()->reg().readStringEntry("EXPORTDATABASE", "directory", "")));
}

TEST_F(CalendarExport, NoUserNoPlansOrNoDirectoryExportNothing) {
    appState.currentUserId = "          9";
    command(CalendarWindow::ID_EXPORTDATABASE);
    EXPECT_EQ("CalendarWindow::onDatabaseExport - No current user.", prompts.last().caption);
    EXPECT_EQ("You must choose a user name to export the database.", prompts.last().text);
    appState.currentUserId = "          2";
    command(CalendarWindow::ID_EXPORTDATABASE);
    EXPECT_EQ("CalendarWindow::onDatabaseExport - No plans exist.", prompts.last().caption);
    EXPECT_EQ("No plans have been loaded yet for this syndicate.", prompts.last().text);
    longTerm(10, "Number", "n");
    prompts.clear();
    command(CalendarWindow::ID_EXPORTDATABASE);  // the directory dialog is cancelled
    ASSERT_EQ(1u, prompts.prompts.size());
    EXPECT_EQ("directory", prompts.last().kind);
    EXPECT_TRUE(entries(out.path()).empty());
}

TEST_F(CalendarExport, CancelEndsTheDatabaseExportBetweenUnits) {
    longTerm(10, "Number", "n");
    unit(20, 10, "Fractions");
    unit(21, 10, "Angles");
    progress.cancelAtStep = 1;
    prompts.paths.push_back(out.path());
    command(CalendarWindow::ID_EXPORTDATABASE);
    EXPECT_EQ(1u, progress.steps());
    const std::string top = topDirectory();
    EXPECT_EQ(2u, entries(top + "/Number 10").size()) << "the plan's page and one unit";
}

// Transfer files: the text a unit is written as, and its import into the
// selected long-term plan (version check, progress, Cancel, the imported
// mark); damaged and hostile files refused with nothing reaching the
// database; a unit carried whole from one database into a second one.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>

#include "calendar/CalendarWindow.h"
#include "data/AppState.h"
#include "data/Base64.h"
#include "planedit/PlanEditTest.h"
#include "planedit/PlanEditing.h"
#include "support/RecordingProgress.h"
#include "support/Services.h"
#include "support/TestFiles.h"
#include "transfer/TransferFile.h"

using namespace FX;
using namespace planedit;
using testsupport::randomBytes;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

void replaceAll(std::string& s, const std::string& from, const std::string& to) {
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
}

std::string reply(const std::string& sql) {
    IsectRecordset rs;
    rs.OpenRecordset(sql.c_str());
    FXString text = rs.GetText();
    return std::string(text.text(), text.length());
}

class Transfer : public PlanEdit {
protected:
    testsupport::RecordingProgress progress;
    testsupport::TempDir files{"plenwick-transfer"};

    std::string transferDir() { return services().dir() + "/Transfer"; }

    void SetUp() override {
        PlanEdit::SetUp();
        sql("delete from UnitBinary; delete from BinaryDescription; set generator NEWUNITBINARY to 5000;");
        testsupport::removeTree(transferDir());
        mkdir(transferDir().c_str(), 0755);
        addLongTerm(10, "Number", weekday(-21), weekday(40));
        addLongTerm(11, "Shapes", weekday(-21), weekday(40));
    }
    void TearDown() override {
        PlanEdit::TearDown();
        testsupport::removeTree(transferDir());
    }

    std::string textOf(int unit) {
        IsectRecordset rs;
        FXString text = transfer::unitText(rs, std::to_string(unit).c_str(), appState.softwareVersion);
        return std::string(text.text(), text.length());
    }
    // Writes the unit's file as the calendar's export does; returns its name.
    std::string exportUnit(int unit) {
        std::string name = value("Select UnitName from UnitPlan where Id = " + std::to_string(unit));
        FXString path = transfer::pathFor(name.c_str());
        IsectRecordset rs;
        EXPECT_TRUE(transfer::writeUnit(rs, std::to_string(unit).c_str(), path, appState.softwareVersion));
        return FXPath::name(path).text();
    }
    // Attaches a file of `size` bytes to a unit through the plan editor.
    std::string attach(int longTerm, int unit, const std::string& name, size_t size, unsigned seed) {
        std::string path = files.file(name);
        writeFile(path, randomBytes(size, seed));
        if (!dialog) open();
        choosePlan(longTerm);
        chooseUnit(unit);
        prompts.paths.push_back(path);
        press(UNIT, "Import");
        return path;
    }
    // Chooses a listed transfer file under a long-term plan, answering the question.
    void importFile(const std::string& fileName, int longTerm, bool yes = true, bool listAgain = true) {
        if (!dialog) open();
        if (listAgain) choosePlan(longTerm);
        const std::vector<std::string> units = items("Unit Plan");
        int index = -1;
        for (int i = 0; i < (int)units.size(); ++i)
            if (units[i] == fileName && id("Unit Plan", i) < 0) index = i;
        ASSERT_GE(index, 0) << fileName << " not listed";
        prompts.answers.push_back(yes);
        click("Unit Plan", index);
    }
    // Everything a unit's import could touch, as the database shows it.
    std::string snapshot() {
        return services().isql(
            "select count(*), max(Id) from UnitPlan; select count(*), max(Id) from LessonPlan;"
            "select count(*), max(Id) from UnitBinary; select count(*), max(Id) from BinaryDescription;");
    }
    bool exists(const std::string& file) { return access((transferDir() + "/" + file).c_str(), F_OK) == 0; }
};

}  // namespace

// ---------------------------------------------------------------- the text

TEST_F(Transfer, AUnitWithoutLessonsIsItsRowWithTheEmptyRepliesEmbedded) {
    addUnit(20, 10, "Empty unit");
    const std::string text = textOf(20);
    std::string expected =
        reply("Select " + std::string(transfer::unitColumns) + ", '" + std::string(appState.softwareVersion.text()) +
              "' as Version, 'LessonPlans20' as LessonPlans, 'BinaryFiles20' as BinaryFiles, "
              "'BinaryDescriptions20' as BinaryDescriptions , 'RecordCount20' as RecordCount "
              "from UnitPlan where Id = 20");
    const std::string lessons =
        reply("Select " + std::string(transfer::lessonColumns) + " from LessonPlan where FKUnitPlan = 20");
    const std::string chunks = reply("Select * from UnitBinary where FKUnitPlan = 20 Order By Id");
    const std::string descriptions =
        reply("Select " + std::string(transfer::descriptionColumns) +
              " from UnitBinary, BinaryDescription where FKUnitPlan = 20 and UnitBinary.Id = "
              "BinaryDescription.Id");
    // The reply of zero rows: its descriptor line and the empty row list.
    EXPECT_EQ("],\n[]]\n", lessons.substr(lessons.size() - 7));
    replaceAll(expected, "'LessonPlans20'", base64::encode(lessons.data(), lessons.size()).text());
    replaceAll(expected, "'BinaryFiles20'", base64::encode(chunks.data(), chunks.size()).text());
    replaceAll(expected, "'BinaryDescriptions20'", base64::encode(descriptions.data(), descriptions.size()).text());
    replaceAll(expected, "'RecordCount20'", "0");
    EXPECT_EQ(expected, text);

    // Imported under another long-term plan: only the unit, marked imported.
    const std::string file = exportUnit(20);
    EXPECT_EQ("Empty unit.dat", file);
    importFile(file, 11);
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(value("Select Count(*) from UnitPlan where UnitName = 'Empty unit'"), "2");
    EXPECT_EQ(value("Select FKLongTerm || ',' || FKTeacher || ',' || Transfer || ',' || UnitType || ',' || Rotate "
                    "from UnitPlan where UnitName = 'Empty unit' and Id <> 20"),
              "11,2,-1,1,0");
    EXPECT_EQ(count("Select Count(*) from LessonPlan"), 0);
    EXPECT_FALSE(exists(file));
    EXPECT_EQ("Import Unit Plan Progress", progress.opens.at(0).title);
    EXPECT_EQ(0u, progress.steps());
}

TEST_F(Transfer, TwoAttachmentsOfThreeAndOneChunksAreCarriedInIdOrder) {
    addUnit(20, 10, "Pictures");
    attach(10, 20, "three.bin", 2000, 1);  // 2668 characters: 3 chunks
    attach(10, 20, "one.bin", 300, 2);     // 400 characters: 1 chunk
    ASSERT_TRUE(errors().empty());
    TransferFile file;
    file.parse(textOf(20).c_str());
    file.decodeParts();
    ASSERT_EQ(2u, file.attachments.size());
    EXPECT_EQ(3u, file.attachments[0].chunks.size());
    EXPECT_EQ(1u, file.attachments[1].chunks.size());
    EXPECT_EQ(6, file.recordCount);  // 4 chunk rows and 2 descriptions

    const std::string name = exportUnit(20);
    progress.advances.clear();
    importFile(name, 11);
    ASSERT_TRUE(errors().empty()) << errors().back();
    const std::string unit = value("Select Id from UnitPlan where Transfer = -1");
    // Two MakeUnitBinary and two BulkLoadUnitBinary, increments 1 and 2.
    EXPECT_EQ(services().isql("set list on; select d.FileName, u.BinaryIncrement, u.BinaryId - d.Id from "
                              "UnitBinary u, BinaryDescription d where u.BinaryId = d.Id and u.FKUnitPlan = " +
                              unit + " order by u.Id;"),
              services().isql("set list on; select d.FileName, u.BinaryIncrement, u.BinaryId - d.Id from "
                              "UnitBinary u, BinaryDescription d where u.BinaryId = d.Id and u.FKUnitPlan = 20 "
                              "order by u.Id;"));
    EXPECT_EQ(count("Select Count(*) from BinaryDescription where Ready <> 0"), 0);
    // One step per lesson, attachment and further chunk.
    EXPECT_EQ(4u, progress.steps());
    EXPECT_EQ(6u, progress.totals.back());
    // The new unit is selected with its attachments listed.
    EXPECT_EQ(std::to_string(id("Unit Plan", current("Unit Plan"))), unit);
    EXPECT_EQ(2u, items("File Attachment Name").size());
}

// ---------------------------------------------------------------- version check

TEST_F(Transfer, FilesOfAnotherVersionAreRefusedWithoutTouchingTheDatabase) {
    addUnit(20, 10, "Fractions");
    addLesson(30, 20, "Halves", weekday(1), weekday(1));
    const std::string text = textOf(20);
    const std::string current = "'" + std::string(appState.softwareVersion.text()) + "'";
    ASSERT_EQ("'2.0.7'", current);
    const std::string before = snapshot();
    struct Case {
        const char* version;
        const char* message;
    } cases[] = {
        {"2.0.2",
         "This transfer file was written by an older Plenwick (2.0.2), whose transfer files this Plenwick (2.0.7) "
         "cannot read: export the unit plan again with Plenwick 2.0.7 or later."},
        {"2.0.8",
         "This transfer file was written by a newer Plenwick (2.0.8): update Plenwick to import it.\n\n"
         "This Plenwick is version 2.0.7."},
        {"2.1.0",
         "This transfer file was written by a newer Plenwick (2.1.0): update Plenwick to import it.\n\n"
         "This Plenwick is version 2.0.7."},
        {"3.0.3",
         "This transfer file was written by a newer Plenwick (3.0.3): update Plenwick to import it.\n\n"
         "This Plenwick is version 2.0.7."},
    };
    for (const Case& c : cases) {
        std::string other = text;
        replaceAll(other, current, std::string("'") + c.version + "'");
        const std::string file = std::string("Version ") + c.version + ".dat";
        writeFile(transferDir() + "/" + file, other);
        prompts.clear();
        importFile(file, 11);
        ASSERT_EQ("warning", prompts.last().kind) << c.version;
        EXPECT_EQ(c.message, prompts.last().text);
        EXPECT_TRUE(exists(file));
    }
    EXPECT_EQ(before, snapshot());
    // The settings row is as it was: no upgrade ran.
    EXPECT_EQ(value("Select StringValue from Settings where StringKey = 'Version'"), "2.0.7");
    // Written by 2.0.3, whose files have the same layout: accepted.
    {
        std::string older = text;
        replaceAll(older, current, "'2.0.3'");
        writeFile(transferDir() + "/Older.dat", older);
        prompts.clear();
        importFile("Older.dat", 11);
        ASSERT_TRUE(errors().empty()) << errors().back();
        EXPECT_EQ(count("Select Count(*) from UnitPlan where Transfer = -1"), 1);
        sql("delete from UnitPlan where Transfer = -1;");
    }
    // Written by this version: accepted.
    importFile(exportUnit(20), 11);
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(count("Select Count(*) from UnitPlan where Transfer = -1"), 1);
}

// ---------------------------------------------------------------- names

TEST_F(Transfer, NamesWithApostrophesSlashesAndTwiceTheSame) {
    addUnit(20, 10, "Renamed below");
    sql("update UnitPlan set UnitName = 'Tom\\047s unit\\054 part 1', "
        "UnitDescription = 'It''s LessonPlans20 and ''LessonPlans20''' where Id = 20;");
    addUnit(21, 10, "Halves/Quarters ../x");
    addUnit(22, 10, "Same");
    addUnit(23, 11, "Same");
    addLesson(30, 22, "First same", weekday(1), weekday(1));
    addLesson(31, 23, "Second same", weekday(1), weekday(1));

    // A placeholder includes its quotes: a value holding its text is left alone.
    EXPECT_EQ("Tom's unit, part 1.dat", exportUnit(20));
    // A slash would lead out of the transfer directory: it becomes a space.
    EXPECT_EQ("Halves Quarters .. x.dat", exportUnit(21));
    EXPECT_TRUE(exists("Halves Quarters .. x.dat"));
    // Two units of one name: the second file replaces the first.
    exportUnit(22);
    exportUnit(23);
    TransferFile same;
    same.parse(readFile(transferDir() + "/Same.dat").c_str());
    same.decodeParts();
    EXPECT_EQ(FXString("Second same"), same.lessons.at(0).name);

    importFile("Tom's unit, part 1.dat", 11);
    importFile("Halves Quarters .. x.dat", 11);
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(value("Select UnitDescription from UnitPlan where Transfer = -1 and UnitName = 'Tom\\047s unit\\054 "
                    "part 1'"),
              "It's LessonPlans20 and 'LessonPlans20'");
    EXPECT_EQ(count("Select Count(*) from UnitPlan where Transfer = -1 and UnitName = 'Halves/Quarters ../x'"), 1);
    EXPECT_EQ(items("Unit Plan"),
              (std::vector<std::string>{"Halves/Quarters ../x", "Same", "Tom's unit, part 1", "Same.dat"}));
}

// ---------------------------------------------------------------- cancel and failures

TEST_F(Transfer, CancelLeavesTheDatabaseAsItWasAndTheFileInPlace) {
    addUnit(20, 10, "Fractions");
    for (int i = 0; i < 5; ++i) addLesson(30 + i, 20, "Lesson " + std::to_string(i), weekday(i), weekday(i));
    attach(10, 20, "sheet.bin", 5000, 3);  // 7 chunks
    const std::string file = exportUnit(20);
    const std::string before = snapshot();
    for (size_t step : {1, 3, 6, 9}) {  // among the lessons, at the attachment, among its chunks
        progress.cancelAtStep = step;
        progress.advances.clear();
        importFile(file, 11);
        EXPECT_EQ(step, progress.steps());
        EXPECT_EQ(before, snapshot()) << "cancelled at step " << step;
        EXPECT_TRUE(exists(file));
    }
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(0u, prompts.count("warning"));
    progress.cancelAtStep = 0;
    importFile(file, 11);
    EXPECT_EQ(count("Select Count(*) from UnitPlan where Transfer = -1"), 1);
    EXPECT_FALSE(exists(file));
}

// A file the database cannot take (a lesson name longer than its column)
// fails at its fourth lesson, sent among the others without waiting:
// everything before and after it is rolled back.
TEST_F(Transfer, ADatabaseErrorPartWayRollsBackAndKeepsTheFile) {
    addUnit(20, 10, "Fractions");
    for (int i = 0; i < 5; ++i) addLesson(30 + i, 20, "Lesson " + std::to_string(i), weekday(i), weekday(i));
    std::string text = textOf(20);
    // The lesson reply with its fourth name made 200 characters long.
    const std::string oldLessons =
        reply("Select " + std::string(transfer::lessonColumns) + " from LessonPlan where FKUnitPlan = 20");
    std::string lessons = oldLessons;
    replaceAll(lessons, "'Lesson 3'", "'" + std::string(200, 'x') + "'");
    replaceAll(text, base64::encode(oldLessons.data(), oldLessons.size()).text(),
               base64::encode(lessons.data(), lessons.size()).text());
    writeFile(transferDir() + "/Too long.dat", text);
    const std::string before = snapshot();
    importFile("Too long.dat", 11);
    ASSERT_EQ(1u, errors().size());
    EXPECT_EQ(0u, errors()[0].find("Database Error|The transfer file " + transferDir() + "/Too long.dat"))
        << errors()[0];
    EXPECT_NE(std::string::npos, errors()[0].find("truncation")) << errors()[0];
    // Told at the latest when the lessons' replies are awaited.
    EXPECT_GE(progress.steps(), 4u);
    EXPECT_LE(progress.steps(), 5u);
    EXPECT_EQ(before, snapshot());
    EXPECT_TRUE(exists("Too long.dat"));
}

TEST_F(Transfer, AWorkerDyingPartWayLeavesNothing) {
    addUnit(20, 10, "Fractions");
    for (int i = 0; i < 5; ++i) addLesson(30 + i, 20, "Lesson " + std::to_string(i), weekday(i), weekday(i));
    const std::string file = exportUnit(20);
    const std::string before = snapshot();
    progress.onStep = [&](size_t step) {
        if (step == 3)
            for (pid_t worker : services().workerPids()) testsupport::killBetweenStatements(worker);
    };
    importFile(file, 11);
    progress.onStep = nullptr;
    // The router's reason, in the import's own error box.
    ASSERT_EQ(1u, errors().size());
    EXPECT_EQ(0u, errors()[0].find("Database Error|The transfer file " + transferDir() + "/" + file +
                                   " could not be imported:\nisectd - The database service stopped"))
        << errors()[0];
    EXPECT_NE(std::string::npos, errors()[0].find("Nothing was imported")) << errors()[0];
    ASSERT_TRUE(runUntil([&] { return !services().workerPids().empty(); }));
    EXPECT_EQ(before, snapshot());
    EXPECT_TRUE(exists(file));
}

TEST_F(Transfer, AFileThatVanishedBeforeItsImportChangesNothing) {
    addUnit(20, 10, "Fractions");
    const std::string file = exportUnit(20);
    open();
    choosePlan(11);
    unlink((transferDir() + "/" + file).c_str());
    const std::string before = snapshot();
    importFile(file, 11, true, false);
    ASSERT_EQ(1u, errors().size());
    EXPECT_EQ(errors()[0], "Database Error|The transfer file " + transferDir() + "/" + file +
                               " is no longer there. Nothing was imported.");
    EXPECT_EQ(before, snapshot());
    // The list no longer offers it.
    EXPECT_TRUE(items("Unit Plan").empty());
}

// Damaged and hostile files: each is refused with a message naming it;
// nothing reaches the database and the file stays.
TEST_F(Transfer, DamagedAndHostileFilesAreRefused) {
    addUnit(20, 10, "Fractions");
    addLesson(30, 20, "Halves", weekday(1), weekday(1));
    attach(10, 20, "sheet.bin", 2000, 4);
    const std::string good = textOf(20);
    TransferFile parsed;
    parsed.parse(good.c_str());
    const std::string lessons =
        reply("Select " + std::string(transfer::lessonColumns) + " from LessonPlan where FKUnitPlan = 20");
    const std::string lessons64 = base64::encode(lessons.data(), lessons.size()).text();
    auto withLessons = [&](const std::string& text) {
        std::string t = good;
        replaceAll(t, lessons64, base64::encode(text.data(), text.size()).text());
        return t;
    };
    auto edited = [&](const std::string& from, const std::string& to) {
        std::string t = good;
        EXPECT_NE(std::string::npos, t.find(from)) << from;
        replaceAll(t, from, to);
        return t;
    };
    std::string noRecordCount = good;
    noRecordCount.replace(noRecordCount.find("{'name':'RECORDCOUNT'"), std::string("{'name':'RECORDCOUNT'").size(),
                          "{'name':'COUNTED'");
    std::string hostileLesson = lessons;
    // Written as the worker writes it: the apostrophe and the parenthesis escaped.
    replaceAll(hostileLesson, "Halves", "x\\047\\051; delete from UnitPlan; --");
    std::string badDate = lessons;
    replaceAll(badDate, "'" + weekday(1) + "'", "'1' || 'x'");
    const std::pair<std::string, std::string> cases[] = {
        {"cut short", good.substr(0, good.size() / 2)},
        {"cut in the lessons", good.substr(0, good.find(lessons64) + 10)},
        {"not result text", "This is not a transfer file.\n"},
        {"empty", ""},
        {"wrong base64", edited(lessons64.substr(0, 8), lessons64.substr(0, 4) + "*!*!")},
        {"missing column", noRecordCount},
        {"lessons not result text", withLessons("hello")},
        {"lesson with a bad date", withLessons(badDate)},
        {"unit type not a number", edited(std::string(10, ' ') + "1," + std::string(9, ' ') + "10,",
                                          std::string(9, ' ') + "1x," + std::string(9, ' ') + "10,")},
        {"huge record count", edited("," + std::to_string(parsed.recordCount) + "]]", ",99999999999999999999]]")},
        {"line feeds closing more than was opened", "[[{'name':'A','type':'s','null':0,'width':1}],\n\n\n\n[]]\n"},
    };
    const std::string before = snapshot();
    for (const auto& c : cases) {
        const std::string file = "Damaged " + c.first + ".dat";
        writeFile(transferDir() + "/" + file, c.second);
        prompts.clear();
        importFile(file, 11);
        ASSERT_EQ(1u, errors().size()) << c.first;
        EXPECT_EQ(0u, errors()[0].find("Database Error|The transfer file " + transferDir() + "/" + file))
            << c.first << ": " << errors()[0];
        EXPECT_NE(std::string::npos, errors()[0].find("Nothing was imported")) << c.first << ": " << errors()[0];
        // What the file is and what to do, nothing of the program's insides.
        EXPECT_NE(std::string::npos,
                  errors()[0].find(" is damaged or incomplete, so it cannot be imported: export the unit plan again"))
            << c.first << ": " << errors()[0];
        const std::string said = errors()[0].substr(errors()[0].find(".dat is damaged"));
        for (const char* inside : {"::", "RecordCount", "GetField", "base64", "result text"})
            EXPECT_EQ(std::string::npos, said.find(inside)) << c.first << ": " << errors()[0];
        EXPECT_TRUE(exists(file)) << c.first;
        EXPECT_EQ(before, snapshot()) << c.first;
    }
    // A lesson text holding SQL is only text.
    writeFile(transferDir() + "/Hostile.dat", withLessons(hostileLesson));
    prompts.clear();
    importFile("Hostile.dat", 11);
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(count("Select Count(*) from UnitPlan"), 2);
    EXPECT_EQ(value("Select LessonName from LessonPlan where Id <> 30"), "x'); delete from UnitPlan; --");
}

// An imported unit's lessons may be changed whatever their dates.
TEST_F(Transfer, ImportedLessonsAreExemptFromTheRetrospectiveRule) {
    addUnit(20, 10, "Last year");
    addLesson(30, 20, "Long ago", day(-400), day(-400));
    importFile(exportUnit(20), 11);
    const int lesson = std::atoi(value("Select Id from LessonPlan where Id <> 30").c_str());
    chooseLesson(lesson);
    prompts.clear();
    prompts.answers.push_back(true);  // the delete's own question
    press(OBJECTIVE, "Delete");
    for (const auto& p : prompts.prompts) EXPECT_NE("Retrospective Planning Not Allowed", p.caption);
    EXPECT_EQ(count("Select Count(*) from LessonPlan"), 1);
    EXPECT_EQ(value("Select DateStart from LessonPlan where Id = 30"), day(-400));
}

// ---------------------------------------------------------------- a second database

namespace {

// The database's own view of a unit's lessons and attachments, without the
// ids and the unit's place, which a second database gives anew.
std::string stored(const testsupport::Services& db, const std::string& unit) {
    return db.isql(
        "set list on; set blob all;"
        "select UnitName, UnitDescription, UnitType, Rotate from UnitPlan where Id = " +
        unit +
        ";"
        "select LessonName, LessonES, LessonAO, LessonSLO, LessonIntro, LessonDev, LessonClose, LessonTest, "
        "LessonResource, LessonReflect, DateStart, DateEnd, TimeStart, TimeEnd, RoutineDay from LessonPlan "
        "where FKUnitPlan = " +
        unit +
        " order by LessonName;"
        "select d.FileName, d.FileSize, d.Description, d.Ready, u.BinaryIncrement, u.BinaryData "
        "from UnitBinary u, BinaryDescription d where u.BinaryId = d.Id and u.FKUnitPlan = " +
        unit + " order by d.FileName, u.BinaryIncrement;");
}

}  // namespace

TEST_F(Transfer, AUnitCarriedWholeIntoASecondDatabase) {
    // Twenty lessons typed through the client, with the characters that need
    // care on the way: apostrophes, commas, line feeds, backslashes, markup.
    const std::string unit =
        value("Select * from MakeUnitPlan('Round trip','" +
              std::string(EscapeText("Fractions, halves and 'quarters'\nwith C:\\work").text()) + "',1,10,2,1,1)");
    ASSERT_FALSE(unit.empty());
    for (int i = 0; i < 20; ++i) {
        auto field = [&](const char* what) {
            return std::string(
                EscapeText(FXStringFormat("%s %d: it's <b>bold</b>, & more\nline two \\101", what, i)).text());
        };
        std::string call = "Select * from MakeLessonPlan('Lesson " + std::to_string(100 + i) + "'";
        for (const char* what : {"es", "ao", "slo", "intro", "dev", "close", "resource", "reflect", "test"})
            call += ",'" + field(what) + "'";
        call += ",'" + day(i) + "','" + day(i + 1) + "'," + unit + ",'09:" + std::to_string(10 + i) +
                "','10:" + std::to_string(10 + i) + "'," + std::to_string(i % 6) + ")";
        ASSERT_FALSE(value(call).empty()) << call;
    }
    const int unitId = std::atoi(unit.c_str());
    const std::string big = attach(10, unitId, "video.bin", 1024 * 1024, 7);
    const std::string small = attach(10, unitId, "sheet, 'one'.txt", 5000, 8);
    const std::string tiny = attach(10, unitId, "one byte", 1, 9);
    sql("update BinaryDescription set Description = 'Print it' || ascii_char(10) || 'twice' where FileSize = 5000;");
    ASSERT_TRUE(errors().empty()) << errors().back();
    close();

    // Written by the calendar's "Export Unit Plans"; the mark is cleared.
    CalendarWindow* calendar = new CalendarWindow(app());
    calendar->create();
    loginAs(TEACHER, LEADER);
    calendar->handle(calendar, FXSEL(SEL_COMMAND, CalendarWindow::ID_EXPORTUNITPLANS), nullptr);
    delete calendar;
    settle();
    ASSERT_TRUE(exists("Round trip.dat"));
    EXPECT_EQ(value("Select Transfer from UnitPlan where Id = " + unit), "0");
    const std::string original = stored(services(), unit);
    ASSERT_NE(std::string::npos, original.find("Lesson 119")) << original;

    // A second database from the same schema, with the school's teachers and
    // a long-term plan of its own.
    testsupport::ServicesOptions options;
    options.workers = 1;
    testsupport::Services second(options);
    second.isql(
        "insert into Teachers (Id, Teacher, Syndicate) values (1, 'Lena Leader', 1);"
        "insert into Teachers (Id, Teacher, Syndicate) values (2, 'Tia Teacher', 1);"
        "insert into TermDate (Id, FirstDay, SchoolWeeks, SchoolYear, SchoolTerm) values (1, '" +
        weekday(-21) +
        "', 10, 2030, 1);"
        "insert into LongTerm (Id, PlanName, Description, PlanStart, PlanEnd, FKSubject, FKYear, FKSyndicate, "
        "Persistant) values (77, 'Elsewhere', 'x', '" +
        weekday(-21) + "', '" + weekday(40) + "', 0, 0, 2, 0); commit;");
    const std::string there = second.dir() + "/Transfer/Round trip.dat";
    writeFile(there, readFile(transferDir() + "/Round trip.dat"));
    {
        testsupport::ScopedChdir into(second.workdir());
        IsectRecordset::Disconnect();
        auto tables = [&] {
            return second.isql(
                "select count(*) from UnitPlan; select count(*) from LessonPlan;"
                "select count(*) from UnitBinary; select count(*) from BinaryDescription;");
        };
        const std::string empty = tables();

        // Cancelled among the attachment's chunks: nothing, and the file stays.
        progress.cancelAtStep = 300;
        progress.advances.clear();
        importFile("Round trip.dat", 77);
        EXPECT_EQ(300u, progress.steps());
        EXPECT_EQ(empty, tables());
        EXPECT_EQ(0, access(there.c_str(), F_OK));

        progress.cancelAtStep = 0;
        importFile("Round trip.dat", 77);
        ASSERT_TRUE(errors().empty()) << errors().back();
        EXPECT_NE(0, access(there.c_str(), F_OK)) << "the file is removed after the import";
        const std::string imported = value("Select Id from UnitPlan");
        EXPECT_EQ(value("Select FKLongTerm || ',' || FKTeacher || ',' || Transfer from UnitPlan"), "77,2,-1");
        EXPECT_EQ(original, stored(second, imported));

        // The files come back byte for byte.
        for (const std::string& path : {big, small, tiny}) {
            const std::vector<std::string> names = items("File Attachment Name");
            const auto at = std::find(names.begin(), names.end(), path);
            ASSERT_NE(at, names.end()) << path;
            click("File Attachment Name", (int)(at - names.begin()));
            prompts.paths.push_back(files.file("back"));
            press(UNIT, "Export");
            EXPECT_EQ(readFile(path), readFile(files.file("back"))) << path;
        }
        close();
        IsectRecordset::Disconnect();
    }
}

// ---------------------------------------------------------------- every byte

// Every byte value 1 to 255 in every text column goes out and comes back as
// it was: the unit's name and description, each lesson text, and an
// attachment's file name and notes, written as the editor writes them.  A
// name (140 characters) takes the values in two halves, one per round.
TEST_F(Transfer, EveryByteValueInEveryTextColumnComesBackAsItWas) {
    std::string all;
    for (int b = 1; b <= 255; ++b) all += (char)b;
    const std::string halves[] = {all.substr(0, 127), all.substr(127)};
    const char* const lessonTexts[] = {"LessonES",    "LessonAO",   "LessonSLO",      "LessonIntro",  "LessonDev",
                                       "LessonClose", "LessonTest", "LessonResource", "LessonReflect"};
    auto literal = [](const std::string& s) {
        return "'" + std::string(EscapeText(FXString(s.data(), (FXint)s.size())).text()) + "'";
    };
    auto stored = [](const std::string& sql) {
        IsectRecordset rs;
        rs.OpenRecordset(sql.c_str());
        rs.MoveFirst();
        if (rs.eof()) return std::string("<no row>");
        FXString v = rs.GetField(0);
        return std::string(v.text(), v.length());
    };
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        const std::string& name = halves[round];
        IsectRecordset rs;
        rs.OpenRecordset(("Select * from MakeUnitPlan(" + literal(name) + "," + literal(all) + ",1,10," +
                          std::to_string(TEACHER) + ",1,0)")
                             .c_str());
        const std::string unit = trimmed(rs.GetField("0")).text();
        std::string lesson = "Select * from MakeLessonPlan(" + literal(name);
        for (int i = 0; i < 9; ++i) lesson += "," + literal(all);
        lesson += ",'" + weekday(1) + "','" + weekday(1) + "'," + unit + ",'09:00','09:50',0)";
        rs.OpenRecordset(lesson.c_str());
        const std::string lessonId = trimmed(rs.GetField("0")).text();
        rs.OpenRecordset(("Select * from MakeUnitBinary(" + literal(all) + ",3,'YWJj'," + unit + ")").c_str());
        const std::string attachment = trimmed(rs.GetField("0")).text();
        rs.OpenRecordset(
            ("Update BinaryDescription Set Ready = 0, Description = " + literal(all) + " where Id = " + attachment)
                .c_str());
        // As stored before the transfer: the bytes themselves.
        ASSERT_EQ(name, stored("Select UnitName from UnitPlan where Id = " + unit));
        ASSERT_EQ(all, stored("Select LessonES from LessonPlan where Id = " + lessonId));
        ASSERT_EQ(all, stored("Select FileName from BinaryDescription where Id = " + attachment));

        const std::string file = exportUnit(std::stoi(unit));
        ASSERT_TRUE(exists(file)) << file;
        prompts.clear();
        importFile(file, 11);
        ASSERT_TRUE(errors().empty()) << errors().back();
        const std::string imported =
            stored("Select Id from UnitPlan where FKLongTerm = 11 and Transfer = -1 and Id <> " + unit);
        ASSERT_NE(imported, "<no row>");
        const std::string id = trimmed(imported.c_str()).text();
        EXPECT_EQ(name, stored("Select UnitName from UnitPlan where Id = " + id));
        EXPECT_EQ(all, stored("Select UnitDescription from UnitPlan where Id = " + id));
        EXPECT_EQ(name, stored("Select LessonName from LessonPlan where FKUnitPlan = " + id));
        for (const char* column : lessonTexts)
            EXPECT_EQ(all, stored(std::string("Select ") + column + " from LessonPlan where FKUnitPlan = " + id))
                << column;
        const std::string where =
            " from BinaryDescription, UnitBinary where BinaryDescription.Id = UnitBinary.Id and "
            "UnitBinary.FKUnitPlan = " +
            id;
        EXPECT_EQ(all, stored("Select FileName" + where));
        EXPECT_EQ(all, stored("Select Description" + where));
        sql("delete from UnitPlan where FKLongTerm = 11;");
        close();
    }
}

// A file attached from a path of backslashes keeps its name through a
// transfer, as the list shows it.
TEST_F(Transfer, AnAttachmentNamedWithBackslashesKeepsItsName) {
    addUnit(20, 10, "Fractions");
    const std::string path = attach(10, 20, "C:\\Documents\\Fractions\\fraction wall.txt", 10, 7);
    ASSERT_TRUE(errors().empty()) << errors().back();
    const std::string file = exportUnit(20);
    importFile(file, 11);
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(path, value("Select FileName from BinaryDescription, UnitBinary where BinaryDescription.Id = "
                          "UnitBinary.Id and UnitBinary.FKUnitPlan <> 20"));
    const std::vector<std::string> names = items("File Attachment Name");
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], path);
}

// ---------------------------------------------------------------- twice

// The same file imported a second time is recognised and the user asked:
// Cancel imports nothing, Replace puts it in the earlier import's place,
// Import as Copy adds a second unit.
TEST_F(Transfer, AFileImportedTwiceIsRecognisedAndAsked) {
    addUnit(20, 10, "Fractions");
    addLesson(30, 20, "Halves", weekday(1), weekday(1));
    addLesson(31, 20, "Quarters", weekday(2), weekday(2));
    const std::string file = exportUnit(20);
    const std::string kept = readFile(transferDir() + "/" + file);
    importFile(file, 11);
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(prompts.count("choice"), 0u);  // the first time: nothing to ask
    const std::string first = value("Select Id from UnitPlan where Transfer = -1");
    sql("update LessonPlan set LessonES = 'changed since' where FKUnitPlan = " + first + ";");

    writeFile(transferDir() + "/" + file, kept);
    prompts.clear();
    prompts.picks.push_back("Cancel");
    importFile(file, 11);
    ASSERT_EQ(prompts.count("choice"), 1u);
    EXPECT_EQ(prompts.last().caption, "Unit Plan Imported Before");
    EXPECT_EQ(prompts.last().text.find("The unit plan \"Fractions\" with its 2 lessons is in \"Shapes\" already: this "
                                       "transfer file has been imported before."),
              0u)
        << prompts.last().text;
    EXPECT_EQ(prompts.last().buttons, (std::vector<std::string>{"Import as Copy", "Replace", "Cancel"}));
    EXPECT_EQ(count("Select Count(*) from UnitPlan where Transfer = -1"), 1);
    EXPECT_TRUE(exists(file));

    prompts.clear();
    prompts.picks.push_back("Replace");
    importFile(file, 11);
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(count("Select Count(*) from UnitPlan where Transfer = -1"), 1);
    EXPECT_NE(value("Select Id from UnitPlan where Transfer = -1"), first);
    EXPECT_EQ(count("Select Count(*) from LessonPlan where LessonES = 'changed since'"), 0);
    EXPECT_EQ(count("Select Count(*) from LessonPlan where FKUnitPlan = " + first), 0);
    EXPECT_FALSE(exists(file));

    writeFile(transferDir() + "/" + file, kept);
    prompts.clear();
    prompts.picks.push_back("Import as Copy");
    importFile(file, 11);
    ASSERT_TRUE(errors().empty()) << errors().back();
    EXPECT_EQ(count("Select Count(*) from UnitPlan where Transfer = -1"), 2);
    EXPECT_EQ(count("Select Count(*) from LessonPlan, UnitPlan where FKUnitPlan = UnitPlan.Id and Transfer = -1"), 4);
}

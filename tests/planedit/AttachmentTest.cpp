// File attachments of a unit (tab 2): import in 999-character chunks with
// progress and Cancel, export, notes, removal; every failure part-way leaves
// nothing behind.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "data/Base64.h"
#include "planedit/PlanEditTest.h"
#include "support/RecordingProgress.h"
#include "support/TestFiles.h"

using namespace FX;
using namespace planedit;
using testsupport::randomBytes;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

class Attachments : public PlanEdit {
protected:
    testsupport::TempDir files{"plenwick-attach"};
    testsupport::RecordingProgress progress;

    void SetUp() override {
        PlanEdit::SetUp();
        sql("delete from UnitBinary; delete from BinaryDescription; set generator NEWUNITBINARY to 5000;");
        addLongTerm(10, "Number", weekday(-21), weekday(40));
        addUnit(20, 10, "Fractions");
        addUnit(21, 10, "Geometry");
    }
    void openUnit(int unit = 20) {
        open();
        choosePlan(10);
        chooseUnit(unit);
    }
    // A file of `size` bytes, imported through the button.
    std::string importFile(const std::string& name, size_t size, unsigned seed = 1) {
        std::string path = files.file(name);
        writeFile(path, randomBytes(size, seed));
        prompts.paths.push_back(path);
        press(UNIT, "Import");
        return path;
    }
    // The stored chunks of an attachment, from the database itself.
    std::vector<std::string> chunks(const std::string& fileName) {
        std::string out = services().isql(
            "set list on; select u.BinaryIncrement, u.BinaryData from UnitBinary u, BinaryDescription d "
            "where u.BinaryId = d.Id and d.FileName = '" +
            fileName + "' order by u.BinaryIncrement;");
        std::vector<std::string> data;
        std::istringstream in(out);
        std::string line;
        int expected = 0;
        while (std::getline(in, line)) {
            std::istringstream words(line);
            std::string name, v;
            words >> name >> v;
            if (name == "BINARYINCREMENT") {
                EXPECT_EQ(std::to_string(expected++), v);
            }
            if (name == "BINARYDATA") data.push_back(v);
        }
        return data;
    }
    int stored(const std::string& table) { return count("Select Count(*) from " + table); }
    // The first attachment listed, exported through the button: its bytes.
    std::string exported(const std::string& name) {
        click("File Attachment Name", 0);
        std::string out = files.file(name);
        prompts.paths.push_back(out);
        press(UNIT, "Export");
        return readFile(out);
    }
};

TEST_F(Attachments, A747ByteFileIsOneChunkAnd750BytesTwo) {
    openUnit();
    std::string small = importFile("small.bin", 747);
    ASSERT_TRUE(prompts.prompts.size() == 1 && prompts.last().kind == "open") << prompts.last().text;
    EXPECT_EQ("Import File attachment from disk", prompts.last().caption);
    // No BulkLoadUnitBinary: the whole text went with MakeUnitBinary.
    ASSERT_EQ(1u, progress.opens.size());
    EXPECT_EQ("Import Binary File Progress", progress.opens[0].title);
    EXPECT_EQ("Writing file to database.", progress.opens[0].message);
    EXPECT_EQ(0u, progress.opens[0].total);
    EXPECT_EQ(0u, progress.steps());
    std::vector<std::string> one = chunks(small);
    ASSERT_EQ(1u, one.size());
    EXPECT_EQ(996u, one[0].size());

    std::string larger = importFile("larger.bin", 750, 2);
    std::vector<std::string> two = chunks(larger);
    ASSERT_EQ(2u, two.size());
    EXPECT_EQ(999u, two[0].size());
    EXPECT_EQ(1u, two[1].size());
    EXPECT_EQ(base64::encode(readFile(larger).data(), 750), (two[0] + two[1]).c_str());
    EXPECT_EQ(1u, progress.opens[1].total);
    EXPECT_EQ(std::vector<FXuint>{999}, progress.advances);
    EXPECT_EQ("Committing file inside database.", progress.messages.back());

    // Listed by path and size, complete, sizes as the file system gave them.
    EXPECT_EQ(items("File Attachment Name"), (std::vector<std::string>{small, larger}));
    EXPECT_EQ(items("File Size"), (std::vector<std::string>{"747", "750"}));
    EXPECT_EQ(0, count("Select Count(*) from BinaryDescription where Ready <> 0"));
    EXPECT_EQ(count("Select Count(*) from UnitBinary where FKUnitPlan = 20"), 3);
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(0u, prompts.count("warning"));
    // The directory of the file is where the next file dialog opens.
    EXPECT_EQ(files.path(), std::string(app()->reg().readStringEntry("UNITPLANBINARY", "directory", "")));
    EXPECT_EQ(progress.opens.size(), progress.closes);
}

TEST_F(Attachments, TheSamePathTwiceIsRefusedTheSameFileElsewhereIsNot) {
    openUnit();
    std::string path = importFile("worksheet.pdf", 2000);
    prompts.paths.push_back(path);
    press(UNIT, "Import");
    EXPECT_EQ(errors().back(), "Add File Attachment Error|This file already exists.");
    EXPECT_EQ(1, stored("BinaryDescription"));
    mkdir(files.file("copy").c_str(), 0700);
    std::string copy = files.file("copy/worksheet.pdf");
    writeFile(copy, readFile(path));
    prompts.paths.push_back(copy);
    press(UNIT, "Import");
    EXPECT_EQ(2, stored("BinaryDescription"));
    EXPECT_EQ(items("File Attachment Name"), (std::vector<std::string>{path, copy}));
    // Another unit may hold the same path.
    chooseUnit(21);
    EXPECT_TRUE(items("File Attachment Name").empty());
    prompts.paths.push_back(path);
    press(UNIT, "Import");
    EXPECT_EQ(3, stored("BinaryDescription"));
    EXPECT_EQ(1u, errors().size());
}

TEST_F(Attachments, ExportWritesTheBytesBackExactly) {
    openUnit();
    std::string path = importFile("picture.png", 1024 * 1024 + 7, 3);
    click("File Attachment Name", 0);
    std::string out = files.file("exported.png");
    prompts.paths.push_back(out);
    press(UNIT, "Export");
    EXPECT_EQ("save", prompts.last().kind);
    EXPECT_EQ("Export file attachment to disk", prompts.last().caption);
    EXPECT_EQ(path, prompts.last().text);  // offered under the name it was imported from
    EXPECT_EQ(readFile(path), readFile(out));

    // A cancelled file dialog writes nothing; an unwritable place is a warning.
    press(UNIT, "Export");
    std::string nowhere = files.file("no/such/dir/x.png");
    prompts.paths.push_back(nowhere);
    press(UNIT, "Export");
    EXPECT_EQ("warning", prompts.last().kind);
    EXPECT_EQ("Aborting file write as " + nowhere + " is opened by another application.", prompts.last().text);
    EXPECT_TRUE(errors().empty());
}

TEST_F(Attachments, MissingChunksExportAShorterFile) {
    openUnit();
    std::string path = importFile("notes.txt", 5000, 4);  // 6668 characters: 7 chunks
    sql("delete from UnitBinary where BinaryIncrement = 6;");
    click("File Attachment Name", 0);
    prompts.paths.push_back(files.file("short.txt"));
    press(UNIT, "Export");
    std::string back = readFile(files.file("short.txt"));
    // Six chunks remain: 5994 characters, 1498 whole groups and two characters, 4495 bytes.
    EXPECT_EQ(4495u, back.size());
    EXPECT_EQ(readFile(path).substr(0, back.size()), back);
}

TEST_F(Attachments, ExportAndRemoveNeedAChosenAttachment) {
    openUnit();
    importFile("a.txt", 10);
    ASSERT_EQ(-1, current("File Attachment Name"));
    prompts.clear();
    press(UNIT, "Export");
    press(UNIT, "Remove");
    EXPECT_TRUE(prompts.prompts.empty());
    EXPECT_EQ(1, stored("BinaryDescription"));
}

TEST_F(Attachments, CancelRollsBackEverythingWrittenSoFar) {
    openUnit();
    progress.cancelAtStep = 3;
    std::string path = importFile("big.bin", 20000, 5);
    EXPECT_EQ(3u, progress.steps());
    EXPECT_EQ(1u, progress.closes);
    EXPECT_EQ(0, stored("BinaryDescription"));
    EXPECT_EQ(0, stored("UnitBinary"));
    EXPECT_TRUE(items("File Attachment Name").empty());
    EXPECT_TRUE(prompts.count("error") + prompts.count("warning") == 0);
    // The next import goes through whole.
    progress.cancelAtStep = 0;
    prompts.paths.push_back(path);
    press(UNIT, "Import");
    EXPECT_EQ(27u, chunks(path).size());  // 26668 characters
    EXPECT_EQ(1, stored("BinaryDescription"));
    EXPECT_EQ(readFile(path), exported("back.bin"));
}

// The worker dies part-way: the router says so, shown as a database error;
// nothing of the file is kept, and the dialog goes on once the worker is
// back.
TEST_F(Attachments, AWorkerDyingPartWayLeavesNothingBehind) {
    openUnit();
    progress.onStep = [&](size_t step) {
        if (step != 4) return;
        for (pid_t worker : services().workerPids()) testsupport::killBetweenStatements(worker);
    };
    std::string path = importFile("big.bin", 20000, 6);
    ASSERT_EQ(1u, errors().size());
    EXPECT_EQ(0u, errors()[0].rfind("Database Error|isectd - The database service stopped", 0)) << errors()[0];
    // Whether it died while serving a chunk or between two, nothing was saved.
    EXPECT_NE(std::string::npos, errors()[0].find("; nothing of it")) << errors()[0];
    EXPECT_EQ(0u, prompts.count("warning"));
    progress.onStep = nullptr;
    ASSERT_TRUE(runUntil([&] { return !services().workerPids().empty(); }));
    EXPECT_EQ(0, stored("BinaryDescription"));
    EXPECT_EQ(0, stored("UnitBinary"));
    prompts.paths.push_back(path);
    press(UNIT, "Import");
    EXPECT_EQ(1, stored("BinaryDescription"));
    EXPECT_EQ(27u, chunks(path).size());
    EXPECT_EQ(readFile(path), exported("back.bin"));
}

TEST_F(Attachments, AFileThatVanishedOrCannotBeReadChangesNothing) {
    openUnit();
    std::string gone = files.file("gone.doc");
    prompts.paths.push_back(gone);
    press(UNIT, "Import");
    EXPECT_EQ("warning", prompts.last().kind);
    EXPECT_EQ("Aborting file import as " + gone + " cannot be found.", prompts.last().text);
    prompts.paths.push_back(files.path());  // a directory
    press(UNIT, "Import");
    EXPECT_EQ("Aborting file import as " + files.path() + " is opened by another application.", prompts.last().text);
    EXPECT_EQ(0, stored("BinaryDescription"));
    EXPECT_TRUE(progress.opens.empty());
    // A cancelled file dialog: nothing at all.
    prompts.clear();
    press(UNIT, "Import");
    EXPECT_EQ(1u, prompts.prompts.size());
}

TEST_F(Attachments, NotesAreShownAndSavedEscaped) {
    openUnit();
    importFile("a.txt", 10);
    importFile("b.txt", 20);
    click("File Attachment Name", 1);
    EXPECT_EQ(current("File Attachment Name"), 1);
    EXPECT_EQ(current("File Size"), 1);
    EXPECT_EQ(text(UNIT, "File Notes"), "");
    type(UNIT, "File Notes", "Print it, don't copy it.\nTwo pages.");
    press(UNIT, "Edi&t");
    EXPECT_EQ(value("Select Count(*) from BinaryDescription where Description = "
                    "'Print it\\054 don\\047t copy it.\nTwo pages.'"),
              "1");
    click("File Attachment Name", 0);
    EXPECT_EQ(text(UNIT, "File Notes"), "");
    click("File Attachment Name", 1);
    EXPECT_EQ(text(UNIT, "File Notes"), "Print it, don't copy it.\nTwo pages.");
    // Selecting another unit empties the notes.
    chooseUnit(21);
    EXPECT_EQ(text(UNIT, "File Notes"), "");
}

TEST_F(Attachments, RemovalAsksAndTakesTheWholeFile) {
    openUnit();
    std::string a = importFile("a.bin", 5000);
    std::string b = importFile("b.bin", 10);
    click("File Attachment Name", 0);
    prompts.answers.push_back(false);
    press(UNIT, "Remove");
    EXPECT_EQ("Confirm delete file", prompts.last().caption);
    EXPECT_EQ("Do you want to delete the file \"" + a + "\" from this unit plan?", prompts.last().text);
    EXPECT_EQ(2, stored("BinaryDescription"));
    prompts.answers.push_back(true);
    press(UNIT, "Remove");
    EXPECT_EQ(1, stored("BinaryDescription"));
    EXPECT_EQ(1, stored("UnitBinary"));
    EXPECT_EQ(items("File Attachment Name"), std::vector<std::string>{b});

    // A file still being written is not removed.
    sql("update BinaryDescription set Ready = 1;");
    click("File Attachment Name", 0);
    press(UNIT, "Remove");
    EXPECT_EQ("warning", prompts.last().kind);
    EXPECT_EQ("This file is still being written to the database. Please wait for a minute or two and try again.",
              prompts.last().text);
    EXPECT_EQ(1, stored("UnitBinary"));
}

TEST_F(Attachments, NothingIsAttachedToATransferFileEntry) {
    std::string transfer = services().dir() + "/Transfer";
    mkdir(transfer.c_str(), 0700);
    writeFile(transfer + "/Waiting.dat", "x");
    open();
    choosePlan(10);
    const int index = (int)items("Unit Plan").size() - 1;
    ASSERT_EQ(id("Unit Plan", index), -1);
    setCurrent("Unit Plan", index);
    prompts.paths.push_back(files.file("x"));
    press(UNIT, "Import");
    EXPECT_TRUE(prompts.prompts.empty());
    unlink((transfer + "/Waiting.dat").c_str());
}

}  // namespace

// At the dialog's smallest size the attachment list shows six rows and both
// its columns inside the tab.
TEST_F(Attachments, TheListShowsSixRowsAndBothColumns) {
    openUnit();
    importFile("a.bin", 10);
    dialog->resize(UnitPlanDialog::minimumWidth, UnitPlanDialog::minimumHeight);
    showTab(UNIT);
    dialog->layout();
    settle();
    FXList* names = list("File Attachment Name");
    FXList* sizes = list("File Size");
    ASSERT_GT(names->getNumItems(), 0);
    EXPECT_GE(names->getHeight(), 6 * names->getItemHeight(0)) << names->getHeight();
    FXint x = 0, y = 0;
    sizes->translateCoordinatesTo(x, y, page(UNIT), sizes->getWidth(), 0);
    EXPECT_LE(x, page(UNIT)->getWidth()) << "the size column is cut";
}

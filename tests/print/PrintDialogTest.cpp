// FXNativePrintDialog on a real application under Xvfb: the paper entries of
// the first use, the remembered choices, pages, the range field, and the
// overwrite question.
#include <fxkeys.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "print/FXNativePrintDialog.h"
#include "print/PrintTestSupport.h"
#include "support/RecordingPrompter.h"

using namespace FX;
using testsupport::RecordingPrompter;

namespace {

using printtest::findButton;
using printtest::findWidget;
using printtest::ModalAnswer;

class PrintDialogTest : public ::testing::Test {
protected:
    FXRegistry& reg() { return printtest::app()->reg(); }
    FXMainWindow* owner = nullptr;

    void SetUp() override {
        if (!printtest::haveDisplay()) GTEST_SKIP() << "no display: run the tests under xvfb-run";
        printtest::clearPrinterSettings();
        owner = new FXMainWindow(printtest::app(), "Owner");
        owner->create();
    }
    void TearDown() override { delete owner; }

    long send(FXNativePrintDialog& dlg, FXSelector type, FXuint id, void* ptr = nullptr) {
        return dlg.handle(&dlg, FXSEL(type, id), ptr);
    }
    std::string entry(const char* section, const char* key) {
        const char* v = reg().readStringEntry(section, key, nullptr);
        return v ? v : "<missing>";
    }
};

// (Letter where no locale is set; a user in Aotearoa gets A4.)
TEST_F(PrintDialogTest, FirstUseWritesTheFivePapersAndShowsLetter) {
    const char* was = getenv("LC_ALL");
    const std::string saved = was ? was : "";
    setenv("LC_ALL", "C", 1);
    FXNativePrintDialog dlg(owner, "Printer Setup");
    if (was)
        setenv("LC_ALL", saved.c_str(), 1);
    else
        unsetenv("LC_ALL");
    EXPECT_EQ(entry("PAPER", "0"), "[Letter] 1 612.00000 792.00000 72 72 72 72");
    EXPECT_EQ(entry("PAPER", "1"), "[A4] 9 595.27559 841.88976 80 80 80 80");
    EXPECT_EQ(entry("PAPER", "2"), "[Legal ] 5 612.00000 1008.00000 72 72 72 72");
    EXPECT_EQ(entry("PAPER", "3"), "[A3] 8 841.88976 1190.55118 80 80 80 80");
    EXPECT_EQ(entry("PAPER", "4"), "[A2] 64 1190.55118 1683.77953 80 80 80 80");
    EXPECT_EQ(entry("PAPER", "5"), "<missing>");
    ASSERT_EQ(dlg.papers().size(), 5u);
    EXPECT_STREQ(dlg.papers()[2].name.text(), "Legal ");
    EXPECT_EQ(dlg.paperListBox()->getNumItems(), 5);
    EXPECT_EQ(dlg.paperListBox()->getCurrentItem(), 0);
    EXPECT_STREQ(dlg.paperListBox()->getItemText(0).text(), "Letter");
    const FXNativePrinter& p = dlg.description();
    EXPECT_EQ(p.mediasize, 1u);
    EXPECT_DOUBLE_EQ(p.mediawidth, 612.0);
    EXPECT_DOUBLE_EQ(p.mediaheight, 792.0);
    EXPECT_DOUBLE_EQ(p.leftmargin, 72.0);
    EXPECT_EQ(dlg.destination(), 0);
    EXPECT_EQ(p.numcopies, 1u);
    EXPECT_EQ(p.flags & FXNativePrinter::LANDSCAPE, 0u);
}

TEST_F(PrintDialogTest, RememberedChoicesAndOwnPaperList) {
    reg().writeStringEntry("PAPER", "0", "[Card] 300 288 432 10 10 10 10");
    reg().writeStringEntry("PAPER", "1", "[A4] 9 595.27559 841.88976 80 80 80 80");
    reg().writeStringEntry("PAPER", "2", "broken entry");
    reg().writeStringEntry("PAPER", "3", "[Never read] 1 1 1 1 1 1 1");
    reg().writeIntEntry("PRINTER", "media", 1);
    reg().writeIntEntry("PRINTER", "landscape", 1);
    reg().writeIntEntry("PRINTER", "color", 1);
    reg().writeIntEntry("PRINTER", "printtofile", 2);
    reg().writeStringEntry("PRINTER", "html", "week.html");
    FXNativePrintDialog dlg(owner);
    EXPECT_EQ(dlg.papers().size(), 2u);  // the list ends at the first entry without name and code
    EXPECT_EQ(entry("PAPER", "4"), "<missing>");
    const FXNativePrinter& p = dlg.description();
    EXPECT_EQ(p.mediasize, 9u);
    EXPECT_DOUBLE_EQ(p.topmargin, 80.0);
    EXPECT_NE(p.flags & FXNativePrinter::LANDSCAPE, 0u);
    EXPECT_NE(p.flags & FXNativePrinter::COLOR, 0u);
    EXPECT_NE(p.flags & FXNativePrinter::DEST_HTML, 0u);
    EXPECT_STREQ(p.name.text(), "week.html");
    EXPECT_STREQ(dlg.fileField()->getText().text(), "output.ps");

    // Custom paper: CUPS gets the size in tenths of a millimetre.
    dlg.handle(&dlg, FXSEL(SEL_COMMAND, FXNativePrintDialog::ID_PAPER), (void*)(FXival)0);
    EXPECT_EQ(entry("PRINTER", "media"), "0");
    EXPECT_EQ(dlg.description().settings.paperCode, 256);
    EXPECT_EQ(dlg.description().settings.paperWidth, 1016);   // 4 inches
    EXPECT_EQ(dlg.description().settings.paperLength, 1524);  // 6 inches
    EXPECT_EQ(dlg.description().settings.orientation, 2);
    EXPECT_EQ(dlg.description().settings.color, 2);
}

TEST_F(PrintDialogTest, DestinationsAndFileNames) {
    RecordingPrompter prompts;
    FXNativePrintDialog dlg(owner);
    send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_TO_FILE);
    EXPECT_EQ(entry("PRINTER", "printtofile"), "1");
    EXPECT_STREQ(dlg.description().name.text(), "output.ps");
    EXPECT_EQ(dlg.description().flags & (FXNativePrinter::DEST_FILE | FXNativePrinter::DEST_HTML),
              (FXuint)FXNativePrinter::DEST_FILE);

    dlg.fileField()->setText("term 1.ps");
    send(dlg, SEL_CHANGED, FXNativePrintDialog::ID_FILE_NAME);
    EXPECT_EQ(entry("PRINTER", "file"), "term 1.ps");
    EXPECT_STREQ(dlg.description().name.text(), "term 1.ps");

    dlg.htmlField()->setText("inactive.html");  // not the active destination: stored only
    send(dlg, SEL_CHANGED, FXNativePrintDialog::ID_HTML_NAME);
    EXPECT_EQ(entry("PRINTER", "html"), "inactive.html");
    EXPECT_STREQ(dlg.description().name.text(), "term 1.ps");

    prompts.paths.push_back("/tmp/chosen.html");
    send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_BROWSE_HTML);
    EXPECT_EQ(prompts.last().caption, "Select HTML File");
    EXPECT_EQ(prompts.last().text, "inactive.html");  // starts from the stored name
    EXPECT_EQ(entry("PRINTER", "html"), "/tmp/chosen.html");
    send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_BROWSE_FILE);  // cancelled: nothing changes
    EXPECT_EQ(prompts.last().caption, "Select Output File");
    EXPECT_EQ(entry("PRINTER", "file"), "term 1.ps");

    send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_TO_HTML);
    EXPECT_EQ(entry("PRINTER", "printtofile"), "2");
    EXPECT_STREQ(dlg.description().name.text(), "/tmp/chosen.html");
    EXPECT_EQ(dlg.description().flags & (FXNativePrinter::DEST_FILE | FXNativePrinter::DEST_HTML),
              (FXuint)FXNativePrinter::DEST_HTML);

    // Reopened, the dialog starts where the user left it.
    FXNativePrintDialog again(owner);
    EXPECT_EQ(again.destination(), 2);
    EXPECT_STREQ(again.description().name.text(), "/tmp/chosen.html");
}

TEST_F(PrintDialogTest, PageChoicesStayInsideTheSpan) {
    FXNativePrintDialog dlg(owner);
    FXNativePrinter p;
    p.firstpage = 1;
    p.lastpage = 7;
    dlg.setPrinter(p);
    send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_PAGES_EVEN);
    EXPECT_EQ(dlg.description().frompage, 2u);
    EXPECT_EQ(dlg.description().topage, 6u);
    EXPECT_NE(dlg.description().flags & FXNativePrinter::PAGES_EVEN, 0u);
    send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_PAGES_ODD);
    EXPECT_EQ(dlg.description().frompage, 1u);
    EXPECT_EQ(dlg.description().topage, 7u);
    EXPECT_EQ(dlg.description().flags & (FXNativePrinter::PAGES_EVEN | FXNativePrinter::PAGES_ODD),
              (FXuint)FXNativePrinter::PAGES_ODD);
    send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_PAGES_ALL);
    EXPECT_EQ(dlg.description().flags &
                  (FXNativePrinter::PAGES_EVEN | FXNativePrinter::PAGES_ODD | FXNativePrinter::PAGES_RANGE),
              0u);
    EXPECT_EQ(dlg.description().frompage, 1u);
    EXPECT_EQ(dlg.description().topage, 7u);

    // A one-page document has no even page: the span's own page is kept.
    p.lastpage = 1;
    dlg.setPrinter(p);
    send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_PAGES_EVEN);
    EXPECT_EQ(dlg.description().frompage, 1u);
    EXPECT_EQ(dlg.description().topage, 1u);
}

TEST_F(PrintDialogTest, RangeField) {
    FXNativePrintDialog dlg(owner);
    FXNativePrinter p;
    p.firstpage = 1;
    p.lastpage = 10;
    dlg.setPrinter(p);
    EXPECT_TRUE(dlg.rangeTextAcceptable("3-5,8"));
    EXPECT_TRUE(dlg.rangeTextAcceptable("3-"));
    EXPECT_TRUE(dlg.rangeTextAcceptable("1:2;4+10"));
    EXPECT_FALSE(dlg.rangeTextAcceptable("12"));
    EXPECT_FALSE(dlg.rangeTextAcceptable("3-11"));
    EXPECT_FALSE(dlg.rangeTextAcceptable("0"));
    EXPECT_FALSE(dlg.rangeTextAcceptable("3 5"));
    EXPECT_FALSE(dlg.rangeTextAcceptable("a"));
    EXPECT_FALSE(dlg.rangeTextAcceptable("99999999999999999999"));
    // The field's verify message refuses what does not fit.
    EXPECT_EQ(send(dlg, SEL_VERIFY, FXNativePrintDialog::ID_RANGE, (void*)"12"), 1);
    EXPECT_EQ(send(dlg, SEL_VERIFY, FXNativePrintDialog::ID_RANGE, (void*)"1"), 0);

    auto r = FXNativePrintDialog::parseRanges("3-5,8");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0], std::make_pair(3u, 5u));
    EXPECT_EQ(r[1], std::make_pair(8u, 8u));
    r = FXNativePrintDialog::parseRanges("5-3");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0], std::make_pair(3u, 5u));
    r = FXNativePrintDialog::parseRanges("1:2;;4+6-");
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[2], std::make_pair(6u, 6u));
    EXPECT_TRUE(FXNativePrintDialog::parseRanges("").empty());

    // Print with a range: the ranges reach the description.
    send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_TO_FILE);
    std::string dir = printtest::scratchDir();
    dlg.fileField()->setText((dir + "/r.ps").c_str());
    send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_FILE_NAME);
    send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_PAGES_RANGE);
    dlg.rangeField()->setText("8,3-5");
    send(dlg, SEL_COMMAND, FXDialogBox::ID_ACCEPT);
    FXNativePrinter out;
    dlg.getPrinter(out);
    ASSERT_EQ(out.ranges.size(), 2u);
    EXPECT_EQ(out.ranges[0], std::make_pair(8u, 8u));
    EXPECT_EQ(out.frompage, 3u);
    EXPECT_EQ(out.topage, 8u);
    EXPECT_NE(out.flags & FXNativePrinter::PAGES_RANGE, 0u);
}

TEST_F(PrintDialogTest, PrintWritesLayoutAndColourAndAsksBeforeOverwriting) {
    RecordingPrompter prompts;
    std::string dir = printtest::scratchDir();
    std::string file = dir + "/exists.ps";
    printtest::writeFile(file, "old");
    FXNativePrintDialog dlg(owner);
    send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_TO_FILE);
    dlg.fileField()->setText(file.c_str());
    send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_FILE_NAME);
    send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_LANDSCAPE);
    send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_COLOR);
    send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_COLLATE_REVERSED);
    dlg.copiesSpinner()->setValue(3);
    send(dlg, SEL_CHANGED, FXNativePrintDialog::ID_COPIES);
    dlg.create();
    dlg.show(PLACEMENT_OWNER);

    // Cancel: back to the dialog, still shown.
    send(dlg, SEL_COMMAND, FXDialogBox::ID_ACCEPT);
    ASSERT_EQ(prompts.count("question"), 1u);
    EXPECT_EQ(prompts.last().caption, "Overwrite file?");
    EXPECT_EQ(prompts.last().text, "Overwrite existing file " + file + "?");
    EXPECT_TRUE(dlg.shown());
    EXPECT_EQ(entry("PRINTER", "landscape"), "1");
    EXPECT_EQ(entry("PRINTER", "color"), "1");

    // Yes: accepted and closed.
    prompts.choices.push_back(Prompter::YES);
    send(dlg, SEL_COMMAND, FXDialogBox::ID_ACCEPT);
    EXPECT_EQ(prompts.count("question"), 2u);
    EXPECT_FALSE(dlg.shown());
    FXNativePrinter out;
    dlg.getPrinter(out);
    EXPECT_STREQ(out.name.text(), file.c_str());
    EXPECT_EQ(out.numcopies, 3u);
    EXPECT_NE(out.flags & FXNativePrinter::LANDSCAPE, 0u);
    EXPECT_NE(out.flags & FXNativePrinter::COLOR, 0u);
    EXPECT_NE(out.flags & FXNativePrinter::COLLATE_REVERSED, 0u);
    EXPECT_EQ(out.settings.orientation, 2);
    EXPECT_EQ(out.settings.copies, 3);
    EXPECT_EQ(printtest::readFile(file), "old");  // the dialog itself writes nothing

    // No: the dialog closes without printing (execute() answers 0).
    FXNativePrintDialog again(owner);
    send(again, SEL_COMMAND, FXNativePrintDialog::ID_TO_FILE);
    again.fileField()->setText(file.c_str());
    send(again, SEL_COMMAND, FXNativePrintDialog::ID_FILE_NAME);
    prompts.choices.push_back(Prompter::NO);
    ModalAnswer accept;
    accept.answer = [](FXWindow* w) { w->handle(w, FXSEL(SEL_COMMAND, FXDialogBox::ID_ACCEPT), nullptr); };
    accept.arm();
    EXPECT_EQ(0u, again.execute(PLACEMENT_OWNER));
    EXPECT_TRUE(accept.answered);
    EXPECT_EQ(prompts.count("question"), 3u);
    EXPECT_FALSE(again.shown());

    // A new file needs no question.
    FXNativePrintDialog fresh(owner);
    fresh.fileField()->setText((dir + "/new.ps").c_str());
    send(fresh, SEL_COMMAND, FXNativePrintDialog::ID_FILE_NAME);
    fresh.create();
    fresh.show(PLACEMENT_OWNER);
    send(fresh, SEL_COMMAND, FXDialogBox::ID_ACCEPT);
    EXPECT_EQ(prompts.count("question"), 3u);
    EXPECT_FALSE(fresh.shown());
}

TEST_F(PrintDialogTest, PropertiesAreTakenBack) {
    RecordingPrompter prompts;
    FXNativePrintDialog dlg(owner);
    FXPrinterSettings s = dlg.description().settings;
    s.orientation = 2;
    s.paperCode = 9;
    s.color = 2;
    s.copies = 4;
    dlg.applyProperties(s);
    EXPECT_EQ(prompts.count("warning"), 0u);
    EXPECT_EQ(dlg.description().mediasize, 9u);
    EXPECT_DOUBLE_EQ(dlg.description().mediawidth, 595.27559);
    EXPECT_EQ(dlg.paperListBox()->getCurrentItem(), 1);
    EXPECT_EQ(entry("PRINTER", "media"), "1");
    EXPECT_NE(dlg.description().flags & FXNativePrinter::LANDSCAPE, 0u);
    EXPECT_EQ(dlg.description().numcopies, 4u);
    EXPECT_EQ(dlg.copiesSpinner()->getValue(), 4);

    s.paperCode = 70;  // not in the list
    s.orientation = 1;
    dlg.applyProperties(s);
    ASSERT_EQ(prompts.count("warning"), 1u);
    EXPECT_EQ(prompts.last().text, "Unsupported paper size.");
    EXPECT_EQ(dlg.description().mediasize, 9u);  // previous paper kept
    EXPECT_EQ(dlg.description().flags & FXNativePrinter::LANDSCAPE, 0u);
}

TEST_F(PrintDialogTest, PropertiesDialogEditsOrientationPaperColourAndCopies) {
    FXNativePrintDialog dlg(owner);
    dlg.create();
    ModalAnswer answer;
    answer.answer = [](FXWindow* box) {
        findButton<FXRadioButton>(box, "Landscape")->setCheck(TRUE, TRUE);
        findButton<FXCheckButton>(box, "Print in Color")->setCheck(TRUE, TRUE);
        findWidget<FXListBox>(box)->setCurrentItem(3, TRUE);  // A3
        findWidget<FXSpinner>(box)->setValue(5, TRUE);
        box->handle(box, FXSEL(SEL_COMMAND, FXDialogBox::ID_ACCEPT), nullptr);
    };
    answer.arm();
    dlg.handle(&dlg, FXSEL(SEL_COMMAND, FXNativePrintDialog::ID_PROPERTIES), nullptr);
    ASSERT_TRUE(answer.answered);
    const FXNativePrinter& p = dlg.description();
    EXPECT_NE(p.flags & FXNativePrinter::LANDSCAPE, 0u);
    EXPECT_EQ(p.mediasize, 8u);
    EXPECT_DOUBLE_EQ(p.mediaheight, 1190.55118);
    EXPECT_EQ(p.settings.color, 2);
    EXPECT_EQ(p.numcopies, 5u);
    EXPECT_EQ(dlg.copiesSpinner()->getValue(), 5);
    EXPECT_EQ(entry("PRINTER", "media"), "3");

    // Cancelled: nothing changes.
    answer.answered = false;
    answer.answer = [](FXWindow* box) {
        findButton<FXRadioButton>(box, "Portrait")->setCheck(TRUE, TRUE);
        box->handle(box, FXSEL(SEL_COMMAND, FXDialogBox::ID_CANCEL), nullptr);
    };
    answer.arm();
    dlg.handle(&dlg, FXSEL(SEL_COMMAND, FXNativePrintDialog::ID_PROPERTIES), nullptr);
    ASSERT_TRUE(answer.answered);
    EXPECT_NE(dlg.description().flags & FXNativePrinter::LANDSCAPE, 0u);
}

TEST_F(PrintDialogTest, CallerDescriptionWithoutNameKeepsTheRememberedChoice) {
    reg().writeIntEntry("PRINTER", "printtofile", 1);
    reg().writeStringEntry("PRINTER", "file", "remembered.ps");
    FXNativePrintDialog dlg(owner);
    FXNativePrinter p;
    p.flags = FXNativePrinter::COLOR;
    p.firstpage = 1;
    p.lastpage = 4;
    dlg.setPrinter(p);
    EXPECT_STREQ(dlg.description().name.text(), "remembered.ps");
    EXPECT_NE(dlg.description().flags & FXNativePrinter::DEST_FILE, 0u);
    EXPECT_EQ(dlg.description().lastpage, 4u);

    FXNativePrinter named;
    named.name = "given.html";
    named.flags = FXNativePrinter::DEST_HTML;
    dlg.setPrinter(named);
    EXPECT_EQ(dlg.destination(), 2);
    EXPECT_STREQ(dlg.htmlField()->getText().text(), "given.html");
}

// A wide table is landscape until the user chooses portrait for tables;
// that choice is kept apart from the orientation of other jobs.
TEST_F(PrintDialogTest, WideTablesAreLandscapeUnlessChosenOtherwise) {
    std::string dir = printtest::scratchDir();
    FXNativePrinter wide;
    wide.flags = FXNativePrinter::WIDE_TABLE;
    {
        FXNativePrintDialog dlg(owner);
        dlg.setPrinter(wide);
        EXPECT_NE(dlg.description().flags & FXNativePrinter::LANDSCAPE, 0u);
        EXPECT_TRUE(findButton<FXRadioButton>(&dlg, "Landscape")->getCheck());
        send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_TO_FILE);
        dlg.fileField()->setText((dir + "/table.ps").c_str());
        send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_FILE_NAME);
        send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_PORTRAIT);
        dlg.create();
        dlg.show(PLACEMENT_OWNER);
        send(dlg, SEL_COMMAND, FXDialogBox::ID_ACCEPT);
        FXNativePrinter out;
        dlg.getPrinter(out);
        EXPECT_EQ(out.flags & FXNativePrinter::LANDSCAPE, 0u);
    }
    EXPECT_EQ(entry("PRINTER", "tablelandscape"), "0");
    EXPECT_EQ(entry("PRINTER", "landscape"), "<missing>");
    FXNativePrintDialog again(owner);
    again.setPrinter(wide);
    EXPECT_EQ(again.description().flags & FXNativePrinter::LANDSCAPE, 0u);
    // Other jobs keep their own orientation.
    reg().writeIntEntry("PRINTER", "tablelandscape", 1);
    FXNativePrintDialog plain(owner);
    plain.setPrinter(FXNativePrinter());
    EXPECT_EQ(plain.description().flags & FXNativePrinter::LANDSCAPE, 0u);
}

// Alt+P prints (the PostScript destination's key is Alt+S), and Enter in a
// file name prints as the default button does.
TEST_F(PrintDialogTest, AltPPrintsAndEnterInAFileNamePrints) {
    std::string dir = printtest::scratchDir();
    FXNativePrintDialog dlg(owner);
    FXButton* print = findButton<FXButton>(&dlg, "Print");
    ASSERT_NE(print, nullptr);
    EXPECT_EQ(dlg.getAccelTable()->targetOfAccel(MKUINT(KEY_p, ALTMASK)), print);
    EXPECT_EQ(dlg.getAccelTable()->targetOfAccel(MKUINT(KEY_s, ALTMASK)),
              findButton<FXRadioButton>(&dlg, "Postscript File:"));
    send(dlg, SEL_COMMAND, FXNativePrintDialog::ID_TO_FILE);
    dlg.create();
    dlg.show(PLACEMENT_OWNER);
    const std::string file = dir + "/entered.ps";
    dlg.fileField()->setText(file.c_str());
    FXEvent key;
    key.type = SEL_KEYPRESS;
    key.code = KEY_a;
    EXPECT_EQ(send(dlg, SEL_KEYPRESS, FXNativePrintDialog::ID_FILE_NAME, &key), 0);  // typing goes on
    EXPECT_TRUE(dlg.shown());
    key.code = KEY_Return;
    EXPECT_EQ(send(dlg, SEL_KEYPRESS, FXNativePrintDialog::ID_FILE_NAME, &key), 1);
    EXPECT_FALSE(dlg.shown());
    FXNativePrinter out;
    dlg.getPrinter(out);
    EXPECT_STREQ(out.name.text(), file.c_str());
    EXPECT_NE(out.flags & FXNativePrinter::DEST_FILE, 0u);
}

}  // namespace

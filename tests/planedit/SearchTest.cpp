// The Search tab: finding lessons of every teacher by name (apostrophes,
// "%" and "_" as typed) or by their marks, ticking results, moving the
// dialog to a result, and printing the ticked lessons as a report.
#include "data/AppState.h"
#include "data/Dates.h"
#include "lessons/LessonDialogOpened.h"
#include "planedit/PlanEditTest.h"
#include "print/FXNativePrintDialog.h"
#include "print/PrintTestSupport.h"

using namespace FX;
using namespace planedit;

namespace {

class Search : public PlanEdit {
protected:
    printtest::ModalAnswer answer;

    void SetUp() override {
        PlanEdit::SetUp();
        printtest::useApp(app(), app()->getDisplay() != nullptr);
        lessons::setLessonDialogOpened(TRUE);
        addLongTerm(10, "Number", weekday(-21), weekday(40));
        addUnit(20, 10, "Fractions");
        addUnit(21, 10, "Others unit", 1, 0, OTHER);
    }
    void TearDown() override {
        app()->removeChore(&answer, printtest::ModalAnswer::ID_IDLE);
        PlanEdit::TearDown();
    }

    // A lesson named as the plan editor stores names (through EscapeText).
    void lessonNamed(int id, int unit, const std::string& name, const std::string& date) {
        addLesson(id, unit, "x", date, date);
        IsectRecordset rs;
        ASSERT_TRUE(rs.OpenRecordset(FXString("Update LessonPlan set LessonName = '") + EscapeText(name.c_str()) +
                                     "' where Id = " + FXStringVal(id)));
    }

    // The lesson names found for a search text.
    std::vector<std::string> search(const std::string& text) {
        type(SEARCH, "Search String:", text);
        press(SEARCH, "Search");
        return items("Lesson Plan Name");
    }

    // The ticks of the result rows, the same in all four lists.
    std::vector<bool> ticks() {
        std::vector<bool> out;
        for (const std::string& icon : icons("Lesson Plan Name")) out.push_back(icon == "tick");
        for (const char* title : {"Date", "Teacher", "Unit Name"})
            EXPECT_EQ(icons(title), icons("Lesson Plan Name")) << title;
        return out;
    }

    // "&Print" with the print dialog answered: a PostScript file (or HTML).
    std::vector<bool> offeredLandscape;
    std::string print(const std::string& name, int destination = 1) {
        std::string file = printtest::scratchDir() + "/" + name;
        answer.answered = false;
        answer.answer = [=](FXWindow* w) {
            FXNativePrintDialog* dlg = dynamic_cast<FXNativePrintDialog*>(w);
            ASSERT_NE(dlg, nullptr);
            dlg->handle(dlg, FXSEL(SEL_COMMAND, FXNativePrintDialog::ID_TO_PRINTER + destination), nullptr);
            // The report is a wide table: landscape is offered until the user
            // chooses portrait, as this one does.
            offeredLandscape.push_back((dlg->description().flags & FXNativePrinter::LANDSCAPE) != 0);
            dlg->handle(dlg, FXSEL(SEL_COMMAND, FXNativePrintDialog::ID_PORTRAIT), nullptr);
            FXTextField* field = destination == 1 ? dlg->fileField() : dlg->htmlField();
            field->setText(file.c_str());
            dlg->handle(dlg, FXSEL(SEL_COMMAND, FXNativePrintDialog::ID_FILE_NAME + destination - 1), nullptr);
            dlg->handle(dlg, FXSEL(SEL_COMMAND, FXDialogBox::ID_ACCEPT), nullptr);
        };
        answer.arm();
        press(SEARCH, "Print");
        EXPECT_TRUE(answer.answered);
        return file;
    }

    std::string textOf(const std::string& file) {
        std::string text;
        for (const printtest::Word& w : printtest::words(file)) text += (text.empty() ? "" : " ") + w.text;
        return text;
    }
};

}  // namespace

TEST_F(Search, ApostrophesPercentAndUnderscoreAreMatchedAsTyped) {
    lessonNamed(30, 20, "O'Brien's fractions", weekday(0));
    lessonNamed(31, 20, "OBrien", weekday(1));
    lessonNamed(32, 20, "100% effort", weekday(2));
    lessonNamed(33, 20, "1000 effort", weekday(3));
    lessonNamed(34, 21, "snake_case", weekday(4));
    lessonNamed(35, 20, "snakescase", weekday(5));
    lessonNamed(36, 20, "Halves, quarters", weekday(6));
    lessonNamed(37, 20, "Fun! at last", weekday(7));
    // Stored as typed, by another program: found as well.
    sql("insert into LessonPlan (Id, LessonName, DateStart, DateEnd, TimeStart, TimeEnd, FKUnitPlan) values "
        "(38, 'O''Brien again, raw', '" +
        weekday(8) + "', '" + weekday(8) + "', '09:00', '09:30', 20);");
    open();
    EXPECT_EQ(search("O'Brien"), (std::vector<std::string>{"O'Brien's fractions", "O'Brien again, raw"}));
    EXPECT_EQ(search("100%"), (std::vector<std::string>{"100% effort"}));
    EXPECT_EQ(search("%"), (std::vector<std::string>{"100% effort"}));
    EXPECT_EQ(search("e_c"), (std::vector<std::string>{"snake_case"}));
    EXPECT_EQ(search("s, q"), (std::vector<std::string>{"Halves, quarters"}));
    EXPECT_EQ(search("n!"), (std::vector<std::string>{"Fun! at last"}));
    EXPECT_EQ(search("'; delete from LessonPlan; --"), std::vector<std::string>{});
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(count("Select count(*) from LessonPlan"), 9);
    // The other columns of a row: date, teacher, unit.
    search("snake");
    ASSERT_EQ(items("Lesson Plan Name"), (std::vector<std::string>{"snake_case", "snakescase"}));
    EXPECT_EQ(items("Teacher"), (std::vector<std::string>{"Otto Other", "Tia Teacher"}));
    EXPECT_EQ(items("Unit Name"), (std::vector<std::string>{"Others unit", "Fractions"}));
    EXPECT_EQ(items("Date")[0], shown(weekday(4)));
    EXPECT_EQ(id("Lesson Plan Name", 0), 34);
    EXPECT_EQ((FXlong)data("Date", 0), dates::offsetShowing(weekday(4).c_str()));
    EXPECT_EQ(ticks(), (std::vector<bool>{false, false}));
}

// Case and accents do not matter, whether a name is stored in UTF-8 (as
// typed) or in Latin-1 (older data).
TEST_F(Search, CaseAndAccentsDoNotMatter) {
    lessonNamed(40, 20, "Fractions 2", weekday(0));
    lessonNamed(41, 20, "Caf\xc3\xa9 au lait", weekday(1));
    sql("insert into LessonPlan (Id, LessonName, DateStart, DateEnd, TimeStart, TimeEnd, FKUnitPlan) values "
        "(42, 'Caf\xe9 noir', '" +
        weekday(2) + "', '" + weekday(2) + "', '09:00', '09:30', 20);");
    lessonNamed(43, 20, "M\xc4\x81ori kupu", weekday(3));
    lessonNamed(44, 20, "Cafeteria", weekday(4));
    open();
    EXPECT_EQ(search("fractions"), (std::vector<std::string>{"Fractions 2"}));
    EXPECT_EQ(search("FRACTIONS 2"), (std::vector<std::string>{"Fractions 2"}));
    const std::vector<std::string> cafes{"Caf\xc3\xa9 au lait", "Caf\xe9 noir", "Cafeteria"};
    EXPECT_EQ(search("cafe"), cafes);
    EXPECT_EQ(search("CAF\xc3\x89"), cafes);
    EXPECT_EQ(search("caf\xe9"), cafes);  // typed in Latin-1
    EXPECT_EQ(search("maori"), (std::vector<std::string>{"M\xc4\x81ori kupu"}));
    EXPECT_EQ(search("M\xc4\x80ORI"), (std::vector<std::string>{"M\xc4\x81ori kupu"}));
    EXPECT_TRUE(errors().empty());
}

TEST_F(Search, ShortTextsAreRefusedUnlessMarksAreSearched) {
    addLesson(30, 20, "Halves", weekday(0), weekday(0));
    addLesson(31, 20, "Quarters", weekday(1), weekday(1));
    sql("update LessonPlan set LessonEval = 1 where Id = 31;");
    open();
    EXPECT_EQ(search(" h "), std::vector<std::string>{});
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().kind, "information");
    EXPECT_EQ(prompts.last().caption, "Search String Too Short");
    EXPECT_EQ(prompts.last().text, "You must have at least two characters in your search string.");
    // With "Evaluation" checked the text is not needed, and not used: the
    // lessons whose evaluation is the one chosen (Excellent) are found.
    check(SEARCH, "Evaluation");
    bind(EVALUATION, "Evaluation:", 1);
    type(SEARCH, "Search String:", "h");
    press(SEARCH, "Search");
    EXPECT_EQ(items("Lesson Plan Name"), (std::vector<std::string>{"Quarters"}));
    EXPECT_EQ(prompts.prompts.size(), 1u);
    // Typing a character clears the three checks.
    check(SEARCH, "Assessment");
    check(SEARCH, "Lesson Not Taught");
    typeKeys(SEARCH, "Search String:", "a");
    EXPECT_FALSE(checkButton(SEARCH, "Evaluation")->getCheck());
    EXPECT_FALSE(checkButton(SEARCH, "Assessment")->getCheck());
    EXPECT_FALSE(checkButton(SEARCH, "Lesson Not Taught")->getCheck());
    EXPECT_EQ(text(SEARCH, "Search String:"), "a");
}

TEST_F(Search, ChoosingAResultTicksItAndShowsItsLesson) {
    addLesson(30, 20, "Halves", weekday(7), weekday(7));
    addLesson(31, 20, "Half time", weekday(9), weekday(9));
    open();
    EXPECT_EQ(search("Hal"), (std::vector<std::string>{"Halves", "Half time"}));
    click("Unit Name", 1);
    EXPECT_EQ(ticks(), (std::vector<bool>{false, true}));
    EXPECT_EQ(dialog->currentLesson(), 31);
    EXPECT_EQ(text(OBJECTIVE, "Name:"), "Half time");
    EXPECT_EQ(id("Unit Plan", current("Unit Plan")), 20);
    for (const char* title : {"Date", "Teacher", "Unit Name", "Lesson Plan Name"})
        EXPECT_EQ(current(title), 1) << title;
    const FXlong moved = appState.dateOffset;
    // Chosen again: unticked, and the dialog stays where it is.
    type(OBJECTIVE, "Name:", "typed, not saved");
    click("Unit Name", 1);
    EXPECT_EQ(ticks(), (std::vector<bool>{false, false}));
    EXPECT_EQ(appState.dateOffset, moved);
    EXPECT_EQ(text(OBJECTIVE, "Name:"), "typed, not saved");
    click("Unit Name", 1);
    EXPECT_EQ(text(OBJECTIVE, "Name:"), "Half time");
    // Select and Unselect tick and untick every row.
    press(SEARCH, "Select");
    EXPECT_EQ(ticks(), (std::vector<bool>{true, true}));
    press(SEARCH, "Unselect");
    EXPECT_EQ(ticks(), (std::vector<bool>{false, false}));
    EXPECT_TRUE(errors().empty());
}

TEST_F(Search, TheTickedLessonsPrintAsAReport) {
    addLesson(30, 20, "Halves", weekday(0), weekday(0));
    addLesson(31, 20, "Half time", weekday(1), weekday(1));
    addLesson(32, 20, "Halloween", weekday(2), weekday(2));
    open();
    // No lesson dialog opened yet: the report is refused with the message.
    lessons::setLessonDialogOpened(FALSE);
    search("Hal");
    press(SEARCH, "Print");
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().caption, "Printing device context not yet initialised.");
    EXPECT_EQ(prompts.last().text, "Please open and close the Print Lessons screen and try again.");
    lessons::setLessonDialogOpened(TRUE);

    // Nothing ticked: the header alone.
    std::string file = print("none.ps");
    ASSERT_EQ(offeredLandscape.size(), 1u);
    EXPECT_TRUE(offeredLandscape[0]);
    std::string text = textOf(file);
    std::string messages;
    EXPECT_EQ(printtest::ghostscript(file, &messages), 0) << messages;
    EXPECT_EQ(printtest::pageCount(file), 1);
    EXPECT_NE(text.find("Search criteria: Hal"), std::string::npos) << text;
    EXPECT_EQ(text.find("Halves"), std::string::npos) << text;

    click("Unit Name", 2);
    click("Unit Name", 0);
    file = print("ticked.ps");
    EXPECT_FALSE(offeredLandscape.back());  // portrait, as chosen
    EXPECT_EQ(printtest::ghostscript(file, &messages), 0) << messages;
    EXPECT_EQ(printtest::pageCount(file), 1);
    text = textOf(file);
    for (const char* head : {"Date", "Unit", "Lesson Name", "Introduction", "Development", "Closure", "Resources"})
        EXPECT_NE(text.find(head), std::string::npos) << head;
    // The rows in list order, names whole in columns as wide as they are.
    ASSERT_NE(text.find("Halloween"), std::string::npos) << text;
    EXPECT_LT(text.find("Halves"), text.find("Hallowee"));
    EXPECT_EQ(text.find("Half"), std::string::npos);
    EXPECT_NE(text.find(shown(weekday(0))), std::string::npos) << text;
    EXPECT_NE(text.find(shown(weekday(2))), std::string::npos) << text;
    EXPECT_EQ(printtest::count(text, "Fractions"), 2u) << text;
    for (const printtest::Box& b : printtest::inkBoxes(file)) {
        EXPECT_GE(b.x0, 0);
        EXPECT_GE(b.y0, 0);
        EXPECT_LE(b.x1, 612);
        EXPECT_LE(b.y1, 792);
    }

    // To HTML: one table of the ticked lessons, one header row.
    file = print("ticked.html", 2);
    std::string html = printtest::readFile(file);
    EXPECT_EQ(printtest::count(html, "<THEAD>"), 1u);
    EXPECT_EQ(printtest::count(html, "<TD class=\"LESSONNAME\">"), 2u);
    EXPECT_LT(html.find(">Halves<"), html.find(">Halloween<"));
}

// These tests run without the search service: "All text" says so in a
// sentence, and the name search goes on working.
TEST_F(Search, AllTextWithoutTheSearchServiceSaysSo) {
    addLesson(30, 20, "Halves", weekday(1), weekday(1));
    open();
    type(SEARCH, "Words:", "halves");
    press(SEARCH, "Find");
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.last().kind, "information");
    EXPECT_EQ(prompts.last().caption, "All Text Search");
    EXPECT_EQ(prompts.last().text.find("The All text search is not running on the school's server just now"), 0u)
        << prompts.last().text;
    EXPECT_TRUE(items("Found").empty());
    EXPECT_EQ(search("Hal"), (std::vector<std::string>{"Halves"}));
    EXPECT_TRUE(errors().empty());
}

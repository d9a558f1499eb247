// The Search tab's "All text" search against the real search service
// (Sifter behind the router, its index beside the database): words found in
// lesson texts, unit and plan descriptions and inside attachments, the
// scopes, pages of 20, choosing results, ticks and printing, and words the
// service cannot read.
#include <algorithm>

#include "data/AppState.h"
#include "data/Dates.h"
#include "data/TextSearch.h"
#include "lessons/LessonDialogOpened.h"
#include "planedit/PlanEditTest.h"
#include "print/FXNativePrintDialog.h"
#include "print/PrintTestSupport.h"
#include "support/TestFiles.h"

using namespace FX;
using namespace planedit;

namespace {

class AllText : public PlanEdit {
protected:
    printtest::ModalAnswer answer;
    testsupport::TempDir files{"plenwick-alltext"};

    void SetUp() override {
        PlanEdit::SetUp();
        printtest::useApp(app(), app()->getDisplay() != nullptr);
        lessons::setLessonDialogOpened(TRUE);
        sql("delete from UnitBinary; delete from BinaryDescription;");
        addLongTerm(10, "Number", weekday(-21), weekday(40));
        addUnit(20, 10, "Fractions");
        addUnit(21, 10, "Others unit", 1, 0, OTHER);
    }
    void TearDown() override {
        app()->removeChore(&answer, printtest::ModalAnswer::ID_IDLE);
        PlanEdit::TearDown();
    }

    // A lesson whose development text is `dev`.
    void lessonWith(int id, int unit, const std::string& name, const std::string& date, const std::string& dev) {
        addLesson(id, unit, name, date, date);
        sql("update LessonPlan set LessonDev = '" + dev + "' where Id = " + std::to_string(id) + ";");
    }

    // "&Find" for `words` in `scope`: the "Found" column of the results.
    std::vector<std::string> findWords(const std::string& words, const std::string& scope = "The whole school") {
        type(SEARCH, "Words:", words);
        pick(SEARCH, "In:", scope);
        press(SEARCH, "Find");
        return items("Found");
    }
    // The label left of the buttons "Search" ... "Close": which page is shown.
    std::string pageText() {
        FXWindow* label = button(SEARCH, "Search")->getParent()->getNext();
        return label && label->isMemberOf(FXMETACLASS(FXLabel)) ? str(static_cast<FXLabel*>(label)->getText()) : "?";
    }
    static std::string str(const FXString& s) { return std::string(s.text(), (size_t)s.length()); }
    bool buttonEnabled(const std::string& text) {
        dialog->forceRefresh();
        return button(SEARCH, text)->isEnabled();
    }
    std::string snippetShown() {
        // The only text area of the tab.
        return str(EditorDriver::find<FXText>(SEARCH)->getText());
    }
    std::vector<std::string> informations() {
        std::vector<std::string> out;
        for (const auto& p : prompts.prompts)
            if (p.kind == "information") out.push_back(p.caption + "|" + p.text);
        return out;
    }
};

TEST_F(AllText, AWordOnlyAnAttachmentHoldsIsFoundAndOpensItsUnit) {
    open();
    choosePlan(10);
    chooseUnit(20);
    const std::string sheet = files.file("worksheet.html");
    testsupport::writeFile(sheet, "<html><body><p>Draw the <b>axolotl</b> and its gills.</p></body></html>");
    prompts.paths.push_back(sheet);
    press(UNIT, "Import");
    ASSERT_TRUE(errors().empty()) << errors()[0];
    // Somewhere else first, so that opening it is seen.
    choosePlan(10);
    showTab(SEARCH);

    EXPECT_EQ(findWords("axolotl"), (std::vector<std::string>{"worksheet.html"}));
    EXPECT_EQ(items("Kind"), (std::vector<std::string>{"Attachment"}));
    EXPECT_EQ(items("Planned By"), (std::vector<std::string>{"Tia Teacher"}));
    ASSERT_EQ(items("Matched Text").size(), 1u);
    EXPECT_NE(items("Matched Text")[0].find("\xC2\xAB"
                                            "axolotl\xC2\xBB"),
              std::string::npos)
        << items("Matched Text")[0];
    // The snippet under the list: the marks left out.
    EXPECT_NE(snippetShown().find("axolotl"), std::string::npos) << snippetShown();
    EXPECT_EQ(snippetShown().find("\xC2\xAB"), std::string::npos) << snippetShown();
    EXPECT_EQ(pageText(), "Page 1 of 1 (1 found)");

    click("Found", 0);
    EXPECT_EQ(shownTab(), UNIT);
    EXPECT_EQ(id("Unit Plan", current("Unit Plan")), 20);
    EXPECT_EQ(items("Kind"), (std::vector<std::string>{"Attachment"}));
    // Attachments are not ticked: only lessons print.
    EXPECT_EQ(icons("Kind"), (std::vector<std::string>{""}));
    EXPECT_TRUE(errors().empty());
}

TEST_F(AllText, UnitAndPlanResultsOpenThemInTheirTerm) {
    sql("update UnitPlan set UnitDescription = 'Sharing pizzas between friends' where Id = 20;");
    addLongTerm(11, "Science before", weekday(-80), weekday(-30));
    sql("update LongTerm set Description = 'Volcanoes and earthquakes' where Id = 11;");
    addUnit(22, 11, "Rocks");
    open();
    const FXlong before = appState.dateOffset;

    EXPECT_EQ(findWords("pizza"), (std::vector<std::string>{"Fractions"}));
    EXPECT_EQ(items("Kind"), (std::vector<std::string>{"Unit"}));
    click("Found", 0);
    EXPECT_EQ(shownTab(), UNIT);
    EXPECT_EQ(id("Unit Plan", current("Unit Plan")), 20);

    showTab(SEARCH);
    EXPECT_EQ(findWords("earthquake"), (std::vector<std::string>{"Science before"}));
    EXPECT_EQ(items("Kind"), (std::vector<std::string>{"Plan"}));
    EXPECT_EQ(items("Dated"), (std::vector<std::string>{shown(weekday(-80))}));
    click("Found", 0);
    // The dialog went back to the plan's term to list it.
    EXPECT_NE(appState.dateOffset, before);
    EXPECT_EQ(shownTab(), LONGTERM);
    EXPECT_EQ(id("Long Term Plan", current("Long Term Plan")), 11);
    EXPECT_TRUE(errors().empty()) << errors()[0];
}

TEST_F(AllText, WordsStemsPhrasesAndLeavingOut) {
    lessonWith(30, 20, "Halves", weekday(1), "Fold the paper into equal halves");
    lessonWith(31, 20, "Quarters", weekday(2), "Fold it again: four equal parts");
    lessonWith(32, 20, "Sharing", weekday(3), "Equal sharing of the Māori kai");
    open();
    EXPECT_EQ(findWords("folding").size(), 2u);  // the stem of "fold"
    EXPECT_EQ(findWords("FOLD -halves"), (std::vector<std::string>{"Quarters"}));
    EXPECT_EQ(findWords("\"equal parts\""), (std::vector<std::string>{"Quarters"}));
    EXPECT_EQ(findWords("maori"), (std::vector<std::string>{"Sharing"}));
    EXPECT_EQ(findWords("giraffe"), (std::vector<std::string>{}));
    EXPECT_EQ(pageText(), "Nothing found.");
    EXPECT_TRUE(informations().empty()) << informations()[0];
}

TEST_F(AllText, TheScopesAreMineMySyndicatesAndTheSchools) {
    lessonWith(30, 20, "Mine", weekday(1), "the tuatara basks");
    lessonWith(31, 21, "Ottos", weekday(2), "a tuatara sleeps");
    addUnit(23, 10, "Lenas unit", 1, 0, LEADER);
    lessonWith(32, 23, "Lenas", weekday(3), "tuatara eggs");
    open();
    EXPECT_EQ(findWords("tuatara", "My plans"), (std::vector<std::string>{"Mine"}));
    std::vector<std::string> syndicate = findWords("tuatara", "My syndicate's");
    std::sort(syndicate.begin(), syndicate.end());
    EXPECT_EQ(syndicate, (std::vector<std::string>{"Lenas", "Mine"}));
    EXPECT_EQ(findWords("tuatara").size(), 3u);
    std::vector<std::string> teachers = items("Planned By");
    std::sort(teachers.begin(), teachers.end());
    EXPECT_EQ(teachers, (std::vector<std::string>{"Lena Leader", "Otto Other", "Tia Teacher"}));
}

TEST_F(AllText, LessonResultsTickMoveTheDialogAndPrintOverPages) {
    for (int i = 0; i < 25; ++i)
        lessonWith(100 + i, 20, "Kiwi " + std::to_string(i), weekday(i % 5), "the kiwi forages at night");
    open();
    EXPECT_EQ(findWords("kiwi").size(), 20u);
    EXPECT_EQ(pageText(), "Page 1 of 2 (25 found)");
    EXPECT_FALSE(buttonEnabled("Previous"));
    EXPECT_TRUE(buttonEnabled("Next"));

    // A lesson result: ticked, and the dialog shows its date and lesson.
    const std::string first = items("Found")[0];
    const int firstId = std::atoi(first.substr(5).c_str()) + 100;
    click("Kind", 0);
    EXPECT_EQ(icons("Found")[0], "tick");
    EXPECT_EQ(dialog->currentLesson(), firstId);
    EXPECT_EQ(text(OBJECTIVE, "Name:"), first);
    // Chosen again: unticked.
    click("Found", 0);
    EXPECT_EQ(icons("Found")[0], "");
    click("Found", 0);

    press(SEARCH, "Next");
    EXPECT_EQ(items("Found").size(), 5u);
    EXPECT_EQ(pageText(), "Page 2 of 2 (25 found)");
    EXPECT_TRUE(buttonEnabled("Previous"));
    EXPECT_FALSE(buttonEnabled("Next"));
    press(SEARCH, "Select");
    EXPECT_EQ(icons("Kind"), std::vector<std::string>(5, "tick"));
    press(SEARCH, "Previous");
    // The tick of the first page kept.
    EXPECT_EQ(icons("Found")[0], "tick");
    EXPECT_EQ(icons("Found")[1], "");

    // Printed: the six ticked lessons of both pages.
    const std::string file = printtest::scratchDir() + "/alltext.html";
    answer.answered = false;
    answer.answer = [=](FXWindow* w) {
        FXNativePrintDialog* dlg = dynamic_cast<FXNativePrintDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        dlg->handle(dlg, FXSEL(SEL_COMMAND, FXNativePrintDialog::ID_TO_PRINTER + 2), nullptr);
        dlg->htmlField()->setText(file.c_str());
        dlg->handle(dlg, FXSEL(SEL_COMMAND, FXNativePrintDialog::ID_FILE_NAME + 1), nullptr);
        dlg->handle(dlg, FXSEL(SEL_COMMAND, FXDialogBox::ID_ACCEPT), nullptr);
    };
    answer.arm();
    press(SEARCH, "Print");
    ASSERT_TRUE(answer.answered);
    const std::string html = printtest::readFile(file);
    EXPECT_EQ(printtest::count(html, "<TD class=\"LESSONNAME\">"), 6u) << html;
    EXPECT_NE(html.find(">" + first + "<"), std::string::npos);

    // The name search's lists come back with "&Search"; its ticks are its own.
    type(SEARCH, "Search String:", "Kiwi 1");
    press(SEARCH, "Search");
    EXPECT_EQ(items("Lesson Plan Name").size(), 11u);  // Kiwi 1, Kiwi 10 ... Kiwi 19
    EXPECT_TRUE(errors().empty()) << errors()[0];
}

TEST_F(AllText, HostileWordsGetAPlainMessageOrNoResults) {
    lessonWith(30, 20, "Halves", weekday(1), "Fold the paper into equal halves");
    open();
    const std::vector<std::string> hostile = {
        "\"",
        "\"\"",
        "\"unclosed phrase",
        "(((",
        ")",
        "AND",
        "OR NOT",
        "-",
        "--",
        "*",
        "NEAR",
        "a AND OR b",
        "halves)",
        "'; delete from LessonPlan; --",
        "\\047\\054",
        "%_%",
        "title:halves",
        "   ",
        std::string(10000, 'x'),
        std::string("\x01\x02\xff\xfe\x80 halves \x00\x7f", 14),
        "\xc3\x28 \xe2\x82",
    };
    for (const std::string& words : hostile) {
        prompts.prompts.clear();
        findWords(words);
        for (const std::string& told : informations()) {
            EXPECT_EQ(told.find("All Text Search|"), 0u) << told;
            EXPECT_EQ(told.find("Database Error"), std::string::npos) << told;
        }
        EXPECT_TRUE(errors().empty()) << words.substr(0, 40) << ": " << errors()[0];
    }
    prompts.prompts.clear();
    findWords(std::string(10000, 'x'));
    ASSERT_EQ(informations().size(), 1u);
    EXPECT_NE(informations()[0].find("too long"), std::string::npos);
    // The lesson survived the statement-looking words, and the search still works.
    EXPECT_EQ(count("Select Count(*) from LessonPlan"), 1);
    prompts.prompts.clear();
    EXPECT_EQ(findWords("halves"), (std::vector<std::string>{"Halves"}));
    EXPECT_TRUE(informations().empty());
}

TEST_F(AllText, AChangeIsFoundAtTheNextSearch) {
    lessonWith(30, 20, "Halves", weekday(1), "Fold the paper");
    open();
    EXPECT_EQ(findWords("origami"), (std::vector<std::string>{}));
    sql("update LessonPlan set LessonDev = 'Origami folds' where Id = 30;");
    EXPECT_EQ(findWords("origami"), (std::vector<std::string>{"Halves"}));
    sql("delete from LessonPlan where Id = 30;");
    EXPECT_EQ(findWords("origami"), (std::vector<std::string>{}));
}

}  // namespace

int main(int argc, char** argv) { return planedit::runPlanEditTests(argc, argv, true); }

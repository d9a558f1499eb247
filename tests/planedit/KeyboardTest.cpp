// The dialog on screen and under the keyboard: every control of every tab
// visible at the minimum size, Alt keys that act only on the tab shown, and
// a Tab order that follows the fields.
#include <fxkeys.h>

#include <functional>

#include "data/AppState.h"
#include "planedit/PlanEditTest.h"
#include "ui/WindowPlace.h"

using namespace FX;
using namespace planedit;

namespace {

class Keyboard : public PlanEdit {
protected:
    // A key pressed and let go, as the keyboard delivers it to the dialog.
    void key(FXuint code, FXuint state = 0) {
        FXEvent event;
        event.type = SEL_KEYPRESS;
        event.code = code;
        event.state = state;
        dialog->handle(dialog, FXSEL(SEL_KEYPRESS, 0), &event);
        event.type = SEL_KEYRELEASE;
        dialog->handle(dialog, FXSEL(SEL_KEYRELEASE, 0), &event);
        settle();
    }
    void alt(char letter) { key(KEY_a + (letter - 'a'), ALTMASK); }
    void showTab(Tab tab) {
        EditorDriver::showTab(tab);
        settle();
    }
    FXWindow* focus() { return dialog->getFocus() ? deepest(dialog->getFocus()) : nullptr; }
    static FXWindow* deepest(FXWindow* w) {
        while (w->getFocus()) w = w->getFocus();
        return w;
    }
};

// Every shown widget of `pane` lies inside it and is at least as large as it
// asks to be, so no control is hidden and no text is cut.
void expectAllVisible(FXWindow* pane, const std::string& where) {
    std::function<void(FXWindow*)> walk = [&](FXWindow* w) {
        for (FXWindow* child = w->getFirst(); child; child = child->getNext()) {
            if (!child->shown()) continue;
            FXint x = 0, y = 0;
            child->getParent()->translateCoordinatesTo(x, y, pane, child->getX(), child->getY());
            std::string name = child->getClassName();
            if (child->isMemberOf(FXMETACLASS(FXLabel)))
                name += " \"" + std::string(static_cast<FXLabel*>(child)->getText().text()) + "\"";
            EXPECT_GE(x, 0) << where << ": " << name;
            EXPECT_GE(y, 0) << where << ": " << name;
            EXPECT_LE(x + child->getWidth(), pane->getWidth()) << where << ": " << name;
            EXPECT_LE(y + child->getHeight(), pane->getHeight()) << where << ": " << name;
            if (child->isMemberOf(FXMETACLASS(FXLabel)) || child->isMemberOf(FXMETACLASS(FXTextField)) ||
                child->isMemberOf(FXMETACLASS(FXComboBox))) {
                EXPECT_GE(child->getWidth(), child->getDefaultWidth()) << where << ": " << name << " is cut";
                EXPECT_GE(child->getHeight(), child->getDefaultHeight()) << where << ": " << name << " is cut";
            }
            if (child->isMemberOf(FXMETACLASS(FXText))) {
                EXPECT_GE(child->getHeight(), 40) << where << ": a text area of " << child->getHeight() << " pixels";
            }
            walk(child);
        }
    };
    walk(pane);
}

// The tab names shown fit the tab book.
void expectTabNamesVisible(const EditorDriver& editor, const std::string& where) {
    for (int tab = LONGTERM; tab <= SUBJECTS; ++tab) {
        FXTabItem* item = editor.tabItem(Tab(tab));
        if (!item->shown()) continue;
        EXPECT_LE(item->getX() + item->getWidth(), editor.tabBook()->getWidth())
            << where << ": " << item->getText().text();
        EXPECT_GE(item->getWidth(), item->getDefaultWidth()) << where << ": " << item->getText().text();
    }
}

}  // namespace

TEST_F(Keyboard, EveryControlOfEveryTabIsVisibleAtTheMinimumAndTheDefaultSize) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    addUnit(21, 10, "Fitness", 2);
    addUnit(22, 10, "Release time", 3);
    app()->reg().writeIntEntry("UNITPLANDIALOG", "width", 400);
    app()->reg().writeIntEntry("UNITPLANDIALOG", "height", 300);
    open();
    EXPECT_EQ(dialog->getWidth(), UnitPlanDialog::minimumWidth);
    EXPECT_EQ(dialog->getHeight(), UnitPlanDialog::minimumHeight);
    choosePlan(10);
    for (int size = 0; size < 2; ++size) {
        if (size == 1) dialog->resize(UnitPlanDialog::defaultWidth, UnitPlanDialog::defaultHeight);
        const std::string at = size == 0 ? "minimum" : "default";
        for (int unit : {20, 21, 22}) {
            chooseUnit(unit);
            for (int tab = LONGTERM; tab <= SEARCH; ++tab) {
                showTab(Tab(tab));
                dialog->layout();
                expectAllVisible(page(Tab(tab)),
                                 at + " size, tab " + std::to_string(tab) + ", unit " + std::to_string(unit));
            }
        }
        expectTabNamesVisible(*this, at);
        // The four plan lists stand beside the tabs, whole.
        for (const char* title : {"Long Term Plan", "Unit Plan", "Day or Date", "Lesson Plan"}) {
            FXWindow* group = list(title)->getParent()->getParent();
            EXPECT_LE(group->getX() + group->getWidth(), tabBook()->getX()) << title;
        }
    }
    close();

    loginAs(LEADER, LEADER);
    open();
    for (int tab : {LONGTERM, SUBJECTS}) {
        showTab(Tab(tab));
        dialog->layout();
        expectAllVisible(page(Tab(tab)), "leader, tab " + std::to_string(tab));
    }
}

TEST_F(Keyboard, TheDialogFitsA1024By768Screen) {
    static_assert(40 + UnitPlanDialog::defaultWidth <= 1024, "default width");
    static_assert(40 + UnitPlanDialog::defaultHeight <= 768, "default height");
    // A place saved on a larger screen is brought back onto this one.
    WindowPlace place = WindowPlace::read(app()->reg(), "NOWHERE", 940, 690, 940, 620);
    place.x = 900;
    place.y = 500;
    place.keepOnScreen(1024, 768);
    EXPECT_EQ(place.x, 1024 - 940);
    EXPECT_EQ(place.y, 768 - 690);
    place.width = 1600;
    place.keepOnScreen(1024, 768);
    EXPECT_EQ(place.x, 0);
    EXPECT_EQ(place.width, 1024);
}

TEST_F(Keyboard, AltKeysActOnlyOnTheTabShown) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    addLesson(30, 20, "Halves", weekday(7), weekday(7));
    open();

    // Alt+A on the long-term tab adds a long-term plan, not a subject.
    type(LONGTERM, "Name:", "Typed plan");
    type(LONGTERM, "Start Date:", shown(weekday(0)));
    type(LONGTERM, "End Date:", shown(weekday(5)));
    pick(LONGTERM, "Children's Year:", 0);
    pick(LONGTERM, "Subject:", 0);
    showTab(LONGTERM);
    alt('a');
    EXPECT_EQ(count("Select Count(*) from LongTerm where PlanName = 'Typed plan'"), 1);
    EXPECT_EQ(count("Select Count(*) from Subject"), 3);

    // Alt+E on a lesson tab saves the typed lesson.
    choosePlan(10);
    chooseUnit(20);
    chooseLesson(30);
    type(OBJECTIVE, "Name:", "Halves, typed");
    showTab(DETAIL);
    alt('e');
    EXPECT_EQ(value("Select LessonName from LessonPlan where Id = 30"), "Halves, typed");
    // Alt+D asks about the lesson, not about a subject.
    prompts.clear();
    alt('d');
    ASSERT_EQ(prompts.count("question"), 1u);
    EXPECT_EQ(prompts.last().caption, "Confirm delete lesson");
    EXPECT_EQ(count("Select Count(*) from LessonPlan"), 1);

    // Alt+H from the long-term tab brings up the Search tab and shoves nothing.
    showTab(LONGTERM);
    prompts.clear();
    alt('h');
    EXPECT_EQ(shownTab(), SEARCH);
    EXPECT_TRUE(prompts.prompts.empty());
    // On the Search tab its own Alt keys win over the tab names: Alt+S
    // searches (and, with no search string, says so).
    alt('s');
    EXPECT_EQ(shownTab(), SEARCH);
    ASSERT_FALSE(prompts.prompts.empty());
    EXPECT_EQ(prompts.last().caption, "Search String Too Short");
    // Alt+O brings the long-term tab back; Alt+Y there does nothing (+Day is
    // on another tab).
    alt('o');
    EXPECT_EQ(shownTab(), LONGTERM);
    const std::string start = text(OBJECTIVE, "Start Date:");
    alt('y');
    EXPECT_EQ(text(OBJECTIVE, "Start Date:"), start);
    alt('l');
    EXPECT_EQ(shownTab(), OBJECTIVE);
    alt('y');
    EXPECT_NE(text(OBJECTIVE, "Start Date:"), start);
}

TEST_F(Keyboard, HiddenTabsAndTheirButtonsHaveNoAltKeys) {
    loginAs(LEADER, LEADER);
    addLongTerm(10, "Number", weekday(-21), weekday(40), LEADER);
    open();
    // A leader's hidden unit and lesson tabs are not reached by their names.
    for (char letter : {'p', 'l', 's', 'v', 'h'}) {
        alt(letter);
        EXPECT_EQ(shownTab(), LONGTERM) << letter;
    }
    alt('j');
    EXPECT_EQ(shownTab(), SUBJECTS);
    // Alt+A on the subjects tab adds the typed subject.
    type(SUBJECTS, "Subject Description", "Music");
    alt('a');
    EXPECT_EQ(count("Select Count(*) from Subject where Description = 'Music'"), 1);
    EXPECT_EQ(count("Select Count(*) from LongTerm"), 1);
    close();

    // A teacher never reaches the subjects tab, nor its buttons.
    loginAs(TEACHER, LEADER);
    open();
    type(SUBJECTS, "Subject Description", "Drama");
    alt('j');
    EXPECT_NE(shownTab(), SUBJECTS);
    alt('r');
    alt('a');
    EXPECT_EQ(count("Select Count(*) from Subject where Description = 'Drama'"), 0);
}

TEST_F(Keyboard, TheDateButtonsOfAnotherUnitTypeHaveNoAltKeys) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addUnit(21, 10, "Fitness", 2);
    addLesson(31, 21, "Run", weekday(7), weekday(7), "13:30", "13:45", 4);
    open();
    choosePlan(10);
    chooseUnit(21);
    chooseLesson(31);
    // Bump and Shove stand on the unit-plan panel only.
    prompts.clear();
    alt('h');
    EXPECT_EQ(shownTab(), SEARCH);
    EXPECT_EQ(prompts.count("question"), 0u);
    alt('o');  // on the Search tab Alt+L is its Select
    alt('l');
    const std::string end = text(OBJECTIVE, "End Date:");
    alt('w');
    EXPECT_NE(text(OBJECTIVE, "End Date:"), end);  // +Week of the routine panel
}

TEST_F(Keyboard, TabGoesThroughTheDatesAndTimesBeforeTheirButtons) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    addLesson(30, 20, "Halves", weekday(7), weekday(7));
    open();
    choosePlan(10);
    chooseUnit(20);
    chooseLesson(30);
    settle();
    control(OBJECTIVE, "Start Date:")->setFocus();
    ASSERT_EQ(focus(), control(OBJECTIVE, "Start Date:"));
    key(KEY_Tab);
    EXPECT_EQ(focus(), control(OBJECTIVE, "End Date:"));
    key(KEY_Tab);
    EXPECT_EQ(focus(), control(OBJECTIVE, "Start Time:"));
    key(KEY_Tab);
    EXPECT_EQ(focus(), control(OBJECTIVE, "End Time:"));

    // On the long-term tab the fields come before the buttons.
    showTab(LONGTERM);
    control(LONGTERM, "End Date:")->setFocus();
    key(KEY_Tab);
    EXPECT_EQ(focus(), checkButton(LONGTERM, "Syndicate Wide Plan"));
    key(KEY_Tab);
    EXPECT_EQ(focus(), checkButton(LONGTERM, "Ignore Start and End Dates"));
}

// In a text area Tab moves on as it does from a field (Shift+Tab back);
// Ctrl+Tab and Ctrl+I put a tab into the text.
TEST_F(Keyboard, TabLeavesATextAreaAndCtrlTabTypesATab) {
    addLongTerm(10, "Number", weekday(-21), weekday(40));
    addUnit(20, 10, "Fractions");
    addLesson(30, 20, "Halves", weekday(7), weekday(7));
    open();
    choosePlan(10);
    chooseUnit(20);
    chooseLesson(30);
    settle();
    FXText* skills = static_cast<FXText*>(control(OBJECTIVE, "Essential Skills:"));
    skills->setFocus();
    ASSERT_EQ(focus(), skills);
    skills->setCursorPos(0);
    key(KEY_Tab, CONTROLMASK);
    key(KEY_i, CONTROLMASK);
    EXPECT_EQ(text(OBJECTIVE, "Essential Skills:"), "\t\tes");
    key(KEY_Tab);
    EXPECT_EQ(text(OBJECTIVE, "Essential Skills:"), "\t\tes");
    EXPECT_EQ(focus(), control(OBJECTIVE, "Achievement Objectives:"));
    key(KEY_ISO_Left_Tab, SHIFTMASK);
    EXPECT_EQ(focus(), skills);
}

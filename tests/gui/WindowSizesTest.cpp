// Windows on a 1024 x 768 screen: at their default and minimum sizes every
// control lies inside its window, no two overlap, no label or button is
// narrower than its text, and the week grid's texts fit their cells.
#include <gtest/gtest.h>

#include <string>

#include "calendar/CalendarWindow.h"
#include "data/AppState.h"
#include "gui/GuiTest.h"
#include "setup/SchoolSetupWindow.h"
#include "support/RecordingPrompter.h"
#include "teachers/TeachersWindow.h"
#include "ui/AppResources.h"

using namespace FX;
using namespace guitest;

namespace {

const FXint screenWidth = 1024, screenHeight = 768;

std::string describe(FXWindow* w) {
    std::string name = w->getClassName();
    if (w->isMemberOf(FXMETACLASS(FXLabel)))
        name += " \"" + std::string(static_cast<FXLabel*>(w)->getText().text()) + "\"";
    return name;
}

bool overlap(FXWindow* a, FXWindow* b) {
    return a->getX() < b->getX() + b->getWidth() && b->getX() < a->getX() + a->getWidth() &&
           a->getY() < b->getY() + b->getHeight() && b->getY() < a->getY() + a->getHeight();
}

// Every shown control below `parent`, checked against its parent and its
// siblings.
void checkControls(FXWindow* parent, const std::string& where) {
    for (FXWindow* child = parent->getFirst(); child; child = child->getNext()) {
        if (!child->shown() || child->isMemberOf(FXMETACLASS(FXTopWindow)) ||
            child->isMemberOf(FXMETACLASS(FXScrollBar)) || child->isMemberOf(FXMETACLASS(FXScrollCorner)))
            continue;
        const std::string name = where + " > " + describe(child);
        EXPECT_GE(child->getX(), 0) << name;
        EXPECT_GE(child->getY(), 0) << name;
        EXPECT_LE(child->getX() + child->getWidth(), parent->getWidth()) << name << " runs out of its frame";
        EXPECT_LE(child->getY() + child->getHeight(), parent->getHeight()) << name << " runs out of its frame";
        if (child->isMemberOf(FXMETACLASS(FXLabel))) {
            EXPECT_GE(child->getWidth(), child->getDefaultWidth()) << name << ": its text is cut";
            EXPECT_GE(child->getHeight(), child->getDefaultHeight()) << name << ": its text is cut";
        }
        // A field at least as wide as the text it was made for; a list wide
        // enough for a name.
        if (child->isMemberOf(FXMETACLASS(FXTextField))) {
            EXPECT_GE(child->getWidth(), child->getDefaultWidth()) << name << " is narrower than its text";
        }
        if (child->isMemberOf(FXMETACLASS(FXList))) {
            EXPECT_GE(child->getWidth(), 150) << name << " is too narrow";
        }
        for (FXWindow* other = child->getNext(); other; other = other->getNext()) {
            if (other->shown() && !other->isMemberOf(FXMETACLASS(FXTopWindow)) &&
                !other->isMemberOf(FXMETACLASS(FXScrollBar)) && !parent->isMemberOf(FXMETACLASS(FXSwitcher)) &&
                !parent->isMemberOf(FXMETACLASS(FXTabBook))) {
                EXPECT_FALSE(overlap(child, other)) << name << " overlaps " << describe(other);
            }
        }
        checkControls(child, name);
    }
}

void layoutNow(FXTopWindow* window, FXint width, FXint height) {
    window->resize(width, height);
    window->layout();
    for (int i = 0; i < 3; ++i) {
        app()->forceRefresh();
        settle();
    }
}

class WindowSizes : public ::testing::Test {
protected:
    testsupport::RecordingPrompter prompts;
    CalendarWindow* calendar = nullptr;

    void SetUp() override {
        freshStart();
        sql("insert into Teachers (Id, Teacher, Syndicate) values (1, 'Ann Leader', 1);"
            "insert into Teachers (Id, Teacher, Syndicate) values (2, 'Margaret O''Brien-Whitcombe', 1);");
        calendar = new CalendarWindow(app());
        calendar->create();
        settle();
    }
    void TearDown() override { delete calendar; }
};

TEST_F(WindowSizes, TheCalendarShowsEveryControlAtItsDefaultAndMinimumSize) {
    EXPECT_LE(calendar->getWidth() + 20, screenWidth) << "room for the window's border";
    EXPECT_LE(calendar->getHeight() + 40, screenHeight) << "room for the title bar";
    for (FXint size : {0, 1}) {
        if (size == 1) {
            // Asked for less than the minimum, it opens at the minimum.
            writeFile("Registry.ini", "[CALENDAR]\nwidth=300\nheight=200\n\n");
            delete calendar;
            clearSettings();
            writeFile("Registry.ini", "[CALENDAR]\nwidth=300\nheight=200\n\n");
            calendar = new CalendarWindow(app());
            calendar->create();
        }
        layoutNow(calendar, calendar->getWidth(), calendar->getHeight());
        const std::string where = size == 0 ? "default size" : "minimum size";
        SCOPED_TRACE(where + " " + std::to_string(calendar->getWidth()) + " x " +
                     std::to_string(calendar->getHeight()));
        checkControls(calendar, "Calendar");
        EXPECT_STREQ(calendar->getUserText().text(), "Margaret O'Brien-Whitcombe");

        // The week grid: day headings within their columns, time labels
        // within their rows.
        const FXint W = calendar->getCanvas()->getWidth(), H = calendar->getCanvas()->getHeight();
        const FXint L = (H - 70) / appState.schoolTimes, C = (W - 80) / 6, K = ((W - 80) + C) / 6;
        EXPECT_LE(smallFont->getTextWidth("Wednesday 12/09/26") + 2, K - 2);
        EXPECT_GE(L * 2 / 3 + 3, labelFont->getFontAscent()) << "time labels run into the row above";
        EXPECT_LE(L * 2 / 3 + 3 + labelFont->getFontDescent(), L + 1) << "time labels run into the row below";
        EXPECT_LE(labelFont->getTextWidth("00:00") + 2, C / 2);
    }
}

TEST_F(WindowSizes, TheTeachersDialogAndTheAboutBoxShowTheirControls) {
    TeachersWindow teachers(calendar, calendar, CalendarWindow::ID_SETUSERTEXT);
    teachers.create();
    teachers.show();
    layoutNow(&teachers, teachers.getDefaultWidth(), 500);
    EXPECT_LE(teachers.getWidth(), screenWidth);
    checkControls(&teachers, "Teachers");
    // A long name fits the list; a longer one shows whole as its tooltip.
    teachers.handle(&teachers, FXSEL(SEL_COMMAND, TeachersWindow::ID_LOAD), nullptr);
    FXList* list = teachers.getTeacherList();
    EXPECT_LE(list->getFont()->getTextWidth("Margaret O'Brien-Whitcombe") + 4, list->getViewportWidth());
    teachers.hide();

    FXDialogBox* about = calendar->makeAboutBox();
    about->create();
    about->show();
    layoutNow(about, about->getWidth(), about->getHeight());
    EXPECT_LE(about->getHeight() + 40, screenHeight);
    checkControls(about, "About");
    about->hide();
    delete about;
}

TEST_F(WindowSizes, SchoolSetupShowsEveryControlOfEveryTab) {
    SchoolSetupWindow setup(calendar);
    setup.create();
    setup.show();
    EXPECT_LE(setup.getWidth() + 20, screenWidth);
    EXPECT_LE(setup.getHeight() + 40, screenHeight);
    for (FXint tab = 0; tab < 3; ++tab) {
        setup.getTabs()->setCurrent(tab);
        layoutNow(&setup, setup.getWidth(), setup.getHeight());
        checkControls(&setup, "School Setup tab " + std::to_string(tab));
    }
    setup.hide();
}

}  // namespace

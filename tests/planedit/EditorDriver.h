// Drives a plan editor (UnitPlanDialog) by what its window shows, as a
// teacher does: a tab by its name, a field by the label beside or above it,
// a button or check by its text, a list by its header.  Tests say what they
// do, not which member they reach, so a change of layout touches this file
// and not the tests.
//
//   EditorDriver editor;
//   editor.dialog = dialog;
//   editor.choosePlan(10);                       // a click on the plan of Id 10
//   editor.chooseUnit(20);
//   editor.type(OBJECTIVE, "Name:", "Halves");   // the lesson's name
//   editor.type(OBJECTIVE, "Start Date:", "01/03/26");   // the panel shown
//   editor.press(OBJECTIVE, "Add");
//   EXPECT_EQ(editor.items("Lesson Plan"), (std::vector<std::string>{"Halves"}));
//
// A button's text is written as the dialog shows it ("Add"), or with its
// "&" where a tab holds two of one name ("Edi&t" is the attachment notes'
// Edit).  Pressing, typing and clicking work on any tab, shown or not, and
// do not bring a tab up; a teacher would click the tab first (showTab).
// What a check, radio group or readout stands for is read from its data
// target (bound), as the program sees it before the next GUI update.
#ifndef PLENWICK_EDITORDRIVER_H
#define PLENWICK_EDITORDRIVER_H

#include <fx.h>

#include <string>
#include <vector>

#include "planedit/UnitPlanDialog.h"

namespace planedit {

// The tabs, in the order the dialog shows them.
enum Tab { LONGTERM, UNIT, OBJECTIVE, DETAIL, EVALUATION, SEARCH, SUBJECTS };

class EditorDriver {
public:
    UnitPlanDialog* dialog = nullptr;

    // ---- acting
    // Replaces a field's text as the program fills it (no change notice).
    void type(Tab tab, const std::string& label, const std::string& text);
    // Types into a field as the keyboard does: inserted at the cursor, the
    // field telling its target.
    void typeKeys(Tab tab, const std::string& label, const std::string& text);
    // A click on a check button (`click` false: set by the program, untold).
    void check(Tab tab, const std::string& text, bool on = true, bool click = true);
    // A click on the radio button `option` of the group labelled `group`.
    void choose(Tab tab, const std::string& group, const std::string& option);
    // Makes the entry `entry` (or the index) of a combo box current.
    void pick(Tab tab, const std::string& label, const std::string& entry);
    void pick(Tab tab, const std::string& label, int index);
    void press(Tab tab, const std::string& button);
    // A click on row `row` of the list headed `title`.
    void click(const std::string& title, int row);
    // A click on the entry of Id `id` in the plan lists.
    void choosePlan(int id);
    void chooseUnit(int id);
    void chooseLesson(int id);
    // Makes row `row` of a list current (and selected), as the keyboard's
    // arrows do, without telling the list's target.
    void setCurrent(const std::string& title, int row, bool select = false);
    // Brings a tab up, as a click on its name does.
    void showTab(Tab tab);
    // The GUI update pass.
    void refresh();

    // ---- reading
    std::string text(Tab tab, const std::string& label) const;
    bool enabled(Tab tab, const std::string& label) const;
    // The value behind a check button, a radio group or the shove readout.
    int bound(Tab tab, const std::string& label) const;
    // Sets that value as the program does (shown after the GUI update).
    void bind(Tab tab, const std::string& label, int value);
    std::vector<std::string> entries(Tab tab, const std::string& label) const;
    int currentEntry(Tab tab, const std::string& label) const;
    // The rows of a list, their icons ("persistent", "export", "imported",
    // "transfer file", "tick" or ""), Ids and current row.
    std::vector<std::string> items(const std::string& title) const;
    std::vector<std::string> icons(const std::string& title) const;
    int id(const std::string& title, int row) const;
    FX::FXival data(const std::string& title, int row) const;
    int current(const std::string& title) const;
    std::string currentText(const std::string& title) const;
    bool selected(const std::string& title, int row) const;
    // The names of the tabs shown, and the tab brought up.
    std::vector<std::string> tabs() const;
    Tab shownTab() const;
    // The title of the lesson's date and time panel shown ("Unit Plan",
    // "Routine Lesson", "Non-contact time").
    std::string panel() const;

    // ---- finding (for what the lines above do not say)
    FX::FXTabBook* tabBook() const;
    FX::FXTabItem* tabItem(Tab tab) const;
    FX::FXWindow* page(Tab tab) const;
    // The control a label names: the field or box beside it, the text area
    // under it, the text of a group box of that title, or the field under
    // the list of that header.
    FX::FXWindow* control(Tab tab, const std::string& label) const;
    FX::FXList* list(const std::string& title) const;
    FX::FXButton* button(Tab tab, const std::string& text) const;
    FX::FXCheckButton* checkButton(Tab tab, const std::string& text) const;
    FX::FXRadioButton* radio(Tab tab, const std::string& group, const std::string& option) const;
    // A plain label of the tab whose text begins with `start`.
    FX::FXLabel* label(Tab tab, const std::string& start) const;
    // The first widget of class T on a tab.
    template <class T>
    T* find(Tab tab) const {
        return static_cast<T*>(first(page(tab), FXMETACLASS(T)));
    }

private:
    static FX::FXWindow* first(FX::FXWindow* in, const FX::FXMetaClass* kind);
    std::vector<FX::FXWindow*> controls(Tab tab, const std::string& label) const;
    FX::FXWindow* textControl(Tab tab, const std::string& label) const;
    std::vector<FX::FXRadioButton*> radios(Tab tab, const std::string& group) const;
    FX::FXComboBox* combo(Tab tab, const std::string& label) const;
    FX::FXDataTarget* target(Tab tab, const std::string& label) const;
    void chooseById(const std::string& title, int id);
};

}  // namespace planedit

#endif

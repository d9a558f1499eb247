#include "planedit/EditorDriver.h"

#include <gtest/gtest.h>

#include <functional>

#include "ui/ListItems.h"

using namespace FX;

namespace planedit {

namespace {

const char* const tabNames[] = {"Long Term Plans",   "Unit Plans", "Lesson Objective", "Lesson Detail",
                                "Lesson Evaluation", "Search",     "Subjects"};

// The Alt key FOX parsed from a label's "&".
struct LabelKey : FXLabel {
    static FXHotKey of(const FXLabel* label) { return label->*(&LabelKey::hotkey); }
};

// Every widget below `in` as shown: of a switcher (the lesson's date and
// time panels) only the current panel.
void walk(FXWindow* in, const std::function<void(FXWindow*)>& visit) {
    const bool switcher = in->isMemberOf(FXMETACLASS(FXSwitcher));
    for (FXWindow* child = in->getFirst(); child; child = child->getNext()) {
        if (switcher && in->indexOfChild(child) != static_cast<FXSwitcher*>(in)->getCurrent()) continue;
        visit(child);
        walk(child, visit);
    }
}

bool plainLabel(FXWindow* w) { return w->getMetaClass() == FXMETACLASS(FXLabel); }

// A label's text matches what a test wrote: the text shown, and its Alt key
// when the test wrote one ("Edi&t").
bool reads(const FXLabel* label, const std::string& written) {
    const FXString text(written.c_str());
    if (label->getText() != stripHotKey(text)) return false;
    return written.find('&') == std::string::npos || LabelKey::of(label) == parseHotKey(text);
}

// The cell to the right of a matrix cell, or the next sibling.
FXWindow* beside(FXWindow* w) {
    FXWindow* parent = w->getParent();
    if (parent->isMemberOf(FXMETACLASS(FXMatrix))) {
        FXMatrix* m = static_cast<FXMatrix*>(parent);
        const FXint col = m->colOfChild(w) + 1;
        return col < m->getNumColumns() ? m->childAtRowCol(m->rowOfChild(w), col) : nullptr;
    }
    return w->getNext();
}

bool isField(FXWindow* w) {
    return w->isMemberOf(FXMETACLASS(FXTextField)) || w->isMemberOf(FXMETACLASS(FXText)) ||
           w->isMemberOf(FXMETACLASS(FXComboBox)) || w->isMemberOf(FXMETACLASS(FX7Segment));
}

// The field a frame holds (a text area's stretching frame).
FXWindow* fieldIn(FXWindow* w) {
    if (!w || isField(w)) return w;
    for (FXWindow* child = w->getFirst(); child; child = child->getNext())
        if (FXWindow* f = fieldIn(child)) return f;
    return nullptr;
}

std::string str(const FXString& s) { return std::string(s.text(), s.length()); }

}  // namespace

// ---------------------------------------------------------------- finding

FXWindow* EditorDriver::first(FXWindow* in, const FXMetaClass* kind) {
    FXWindow* found = nullptr;
    walk(in, [&](FXWindow* w) {
        if (!found && w->isMemberOf(kind)) found = w;
    });
    return found;
}

FXTabBook* EditorDriver::tabBook() const { return static_cast<FXTabBook*>(first(dialog, FXMETACLASS(FXTabBook))); }

FXTabItem* EditorDriver::tabItem(Tab tab) const {
    for (FXWindow* w = tabBook()->getFirst(); w; w = w->getNext())
        if (w->isMemberOf(FXMETACLASS(FXTabItem)) && static_cast<FXTabItem*>(w)->getText() == tabNames[tab])
            return static_cast<FXTabItem*>(w);
    ADD_FAILURE() << "no tab " << tabNames[tab];
    return nullptr;
}

FXWindow* EditorDriver::page(Tab tab) const { return tabItem(tab)->getNext(); }

std::vector<FXWindow*> EditorDriver::controls(Tab tab, const std::string& label) const {
    std::vector<FXWindow*> out;
    walk(page(tab), [&](FXWindow* w) {
        if (plainLabel(w) && static_cast<FXLabel*>(w)->getText() == label.c_str()) {
            if (FXWindow* f = fieldIn(beside(w))) out.push_back(f);
        } else if (w->isMemberOf(FXMETACLASS(FXGroupBox)) && static_cast<FXGroupBox*>(w)->getText() == label.c_str()) {
            if (FXWindow* f = fieldIn(w)) out.push_back(f);
        } else if (w->isMemberOf(FXMETACLASS(FXHeader))) {
            FXHeader* header = static_cast<FXHeader*>(w);
            for (FXint i = 0; i < header->getNumItems(); ++i)
                if (header->getItemText(i) == label.c_str()) {
                    FXWindow* after = header->getParent()->getNext();
                    if (after && isField(after)) out.push_back(after);
                }
        }
    });
    return out;
}

FXWindow* EditorDriver::control(Tab tab, const std::string& label) const {
    std::vector<FXWindow*> found = controls(tab, label);
    if (found.empty()) {
        ADD_FAILURE() << "no field \"" << label << "\" on the tab " << tabNames[tab];
        return nullptr;
    }
    return found[0];
}

// Of two labels alike ("Assessment:" above a text and before the radios)
// the one that names a text.
FXWindow* EditorDriver::textControl(Tab tab, const std::string& label) const {
    for (FXWindow* w : controls(tab, label))
        if (w->isMemberOf(FXMETACLASS(FXTextField)) || w->isMemberOf(FXMETACLASS(FXText))) return w;
    ADD_FAILURE() << "no text field \"" << label << "\" on the tab " << tabNames[tab];
    return nullptr;
}

FXComboBox* EditorDriver::combo(Tab tab, const std::string& label) const {
    FXWindow* w = control(tab, label);
    EXPECT_TRUE(w && w->isMemberOf(FXMETACLASS(FXComboBox))) << label << " is not a box of entries";
    return static_cast<FXComboBox*>(w);
}

FXList* EditorDriver::list(const std::string& title) const {
    FXList* found = nullptr;
    walk(dialog, [&](FXWindow* w) {
        if (found || !w->isMemberOf(FXMETACLASS(FXHeader))) return;
        FXHeader* header = static_cast<FXHeader*>(w);
        for (FXint i = 0; i < header->getNumItems(); ++i) {
            if (header->getItemText(i) != title.c_str()) continue;
            FXWindow* l = header->getNext()->getFirst();
            for (FXint k = 0; k < i && l; ++k) l = l->getNext();
            found = static_cast<FXList*>(l);
        }
    });
    if (!found) ADD_FAILURE() << "no list \"" << title << "\"";
    return found;
}

FXButton* EditorDriver::button(Tab tab, const std::string& text) const {
    FXButton* found = nullptr;
    walk(page(tab), [&](FXWindow* w) {
        if (!found && w->isMemberOf(FXMETACLASS(FXButton)) && reads(static_cast<FXLabel*>(w), text))
            found = static_cast<FXButton*>(w);
    });
    if (!found) ADD_FAILURE() << "no button \"" << text << "\" on the tab " << tabNames[tab];
    return found;
}

FXCheckButton* EditorDriver::checkButton(Tab tab, const std::string& text) const {
    FXCheckButton* found = nullptr;
    walk(page(tab), [&](FXWindow* w) {
        if (!found && w->isMemberOf(FXMETACLASS(FXCheckButton)) && reads(static_cast<FXLabel*>(w), text))
            found = static_cast<FXCheckButton*>(w);
    });
    return found;
}

// The radio buttons after a group's label: the rest of its matrix row, or
// the siblings that follow it.
std::vector<FXRadioButton*> EditorDriver::radios(Tab tab, const std::string& group) const {
    std::vector<FXRadioButton*> out;
    walk(page(tab), [&](FXWindow* w) {
        if (!out.empty() || !plainLabel(w) || static_cast<FXLabel*>(w)->getText() != group.c_str()) return;
        for (FXWindow* r = beside(w); r && r->isMemberOf(FXMETACLASS(FXRadioButton)); r = beside(r))
            out.push_back(static_cast<FXRadioButton*>(r));
    });
    return out;
}

FXRadioButton* EditorDriver::radio(Tab tab, const std::string& group, const std::string& option) const {
    for (FXRadioButton* r : radios(tab, group))
        if (r->getText() == option.c_str()) return r;
    ADD_FAILURE() << "no choice \"" << option << "\" for \"" << group << "\" on the tab " << tabNames[tab];
    return nullptr;
}

FXLabel* EditorDriver::label(Tab tab, const std::string& start) const {
    FXLabel* found = nullptr;
    walk(page(tab), [&](FXWindow* w) {
        if (!found && plainLabel(w) && str(static_cast<FXLabel*>(w)->getText()).rfind(start, 0) == 0)
            found = static_cast<FXLabel*>(w);
    });
    if (!found) ADD_FAILURE() << "no label \"" << start << "...\" on the tab " << tabNames[tab];
    return found;
}

// A check button's, a radio group's or a readout's data target.
FXDataTarget* EditorDriver::target(Tab tab, const std::string& label) const {
    FXObject* t = nullptr;
    if (FXCheckButton* c = checkButton(tab, label)) {
        t = c->getTarget();
    } else if (!radios(tab, label).empty()) {
        t = radios(tab, label)[0]->getTarget();
    } else if (FXWindow* w = control(tab, label)) {
        t = w->getTarget();
    }
    EXPECT_TRUE(t && t->isMemberOf(FXMETACLASS(FXDataTarget))) << label << " shows no value of its own";
    return static_cast<FXDataTarget*>(t);
}

// ---------------------------------------------------------------- acting

void EditorDriver::type(Tab tab, const std::string& label, const std::string& text) {
    FXWindow* w = textControl(tab, label);
    if (!w) return;
    if (w->isMemberOf(FXMETACLASS(FXTextField)))
        static_cast<FXTextField*>(w)->setText(text.c_str());
    else
        static_cast<FXText*>(w)->setText(text.c_str());
}

void EditorDriver::typeKeys(Tab tab, const std::string& label, const std::string& text) {
    FXWindow* w = textControl(tab, label);
    ASSERT_TRUE(w && w->isMemberOf(FXMETACLASS(FXTextField))) << label << " is not a text field";
    w->handle(dialog, FXSEL(SEL_COMMAND, FXTextField::ID_INSERT_STRING), (void*)text.c_str());
}

void EditorDriver::check(Tab tab, const std::string& text, bool on, bool click) {
    FXCheckButton* c = checkButton(tab, text);
    if (!c)
        ADD_FAILURE() << "no check \"" << text << "\" on the tab " << tabNames[tab];
    else
        c->setCheck(on ? TRUE : FALSE, click ? TRUE : FALSE);
}

void EditorDriver::choose(Tab tab, const std::string& group, const std::string& option) {
    FXRadioButton* r = radio(tab, group, option);
    if (r) r->getTarget()->handle(r, FXSEL(SEL_COMMAND, r->getSelector()), (void*)(FXuval)TRUE);
}

void EditorDriver::pick(Tab tab, const std::string& label, const std::string& entry) {
    FXComboBox* c = combo(tab, label);
    const FXint index = c ? c->findItem(entry.c_str()) : -1;
    if (index < 0)
        ADD_FAILURE() << "no entry \"" << entry << "\" in \"" << label << "\"";
    else
        c->setCurrentItem(index);
}

void EditorDriver::pick(Tab tab, const std::string& label, int index) {
    if (FXComboBox* c = combo(tab, label)) c->setCurrentItem(index);
}

void EditorDriver::press(Tab tab, const std::string& text) {
    FXButton* b = button(tab, text);
    if (b) b->getTarget()->handle(b, FXSEL(SEL_COMMAND, b->getSelector()), (void*)(FXuval)1);
}

void EditorDriver::click(const std::string& title, int row) {
    FXList* l = list(title);
    if (l) l->getTarget()->handle(l, FXSEL(SEL_COMMAND, l->getSelector()), (void*)(FXival)row);
}

void EditorDriver::chooseById(const std::string& title, int id) {
    const int row = lists::findItem(list(title), id);
    if (row < 0)
        ADD_FAILURE() << "no entry of Id " << id << " in \"" << title << "\"";
    else
        click(title, row);
}

void EditorDriver::choosePlan(int id) { chooseById("Long Term Plan", id); }
void EditorDriver::chooseUnit(int id) { chooseById("Unit Plan", id); }
void EditorDriver::chooseLesson(int id) { chooseById("Lesson Plan", id); }

void EditorDriver::setCurrent(const std::string& title, int row, bool select) {
    FXList* l = list(title);
    if (select) l->selectItem(row);
    l->setCurrentItem(row);
}

void EditorDriver::showTab(Tab tab) {
    FXTabBook* book = tabBook();
    book->setCurrent(book->indexOfChild(tabItem(tab)) / 2, TRUE);
}

void EditorDriver::refresh() { dialog->forceRefresh(); }

// ---------------------------------------------------------------- reading

std::string EditorDriver::text(Tab tab, const std::string& label) const {
    FXWindow* w = control(tab, label);
    if (!w) return "";
    if (w->isMemberOf(FXMETACLASS(FXTextField))) return str(static_cast<FXTextField*>(w)->getText());
    if (w->isMemberOf(FXMETACLASS(FXText))) return str(static_cast<FXText*>(w)->getText());
    if (w->isMemberOf(FXMETACLASS(FXComboBox))) return str(static_cast<FXComboBox*>(w)->getText());
    return str(static_cast<FX7Segment*>(w)->getText());
}

bool EditorDriver::enabled(Tab tab, const std::string& label) const {
    FXWindow* w = control(tab, label);
    return w && w->isEnabled();
}

int EditorDriver::bound(Tab tab, const std::string& label) const {
    FXDataTarget* t = target(tab, label);
    return t ? *static_cast<FXint*>(t->getData()) : 0;
}

void EditorDriver::bind(Tab tab, const std::string& label, int value) {
    if (FXDataTarget* t = target(tab, label)) *static_cast<FXint*>(t->getData()) = value;
}

std::vector<std::string> EditorDriver::entries(Tab tab, const std::string& label) const {
    std::vector<std::string> out;
    if (FXComboBox* c = combo(tab, label))
        for (FXint i = 0; i < c->getNumItems(); ++i) out.push_back(str(c->getItemText(i)));
    return out;
}

int EditorDriver::currentEntry(Tab tab, const std::string& label) const {
    FXComboBox* c = combo(tab, label);
    return c ? c->getCurrentItem() : -1;
}

std::vector<std::string> EditorDriver::items(const std::string& title) const {
    std::vector<std::string> out;
    FXList* l = list(title);
    for (FXint i = 0; l && i < l->getNumItems(); ++i) out.push_back(str(l->getItemText(i)));
    return out;
}

std::vector<std::string> EditorDriver::icons(const std::string& title) const {
    const PlanIcons& known = dialog->icons();
    std::vector<std::string> out;
    FXList* l = list(title);
    for (FXint i = 0; l && i < l->getNumItems(); ++i) {
        const FXIcon* icon = l->getItemIcon(i);
        out.push_back(!icon                        ? ""
                      : icon == known.persistent   ? "persistent"
                      : icon == known.exported     ? "export"
                      : icon == known.imported     ? "imported"
                      : icon == known.transferFile ? "transfer file"
                      : icon == known.tick         ? "tick"
                                                   : "another icon");
    }
    return out;
}

int EditorDriver::id(const std::string& title, int row) const { return lists::itemId(list(title), row); }

FXival EditorDriver::data(const std::string& title, int row) const { return (FXival)list(title)->getItemData(row); }

int EditorDriver::current(const std::string& title) const { return list(title)->getCurrentItem(); }

std::string EditorDriver::currentText(const std::string& title) const {
    FXList* l = list(title);
    const FXint row = l->getCurrentItem();
    return row < 0 ? "" : str(l->getItemText(row));
}

bool EditorDriver::selected(const std::string& title, int row) const { return list(title)->isItemSelected(row); }

std::vector<std::string> EditorDriver::tabs() const {
    std::vector<std::string> out;
    for (FXWindow* w = tabBook()->getFirst(); w; w = w->getNext())
        if (w->isMemberOf(FXMETACLASS(FXTabItem)) && w->shown())
            out.push_back(str(static_cast<FXTabItem*>(w)->getText()));
    return out;
}

Tab EditorDriver::shownTab() const {
    FXTabBook* book = tabBook();
    FXWindow* item = book->childAtIndex(2 * book->getCurrent());
    for (int t = LONGTERM; t <= SUBJECTS; ++t)
        if (item == tabItem(Tab(t))) return Tab(t);
    ADD_FAILURE() << "no tab shown";
    return LONGTERM;
}

std::string EditorDriver::panel() const {
    FXSwitcher* switcher = find<FXSwitcher>(OBJECTIVE);
    FXWindow* shown = switcher ? switcher->childAtIndex(switcher->getCurrent()) : nullptr;
    return shown && shown->isMemberOf(FXMETACLASS(FXGroupBox)) ? str(static_cast<FXGroupBox*>(shown)->getText()) : "";
}

}  // namespace planedit

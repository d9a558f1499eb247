#include "planedit/UndoCommands.h"

#include <algorithm>
#include <vector>

#include <fxkeys.h>

#include "data/UndoJournal.h"
#include "ui/Failures.h"
#include "ui/Prompter.h"

using namespace FX;

namespace undocommands {

namespace {

undo::Offer lastOffer;
std::vector<EditMenu*> menus;

// The Edit menu reads the offer afresh each time it opens: another
// computer may have changed it.
class EditPane : public FXMenuPane {
public:
    explicit EditPane(FXWindow* owner) : FXMenuPane(owner) {}
    void popup(FXWindow* grabto, FXint x, FXint y, FXint w, FXint h) override {
        refresh();
        FXMenuPane::popup(grabto, x, y, w, h);
    }
};

// A step's words in a menu item, where "&" marks the underlined key.
FXString itemText(const char* verb, const FXString& description) {
    FXString words = description;
    words.substitute("&", "&&");
    return FXString(verb) + (words.empty() ? FXString() : " " + words);
}

void name(EditMenu* menu) {
    if (menu->undoItem()) menu->undoItem()->setText(itemText("&Undo", lastOffer.undo));
    if (menu->redoItem()) menu->redoItem()->setText(itemText("&Redo", lastOffer.redo));
}

}  // namespace

void EditMenu::build(FXComposite* menuBar, FXWindow* window, FXObject* target, FXSelector undoId, FXSelector redoId) {
    menuPane = new EditPane(window);
    undoCommand = new FXMenuCommand(menuPane, "&Undo", nullptr, target, undoId);
    undoCommand->setAccelText("Ctrl+Z");
    redoCommand = new FXMenuCommand(menuPane, "&Redo", nullptr, target, redoId);
    redoCommand->setAccelText("Ctrl+Shift+Z");
    new FXMenuTitle(menuBar, "&Edit", nullptr, menuPane);
    FXAccelTable* keys = window->getAccelTable();
    if (!keys) {
        keys = new FXAccelTable;
        window->setAccelTable(keys);
    }
    keys->addAccel(MKUINT(KEY_z, CONTROLMASK), target, FXSEL(SEL_COMMAND, undoId));
    keys->addAccel(MKUINT(KEY_Z, CONTROLMASK), target, FXSEL(SEL_COMMAND, undoId));
    keys->addAccel(MKUINT(KEY_z, CONTROLMASK | SHIFTMASK), target, FXSEL(SEL_COMMAND, redoId));
    keys->addAccel(MKUINT(KEY_Z, CONTROLMASK | SHIFTMASK), target, FXSEL(SEL_COMMAND, redoId));
    menus.push_back(this);
    name(this);
}

EditMenu::~EditMenu() {
    menus.erase(std::remove(menus.begin(), menus.end(), this), menus.end());
    delete menuPane;
}

void refresh() {
    undo::Offer offer;
    try {
        if (!undo::offer(offer)) offer = undo::Offer();
    } catch (const FXException&) {
        offer = undo::Offer();  // no journal to read: nothing offered
    }
    lastOffer = offer;
    for (EditMenu* menu : menus) name(menu);
}

FXString offered(bool undoing) { return undoing ? lastOffer.undo : lastOffer.redo; }

bool run(FXWindow* owner, bool undoing) {
    const char* const caption = undoing ? "Undo" : "Redo";
    undo::Outcome outcome;
    const bool ran = failures::run(owner, "Database Error", "plan",
                                   [&] { outcome = undoing ? undo::undoLast() : undo::redoLast(); });
    refresh();
    if (!ran) return false;
    if (outcome.description.empty()) {
        Prompter::get().information(owner, caption,
                                    undoing ? "There is nothing to undo." : "There is nothing to redo.");
        return false;
    }
    if (!outcome.done) {
        Prompter::get().error(owner, caption,
                              FXString(caption) + " of \"" + outcome.description +
                                  "\" is not possible, because since then:\n\n" + outcome.changes +
                                  "\nNothing was changed.");
        return false;
    }
    return true;
}

long enable(FXObject* sender, FXObject* from, bool undoing) {
    const bool some = !offered(undoing).empty();
    sender->handle(from, FXSEL(SEL_COMMAND, some ? FXWindow::ID_ENABLE : FXWindow::ID_DISABLE), nullptr);
    return 1;
}

}  // namespace undocommands

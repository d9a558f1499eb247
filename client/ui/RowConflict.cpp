#include "ui/RowConflict.h"

#include "data/FXTextException.h"
#include "ui/AppResources.h"
#include "ui/Prompter.h"

using namespace FX;

namespace {

FXString capitalised(const FXString& s) {
    FXString c = s;
    if (!c.empty() && c[0] >= 'a' && c[0] <= 'z') c[0] = (FXchar)(c[0] - 'a' + 'A');
    return c;
}

// "Name", "Name and Essential Skills", "Name, Closure and Essential Skills".
FXString listed(const std::vector<FXString>& names) {
    FXString out;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += i + 1 == names.size() ? " and " : ", ";
        out += names[i];
    }
    return out;
}

}  // namespace

// A named namespace: the toolkit's declaration macro gives the class friend
// functions that an unnamed one would report as unused.
namespace keptwindows {

// A window of text to copy from: a read-only text area and Close.  It
// deletes itself once closed.
class KeptTextWindow : public FXDialogBox {
    FXDECLARE(KeptTextWindow)
public:
    enum { ID_DESTROY = FXDialogBox::ID_LAST, ID_LAST };
    KeptTextWindow(FXWindow* owner, const FXString& title, const FXString& intro, const FXString& text)
        : FXDialogBox(owner, title, DECOR_ALL, 0, 0, 520, 360, 8, 8, 8, 8, 6, 6) {
        FXHorizontalFrame* buttons = new FXHorizontalFrame(this, LAYOUT_SIDE_BOTTOM | LAYOUT_FILL_X, 0, 0, 0, 0, 0, 0);
        new FXButton(buttons, "&Close", nullptr, this, FXDialogBox::ID_CANCEL,
                     BUTTON_NORMAL | BUTTON_INITIAL | BUTTON_DEFAULT | LAYOUT_RIGHT, 0, 0, 0, 0, 12, 12, 3, 3);
        new FXLabel(this, intro, nullptr, JUSTIFY_LEFT | LAYOUT_FILL_X);
        FXVerticalFrame* frame = new FXVerticalFrame(this, FRAME_SUNKEN | FRAME_THICK | LAYOUT_FILL_X | LAYOUT_FILL_Y,
                                                     0, 0, 0, 0, 0, 0, 0, 0);
        FXText* area = new FXText(frame, nullptr, 0, TEXT_READONLY | TEXT_WORDWRAP | LAYOUT_FILL_X | LAYOUT_FILL_Y);
        area->setText(text);
    }
    long onCmdClose(FXObject*, FXSelector, void*) {
        hide();
        getApp()->addChore(this, ID_DESTROY);
        return 1;
    }
    long onChoreDestroy(FXObject*, FXSelector, void*) {
        delete this;
        return 1;
    }

protected:
    KeptTextWindow() {}
};

FXDEFMAP(KeptTextWindow)
KeptTextWindowMap[] = {
    FXMAPFUNC(SEL_COMMAND, FXDialogBox::ID_CANCEL, KeptTextWindow::onCmdClose),
    FXMAPFUNC(SEL_CLOSE, 0, KeptTextWindow::onCmdClose),
    FXMAPFUNC(SEL_CHORE, KeptTextWindow::ID_DESTROY, KeptTextWindow::onChoreDestroy),
};
FXIMPLEMENT(KeptTextWindow, FXDialogBox, KeptTextWindowMap, ARRAYNUMBER(KeptTextWindowMap))

}  // namespace keptwindows

using keptwindows::KeptTextWindow;

namespace rowconflict {

const char* const keptTitle = "What You Typed";

Choice ask(FXWindow* owner, const FXString& what, const FXString& name, const RowChange& change,
           const std::vector<Field>& fields) {
    std::vector<FXString> labels;
    for (const FXString& column : change.columns)
        for (const Field& f : fields)
            if (FXString(f.column).upper() == FXString(column).upper()) labels.push_back(f.label);
    const FXString who = change.changedBy.empty() ? FXString("someone else") : change.changedBy;
    FXString text = capitalised(what) + " \"" + name + "\" was changed by " + who + " after you opened it";
    text += labels.empty() ? FXString(".") : ": " + listed(labels) + " changed.";
    text += "\n\nReload shows what is stored now; what you typed is kept in a window for you to copy from.";
    text += "\nOverwrite stores what you typed in place of the other change.";
    text += "\nCancel leaves everything as it is, without storing anything.";
    const FXint answer =
        Prompter::get().choose(owner, capitalised(what) + " Changed", text, {"Reload", "Overwrite", "Cancel"});
    return answer == 0 ? RELOAD : answer == 1 ? OVERWRITE : CANCEL;
}

FXString deletedText(const FXString& what, const FXString& name) {
    return capitalised(what) + " \"" + name +
           "\" was deleted after you opened it (by someone else or in another window), so nothing was stored.\n\n"
           "Everything you typed is still here for you to copy.";
}

FXString typedText(const ReadRow& shown, IsectRecordset& stored, const std::vector<Field>& fields) {
    FXString out;
    for (const Field& f : fields) {
        if (f.typed.empty() || shown.value(f.column) == f.typed || stored.GetField(f.column) == f.typed) continue;
        if (!out.empty()) out += "\n\n";
        out += f.label + ":\n" + f.typed;
    }
    return out;
}

FXDialogBox* keep(FXWindow* owner, const FXString& what, const FXString& text) {
    if (text.empty()) return nullptr;
    KeptTextWindow* window =
        new KeptTextWindow(owner, keptTitle, "What you typed for this " + what + ", not stored:", text);
    window->create();
    window->show(PLACEMENT_OWNER);
    return window;
}

bool checkedEdit(FXWindow* owner, IsectRecordset& rs, const ReadRow& shown, const Edit& edit) {
    std::vector<FXString> columns;
    for (const Field& f : edit.fields) columns.push_back(f.column);
    try {
        for (int attempt = 0;; ++attempt) {
            edit.reread();
            const RowChange change = shown.compare(rs, columns);
            if (change.deleted) throw FXTextException(deletedText(edit.what, edit.name));
            if (change.changed()) {
                if (normalCursor) owner->getShell()->setDefaultCursor(normalCursor);
                const Choice choice = ask(owner, edit.what, edit.name, change, edit.fields);
                if (choice == CANCEL) return false;
                if (choice == RELOAD) {
                    rs.MoveFirst();
                    const FXString typed = typedText(shown, rs, edit.fields);
                    edit.reload();
                    keep(owner->getShell(), edit.what, typed);
                    return false;
                }
                edit.reread();  // overwrite: over the version just read
                if (rs.rows.IsEmpty()) throw FXTextException(deletedText(edit.what, edit.name));
            }
            try {
                edit.write();
                return true;
            } catch (const DatabaseError& e) {
                // Changed between the reading and the writing: found and
                // asked about on the next round.
                if (!rowversions::isRowChanged(e.what()) || attempt >= 3) throw;
            }
        }
    } catch (const Lost&) {
        return false;
    }
}

}  // namespace rowconflict

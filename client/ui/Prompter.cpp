#include "ui/Prompter.h"

#include <cstdio>
#include <memory>

using namespace FX;

namespace {
FXPrompter defaultPrompter;
Prompter* installed = nullptr;

// A message box needs a created window or a created application; without
// either (a tool that has no FXApp, or a prompt before the application has
// been created) the text goes to standard error only.
// An owner that is not created yet gives way to the application.
FXApp* appOf(FXWindow*& owner) {
    FXApp* app = owner ? owner->getApp() : FXApp::instance();
    if (!app || !app->getRootWindow() || !app->getRootWindow()->id()) return nullptr;
    if (owner && !owner->id()) owner = nullptr;
    return app;
}
// Message boxes do not wrap their text: a line longer than about 80
// characters is broken at its spaces so that the box fits on the screen.
FXString wrapped(const FXString& text) {
    const FXint width = 80;
    FXString out;
    for (FXint i = 0, lines = text.contains('\n'); i <= lines; ++i) {
        FXString line = text.section('\n', i);
        while (line.length() > width) {
            FXint cut = line.rfind(' ', width);
            if (cut <= 0) cut = line.find(' ', width);
            if (cut <= 0) break;
            out += line.left(cut) + "\n";
            line = line.mid(cut + 1, line.length());
        }
        out += line;
        if (i < lines) out += "\n";
    }
    return out;
}

}  // namespace

// A named namespace: the toolkit's declaration macro gives the class friend
// functions that an unnamed one would report as unused.
namespace promptboxes {

// The box of choose(): the text, and one button per
// answer; the modal loop ends with the index of the button pressed plus 1
// (0: the box was closed).
class ChoiceBox : public FXDialogBox {
    FXDECLARE(ChoiceBox)
public:
    enum { ID_ANSWER = FXDialogBox::ID_LAST, ID_LAST = ID_ANSWER + 16 };
    ChoiceBox(FXWindow* owner, const FXString& caption, const FXString& text, const std::vector<FXString>& buttons)
        : FXDialogBox(owner, caption, DECOR_TITLE | DECOR_BORDER | DECOR_CLOSE, 0, 0, 0, 0, 10, 10, 10, 10, 10, 10) {
        build(text, buttons);
    }
    ChoiceBox(FXApp* app, const FXString& caption, const FXString& text, const std::vector<FXString>& buttons)
        : FXDialogBox(app, caption, DECOR_TITLE | DECOR_BORDER | DECOR_CLOSE, 0, 0, 0, 0, 10, 10, 10, 10, 10, 10) {
        build(text, buttons);
    }
    long onCmdAnswer(FXObject*, FXSelector sel, void*) {
        getApp()->stopModal(this, FXSELID(sel) - ID_ANSWER + 1);
        hide();
        return 1;
    }

protected:
    ChoiceBox() {}

private:
    void build(const FXString& text, const std::vector<FXString>& buttons) {
        FXHorizontalFrame* row = new FXHorizontalFrame(this, LAYOUT_SIDE_BOTTOM | LAYOUT_CENTER_X | PACK_UNIFORM_WIDTH,
                                                       0, 0, 0, 0, 0, 0, 0, 0, 10, 0);
        for (size_t i = 0; i < buttons.size() && i < 16; ++i)
            new FXButton(row, buttons[i], nullptr, this, ID_ANSWER + (FXSelector)i,
                         BUTTON_NORMAL | (i == 0 ? BUTTON_INITIAL | BUTTON_DEFAULT : 0) | LAYOUT_CENTER_Y, 0, 0, 0, 0,
                         12, 12, 3, 3);
        new FXHorizontalSeparator(this, SEPARATOR_GROOVE | LAYOUT_FILL_X | LAYOUT_SIDE_BOTTOM);
        new FXLabel(this, wrapped(text), nullptr, JUSTIFY_LEFT | ICON_BEFORE_TEXT | LAYOUT_FILL_X | LAYOUT_FILL_Y);
    }
};

FXDEFMAP(ChoiceBox)
ChoiceBoxMap[] = {
    FXMAPFUNCS(SEL_COMMAND, ChoiceBox::ID_ANSWER, ChoiceBox::ID_LAST - 1, ChoiceBox::onCmdAnswer),
};
FXIMPLEMENT(ChoiceBox, FXDialogBox, ChoiceBoxMap, ARRAYNUMBER(ChoiceBoxMap))

}  // namespace promptboxes

using promptboxes::ChoiceBox;

Prompter& Prompter::get() { return installed ? *installed : defaultPrompter; }

Prompter* Prompter::install(Prompter* p) {
    Prompter* old = installed ? installed : &defaultPrompter;
    installed = p;
    return old;
}

void FXPrompter::error(FXWindow* owner, const FXString& caption, const FXString& text) {
    FXApp* app = appOf(owner);
    if (!app) {
        fprintf(stderr, "%s: %s\n", caption.text(), text.text());
        return;
    }
    const FXString shown = wrapped(text);
    if (owner)
        FXMessageBox::error(owner, MBOX_OK, caption.text(), "%s", shown.text());
    else
        FXMessageBox::error(app, MBOX_OK, caption.text(), "%s", shown.text());
}

void FXPrompter::warning(FXWindow* owner, const FXString& caption, const FXString& text) {
    FXString shown = text.left(1024);
    fprintf(stderr, "%s\n", shown.text());
    FXApp* app = appOf(owner);
    if (!app) return;
    const FXString box = wrapped(shown);
    if (owner)
        FXMessageBox::information(owner, MBOX_OK, caption.text(), "%s", box.text());
    else
        FXMessageBox::information(app, MBOX_OK, caption.text(), "%s", box.text());
}

void FXPrompter::information(FXWindow* owner, const FXString& caption, const FXString& text) {
    FXApp* app = appOf(owner);
    if (!app) {
        fprintf(stderr, "%s: %s\n", caption.text(), text.text());
        return;
    }
    const FXString shown = wrapped(text);
    if (owner)
        FXMessageBox::information(owner, MBOX_OK, caption.text(), "%s", shown.text());
    else
        FXMessageBox::information(app, MBOX_OK, caption.text(), "%s", shown.text());
}

bool FXPrompter::question(FXWindow* owner, const FXString& caption, const FXString& text) {
    FXApp* app = appOf(owner);
    if (!app) return false;
    const FXString shown = wrapped(text);
    FXuint answer = owner ? FXMessageBox::question(owner, MBOX_YES_NO, caption.text(), "%s", shown.text())
                          : FXMessageBox::question(app, MBOX_YES_NO, caption.text(), "%s", shown.text());
    return answer == MBOX_CLICKED_YES;
}

Prompter::Answer FXPrompter::questionYesNoCancel(FXWindow* owner, const FXString& caption, const FXString& text) {
    FXApp* app = appOf(owner);
    if (!app) return CANCEL;
    const FXString shown = wrapped(text);
    FXuint answer = owner ? FXMessageBox::question(owner, MBOX_YES_NO_CANCEL, caption.text(), "%s", shown.text())
                          : FXMessageBox::question(app, MBOX_YES_NO_CANCEL, caption.text(), "%s", shown.text());
    if (answer == MBOX_CLICKED_YES) return YES;
    if (answer == MBOX_CLICKED_NO) return NO;
    return CANCEL;
}

FXint FXPrompter::choose(FXWindow* owner, const FXString& caption, const FXString& text,
                         const std::vector<FXString>& buttons) {
    const FXint last = buttons.empty() ? 0 : (FXint)buttons.size() - 1;
    FXApp* app = appOf(owner);
    if (!app) return last;
    std::unique_ptr<ChoiceBox> box(owner ? new ChoiceBox(owner, caption, text, buttons)
                                         : new ChoiceBox(app, caption, text, buttons));
    const FXuint answer = box->execute(PLACEMENT_OWNER);
    return answer == 0 ? last : (FXint)answer - 1;
}

bool FXPrompter::openFile(FXWindow* owner, const FXString& caption, const FXString& patterns, FXString& path) {
    if (!owner) return false;
    FXString chosen = FXFileDialog::getOpenFilename(owner, caption, path, patterns);
    if (chosen.empty()) return false;
    path = chosen;
    return true;
}

bool FXPrompter::saveFile(FXWindow* owner, const FXString& caption, const FXString& patterns, FXString& path) {
    if (!owner) return false;
    FXString chosen = FXFileDialog::getSaveFilename(owner, caption, path, patterns);
    if (chosen.empty()) return false;
    path = chosen;
    return true;
}

bool FXPrompter::chooseDirectory(FXWindow* owner, const FXString& caption, FXString& path) {
    if (!owner) return false;
    FXString chosen = FXDirDialog::getOpenDirectory(owner, caption, path);
    if (chosen.empty()) return false;
    path = chosen;
    return true;
}

bool FXPrompter::askText(FXWindow* owner, const FXString& caption, const FXString& label, FXString& text) {
    if (!owner) return false;
    FXString typed = text;
    if (!FXInputDialog::getString(typed, owner, caption, label)) return false;
    text = typed;
    return true;
}

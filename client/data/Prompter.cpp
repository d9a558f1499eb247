#include "data/Prompter.h"

#include <cstdio>

using namespace FX;

namespace {
FXPrompter defaultPrompter;
Prompter* installed = nullptr;

// A message box needs a window or the application; without either (a test or
// a tool that has no FXApp) the text goes to standard error only.
FXApp* appOf(FXWindow* owner) {
    if (owner) return owner->getApp();
    return FXApp::instance();
}
}  // namespace

Prompter& Prompter::get() { return installed ? *installed : defaultPrompter; }

Prompter* Prompter::install(Prompter* p) {
    Prompter* old = installed ? installed : &defaultPrompter;
    installed = p;
    return old;
}

void FXPrompter::error(FXWindow* owner, const FXString& caption, const FXString& text) {
    FXApp* app = appOf(owner);
    if (!app) { fprintf(stderr, "%s: %s\n", caption.text(), text.text()); return; }
    if (owner) FXMessageBox::error(owner, MBOX_OK, caption.text(), "%s", text.text());
    else FXMessageBox::error(app, MBOX_OK, caption.text(), "%s", text.text());
}

void FXPrompter::warning(FXWindow* owner, const FXString& caption, const FXString& text) {
    FXString shown = text.left(1024);
    fprintf(stderr, "%s\n", shown.text());
    FXApp* app = appOf(owner);
    if (!app) return;
    if (owner) FXMessageBox::information(owner, MBOX_OK, caption.text(), "%s", shown.text());
    else FXMessageBox::information(app, MBOX_OK, caption.text(), "%s", shown.text());
}

void FXPrompter::information(FXWindow* owner, const FXString& caption, const FXString& text) {
    FXApp* app = appOf(owner);
    if (!app) { fprintf(stderr, "%s: %s\n", caption.text(), text.text()); return; }
    if (owner) FXMessageBox::information(owner, MBOX_OK, caption.text(), "%s", text.text());
    else FXMessageBox::information(app, MBOX_OK, caption.text(), "%s", text.text());
}

bool FXPrompter::question(FXWindow* owner, const FXString& caption, const FXString& text) {
    FXApp* app = appOf(owner);
    if (!app) return false;
    FXuint answer = owner ? FXMessageBox::question(owner, MBOX_YES_NO, caption.text(), "%s", text.text())
                          : FXMessageBox::question(app, MBOX_YES_NO, caption.text(), "%s", text.text());
    return answer == MBOX_CLICKED_YES;
}

Prompter::Answer FXPrompter::questionYesNoCancel(FXWindow* owner, const FXString& caption, const FXString& text) {
    FXApp* app = appOf(owner);
    if (!app) return CANCEL;
    FXuint answer = owner ? FXMessageBox::question(owner, MBOX_YES_NO_CANCEL, caption.text(), "%s", text.text())
                          : FXMessageBox::question(app, MBOX_YES_NO_CANCEL, caption.text(), "%s", text.text());
    if (answer == MBOX_CLICKED_YES) return YES;
    if (answer == MBOX_CLICKED_NO) return NO;
    return CANCEL;
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

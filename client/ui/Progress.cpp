#include "ui/Progress.h"

#include <chrono>

using namespace FX;

namespace {
FXProgress defaultProgress;
Progress* installed = nullptr;

// Events are let run at most this often during a long loop.
const FXlong eventInterval = 40 * 1000 * 1000;

FXlong clockNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

Progress& Progress::get() { return installed ? *installed : defaultProgress; }

Progress* Progress::install(Progress* p) {
    Progress* old = installed ? installed : &defaultProgress;
    installed = p;
    return old;
}

FXProgress::~FXProgress() {
    // The application (and the owner) may be gone at program end; the
    // dialog is one of its windows and goes with it.
    dialog_ = nullptr;
}

void FXProgress::open(FXWindow* owner, const FXString& title, const FXString& message, FXuint total) {
    close();
    if (!owner) {
        FXApp* app = FXApp::instance();
        if (!app) return;  // a tool without an application: no window
        owner = app->getRootWindow();
    }
    dialog_ = new FXProgressDialog(owner, title, message, PROGRESSDIALOG_NORMAL | PROGRESSDIALOG_CANCEL);
    dialog_->setTotal(total);
    dialog_->create();
    dialog_->show(PLACEMENT_OWNER);
    dialog_->layout();
    runEvents();
}

void FXProgress::setMessage(const FXString& message) {
    if (!dialog_) return;
    dialog_->setMessage(message);
    runEvents();
}

void FXProgress::setTotal(FXuint total) {
    if (dialog_) dialog_->setTotal(total);
}

void FXProgress::advance(FXuint amount) {
    if (dialog_) dialog_->increment(amount);
}

bool FXProgress::cancelled() {
    if (!dialog_) return false;
    if (clockNanoseconds() - lastEvents_ >= eventInterval) runEvents();
    return dialog_->isCancelled();
}

void FXProgress::close() {
    if (!dialog_) return;
    FXProgressDialog* d = dialog_;
    dialog_ = nullptr;
    d->hide();
    delete d;
}

// Repaints what needs it and handles input for the progress window only, so
// that nothing else (a second import, closing the window the operation
// runs in) can start while the loop is under way.
void FXProgress::runEvents() {
    lastEvents_ = clockNanoseconds();
    FXApp* app = dialog_->getApp();
    app->runModalWhileEvents(dialog_);
    // Windows are painted when the event loop is idle, which this loop
    // never is: what was exposed or changed is painted now.
    app->forceRefresh();
    app->repaint();
    app->flush();
}

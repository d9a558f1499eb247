#include "ui/Failures.h"

#include "data/IsectRecordset.h"
#include "ui/AppResources.h"
#include "ui/Prompter.h"

using namespace FX;

namespace failures {

namespace {

// The lost connections the user has been told of: each is told once, by the
// first command that ends after it.
FXuint told = 0;
// The Marks alive: commands that will tell a lost connection themselves.
FXuint waiting = 0;

FXString applicationName(FXWindow* owner) {
    FXApp* app = owner ? owner->getApp() : FXApp::instance();
    return app ? FXString(app->getAppName()) : FXString("Plenwick");
}

// A box never stands under the busy cursor of the window it belongs to.
void normalCursorOn(FXWindow* owner) {
    if (owner && normalCursor && busyCursor && owner->getDefaultCursor() == busyCursor)
        owner->setDefaultCursor(normalCursor);
}

void tellUntold(FXWindow* owner) {
    const FXuint now = IsectRecordset::LostConnections();
    if (now == told) return;
    told = now;
    tell(owner, messages::lostConnection(IsectRecordset::LostConnectionText(), applicationName(owner)));
}

// A lost connection no command waits for: told now, over no window.
void lostOutsideCommands() {
    if (waiting == 0) tellUntold(nullptr);
}

}  // namespace

Mark::Mark() : start(IsectRecordset::LostConnections()) { ++waiting; }

Mark::~Mark() { --waiting; }

bool Mark::lost() const { return IsectRecordset::LostConnections() != start; }

bool tellLost(FXWindow* owner, const Mark& mark) {
    if (!mark.lost()) return false;
    tellUntold(owner);
    return true;
}

void watchConnections() { IsectRecordset::SetLostConnectionListener(lostOutsideCommands); }

void tell(FXWindow* owner, const messages::Message& message) {
    normalCursorOn(owner);
    if (message.warning)
        Prompter::get().warning(owner, message.caption, message.text);
    else
        Prompter::get().error(owner, message.caption, message.text);
}

bool run(FXWindow* owner, const FXString& caption, const std::function<void()>& body) {
    return run(owner, caption, "plan", body);
}

bool run(FXWindow* owner, const FXString& caption, const FXString& subject, const std::function<void()>& body) {
    const Mark mark;
    try {
        body();
    } catch (const FXException&) {
        const messages::Message message = messages::explainCaught(caption, subject);
        // After a lost connection what failed next is its consequence.
        if (!tellLost(owner, mark)) tell(owner, message);
        return false;
    }
    return !tellLost(owner, mark);
}

}  // namespace failures

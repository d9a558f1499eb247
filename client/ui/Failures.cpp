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

FXString applicationName(FXWindow* owner) {
    FXApp* app = owner ? owner->getApp() : FXApp::instance();
    return app ? FXString(app->getAppName()) : FXString("Plenwick");
}

// A box never stands under the busy cursor of the window it belongs to.
void normalCursorOn(FXWindow* owner) {
    if (owner && normalCursor && busyCursor && owner->getDefaultCursor() == busyCursor)
        owner->setDefaultCursor(normalCursor);
}

}  // namespace

Mark::Mark() : start(IsectRecordset::LostConnections()) {}

bool Mark::lost() const { return IsectRecordset::LostConnections() != start; }

bool tellLost(FXWindow* owner, const Mark& mark) {
    if (!mark.lost()) return false;
    const FXuint now = IsectRecordset::LostConnections();
    if (now != told) {
        told = now;
        tell(owner, messages::lostConnection(IsectRecordset::LostConnectionText(), applicationName(owner)));
    }
    return true;
}

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

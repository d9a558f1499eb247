#include "ui/AppResources.h"

#include "ui/Failures.h"
#include "ui/IconData.h"

using namespace FX;

FXFont* smallFont = nullptr;
FXFont* labelFont = nullptr;
FXFont* textFont = nullptr;
FXIcon* appIcon = nullptr;
FXIcon* planIcon = nullptr;
FXIcon* fileIcon = nullptr;
FXIcon* transferIcon = nullptr;
FXIcon* printIcon = nullptr;
FXString footerNotice;
FXCursor* normalCursor = nullptr;
FXCursor* busyCursor = nullptr;

namespace {
FXIcon* icon(FXApp* app, const unsigned char* data) {
    return new FXICOIcon(app, data, FXRGB(192, 192, 192), IMAGE_ALPHACOLOR);
}
}  // namespace

void createResources(FXApp* app) {
    if (smallFont) return;  // once per program
    smallFont = new FXFont(app, "Small Fonts", 6, FXFont::DemiBold, FXFont::Straight);
    labelFont = new FXFont(app, "MS Sans Serif", 9, FXFont::DemiBold, FXFont::Straight);
    textFont = new FXFont(app, "Arial", 9, FXFont::Normal, FXFont::Straight);
    appIcon = icon(app, appIconData);
    planIcon = icon(app, planIconData);
    fileIcon = icon(app, fileIconData);
    transferIcon = icon(app, transferIconData);
    printIcon = icon(app, printIconData);
    footerNotice = "Plenwick lesson planner - Brellmoor";
    failures::watchConnections();
}

void createCursors(FXApp* app) {
    normalCursor = app->getDefaultCursor(DEF_ARROW_CURSOR);
    busyCursor = app->getDefaultCursor(DEF_WAIT_CURSOR);
}

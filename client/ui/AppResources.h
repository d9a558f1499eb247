// Fonts, icons, cursors and the footer line that every window of the client
// shares.  The program entry creates them once; the application object owns
// them.
#ifndef PLENWICK_APPRESOURCES_H
#define PLENWICK_APPRESOURCES_H

#include <fx.h>

// "Small Fonts" 6 pt demi-bold: everything inside the week grid, the footer.
extern FX::FXFont* smallFont;
// "MS Sans Serif" 9 pt demi-bold: buttons, the week heading, time labels.
extern FX::FXFont* labelFont;
// "Arial" 9 pt normal: the About text and the long-text views.
extern FX::FXFont* textFont;

// Title-bar icon of every top window and dialog.
extern FX::FXIcon* appIcon;
// The unit plan dialog's three icons and the lesson dialog's one.
extern FX::FXIcon* planIcon;
extern FX::FXIcon* fileIcon;
extern FX::FXIcon* transferIcon;
extern FX::FXIcon* printIcon;

// One line naming the product, drawn at the foot of the week grid, the term
// view and every printed page.
extern FX::FXString footerNotice;

extern FX::FXCursor* normalCursor;
extern FX::FXCursor* busyCursor;

// Creates the fonts and icons (the toolkit creates them on the display when
// the application is created), sets footerNotice and starts the telling of
// lost connections that no command tells (ui/Failures.h).
void createResources(FX::FXApp* app);
// Takes the toolkit's stock arrow and watch cursors.
void createCursors(FX::FXApp* app);

#endif

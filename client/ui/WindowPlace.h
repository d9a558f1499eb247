// Where a window stands: every window keeps its position and size in a
// settings section of its own ("CALENDAR", "UNITPLANDIALOG", ...), stored
// when it closes and restored, within limits, when it opens.
//
//   WindowPlace place = WindowPlace::read(getApp()->reg(), "LONGTERM");
//   place.keepOnScreen(getRoot()->getWidth(), getRoot()->getHeight());
//   position(place.x, place.y, place.width, place.height);
//   ...
//   WindowPlace{getX() - placementDx, getY() - placementDy, getWidth(), getHeight()}.write(reg, "LONGTERM");
#ifndef PLENWICK_WINDOWPLACE_H
#define PLENWICK_WINDOWPLACE_H

#include <fx.h>

struct WindowPlace {
    FX::FXint x = 40, y = 40, width = 640, height = 480;

    // Keys "x", "y", "width", "height" of the section: 40, 40, 640 x 480
    // when absent; a negative x or y becomes 40; the size is at least
    // 640 x 480.
    static WindowPlace read(FX::FXRegistry& reg, const char* section) { return read(reg, section, 640, 480, 640, 480); }
    // The same for a window with a default and a minimum size of its own.
    static WindowPlace read(FX::FXRegistry& reg, const char* section, FX::FXint defaultWidth, FX::FXint defaultHeight,
                            FX::FXint minimumWidth, FX::FXint minimumHeight) {
        WindowPlace place;
        place.x = reg.readIntEntry(section, "x", 40);
        place.y = reg.readIntEntry(section, "y", 40);
        place.width = reg.readIntEntry(section, "width", defaultWidth);
        place.height = reg.readIntEntry(section, "height", defaultHeight);
        if (place.x < 0) place.x = 40;
        if (place.y < 0) place.y = 40;
        if (place.width < minimumWidth) place.width = minimumWidth;
        if (place.height < minimumHeight) place.height = minimumHeight;
        return place;
    }

    // Moves the window back onto a screen of the given size (a place saved
    // on a larger screen, or a window grown to its minimum) and, where it is
    // larger than the screen, makes it as large as the screen.
    void keepOnScreen(FX::FXint screenWidth, FX::FXint screenHeight) {
        if (screenWidth <= 0 || screenHeight <= 0) return;
        if (width > screenWidth) width = screenWidth;
        if (height > screenHeight) height = screenHeight;
        if (x + width > screenWidth) x = screenWidth - width;
        if (y + height > screenHeight) y = screenHeight - height;
        if (x < 0) x = 0;
        if (y < 0) y = 0;
    }

    void write(FX::FXRegistry& reg, const char* section) const {
        reg.writeIntEntry(section, "x", x);
        reg.writeIntEntry(section, "y", y);
        reg.writeIntEntry(section, "width", width);
        reg.writeIntEntry(section, "height", height);
    }
};

#endif

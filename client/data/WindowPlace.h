// Where a window stands: every window keeps its position and size in a
// settings section of its own ("CALENDAR", "UNITPLANDIALOG", ...), stored
// when it closes and restored, within limits, when it opens.
//
//   WindowPlace place = WindowPlace::read(getApp()->reg(), "LONGTERM");
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
    static WindowPlace read(FX::FXRegistry& reg, const char* section) {
        WindowPlace place;
        place.x = reg.readIntEntry(section, "x", 40);
        place.y = reg.readIntEntry(section, "y", 40);
        place.width = reg.readIntEntry(section, "width", 640);
        place.height = reg.readIntEntry(section, "height", 480);
        if (place.x < 0) place.x = 40;
        if (place.y < 0) place.y = 40;
        if (place.width < 640) place.width = 640;
        if (place.height < 480) place.height = 480;
        return place;
    }

    void write(FX::FXRegistry& reg, const char* section) const {
        reg.writeIntEntry(section, "x", x);
        reg.writeIntEntry(section, "y", y);
        reg.writeIntEntry(section, "width", width);
        reg.writeIntEntry(section, "height", height);
    }
};

#endif

// What GUI tests do to windows as a user would: click on a canvas, and find
// or close the top windows of one kind.
//
//   testsupport::clickCanvas(calendar, calendar->getCanvas(), CalendarWindow::ID_CANVAS, x, y);
//   testsupport::dragCanvas(calendar, calendar->getCanvas(), CalendarWindow::ID_CANVAS, x, y, x2, y2);
//   EXPECT_EQ(testsupport::deleteWindows<UnitPlanDialog>(app()), 1);
#ifndef PLENWICK_GUI_ACTIONS_H
#define PLENWICK_GUI_ACTIONS_H

#include <fx.h>
#include <fxkeys.h>

namespace testsupport {

// A left button event (press, release, or motion with the button held) at
// (x, y) of `canvas`, handled by its target `window` as the canvas's
// message `id`.
inline void buttonEvent(FX::FXObject* window, FX::FXWindow* canvas, FX::FXSelector id, FX::FXuint type, FX::FXint x,
                        FX::FXint y) {
    FX::FXEvent event;
    event.type = type;
    event.win_x = x;
    event.win_y = y;
    event.code = type == FX::SEL_MOTION ? 0 : FX::LEFTBUTTON;
    event.state = type == FX::SEL_MOTION ? FX::LEFTBUTTONMASK : 0;
    window->handle(canvas, FXSEL(type, id), &event);
}
// A click: a press and a release at (x, y).
inline void clickCanvas(FX::FXObject* window, FX::FXWindow* canvas, FX::FXSelector id, FX::FXint x, FX::FXint y) {
    buttonEvent(window, canvas, id, FX::SEL_LEFTBUTTONPRESS, x, y);
    buttonEvent(window, canvas, id, FX::SEL_LEFTBUTTONRELEASE, x, y);
}
// A press at (x0, y0), the pointer moved in a few steps to (x1, y1), then
// released there (or, with `escape`, Escape pressed and then released).
inline void dragCanvas(FX::FXObject* window, FX::FXWindow* canvas, FX::FXSelector id, FX::FXint x0, FX::FXint y0,
                       FX::FXint x1, FX::FXint y1, bool escape = false) {
    buttonEvent(window, canvas, id, FX::SEL_LEFTBUTTONPRESS, x0, y0);
    for (FX::FXint i = 1; i <= 4; ++i)
        buttonEvent(window, canvas, id, FX::SEL_MOTION, x0 + (x1 - x0) * i / 4, y0 + (y1 - y0) * i / 4);
    if (escape) {
        FX::FXEvent key;
        key.type = FX::SEL_KEYPRESS;
        key.code = FX::KEY_Escape;
        key.state = FX::LEFTBUTTONMASK;
        window->handle(canvas, FXSEL(FX::SEL_KEYPRESS, id), &key);
    }
    buttonEvent(window, canvas, id, FX::SEL_LEFTBUTTONRELEASE, x1, y1);
}

// A key press (KEY_F5, ...), without modifiers or with `state` (CONTROLMASK,
// SHIFTMASK), handled by `window` as from the keyboard: its accelerators
// answer it.
inline void pressKey(FX::FXWindow* window, FX::FXuint code, FX::FXuint state = 0) {
    FX::FXEvent key;
    key.type = FX::SEL_KEYPRESS;
    key.code = code;
    key.state = state;
    window->handle(window, FXSEL(FX::SEL_KEYPRESS, 0), &key);
}

// The first top window of class T, or null.
template <class T>
T* findWindow(FX::FXApp* app) {
    for (FX::FXWindow* w = app->getRootWindow()->getFirst(); w; w = w->getNext())
        if (w->isMemberOf(FXMETACLASS(T))) return static_cast<T*>(w);
    return nullptr;
}

// Deletes every top window of class T (each takes its pop-up panes with it)
// and returns how many there were.
template <class T>
int deleteWindows(FX::FXApp* app) {
    int count = 0;
    while (T* w = findWindow<T>(app)) {
        delete w;
        ++count;
    }
    return count;
}

}  // namespace testsupport

#endif

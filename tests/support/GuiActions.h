// What GUI tests do to windows as a user would: click on a canvas, and find
// or close the top windows of one kind.
//
//   testsupport::clickCanvas(calendar, calendar->getCanvas(), CalendarWindow::ID_CANVAS, x, y);
//   EXPECT_EQ(testsupport::deleteWindows<UnitPlanDialog>(app()), 1);
#ifndef PLENWICK_GUI_ACTIONS_H
#define PLENWICK_GUI_ACTIONS_H

#include <fx.h>

namespace testsupport {

// A left button press at (x, y) of `canvas`, handled by its target `window`
// as the canvas's message `id`.
inline void clickCanvas(FX::FXObject* window, FX::FXWindow* canvas, FX::FXSelector id, FX::FXint x, FX::FXint y) {
    FX::FXEvent event;
    event.type = FX::SEL_LEFTBUTTONPRESS;
    event.win_x = x;
    event.win_y = y;
    event.code = FX::LEFTBUTTON;
    window->handle(canvas, FXSEL(FX::SEL_LEFTBUTTONPRESS, id), &event);
}

// A key press (KEY_F5, ...) without modifiers, handled by `window` as from
// the keyboard: its accelerators answer it.
inline void pressKey(FX::FXWindow* window, FX::FXuint code) {
    FX::FXEvent key;
    key.type = FX::SEL_KEYPRESS;
    key.code = code;
    key.state = 0;
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

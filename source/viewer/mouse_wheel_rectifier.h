// Mouse-wheel routing: wheel turns reach the widget under the mouse pointer
// instead of the widget that has the keyboard focus, so that the viewer and
// its page windows scroll and zoom when the pointer is over them. One
// application-wide filter stands for the thread's mouse hook; installing it
// again replaces it.
#pragma once

#include <QPoint>
#include <QWidget>
#include <cstdint>

namespace vn::viewer {

void InstallMouseWheelHook();
void RemoveMouseWheelHook();
bool MouseWheelHookInstalled();

// Hands a wheel turn of WheelDelta (120 per notch, positive away from the
// user) at the screen point MousePos to Control, with the current keyboard
// modifiers and mouse buttons; true when Control or one of its parents took
// it.
bool DispatchMouseWheel(QWidget* Control, int32_t WheelDelta, QPoint MousePos);

}  // namespace vn::viewer

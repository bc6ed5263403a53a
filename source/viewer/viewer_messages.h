// The notifications a viewer posts to the message receivers (Handle) of its
// plug-ins, and the page-window input it forwards to them. Each travels as a
// TvnWindowMessageEvent: WParam carries the object named (a page window or
// the viewer, as a pointer value), LParam the key code, the packed client
// coordinates of the pointer or 0.
//
// Posted notifications arrive after the viewer's current operation has
// finished, in posting order; a receiver checks a page window it is handed
// against the viewer's live page windows before using it, since the window
// may have been freed in between.
#pragma once

#include <QCoreApplication>
#include <QObject>
#include <cstdint>

#include "viewer/window_messages.h"

namespace vn::viewer {

constexpr uint32_t VWM_PAGEPAINTSTART = 0xBF41;
constexpr uint32_t VWM_PAGEPAINTEND = 0xBF42;
constexpr uint32_t VWM_PAGEBOUNDSCHANGED = 0xBF43;
constexpr uint32_t VWM_DOCUMENTCLOSING = 0xBF46;
constexpr uint32_t VWM_LAYOUTCHANGED = 0xBF47;
constexpr uint32_t VWM_VSCROLLED = 0xBF48;
constexpr uint32_t VWM_PAGECREATED = 0xBF4A;
constexpr uint32_t VWM_TABKEY = 0xBF4B;
// Sent to the viewer by an annotation editor; the viewer passes it on to
// every plug-in under the same number.
constexpr uint32_t VWM_ANNOTSCHANGED = 0xBF4C;

// Page-window input forwarded to the plug-ins under these numbers.
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
// The class library's dialog-key message (a key the dialog would take).
constexpr uint32_t CM_DIALOGKEY = 0xB005;

// The object of a notification as WParam, and back.
inline uint64_t MessageObjectParam(const void* AObject) {
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(AObject));
}
template <typename T>
T* MessageObject(const TMessage& Message) {
  return reinterpret_cast<T*>(static_cast<uintptr_t>(Message.WParam));
}

// Client coordinates packed as the window system packs them: x in the low
// 16 bits, y in the high 16 bits (each signed).
inline int64_t PackPointLParam(int32_t X, int32_t Y) {
  return static_cast<int64_t>((static_cast<uint32_t>(static_cast<uint16_t>(Y)) << 16) |
                              static_cast<uint16_t>(X));
}
inline int32_t PointXOf(const TMessage& Message) { return static_cast<int16_t>(Message.LParam & 0xFFFF); }
inline int32_t PointYOf(const TMessage& Message) { return static_cast<int16_t>((Message.LParam >> 16) & 0xFFFF); }

// Queues the message for Receiver (nothing when Receiver is null).
inline void PostWindowMessage(QObject* Receiver, uint32_t Msg, uint64_t WParam, int64_t LParam) {
  if (Receiver == nullptr) return;
  QCoreApplication::postEvent(Receiver, new TvnWindowMessageEvent(TMessage{Msg, WParam, LParam, 0}));
}

}  // namespace vn::viewer

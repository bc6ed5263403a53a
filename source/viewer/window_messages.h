// Window messages of the viewer controls as Qt events. A message keeps its
// window-system number and its two parameters, so handlers decode it the
// same way whether it was sent at once or posted to the event queue.
#pragma once

#include <QEvent>
#include <cstdint>

namespace vn::viewer {

constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_HSCROLL = 0x0114;
constexpr uint32_t WM_VSCROLL = 0x0115;
constexpr uint32_t WM_MOUSEWHEEL = 0x020A;

// Scroll codes of WM_HSCROLL and WM_VSCROLL (low 16 bits of WParam; the high
// 16 bits carry the thumb position).
constexpr int32_t SB_LINEUP = 0;
constexpr int32_t SB_LINEDOWN = 1;
constexpr int32_t SB_PAGEUP = 2;
constexpr int32_t SB_PAGEDOWN = 3;
constexpr int32_t SB_THUMBPOSITION = 4;
constexpr int32_t SB_THUMBTRACK = 5;
constexpr int32_t SB_TOP = 6;
constexpr int32_t SB_BOTTOM = 7;

// WM_SIZE kinds.
constexpr int32_t SIZE_RESTORED = 0;
constexpr int32_t SIZE_MINIMIZED = 1;
constexpr int32_t SIZE_MAXIMIZED = 2;

struct TMessage {
  uint32_t Msg = 0;
  uint64_t WParam = 0;
  int64_t LParam = 0;
  int64_t Result = 0;
};

// A window message carried as a Qt event (one registered event type for all
// messages).
class TvnWindowMessageEvent : public QEvent {
 public:
  explicit TvnWindowMessageEvent(const TMessage& AMessage) : QEvent(EventType()), Message(AMessage) {}
  static QEvent::Type EventType();
  TMessage Message;
};

// WParam of a scroll message: the code in the low word, the 16-bit thumb
// position in the high word (as the window system packs it).
inline uint64_t PackScrollWParam(int32_t Code, int32_t Pos) {
  return (static_cast<uint64_t>(static_cast<uint16_t>(Pos)) << 16) | static_cast<uint16_t>(Code);
}
inline int32_t ScrollCodeOf(const TMessage& Message) { return static_cast<int32_t>(Message.WParam & 0xFFFF); }
inline int32_t ScrollPosOf(const TMessage& Message) { return static_cast<int32_t>((Message.WParam >> 16) & 0xFFFF); }

}  // namespace vn::viewer

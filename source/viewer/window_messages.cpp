#include "viewer/window_messages.h"

namespace vn::viewer {

QEvent::Type TvnWindowMessageEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

}  // namespace vn::viewer

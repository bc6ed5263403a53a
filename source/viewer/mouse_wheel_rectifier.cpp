#include "viewer/mouse_wheel_rectifier.h"

#include <QApplication>
#include <QPointer>
#include <QWheelEvent>

namespace vn::viewer {

namespace {

// Sees every wheel event of the application before its receiver.
class TMouseWheelHook : public QObject {
 public:
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (Event->type() != QEvent::Wheel || !Watched->isWidgetType()) return false;
    auto* receiver = static_cast<QWidget*>(Watched);
    auto* wheel = static_cast<QWheelEvent*>(Event);
    const QPoint globalPos = wheel->globalPosition().toPoint();
    QWidget* control = QApplication::widgetAt(globalPos);
    // Already on its way to the widget under the pointer (or travelling up
    // from it to its parents).
    if (control == nullptr || control == receiver || receiver->isAncestorOf(control)) return false;
    return DispatchMouseWheel(control, wheel->angleDelta().y(), globalPos);
  }
};

QPointer<TMouseWheelHook> Hook;

}  // namespace

void InstallMouseWheelHook() {
  RemoveMouseWheelHook();
  if (QCoreApplication::instance() == nullptr) return;
  Hook = new TMouseWheelHook;
  Hook->setParent(QCoreApplication::instance());
  QCoreApplication::instance()->installEventFilter(Hook);
}

void RemoveMouseWheelHook() {
  if (Hook.isNull()) return;
  if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->removeEventFilter(Hook);
  delete Hook.data();
  Hook = nullptr;
}

bool MouseWheelHookInstalled() { return !Hook.isNull(); }

bool DispatchMouseWheel(QWidget* Control, int32_t WheelDelta, QPoint MousePos) {
  // Like the window system's own delivery: a widget that ignores the wheel
  // passes it to its parent, up to the window.
  for (QWidget* w = Control; w != nullptr; w = w->parentWidget()) {
    QWheelEvent event(w->mapFromGlobal(QPointF(MousePos)), QPointF(MousePos), QPoint(), QPoint(0, WheelDelta),
                      QGuiApplication::mouseButtons(), QGuiApplication::queryKeyboardModifiers(), Qt::NoScrollPhase,
                      false);
    event.setAccepted(false);
    QApplication::sendEvent(w, &event);
    if (event.isAccepted()) return true;
    if (w->isWindow() || w->testAttribute(Qt::WA_NoMousePropagation)) break;
  }
  return false;
}

}  // namespace vn::viewer

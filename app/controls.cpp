#include "controls.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QMouseEvent>

namespace fotarel {

void SetAutoSizeText(QLabel* Label, const QString& Text) {
  Label->setText(Text);
  Label->adjustSize();
}

QLabel* MakeLabel(QWidget* Parent, const char* Name, int X, int Y, const QString& Text) {
  auto* Label = new QLabel(Parent);
  Label->setObjectName(QString::fromLatin1(Name));
  Label->move(X, Y);
  SetAutoSizeText(Label, Text);
  return Label;
}

void SetTextColour(QAbstractButton* Button, const QColor& Colour) {
  QPalette Palette = Button->palette();
  Palette.setColor(QPalette::Active, QPalette::ButtonText, Colour);
  Palette.setColor(QPalette::Inactive, QPalette::ButtonText, Colour);
  Button->setPalette(Palette);
}

void BindButton(QAbstractButton* Button, QAction* Action) {
  QObject::connect(Button, &QAbstractButton::clicked, Action, [Action] { Action->trigger(); });
  Button->setEnabled(Action->isEnabled());
  QObject::connect(Action, &QAction::enabledChanged, Button, &QWidget::setEnabled);
}

QAction* MakeAction(QWidget* Form, const char* Name, const QString& Caption, const QKeySequence& ShortCut,
                    const QString& Hint) {
  auto* Action = new QAction(Caption, Form);
  Action->setObjectName(QString::fromLatin1(Name));
  if (!ShortCut.isEmpty()) Action->setShortcut(ShortCut);
  Action->setShortcutContext(Qt::WindowShortcut);
  Action->setToolTip(Hint);
  Action->setStatusTip(Hint);
  Form->addAction(Action);
  return Action;
}

void TPathLabel::SetPath(const QString& Path) {
  FPath = Path;
  setToolTip(Path);
  Elide();
}

void TPathLabel::resizeEvent(QResizeEvent* Event) {
  QLabel::resizeEvent(Event);
  Elide();
}

void TPathLabel::Elide() { setText(fontMetrics().elidedText(FPath, Qt::ElideMiddle, width())); }

void TLinkLabel::mouseReleaseEvent(QMouseEvent* Event) {
  QLabel::mouseReleaseEvent(Event);
  if (Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint())) emit Clicked();
}

}  // namespace fotarel

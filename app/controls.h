// Small pieces the application's forms share: text conversion between the
// library's UTF-16 strings and Qt, labels that shorten paths or act as
// links, buttons bound to actions, and labels that size themselves to their
// text as the forms' labels do.
#pragma once

#include <QAction>
#include <QLabel>
#include <QString>

#include "runtime/strings.h"

class QAbstractButton;

namespace fotarel {

inline QString ToQ(const vn::String& Text) { return QString::fromStdU16String(Text); }
inline vn::String FromQ(const QString& Text) { return Text.toStdU16String(); }

// Sets a label's text and fits the label to it.
void SetAutoSizeText(QLabel* Label, const QString& Text);
// A label of a form at (X, Y), as wide as its text.
QLabel* MakeLabel(QWidget* Parent, const char* Name, int X, int Y, const QString& Text);

// A button's text colour while it is enabled; disabled, it is greyed as
// usual.
void SetTextColour(QAbstractButton* Button, const QColor& Colour);

// A button that runs an action when clicked and is enabled exactly when the
// action is. The button keeps its own text and hint.
void BindButton(QAbstractButton* Button, QAction* Action);

// An action of a form: its shortcut works anywhere in the form's window.
QAction* MakeAction(QWidget* Form, const char* Name, const QString& Caption, const QKeySequence& ShortCut,
                    const QString& Hint);

// A label that shows a file path shortened in the middle when it is wider
// than the label.
class TPathLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;
  void SetPath(const QString& Path);
  const QString& Path() const { return FPath; }

 protected:
  void resizeEvent(QResizeEvent* Event) override;

 private:
  void Elide();
  QString FPath;
};

// A label that reports clicks: the main window's link to its maker's web
// page.
class TLinkLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;

 signals:
  void Clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* Event) override;
};

}  // namespace fotarel

// TdlgPassword: the window behind the converter's password prompt. It asks
// for the open password of a protected document in a masked edit; the
// converter shows it through IvnPasswordDialog when no password handler is
// assigned.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "framework/password_dialog.h"

namespace fotarel {

class TdlgPassword : public QDialog, public vn::framework::IvnPasswordDialog {
  Q_OBJECT
 public:
  explicit TdlgPassword(QWidget* Owner = nullptr);

  // Shows the window modally; true when closed with OK.
  bool Execute();
  // The prompt of the converter: the window under ACaption, the edit empty.
  bool Execute(const vn::String& ACaption, vn::String& APassword) override;
  const QString& Password() const { return FPassword; }

  QLabel* Label1;
  QLabel* Label2;
  QLineEdit* Edit1;
  QPushButton* Button1;
  QPushButton* Button2;

 protected:
  void showEvent(QShowEvent* Event) override;

 private:
  void Button1Click();

  QString FPassword;
  bool FResult = false;
};

}  // namespace fotarel

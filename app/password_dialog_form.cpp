#include "password_dialog_form.h"

#include <QGuiApplication>
#include <QScreen>

#include "controls.h"

namespace fotarel {

using namespace vn::framework;

TdlgPassword::TdlgPassword(QWidget* Owner) : QDialog(Owner) {
  setObjectName(QStringLiteral("dlgPassword"));
  setWindowTitle(ToQ(kPasswordDialogCaption));
  // A dialog border: no minimise or maximise box, not resizable.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(515, 127);
  setFont(QFont(QStringLiteral("Tahoma"), 8));

  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->move(37, 20);
  SetAutoSizeText(Label1, ToQ(kPasswordDialogPrompt));
  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->move(176, 51);
  SetAutoSizeText(Label2, ToQ(kPasswordDialogLabel));
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setGeometry(256, 48, 193, 21);
  Edit1->setEchoMode(QLineEdit::Password);
  Label2->setBuddy(Edit1);
  Button1 = new QPushButton(ToQ(kPasswordDialogOk), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(289, 88, 75, 25);
  Button1->setDefault(true);
  Button2 = new QPushButton(ToQ(kPasswordDialogCancel), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setGeometry(374, 88, 75, 25);
  // The edit comes first in the tab order.
  setTabOrder(Edit1, Button1);
  setTabOrder(Button1, Button2);

  connect(Button1, &QPushButton::clicked, this, &TdlgPassword::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

bool TdlgPassword::Execute() {
  FResult = false;
  exec();
  return FResult;
}

bool TdlgPassword::Execute(const vn::String& ACaption, vn::String& APassword) {
  setWindowTitle(ToQ(ACaption));
  Edit1->clear();
  if (!Execute()) return false;
  APassword = FromQ(FPassword);
  return true;
}

void TdlgPassword::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  // Centred on the owner's window (on the screen without an owner).
  const QRect Area = parentWidget() != nullptr ? parentWidget()->window()->frameGeometry()
                                               : screen()->availableGeometry();
  move(Area.center() - rect().center());
  if (Edit1->isEnabled()) Edit1->setFocus();
}

void TdlgPassword::Button1Click() {
  FResult = true;
  FPassword = Edit1->text();
  accept();
}

}  // namespace fotarel

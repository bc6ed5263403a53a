#include "viewer/user_prompts.h"

#include <QDesktopServices>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QUrl>

namespace vn::viewer {

TvnUserPrompts DefaultUserPrompts() {
  TvnUserPrompts prompts;
  prompts.InputQuery = [](QWidget* AParent, const QString& ACaption, const QString& APrompt, QString& Value) {
    bool accepted = false;
    const QString text = QInputDialog::getText(AParent, ACaption, APrompt, QLineEdit::Normal, Value, &accepted);
    if (accepted) Value = text;
    return accepted;
  };
  prompts.Confirm = [](QWidget* AParent, const QString& ACaption, const QString& AText) {
    return QMessageBox::question(AParent, ACaption, AText, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
  };
  prompts.ShowError = [](QWidget* AParent, const QString& ACaption, const QString& AText) {
    QMessageBox::warning(AParent, ACaption, AText);
  };
  prompts.OpenDocument = [](const QString& APath) { return QDesktopServices::openUrl(QUrl::fromLocalFile(APath)); };
  return prompts;
}

TvnUserPrompts& UserPrompts() {
  static TvnUserPrompts prompts = DefaultUserPrompts();
  return prompts;
}

}  // namespace vn::viewer

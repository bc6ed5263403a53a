#include "dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace fotarel {

QStringList QtNameFilters(const QString& Filter) {
  QStringList Result;
  const QStringList Parts = Filter.split(u'|');
  for (qsizetype I = 0; I + 1 < Parts.size(); I += 2) {
    QStringList Patterns;
    for (const QString& Pattern : Parts[I + 1].split(u';', Qt::SkipEmptyParts)) {
      const QString P = Pattern.trimmed();
      if (!P.isEmpty()) Patterns << P;
    }
    Result << Parts[I].trimmed() + u" ("_qs + Patterns.join(u' ') + u')';
  }
  return Result;
}

bool TQtDialogs::OpenFiles(QWidget* Parent, const TOpenDialogSettings& Dialog, QStringList& Files) {
  QFileDialog Box(Parent, Dialog.Title);
  Box.setFileMode(QFileDialog::ExistingFiles);
  Box.setAcceptMode(QFileDialog::AcceptOpen);
  // Qt's own dialog matches the upper-case patterns of the filter without
  // regard to case, as file names on this system are usually lower case.
  Box.setOption(QFileDialog::DontUseNativeDialog);
  Box.setNameFilters(QtNameFilters(Dialog.Filter));
  Box.setSizeGripEnabled(true);
  if (Box.exec() != QDialog::Accepted) return false;
  Files = Box.selectedFiles();
  return !Files.isEmpty();
}

bool TQtDialogs::BrowseForFolder(QWidget* Parent, const TFolderDialogSettings& Dialog, QString& Folder) {
  QFileDialog Box(Parent, Dialog.Caption, Dialog.StartFolder);
  Box.setFileMode(QFileDialog::Directory);
  Box.setOption(QFileDialog::ShowDirsOnly);
  Box.setOption(QFileDialog::DontUseNativeDialog);
  if (Box.exec() != QDialog::Accepted || Box.selectedFiles().isEmpty()) return false;
  Folder = Box.selectedFiles().first();
  return true;
}

void TQtDialogs::ShowMessage(QWidget* Parent, const QString& Title, const QString& Text, TMessageKind Kind) {
  QMessageBox Box(Kind == TMessageKind::mkError ? QMessageBox::Critical : QMessageBox::Information, Title, Text,
                  QMessageBox::Ok, Parent);
  Box.exec();
}

bool TQtDialogs::InputPassword(QWidget* Parent, const QString& Caption, const QString& Prompt,
                               QString& Password) {
  QInputDialog Box(Parent);
  Box.setObjectName(QStringLiteral("PasswordInputBox"));
  Box.setWindowTitle(Caption);
  Box.setLabelText(Prompt);
  Box.setInputMode(QInputDialog::TextInput);
  Box.setTextEchoMode(QLineEdit::Password);
  if (Box.exec() != QDialog::Accepted) return false;
  Password = Box.textValue();
  return true;
}

}  // namespace fotarel

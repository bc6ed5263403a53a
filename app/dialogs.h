// The modal dialogs of the application's forms: the file-open dialog, the
// folder dialog, message boxes and the password input box. The forms reach
// them only through IAppDialogs, so tests put a script in their place;
// TQtDialogs shows the real windows.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace fotarel {

// A file-open dialog as the forms configure it: several files may be
// chosen, they must exist; Filter is in the "Description|patterns" form,
// patterns separated by ";".
struct TOpenDialogSettings {
  QString Title;
  QString Filter;
};

// A folder dialog: its caption and the folder it starts in.
struct TFolderDialogSettings {
  QString Caption;
  QString StartFolder;
};

enum class TMessageKind { mkInformation, mkError };

class IAppDialogs {
 public:
  virtual ~IAppDialogs() = default;
  // True when the user chose files (Files then holds them, in order).
  virtual bool OpenFiles(QWidget* Parent, const TOpenDialogSettings& Dialog, QStringList& Files) = 0;
  // True when the user chose a folder.
  virtual bool BrowseForFolder(QWidget* Parent, const TFolderDialogSettings& Dialog, QString& Folder) = 0;
  virtual void ShowMessage(QWidget* Parent, const QString& Title, const QString& Text, TMessageKind Kind) = 0;
  // A modal input box with a masked edit; true when confirmed (Password then
  // holds the typed text), false when cancelled or closed.
  virtual bool InputPassword(QWidget* Parent, const QString& Caption, const QString& Prompt,
                             QString& Password) = 0;
};

// Qt's name filters for a "Description|patterns|Description|patterns" filter
// text: "Description (pattern pattern ...)" per pair.
QStringList QtNameFilters(const QString& Filter);

class TQtDialogs : public IAppDialogs {
 public:
  bool OpenFiles(QWidget* Parent, const TOpenDialogSettings& Dialog, QStringList& Files) override;
  bool BrowseForFolder(QWidget* Parent, const TFolderDialogSettings& Dialog, QString& Folder) override;
  void ShowMessage(QWidget* Parent, const QString& Title, const QString& Text, TMessageKind Kind) override;
  bool InputPassword(QWidget* Parent, const QString& Caption, const QString& Prompt, QString& Password) override;
};

}  // namespace fotarel

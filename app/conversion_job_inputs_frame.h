// The job-input frame: the ordered list of input files with its buttons
// (append, insert, delete, move up and down), the output format, the merge
// option and the output folder.
//
// The controls are public members named as in the form, like the fields of
// a form class; the main window sets their start-up texts. The dialogs are
// borrowed from the main window.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPoint>
#include <QToolButton>

#include "dialogs.h"

namespace fotarel {

class TfraConversionJobInputs : public QFrame {
  Q_OBJECT
 public:
  TfraConversionJobInputs(IAppDialogs& Dialogs, QWidget* Parent = nullptr);
  ~TfraConversionJobInputs() override;

  // The format list's items as comma text ("PDF", quoted where needed).
  QString OutputFormats() const;
  void SetOutputFormats(const QString& CommaText);
  // At least one input, an output folder and a format.
  bool ReadyToStart() const;
  bool UserChangedOutputFolder() const { return FUserChangedOutputFolder; }
  // The list's selection, -1 when none.
  int ItemIndex() const;
  void SetItemIndex(int Index);

  // The actions' handlers; the Accept handlers take the dialog's files.
  void FileOpen_AppendAccept(const QStringList& Files);
  void FileOpen_InsertAccept(const QStringList& Files);
  void ListDeleteSelectedExecute();
  void ListItemUpExecute();
  void ListItemDownExecute();
  void BrowseForFolder1Accept(const QString& Folder);

  QGroupBox* GroupBox1;
  QLabel* Label4;
  QListWidget* lstInputFiles;
  QToolButton* btnAddInputDocs;
  QToolButton* btnInsertInputtDoc;
  QToolButton* btnDeleteInputDoc;
  QToolButton* btnMoveInputDocUp;
  QToolButton* btnMoveInputDocDown;
  QLabel* Label1;
  QGroupBox* GroupBox2;
  QLabel* Label3;
  QComboBox* cbxFormat;
  QCheckBox* chkConvertAndMerge;
  QLabel* Label2;
  QLineEdit* edtOutputFilepath;
  QToolButton* btnBrowseOutputFolder;

  QAction* FileOpen_Append;
  QAction* FileOpen_Insert;
  QAction* ListDeleteSelected;
  QAction* ListItemUp;
  QAction* ListItemDown;
  QAction* BrowseForFolder1;
  // The dialogs behind the file-open actions and the folder action.
  TOpenDialogSettings FileOpen_AppendDialog;
  TOpenDialogSettings FileOpen_InsertDialog;
  TFolderDialogSettings BrowseForFolder1Dialog;

 signals:
  // The inputs, the folder or the format changed: ReadyToStart may differ.
  void InputsChanged();

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void ActionList1Update();
  void FileOpen_AppendExecute();
  void FileOpen_InsertExecute();
  void BrowseForFolder1Execute();
  // After files were added: the default output folder when none is set.
  void SetDefaultOutputFolder(const QString& FirstFile);
  void MoveSelected(int Delta);

  IAppDialogs& FDialogs;
  QPoint FMouseDownAt;
  bool FUserChangedOutputFolder = false;
};

}  // namespace fotarel

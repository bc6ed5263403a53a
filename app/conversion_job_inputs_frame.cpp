#include "conversion_job_inputs_frame.h"

#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>

#include "controls.h"
#include "runtime/comma_text.h"

namespace fotarel {

namespace {

// Comma text as the format list's property gives it: each item quoted
// when it holds a blank, a comma or a quote.
QString MakeCommaText(const QStringList& Items) {
  QStringList Parts;
  for (const QString& Item : Items) {
    bool Quote = Item.isEmpty();
    for (QChar C : Item) Quote = Quote || C <= u' ' || C == u'"' || C == u',';
    Parts << (Quote ? u'"' + QString(Item).replace(u"\""_qs, u"\"\""_qs) + u'"' : Item);
  }
  return Parts.join(u',');
}

QToolButton* MakeGlyphButton(QWidget* Parent, const char* Name, int X, int Y, int W, int H) {
  auto* Button = new QToolButton(Parent);
  Button->setObjectName(QString::fromLatin1(Name));
  Button->setGeometry(X, Y, W, H);
  Button->setAutoRaise(false);
  Button->setFocusPolicy(Qt::NoFocus);
  return Button;
}

// A speed button's glyph: a bold sign in its colour.
void SetGlyph(QToolButton* Button, const QString& Sign, const QColor& Colour) {
  Button->setText(Sign);
  QFont Font(QStringLiteral("Arial"), 12, QFont::Bold);
  Button->setFont(Font);
  SetTextColour(Button, Colour);
}

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

}  // namespace

TfraConversionJobInputs::TfraConversionJobInputs(IAppDialogs& Dialogs, QWidget* Parent)
    : QFrame(Parent), FDialogs(Dialogs) {
  setObjectName(QStringLiteral("fraJobInputs"));
  resize(548, 270);

  GroupBox1 = new QGroupBox(QStringLiteral("Input:  "), this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  GroupBox1->setGeometry(0, 0, 548, 194);
  Label4 = MakeLabel(GroupBox1, "Label4", 12, 24, QStringLiteral("Ordered List of Documents to Convert"));
  lstInputFiles = new QListWidget(GroupBox1);
  lstInputFiles->setObjectName(QStringLiteral("lstInputFiles"));
  lstInputFiles->setGeometry(12, 42, 478, 128);
  lstInputFiles->setSelectionMode(QAbstractItemView::SingleSelection);
  lstInputFiles->viewport()->installEventFilter(this);
  Label4->setBuddy(lstInputFiles);
  btnAddInputDocs = MakeGlyphButton(GroupBox1, "btnAddInputDocs", 496, 40, 40, 24);
  SetGlyph(btnAddInputDocs, QStringLiteral("+"), kGreen);
  btnInsertInputtDoc = MakeGlyphButton(GroupBox1, "btnInsertInputtDoc", 496, 66, 40, 24);
  SetGlyph(btnInsertInputtDoc, QStringLiteral("<"), kGreen);
  btnDeleteInputDoc = MakeGlyphButton(GroupBox1, "btnDeleteInputDoc", 496, 92, 40, 24);
  SetGlyph(btnDeleteInputDoc, QStringLiteral("\u2212"), kRed);
  btnMoveInputDocUp = MakeGlyphButton(GroupBox1, "btnMoveInputDocUp", 496, 120, 24, 24);
  btnMoveInputDocUp->setArrowType(Qt::UpArrow);
  btnMoveInputDocDown = MakeGlyphButton(GroupBox1, "btnMoveInputDocDown", 496, 144, 24, 24);
  btnMoveInputDocDown->setArrowType(Qt::DownArrow);
  Label1 = MakeLabel(GroupBox1, "Label1", 12, 176,
                     QStringLiteral("Click '+' or '<' to browse files and add/insert to list. To remove files "
                                    "from list, select file and click '-'."));
  QPalette Green = Label1->palette();
  Green.setColor(QPalette::WindowText, kGreen);
  Label1->setPalette(Green);

  GroupBox2 = new QGroupBox(QStringLiteral("Output: "), this);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  GroupBox2->setGeometry(0, 200, 548, 70);
  Label3 = MakeLabel(GroupBox2, "Label3", 12, 24, QStringLiteral("Format"));
  cbxFormat = new QComboBox(GroupBox2);
  cbxFormat->setObjectName(QStringLiteral("cbxFormat"));
  cbxFormat->setGeometry(12, 39, 102, 21);
  chkConvertAndMerge = new QCheckBox(QStringLiteral("Convert and Merge"), GroupBox2);
  chkConvertAndMerge->setObjectName(QStringLiteral("chkConvertAndMerge"));
  chkConvertAndMerge->move(120, 41);
  chkConvertAndMerge->adjustSize();
  chkConvertAndMerge->setChecked(true);
  Label2 = MakeLabel(GroupBox2, "Label2", 239, 24, QStringLiteral("Folder for Converted Documents"));
  edtOutputFilepath = new QLineEdit(GroupBox2);
  edtOutputFilepath->setObjectName(QStringLiteral("edtOutputFilepath"));
  edtOutputFilepath->setGeometry(239, 39, 251, 21);
  btnBrowseOutputFolder = MakeGlyphButton(GroupBox2, "btnBrowseOutputFolder", 496, 39, 40, 22);
  btnBrowseOutputFolder->setText(QStringLiteral("..."));
  btnBrowseOutputFolder->setToolTip(QStringLiteral("Browse..."));

  // ActionList1.
  FileOpen_Append = MakeAction(this, "FileOpen_Append", QStringLiteral("&Open..."), QKeySequence(u"Ctrl+A"_qs),
                               QStringLiteral("Browse files and append to list"));
  FileOpen_Insert = MakeAction(this, "FileOpen_Insert", QStringLiteral("&Open..."), QKeySequence(u"Ctrl+I"_qs),
                               QStringLiteral("Browse files and insert to list at current selection"));
  ListDeleteSelected = MakeAction(this, "ListDeleteSelected", QStringLiteral("&Delete"),
                                  QKeySequence(u"Ctrl+D"_qs), QStringLiteral("Delete selected file from list"));
  ListItemUp = MakeAction(this, "ListItemUp", QStringLiteral("Up"), QKeySequence(),
                          QStringLiteral("Move selected file up in order"));
  ListItemDown = MakeAction(this, "ListItemDown", QStringLiteral("Down"), QKeySequence(),
                            QStringLiteral("Move selected file down in order"));
  BrowseForFolder1 = MakeAction(this, "BrowseForFolder1", QStringLiteral("&Browse..."),
                                QKeySequence(u"Ctrl+O"_qs), QStringLiteral("Browse..."));
  FileOpen_AppendDialog.Title = QStringLiteral("Select documents to convert");
  FileOpen_InsertDialog.Title = QStringLiteral("Select documents to convert");
  BrowseForFolder1Dialog.Caption = QStringLiteral("Select output folder for converted documents");

  connect(FileOpen_Append, &QAction::triggered, this, &TfraConversionJobInputs::FileOpen_AppendExecute);
  connect(FileOpen_Insert, &QAction::triggered, this, &TfraConversionJobInputs::FileOpen_InsertExecute);
  connect(ListDeleteSelected, &QAction::triggered, this, &TfraConversionJobInputs::ListDeleteSelectedExecute);
  connect(ListItemUp, &QAction::triggered, this, &TfraConversionJobInputs::ListItemUpExecute);
  connect(ListItemDown, &QAction::triggered, this, &TfraConversionJobInputs::ListItemDownExecute);
  connect(BrowseForFolder1, &QAction::triggered, this, &TfraConversionJobInputs::BrowseForFolder1Execute);
  BindButton(btnAddInputDocs, FileOpen_Append);
  BindButton(btnInsertInputtDoc, FileOpen_Insert);
  BindButton(btnDeleteInputDoc, ListDeleteSelected);
  BindButton(btnMoveInputDocUp, ListItemUp);
  BindButton(btnMoveInputDocDown, ListItemDown);
  BindButton(btnBrowseOutputFolder, BrowseForFolder1);

  // Every change of the inputs updates the actions and tells the window.
  auto Changed = [this] {
    ActionList1Update();
    emit InputsChanged();
  };
  QAbstractItemModel* Model = lstInputFiles->model();
  connect(Model, &QAbstractItemModel::rowsInserted, this, Changed);
  connect(Model, &QAbstractItemModel::rowsRemoved, this, Changed);
  connect(Model, &QAbstractItemModel::rowsMoved, this, Changed);
  connect(Model, &QAbstractItemModel::modelReset, this, Changed);
  connect(lstInputFiles, &QListWidget::itemSelectionChanged, this, Changed);
  connect(edtOutputFilepath, &QLineEdit::textChanged, this, Changed);
  connect(cbxFormat, &QComboBox::currentIndexChanged, this, Changed);
  // A folder the user typed is the user's choice (a read-only edit takes no
  // typing).
  connect(edtOutputFilepath, &QLineEdit::textEdited, this, [this] { FUserChangedOutputFolder = true; });
  ActionList1Update();
}

TfraConversionJobInputs::~TfraConversionJobInputs() {
  // The controls still signal while they are destroyed, after this frame.
  for (QObject* Sender : {static_cast<QObject*>(lstInputFiles->model()), static_cast<QObject*>(lstInputFiles),
                          static_cast<QObject*>(edtOutputFilepath), static_cast<QObject*>(cbxFormat)})
    Sender->disconnect(this);
}

QString TfraConversionJobInputs::OutputFormats() const {
  QStringList Items;
  for (int I = 0; I < cbxFormat->count(); ++I) Items << cbxFormat->itemText(I);
  return MakeCommaText(Items);
}

void TfraConversionJobInputs::SetOutputFormats(const QString& CommaText) {
  cbxFormat->clear();
  for (const vn::String& Item : vn::SplitCommaText(FromQ(CommaText))) cbxFormat->addItem(ToQ(Item));
}

bool TfraConversionJobInputs::ReadyToStart() const {
  return lstInputFiles->count() > 0 && !edtOutputFilepath->text().isEmpty() && cbxFormat->currentIndex() >= 0;
}

int TfraConversionJobInputs::ItemIndex() const {
  const QList<QListWidgetItem*> Selected = lstInputFiles->selectedItems();
  return Selected.isEmpty() ? -1 : lstInputFiles->row(Selected.first());
}

void TfraConversionJobInputs::SetItemIndex(int Index) {
  if (Index < 0 || Index >= lstInputFiles->count()) {
    lstInputFiles->clearSelection();
    lstInputFiles->setCurrentRow(-1);
    return;
  }
  lstInputFiles->setCurrentRow(Index, QItemSelectionModel::ClearAndSelect);
}

void TfraConversionJobInputs::ActionList1Update() {
  const int Index = ItemIndex();
  ListDeleteSelected->setEnabled(Index >= 0);
  ListItemUp->setEnabled(Index > 0);
  ListItemDown->setEnabled(Index >= 0 && Index < lstInputFiles->count() - 1);
}

void TfraConversionJobInputs::FileOpen_AppendExecute() {
  QStringList Files;
  if (FDialogs.OpenFiles(window(), FileOpen_AppendDialog, Files)) FileOpen_AppendAccept(Files);
}

void TfraConversionJobInputs::FileOpen_InsertExecute() {
  QStringList Files;
  if (FDialogs.OpenFiles(window(), FileOpen_InsertDialog, Files)) FileOpen_InsertAccept(Files);
}

void TfraConversionJobInputs::FileOpen_AppendAccept(const QStringList& Files) {
  if (Files.isEmpty()) return;
  lstInputFiles->addItems(Files);
  SetItemIndex(lstInputFiles->count() - 1);
  SetDefaultOutputFolder(Files.first());
}

void TfraConversionJobInputs::FileOpen_InsertAccept(const QStringList& Files) {
  if (Files.isEmpty()) return;
  const int At = std::max(ItemIndex(), 0);
  lstInputFiles->insertItems(At, Files);
  SetItemIndex(At);
  SetDefaultOutputFolder(Files.first());
}

void TfraConversionJobInputs::SetDefaultOutputFolder(const QString& FirstFile) {
  if (!edtOutputFilepath->text().isEmpty()) return;
  QString Folder = QFileInfo(FirstFile).path();
  if (!Folder.endsWith(u'/')) Folder += u'/';
  edtOutputFilepath->setText(Folder + u"Converted/"_qs);
  FUserChangedOutputFolder = false;
}

void TfraConversionJobInputs::ListDeleteSelectedExecute() {
  const int Index = ItemIndex();
  if (Index < 0) return;
  delete lstInputFiles->takeItem(Index);
  SetItemIndex(std::min(Index, lstInputFiles->count() - 1));
  if (lstInputFiles->count() == 0 && !FUserChangedOutputFolder) edtOutputFilepath->clear();
}

void TfraConversionJobInputs::ListItemUpExecute() { MoveSelected(-1); }
void TfraConversionJobInputs::ListItemDownExecute() { MoveSelected(+1); }

void TfraConversionJobInputs::MoveSelected(int Delta) {
  const int From = ItemIndex();
  const int To = From + Delta;
  if (From < 0 || To < 0 || To >= lstInputFiles->count()) return;
  QListWidgetItem* Item = lstInputFiles->takeItem(From);
  lstInputFiles->insertItem(To, Item);
  SetItemIndex(To);
}

void TfraConversionJobInputs::BrowseForFolder1Execute() {
  // The dialog starts at the root of the file system.
  BrowseForFolder1Dialog.StartFolder = QDir::rootPath();
  QString Folder;
  if (FDialogs.BrowseForFolder(window(), BrowseForFolder1Dialog, Folder)) BrowseForFolder1Accept(Folder);
}

void TfraConversionJobInputs::BrowseForFolder1Accept(const QString& Folder) {
  QString Text = Folder;
  while (Text.size() > 1 && Text.endsWith(u'/')) Text.chop(1);
  edtOutputFilepath->setText(Text);
  FUserChangedOutputFolder = true;
}

bool TfraConversionJobInputs::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == lstInputFiles->viewport()) {
    if (Event->type() == QEvent::MouseButtonPress) {
      FMouseDownAt = static_cast<QMouseEvent*>(Event)->position().toPoint();
    } else if (Event->type() == QEvent::MouseButtonRelease) {
      // A click on the empty list opens the file dialog.
      const QPoint At = static_cast<QMouseEvent*>(Event)->position().toPoint();
      if (lstInputFiles->count() == 0 && At == FMouseDownAt) FileOpen_Append->trigger();
    }
  }
  return QFrame::eventFilter(Watched, Event);
}

}  // namespace fotarel

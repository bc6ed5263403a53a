// The converter application's window under the offscreen platform, with
// scripted dialogs: its texts and layout, the input list's operations, the
// default output folder, and real jobs over picture files (completed,
// failed, cancelled, password-protected, closed during the job).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>

#include "fake_documents.h"
#include "framework/format_registry.h"
#include "imaging/image_handler.h"
#include "library/library.h"
#include "main_form.h"
#include "platform/system.h"
#include "support/prerequisites.h"

namespace main_form_test {

using namespace fotarel;
using namespace vn::framework;
namespace fs = std::filesystem;

namespace {

// Dialogs that answer from a script and record what they were shown.
class TScriptedDialogs : public IAppDialogs {
 public:
  struct TMessage {
    QString Title;
    QString Text;
    TMessageKind Kind;
  };

  bool OpenFiles(QWidget*, const TOpenDialogSettings& Dialog, QStringList& Files) override {
    OpenDialogs.push_back(Dialog);
    if (FileAnswers.empty()) return false;
    Files = FileAnswers.front();
    FileAnswers.erase(FileAnswers.begin());
    return true;
  }
  bool BrowseForFolder(QWidget*, const TFolderDialogSettings& Dialog, QString& Folder) override {
    FolderDialogs.push_back(Dialog);
    if (!FolderAnswer) return false;
    Folder = *FolderAnswer;
    return true;
  }
  void ShowMessage(QWidget*, const QString& Title, const QString& Text, TMessageKind Kind) override {
    Messages.push_back({Title, Text, Kind});
  }
  // Answers in turn, then keeps the last answer; nullopt cancels the box.
  bool InputPassword(QWidget*, const QString& Caption, const QString& Prompt, QString& Password) override {
    Prompts.push_back(Caption + u'|' + Prompt);
    const std::optional<QString>& A = PasswordAnswers[std::min(Prompts.size(), PasswordAnswers.size()) - 1];
    if (!A) return false;
    Password = *A;
    return true;
  }

  std::vector<QStringList> FileAnswers;
  std::optional<QString> FolderAnswer;
  std::vector<std::optional<QString>> PasswordAnswers{std::nullopt};
  std::vector<TOpenDialogSettings> OpenDialogs;
  std::vector<TFolderDialogSettings> FolderDialogs;
  std::vector<TMessage> Messages;
  std::vector<QString> Prompts;
};

QString Q(const fs::path& P) { return QString::fromStdString(P.string()); }

QStringList Items(const QListWidget* List) {
  QStringList Result;
  for (int I = 0; I < List->count(); ++I) Result << List->item(I)->text();
  return Result;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // As the program starts it: with the PDF writer its format list offers.
    vn::InitializeLibrary();
    Dir = fs::temp_directory_path() / ("fotarel_app_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(Dir);
    fs::create_directories(Dir / "in");
    Form = std::make_unique<TfrmMain>(&Dialogs);
    Inputs = Form->fraJobInputs;
  }
  void TearDown() override {
    Form.reset();
    vn::FinalizeLibrary();
    fs::remove_all(Dir);
  }

  // A fixture picture copied into the input folder under Name.
  QString Picture(const char* Fixture, const std::string& Name) {
    fs::copy_file(fs::path(VN_FIXTURES_DIR) / Fixture, Dir / "in" / Name);
    return Q(Dir / "in" / Name);
  }
  // Lists Files through the append action and sets the output format.
  void Prepare(const QStringList& Files, const QString& Format, const vn::String& Extension) {
    Dialogs.FileAnswers = {Files};
    Inputs->FileOpen_Append->trigger();
    Form->SetOutputFormatTable(u'"' + Format + u'"', {Extension});
  }
  // Runs Hook once, at the first page the converter copies, before the
  // window's own handler sees that page.
  void AtFirstPage(std::function<void()> Hook) {
    auto Original = Form->vnDocumentConverter1.OnEndPage;
    Form->vnDocumentConverter1.OnEndPage = [Original, Hook, Done = false](TObject* S,
                                                                         TvnEndPageEventArgs& A) mutable {
      if (!Done) {
        Done = true;
        Hook();
      }
      Original(S, A);
    };
  }
  std::vector<std::string> Outputs() const {
    std::vector<std::string> Names;
    if (fs::exists(Dir / "in" / "Converted"))
      for (const auto& E : fs::directory_iterator(Dir / "in" / "Converted")) Names.push_back(E.path().filename());
    std::sort(Names.begin(), Names.end());
    return Names;
  }
  QString LastMessage() const { return Dialogs.Messages.empty() ? QString() : Dialogs.Messages.back().Text; }

  fs::path Dir;
  TScriptedDialogs Dialogs;
  std::unique_ptr<TfrmMain> Form;
  TfraConversionJobInputs* Inputs = nullptr;
};

TEST_F(MainWindowTest, StartUpTextsAreSpanish) {
  TfraProgress* P = Form->fraProgress;
  const std::vector<std::pair<QString, QString>> Texts = {
      {Form->windowTitle(), u"Fotarel v.1.0"_qs},
      {QCoreApplication::applicationName(), u"Fotarel"_qs},
      {Inputs->GroupBox1->title(), u"Archivos de entrada:"_qs},
      {Inputs->Label4->text(), u"Lista ordenada de documentos para convertir"_qs},
      {Inputs->btnAddInputDocs->toolTip(), u"Examinar archivos y agregar a la lista"_qs},
      {Inputs->btnInsertInputtDoc->toolTip(), u"Examinar archivos e insertarlos en la lista en la selección actual"_qs},
      {Inputs->btnDeleteInputDoc->toolTip(), u"Eliminar el archivo seleccionado de la lista"_qs},
      {Inputs->btnMoveInputDocUp->toolTip(), u"Mover el archivo seleccionado hacia arriba"_qs},
      {Inputs->btnMoveInputDocDown->toolTip(), u"Mover el archivo seleccionado hacia abajo"_qs},
      {Inputs->Label1->text(), u"Haga clic en [+] o [<] para buscar archivos y agregar/insertar en la lista."_qs},
      {Inputs->GroupBox2->title(), u"Salida:"_qs},
      {Inputs->Label3->text(), u"Formato"_qs},
      {Inputs->chkConvertAndMerge->text(), u"Convertir y unir"_qs},
      {Inputs->Label2->text(), u"Carpeta para documentos convertidos"_qs},
      {Inputs->btnBrowseOutputFolder->toolTip(), u"Elige la carpeta ..."_qs},
      {Inputs->FileOpen_Append->toolTip(), u"Examinar archivos y anexar a la lista"_qs},
      {Inputs->FileOpen_Insert->toolTip(), u"Examinar archivos e insertarlos en la lista en la selección actual"_qs},
      {Inputs->FileOpen_AppendDialog.Title, u"Seleccionar documentos para convertir"_qs},
      {Inputs->FileOpen_InsertDialog.Title, u"Seleccionar documentos para convertir"_qs},
      {Inputs->FileOpen_AppendDialog.Filter,
       u"Todos los formatos compatibles|*.BMP; *.JPG; *.JPEG; *.TIFF; *.TIF; *.PNG; *.EMF; *.WMF; *.ICO;*.GIF"_qs},
      {Inputs->FileOpen_InsertDialog.Filter, Inputs->FileOpen_AppendDialog.Filter},
      {Inputs->BrowseForFolder1Dialog.Caption, u"Seleccione la carpeta de salida para los documentos convertidos."_qs},
      {P->gbxProgress->title(), u"Progreso de Conversión:"_qs},
      {P->Label4->text(), u"Archivo actual:"_qs},
      {P->Label3->text(), u"Trabajo en general:"_qs},
      {P->BitBtn1->text(), u"Cancelar"_qs},
      {Form->gbxStart->title(), u"Iniciar la conversión"_qs},
      {Form->Button3->text(), u"Iniciar"_qs},
      // The format list holds one format, selected.
      {Inputs->OutputFormats(), u"PDF"_qs},
      {Inputs->cbxFormat->currentText(), u"PDF"_qs},
  };
  for (size_t I = 0; I < Texts.size(); ++I) EXPECT_EQ(Texts[I].first, Texts[I].second) << "text " << I;
  EXPECT_TRUE(Inputs->chkConvertAndMerge->isChecked());
  EXPECT_TRUE(Inputs->edtOutputFilepath->isReadOnly());
  EXPECT_TRUE(Inputs->edtOutputFilepath->text().isEmpty());
  // The dialog shows the filter's patterns in Qt's form.
  EXPECT_EQ(QtNameFilters(Inputs->FileOpen_AppendDialog.Filter),
            QStringList{u"Todos los formatos compatibles (*.BMP *.JPG *.JPEG *.TIFF *.TIF *.PNG *.EMF *.WMF *.ICO *.GIF)"_qs});
}

TEST_F(MainWindowTest, LayoutFontsColoursAndShortcuts) {
  EXPECT_EQ(Form->size(), QSize(564, 413));
  const std::vector<std::pair<QWidget*, QRect>> Places = {
      {Inputs, {8, 14, 548, 270}},
      {Form->gbxStart, {8, 294, 548, 113}},
      {Form->Button3, {77, 29, 394, 62}},
      {Inputs->lstInputFiles, {12, 42, 478, 128}},
      {Inputs->btnAddInputDocs, {496, 40, 40, 24}},
      {Inputs->btnMoveInputDocDown, {496, 144, 24, 24}},
      {Inputs->GroupBox2, {0, 200, 548, 70}},
      {Inputs->edtOutputFilepath, {239, 39, 251, 21}},
      {Form->fraProgress->BitBtn1, {454, 39, 84, 62}},
      {Form->fraProgress->pbrJob, {12, 80, 436, 21}},
  };
  for (const auto& [Widget, Rect] : Places) EXPECT_EQ(Widget->geometry(), Rect) << Widget->objectName().toStdString();
  EXPECT_EQ(Inputs->cbxFormat->geometry().topLeft(), QPoint(12, 39));
  EXPECT_EQ(Inputs->cbxFormat->width(), 102);
  EXPECT_EQ(Form->Label1->pos(), QPoint(411, 1));
  // The progress frame waits outside the window.
  EXPECT_LT(Form->fraProgress->geometry().right(), 0);

  EXPECT_EQ(Form->font().family(), u"Tahoma"_qs);
  EXPECT_EQ(Form->font().pointSize(), 8);
  for (QPushButton* Big : {Form->Button3, Form->fraProgress->BitBtn1}) {
    EXPECT_EQ(Big->font().family(), u"Arial"_qs);
    EXPECT_EQ(Big->font().pointSize(), 12);
    EXPECT_TRUE(Big->font().bold());
  }
  EXPECT_EQ(Form->Button3->palette().color(QPalette::Active, QPalette::ButtonText), QColor(0, 128, 0));
  // Disabled, the coloured texts grey out like any other.
  EXPECT_NE(Form->Button3->palette().color(QPalette::Disabled, QPalette::ButtonText), QColor(0, 128, 0));
  EXPECT_EQ(Form->fraProgress->BitBtn1->palette().color(QPalette::Active, QPalette::ButtonText), QColor(255, 0, 0));
  EXPECT_EQ(Form->Label1->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_TRUE(Form->Label1->font().underline());

  const std::vector<std::pair<QAction*, const char*>> Keys = {
      {Form->StartFileConvert, "Ctrl+S"},       {Inputs->FileOpen_Append, "Ctrl+A"},
      {Inputs->FileOpen_Insert, "Ctrl+I"},      {Inputs->ListDeleteSelected, "Ctrl+D"},
      {Inputs->BrowseForFolder1, "Ctrl+O"},     {Form->fraProgress->CancelFileConvert, "Ctrl+C"},
  };
  for (const auto& [Action, Key] : Keys)
    EXPECT_EQ(Action->shortcut().toString(), QString::fromLatin1(Key)) << Action->objectName().toStdString();
}

TEST_F(MainWindowTest, TheFormatListReadsAndWritesCommaText) {
  const std::vector<std::tuple<QString, QStringList, QString>> Cases = {
      {u"\"PDF\""_qs, {u"PDF"_qs}, u"PDF"_qs},
      {u"PDF, \"Multi page TIFF\",PNG"_qs, {u"PDF"_qs, u"Multi page TIFF"_qs, u"PNG"_qs},
       u"PDF,\"Multi page TIFF\",PNG"_qs},
      {u"\"say \"\"hi\"\"\""_qs, {u"say \"hi\""_qs}, u"\"say \"\"hi\"\"\""_qs},
  };
  for (const auto& [Text, Expected, Back] : Cases) {
    Inputs->SetOutputFormats(Text);
    QStringList Shown;
    for (int I = 0; I < Inputs->cbxFormat->count(); ++I) Shown << Inputs->cbxFormat->itemText(I);
    EXPECT_EQ(Shown, Expected) << Text.toStdString();
    EXPECT_EQ(Inputs->OutputFormats(), Back) << Text.toStdString();
  }
}

TEST_F(MainWindowTest, StartIsEnabledExactlyWhenTheInputsAreReady) {
  struct Case {
    QStringList Files;
    QString Folder;
    bool WithFormat;
    bool Ready;
  };
  const Case Cases[] = {
      {{}, u""_qs, true, false},
      {{u"/x/a.png"_qs}, u"/out"_qs, true, true},
      {{}, u"/out"_qs, true, false},
      {{u"/x/a.png"_qs}, u""_qs, true, false},
      {{u"/x/a.png"_qs}, u"/out"_qs, false, false},
  };
  for (const Case& C : Cases) {
    Inputs->lstInputFiles->clear();
    Inputs->lstInputFiles->addItems(C.Files);
    Inputs->edtOutputFilepath->setText(C.Folder);
    Form->SetOutputFormatTable(C.WithFormat ? u"PDF"_qs : QString(), {u".pdf"});
    EXPECT_EQ(Inputs->ReadyToStart(), C.Ready) << C.Files.size() << " " << C.Folder.toStdString();
    EXPECT_EQ(Form->StartFileConvert->isEnabled(), C.Ready);
    EXPECT_EQ(Form->Button3->isEnabled(), C.Ready);
  }
}

TEST_F(MainWindowTest, AddingFilesSetsTheDefaultOutputFolderOnce) {
  Dialogs.FileAnswers = {{u"/x/a.png"_qs, u"/x/b.png"_qs}, {u"/y/c.png"_qs}};
  Inputs->FileOpen_Append->trigger();
  ASSERT_EQ(Dialogs.OpenDialogs.size(), 1u);
  EXPECT_EQ(Dialogs.OpenDialogs[0].Title, u"Seleccionar documentos para convertir"_qs);
  EXPECT_EQ(Dialogs.OpenDialogs[0].Filter, Inputs->FileOpen_AppendDialog.Filter);
  EXPECT_EQ(Items(Inputs->lstInputFiles), (QStringList{u"/x/a.png"_qs, u"/x/b.png"_qs}));
  EXPECT_EQ(Inputs->ItemIndex(), 1);
  EXPECT_EQ(Inputs->edtOutputFilepath->text(), u"/x/Converted/"_qs);
  EXPECT_TRUE(Form->StartFileConvert->isEnabled());

  // A folder is set: later files leave it alone.
  Inputs->FileOpen_Append->trigger();
  EXPECT_EQ(Inputs->edtOutputFilepath->text(), u"/x/Converted/"_qs);
  EXPECT_EQ(Inputs->ItemIndex(), 2);

  // A cancelled dialog changes nothing.
  Inputs->FileOpen_Insert->trigger();
  EXPECT_EQ(Inputs->lstInputFiles->count(), 3);
}

TEST_F(MainWindowTest, InsertPutsTheFilesBeforeTheSelection) {
  struct Case {
    int Selected;
    QStringList Expected;
    int NewSelection;
  };
  const Case Cases[] = {
      {-1, {u"p"_qs, u"q"_qs, u"a"_qs, u"b"_qs, u"c"_qs}, 0},
      {0, {u"p"_qs, u"q"_qs, u"a"_qs, u"b"_qs, u"c"_qs}, 0},
      {2, {u"a"_qs, u"b"_qs, u"p"_qs, u"q"_qs, u"c"_qs}, 2},
  };
  for (const Case& C : Cases) {
    Inputs->lstInputFiles->clear();
    Inputs->lstInputFiles->addItems({u"a"_qs, u"b"_qs, u"c"_qs});
    Inputs->SetItemIndex(C.Selected);
    Dialogs.FileAnswers = {{u"p"_qs, u"q"_qs}};
    Inputs->FileOpen_Insert->trigger();
    EXPECT_EQ(Items(Inputs->lstInputFiles), C.Expected) << "selected " << C.Selected;
    EXPECT_EQ(Inputs->ItemIndex(), C.NewSelection);
  }
  // The insert dialog is the append dialog's twin; the folder follows the
  // first inserted file.
  EXPECT_EQ(Dialogs.OpenDialogs.back().Title, u"Seleccionar documentos para convertir"_qs);
  EXPECT_EQ(Inputs->edtOutputFilepath->text(), u"./Converted/"_qs);
}

TEST_F(MainWindowTest, DeleteUpAndDownFollowTheSelection) {
  struct Case {
    int Selected;
    void (*Operation)(TfraConversionJobInputs&);
    QStringList Expected;
    int NewSelection;
  };
  using F = TfraConversionJobInputs;
  auto Delete = [](F& Frame) { Frame.ListDeleteSelectedExecute(); };
  auto Up = [](F& Frame) { Frame.ListItemUpExecute(); };
  auto Down = [](F& Frame) { Frame.ListItemDownExecute(); };
  const Case Cases[] = {
      {1, +Delete, {u"a"_qs, u"c"_qs}, 1},
      {2, +Delete, {u"a"_qs, u"b"_qs}, 1},
      {0, +Delete, {u"b"_qs, u"c"_qs}, 0},
      {-1, +Delete, {u"a"_qs, u"b"_qs, u"c"_qs}, -1},
      {1, +Up, {u"b"_qs, u"a"_qs, u"c"_qs}, 0},
      {0, +Up, {u"a"_qs, u"b"_qs, u"c"_qs}, 0},
      {1, +Down, {u"a"_qs, u"c"_qs, u"b"_qs}, 2},
      {2, +Down, {u"a"_qs, u"b"_qs, u"c"_qs}, 2},
  };
  for (const Case& C : Cases) {
    Inputs->lstInputFiles->clear();
    Inputs->lstInputFiles->addItems({u"a"_qs, u"b"_qs, u"c"_qs});
    Inputs->SetItemIndex(C.Selected);
    C.Operation(*Inputs);
    EXPECT_EQ(Items(Inputs->lstInputFiles), C.Expected) << "selected " << C.Selected;
    EXPECT_EQ(Inputs->ItemIndex(), C.NewSelection) << "selected " << C.Selected;
  }

  // The actions are enabled where they can act: delete, up, down.
  const std::vector<std::tuple<int, bool, bool, bool>> Enabled = {
      {-1, false, false, false}, {0, true, false, true}, {1, true, true, true}, {2, true, true, false}};
  for (const auto& [Selected, CanDelete, CanMoveUp, CanMoveDown] : Enabled) {
    Inputs->lstInputFiles->clear();
    Inputs->lstInputFiles->addItems({u"a"_qs, u"b"_qs, u"c"_qs});
    Inputs->SetItemIndex(Selected);
    EXPECT_EQ(Inputs->ListDeleteSelected->isEnabled(), CanDelete) << Selected;
    EXPECT_EQ(Inputs->ListItemUp->isEnabled(), CanMoveUp) << Selected;
    EXPECT_EQ(Inputs->ListItemDown->isEnabled(), CanMoveDown) << Selected;
    EXPECT_EQ(Inputs->btnMoveInputDocUp->isEnabled(), CanMoveUp) << Selected;
  }
}

TEST_F(MainWindowTest, DeletingTheLastFileClearsOnlyADefaultFolder) {
  Dialogs.FileAnswers = {{u"/x/a.png"_qs}, {u"/x/a.png"_qs}};
  Inputs->FileOpen_Append->trigger();
  Inputs->ListDeleteSelected->trigger();
  EXPECT_EQ(Inputs->lstInputFiles->count(), 0);
  EXPECT_TRUE(Inputs->edtOutputFilepath->text().isEmpty());

  // A folder the user chose stays; it is shown without a final separator.
  Dialogs.FolderAnswer = u"/out/dir/"_qs;
  Inputs->BrowseForFolder1->trigger();
  ASSERT_EQ(Dialogs.FolderDialogs.size(), 1u);
  EXPECT_EQ(Dialogs.FolderDialogs[0].Caption, u"Seleccione la carpeta de salida para los documentos convertidos."_qs);
  EXPECT_EQ(Dialogs.FolderDialogs[0].StartFolder, u"/"_qs);
  EXPECT_EQ(Inputs->edtOutputFilepath->text(), u"/out/dir"_qs);
  Inputs->FileOpen_Append->trigger();
  EXPECT_EQ(Inputs->edtOutputFilepath->text(), u"/out/dir"_qs);
  Inputs->ListDeleteSelected->trigger();
  EXPECT_EQ(Inputs->edtOutputFilepath->text(), u"/out/dir"_qs);
}

TEST_F(MainWindowTest, AClickOnTheEmptyListOpensTheFileDialog) {
  QWidget* Viewport = Inputs->lstInputFiles->viewport();
  Form->show();
  // A press and release in different places is no click.
  QTest::mousePress(Viewport, Qt::LeftButton, {}, QPoint(20, 20));
  QTest::mouseRelease(Viewport, Qt::LeftButton, {}, QPoint(60, 40));
  EXPECT_EQ(Dialogs.OpenDialogs.size(), 0u);

  Dialogs.FileAnswers = {{u"/x/a.png"_qs}};
  QTest::mouseClick(Viewport, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(Dialogs.OpenDialogs.size(), 1u);
  EXPECT_EQ(Inputs->lstInputFiles->count(), 1);
  // With files in the list a click only selects.
  QTest::mouseClick(Viewport, Qt::LeftButton, {}, QPoint(20, 100));
  EXPECT_EQ(Dialogs.OpenDialogs.size(), 1u);
}

TEST_F(MainWindowTest, TheLinkLabelOpensTheWebPage) {
  std::vector<std::string> Opened;
  vn::platform::SetAssociatedProgramOpener([&](const std::string& Target) {
    Opened.push_back(Target);
    return true;
  });
  Form->show();
  QTest::mouseClick(Form->Label1, Qt::LeftButton);
  vn::platform::SetAssociatedProgramOpener([](const std::string&) { return true; });
  EXPECT_EQ(Opened, std::vector<std::string>{kMakerWebAddress});
  EXPECT_EQ(Form->Label1->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(MainWindowTest, TheProgressFrameSlidesInAndOut) {
  TfraProgress* P = Form->fraProgress;
  EXPECT_EQ(P->DockPosition(), QPoint(8, 294));
  P->lblOverAllCounter->setText(u"x"_qs);
  P->pbrJob->setValue(1);
  P->Appear();
  EXPECT_EQ(P->pos(), QPoint(8, 294));
  EXPECT_TRUE(P->CancelFileConvert->isEnabled());
  EXPECT_TRUE(P->lblOverAllCounter->text().isEmpty());
  EXPECT_EQ(P->pbrJob->value(), 0);
  P->BitBtn1->click();
  EXPECT_TRUE(P->JobCancelled());
  EXPECT_FALSE(P->CancelFileConvert->isEnabled());
  P->Disappear();
  EXPECT_EQ(P->pos(), QPoint(-548 - 5, 294));
}

TEST_F(MainWindowTest, StartConvertsTwoPicturesAndReportsCompletion) {
  struct Case {
    bool Merge;
    std::vector<std::string> Outputs;
    int PagesOfLast;
  };
  const Case Cases[] = {{false, {"a.tif", "b.tif"}, 1}, {true, {"b.tif"}, 2}};
  for (const Case& C : Cases) {
    fs::remove_all(Dir / "in");
    fs::create_directories(Dir / "in");
    Inputs->lstInputFiles->clear();
    Inputs->edtOutputFilepath->clear();
    Prepare({Picture("imaging/quad.png", "a.png"), Picture("images/src.png", "b.png")}, u"TIFF"_qs, u".tif");
    Inputs->chkConvertAndMerge->setChecked(C.Merge);
    Dialogs.Messages.clear();
    Form->Button3->click();

    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, u"Conversión completa!"_qs);
    EXPECT_EQ(Dialogs.Messages[0].Title, u"Fotarel"_qs);
    EXPECT_EQ(Dialogs.Messages[0].Kind, TMessageKind::mkInformation);
    EXPECT_EQ(Outputs(), C.Outputs) << "merge " << C.Merge;
    TvnImageHandler Written;
    Written.LoadFromFile(vn::FromUtf8((Dir / "in" / "Converted" / C.Outputs.back()).string()), u"");
    EXPECT_EQ(Written.GetPageCount(), C.PagesOfLast);

    TfraProgress* P = Form->fraProgress;
    EXPECT_EQ(P->lblOverAllCounter->text(), u"Documento(s) completo(s): 2 de 2"_qs);
    EXPECT_EQ(P->lblCurrentFilePage->text(), u"Página(s) completa(s): 1 de 1"_qs);
    EXPECT_EQ(P->lblCurrentFileName->Path(), Q(Dir / "in" / "b.png"));
    EXPECT_EQ(P->pbrJob->value(), 2);
    // The job is over: the frame is out, Cancel off, Start on.
    EXPECT_LT(P->geometry().right(), 0);
    EXPECT_FALSE(P->CancelFileConvert->isEnabled());
    EXPECT_TRUE(Form->StartFileConvert->isEnabled());
    EXPECT_FALSE(Form->JobRunning());
  }
}

// The output of a command and its exit status.
std::pair<std::string, int> RunCommand(const std::string& Command) {
  std::string Out;
  FILE* Pipe = ::popen((Command + " 2>&1").c_str(), "r");
  if (Pipe == nullptr) return {Out, -1};
  char Buffer[4096];
  for (size_t N; (N = std::fread(Buffer, 1, sizeof Buffer, Pipe)) > 0;) Out.append(Buffer, N);
  const int Status = ::pclose(Pipe);
  return {Out, WIFEXITED(Status) ? WEXITSTATUS(Status) : -1};
}

// The window as the program shows it offers only PDF: a job started from
// it writes PDF files, one page per picture at 0.75 points per pixel.
TEST_F(MainWindowTest, StartWithTheOfferedFormatWritesPdf) {
  for (const char* Tool : {"qpdf", "pdfinfo"})
    if (!vn::test_support::HaveTool(Tool)) GTEST_SKIP() << Tool << " is not installed";
  ASSERT_EQ(Inputs->cbxFormat->currentText(), u"PDF"_qs);
  struct Case {
    bool Merge;
    std::vector<std::string> Outputs;
    std::vector<std::string> SizesOfLast;
  };
  const Case Cases[] = {
      {false, {"a.pdf", "b.pdf"}, {"9.75 x 5.25 pts"}},
      {true, {"b.pdf"}, {"150 x 75 pts", "9.75 x 5.25 pts"}},
  };
  for (const Case& C : Cases) {
    fs::remove_all(Dir / "in");
    fs::create_directories(Dir / "in");
    Inputs->lstInputFiles->clear();
    Inputs->edtOutputFilepath->clear();
    Dialogs.FileAnswers = {{Picture("imaging/quad.png", "a.png"), Picture("images/src.png", "b.png")}};
    Inputs->FileOpen_Append->trigger();
    Inputs->chkConvertAndMerge->setChecked(C.Merge);
    Dialogs.Messages.clear();
    Form->Button3->click();

    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, u"Conversión completa!"_qs) << Dialogs.Messages[0].Text.toStdString();
    ASSERT_EQ(Outputs(), C.Outputs) << "merge " << C.Merge;
    for (const std::string& Name : C.Outputs) {
      const std::string Path = (Dir / "in" / "Converted" / Name).string();
      const auto [Check, Status] = RunCommand("qpdf --check '" + Path + "'");
      EXPECT_EQ(Status, 0) << Name << ": " << Check;
    }
    const std::string Last = (Dir / "in" / "Converted" / C.Outputs.back()).string();
    const std::string Info = RunCommand("pdfinfo -f 1 -l 99 '" + Last + "'").first;
    EXPECT_NE(Info.find("Pages:           " + std::to_string(C.SizesOfLast.size()) + "\n"), std::string::npos)
        << Info;
    for (size_t I = 0; I < C.SizesOfLast.size(); ++I) {
      char Line[64];
      std::snprintf(Line, sizeof Line, "Page %4zu size:  %s", I + 1, C.SizesOfLast[I].c_str());
      EXPECT_NE(Info.find(Line), std::string::npos) << Line << "\n" << Info;
    }
  }
}

TEST_F(MainWindowTest, AFailedJobShowsAnErrorInsteadOfCompletion) {
  struct Case {
    const char* What;
    std::vector<const char*> Pictures;
    QString Extension;
    QString Detail;  // part of the message after the heading
  };
  const Case Cases[] = {
      // The reader's exception reaches the user.
      {"damaged input", {"imaging/quad.png", "imaging/damaged.png"}, u".tif"_qs, u"\n\n"_qs},
      // A format without a writer writes nothing, which is no success.
      {"no writer", {"imaging/quad.png"}, u".xyz"_qs, u"\n\nNo se ha creado ningún documento."_qs},
      // A writer that reports success without making its file.
      {"output missing", {"imaging/quad.png"}, u".nil"_qs, u"\n\nNo se ha creado ningún documento."_qs},
  };
  fotarel::testing::RegisterFakeDocuments();
  int N = 0;
  for (const Case& C : Cases) {
    Inputs->lstInputFiles->clear();
    Inputs->edtOutputFilepath->clear();
    QStringList Files;
    for (const char* P : C.Pictures) Files << Picture(P, "f" + std::to_string(N++) + fs::path(P).extension().string());
    Prepare(Files, u"X"_qs, vn::String(C.Extension.toStdU16String()));
    Dialogs.Messages.clear();
    Form->StartFileConvert->trigger();
    ASSERT_EQ(Dialogs.Messages.size(), 1u) << C.What;
    EXPECT_EQ(Dialogs.Messages[0].Kind, TMessageKind::mkError) << C.What;
    EXPECT_TRUE(Dialogs.Messages[0].Text.startsWith(u"¡Error en la conversión!"_qs + C.Detail))
        << C.What << ": " << Dialogs.Messages[0].Text.toStdString();
    EXPECT_GT(Dialogs.Messages[0].Text.size(), u"¡Error en la conversión!\n\n"_qs.size()) << C.What;
    EXPECT_TRUE(Form->StartFileConvert->isEnabled()) << C.What;
  }
}

TEST_F(MainWindowTest, CancelLetsTheCurrentFileFinishAndSkipsTheRest) {
  Prepare({Picture("imaging/quad.png", "a.png"), Picture("imaging/quad.png", "b.png"),
           Picture("imaging/quad.png", "c.png")},
          u"TIFF"_qs, u".tif");
  Inputs->chkConvertAndMerge->setChecked(false);
  AtFirstPage([this] { QTest::mouseClick(Form->fraProgress->BitBtn1, Qt::LeftButton); });
  Form->show();
  Form->StartFileConvert->trigger();
  EXPECT_EQ(LastMessage(), u"¡Conversión cancelada!"_qs);
  EXPECT_EQ(Outputs(), std::vector<std::string>{"a.tif"});
  EXPECT_EQ(Form->fraProgress->lblOverAllCounter->text(), u"Documento(s) completo(s): 1 de 3"_qs);
  EXPECT_TRUE(Form->StartFileConvert->isEnabled());

  // The next job starts afresh.
  Form->vnDocumentConverter1.OnEndPage = nullptr;
  Form->StartFileConvert->trigger();
  EXPECT_EQ(LastMessage(), u"Conversión completa!"_qs);
  EXPECT_EQ(Outputs(), (std::vector<std::string>{"a.tif", "b.tif", "c.tif"}));
}

TEST_F(MainWindowTest, NoSecondJobStartsWhileOneRuns) {
  Prepare({Picture("imaging/quad.png", "a.png"), Picture("imaging/quad.png", "b.png")}, u"TIFF"_qs, u".tif");
  int Jobs = 0;
  auto Original = Form->vnDocumentConverter1.OnBeginJob;
  Form->vnDocumentConverter1.OnBeginJob = [&](TObject* S, TvnBeginJobEventArgs& A) {
    ++Jobs;
    Original(S, A);
  };
  bool EnabledDuringJob = true;
  AtFirstPage([&] {
    EnabledDuringJob = Form->StartFileConvert->isEnabled();
    Form->StartFileConvert->trigger();
    QTest::keyClick(Form.get(), Qt::Key_S, Qt::ControlModifier);
    Form->StartFileConvertExecute();
  });
  Form->show();
  Form->StartFileConvert->trigger();
  EXPECT_FALSE(EnabledDuringJob);
  EXPECT_EQ(Jobs, 1);
  EXPECT_EQ(Dialogs.Messages.size(), 1u);
}

TEST_F(MainWindowTest, ClosingTheWindowDuringAJobCancelsItAndClosesAfterwards) {
  Prepare({Picture("imaging/quad.png", "a.png"), Picture("imaging/quad.png", "b.png")}, u"TIFF"_qs, u".tif");
  Inputs->chkConvertAndMerge->setChecked(false);
  bool VisibleAfterClose = false;
  AtFirstPage([&] {
    Form->close();
    VisibleAfterClose = Form->isVisible();
  });
  Form->show();
  Form->StartFileConvert->trigger();
  EXPECT_TRUE(VisibleAfterClose);
  EXPECT_FALSE(Form->isVisible());
  EXPECT_FALSE(Form->JobRunning());
  EXPECT_TRUE(Dialogs.Messages.empty());
  EXPECT_EQ(Outputs(), std::vector<std::string>{"a.tif"});
}

TEST_F(MainWindowTest, PasswordPromptsAreMaskedLimitedAndCancellable) {
  fotarel::testing::RegisterFakeDocuments();
  using fotarel::testing::TLockedReader;
  struct Case {
    const char* What;
    std::vector<std::optional<QString>> Answers;
    size_t Prompts;
    int32_t Attempts;  // requests the document made
    bool Written;
    QString Message;
  };
  const Case Cases[] = {
      // A cancelled box refuses the request: the document stops asking.
      {"cancelled", {std::nullopt}, 1, 1, false, u"¡Conversión cancelada!"_qs},
      {"second try", {u"wrong"_qs, u"secret"_qs}, 2, 2, true, u"Conversión completa!"_qs},
      // Three wrong answers use up the allowed attempts; the fourth request
      // is refused without a prompt.
      {"wrong thrice", {u"wrong"_qs}, 3, 4, false, u"¡Error en la conversión!\n\nNo se ha creado ningún documento."_qs},
  };
  fs::path Locked = Dir / "in" / "doc.lock";
  vn::WriteFileBytes(Locked, "locked");
  for (const Case& C : Cases) {
    fs::remove_all(Dir / "in" / "Converted");
    Inputs->lstInputFiles->clear();
    Inputs->edtOutputFilepath->clear();
    Prepare({Q(Locked)}, u"REC"_qs, u".rec");
    Dialogs.Prompts.clear();
    Dialogs.PasswordAnswers = C.Answers;
    Form->StartFileConvert->trigger();
    EXPECT_EQ(Dialogs.Prompts.size(), C.Prompts) << C.What;
    EXPECT_EQ(TLockedReader::LastAttemptCount, C.Attempts) << C.What;
    EXPECT_EQ(TLockedReader::LastCancel, !C.Written) << C.What;
    EXPECT_EQ(fs::exists(Dir / "in" / "Converted" / "doc.rec"), C.Written) << C.What;
    EXPECT_EQ(LastMessage(), C.Message) << C.What;
    // The box is titled "Password" and names the file, without the control
    // character that once asked for masking.
    ASSERT_FALSE(Dialogs.Prompts.empty());
    EXPECT_EQ(Dialogs.Prompts[0], u"Password|Please enter password for 'doc.lock': "_qs) << C.What;
  }
}

}  // namespace

}  // namespace main_form_test

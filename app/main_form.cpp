#include "main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QScreen>

#include "platform/system.h"
#include "runtime/string_list.h"

namespace fotarel {

using namespace vn::framework;

namespace {

QString JobCounterText(int Done, int Count) {
  return QStringLiteral("Documento(s) completo(s): %1 de %2").arg(Done).arg(Count);
}

QString PageCounterText(int Done, int Count) {
  return QStringLiteral("Página(s) completa(s): %1 de %2").arg(Done).arg(Count);
}

IAppDialogs* OwnDialogsUnless(IAppDialogs* Dialogs) { return Dialogs != nullptr ? nullptr : new TQtDialogs; }

}  // namespace

TfrmMain::TfrmMain(IAppDialogs* Dialogs, QWidget* Parent)
    : QWidget(Parent),
      FOwnDialogs(OwnDialogsUnless(Dialogs)),
      FDialogs(Dialogs != nullptr ? *Dialogs : *FOwnDialogs) {
  setObjectName(QStringLiteral("frmMain"));
  // A single-line border with the system menu and the minimise box only.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(564, 413);
  setFont(QFont(QStringLiteral("Tahoma"), 8));

  vnDocumentConverter1.OnBeginJob = [this](TObject*, TvnBeginJobEventArgs& A) { vnDocumentConverter1BeginJob(A); };
  vnDocumentConverter1.OnBeginInputDocument = [this](TObject*, TvnBeginInputDocumentEventArgs& A) {
    vnDocumentConverter1BeginInputDocument(A);
  };
  vnDocumentConverter1.OnBeginPage = [this](TObject*, TvnBeginpageEventArgs& A) { vnDocumentConverter1BeginPage(A); };
  vnDocumentConverter1.OnEndPage = [this](TObject*, TvnEndPageEventArgs& A) { vnDocumentConverter1EndPage(A); };
  vnDocumentConverter1.OnEndInputDocument = [this](TObject*, TvnEndInputDocumentEventArgs& A) {
    vnDocumentConverter1EndInputDocument(A);
  };
  vnDocumentConverter1.OnNeedPassword = [this](TObject*, TvnNeedPasswordConverterEventArgs& A) {
    vnDocumentConverter1NeedPassword(A);
  };

  fraJobInputs = new TfraConversionJobInputs(FDialogs, this);
  fraJobInputs->move(8, 14);
  fraJobInputs->edtOutputFilepath->setReadOnly(true);

  StartFileConvert = MakeAction(this, "StartFileConvert", QStringLiteral("&Start"), QKeySequence(u"Ctrl+S"_qs),
                                QString());
  connect(StartFileConvert, &QAction::triggered, this, &TfrmMain::StartFileConvertExecute);

  gbxStart = new QGroupBox(QStringLiteral("Start Conversion:  "), this);
  gbxStart->setObjectName(QStringLiteral("gbxStart"));
  gbxStart->setGeometry(8, 294, 548, 113);
  Button3 = new QPushButton(QStringLiteral("&Start"), gbxStart);
  Button3->setObjectName(QStringLiteral("Button3"));
  Button3->setGeometry(77, 29, 394, 62);
  Button3->setFont(QFont(QStringLiteral("Arial"), 12, QFont::Bold));
  SetTextColour(Button3, QColor(0, 128, 0));
  BindButton(Button3, StartFileConvert);

  fraProgress = new TfraProgress(this);
  fraProgress->move(-700, 291);

  Label1 = new TLinkLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->move(411, 1);
  Label1->setCursor(Qt::PointingHandCursor);
  QFont Underlined = font();
  Underlined.setUnderline(true);
  Label1->setFont(Underlined);
  QPalette Blue = Label1->palette();
  Blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
  Label1->setPalette(Blue);
  SetAutoSizeText(Label1, QStringLiteral("www.fotarel.example"));
  connect(Label1, &TLinkLabel::Clicked, this, &TfrmMain::Label1Click);

  connect(fraJobInputs, &TfraConversionJobInputs::InputsChanged, this, &TfrmMain::ActionList1Update);
  FormCreate();
  ActionList1Update();

  // Centred on the screen, as a main window.
  if (QScreen* Screen = screen()) move(Screen->availableGeometry().center() - rect().center());
}

TfrmMain::~TfrmMain() {
  // The frames outlive this window's own part while they are destroyed.
  fraJobInputs->disconnect(this);
}

void TfrmMain::FormCreate() {
  fraProgress->SetDockPosition(gbxStart->pos());
  SetOutputFormatTable(QStringLiteral("\"PDF\""), {u".pdf"});
  setWindowTitle(QStringLiteral("Fotarel v.1.0"));
  QCoreApplication::setApplicationName(QStringLiteral("Fotarel"));

  TfraConversionJobInputs& F = *fraJobInputs;
  F.GroupBox1->setTitle(QStringLiteral("Archivos de entrada:"));
  SetAutoSizeText(F.Label4, QStringLiteral("Lista ordenada de documentos para convertir"));
  F.btnAddInputDocs->setToolTip(QStringLiteral("Examinar archivos y agregar a la lista"));
  F.btnInsertInputtDoc->setToolTip(QStringLiteral("Examinar archivos e insertarlos en la lista en la selección actual"));
  F.btnDeleteInputDoc->setToolTip(QStringLiteral("Eliminar el archivo seleccionado de la lista"));
  F.btnMoveInputDocUp->setToolTip(QStringLiteral("Mover el archivo seleccionado hacia arriba"));
  F.btnMoveInputDocDown->setToolTip(QStringLiteral("Mover el archivo seleccionado hacia abajo"));
  SetAutoSizeText(F.Label1, QStringLiteral("Haga clic en [+] o [<] para buscar archivos y agregar/insertar en la lista."));
  F.GroupBox2->setTitle(QStringLiteral("Salida:"));
  SetAutoSizeText(F.Label3, QStringLiteral("Formato"));
  F.chkConvertAndMerge->setText(QStringLiteral("Convertir y unir"));
  F.chkConvertAndMerge->adjustSize();
  SetAutoSizeText(F.Label2, QStringLiteral("Carpeta para documentos convertidos"));
  F.btnBrowseOutputFolder->setToolTip(QStringLiteral("Elige la carpeta ..."));

  const QString DialogTitle = QStringLiteral("Seleccionar documentos para convertir");
  const QString Filter = QStringLiteral(
      "Todos los formatos compatibles|*.BMP; *.JPG; *.JPEG; *.TIFF; *.TIF; *.PNG; *.EMF; *.WMF; *.ICO;*.GIF");
  F.FileOpen_AppendDialog = {DialogTitle, Filter};
  F.FileOpen_InsertDialog = {DialogTitle, Filter};
  F.FileOpen_Append->setToolTip(QStringLiteral("Examinar archivos y anexar a la lista"));
  F.FileOpen_Insert->setToolTip(QStringLiteral("Examinar archivos e insertarlos en la lista en la selección actual"));
  F.BrowseForFolder1Dialog.Caption = QStringLiteral("Seleccione la carpeta de salida para los documentos convertidos.");

  TfraProgress& P = *fraProgress;
  P.gbxProgress->setTitle(QStringLiteral("Progreso de Conversión:"));
  SetAutoSizeText(P.Label4, QStringLiteral("Archivo actual:"));
  SetAutoSizeText(P.Label3, QStringLiteral("Trabajo en general:"));
  P.BitBtn1->setText(QStringLiteral("Cancelar"));

  gbxStart->setTitle(QStringLiteral("Iniciar la conversión"));
  Button3->setText(QStringLiteral("Iniciar"));
}

void TfrmMain::SetOutputFormatTable(const QString& Names, std::vector<vn::String> Extensions) {
  fraJobInputs->SetOutputFormats(Names);
  fraJobInputs->cbxFormat->setCurrentIndex(fraJobInputs->cbxFormat->count() - 1);
  FOutputFormats = std::move(Extensions);
}

void TfrmMain::ActionList1Update() { StartFileConvert->setEnabled(fraJobInputs->ReadyToStart() && !FJobRunning); }

void TfrmMain::Label1Click() { vn::platform::OpenWithAssociatedProgram(kMakerWebAddress); }

void TfrmMain::StartFileConvertExecute() {
  // One job at a time: the Start action is disabled during a job, and a
  // call that comes in through another road is refused here.
  if (FJobRunning) return;
  const int Format = fraJobInputs->cbxFormat->currentIndex();
  if (!fraJobInputs->ReadyToStart() || Format < 0 || Format >= static_cast<int>(FOutputFormats.size())) return;
  const vn::String Extension = FOutputFormats[Format];

  fraProgress->SetJobCancelled(false);
  // TIFF outputs hold all pages of an output as frames of one file.
  std::unique_ptr<TvnEncoderParams> EncoderParams;
  if (vn::SameText(Extension, u".tif") || vn::SameText(Extension, u".tiff")) {
    auto Tiff = std::make_unique<TvnTIFFEncoderParams>();
    Tiff->SetMultiPageTIFF(true);
    EncoderParams = std::move(Tiff);
  }
  FJobRunning = true;
  FPasswordCancelled = false;
  StartFileConvert->setEnabled(false);

  // The job works on a copy of the inputs: the list stays usable meanwhile.
  vn::TStringList Inputs;
  for (int I = 0; I < fraJobInputs->lstInputFiles->count(); ++I)
    Inputs.Add(FromQ(fraJobInputs->lstInputFiles->item(I)->text()));
  const vn::String OutputDir = FromQ(fraJobInputs->edtOutputFilepath->text());
  const bool SingleFileOutput = fraJobInputs->chkConvertAndMerge->isChecked();

  bool Failed = false;
  QString Failure;
  std::unique_ptr<vn::TStringList> Outputs;
  try {
    fraProgress->Appear();
    Outputs = vnDocumentConverter1.ConvertToFile(Inputs, Extension, OutputDir, u"", SingleFileOutput,
                                                 EncoderParams.get());
  } catch (const std::exception& E) {
    Failed = true;
    Failure = QString::fromUtf8(E.what());
  } catch (...) {
    Failed = true;
  }
  EncoderParams.reset();
  FJobRunning = false;

  if (FCloseRequested) {
    // The window was closed during the job: it closes now, without a
    // message.
    FCloseRequested = false;
    close();
    return;
  }
  raise();
  activateWindow();

  const QString Title = QCoreApplication::applicationName();
  // Success needs every listed output on disk: a writer that reported
  // success without making its file has written nothing.
  bool Written = Outputs != nullptr && Outputs->Count() > 0;
  for (int I = 0; Written && I < Outputs->Count(); ++I) Written = QFileInfo(ToQ((*Outputs)[I])).isFile();
  if (Failed) {
    const QString Text = QStringLiteral("¡Error en la conversión!");
    FDialogs.ShowMessage(this, Title, Failure.isEmpty() ? Text : Text + u"\n\n"_qs + Failure, TMessageKind::mkError);
  } else if (fraProgress->JobCancelled() || (!Written && FPasswordCancelled)) {
    FDialogs.ShowMessage(this, Title, QStringLiteral("¡Conversión cancelada!"), TMessageKind::mkInformation);
  } else if (!Written) {
    // Nothing could be read or written: no success to report.
    FDialogs.ShowMessage(this, Title,
                         QStringLiteral("¡Error en la conversión!\n\nNo se ha creado ningún documento."),
                         TMessageKind::mkError);
  } else {
    FDialogs.ShowMessage(this, Title, QStringLiteral("Conversión completa!"), TMessageKind::mkInformation);
  }
  fraProgress->Disappear();
  ActionList1Update();
}

void TfrmMain::closeEvent(QCloseEvent* Event) {
  if (FJobRunning) {
    // Closing now would free the converter inside its own call: cancel the
    // job and close when it has returned.
    Event->ignore();
    FCloseRequested = true;
    fraProgress->CancelFileConvertExecute();
    return;
  }
  QWidget::closeEvent(Event);
}

void TfrmMain::KeepResponsive(TvnConverterEventArgs& EventArgs) {
  EventArgs.SetCancel(fraProgress->JobCancelled());
  QCoreApplication::processEvents();
}

void TfrmMain::vnDocumentConverter1BeginJob(TvnBeginJobEventArgs& EventArgs) {
  const int Count = EventArgs.GetJobInfo()->GetInputDocumentCount();
  TfraProgress::SetBarMaximum(fraProgress->pbrJob, Count);
  fraProgress->lblOverAllCounter->setText(JobCounterText(0, Count));
  KeepResponsive(EventArgs);
}

void TfrmMain::vnDocumentConverter1BeginInputDocument(TvnBeginInputDocumentEventArgs& EventArgs) {
  const TvnConverterDocumentInfo& Input = *EventArgs.GetInputDocument();
  FCurrentPageCount = Input.GetPageCount();
  TfraProgress::SetBarMaximum(fraProgress->pbrCurrentFile, FCurrentPageCount);
  fraProgress->pbrCurrentFile->setValue(0);
  fraProgress->lblCurrentFileName->SetPath(ToQ(Input.GetFileName()));
  fraProgress->lblCurrentFilePage->setText(PageCounterText(0, FCurrentPageCount));
  KeepResponsive(EventArgs);
}

void TfrmMain::ShowPageProgress(int Page) {
  fraProgress->pbrCurrentFile->setValue(Page);
  fraProgress->lblCurrentFilePage->setText(PageCounterText(Page, FCurrentPageCount));
}

void TfrmMain::vnDocumentConverter1BeginPage(TvnBeginpageEventArgs& EventArgs) {
  ShowPageProgress(EventArgs.GetInputPageNumber());
  KeepResponsive(EventArgs);
}

void TfrmMain::vnDocumentConverter1EndPage(TvnEndPageEventArgs& EventArgs) {
  ShowPageProgress(EventArgs.GetInputPageNumber());
  KeepResponsive(EventArgs);
}

void TfrmMain::vnDocumentConverter1EndInputDocument(TvnEndInputDocumentEventArgs& EventArgs) {
  const int Done = EventArgs.GetInputDocument()->GetInputIndex() + 1;
  fraProgress->pbrJob->setValue(Done);
  fraProgress->lblOverAllCounter->setText(JobCounterText(Done, EventArgs.GetJobInfo()->GetInputDocumentCount()));
  KeepResponsive(EventArgs);
}

void TfrmMain::vnDocumentConverter1NeedPassword(TvnNeedPasswordConverterEventArgs& EventArgs) {
  KeepResponsive(EventArgs);
  if (EventArgs.GetCancel()) return;
  // The document asks again after a wrong password: after the allowed
  // number of attempts (0 allows any number) the request is refused, as is
  // a cancelled input box, so that the document stops asking.
  const int32_t Allowed = vnDocumentConverter1.GetPreferences()->GetPassword()->GetAllowedAttempts();
  if (Allowed != 0 && EventArgs.GetAttemptCount() > Allowed) {
    EventArgs.SetCancel(true);
    return;
  }
  const QString FileName = QFileInfo(ToQ(EventArgs.GetDocumentInfo()->GetFileName())).fileName();
  QString Password;
  if (FDialogs.InputPassword(this, QStringLiteral("Password"),
                             QStringLiteral("Please enter password for '%1': ").arg(FileName), Password)) {
    EventArgs.SetPassword(FromQ(Password));
  } else {
    EventArgs.SetPassword(vn::String());
    EventArgs.SetCancel(true);
    FPasswordCancelled = true;
  }
}

}  // namespace fotarel

// The converter application's main window: the job-input frame, the Start
// button and the progress frame that slides over it during a job, and the
// document converter that runs the job.
//
// A job runs synchronously inside the Start action; the converter's event
// handlers update the progress frame and let Qt process pending events, so
// that Cancel works during the job. While a job runs, Start stays disabled
// and closing the window cancels the job and closes the window once the
// converter has returned.
#pragma once

#include <QAction>
#include <QGroupBox>
#include <QPushButton>
#include <QWidget>
#include <memory>
#include <vector>

#include "controls.h"
#include "conversion_job_inputs_frame.h"
#include "conversion_progress_frame.h"
#include "dialogs.h"
#include "framework/document_converter.h"

namespace fotarel {

// The web page the link label opens.
inline constexpr const char* kMakerWebAddress = "https://www.fotarel.example/";

class TfrmMain : public QWidget {
  Q_OBJECT
 public:
  // Dialogs is borrowed; without it the real Qt dialogs are shown.
  explicit TfrmMain(IAppDialogs* Dialogs = nullptr, QWidget* Parent = nullptr);
  ~TfrmMain() override;

  // The output formats: the names the format list shows (comma text) and
  // the output extension of each, in the same order. The last is selected.
  void SetOutputFormatTable(const QString& Names, std::vector<vn::String> Extensions);
  bool JobRunning() const { return FJobRunning; }
  // The Start action: runs the job over the list's inputs.
  void StartFileConvertExecute();

  vn::framework::TvnDocumentConverter vnDocumentConverter1;
  TfraConversionJobInputs* fraJobInputs;
  QAction* StartFileConvert;
  QGroupBox* gbxStart;
  QPushButton* Button3;
  TfraProgress* fraProgress;
  TLinkLabel* Label1;

 protected:
  void closeEvent(QCloseEvent* Event) override;

 private:
  void FormCreate();
  void ActionList1Update();
  void Label1Click();
  // The converter's events.
  void vnDocumentConverter1BeginJob(vn::framework::TvnBeginJobEventArgs& EventArgs);
  void vnDocumentConverter1BeginInputDocument(vn::framework::TvnBeginInputDocumentEventArgs& EventArgs);
  void vnDocumentConverter1BeginPage(vn::framework::TvnBeginpageEventArgs& EventArgs);
  void vnDocumentConverter1EndPage(vn::framework::TvnEndPageEventArgs& EventArgs);
  void vnDocumentConverter1EndInputDocument(vn::framework::TvnEndInputDocumentEventArgs& EventArgs);
  void vnDocumentConverter1NeedPassword(vn::framework::TvnNeedPasswordConverterEventArgs& EventArgs);
  // Passes Cancel on to the converter and lets the window react.
  void KeepResponsive(vn::framework::TvnConverterEventArgs& EventArgs);
  void ShowPageProgress(int Page);

  std::unique_ptr<IAppDialogs> FOwnDialogs;
  IAppDialogs& FDialogs;
  std::vector<vn::String> FOutputFormats;
  bool FJobRunning = false;
  bool FCloseRequested = false;
  // A password prompt of the running job was cancelled.
  bool FPasswordCancelled = false;
  int FCurrentPageCount = 0;
};

}  // namespace fotarel

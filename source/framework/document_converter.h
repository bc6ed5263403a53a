// The document converter: runs a conversion job over one input or an
// ordered list of inputs (file names or streams). Each input is read by the
// document class the registry gives for it, its selected pages are copied
// into a writer document of the output format, and the writer saves either
// one output per input or, when merging, one output for the whole job.
// Events report the job, every input and every page, ask for passwords and
// let the host name the outputs or supply the output streams.
//
// Ownership: the caller owns the list a conversion returns (output file
// names, or the output streams, which the returned list owns). Readers,
// writers and the per-job and per-input information objects belong to the
// converter and are released on every exit path, exceptions included. The
// writer of a merging job stays in the merge slot until the next list job
// (or the converter's end). The password dialog is borrowed.
//
// Everything runs on the caller's thread, events included, with one
// exception: in a list job the picture inputs (image documents, which load
// from their file alone and raise no event) after the current one are read
// and decoded ahead on worker threads, at most vn::PipelineWorkers() of
// them at a time. A reader loading ahead belongs to its worker until the
// converter joins it, when that input's turn comes; only then is it touched
// on the caller's thread, so the inputs are converted, their events raised
// and their failures reported in the same order and with the same outcome
// as when they are loaded in turn.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/base_document.h"
#include "framework/document_manager.h"
#include "framework/page_model.h"
#include "framework/password_dialog.h"
#include "runtime/streams.h"
#include "runtime/string_list.h"
#include "runtime/strings.h"

namespace vn::framework {

// Output streams of a job; the list owns them.
using TvnStreamList = std::vector<std::unique_ptr<vn::TStream>>;
// Input streams of a list job; they stay the caller's.
using TvnInputStreamList = std::vector<vn::TStream*>;

// The input being converted.
class TvnConverterDocumentInfo : public TObject {
 public:
  const String& GetFileName() const { return FFileName; }  // empty for a stream input
  void SetFileName(const String& Value) { FFileName = Value; }
  int32_t GetInputIndex() const { return FInputIndex; }  // 0-based
  void SetInputIndex(int32_t Value) { FInputIndex = Value; }
  int32_t GetPageCount() const { return FPageCount; }
  void SetPageCount(int32_t Value) { FPageCount = Value; }
  const String& GetPageRange() const { return FPageRange; }
  void SetPageRange(const String& Value) { FPageRange = Value; }

 private:
  String FFileName;
  int32_t FInputIndex = 0;
  int32_t FPageCount = 0;
  String FPageRange;
};

// The running job, read by the event handlers.
class TvnConverterJobInfo : public TObject {
 public:
  int32_t GetInputDocumentCount() const { return FInputDocumentCount; }
  // For a list job the caller's list itself; nil for stream inputs.
  const vn::TStringList* GetInputFilePathList() const { return FInputFilePathList; }
  // For a stream-list job the caller's list itself; nil for file inputs.
  const TvnInputStreamList* GetInputStreamList() const { return FInputStreamList; }
  bool GetIsStreamInput() const { return FIsStreamInput; }
  bool GetIsStreamOutput() const { return FIsStreamOutput; }
  int32_t GetOutputDocumentCount() const { return FOutputDocumentCount; }
  // Set before OnEndJob: the names written (nil until then).
  const vn::TStringList* GetOutputFilePathList() const { return FOutputFilePathList.get(); }
  // Set before OnEndJob: the streams written (nil until then), still the
  // converter's while the handler runs.
  const TvnStreamList* GetOutputStreamList() const { return FOutputStreamList; }

 private:
  friend class TvnDocumentConverter;
  int32_t FInputDocumentCount = 0;
  const vn::TStringList* FInputFilePathList = nullptr;  // not owned
  std::unique_ptr<vn::TStringList> FOwnInputFilePathList;
  const TvnInputStreamList* FInputStreamList = nullptr;  // not owned
  std::unique_ptr<TvnInputStreamList> FOwnInputStreamList;
  bool FIsStreamInput = false;
  bool FIsStreamOutput = false;
  int32_t FOutputDocumentCount = 0;
  std::unique_ptr<vn::TStringList> FOutputFilePathList;
  const TvnStreamList* FOutputStreamList = nullptr;  // not owned
};

// Event arguments. Cancel is false on creation; the converter reads it back.
class TvnConverterEventArgs : public TObject {
 public:
  bool GetCancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }
  TvnConverterJobInfo* GetJobInfo() const { return FJobInfo; }
  void SetJobInfo(TvnConverterJobInfo* Value) { FJobInfo = Value; }

 private:
  bool FCancel = false;
  TvnConverterJobInfo* FJobInfo = nullptr;  // not owned
};

class TvnBeginJobEventArgs : public TvnConverterEventArgs {};
class TvnEndJobEventArgs : public TvnConverterEventArgs {};

class TvnInputDocumentEventArgs : public TvnConverterEventArgs {
 public:
  TvnConverterDocumentInfo* GetInputDocument() const { return FInputDocument; }
  void SetInputDocument(TvnConverterDocumentInfo* Value) { FInputDocument = Value; }

 private:
  TvnConverterDocumentInfo* FInputDocument = nullptr;  // not owned
};

class TvnBeginInputDocumentEventArgs : public TvnInputDocumentEventArgs {};

class TvnEndInputDocumentEventArgs : public TvnInputDocumentEventArgs {
 public:
  int32_t GetOutputPageCount() const { return FOutputPageCount; }
  void SetOutputPageCount(int32_t Value) { FOutputPageCount = Value; }

 private:
  int32_t FOutputPageCount = 0;
};

class TvnBeginpageEventArgs : public TvnInputDocumentEventArgs {
 public:
  int32_t GetInputPageNumber() const { return FInputPageNumber; }
  void SetInputPageNumber(int32_t Value) { FInputPageNumber = Value; }

 private:
  int32_t FInputPageNumber = 0;
};

class TvnEndPageEventArgs : public TvnBeginpageEventArgs {
 public:
  int32_t GetOutputPageNumber() const { return FOutputPageNumber; }
  void SetOutputPageNumber(int32_t Value) { FOutputPageNumber = Value; }

 private:
  int32_t FOutputPageNumber = 0;
};

class TvnNeedPasswordConverterEventArgs : public TvnConverterEventArgs {
 public:
  TvnNeedPasswordConverterEventArgs(int32_t AAttemptCount, TvnConverterDocumentInfo* ADocumentInfo,
                                    TvnDocumentOperation AOperation)
      : FAttemptCount(AAttemptCount), FDocumentInfo(ADocumentInfo), FOperation(AOperation) {}
  int32_t GetAttemptCount() const { return FAttemptCount; }
  TvnConverterDocumentInfo* GetDocumentInfo() const { return FDocumentInfo; }
  TvnDocumentOperation GetOperation() const { return FOperation; }
  bool GetForceFullPermission() const { return FForceFullPermission; }
  void SetForceFullPermission(bool Value) { FForceFullPermission = Value; }
  const String& GetPassword() const { return FPassword; }
  void SetPassword(const String& Value) { FPassword = Value; }

 private:
  int32_t FAttemptCount;
  TvnConverterDocumentInfo* FDocumentInfo;  // not owned
  TvnDocumentOperation FOperation;
  bool FForceFullPermission = false;
  String FPassword;
};

class TvnOutputReadyEventArgs : public TvnConverterEventArgs {
 public:
  TvnOutputReadyEventArgs(TvnOutputItem AOutputItem, int32_t APageNumber)
      : FOutputItem(AOutputItem), FPageNumber(APageNumber) {}
  TvnConverterDocumentInfo* GetDocument() const { return FDocument; }
  void SetDocument(TvnConverterDocumentInfo* Value) { FDocument = Value; }
  TvnOutputItem GetOutputItem() const { return FOutputItem; }
  int32_t GetPageNumber() const { return FPageNumber; }
  // A non-empty name is used as it stands.
  const String& GetFileName() const { return FFileName; }
  void SetFileName(const String& Value) { FFileName = Value; }
  // A stream given here is written to and belongs to the job's output
  // stream list from then on.
  vn::TStream* GetStream() const { return FStream.get(); }
  void SetStream(std::unique_ptr<vn::TStream> Value) { FStream = std::move(Value); }
  std::unique_ptr<vn::TStream> TakeStream() { return std::move(FStream); }

 private:
  TvnConverterDocumentInfo* FDocument = nullptr;  // not owned
  String FFileName;
  TvnOutputItem FOutputItem;
  int32_t FPageNumber;
  std::unique_ptr<vn::TStream> FStream;
};

using TvnBeginJobEvent = TvnEvent<TvnBeginJobEventArgs>;
using TvnEndJobEvent = TvnEvent<TvnEndJobEventArgs>;
using TvnBeginInputDocumentEvent = TvnEvent<TvnBeginInputDocumentEventArgs>;
using TvnEndInputDocumentEvent = TvnEvent<TvnEndInputDocumentEventArgs>;
using TvnBeginPageEvent = TvnEvent<TvnBeginpageEventArgs>;
using TvnEndPageEvent = TvnEvent<TvnEndPageEventArgs>;
using TvnNeedPasswordConverterEvent = TvnEvent<TvnNeedPasswordConverterEventArgs>;
using TvnOutputReadyEvent = TvnEvent<TvnOutputReadyEventArgs>;

// Password settings: the dialog shown, 3 attempts, no forced full
// permission.
class TvnConverterPreferences : public TObject {
 public:
  TvnConverterPreferences();
  TvnPasswordOptions* GetPassword() const { return FPasswordDialog.get(); }

 private:
  std::unique_ptr<TvnPasswordOptions> FPasswordDialog;
};

class TvnDocumentConverter : public TObject {
 public:
  explicit TvnDocumentConverter(TObject* AOwner = nullptr);
  ~TvnDocumentConverter() override;
  TvnDocumentConverter(const TvnDocumentConverter&) = delete;
  TvnDocumentConverter& operator=(const TvnDocumentConverter&) = delete;

  // One input to files: the names written, nil when none.
  std::unique_ptr<vn::TStringList> ConvertToFile(const String& InputDocument, const String& OutputFileFormat,
                                                 const String& OutputDir, const String& BaseFileName,
                                                 const String& PageRange, TvnEncoderParams* EncoderParams);
  std::unique_ptr<vn::TStringList> ConvertToFile(vn::TStream* InputDocument, const String& OutputFileFormat,
                                                 const String& OutputDir, const String& BaseFileName,
                                                 const String& PageRange, TvnEncoderParams* EncoderParams);
  // A list job to files; all pages of every input; SingleFileOutput merges.
  std::unique_ptr<vn::TStringList> ConvertToFile(const vn::TStringList& InputDocuments,
                                                 const String& OutputFileFormat, const String& OutputDir,
                                                 const String& BaseFileName, bool SingleFileOutput,
                                                 TvnEncoderParams* EncoderParams);
  std::unique_ptr<vn::TStringList> ConvertToFile(const TvnInputStreamList& InputDocuments,
                                                 const String& OutputFileFormat, const String& OutputDir,
                                                 const String& BaseFileName, bool SingleFileOutput,
                                                 TvnEncoderParams* EncoderParams);
  // The same to streams: the streams written, nil when none.
  std::unique_ptr<TvnStreamList> ConvertToStream(const String& InputDocument, const String& OutputFileFormat,
                                                 const String& PageRange, TvnEncoderParams* EncoderParams);
  std::unique_ptr<TvnStreamList> ConvertToStream(vn::TStream* InputDocument, const String& OutputFileFormat,
                                                 const String& PageRange, TvnEncoderParams* EncoderParams);
  std::unique_ptr<TvnStreamList> ConvertToStream(const TvnInputStreamList& InputDocuments,
                                                 const String& OutputFileFormat, bool SingleFileOutput,
                                                 TvnEncoderParams* EncoderParams);
  std::unique_ptr<TvnStreamList> ConvertToStream(const vn::TStringList& InputDocuments,
                                                 const String& OutputFileFormat, bool SingleFileOutput,
                                                 TvnEncoderParams* EncoderParams);

  TvnConverterPreferences* GetPreferences() const { return FPreferences.get(); }
  // The prompt shown when no OnNeedPassword handler is assigned and the
  // preferences ask for the dialog; borrowed. Without one, nobody can answer
  // and the request comes back cancelled.
  void SetPasswordDialog(IvnPasswordDialog* Value) { FPasswordDialog = Value; }
  TObject* GetOwner() const { return FOwner; }

  TvnBeginPageEvent OnBeginPage;
  TvnEndInputDocumentEvent OnEndInputDocument;
  TvnEndJobEvent OnEndJob;
  TvnEndPageEvent OnEndPage;
  TvnNeedPasswordConverterEvent OnNeedPassword;
  TvnOutputReadyEvent OnOutputReady;
  TvnBeginInputDocumentEvent OnBeginInputDocument;
  TvnBeginJobEvent OnBeginJob;

 private:
  // One input of a job: a file name or a stream.
  struct TvnJobInput {
    const String* FileName = nullptr;
    vn::TStream* Stream = nullptr;
  };

  // A picture input being loaded ahead on a worker thread.
  struct TvnPreload;
  std::unique_ptr<TvnPreload> StartPreload(const TvnJobInput& Input);

  void StartJob(int32_t InputCount, bool IsStreamInput, bool IsStreamOutput);
  void FinishJob();
  // Converts one input of the running job; false when the input ended early
  // (password prompt cancelled, or Cancel set by its input events).
  bool ConvertInput(const TvnJobInput& Input, bool ToStream, const String& OutputFileFormat, const String& OutputDir,
                    const String& BaseFileName, const String& PageRange, TvnEncoderParams* EncoderParams,
                    TvnPreload* Preloaded = nullptr);
  void RunSingleJob(const TvnJobInput& Input, bool ToStream, const String& OutputFileFormat,
                    const String& OutputDir, const String& BaseFileName, const String& PageRange,
                    TvnEncoderParams* EncoderParams);
  void RunListJob(const std::vector<TvnJobInput>& Inputs, bool ToStream, const String& OutputFileFormat,
                  const String& OutputDir, const String& BaseFileName, bool SingleFileOutput,
                  TvnEncoderParams* EncoderParams);
  // Saves the writer; when the save fails or writes nothing, the outputs it
  // asked for are taken off the job's lists and the files it created are
  // removed.
  void SaveWriter(TvnBaseDocument& Writer);
  String StreamBaseFileName() const;

  // Calls the handler with the running job (and, for input and page
  // events, the current input) and keeps its Cancel unless told otherwise.
  template <typename TArgs>
  void Raise(const TvnEvent<TArgs>& Event, TArgs& Args, bool ReadCancel = true);
  void DoBeginJob();
  void DoBeginInputDocument();
  void DoBeginPage(TObject* Sender, TvnBeginCopyPageEventArgs& EventArgs);
  void DoEndPage(TObject* Sender, TvnEndCopyPageEventArgs& EventArgs);
  void DoEndInputDocument(int32_t OutputPageCount);
  void DoEndJob();
  void HandleNeedOutputFileName(TObject* Sender, TvnNeedOutputFileNameEventArgs& EventArgs);
  void HandleNeedOutputStream(TObject* Sender, TvnNeedOutputStreamEventArgs& EventArgs);
  void HandleNeedPassword(TObject* Sender, TvnNeedPasswordEventArgs& EventArgs);

  TObject* FOwner;  // not owned
  String FBaseFileName;
  bool FBatchConversion = false;
  bool FCancel = false;
  std::unique_ptr<TvnConverterDocumentInfo> FCurrentDocInfo;
  String FCurrentFileName;
  int32_t FCurrentInputIndex = 0;
  std::unique_ptr<TvnConverterJobInfo> FCurrentJobInfo;
  std::unique_ptr<TvnDocumentManager> FDocumentManager;
  bool FIsSingleFileOutput = false;
  bool FLoadingCanceled = false;
  // A password request of the current load came back with Cancel.
  bool FPasswordRefused = false;
  String FOutputDir;
  String FOutputExtn;
  std::unique_ptr<vn::TStringList> FOutputFileList;
  std::unique_ptr<TvnStreamList> FOutputStreamList;
  std::unique_ptr<TvnConverterPreferences> FPreferences;
  std::unique_ptr<TvnBaseDocument> FSingleFileOutputDoc;
  IvnPasswordDialog* FPasswordDialog = nullptr;  // not owned
  // Files created for the save that is running (they did not exist before
  // their name was handed out), so that a failed save leaves none behind.
  std::vector<String> FCreatedOutputs;
};

}  // namespace vn::framework

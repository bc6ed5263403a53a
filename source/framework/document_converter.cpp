#include "framework/document_converter.h"

#include <exception>
#include <filesystem>
#include <map>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>

#include "runtime/datetime.h"
#include "runtime/parallel.h"
#include "runtime/scope_exit.h"

namespace vn::framework {

namespace {

namespace fs = std::filesystem;

fs::path ToPath(const String& Text) { return fs::path(vn::ToUtf8(Text)); }
String FromPath(const fs::path& Path) { return vn::FromUtf8(Path.string()); }

}  // namespace

TvnConverterPreferences::TvnConverterPreferences() : FPasswordDialog(std::make_unique<TvnPasswordOptions>()) {
  FPasswordDialog->SetShowDialog(true);
  FPasswordDialog->SetAllowedAttempts(3);
  FPasswordDialog->SetForceFullPermission(false);
}

TvnDocumentConverter::TvnDocumentConverter(TObject* AOwner)
    : FOwner(AOwner),
      FDocumentManager(std::make_unique<TvnDocumentManager>(this)),
      FPreferences(std::make_unique<TvnConverterPreferences>()) {}

TvnDocumentConverter::~TvnDocumentConverter() = default;

// ---------------------------------------------------------------------------
// Conversions

std::unique_ptr<vn::TStringList> TvnDocumentConverter::ConvertToFile(const String& InputDocument,
                                                                     const String& OutputFileFormat,
                                                                     const String& OutputDir,
                                                                     const String& BaseFileName,
                                                                     const String& PageRange,
                                                                     TvnEncoderParams* EncoderParams) {
  RunSingleJob({&InputDocument, nullptr}, false, OutputFileFormat, OutputDir, BaseFileName, PageRange,
               EncoderParams);
  return std::move(FOutputFileList);
}

std::unique_ptr<vn::TStringList> TvnDocumentConverter::ConvertToFile(vn::TStream* InputDocument,
                                                                     const String& OutputFileFormat,
                                                                     const String& OutputDir,
                                                                     const String& BaseFileName,
                                                                     const String& PageRange,
                                                                     TvnEncoderParams* EncoderParams) {
  RunSingleJob({nullptr, InputDocument}, false, OutputFileFormat, OutputDir, BaseFileName, PageRange,
               EncoderParams);
  return std::move(FOutputFileList);
}

std::unique_ptr<vn::TStringList> TvnDocumentConverter::ConvertToFile(const vn::TStringList& InputDocuments,
                                                                     const String& OutputFileFormat,
                                                                     const String& OutputDir,
                                                                     const String& BaseFileName,
                                                                     bool SingleFileOutput,
                                                                     TvnEncoderParams* EncoderParams) {
  std::vector<TvnJobInput> Inputs;
  for (int I = 0; I < InputDocuments.Count(); ++I) Inputs.push_back({&InputDocuments[I], nullptr});
  StartJob(InputDocuments.Count(), false, false);
  FCurrentJobInfo->FInputFilePathList = &InputDocuments;
  RunListJob(Inputs, false, OutputFileFormat, OutputDir, BaseFileName, SingleFileOutput, EncoderParams);
  return std::move(FOutputFileList);
}

std::unique_ptr<vn::TStringList> TvnDocumentConverter::ConvertToFile(const TvnInputStreamList& InputDocuments,
                                                                     const String& OutputFileFormat,
                                                                     const String& OutputDir,
                                                                     const String& BaseFileName,
                                                                     bool SingleFileOutput,
                                                                     TvnEncoderParams* EncoderParams) {
  std::vector<TvnJobInput> Inputs;
  for (vn::TStream* Stream : InputDocuments) Inputs.push_back({nullptr, Stream});
  StartJob(static_cast<int32_t>(InputDocuments.size()), true, false);
  FCurrentJobInfo->FInputStreamList = &InputDocuments;
  RunListJob(Inputs, false, OutputFileFormat, OutputDir, BaseFileName, SingleFileOutput, EncoderParams);
  return std::move(FOutputFileList);
}

std::unique_ptr<TvnStreamList> TvnDocumentConverter::ConvertToStream(const String& InputDocument,
                                                                     const String& OutputFileFormat,
                                                                     const String& PageRange,
                                                                     TvnEncoderParams* EncoderParams) {
  RunSingleJob({&InputDocument, nullptr}, true, OutputFileFormat, u"", u"", PageRange, EncoderParams);
  return std::move(FOutputStreamList);
}

std::unique_ptr<TvnStreamList> TvnDocumentConverter::ConvertToStream(vn::TStream* InputDocument,
                                                                     const String& OutputFileFormat,
                                                                     const String& PageRange,
                                                                     TvnEncoderParams* EncoderParams) {
  RunSingleJob({nullptr, InputDocument}, true, OutputFileFormat, u"", u"", PageRange, EncoderParams);
  return std::move(FOutputStreamList);
}

std::unique_ptr<TvnStreamList> TvnDocumentConverter::ConvertToStream(const TvnInputStreamList& InputDocuments,
                                                                     const String& OutputFileFormat,
                                                                     bool SingleFileOutput,
                                                                     TvnEncoderParams* EncoderParams) {
  std::vector<TvnJobInput> Inputs;
  for (vn::TStream* Stream : InputDocuments) Inputs.push_back({nullptr, Stream});
  StartJob(static_cast<int32_t>(InputDocuments.size()), true, true);
  FCurrentJobInfo->FInputStreamList = &InputDocuments;
  RunListJob(Inputs, true, OutputFileFormat, u"", u"", SingleFileOutput, EncoderParams);
  return std::move(FOutputStreamList);
}

std::unique_ptr<TvnStreamList> TvnDocumentConverter::ConvertToStream(const vn::TStringList& InputDocuments,
                                                                     const String& OutputFileFormat,
                                                                     bool SingleFileOutput,
                                                                     TvnEncoderParams* EncoderParams) {
  std::vector<TvnJobInput> Inputs;
  for (int I = 0; I < InputDocuments.Count(); ++I) Inputs.push_back({&InputDocuments[I], nullptr});
  StartJob(InputDocuments.Count(), false, true);
  FCurrentJobInfo->FInputFilePathList = &InputDocuments;
  RunListJob(Inputs, true, OutputFileFormat, u"", u"", SingleFileOutput, EncoderParams);
  return std::move(FOutputStreamList);
}

// ---------------------------------------------------------------------------
// Jobs

void TvnDocumentConverter::StartJob(int32_t InputCount, bool IsStreamInput, bool IsStreamOutput) {
  // A new job starts clean: the previous job's outputs went to its caller
  // (or are dropped after a failure), and a cancellation of an earlier job
  // does not end this one.
  FOutputFileList.reset();
  FOutputStreamList.reset();
  FCancel = false;
  FLoadingCanceled = false;
  FCurrentDocInfo.reset();
  FCurrentInputIndex = 0;
  FCurrentJobInfo = std::make_unique<TvnConverterJobInfo>();
  FCurrentJobInfo->FInputDocumentCount = InputCount;
  FCurrentJobInfo->FIsStreamInput = IsStreamInput;
  FCurrentJobInfo->FIsStreamOutput = IsStreamOutput;
}

void TvnDocumentConverter::FinishJob() {
  TvnConverterJobInfo& Job = *FCurrentJobInfo;
  if (Job.FIsStreamOutput) {
    Job.FOutputDocumentCount = FOutputStreamList ? static_cast<int32_t>(FOutputStreamList->size()) : 0;
    Job.FOutputStreamList = FOutputStreamList.get();
  } else {
    Job.FOutputDocumentCount = FOutputFileList ? FOutputFileList->Count() : 0;
    Job.FOutputFilePathList = FOutputFileList ? std::make_unique<vn::TStringList>(*FOutputFileList)
                                              : std::make_unique<vn::TStringList>();
  }
  DoEndJob();
  FCurrentJobInfo.reset();
}

void TvnDocumentConverter::RunSingleJob(const TvnJobInput& Input, bool ToStream, const String& OutputFileFormat,
                                        const String& OutputDir, const String& BaseFileName,
                                        const String& PageRange, TvnEncoderParams* EncoderParams) {
  StartJob(1, Input.Stream != nullptr, ToStream);
  if (Input.FileName) {
    FCurrentJobInfo->FOwnInputFilePathList = std::make_unique<vn::TStringList>();
    FCurrentJobInfo->FOwnInputFilePathList->Add(*Input.FileName);
    FCurrentJobInfo->FInputFilePathList = FCurrentJobInfo->FOwnInputFilePathList.get();
  } else {
    FCurrentJobInfo->FOwnInputStreamList = std::make_unique<TvnInputStreamList>(1, Input.Stream);
    FCurrentJobInfo->FInputStreamList = FCurrentJobInfo->FOwnInputStreamList.get();
  }
  DoBeginJob();
  if (FCancel) {
    FCurrentJobInfo.reset();
    return;
  }
  // A cancelled input (password prompt, OnBeginInputDocument or
  // OnEndInputDocument) ends the job without its end event.
  if (!ConvertInput(Input, ToStream, OutputFileFormat, OutputDir, BaseFileName, PageRange, EncoderParams)) {
    FCurrentJobInfo.reset();
    return;
  }
  FinishJob();
}

// The worker owns Reader and Error while it runs; the converter reads them
// only after Wait() has joined it (the join orders the worker's writes
// before the reads). Destroying a preload joins its worker first.
struct TvnDocumentConverter::TvnPreload {
  TvnDocumentClass ReaderClass = nullptr;
  std::unique_ptr<TvnBaseDocument> Reader;
  std::exception_ptr Error;
  std::thread Worker;

  void Wait() {
    if (Worker.joinable()) Worker.join();
  }
  ~TvnPreload() { Wait(); }
};

std::unique_ptr<TvnDocumentConverter::TvnPreload> TvnDocumentConverter::StartPreload(const TvnJobInput& Input) {
  TvnKELMFramework* Registry = DocumentFramework();
  if (Input.FileName == nullptr || Registry == nullptr) return nullptr;
  const TvnDocumentClass ReaderClass = Registry->LookupDocument(*Input.FileName);
  if (ReaderClass == nullptr || ReaderClass->DocumentType != TvnDocumentType::dtImage) return nullptr;
  auto Preload = std::make_unique<TvnPreload>();
  Preload->ReaderClass = ReaderClass;
  Preload->Reader = ReaderClass->Create();
  Preload->Reader->OnNeedPassword = [this](TObject* Sender, TvnNeedPasswordEventArgs& Args) {
    HandleNeedPassword(Sender, Args);
  };
  try {
    Preload->Worker = std::thread([P = Preload.get(), Name = *Input.FileName] {
      try {
        P->Reader->LoadFromFile(Name, u"");
      } catch (...) {
        P->Error = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    return nullptr;  // no thread to be had: the input loads in turn
  }
  return Preload;
}

void TvnDocumentConverter::RunListJob(const std::vector<TvnJobInput>& Inputs, bool ToStream,
                                      const String& OutputFileFormat, const String& OutputDir,
                                      const String& BaseFileName, bool SingleFileOutput,
                                      TvnEncoderParams* EncoderParams) {
  DoBeginJob();
  if (FCancel) {
    FCurrentJobInfo.reset();
    return;
  }
  FBatchConversion = true;
  FSingleFileOutputDoc.reset();
  FIsSingleFileOutput = SingleFileOutput;
  // Also when an input fails: the converter leaves the list mode.
  ScopeExit LeaveListMode([this] {
    FBatchConversion = false;
    FIsSingleFileOutput = false;
    FCurrentInputIndex = 0;
  });
  // Every input is loaded and offered through OnBeginInputDocument, whose
  // Cancel skips that input only. The picture inputs of the next few are
  // loaded ahead meanwhile (at most PipelineWorkers() beyond the current
  // one); whatever way the job ends, the preloads left are joined here.
  const size_t Ahead = static_cast<size_t>(vn::PipelineWorkers());
  std::map<size_t, std::unique_ptr<TvnPreload>> Preloads;
  for (size_t I = 0; I < Inputs.size(); ++I) {
    for (size_t J = I + 1; J <= I + Ahead && J < Inputs.size(); ++J)
      if (Preloads.find(J) == Preloads.end()) Preloads[J] = StartPreload(Inputs[J]);
    std::unique_ptr<TvnPreload> Preloaded;
    if (auto It = Preloads.find(I); It != Preloads.end()) {
      Preloaded = std::move(It->second);
      Preloads.erase(It);
    }
    FCurrentInputIndex = static_cast<int32_t>(I);
    ConvertInput(Inputs[I], ToStream, OutputFileFormat, OutputDir, BaseFileName, u"", EncoderParams, Preloaded.get());
  }
  FCurrentInputIndex = 0;
  // The merged output holds the pages copied until now, also after a
  // cancellation.
  if (SingleFileOutput && FSingleFileOutputDoc) SaveWriter(*FSingleFileOutputDoc);
  FIsSingleFileOutput = false;
  FBatchConversion = false;
  FinishJob();
}

String TvnDocumentConverter::StreamBaseFileName() const {
  // The time without separators, which file names cannot all hold; inputs
  // of a stream list get their position so that outputs made within the
  // same second do not overwrite each other.
  String Name = u"conversion_" + vn::FormatDateTime(u"hhnnss", vn::Now());
  if (FBatchConversion && FCurrentJobInfo && FCurrentJobInfo->FInputDocumentCount > 1)
    Name += u"_" + vn::IntToStr(FCurrentInputIndex + 1);
  return Name;
}

bool TvnDocumentConverter::ConvertInput(const TvnJobInput& Input, bool ToStream, const String& OutputFileFormat,
                                        const String& OutputDir, const String& BaseFileName,
                                        const String& PageRange, TvnEncoderParams* EncoderParams,
                                        TvnPreload* Preloaded) {
  // The caption of the password prompt names the file; a stream has none.
  FCurrentFileName = Input.FileName ? *Input.FileName : String();
  FOutputExtn = OutputFileFormat;
  if (!ToStream) {
    std::error_code Ignored;
    FOutputDir = !OutputDir.empty() ? OutputDir : FromPath(fs::current_path(Ignored));
    if (!BaseFileName.empty())
      FBaseFileName = BaseFileName;
    else if (Input.FileName)
      FBaseFileName = FromPath(ToPath(*Input.FileName).stem());
    else
      FBaseFileName = StreamBaseFileName();
  }

  // Outside a merging job the writer lives for this input only, whichever
  // way the input ends (cancelled, failed or done).
  ScopeExit FreeWriter([this] {
    if (!FIsSingleFileOutput) FSingleFileOutputDoc.reset();
    FCurrentDocInfo.reset();
  });

  TvnKELMFramework* Registry = DocumentFramework();
  TvnDocumentClass ReaderClass = nullptr;
  if (Preloaded != nullptr) {
    ReaderClass = Preloaded->ReaderClass;  // the same lookup, made when its load started
  } else if (Registry != nullptr) {
    if (Input.FileName) {
      ReaderClass = Registry->LookupDocument(*Input.FileName);
    } else if (Input.Stream != nullptr) {
      const int64_t Start = Input.Stream->Position();
      ReaderClass = Registry->LookupDocument(Input.Stream);
      Input.Stream->Seek(Start, vn::SeekOrigin::soBeginning);
    }
  }

  std::unique_ptr<TvnBaseDocument> Reader;
  if (ReaderClass != nullptr) {
    if (Preloaded != nullptr) {
      Preloaded->Wait();
      Reader = std::move(Preloaded->Reader);
    } else {
      Reader = ReaderClass->Create();
      Reader->OnNeedPassword = [this](TObject* Sender, TvnNeedPasswordEventArgs& Args) {
        HandleNeedPassword(Sender, Args);
      };
    }
    FCurrentDocInfo = std::make_unique<TvnConverterDocumentInfo>();
    FPasswordRefused = false;
    if (Preloaded != nullptr) {
      FCurrentDocInfo->SetFileName(*Input.FileName);
      // Its failure surfaces here, where loading it in turn would have failed.
      if (Preloaded->Error) std::rethrow_exception(Preloaded->Error);
    } else if (Input.FileName) {
      FCurrentDocInfo->SetFileName(*Input.FileName);
      Reader->LoadFromFile(*Input.FileName, u"");
    } else {
      Reader->LoadFromStream(Input.Stream, u"", false);
    }
    // A cancelled prompt skips the input; so does a reader left unopened
    // because its password requests came back refused: converting it would
    // write an empty output.
    if (FLoadingCanceled || (FPasswordRefused && !Reader->GetIsLoaded())) {
      FLoadingCanceled = false;
      FPasswordRefused = false;
      return false;
    }
    FCurrentDocInfo->SetPageCount(Reader->GetPageCount());
    FCurrentDocInfo->SetInputIndex(FCurrentInputIndex);
    FCurrentDocInfo->SetPageRange(PageRange);
    DoBeginInputDocument();
    if (FCancel) return false;
  }

  TvnBaseDocument* Writer = nullptr;
  if (FIsSingleFileOutput && FSingleFileOutputDoc) {
    Writer = FSingleFileOutputDoc.get();
  } else if (Reader && Registry != nullptr) {
    // Only a class that saves can write the output; one registered for
    // opening only (icons, GIF) would take the pages and write nothing.
    // An input without a reader makes no writer: in a merging job it would
    // stay in the merge slot and be saved with no page in it.
    TvnDocumentClass WriterClass = Registry->LookupDocument(u"TempFileName" + OutputFileFormat);
    if (WriterClass != nullptr && WriterClass->EngineCapabilities.Contains(TvnEngineCapability::ecSave)) {
      FSingleFileOutputDoc = WriterClass->Create();
      Writer = FSingleFileOutputDoc.get();
    }
  }

  if (Reader && Writer) {
    Writer->BeginAssignPage = [this](TObject* Sender, TvnBeginCopyPageEventArgs& Args) { DoBeginPage(Sender, Args); };
    Writer->EndAssignPage = [this](TObject* Sender, TvnEndCopyPageEventArgs& Args) { DoEndPage(Sender, Args); };
    if (ToStream) {
      Writer->OnNeedOutputStream = [this](TObject* Sender, TvnNeedOutputStreamEventArgs& Args) {
        HandleNeedOutputStream(Sender, Args);
      };
    } else {
      Writer->OnNeedOutputFileName = [this](TObject* Sender, TvnNeedOutputFileNameEventArgs& Args) {
        HandleNeedOutputFileName(Sender, Args);
      };
    }
    Writer->SetEncoderParams(EncoderParams);
    Writer->Assign(Reader.get(), PageRange);
    if (!FIsSingleFileOutput) SaveWriter(*Writer);
  }
  Reader.reset();
  if (ReaderClass != nullptr && Writer != nullptr) DoEndInputDocument(Writer->GetPageCount());
  return !FCancel;
}

void TvnDocumentConverter::SaveWriter(TvnBaseDocument& Writer) {
  const int32_t NamesBefore = FOutputFileList ? FOutputFileList->Count() : 0;
  const size_t StreamsBefore = FOutputStreamList ? FOutputStreamList->size() : 0;
  FCreatedOutputs.clear();
  auto TakeBack = [&] {
    std::error_code Ignored;
    for (const String& Name : FCreatedOutputs) fs::remove(ToPath(Name), Ignored);
    FCreatedOutputs.clear();
    while (FOutputFileList && FOutputFileList->Count() > NamesBefore) FOutputFileList->Delete(FOutputFileList->Count() - 1);
    if (FOutputStreamList) FOutputStreamList->resize(StreamsBefore);
    if (FOutputFileList && FOutputFileList->Count() == 0) FOutputFileList.reset();
    if (FOutputStreamList && FOutputStreamList->empty()) FOutputStreamList.reset();
  };
  bool Written = false;
  try {
    Written = Writer.Save();
  } catch (...) {
    TakeBack();
    throw;
  }
  if (!Written) TakeBack();
  FCreatedOutputs.clear();
}

// ---------------------------------------------------------------------------
// Events

template <typename TArgs>
void TvnDocumentConverter::Raise(const TvnEvent<TArgs>& Event, TArgs& Args, bool ReadCancel) {
  Args.SetJobInfo(FCurrentJobInfo.get());
  if constexpr (std::is_base_of_v<TvnInputDocumentEventArgs, TArgs>) Args.SetInputDocument(FCurrentDocInfo.get());
  Event(this, Args);
  if (ReadCancel) FCancel = Args.GetCancel();
}

void TvnDocumentConverter::DoBeginJob() {
  if (!OnBeginJob) return;
  TvnBeginJobEventArgs Args;
  Raise(OnBeginJob, Args);
}

void TvnDocumentConverter::DoBeginInputDocument() {
  if (!OnBeginInputDocument) return;
  TvnBeginInputDocumentEventArgs Args;
  Raise(OnBeginInputDocument, Args);
}

void TvnDocumentConverter::DoBeginPage(TObject*, TvnBeginCopyPageEventArgs& EventArgs) {
  if (!OnBeginPage) return;
  TvnBeginpageEventArgs Args;
  Args.SetInputPageNumber(EventArgs.GetInputPageNumber());
  Raise(OnBeginPage, Args);
}

void TvnDocumentConverter::DoEndPage(TObject*, TvnEndCopyPageEventArgs& EventArgs) {
  if (!OnEndPage) return;
  TvnEndPageEventArgs Args;
  Args.SetInputPageNumber(EventArgs.GetInputPageNumber());
  Args.SetOutputPageNumber(EventArgs.GetOutputPageNumber());
  Raise(OnEndPage, Args);
}

void TvnDocumentConverter::DoEndInputDocument(int32_t OutputPageCount) {
  if (!OnEndInputDocument) return;
  TvnEndInputDocumentEventArgs Args;
  Args.SetOutputPageCount(OutputPageCount);
  Raise(OnEndInputDocument, Args);
}

void TvnDocumentConverter::DoEndJob() {
  if (!OnEndJob) return;
  TvnEndJobEventArgs Args;
  Raise(OnEndJob, Args, false);
}

// ---------------------------------------------------------------------------
// Requests of readers and writers

void TvnDocumentConverter::HandleNeedOutputFileName(TObject*, TvnNeedOutputFileNameEventArgs& EventArgs) {
  if (!FOutputFileList) FOutputFileList = std::make_unique<vn::TStringList>();
  auto Remember = [this](const String& Name) {
    std::error_code Ignored;
    if (!fs::exists(ToPath(Name), Ignored)) FCreatedOutputs.push_back(Name);
    FOutputFileList->Add(Name);
  };
  if (OnOutputReady) {
    TvnOutputReadyEventArgs Args(EventArgs.GetOutputItem(), EventArgs.GetPageNumber());
    Args.SetJobInfo(FCurrentJobInfo.get());
    OnOutputReady(this, Args);
    if (!Args.GetFileName().empty()) {
      EventArgs.SetFileName(Args.GetFileName());
      Remember(Args.GetFileName());
      return;
    }
  }
  const fs::path Dir = ToPath(FOutputDir);
  // A folder that cannot be made shows up when the writer opens its file.
  std::error_code Ignored;
  if (!fs::is_directory(Dir, Ignored)) fs::create_directories(Dir, Ignored);
  switch (EventArgs.GetOutputItem()) {
    case TvnOutputItem::oiPage:
      EventArgs.SetFileName(
          FromPath(Dir / ToPath(FBaseFileName + u"_" + vn::IntToStr(EventArgs.GetPageNumber()) + FOutputExtn)));
      break;
    case TvnOutputItem::oiDocument:
      EventArgs.SetFileName(FromPath(Dir / ToPath(FBaseFileName + FOutputExtn)));
      break;
    case TvnOutputItem::oiElement:
      break;
  }
  if (!EventArgs.GetFileName().empty()) Remember(EventArgs.GetFileName());
}

void TvnDocumentConverter::HandleNeedOutputStream(TObject*, TvnNeedOutputStreamEventArgs& EventArgs) {
  if (!FOutputStreamList) FOutputStreamList = std::make_unique<TvnStreamList>();
  std::unique_ptr<vn::TStream> Stream;
  if (OnOutputReady) {
    TvnOutputReadyEventArgs Args(EventArgs.GetOutputItem(), EventArgs.GetPageNumber());
    Args.SetJobInfo(FCurrentJobInfo.get());
    OnOutputReady(this, Args);
    Stream = Args.TakeStream();
  }
  if (!Stream) Stream = std::make_unique<vn::TMemoryStream>();
  EventArgs.SetOutputStream(Stream.get());
  FOutputStreamList->push_back(std::move(Stream));
}

void TvnDocumentConverter::HandleNeedPassword(TObject* Sender, TvnNeedPasswordEventArgs& EventArgs) {
  TvnPasswordOptions& Options = *FPreferences->GetPassword();
  if (OnNeedPassword) {
    TvnNeedPasswordConverterEventArgs Args(EventArgs.GetAttemptCount(), FCurrentDocInfo.get(),
                                           EventArgs.GetOperation());
    Args.SetJobInfo(FCurrentJobInfo.get());
    Args.SetForceFullPermission(Options.GetForceFullPermission());
    OnNeedPassword(Sender, Args);
    EventArgs.SetPassword(Args.GetPassword());
    EventArgs.SetCancel(Args.GetCancel());
    Options.SetForceFullPermission(Args.GetForceFullPermission());
    FPasswordRefused = FPasswordRefused || Args.GetCancel();
    return;
  }
  if (Options.GetShowDialog() && FPasswordDialog != nullptr) {
    String Password;
    if (FPasswordDialog->Execute(u"Password for - " + FCurrentFileName, Password)) {
      if (EventArgs.GetAttemptCount() >= Options.GetAllowedAttempts() && Options.GetAllowedAttempts() != 0)
        EventArgs.SetCancel(true);
      FPasswordRefused = FPasswordRefused || EventArgs.GetCancel();
      EventArgs.SetForceFullPermission(Options.GetForceFullPermission());
      EventArgs.SetPassword(Password);
    } else {
      EventArgs.SetCancel(true);
      FLoadingCanceled = true;
    }
    return;
  }
  // Nobody can answer: the reader would ask again and again with the same
  // password, so the request comes back cancelled.
  EventArgs.SetCancel(true);
  FPasswordRefused = true;
}

}  // namespace vn::framework

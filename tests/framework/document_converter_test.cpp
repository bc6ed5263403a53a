// The document converter against a fake reader and fake writers registered
// under test extensions: the order of its events, output naming, merging,
// cancellation, password requests, and what is left after failures.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/document_converter.h"
#include "framework/document_routines.h"
#include "runtime/datetime.h"
#include "runtime/exceptions.h"

namespace document_converter_test {

using namespace vn::framework;
using vn::String;
namespace fs = std::filesystem;

namespace {

std::string U8(const String& S) { return vn::ToUtf8(S); }

int GLiveReaders = 0;
int GLiveWriters = 0;

// Reads inputs that need not exist: the digit in the file name (or the
// stream's text) is the page count (1 without one); "bad" fails the load;
// "locked" asks for the password "secret" the way the PDF document does
// (one request object for every attempt; a cancelled request ends the load
// without an error, the document not loaded).
class TFakeReader : public TvnBaseDocument {
 public:
  TFakeReader() { ++GLiveReaders; }
  ~TFakeReader() override { --GLiveReaders; }
  static TvnEngineCapabilities GetEngineCapabilities() { return {TvnEngineCapability::ecOpen}; }
  void LoadFromFile(const String& FileName, const String& /*Password*/) override {
    FFileName = FileName;
    Load(FileName);
  }
  void LoadFromStream(vn::TStream* Stream, const String& /*Password*/, bool FreeStream) override {
    SetSourceStream(Stream, FreeStream);
    Stream->Seek(0, vn::SeekOrigin::soBeginning);
    Load(vn::FromUtf8(Stream->ReadAll()));
  }
  int32_t GetPageCount() override { return FPages; }

  static inline int32_t LastAttemptCount = 0;
  static inline bool LastCancel = false;
  static inline String LastPassword;

 private:
  void Load(const String& Text) {
    if (Text.find(u"bad") != String::npos) throw vn::EReadError("Damaged input");
    for (char16_t C : Text)
      if (C >= u'0' && C <= u'9') FPages = C - u'0';
    if (Text.find(u"locked") != String::npos) {
      TvnNeedPasswordEventArgs Request;
      for (;;) {
        if (!OnNeedPassword) return;
        Request.IncAttemptCount();
        OnNeedPassword(this, Request);
        LastAttemptCount = Request.GetAttemptCount();
        LastCancel = Request.GetCancel();
        LastPassword = Request.GetPassword();
        if (Request.GetCancel()) return;
        if (Request.GetPassword() == u"secret") break;
      }
    }
    FIsLoaded = true;
  }
  int32_t FPages = 1;
};

// Copies page numbers; saves one output for the document (".fdw"), one per
// page (".tif", as a per-page image writer does), fails halfway through
// writing (".fail"), or writes nothing (".none").
class TFakeWriter : public TvnBaseDocument {
 public:
  TFakeWriter() { ++GLiveWriters; }
  ~TFakeWriter() override { --GLiveWriters; }
  static TvnEngineCapabilities GetEngineCapabilities() { return {TvnEngineCapability::ecSave}; }
  void Assign(TvnBaseDocument* Source, const String& PageRange) override {
    for (int32_t Page : ParsePageRange(PageRange, Source->GetPageCount())) {
      DoBeginAssignPage(Page);
      FPages.push_back(Page);
      DoEndAssignPage(Page, GetPageCount());
    }
  }
  int32_t GetPageCount() override { return static_cast<int32_t>(FPages.size()); }
  bool Save() override {
    RequestOutputTarget(TvnOutputItem::oiDocument, 1, GetPageCount());
    std::string Text = "pages";
    for (int32_t P : FPages) Text += " " + std::to_string(P);
    Write(Text);
    return true;
  }

 protected:
  void Write(const std::string& Text) {
    if (StreamOutput) {
      OutStream->WriteString(Text);
    } else {
      vn::WriteFileBytes(fs::path(U8(OutFilePath)), Text);
    }
  }
  std::vector<int32_t> FPages;
};

class TFakePageWriter : public TFakeWriter {
 public:
  bool Save() override {
    for (int32_t I = 1; I <= GetPageCount(); ++I) {
      RequestOutputTarget(TvnOutputItem::oiPage, I, GetPageCount());
      Write("page " + std::to_string(FPages[I - 1]));
    }
    return true;
  }
};

class TFailingWriter : public TFakeWriter {
 public:
  bool Save() override {
    RequestOutputTarget(TvnOutputItem::oiDocument, 1, GetPageCount());
    Write("half a fi");
    throw vn::EWriteError("Stream write error");
  }
};

class TSilentWriter : public TFakeWriter {
 public:
  bool Save() override {
    RequestOutputTarget(TvnOutputItem::oiDocument, 1, GetPageCount());
    return false;
  }
};

// A scripted password prompt: answers in turn, then keeps the last answer;
// an answer of nullopt cancels the prompt.
class TScriptedPrompt : public IvnPasswordDialog {
 public:
  explicit TScriptedPrompt(std::vector<std::optional<String>> Answers) : FAnswers(std::move(Answers)) {}
  bool Execute(const String& ACaption, String& APassword) override {
    Captions.push_back(ACaption);
    const std::optional<String>& A = FAnswers[std::min(Captions.size(), FAnswers.size()) - 1];
    if (!A) return false;
    APassword = *A;
    return true;
  }
  std::vector<String> Captions;

 private:
  std::vector<std::optional<String>> FAnswers;
};

class ConverterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TvnKELMFramework& R = CreateDocumentFramework();
    R.RegisterDocument(DocumentClassOf<TFakeReader>(), u".fkr", u"Fake input");
    R.RegisterDocument(DocumentClassOf<TFakeReader>(), u".pdf", u"Fake PDF input");
    R.RegisterDocument(DocumentClassOf<TFakeWriter>(), u".fdw", u"Fake document output");
    R.RegisterDocument(DocumentClassOf<TFakePageWriter>(), u".tif", u"Fake page output");
    R.RegisterDocument(DocumentClassOf<TFailingWriter>(), u".fail", u"Failing output");
    R.RegisterDocument(DocumentClassOf<TSilentWriter>(), u".none", u"Silent output");
    Dir = fs::temp_directory_path() / ("vn_converter_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    Out = vn::FromUtf8((Dir / "out").string());
    Record(C);
  }
  void TearDown() override {
    // The converter frees what it holds (a merged writer stays until then).
    Converter.reset();
    FreeDocumentFramework();
    fs::remove_all(Dir);
    EXPECT_EQ(GLiveReaders, 0);
    EXPECT_EQ(GLiveWriters, 0);
  }

  // Logs every converter event into Log, one line each.
  void Record(TvnDocumentConverter& Conv) {
    auto Input = [](TvnConverterDocumentInfo* D) {
      return D == nullptr ? std::string("?")
                          : fs::path(U8(D->GetFileName())).filename().string() + "#" +
                                std::to_string(D->GetInputIndex()) + " pages=" + std::to_string(D->GetPageCount());
    };
    Conv.OnBeginJob = [this](TObject*, TvnBeginJobEventArgs& A) {
      Log.push_back("BeginJob inputs=" + std::to_string(A.GetJobInfo()->GetInputDocumentCount()));
      A.SetCancel(CancelAt == "BeginJob");
    };
    Conv.OnBeginInputDocument = [this, Input](TObject*, TvnBeginInputDocumentEventArgs& A) {
      Log.push_back("BeginInput " + Input(A.GetInputDocument()));
      A.SetCancel(CancelAt == "BeginInput " + Input(A.GetInputDocument()));
    };
    Conv.OnBeginPage = [this](TObject*, TvnBeginpageEventArgs& A) {
      Log.push_back("BeginPage " + std::to_string(A.GetInputPageNumber()));
    };
    Conv.OnEndPage = [this](TObject*, TvnEndPageEventArgs& A) {
      Log.push_back("EndPage " + std::to_string(A.GetInputPageNumber()) + "->" +
                    std::to_string(A.GetOutputPageNumber()));
    };
    Conv.OnEndInputDocument = [this](TObject*, TvnEndInputDocumentEventArgs& A) {
      Log.push_back("EndInput pages=" + std::to_string(A.GetOutputPageCount()));
      A.SetCancel(CancelAt == "EndInput");
    };
    Conv.OnEndJob = [this](TObject*, TvnEndJobEventArgs& A) {
      const TvnConverterJobInfo& J = *A.GetJobInfo();
      std::string Line = "EndJob outputs=" + std::to_string(J.GetOutputDocumentCount());
      if (const vn::TStringList* L = J.GetOutputFilePathList())
        for (int I = 0; I < L->Count(); ++I) Line += " " + fs::path(U8((*L)[I])).filename().string();
      Log.push_back(Line);
    };
  }

  std::vector<std::string> Names(const vn::TStringList* L) {
    std::vector<std::string> Result;
    if (L)
      for (int I = 0; I < L->Count(); ++I) Result.push_back(U8((*L)[I]));
    return Result;
  }
  std::string OutFile(const std::string& Name) { return (Dir / "out" / Name).string(); }
  std::string Read(const std::string& Path) { return vn::ReadFileBytes(Path); }

  fs::path Dir;
  String Out;
  std::unique_ptr<TvnDocumentConverter> Converter = std::make_unique<TvnDocumentConverter>();
  TvnDocumentConverter& C = *Converter;
  std::vector<std::string> Log;
  std::string CancelAt;
};

using Lines = std::vector<std::string>;

TEST_F(ConverterTest, OneInputToOneOutput) {
  auto Result = C.ConvertToFile(u"/in/a2.fkr", u".fdw", Out, u"", u"", nullptr);
  EXPECT_EQ(Names(Result.get()), Lines{OutFile("a2.fdw")});
  EXPECT_EQ(Read(OutFile("a2.fdw")), "pages 1 2");
  EXPECT_EQ(Log, (Lines{"BeginJob inputs=1", "BeginInput a2.fkr#0 pages=2", "BeginPage 1", "EndPage 1->1",
                        "BeginPage 2", "EndPage 2->2", "EndInput pages=2", "EndJob outputs=1 a2.fdw"}));
}

TEST_F(ConverterTest, PageRangeAndPerPageNames) {
  auto Result = C.ConvertToFile(u"/in/a3.fkr", u".tif", Out, u"base", u"3,1", nullptr);
  EXPECT_EQ(Names(Result.get()), (Lines{OutFile("base_1.tif"), OutFile("base_2.tif")}));
  EXPECT_EQ(Read(OutFile("base_1.tif")), "page 3");
  EXPECT_EQ(Read(OutFile("base_2.tif")), "page 1");
  EXPECT_EQ(Log, (Lines{"BeginJob inputs=1", "BeginInput a3.fkr#0 pages=3", "BeginPage 3", "EndPage 3->1",
                        "BeginPage 1", "EndPage 1->2", "EndInput pages=2", "EndJob outputs=2 base_1.tif base_2.tif"}));
  // A range the input does not have raises the page-range error; nothing is
  // written and nothing is left allocated.
  Log.clear();
  try {
    C.ConvertToFile(u"/in/b3.fkr", u".fdw", Out, u"", u"4", nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const vn::ExInvalidPageError& E) {
    EXPECT_STREQ(E.what(), "Invalid page range");
  }
  EXPECT_FALSE(fs::exists(OutFile("b3.fdw")));
}

TEST_F(ConverterTest, ListJobsMergeOrNot) {
  vn::TStringList Inputs;
  Inputs.Add(u"/in/a1.fkr");
  Inputs.Add(u"/in/b2.fkr");
  auto Result = C.ConvertToFile(Inputs, u".fdw", Out, u"", false, nullptr);
  EXPECT_EQ(Names(Result.get()), (Lines{OutFile("a1.fdw"), OutFile("b2.fdw")}));
  EXPECT_EQ(Log, (Lines{"BeginJob inputs=2", "BeginInput a1.fkr#0 pages=1", "BeginPage 1", "EndPage 1->1",
                        "EndInput pages=1", "BeginInput b2.fkr#1 pages=2", "BeginPage 1", "EndPage 1->1",
                        "BeginPage 2", "EndPage 2->2", "EndInput pages=2", "EndJob outputs=2 a1.fdw b2.fdw"}));

  // Merged: the output pages count on from input to input; one output,
  // saved after the last input and named after it.
  Log.clear();
  fs::remove_all(Dir / "out");
  Result = C.ConvertToFile(Inputs, u".fdw", Out, u"", true, nullptr);
  EXPECT_EQ(Names(Result.get()), Lines{OutFile("b2.fdw")});
  EXPECT_EQ(Read(OutFile("b2.fdw")), "pages 1 1 2");
  EXPECT_FALSE(fs::exists(OutFile("a1.fdw")));
  EXPECT_EQ(Log, (Lines{"BeginJob inputs=2", "BeginInput a1.fkr#0 pages=1", "BeginPage 1", "EndPage 1->1",
                        "EndInput pages=1", "BeginInput b2.fkr#1 pages=2", "BeginPage 1", "EndPage 1->2",
                        "BeginPage 2", "EndPage 2->3", "EndInput pages=3", "EndJob outputs=1 b2.fdw"}));
}

TEST_F(ConverterTest, InputWithoutReaderInTheMiddleIsSkipped) {
  vn::TStringList Inputs;
  Inputs.Add(u"/in/a1.fkr");
  Inputs.Add(u"/in/x.unknown");
  Inputs.Add(u"/in/c1.fkr");
  auto Result = C.ConvertToFile(Inputs, u".fdw", Out, u"", false, nullptr);
  EXPECT_EQ(Names(Result.get()), (Lines{OutFile("a1.fdw"), OutFile("c1.fdw")}));
  EXPECT_EQ(Log, (Lines{"BeginJob inputs=3", "BeginInput a1.fkr#0 pages=1", "BeginPage 1", "EndPage 1->1",
                        "EndInput pages=1", "BeginInput c1.fkr#2 pages=1", "BeginPage 1", "EndPage 1->1",
                        "EndInput pages=1", "EndJob outputs=2 a1.fdw c1.fdw"}));
  // An output format without a writer, or with a class that only opens:
  // every input is read, nothing written.
  for (const char16_t* Format : {u".nowriter", u".fkr"}) {
    Log.clear();
    Result = C.ConvertToFile(Inputs, Format, Out, u"", false, nullptr);
    EXPECT_EQ(Result, nullptr);
    EXPECT_EQ(Log, (Lines{"BeginJob inputs=3", "BeginInput a1.fkr#0 pages=1", "BeginInput c1.fkr#2 pages=1",
                          "EndJob outputs=0"}));
  }
}

TEST_F(ConverterTest, MergingOnlyInputsWithoutReaderWritesNothing) {
  vn::TStringList Inputs;
  Inputs.Add(u"/in/x.unknown");
  Inputs.Add(u"/in/y.unknown");
  auto Result = C.ConvertToFile(Inputs, u".fdw", Out, u"", true, nullptr);
  EXPECT_EQ(Result, nullptr);
  EXPECT_FALSE(fs::exists(OutFile("y.fdw")));
  EXPECT_EQ(Log, (Lines{"BeginJob inputs=2", "EndJob outputs=0"}));
}

TEST_F(ConverterTest, CancelAtBeginJobEndsTheJobAtOnce) {
  CancelAt = "BeginJob";
  EXPECT_EQ(C.ConvertToFile(u"/in/a1.fkr", u".fdw", Out, u"", u"", nullptr), nullptr);
  vn::TStringList Inputs;
  Inputs.Add(u"/in/a1.fkr");
  EXPECT_EQ(C.ConvertToFile(Inputs, u".fdw", Out, u"", true, nullptr), nullptr);
  EXPECT_EQ(Log, (Lines{"BeginJob inputs=1", "BeginJob inputs=1"}));
  EXPECT_FALSE(fs::exists(Dir / "out"));

  // The cancellation belongs to that job: a later job without a begin
  // handler runs.
  C.OnBeginJob = nullptr;
  Log.clear();
  auto Result = C.ConvertToFile(u"/in/a1.fkr", u".fdw", Out, u"", u"", nullptr);
  EXPECT_EQ(Names(Result.get()), Lines{OutFile("a1.fdw")});
}

TEST_F(ConverterTest, CancelAtAnInputSkipsThatInputOnly) {
  CancelAt = "BeginInput b1.fkr#1 pages=1";
  vn::TStringList Inputs;
  Inputs.Add(u"/in/a1.fkr");
  Inputs.Add(u"/in/b1.fkr");
  Inputs.Add(u"/in/c1.fkr");
  auto Result = C.ConvertToFile(Inputs, u".fdw", Out, u"", true, nullptr);
  EXPECT_EQ(Names(Result.get()), Lines{OutFile("c1.fdw")});
  EXPECT_EQ(Read(OutFile("c1.fdw")), "pages 1 1");
  EXPECT_EQ(Log, (Lines{"BeginJob inputs=3", "BeginInput a1.fkr#0 pages=1", "BeginPage 1", "EndPage 1->1",
                        "EndInput pages=1", "BeginInput b1.fkr#1 pages=1", "BeginInput c1.fkr#2 pages=1",
                        "BeginPage 1", "EndPage 1->2", "EndInput pages=2", "EndJob outputs=1 c1.fdw"}));
}

TEST_F(ConverterTest, CancelAtEndInputEndsASingleJobWithoutItsEndEvent) {
  CancelAt = "EndInput";
  auto Result = C.ConvertToFile(u"/in/a1.fkr", u".fdw", Out, u"", u"", nullptr);
  EXPECT_EQ(Names(Result.get()), Lines{OutFile("a1.fdw")});
  EXPECT_EQ(Log.back(), "EndInput pages=1");
  // The writer went with the input (the fixture checks that no writer is
  // left when the converter ends, here already now).
  EXPECT_EQ(GLiveWriters, 0);
}

TEST_F(ConverterTest, PasswordPromptWithThreeAttempts) {
  TScriptedPrompt Prompt({u"wrong"});
  C.SetPasswordDialog(&Prompt);
  auto Result = C.ConvertToFile(u"/in/locked.fkr", u".fdw", Out, u"", u"", nullptr);
  // The third answer comes back with the typed password and Cancel set; the
  // reader stops, and the input it could not open is not converted.
  EXPECT_EQ(Prompt.Captions, (std::vector<String>(3, u"Password for - /in/locked.fkr")));
  EXPECT_EQ(TFakeReader::LastAttemptCount, 3);
  EXPECT_TRUE(TFakeReader::LastCancel);
  EXPECT_EQ(TFakeReader::LastPassword, u"wrong");
  EXPECT_EQ(Result, nullptr);
  EXPECT_EQ(Log, Lines{"BeginJob inputs=1"});
  EXPECT_FALSE(fs::exists(Dir / "out"));
}

TEST_F(ConverterTest, PasswordPromptWithoutLimit) {
  C.GetPreferences()->GetPassword()->SetAllowedAttempts(0);
  TScriptedPrompt Prompt({u"a", u"b", u"c", u"d", u"e", u"secret"});
  C.SetPasswordDialog(&Prompt);
  auto Result = C.ConvertToFile(u"/in/locked2.fkr", u".fdw", Out, u"", u"", nullptr);
  EXPECT_EQ(Prompt.Captions.size(), 6u);
  EXPECT_FALSE(TFakeReader::LastCancel);
  EXPECT_EQ(Names(Result.get()), Lines{OutFile("locked2.fdw")});
}

TEST_F(ConverterTest, CancelledPromptSkipsTheInput) {
  TScriptedPrompt Prompt({std::nullopt});
  C.SetPasswordDialog(&Prompt);
  vn::TStringList Inputs;
  Inputs.Add(u"/in/locked.fkr");
  Inputs.Add(u"/in/b1.fkr");
  auto Result = C.ConvertToFile(Inputs, u".fdw", Out, u"", false, nullptr);
  EXPECT_EQ(Prompt.Captions.size(), 1u);
  EXPECT_EQ(Names(Result.get()), Lines{OutFile("b1.fdw")});
  EXPECT_EQ(Log.front(), "BeginJob inputs=2");
  EXPECT_EQ(Log[1], "BeginInput b1.fkr#1 pages=1");
}

TEST_F(ConverterTest, PasswordHandlerAndNobodyToAsk) {
  // Without a handler or a prompt nobody can answer: the request comes back
  // cancelled at once instead of the reader asking for ever.
  auto Result = C.ConvertToFile(u"/in/locked.fkr", u".fdw", Out, u"", u"", nullptr);
  EXPECT_EQ(Result, nullptr);
  EXPECT_EQ(TFakeReader::LastAttemptCount, 1);
  EXPECT_TRUE(TFakeReader::LastCancel);

  std::vector<int32_t> Attempts;
  C.OnNeedPassword = [&](TObject* Sender, TvnNeedPasswordConverterEventArgs& A) {
    EXPECT_NE(dynamic_cast<TFakeReader*>(Sender), nullptr);
    EXPECT_EQ(A.GetDocumentInfo()->GetFileName(), u"/in/locked.fkr");
    // From the preferences: what the handler said the time before.
    EXPECT_EQ(A.GetForceFullPermission(), A.GetAttemptCount() > 1);
    Attempts.push_back(A.GetAttemptCount());
    A.SetPassword(A.GetAttemptCount() == 2 ? u"secret" : u"guess");
    A.SetForceFullPermission(true);
  };
  Result = C.ConvertToFile(u"/in/locked.fkr", u".fdw", Out, u"", u"", nullptr);
  EXPECT_EQ(Attempts, (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(Names(Result.get()), Lines{OutFile("locked.fdw")});
  EXPECT_TRUE(C.GetPreferences()->GetPassword()->GetForceFullPermission());
}

TEST_F(ConverterTest, ReaderFailingMidListLeavesNothingAllocated) {
  vn::TStringList Inputs;
  Inputs.Add(u"/in/a1.fkr");
  Inputs.Add(u"/in/bad.fkr");
  Inputs.Add(u"/in/c1.fkr");
  for (bool Merge : {false, true}) {
    SCOPED_TRACE(Merge);
    Log.clear();
    EXPECT_THROW(C.ConvertToFile(Inputs, u".fdw", Out, u"", Merge, nullptr), vn::EReadError);
    EXPECT_EQ(GLiveReaders, 0);
    EXPECT_EQ(Log.back(), "EndInput pages=1");
  }
  // The converter is ready for the next job.
  Log.clear();
  auto Result = C.ConvertToFile(u"/in/d1.fkr", u".fdw", Out, u"", u"", nullptr);
  EXPECT_EQ(Names(Result.get()), Lines{OutFile("d1.fdw")});
  EXPECT_EQ(Log.back(), "EndJob outputs=1 d1.fdw");
}

TEST_F(ConverterTest, FailedSaveLeavesNoOutputBehind) {
  EXPECT_THROW(C.ConvertToFile(u"/in/a1.fkr", u".fail", Out, u"", u"", nullptr), vn::EWriteError);
  EXPECT_FALSE(fs::exists(OutFile("a1.fail")));
  // A file that was there before the job is not the job's to remove.
  vn::WriteFileBytes(OutFile("a1.fail"), "kept");
  EXPECT_THROW(C.ConvertToFile(u"/in/a1.fkr", u".fail", Out, u"", u"", nullptr), vn::EWriteError);
  EXPECT_TRUE(fs::exists(OutFile("a1.fail")));
  // A writer that writes nothing gives no output name.
  Log.clear();
  EXPECT_EQ(C.ConvertToFile(u"/in/a1.fkr", u".none", Out, u"", u"", nullptr), nullptr);
  EXPECT_EQ(Log.back(), "EndJob outputs=0");
}

TEST_F(ConverterTest, OutputNamesFolderAndHostNames) {
  // A folder given with a trailing separator gives one separator; missing
  // folders are made.
  const String Nested = vn::FromUtf8((Dir / "x" / "y").string() + "/");
  auto Result = C.ConvertToFile(u"/in/a1.fkr", u".fdw", Nested, u"", u"", nullptr);
  EXPECT_EQ(Names(Result.get()), Lines{(Dir / "x" / "y" / "a1.fdw").string()});
  EXPECT_TRUE(fs::exists(Dir / "x" / "y" / "a1.fdw"));

  // A name the host gives is used as it stands; no folder is made.
  const std::string HostName = (Dir / "chosen.bin").string();
  C.OnOutputReady = [&](TObject*, TvnOutputReadyEventArgs& A) {
    EXPECT_EQ(A.GetOutputItem(), TvnOutputItem::oiDocument);
    EXPECT_EQ(A.GetPageNumber(), 1);
    A.SetFileName(vn::FromUtf8(HostName));
  };
  Result = C.ConvertToFile(u"/in/a1.fkr", u".fdw", vn::FromUtf8((Dir / "never").string()), u"", u"", nullptr);
  EXPECT_EQ(Names(Result.get()), Lines{HostName});
  EXPECT_EQ(Read(HostName), "pages 1");
  EXPECT_FALSE(fs::exists(Dir / "never"));
}

TEST_F(ConverterTest, StreamInputsAndOutputs) {
  vn::SetClock([] { return vn::EncodeDateTime(2026, 3, 4, 13, 5, 9, 0); }, [](vn::TDateTime) { return 0; });
  // Streams are recognised by their leading bytes (the fake reader stands
  // for ".pdf").
  vn::TStringStream A("%PDF two pages: 2"), B("%PDF one page");
  // Stream input to a file: a base name that file names can hold.
  auto Names1 = C.ConvertToFile(&A, u".fdw", Out, u"", u"", nullptr);
  EXPECT_EQ(Names(Names1.get()), Lines{OutFile("conversion_130509.fdw")});
  // A list of streams: each output gets a name of its own.
  TvnInputStreamList Streams{&A, &B};
  auto Names2 = C.ConvertToFile(Streams, u".fdw", Out, u"", false, nullptr);
  EXPECT_EQ(Names(Names2.get()), (Lines{OutFile("conversion_130509_1.fdw"), OutFile("conversion_130509_2.fdw")}));
  vn::ResetClock();

  // To streams: memory streams made by the converter, or the host's.
  auto Out1 = C.ConvertToStream(&A, u".tif", u"", nullptr);
  ASSERT_NE(Out1, nullptr);
  ASSERT_EQ(Out1->size(), 2u);
  EXPECT_EQ(static_cast<vn::TMemoryStream&>(*(*Out1)[1]).View(), "page 2");
  auto* HostStream = new vn::TStringStream();
  C.OnOutputReady = [&](TObject*, TvnOutputReadyEventArgs& Args) {
    Args.SetStream(std::unique_ptr<vn::TStream>(HostStream));
  };
  auto Out2 = C.ConvertToStream(Streams, u".fdw", true, nullptr);
  ASSERT_NE(Out2, nullptr);
  ASSERT_EQ(Out2->size(), 1u);
  EXPECT_EQ((*Out2)[0].get(), HostStream);
  EXPECT_EQ(HostStream->DataString(), "pages 1 2 1");
  EXPECT_EQ(Log.back(), "EndJob outputs=1");
}

}  // namespace

}  // namespace document_converter_test

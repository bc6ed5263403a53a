// fotarel-convert: converts documents from the command line through the
// document converter. It adds nothing to a conversion: it hands the inputs,
// the output format and folder, merging, the page range and a password to
// TvnDocumentConverter::ConvertToFile, prints the converter's progress
// events, and reports the outcome through its exit status:
//   0  every input was converted and every output written,
//   1  the job failed (the exception's message is printed) or an input was
//      not converted (a merged output that would lack it is not written),
//   2  the command line was wrong.
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "framework/document_converter.h"
#include "framework/format_registry.h"
#include "framework/page_model.h"
#include "library/library.h"
#include "runtime/exceptions.h"
#include "runtime/string_list.h"
#include "runtime/strings.h"

namespace {

using namespace vn::framework;
using vn::String;

constexpr const char* kUsage =
    "Usage: fotarel-convert [options] INPUT...\n"
    "Converts each INPUT (in the order given) into the output format.\n"
    "\n"
    "Options:\n"
    "  --to EXT        output format by extension, e.g. .pdf, .txt, .tif, .png (default .pdf)\n"
    "  --out DIR       output folder, made when missing (default: the current folder)\n"
    "  --merge         one output holding the pages of every input, named after the last input\n"
    "  --pages RANGE   pages to convert, e.g. \"1-3,5\" (one input only; default all pages)\n"
    "  --password P    password for protected inputs (tried once per input)\n"
    "  --help          show this text\n"
    "\n"
    "Outputs are named after their input: DIR/NAME.EXT, or DIR/NAME_N.EXT for a\n"
    "format that writes one file per page. Exit status: 0 when every input was\n"
    "converted and every output written, 1 when the conversion failed, 2 for a\n"
    "wrong command line.\n";

struct Options {
  std::vector<std::string> Inputs;
  std::string To = ".pdf";
  std::string OutDir;
  bool Merge = false;
  bool HasPages = false;
  std::string Pages;
  bool HasPassword = false;
  std::string Password;
};

int UsageError(const std::string& Message) {
  std::cerr << "fotarel-convert: " << Message << "\n" << kUsage;
  return 2;
}

std::string U8(const String& S) { return vn::ToUtf8(S); }
String U16(const std::string& S) { return vn::FromUtf8(S); }

int Run(const Options& O) {
  vn::InitializeLibrary();
  struct Finalize {
    ~Finalize() { vn::FinalizeLibrary(); }
  } FinalizeAtExit;

  TvnDocumentConverter Converter;
  const int Count = static_cast<int>(O.Inputs.size());
  std::vector<bool> Converted(O.Inputs.size(), false);

  Converter.OnBeginJob = [&](TObject*, TvnBeginJobEventArgs& A) {
    std::cout << "job: " << A.GetJobInfo()->GetInputDocumentCount() << " input(s) to " << O.To << "\n";
  };
  // The input being converted when it has no pages: resolving the page
  // range against it fails with "Invalid page range", which the user is
  // told comes from the document, not from a range.
  std::string EmptyInput;
  Converter.OnBeginInputDocument = [&](TObject*, TvnBeginInputDocumentEventArgs& A) {
    TvnConverterDocumentInfo& D = *A.GetInputDocument();
    EmptyInput = D.GetPageCount() == 0 ? U8(D.GetFileName()) : std::string();
    std::cout << "[" << D.GetInputIndex() + 1 << "/" << Count << "] " << U8(D.GetFileName()) << ": "
              << D.GetPageCount() << " page(s)\n";
  };
  Converter.OnEndPage = [&](TObject*, TvnEndPageEventArgs& A) {
    std::cout << "  page " << A.GetInputPageNumber() << " -> output page " << A.GetOutputPageNumber() << "\n";
  };
  Converter.OnEndInputDocument = [&](TObject*, TvnEndInputDocumentEventArgs& A) {
    TvnConverterDocumentInfo& D = *A.GetInputDocument();
    if (D.GetInputIndex() >= 0 && D.GetInputIndex() < Count) Converted[D.GetInputIndex()] = true;
    std::cout << "[" << D.GetInputIndex() + 1 << "/" << Count << "] done, " << A.GetOutputPageCount()
              << " output page(s)\n";
  };
  if (O.HasPassword) {
    // The password is tried once; a second request means it was refused.
    Converter.OnNeedPassword = [&](TObject*, TvnNeedPasswordConverterEventArgs& A) {
      if (A.GetAttemptCount() > 1) {
        A.SetCancel(true);
      } else {
        A.SetPassword(U16(O.Password));
      }
    };
  }

  // TIFF outputs hold every page of an output as frames of one file, as the
  // application writes them.
  std::unique_ptr<TvnEncoderParams> Params;
  const String To = vn::LowerCase(U16(O.To));
  if (To == u".tif" || To == u".tiff") {
    auto Tiff = std::make_unique<TvnTIFFEncoderParams>();
    Tiff->SetMultiPageTIFF(true);
    Params = std::move(Tiff);
  }

  // A merged output without the pages of an input is no result: it is
  // refused when it is about to be written (every input has been read by
  // then), so an earlier output of its name stays as it was.
  struct IncompleteMerge {};
  bool MergeRefused = false;
  if (O.Merge) {
    Converter.OnOutputReady = [&](TObject*, TvnOutputReadyEventArgs&) {
      if (std::find(Converted.begin(), Converted.end(), false) != Converted.end()) throw IncompleteMerge{};
    };
  }

  std::unique_ptr<vn::TStringList> Outputs;
  try {
    if (O.Inputs.size() == 1 && !O.Merge) {
      Outputs = Converter.ConvertToFile(U16(O.Inputs[0]), U16(O.To), U16(O.OutDir), u"", U16(O.Pages),
                                        Params.get());
    } else {
      vn::TStringList Inputs;
      for (const std::string& In : O.Inputs) Inputs.Add(U16(In));
      Outputs = Converter.ConvertToFile(Inputs, U16(O.To), U16(O.OutDir), u"", O.Merge, Params.get());
    }
  } catch (const IncompleteMerge&) {
    MergeRefused = true;  // reported below, after the inputs it lacks
  } catch (const vn::ExInvalidPageError& E) {
    if (EmptyInput.empty()) {
      std::cerr << "fotarel-convert: " << E.what() << "\n";
    } else {
      std::cerr << "fotarel-convert: " << EmptyInput << ": " << E.what() << " (the document has no pages)\n";
    }
    return 1;
  } catch (const std::exception& E) {
    std::cerr << "fotarel-convert: " << E.what() << "\n";
    return 1;
  }

  int Status = 0;
  TvnKELMFramework& Registry = *DocumentFramework();
  for (size_t I = 0; I < O.Inputs.size(); ++I) {
    if (Converted[I]) continue;
    std::string Why;
    if (Registry.LookupDocument(U16(O.Inputs[I])) == nullptr) {
      Why = "no reader is registered for this file type";
    } else if (TvnDocumentClass Writer = Registry.LookupDocument(u"TempFileName" + U16(O.To));
               Writer == nullptr || !Writer->EngineCapabilities.Contains(TvnEngineCapability::ecSave)) {
      Why = "no writer is registered for " + O.To;
    } else {
      Why = "it could not be opened (password?)";
    }
    std::cerr << "fotarel-convert: " << O.Inputs[I] << ": not converted: " << Why << "\n";
    Status = 1;
  }
  if (MergeRefused) {
    std::cerr << "fotarel-convert: the merged output is not written, an input is missing from it\n";
    return 1;
  }
  if (!Outputs || Outputs->Count() == 0) {
    std::cerr << "fotarel-convert: no output was written\n";
    return 1;
  }
  for (int I = 0; I < Outputs->Count(); ++I) {
    const std::string Name = U8((*Outputs)[I]);
    std::error_code Ignored;
    if (std::filesystem::is_regular_file(Name, Ignored)) {
      std::cout << "written: " << Name << "\n";
    } else {
      std::cerr << "fotarel-convert: " << Name << ": not written\n";
      Status = 1;
    }
  }
  return Status;
}

}  // namespace

int main(int argc, char** argv) {
  // Every page allocates and frees buffers of several megabytes (file
  // bytes, pixels, metafiles). Kept in the heap instead of being mapped and
  // handed back to the system each time, they are reused rather than
  // faulted in afresh; the peak stays that of one page. Pictures decoded
  // ahead on worker threads are freed by the main thread: one heap for all
  // threads lets those buffers be reused too, where per-thread heaps would
  // each keep their own.
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 128 << 20);
  mallopt(M_ARENA_MAX, 1);
  Options O;
  for (int I = 1; I < argc; ++I) {
    const std::string Arg = argv[I];
    auto Value = [&](std::string& Into) {
      if (I + 1 >= argc) return false;
      Into = argv[++I];
      return true;
    };
    if (Arg == "--help" || Arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (Arg == "--to") {
      if (!Value(O.To) || O.To.empty()) return UsageError("--to needs an extension");
      if (O.To[0] != '.') O.To.insert(0, ".");
    } else if (Arg == "--out") {
      if (!Value(O.OutDir)) return UsageError("--out needs a folder");
    } else if (Arg == "--merge") {
      O.Merge = true;
    } else if (Arg == "--pages") {
      if (!Value(O.Pages)) return UsageError("--pages needs a range");
      O.HasPages = true;
    } else if (Arg == "--password") {
      if (!Value(O.Password)) return UsageError("--password needs a value");
      O.HasPassword = true;
    } else if (Arg == "--") {
      for (++I; I < argc; ++I) O.Inputs.push_back(argv[I]);
    } else if (Arg.size() > 1 && Arg[0] == '-') {
      return UsageError("unknown option " + Arg);
    } else {
      O.Inputs.push_back(Arg);
    }
  }
  if (O.Inputs.empty()) return UsageError("no input given");
  // A conversion of several inputs converts all their pages.
  if (O.HasPages && (O.Inputs.size() > 1 || O.Merge)) return UsageError("--pages needs a single input");
  return Run(O);
}

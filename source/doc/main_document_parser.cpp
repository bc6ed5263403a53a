#include "doc/main_document_parser.h"

#include <algorithm>
#include <string>

#include "doc/document_properties.h"
#include "doc/paragraph_builder.h"
#include "doc/property_modifiers.h"
#include "runtime/codepages.h"

namespace vn::doc {

TvnDOCMainDocumentParser::TvnDOCMainDocumentParser(TvnDOCPackage* APackage,
                                                   vn::wordmodel::TvnDocumentMediator* AMediator,
                                                   Diagnostics* ADiagnostics)
    : FPackage(APackage), FMediator(AMediator), FDiagnostics(ADiagnostics) {}

TvnDOCMainDocumentParser::~TvnDOCMainDocumentParser() = default;

TvnDocParagraphBuilder& TvnDOCMainDocumentParser::ParagraphBuilder() {
  if (!FBuilder) {
    FBuilder = std::make_unique<TvnDocParagraphBuilder>(FPackage, FMediator, FListNumbering.get());
    FBuilder->SetObjectMaker([this](char16_t c, int64_t p, const auto& props) { return MakeObject(c, p, props); });
  }
  return *FBuilder;
}

vn::wordmodel::TvnItemList TvnDOCMainDocumentParser::BuildParagraphs(const String& AStoryName, int64_t AEnd,
                                                                     int64_t AStart) {
  const TvnDocStory* story = Story(AStoryName);
  if (story == nullptr) return {};
  FBuildingStory = story;
  vn::wordmodel::TvnItemList items = ParagraphBuilder().BuildParagraphs(*story, AEnd, AStart);
  FBuildingStory = nullptr;
  return items;
}

vn::wordmodel::TvnItemList TvnDOCMainDocumentParser::MakeObject(
    char16_t ACharacter, int64_t APosition, const std::shared_ptr<vn::wordmodel::TvnRunProperties>& AProperties) {
  namespace wm = vn::wordmodel;
  wm::TvnItemList items;
  wm::TvnResourceCollection* collection = FMediator != nullptr ? FMediator->GetResourceCollection() : nullptr;
  if (ACharacter == 1) {
    // A picture character: its picture lies in the Data stream.
    const auto offset = static_cast<int64_t>(DocSpecificOf(*AProperties).GetLocationOffset());
    auto image = FShapes.InlinePicture(FPackage->OLESSRoot()->FDataStream.Bytes(), offset, collection);
    if (image) items.push_back(std::move(image));
    return items;
  }
  // Drawn objects are anchored in the main story only.
  if (FBuildingStory != &FStories[0]) return items;
  if (auto image = FShapes.FloatingPicture(APosition, collection)) {
    items.push_back(std::move(image));
    return items;
  }
  const TvnFTXBXS* range = nullptr;
  auto box = FShapes.FloatingTextBox(APosition, &range);
  if (!box) return items;
  if (!FTextBoxBuilder) {
    // Pictures inside a text box are inline ones; its drawn-object
    // characters have no anchors of the main story.
    FTextBoxBuilder = std::make_unique<TvnDocParagraphBuilder>(FPackage, FMediator, FListNumbering.get());
    FTextBoxBuilder->SetObjectMaker([this](char16_t c, int64_t p, const auto& props) {
      return c == 1 ? MakeObject(c, p, props) : wm::TvnItemList{};
    });
  }
  for (auto& item : FTextBoxBuilder->BuildParagraphs(FStories[5], range->FCpEnd, range->FCpStart)) box->Add(std::move(item));
  items.push_back(std::move(box));
  return items;
}

std::vector<vn::wordmodel::TvnDocItem*> TvnDOCMainDocumentParser::GetEnumerator() {
  if (!FBuilt) {
    FBuilt = true;
    FList = BuildParagraphs(StoryNames()[0], static_cast<int64_t>(MainStory().FText.size()), 0);
  }
  std::vector<vn::wordmodel::TvnDocItem*> items;
  items.reserve(FList.size());
  for (const auto& item : FList) items.push_back(item.get());
  return items;
}

const std::array<String, TvnDOCMainDocumentParser::kStoryCount>& TvnDOCMainDocumentParser::StoryNames() {
  static const std::array<String, kStoryCount> names = {u"MainDocument", u"FootNote", u"Header",      u"Annotations",
                                                        u"EndNote",      u"TextBox",  u"HeaderTextBox"};
  return names;
}

const TvnDocStory* TvnDOCMainDocumentParser::Story(const String& AName) const {
  const auto& names = StoryNames();
  for (size_t i = 0; i < kStoryCount; ++i)
    if (names[i] == AName) return &FStories[i];
  return nullptr;
}

void TvnDOCMainDocumentParser::Initialize() {
  TvnOLESSRoot& root = *FPackage->OLESSRoot();
  TvnFIBBase& fib = *FPackage->FIBBase();
  const auto table = std::span<const uint8_t>(root.FTableStream.Bytes());
  const auto word = std::span<const uint8_t>(root.FWordDocumentStream.Bytes());
  FDocumentInfo = ReadDocumentProperties(root.FSummaryInformationStream.Bytes(),
                                         root.FDocumentSummaryInformationStream.Bytes());
  if (FMediator) FMediator->SetEvenOddHeaders(ReadDocumentOptions(table, fib));
  FPieces = ReadPieceTable(table, static_cast<int64_t>(word.size()), fib, FDiagnostics);
  ReadParagraphRuns(table, word, fib, FDiskPages, FDiagnostics);
  ReadCharacterRuns(table, word, fib, FDiskPages, FDiagnostics);
  // Runs are placed by byte ranges: keep each list in byte order.
  const auto by_start = [](const auto& a, const auto& b) { return a.FCP < b.FCP; };
  std::stable_sort(FDiskPages.FParagraphs.begin(), FDiskPages.FParagraphs.end(), by_start);
  std::stable_sort(FDiskPages.FCharacters.begin(), FDiskPages.FCharacters.end(), by_start);
  ReadStories();
  FListNumbering = std::make_unique<TvnDocListNumbering>(table, fib, *FPackage->HelperFunctions(), FDiagnostics);
  if (FBuilder) FBuilder->SetListNumbering(FListNumbering.get());
  if (fib.FlcbPlcSpaMom != 0) FShapes.ReadShapeAnchors(table, fib, fib.TotalCharacterCount());
  if (fib.FlcbPlcftxbxTxt != 0) FShapes.ReadTextBoxes(table, fib);
  if (fib.FlcbDggInfo != 0) FShapes.ReadOfficeArt(table, word, fib);
  ReadHeaderPositions();
}

void TvnDOCMainDocumentParser::ReadStories() {
  const TvnFIBBase& fib = *FPackage->FIBBase();
  const uint32_t counts[kStoryCount] = {fib.FccpText, fib.FccpFtn, fib.FccpHdd, fib.FccpAtn,
                                        fib.FccpEdn,  fib.FccpTxbx, fib.FccpHdrTxbx};
  int64_t start = 0;
  for (size_t i = 0; i < kStoryCount; ++i) {
    const int64_t end = start + counts[i];
    ReadStory(FStories[i], start, end);
    start = end;
  }
}

void TvnDOCMainDocumentParser::ReadStory(TvnDocStory& AStory, int64_t AStart, int64_t AEnd) {
  const auto& cps = FPieces.FUnicodeCharactersBoundaries;
  if (AStart >= AEnd) return;
  const int64_t text_end = cps.empty() ? 0 : cps.back();
  if (AEnd > text_end) {
    ReportTo(FDiagnostics, {.offset = static_cast<uint64_t>(AStart),
                            .message = "a story reaches past the piece table (" + std::to_string(AEnd) + " > " +
                                       std::to_string(text_end) + ")"});
    AEnd = text_end;
  }
  const auto& word = FPackage->OLESSRoot()->FWordDocumentStream.Bytes();
  const auto word_size = static_cast<int64_t>(word.size());
  // The characters, piece by piece; the story's text ends where a piece's
  // text leaves the WordDocument stream.
  int64_t read_end = AStart;
  for (size_t p = 0; p + 1 < cps.size() && read_end == std::max(AStart, cps[p]) && read_end < AEnd; ++p) {
    const int64_t a = std::max(AStart, cps[p]);
    const int64_t b = std::min(AEnd, cps[p + 1]);
    if (a >= b) continue;
    const bool compressed = FPieces.FIsUnicode8Bits[p];
    const int64_t width = compressed ? 1 : 2;
    int64_t at = FPieces.TextOffsets[p] + (a - cps[p]) * width;
    for (int64_t cp = a; cp < b; ++cp, at += width) {
      if (at + width > word_size) {
        ReportTo(FDiagnostics, {.offset = static_cast<uint64_t>(at),
                                .message = "a story's text lies outside the WordDocument stream"});
        break;
      }
      const auto i = static_cast<size_t>(at);
      AStory.FText.push_back(compressed ? Cp1252ToUnicode(word[i])
                                        : static_cast<char16_t>(word[i] | (word[i + 1] << 8)));
      read_end = cp + 1;
    }
  }
  PlaceRuns(FDiskPages.FParagraphs, AStory.FParagraphs, AStart, read_end);
  PlaceRuns(FDiskPages.FCharacters, AStory.FCharacters, AStart, read_end);
}

template <typename Run>
void TvnDOCMainDocumentParser::PlaceRuns(const std::vector<Run>& AFileRuns, std::vector<Run>& AStoryRuns,
                                         int64_t AStart, int64_t AEnd) const {
  const auto& cps = FPieces.FUnicodeCharactersBoundaries;
  const auto emit = [&](Run run, int64_t from, int64_t to) {
    if (from >= to) return;
    run.FCP = from - AStart;
    run.FCPEnd = to - AStart;
    if (!AStoryRuns.empty()) {
      Run& last = AStoryRuns.back();
      bool same = last.FPRL == run.FPRL && last.FCPEnd == run.FCP;
      if constexpr (requires { run.FISTD; }) same = same && last.FISTD == run.FISTD;
      if (same) {
        last.FCPEnd = run.FCPEnd;
        return;
      }
    }
    AStoryRuns.push_back(std::move(run));
  };
  for (size_t p = 0; p + 1 < cps.size(); ++p) {
    const int64_t a = std::max(AStart, cps[p]);
    const int64_t b = std::min(AEnd, cps[p + 1]);
    if (a >= b) continue;
    const int64_t width = FPieces.FIsUnicode8Bits[p] ? 1 : 2;
    const int64_t fc0 = FPieces.TextOffsets[p] + (a - cps[p]) * width;
    const int64_t fc1 = fc0 + (b - a) * width;
    // The character position of a byte of this piece (a character begun
    // before the byte counts as the one before it).
    const auto cp_of = [&](int64_t fc) { return a + (std::clamp(fc, fc0, fc1) - fc0 + width - 1) / width; };
    auto it = std::partition_point(AFileRuns.begin(), AFileRuns.end(),
                                   [&](const Run& r) { return r.FCPEnd <= fc0; });
    int64_t covered = fc0;
    for (; it != AFileRuns.end() && it->FCP < fc1; ++it) {
      if (it->FCPEnd <= covered) continue;
      if (it->FCP > covered) emit(Run{}, cp_of(covered), cp_of(it->FCP));
      emit(*it, cp_of(std::max(it->FCP, covered)), cp_of(it->FCPEnd));
      covered = it->FCPEnd;
    }
    if (covered < fc1) emit(Run{}, cp_of(covered), b);
  }
}

}  // namespace vn::doc

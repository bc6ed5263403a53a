// TvnDOCMainDocumentParser: the main-document reader of a Word 97-2003
// document. Initialize reads the document properties, the document
// options, the piece table and the paragraph and character runs of the
// formatted disk pages, then splits the text into its seven stories, each
// with its text and its property runs at positions inside the story.
//
// A story is the run of character positions its FIB count gives, the
// stories following one another in the order of StoryNames. Each character
// is read where its piece says: one byte through Windows-1252 in a
// compressed piece, two bytes little-endian otherwise. A property run of
// the formatted disk pages covers a byte range; it is given to a story
// where that range meets the story's pieces, so text split over several
// pieces, or saved out of order, keeps its formatting.
//
// Damage is read leniently and reported: a story reaching past the piece
// table, or text lying outside the WordDocument stream, ends the story's
// text there; text no property run covers gets a run without properties.
//
// It also reads the list definitions and overrides (ListNumbering) and the
// drawing data (Shapes): the builder turns a picture character of any story
// into an inline picture, and a drawn-object character of the main story
// into the floating picture or text box anchored there, whose paragraphs
// come from the text-box story.
// GetEnumerator builds the main story's paragraphs and tables
// (TvnDocParagraphBuilder); Sections reads the section table, each
// section's properties and its headers and footers (built from the header
// story), and tells the builder where sections end; the stylesheet is read
// by TvnDOCStyleParser.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "doc/doc_package.h"
#include "doc/file_information_block.h"
#include "doc/formatted_disk_pages.h"
#include "doc/list_numbering.h"
#include "doc/shapes.h"
#include "runtime/diagnostics.h"
#include "wordmodel/document_mediator.h"
#include "wordmodel/section.h"
#include "wordmodel/word_document_info.h"
#include "wordmodel/word_parser.h"

namespace vn::doc {

// One story: its text and its property runs, positions inside the story.
struct TvnDocStory {
  String FText;
  std::vector<TvnDocParagraph> FParagraphs;
  std::vector<TvnDocCharacter> FCharacters;
};

class TvnDocParagraphBuilder;

class TvnDOCMainDocumentParser : public vn::wordmodel::TvnMainDocumentParser {
 public:
  static constexpr size_t kStoryCount = 7;
  // The stories in the order of the text.
  static const std::array<String, kStoryCount>& StoryNames();

  // The package and the mediator are borrowed; so is the diagnostics sink.
  TvnDOCMainDocumentParser(TvnDOCPackage* APackage, vn::wordmodel::TvnDocumentMediator* AMediator,
                           Diagnostics* ADiagnostics = nullptr);
  TvnDOCMainDocumentParser(const TvnDOCMainDocumentParser&) = delete;
  TvnDOCMainDocumentParser& operator=(const TvnDOCMainDocumentParser&) = delete;
  ~TvnDOCMainDocumentParser() override;

  // Reads the document; once per load.
  void Initialize();

  // The body items of the whole main story, built once (after Initialize)
  // and kept by the reader.
  std::vector<vn::wordmodel::TvnDocItem*> GetEnumerator() override;
  // The document's sections in order, read once (after Initialize) and
  // kept by the reader; one section with the model's defaults when the
  // document has no usable section table. Asked before GetEnumerator, so
  // that the paragraph ending each section but the last is marked.
  std::optional<std::vector<vn::wordmodel::TvnSection*>> Sections() override;
  // Hands over the body items of GetEnumerator and the sections (with
  // their headers and footers), so that they outlive the reader; the
  // reader keeps nothing of them.
  vn::wordmodel::TvnItemList TakeOwnedItems();
  // The section starts read by Sections, as main-story positions (entry 0
  // the start of the first section).
  const std::vector<int64_t>& SectionOffsets() const { return FSectionOffsets; }
  // The header story's positions of the header-and-footer table (empty
  // when the document has no header story).
  const std::vector<int64_t>& HeaderPositions() const { return FHeaders; }
  // The paragraphs and tables of the named story between story positions
  // AStart and AEnd, handed to the caller; nothing for another name.
  vn::wordmodel::TvnItemList BuildParagraphs(const String& AStoryName, int64_t AEnd, int64_t AStart);
  // The builder GetEnumerator and BuildParagraphs use, for the steps that
  // give it section ends and pictures.
  TvnDocParagraphBuilder& ParagraphBuilder();

  // The story of that name (StoryNames); null for another name.
  const TvnDocStory* Story(const String& AName) const;
  // The "MainDocument" story.
  const TvnDocStory& MainStory() const { return FStories[0]; }

  const vn::wordmodel::TvnWordDocumentInfo* DocumentInfo() const { return FDocumentInfo.get(); }
  const PieceTable& Pieces() const { return FPieces; }
  const TvnFormattedDiskPages& FormattedDiskPages() const { return FDiskPages; }
  // The list definitions and overrides with the load's label counters;
  // null before Initialize.
  TvnDocListNumbering* ListNumbering() const { return FListNumbering.get(); }
  // The shape anchors, text boxes, shape options and pictures read by
  // Initialize.
  const TvnDocShapes& Shapes() const { return FShapes; }

 private:
  void ReadStories();
  // The items a picture or drawn-object character stands for (the
  // builders' object maker).
  vn::wordmodel::TvnItemList MakeObject(char16_t ACharacter, int64_t APosition,
                                        const std::shared_ptr<vn::wordmodel::TvnRunProperties>& AProperties);
  void ReadHeaderPositions();
  void ReadSectionProperties(vn::wordmodel::TvnSection& ASection, TvnBinaryReader& AReader);
  void ReadHeadersFooters(vn::wordmodel::TvnSection& ASection, size_t AIndex);
  void ReadStory(TvnDocStory& AStory, int64_t AStart, int64_t AEnd);
  template <typename Run>
  void PlaceRuns(const std::vector<Run>& AFileRuns, std::vector<Run>& AStoryRuns, int64_t AStart, int64_t AEnd) const;

  TvnDOCPackage* FPackage;
  vn::wordmodel::TvnDocumentMediator* FMediator;
  Diagnostics* FDiagnostics;
  std::unique_ptr<vn::wordmodel::TvnWordDocumentInfo> FDocumentInfo;
  PieceTable FPieces;
  TvnFormattedDiskPages FDiskPages;
  std::array<TvnDocStory, kStoryCount> FStories;
  std::unique_ptr<TvnDocListNumbering> FListNumbering;
  std::unique_ptr<TvnDocParagraphBuilder> FBuilder;
  // Builds the text boxes' paragraphs, which are made while the main
  // builder is inside a paragraph of its own.
  std::unique_ptr<TvnDocParagraphBuilder> FTextBoxBuilder;
  // The story the main builder is building.
  const TvnDocStory* FBuildingStory = nullptr;
  TvnDocShapes FShapes;
  bool FBuilt = false;
  std::vector<int64_t> FSectionOffsets;
  std::vector<int64_t> FHeaders;
  std::vector<std::unique_ptr<vn::wordmodel::TvnSection>> FSections;
  // Per header or footer kind, the last section that had one of its own:
  // a later section without one shows copies of its items.
  std::array<const vn::wordmodel::TvnHeaderFooterElement*, 6> FPreviousSection{};
  bool FSectionsRead = false;
};

}  // namespace vn::doc

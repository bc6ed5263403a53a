// The dispatcher of the RTF reader: reads the tokens of TvnRTFTokenizer and
// builds the Word document model from them: the sections and the body
// paragraphs in document order, the font and colour tables, and the
// character formatting of every run.
//
// Groups keep their state on an explicit stack: entering a group saves the
// character formatting, the destination, the current font and the Unicode
// skip count, and leaving it restores them, whatever depth the file
// reaches (groups nested beyond kMaxRtfGroupDepth are skipped whole).
// Control words are looked up in three tables: destinations (which decide
// what the rest of their group is), control words, and destinations whose
// group is skipped. "{\*\name ...}" with a name no table holds is skipped
// too. Text arrives as bytes and is decoded with the code page of the
// current font's character set, or of the document ("\ansicpg"); "\uN"
// gives its character and skips the next N fallback characters ("\ucN").
//
// A field group becomes a field of the paragraph: its instruction is the
// text of "\fldinst" and its result the runs of "\fldrslt" (see
// rtf_fields.cpp).
// Paragraph and section words shape the paragraphs and sections; header,
// footer and text-box groups collect their own paragraphs; rows build
// tables with one row state per nesting level; pictures and shapes become
// images and text boxes of the paragraph; the information group fills the
// document information.
//
// Damaged input never stops the reading: unbalanced braces, parameters out
// of range or missing, and escapes cut off by the end of the input each
// read as far as they make sense.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "rtf/rtf_code_pages.h"
#include "runtime/codepages.h"
#include "rtf/rtf_tokenizer.h"
#include "wordmodel/document_mediator.h"
#include "wordmodel/fields.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/run_properties.h"
#include "wordmodel/section.h"
#include "wordmodel/table.h"
#include "wordmodel/word_document_info.h"

namespace vn::rtf {

using vn::String;
using vn::framework::TvnRGBColor;
using vn::wordmodel::TvnDocumentMediator;
using vn::wordmodel::TvnParagraph;
using vn::wordmodel::TvnParagraphProperties;
using vn::wordmodel::TvnRunProperties;
using vn::wordmodel::TvnSection;
using TvnDocItem = vn::framework::TvnDocItem;

// Most picture text kept (hexadecimal digits); the rest is dropped.
inline constexpr size_t kMaxRtfPictureText = size_t{256} << 20;

// A date and time as ISO text; empty when the parts make no calendar date.
String RtfDateText(int32_t AYear, int32_t AMonth, int32_t ADay, int32_t AHour, int32_t AMinute);

// Deepest table nesting read; "\itap" beyond it counts as this level.
inline constexpr int32_t kMaxRtfTableLevel = 64;
// The font size, in points, of text that no "\\fs" and no defaults reached.
inline constexpr int32_t kRtfDefaultFontSize = 12;

// The character of a "\u" word (negative values count from 65536; beyond
// 16 bits U+FFFD); nothing without a parameter.
std::optional<char16_t> RtfUnicodeCharacter(const TvnRTFElement& AElement);

// What the reader keeps of a paragraph beside the model's properties: whether
// it stands in a table cell, and at which nesting level (0 outside tables).
class TvnRTFSpecificProperties : public vn::framework::TObject {
 public:
  int32_t GetNestedLevel() const { return FNestedLevel; }
  void SetNestedLevel(int32_t Value) { FNestedLevel = Value; }
  bool GetInTable() const { return FInTable; }
  void SetInTable(bool Value) { FInTable = Value; }

 private:
  int32_t FNestedLevel = 0;
  bool FInTable = false;
};

// The row under construction at one table nesting level.
struct TvnRTFTableInfo {
  TvnRTFTableInfo();
  // The index of the cell whose content is being read.
  int32_t CurrentCell = 0;
  // The row, with a table-properties exception holding the row borders;
  // its cells are kept in RowCells until the row ends.
  std::unique_ptr<vn::wordmodel::TvnTableRow> Row;
  // The cells defined so far ("\cellx" and the cell properties before it).
  std::vector<std::unique_ptr<vn::wordmodel::TvnTableCell>> RowCells;
  // The content read for each cell index.
  std::vector<vn::wordmodel::TvnItemList> Cells;
  // The cell whose definition is being read.
  int32_t PropertyIndex = 0;
  // Cell padding in pixels, given to each cell as "\cellx" defines it.
  int32_t CellLeftMargin = 0;
  int32_t CellTopMargin = 0;
  int32_t CellRightMargin = 0;
  int32_t CellBottomMargin = 0;
};

// Deepest group nesting read; deeper groups are skipped with their content.
inline constexpr size_t kMaxRtfGroupDepth = 1024;

// A font of the font table.
struct TvnRTFFontEntry {
  String Name;
  int32_t Charset = 0;
  // The code page of "\cpgN", or 0 when the entry names none.
  int32_t CodePage = 0;
};

class TvnRTFTagHandler {
 public:
  // AMediator is the document's mediator (borrowed, may be null); it takes
  // the even-and-odd-headers switch of "\facingp".
  explicit TvnRTFTagHandler(TvnDocumentMediator* AMediator);
  ~TvnRTFTagHandler();
  TvnRTFTagHandler(const TvnRTFTagHandler&) = delete;
  TvnRTFTagHandler& operator=(const TvnRTFTagHandler&) = delete;

  // Reads the whole input of ATokenizer, then closes the last paragraph (when
  // it holds anything) and the last section (made from the document page
  // settings when the input set up none). Runs once per dispatcher.
  void StartParsing(TvnRTFTokenizer& ATokenizer);

  // A section with the document page size, margins and gutter, and the
  // mediator's even-and-odd-headers switch.
  std::unique_ptr<TvnSection> CreateSection() const;
  // Lays out equal-width columns of ASection: with more than one column,
  // each gets the available width div the count (the last one the
  // remainder too) and every column but the last the spacing (the
  // section's, or the document default 48 pixels when it sets none).
  void DistributeColumns(TvnSection& ASection) const;

  // The sections in order, and the body elements (paragraphs and tables) in
  // order; the
  // paragraph that ends a section carries ContainsSection. The dispatcher
  // keeps both.
  std::vector<TvnSection*> Sections() const;
  std::vector<TvnDocItem*> Elements() const;

  const std::map<int32_t, TvnRTFFontEntry>& GetFontTable() const { return FFontTable; }
  // By colour number; an entry left empty (the usual first one) is nothing.
  const std::vector<std::optional<TvnRGBColor>>& GetColorTable() const { return FColorTable; }
  // The document defaults of "\defchp"; null when the document has none.
  const std::shared_ptr<TvnRunProperties>& GetDefaultCharProperties() const { return FDefaultCharProperties; }
  // The document code page ("\ansicpg", 1252 when not given).
  int32_t GetCodePage() const { return FCodePage; }
  // The paragraph defaults of "\defpap"; null when the document has none.
  const std::shared_ptr<TvnParagraphProperties>& GetDefaultParaProperties() const { return FDefaultParaProperties; }
  // The document information of the "\info" group; null without one.
  const vn::wordmodel::TvnWordDocumentInfo* GetDocumentInfo() const { return FDocumentInfo.get(); }

 private:
  using ControlHandler = void (TvnRTFTagHandler::*)(const TvnRTFElement&);
  enum class Destination : uint8_t { Body, Skip, FontTable, ColorTable, DefaultChar, InfoText, Picture, Info };
  // What the end of a group finishes.
  enum class GroupEnd : uint8_t {
    None,
    DefaultPara,
    HeaderOdd,
    HeaderEven,
    HeaderFirst,
    FooterOdd,
    FooterEven,
    FooterFirst,
    Info,
    Picture,
    ShapePicture,
    Shape,
    TextBox,
    Date,
    Field,
    FieldInstruction,
    FieldResult,
    Note,
  };
  // The body set aside while a header, footer or text box is read.
  struct Collector {
    vn::wordmodel::TvnItemList Elements;
    std::unique_ptr<TvnParagraph> Paragraph;
    std::shared_ptr<TvnParagraphProperties> ParaProperties;
    std::map<int32_t, TvnRTFTableInfo> Tables;
    vn::wordmodel::TvnTable* Table = nullptr;
    int32_t TableLevel = -1;
    bool SectionHasContent = false;
  };
  struct GroupState {
    Destination Dest = Destination::Body;
    // Shared with the enclosing group until either changes it.
    std::shared_ptr<TvnRunProperties> Props;
    // The "\f" in force; -1 before any (the document default font applies).
    int32_t FontNumber = -1;
    int32_t UnicodeSkip = 1;
    // The last token was "\*".
    bool Ignorable = false;
    // A "\upr" group: its first inner group, the text for readers without
    // Unicode, is passed over; its "\ud" group, the same in Unicode, is read.
    bool SkipFirstInnerGroup = false;
    GroupEnd End = GroupEnd::None;
    // The destination word that opened an information, date or shape
    // property group.
    std::string InfoKey;
    // The group is the instruction or result of the innermost field.
    bool OwnsFieldPart = false;
  };
  struct ControlTables;
  static const ControlTables& Tables();

  GroupState& State() { return FStack.back(); }
  void OpenGroup();
  void CloseGroup();
  void HandleControl(const TvnRTFElement& AElement);
  void HandleDestination(Destination ADestination);
  void HandleText(std::string_view ABytes);
  void HandleFontTableControl(const TvnRTFElement& AElement);
  void HandleFontTableText(std::string_view ABytes);
  void StoreFontEntry();
  void HandleColorTableControl(const TvnRTFElement& AElement);
  void HandleColorTableText(std::string_view ABytes);

  // Character formatting (rtf_character_formatting.cpp).
  TvnRunProperties& MutableProps();
  int32_t CurrentCodePage() const;
  String FontNameOf(int32_t AFontNumber) const;
  // Decodes the pending text bytes into the pending text.
  void FlushBytes();
  // Makes a run of the pending text with the formatting in force.
  void FlushRun();
  void AppendRun(std::unique_ptr<TvnDocItem> AItem, bool ATab);
  // Appends a picture or text box to the current paragraph as an item of
  // its own (not inside a run), where the layout places drawings.
  void AppendDrawing(std::unique_ptr<TvnDocItem> AItem);
  void AppendCharacter(char16_t ACharacter);
  std::optional<TvnRGBColor> ColorOf(int32_t ANumber) const;
  void SetFontStyle(vn::framework::TvnFontStyle AStyle, const TvnRTFElement& AElement);
  void DoFont(const TvnRTFElement& AElement);
  void DoFontSize(const TvnRTFElement& AElement);
  void DoColor(const TvnRTFElement& AElement);
  void DoHighlight(const TvnRTFElement& AElement);
  void DoPlain(const TvnRTFElement& AElement);
  void DoBold(const TvnRTFElement& AElement);
  void DoItalic(const TvnRTFElement& AElement);
  void DoUnderline(const TvnRTFElement& AElement);
  void DoUnderlineNone(const TvnRTFElement& AElement);
  void DoStrike(const TvnRTFElement& AElement);
  void DoSuper(const TvnRTFElement& AElement);
  void DoSub(const TvnRTFElement& AElement);
  void DoNoSuperSub(const TvnRTFElement& AElement);
  void DoLine(const TvnRTFElement& AElement);
  void DoPage(const TvnRTFElement& AElement);
  void DoTab(const TvnRTFElement& AElement);
  void DoUnicode(const TvnRTFElement& AElement);
  void DoUnicodeSkip(const TvnRTFElement& AElement);
  void DoSymbol(const TvnRTFElement& AElement);
  void DoCodePage(const TvnRTFElement& AElement);
  void DoDefaultFont(const TvnRTFElement& AElement);

  // Paragraphs and sections.
  TvnParagraph& CurrentParagraph();
  void CloseParagraph();
  void DoPard(const TvnRTFElement& AElement);
  void DoPar(const TvnRTFElement& AElement);
  void DoSectd(const TvnRTFElement& AElement);
  void DoSect(const TvnRTFElement& AElement);
  void DoPageSetting(const TvnRTFElement& AElement);
  void DoAlignment(const TvnRTFElement& AElement);
  void DoParagraphLength(const TvnRTFElement& AElement);
  void DoLineSpacing(const TvnRTFElement& AElement);
  void DoLineSpacingMultiple(const TvnRTFElement& AElement);
  void DoFacingPages(const TvnRTFElement& AElement);
  void DoSectionSetting(const TvnRTFElement& AElement);
  void DoSectionBreak(const TvnRTFElement& AElement);
  TvnSection& CurrentSection();
  TvnRTFSpecificProperties& Specific();
  // Starts or finishes the group-end work of the group on top of the stack.
  void BeginGroupEnd(GroupEnd AEnd);
  void FinishGroup(GroupState& AState);
  void BeginCollecting();
  // Places the pending notes after the paragraph just closed (into the same
  // cell when it is a cell's), when it was closed where they were read.
  void PlacePendingNotes(bool AInTable, int32_t ALevel);
  vn::wordmodel::TvnItemList EndCollecting();

  // Tables (rtf_tables.cpp).
  TvnRTFTableInfo& TableState(int32_t ALevel);
  TvnRTFTableInfo& CurrentTableState();
  vn::wordmodel::TvnTableCell* DefinedCell();
  void AddToCell(std::unique_ptr<TvnDocItem> AItem, int32_t ALevel);
  void FinishRow(TvnRTFTableInfo& AState);
  void ShareLastCellSpan(TvnRTFTableInfo& AState);
  void EndOuterRow();
  void EndNestedRow();
  // Ends the rows still open at the end of the input, innermost first.
  void EndOpenRows();
  void DoTableLevel(const TvnRTFElement& AElement);
  void DoInTable(const TvnRTFElement& AElement);
  void DoRowDefaults(const TvnRTFElement& AElement);
  void DoRowPadding(const TvnRTFElement& AElement);
  void DoCellEdge(const TvnRTFElement& AElement);
  void DoCellProperty(const TvnRTFElement& AElement);
  void DoBorderSide(const TvnRTFElement& AElement);
  void DoBorderProperty(const TvnRTFElement& AElement);
  void DoCell(const TvnRTFElement& AElement);
  void DoRow(const TvnRTFElement& AElement);
  void DoNestRow(const TvnRTFElement& AElement);

  // Pictures, shapes and document information (rtf_pictures.cpp).
  void BeginPicture();
  void BeginShape(bool AFloating);
  void HandlePictureText(std::string_view ABytes);
  void FinishPicture(GroupState& AState);
  void FinishShape();
  void FinishTextBox();
  void DoPictureSize(const TvnRTFElement& AElement);
  void DoShapePlacement(const TvnRTFElement& AElement);
  void DoShapeWrap(const TvnRTFElement& AElement);
  void DoShapeProperty(const std::string& AName, const std::string& AValue);
  void DoDatePart(const TvnRTFElement& AElement);
  void StoreInfoText(const std::string& AKey, const std::string& AText);
  // Decodes the information bytes gathered so far onto FInfoText.
  void DecodeInfoBytes();

  // Fields (rtf_fields.cpp).
  void BeginField();
  void BeginFieldInstruction();
  void BeginFieldResult();
  void FinishField();
  void FinishFieldInstruction(const GroupState& AState);
  void FinishFieldResult(const GroupState& AState);

  TvnDocumentMediator* FMediator;
  std::vector<GroupState> FStack;
  // Groups opened beyond kMaxRtfGroupDepth and not yet closed.
  size_t FExcessDepth = 0;
  vn::CodePageDecoder FDecoder;
  int32_t FCodePage = 1252;
  int32_t FDefaultFont = -1;
  // Fallback characters of "\uN" still to skip.
  int32_t FSkipCount = 0;
  std::string FPendingBytes;
  int32_t FPendingCodePage = 1252;
  String FPendingText;

  std::map<int32_t, TvnRTFFontEntry> FFontTable;
  // The font-table entry being read.
  std::optional<int32_t> FFontKey;
  std::string FFontNameBytes;
  TvnRTFFontEntry FFontEntry;
  size_t FFontEntryDepth = 0;

  std::vector<std::optional<TvnRGBColor>> FColorTable;
  TvnRGBColor FPendingColor;
  bool FPendingColorSet = false;

  std::shared_ptr<TvnRunProperties> FDefaultCharProperties;
  std::shared_ptr<TvnParagraphProperties> FParaProperties;
  std::shared_ptr<TvnParagraphProperties> FDefaultParaProperties;
  // The properties in force when "\defpap" began, given back at its end.
  std::shared_ptr<TvnParagraphProperties> FSavedParaProperties;
  std::vector<Collector> FCollectors;
  // Footnote and endnote paragraphs read but not yet placed: they follow
  // the paragraph that refers to them, once it is closed at the collecting
  // depth FPendingNotesDepth.
  vn::wordmodel::TvnItemList FPendingNotes;
  size_t FPendingNotesDepth = 0;

  // Table state by nesting level; the outer table rows are added to.
  std::map<int32_t, TvnRTFTableInfo> FTableInfoCollection;
  vn::wordmodel::TvnTable* FTable = nullptr;
  int32_t FTableLevel = -1;
  enum class BorderFor : uint8_t { Para, Row, Cell };
  BorderFor FBorderFor = BorderFor::Para;
  vn::wordmodel::TvnBorderType FBorderType = vn::wordmodel::TvnBorderType::Top;
  std::shared_ptr<vn::wordmodel::TvnBorder> FBorder;

  // Pictures and shapes.
  struct PendingImage;
  std::unique_ptr<PendingImage> FImage;
  std::unique_ptr<PendingImage> FShape;
  // The hexadecimal text of the picture being read, or its binary data.
  std::string FPictureBytes;
  std::string FPictureBinary;
  int32_t FScaleX = 100;
  int32_t FScaleY = 100;
  std::string FShapePropertyName;

  // A field being read: the field (null once its result has stayed in the
  // paragraph as ordinary content), and where its instruction and result
  // began.
  struct FieldState {
    std::unique_ptr<vn::wordmodel::TvnField> Field;
    bool HasInstruction = false;
    bool HasResult = false;
    uint64_t InstructionClosedAtStart = 0;
    TvnParagraph* ResultParagraph = nullptr;
    int32_t ResultStart = 0;
    uint64_t ResultClosedAtStart = 0;
  };
  // The fields being read, innermost last; a part group records itself in
  // the innermost.
  std::vector<FieldState> FFields;
  // Paragraphs closed so far: a field part that closed one holds more than
  // a line of text.
  uint64_t FClosedParagraphs = 0;

  std::unique_ptr<vn::wordmodel::TvnWordDocumentInfo> FDocumentInfo;
  std::string FInfoBytes;
  // The text of the group decoded so far: the bytes before each "\u"
  // character are decoded when it comes.
  String FInfoText;
  int32_t FYear = 0;
  int32_t FMonth = 0;
  int32_t FDay = 0;
  int32_t FHour = 0;
  int32_t FMin = 0;

  int32_t FPaperWidth = 793;
  int32_t FPaperHeight = 1122;
  int32_t FMarginLeft = 96;
  int32_t FMarginRight = 96;
  int32_t FMarginTop = 96;
  int32_t FMarginBottom = 96;
  int32_t FGutter = 0;
  int32_t FDefaultColSpace = 48;

  std::vector<std::unique_ptr<TvnSection>> FSections;
  std::unique_ptr<TvnSection> FSection;
  // Body elements were added since the last listed section.
  bool FSectionHasContent = false;
  std::vector<std::unique_ptr<TvnDocItem>> FElements;
  std::unique_ptr<TvnParagraph> FParagraph;
  bool FParsed = false;
};

}  // namespace vn::rtf

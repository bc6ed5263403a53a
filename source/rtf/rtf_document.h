// The RTF document type, registered for ".rtf" ("Rich Text Format"): its
// reading half loads an RTF file or stream into the Word document model
// through TvnRTFDocumentHandler, which lays it out into fixed pages with the
// Word layout.
//
// Each laid-out Word page becomes a TvnRTFPage, a laid-out Word page (see
// wordmodel/laid_out_word_document.h); pages are numbered from 1 and an index
// outside them raises EArgumentOutOfRangeException "Argument out of range".
//
// Its writing half collects the pages of any other document (Assign) and
// writes them as one RTF file (Save): pages of positioned text go through
// the layout analysis (formatter) and come out as sections of paragraphs
// and tables; Word pages come out as copies of their sections holding
// copies of their paragraphs and tables; pages of a picture as a section
// holding the picture; pages of a text file as one paragraph per line. The
// file is the RTF header, the document area (one RTF section per collected
// section) and a closing "}"; the area is encoded first because its tables
// and runs register fonts and colours in the header.
//
// Units: the writer works in pixels at 96 per inch; the formatter's
// sections carry points (x 96/72), Word sections pixels; paragraph lengths
// become twips with fixed factors (points x 20, pixels x 15).
//
// Ownership: the document owns its handler (which owns the Word pages and
// the body items) and its pages; a page's lists refer to items the handler
// owns and free nothing themselves. A page links back to its document (not
// owned). What Assign collects is copied from the source pages, which are
// never changed: the document owns the copies (text elements, page data,
// section, paragraph and table copies, picture streams) until it ends, so
// the source may go before Save and Save may run again.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/base_document.h"
#include "platform/images/picture.h"
#include "rtf/formatter.h"
#include "rtf/rtf_document_handler.h"
#include "rtf/rtf_writer_header.h"
#include "rtf/rtf_writer_paragraph.h"
#include "rtf/rtf_writer_sections.h"
#include "rtf/rtf_writer_settings.h"
#include "rtf/rtf_writer_table.h"
#include "wordmodel/formatter_results.h"
#include "wordmodel/laid_out_word_document.h"

namespace vn::wordmodel {
class TvnDocImage;
class TvnParagraph;
class TvnRun;
class TvnTable;
}  // namespace vn::wordmodel

namespace vn::rtf {

class TvnRTFDocument;

// A laid-out Word page of an RTF document.
class TvnRTFPage : public vn::wordmodel::LaidOutWordPage {
 public:
  explicit TvnRTFPage(TvnRTFDocument* ADocument);
};

class TvnRTFDocument : public vn::wordmodel::LaidOutWordDocument {
 public:
  TvnRTFDocument();
  ~TvnRTFDocument() override;

  static vn::framework::TvnEngineCapabilities GetEngineCapabilities() {
    return {vn::framework::TvnEngineCapability::ecOpen, vn::framework::TvnEngineCapability::ecSave};
  }
  static vn::framework::TvnDocumentType GetDocumentType() { return vn::framework::TvnDocumentType::dtFlow; }

  // The handler's page count: 1 before any load.
  int32_t GetPageCount() override;
  // Load the file or stream (the password is not used: RTF has no
  // encryption). The document counts as loaded once the load succeeded; an
  // error of the load propagates and leaves it as it was.
  void LoadFromFile(const String& FileName, const String& Password) override;
  void LoadFromStream(vn::TStream* Stream, const String& Password, bool FreeStream) override;

  TvnRTFDocumentHandler* GetHandler() const { return FRTFHandler.get(); }

  // ---- Writing --------------------------------------------------------------

  // Appends the pages of SourceDocument that PageRange selects (empty: all;
  // a bad range raises ExInvalidPageError "Invalid page range" before
  // anything is collected), raising BeginAssignPage and EndAssignPage around
  // each page. By the page's first element: positioned text goes through
  // the formatter (elements with no text or one blank left out); Word
  // paragraphs and tables are copied into a copy of their section, a new
  // section copy whenever the section changes and at least one per page,
  // and an item the previous page of the same call showed already (a
  // paragraph or table broken over pages) is not taken again; a page with
  // no element list is drawn as a picture into a section of its own (a
  // text file's page gives its lines as paragraphs). A page with no
  // elements, or of another kind, contributes nothing. Each call appends.
  void Assign(framework::TvnBaseDocument* SourceDocument, const String& PageRange) override;
  // Asks for the output target (oiDocument, page 1 of 1) and writes the
  // collected sections as one RTF file: to UserStream when IsOutputToStream
  // is set, to the host's stream when it asked for stream output, else to
  // the file (which appears whole or not at all). A stream output without a
  // stream raises ExInvalidStream "Invalid stream". Answers true. Each Save
  // writes everything collected so far anew.
  bool Save() override;

  // The engine's steps, called by Save.
  void BeginDoc();
  void BeginPage();
  void EndDoc();
  // The open paragraph interface: BeginPara starts FParagraph with the
  // style of that name (-1 when the style manager has none), in a table or
  // list when one is open; EndPara adds it to the open text box or the
  // current section's body.
  void BeginPara(const std::string& AStyleName);
  void EndPara();
  writer::TvnRTFParagraph* CurrentParagraph() const { return FParagraph.get(); }
  // A new section of the document area, made current.
  writer::TvnRTFSection& CreateSection(writer::TvnSectionType ASectionType);
  writer::TvnRTFSection& CreateSection() { return CreateSection(writer::TvnSectionType::stPage); }
  writer::TvnRTFSection& CreateSection(int32_t AColumnCount, int32_t ADefaultColumnSpace,
                                       const std::vector<writer::TvnColumnSection>& AColumns);
  // Appends the 8-bit text to the RTF text of the current save.
  void WriteToRTFStream(const std::string& AText);

  // Content conversion: each answers a new element for the current section.
  std::unique_ptr<writer::TvnRTFParagraph> ConvertFormatterParagraph(const wordmodel::TvnFormatterParagraph& AParagraph,
                                                                     writer::TvnRTFParagraphDestinations ADest);
  std::unique_ptr<writer::TvnRTFParagraph> ConvertWordParagraph(const wordmodel::TvnParagraph& AParagraph,
                                                                writer::TvnRTFParagraphDestinations ADest);
  std::unique_ptr<writer::TvnRTFTableItem> ConvertFormatterTable(const wordmodel::TvnFormatterTable& ATable);
  std::unique_ptr<writer::TvnRTFTableItem> ConvertWordTable(const wordmodel::TvnTable& ATable);
  // The picture in AImage (from its start) as a bitmap of AWidth x AHeight
  // pixels (rounded); an empty picture for no stream. A stream the platform
  // codecs cannot decode raises their error.
  static platform::Picture LoadImageAsBitmap(vn::TStream* AImage, double AHeight, double AWidth);
  // ABitmap redrawn stretched over the whole of AWidth x AHeight; false,
  // leaving ABitmap as it was, when that fails.
  static bool ResizeBitmap(platform::Picture& ABitmap, int32_t AWidth, int32_t AHeight);

  // The file Save writes when no stream is asked for (the host's output
  // name replaces it).
  const String& GetOutputFileName() const { return FOutputFileName; }
  void SetOutputFileName(const String& Value) { FOutputFileName = Value; }
  vn::TStream* GetUserStream() const { return FUserStream; }
  void SetUserStream(vn::TStream* Value) { FUserStream = Value; }
  bool GetIsOutputToStream() const { return FIsOutputToStream; }
  void SetIsOutputToStream(bool Value) { FIsOutputToStream = Value; }
  // After a save to a file, the file is handed to ShellOpen (by default the
  // desktop's opener, xdg-open).
  bool GetOpenAfterCreate() const { return FOpenAfterCreate; }
  void SetOpenAfterCreate(bool Value) { FOpenAfterCreate = Value; }
  std::function<void(const String&)> ShellOpen;
  writer::TvnPageSettings& Page() { return FPage; }
  void SetPage(const writer::TvnPageSettings& Value) { FPage.Assign(Value); }
  const writer::TvnTextFormatting& TextFormatting() const { return FTextFormatting; }
  void SetTextFormatting(const writer::TvnTextFormatting& Value);

  // The collected sections in Assign order: TvnFormatterSection items and
  // Word section copies.
  wordmodel::TvnDataCollection* GetFormattedData() { return FFormatter->GetFormattedData(); }
  writer::TvnRTFHeader& RTFHeader() { return *FRTFHeader; }
  writer::TvnRTFDocArea& DocArea() { return *FDocArea; }
  // The page item of section AIndex (0-based) of the save under way.
  writer::TvnPageItem* GetRTFPages(int32_t AIndex) const;

 protected:
  std::unique_ptr<vn::wordmodel::LaidOutWordPage> NewPage() override;

 private:
  // Wraps each Word page of the handler as a page of the document, in place
  // of the pages of an earlier load.
  void TakeHandlerPages();

  // Assign's page kinds.
  void CollectTextPage(framework::TvnPage& APage, framework::TvnMeasurementUnit AUnit,
                       const std::vector<framework::TvnDocItem*>& AElements);
  void CollectWordPage(framework::TvnBaseDocument& ASource, const std::vector<framework::TvnDocItem*>& AElements,
                       std::vector<const framework::TvnDocItem*>& ATaken);
  void CollectPicturePage(framework::TvnBasePage& APage, framework::TvnMeasurementUnit AUnit);
  void CollectLinesPage(const std::vector<String>& ALines);
  // Reads the data of the resource pictures in AItem (a copy) while the
  // source is there.
  void KeepPictureData(framework::TvnDocItem& AItem);
  // The data of a copied picture: its own stream, or the bytes kept for a
  // resource picture (null when it has none).
  vn::TStream* PictureData(wordmodel::TvnDocImage& AImage);
  // Appends an owned section to the formatted collection.
  void AppendSection(std::unique_ptr<framework::TvnDocItem> ASection);
  // Save's step for one collected section.
  void WriteSection(framework::TvnDocItem& ASection);
  void AddRuns(writer::TvnParagraphItem& AItem, const wordmodel::TvnRun& ARun,
               const wordmodel::TvnParagraph& AParagraph, int32_t& ATabCounter);

  std::unique_ptr<TvnRTFDocumentHandler> FRTFHandler;

  // The writer's state.
  std::vector<writer::TvnColumnSection> FColumn;
  writer::TvnSectionType FSectionType = writer::TvnSectionType::stPage;
  std::unique_ptr<writer::TvnRTFHeader> FRTFHeader;
  std::unique_ptr<writer::TvnRTFDocArea> FDocArea;
  std::unique_ptr<writer::TvnRTFParagraph> FParagraph;
  writer::TvnRTFSection* FSection = nullptr;
  writer::TvnRTFElements* FCurrentItemsList = nullptr;
  writer::TvnRTFTextbox* FTextBox = nullptr;
  double FPageWidth = 0, FPageHeight = 0;  // pixels
  double FLeftMargin = 72, FRightMargin = 72, FTopMargin = 72, FBottomMargin = 72;  // points
  int32_t FListIndex = -1;
  int32_t FAssignedPages = 0;  // pages taken by Assign, for its events
  int32_t FCurrentPage = 0;
  double FCurrentOffsetY = 0;
  double FRTFFactor = 1;
  std::vector<std::unique_ptr<writer::TvnPageItem>> FPages;
  writer::TvnPageSettings FPage;
  writer::TvnTextFormatting FTextFormatting;
  writer::TvnRect FBandRect;
  bool FIsOutputToStream = false, FTableStarted = false, FIsDocumentStarted = false, FIsTextBoxStarted = false,
       FListStarted = false, FIsParagraphStarted = false, FOpenAfterCreate = false, FDocumentStarted = false;
  String FOutputFileName;
  vn::TStream* FUserStream = nullptr;    // borrowed
  vn::TStream* FOutputStream = nullptr;  // borrowed: the user's or the host's stream; null for a file
  std::string FRTFStream;                // the RTF text of the save under way
  wordmodel::TvnDataCollection FUnformattedData;
  std::unique_ptr<analyzer::TvnFormatter> FFormatter;
  // The copies Assign made (declared after the formatter's inputs, freed
  // before them).
  std::vector<std::unique_ptr<wordmodel::TObject>> FCollected;
  std::vector<std::unique_ptr<vn::TStream>> FCollectedStreams;
  std::map<const wordmodel::TvnDocImage*, std::shared_ptr<vn::TStream>> FPictureData;
};

}  // namespace vn::rtf

// The plain-text document, registered for ".txt" ("Plain Text File").
//
// Reading: a text file becomes lines (UTF-8 with or without a byte-order
// mark, UTF-16 little- or big-endian with one, and Windows-1252 for bytes
// that are not UTF-8; lines end at CR, LF or CR LF), laid out on A4 pages
// of 595 x 842 points in Arial 10: tabs expanded to stops every eight
// characters, lines wider than the page wrapped (after the last blank that
// fits, else between characters), a form feed starting a new page, and
// lines flowing onto the next page when one is full. An empty file gives
// one empty page.
//
// Writing: Assign appends, for each page of another document, the line
// "Page n" and then the page's text: the lines of a text page, the lines
// rebuilt from positioned text, or one line per Word-model element (a
// paragraph's text, an empty line for anything else). Save writes the lines as UTF-8, each ended by
// CR LF, to the file or the stream the host asks for.
//
// Ownership: the document owns its lines and its pages; a page links back
// to its document (not owned).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/base_document.h"

namespace vn::rtf {

class TvnTextDocument;

class TvnTextPage : public framework::TvnBasePage {
 public:
  using framework::TvnBasePage::Draw;
  // Page AIndex (0-based) of ADocument's layout.
  TvnTextPage(TvnTextDocument* ADocument, size_t AIndex) : FDocument(ADocument), FIndex(AIndex) {}

  // 595 x 842 points in the document's measurement unit.
  framework::TvnPageSize GetPageSize() override;
  // Fills (0, 0, AWidth, AHeight) white and draws the page's lines in black
  // Arial 10 from (10, 10) down, one cell height apart, on the page scaled
  // to fill AWidth x AHeight. Resolution and rotation are not used.
  void Draw(vn::platform::Canvas* ACanvas, int32_t AWidth, int32_t AHeight, int32_t AxDPI, int32_t AyDPI,
            int32_t ARotation) override;

  // The lines drawn on the page.
  const std::vector<String>& GetLines() const;

 private:
  TvnTextDocument* FDocument;  // the owner, not owned
  size_t FIndex;
};

class TvnTextDocument : public framework::TvnBaseDocument {
 public:
  // Page size in points and the drawing of the lines, in pixels at 96 dpi.
  static constexpr double kPageWidthPt = 595;
  static constexpr double kPageHeightPt = 842;
  static constexpr int32_t kMarginPx = 10;
  static constexpr int32_t kTabSize = 8;

  TvnTextDocument();
  ~TvnTextDocument() override;

  static framework::TvnEngineCapabilities GetEngineCapabilities() {
    return {framework::TvnEngineCapability::ecOpen, framework::TvnEngineCapability::ecSave};
  }

  // Reads the whole file (a file that cannot be opened raises EFOpenError)
  // and loads it as LoadFromStream does.
  void LoadFromFile(const String& FileName, const String& Password) override;
  // Reads the text from the stream's position to its end into Lines; the
  // password is not used.
  void LoadFromStream(vn::TStream* Stream, const String& Password, bool FreeStream) override;
  // The laid-out pages of a loaded document; 1 before a load.
  int32_t GetPageCount() override;
  // Page Index (1-based) of a loaded document; nil before a load or outside
  // 1..PageCount.
  framework::TvnPage* GetPage(int32_t Index) override;
  // Appends the text of the pages PageRange selects (see above). A bad
  // range raises ExInvalidPageError "Invalid page range".
  void Assign(framework::TvnBaseDocument* SourceDocument, const String& PageRange) override;
  // Asks for the output target (oiDocument, page 1 of 1) and writes the
  // lines there; a stream output without a stream raises ExInvalidStream.
  bool Save() override;

  std::vector<String>& GetLines() { return FLines; }
  const std::vector<String>& GetLines() const { return FLines; }
  // All lines joined with nothing between them.
  String GetText() const;
  // Kept for the host; Save does not consult them.
  bool GetOpenAfterCreate() const { return FOpenAfterCreate; }
  void SetOpenAfterCreate(bool Value) { FOpenAfterCreate = Value; }
  bool GetIsOutputToStream() const { return FIsOutputToStream; }
  void SetIsOutputToStream(bool Value) { FIsOutputToStream = Value; }
  vn::TStream* GetUserStream() const { return FUserStream; }
  void SetUserStream(vn::TStream* Value) { FUserStream = Value; }

  // The lines of page AIndex (0-based) of the layout.
  const std::vector<String>& GetPageLines(size_t AIndex);

  // The text of a text file's bytes: decoded by its byte-order mark, as
  // UTF-8 when the bytes are valid UTF-8, else as Windows-1252.
  static String DecodeText(std::string_view ABytes);

 private:
  // Lays the lines out on pages, once after each load.
  void Layout();

  std::vector<String> FLines;
  std::vector<std::vector<String>> FPages;
  std::vector<std::unique_ptr<TvnTextPage>> FPageObjects;
  bool FLaidOut = false;
  int32_t FAssignedPages = 0;
  bool FOpenAfterCreate = false;
  bool FIsOutputToStream = false;
  vn::TStream* FUserStream = nullptr;  // not owned
};

}  // namespace vn::rtf

// The load road of an RTF document: the package holding the input stream,
// the reader that implements the Word model's reader contract over it, its
// main-document reader (which runs the tokenizer through the dispatcher),
// and the document handler that ties them to the document's mediator.
//
// The body read (sections and paragraphs) is kept by the handler's reader
// until the next load, and laid out into pages by the Word layout engine;
// the handler keeps the laid-out Word pages beside it. A body that lays out
// into no page (an empty file) gets one blank page of its first section's
// size. Each Word page lists the body items (paragraphs, tables) it shows
// text of, found from its laid-out lines when the layout does not list them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "framework/canvas.h"
#include "framework/page_model.h"
#include "rtf/rtf_tag_handler.h"
#include "rtf/rtf_tokenizer.h"
#include "runtime/streams.h"
#include "wordmodel/document_mediator.h"
#include "wordmodel/word_page.h"
#include "wordmodel/word_parser.h"

namespace vn::rtf {

using vn::framework::TvnBaseDocumentHandler;

// The input of one load; the stream is borrowed.
class TvnRTFPackage {
 public:
  // The password is not used: RTF has no encryption.
  TvnRTFPackage(vn::TStream* AStream, const String& APassword);
  vn::TStream* GetStream() const { return FStream; }

 private:
  vn::TStream* FStream;
};

class TvnRTFParser;

class TvnRTFMainDocumentParser : public vn::wordmodel::TvnMainDocumentParser {
 public:
  // A stream tokenizer over ADocParser's package stream.
  TvnRTFMainDocumentParser(TvnRTFParser* ADocParser, TvnDocumentMediator* AMediator);

  // Every body element of the last Sections call, in order (the dispatcher
  // keeps them); empty before it.
  std::vector<TvnDocItem*> GetEnumerator() override;
  // Nothing: the body comes through GetEnumerator.
  std::vector<TvnParagraph*> Paragraphs() override;
  // Reads the whole input into the model and answers its sections (each
  // given the page frame when one is set).
  std::optional<std::vector<TvnSection*>> Sections() override;
  // With a frame, every section is laid out on pages of AFrame's size
  // (pixels) without margins, columns, headers or footers: the text alone
  // flows from frame to frame. Without one, the file's own pages.
  void SetPageFrame(std::optional<vn::framework::TSize> AFrame) { FPageFrame = AFrame; }

  TvnRTFTagHandler* GetTagHandler() const { return FTagHandler.get(); }

 private:
  std::unique_ptr<TvnRTFTokenizer> FTokenizer;
  std::unique_ptr<TvnRTFTagHandler> FTagHandler;
  [[maybe_unused]] TvnRTFParser* FDocParser;  // the owning reader, kept for the readers to come
  TvnDocumentMediator* FMediator;
  std::optional<vn::framework::TSize> FPageFrame;
};

class TvnRTFParser : public vn::wordmodel::TvnWordParser {
 public:
  // APackage is borrowed. RTF has no style, list, theme or settings reader:
  // everything it reads comes through the main-document reader.
  TvnRTFParser(TvnRTFPackage* APackage, TvnDocumentMediator* ADocumentMediator);
  ~TvnRTFParser() override;

  vn::wordmodel::TvnStyleParser* GetStylesParser() override { return nullptr; }
  vn::wordmodel::TvnMainDocumentParser* GetDocumentParser() override { return FDocumentParser.get(); }
  vn::wordmodel::TvnNumberParser* GetNumberParser() override { return nullptr; }
  vn::wordmodel::TvnThemeParser* GetThemeParser() override { return nullptr; }
  vn::wordmodel::TvnSettingsParser* GetSettingsParser() override { return nullptr; }

  TvnRTFPackage* GetPackage() const { return FPackage; }

 private:
  TvnRTFPackage* FPackage;
  std::unique_ptr<TvnRTFMainDocumentParser> FDocumentParser;
};

class TvnRTFDocumentHandler {
 public:
  // ADocument owns the handler (borrowed); the mediator is made for it.
  explicit TvnRTFDocumentHandler(TvnBaseDocumentHandler* ADocument);
  ~TvnRTFDocumentHandler();
  TvnRTFDocumentHandler(const TvnRTFDocumentHandler&) = delete;
  TvnRTFDocumentHandler& operator=(const TvnRTFDocumentHandler&) = delete;

  // Closes the file of an earlier load, opens this one for reading (EFOpenError
  // when it cannot be) and loads it; the file stays open until the next load.
  void LoadDocument(const String& FileName);
  // Reads the stream from its position to its end into the Word model. An
  // error while reading leaves the handler as it was before the load.
  void LoadDocument(vn::TStream* Stream);
  // The page frame of the loads to come (see
  // TvnRTFMainDocumentParser::SetPageFrame).
  void SetPageFrame(std::optional<vn::framework::TSize> AFrame) { FPageFrame = AFrame; }

  // The body of the last load: the sections and the body elements in order.
  const vn::wordmodel::TvnWordBody& GetBody() const { return FBody; }
  // The reader of the last load (null before any).
  TvnRTFParser* GetParser() const { return FParser.get(); }
  TvnDocumentMediator* GetMediator() const { return FMediator.get(); }
  bool GetIsLoaded() const { return FIsLoaded; }
  const String& GetFilename() const { return FFilename; }

  // Laid-out pages: 1 before any load, then the number of pages made.
  int32_t GetPageCount() const;
  // The laid-out pages of the last load, in order; empty before one.
  const std::vector<std::unique_ptr<vn::wordmodel::TvnWordPage>>& GetPages() const { return FPages; }

 private:
  std::unique_ptr<TvnDocumentMediator> FMediator;
  std::unique_ptr<vn::TStream> FStream;
  String FFilename;
  std::unique_ptr<TvnRTFPackage> FRTFPackage;
  std::unique_ptr<TvnRTFParser> FParser;
  vn::wordmodel::TvnWordBody FBody;
  // Declared after the reader whose items they refer to: they go first.
  std::vector<std::unique_ptr<vn::wordmodel::TvnWordPage>> FPages;
  bool FIsLoaded = false;
  std::optional<vn::framework::TSize> FPageFrame;
};

}  // namespace vn::rtf

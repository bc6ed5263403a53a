#include "rtf/rtf_document_handler.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <utility>

#include "runtime/exceptions.h"
#include "wordmodel/laid_out_word_document.h"
#include "wordmodel/section.h"

namespace vn::rtf {

TvnRTFPackage::TvnRTFPackage(vn::TStream* AStream, const String&) : FStream(AStream) {}

TvnRTFMainDocumentParser::TvnRTFMainDocumentParser(TvnRTFParser* ADocParser, TvnDocumentMediator* AMediator)
    : FTokenizer(std::make_unique<TvnRTFTokenizer>(ADocParser->GetPackage()->GetStream())),
      FDocParser(ADocParser),
      FMediator(AMediator) {}

std::vector<TvnDocItem*> TvnRTFMainDocumentParser::GetEnumerator() {
  return FTagHandler ? FTagHandler->Elements() : std::vector<TvnDocItem*>();
}

std::vector<TvnParagraph*> TvnRTFMainDocumentParser::Paragraphs() { return {}; }

namespace {

// Gives the section a page of AFrame's size that its text fills whole: no
// margins, one column, no header or footer.
void FitSectionToFrame(TvnSection& ASection, vn::framework::TSize AFrame) {
  using vn::wordmodel::TvnFooter;
  using vn::wordmodel::TvnHeader;
  ASection.SetPageWidth(AFrame.cx);
  ASection.SetPageHeight(AFrame.cy);
  if (vn::wordmodel::TvnPageMargins* margins = ASection.GetPageMargin()) {
    margins->SetLeft(0);
    margins->SetTop(0);
    margins->SetRight(0);
    margins->SetBottom(0);
    margins->SetHeader(0);
    margins->SetFooter(0);
    margins->SetGutter(0);
  }
  ASection.GetColumns().clear();
  ASection.SetColumnsCount(0);
  ASection.SetEqualWidthColumns(true);
  ASection.SetIsTitlePage(false);
  ASection.SetDefaultPageHeader(std::make_unique<TvnHeader>());
  ASection.SetFirstPageHeader(std::make_unique<TvnHeader>());
  ASection.SetEvenPageHeader(std::make_unique<TvnHeader>());
  ASection.SetDefaultPageFooter(std::make_unique<TvnFooter>());
  ASection.SetFirstPageFooter(std::make_unique<TvnFooter>());
  ASection.SetEvenPageFooter(std::make_unique<TvnFooter>());
}

}  // namespace

std::optional<std::vector<TvnSection*>> TvnRTFMainDocumentParser::Sections() {
  FTagHandler = std::make_unique<TvnRTFTagHandler>(FMediator);
  FTagHandler->StartParsing(*FTokenizer);
  std::optional<std::vector<TvnSection*>> sections = FTagHandler->Sections();
  if (FPageFrame && sections)
    for (TvnSection* section : *sections)
      if (section != nullptr) FitSectionToFrame(*section, *FPageFrame);
  return sections;
}

TvnRTFParser::TvnRTFParser(TvnRTFPackage* APackage, TvnDocumentMediator* ADocumentMediator)
    : TvnWordParser(ADocumentMediator),
      FPackage(APackage),
      FDocumentParser(std::make_unique<TvnRTFMainDocumentParser>(this, ADocumentMediator)) {}

TvnRTFParser::~TvnRTFParser() = default;

TvnRTFDocumentHandler::TvnRTFDocumentHandler(TvnBaseDocumentHandler* ADocument)
    : FMediator(std::make_unique<TvnDocumentMediator>(ADocument)) {}

TvnRTFDocumentHandler::~TvnRTFDocumentHandler() = default;

void TvnRTFDocumentHandler::LoadDocument(const String& FileName) {
  FStream.reset();
  FFilename = FileName;
  FStream = std::make_unique<vn::TFileStream>(std::filesystem::path(vn::ToUtf8(FileName)), vn::FileMode::fmOpenRead);
  LoadDocument(FStream.get());
}

namespace {

using vn::wordmodel::TvnWordPage;

// Refuses input that holds something other than RTF: its first bytes past
// a byte-order mark and white space must open a group with a control word
// ("{\rtf1", or "{\pard" of an RTF fragment without the header). Reading
// anything else would turn the bytes of another format into pages of
// noise. An input of nothing (or only white space) is an empty document.
void RequireRtfStart(vn::TStream& AStream) {
  const int64_t start = AStream.Position();
  char head[256];
  const int64_t read = AStream.Read(head, sizeof head);
  AStream.SetPosition(start);
  std::string_view text(head, static_cast<size_t>(std::max<int64_t>(read, 0)));
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return;
  if (text.substr(first, 2) != "{\\") throw vn::EConvertError("The input is not an RTF file");
}

}  // namespace

void TvnRTFDocumentHandler::LoadDocument(vn::TStream* Stream) {
  if (Stream == nullptr) throw vn::ExInvalidStream("Invalid stream");
  RequireRtfStart(*Stream);
  auto package = std::make_unique<TvnRTFPackage>(Stream, String());
  auto parser = std::make_unique<TvnRTFParser>(package.get(), FMediator.get());
  static_cast<TvnRTFMainDocumentParser*>(parser->GetDocumentParser())->SetPageFrame(FPageFrame);
  vn::wordmodel::TvnWordBody body;
  std::vector<std::unique_ptr<TvnWordPage>> pages;
  // The engine reads the body (sections first) and lays it out.
  vn::wordmodel::LayOutWordPages(*parser, pages, body.Sections, body.Items);
  vn::wordmodel::AddBlankPageIfNone(pages, body.Sections);
  FPages.clear();
  FRTFPackage = std::move(package);
  FParser = std::move(parser);
  FBody = std::move(body);
  FPages = std::move(pages);
  // The information group of the file becomes the document's information.
  const TvnRTFTagHandler* tags = FParser->GetDocumentParser() != nullptr
                                     ? static_cast<TvnRTFMainDocumentParser*>(FParser->GetDocumentParser())->GetTagHandler()
                                     : nullptr;
  if (tags != nullptr && tags->GetDocumentInfo() != nullptr && FMediator->GetDocument() != nullptr)
    FMediator->GetDocument()->SetDocumentInfo(tags->GetDocumentInfo()->Clone());
  FIsLoaded = true;
}

int32_t TvnRTFDocumentHandler::GetPageCount() const {
  return FIsLoaded ? static_cast<int32_t>(FPages.size()) : 1;
}

}  // namespace vn::rtf

#include "rtf/rtf_document_handler.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "runtime/exceptions.h"
#include "wordmodel/pagination_engine.h"
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

std::optional<std::vector<TvnSection*>> TvnRTFMainDocumentParser::Sections() {
  FTagHandler = std::make_unique<TvnRTFTagHandler>(FMediator);
  FTagHandler->StartParsing(*FTokenizer);
  return FTagHandler->Sections();
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

using vn::wordmodel::LaidOutItems;
using vn::wordmodel::TvnWordPage;

// The body item AItem belongs to (itself, or the paragraph, cell or table
// above it); null for an item outside the body (a header's line).
TvnDocItem* RtfBodyItemOf(TvnDocItem* AItem, const std::unordered_set<const TvnDocItem*>& ABody) {
  for (int depth = 0; AItem != nullptr && depth < 64; ++depth) {
    if (ABody.count(AItem) != 0) return AItem;
    AItem = AItem->GetParent();
  }
  return nullptr;
}

void RtfCollectBodyItems(const LaidOutItems& AItems, const std::unordered_set<const TvnDocItem*>& ABody,
                         std::vector<TvnDocItem*>& AOut) {
  for (TvnDocItem* item : AItems) {
    if (auto* column = dynamic_cast<vn::wordmodel::TvnColumn*>(item)) {
      RtfCollectBodyItems(column->Children(), ABody, AOut);
      continue;
    }
    TvnDocItem* body = RtfBodyItemOf(item, ABody);
    if (body != nullptr && std::find(AOut.begin(), AOut.end(), body) == AOut.end()) AOut.push_back(body);
  }
}

// The body items a page shows, in order, when the layout did not list them:
// those its laid-out lines belong to.
void RtfFillPageParagraphs(TvnWordPage& APage, const std::unordered_set<const TvnDocItem*>& ABody) {
  if (!APage.GetPageParagraphs().empty()) return;
  std::vector<TvnDocItem*> items;
  RtfCollectBodyItems(APage.PageElements(), ABody, items);
  APage.SetRawElements(items);
}

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
  vn::wordmodel::TvnWordBody body;
  std::vector<std::unique_ptr<TvnWordPage>> pages;
  {
    // The engine reads the body (sections first) and lays it out.
    vn::wordmodel::TvnWordLayoutEngine engine(*parser);
    const std::vector<TvnDocItem*>& elements = engine.GetElementExtractor().GetElements();
    const std::unordered_set<const TvnDocItem*> bodyItems(elements.begin(), elements.end());
    while (std::unique_ptr<TvnWordPage> page = engine.GetNextPage()) {
      RtfFillPageParagraphs(*page, bodyItems);
      pages.push_back(std::move(page));
    }
    body.Sections = engine.GetSections();
    body.Items = elements;
  }
  if (pages.empty() && !body.Sections.empty()) {
    const vn::wordmodel::TvnSection& first = *body.Sections.front();
    pages.push_back(std::make_unique<TvnWordPage>(first.GetPageWidth(), first.GetPageHeight()));
  }
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

#include "rtf/rtf_document_handler.h"

#include <filesystem>
#include <utility>

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

void TvnRTFDocumentHandler::LoadDocument(vn::TStream* Stream) {
  auto package = std::make_unique<TvnRTFPackage>(Stream, String());
  auto parser = std::make_unique<TvnRTFParser>(package.get(), FMediator.get());
  vn::wordmodel::TvnWordBody body = vn::wordmodel::ReadWordBody(*parser);
  FRTFPackage = std::move(package);
  FParser = std::move(parser);
  FBody = std::move(body);
  // The information group of the file becomes the document's information.
  const TvnRTFTagHandler* tags = FParser->GetDocumentParser() != nullptr
                                     ? static_cast<TvnRTFMainDocumentParser*>(FParser->GetDocumentParser())->GetTagHandler()
                                     : nullptr;
  if (tags != nullptr && tags->GetDocumentInfo() != nullptr && FMediator->GetDocument() != nullptr)
    FMediator->GetDocument()->SetDocumentInfo(tags->GetDocumentInfo()->Clone());
  FPageCount = 0;
  FIsLoaded = true;
}

int32_t TvnRTFDocumentHandler::GetPageCount() const { return FIsLoaded ? FPageCount : 1; }

}  // namespace vn::rtf

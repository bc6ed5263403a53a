#include "wordmodel/word_parser.h"

#include "runtime/numbers.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/section.h"

namespace vn::wordmodel {

namespace {

[[noreturn]] void ReaderContractAbstract() { throw vn::EAbstractError("Abstract Error"); }

void ReaderContractAddThemeFonts(const std::vector<TvnThemeFont>& AFonts, TvnThemeFontGroup& AGroup) {
  for (const TvnThemeFont& font : AFonts) {
    if (!font.Script.empty()) AGroup[font.Script] = font;
  }
}

}  // namespace

TvnStyleList TvnStyleParser::GetEnumerator() { ReaderContractAbstract(); }
std::shared_ptr<TvnParagraphProperties> TvnStyleParser::GetDocDefaultParagraphStyle() { ReaderContractAbstract(); }
std::shared_ptr<TvnRunProperties> TvnStyleParser::GetDocDefaultRunStyle() { ReaderContractAbstract(); }

std::vector<TvnDocItem*> TvnMainDocumentParser::GetEnumerator() { ReaderContractAbstract(); }
std::vector<TvnParagraph*> TvnMainDocumentParser::Paragraphs() { ReaderContractAbstract(); }
std::optional<std::vector<TvnSection*>> TvnMainDocumentParser::Sections() { ReaderContractAbstract(); }

TvnNumberList TvnNumberParser::GetEnumerator() { ReaderContractAbstract(); }
TvnNumberList TvnNumberParser::AbstractNumbers() { ReaderContractAbstract(); }
TvnNumberList TvnNumberParser::ConcreteNumbers() { ReaderContractAbstract(); }

std::vector<TvnThemeFont> TvnThemeParser::GetMajorThemeFonts() { ReaderContractAbstract(); }
std::vector<TvnThemeFont> TvnThemeParser::GetMinorThemeFonts() { ReaderContractAbstract(); }

TvnStyleParser* TvnWordParser::GetStylesParser() { ReaderContractAbstract(); }
TvnMainDocumentParser* TvnWordParser::GetDocumentParser() { ReaderContractAbstract(); }
TvnNumberParser* TvnWordParser::GetNumberParser() { ReaderContractAbstract(); }
TvnThemeParser* TvnWordParser::GetThemeParser() { ReaderContractAbstract(); }
TvnSettingsParser* TvnWordParser::GetSettingsParser() { ReaderContractAbstract(); }

void FillMediatorFromReader(TvnWordParser& AReader, TvnDocumentMediator& AMediator, bool ARegisterStyles) {
  if (TvnThemeParser* theme = AReader.GetThemeParser()) {
    ReaderContractAddThemeFonts(theme->GetMajorThemeFonts(), AMediator.GetMajorFontGroup());
    ReaderContractAddThemeFonts(theme->GetMinorThemeFonts(), AMediator.GetMinorFontGroup());
  }
  TvnStyleParser* styles = ARegisterStyles ? AReader.GetStylesParser() : nullptr;
  if (styles != nullptr) {
    TvnWordStyles& table = *AMediator.GetWordStyles();
    table.SetDocDefaultParagraphProperty(styles->GetDocDefaultParagraphStyle());
    table.SetDocDefaultRunProperty(styles->GetDocDefaultRunStyle());
    for (auto& style : styles->GetEnumerator()) table.Add(std::move(style));
  }
  if (TvnNumberParser* numbers = AReader.GetNumberParser()) numbers->GetEnumerator();
  if (TvnSettingsParser* settings = AReader.GetSettingsParser()) {
    AMediator.SetDefaultTabStop(vn::RoundToInt(settings->GetDefaultTabStop()));
    AMediator.SetEvenOddHeaders(settings->GetEvenOddHeaders());
  }
}

TvnWordBody ReadWordBody(TvnWordParser& AReader) {
  TvnWordBody body;
  TvnMainDocumentParser* document = AReader.GetDocumentParser();
  if (document == nullptr) return body;
  std::optional<std::vector<TvnSection*>> sections = document->Sections();
  body.Items = document->GetEnumerator();
  if (sections) {
    body.Sections = std::move(*sections);
  } else {
    for (TvnDocItem* item : body.Items) {
      if (auto* section = dynamic_cast<TvnSection*>(item)) body.Sections.push_back(section);
    }
  }
  return body;
}

}  // namespace vn::wordmodel

#include "doc/style_parser.h"

#include <algorithm>
#include <exception>

#include "wordmodel/paragraph_properties.h"
#include "wordmodel/run_properties.h"
#include "wordmodel/style.h"

namespace vn::doc {

namespace {

constexpr uint32_t kNoBaseStyle = 4095;
constexpr int32_t kStkParagraph = 1, kStkCharacter = 2, kStkNumbering = 4;

void ReportStyleDamage(Diagnostics* d, int64_t offset, std::string message) {
  if (d) d->Report({.offset = static_cast<uint64_t>(std::max<int64_t>(offset, 0)), .message = std::move(message)});
}

}  // namespace

TvnDOCStyleParser::TvnDOCStyleParser(TvnDOCParser* ADocParser, TvnDOCPackage* APackage,
                                     vn::wordmodel::TvnDocumentMediator*, Diagnostics* ADiagnostics)
    : FParser(ADocParser),
      FPackage(APackage),
      FDiagnostics(ADiagnostics),
      FHelperFunctions(APackage->HelperFunctions()),
      FBinaryReader(std::make_unique<TvnBinaryReader>(APackage->OLESSRoot()->FTableStream.Bytes())) {}

vn::wordmodel::TvnStyleList TvnDOCStyleParser::GetEnumerator() {
  if (!FRead) {
    FRead = true;
    ReadStylesheet();
  }
  return std::move(FList);
}

std::shared_ptr<vn::wordmodel::TvnParagraphProperties> TvnDOCStyleParser::ReadStyleParagraphProperties(
    bool AZero, int64_t ALength) {
  auto properties = std::make_shared<vn::wordmodel::TvnParagraphProperties>();
  if (AZero) {
    properties->SetFirstLineIndent(0);
    properties->SetHanging(0);
    properties->SetLeftIndent(0);
    properties->SetLineSpacing(0);
    properties->SetRightIndent(0);
    properties->SetSpaceAfter(0);
    properties->SetSpaceBefore(0);
  }
  const TvnPRLList prls = GetPRLs(*FBinaryReader, ALength);
  FHelperFunctions->ParseParagraphProperties(*properties, &prls, *FBinaryReader);
  return properties;
}

std::shared_ptr<vn::wordmodel::TvnRunProperties> TvnDOCStyleParser::ReadStyleRunProperties(int64_t ALength) {
  auto properties = std::make_shared<vn::wordmodel::TvnRunProperties>();
  DocSpecificOf(*properties);
  const TvnPRLList prls = GetPRLs(*FBinaryReader, ALength);
  FHelperFunctions->ParseTextRunProperties(*properties, &prls, *FBinaryReader);
  return properties;
}

void TvnDOCStyleParser::ReadStylesheet() {
  using vn::wordmodel::TvnStyle;
  using vn::wordmodel::TvnStyleType;
  const TvnFIBBase& fib = *FPackage->FIBBase();
  TvnBinaryReader& r = *FBinaryReader;
  const int64_t start = fib.FfcStshf;
  // The stylesheet ends where the FIB says, or at the table stream's end.
  const int64_t end = std::min<int64_t>(start + static_cast<int64_t>(fib.FlcbStshf), r.Length());
  if (fib.FlcbStshf < 6 || end - start < 6) {
    if (fib.FlcbStshf != 0) ReportStyleDamage(FDiagnostics, start, "the stylesheet lies outside the table stream");
    return;
  }
  r.Seek(TvnSeekOrigin::soBegin, start);
  const auto cbStshi = static_cast<int64_t>(r.GetDecimalValue(2));
  const auto cstd = static_cast<int64_t>(r.GetDecimalValue(2));
  const auto cbSTDBaseInFile = static_cast<int64_t>(r.GetDecimalValue(2));
  if (cbStshi >= 20 && start + 22 <= end) {
    r.Seek(TvnSeekOrigin::soBegin, start + 18);
    auto font = static_cast<int64_t>(r.GetDecimalValue(2));
    if (font == 0) font = static_cast<int64_t>(r.GetDecimalValue(2));
    FHelperFunctions->SetDefaultFontName(FHelperFunctions->GetFontName(font));
  }
  int64_t at = start + 2 + cbStshi;
  // Each slot takes at least its 2-byte length, so the stylesheet's size
  // bounds the slots read whatever cstd says.
  for (int64_t i = 0; i < cstd && at + 2 <= end; ++i) {
    r.Seek(TvnSeekOrigin::soBegin, at);
    const auto cbStd = static_cast<int64_t>(r.GetDecimalValue(2));
    const int64_t std_start = at + 2;
    int64_t std_end = std_start + cbStd;
    at = std_end;
    if (cbStd == 0) continue;
    if (std_end > end) {
      ReportStyleDamage(FDiagnostics, std_start, "a style description runs past the stylesheet");
      std_end = end;
    }
    r.Seek(TvnSeekOrigin::soCurrent, 2);  // sti
    const auto kind = static_cast<uint32_t>(r.GetDecimalValue(2));
    const auto next = static_cast<uint32_t>(r.GetDecimalValue(2));
    r.Seek(TvnSeekOrigin::soCurrent, cbSTDBaseInFile > 10 ? 14 : 6);
    const int32_t stk = static_cast<int32_t>(kind & 0x0F);
    const uint32_t istdBase = kind >> 4;
    String name;
    while (r.Position() + 2 <= std_end) {
      const auto c = static_cast<char16_t>(r.GetDecimalValue(2));
      if (c == 0) break;
      name.push_back(c);
    }
    auto style = std::make_unique<TvnStyle>(IntToStr(i));
    style->SetStyleName(name);
    style->SetNext(IntToStr(next >> 4));
    const bool has_base = istdBase != kNoBaseStyle;
    style->SetBasedOn(has_base ? IntToStr(istdBase) : String());
    style->SetDefaultStyle(!has_base);
    // A property block longer than what is left of its description is read
    // only up to the description's end.
    const auto block = [&](int64_t length) {
      const int64_t left = std::max<int64_t>(std_end - r.Position(), 0);
      if (length > left) ReportStyleDamage(FDiagnostics, r.Position(), "a style property block runs past its style");
      return std::min(length, left);
    };
    if (stk == kStkParagraph || stk == kStkNumbering) {
      const auto cbUpx = static_cast<int64_t>(r.GetDecimalValue(2));
      const int64_t upx_start = r.Position();
      r.Seek(TvnSeekOrigin::soCurrent, 2);  // istd
      style->SetParagraphProperties(ReadStyleParagraphProperties(!has_base, block(std::max<int64_t>(cbUpx - 2, 0))));
      r.Seek(TvnSeekOrigin::soBegin, upx_start + cbUpx + (cbUpx & 1));
      if (stk == kStkNumbering) style->SetStyleType(TvnStyleType::stLinked);
    }
    if (stk == kStkParagraph || stk == kStkCharacter) {
      const auto cbUpx = static_cast<int64_t>(r.GetDecimalValue(2));
      const int64_t upx_start = r.Position();
      style->SetRunProperties(ReadStyleRunProperties(block(cbUpx)));
      r.Seek(TvnSeekOrigin::soBegin, upx_start + cbUpx + (cbUpx & 1));
      if (stk == kStkParagraph) {
        if (style->GetParagraphProperties())
          style->GetParagraphProperties()->SetRunProperties(
              style->GetRunProperties() ? std::shared_ptr<vn::wordmodel::TvnRunProperties>(style->GetRunProperties()->Clone())
                                        : nullptr);
        style->SetStyleType(TvnStyleType::stParagraph);
      } else {
        style->SetStyleType(TvnStyleType::stCharecter);
      }
    }
    if (!has_base && FHelperFunctions->GetDefaultFontName().empty() && style->GetRunProperties())
      FHelperFunctions->SetDefaultFontName(style->GetRunProperties()->GetFontName());
    FList.push_back(std::move(style));
  }
}

TvnDOCParser::TvnDOCParser(TvnDOCPackage* ADocPackage, vn::wordmodel::TvnDocumentMediator* ADocumentMediator,
                           Diagnostics* ADiagnostics)
    : TvnWordParser(ADocumentMediator), FPackage(ADocPackage) {
  try {
    FStyleParser = std::make_unique<TvnDOCStyleParser>(this, ADocPackage, ADocumentMediator, ADiagnostics);
  } catch (const std::exception& e) {
    if (ADiagnostics) ADiagnostics->Report({.message = std::string("the style reader failed: ") + e.what()});
    return;
  }
  try {
    FDocumentParser = std::make_unique<TvnDOCMainDocumentParser>(ADocPackage, ADocumentMediator, ADiagnostics);
  } catch (const std::exception& e) {
    if (ADiagnostics) ADiagnostics->Report({.message = std::string("the main-document reader failed: ") + e.what()});
  }
}

}  // namespace vn::doc

// What the RTF tests share: reading RTF text through the dispatcher and
// writing the model it builds as plain text that a test can compare.
#pragma once

#include <memory>
#include <string>

#include "rtf/rtf_tag_handler.h"
#include "runtime/strings.h"
#include "wordmodel/fields.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/table.h"
#include "wordmodel/text_item.h"

namespace rtf_test_support {

using vn::rtf::TvnRTFTagHandler;
using vn::wordmodel::TvnBreak;
using vn::wordmodel::TvnBreakType;
using vn::wordmodel::TvnParagraph;
using vn::wordmodel::TvnRun;
using vn::wordmodel::TvnRunProperties;
using vn::wordmodel::TvnTextitem;

inline std::unique_ptr<TvnRTFTagHandler> Dispatch(const std::string& ARtf) {
  auto handler = std::make_unique<TvnRTFTagHandler>(nullptr);
  vn::rtf::TvnRTFTokenizer tokenizer(ARtf);
  handler->StartParsing(tokenizer);
  return handler;
}

inline std::string HexColor(vn::framework::TvnRGBColor AColor) {
  char text[8];
  std::snprintf(text, sizeof text, "%02x%02x%02x", AColor.Red, AColor.Green, AColor.Blue);
  return text;
}

// The formatting of a run: "b", "i", "u", "s", "sup", "sub", then font,
// size, colour and highlight when set, e.g. "b i Arial 12 ff0000".
inline std::string FormatOf(const TvnRunProperties& AProps) {
  using vn::framework::TvnFontStyle;
  std::string result;
  auto add = [&result](const std::string& AWord) {
    if (!result.empty()) result += ' ';
    result += AWord;
  };
  const auto styles = AProps.GetFontStyle();
  if (styles.Contains(TvnFontStyle::fsBold)) add("b");
  if (styles.Contains(TvnFontStyle::fsItalic)) add("i");
  if (styles.Contains(TvnFontStyle::fsUnderline)) add("u");
  if (styles.Contains(TvnFontStyle::fsStrikeOut)) add("s");
  if (AProps.GetTextAlignment() == vn::wordmodel::TvnTextAlignment::taSuperscript) add("sup");
  if (AProps.GetTextAlignment() == vn::wordmodel::TvnTextAlignment::taSubscript) add("sub");
  if (!AProps.GetFontName().empty()) add(vn::ToUtf8(AProps.GetFontName()));
  if (AProps.GetFontSize() != vn::wordmodel::kUnsetValue) add(std::to_string(AProps.GetFontSize()));
  if (!(AProps.GetBrush()->GetColor() == vn::framework::TvnRGBColor{})) add(HexColor(AProps.GetBrush()->GetColor()));
  if (AProps.GetIsHighLightColor()) add("hl:" + HexColor(AProps.GetHighLightColor()));
  return result;
}

// One paragraph: its runs one after the other, a break as "[line]",
// "[page]" or "[tab]", a field as the runs of its result; with AFormat each
// run is preceded by its formatting in braces.
inline std::string DumpRun(const TvnRun& ARun, bool AFormat);

inline std::string DumpParagraph(const TvnParagraph& AParagraph, bool AFormat) {
  std::string result;
  for (const auto& item : AParagraph.GetItems()) {
    if (const auto* field = dynamic_cast<const vn::wordmodel::TvnField*>(item.get())) {
      if (field->GetResult() != nullptr)
        for (const auto& shown : *field->GetResult()) result += DumpRun(*shown, AFormat);
      continue;
    }
    const auto* run = dynamic_cast<const TvnRun*>(item.get());
    if (run != nullptr) result += DumpRun(*run, AFormat);
  }
  return result;
}

inline std::string DumpRun(const TvnRun& ARun, bool AFormat) {
  std::string result;
  if (AFormat) result += "{" + FormatOf(*ARun.GetRunProperties()) + "}";
  for (const auto& child : ARun.GetItems()) {
    if (const auto* text = dynamic_cast<const TvnTextitem*>(child.get())) {
      result += vn::ToUtf8(text->GetText());
    } else if (const auto* brk = dynamic_cast<const TvnBreak*>(child.get())) {
      switch (brk->GetBreakType()) {
        case TvnBreakType::btLine: result += "[line]"; break;
        case TvnBreakType::btPage: result += "[page]"; break;
        case TvnBreakType::btTab: result += "[tab]"; break;
        default: result += "[break]"; break;
      }
    }
  }
  return result;
}

// The body: paragraphs one a line; a paragraph that ends a section is
// followed by a line "--".
inline std::string DumpBody(const TvnRTFTagHandler& AHandler, bool AFormat = false) {
  std::string result;
  for (const auto* element : AHandler.Elements()) {
    const auto* paragraph = dynamic_cast<const TvnParagraph*>(element);
    if (paragraph == nullptr) continue;
    result += DumpParagraph(*paragraph, AFormat) + "\n";
    if (paragraph->GetContainsSection()) result += "--\n";
  }
  return result;
}

// The structure of a body, headers or cell: a paragraph as its text, a table
// as "[" rows "]" with rows "(" cells ")" separated by "|", cells by ";";
// items separated by "/".
inline std::string DumpItems(const vn::wordmodel::TvnItemList& AItems);

inline std::string DumpCell(const vn::wordmodel::TvnTableCell& ACell) { return DumpItems(ACell.GetDocItems()); }

inline std::string DumpTable(const vn::wordmodel::TvnTable& ATable) {
  std::string result = "[";
  for (const auto& row : ATable.GetRows()) {
    if (result.size() > 1) result += "|";
    result += "(";
    for (size_t i = 0; i < row->GetCells().size(); ++i) {
      if (i > 0) result += ";";
      result += DumpCell(*row->GetCells()[i]);
    }
    result += ")";
  }
  return result + "]";
}

inline std::string DumpItems(const vn::wordmodel::TvnItemList& AItems) {
  std::string result;
  for (const auto& item : AItems) {
    if (!result.empty()) result += "/";
    if (const auto* paragraph = dynamic_cast<const vn::wordmodel::TvnParagraph*>(item.get()))
      result += DumpParagraph(*paragraph, false);
    else if (const auto* table = dynamic_cast<const vn::wordmodel::TvnTable*>(item.get()))
      result += DumpTable(*table);
  }
  return result;
}

inline std::string DumpStructure(const TvnRTFTagHandler& AHandler) {
  std::string result;
  for (const auto* element : AHandler.Elements()) {
    if (!result.empty()) result += "/";
    if (const auto* paragraph = dynamic_cast<const vn::wordmodel::TvnParagraph*>(element))
      result += DumpParagraph(*paragraph, false);
    else if (const auto* table = dynamic_cast<const vn::wordmodel::TvnTable*>(element))
      result += DumpTable(*table);
  }
  return result;
}


inline std::string DumpRtf(const std::string& ARtf, bool AFormat = false) { return DumpBody(*Dispatch(ARtf), AFormat); }

}  // namespace rtf_test_support

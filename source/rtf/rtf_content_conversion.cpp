// The RTF document's content conversion: the formatter's paragraphs and
// tables and the Word model's paragraphs and tables become RTF paragraphs
// and tables of the writer, their fonts and colours registered in the
// header.
#include <cmath>

#include "platform/canvas/cairo_canvas.h"
#include "rtf/rtf_document.h"
#include "runtime/exceptions.h"
#include "runtime/numbers.h"
#include "wordmodel/fields.h"
#include "wordmodel/images.h"
#include "wordmodel/layout_tags.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/table.h"
#include "wordmodel/text_item.h"

namespace vn::rtf {

namespace fw = vn::framework;
namespace pf = vn::platform;
namespace wm = vn::wordmodel;
using writer::TvnRTFParagraph;
using writer::TvnRTFParagraphDestination;
using writer::TvnRTFParagraphDestinations;

namespace {

// Fixed factors, whatever the screen: points to twips, pixels (96 per
// inch) to twips, points to pixels.
constexpr double kTwipsPerPoint = 20;
constexpr double kTwipsPerPixel = 15;
constexpr double kPixelsPerPoint = 96.0 / 72.0;
// The tab position of a tab with no stop of its own.
constexpr double kDefaultTabPosition = 1;
// The largest font size in points whose half-points "\fs" holds.
constexpr int32_t kMaxFontSize = 16383;

writer::TvnHAlignment WriterAlignment(wm::TvnHAlignment AAlignment) {
  switch (AAlignment) {
    case wm::TvnHAlignment::haCenter: return writer::TvnHAlignment::haCenter;
    case wm::TvnHAlignment::haRight: return writer::TvnHAlignment::haRight;
    case wm::TvnHAlignment::haJustify: return writer::TvnHAlignment::haJustify;
    default: return writer::TvnHAlignment::haLeft;
  }
}

writer::TvnTextRise WriterRise(wm::TvnTextAlignment AAlignment) {
  switch (AAlignment) {
    case wm::TvnTextAlignment::taSuperscript: return writer::TvnTextRise::trSuperscript;
    case wm::TvnTextAlignment::taSubscript: return writer::TvnTextRise::trSubscript;
    default: return writer::TvnTextRise::trNormal;
  }
}

// A run's font as registered in the header: a face (Arial when none is
// given), a size in points, the style, the default character set.
struct RunFont {
  writer::WriterFont Font;
  writer::TvnRTFFontStyle Style;
  int32_t FontIndex = 0;
  int32_t ColorIndex = 0;
};

RunFont RegisterFont(writer::TvnRTFHeader& AHeader, const String& AName, int32_t ASize, fw::TvnFontStyles AStyles,
                     fw::TvnRGBColor AColor) {
  RunFont run;
  run.Font.Name = AName.empty() ? u"Arial" : std::u16string(AName);
  // A size not given (or beyond what RTF holds) reads as 10 points.
  run.Font.Size = ASize > 0 && ASize <= kMaxFontSize ? ASize : 10;
  run.Font.Bold = run.Style.Bold = AStyles.Contains(fw::TvnFontStyle::fsBold);
  run.Font.Italic = run.Style.Italic = AStyles.Contains(fw::TvnFontStyle::fsItalic);
  run.Font.Underline = run.Style.Underline = AStyles.Contains(fw::TvnFontStyle::fsUnderline);
  run.Font.StrikeOut = run.Style.StrikeOut = AStyles.Contains(fw::TvnFontStyle::fsStrikeOut);
  run.FontIndex = AHeader.AddFontInfoToFontTable(run.Font);
  run.ColorIndex = AHeader.AddColorInfoToColorTable(pf::RGBColor(AColor.Red, AColor.Green, AColor.Blue));
  return run;
}

void InsertText(writer::TvnParagraphItem& AItem, const String& AText, const RunFont& AFont, double ATabPos,
                writer::TvnTextRise ARise) {
  AItem.InsertTextItem(AText, AFont.FontIndex, AFont.ColorIndex, AFont.Style, AFont.Font.Size * 2, AFont.Font.Charset,
                       0, ATabPos, ARise);
}

// A picture decoded from AImage, or an empty one when it cannot be
// decoded: a picture that cannot be read is left out of its paragraph,
// which keeps its text.
pf::Picture DecodeOrEmpty(vn::TStream* AImage, double AHeight, double AWidth) {
  try {
    return TvnRTFDocument::LoadImageAsBitmap(AImage, AHeight, AWidth);
  } catch (const vn::Exception&) {
    return {};
  }
}

}  // namespace

pf::Picture TvnRTFDocument::LoadImageAsBitmap(vn::TStream* AImage, double AHeight, double AWidth) {
  if (AImage == nullptr) return {};
  AImage->Seek(0, vn::SeekOrigin::soBeginning);
  pf::Picture picture = pf::DecodePicture(pf::ReadPictureBytes(*AImage));
  pf::Picture bitmap = picture;
  // The picture on a bitmap of its own size first, as drawn.
  if (!picture.Bitmap && picture.Width > 0 && picture.Height > 0) {
    pf::CairoCanvas canvas(picture.Width, picture.Height);
    pf::DrawPicture(canvas, picture, {0, 0, picture.Width, picture.Height}, 0, false);
    bitmap = pf::PictureOf(canvas.Pixels().ConvertTo(pf::PixelFormat::pf24bit));
  }
  ResizeBitmap(bitmap, static_cast<int32_t>(std::lround(AWidth)), static_cast<int32_t>(std::lround(AHeight)));
  return bitmap;
}

bool TvnRTFDocument::ResizeBitmap(pf::Picture& ABitmap, int32_t AWidth, int32_t AHeight) {
  try {
    if (AWidth <= 0 || AHeight <= 0 || ABitmap.Empty()) return false;
    if (ABitmap.Width == AWidth && ABitmap.Height == AHeight) return true;
    pf::CairoCanvas canvas(AWidth, AHeight);
    // Stretched over the whole new size.
    pf::DrawPicture(canvas, ABitmap, {0, 0, AWidth, AHeight}, 0, false);
    ABitmap = pf::PictureOf(canvas.Pixels().ConvertTo(pf::PixelFormat::pf24bit));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::unique_ptr<TvnRTFParagraph> TvnRTFDocument::ConvertFormatterParagraph(const wm::TvnFormatterParagraph& AParagraph,
                                                                           TvnRTFParagraphDestinations ADest) {
  auto result = std::make_unique<TvnRTFParagraph>(FRTFHeader.get(),
                                                  FRTFHeader->StyleManager().GetStyleIndex("Normal"), ADest);
  writer::TvnParagraphItem& item = result->Paragraph();
  writer::TvnTextFormatting& settings = item.Settings();
  settings.SetBeforeSpace(AParagraph.GetSpaceBefore() * kTwipsPerPoint);
  settings.SetAfterSpace(AParagraph.GetSpaceAfter() * kTwipsPerPoint);
  settings.SetLeftIndent(AParagraph.GetLeftIndent() * kTwipsPerPixel);
  settings.SetRightIndent(AParagraph.GetRightIndent() * kTwipsPerPixel);
  settings.SetFirstLineIndent(AParagraph.GetFirstLineIndent() * kTwipsPerPixel);
  settings.SetLineSpacing(AParagraph.GetLineSpacing());
  switch (AParagraph.GetLineSpacingRule()) {
    case wm::TvnLineSpacing::lsExact: settings.SetLineSpacingOption(writer::TvnLineSpacing::lsExact); break;
    case wm::TvnLineSpacing::lsAtLeast: settings.SetLineSpacingOption(writer::TvnLineSpacing::lsAtLeast); break;
    case wm::TvnLineSpacing::lsSingle: settings.SetLineSpacingOption(writer::TvnLineSpacing::lsSingle); break;
    case wm::TvnLineSpacing::lsMultiple: settings.SetLineSpacingOption(writer::TvnLineSpacing::lsMultiple); break;
  }
  settings.SetAlignment(WriterAlignment(AParagraph.GetHAlignment()));

  size_t tabCounter = 0;
  const fw::TvnFont defaultFont;
  for (const fw::TvnDocItem* child : AParagraph.GetDocItems()) {
    if (const auto* element = dynamic_cast<const wm::TvnTextElement*>(child)) {
      const fw::TvnFont& font = element->GetFont() ? *element->GetFont() : defaultFont;
      const RunFont run = RegisterFont(*FRTFHeader, font.GetName(), font.GetSize(), font.GetStyle(), element->GetColor());
      double tabPos = 0;
      if (element->GetTextBreak() == wm::TvnBreakType::btTab) {
        // A tab beyond the paragraph's stops goes to the next default stop;
        // so does one whose stop lies left of the margin (text set into
        // it), which would write no tab and run the words on either side
        // together.
        const auto& tabs = AParagraph.GetTabs();
        tabPos = tabCounter < tabs.size() && tabs[tabCounter]
                     ? tabs[tabCounter]->GetPosition() * kPixelsPerPoint * kTwipsPerPixel
                     : kDefaultTabPosition;
        if (!(tabPos > 0)) tabPos = kDefaultTabPosition;
        ++tabCounter;
      }
      // A line of a paragraph ends in a break: the words on either side
      // stay apart.
      String text = element->GetText();
      if (element->GetTextBreak() == wm::TvnBreakType::btLine && (text.empty() || text.back() != u' ')) text += u' ';
      InsertText(item, text, run, tabPos, WriterRise(element->GetTextAlignment()));
    } else if (const auto* image = dynamic_cast<const wm::TvnFormatterImageElement*>(child)) {
      const std::shared_ptr<wm::TvnRectF>& box = image->GetBoundingRect();
      if (!box) continue;
      pf::Picture picture = DecodeOrEmpty(image->GetImage(), box->GetHeight(), box->GetWidth());
      if (picture.Empty()) continue;
      item.InsertImageItem(std::move(picture), true,
                           {box->GetLeft(), box->GetTop(), box->GetRight(), box->GetBottom()});
    }
  }
  return result;
}

void TvnRTFDocument::AddRuns(writer::TvnParagraphItem& AItem, const wm::TvnRun& ARun,
                             const wm::TvnParagraph& AParagraph, int32_t& ATabCounter) {
  std::shared_ptr<wm::TvnRunProperties> props = ARun.GetFinalRunProperties();
  if (!props) props = ARun.GetRunProperties();
  const wm::TvnRunProperties defaults;
  const wm::TvnRunProperties& p = props ? *props : defaults;
  String name = p.GetFontName();
  if (name.empty() && p.GetFont()) name = p.GetFont()->GetName();
  int32_t size = p.GetFontSize();
  if ((size <= 0 || size > kMaxFontSize) && p.GetFont()) size = p.GetFont()->GetSize();
  const RunFont run = RegisterFont(*FRTFHeader, name, size, p.GetFontStyle(), p.GetBrush()->GetColor());
  const writer::TvnTextRise rise = WriterRise(p.GetTextAlignment());
  const auto& paraProps = AParagraph.GetFinalParagraphProperties();
  auto insertTab = [&] {
    double tabPos = kDefaultTabPosition;
    if (paraProps && ATabCounter < static_cast<int32_t>(paraProps->GetTabs().size())) {
      const auto& tab = paraProps->GetTabs()[static_cast<size_t>(ATabCounter)];
      if (tab) tabPos = tab->GetPosition() * kTwipsPerPixel;
      ++ATabCounter;
    }
    InsertText(AItem, String(), run, tabPos, rise);
  };
  for (const auto& child : ARun.GetItems()) {
    if (const auto* text = dynamic_cast<const wm::TvnTextitem*>(child.get())) {
      // A laid-out paragraph holds its tabs as marks on the text that
      // follows them.
      if (wm::TabbedByLayout(*text)) insertTab();
      InsertText(AItem, text->GetText(), run, 0, rise);
    } else if (const auto* brk = dynamic_cast<const wm::TvnBreak*>(child.get())) {
      if (brk->GetBreakType() == wm::TvnBreakType::btTab) {
        insertTab();
      } else if (brk->GetBreakType() == wm::TvnBreakType::btLine) {
        // A line break keeps the words on either side apart.
        InsertText(AItem, u" ", run, 0, rise);
      }
    }
  }
}

std::unique_ptr<TvnRTFParagraph> TvnRTFDocument::ConvertWordParagraph(const wm::TvnParagraph& AParagraph,
                                                                      TvnRTFParagraphDestinations ADest) {
  auto result = std::make_unique<TvnRTFParagraph>(FRTFHeader.get(),
                                                  FRTFHeader->StyleManager().GetStyleIndex("Normal"), ADest);
  writer::TvnParagraphItem& item = result->Paragraph();
  writer::TvnTextFormatting& settings = item.Settings();
  if (const auto& props = AParagraph.GetFinalParagraphProperties()) {
    // A length the paragraph leaves unset is none (written as the number
    // that marks it, it would make the indent or space billions of twips);
    // a hanging indent places the first line, as the layout does.
    auto twips = [](int32_t APixels) { return APixels == wm::kUnsetValue ? 0.0 : APixels * kTwipsPerPixel; };
    const int32_t hanging = props->GetHanging();
    settings.SetBeforeSpace(twips(props->GetSpaceBefore()));
    settings.SetAfterSpace(twips(props->GetSpaceAfter()));
    settings.SetLeftIndent(twips(props->GetLeftIndent()));
    settings.SetRightIndent(twips(props->GetRightIndent()));
    settings.SetFirstLineIndent(hanging != wm::kUnsetValue && hanging > 0 ? -twips(hanging)
                                                                          : twips(props->GetFirstLineIndent()));
    if (props->GetLineSpacing() != wm::kUnsetValue) settings.SetLineSpacing(props->GetLineSpacing());
    switch (props->GetLineSpacingRule()) {
      case wm::TvnSpacingRule::srAuto: settings.SetLineSpacingOption(writer::TvnLineSpacing::lsMultiple); break;
      case wm::TvnSpacingRule::srExact: settings.SetLineSpacingOption(writer::TvnLineSpacing::lsExact); break;
      case wm::TvnSpacingRule::srAtleast: settings.SetLineSpacingOption(writer::TvnLineSpacing::lsAtLeast); break;
    }
    settings.SetAlignment(WriterAlignment(props->GetHAlignment()));
  }
  int32_t tabCounter = 0;
  for (const auto& child : AParagraph.GetItems()) {
    if (const auto* run = dynamic_cast<const wm::TvnRun*>(child.get())) {
      AddRuns(item, *run, AParagraph, tabCounter);
    } else if (const auto* field = dynamic_cast<const wm::TvnField*>(child.get())) {
      // A field shows its result (a link's text, a page number).
      if (field->GetResult() != nullptr)
        for (const auto& shown : *field->GetResult())
          if (shown) AddRuns(item, *shown, AParagraph, tabCounter);
    } else if (auto* image = dynamic_cast<wm::TvnWordImage*>(child.get())) {
      const fw::TRect box = image->GetBoundingRect();
      pf::Picture picture = DecodeOrEmpty(PictureData(*image), box.Bottom - box.Top, box.Right - box.Left);
      if (picture.Empty()) continue;
      item.InsertImageItem(std::move(picture), true,
                           {static_cast<double>(box.Left), static_cast<double>(box.Top),
                            static_cast<double>(box.Right), static_cast<double>(box.Bottom)});
    }
  }
  return result;
}

vn::TStream* TvnRTFDocument::PictureData(wm::TvnDocImage& AImage) {
  const auto kept = FPictureData.find(&AImage);
  if (kept != FPictureData.end()) return kept->second.get();
  // Only pictures of a document's resources refer to the source.
  return AImage.GetIsFromResource() ? nullptr : AImage.GetImageStream();
}

std::unique_ptr<writer::TvnRTFTableItem> TvnRTFDocument::ConvertFormatterTable(const wm::TvnFormatterTable& ATable) {
  auto table = std::make_unique<writer::TvnRTFTableItem>(FRTFHeader.get());
  const TvnRTFParagraphDestinations inCell{TvnRTFParagraphDestination::pdTable};
  for (const wm::TvnFormatterTableRow* row : ATable.GetRows()) {
    if (!row) continue;
    const int32_t rowIndex = table->InsertRow(-1) - 1;
    double right = 0;
    for (const wm::TvnFormatterTableCell* cell : row->GetCells()) {
      if (!cell) continue;
      writer::TvnRTFCell& out = table->InsertCell(rowIndex, cell->GetWidth() * kPixelsPerPoint * kTwipsPerPixel);
      right += cell->GetWidth() * kPixelsPerPoint;
      out.Right = right;
      for (const fw::TvnDocItem* content : cell->GetDocItems()) {
        if (const auto* p = dynamic_cast<const wm::TvnFormatterParagraph*>(content)) {
          out.InsertElement(ConvertFormatterParagraph(*p, inCell));
        } else if (const auto* t = dynamic_cast<const wm::TvnFormatterTable*>(content)) {
          out.InsertElement(ConvertFormatterTable(*t));
        }
      }
    }
  }
  return table;
}

std::unique_ptr<writer::TvnRTFTableItem> TvnRTFDocument::ConvertWordTable(const wm::TvnTable& ATable) {
  auto table = std::make_unique<writer::TvnRTFTableItem>(FRTFHeader.get());
  const TvnRTFParagraphDestinations inCell{TvnRTFParagraphDestination::pdTable};
  for (const auto& row : ATable.GetRows()) {
    if (!row) continue;
    const int32_t rowIndex = table->InsertRow(-1) - 1;
    double right = 0;
    for (const auto& cell : row->GetCells()) {
      if (!cell) continue;
      // A cell without a width of its own (automatic) takes its laid-out
      // width, else an inch, so that the cells' edges keep their order.
      int32_t width = cell->GetWidth();
      if (width <= 0) width = cell->GetActCellWidth();
      if (width <= 0) width = 96;
      writer::TvnRTFCell& out = table->InsertCell(rowIndex, width * kTwipsPerPixel);
      right += width;
      out.Right = right;
      for (const auto& content : cell->GetDocItems()) {
        if (const auto* p = dynamic_cast<const wm::TvnParagraph*>(content.get())) {
          out.InsertElement(ConvertWordParagraph(*p, inCell));
        } else if (const auto* t = dynamic_cast<const wm::TvnTable*>(content.get())) {
          out.InsertElement(ConvertWordTable(*t));
        }
      }
    }
  }
  return table;
}

}  // namespace vn::rtf

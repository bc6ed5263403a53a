// The writing half of the RTF document: collecting the pages of other
// documents (Assign) and the small engine that writes them (Save).
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "framework/document_routines.h"
#include "platform/canvas/cairo_canvas.h"
#include "rtf/rtf_document.h"
#include "rtf/rtf_writer_picture.h"
#include "rtf/rtf_writer_utils.h"
#include "rtf/text_document.h"
#include "runtime/exceptions.h"
#include "wordmodel/images.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/section.h"
#include "wordmodel/table.h"

extern char** environ;

namespace vn::rtf {

namespace fw = vn::framework;
namespace pf = vn::platform;
namespace wm = vn::wordmodel;
using writer::TvnRTFParagraphDestination;
using writer::TvnSectionType;

namespace {

// The margins of every written page, in points.
constexpr double kWrittenMarginPt = 72;
constexpr double kPointsToPixels = 96.0 / 72.0;

// Hands AFileName to the desktop's opener without waiting for it.
void OpenWithDesktop(const String& AFileName) {
  const std::string name = ToUtf8(AFileName);
  char program[] = "xdg-open";
  std::vector<char> argument(name.begin(), name.end());
  argument.push_back('\0');
  char* argv[] = {program, argument.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) == 0) {
    int status = 0;
    (void)waitpid(pid, &status, WNOHANG);
  }
}

std::unique_ptr<wm::TvnRectF> CopyRect(const wm::TvnRectF& ARect) {
  return std::make_unique<wm::TvnRectF>(ARect.GetX(), ARect.GetY(), ARect.GetWidth(), ARect.GetHeight());
}

// A copy of a positioned text element: text, font, rectangle, character
// boxes (kept in ABoxes), alignment, break and colour.
std::unique_ptr<wm::TvnTextElement> CopyTextElement(const wm::TvnTextElement& ASource,
                                                    std::vector<std::unique_ptr<wm::TObject>>& ABoxes) {
  auto copy = std::make_unique<wm::TvnTextElement>();
  copy->SetText(ASource.GetText());
  if (ASource.GetFont() != nullptr) {
    auto font = std::make_unique<fw::TvnFont>();
    font->Assign(ASource.GetFont());
    copy->SetFont(std::move(font));
  }
  if (ASource.GetBoundingRect()) copy->SetBoundingRect(CopyRect(*ASource.GetBoundingRect()));
  for (const wm::TvnRectF* box : ASource.GetCharBoundingRect()) {
    if (box == nullptr) continue;
    auto owned = CopyRect(*box);
    copy->GetCharBoundingRect().push_back(owned.get());
    ABoxes.push_back(std::move(owned));
  }
  copy->SetTextAlignment(ASource.GetTextAlignment());
  copy->SetTextBreak(ASource.GetTextBreak());
  copy->SetColor(ASource.GetColor());
  return copy;
}

// A new section with what the writer reads of ASource: page size, section
// type and columns; no children (copying the whole body for every page
// would cost the body's size per page).
std::unique_ptr<wm::TvnSection> SectionShell(const wm::TvnSection& ASource) {
  auto copy = std::make_unique<wm::TvnSection>();
  copy->SetPageWidth(ASource.GetPageWidth());
  copy->SetPageHeight(ASource.GetPageHeight());
  copy->SetOrientation(ASource.GetOrientation());
  copy->SetSectionType(ASource.GetSectionType());
  copy->SetColumnsCount(ASource.GetColumnsCount());
  copy->SetSpaceBetweenColumns(ASource.GetSpaceBetweenColumns());
  copy->SetEqualWidthColumns(ASource.GetEqualWidthColumns());
  for (const auto& column : ASource.GetColumns())
    if (column) copy->GetColumns().push_back(column->Clone());
  return copy;
}

bool IsWordBodyItem(const fw::TvnDocItem* AItem) {
  return dynamic_cast<const wm::TvnParagraph*>(AItem) != nullptr || dynamic_cast<const wm::TvnTable*>(AItem) != nullptr;
}

}  // namespace

// ---- Collecting ------------------------------------------------------------------

void TvnRTFDocument::Assign(fw::TvnBaseDocument* SourceDocument, const String& PageRange) {
  if (!SourceDocument) throw vn::ExInvalidPageError("Invalid page range");
  const fw::TvnPageRange pages = fw::ParsePageRange(PageRange, SourceDocument->GetPageCount());
  // What the previous page of this call showed: a paragraph or table broken
  // over two pages is listed by both.
  std::vector<const fw::TvnDocItem*> taken;
  for (const int32_t n : pages) {
    DoBeginAssignPage(n);
    fw::TvnPage* page = SourceDocument->GetPage(n);
    if (!page) throw vn::ExInvalidPageError("Invalid page range");
    std::vector<const fw::TvnDocItem*> takenHere;
    if (auto* textPage = dynamic_cast<TvnTextPage*>(page)) {
      CollectLinesPage(textPage->GetLines());
    } else {
      bool hasList = true;
      std::vector<fw::TvnDocItem*> elements;
      try {
        elements = page->GetPageElements();
      } catch (const vn::EAbstractError&) {
        hasList = false;
      }
      if (!hasList) {
        // A page without an element list (a picture) is taken as it draws.
        if (auto* drawn = dynamic_cast<fw::TvnBasePage*>(page)) CollectPicturePage(*drawn, SourceDocument->GetMeasurementUnit());
      } else if (!elements.empty()) {
        const fw::TvnDocItem* first = elements.front();
        if (dynamic_cast<const wm::TvnTextElement*>(first)) {
          CollectTextPage(*page, SourceDocument->GetMeasurementUnit(), elements);
        } else if (IsWordBodyItem(first)) {
          takenHere = std::vector<const fw::TvnDocItem*>(elements.begin(), elements.end());
          CollectWordPage(*SourceDocument, elements, taken);
        }
      }
    }
    taken = std::move(takenHere);
    DoEndAssignPage(n, ++FAssignedPages);
  }
}

void TvnRTFDocument::AppendSection(std::unique_ptr<fw::TvnDocItem> ASection) {
  GetFormattedData()->GetCollection().push_back(ASection.get());
  FCollected.push_back(std::move(ASection));
}

void TvnRTFDocument::CollectTextPage(fw::TvnPage& APage, fw::TvnMeasurementUnit AUnit,
                                     const std::vector<fw::TvnDocItem*>& AElements) {
  // The analysis works on copies the document keeps: the source page keeps
  // its own elements, unchanged, and may go before Save.
  auto data = std::make_unique<wm::TvnPageData>();
  const fw::TvnPageSize size = APage.GetPageSize();
  const fw::TvnMeasurementUnit unit = AUnit;
  data->SetPageHeight(fw::ConvertMeasurement(unit, fw::TvnMeasurementUnit::muPoints, size.Height));
  data->SetPageWidth(fw::ConvertMeasurement(unit, fw::TvnMeasurementUnit::muPoints, size.Width));
  wm::TvnPageMargins* margins = data->GetPageMargin();
  margins->SetLeft(static_cast<int32_t>(kWrittenMarginPt));
  margins->SetTop(static_cast<int32_t>(kWrittenMarginPt));
  margins->SetRight(static_cast<int32_t>(kWrittenMarginPt));
  margins->SetBottom(static_cast<int32_t>(kWrittenMarginPt));
  for (const fw::TvnDocItem* item : AElements) {
    const auto* element = dynamic_cast<const wm::TvnTextElement*>(item);
    if (!element || element->GetText().empty() || element->GetText() == u" ") continue;
    std::unique_ptr<wm::TvnTextElement> copy = CopyTextElement(*element, FCollected);
    data->GetDocItems().push_back(copy.get());
    FCollected.push_back(std::move(copy));
  }
  // The formatter keeps referring to the page data: it stays with the
  // document.
  wm::TvnPageData* page = data.get();
  FCollected.push_back(std::move(data));
  FFormatter->Add(page);
}

void TvnRTFDocument::CollectWordPage(fw::TvnBaseDocument& ASource, const std::vector<fw::TvnDocItem*>& AElements,
                                     std::vector<const fw::TvnDocItem*>& ATaken) {
  const auto* laidOut = dynamic_cast<const wm::LaidOutWordDocument*>(&ASource);
  const std::vector<wm::TvnSection*> noSections;
  const std::vector<wm::TvnSection*>& sections = laidOut ? laidOut->GetSections() : noSections;
  // A table has no section of its own: it takes that of the paragraph
  // before it, else of the next paragraph of the page, else the first.
  auto sectionOf = [&](size_t AIndex, const wm::TvnSection* APrevious) -> const wm::TvnSection* {
    if (const auto* p = dynamic_cast<const wm::TvnParagraph*>(AElements[AIndex]); p && p->GetSection())
      return p->GetSection();
    if (APrevious) return APrevious;
    for (size_t i = AIndex + 1; i < AElements.size(); ++i)
      if (const auto* p = dynamic_cast<const wm::TvnParagraph*>(AElements[i]); p && p->GetSection())
        return p->GetSection();
    return sections.empty() ? nullptr : sections.front();
  };
  const wm::TvnSection* previous = nullptr;
  wm::TvnSection* current = nullptr;
  for (size_t i = 0; i < AElements.size(); ++i) {
    const fw::TvnDocItem* item = AElements[i];
    if (!IsWordBodyItem(item)) continue;
    if (std::find(ATaken.begin(), ATaken.end(), item) != ATaken.end()) continue;
    const wm::TvnSection* section = sectionOf(i, previous);
    if (current == nullptr || section != previous) {
      std::unique_ptr<wm::TvnSection> shell = section ? SectionShell(*section) : std::make_unique<wm::TvnSection>();
      current = shell.get();
      AppendSection(std::move(shell));
    }
    previous = section;
    KeepPictureData(*current->Add(item->Clone()));
  }
}

void TvnRTFDocument::KeepPictureData(fw::TvnDocItem& AItem) {
  // A copied picture of a document's resources still refers to the source's
  // resource collection, which goes with the source: its bytes are read now.
  if (auto* image = dynamic_cast<wm::TvnDocImage*>(&AItem)) {
    if (!image->GetIsFromResource()) return;
    vn::TStream* data = image->GetImageStream();
    if (data == nullptr) {
      FPictureData[image] = nullptr;
      return;
    }
    const int64_t at = data->Position();
    data->Seek(0, vn::SeekOrigin::soBeginning);
    FPictureData[image] = std::make_shared<vn::TStringStream>(data->ReadAll());
    data->Seek(at, vn::SeekOrigin::soBeginning);
    return;
  }
  if (auto* composite = dynamic_cast<fw::TvnCompositeDocItem*>(&AItem)) {
    for (const auto& child : composite->GetItems())
      if (child) KeepPictureData(*child);
  } else if (auto* table = dynamic_cast<wm::TvnTable*>(&AItem)) {
    for (const auto& row : table->GetRows())
      for (const auto& cell : row->GetCells())
        for (const auto& content : cell->GetDocItems())
          if (content) KeepPictureData(*content);
  }
}

void TvnRTFDocument::CollectPicturePage(fw::TvnBasePage& APage, fw::TvnMeasurementUnit AUnit) {
  const fw::TvnPageSize size = APage.GetPageSize();
  const fw::TvnMeasurementUnit unit = AUnit;
  const double widthPt = fw::ConvertMeasurement(unit, fw::TvnMeasurementUnit::muPoints, size.Width);
  const double heightPt = fw::ConvertMeasurement(unit, fw::TvnMeasurementUnit::muPoints, size.Height);
  const auto widthPx = static_cast<int32_t>(std::lround(widthPt * kPointsToPixels));
  const auto heightPx = static_cast<int32_t>(std::lround(heightPt * kPointsToPixels));
  if (widthPx <= 0 || heightPx <= 0) return;
  // The page draws itself at its size in pixels; the picture travels as
  // PNG in a stream the document keeps.
  pf::CairoCanvas canvas(widthPx, heightPx);
  APage.Draw(&canvas, widthPx, heightPx, 96, 96, 0);
  auto stream = std::make_unique<writer::TvnExtMemStream>();
  writer::EncodePNG(canvas.Pixels().ConvertTo(pf::PixelFormat::pf24bit), std::nullopt, *stream);

  // The page is the picture with the written margins around it, so the
  // picture stays inside the page.
  auto section = std::make_unique<wm::TvnFormatterSection>();
  section->SetSectionType(wm::TvnSectionType::stNextPage);
  section->SetPageWidth(widthPt + 2 * kWrittenMarginPt);
  section->SetPageHeight(heightPt + 2 * kWrittenMarginPt);
  auto paragraph = std::make_unique<wm::TvnFormatterParagraph>();
  auto image = std::make_unique<wm::TvnFormatterImageElement>();
  image->SetImage(stream.get());
  image->SetBoundingRect(std::make_shared<wm::TvnRectF>(0, 0, widthPx, heightPx));
  paragraph->GetDocItems().push_back(image.get());
  section->GetDocItems().push_back(paragraph.get());
  FCollectedStreams.push_back(std::move(stream));
  FCollected.push_back(std::move(image));
  FCollected.push_back(std::move(paragraph));
  AppendSection(std::move(section));
}

void TvnRTFDocument::CollectLinesPage(const std::vector<String>& ALines) {
  auto section = std::make_unique<wm::TvnFormatterSection>();
  section->SetSectionType(wm::TvnSectionType::stNextPage);
  section->SetPageWidth(TvnTextDocument::kPageWidthPt);
  section->SetPageHeight(TvnTextDocument::kPageHeightPt);
  for (const String& line : ALines) {
    auto element = std::make_unique<wm::TvnTextElement>();
    element->SetText(line);
    auto font = std::make_unique<fw::TvnFont>();
    font->SetName(u"Arial");
    font->SetSize(10);
    element->SetFont(std::move(font));
    auto paragraph = std::make_unique<wm::TvnFormatterParagraph>();
    paragraph->SetSpaceAfter(0);
    paragraph->GetDocItems().push_back(element.get());
    section->GetDocItems().push_back(paragraph.get());
    FCollected.push_back(std::move(element));
    FCollected.push_back(std::move(paragraph));
  }
  AppendSection(std::move(section));
}

// ---- Writing -----------------------------------------------------------------------

bool TvnRTFDocument::Save() {
  RequestOutputTarget(fw::TvnOutputItem::oiDocument, 1, 1);
  if (!FIsOutputToStream && !StreamOutput && !OutFilePath.empty()) FOutputFileName = OutFilePath;
  SetMeasurementUnit(fw::TvnMeasurementUnit::muPixels);
  BeginDoc();
  for (fw::TvnDocItem* item : GetFormattedData()->GetCollection()) WriteSection(*item);
  EndDoc();
  return true;
}

void TvnRTFDocument::WriteSection(fw::TvnDocItem& ASection) {
  auto mapType = [this](wm::TvnSectionType AType) {
    switch (AType) {
      case wm::TvnSectionType::stNextPage: FSectionType = TvnSectionType::stPage; break;
      case wm::TvnSectionType::stContinuous: FSectionType = TvnSectionType::stNone; break;
      case wm::TvnSectionType::stColumnSection: FSectionType = TvnSectionType::stColumn; break;
      default: break;
    }
  };
  FLeftMargin = FRightMargin = FTopMargin = FBottomMargin = kWrittenMarginPt;
  FColumn.clear();
  const writer::TvnRTFParagraphDestinations body{TvnRTFParagraphDestination::pdPage};
  if (auto* section = dynamic_cast<wm::TvnFormatterSection*>(&ASection)) {
    FPageWidth = section->GetPageWidth() * kPointsToPixels;
    FPageHeight = section->GetPageHeight() * kPointsToPixels;
    mapType(section->GetSectionType());
    if (section->GetColumns().size() > 1) {
      for (const wm::TvnFormatterWordColumns* c : section->GetColumns())
        FColumn.push_back({c->Getspace() * kPointsToPixels, c->GetWidth() * kPointsToPixels});
    }
    BeginPage();
    for (const fw::TvnDocItem* item : section->GetDocItems()) {
      if (const auto* p = dynamic_cast<const wm::TvnFormatterParagraph*>(item)) {
        FCurrentItemsList->push_back(ConvertFormatterParagraph(*p, body));
      } else if (const auto* t = dynamic_cast<const wm::TvnFormatterTable*>(item)) {
        FCurrentItemsList->push_back(ConvertFormatterTable(*t));
      }
    }
  } else if (auto* wordSection = dynamic_cast<wm::TvnSection*>(&ASection)) {
    // Word lengths are pixels already.
    FPageWidth = wordSection->GetPageWidth();
    FPageHeight = wordSection->GetPageHeight();
    mapType(wordSection->GetSectionType());
    if (wordSection->GetColumns().size() > 1) {
      for (const auto& c : wordSection->GetColumns())
        FColumn.push_back({static_cast<double>(c->GetSpace()), static_cast<double>(c->GetWidth())});
    }
    BeginPage();
    for (const auto& child : wordSection->GetItems()) {
      if (const auto* p = dynamic_cast<const wm::TvnParagraph*>(child.get())) {
        FCurrentItemsList->push_back(ConvertWordParagraph(*p, body));
      } else if (const auto* t = dynamic_cast<const wm::TvnTable*>(child.get())) {
        FCurrentItemsList->push_back(ConvertWordTable(*t));
      }
    }
  }
}

void TvnRTFDocument::BeginDoc() {
  // Each save starts a fresh header and document area, so a document saved
  // twice writes the same file twice.
  if (FDocumentStarted) {
    FRTFHeader = std::make_unique<writer::TvnRTFHeader>();
    FRTFHeader->RTFFactor = writer::TwipsPerPixel();
    FDocArea = std::make_unique<writer::TvnRTFDocArea>();
  }
  FDocumentStarted = true;
  FDocArea->SetDocSettings(FPage);
  if (FIsOutputToStream) {
    if (!FUserStream) throw vn::ExInvalidStream("Invalid stream");
    FOutputStream = FUserStream;
  } else if (StreamOutput) {
    if (!OutStream) throw vn::ExInvalidStream("Invalid stream");
    FOutputStream = OutStream;
  } else {
    if (FOutputFileName.empty()) throw vn::EFCreateError("Cannot create file \"\"");
    FOutputStream = nullptr;
  }
  // InitializeEngine
  FPages.clear();
  FIsDocumentStarted = true;
  FCurrentPage = 0;
  FSection = nullptr;
  FCurrentItemsList = nullptr;
  FRTFStream.clear();
  // Start
  FRTFFactor = 1;  // the writer's unit is the pixel
  FTableStarted = false;
}

void TvnRTFDocument::BeginPage() {
  FPage.SetLeftMargin(FLeftMargin * kPointsToPixels);
  FPage.SetTopMargin(FTopMargin * kPointsToPixels);
  FPage.SetRightMargin(FRightMargin * kPointsToPixels);
  FPage.SetBottomMargin(FBottomMargin * kPointsToPixels);
  FPage.SetHeight(FPageHeight);
  FPage.SetWidth(FPageWidth);
  if (!FPages.empty()) FPages.back()->OffsetY = FCurrentOffsetY;
  writer::TvnRTFSection& section =
      FColumn.empty() ? CreateSection(FSectionType)
                      : CreateSection(static_cast<int32_t>(FColumn.size()), 30, FColumn);
  section.SetPageSettings(FPage);
  FDocArea->SetDocSettings(section.PageSettings());
  ++FCurrentPage;
  auto item = std::make_unique<writer::TvnPageItem>();
  item->Settings().Assign(FPage);
  FCurrentOffsetY = item->OffsetY;
  FPages.push_back(std::move(item));
  FTableStarted = false;
  FIsTextBoxStarted = false;
  FListStarted = false;
}

void TvnRTFDocument::EndDoc() {
  // The area first: its runs and tables register fonts and colours that
  // the header lists.
  const std::string area = FDocArea->Encode();
  WriteToRTFStream(FRTFHeader->Encode() + area);
  WriteToRTFStream("}");
  if (FOutputStream) {
    FOutputStream->WriteBuffer(FRTFStream.data(), static_cast<int64_t>(FRTFStream.size()));
  } else {
    vn::WriteFileBytes(std::filesystem::path(ToUtf8(FOutputFileName)), FRTFStream);
  }
  // FinalizeEngine
  FPages.clear();
  FCurrentPage = 0;
  FRTFStream.clear();
  FRTFStream.shrink_to_fit();
  if (!FOutputStream && FOpenAfterCreate) {
    if (ShellOpen) {
      ShellOpen(FOutputFileName);
    } else {
      OpenWithDesktop(FOutputFileName);
    }
  }
  FOutputStream = nullptr;
}

void TvnRTFDocument::BeginPara(const std::string& AStyleName) {
  writer::TvnRTFParagraphDestinations dest;
  if (FTableStarted && FListStarted) {
    dest = {TvnRTFParagraphDestination::pdTable, TvnRTFParagraphDestination::pdList};
  } else if (FTableStarted) {
    dest = {TvnRTFParagraphDestination::pdTable};
  } else if (FListStarted) {
    dest = {TvnRTFParagraphDestination::pdList};
  }
  FParagraph = std::make_unique<writer::TvnRTFParagraph>(
      FRTFHeader.get(), FRTFHeader->StyleManager().GetStyleIndex(AStyleName), dest);
  FParagraph->RTFFactor = 1;
  FCurrentOffsetY += FTextFormatting.BeforeSpace();
  if (FListStarted) FParagraph->ListIndex = FListIndex;
  FIsParagraphStarted = true;
  writer::TvnParagraphItem& item = FParagraph->Paragraph();
  item.X = FBandRect.Left;
  item.Y = FBandRect.Top + FCurrentOffsetY;
  item.SetSettings(FTextFormatting);
}

void TvnRTFDocument::EndPara() {
  if (!FParagraph) return;
  if (FIsTextBoxStarted && FTextBox) {
    FTextBox->InsertElement(std::move(FParagraph));
  } else if (FCurrentItemsList) {
    FCurrentItemsList->push_back(std::move(FParagraph));
  } else {
    // No section yet: the paragraph starts one.
    CreateSection().Body().push_back(std::move(FParagraph));
  }
  FIsParagraphStarted = false;
}

writer::TvnRTFSection& TvnRTFDocument::CreateSection(TvnSectionType ASectionType) {
  FSection = &FDocArea->CreateSection(ASectionType);
  FCurrentItemsList = &FSection->Body();
  return *FSection;
}

writer::TvnRTFSection& TvnRTFDocument::CreateSection(int32_t AColumnCount, int32_t ADefaultColumnSpace,
                                                     const std::vector<writer::TvnColumnSection>& AColumns) {
  FSection = &FDocArea->CreateSection(AColumnCount, ADefaultColumnSpace, AColumns);
  FCurrentItemsList = &FSection->Body();
  return *FSection;
}

void TvnRTFDocument::WriteToRTFStream(const std::string& AText) { FRTFStream += AText; }

void TvnRTFDocument::SetTextFormatting(const writer::TvnTextFormatting& Value) {
  FTextFormatting.Assign(Value);
  FTextFormatting.SetLeftIndent(FTextFormatting.LeftIndent());
  FTextFormatting.SetRightIndent(FTextFormatting.RightIndent());
  FTextFormatting.SetFirstLineIndent(FTextFormatting.FirstLineIndent());
}

writer::TvnPageItem* TvnRTFDocument::GetRTFPages(int32_t AIndex) const {
  if (AIndex < 0 || static_cast<size_t>(AIndex) >= FPages.size())
    throw vn::EArgumentOutOfRangeException("Argument out of range");
  return FPages[static_cast<size_t>(AIndex)].get();
}

}  // namespace vn::rtf

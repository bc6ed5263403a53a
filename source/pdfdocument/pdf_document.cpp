#include "pdfdocument/pdf_document.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <system_error>
#include <utility>

#include "export/engine_settings.h"
#include "framework/document_routines.h"
#include "pdfdocument/pd_image_device.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pd_state.h"
#include "pdfdocument/pdf_content_extractor.h"
#include "pdfdocument/pdf_document_handler.h"
#include "pdfdocument/pdf_outline.h"
#include "pdfwriter/extended_pdf_engine.h"
#include "platform/canvas/cairo_canvas.h"
#include "platform/canvas/emf_recorder.h"
#include "platform/canvas/metafile_player.h"
#include "platform/emf/emf_reader.h"
#include "platform/graphics/cairo_graphics.h"
#include "platform/graphics/emf_graphics.h"
#include "platform/images/picture.h"
#include "runtime/exceptions.h"
#include "runtime/numbers.h"
#include "runtime/parallel.h"

namespace vn::pdfdoc {

namespace fw = vn::framework;
namespace ex = vn::exporter;
namespace pw = vn::pdfwriter;

namespace {

// Points per pixel at 96 pixels per inch.
constexpr double PointsPerPixel = 0.75;
// The largest side a recorded page may have, in pixels: metafile bounds and
// the engine's page sizes are 32-bit, and positions inside the page are
// scaled by up to 16 (sub-pixel precision of the recorder) without leaving
// that range.
constexpr int64_t MaxPageSide = std::numeric_limits<int32_t>::max() / 32;

// A password as the bytes the object layer compares: one byte per character
// when every character fits in one (the PDFDocEncoding of Latin text),
// otherwise UTF-8 (what newer encryption takes).
std::string PasswordBytes(const String& APassword) {
  std::string bytes;
  for (const char16_t c : APassword) {
    if (c > 0xFF) return vn::ToUtf8(APassword);
    bytes.push_back(static_cast<char>(c));
  }
  return bytes;
}

}  // namespace

// ---------------------------------------------------------------------------
// The spool

TvnMetafileSpool::~TvnMetafileSpool() {
  {
    std::lock_guard<std::mutex> Guard(FLock);
    FStop = true;
  }
  FChanged.notify_all();
  for (const auto& L : FLanes) {
    if (L->Writer.joinable()) L->Writer.join();
    if (L->File != nullptr) std::fclose(L->File);
  }
}

bool TvnMetafileSpool::WriteBytes(std::FILE* File, const std::string& Bytes) {
  return ::fseeko(File, 0, SEEK_END) == 0 && std::fwrite(Bytes.data(), 1, Bytes.size(), File) == Bytes.size() &&
         std::fflush(File) == 0;
}

void TvnMetafileSpool::WriterLoop(Lane& ALane) {
  std::unique_lock<std::mutex> Lock(FLock);
  for (;;) {
    FChanged.wait(Lock, [&] { return FStop || !ALane.Pending.empty(); });
    if (ALane.Pending.empty()) return;  // stopped with nothing left
    const std::string& Bytes = ALane.Pending.front();  // stays put until popped below
    const bool Failed = FFailed;
    Lock.unlock();
    const bool Written = !Failed && WriteBytes(ALane.File, Bytes);
    Lock.lock();
    if (!Written) FFailed = true;
    ALane.Pending.pop_front();
    FChanged.notify_all();
  }
}

void TvnMetafileSpool::StartLanes() {
  const size_t Count = static_cast<size_t>(std::max(1, vn::PipelineWorkers()));
  for (size_t I = 0; I < Count; ++I) {
    auto L = std::make_unique<Lane>();
    L->File = std::tmpfile();
    if (L->File == nullptr) {
      if (I == 0) throw vn::EWriteError("Cannot create the temporary file for the pages");
      break;
    }
    if (vn::PipelineWorkers() > 0) {
      try {
        L->Writer = std::thread([this, Raw = L.get()] { WriterLoop(*Raw); });
      } catch (const std::system_error&) {
        // No thread to be had: this lane is written in turn.
      }
    }
    FLanes.push_back(std::move(L));
  }
}

int64_t TvnMetafileSpool::Append(std::string Bytes) {
  if (FLanes.empty()) StartLanes();
  const size_t Index = FNextLane;
  FNextLane = (FNextLane + 1) % FLanes.size();
  Lane& L = *FLanes[Index];
  const auto Size = static_cast<int64_t>(Bytes.size());
  if (!L.Writer.joinable()) {
    if (!WriteBytes(L.File, Bytes)) throw vn::EWriteError("Cannot write the temporary file for the pages");
  } else {
    std::unique_lock<std::mutex> Lock(FLock);
    FChanged.wait(Lock, [&] { return FFailed || L.Pending.empty(); });
    if (FFailed) throw vn::EWriteError("Cannot write the temporary file for the pages");
    L.Pending.push_back(std::move(Bytes));
    Lock.unlock();
    FChanged.notify_all();
  }
  const int64_t Offset = FSize;
  FPlaces[Offset] = Place{Index, L.Size, Size};
  L.Size += Size;
  FSize += Size;
  return Offset;
}

std::string TvnMetafileSpool::Read(int64_t Offset, int64_t Size) {
  const auto It = FPlaces.find(Offset);
  if (It == FPlaces.end() || Size < 0 || Size > It->second.Size)
    throw vn::EReadError("Cannot read the temporary file for the pages");
  Lane& L = *FLanes[It->second.LaneIndex];
  if (L.Writer.joinable()) {
    // The lane's writer has written everything appended to it first, and
    // then waits for more, leaving the file alone.
    std::unique_lock<std::mutex> Lock(FLock);
    FChanged.wait(Lock, [&] { return L.Pending.empty(); });
    if (FFailed) throw vn::EWriteError("Cannot write the temporary file for the pages");
  }
  std::string Bytes(static_cast<size_t>(Size), '\0');
  if (::fseeko(L.File, static_cast<off_t>(It->second.FileOffset), SEEK_SET) != 0 ||
      std::fread(Bytes.data(), 1, Bytes.size(), L.File) != Bytes.size())
    throw vn::EReadError("Cannot read the temporary file for the pages");
  return Bytes;
}

// ---------------------------------------------------------------------------
// Pages

TvnqPDFPage::TvnqPDFPage(std::unique_ptr<TMetafile> PageEMF, const TvnPageSize& PageSize)
    : FPageSize{PageSize.Height * PointsPerPixel, PageSize.Width * PointsPerPixel},
      FPageMetafile(std::move(PageEMF)) {}

TvnqPDFPage::TvnqPDFPage(TvnPDPage* APage, TvnPDFDocumentHandler* AHandler)
    : FPDFPage(APage), FPDFDocumentHandler(AHandler) {
  const TvnMeasurementUnit Saved = AHandler->MeasurementUnit();
  AHandler->SetMeasurementUnit(TvnMeasurementUnit::muPoints);
  try {
    FPageSize = APage->GetPageSize();
  } catch (...) {
    AHandler->SetMeasurementUnit(Saved);
    throw;
  }
  AHandler->SetMeasurementUnit(Saved);
}

TvnqPDFPage::~TvnqPDFPage() = default;

TvnPageSize TvnqPDFPage::GetPageSize() {
  if (FPDFPage != nullptr) {
    const TvnMeasurementUnit Unit = FPDFDocumentHandler->MeasurementUnit();
    const TvnPageSize Upright{fw::PointsToUnit(Unit, FPageSize.Height), fw::PointsToUnit(Unit, FPageSize.Width)};
    const int32_t Rotation = FPDFPage->NormalizedRotate();
    if (Rotation == 90 || Rotation == 270) return {Upright.Width, Upright.Height};
    return Upright;
  }
  if (FDocument == nullptr) return FPageSize;
  const TvnMeasurementUnit Unit = FDocument->GetMeasurementUnit();
  return {fw::PointsToUnit(Unit, FPageSize.Height), fw::PointsToUnit(Unit, FPageSize.Width)};
}

namespace {


// A side of a rendering in whole pixels; 0 when it is not a usable size.
int32_t RenderSide(double APixels) {
  const double Side = std::ceil(std::fabs(APixels) - 1e-6);
  return Side >= 1 && Side <= vn::platform::kMaxPictureSide ? static_cast<int32_t>(Side) : 0;
}

// The resolutions a picture of AWidth x AHeight pixels shows a page of
// APageWidth x APageHeight points at. Pictures are sized as the page's
// sides at one whole-number resolution, each rounded: that resolution
// keeps the page's proportions (the rounding is left at the right and
// bottom edges instead of stretching the page by a fraction of a pixel,
// which would move text off the pixel rows it is set on). On a small page
// neighbouring resolutions round to the same pixels (a 32 pt side is 43
// pixels at 96 and at 97 dpi): the resolution the caller asked for (ADpi)
// is taken when the size is its size, then 96 dpi, the resolution of the
// pixels page sizes are given in (pictures are sized from them), then the
// nearest whole number. Other sizes get each side's own scale.
std::pair<double, double> PictureResolutions(int32_t AWidth, int32_t AHeight, double APageWidth,
                                             double APageHeight, int32_t ADpi) {
  const double x = 72.0 * AWidth / APageWidth, y = 72.0 * AHeight / APageHeight;
  const auto fits = [&](double ADpiTried) {
    const auto side = [&](int32_t ASide, double APoints) {
      return std::fabs(ADpiTried * APoints / 72.0 - ASide) <= 0.5 + 1e-9;
    };
    return ADpiTried >= 1 && side(AWidth, APageWidth) && side(AHeight, APageHeight);
  };
  if (ADpi > 0 && fits(ADpi)) return {ADpi, ADpi};
  if (fits(96)) return {96, 96};
  const double near = std::round(AWidth >= AHeight ? x : y);
  if (fits(near)) return {near, near};
  return {x, y};
}

}  // namespace

void TvnqPDFPage::Draw(vn::platform::Canvas* ACanvas, int32_t AWidth, int32_t AHeight, int32_t AxDPI, int32_t,
                       int32_t ARotation) {
  if (FPDFPage == nullptr) throw vn::EAbstractError("Abstract Error");
  if (ACanvas == nullptr) return;
  const int Turns = vn::platform::QuarterTurns(ARotation);
  if (Turns < 0 || AWidth < 1 || AHeight < 1) {
    vn::platform::FillWhite(*ACanvas, std::max(AWidth, 0), std::max(AHeight, 0));
    return;
  }
  const std::unique_ptr<TvnPDRect> Shown = FPDFPage->ShownBox();
  TvnPDRect* Box = Shown.get();
  const int32_t PageRotation = FPDFPage->DisplayRotation(0);

  // A picture canvas gets the page rendered at the size it asks for: its
  // pixels come straight from the renderer, sharp at any size, instead of
  // being played back from a recording.
  if (auto* Raster = dynamic_cast<vn::platform::CairoCanvas*>(ACanvas)) {
    const bool Across = Turns % 2 == 1;
    const int32_t Width = Across ? AHeight : AWidth;
    const int32_t Height = Across ? AWidth : AHeight;
    const TvnPDState Points(72, 72, PageRotation, Box);
    const bool Usable = std::fabs(Points.PageWidth()) > 0 && std::fabs(Points.PageHeight()) > 0;
    // Upright onto a canvas of the page's size with nothing in the way: the
    // page is painted straight onto the canvas's pixels.
    if (Usable && Turns == 0 && Raster->Width() == AWidth && Raster->Height() == AHeight &&
        Raster->WorldTransform().IsIdentity() && !Raster->State().clip) {
      vn::platform::gfx::CairoGraphics Graphics(Raster->Surface());
      TvnPDImageDevice Device(Graphics, true);
      const auto [DpiX, DpiY] =
          PictureResolutions(Width, Height, std::fabs(Points.PageWidth()), std::fabs(Points.PageHeight()), AxDPI);
      FPDFPage->Display(&Device, DpiX, DpiY, 0, true, false, true, true);
      return;
    }
    if (Usable && static_cast<uint64_t>(Width) * static_cast<uint64_t>(Height) <= vn::platform::kMaxImagePixels) {
      vn::platform::gfx::CairoGraphics Graphics(Width, Height);
      TvnPDImageDevice Device(Graphics, true);
      const auto [DpiX, DpiY] =
          PictureResolutions(Width, Height, std::fabs(Points.PageWidth()), std::fabs(Points.PageHeight()), AxDPI);
      FPDFPage->Display(&Device, DpiX, DpiY, 0, true, false, true, true);
      vn::platform::DrawPicture(*Raster, vn::platform::PictureOf(Graphics.Pixels()), {0, 0, AWidth, AHeight},
                                Turns, false);
      return;
    }
  }

  if (!FPageEMF) {
    // The page with its own rotation, at the first resolution asked; later
    // calls scale this picture.
    const double Dpi = AxDPI > 0 ? AxDPI : 96;
    const TvnPDState State(Dpi, Dpi, PageRotation, Box);
    int32_t Width = RenderSide(State.PageWidth());
    int32_t Height = RenderSide(State.PageHeight());
    if (Width == 0 || Height == 0) throw vn::ExInvalidPageError("Invalid page size");
    // A target of the page's sides rounded to whole pixels (a side a pixel
    // short of the rendering's) gets a recording of its own size: the
    // fraction of a pixel is left off at the right and bottom edges instead
    // of squeezing the whole page by it, which would move every row.
    const bool Across = Turns % 2 == 1;
    const int32_t TargetWidth = Across ? AHeight : AWidth, TargetHeight = Across ? AWidth : AHeight;
    if (TargetWidth == Width - 1) Width = TargetWidth;
    if (TargetHeight == Height - 1) Height = TargetHeight;
    vn::platform::gfx::EmfGraphics Graphics(Width, Height);
    TvnPDImageDevice Device(Graphics, true);
    FPDFPage->Display(&Device, Dpi, Dpi, 0, true, false, true, true);
    FPageEMF = std::make_unique<vn::platform::emf::EmfFile>(Graphics.Finish());
  }
  vn::platform::DrawPageMetafile(*FPageEMF, *ACanvas, AWidth, AHeight, Turns * 90);
}

const std::vector<TvnPDAnnot*>& TvnqPDFPage::GetAnnots() {
  static const std::vector<TvnPDAnnot*> kNone;
  return FPDFPage != nullptr ? FPDFPage->GetAnnots() : kNone;
}

void TvnqPDFPage::InsertAnnotation(TvnPDAnnot* Annot, TvnPDAnnot* InReplyTo) {
  if (FPDFPage == nullptr) return;
  FPDFPage->InsertAnnotation(Annot, InReplyTo);
  // The kept rendering predates the new annotation.
  FPageEMF.reset();
}

void TvnqPDFPage::AnnotationsChanged() { FPageEMF.reset(); }

std::vector<fw::TvnDocItem*> TvnqPDFPage::GetPageElements() {
  if (FPDFPage == nullptr) throw vn::EAbstractError("Abstract Error");
  if (FPageElements) {
    std::vector<fw::TvnDocItem*> List;
    for (const auto& Element : FPageElements->Elements) List.push_back(Element.get());
    return List;
  }
  auto Elements = std::make_unique<TvnPageTextElements>();
  TvnPDFContentExtractor Extractor;
  Extractor.SetTextItems(Elements.get());
  // Annotations shown on the printed page (filled form fields, free text,
  // stamps) are read too, as they are drawn: their text is the page's.
  FPDFPage->Display(&Extractor, 72, 72, 0, true, false, true, true);
  std::vector<fw::TvnDocItem*> List = Extractor.GetPageElements();
  FPageElements = std::move(Elements);
  return List;
}

std::unique_ptr<TMetafile> TvnqPDFPage::GetMetafile() const {
  if (FPageMetafile) return std::make_unique<TMetafile>(*FPageMetafile);
  if (FSpool == nullptr) return nullptr;
  auto Metafile = std::make_unique<TMetafile>();
  Metafile->Bytes = FSpool->Read(FSpoolOffset, FSpoolSize);
  Metafile->Width = FSpoolWidth;
  Metafile->Height = FSpoolHeight;
  return Metafile;
}

void TvnqPDFPage::SetMetafile(std::unique_ptr<TMetafile> Value) {
  FPageMetafile = std::move(Value);
  FSpool = nullptr;
  FSpoolOffset = FSpoolSize = 0;
  FSpoolWidth = FSpoolHeight = 0;
}

void TvnqPDFPage::Spool(TvnMetafileSpool& ASpool) {
  if (!FPageMetafile || FPageMetafile->Bytes.size() <= TvnqPDFDocument::SpoolThreshold) return;
  FSpoolSize = static_cast<int64_t>(FPageMetafile->Bytes.size());
  FSpoolOffset = ASpool.Append(std::move(FPageMetafile->Bytes));
  FSpoolWidth = FPageMetafile->Width;
  FSpoolHeight = FPageMetafile->Height;
  FSpool = &ASpool;
  FPageMetafile.reset();
}

// ---------------------------------------------------------------------------
// The document

TvnqPDFDocument::TvnqPDFDocument() = default;

TvnqPDFDocument::~TvnqPDFDocument() {
  // Pages refer to the spool and to the handler's pages: they go first.
  FPageCollection.clear();
}

bool TvnqPDFDocument::IsReading() const { return FPDFDocumentHandler && FPDFDocumentHandler->IsLoaded(); }

int32_t TvnqPDFDocument::GetPageCount() {
  if (IsReading()) return FPDFDocumentHandler->GetPageCount();
  return static_cast<int32_t>(FPageCollection.size());
}

TvnPage* TvnqPDFDocument::GetPage(int32_t Index) {
  const auto It = FPageCollection.find(Index);
  if (It != FPageCollection.end()) return It->second.get();
  if (!IsReading()) return nullptr;
  TvnPDPage* PDFPage = FPDFDocumentHandler->GetPage(Index);
  if (PDFPage == nullptr) return nullptr;
  auto Page = std::make_unique<TvnqPDFPage>(PDFPage, FPDFDocumentHandler.get());
  Page->TvnPage::SetPageNumber(Index);
  TvnqPDFPage* Result = Page.get();
  FPageCollection[Index] = std::move(Page);
  return Result;
}

TvnPDFOutline* TvnqPDFDocument::GetBookmarkRoot() {
  if (!IsReading()) return nullptr;
  if (!FBookmarkRoot)
    FBookmarkRoot =
        std::make_unique<TvnPDFOutline>(FPDFDocumentHandler.get(), FPDFDocumentHandler->GetBookmarkRoot(), nullptr);
  return FBookmarkRoot.get();
}

bool TvnqPDFDocument::RequestPassword() {
  if (!OnNeedPassword) return false;
  if (!FPasswordEventArg) FPasswordEventArg = std::make_unique<fw::TvnNeedPasswordEventArgs>();
  FPasswordEventArg->IncAttemptCount();
  OnNeedPassword(this, *FPasswordEventArg);
  FPassword = FPasswordEventArg->GetPassword();
  return !FPasswordEventArg->GetCancel();
}

template <typename Load>
void TvnqPDFDocument::LoadWithPasswords(const String& Password, const Load& ALoad) {
  // Pages and outline items of a file opened before belong to the
  // handler's old document.
  FPageCollection.clear();
  FBookmarkRoot.reset();
  FIsLoaded = false;
  if (!FPDFDocumentHandler) {
    FPDFDocumentHandler = std::make_unique<TvnPDFDocumentHandler>();
    FPDFDocumentHandler->SetMeasurementUnit(FMeasurementUnit);
  }
  FPDFDocumentHandler->SetPassword(PasswordBytes(Password));
  try {
    ALoad();
    FIsLoaded = true;
    return;
  } catch (const vn::ExPasswordRequired&) {
  }
  while (RequestPassword()) {
    FPDFDocumentHandler->SetPassword(PasswordBytes(FPassword));
    try {
      ALoad();
      FIsLoaded = true;
      return;
    } catch (const vn::ExPasswordRequired&) {
    }
  }
  // Nobody gave a password that opens the file: the load failed, and the
  // caller hears so.
  throw vn::ExPasswordRequired("Encrypted PDF: Password required for loading");
}

void TvnqPDFDocument::LoadFromFile(const String& FileName, const String& Password) {
  FFileName = FileName;
  const std::filesystem::path Path(vn::ToUtf8(FileName));
  LoadWithPasswords(Password, [&] { FPDFDocumentHandler->LoadDocument(Path); });
}

void TvnqPDFDocument::LoadFromStream(vn::TStream* Stream, const String& Password, bool FreeStream) {
  // The document owns the stream (with FreeStream); the handler only reads
  // it, from the same place at every attempt.
  SetSourceStream(Stream, FreeStream);
  if (Stream == nullptr) throw vn::ExInvalidStream("Invalid stream");
  const int64_t Start = Stream->Position();
  LoadWithPasswords(Password, [&] {
    Stream->Seek(Start, vn::SeekOrigin::soBeginning);
    FPDFDocumentHandler->LoadDocument(Stream, false);
  });
}

void TvnqPDFDocument::SetMeasurementUnit(TvnMeasurementUnit Value) {
  TvnBaseDocument::SetMeasurementUnit(Value);
  if (FPDFDocumentHandler) FPDFDocumentHandler->SetMeasurementUnit(Value);
}

bool TvnqPDFDocument::SaveToFile(const String& FileName) {
  if (!IsReading()) return false;
  FPDFDocumentHandler->SaveDocument(std::filesystem::path(vn::ToUtf8(FileName)));
  return true;
}

bool TvnqPDFDocument::SaveToStream(vn::TStream* Stream) {
  if (!IsReading()) return false;
  if (Stream == nullptr) throw vn::ExInvalidStream("Invalid stream");
  FPDFDocumentHandler->SaveDocument(Stream);
  return true;
}

void TvnqPDFDocument::Assign(TvnBaseDocument* SourceDocument, const String& PageRange) {
  if (SourceDocument == nullptr) throw vn::ExInvalidPageError("Invalid page range");
  const fw::TvnPageRange Pages = fw::ParsePageRange(PageRange, SourceDocument->GetPageCount());
  for (const int32_t Number : Pages) {
    DoBeginAssignPage(Number);
    auto* Page = dynamic_cast<TvnBasePage*>(SourceDocument->GetPage(Number));
    if (Page == nullptr) throw vn::ExInvalidPageError("Invalid page range");
    const TvnPageSize Size = Page->GetPageSize();
    const int64_t Width = vn::Round(Size.Width);
    const int64_t Height = vn::Round(Size.Height);
    if (Width < 1 || Height < 1 || Width > MaxPageSide || Height > MaxPageSide)
      throw vn::ExInvalidPageError("Invalid page size");
    auto Metafile = std::make_unique<TMetafile>();
    {
      vn::platform::EmfRecorderCanvas Canvas(static_cast<int32_t>(Width), static_cast<int32_t>(Height));
      Page->Draw(&Canvas, static_cast<int32_t>(Width), static_cast<int32_t>(Height), 96, 96, 0);
      Metafile->Bytes = Canvas.Finish();
    }
    Metafile->Width = static_cast<int32_t>(Width);
    Metafile->Height = static_cast<int32_t>(Height);
    auto NewPage = std::make_unique<TvnqPDFPage>(std::move(Metafile), Size);
    NewPage->FDocument = this;
    if (!FSpool) FSpool = std::make_unique<TvnMetafileSpool>();
    NewPage->Spool(*FSpool);
    const int32_t Key = static_cast<int32_t>(FPageCollection.size()) + 1;
    NewPage->TvnPage::SetPageNumber(Key);
    FPageCollection[Key] = std::move(NewPage);
    DoEndAssignPage(Number, Key);
  }
}

bool TvnqPDFDocument::Save() {
  pw::TvnPDFEngine Engine(nullptr);
  Engine.SetMeasurementUnit(ex::TvnUnitType::muPixels);
  Engine.SetInputXRes(96);
  Engine.SetInputYRes(96);
  pw::TvnPDFPreferences& Preferences = Engine.Preferences();
  Preferences.SetShowSetupDialog(false);
  Preferences.SetOpenAfterCreate(false);
  Preferences.EmbedTrueTypeFonts = pw::TvnTTFontEmbedding::etfSubset;
  Preferences.SetUseImagesAsResources(false);
  // Each page is written out when the next one opens, so the engine holds
  // one page's drawing at a time however many pages the document has.
  Preferences.SetProcessAfterEachPage(true);

  const int32_t Count = GetPageCount();
  RequestOutputTarget(fw::TvnOutputItem::oiDocument, 1, Count);
  if (StreamOutput) {
    Preferences.SetOutputToUserStream(true);
    Engine.SetUserStream(OutStream);
  } else {
    Engine.SetFileName(OutFilePath);
  }

  for (int32_t I = 1; I <= Count; ++I) {
    auto* Page = static_cast<TvnqPDFPage*>(GetPage(I));
    // The engine works in pixels whatever unit the document reports in.
    const TvnPageSize& Points = Page->GetSizeInPoints();
    const TvnPageSize Size{fw::PointsToUnit(TvnMeasurementUnit::muPixels, Points.Height),
                           fw::PointsToUnit(TvnMeasurementUnit::muPixels, Points.Width)};
    Engine.Page().SetPaperSize(ex::TvnPaperSize::Custom);
    Engine.Page().SetHeight(Size.Height);
    Engine.Page().SetWidth(Size.Width);
    if (I == 1) {
      Engine.BeginDoc();
    } else {
      Engine.NewPage();
    }
    if (const std::unique_ptr<TMetafile> Metafile = Page->GetMetafile()) Engine.PlayMetafile(*Metafile);
  }
  // The engine's output file appears only when the document is written to
  // its end. Without pages the engine writes nothing: no output to report.
  Engine.EndDoc();
  return Count > 0;
}

}  // namespace vn::pdfdoc

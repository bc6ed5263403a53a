#include "framework/page_model.h"

#include <string>

#include "runtime/exceptions.h"

namespace vn::framework {

namespace {

// Element coordinates follow 32-bit two's-complement arithmetic: a sum that
// leaves the range wraps instead of being undefined.
int32_t WrapAdd(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<int64_t>(a) + b); }
int32_t WrapSub(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<int64_t>(a) - b); }

[[noreturn]] void AbstractOperation() { throw vn::EAbstractError("Abstract Error"); }

}  // namespace

// ---------------------------------------------------------------------------
// TvnDocItem

TvnDocItem::~TvnDocItem() = default;

void TvnDocItem::Draw(TvnBaseCanvas* /*ACanvas*/) {}

std::unique_ptr<TvnDocItem> TvnDocItem::Clone() const {
  auto copy = std::make_unique<TvnDocItem>();
  Assign(this, copy.get());
  return copy;
}

void TvnDocItem::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  if (ASource == nullptr || ADest == nullptr) return;
  ADest->SetAdditionalInfo(ASource->GetAdditionalInfo());
  ADest->SetBoundingRect(ASource->GetBoundingRect());
  ADest->SetDirty(ASource->GetDirty());
  ADest->SetHeight(ASource->GetHeight());
  ADest->SetMarkForDelete(ASource->GetMarkForDelete());
  ADest->SetMeasurementUnit(ASource->GetMeasurementUnit());
  ADest->SetNextElement(nullptr);
  ADest->SetPrevElement(nullptr);
  ADest->SetWidth(ASource->GetWidth());
  ADest->SetX(ASource->GetX());
  ADest->SetY(ASource->GetY());
}

TRect TvnDocItem::GetBoundingRect() const { return TRect{FX, FY, WrapAdd(FX, FWidth), WrapAdd(FY, FHeight)}; }

void TvnDocItem::SetBoundingRect(const TRect& Value) {
  FBoundingRect = Value;
  FX = Value.Left;
  FY = Value.Top;
  FWidth = WrapSub(Value.Right, Value.Left);
  FHeight = WrapSub(Value.Bottom, Value.Top);
}

void TvnDocItem::UpdateBoundingRect() { FBoundingRect = GetBoundingRect(); }

void TvnDocItem::SetX(int32_t Value) {
  FX = Value;
  UpdateBoundingRect();
}

void TvnDocItem::SetY(int32_t Value) {
  FY = Value;
  UpdateBoundingRect();
}

void TvnDocItem::SetWidth(int32_t Value) {
  FWidth = Value;
  UpdateBoundingRect();
}

void TvnDocItem::SetHeight(int32_t Value) {
  FHeight = Value;
  UpdateBoundingRect();
}

void TvnDocItem::ShiftByOffset(int32_t AxOffset, int32_t AyOffset) {
  SetX(WrapAdd(GetX(), AxOffset));
  SetY(WrapAdd(GetY(), AyOffset));
}

// ---------------------------------------------------------------------------
// TvnCompositeDocItem

TvnCompositeDocItem::~TvnCompositeDocItem() {
  // In list order, so that a child's destructor may still reach its later
  // siblings through borrowed links.
  for (auto& child : FItems) child.reset();
}

std::unique_ptr<TvnDocItem> TvnCompositeDocItem::Clone() const {
  auto copy = std::make_unique<TvnCompositeDocItem>();
  Assign(this, copy.get());
  return copy;
}

void TvnCompositeDocItem::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  TvnDocItem::Assign(ASource, ADest);
  auto* dest = dynamic_cast<TvnCompositeDocItem*>(ADest);
  if (dest == nullptr) return;
  // The clones are made before the destination lets go of its children, so
  // assigning a composite into itself or into one of its own children
  // copies what was there before.
  TvnItemList clones;
  if (const auto* source = dynamic_cast<const TvnCompositeDocItem*>(ASource)) {
    clones.reserve(source->FItems.size());
    for (const auto& child : source->FItems) clones.push_back(child ? child->Clone() : nullptr);
  }
  TvnItemList old = std::move(dest->FItems);
  dest->FItems = std::move(clones);
  for (auto& child : old) child.reset();
}

void TvnCompositeDocItem::CheckIndex(int32_t AIndex, size_t ALimit) const {
  if (AIndex < 0 || static_cast<size_t>(AIndex) >= ALimit) {
    throw vn::EListError("List index out of bounds (" + std::to_string(AIndex) + ")");
  }
}

TvnDocItem* TvnCompositeDocItem::Add(std::unique_ptr<TvnDocItem> AItem) {
  FItems.push_back(std::move(AItem));
  return FItems.back().get();
}

TvnDocItem* TvnCompositeDocItem::Insert(int32_t AIndex, std::unique_ptr<TvnDocItem> AItem) {
  CheckIndex(AIndex, FItems.size() + 1);
  auto it = FItems.insert(FItems.begin() + AIndex, std::move(AItem));
  return it->get();
}

TvnDocItem* TvnCompositeDocItem::GetItem(int32_t AIndex) const {
  CheckIndex(AIndex, FItems.size());
  return FItems[static_cast<size_t>(AIndex)].get();
}

int32_t TvnCompositeDocItem::GetIndexOf(const TvnDocItem* AItem) const {
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (FItems[i].get() == AItem) return static_cast<int32_t>(i);
  }
  return -1;
}

std::unique_ptr<TvnDocItem> TvnCompositeDocItem::Remove(const TvnDocItem* AItem) {
  int32_t index = GetIndexOf(AItem);
  if (index < 0) return nullptr;
  return RemoveAt(index);
}

std::unique_ptr<TvnDocItem> TvnCompositeDocItem::RemoveAt(int32_t AIndex) {
  CheckIndex(AIndex, FItems.size());
  auto it = FItems.begin() + AIndex;
  std::unique_ptr<TvnDocItem> child = std::move(*it);
  FItems.erase(it);
  return child;
}

TvnCompositeDocItem::TvnItemList TvnCompositeDocItem::Clear() {
  TvnItemList detached = std::move(FItems);
  FItems.clear();
  return detached;
}

void TvnCompositeDocItem::ShiftElementsByOffset(int32_t AxOffset, int32_t AyOffset, bool AIncludeCurrent) {
  if (AIncludeCurrent) {
    SetX(AxOffset);
    SetY(AyOffset);
  }
  for (auto& child : FItems) {
    if (child) child->ShiftByOffset(AxOffset, AyOffset);
  }
}

// ---------------------------------------------------------------------------
// TvnPage

bool TvnPage::Add(TvnDocItem* /*AItem*/) { AbstractOperation(); }

std::vector<TvnDocItem*> TvnPage::GetPageElements() { AbstractOperation(); }

TvnPageSize TvnPage::GetPageSize() { AbstractOperation(); }

// ---------------------------------------------------------------------------
// Drawing attributes

void TvnPen::Assign(const TObject* ASource) {
  if (const auto* pen = dynamic_cast<const TvnPen*>(ASource)) {
    FColor = pen->FColor;
    FStyle = pen->FStyle;
    FWidth = pen->FWidth;
  }
}

void TvnBrush::Assign(const TObject* ASource) {
  if (const auto* brush = dynamic_cast<const TvnBrush*>(ASource)) {
    FColor = brush->FColor;
    FStyle = brush->FStyle;
  }
}

void TvnFont::Assign(const TObject* ASource) {
  if (const auto* font = dynamic_cast<const TvnFont*>(ASource)) {
    FCharacterSet = font->FCharacterSet;
    FFontFamily = font->FFontFamily;
    FFontPitch = font->FFontPitch;
    FName = font->FName;
    FSize = font->FSize;
    FStyle = font->FStyle;
  }
}

// ---------------------------------------------------------------------------
// TvnDocumentInfo

void TvnDocumentInfo::Assign(const TvnDocumentInfo* ASource, TvnDocumentInfo* ADest) const {
  if (ASource == nullptr || ADest == nullptr) return;
  ADest->SetAuthor(ASource->GetAuthor());
  ADest->SetSubject(ASource->GetSubject());
  ADest->SetKeyWords(ASource->GetKeyWords());
  ADest->SetTitle(ASource->GetTitle());
  ADest->SetCreator(ASource->GetCreator());
  ADest->SetComments(ASource->GetComments());
}

std::unique_ptr<TvnDocumentInfo> TvnDocumentInfo::Clone() const {
  auto copy = std::make_unique<TvnDocumentInfo>();
  Assign(this, copy.get());
  return copy;
}

// ---------------------------------------------------------------------------
// Viewer settings

TvnViewerPreferences::TvnViewerPreferences()
    : FPasswordDialog(std::make_unique<TvnPasswordOptions>()),
      FRenderingOption(std::make_unique<TvnRenderingOptions>()),
      FAllowedOpeations{TvnViewerOperation::voFormFilling, TvnViewerOperation::voCommenting} {
  FPasswordDialog->SetShowDialog(true);
  FPasswordDialog->SetAllowedAttempts(3);
}

int32_t TvnZoom::GetPercent() {
  if (FViewer != nullptr) FZoomPercent = FViewer->GetZoomPercent();
  return FZoomPercent;
}

void TvnZoom::SetPercent(int32_t Value) {
  if (FViewer != nullptr) FViewer->ZoomTo(Value);
  FZoomPercent = Value;
  FZoomType = TvnZoomMode::zmCustom;
}

void TvnZoom::SetZoomMode(TvnZoomMode Value) {
  if (FViewer != nullptr) FViewer->ZoomTo(Value);
  FZoomType = Value;
}

// ---------------------------------------------------------------------------
// TvnBaseDocumentHandler

TvnBaseDocumentHandler::TvnBaseDocumentHandler() = default;
TvnBaseDocumentHandler::~TvnBaseDocumentHandler() = default;

TvnMeasurementUnit TvnBaseDocumentHandler::GetMeasurementUnit() const { return FMeasurementUnit; }

void TvnBaseDocumentHandler::SetMeasurementUnit(TvnMeasurementUnit Value) { FMeasurementUnit = Value; }

TvnPage* TvnBaseDocumentHandler::GetPage(int32_t /*Index*/) { return nullptr; }

int32_t TvnBaseDocumentHandler::GetPageCount() { return 0; }

void TvnBaseDocumentHandler::LoadFromFile(const String& /*FileName*/, const String& /*Password*/) {
  AbstractOperation();
}

void TvnBaseDocumentHandler::LoadFromStream(vn::TStream* Stream, const String& /*Password*/, bool FreeStream) {
  SetSourceStream(Stream, FreeStream);
}

bool TvnBaseDocumentHandler::Save() { return false; }

bool TvnBaseDocumentHandler::SaveToFile(const String& /*FileName*/) { return false; }

bool TvnBaseDocumentHandler::SaveToStream(vn::TStream* /*Stream*/) { return false; }

void TvnBaseDocumentHandler::RequestOutputTarget(TvnOutputItem OutputItem, int32_t PageNumber, int32_t PageCount) {
  if (OnNeedOutputFileName) {
    TvnNeedOutputFileNameEventArgs args(OutputItem, PageNumber, PageCount);
    OnNeedOutputFileName(this, args);
    OutFilePath = args.GetFileName();
  } else if (OnNeedOutputStream) {
    TvnNeedOutputStreamEventArgs args(OutputItem, PageNumber, PageCount);
    OnNeedOutputStream(this, args);
    OutStream = args.GetOutputStream();
    StreamOutput = true;
  }
}

void TvnBaseDocumentHandler::SetSourceStream(vn::TStream* AStream, bool AFreeStream) {
  if (AStream != FOwnedStream.get()) {
    FOwnedStream.reset(AFreeStream ? AStream : nullptr);
  } else if (!AFreeStream) {
    // The owned stream handed in again without ownership: the caller owns it
    // again.
    (void)FOwnedStream.release();
  }
  FStream = AStream;
  FFreeStream = AFreeStream && AStream != nullptr;
}

void TvnBaseDocumentHandler::DoBeginAssignPage(int32_t InputPageNumber) {
  if (!BeginAssignPage) return;
  TvnBeginCopyPageEventArgs args(InputPageNumber);
  BeginAssignPage(this, args);
}

void TvnBaseDocumentHandler::DoEndAssignPage(int32_t InputPageNumber, int32_t OutputPageNumber) {
  if (!EndAssignPage) return;
  TvnEndCopyPageEventArgs args(InputPageNumber, OutputPageNumber);
  EndAssignPage(this, args);
}

}  // namespace vn::framework

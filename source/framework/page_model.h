// The page model and the document plumbing every format shares.
//
// Page model: TvnDocItem is a positioned element (integer position and size
// in its measurement unit); TvnCompositeDocItem owns an ordered list of child
// elements; TvnPage is an abstract page of elements. TvnPoint, TvnPen,
// TvnBrush and TvnFont are the small value objects a canvas and the Word
// model carry.
//
// Ownership: a composite owns its children (std::unique_ptr); the detaching
// operations Remove, RemoveAt and Clear hand them back to the caller as
// std::unique_ptr. An element owns its Tag. Every other link (PrevElement,
// NextElement, AssociatedItem, Parent) is a borrowed raw pointer. Clone
// always returns a new object the caller owns.
//
// Documents: TvnBaseDocumentHandler holds what every document has (output
// target, events, document information, the stream it was loaded from); the
// event argument classes, the encoder parameters handed to an output
// document, and the viewer's settings objects live here as well. Events are
// std::function members; the raiser makes the argument object on its stack,
// calls the handler and reads the answer back.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/value_types.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::framework {

// The root of the framework's polymorphic objects: the type of an event's
// Sender and of the argument of the attribute objects' Assign.
class TObject {
 public:
  virtual ~TObject() = default;
};

class TvnBaseCanvas;
class TvnCompositeDocItem;

// ---------------------------------------------------------------------------
// Page model

class TvnDocItem : public TObject {
 public:
  TvnDocItem() = default;
  ~TvnDocItem() override;
  TvnDocItem(const TvnDocItem&) = delete;
  TvnDocItem& operator=(const TvnDocItem&) = delete;

  // Draws the element; nothing in the base.
  virtual void Draw(TvnBaseCanvas* ACanvas);
  // A new plain TvnDocItem filled through this element's Assign. Classes with
  // data of their own override it so that the copy keeps their class.
  virtual std::unique_ptr<TvnDocItem> Clone() const;
  // Copies the element's data from ASource into ADest: additional info,
  // bounding rectangle, flags, size, unit and position. ADest's neighbours
  // become nil; Tag, AssociatedItem, PageNumber and Parent are not copied.
  virtual void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const;

  // Computed from the position and size: (X, Y, X + Width, Y + Height).
  TRect GetBoundingRect() const;
  // Stores the rectangle and takes position and size from it.
  void SetBoundingRect(const TRect& Value);
  int32_t GetX() const { return FX; }
  int32_t GetY() const { return FY; }
  int32_t GetWidth() const { return FWidth; }
  int32_t GetHeight() const { return FHeight; }
  void SetX(int32_t Value);
  void SetY(int32_t Value);
  void SetWidth(int32_t Value);
  void SetHeight(int32_t Value);
  int32_t GetPageNumber() const { return FPageNumber; }
  void SetPageNumber(int32_t Value) { FPageNumber = Value; }
  // X := X + AxOffset, then Y := Y + AyOffset.
  void ShiftByOffset(int32_t AxOffset, int32_t AyOffset);

  TvnMeasurementUnit GetMeasurementUnit() const { return FMeasurementUnit; }
  void SetMeasurementUnit(TvnMeasurementUnit Value) { FMeasurementUnit = Value; }
  bool GetDirty() const { return FDirty; }
  void SetDirty(bool Value) { FDirty = Value; }
  bool GetMarkForDelete() const { return FMarkForDelete; }
  void SetMarkForDelete(bool Value) { FMarkForDelete = Value; }
  int32_t GetAdditionalInfo() const { return FAdditionalInfo; }
  void SetAdditionalInfo(int32_t Value) { FAdditionalInfo = Value; }
  // The attached element, owned: replacing it frees the previous one.
  TvnDocItem* GetTag() const { return FTag.get(); }
  void SetTag(std::unique_ptr<TvnDocItem> Value) { FTag = std::move(Value); }
  TvnDocItem* GetAssociatedItem() const { return FAssociatedItem; }
  void SetAssociatedItem(TvnDocItem* Value) { FAssociatedItem = Value; }
  TvnDocItem* GetPrevElement() const { return FPrevElement; }
  void SetPrevElement(TvnDocItem* Value) { FPrevElement = Value; }
  TvnDocItem* GetNextElement() const { return FNextElement; }
  void SetNextElement(TvnDocItem* Value) { FNextElement = Value; }
  TvnCompositeDocItem* GetParent() const { return FParent; }
  void SetParent(TvnCompositeDocItem* Value) { FParent = Value; }

 protected:
  // Kept in step with the position and size by the setters.
  TRect FBoundingRect;
  TvnMeasurementUnit FMeasurementUnit = TvnMeasurementUnit::muPixels;
  bool FDirty = false;
  bool FMarkForDelete = false;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  TvnDocItem* FPrevElement = nullptr;
  TvnDocItem* FNextElement = nullptr;
  int32_t FAdditionalInfo = 0;
  std::unique_ptr<TvnDocItem> FTag;
  TvnDocItem* FAssociatedItem = nullptr;
  int32_t FPageNumber = 0;
  TvnCompositeDocItem* FParent = nullptr;
  int32_t FX = 0;
  int32_t FY = 0;

 private:
  void UpdateBoundingRect();
};

// An element with an ordered list of children that it owns. Indexes are
// 0-based; a bad index raises EListError. A slot may hold no element (a
// null pointer); the operations that visit children skip such slots.
class TvnCompositeDocItem : public TvnDocItem {
 public:
  using TvnItemList = std::vector<std::unique_ptr<TvnDocItem>>;

  TvnCompositeDocItem() = default;
  // Frees the children in list order, then the element.
  ~TvnCompositeDocItem() override;

  // A new TvnCompositeDocItem holding clones of every child, in order.
  std::unique_ptr<TvnDocItem> Clone() const override;
  // The element's Assign; then, when ADest is a composite, its children are
  // freed and replaced by clones of ASource's children (when ASource is a
  // composite), in order. The clones' Parent is not set.
  void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const override;

  // Appends; returns the element now held.
  TvnDocItem* Add(std::unique_ptr<TvnDocItem> AItem);
  // Inserts before AIndex (0 <= AIndex <= Count).
  TvnDocItem* Insert(int32_t AIndex, std::unique_ptr<TvnDocItem> AItem);
  TvnDocItem* GetItem(int32_t AIndex) const;
  // -1 when AItem is not a child.
  int32_t GetIndexOf(const TvnDocItem* AItem) const;
  int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
  const TvnItemList& GetItems() const { return FItems; }

  // Detaching: the child leaves the list without being freed, and the caller
  // owns it from then on. Remove answers null when AItem is not a child.
  std::unique_ptr<TvnDocItem> Remove(const TvnDocItem* AItem);
  std::unique_ptr<TvnDocItem> RemoveAt(int32_t AIndex);
  TvnItemList Clear();

  // With AIncludeCurrent the composite's own position becomes (AxOffset,
  // AyOffset); then every direct child moves by (AxOffset, AyOffset). A
  // child composite moves only its own position, not its children.
  void ShiftElementsByOffset(int32_t AxOffset, int32_t AyOffset, bool AIncludeCurrent);

 protected:
  TvnItemList FItems;

 private:
  void CheckIndex(int32_t AIndex, size_t ALimit) const;
};

// An abstract page of a document. Its PageNumber is the page's number in the
// document, a field of its own apart from the element page number that
// TvnDocItem keeps (reached through a TvnDocItem pointer).
class TvnPage : public TvnDocItem {
 public:
  int32_t GetPageNumber() const { return FPageNumber; }
  void SetPageNumber(int32_t Value) { FPageNumber = Value; }

  // Each page class defines the page operations it offers; the others raise
  // EAbstractError "Abstract Error". Whether Add takes ownership of AItem is
  // the rule of the page class (page element lists usually only refer to
  // elements owned elsewhere).
  virtual bool Add(TvnDocItem* AItem);
  // The page's elements in order; the list does not own them.
  virtual std::vector<TvnDocItem*> GetPageElements();
  // Height and width in the document's measurement unit.
  virtual TvnPageSize GetPageSize();

 private:
  int32_t FPageNumber = 0;
};

class TvnPoint : public TObject {
 public:
  TvnPoint() = default;
  TvnPoint(double AX, double AY) : FX(AX), FY(AY) {}
  double GetX() const { return FX; }
  double GetY() const { return FY; }
  void SetX(double Value) { FX = Value; }
  void SetY(double Value) { FY = Value; }

 private:
  double FX = 0;
  double FY = 0;
};

// Black, solid, width 0.
class TvnPen : public TObject {
 public:
  // Copies colour, style and width from another pen; any other object
  // leaves the pen unchanged.
  virtual void Assign(const TObject* ASource);
  TvnRGBColor GetColor() const { return FColor; }
  void SetColor(TvnRGBColor Value) { FColor = Value; }
  TvnPenStyle GetStyle() const { return FStyle; }
  void SetStyle(TvnPenStyle Value) { FStyle = Value; }
  int32_t GetWidth() const { return FWidth; }
  void SetWidth(int32_t Value) { FWidth = Value; }

 private:
  TvnRGBColor FColor;
  TvnPenStyle FStyle = TvnPenStyle::psSolid;
  int32_t FWidth = 0;
};

// Black, solid.
class TvnBrush : public TObject {
 public:
  // Copies colour and style from another brush; any other object leaves the
  // brush unchanged.
  virtual void Assign(const TObject* ASource);
  TvnRGBColor GetColor() const { return FColor; }
  void SetColor(TvnRGBColor Value) { FColor = Value; }
  TvnBrushStyle GetStyle() const { return FStyle; }
  void SetStyle(TvnBrushStyle Value) { FStyle = Value; }

 private:
  TvnRGBColor FColor;
  TvnBrushStyle FStyle = TvnBrushStyle::bsSolid;
};

// Index 0, character set 0, no family, pitch 0, no name, 8 points, no style.
class TvnFont : public TObject {
 public:
  // Copies everything but FontIndex from another font; any other object
  // leaves the font unchanged.
  virtual void Assign(const TObject* ASource);
  int32_t GetFontIndex() const { return FFontIndex; }
  void SetFontIndex(int32_t Value) { FFontIndex = Value; }
  int32_t GetCharacterSet() const { return FCharacterSet; }
  void SetCharacterSet(int32_t Value) { FCharacterSet = Value; }
  TvnFontFamilies GetFontFamily() const { return FFontFamily; }
  void SetFontFamily(TvnFontFamilies Value) { FFontFamily = Value; }
  int32_t GetFontPitch() const { return FFontPitch; }
  void SetFontPitch(int32_t Value) { FFontPitch = Value; }
  const String& GetName() const { return FName; }
  void SetName(const String& Value) { FName = Value; }
  int32_t GetSize() const { return FSize; }
  void SetSize(int32_t Value) { FSize = Value; }
  TvnFontStyles GetStyle() const { return FStyle; }
  void SetStyle(TvnFontStyles Value) { FStyle = Value; }

 private:
  int32_t FFontIndex = 0;
  int32_t FCharacterSet = 0;
  TvnFontFamilies FFontFamily;
  int32_t FFontPitch = 0;
  String FName;
  int32_t FSize = 8;
  TvnFontStyles FStyle;
};

// ---------------------------------------------------------------------------
// Document enumerations

enum class TvnDocumentType : uint8_t {
  dtFixed,
  dtFlow,
  dtImage,
  dtComposite,
  dtSpreadSheet,
  dtVideo,
  dtDynamic,
  dtPresentation
};

enum class TvnEngineCapability : uint8_t { ecOpen, ecSave, ecEdit };
using TvnEngineCapabilities = vn::EnumSet<TvnEngineCapability>;

// What one requested output holds.
enum class TvnOutputItem : uint8_t { oiElement, oiPage, oiDocument };

enum class TvnDocumentOperation : uint8_t { doOpen, doModify, doPrint, doFormFill, doSave, doContentCopy };

enum class TvnZoomMode : uint8_t { zmActualSize, zmFitPage, zmFitWidth, zmFitHeight, zmCustom };

enum class TvnRotationAngle : uint8_t { ra0, raCW90, raCW180, raCW270, raACW90, raACW180, raACW270 };

enum class TvnViewerOperation : uint8_t { voFormFilling, voCommenting };
using TvnViewerOperations = vn::EnumSet<TvnViewerOperation>;

enum class TvnDocItemActivity : uint8_t {
  ffaMouseEnter,
  ffaMouseExit,
  ffaMouseDown,
  ffaMouseUp,
  ffaMouseClick,
  ffaGotFocus,
  ffaLostFocus,
  ffaKeyPress,
  ffaValueChange
};

// ---------------------------------------------------------------------------
// Event arguments

// A password request. The loading document keeps one object for all its
// attempts and counts them into AttemptCount (0 on creation).
class TvnNeedPasswordEventArgs : public TObject {
 public:
  explicit TvnNeedPasswordEventArgs(TvnDocumentOperation AOperation = TvnDocumentOperation::doOpen)
      : FOperation(AOperation) {}
  bool GetCancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }
  bool GetForceFullPermission() const { return FForceFullPermission; }
  void SetForceFullPermission(bool Value) { FForceFullPermission = Value; }
  TvnDocumentOperation GetOperation() const { return FOperation; }
  const String& GetPassword() const { return FPassword; }
  void SetPassword(const String& Value) { FPassword = Value; }
  int32_t GetAttemptCount() const { return FAttemptCount; }
  // Called by the requesting document before each request.
  void IncAttemptCount() { ++FAttemptCount; }

 private:
  bool FCancel = false;
  bool FForceFullPermission = false;
  TvnDocumentOperation FOperation;
  String FPassword;
  int32_t FAttemptCount = 0;
};

// Asks the host for the file an output goes to; the handler fills FileName.
class TvnNeedOutputFileNameEventArgs : public TObject {
 public:
  TvnNeedOutputFileNameEventArgs(TvnOutputItem OutputItem, int32_t PageNumber, int32_t PageCount)
      : FOutputItem(OutputItem), FPageCount(PageCount), FPageNumber(PageNumber) {}
  const String& GetFileName() const { return FFileName; }
  void SetFileName(const String& Value) { FFileName = Value; }
  TvnOutputItem GetOutputItem() const { return FOutputItem; }
  int32_t GetPageCount() const { return FPageCount; }
  int32_t GetPageNumber() const { return FPageNumber; }

 private:
  String FFileName;
  TvnOutputItem FOutputItem;
  int32_t FPageCount;
  int32_t FPageNumber;
};

// Asks the host for the stream an output goes to; the handler fills
// OutputStream (which stays the host's).
class TvnNeedOutputStreamEventArgs : public TObject {
 public:
  TvnNeedOutputStreamEventArgs(TvnOutputItem OutputItem, int32_t PageNumber, int32_t PageCount)
      : FOutputItem(OutputItem), FPageCount(PageCount), FPageNumber(PageNumber) {}
  const String& GetExtension() const { return FExtension; }
  void SetExtension(const String& Value) { FExtension = Value; }
  TvnOutputItem GetOutputItem() const { return FOutputItem; }
  int32_t GetPageCount() const { return FPageCount; }
  int32_t GetPageNumber() const { return FPageNumber; }
  vn::TStream* GetOutputStream() const { return FStream; }
  void SetOutputStream(vn::TStream* Value) { FStream = Value; }

 private:
  String FExtension;
  TvnOutputItem FOutputItem;
  int32_t FPageCount;
  int32_t FPageNumber;
  vn::TStream* FStream = nullptr;
};

class TvnBeginCopyPageEventArgs : public TObject {
 public:
  explicit TvnBeginCopyPageEventArgs(int32_t AInputPageNumber = 0) : FInputPageNumber(AInputPageNumber) {}
  int32_t GetInputPageNumber() const { return FInputPageNumber; }
  void SetInputPageNumber(int32_t Value) { FInputPageNumber = Value; }

 private:
  int32_t FInputPageNumber;
};

class TvnEndCopyPageEventArgs : public TObject {
 public:
  TvnEndCopyPageEventArgs(int32_t AInputPageNumber = 0, int32_t AOutputPageNumber = 0)
      : FInputPageNumber(AInputPageNumber), FOutputPageNumber(AOutputPageNumber) {}
  int32_t GetInputPageNumber() const { return FInputPageNumber; }
  void SetInputPageNumber(int32_t Value) { FInputPageNumber = Value; }
  int32_t GetOutputPageNumber() const { return FOutputPageNumber; }
  void SetOutputPageNumber(int32_t Value) { FOutputPageNumber = Value; }

 private:
  int32_t FInputPageNumber;
  int32_t FOutputPageNumber;
};

class TvnZoom;

// Viewer events.
class TvnPageChangedEventArgs : public TObject {
 public:
  TvnPageChangedEventArgs(int32_t APageCount = 0, int32_t APageNumber = 0)
      : FPageCount(APageCount), FPageNumber(APageNumber) {}
  int32_t GetPageCount() const { return FPageCount; }
  void SetPageCount(int32_t Value) { FPageCount = Value; }
  int32_t GetPageNumber() const { return FPageNumber; }
  void SetPageNumber(int32_t Value) { FPageNumber = Value; }

 private:
  int32_t FPageCount;
  int32_t FPageNumber;
};

class TvnZoomChangedEventArgs : public TObject {
 public:
  explicit TvnZoomChangedEventArgs(TvnZoom* AZoom = nullptr) : FZoom(AZoom) {}
  TvnZoom* GetZoom() const { return FZoom; }
  void SetZoom(TvnZoom* Value) { FZoom = Value; }

 private:
  TvnZoom* FZoom;  // not owned
};

class TvnDocumentLoadingEventArgs : public TObject {};
class TvnDocumentLoadedEventArgs : public TObject {};
class TvnDocumentClosingEventArgs : public TObject {};
class TvnDocumentClosedEventArgs : public TObject {};

class TvnDocItemActivityEventArgs : public TObject {
 public:
  TvnDocItemActivityEventArgs(TvnDocItemActivity AActivity, TObject* ADocItem)
      : FActivity(AActivity), FDocItem(ADocItem) {}
  TvnDocItemActivity GetActivity() const { return FActivity; }
  TObject* GetDocItem() const { return FDocItem; }

 private:
  TvnDocItemActivity FActivity;
  TObject* FDocItem;  // not owned
};

// Event types: (Sender: the raising object, EventArgs: the argument object).
template <typename Args>
using TvnEvent = std::function<void(TObject* Sender, Args& EventArgs)>;
using TvnNeedPasswordEvent = TvnEvent<TvnNeedPasswordEventArgs>;
using TvnNeedOutputFileName = TvnEvent<TvnNeedOutputFileNameEventArgs>;
using TvnNeedOutputStreamEvent = TvnEvent<TvnNeedOutputStreamEventArgs>;
using TvnBeginCopyPageEvent = TvnEvent<TvnBeginCopyPageEventArgs>;
using TvnEndCopyPageEvent = TvnEvent<TvnEndCopyPageEventArgs>;
using TvnPageChangedEvent = TvnEvent<TvnPageChangedEventArgs>;
using TvnZoomChangedEvent = TvnEvent<TvnZoomChangedEventArgs>;
using TvnDocumentLoadingEvent = TvnEvent<TvnDocumentLoadingEventArgs>;
using TvnDocumentLoadedEvent = TvnEvent<TvnDocumentLoadedEventArgs>;
using TvnDocumentClosingEvent = TvnEvent<TvnDocumentClosingEventArgs>;
using TvnDocumentClosedEvent = TvnEvent<TvnDocumentClosedEventArgs>;
using TvnDocItemActivityEvent = TvnEvent<TvnDocItemActivityEventArgs>;

// ---------------------------------------------------------------------------
// Encoder parameters handed to an output document

class TvnEncoderParams : public TObject {};

class TvnResolution : public TObject {
 public:
  TvnResolution() = default;
  TvnResolution(int32_t ADPIX, int32_t ADPIY) : FDPIX(ADPIX), FDPIY(ADPIY) {}
  int32_t GetDPIX() const { return FDPIX; }
  void SetDPIX(int32_t Value) { FDPIX = Value; }
  int32_t GetDPIY() const { return FDPIY; }
  void SetDPIY(int32_t Value) { FDPIY = Value; }

 private:
  int32_t FDPIX = 0;
  int32_t FDPIY = 0;
};

// Resolution 96 by 96.
class TvnImageEncoderParams : public TvnEncoderParams {
 public:
  TvnImageEncoderParams() : FResolution(std::make_unique<TvnResolution>(96, 96)) {}
  TvnResolution* GetResolution() const { return FResolution.get(); }

 private:
  std::unique_ptr<TvnResolution> FResolution;
};

// MultiPageTIFF: write all pages into one TIFF file (false by default).
class TvnTIFFEncoderParams : public TvnImageEncoderParams {
 public:
  bool GetMultiPageTIFF() const { return FMultiPageTIFF; }
  void SetMultiPageTIFF(bool Value) { FMultiPageTIFF = Value; }

 private:
  bool FMultiPageTIFF = false;
};

// ---------------------------------------------------------------------------
// Document properties

class TvnDocumentInfo : public TObject {
 public:
  // Copies Author, Subject, KeyWords, Title, Creator and Comments, in that
  // order, through the setters. Subclasses add their own properties.
  virtual void Assign(const TvnDocumentInfo* ASource, TvnDocumentInfo* ADest) const;
  // A new object of the same kind with this one assigned into it.
  virtual std::unique_ptr<TvnDocumentInfo> Clone() const;

  const String& GetAuthor() const { return FAuthor; }
  void SetAuthor(const String& Value) { FAuthor = Value; }
  const String& GetTitle() const { return FTitle; }
  void SetTitle(const String& Value) { FTitle = Value; }
  const String& GetCreator() const { return FCreator; }
  void SetCreator(const String& Value) { FCreator = Value; }
  const String& GetSubject() const { return FSubject; }
  void SetSubject(const String& Value) { FSubject = Value; }
  const String& GetKeyWords() const { return FKeyWords; }
  void SetKeyWords(const String& Value) { FKeyWords = Value; }
  const String& GetComments() const { return FComments; }
  void SetComments(const String& Value) { FComments = Value; }

 private:
  String FAuthor;
  String FTitle;
  String FCreator;
  String FSubject;
  String FKeyWords;
  String FComments;
};

// ---------------------------------------------------------------------------
// Viewer settings

class TvnPasswordOptions : public TObject {
 public:
  int32_t GetAllowedAttempts() const { return FAllowedAttempts; }
  void SetAllowedAttempts(int32_t Value) { FAllowedAttempts = Value; }
  bool GetForceFullPermission() const { return FForceFullPermission; }
  void SetForceFullPermission(bool Value) { FForceFullPermission = Value; }
  bool GetShowDialog() const { return FShowDialog; }
  void SetShowDialog(bool Value) { FShowDialog = Value; }

 private:
  int32_t FAllowedAttempts = 0;
  bool FForceFullPermission = false;
  bool FShowDialog = false;
};

// 96 by 96 dots per inch.
class TvnRenderingOptions : public TObject {
 public:
  int32_t GetDPIX() const { return FDPIX; }
  void SetDPIX(int32_t Value) { FDPIX = Value; }
  int32_t GetDPIY() const { return FDPIY; }
  void SetDPIY(int32_t Value) { FDPIY = Value; }

 private:
  int32_t FDPIX = 96;
  int32_t FDPIY = 96;
};

// The viewer's preferences: the password dialog shown, 3 attempts, form
// filling and commenting allowed, rendering at 96 by 96.
class TvnViewerPreferences : public TObject {
 public:
  TvnViewerPreferences();
  TvnPasswordOptions* GetPassword() const { return FPasswordDialog.get(); }
  TvnRenderingOptions* GetRendering() const { return FRenderingOption.get(); }
  TvnViewerOperations GetAllowedOperations() const { return FAllowedOpeations; }
  void SetAllowedOperations(TvnViewerOperations Value) { FAllowedOpeations = Value; }

 private:
  std::unique_ptr<TvnPasswordOptions> FPasswordDialog;
  std::unique_ptr<TvnRenderingOptions> FRenderingOption;
  TvnViewerOperations FAllowedOpeations;
};

class TvnBaseDocumentHandler;

// What settings objects and hosts ask of a document viewer. The viewer
// controls implement it; each method forwards to the viewer's operation of
// the same name.
class IvnDocumentViewer {
 public:
  virtual ~IvnDocumentViewer() = default;
  virtual void CloseDocument() = 0;
  virtual void FirstPage() = 0;
  virtual int32_t GetPageNumber() = 0;
  virtual int32_t GetPageCount() = 0;
  virtual TvnZoomMode GetStdZoomType() = 0;
  virtual TvnZoom* GetZoom() = 0;
  virtual int32_t GetZoomPercent() = 0;
  virtual void GotoHScrollPos(int32_t Position) = 0;
  virtual void GoToPage(int32_t PageNumber, int32_t ATop, int32_t ALeft) = 0;
  virtual void GotoVScrollPos(int32_t Position) = 0;
  virtual void LastPage() = 0;
  virtual void LoadFromDocumentObject(TvnBaseDocumentHandler* Document) = 0;
  virtual void LoadFromFile(const String& FileName) = 0;
  virtual void LoadFromStream(vn::TStream* Stream) = 0;
  virtual bool SaveToFile(const String& FileName) = 0;
  virtual bool SaveToStream(vn::TStream* Stream) = 0;
  virtual void NextPage() = 0;
  virtual void PreviousPage() = 0;
  virtual void Rotate(TvnRotationAngle Angle) = 0;
  virtual void RotateCounterClockwise() = 0;
  virtual void RotateClockwise() = 0;
  virtual void ScrollHBy(int32_t Delta) = 0;
  virtual void ScrollVBy(int32_t Delta) = 0;
  virtual void SetActive(bool Value) = 0;
  virtual void SetPageNumber(int32_t Value) = 0;
  virtual void SetOnPageChanged(TvnPageChangedEvent Value) = 0;
  virtual void SetOnDocumentClosed(TvnDocumentClosedEvent Value) = 0;
  virtual void SetOnDocumentClosing(TvnDocumentClosingEvent Value) = 0;
  virtual void SetOnDocumentLoaded(TvnDocumentLoadedEvent Value) = 0;
  virtual void SetOnDocumentLoading(TvnDocumentLoadingEvent Value) = 0;
  virtual void SetZoom(TvnZoom* Value) = 0;
  virtual void ZoomIn(int32_t Step) = 0;
  virtual void ZoomIn(const TRect& Rect) = 0;
  virtual void ZoomOut(int32_t Step) = 0;
  virtual void ZoomOut(const TRect& Rect) = 0;
  virtual void ZoomTo(int32_t APercent) = 0;
  virtual void ZoomTo(TvnZoomMode AZoomMode) = 0;
};

// The zoom of a viewer: fit to width at 100 % when new. With a viewer
// attached, reading Percent asks the viewer and setting Percent or ZoomMode
// drives it. The viewer is borrowed, not owned: a viewer owns its zoom
// object, so the zoom must not keep it alive (that would be a cycle); the
// viewer outlives its zoom.
class TvnZoom : public TObject {
 public:
  explicit TvnZoom(IvnDocumentViewer* AViewer = nullptr) : FViewer(AViewer) {}
  int32_t GetPercent();
  // Stores Value and switches the mode to zmCustom.
  void SetPercent(int32_t Value);
  TvnZoomMode GetZoomMode() const { return FZoomType; }
  void SetZoomMode(TvnZoomMode Value);
  // Percent belongs to the stored settings only in custom mode.
  bool IsPercentStored() const { return FZoomType == TvnZoomMode::zmCustom; }
  IvnDocumentViewer* GetViewer() const { return FViewer; }

 private:
  IvnDocumentViewer* FViewer;
  int32_t FZoomPercent = 100;
  TvnZoomMode FZoomType = TvnZoomMode::zmFitWidth;
};

// The target of a bookmark.
class TvnPageDestination : public TObject {
 public:
  int32_t GetPageNumber() const { return FPageNumber; }
  void SetPageNumber(int32_t Value) { FPageNumber = Value; }
  int32_t GetX() const { return FX; }
  void SetX(int32_t Value) { FX = Value; }
  int32_t GetY() const { return FY; }
  void SetY(int32_t Value) { FY = Value; }

 private:
  int32_t FPageNumber = 0;
  int32_t FX = 0;
  int32_t FY = 0;
};

// ---------------------------------------------------------------------------
// The base of every document

// Every document is created with its class's default constructor (the
// registry keeps a factory per class), loaded once, read through GetPageCount
// and GetPage, or filled from other documents, then saved. A format that
// writes calls RequestOutputTarget before each output and writes to
// OutStream when StreamOutput is true, to the file OutFilePath otherwise.
class TvnBaseDocumentHandler : public TObject {
 public:
  TvnBaseDocumentHandler();
  ~TvnBaseDocumentHandler() override;
  TvnBaseDocumentHandler(const TvnBaseDocumentHandler&) = delete;
  TvnBaseDocumentHandler& operator=(const TvnBaseDocumentHandler&) = delete;

  virtual TvnMeasurementUnit GetMeasurementUnit() const;
  virtual void SetMeasurementUnit(TvnMeasurementUnit Value);
  // Class-level answers: every format declares its own static pair, which
  // the registry reads without an instance.
  static TvnEngineCapabilities GetEngineCapabilities() { return {}; }
  static TvnDocumentType GetDocumentType() { return TvnDocumentType::dtFixed; }
  // 1-based; the page belongs to the document. None in the base.
  virtual TvnPage* GetPage(int32_t Index);
  virtual int32_t GetPageCount();
  // Raises EAbstractError in the base: every format loads its own way.
  virtual void LoadFromFile(const String& FileName, const String& Password);
  // The base only records the stream (taking ownership when FreeStream).
  virtual void LoadFromStream(vn::TStream* Stream, const String& Password, bool FreeStream);
  // Writing: false (nothing written) in the base.
  virtual bool Save();
  virtual bool SaveToFile(const String& FileName);
  virtual bool SaveToStream(vn::TStream* Stream);

  // Asks the host for the target of one output: the file-name handler when
  // assigned (OutFilePath := its FileName; StreamOutput left as it was),
  // else the stream handler (OutStream := its OutputStream, StreamOutput :=
  // true), else nothing changes.
  void RequestOutputTarget(TvnOutputItem OutputItem, int32_t PageNumber, int32_t PageCount);

  TvnEncoderParams* GetEncoderParams() const { return FEncoderParams; }
  void SetEncoderParams(TvnEncoderParams* Value) { FEncoderParams = Value; }
  TvnDocumentInfo* GetDocumentInfo() const { return FDocumentInFo.get(); }
  void SetDocumentInfo(std::unique_ptr<TvnDocumentInfo> Value) { FDocumentInFo = std::move(Value); }
  bool GetIsLoaded() const { return FIsLoaded; }
  const String& GetFileName() const { return FFileName; }
  vn::TStream* GetStream() const { return FStream; }
  bool GetFreeStream() const { return FFreeStream; }

  // Events (Sender is the document).
  TvnBeginCopyPageEvent BeginAssignPage;
  TvnEndCopyPageEvent EndAssignPage;
  TvnNeedOutputFileName OnNeedOutputFileName;
  TvnNeedOutputStreamEvent OnNeedOutputStream;
  TvnNeedPasswordEvent OnNeedPassword;

  // The output target obtained by RequestOutputTarget.
  String OutFilePath;
  vn::TStream* OutStream = nullptr;  // not owned
  bool StreamOutput = false;

 protected:
  // Records the stream the document reads from; with AFreeStream the
  // document owns it from this call on (also when loading then fails) and
  // frees it on destruction or when another stream replaces it.
  void SetSourceStream(vn::TStream* AStream, bool AFreeStream);
  // Raise the page-copy events of a format's Assign, when handled.
  void DoBeginAssignPage(int32_t InputPageNumber);
  void DoEndAssignPage(int32_t InputPageNumber, int32_t OutputPageNumber);

  TvnEncoderParams* FEncoderParams = nullptr;  // not owned
  std::unique_ptr<TvnDocumentInfo> FDocumentInFo;
  String FFileName;
  bool FFreeStream = false;
  bool FIsLoaded = false;
  TvnMeasurementUnit FMeasurementUnit = TvnMeasurementUnit::muPixels;
  vn::TStream* FStream = nullptr;

 private:
  std::unique_ptr<vn::TStream> FOwnedStream;
};

}  // namespace vn::framework

// Settings objects of the PDF engine and its small bookkeeping classes:
// compression, PDF preferences (version, font embedding), viewer
// preferences with the page transition of a presentation, encryption
// settings, digital-signature settings, the settings of one written image
// object (to reuse it), a page's thumbnail request, a page's object number
// and size, and a transparency state.
//
// Ownership: every settings object owns its sub-objects by value or
// unique_ptr. The engine owns its settings objects; a setter that takes a
// whole object takes it over (unique_ptr) and frees the one it held.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "export/engine_items.h"
#include "runtime/containers.h"
#include "runtime/datetime.h"

namespace vn::pdfwriter {

using vn::String;
using vn::exporter::TColor;
using vn::exporter::TFont;
using vn::exporter::TPixelFormat;
using vn::exporter::TvnOutputImageFormat;
using vn::framework::TvnSigCertLevel;
using vn::framework::TvnSigFieldAppearenceOption;

// Raised by an encryption settings object that does not belong to the
// document's owner.
VN_DECLARE_EXCEPTION(EPDFEncryptionSettings, vn::Exception);

enum class TvnCompressionLevel { cFastest, cNormal, cMaxCompress };

class TvnCompression {
 public:
  // Streams are deflated and labelled /FlateDecode.
  bool Enabled = true;
  TvnCompressionLevel Level = TvnCompressionLevel::cMaxCompress;
  // The zlib level of Level: 0 (stored blocks), 1, or zlib's default (-1).
  int ZLibLevel() const;
};

enum class TvnTTFontEmbedding { etfNone, etfFull, etfSubset };
enum class TvnPDFSubVersion { sPDF_VER14, sPDF_VER15, sPDF_VER16, sPDF_VER17, sPDFA_VER1B, sPDFA_VER2B, sPDFA_VER3B };

// "1.4" .. "1.7"; "1.7" for the three PDF/A versions.
const char* PDFVersionText(TvnPDFSubVersion version);
bool IsPDFAVersion(TvnPDFSubVersion version);

class TvnPDFPreferences : public vn::exporter::TvnPlainSheetPreferences {
 public:
  using TvnPlainSheetPreferences::TvnPlainSheetPreferences;
  TvnTTFontEmbedding EmbedTrueTypeFonts = TvnTTFontEmbedding::etfNone;
  bool ApplyEmfCharSpacing = true;
  TvnPDFSubVersion Version = TvnPDFSubVersion::sPDF_VER14;
};

enum class TvnPageLayout { plSinglePage, plOneColumn, plTwoColumnLeft, plTwoColumnRight };
enum class TvnPageMode { pmUseNone, pmUseOutlines, pmUseThumbs, pmFullScreen };
enum class TvnNonFullScreenPageMode { nfspmUseNone, nfspmUseOutlines, nfspmUseThumbs };
enum class TvnTransitionEffect {
  teNone, teSplitHorizontalInward, teSplitHorizontalOutward, teSplitVerticalInward, teSplitVerticalOutward,
  teBlindsHorizontal, teBlindsVertical, teBoxInward, teBoxOutward, teWipeLeftToRight, teWipeBottomToTop,
  teWipeRightToLeft, teWipeTopToBottom, teDissolve, teGlitterLeftToRight, teGlitterTopToBottom,
  teGlitterTopLeftToBottomRight
};

// The page transition and display duration written into every page.
class TvnPresentationMode {
 public:
  int32_t Duration = 1;
  TvnTransitionEffect TransitionEffect = TvnTransitionEffect::teNone;
};

class TvnViewerPreferences {
 public:
  TvnPageLayout PageLayout = TvnPageLayout::plOneColumn;
  TvnPageMode PageMode = TvnPageMode::pmUseNone;
  bool HideToolBar = false, HideMenuBar = false, HideWindowUI = false, FitWindow = false, CenterWindow = false;
  TvnNonFullScreenPageMode NonFullScreenPageMode = TvnNonFullScreenPageMode::nfspmUseNone;

  TvnPresentationMode& PresentationMode() { return *FPresentationMode; }
  const TvnPresentationMode& PresentationMode() const { return *FPresentationMode; }
  // Takes the object over (a null pointer leaves the current one).
  void SetPresentationMode(std::unique_ptr<TvnPresentationMode> value);

  // The catalog entries: page mode, page layout (this object's, not the
  // argument's), and the viewer-preference dictionary.
  void GetViewerPreferences(TvnPageMode PageMode, TvnPageLayout PageLayout, std::string& Text,
                            TvnNonFullScreenPageMode NonFullScreenPageMode, bool HideToolBar, bool HideMenuBar,
                            bool HideWindowUI, bool FitWindow, bool CenterWindow) const;
  // The same with this object's values.
  std::string ViewerPreferencesText() const;
  // The page entries of a presentation: /Dur and /Trans.
  static void GetTransitionEffectAndDuration(int32_t Duration, TvnTransitionEffect Effect, std::string& Text);

 private:
  std::unique_ptr<TvnPresentationMode> FPresentationMode = std::make_unique<TvnPresentationMode>();
};

enum class TvnPDFEncryptionLevel { e40bit, e128bit };
enum class TvnUserPermissionsType {
  AllowCopy, AllowModify, AllowPrint, AllowAnnotation, AllowFormFill, AllowAccessibility, AllowDocAssembly, AllowHighResPrint
};
using TvnUserPermissions = vn::EnumSet<TvnUserPermissionsType>;

class TvnPDFEncryptionSettings {
 public:
  TvnPDFEncryptionSettings();
  // A settings object that does not belong to the owner refuses every
  // change and hides the owner password.
  explicit TvnPDFEncryptionSettings(bool is_owner) : FIsOwner(is_owner) {}

  bool IsOwner() const { return FIsOwner; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  TvnPDFEncryptionLevel Level() const { return FLevel; }
  void SetLevel(TvnPDFEncryptionLevel value);
  // Empty unless the object belongs to the owner.
  std::string OwnerPassword() const { return FIsOwner ? FOwnerPassword : std::string(); }
  void SetOwnerPassword(const std::string& value);
  const std::string& UserPassword() const { return FUserPassword; }
  void SetUserPassword(const std::string& value);
  TvnUserPermissions UserPermissions() const { return FUserPermissions; }
  void SetUserPermissions(TvnUserPermissions value);

 private:
  void CheckOwner() const;

  bool FIsOwner = true;
  bool FEnabled = false;
  TvnPDFEncryptionLevel FLevel = TvnPDFEncryptionLevel::e128bit;
  std::string FOwnerPassword, FUserPassword;
  TvnUserPermissions FUserPermissions;
};

// The rectangle of a signature field in the engine's measurement unit.
class TvnSigFieldBounds {
 public:
  double FLLeft = 0, FLTop = 0, FLRight = 0, FLBotom = 0;
};

class TvnFieldProperties {
 public:
  bool Visible = true;
  String FieldName;
  TColor FillColor = 0xFFFFFF;
  int32_t PageNumber = 1;
  vn::EnumSet<TvnSigFieldAppearenceOption> FieldAppearenceOptions;
  TFont Font;

  const TvnSigFieldBounds& FieldBounds() const { return FFieldBounds; }
  // Copies the four values.
  void SetFieldBounds(const TvnSigFieldBounds& value) { FFieldBounds = value; }

 private:
  TvnSigFieldBounds FFieldBounds;
};

class TvnSignature {
 public:
  TvnSignature();
  String Author, Reason, Location, ContactInfo;
  String CertFileName, CertPassword;
  String Filter = u"Adobe.PPKLite";
  String SubFilter = u"adbe.pkcs7.sha1";
  TvnSigCertLevel CertificationLevel = TvnSigCertLevel::clFillFormFields;
  vn::EnumSet<TvnSigFieldAppearenceOption> SigFieldAppearenceOptions;
  // Start and length of the two signed byte ranges, filled when signing.
  int64_t ByteRange[4] = {0, 0, 0, 0};
  vn::TDateTime DateTime;
};

class TvnDigitalSignature {
 public:
  bool Enabled = false;
  TvnFieldProperties FieldProperties;
  TvnSignature SignatureProperties;
};

// Stored only: simple fonts are always written with WinAnsiEncoding.
enum class TvnPDFFontEncoding { feWinAnsiEncoding, feMacRomanEncoding, feMacExpertEncoding, feStandardEncoding, fePDFDocEncoding };

// The settings of one image object written, to find whether a later image
// item of the same image resource can use it again.
class TvnPDFImageSettings : public vn::exporter::TvnImageSettings {
 public:
  int32_t ObjNo = 0;
  double ImageWidth = 0, ImageHeight = 0;
  double DisplayWidth = 0, DisplayHeight = 0;
  // The colour the picture was laid on (ImageItemFill).
  TColor Fill = vn::exporter::clWhite;

  // Item: the new image item; Width, Height: the pixel size of its image
  // resource. Besides the settings, the item's fill must be the one the
  // object's bitmap was laid on: transparent pixels and the room around
  // the picture show it.
  bool IsEqual(const vn::exporter::TvnImageItem& Item, double Width, double Height) const;
};

// The colour an image item's picture is laid on in its bitmap: the brush's,
// or white under a clear brush or for a Transparent picture.
TColor ImageItemFill(const vn::exporter::TvnImageItem& Item);

// A page's thumbnail request.
class TvnPDFThumbnailItem : public vn::exporter::TvnDocumentItem {
 public:
  TvnPDFThumbnailItem() : TvnDocumentItem(vn::exporter::TvnItemKind::Other) {}
  TvnOutputImageFormat OutputImageFormat = TvnOutputImageFormat::ifBMP;
  TPixelFormat ImagePixelFormat = TPixelFormat::pf24bit;
  int32_t JPEGQuality = 100;
  int32_t IndexNo = -1;
  int32_t ObjNo = 0;

  bool IsEqual(const TvnPDFThumbnailItem& Other) const;
};

// A page's object number and size in points.
struct TvnPageInfo {
  int32_t ObjNo = 0;
  double Width = 0, Height = 0;
};

// A transparency state: its object and its resource name ("/GS" + number).
struct TvnPDGState {
  int32_t ObjNo = 0;
  std::string Tag;
};

}  // namespace vn::pdfwriter

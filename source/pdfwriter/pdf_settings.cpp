#include "pdfwriter/pdf_settings.h"

#include <zlib.h>

namespace vn::pdfwriter {

int TvnCompression::ZLibLevel() const {
  switch (Level) {
    case TvnCompressionLevel::cFastest: return 0;
    case TvnCompressionLevel::cNormal: return 1;
    case TvnCompressionLevel::cMaxCompress: break;
  }
  return Z_DEFAULT_COMPRESSION;
}

const char* PDFVersionText(TvnPDFSubVersion version) {
  switch (version) {
    case TvnPDFSubVersion::sPDF_VER14: return "1.4";
    case TvnPDFSubVersion::sPDF_VER15: return "1.5";
    case TvnPDFSubVersion::sPDF_VER16: return "1.6";
    default: return "1.7";
  }
}

bool IsPDFAVersion(TvnPDFSubVersion version) {
  return version == TvnPDFSubVersion::sPDFA_VER1B || version == TvnPDFSubVersion::sPDFA_VER2B ||
         version == TvnPDFSubVersion::sPDFA_VER3B;
}

// ---- viewer preferences

void TvnViewerPreferences::SetPresentationMode(std::unique_ptr<TvnPresentationMode> value) {
  if (value) FPresentationMode = std::move(value);
}

void TvnViewerPreferences::GetViewerPreferences(TvnPageMode page_mode, TvnPageLayout /*page_layout*/, std::string& text,
                                                TvnNonFullScreenPageMode non_full_screen, bool hide_tool_bar,
                                                bool hide_menu_bar, bool hide_window_ui, bool fit_window,
                                                bool center_window) const {
  text = "/PageMode";
  switch (page_mode) {
    case TvnPageMode::pmUseOutlines: text += "/UseOutlines"; break;
    case TvnPageMode::pmUseThumbs: text += "/UseThumbs"; break;
    case TvnPageMode::pmFullScreen: text += "/FullScreen"; break;
    case TvnPageMode::pmUseNone: text += "/UseNone"; break;
  }
  text += "/PageLayout";
  switch (PageLayout) {
    case TvnPageLayout::plSinglePage: text += "/SinglePage"; break;
    case TvnPageLayout::plTwoColumnLeft: text += "/TwoColumnLeft"; break;
    case TvnPageLayout::plTwoColumnRight: text += "/TwoColumnRight"; break;
    case TvnPageLayout::plOneColumn: text += "/OneColumn"; break;
  }
  text += "/ViewerPreferences <<";
  if (center_window) text += "/CenterWindow true";
  if (fit_window) text += "/FitWindow true";
  if (hide_window_ui) text += "/HideWindowUI true";
  if (hide_menu_bar) text += "/HideMenubar true";
  if (hide_tool_bar) text += "/HideToolbar true";
  if (page_mode == TvnPageMode::pmFullScreen) {
    text += "/NonFullScreenPageMode";
    switch (non_full_screen) {
      case TvnNonFullScreenPageMode::nfspmUseOutlines: text += "/UseOutlines"; break;
      case TvnNonFullScreenPageMode::nfspmUseThumbs: text += "/UseThumbs"; break;
      case TvnNonFullScreenPageMode::nfspmUseNone: text += "/UseNone"; break;
    }
  }
  text += " >>";
}

std::string TvnViewerPreferences::ViewerPreferencesText() const {
  std::string text;
  GetViewerPreferences(PageMode, PageLayout, text, NonFullScreenPageMode, HideToolBar, HideMenuBar, HideWindowUI,
                       FitWindow, CenterWindow);
  return text;
}

void TvnViewerPreferences::GetTransitionEffectAndDuration(int32_t duration, TvnTransitionEffect effect, std::string& text) {
  const std::string d = std::to_string(duration);
  text = "/Dur " + d + "/Trans <</Type/Trans/D " + d + "/S";
  switch (effect) {
    case TvnTransitionEffect::teNone: text += "/R"; break;
    case TvnTransitionEffect::teSplitHorizontalInward: text += "/Split/Dm/H/M/I"; break;
    case TvnTransitionEffect::teSplitHorizontalOutward: text += "/Split/Dm/H/M/O"; break;
    case TvnTransitionEffect::teSplitVerticalInward: text += "/Split/Dm/V/M/I"; break;
    case TvnTransitionEffect::teSplitVerticalOutward: text += "/Split/Dm/V/M/O"; break;
    case TvnTransitionEffect::teBlindsHorizontal: text += "/Blinds/Dm/H"; break;
    case TvnTransitionEffect::teBlindsVertical: text += "/Blinds/Dm/V"; break;
    case TvnTransitionEffect::teBoxInward: text += "/Box/M/I"; break;
    case TvnTransitionEffect::teBoxOutward: text += "/Box/M/O"; break;
    case TvnTransitionEffect::teWipeLeftToRight: text += "/Wipe/Di 0"; break;
    case TvnTransitionEffect::teWipeBottomToTop: text += "/Wipe/Di 90"; break;
    case TvnTransitionEffect::teWipeRightToLeft: text += "/Wipe/Di 180"; break;
    case TvnTransitionEffect::teWipeTopToBottom: text += "/Wipe/Di 270"; break;
    case TvnTransitionEffect::teDissolve: text += "/Dissolve"; break;
    case TvnTransitionEffect::teGlitterLeftToRight: text += "/Glitter/Di 0"; break;
    case TvnTransitionEffect::teGlitterTopToBottom: text += "/Glitter/Di 270"; break;
    case TvnTransitionEffect::teGlitterTopLeftToBottomRight: text += "/Glitter/Di 315"; break;
  }
  text += " >>";
}

// ---- encryption settings

TvnPDFEncryptionSettings::TvnPDFEncryptionSettings() {
  FUserPermissions = {TvnUserPermissionsType::AllowCopy,       TvnUserPermissionsType::AllowModify,
                      TvnUserPermissionsType::AllowPrint,      TvnUserPermissionsType::AllowAnnotation,
                      TvnUserPermissionsType::AllowFormFill,   TvnUserPermissionsType::AllowAccessibility,
                      TvnUserPermissionsType::AllowDocAssembly, TvnUserPermissionsType::AllowHighResPrint};
}

void TvnPDFEncryptionSettings::CheckOwner() const {
  if (!FIsOwner) throw EPDFEncryptionSettings("User cannot change encryption settings");
}

void TvnPDFEncryptionSettings::SetEnabled(bool value) {
  CheckOwner();
  FEnabled = value;
}

void TvnPDFEncryptionSettings::SetLevel(TvnPDFEncryptionLevel value) {
  CheckOwner();
  FLevel = value;
}

void TvnPDFEncryptionSettings::SetOwnerPassword(const std::string& value) {
  CheckOwner();
  FOwnerPassword = value;
}

void TvnPDFEncryptionSettings::SetUserPassword(const std::string& value) {
  CheckOwner();
  FUserPassword = value;
}

void TvnPDFEncryptionSettings::SetUserPermissions(TvnUserPermissions value) {
  CheckOwner();
  FUserPermissions = value;
}

// ---- signature settings

TvnSignature::TvnSignature() : DateTime(vn::Now()) {
  SigFieldAppearenceOptions = {TvnSigFieldAppearenceOption::sfaoShowName, TvnSigFieldAppearenceOption::sfaoShowReason,
                               TvnSigFieldAppearenceOption::sfaoShowLocation, TvnSigFieldAppearenceOption::sfaoShowDate,
                               TvnSigFieldAppearenceOption::sfaoShowLabels};
}

// ---- bookkeeping

TColor ImageItemFill(const vn::exporter::TvnImageItem& item) {
  const bool clear = item.Brush.Style == vn::exporter::TBrushStyle::bsClear || item.Settings.Transparent;
  return clear ? vn::exporter::clWhite : item.Brush.Color;
}

bool TvnPDFImageSettings::IsEqual(const vn::exporter::TvnImageItem& item, double w, double h) const {
  const vn::exporter::TvnImageSettings& s = item.Settings;
  if (Fill != ImageItemFill(item)) return false;
  if (OutputImageFormat() != s.OutputImageFormat()) return false;
  if (OutputImageFormat() == TvnOutputImageFormat::ifJPEG && JPEGQuality != s.JPEGQuality) return false;
  if (ImagePixelFormat != s.ImagePixelFormat || SourceDPI != s.SourceDPI || Autosize != s.Autosize) return false;
  if (Stretch != s.Stretch) {
    if (Stretch) return w == item.Width || h == item.Height;
    return w == ImageWidth || h == ImageHeight;
  }
  if (Stretch) return true;
  if (ImageWidth != item.Width || ImageHeight != item.Height) return false;
  if (Center != s.Center) return w == ImageWidth && h == ImageHeight;
  return true;
}

bool TvnPDFThumbnailItem::IsEqual(const TvnPDFThumbnailItem& other) const {
  if (ImagePixelFormat != other.ImagePixelFormat || OutputImageFormat != other.OutputImageFormat) return false;
  if (OutputImageFormat == TvnOutputImageFormat::ifJPEG) return JPEGQuality == other.JPEGQuality;
  return true;
}

}  // namespace vn::pdfwriter

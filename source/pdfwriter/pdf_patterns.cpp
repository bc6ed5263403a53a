// Page background (colour and picture) and the tiling patterns of hatch
// brushes and of the background picture.
#include <algorithm>

#include "pdfwriter/pdf_engine.h"
#include "pdfwriter/pdf_syntax_impl.h"

namespace vn::pdfwriter {

namespace {

// The content of a hatch cell of 5 by 5 units.
const char* HatchContent(const std::string& name) {
  if (name == "PH") return "2 J 2 j 0.3 w 0 2.5 m 5 2.5 l S";
  if (name == "PV") return "2 J 2 j 0.3 w 2.5 0 m 2.5 5 l S";
  if (name == "PFD") return "2 J 2 j 0.3 w 0 2.5 m 2.5 0 l 5 2.5 m 2.5 5 l S";
  if (name == "PBD") return "2 J 2 j 0.3 w 0 2.5 m 2.5 5 l 2.5 0 m 5 2.5 l S";
  if (name == "PC") return "2 J 2 j 0.3 w 0 2.5 m 5 2.5 l 2.5 0 m 2.5 5 l S";
  if (name == "PDC") return "2 J 2 j 0.3 w 2.5 0 m 5 2.5 l 2.5 5 l 0 2.5 l s";
  return nullptr;
}

}  // namespace

void TvnCustomPDFEngine::WritePageBackground() {
  using vn::exporter::TvnBackgroundDisplayType;
  const TvnPageInfo* info = CurrentPageInfo();
  const double W = info ? info->Width : 0, H = info ? info->Height : 0;
  std::string text;
  if (BackgroundColor() != kNoBackgroundColor)
    text += GetCSForFill(BackgroundColor()) + " " + Num(0) + " " + Num(0) + " " + Num(W) + " " + Num(H) + " re f " + kCRLF;

  const TGraphic* picture = BackgroundImage().Graphic();
  if (picture && picture->Width() > 0 && picture->Height() > 0) {
    const double w = picture->Width(), h = picture->Height();
    const TvnBackgroundDisplayType type = BackgroundImageDisplayType();
    double top = 0, left = 0;
    switch (type) {
      case TvnBackgroundDisplayType::dtTopLeft:
      case TvnBackgroundDisplayType::dtTopCenter:
      case TvnBackgroundDisplayType::dtTopRight: top = H - h; break;
      case TvnBackgroundDisplayType::dtCenterLeft:
      case TvnBackgroundDisplayType::dtCenter:
      case TvnBackgroundDisplayType::dtCenterRight: top = H / 2 - h / 2; break;
      default: break;
    }
    switch (type) {
      case TvnBackgroundDisplayType::dtTopCenter:
      case TvnBackgroundDisplayType::dtCenter:
      case TvnBackgroundDisplayType::dtBottomCenter: left = W / 2 - w / 2; break;
      case TvnBackgroundDisplayType::dtTopRight:
      case TvnBackgroundDisplayType::dtCenterRight:
      case TvnBackgroundDisplayType::dtBottomRight: left = W - w; break;
      default: break;
    }
    left = std::max(left, 0.0);
    top = std::max(top, 0.0);
    // A picture that overflows the page is scaled down to fit the room
    // right of and above its corner, keeping its aspect ratio.
    double dw = w, dh = h;
    if (type != TvnBackgroundDisplayType::dtTile && (w + left > W || h + top > H)) {
      const double scale = std::min((W - left) / w, (H - top) / h);
      dw = w * scale;
      dh = h * scale;
    }
    FBackgroundImageLeft = left;
    FBackgroundImageTop = top;
    FBackgroundImageWidth = dw;
    FBackgroundImageHeight = dh;
    if (CurrentPage() == 1 || FBGImageObj < 0) FBGImageObj = WriteBackgroundImage(*picture);
    if (FBGImageObj >= 0) {
      // A tiled picture covers the page; a placed one only its own box.
      const bool tile = type == TvnBackgroundDisplayType::dtTile;
      text += "/Pattern cs /PI scn " + Num(tile ? 0 : left) + " " + Num(tile ? 0 : top) + " " + Num(tile ? W : dw) + " " +
              Num(tile ? H : dh) + " re f";
    }
  }
  WriteContent(std::string(kCRLF) + "q" + kCRLF + text + kCRLF + "Q ");
}

void TvnCustomPDFEngine::WritePatterns() {
  for (const auto& [name, obj] : FPattern) {
    std::string dictionary, content;
    if (name == "PI") {
      dictionary = "/Type/Pattern/PatternType 1/PaintType 1/Resources << /ProcSet [/PDF /ImageC] /XObject << /Img0 " +
                   ObjectRef(FBGImageObj) + " >> " + kCRLF + ">>" + "/TilingType 1" + "/BBox [0 0 " +
                   Num(FBackgroundImageWidth) + " " + Num(FBackgroundImageHeight) + "]" + "/Matrix [1 0 0 1 " +
                   Num(FBackgroundImageLeft) + " " + Num(FBackgroundImageTop) + "]" + "/XStep " +
                   Num(FBackgroundImageWidth) + "/YStep " + Num(FBackgroundImageHeight);
      content = std::string(kCRLF) + "q" + kCRLF + Num(FBackgroundImageWidth) + " 0 0 " + Num(FBackgroundImageHeight) +
                " 0 0 " + "cm" + kCRLF + "/Img0" + " Do" + kCRLF + "Q";
    } else {
      const char* hatch = HatchContent(name);
      if (!hatch) continue;
      dictionary = "/Type /Pattern" + std::string(kCRLF) + "/Resources << /ProcSet [/PDF ] >>" + kCRLF + "/PatternType 1" +
                   kCRLF + "/PaintType 2" + kCRLF + "/TilingType 1" + kCRLF + "/BBox [0 0 5 5]" + kCRLF + "/XStep 5" +
                   kCRLF + "/YStep 5" + kCRLF;
      content = hatch;
    }
    const int32_t length_obj = NewObjectNumber();
    dictionary += "/Length" + std::string(kCRLF) + ObjectRef(length_obj) + FlateFilterEntry();
    const int64_t length = WriteStreamObject(obj, dictionary, content);
    WriteObject(std::to_string(length), length_obj, true);
  }
}

}  // namespace vn::pdfwriter

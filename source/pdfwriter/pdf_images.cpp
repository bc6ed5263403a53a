// Image pixels, JPEG colour models and the image-object table of the PDF engine.
#include "pdfwriter/pdf_images.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "export/bitmap_graphic.h"
#include "pdfwriter/ccitt_encoder.h"
#include "pdfwriter/extended_pdf_engine.h"
#include "pdfwriter/pdf_syntax_impl.h"
#include "platform/images/image_codecs.h"
#include "runtime/numbers.h"
#include "runtime/streams.h"

namespace vn::pdfwriter {

using vn::exporter::TvnCapabilityKind;
using vn::exporter::TvnItemsToRenderKind;
using vn::exporter::TvnOutputImageFormat;
using vn::platform::BGRA;
using vn::platform::Bitmap;
using vn::platform::PixelFormat;

std::string ImageXObjectName(int32_t index, int32_t variant) {
  return "Img" + std::to_string(index) + "_" + std::to_string(variant);
}

TvnJPEGColorSpace GetJPEGColorSpace(std::string_view jpeg) {
  const platform::JpegInfo info = platform::ReadJpegInfo(platform::AsBytes(jpeg));
  TvnJPEGColorSpace result;
  result.Width = info.Width;
  result.Height = info.Height;
  switch (info.ColorModel) {
    case platform::JpegColorModel::Gray: result.ColorSpace = "DeviceGray"; break;
    case platform::JpegColorModel::CMYK:
    case platform::JpegColorModel::YCCK:
      result.ColorSpace = "DeviceCMYK";
      // Adobe's writers store CMYK inverted; readers undo it through /Decode.
      if (info.AdobeMarker) result.Decode = "/Decode [1 0 1 0 1 0 1 0]";
      break;
    default:
      result.ColorSpace = info.Components == 4 ? "DeviceCMYK" : info.Components == 1 ? "DeviceGray" : "DeviceRGB";
      break;
  }
  return result;
}

Bitmap GraphicToBitmap(const vn::exporter::TGraphic& graphic) {
  // A bitmap graphic already holds the pixels its file would give back
  // (the file keeps no alpha: such bitmaps still take the file's way).
  if (const auto* held = dynamic_cast<const vn::exporter::TvnBitmapGraphic*>(&graphic)) {
    const Bitmap& bitmap = held->Bitmap();
    if (!bitmap.Empty() && !(bitmap.Format() == PixelFormat::pf32bit && bitmap.HasAlpha())) return bitmap;
  }
  vn::TMemoryStream saved;
  graphic.SaveToStream(saved);
  return platform::DecodeImage(platform::AsBytes(saved.View()));
}

namespace {

BGRA ColourOf(vn::exporter::TColor c) {
  return BGRA{static_cast<uint8_t>((c >> 16) & 0xFF), static_cast<uint8_t>((c >> 8) & 0xFF), static_cast<uint8_t>(c & 0xFF), 255};
}

BGRA Over(BGRA top, BGRA under) {
  if (top.A == 255) return top;
  auto mix = [&](uint8_t a, uint8_t b) { return static_cast<uint8_t>((a * top.A + b * (255 - top.A) + 127) / 255); };
  return BGRA{mix(top.B, under.B), mix(top.G, under.G), mix(top.R, under.R), 255};
}

// The picture as a 24-bit bitmap of the given size, filled with `fill`, with
// the picture drawn at (dx, dy) (alpha over the fill); pixels outside are cut.
Bitmap Compose(const Bitmap& picture, int width, int height, int dx, int dy, BGRA fill) {
  Bitmap out(width, height, PixelFormat::pf24bit);
  // A 24-bit picture is opaque and laid out as the result: its rows are copied.
  const bool opaque24 = picture.Format() == PixelFormat::pf24bit;
  for (int y = 0; y < height; ++y) {
    const int64_t sy = int64_t{y} - dy;
    auto row = out.MutableRow(y);
    // The columns [from, to) of this row show the picture.
    const bool rowInside = sy >= 0 && sy < picture.Height();
    const int from = rowInside ? static_cast<int>(std::clamp<int64_t>(dx, 0, width)) : width;
    const int to = rowInside ? static_cast<int>(std::clamp<int64_t>(int64_t{dx} + picture.Width(), from, width)) : width;
    auto put = [&](int x, BGRA c) {
      row[static_cast<size_t>(x) * 3] = c.B;
      row[static_cast<size_t>(x) * 3 + 1] = c.G;
      row[static_cast<size_t>(x) * 3 + 2] = c.R;
    };
    for (int x = 0; x < from; ++x) put(x, fill);
    if (opaque24 && to > from) {
      std::memcpy(row.data() + static_cast<size_t>(from) * 3,
                  picture.Row(static_cast<int>(sy)).data() + static_cast<size_t>(from - dx) * 3,
                  static_cast<size_t>(to - from) * 3);
    } else {
      for (int x = from; x < to; ++x) put(x, Over(picture.Pixel(x - dx, static_cast<int>(sy)), fill));
    }
    for (int x = to; x < width; ++x) put(x, fill);
  }
  return out;
}

int Pixels(double v) { return std::max(1, vn::RoundToInt(v)); }

}  // namespace

Bitmap GetImageItemBitmap(const Bitmap& picture, const vn::exporter::TvnImageItem& item, const TvnImageItemLayout& layout) {
  const auto& s = item.Settings;
  const BGRA fill = ColourOf(ImageItemFill(item));
  const auto& caps = layout.Capabilities;
  const bool any_image_capability = caps.Contains(TvnCapabilityKind::ckImageStretch) ||
                                    caps.Contains(TvnCapabilityKind::ckImageFrame) ||
                                    caps.Contains(TvnCapabilityKind::ckInputRes) ||
                                    caps.Contains(TvnCapabilityKind::ckImageReusable);
  // A picture is never enlarged into its bitmap: the placement scales it
  // to the item, so more pixels would add nothing but size.
  auto scaled = [&](int w, int h) {
    w = std::min(w, picture.Width());
    h = std::min(h, picture.Height());
    return Compose(w == picture.Width() && h == picture.Height() ? picture : platform::ScaleBitmap(picture, w, h), w, h, 0, 0,
                   fill);
  };
  Bitmap out;
  if (s.Autosize || (s.Stretch && !any_image_capability)) {
    out = scaled(Pixels(item.Width), Pixels(item.Height));
  } else if (s.Stretch) {
    const bool fits = (item.Width <= layout.PageWidth && item.Height <= layout.PageHeight) ||
                      (vn::Round(layout.PageWidth) >= vn::Round(item.DisplayRect.Right) &&
                       vn::Round(layout.PageHeight) >= vn::Round(item.DisplayRect.Bottom));
    out = fits ? scaled(picture.Width(), picture.Height()) : scaled(Pixels(layout.PageWidth), Pixels(layout.PageHeight));
  } else {
    // One bitmap pixel per engine pixel over the item: the picture at its
    // corner or centred, the rest filled, the overhang cut.
    const int w = Pixels(item.Width), h = Pixels(item.Height);
    platform::CheckImageSize("PDF image", w, h, {});
    const int dx = s.Center ? (w - picture.Width()) / 2 : 0;
    const int dy = s.Center ? (h - picture.Height()) / 2 : 0;
    out = Compose(picture, w, h, dx, dy, fill);
  }
  if (s.ImagePixelFormat == vn::exporter::TPixelFormat::pf1bit) return out.ConvertTo(PixelFormat::pf1bit);
  return out;
}

// ---- the table of image objects

void TvnPDFImageTable::Clear() {
  FImageSettings.assign(1, {});
  FStreams.clear();
}

std::vector<TvnPDFImageSettings>& TvnPDFImageTable::ListFor(int32_t index) {
  const size_t i = index > 0 ? static_cast<size_t>(index) : 0;
  if (FImageSettings.size() <= i) FImageSettings.resize(i + 1);
  return FImageSettings[i];
}

int32_t TvnPDFImageTable::FindEqual(int32_t index, const vn::exporter::TvnImageItem& item, double w, double h) {
  const auto& list = ListFor(index);
  for (size_t j = 0; j < list.size(); ++j)
    if (list[j].IsEqual(item, w, h)) return static_cast<int32_t>(j);
  return -1;
}

int32_t TvnPDFImageTable::Add(int32_t index, const vn::exporter::TvnImageItem& item, int32_t obj_no) {
  auto& list = ListFor(index);
  TvnPDFImageSettings& entry = list.emplace_back();
  entry.Assign(item.Settings);
  entry.ObjNo = obj_no;
  entry.DisplayWidth = item.DisplayRect.Right - item.DisplayRect.Left;
  entry.DisplayHeight = item.DisplayRect.Bottom - item.DisplayRect.Top;
  entry.ImageWidth = item.Width;
  entry.ImageHeight = item.Height;
  entry.Fill = ImageItemFill(item);
  return static_cast<int32_t>(list.size()) - 1;
}

int32_t TvnPDFImageTable::VariantFor(int32_t index, const vn::exporter::TvnImageItem& item, int32_t obj_no) {
  const auto& list = ListFor(index);
  for (size_t j = 0; j < list.size(); ++j)
    if (list[j].ObjNo == obj_no) return static_cast<int32_t>(j);
  return Add(index, item, obj_no);
}

std::string TvnPDFImageTable::StreamKey(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
  return std::string(reinterpret_cast<const char*>(digest), length);
}

int32_t TvnPDFImageTable::FindStream(const std::string& key) const {
  const auto it = FStreams.find(key);
  return it == FStreams.end() ? 0 : it->second;
}

void TvnPDFImageTable::AddStream(std::string key, int32_t obj_no) { FStreams.emplace(std::move(key), obj_no); }

std::string TvnPDFImageTable::ResourceEntries() const {
  std::string text;
  for (size_t i = 0; i < FImageSettings.size(); ++i)
    for (size_t j = 0; j < FImageSettings[i].size(); ++j)
      text += " /" + ImageXObjectName(static_cast<int32_t>(i), static_cast<int32_t>(j)) + " " +
              std::to_string(FImageSettings[i][j].ObjNo) + " 0 R";
  return text;
}

// ---- the engine's image objects

namespace {

bool IsCCITT(TvnOutputImageFormat format) {
  return format == TvnOutputImageFormat::ifCCITT3 || format == TvnOutputImageFormat::ifCCITT4;
}

// The data of an image object and the dictionary entries that describe it
// (colour space, bits, filter and decode parameters; no size, no length).
struct ImageData {
  std::string Bytes;
  std::string Entries;
  int32_t Width = 0, Height = 0;
};

// Deflated (when compression is on) 8-bit RGB rows.
ImageData FlateImage(const Bitmap& bitmap, const TvnCompression& compression) {
  ImageData data;
  data.Width = bitmap.Width();
  data.Height = bitmap.Height();
  TvnCustomPDFEngine::CompressStream(bitmap.ToRGB24OnWhite(), data.Bytes, compression.Level, compression.Enabled);
  data.Entries = "/BitsPerComponent 8/ColorSpace/DeviceRGB";
  if (compression.Enabled) data.Entries += "/Filter/FlateDecode";
  return data;
}

// JPEG bytes as they are, labelled by their own header.
ImageData JpegImage(std::string bytes) {
  const TvnJPEGColorSpace color = GetJPEGColorSpace(bytes);
  ImageData data;
  data.Width = color.Width;
  data.Height = color.Height;
  data.Entries = "/BitsPerComponent 8/ColorSpace/" + color.ColorSpace + color.Decode + "/Filter/DCTDecode";
  data.Bytes = std::move(bytes);
  return data;
}

// Appends image object n to a page's image buffer and records its offset.
void AppendImageObject(std::string& buffer, std::vector<std::pair<int64_t, int32_t>>& xrefs, int32_t n, const std::string& name, const ImageData& data) {
  xrefs.emplace_back(static_cast<int64_t>(buffer.size()), n);
  const bool background = name == "Img0";
  const std::string head = TvnCustomPDFEngine::ObjectHeader(n) + kCRLF +
                           (background ? std::string("<<") + kCRLF : "<< ") + "/Type/XObject/Subtype/Image/Name/" +
                           name + "/Width " + std::to_string(data.Width) + "/Height " +
                           std::to_string(data.Height) + data.Entries + "/Length " +
                           std::to_string(data.Bytes.size()) + (background ? kCRLF : "") + ">>" + kCRLF + "stream" +
                           kCRLF;
  const std::string tail = std::string(kCRLF) + "endstream" + kCRLF + "endobj" + kCRLF;
  // The stream is appended once, without temporaries of its size.
  buffer.reserve(buffer.size() + head.size() + data.Bytes.size() + tail.size());
  buffer += head;
  buffer += data.Bytes;
  buffer += tail;
}

}  // namespace

std::string TvnCustomPDFEngine::GetImageResources() { return FImageSettings.ResourceEntries(); }

void TvnCustomPDFEngine::RenderImageItem(vn::exporter::TvnImageItem& item) {
  if (!ItemsToRender().Contains(TvnItemsToRenderKind::irImage)) return;
  const TGraphic* graphic = GetImageResource(item.IndexNo).Graphic;
  if (!graphic || graphic->Width() <= 0 || graphic->Height() <= 0) return;
  const TvnOutputImageFormat format = item.Settings.OutputImageFormat();
  // CCITT pictures are one bit deep; set before the comparison so an equal
  // CCITT object is found again.
  if (IsCCITT(format)) item.Settings.ImagePixelFormat = vn::exporter::TPixelFormat::pf1bit;
  int32_t variant = FImageSettings.FindEqual(item.IndexNo, item, graphic->Width(), graphic->Height());
  if (variant < 0) {
    TvnImageItemLayout layout;
    layout.Capabilities = Capabilities();
    if (const TvnPageInfo* info = CurrentPageInfo(); info && FPixelToPointMultiplier > 0) {
      layout.PageWidth = info->Width / FPixelToPointMultiplier;
      layout.PageHeight = info->Height / FPixelToPointMultiplier;
    }
    // A picture with alpha keeps it as a soft mask beside its colours (not
    // in PDF/A, whose first version has no soft masks: there it is
    // composited as before).
    const auto* held = dynamic_cast<const vn::exporter::TvnBitmapGraphic*>(graphic);
    const bool soft_mask = held && held->Bitmap().Format() == PixelFormat::pf32bit && held->Bitmap().HasAlpha() &&
                           !IsCCITT(format) && !FIsPDFA;
    std::string mask_reference;
    Bitmap bitmap;
    if (soft_mask) {
      // The colours and the alpha as two opaque pictures laid out alike.
      const Bitmap& picture = held->Bitmap();
      Bitmap colour(picture.Width(), picture.Height(), PixelFormat::pf24bit);
      Bitmap alpha(picture.Width(), picture.Height(), PixelFormat::pf24bit);
      for (int y = 0; y < picture.Height(); ++y) {
        const uint8_t* in = picture.Row(y).data();
        uint8_t* c = colour.MutableRow(y).data();
        uint8_t* a = alpha.MutableRow(y).data();
        for (int x = 0; x < picture.Width(); ++x, in += 4, c += 3, a += 3) {
          std::copy_n(in, 3, c);
          a[0] = a[1] = a[2] = in[3];
        }
      }
      bitmap = GetImageItemBitmap(colour, item, layout);
      const Bitmap mask = GetImageItemBitmap(alpha, item, layout);
      std::string grey;
      grey.reserve(static_cast<size_t>(mask.Width()) * static_cast<size_t>(mask.Height()));
      for (int y = 0; y < mask.Height(); ++y)
        for (int x = 0; x < mask.Width(); ++x) grey.push_back(static_cast<char>(mask.Row(y)[static_cast<size_t>(x) * 3]));
      ImageData mask_data;
      mask_data.Width = mask.Width();
      mask_data.Height = mask.Height();
      CompressStream(grey, mask_data.Bytes, Compression().Level, Compression().Enabled);
      mask_data.Entries = "/BitsPerComponent 8/ColorSpace/DeviceGray";
      if (Compression().Enabled) mask_data.Entries += "/Filter/FlateDecode";
      const int32_t m = NewObjectNumber();
      EncryptObjectStream(mask_data.Bytes, m, 0);
      AppendImageObject(FImageStream, FImageXRefList, m, "Mask" + std::to_string(m), mask_data);
      mask_reference = "/SMask " + std::to_string(m) + " 0 R";
    } else {
      bitmap = GetImageItemBitmap(GraphicToBitmap(*graphic), item, layout);
    }
    ImageData data;
    std::unique_ptr<vn::TMemoryStream> ccitt = IsCCITT(format) ? EncodeCCITT(bitmap, format) : nullptr;
    if (ccitt) {
      data.Width = bitmap.Width();
      data.Height = bitmap.Height();
      data.Bytes = std::string(ccitt->View());
      const std::string size = " /Columns " + std::to_string(data.Width) + " /Rows " + std::to_string(data.Height);
      // Group 3 rows end without a return-to-control sequence: say so.
      data.Entries = "/BitsPerComponent 1/Filter[/CCITTFaxDecode]/ColorSpace/DeviceGray /DecodeParms [<</K " +
                     std::string(format == TvnOutputImageFormat::ifCCITT3 ? "0" : "-1") + size +
                     (format == TvnOutputImageFormat::ifCCITT3 ? " /EndOfBlock false" : "") + " >>]";
    } else if (format == TvnOutputImageFormat::ifJPEG) {
      data = JpegImage(platform::EncodeJpeg(bitmap, item.Settings.JPEGQuality));
    } else {
      // RGB rows; also CCITT on an engine without an encoder.
      data = FlateImage(bitmap, Compression());
    }
    data.Entries += mask_reference;
    const int32_t n = NewObjectNumber();
    variant = FImageSettings.Add(item.IndexNo, item, n);
    EncryptObjectStream(data.Bytes, n, 0);
    AppendImageObject(FImageStream, FImageXRefList, n, ImageXObjectName(item.IndexNo, variant), data);
  }
  WriteContent(WriteImagePlacement(ImageXObjectName(item.IndexNo, variant), item));
}

void TvnCustomPDFEngine::RenderImageStream(vn::exporter::TvnImageStream& item) {
  if (!ItemsToRender().Contains(TvnItemsToRenderKind::irImage) || item.IndexNo < 0) return;
  const std::string_view bytes = item.Stream.View();
  const bool jpeg = platform::DetectImageFormat(platform::AsBytes(bytes)) == platform::ImageFormat::Jpeg;
  // The same bytes drawn again use the object already written.
  std::string key = jpeg ? TvnPDFImageTable::StreamKey(bytes) : std::string();
  const int32_t found = jpeg ? FImageSettings.FindStream(key) : 0;
  const int32_t n = found ? found : NewObjectNumber();
  const int32_t variant = FImageSettings.VariantFor(item.IndexNo, item, n);
  if (!found) {
    // A kept JPEG passes through unchanged; any other picture a caller kept
    // as a stream is written as RGB rows rather than mislabelled as JPEG.
    ImageData data = jpeg ? JpegImage(std::string(bytes))
                          : FlateImage(platform::DecodeImage(platform::AsBytes(bytes)), Compression());
    if (jpeg) FImageSettings.AddStream(std::move(key), n);
    EncryptObjectStream(data.Bytes, n, 0);
    AppendImageObject(FImageStream, FImageXRefList, n, ImageXObjectName(item.IndexNo, variant), data);
  }
  WriteContent(WriteImagePlacement(ImageXObjectName(item.IndexNo, variant), item));
}

std::string TvnCustomPDFEngine::WriteImagePlacement(const std::string& name, vn::exporter::TvnImageItem& item) {
  if (item.Width == 0) item.Width = 1;
  if (item.Height == 0) item.Height = 1;
  const double sw = ConvW(std::fabs(item.Width)), sh = ConvH(std::fabs(item.Height));
  std::string text;
  if (item.Settings.IsFrame) {
    std::string frame;
    WriteItemFrame(item, frame);
    text += frame + kCRLF;
  }
  const int32_t inclination = item.Settings.Inclination;
  if (inclination == 0 || inclination == 360) {
    text += std::string(kCRLF) + "q" + kCRLF + Num(sw) + " 0 0 " + Num(sh) + " " + Num(ConvX(item.X)) + " " +
            Num(ConvY(item.Y + std::fabs(item.Height))) + " cm" + kCRLF;
  } else {
    const TvnRect& r = item.DisplayRect;
    const double alpha = inclination * kPi / 180;
    const double dx = item.X - r.Left, dy = item.Y + item.Height - r.Top;
    const double d = std::sqrt(dx * dx + dy * dy);
    const double e = alpha + (dy == 0 ? kPi : std::atan(dx / dy));
    text += std::string(kCRLF) + "q 1 0 0 1 " + Num(ConvX(std::sin(e) * d + r.Left)) + " " +
            Num(ConvY(std::cos(e) * d + r.Top)) + " cm" + "\r";
    text += Num(std::cos(alpha)) + " " + Num(std::sin(alpha)) + " " + Num(-std::sin(alpha)) + " " + Num(std::cos(alpha)) +
            " 0 0 cm" + "\r";
    text += Num(sw) + " " + Num(0) + " " + Num(0) + " " + Num(sh) + " 0 0 cm" + "\r";
  }
  text += BlendPrefix(item.BlendMode) + OpacityPrefix(item.Settings.Opacity) + "/" + name + " Do" + kCRLF + "Q";
  return text;
}

int32_t TvnCustomPDFEngine::WriteBackgroundImage(const TGraphic& picture) {
  if (picture.Width() <= 0 || picture.Height() <= 0) return -1;
  vn::TMemoryStream saved;
  picture.SaveToStream(saved);
  const std::string bytes(saved.View());
  ImageData data;
  if (ImageSettings().OutputImageFormat() == TvnOutputImageFormat::ifJPEG) {
    // A JPEG picture passes through; any other is coded as JPEG.
    const bool jpeg = platform::DetectImageFormat(platform::AsBytes(bytes)) == platform::ImageFormat::Jpeg;
    data = JpegImage(jpeg ? bytes : platform::EncodeJpeg(platform::DecodeImage(platform::AsBytes(bytes)), ImageSettings().JPEGQuality));
  } else {
    // RGB rows, also for formats that have no data form of their own here.
    data = FlateImage(platform::DecodeImage(platform::AsBytes(bytes)), Compression());
  }
  const int32_t n = NewObjectNumber();
  EncryptObjectStream(data.Bytes, n, 0);
  AppendImageObject(FImageStream, FImageXRefList, n, "Img0", data);
  return n;
}

std::unique_ptr<vn::TMemoryStream> TvnExPDFEngine::EncodeCCITT(const Bitmap& bitmap, TvnOutputImageFormat format) {
  return EncodeCCITTStream(bitmap, format == TvnOutputImageFormat::ifCCITT3 ? TvnCCITTCoding::Group3 : TvnCCITTCoding::Group4);
}

}  // namespace vn::pdfwriter

// The image side of the PDF engine: the pixels and data of an image object
// (RGB rows deflated, JPEG, CCITT Group 3 or 4), the colour model of a JPEG
// passed through unchanged, the table of image objects written in a
// document (so an image drawn again with equal settings is stored once).
// The engine's image hooks (RenderImageItem, RenderImageStream,
// WriteImagePlacement, WriteBackgroundImage, EncodeCCITT) are members of the
// engine classes, defined in pdf_images.cpp with these helpers.
//
// Names: every image object of a page is named "Img" + resource index + "_" +
// variant (the variant is the object's position in its resource's list), so
// no two pairs share a name; the background image is "Img0" inside its
// pattern.
//
// Ownership: the table owns its settings entries; everything else here works
// on values the caller keeps.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "export/document_engine.h"
#include "export/engine_items.h"
#include "pdfwriter/pdf_settings.h"
#include "platform/images/bitmap.h"

namespace vn::pdfwriter {

// "Img" + index + "_" + variant.
std::string ImageXObjectName(int32_t Index, int32_t Variant);

// The colour space of a JPEG stream written through DCTDecode, read from its
// header only: DeviceGray for one component, DeviceCMYK for four (CMYK or
// YCCK; with /Decode [1 0 1 0 1 0 1 0] when an Adobe marker says the data
// are stored inverted), DeviceRGB otherwise. Width and Height are the frame's.
struct TvnJPEGColorSpace {
  std::string ColorSpace;  // "DeviceGray", "DeviceRGB" or "DeviceCMYK"
  std::string Decode;      // "" or "/Decode [1 0 1 0 1 0 1 0]"
  int32_t Width = 0, Height = 0;
};
// EImageDecodeError when the bytes are not a readable JPEG header.
TvnJPEGColorSpace GetJPEGColorSpace(std::string_view Jpeg);

// The pixels of any graphic, through its own file format (BMP, PNG, JPEG,
// GIF, TIFF ...). EImageDecodeError when its format is not a raster image.
platform::Bitmap GraphicToBitmap(const vn::exporter::TGraphic& Graphic);

// Where the picture of an image item goes and how big its bitmap is.
struct TvnImageItemLayout {
  vn::exporter::TvnCapabilities Capabilities;
  double PageWidth = 0, PageHeight = 0;  // engine pixels
};

// The bitmap of an image item in the form it is to appear (24-bit, or 1-bit
// when the item's pixel format is pf1bit):
// - Autosize, or Stretch on an engine without any image capability: the
//   picture scaled down to the item's rounded size;
// - Stretch: the picture at its own size when the item fits the page,
//   otherwise scaled down to the page size;
// - otherwise: a bitmap of the item's rounded size, filled with the item's
//   brush colour, with the picture drawn at its top-left corner, or centred
//   with Center; parts outside the bitmap are cut off. EImageDecodeError
//   when that bitmap would exceed the decoders' pixel cap.
// A picture is never enlarged (the placement scales the bitmap to the
// item). Transparency in the picture is composited onto the brush colour
// (onto white when the brush is clear or the settings are Transparent).
platform::Bitmap GetImageItemBitmap(const platform::Bitmap& Picture, const vn::exporter::TvnImageItem& Item,
                                    const TvnImageItemLayout& Layout);

// The image objects written in one document, per image resource index (the
// position in a resource's list is the object's variant), and the JPEG
// streams written so far by content, so equal bytes are stored once.
class TvnPDFImageTable {
 public:
  void Clear();
  // The list of resource Index, made (and the table grown) when missing.
  std::vector<TvnPDFImageSettings>& ListFor(int32_t Index);
  // The variant of the first object of resource Index equal to the item
  // (TvnPDFImageSettings::IsEqual with the resource's pixel size), or -1.
  int32_t FindEqual(int32_t Index, const vn::exporter::TvnImageItem& Item, double PixelWidth, double PixelHeight);
  // Appends an entry for a new object of the item; returns its variant.
  int32_t Add(int32_t Index, const vn::exporter::TvnImageItem& Item, int32_t ObjNo);
  // The variant of resource Index that names object ObjNo, appended when
  // none does: a name once placed on a page keeps its object.
  int32_t VariantFor(int32_t Index, const vn::exporter::TvnImageItem& Item, int32_t ObjNo);
  // The key under which a JPEG stream's bytes are remembered (their SHA-256),
  // made once per stream: hashing a photograph costs as much as copying it.
  static std::string StreamKey(std::string_view Bytes);
  // The object number of a JPEG stream with this key already written, or 0.
  int32_t FindStream(const std::string& Key) const;
  void AddStream(std::string Key, int32_t ObjNo);
  // " /Img<i>_<j> <n> 0 R" for every object, in index and variant order.
  std::string ResourceEntries() const;

 private:
  std::vector<std::vector<TvnPDFImageSettings>> FImageSettings;
  std::map<std::string, int32_t> FStreams;  // SHA-256 of the bytes -> object number
};

}  // namespace vn::pdfwriter

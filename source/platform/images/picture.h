// Pictures as the image documents and the page canvas hold them: a raster bitmap
// (decoded by the platform's image codecs) or an enhanced metafile (a
// Windows metafile is converted on reading), with the reading of a whole
// picture stream and the drawing of a picture at a quarter-turn rotation.
//
// A picture shares its bitmap or metafile (both immutable once made), so
// copies are cheap. A JPEG picture keeps its file bytes and is decoded only
// when pixels are needed: drawn unturned it goes to the canvas as its JPEG
// data, which a recording canvas keeps as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/canvas/canvas.h"
#include "platform/emf/emf_reader.h"
#include "platform/images/bitmap.h"
#include "runtime/streams.h"

namespace vn::platform {

struct Picture {
  std::shared_ptr<const platform::Bitmap> Bitmap;  // a raster picture, or null
  std::shared_ptr<const emf::EmfFile> MetaFile;    // a metafile, or null
  // The JPEG file of a picture read from JPEG, or null. Bitmap may be null
  // beside it until the pixels are first needed.
  std::shared_ptr<const std::string> Jpeg;
  int32_t Width = 0;  // pixels
  int32_t Height = 0;

  bool Empty() const { return !Bitmap && !MetaFile && !Jpeg; }
};

// The largest width or height of a picture in pixels (the raster surface's
// limit); metafiles with larger frames are refused.
constexpr int32_t kMaxPictureSide = 32767;

// The largest picture file read into memory.
constexpr int64_t kMaxPictureFileSize = int64_t{1} << 30;

// The whole content of AStream from its start. Raises ExInvalidImageFormat
// when the stream is larger than kMaxPictureFileSize.
std::string ReadPictureBytes(vn::TStream& AStream);

// A picture from file bytes: any raster format of the platform codecs
// (first frame), an enhanced metafile, or a Windows metafile. Damage raises
// ExInvalidImageFormat with the decoder's message. Raster pictures larger
// than ALimits allows are refused the same way. Of a JPEG only the header
// is read here (see Picture::Jpeg); damage in its pixel data shows when
// they are decoded.
Picture DecodePicture(std::span<const std::byte> AData, const DecodeLimits& ALimits = {});
// The same from bytes the picture may keep (a JPEG keeps them without a copy).
Picture DecodePicture(std::string AData, const DecodeLimits& ALimits = {});
Picture PictureOf(Bitmap ABitmap);
// The pixels of APicture: its bitmap, or its JPEG decoded (damage raises
// ExInvalidImageFormat); null for a metafile.
std::shared_ptr<const Bitmap> PictureBitmap(const Picture& APicture);

// Quarter turns clockwise of a rotation in degrees (0, 90, 180, 270 and
// -90, -180, -270); -1 for any other angle.
int QuarterTurns(int32_t ARotation);

// Draws APicture stretched into ADest turned by ATurns quarter turns
// clockwise (the turned picture fills ADest). With AKeepJpeg an unturned
// picture decoded from JPEG goes to the canvas as its JPEG data, so a
// recording keeps the photograph as it is; otherwise decoded pixels are
// drawn.
void DrawPicture(Canvas& ACanvas, const Picture& APicture, const Rect& ADest,
                 int ATurns, bool AKeepJpeg);

// Paints (0, 0, AWidth, AHeight) of the canvas white.
void FillWhite(Canvas& ACanvas, int32_t AWidth, int32_t AHeight);

}  // namespace vn::platform

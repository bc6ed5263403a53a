#include "framework/vnqDocumentFramework.h"
#include "imaging/vnImageFormats.h"

namespace vn::framework {

void RegisterImageFormats(TvnKELMFramework& AFramework) {
  const struct {
    TvnDocumentClass Class;
    const char16_t* Extension;
    const char16_t* Description;
  } formats[] = {
      {DocumentClassOf<TvnTIFFHandler>(), u".tiff", u"TIFF"},
      {DocumentClassOf<TvnTIFFHandler>(), u".tif", u"TIFF"},
      {DocumentClassOf<TvnMetaFileHandler>(), u".wmf", u"Windows Metafile"},
      {DocumentClassOf<TvnMetaFileHandler>(), u".emf", u"Enhanced Metafile"},
      {DocumentClassOf<TvnJPEGHandler>(), u".jpg", u"JPEG"},
      {DocumentClassOf<TvnJPEGHandler>(), u".jpe", u"JPEG"},
      {DocumentClassOf<TvnJPEGHandler>(), u".jpeg", u"JPEG"},
      {DocumentClassOf<TvnPNGHandler>(), u".png", u"Portable Network Graphics"},
      {DocumentClassOf<TvnBitmapHandler>(), u".bmp", u"Bitmap"},
      {DocumentClassOf<TvnImageHandler>(), u".ico", u"Icon"},
      {DocumentClassOf<TvnImageHandler>(), u".gif", u"GIF "},
      {DocumentClassOf<TvnImageHandler>(), u".cur", u"Cursor"},
  };
  for (const auto& f : formats) AFramework.RegisterDocument(f.Class, f.Extension, f.Description);
}

}  // namespace vn::framework

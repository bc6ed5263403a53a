#include "library/library.h"

#include "doc/doc_document.h"
#include "docx/docx_document.h"
#include "export/metafile_processor.h"
#include "export/page_canvas.h"
#include "framework/canvas.h"
#include "imaging/image_formats.h"
#include "library/rich_text_loader_impl.h"
#include "pdfdocument/pdf_document.h"
#include "rtf/rtf_document.h"
#include "rtf/text_document.h"

namespace vn {

namespace {

using doc::TvnqDOCDocument;
using docx::TvnqDOCXDocument;
using framework::DocumentClassOf;
using framework::TvnBitmapHandler;
using framework::TvnImageHandler;
using framework::TvnJPEGHandler;
using framework::TvnMetaFileHandler;
using framework::TvnPNGHandler;
using framework::TvnTIFFHandler;
using pdfdoc::TvnqPDFDocument;
using rtf::TvnRTFDocument;
using rtf::TvnTextDocument;

// The order of the formats decides the order of the dialogs' filter texts.
constexpr FormatRegistration kFormats[] = {
    {u".txt", u"Plain Text File", &DocumentClassOf<TvnTextDocument>},
    {u".pdf", u"Portable Document Format", &DocumentClassOf<TvnqPDFDocument>},
    {u".docx", u"Word Document", &DocumentClassOf<TvnqDOCXDocument>},
    {u".dotx", u"Word Template", &DocumentClassOf<TvnqDOCXDocument>},
    {u".tiff", u"TIFF", &DocumentClassOf<TvnTIFFHandler>},
    {u".tif", u"TIFF", &DocumentClassOf<TvnTIFFHandler>},
    {u".wmf", u"Windows Metafile", &DocumentClassOf<TvnMetaFileHandler>},
    {u".emf", u"Enhanced Metafile", &DocumentClassOf<TvnMetaFileHandler>},
    {u".jpg", u"JPEG", &DocumentClassOf<TvnJPEGHandler>},
    {u".jpe", u"JPEG", &DocumentClassOf<TvnJPEGHandler>},
    {u".jpeg", u"JPEG", &DocumentClassOf<TvnJPEGHandler>},
    {u".png", u"Portable Network Graphics", &DocumentClassOf<TvnPNGHandler>},
    {u".bmp", u"Bitmap", &DocumentClassOf<TvnBitmapHandler>},
    {u".ico", u"Icon", &DocumentClassOf<TvnImageHandler>},
    {u".gif", u"GIF ", &DocumentClassOf<TvnImageHandler>},
    {u".cur", u"Cursor", &DocumentClassOf<TvnImageHandler>},
    {u".rtf", u"Rich Text Format", &DocumentClassOf<TvnRTFDocument>},
    {u".doc", u"Word 97-2003 Document", &DocumentClassOf<TvnqDOCDocument>},
    {u".dot", u"Word 97-2003 Template", &DocumentClassOf<TvnqDOCDocument>},
};

}  // namespace

std::span<const FormatRegistration> FormatRegistrations() { return kFormats; }

void InitializeLibrary() {
  if (framework::DocumentFramework() != nullptr) return;
  framework::DefaultCanvasClass = &framework::TvnVCLCanvas::CreateOn;
  exporter::InstallMetafileProcessor();
  exporter::InstallPageCanvas();
  InstallRichTextLoader();
  framework::TvnKELMFramework& registry = framework::CreateDocumentFramework();
  for (const FormatRegistration& format : kFormats)
    registry.RegisterDocument(format.DocumentClass(), format.Extension, format.Description);
}

void FinalizeLibrary() { framework::FreeDocumentFramework(); }

}  // namespace vn

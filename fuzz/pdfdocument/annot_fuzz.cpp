// Fuzz target over the annotations: a file is opened through the document
// handler; on each of its first pages every annotation wrapper's properties
// are read (rectangle, texts, date, colours, flags, border, the subtype's
// own), its appearance fitted and drawn alone, the page drawn with its
// annotations into a device that does nothing, a note and a reply inserted,
// a few setters called, and the document saved.
// Contract: opening either succeeds or raises one of the library's
// exceptions (vn::Exception), and so do the reads, draws, edits and the
// save; nothing crashes, hangs or raises anything else.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "pdfdocument/pd_annot.h"
#include "pdfdocument/pd_appearance_stream.h"
#include "pdfdocument/pd_export_device.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pdf_document_handler.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

using namespace vn::pdfdoc;

namespace {

// Reads what every kind of wrapper offers; a read that raises the
// library's exception ends that annotation's reads.
void ReadAnnot(TvnPDAnnot& annot, TvnPDExportDevice& device) {
  annot.Rect();
  annot.GetBounds();
  annot.Contents();
  annot.Name();
  annot.Author();
  annot.Date();
  annot.Color();
  annot.Flags();
  annot.BorderStyle();
  annot.BorderWidth();
  annot.AnnotType();
  annot.Actions();
  annot.PageNumber();
  annot.IsValid();
  annot.IsReply();
  std::unique_ptr<TvnPDAnnot> replied;
  annot.GetInReplyToAnnot(replied);
  if (TvnPDAppearanceStream* ap = annot.NormalAP()) {
    TvnPDMatrix m;
    ap->RectMatrix(m);
  }
  annot.Display(&device, 72, 72);
  if (auto* text = dynamic_cast<TvnPDTextAnnot*>(&annot)) {
    text->Open();
    text->State();
    text->StateModel();
  }
  if (auto* link = dynamic_cast<TvnPDLinkAnnot*>(&annot)) {
    link->HighLightType();
    if (TvnqPDFDestination* dest = link->Destination()) dest->Page();
  }
  if (auto* free_text = dynamic_cast<TvnPDFreeTextAnnot*>(&annot)) {
    free_text->Intent();
    free_text->TextAllign();
  }
  if (auto* line = dynamic_cast<TvnPDLineAnnot*>(&annot)) {
    line->X1();
    line->Y2();
    line->LineBeginningStyle();
    line->LineEndingStyle();
    line->InteriorColor();
    line->LeaderLines();
    line->SetY1(10);
    line->SetLineEndingStyle(TvnLineStyle::laSlash);
  }
  if (auto* shape = dynamic_cast<TvnPDShapeAnnot*>(&annot)) {
    shape->InteriorColor();
    shape->Intensity();
    shape->IsCloudy();
  }
  if (auto* poly = dynamic_cast<TvnPDPolyAnnot*>(&annot)) {
    poly->SetVertices(poly->GetVertices());
    poly->LineBeginningStyle();
  }
  if (auto* markup = dynamic_cast<TvnPDMarkUpAnnot*>(&annot)) {
    markup->GetQuadPoints();
    markup->SetQuadPoints(1, 2, 3, 4, 5, 6, 7, 8);
  }
  if (auto* ink = dynamic_cast<TvnPDInkAnnot*>(&annot)) ink->InkList();
  if (auto* popup = dynamic_cast<TvnPDPopUpAnnot*>(&annot)) {
    popup->IsOpen();
    popup->Parent();
  }
  if (auto* attachment = dynamic_cast<TvnPDFileAttachmentAnnot*>(&annot)) {
    attachment->FileName();
    attachment->Subject();
    attachment->AttachmentIcon();
    vn::TMemoryStream bytes;
    attachment->SaveToStream(bytes);
  }
  if (auto* sound = dynamic_cast<TvnPDSoundAnnot*>(&annot)) {
    sound->SampleRate();
    sound->NoOfSoundChannels();
    sound->SoundEncoding();
  }
  if (auto* stamp = dynamic_cast<TvnPDRubberStampAnnot*>(&annot)) stamp->IconName();
  if (auto* caret = dynamic_cast<TvnPDCaretAnnot*>(&annot)) caret->CaretSymbol();
  annot.Title();
  annot.SetColor({TvnColorSpaceMode::csDeviceRGB, {0.5, 0.5, 0.5}});
  annot.SetFlags({TvnPDAnnotFlag::afPrint});
  annot.SetBorderWidth(2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TvnPDFDocumentHandler handler;
  try {
    handler.LoadDocument(new vn::TMemoryStream(std::vector<uint8_t>(data, data + size)), true);
  } catch (const vn::Exception&) {
    return 0;
  }
  TvnPDExportDevice device;
  try {
    for (int32_t n = 1; n <= std::min(handler.GetPageCount(), 4); ++n) {
      TvnPDPage* page = handler.GetPage(n);
      if (!page) continue;
      int budget = 500;
      for (TvnPDAnnot* annot : page->GetAnnots()) {
        if (--budget < 0) break;
        try {
          ReadAnnot(*annot, device);
        } catch (const vn::Exception&) {
        }
      }
      page->Display(&device, 72, 72, 0, true, false, true, true);
      TvnPDTextAnnot note;
      note.SetRect(10, 10, 30, 30);
      if (TvnPDAnnot* made = page->InsertTextAnnot(&note, nullptr)) {
        TvnPDTextAnnot reply;
        page->InsertTextAnnot(&reply, made);
      }
    }
    vn::TMemoryStream out;
    handler.SaveDocument(&out);
  } catch (const vn::Exception&) {
  }
  return 0;
}

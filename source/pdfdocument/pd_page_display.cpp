// Displaying a page: the box the device sees and the run of the page's
// content streams into it.
#include <memory>

#include "pdfdocument/pd_content_stream.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pdf_document_handler.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;

void TvnPDPage::Display(TvnPDExportDevice* OutDev, double hDPI, double vDPI, int32_t Rotate, bool UseMediaBox,
                        bool Crop, bool Printing, bool RenderAnnots) {
  DisplaySlice(OutDev, hDPI, vDPI, Rotate, UseMediaBox, Crop, -1, -1, -1, -1, Printing, RenderAnnots);
}

void TvnPDPage::DisplaySlice(TvnPDExportDevice* OutDev, double hDPI, double vDPI, int32_t Rotate, bool UseMediaBox,
                             bool Crop, int32_t SliceX, int32_t SliceY, int32_t SliceW, int32_t SliceH,
                             bool Printing, bool RenderAnnots) {
  if (!OutDev) return;
  if (!OutDev->CheckPageSlice(this, hDPI, vDPI, Rotate, UseMediaBox, Crop, SliceX, SliceY, SliceW, SliceH)) return;
  // The page's own rotation is added and the sum brought into 0 .. 359 in
  // full, so that /Rotate 450 turns the page like 90.
  const int32_t rotation = DisplayRotation(Rotate);
  TvnPDRect box;
  MakeBox(hDPI, vDPI, rotation, UseMediaBox, OutDev->UpsideDown(), SliceX, SliceY, SliceW, SliceH, box, Crop);
  vn::pdf::TvnPDBaseObject* contents = ContentsObject();
  // A page without content still shows its annotations.
  if (!contents && !(RenderAnnots && Dict() && Dict()->LookUp("Annots"))) return;
  const std::unique_ptr<TvnPDRect> shown = ShownBox();
  TvnPDContents run(FHandler, this, contents);
  run.Display(OutDev, hDPI, vDPI, PageNum(), rotation, &box, shown.get(), Resource(), RenderAnnots, Printing);
}

}  // namespace vn::pdfdoc

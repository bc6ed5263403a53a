// One page of an opened PDF file: its boxes, rotation, resources and
// content, read from the page dictionary with the attributes inherited from
// the page tree as fallback, its size, the box of a slice of it for
// rendering, and the edits that add content streams to it.
//
// Ownership: the page tree owns its pages; a page owns the rectangles of
// its own boxes and never the page dictionary or the inherited attributes.
// Running the content (the interpreter) builds on ContentsObject and
// MakeBox. The page owns the annotation wrappers it makes for its /Annots
// (widgets excepted: they are form fields, owned by the catalog).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/value_types.h"
#include "pdf/objects.h"
#include "pdfdocument/pd_inherited_property.h"
#include "pdfdocument/pd_rect.h"
#include "pdfdocument/pd_resource.h"

namespace vn::pdfdoc {

class TvnPDFDocumentHandler;
class TvnPDExportDevice;
class TvnPDAnnot;
class TvnPDTextAnnot;
class TvnPDFormField;

class TvnPDPage : public vn::pdf::TvnPDElement {
 public:
  // The media box of a page that has none of its own or inherited: US
  // Letter, which PDF readers assume.
  static constexpr double kDefaultWidth = 612;
  static constexpr double kDefaultHeight = 792;

  TvnPDPage(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
            vn::pdf::TvnPDBaseObject* ABaseObject);
  ~TvnPDPage() override;

  // The own /MediaBox (/CropBox) as a rectangle bound to its array, kept;
  // without one the inherited box (IsInheritedMediaBox/CropBox set); null
  // when there is neither. ExBadPDFPage "Bad Page object" when the own
  // entry is not an array.
  TvnPDRect* Mediabox();
  TvnPDRect* Cropbox();
  // The own /BleedBox (/TrimBox); an empty rectangle (all -1) when absent.
  // Not inherited. ExBadPDFPage as above.
  TvnPDRect* Bleedbox();
  TvnPDRect* TrimBox();
  bool IsInheritedMediaBox() const { return FIsInheritedMediaBox; }
  bool IsInheritedCropBox() const { return FIsInheritedCropBox; }

  // The own /Rotate when it is an integer, else the inherited one; as the
  // file gives it.
  int64_t Rotate();
  // Rotate brought into 0 .. 359 (a multiple of 90 for any multiple of 90).
  int32_t NormalizedRotate();
  // The own /Resources wrapped once (kept), else the inherited resources;
  // null without either.
  TvnPDResource* Resource();
  // Adds ResObject to the page's resources under ResName: a page without
  // resources gets a new resources object first; the kind's sub-dictionary
  // (/ExtGState, /ColorSpace, /XObject or /Font) is made when missing, the
  // name refers to ResObject (a direct object is first stored as an object
  // of its own), and the resources list a wrapper for it unless they
  // already list one of that name. Other kinds change nothing.
  void AddResource(TvnPDResourceType ResType, const std::string& ResName, vn::pdf::TvnPDBaseObject* ResObject);
  // The /Contents value (a stream or an array of streams), or null.
  vn::pdf::TvnPDBaseObject* ContentsObject();

  // The crop box's size (the media box's without one; US Letter without
  // either) in the handler's measurement unit; the rotation is not
  // applied.
  vn::framework::TvnPageSize GetPageSize();
  double GetPageWidth() { return GetPageSize().Width; }
  double GetPageHeight() { return GetPageSize().Height; }

  // The box, in points, that a rendering at hDPI x vDPI with the total
  // rotation Rotate shows: the whole media box (UseMediaBox) or crop box
  // (which sets Crop) when SliceW or SliceH is below 0; otherwise the slice
  // of pixels (SliceX, SliceY, SliceW, SliceH) of the rotated rendering,
  // mapped back onto the box, with y growing upwards unless UpsideDown.
  void MakeBox(double hDPI, double vDPI, int32_t Rotate, bool UseMediaBox, bool UpsideDown, int32_t SliceX,
               int32_t SliceY, int32_t SliceW, int32_t SliceH, TvnPDRect& Box, bool& Crop);
  // The rotation a display asked for ARotate turns the page by: ARotate
  // plus the page's own, in 0 .. 359.
  int32_t DisplayRotation(int32_t ARotate) { return NormalizeRotation(int64_t{ARotate} + NormalizedRotate()); }
  static int32_t NormalizeRotation(int64_t ARotate);

  // Runs the page's content into OutDev at hDPI x vDPI, turned by Rotate
  // plus the page's own /Rotate: the whole page (DisplaySlice with every
  // slice value -1). Nothing is drawn when the device's CheckPageSlice
  // refuses the page. With RenderAnnots the annotations are drawn over the
  // content (RenderAnnots below; Printing picks the printable ones).
  void Display(TvnPDExportDevice* OutDev, double hDPI, double vDPI, int32_t Rotate, bool UseMediaBox, bool Crop,
               bool Printing, bool RenderAnnots);
  void DisplaySlice(TvnPDExportDevice* OutDev, double hDPI, double vDPI, int32_t Rotate, bool UseMediaBox,
                    bool Crop, int32_t SliceX, int32_t SliceY, int32_t SliceW, int32_t SliceH, bool Printing,
                    bool RenderAnnots);

  // Draws the normal appearance of every annotation the page shows into
  // OutDev, whose page (started by the caller) is the page displayed at
  // hDPI x vDPI turned by Rotate (the total rotation) showing PageRect:
  // hidden and invisible annotations are skipped, and with APrinting those
  // without the print flag; each form's BBox, transformed by its Matrix, is
  // fitted onto the annotation's /Rect. A damaged annotation is skipped.
  void RenderAnnots(TvnPDExportDevice* OutDev, double hDPI, double vDPI, int32_t Rotate, TvnPDRect* PageRect,
                    bool APrinting);

  // The annotations of /Annots in order, each made once by
  // TvnPDAnnot::MakeAnnot (entries that give no wrapper are left out, and
  // an indirect annotation listed twice appears once). Empty without
  // /Annots (looked up again on the next call).
  const std::vector<TvnPDAnnot*>& GetAnnots();
  // The AIndex-th (from 1) annotation of GetAnnots that is a form field;
  // null when there are fewer.
  TvnPDFormField* GetFormField(int32_t AIndex);
  // Inserts a new text annotation (a note; other kinds are not inserted)
  // as InsertTextAnnot does.
  void InsertAnnotation(TvnPDAnnot* Annot, TvnPDAnnot* InReplyTo);
  // Turns the new note into an annotation dictionary of its own, appended
  // to /Annots and to the annotation list: /Rect from its rectangle
  // (handler unit, from the page's top-left), colour, flags, opacity,
  // title (/T), name (/NM), contents, border, the current date and /Open.
  // A note gets the note-icon appearance; a reply (InReplyTo given, which
  // must have an indirect dictionary) gets /IRT instead. Returns the
  // wrapper of the new dictionary in the page's list (the one passed in
  // stays the caller's); null when the page has no dictionary or handler.
  TvnPDAnnot* InsertTextAnnot(TvnPDTextAnnot* ATextAnnot, TvnPDAnnot* InReplyTo);

  // Appends a new content stream holding AStr and CR LF to the page's
  // /Contents (made an array when it was one stream; the page gets
  // /Contents when it had none). Returns the new stream object (borrowed).
  vn::pdf::TvnPDStream* AddNewContentStream(std::string_view AStr);

  int32_t PageNum() const { return FPageNum; }
  void SetPageNum(int32_t Value) { FPageNum = Value; }
  TvnPDInheritedProperty* InheritedProperty() const { return FInheritedProp; }
  void SetInheritedProperty(TvnPDInheritedProperty* Value) { FInheritedProp = Value; }
  vn::pdf::TvnPDDictionary* Dict() const { return FBaseObject ? FBaseObject->AsDict() : nullptr; }
  // Wraps another page dictionary (a copy of the page made an object of its
  // own); what was read from the old one is forgotten, annotation wrappers
  // included (they are freed).
  void Rebind(vn::pdf::TvnPDBaseObject* AObject);

 private:
  // The own box entry as a bound rectangle in AOwn, or null when absent.
  TvnPDRect* OwnBox(const char* AKey, std::unique_ptr<TvnPDRect>& AOwn);

  TvnPDFDocumentHandler* FHandler;
  // The annotation list and the wrappers the page owns.
  std::vector<TvnPDAnnot*> FAnnotList;
  std::vector<std::unique_ptr<TvnPDAnnot>> FOwnedAnnots;
  bool FAnnotsRead = false;
  std::unique_ptr<TvnPDRect> FMediaBox;
  std::unique_ptr<TvnPDRect> FCropBox;
  std::unique_ptr<TvnPDRect> FBleedBox;
  std::unique_ptr<TvnPDRect> FTrimBox;
  std::unique_ptr<TvnPDResource> FResource;
  vn::pdf::TvnPDInteger* FRotate = nullptr;
  int32_t FPageNum = 0;
  bool FIsInheritedCropBox = false;
  bool FIsInheritedMediaBox = false;
  TvnPDInheritedProperty* FInheritedProp = nullptr;
};

}  // namespace vn::pdfdoc

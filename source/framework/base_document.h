// The drawable page and the base document class of every format.
//
// TvnBasePage is the page of a document that draws itself onto a window-
// system canvas (the image, PDF and Word-model pages derive from it).
// TvnBaseDocument adds the page copy (Assign) that turns the pages of another
// document into pages of this document's format.
#pragma once

#include <cstdint>

#include "framework/page_model.h"

namespace vn::platform {
class Canvas;
}

namespace vn::framework {

class TvnBasePage : public TvnPage {
 public:
  using TvnDocItem::Draw;
  // Draws the whole page onto ACanvas scaled to AWidth by AHeight pixels at
  // AxDPI by AyDPI dots per inch, turned by ARotation degrees (0, 90, 180,
  // 270 clockwise; -90, -180, -270 counter-clockwise). Every page class
  // draws its own way; the base raises EAbstractError.
  virtual void Draw(vn::platform::Canvas* ACanvas, int32_t AWidth, int32_t AHeight, int32_t AxDPI, int32_t AyDPI,
                    int32_t ARotation);
};

class TvnBaseDocument : public TvnBaseDocumentHandler {
 public:
  // Appends the pages of SourceDocument that PageRange selects (see
  // ParsePageRange; empty for all pages), converted into this document's
  // format, raising BeginAssignPage and EndAssignPage around each page.
  // Every format copies its own way; the base raises EAbstractError.
  virtual void Assign(TvnBaseDocument* SourceDocument, const String& PageRange);
};

}  // namespace vn::framework

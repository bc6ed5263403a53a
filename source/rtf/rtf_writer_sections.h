// The body of an RTF file the writer produces: one document area holding
// the document-wide page settings and the sections in writing order; each
// section writes its start (a page, a column or no break), its page or
// column properties, its optional header and footer, its body elements and
// the section end. A text box is a shape (type 202) holding paragraphs.
//
// A whole file is the header's text, the document area's text and a closing
// "}"; the output engine that fills these from documents sits on top.
//
// Lengths are pixels (page settings through their native factor) written
// as whole twips.
//
// Ownership: the document area owns its sections, a section its header,
// body and footer elements, a text box its elements.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "rtf/rtf_writer_header.h"
#include "rtf/rtf_writer_settings.h"

namespace vn::rtf::writer {

class TvnRTFSection : public TvnRTFElement {
 public:
  explicit TvnRTFSection(TvnSectionType ASectionType);
  // A column section of AColumnCount columns described by AColumns.
  TvnRTFSection(int32_t AColumnCount, int32_t ADefaultColumnSpace, const std::vector<TvnColumnSection>& AColumns);
  TvnRTFElementType GetElementType() const override { return TvnRTFElementType::etSection; }
  std::string Encode() override;

  // The header and footer lists, made on the first call.
  TvnRTFElements& CreateHeader();
  TvnRTFElements& CreateFooter();
  // Null until made.
  TvnRTFElements* HeaderElements() { return FHeaderElements.get(); }
  TvnRTFElements* FooterElements() { return FFooterElements.get(); }
  TvnRTFElements& Body() { return FBody; }
  TvnPageSettings& PageSettings() { return FPageSettings; }
  void SetPageSettings(const TvnPageSettings& AValue) { FPageSettings.Assign(AValue); }
  TvnSectionType SectionType() const { return FSectionType; }
  int32_t DefaultColumnSpace() const { return FDefaultColumnSpace; }

  double RTFFactor;  // twips per pixel

 private:
  std::string EncodeStart() const;

  std::unique_ptr<TvnRTFElements> FHeaderElements;
  TvnRTFElements FBody;
  std::unique_ptr<TvnRTFElements> FFooterElements;
  TvnPageSettings FPageSettings;
  std::vector<TvnColumnSection> FColumnPropTbl;
  int32_t FColumnCount = 1;
  int32_t FDefaultColumnSpace = 0;  // kept; not written
  TvnSectionType FSectionType;
};

class TvnRTFDocArea : public TvnRTFElement {
 public:
  TvnRTFDocArea();
  TvnRTFElementType GetElementType() const override { return TvnRTFElementType::etDocArea; }
  std::string Encode() override;

  TvnRTFSection& CreateSection(TvnSectionType ASectionType);
  TvnRTFSection& CreateSection(int32_t AColumnCount, int32_t ADefaultColumnSpace,
                               const std::vector<TvnColumnSection>& AColumns);
  const std::vector<std::unique_ptr<TvnRTFSection>>& Sections() const { return FSections; }
  TvnPageSettings& DocSettings() { return FDocSettings; }
  void SetDocSettings(const TvnPageSettings& AValue) { FDocSettings.Assign(AValue); }

  double RTFFactor;  // twips per pixel

 private:
  std::vector<std::unique_ptr<TvnRTFSection>> FSections;
  TvnPageSettings FDocSettings;
};

class TvnRTFTextbox : public TvnRTFElement {
 public:
  // AIsHeader: the box belongs to a page header.
  explicit TvnRTFTextbox(bool AIsHeader);
  std::string Encode() override;

  // Appends AElement (the box takes it; only paragraphs are written);
  // answers its index.
  int32_t InsertElement(std::unique_ptr<TvnRTFElement> AElement);
  const TvnRTFElements& Elements() const { return FElementList; }

  TvnRect Rect;  // pixels
  TvnHAlignment HAlignment = TvnHAlignment::haLeft;
  TvnVAlignment VAlignment = TvnVAlignment::vaTop;
  // The border; no colour (0x1FFFFFFF) by default.
  platform::Pen Pen;
  double RTFFactor;  // twips per pixel

 private:
  TvnRTFElements FElementList;
  bool FHeader;
};

}  // namespace vn::rtf::writer

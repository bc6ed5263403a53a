// TvnPDCIDFont: a composite (Type 0) font with its one descendant CIDFont.
// The constructor reads the descendant's descriptor and character
// collection, the CMap named or embedded by /Encoding, the widths, the
// CIDToGIDMap and the ToUnicode map; GetNextChar turns the codes of a shown
// string into CIDs, glyph indexes or Unicode values.
//
// Horizontal advances come from /DW and /W, vertical ones from /DW2 and
// /W2; the writing mode is the CMap's. A font whose descendant, collection
// or CMap cannot be read decodes nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "pdfdocument/pd_font.h"

namespace vn::pdfdoc {

struct TCIDWidthExcep {
  uint16_t First = 0;
  uint16_t Last = 0;
  double Width = 0;
};

struct TCIDWidthExcepV {
  uint16_t First = 0;
  uint16_t Last = 0;
  double Height = 0;
  double Vx = 0;
  double Vy = 0;
};

struct TCIDWidths {
  double DefWidth = 1.0;
  double DefHeight = -1.0;
  double DefVY = 0.88;
  std::vector<TCIDWidthExcep> Exceps;
  std::vector<TCIDWidthExcepV> ExcepsV;
};

class TvnPDCIDFont : public TvnPDFont {
 public:
  TvnPDCIDFont(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
               vn::pdf::TvnPDBaseObject* ABaseObject, const std::string& ATag, const std::string& AName,
               const std::string& ACMapPath);

  bool IsCIDFont() const override { return true; }
  // The CMap's writing mode (horizontal without a CMap).
  TvnWritingMode WritingMode() const override;
  int GetNextChar(std::u16string_view AStr, size_t AIndex, int& AProcessed, uint32_t& ACode, std::string& ACharName,
                  double& ADx, double& ADy, double& AOx, double& AOy) override;
  // The horizontal advance of a CID: 0 without a CMap or with a vertical
  // one.
  double GetCharWidth(uint32_t ACharCode) const override;

  const TvnPDCMap* CMap() const { return FCMap.get(); }
  const TCIDWidths& Widths() const { return FWidths; }
  // The /CIDToGIDMap stream's glyph numbers by CID, or null.
  const std::vector<uint16_t>* GetCIDToGID() const { return FCIDToGID ? &*FCIDToGID : nullptr; }
  // Registry-Ordering-UCS2 of the descendant's character collection.
  const std::string& Collection() const { return FCollection; }

 private:
  bool ReadDescendant(vn::pdf::TvnPDDictionary* ADescendant, const std::string& ACMapPath);
  void ReadWidths(vn::pdf::TvnPDDictionary* ADescendant);
  void ReadVerticalWidths(vn::pdf::TvnPDDictionary* ADescendant);
  void ReadCIDToGID(vn::pdf::TvnPDDictionary* ADescendant);
  double HorizontalWidth(uint32_t ACID) const;
  double VerticalAdvance(uint32_t ACID) const;
  // The position vector of vertical writing (glyph origin to text
  // position): /W2's, else half the horizontal width across and /DW2's
  // height.
  void VerticalOrigin(uint32_t ACID, double& AVx, double& AVy) const;

  std::unique_ptr<TvnPDCMap> FCMap;
  TCIDWidths FWidths;
  std::optional<std::vector<uint16_t>> FCIDToGID;
  std::string FCollection;
};

}  // namespace vn::pdfdoc

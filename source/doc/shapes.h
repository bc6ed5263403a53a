// TvnDocShapes: the pictures, drawn shapes and text boxes of a Word 97-2003
// document, and the Word model items made of them.
//
// Two kinds of object stand in the text. An inline picture is a character 1
// whose run points into the Data stream: there a picture descriptor
// (PICF) gives the picture's goal size and scale, then a shape container,
// then a blip-store entry holding the picture record itself. A floating
// object is a character 8 anchored by a shape anchor (SPA) of the table
// stream's anchor table at its main-story position; the anchor's shape id
// leads to the shape's options in the Office Art data of the table stream
// (whose blip store names pictures lying in the WordDocument stream), and,
// for a text box, to a range of the text-box story.
//
// Office Art records have an 8-byte header: a 16-bit word with the record
// instance in bits 4-15, the 16-bit record type and the 32-bit data length.
// Every length and count read from the file is bounded by the bytes that
// hold it: a record reaching past its container or stream ends the walk
// there, containers nest at most kMaxRecordDepth deep, and a damaged
// picture is left out rather than read past its record.
//
// The pictures of one document hold at most kMaxPictureBytes together;
// pictures past that are left out, so that damaged records naming the same
// large data over and over cannot exhaust memory. Pictures are kept as
// their file bytes; a compressed metafile is inflated
// to the size its metafile header gives, and a device-independent bitmap
// gets the bitmap file header it is stored without, so that every picture
// is a file the image decoders read.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "doc/file_information_block.h"
#include "runtime/strings.h"
#include "wordmodel/drawing_placement.h"
#include "wordmodel/images.h"
#include "wordmodel/resources.h"
#include "wordmodel/text_box.h"

namespace vn::doc {

// A shape anchor: the shape id, its rectangle in pixels (relative to what bx
// and by name), and its placement flags.
struct TvnSPA {
  int32_t FLid = 0;
  vn::framework::TRect FRect;
  int32_t FBx = 0;
  int32_t FBy = 0;
  int32_t FWr = 0;
  int32_t FWrk = 0;
  bool FFBelowText = false;
  bool FFAnchorLock = false;
};

// The main story's shape anchors: one SPA per position.
struct TvnPlcfSpa {
  std::vector<int64_t> FCP;
  std::vector<TvnSPA> FSpa;
};

struct TvnFTXBXSReusable {
  int32_t FINextReuse = 0;
  int32_t FCReusable = 0;
};

struct TvnFTXBXNonReusable {
  int32_t FCTxbx = 0;
  int32_t FCTxbxEdit = 0;
};

// A text box's range of the text-box story (first and last position).
struct TvnFTXBXS {
  int64_t FCpStart = 0;
  int64_t FCpEnd = 0;
  int32_t FLid = 0;
  int32_t FReusable = 0;
  std::optional<TvnFTXBXSReusable> FfTXBXSReusable;
  std::optional<TvnFTXBXNonReusable> FfTXBXNonReusable;
};

// A picture of the blip store, as file bytes; empty when the entry holds
// none.
using TvnDocPicture = std::shared_ptr<const std::vector<uint8_t>>;

// What the shape options of one shape say.
struct TvnShapesProperties {
  String FShapeName;
  int32_t FWrapDistLeft = 114300;  // EMU
  int32_t FWrapDistTop = 0;
  int32_t FWrapDistRight = 114300;
  int32_t FWrapDistBottom = 0;
  TvnDocPicture FImageStream;
  vn::wordmodel::TvnDrawingHAlignment FHAlignment = vn::wordmodel::TvnDrawingHAlignment::dhaNoAlignment;
  vn::wordmodel::TvnDrawingVAlignment FVAlignment = vn::wordmodel::TvnDrawingVAlignment::dvaNoAlignment;
  int32_t FPctHorizPercent = 0;
  int32_t FPctVertPercent = 0;
  int32_t FPctHorizPos = 0;
  int32_t FPctVertPos = 0;
  vn::wordmodel::TvnHRelativePosition FSizerelh = vn::wordmodel::TvnHRelativePosition::hrpCharacter;
  vn::wordmodel::TvnVRelativePosition FSizerelv = vn::wordmodel::TvnVRelativePosition::vrpLine;
  double FLineWidth = 0;  // pixels
  vn::framework::TvnRGBColor FFillColor{255, 255, 255};
  vn::framework::TvnRGBColor FLineColor{0, 0, 0};
  double FMarginLeft = 9.6;  // pixels (0.1 inch)
  double FMarginRight = 9.6;
  double FMarginTop = 9.6;
  double FMarginBottom = 9.6;
  vn::wordmodel::TvnAutoFit FShapeAutoFit = vn::wordmodel::TvnAutoFit::afNoAutoFit;

  // The shape shows a picture.
  bool IsImage() const { return FImageStream && !FImageStream->empty(); }
};

class TvnDocShapes {
 public:
  // Containers deeper than this are not walked.
  static constexpr int kMaxRecordDepth = 32;
  static constexpr uint64_t kMaxPictureBytes = uint64_t{1} << 30;

  // The anchors of the main story's floating objects (the table stream's
  // PlcSpaMom); ATotal is the document's total character count.
  void ReadShapeAnchors(std::span<const uint8_t> ATable, const TvnFIBBase& AFib, int64_t ATotal);
  // The text boxes' ranges of the text-box story (PlcftxbxTxt).
  void ReadTextBoxes(std::span<const uint8_t> ATable, const TvnFIBBase& AFib);
  // The Office Art data (DggInfo) of the table stream: the blip store with
  // its pictures (which lie in the WordDocument stream AWord) and each
  // shape's options.
  void ReadOfficeArt(std::span<const uint8_t> ATable, std::span<const uint8_t> AWord, const TvnFIBBase& AFib);

  // The inline picture whose descriptor lies at AOffset of the Data stream,
  // its data registered in the collection (named by the offset in decimal;
  // pictures at one offset share it); null when there is none to show.
  std::unique_ptr<vn::wordmodel::TvnWordImage> InlinePicture(std::span<const uint8_t> AData, int64_t AOffset,
                                                             vn::wordmodel::TvnResourceCollection* ACollection) const;
  // The picture of the floating object anchored at main-story position
  // APosition, its data registered in the collection; null when the anchor
  // is unknown or its shape shows no picture.
  std::unique_ptr<vn::wordmodel::TvnWordImage> FloatingPicture(int64_t APosition,
                                                               vn::wordmodel::TvnResourceCollection* ACollection) const;
  // The text box anchored at main-story position APosition, without its
  // content, and the range of the text-box story it shows (first and last
  // position); null when the anchor is unknown, its shape has no options or
  // shows a picture, or no text box has its id.
  std::unique_ptr<vn::wordmodel::TvnTextBox> FloatingTextBox(int64_t APosition, const TvnFTXBXS** ARange) const;

  const TvnPlcfSpa& PlcfSpa() const { return FPlcfSpa; }
  const std::map<int32_t, TvnFTXBXS>& TextBoxes() const { return FaFTXBXS; }
  const std::map<int32_t, TvnShapesProperties>& ShapesProperties() const { return FShapesProperties; }
  // The blip store's pictures in store order (pib 1 is the first).
  const std::vector<TvnDocPicture>& BinaryImages() const { return FBinaryImages; }

 private:
  struct Record;

  void ReadDrawingGroup(const Record& AGroup);
  void ReadBlipStore(const Record& AStore);
  void ReadBlipStoreEntry(const Record& AEntry);
  void ReadDrawing(const Record& ADrawing);
  void ReadShapeGroup(const Record& AGroup, int ADepth);
  void ReadShape(const Record& AShape);
  void ReadShapeOptions(const Record& AOptions, int32_t AShapeId);
  void ReadShapeProperty(int32_t AShapeId, uint16_t AId, uint32_t AValue);
  const TvnSPA* AnchorAt(int64_t APosition) const;
  template <typename TItem>
  void Place(TItem& AItem, const TvnSPA& ASpa, const TvnShapesProperties& AShape) const;
  // The picture when the budget still holds it (then less by its size),
  // else nothing.
  std::vector<uint8_t> TakeFromBudget(std::vector<uint8_t> APicture) const;

  TvnPlcfSpa FPlcfSpa;
  std::map<int32_t, TvnFTXBXS> FaFTXBXS;
  std::map<int32_t, TvnShapesProperties> FShapesProperties;
  std::vector<TvnDocPicture> FBinaryImages;
  std::span<const uint8_t> FTable;  // while ReadOfficeArt runs
  std::span<const uint8_t> FWord;
  std::map<std::pair<uint32_t, int64_t>, TvnDocPicture> FPicturesRead;  // by place and size, while reading
  mutable uint64_t FPictureBudget = kMaxPictureBytes;
};

// The picture of an Office Art picture record (blip) whose header lies at
// AAt of ABytes (a record of AAvailable bytes at most from there): its
// data after the record's identifiers and metafile header, a compressed
// metafile inflated, a bitmap given its file header. Empty when the record
// is no picture record, holds nothing, or holds more than AMaxSize bytes.
std::vector<uint8_t> ReadBlipRecord(std::span<const uint8_t> ABytes, int64_t AAt, int64_t AAvailable,
                                    uint64_t AMaxSize = TvnDocShapes::kMaxPictureBytes);

}  // namespace vn::doc

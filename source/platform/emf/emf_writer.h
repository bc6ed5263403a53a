// Writing enhanced metafiles in the real binary format.
//
// EmfWriter collects records and, on Finish, puts the header in front of
// them: the bounds of everything drawn within the frame (device units,
// inclusive), the frame
// of the picture (0.01 mm), a reference device of 96 pixels per inch, the
// size of the object table, the record count and the byte size; it ends the
// file with EMR_EOF. Object-table slots are handed out and given back here,
// so a recorder reuses freed slots and nHandles stays small.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/emf/emf_records.h"

namespace vn::platform::emf {

class EmfWriter {
 public:
  // The frame of the picture in reference-device pixels (96 per inch).
  EmfWriter(int32_t widthPixels, int32_t heightPixels);

  // A record with its payload; the 8-byte prefix is added here.
  void Write(uint32_t type, const RecordBuilder& payload);
  // A record whose payload `encode` writes straight into the metafile, so a
  // large payload is not copied; its builder's size() counts the bytes
  // before the record too, so `encode` must not take offsets from it.
  template <class Encode>
  void WriteInPlace(uint32_t type, Encode&& encode) {
    const size_t start = body_.size();
    RecordBuilder b(std::move(body_));
    try {
      b.U32(type);
      b.U32(0);  // the size, set below
      encode(b);
    } catch (...) {
      // The records so far stay; the part of this one goes.
      body_ = b.Release();
      body_.resize(start);
      throw;
    }
    body_ = b.Release();
    EndInPlace(start);
  }
  void Write(uint32_t type);  // a record without payload
  void WriteU32(uint32_t type, uint32_t value);
  void WritePoint(uint32_t type, PointL p);
  void WriteRect(uint32_t type, RectL r);
  void WriteXForm(uint32_t type, const XForm& x, std::optional<uint32_t> mode = std::nullopt);

  // Adds a device-space rectangle (inclusive) to the drawing bounds.
  void ExtendBounds(RectL r);
  // An object-table index (1-based; 0 is the metafile itself).
  uint32_t AllocateHandle();
  void FreeHandle(uint32_t index);

  size_t RecordCount() const { return records_ + 2; }
  // The finished metafile: header, records, EMR_EOF. The writer is spent.
  std::string Finish();

 private:
  int32_t width_, height_;
  // Sets the size of the record written in place from `start`, or takes a
  // malformed one back out and throws.
  void EndInPlace(size_t start);

  // The records, after room for the header (written by Finish).
  std::string body_;
  size_t records_ = 0;
  bool hasBounds_ = false;
  RectL bounds_;
  std::vector<bool> handles_;  // slot i+1 in use
  uint32_t maxHandle_ = 0;
};

// Device pixels per inch of the reference device every recording uses.
constexpr int kReferenceDpi = 96;

}  // namespace vn::platform::emf

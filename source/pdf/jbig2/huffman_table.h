// Huffman code tables of JBIG2: the fifteen standard tables and tables read
// from table segments. A table is a list of lines (prefix length, range
// length, range low, lower-range flag, or the out-of-band line); InitTree
// assigns the prefix codes in the canonical way and builds a binary tree
// that Decode walks one bit at a time. A built table is never changed by
// decoding, so one table serves any number of decoders.
//
// Tables from files are checked: prefix lengths over 62 bits, range lengths
// over 32 bits and codes that do not form a prefix code raise
// TvnJBIG2Exception; so does data that ends inside a code or a bit sequence
// that leads to no line.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pdf/jbig2/arithmetic_decoder.h"
#include "pdf/jbig2/io_stream.h"

namespace vn::pdf::jbig2 {

class TvnTable;

// One line of a code table. A range length of -1 marks the out-of-band line.
class TvnCode {
 public:
  TvnCode(int prefixLength, int rangeLength, int64_t rangeLow, bool isLowerRange);

  int PrefixLength() const { return prefix_length_; }
  int RangeLength() const { return range_length_; }
  int64_t RangeLow() const { return range_low_; }
  bool IsLowerRange() const { return is_lower_range_; }
  // The assigned prefix code, -1 until InitTree assigns it.
  int64_t Code() const { return code_; }
  void SetCode(int64_t code) { code_ = code; }

  // "0110/4/3/3": the code in binary (or "?"), prefix length, range
  // length, range low.
  std::string ToString() const;

 private:
  int prefix_length_;
  int range_length_;
  int64_t range_low_;
  bool is_lower_range_;
  int64_t code_ = -1;
};

std::string CodeTableToString(const std::vector<TvnCode>& lines);

class TvnInternalNode;

class TvnNode {
 public:
  virtual ~TvnNode() = default;
  virtual int64_t Decode(TvnIOStream& stream) const = 0;
  virtual std::string ToString() const = 0;
  virtual const TvnInternalNode* AsInternal() const { return nullptr; }
};

class TvnValueNode : public TvnNode {
 public:
  explicit TvnValueNode(const TvnCode& line);
  int64_t Decode(TvnIOStream& stream) const override;
  std::string ToString() const override;

 private:
  int range_length_;
  int64_t range_low_;
  bool is_lower_range_;
};

class TvnOutOfbandNode : public TvnNode {
 public:
  int64_t Decode(TvnIOStream&) const override { return kOutOfBand; }
  std::string ToString() const override { return "OOB"; }
};

class TvnInternalNode : public TvnNode {
 public:
  explicit TvnInternalNode(int depth) : depth_(depth) {}
  int64_t Decode(TvnIOStream& stream) const override;
  // Hangs a line with an assigned code below this node.
  void Append(const TvnCode& line);
  std::string ToString() const override;
  const TvnInternalNode* AsInternal() const override { return this; }

 private:
  int depth_;
  std::unique_ptr<TvnNode> zero_;
  std::unique_ptr<TvnNode> one_;
};

class TvnHuffmanTable {
 public:
  virtual ~TvnHuffmanTable() = default;
  // Assigns the codes of `lines` (in place) and builds the tree.
  virtual void InitTree(std::vector<TvnCode>& lines);
  // One value, or kOutOfBand.
  int64_t Decode(TvnIOStream& stream) const { return root_.Decode(stream); }
  std::string ToString() const { return root_.ToString() + "\n"; }

 private:
  TvnInternalNode root_{0};
};

class TvnFixedSizeTable : public TvnHuffmanTable {
 public:
  explicit TvnFixedSizeTable(std::vector<TvnCode> lines);
};

// A row of a built-in table: range length -1 is the out-of-band line.
struct TvnTableRow {
  int prefix_length;
  int range_length;
  int range_low;
  bool lower;
};

class TvnStandardTable : public TvnHuffmanTable {
 public:
  explicit TvnStandardTable(const std::vector<TvnTableRow>& rows);
};

// A user table: the lines that follow a table segment's header.
class TvnEncodedTable : public TvnHuffmanTable {
 public:
  explicit TvnEncodedTable(TvnTable& table);
  virtual void ParseTable();

 private:
  TvnTable& table_;
};

class TvnStandardTables {
 public:
  // Standard table B.n for n = 1 to 15, built on first use and shared for
  // the life of the process; TvnJBIG2Exception for any other n.
  static const TvnHuffmanTable& GetTable(int number);
};

}  // namespace vn::pdf::jbig2

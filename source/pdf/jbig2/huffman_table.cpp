#include "pdf/jbig2/huffman_table.h"

#include <algorithm>
#include <array>

#include "pdf/jbig2/exceptions.h"
#include "pdf/jbig2/segments.h"

namespace vn::pdf::jbig2 {

namespace {

// The longest prefix code a table may use; codes are held in 64 bits.
constexpr int kMaxPrefixLength = 62;
constexpr const char* kBadTable = "invalid Huffman table";
// The diagnostic texts end their lines with a backslash and an "n".
constexpr const char* kLineEnd = "\\n";

std::unique_ptr<TvnNode> MakeLeaf(const TvnCode& line) {
  if (line.RangeLength() < 0) return std::make_unique<TvnOutOfbandNode>();
  return std::make_unique<TvnValueNode>(line);
}

}  // namespace

TvnCode::TvnCode(int prefixLength, int rangeLength, int64_t rangeLow, bool isLowerRange)
    : prefix_length_(prefixLength), range_length_(rangeLength), range_low_(rangeLow), is_lower_range_(isLowerRange) {}

std::string TvnCode::ToString() const {
  std::string text;
  if (code_ < 0) {
    text = "?";
  } else {
    for (int bit = prefix_length_ - 1; bit >= 0; --bit) text += ((code_ >> bit) & 1) ? '1' : '0';
  }
  return text + "/" + std::to_string(prefix_length_) + "/" + std::to_string(range_length_) + "/" +
         std::to_string(range_low_);
}

std::string CodeTableToString(const std::vector<TvnCode>& lines) {
  std::string text;
  for (const TvnCode& line : lines) text += line.ToString() + kLineEnd;
  return text;
}

TvnValueNode::TvnValueNode(const TvnCode& line)
    : range_length_(line.RangeLength()), range_low_(line.RangeLow()), is_lower_range_(line.IsLowerRange()) {}

int64_t TvnValueNode::Decode(TvnIOStream& stream) const {
  int64_t offset = stream.ReadBits(range_length_);
  if (offset < 0) throw TvnJBIG2Exception("Huffman data ends inside a value");
  return is_lower_range_ ? range_low_ - offset : range_low_ + offset;
}

std::string TvnValueNode::ToString() const {
  return std::to_string(range_low_) + (is_lower_range_ ? "-" : "+") + std::to_string(range_length_) + "bit";
}

int64_t TvnInternalNode::Decode(TvnIOStream& stream) const {
  const TvnInternalNode* node = this;
  for (;;) {
    int bit = stream.ReadBit();
    if (bit < 0) throw TvnJBIG2Exception("Huffman data ends inside a code");
    const TvnNode* child = bit ? node->one_.get() : node->zero_.get();
    if (!child) throw TvnJBIG2Exception("Huffman code matches no table line");
    node = child->AsInternal();
    if (!node) return child->Decode(stream);
  }
}

void TvnInternalNode::Append(const TvnCode& line) {
  TvnInternalNode* node = this;
  for (;;) {
    const int shift = line.PrefixLength() - node->depth_ - 1;
    if (shift < 0) throw TvnJBIG2Exception("negative shifting is not possible");
    std::unique_ptr<TvnNode>& slot = ((line.Code() >> shift) & 1) ? node->one_ : node->zero_;
    if (shift == 0) {
      // Two lines with one code, or a code that is the prefix of another.
      if (slot) throw TvnJBIG2Exception(kBadTable);
      slot = MakeLeaf(line);
      return;
    }
    if (!slot) slot = std::make_unique<TvnInternalNode>(node->depth_ + 1);
    auto* inner = const_cast<TvnInternalNode*>(slot->AsInternal());
    // The path runs through a shorter line's code.
    if (!inner) throw TvnJBIG2Exception("negative shifting is not possible");
    node = inner;
  }
}

std::string TvnInternalNode::ToString() const {
  const std::string indent(static_cast<size_t>(3 * depth_), ' ');
  auto child = [](const std::unique_ptr<TvnNode>& node) { return node ? node->ToString() : std::string("none"); };
  return indent + "0: " + child(zero_) + kLineEnd + indent + "1: " + child(one_) + kLineEnd;
}

void TvnHuffmanTable::InitTree(std::vector<TvnCode>& lines) {
  int max_length = 0;
  for (const TvnCode& line : lines) {
    if (line.PrefixLength() < 0 || line.PrefixLength() > kMaxPrefixLength || line.RangeLength() > 32)
      throw TvnJBIG2Exception(kBadTable);
    max_length = std::max(max_length, line.PrefixLength());
  }
  std::vector<uint64_t> length_count(static_cast<size_t>(max_length) + 1, 0);
  for (const TvnCode& line : lines) ++length_count[static_cast<size_t>(line.PrefixLength())];
  length_count[0] = 0;

  // Canonical codes: each length starts where the previous one ended,
  // shifted one bit left; lines of one length take consecutive codes.
  uint64_t first_code = 0;
  for (int length = 1; length <= max_length; ++length) {
    first_code = (first_code + length_count[static_cast<size_t>(length - 1)]) << 1;
    uint64_t code = first_code;
    for (TvnCode& line : lines) {
      if (line.PrefixLength() != length) continue;
      // More lines than the length has codes: the table is no prefix code.
      if (code >= (uint64_t{1} << length)) throw TvnJBIG2Exception(kBadTable);
      line.SetCode(static_cast<int64_t>(code++));
    }
  }
  for (const TvnCode& line : lines)
    if (line.PrefixLength() > 0) root_.Append(line);
}

TvnFixedSizeTable::TvnFixedSizeTable(std::vector<TvnCode> lines) { InitTree(lines); }

TvnStandardTable::TvnStandardTable(const std::vector<TvnTableRow>& rows) {
  std::vector<TvnCode> lines;
  lines.reserve(rows.size());
  for (const TvnTableRow& row : rows) lines.emplace_back(row.prefix_length, row.range_length, row.range_low, row.lower);
  InitTree(lines);
}

TvnEncodedTable::TvnEncodedTable(TvnTable& table) : table_(table) { ParseTable(); }

void TvnEncodedTable::ParseTable() {
  std::unique_ptr<TvnIOStream> lines_stream = table_.OpenLines();
  TvnIOStream& stream = *lines_stream;
  const int ps = table_.GetHtPS();
  const int rs = table_.GetHtRS();
  auto field = [&](int bits) {
    int64_t value = stream.ReadBits(bits);
    if (value < 0) throw TvnJBIG2Exception("table segment ends early");
    return static_cast<int>(value);
  };
  std::vector<TvnCode> lines;
  const int64_t low = table_.GetHtLow();
  const int64_t high = table_.GetHtHigh();
  for (int64_t current = low; current < high;) {
    const int prefix_length = field(ps);
    const int range_length = field(rs);
    if (range_length > 32) throw TvnJBIG2Exception(kBadTable);
    lines.emplace_back(prefix_length, range_length, current, false);
    current += int64_t{1} << range_length;
  }
  lines.emplace_back(field(ps), 32, low - 1, true);
  lines.emplace_back(field(ps), 32, high, false);
  if (table_.GetHtOutOfBand()) lines.emplace_back(field(ps), -1, 0, false);
  InitTree(lines);
}

namespace {

using Rows = std::vector<TvnTableRow>;
constexpr int kOOB = -1;

// The standard tables, lines in the order the codes are assigned: the
// ordinary lines, the lower-range line, the upper-range line, out of band.
const std::array<Rows, 15>& StandardRows() {
  static const std::array<Rows, 15> rows = {{
      // B.1
      {{1, 4, 0, false}, {2, 8, 16, false}, {3, 16, 272, false}, {3, 32, 65808, false}},
      // B.2
      {{1, 0, 0, false}, {2, 0, 1, false}, {3, 0, 2, false}, {4, 3, 3, false}, {5, 6, 11, false},
       {6, 32, 75, false}, {6, kOOB, 0, false}},
      // B.3
      {{8, 8, -256, false}, {1, 0, 0, false}, {2, 0, 1, false}, {3, 0, 2, false}, {4, 3, 3, false},
       {5, 6, 11, false}, {8, 32, -257, true}, {7, 32, 75, false}, {6, kOOB, 0, false}},
      // B.4
      {{1, 0, 1, false}, {2, 0, 2, false}, {3, 0, 3, false}, {4, 3, 4, false}, {5, 6, 12, false},
       {5, 32, 76, false}},
      // B.5
      {{7, 8, -255, false}, {1, 0, 1, false}, {2, 0, 2, false}, {3, 0, 3, false}, {4, 3, 4, false},
       {5, 6, 12, false}, {7, 32, -256, true}, {6, 32, 76, false}},
      // B.6
      {{5, 10, -2048, false}, {4, 9, -1024, false}, {4, 8, -512, false}, {4, 7, -256, false},
       {5, 6, -128, false}, {5, 5, -64, false}, {4, 5, -32, false}, {2, 7, 0, false}, {3, 7, 128, false},
       {3, 8, 256, false}, {4, 9, 512, false}, {4, 10, 1024, false}, {6, 32, -2049, true},
       {6, 32, 2048, false}},
      // B.7
      {{4, 9, -1024, false}, {3, 8, -512, false}, {4, 7, -256, false}, {5, 6, -128, false},
       {5, 5, -64, false}, {4, 5, -32, false}, {4, 5, 0, false}, {5, 5, 32, false}, {5, 6, 64, false},
       {4, 7, 128, false}, {3, 8, 256, false}, {3, 9, 512, false}, {3, 10, 1024, false},
       {5, 32, -1025, true}, {5, 32, 2048, false}},
      // B.8
      {{8, 3, -15, false}, {9, 1, -7, false}, {8, 1, -5, false}, {9, 0, -3, false}, {7, 0, -2, false},
       {4, 0, -1, false}, {2, 1, 0, false}, {5, 0, 2, false}, {6, 0, 3, false}, {3, 4, 4, false},
       {6, 1, 20, false}, {4, 4, 22, false}, {4, 5, 38, false}, {5, 6, 70, false}, {5, 7, 134, false},
       {6, 7, 262, false}, {7, 8, 390, false}, {6, 10, 646, false}, {9, 32, -16, true},
       {9, 32, 1670, false}, {2, kOOB, 0, false}},
      // B.9
      {{8, 4, -31, false}, {9, 2, -15, false}, {8, 2, -11, false}, {9, 1, -7, false}, {7, 1, -5, false},
       {4, 1, -3, false}, {3, 1, -1, false}, {3, 1, 1, false}, {5, 1, 3, false}, {6, 1, 5, false},
       {3, 5, 7, false}, {6, 2, 39, false}, {4, 5, 43, false}, {4, 6, 75, false}, {5, 7, 139, false},
       {5, 8, 267, false}, {6, 8, 523, false}, {7, 9, 779, false}, {6, 11, 1291, false},
       {9, 32, -32, true}, {9, 32, 3339, false}, {2, kOOB, 0, false}},
      // B.10
      {{7, 4, -21, false}, {8, 0, -5, false}, {7, 0, -4, false}, {5, 0, -3, false}, {2, 2, -2, false},
       {5, 0, 2, false}, {6, 0, 3, false}, {7, 0, 4, false}, {8, 0, 5, false}, {2, 6, 6, false},
       {5, 5, 70, false}, {6, 5, 102, false}, {6, 6, 134, false}, {6, 7, 198, false}, {6, 8, 326, false},
       {6, 9, 582, false}, {6, 10, 1094, false}, {7, 11, 2118, false}, {8, 32, -22, true},
       {8, 32, 4166, false}, {2, kOOB, 0, false}},
      // B.11
      {{1, 0, 1, false}, {2, 1, 2, false}, {4, 0, 4, false}, {4, 1, 5, false}, {5, 1, 7, false},
       {5, 2, 9, false}, {6, 2, 13, false}, {7, 2, 17, false}, {7, 3, 21, false}, {7, 4, 29, false},
       {7, 5, 45, false}, {7, 6, 77, false}, {7, 32, 141, false}},
      // B.12
      {{1, 0, 1, false}, {2, 0, 2, false}, {3, 1, 3, false}, {5, 0, 5, false}, {5, 1, 6, false},
       {6, 1, 8, false}, {7, 0, 10, false}, {7, 1, 11, false}, {7, 2, 13, false}, {7, 3, 17, false},
       {7, 4, 25, false}, {8, 5, 41, false}, {8, 32, 73, false}},
      // B.13
      {{1, 0, 1, false}, {3, 0, 2, false}, {4, 0, 3, false}, {5, 0, 4, false}, {4, 1, 5, false},
       {3, 3, 7, false}, {6, 1, 15, false}, {6, 2, 17, false}, {6, 3, 21, false}, {6, 4, 29, false},
       {6, 5, 45, false}, {7, 6, 77, false}, {7, 32, 141, false}},
      // B.14
      {{3, 0, -2, false}, {3, 0, -1, false}, {1, 0, 0, false}, {3, 0, 1, false}, {3, 0, 2, false}},
      // B.15
      {{7, 4, -24, false}, {6, 2, -8, false}, {5, 1, -4, false}, {4, 0, -2, false}, {3, 0, -1, false},
       {1, 0, 0, false}, {3, 0, 1, false}, {4, 0, 2, false}, {5, 1, 3, false}, {6, 2, 5, false},
       {7, 4, 9, false}, {7, 32, -25, true}, {7, 32, 25, false}},
  }};
  return rows;
}

}  // namespace

const TvnHuffmanTable& TvnStandardTables::GetTable(int number) {
  if (number < 1 || number > 15) throw TvnJBIG2Exception("no such standard Huffman table");
  static const std::array<std::unique_ptr<TvnStandardTable>, 15> tables = [] {
    std::array<std::unique_ptr<TvnStandardTable>, 15> built;
    for (size_t i = 0; i < built.size(); ++i) built[i] = std::make_unique<TvnStandardTable>(StandardRows()[i]);
    return built;
  }();
  return *tables[static_cast<size_t>(number - 1)];
}

}  // namespace vn::pdf::jbig2

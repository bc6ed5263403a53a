// Test-only encoders for the old zip methods, so their decoders meet known
// bytes: shrinking (LZW that mirrors the decoder's table, with code-size
// steps and partial clears), reducing (follower sets and DLE matches) and
// imploding (Shannon-Fano trees of chosen bit lengths). Their output is
// checked against unzip where unzip supports the method.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "zip_test_support.h"

namespace vn::ooxml::testing {

// Shrinks `data` (method 1), with a partial clear whenever the table is
// full.
inline std::string Shrink(const std::string& data) {
  constexpr int kMaxCode = 8192;
  std::vector<int> prefix(kMaxCode + 1, -1);
  std::vector<uint8_t> suffix(kMaxCode + 1, 0);
  std::vector<bool> usable(kMaxCode + 1, false);  // its string is known to both sides
  std::map<std::pair<int, uint8_t>, int> codes;   // (prefix, byte) -> code, usable entries
  for (int c = 0; c < 256; ++c) {
    prefix[c] = 0;
    suffix[c] = static_cast<uint8_t>(c);
    usable[c] = true;
  }
  BitWriter w;
  int code_size = 9;
  int next_free = 257;
  auto emit = [&](int code) {
    while (code >= (1 << code_size)) {
      w.Bits(256, code_size).Bits(1, code_size);
      ++code_size;
    }
    w.Bits(static_cast<uint32_t>(code), code_size);
  };
  auto string_of = [&](int code) {
    std::string s;
    while (code > 256) {
      s.insert(s.begin(), static_cast<char>(suffix[code]));
      code = prefix[code];
    }
    s.insert(s.begin(), static_cast<char>(code));
    return s;
  };
  auto partial_clear = [&] {
    w.Bits(256, code_size).Bits(2, code_size);
    std::vector<bool> leaf(kMaxCode + 1, false);
    for (int c = 257; c < next_free; ++c) leaf[c] = true;
    for (int c = 257; c < next_free; ++c)
      if (prefix[c] > 256) leaf[prefix[c]] = false;
    for (int c = 257; c < next_free; ++c) {
      if (!leaf[c]) continue;
      if (usable[c]) codes.erase({prefix[c], suffix[c]});
      prefix[c] = -1;
      usable[c] = false;
    }
    next_free = 257;
    while (next_free < kMaxCode && prefix[next_free] != -1) ++next_free;
  };
  if (data.empty()) return "";
  int old = static_cast<uint8_t>(data[0]);
  emit(old);
  size_t p = 1;
  while (p < data.size()) {
    if (next_free >= kMaxCode) partial_clear();
    // Longest match among the entries both sides hold.
    int x = static_cast<uint8_t>(data[p]);
    size_t length = 1;
    while (p + length < data.size()) {
      auto it = codes.find({x, static_cast<uint8_t>(data[p + length])});
      if (it == codes.end()) break;
      x = it->second;
      ++length;
    }
    // The entry being defined by this very code (old string + its first
    // byte) is longer when it matches.
    if (next_free < kMaxCode && usable[old]) {
      std::string pending = string_of(old);
      pending += pending[0];
      if (pending.size() > length && data.compare(p, pending.size(), pending) == 0) {
        x = next_free;
        length = pending.size();
      }
    }
    emit(x);
    if (next_free < kMaxCode) {
      prefix[next_free] = old;
      suffix[next_free] = static_cast<uint8_t>(data[p]);
      usable[next_free] = usable[old];
      if (usable[old]) codes.emplace(std::make_pair(old, static_cast<uint8_t>(data[p])), next_free);
      while (++next_free < kMaxCode && prefix[next_free] != -1) {
      }
    }
    old = x;
    p += length;
  }
  return w.Finish();
}

// One token of a reduced stream: a literal byte or a copy.
struct ReduceToken {
  int literal = -1;
  unsigned length = 0;    // 3 and more
  unsigned distance = 0;  // 1 and more
};

// Reduces with factor 1..4 (method factor + 1). Follower sets: `followers`
// maps a byte to the bytes that may follow it, coded by index.
inline std::string Reduce(const std::vector<ReduceToken>& tokens, int factor,
                          const std::map<uint8_t, std::string>& followers = {}) {
  static const unsigned kMask[5] = {0, 0x7F, 0x3F, 0x1F, 0x0F};
  BitWriter w;
  for (int c = 255; c >= 0; --c) {
    auto it = followers.find(static_cast<uint8_t>(c));
    const std::string set = it == followers.end() ? "" : it->second;
    w.Bits(static_cast<uint32_t>(set.size()), 6);
    for (char f : set) w.Bits(static_cast<uint8_t>(f), 8);
  }
  uint8_t last = 0;
  auto put = [&](uint8_t c) {
    auto it = followers.find(last);
    if (it != followers.end() && !it->second.empty()) {
      const size_t index = it->second.find(static_cast<char>(c));
      if (index == std::string::npos) {
        w.Bits(1, 1).Bits(c, 8);
      } else {
        unsigned bits = 1;
        while ((1u << bits) < it->second.size()) ++bits;
        w.Bits(0, 1).Bits(static_cast<uint32_t>(index), bits);
      }
    } else {
      w.Bits(c, 8);
    }
    last = c;
  };
  for (const ReduceToken& t : tokens) {
    if (t.literal >= 0) {
      put(static_cast<uint8_t>(t.literal));
      if (t.literal == 144) put(0);
      continue;
    }
    const unsigned l = t.length - 3;
    const unsigned d = t.distance - 1;
    const unsigned v = ((d >> 8) << (8 - factor)) | std::min(l, kMask[factor]);
    put(144);
    put(static_cast<uint8_t>(v));
    if (std::min(l, kMask[factor]) == kMask[factor]) put(static_cast<uint8_t>(l - kMask[factor]));
    put(static_cast<uint8_t>(d & 0xFF));
  }
  return w.Finish();
}

// A Shannon-Fano tree given by the bit length of every value.
struct ImplodeTree {
  std::vector<int> lengths;
  std::vector<uint32_t> codes;  // 16-bit codes, significant bits on top

  explicit ImplodeTree(std::vector<int> bit_lengths) : lengths(std::move(bit_lengths)), codes(lengths.size()) {
    std::vector<int> order(lengths.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return lengths[a] < lengths[b]; });
    uint32_t code = 0, increment = 0;
    int last = 0;
    for (size_t k = order.size(); k-- > 0;) {
      code += increment;
      if (lengths[order[k]] != last) {
        last = lengths[order[k]];
        increment = 1u << (16 - last);
      }
      codes[order[k]] = code & 0xFFFF;
    }
  }
  void Store(BitWriter& w) const {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < lengths.size();) {
      size_t run = 1;
      while (i + run < lengths.size() && lengths[i + run] == lengths[i] && run < 16) ++run;
      bytes.push_back(static_cast<uint8_t>((lengths[i] - 1) | (run - 1) << 4));
      i += run;
    }
    w.Bits(static_cast<uint32_t>(bytes.size() - 1), 8);
    for (uint8_t b : bytes) w.Bits(b, 8);
  }
  void Put(BitWriter& w, int value) const {
    for (int k = 0; k < lengths[value]; ++k) w.Bits((codes[value] >> (15 - k)) & 1, 1);
  }
};

struct ImplodeToken {
  int literal = -1;
  unsigned length = 0;
  unsigned distance = 0;
};

// Implodes with an 8 KiB (else 4 KiB) window and 3 trees (else 2).
inline std::string Implode(const std::vector<ImplodeToken>& tokens, bool eight_k, bool three_trees) {
  std::vector<int> literal_lengths(256, 8);
  // Lengths of several sizes: 2 + 2 + 60 codes fill the code space.
  std::vector<int> length_lengths(64, 7);
  length_lengths[0] = length_lengths[1] = 2;
  length_lengths[2] = length_lengths[3] = 6;
  std::vector<int> distance_lengths(64, 6);
  const ImplodeTree literals(literal_lengths), lengths(length_lengths), distances(distance_lengths);
  BitWriter w;
  if (three_trees) literals.Store(w);
  lengths.Store(w);
  distances.Store(w);
  const unsigned low_bits = eight_k ? 7 : 6;
  const unsigned min_match = three_trees ? 3 : 2;
  for (const ImplodeToken& t : tokens) {
    if (t.literal >= 0) {
      w.Bits(1, 1);
      if (three_trees)
        literals.Put(w, t.literal);
      else
        w.Bits(static_cast<uint32_t>(t.literal), 8);
      continue;
    }
    const unsigned d = t.distance - 1;
    w.Bits(0, 1).Bits(d & ((1u << low_bits) - 1), low_bits);
    distances.Put(w, static_cast<int>(d >> low_bits));
    const unsigned l = t.length - min_match;
    if (l < 63) {
      lengths.Put(w, static_cast<int>(l));
    } else {
      lengths.Put(w, 63);
      w.Bits(l - 63, 8);
    }
  }
  return w.Finish();
}

// The bytes a token list stands for (copies before the start give zeros).
template <typename Token>
std::string Expand(const std::vector<Token>& tokens) {
  std::string out;
  for (const Token& t : tokens) {
    if (t.literal >= 0) {
      out.push_back(static_cast<char>(t.literal));
      continue;
    }
    for (unsigned i = 0; i < t.length; ++i)
      out.push_back(t.distance <= out.size() ? out[out.size() - t.distance] : '\0');
  }
  return out;
}

}  // namespace vn::ooxml::testing

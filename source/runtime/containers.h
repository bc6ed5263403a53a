// Containers whose iteration order is observable: an insertion-ordered map,
// and bit-flag sets over enumerations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vn {

// A map that iterates in insertion order. Insert() keeps the first value of a
// key (returns false on a duplicate); Set() replaces the value in place.
template <typename K, typename V, typename Hash = std::hash<K>>
class OrderedMap {
 public:
  using Entry = std::pair<K, V>;

  bool Insert(K key, V value) {
    if (index_.count(key)) return false;
    index_.emplace(key, entries_.size());
    entries_.emplace_back(std::move(key), std::move(value));
    return true;
  }
  void Set(K key, V value) {
    auto it = index_.find(key);
    if (it != index_.end()) {
      entries_[it->second].second = std::move(value);
    } else {
      Insert(std::move(key), std::move(value));
    }
  }
  V* Find(const K& key) {
    auto it = index_.find(key);
    return it == index_.end() ? nullptr : &entries_[it->second].second;
  }
  const V* Find(const K& key) const {
    auto it = index_.find(key);
    return it == index_.end() ? nullptr : &entries_[it->second].second;
  }
  bool Contains(const K& key) const { return index_.count(key) != 0; }
  bool Erase(const K& key) {
    auto it = index_.find(key);
    if (it == index_.end()) return false;
    size_t pos = it->second;
    index_.erase(it);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(pos));
    for (auto& [k, i] : index_)
      if (i > pos) --i;
    return true;
  }
  void Clear() {
    entries_.clear();
    index_.clear();
  }
  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  auto begin() { return entries_.begin(); }
  auto end() { return entries_.end(); }
  auto begin() const { return entries_.begin(); }
  auto end() const { return entries_.end(); }
  const Entry& at(size_t i) const { return entries_.at(i); }

 private:
  std::vector<Entry> entries_;
  std::unordered_map<K, size_t, Hash> index_;
};

// A set of enumeration values as bit flags (the enumeration's ordinal is the
// bit number); up to 64 members.
template <typename E>
class EnumSet {
 public:
  using Bits = uint64_t;
  constexpr EnumSet() = default;
  constexpr EnumSet(std::initializer_list<E> values) {
    for (E v : values) bits_ |= Bit(v);
  }
  static constexpr EnumSet FromBits(Bits bits) {
    EnumSet s;
    s.bits_ = bits;
    return s;
  }
  constexpr bool Contains(E v) const { return (bits_ & Bit(v)) != 0; }
  constexpr EnumSet& Include(E v) {
    bits_ |= Bit(v);
    return *this;
  }
  constexpr EnumSet& Exclude(E v) {
    bits_ &= ~Bit(v);
    return *this;
  }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr Bits bits() const { return bits_; }
  constexpr EnumSet operator|(EnumSet o) const { return FromBits(bits_ | o.bits_); }
  constexpr EnumSet operator&(EnumSet o) const { return FromBits(bits_ & o.bits_); }
  constexpr EnumSet operator-(EnumSet o) const { return FromBits(bits_ & ~o.bits_); }
  constexpr EnumSet& operator|=(EnumSet o) {
    bits_ |= o.bits_;
    return *this;
  }
  constexpr bool operator==(const EnumSet&) const = default;

 private:
  static constexpr Bits Bit(E v) { return Bits{1} << static_cast<std::underlying_type_t<E>>(v); }
  Bits bits_ = 0;
};

}  // namespace vn

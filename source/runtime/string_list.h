// TStringList: an ordered list of texts with an optional object per entry,
// as the runtime's string list (Add/Insert/Delete/IndexOf, Text split at CR,
// LF or CRLF and joined with CRLF, "Name=Value" entries). Sorted lists keep
// ASCII case-insensitive order and apply the Duplicates rule.
#pragma once

#include <vector>

#include "runtime/strings.h"

namespace vn {

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  const String& operator[](int index) const;  // EListError "List index out of bounds (<i>)"
  const String& Strings(int index) const { return (*this)[index]; }
  void SetStrings(int index, String value);
  void* Objects(int index) const;
  void SetObjects(int index, void* object);

  // Returns the index of the new entry (-1 when a sorted list ignores a duplicate).
  int Add(String s, void* object = nullptr);
  void Insert(int index, String s, void* object = nullptr);
  void Delete(int index);
  void Clear() { items_.clear(); }
  int IndexOf(StringView s) const;  // case-insensitive, -1 when absent
  int IndexOfName(StringView name) const;

  String Name(int index) const;           // text before the first "="
  String ValueFromIndex(int index) const;  // text after the first "="
  String Value(StringView name) const;     // "" when absent
  void SetValue(StringView name, StringView value);

  String Text() const;  // entries each followed by CRLF
  void SetText(StringView text);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates d) { duplicates_ = d; }
  void Sort();

 private:
  struct Item {
    String text;
    void* object = nullptr;
  };
  int FindSorted(StringView s, bool& found) const;
  void CheckIndex(int index) const;

  std::vector<Item> items_;
  bool sorted_ = false;
  TDuplicates duplicates_ = TDuplicates::dupIgnore;
};

}  // namespace vn

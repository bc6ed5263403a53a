#include "runtime/string_list.h"

#include <algorithm>

#include "runtime/exceptions.h"

namespace vn {

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
}

const String& TStringList::operator[](int index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)].text;
}

void TStringList::SetStrings(int index, String value) {
  CheckIndex(index);
  items_[static_cast<size_t>(index)].text = std::move(value);
}

void* TStringList::Objects(int index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)].object;
}

void TStringList::SetObjects(int index, void* object) {
  CheckIndex(index);
  items_[static_cast<size_t>(index)].object = object;
}

int TStringList::FindSorted(StringView s, bool& found) const {
  auto it = std::lower_bound(items_.begin(), items_.end(), s,
                             [](const Item& a, StringView b) { return CompareText(a.text, b) < 0; });
  found = it != items_.end() && CompareText(it->text, s) == 0;
  return static_cast<int>(it - items_.begin());
}

int TStringList::Add(String s, void* object) {
  if (!sorted_) {
    items_.push_back({std::move(s), object});
    return Count() - 1;
  }
  bool found = false;
  int at = FindSorted(s, found);
  if (found) {
    if (duplicates_ == TDuplicates::dupIgnore) return -1;
    if (duplicates_ == TDuplicates::dupError) throw EListError("String list does not allow duplicates");
  }
  items_.insert(items_.begin() + at, {std::move(s), object});
  return at;
}

void TStringList::Insert(int index, String s, void* object) {
  if (sorted_) throw EListError("Operation not allowed on sorted list");
  if (index < 0 || index > Count()) throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
  items_.insert(items_.begin() + index, {std::move(s), object});
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  items_.erase(items_.begin() + index);
}

int TStringList::IndexOf(StringView s) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(items_[static_cast<size_t>(i)].text, s)) return i;
  return -1;
}

int TStringList::IndexOfName(StringView name) const {
  for (int i = 0; i < Count(); ++i) {
    const String& t = items_[static_cast<size_t>(i)].text;
    size_t eq = t.find(u'=');
    if (eq != String::npos && SameText(StringView(t).substr(0, eq), name)) return i;
  }
  return -1;
}

String TStringList::Name(int index) const {
  const String& t = (*this)[index];
  size_t eq = t.find(u'=');
  return eq == String::npos ? String() : t.substr(0, eq);
}

String TStringList::ValueFromIndex(int index) const {
  const String& t = (*this)[index];
  size_t eq = t.find(u'=');
  return eq == String::npos ? String() : t.substr(eq + 1);
}

String TStringList::Value(StringView name) const {
  int i = IndexOfName(name);
  return i < 0 ? String() : ValueFromIndex(i);
}

void TStringList::SetValue(StringView name, StringView value) {
  int i = IndexOfName(name);
  String entry = String(name) + u"=" + String(value);
  if (i >= 0) {
    if (value.empty()) Delete(i);
    else items_[static_cast<size_t>(i)].text = std::move(entry);
  } else if (!value.empty()) {
    Add(std::move(entry));
  }
}

String TStringList::Text() const {
  String out;
  for (const auto& item : items_) {
    out += item.text;
    out += u"\r\n";
  }
  return out;
}

void TStringList::SetText(StringView text) {
  items_.clear();
  for (StringView line : SplitLines(text)) Add(String(line));
}

void TStringList::Sort() {
  std::stable_sort(items_.begin(), items_.end(),
                   [](const Item& a, const Item& b) { return CompareText(a.text, b.text) < 0; });
}

void TStringList::SetSorted(bool sorted) {
  if (sorted && !sorted_) Sort();
  sorted_ = sorted;
}

}  // namespace vn

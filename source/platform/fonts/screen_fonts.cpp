#include "platform/fonts/screen_fonts.h"

#include <memory>
#include <mutex>

namespace vn::platform {
namespace {

String WithoutBlanks(StringView name) {
  String out;
  for (char16_t c : name)
    if (c != u' ') out += c;
  return out;
}

}  // namespace

const TStringList& GetInstalledFontList() {
  static std::once_flag once;
  static std::unique_ptr<TStringList> list;
  std::call_once(once, [] {
    list = std::make_unique<TStringList>();
    for (const String& family : InstalledFontFamilies()) list->SetValue(WithoutBlanks(family), family);
    for (const String& name : AliasedFontNames())
      if (list->IndexOfName(WithoutBlanks(name)) < 0) list->SetValue(WithoutBlanks(name), name);
  });
  return *list;
}

TextSize GetTextExtentOf(StringView text, const GdiFont& font) { return font.TextExtent(text); }

}  // namespace vn::platform

// A line dump of a parsed tree, in the format tests/ooxml/xml_tree_dump.py
// writes for ElementTree: one line per element ("E name"), per attribute
// ("A name=value", namespace declarations left out) and per text run
// ("T text": adjacent text and CDATA joined, blank runs only inside an
// xml:space="preserve" scope), indented by depth.
#pragma once

#include <string>

#include "ooxml/xml_document.h"

namespace vn::ooxml::testing {

inline std::string DumpEscape(StringView text) {
  std::string out;
  for (char c : ToUtf8(text)) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out;
}

inline void DumpElement(const TXmlNode* element, int depth, bool preserve, std::string& out) {
  const std::string pad(static_cast<size_t>(2 * depth), ' ');
  out += pad + "E " + ToUtf8(element->Name) + "\n";
  for (const auto& a : element->AttributeList) {
    if (a->Name == u"xmlns" || a->Name.starts_with(u"xmlns:")) continue;
    out += pad + "A " + ToUtf8(a->Name) + "=" + DumpEscape(a->Value()) + "\n";
    if (a->Name == u"xml:space") preserve = a->Value() == u"preserve" ? true : a->Value() == u"default" ? false : preserve;
  }
  String text = element->Text;
  auto flush = [&] {
    const bool blank = text.find_first_not_of(u" \t\r\n") == String::npos;
    if (!text.empty() && (preserve || !blank)) out += pad + "  T " + DumpEscape(text) + "\n";
    text.clear();
  };
  for (const TXmlNode* child : element->ChildNodes) {
    if (child->NodeType == TXmlNodeType::ntText || child->NodeType == TXmlNodeType::ntCData) {
      text += child->Text;
    } else if (child->NodeType == TXmlNodeType::ntElement) {
      flush();
      DumpElement(child, depth + 1, preserve, out);
    }
  }
  flush();
}

// The dump of the document element; "no document element" without one.
inline std::string DumpTree(const TXmlVerySimple& document) {
  if (!document.DocumentElement()) return "no document element\n";
  std::string out;
  DumpElement(document.DocumentElement(), 0, false, out);
  return out;
}

}  // namespace vn::ooxml::testing

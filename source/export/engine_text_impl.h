// Line helpers shared by the engine's text and table layout.
#pragma once

#include "runtime/strings.h"

namespace vn::exporter {

// Wrapped lines that end a paragraph of the text end in CR LF.
inline bool EndsWithLineBreak(StringView text) { return text.size() >= 2 && text.substr(text.size() - 2) == u"\r\n"; }

// A line as it is drawn: without its line break and its trailing blanks,
// which show nothing and would push aligned text off its edge.
inline String VisibleLine(StringView line) {
  if (EndsWithLineBreak(line)) line.remove_suffix(2);
  while (!line.empty() && line.back() == u' ') line.remove_suffix(1);
  return String(line);
}

}  // namespace vn::exporter

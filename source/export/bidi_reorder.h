// Right-to-left reordering for formats that write text left to right only:
// a line holding Hebrew or Arabic becomes the order in which its characters
// are written from left to right. One pass with a small state machine: runs
// of right-to-left characters are reversed and placed before the text that
// followed them, numbers keep their order (with the separators, currency
// sign and percent sign that belong to them), and brackets met once
// right-to-left material has been placed are mirrored.
//
// It is not the full bidirectional algorithm: the line's base direction is
// left to right, there are no embedding levels, and a combining mark is
// reversed with its letter. Every character of the line comes out once.
#pragma once

#include "runtime/strings.h"

namespace vn::exporter {

// The number formats of the locale the reordering reads numbers in.
struct TvnBiDiLocale {
  String CurrencyString = u"$";
  char16_t ThousandSeparator = u',';
  char16_t DecimalSeparator = u'.';
  char16_t TimeSeparator = u':';
  char16_t DateSeparator = u'/';
};

// "0" to "9".
bool IsDigitChar(char16_t c);
// The blank and the ASCII punctuation: 32..47, 58..64, 91..96, 123..126.
bool IsNeutralChar(char16_t c);
// Hebrew, Arabic and their presentation forms.
bool IsRTLChar(char16_t c);

// A text without right-to-left characters comes back unchanged.
String ReorderBiDiText(StringView text, const TvnBiDiLocale& locale = {});

}  // namespace vn::exporter

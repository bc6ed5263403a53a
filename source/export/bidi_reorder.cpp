#include "export/bidi_reorder.h"

#include <algorithm>
#include <list>

#include "framework/writer_routines.h"

namespace vn::exporter {

bool IsDigitChar(char16_t c) { return c >= u'0' && c <= u'9'; }

bool IsNeutralChar(char16_t c) {
  return (c >= 32 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 96) || (c >= 123 && c <= 126);
}

bool IsRTLChar(char16_t c) {
  return (c >= 0x0590 && c <= 0x05FF) || (c >= 0x0600 && c <= 0x06FF) || (c >= 0xFB1E && c <= 0xFB4F) ||
         (c >= 0xFB50 && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF);
}

namespace {

enum class CharClass { None, Digit, Neutral, RightToLeft, Other };

CharClass ClassOf(char16_t c) {
  if (IsDigitChar(c)) return CharClass::Digit;
  if (IsNeutralChar(c)) return CharClass::Neutral;
  if (IsRTLChar(c)) return CharClass::RightToLeft;
  return CharClass::Other;
}

char16_t Mirrored(char16_t c) {
  switch (c) {
    case u'(': return u')';
    case u')': return u'(';
    case u'<': return u'>';
    case u'>': return u'<';
    case u'[': return u']';
    case u']': return u'[';
    case u'{': return u'}';
    case u'}': return u'{';
    default: return c;
  }
}

// The state of one pass. The visual line is a list of segments: left-to-
// right text is appended at its end, right-to-left material (and numbers
// inside it) is inserted at the insertion point, so that each piece lands
// left of the right-to-left material met before it.
class Reorderer {
 public:
  explicit Reorderer(const TvnBiDiLocale& locale) : FLocale(locale) {}

  String Run(String text) {
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
      char16_t c = text[i];
      if (IsNeutralChar(c) && !FSegments.empty() && i + 2 < n) c = text[i] = Mirrored(c);
      const CharClass cls = ClassOf(c);
      if (FPrevious != CharClass::None && cls != FPrevious) {
        const bool next_is_digit = i + 1 < n && IsDigitChar(text[i + 1]);
        if (HandOn(cls, c, next_is_digit)) continue;  // c joined the held number
      }
      Add(c, cls);
    }
    Finish();
    String out;
    for (const String& segment : FSegments) out += segment;
    return out;
  }

 private:
  // Left-to-right text is being collected: there is some, or nothing has
  // been placed yet.
  bool Context() const { return !FLeft.empty() || FSegments.empty(); }

  // The piece goes where the insertion point is, before what was inserted
  // there earlier.
  void Insert(String piece) { FInsertAt = FSegments.insert(FInsertAt, std::move(piece)); }

  void CloseLeft() {
    FLeft += FRun;
    FSegments.push_back(std::move(FLeft));
    FLeft.clear();
    FInsertAt = FSegments.end();
  }

  // A held number that no digit continues goes in as it stands.
  void FlushNumber() {
    if (FNumber.empty()) return;
    Insert(std::move(FNumber));
    FNumber.clear();
  }

  // The digits collected, behind the part of their number held before.
  void InsertNumberRun() {
    Insert(FNumber + FRun);
    FNumber.clear();
  }

  bool IsNumberSeparator(char16_t c) const {
    return c == FLocale.ThousandSeparator || c == FLocale.DecimalSeparator || c == u'$' || c == FLocale.TimeSeparator ||
           c == FLocale.DateSeparator;
  }

  // Hands the collected run on at a change of character class; answers
  // true when c itself was taken into a number.
  bool HandOn(CharClass cls, char16_t c, bool next_is_digit) {
    switch (FPrevious) {
      case CharClass::Digit:
        if (cls == CharClass::Neutral) {
          if (Context()) {
            FLeft += FRun;
          } else if ((IsNumberSeparator(c) && next_is_digit) || c == u'%') {
            // A separator inside a number, or a percent sign after it,
            // keeps the number together.
            FNumber += FRun;
            FNumber += c;
            FRun.clear();
            return true;
          } else if (!FNumber.empty()) {
            FNumber += FRun;
          } else {
            Insert(FRun);
          }
        } else if (Context()) {
          if (cls == CharClass::RightToLeft)
            CloseLeft();
          else
            FLeft += FRun;
        } else {
          InsertNumberRun();
        }
        break;
      case CharClass::Neutral:
        if (cls == CharClass::Digit) {
          if (Context()) {
            FLeft += FRun;
          } else {
            // A held number that neutrals part from this one goes in first.
            if (!FRun.empty()) FlushNumber();
            Insert(FRun);
          }
        } else if (cls == CharClass::RightToLeft) {
          if (Context()) {
            CloseLeft();
          } else {
            FlushNumber();
            Insert(vn::framework::ReverseText(FRun));
          }
        } else {
          FlushNumber();
          FLeft += FRun;
        }
        break;
      case CharClass::RightToLeft: Insert(vn::framework::ReverseText(FRun)); break;
      case CharClass::Other:
        if (cls == CharClass::RightToLeft)
          CloseLeft();
        else
          FLeft += FRun;
        break;
      case CharClass::None: break;
    }
    FRun.clear();
    return false;
  }

  void Add(char16_t c, CharClass cls) {
    if (cls == CharClass::RightToLeft) {
      FRun += c;  // reversed when it is handed on
    } else if (cls == CharClass::Neutral && !Context() && FLocale.CurrencyString == StringView(&c, 1)) {
      // A currency sign waits for its number; what came before it goes in
      // first, as the neutrals before a right-to-left run do.
      FlushNumber();
      if (!FRun.empty()) Insert(vn::framework::ReverseText(FRun));
      FRun.clear();
      FNumber += c;
    } else {
      FRun += c;
    }
    FPrevious = cls;
  }

  void Finish() {
    if (!FRun.empty()) {
      switch (FPrevious) {
        case CharClass::Digit:
          if (Context())
            FLeft += FRun;
          else
            InsertNumberRun();
          break;
        case CharClass::Neutral:
          if (Context()) {
            FLeft += FRun;
          } else {
            FlushNumber();
            FSegments.push_back(FRun);
          }
          break;
        case CharClass::RightToLeft: Insert(vn::framework::ReverseText(FRun)); break;
        case CharClass::Other: FLeft += FRun; break;
        case CharClass::None: break;
      }
    }
    FlushNumber();
    if (!FLeft.empty()) FSegments.push_back(FLeft);
  }

  const TvnBiDiLocale& FLocale;
  String FRun, FLeft, FNumber;
  std::list<String> FSegments;
  std::list<String>::iterator FInsertAt = FSegments.end();
  CharClass FPrevious = CharClass::None;
};

}  // namespace

String ReorderBiDiText(StringView text, const TvnBiDiLocale& locale) {
  if (std::none_of(text.begin(), text.end(), IsRTLChar)) return String(text);
  return Reorderer(locale).Run(String(text));
}

}  // namespace vn::exporter

// Small routines shared by the export engine and the PDF writer: numbers and
// colours as PDF operand text (always with "." as decimal separator, and
// without touching the process locale), PDF literal-string escaping,
// hexadecimal texts, string helpers, unit and angle conversions, text
// justification, and the rectangle of doubles the engine items use. It also
// declares the export engine's exception classes and the enumerations of the
// signature settings. The writers' MD5 and RC4 classes live in crypt.h.
//
// The routines that measure text with an installed font, list the installed
// fonts or collect a face's character sets belong to the font layer;
// JustifyTextToWidth takes the width measure as a function instead.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/float_format.h"
#include "runtime/strings.h"

namespace vn::framework {

// A rectangle of doubles: clip, display and band rectangles, margins.
struct TvnRect {
  double Left = 0;
  double Top = 0;
  double Right = 0;
  double Bottom = 0;
  bool operator==(const TvnRect&) const = default;
};

// Raised by the export engine with its own messages.
VN_DECLARE_EXCEPTION(EInvalidPageNumber, Exception);
VN_DECLARE_EXCEPTION(EFileCreateError, Exception);
VN_DECLARE_EXCEPTION(EUnsupportedGraphics, Exception);
VN_DECLARE_EXCEPTION(EInvalidEngineState, Exception);

// Certification level of a signature: no change allowed, filling of form
// fields allowed, adding annotations allowed.
enum class TvnSigCertLevel { clNoChange, clFillFormFields, clInsertAnnots };
// What the visible appearance of a signature field shows.
enum class TvnSigFieldAppearenceOption { sfaoShowName, sfaoShowReason, sfaoShowLocation, sfaoShowDate, sfaoShowLabels };

using TvnByteArray = std::vector<uint8_t>;
using TvnByteArray1 = std::vector<uint8_t>;

// The reference screen's logical pixels per inch and that value / 72. They
// start at the fixed 96-dpi screen so that conversions are defined before any
// engine exists; the engine constructors set them again.
extern int32_t ScreenPixelsPerInch;
extern double ScreenPixelsPerPoint;

// --- Numbers and colours as PDF operand text --------------------------------
// A colour is the window system's 32-bit colour 0x00BBGGRR; a high byte of
// FF marks a system colour whose index is in the low bits.

// The general float text (15 significant digits) with ".".
String FloatToDotText(double value);
// The formatted float text with ".", e.g. (ffFixed, 18, 4) for PDF numbers.
String FloatToDotTextF(double value, vn::TFloatFormat format, int precision, int digits);
// "r g b", each byte / 255 with four decimals: red gives "1.0000 0.0000 0.0000".
String ColorToPDFRGBText(uint32_t color);
// Six upper-case hexadecimal digits, red first.
String ColorToHexRGB(uint32_t color);
// Replaces a system colour by the fixed reference screen's colour for its
// index (black for an unknown index); other colours are left unchanged.
void ResolveSystemColor(uint32_t& color);

// --- Hexadecimal texts --------------------------------------------------------
std::string AnsiToHexText(std::string_view bytes);  // two digits per byte
String WideToHexText(StringView text);              // four digits per code unit
bool IsHexText(StringView text);                    // true for the empty text
// Byte := 0; -1 when the text is not hexadecimal, else 0 and the byte holds
// the digits' value modulo 256.
int32_t HexStrToByte(StringView text, uint8_t& value);

// --- Strings (positions 1-based) -------------------------------------------
// Escapes the inside of a PDF literal string; tabs become blanks up to the
// next multiple of 8 input characters.
String EscapePDFLiteral(StringView text);
// Replaces every occurrence of old_pattern, compared without case, left to
// right without overlap.
String ReplaceTextIgnoreCase(StringView source, StringView old_pattern, StringView new_pattern);
// First position at or after `start` where `sub` matches whole; 0 when none
// or when `sub` is empty.
int64_t PosFrom(StringView sub, StringView text, int64_t start);
String RightText(StringView text, int64_t count);
String MidText(StringView text, int64_t index, int64_t count);
// The characters in reverse order; a surrogate pair stays one character.
String ReverseText(StringView text);
// Drops one final CR LF from a string longer than one byte.
std::string StripTrailingCRLF(std::string_view text);
// Where a file name that follows the text's last "\" ends: the position of
// the first blank, '"', '*', '?' or '|' after the extension's dot, else
// length + 1; 0 without a backslash or a dot after it; 1 for the empty text.
int64_t FindExtensionEnd(StringView text);
inline int32_t IfThenInt(bool flag, int32_t first, int32_t second) { return flag ? first : second; }

// --- Measuring -------------------------------------------------------------
// Width in screen pixels of a text in the caller's font.
using TvnTextWidthMeasure = std::function<int32_t(StringView)>;
// Widens a text to target_width by inserting blanks between its words (or
// between its characters when it has one word); the remainder of the
// division goes to the later gaps. Nothing is added when the text is already
// as wide as the target or a blank measures no width.
String JustifyTextToWidth(StringView text, const TvnTextWidthMeasure& measure, double target_width);

// --- Conversions and geometry -----------------------------------------------
double PixelsToPoints(double value);  // value / ScreenPixelsPerInch * 72
double PointsToPixels(double value);  // value * ScreenPixelsPerPoint
double DegreesToRadians(double value);
double RadiansToDegrees(double value);
inline TvnRect MakeDoubleRect(double left, double top, double right, double bottom) {
  return TvnRect{left, top, right, bottom};
}
inline TvnRect ScaleDoubleRect(const TvnRect& r, double factor) {
  return TvnRect{r.Left * factor, r.Top * factor, r.Right * factor, r.Bottom * factor};
}

// Empties the owner first, then frees the object, so that code run by the
// destructor never sees a half-destroyed object through the owner.
template <typename T>
void FreeObjectAndNil(std::unique_ptr<T>& owner) {
  std::unique_ptr<T> doomed = std::move(owner);
}

}  // namespace vn::framework

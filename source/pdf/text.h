// Text routines of the PDF layer: the character classes of PDF syntax,
// locale-free number text, hex digit text, UTF-16BE text strings, literal
// string and name escapes, and PDF dates. Nothing here touches the process
// locale; "." is always the decimal separator. 8-bit text and bytes are
// std::string; wide text is vn::String (UTF-16).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/strings.h"

namespace vn::pdf {

// ---- Character classes -----------------------------------------------------

enum class TvnPDCharClass { ccWhiteSpace, ccDelimiter, ccRegular };

// The class of a byte: white space is NUL, TAB, LF, FF, CR and space;
// delimiters are % ( ) / < > [ ] { }; every other byte is regular.
TvnPDCharClass PDCharClass(uint8_t c);
// True when c is within 0..255 and of that class.
bool IsPDWhiteSpace(int c);
bool IsPDDelimiter(int c);
bool IsPDRegular(int c);

// ---- Numbers ---------------------------------------------------------------

// Decimal text with "-" for negatives.
std::string IntToPDText(int64_t value);
// The decimal integer in the text (a leading "$" makes it hexadecimal);
// 0 for text that does not convert or does not fit 64 bits.
int64_t PDTextToInt(std::string_view text);
// A real as PDF number text: up to 15 significant digits in plain decimal
// notation (never an exponent, which PDF syntax does not allow), trailing
// zeros and a trailing "." removed; NaN and infinities give "0".
std::string FloatToPDText(double value);
// The number in the text with "." as separator; vn::EConvertError when the
// text is not a finite number.
double PDTextToFloat(std::string_view text);
// Each byte as HexByteToUnitText of its two hex digits, joined by blanks:
// 255, 128, 0 gives "1.0000 0.5020 0.0000".
std::string ColorBytesToPDRGBText(uint8_t a, uint8_t b, uint8_t c);
// The value of the hex text (0 when it does not convert) divided by 255,
// with exactly four decimals.
std::string HexByteToUnitText(std::string_view hex);

// ---- Hex digit text ---------------------------------------------------------

// Two upper-case hex digits per byte.
std::string BytesToHexText(std::string_view bytes);
std::string BinToHexText(std::string_view bytes);
// Two upper-case hex digits for each of the first `count` bytes (all of them
// when there are fewer).
std::string BufToHexText(std::string_view bytes, size_t count);
// "FEFF" followed by four upper-case hex digits per UTF-16 code unit of the
// text. 8-bit text is read through the system code page (Windows-1252), so
// plain ASCII gives 00XX units.
std::string TextToUTF16HexText(std::string_view text);
std::string TextToUTF16HexText(StringView text);
// Every character is 0-9, A-F or a-f (the empty text answers true).
bool IsHexText(std::string_view text);
// The value of hex text kept to 8 bits into `byte`. Answers TRUE FOR
// FAILURE (the text is not hex text; `byte` is then 0) and false on success.
bool HexPairToByte(std::string_view text, uint8_t& byte);
// Text starting with "FEFF" (any case) is decoded by HexUTF16TextToWide and
// returned in the system code page; otherwise a "0" is put in front of an
// odd-length text and every two characters give one byte (0 for a pair that
// does not convert).
std::string HexTextToBytes(std::string_view text);
// "FEFF" text as above; otherwise hex digits in pairs, skipping any other
// character before each digit; a last digit without partner is dropped.
std::string HexDigitsToBytes(std::string_view text);
// The raw bytes of a hex string's digits (ciphertext, keys): digits in
// pairs, any other character skipped, a last digit without partner counting
// as followed by 0. No "FEFF" text handling.
std::string HexStringBytes(std::string_view digits);
// Hex digit pairs (white space between them skipped) into bytes, stopping at
// the first pair that does not convert.
std::vector<uint8_t> HexTextToByteArray(std::string_view text);
// Text starting with "FEFF" (any case): after the mark, "." is copied as
// ".", groups equal to "FEFF" are skipped and every other group of four hex
// digits is one UTF-16BE code unit; the result ends before a code unit 0.
// Other text is decoded by HexDigitsToBytes and read in the system code page.
String HexUTF16TextToWide(std::string_view text);

// ---- Text strings and escapes -----------------------------------------------

// The character of a PDFDocEncoding byte.
char16_t PDFDocEncodingToUnicode(uint8_t b);
// The value of a PDF text string as wide text: bytes FE FF start UTF-16BE,
// bytes EF BB BF UTF-8, hex digit text starting with "FEFF" is decoded by
// HexUTF16TextToWide, anything else is PDFDocEncoding. UTF-16 text ends
// before a code unit 0. The value is taken as parsed (escapes already undone).
String PDTextStringToWide(std::string_view value);
// Undoes literal-string escapes: \( \) \\ \b \f \n \r \t and one to three
// octal digits (kept to 8 bits); a backslash before any other character
// stays, and so does a final backslash.
std::string UnescapePDString(std::string_view text);
// The escaped form of a literal string's bytes for output (without the
// enclosing parentheses): BS TAB LF FF CR ( ) and backslash are escaped,
// every other byte is written as it is.
std::string EscapePDString(std::string_view bytes);
// Every character is 0-7 (the empty text answers true).
bool IsOctalText(std::string_view text);
// The octal value kept to 8 bits; 0 when the text is not octal.
uint8_t OctalTextToByte(std::string_view text);

// The written form of a name's value (without the "/"): every byte outside
// "!".."~" and every delimiter and "#" become "#" and two upper-case hex
// digits. A value of blanks only (or empty) is written as it is.
std::string EncodeName(std::string_view value);
// The value of a name as written (without the "/"): every "#" followed by two
// hex digits becomes the byte of that value; any other "#" is dropped and the
// characters after it are kept.
std::string DecodeName(std::string_view written);

// ---- Syntax helpers ----------------------------------------------------------

// From the 1-based position `from`, skips NUL, TAB, CR, LF and blanks, then
// takes characters up to the next NUL, TAB, CR or LF or the end (a blank does
// not end the token).
std::string TokenAt(std::string_view text, size_t from);
// Replaces every occurrence of `old_text` by `new_text` until none is left,
// also occurrences that the replacements form with their surroundings. When
// `new_text` itself contains `old_text`, one left-to-right pass is made; at
// most 8 replacements per character of `text` (plus 64) are made.
std::string ReplaceAllText(std::string_view text, std::string_view old_text, std::string_view new_text);

// ---- Dates ------------------------------------------------------------------

// A PDF date. The six fields come first; the time zone is known when
// HasTimeZone is set, as minutes east of UTC ("Z" is 0).
struct TvnPDDateRec {
  uint16_t Year = 0;
  uint16_t Month = 0;
  uint16_t Day = 0;
  uint16_t Hour = 0;
  uint16_t Minute = 0;
  uint16_t Second = 0;
  bool HasTimeZone = false;
  int16_t TimeZoneMinutes = 0;
};

// Reads "D:YYYYMMDDHHmmSSOHH'mm'" into the record; every part after the year
// is optional. A text without "D:" changes nothing. Fields the text does not
// give keep the caller's values; a month or day outside its range becomes 1,
// an hour above 23, a minute or second above 59 becomes 0. The zone is read
// from "Z", "+HH'mm'", "-HH'mm'" (apostrophes and minutes optional).
void ParsePDDate(std::string_view text, TvnPDDateRec& date);
// "D:" + the year without padding + month, day, hour, minute and second as
// two digits each; a known time zone follows as "Z" or "+HH'mm'"/"-HH'mm'".
std::string BuildPDDate(const TvnPDDateRec& date);
// A local date and time (days since 1899-12-30) as a PDF date with the
// local zone's offset at that time.
std::string BuildLocalPDDate(double local_date_time);

}  // namespace vn::pdf

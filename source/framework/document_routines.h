// Plain routines the document types, the Word model, the readers and the
// writers share: conversion between measurement units, the texts of list
// numbers, the page-range parser, and small text, hex, colour and date
// routines. None keeps state between calls. Only ParsePageRange raises
// (ExInvalidPageError "Invalid page range"); every other routine reports
// failure through its result. Positions in texts are 1-based and count
// UTF-16 code units.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "framework/page_model.h"
#include "framework/value_types.h"
#include "runtime/datetime.h"
#include "runtime/strings.h"

namespace vn::framework {

// ---------------------------------------------------------------------------
// Units. Per inch: 96 pixels, 72 points, 1 inch, 25.4 mm, 1440 twips,
// 914400 EMU.

// Through inches: Value / (FromUnit per inch) * (ToUnit per inch).
double ConvertMeasurement(TvnMeasurementUnit FromUnit, TvnMeasurementUnit ToUnit, double Value);
// A value in points converted to Unit.
double PointsToUnit(TvnMeasurementUnit Unit, double Value);
// Value * 96 / 72.
double PointsToPixels96(double Value);

// ---------------------------------------------------------------------------
// List-numbering texts

// Letter (N mod 26) of the alphabet counted from 0, repeated (N div 26) + 1
// times: 0 gives "a", 25 "z", 26 "aa", 27 "bb". Callers pass the list value
// minus one; a negative N gives the empty text.
String NumberToLetters(int32_t N, bool Upper);
// Roman numerals by greedy subtraction; 0 gives "N", a negative N the empty
// text.
String NumberToRoman(int32_t N, bool Upper);
// English words with Indian grouping (hundred, thousand, lakh), first letter
// upper case: 123 gives "One hundred twenty-three", 0 gives "Zero". Values
// outside 0 to 9 999 999 give a single blank.
String NumberToCardinalText(int32_t N);

// ---------------------------------------------------------------------------
// Page ranges

// 1-based page numbers in the order the text lists them, duplicates kept.
using TvnPageRange = std::vector<int32_t>;

// Items are separated by commas or blanks (an item in double quotes may hold
// both); an item is a page "n" or a range "a-b" whose open ends stand for 1
// and PageCount. An empty text means every page; a text of blanks selects
// none. Any item that is not a valid page or range within 1..PageCount raises
// ExInvalidPageError "Invalid page range".
TvnPageRange ParsePageRange(StringView PageRange, int32_t PageCount);

// ---------------------------------------------------------------------------
// Text routines

// Position of the first Ch, -1 when absent.
int32_t CharPos(StringView Text, char16_t Ch);
// Position of the first SubText, -1 when absent or longer than Text; an
// empty SubText gives 1.
int32_t TextPos(StringView Text, StringView SubText);
bool ContainsChar(StringView Text, char16_t Ch);
int32_t CountChar(StringView Text, char16_t Ch);
// Text with its first OldText replaced by NewText; Text unchanged when
// OldText does not occur (or is empty).
String ReplaceFirst(StringView Text, StringView OldText, StringView NewText);
String ReplaceChar(StringView Text, char16_t OldCh, char16_t NewCh);
// Count characters from position Start; the part of the range outside Text
// is left out.
String CopyChars(StringView Text, int32_t Start, int32_t Count);
String LeftChars(StringView Text, int32_t Count);
String RightChars(StringView Text, int32_t Count);
// The non-empty pieces between separators, in order.
std::vector<String> SplitText(StringView Text, char16_t Separator);
// The decimal integer (optional sign), 0 when Text is not one.
int32_t StrToIntOrZero(StringView Text);
String IntToTextOrEmpty(int32_t N);

// ---------------------------------------------------------------------------
// Hex routines

// The value of hex digits, most significant first, in 32-bit two's
// complement; characters that are not hex digits are skipped.
int32_t HexToInt(StringView Text);
// Every character is 0-9, A-F or a-f (true for the empty text).
bool IsHexDigits(StringView Text);
// Value := 0; -1 when Text is not all hex digits; otherwise Value := the
// number the digits make, modulo 256, and 0.
int32_t HexTextToByte(StringView Text, uint8_t& Value);
// Hex digits two at a time (other characters skipped), each pair giving the
// character of that code; a last odd digit is dropped.
String HexBytesToText(StringView Text);
// "FEFF" followed by UTF-16BE code units as four hex digits each ("." stands
// for itself, a further "FEFF" is skipped, an incomplete or non-hex group is
// dropped) gives the decoded text; any other text gives the decimal values of
// its hex pairs joined together ("FF" gives "255", "0A0B" gives "1011"; an
// odd-length text gets a leading "0", a non-hex pair gives "0").
String HexTextToString(StringView Text);

// ---------------------------------------------------------------------------
// Colours and dates

TvnRGBColor MakeRGBColor(uint8_t Red, uint8_t Green, uint8_t Blue);
bool SameRGBColor(const TvnRGBColor& A, const TvnRGBColor& B);
// "YYYY-MM-DDTHH:MM:SSZ" from the value's own fields: the value is taken to
// be in UTC already (a caller holding local time converts it first).
String DateTimeToISOText(vn::TDateTime Value);

// Logging hook of the framework: nothing is logged.
void LogMessage(const TObject* Logger, StringView Message);

// The process-wide lock held by routines that must not run concurrently with
// a change of number formatting. Number texts are formatted locale-free, so
// nothing in the library changes process state under it.
std::mutex& DecimalSeparatorLock();

}  // namespace vn::framework

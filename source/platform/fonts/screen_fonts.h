// The screen-font routines that the writers share: the process-wide list of
// installed screen fonts in name=value form, the extent of a text in a font
// on the 96-dpi reference screen, and widening a text to a width with blanks.
#pragma once

#include "platform/fonts/gdi_font.h"
#include "runtime/string_list.h"

namespace vn::platform {

// The installed screen fonts as entries "NameWithoutBlanks=Face Name" (so
// "Times New Roman" is found under "TimesNewRoman"), filled on the first call
// and the same object on every later call; the caller borrows it. The list
// holds every installed family and, as the window system would present
// them, the names of the fixed alias table (Arial, Times New Roman, Courier
// New, Arial Unicode MS ...), which always draw with their stand-in
// families. Two faces that differ only in blanks leave one entry, the later.
const TStringList& GetInstalledFontList();

// The extent of a text in screen pixels (GdiFont::TextExtent).
TextSize GetTextExtentOf(StringView text, const GdiFont& font);

// Widens a text to `target_width` screen pixels by inserting blanks between
// its words (or between its characters when it has fewer than two words);
// the remainder of the blanks lands in the later gaps. An empty text, or a
// target not wider than the text, gives the text's words unchanged.
String JustifyTextToWidth(StringView text, const GdiFont& font, double target_width);

}  // namespace vn::platform

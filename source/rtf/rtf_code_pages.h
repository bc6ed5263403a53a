// The code pages RTF text is written in: the document's code page
// ("\ansicpg") and the fonts' character sets ("\fcharset") name them; the
// runtime's CodePageDecoder decodes them.
#pragma once

#include <cstdint>

namespace vn::rtf {

// The code page a font character set stands for; 0 for the default
// character set (1) and for sets without a code page of their own.
int32_t CodePageOfCharset(int32_t ACharset);

}  // namespace vn::rtf

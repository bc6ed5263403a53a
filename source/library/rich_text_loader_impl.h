// The rich text of the export engine read by the RTF reader and laid out by
// the Word layout (see export/rich_text.h).
#pragma once

namespace vn {

// Installs the RTF rich-text loader (SetRichTextLoader).
void InstallRichTextLoader();

}  // namespace vn

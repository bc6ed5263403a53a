// Helpers the form-field files share: texts of names and strings, and the
// widget appearances written after a change of value.
#pragma once

#include <string>
#include <vector>

#include "pdf/objects.h"
#include "runtime/strings.h"

namespace vn::pdfdoc {

class TvnPDFDocumentHandler;

// The text of a name (its bytes as UTF-8 when they are valid UTF-8, else
// Windows-1252) or of a PDF text string; empty for anything else.
String FormTextOf(const vn::pdf::TvnPDBaseObject* AObj);
// The words of a default appearance (DA), split at white space.
std::vector<std::string> DAWords(const std::string& ADA);
// A name whose bytes are the text in UTF-8.
std::unique_ptr<vn::pdf::TvnPDName> FormName(StringView AText);
// The keys of the widget's normal appearance dictionary (AP N), in order.
std::vector<String> AppearanceStates(const vn::pdf::TvnPDDictionary* AWidget);

// What a variable-text appearance shows.
struct FormTextAppearance {
  // The lines drawn from the top (one for a single-line field).
  std::vector<String> Lines;
  // A line shown highlighted (list boxes); -1 for none.
  int Highlight = -1;
  // Q: 0 left, 1 centred, 2 right.
  int Quadding = 0;
  bool MultiLine = false;
  // Comb fields: the number of cells (0 otherwise).
  int CombCells = 0;
};

// Writes a new normal appearance (AP N) into the widget that draws the
// lines in the font and colour of the default appearance ADA, looking the
// font up in the default resources AFontDict (borrowed; the widget's own DR
// comes first). The stream becomes an indirect object of the document.
void WriteTextAppearance(TvnPDFDocumentHandler* AHandler, vn::pdf::TvnPDDictionary* AWidget, const std::string& ADA,
                         vn::pdf::TvnPDDictionary* AFontDict, const FormTextAppearance& AText);

}  // namespace vn::pdfdoc

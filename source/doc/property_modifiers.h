// Property modifiers (sprms): every piece of formatting of a Word 97-2003
// document is a list of sprms with their operands. GetPRLs parses such a
// list into TvnPRL records; TvnDOCHelperFunctions applies paragraph and
// character sprms to the Word model's properties, maps Word colour indices
// to colours and answers font names from the document's font table.
//
// A PRL records where its operand lies in the stream it was parsed from;
// the interpreters are handed a reader over that same stream and seek
// there. A list never reaches past its own length: a sprm whose operand
// would end past the list (or past the stream) ends the list, and is not
// part of it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "doc/binary_reader.h"
#include "runtime/strings.h"
#include "wordmodel/doc_reader_properties.h"
#include "wordmodel/paragraph_properties.h"
#include "wordmodel/run_properties.h"

namespace vn::doc {

// The property group of a sprm (its sgc).
enum class TvnSprmGroup : uint8_t { sgParagraph = 1, sgCharacter = 2, sgPicture = 3, sgSection = 4, sgTable = 5 };

// One parsed sprm.
struct TvnPRL {
  int32_t Fispmd = 0;      // bits 0-8
  bool Ffspec = false;     // bit 9
  int32_t Fsgc = 0;        // bits 10-12
  int32_t Fspra = 0;       // bits 13-15: the operand size class
  int64_t FoperandSize = 0;
  // The operand's first byte (after any length field) in the stream the
  // list was parsed from.
  int64_t FOffset = 0;

  // The whole 16-bit sprm.
  uint16_t Sprm() const {
    return static_cast<uint16_t>(Fispmd | (Ffspec ? 0x200 : 0) | (Fsgc << 10) | (Fspra << 13));
  }
};

using TvnPRLList = std::vector<TvnPRL>;

// The operand size of a sprm of size class `spra` that has a fixed one (all
// but 6, whose operand says its own length).
std::optional<int64_t> FixedOperandSize(int32_t spra);

// Parses the sprms from the reader's position until `ALength` bytes are
// consumed; the reader ends after the last operand taken. A sprm of size
// class 6 is preceded by a 1-byte length, but the table definition (0xD608)
// by a 2-byte length cb and an operand of cb - 1 bytes.
TvnPRLList GetPRLs(TvnBinaryReader& ABinaryReader, int64_t ALength);

// The RGB colour of a Word colour index (0 auto and 1 black, ... 15 dark
// grey; 16 and any other value light grey).
vn::wordmodel::TvnRGBColor IcoToColor(int64_t AIndex);

// Twips to pixels at 96 per inch, rounded down.
int32_t TwipsToPixels(int64_t ATwips);

class TvnDOCHelperFunctions : public vn::framework::TObject {
 public:
  // The table stream (font table) and the Data stream (huge paragraph
  // property lists) are borrowed: they live as long as the package.
  TvnDOCHelperFunctions(std::span<const uint8_t> ATableStream, std::span<const uint8_t> ADataStream,
                        uint32_t AfcSttbfFfn, uint32_t AlcbSttbfFfn);

  // Seeks the reader to the operand and applies one sprm; a sprm no
  // interpreter handles changes nothing. Table sprms (sgc 5) are applied
  // by ApplyTableSprm and change nothing here.
  void ApplyParagraphSprm(vn::wordmodel::TvnParagraphProperties& AParagraph, TvnBinaryReader& ABinaryReader,
                          const TvnPRL& APRL);
  void ApplyCharacterSprm(vn::wordmodel::TvnRunProperties& ARun, TvnBinaryReader& ABinaryReader, const TvnPRL& APRL);
  // Applies one table sprm to the table and, for row and cell sprms, to its
  // last row and that row's cells. A sprm that fails (an operand shorter
  // than it says, a cell the row does not have, a table without rows) stops
  // there, keeping what it set; nothing is raised.
  void ApplyTableSprm(vn::wordmodel::TvnTable& ATable, TvnBinaryReader& ABinaryReader, const TvnPRL& APRL);

  // Applies each PRL of the list in order (nothing for a null list). Table
  // sprms of a paragraph's list act on the table its DOC-specific data
  // points at.
  void ParseParagraphProperties(vn::wordmodel::TvnParagraphProperties& AParagraph, const TvnPRLList* AList,
                                TvnBinaryReader& ABinaryReader);
  void ParseTextRunProperties(vn::wordmodel::TvnRunProperties& ARun, const TvnPRLList* AList,
                              TvnBinaryReader& ABinaryReader);

  // The font name at AIndex of the font table, or the default font name for
  // an index outside it or an entry without a name.
  String GetFontName(int64_t AIndex);
  const String& GetDefaultFontName() const { return FDefaultFontName; }
  // Set from the stylesheet once it is read.
  void SetDefaultFontName(const String& Value) { FDefaultFontName = Value; }

 private:
  void ReadFontTable();

  std::span<const uint8_t> FTableStream;
  std::span<const uint8_t> FDataStream;
  uint32_t FfcSttbfFfn = 0;
  uint32_t FlcbSttbfFfn = 0;
  std::optional<std::vector<String>> FFontTable;
  String FDefaultFontName;
  int FHugePapxDepth = 0;
};

// The DOC-specific extra data of a paragraph's or run's properties, made
// and attached when the properties have none; EInvalidCast when they carry
// extra data of another kind.
vn::wordmodel::TvnDocSpecificProperties& DocSpecificOf(vn::wordmodel::TvnParagraphProperties& AParagraph);
vn::wordmodel::TvnDocSpecificProperties& DocSpecificOf(vn::wordmodel::TvnRunProperties& ARun);

}  // namespace vn::doc

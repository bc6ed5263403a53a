// The instruction text of a field, parsed: its instruction word, what kind
// of value it shows, the merge-field name, the date-time picture and the
// switches that follow it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "wordmodel/run_properties.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

// What a field shows.
enum class TvnFieldType : uint8_t {
  ftNotDefined,
  ftDateTime,
  ftMerge,
  ftDocInfo,
  ftAuthor,
  ftSubject,
  ftKeyWords,
  ftTitle
};
enum class TvnFieldFormattingType : uint8_t { fftCharFormat, fftMergeFormat };
// Fields whose text depends on the page they are laid out on.
enum class TvnFieldInstruction : uint8_t { fiNone, fiPage, fiNumPages };

class TvnFieldCode : public TObject {
 public:
  TvnFieldCode();
  ~TvnFieldCode() override;

  // Copies the source's run properties (when it has them), then sets the
  // destination's code to the source's GetCode.
  void Assign(const TvnFieldCode* ASource, TvnFieldCode* ADest) const;
  std::unique_ptr<TvnFieldCode> Clone() const;

  // The stored code with each field-specific switch's text (a quoted
  // argument, or up to the next blank) replaced by a blank and the
  // switch's stored argument in double quotes.
  String GetCode() const;
  // Parses the code unless it equals the stored one, then stores it:
  // - tokens are the non-empty pieces between blanks; the first is the
  //   instruction, which gives the field type and the page kind;
  // - MERGEFIELD marks the code merge-related and takes the next token as
  //   the merge-field name;
  // - a closing MERGEFORMAT or CHARFORMAT (with the "\*" before it) sets
  //   the formatting type and is no switch;
  // - "\@" reads the date-time picture (quoted, possibly over several
  //   tokens) and puts the other tokens up to the next "\*" or "\#" into the
  //   date-time switches; "\*" and "\#" collect the tokens up to the next
  //   other one of the three into the general and numbering switches;
  // - "\b" and "\f" with their argument (quoted or one token) go into the
  //   field-specific switches, the first occurrence of each winning.
  // The field-specific switches of an earlier code are kept.
  void SetCode(const String& Value);

  const String& GetInstruction() const { return FInstruction; }
  void SetInstruction(const String& Value) { FInstruction = Value; }
  TvnFieldType GetFieldType() const { return FFieldType; }
  void SetFieldType(TvnFieldType Value) { FFieldType = Value; }
  TvnFieldInstruction GetFieldInstruction() const { return FFieldInstruction; }
  bool GetIsMergeRelatedField() const { return FIsMergeRelatedField; }
  void SetIsMergeRelatedField(bool Value) { FIsMergeRelatedField = Value; }
  TvnFieldFormattingType GetFieldFormattingType() const { return FFieldFormattingType; }
  // The name of the merge field of a MERGEFIELD code.
  const String& GetMergeFieldName() const { return MergeFieldName; }
  // The picture of the date-time switch, without its quotes.
  const String& GetDateTimeFormat() const { return FDateTimeFormat; }
  const std::vector<String>& GetDateTimeFormatSwitches() const { return FDateTimeFormatSwitches; }
  const std::vector<String>& GetNumberingFormatSwitches() const { return FNumberingFormatSwitches; }
  const std::vector<String>& GetGeneralFormatSwitches() const { return FGeneralFormatSwitches; }
  // Switch text ("\b", "\f") to its argument without quotes.
  const std::map<String, String>& GetFieldSpecificSwitches() const { return FFieldSpecificSwitches; }
  std::map<String, String>& GetFieldSpecificSwitches() { return FFieldSpecificSwitches; }
  // Formatting a reader gives for CHARFORMAT; null for none.
  const std::shared_ptr<TvnRunProperties>& GetCharFormatRunProperties() const { return FCharFormatRunProperties; }
  void SetCharFormatRunProperties(std::shared_ptr<TvnRunProperties> Value) {
    FCharFormatRunProperties = std::move(Value);
  }

 private:
  void ResetParse();

  String FCode;
  String FInstruction;
  String FMergeFieldName;
  String FDateTimeFormat;
  TvnFieldType FFieldType = TvnFieldType::ftNotDefined;
  bool FIsMergeRelatedField = false;
  TvnFieldFormattingType FFieldFormattingType = TvnFieldFormattingType::fftMergeFormat;
  std::vector<String> FDateTimeFormatSwitches;
  std::vector<String> FNumberingFormatSwitches;
  std::map<String, String> FFieldSpecificSwitches;
  std::shared_ptr<TvnRunProperties> FCharFormatRunProperties;
  TvnFieldInstruction FFieldInstruction = TvnFieldInstruction::fiNone;
  String MergeFieldName;
  std::vector<String> FGeneralFormatSwitches;
};

}  // namespace vn::wordmodel

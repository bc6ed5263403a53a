#include "wordmodel/field_code.h"

namespace vn::wordmodel {

namespace {

// A blank-separated piece of a field code and where it starts.
struct FieldCodeToken {
  String text;
  size_t start = 0;
  size_t end() const { return start + text.size(); }
};

std::vector<FieldCodeToken> SplitFieldCode(const String& ACode) {
  std::vector<FieldCodeToken> tokens;
  size_t i = 0;
  while (i < ACode.size()) {
    if (ACode[i] == u' ') {
      ++i;
      continue;
    }
    const size_t start = i;
    while (i < ACode.size() && ACode[i] != u' ') ++i;
    tokens.push_back({ACode.substr(start, i - start), start});
  }
  return tokens;
}

// The argument written after a switch that ends at AFrom: a text in double
// quotes (which may hold blanks), or the next blank-free word; none when the
// next word is another switch. AEnd is where the argument's text ends in
// ACode (past a closing quote).
struct FieldSwitchArgument {
  String text;
  size_t end = 0;
};

FieldSwitchArgument ReadFieldSwitchArgument(const String& ACode, size_t AFrom) {
  size_t i = AFrom;
  while (i < ACode.size() && ACode[i] == u' ') ++i;
  if (i >= ACode.size() || ACode[i] == u'\\') return {String(), AFrom};
  if (ACode[i] == u'"') {
    const size_t close = ACode.find(u'"', i + 1);
    if (close == String::npos) return {ACode.substr(i + 1), ACode.size()};
    return {ACode.substr(i + 1, close - i - 1), close + 1};
  }
  size_t end = i;
  while (end < ACode.size() && ACode[end] != u' ') ++end;
  return {ACode.substr(i, end - i), end};
}

bool IsFieldSpecificSwitch(const String& AToken) { return SameText(AToken, u"\\b") || SameText(AToken, u"\\f"); }
bool IsDateTimeSwitch(const String& AToken) { return AToken == u"\\@"; }
bool IsGeneralSwitch(const String& AToken) { return AToken == u"\\*"; }
bool IsNumberingSwitch(const String& AToken) { return AToken == u"\\#"; }
bool IsFormatSwitch(const String& AToken) {
  return IsDateTimeSwitch(AToken) || IsGeneralSwitch(AToken) || IsNumberingSwitch(AToken);
}

TvnFieldType FieldTypeOfInstruction(const String& AInstruction) {
  static const struct {
    const char16_t* instruction;
    TvnFieldType type;
  } kTypes[] = {
      {u"CREATEDATE", TvnFieldType::ftDateTime}, {u"DATE", TvnFieldType::ftDateTime},
      {u"EDITTIME", TvnFieldType::ftDateTime},   {u"PRINTDATE", TvnFieldType::ftDateTime},
      {u"SAVEDATE", TvnFieldType::ftDateTime},   {u"TIME", TvnFieldType::ftDateTime},
      {u"DOCPROPERTY", TvnFieldType::ftDocInfo}, {u"AUTHOR", TvnFieldType::ftAuthor},
      {u"SUBJECT", TvnFieldType::ftSubject},     {u"KEYWORDS", TvnFieldType::ftKeyWords},
      {u"TITLE", TvnFieldType::ftTitle},
  };
  for (const auto& entry : kTypes) {
    if (SameText(AInstruction, entry.instruction)) return entry.type;
  }
  return TvnFieldType::ftNotDefined;
}

}  // namespace

TvnFieldCode::TvnFieldCode() = default;
TvnFieldCode::~TvnFieldCode() = default;

void TvnFieldCode::Assign(const TvnFieldCode* ASource, TvnFieldCode* ADest) const {
  if (ASource == nullptr || ADest == nullptr || ASource == ADest) return;
  if (ASource->FCharFormatRunProperties) ADest->FCharFormatRunProperties = ASource->FCharFormatRunProperties->Clone();
  ADest->SetCode(ASource->GetCode());
}

std::unique_ptr<TvnFieldCode> TvnFieldCode::Clone() const {
  auto copy = std::make_unique<TvnFieldCode>();
  Assign(this, copy.get());
  return copy;
}

String TvnFieldCode::GetCode() const {
  String code = FCode;
  for (const auto& [name, argument] : FFieldSpecificSwitches) {
    for (const auto& token : SplitFieldCode(code)) {
      if (!SameText(token.text, name)) continue;
      const FieldSwitchArgument written = ReadFieldSwitchArgument(code, token.end());
      code.replace(token.end(), written.end - token.end(), u" \"" + argument + u"\"");
      break;
    }
  }
  return code;
}

void TvnFieldCode::ResetParse() {
  FInstruction.clear();
  FFieldType = TvnFieldType::ftNotDefined;
  FIsMergeRelatedField = false;
  FMergeFieldName.clear();
  MergeFieldName.clear();
  FDateTimeFormat.clear();
  FDateTimeFormatSwitches.clear();
  FNumberingFormatSwitches.clear();
  FGeneralFormatSwitches.clear();
  FFieldFormattingType = TvnFieldFormattingType::fftMergeFormat;
  FFieldInstruction = TvnFieldInstruction::fiNone;
}

void TvnFieldCode::SetCode(const String& Value) {
  if (Value == FCode) return;
  ResetParse();
  FCode = Value;
  const std::vector<FieldCodeToken> tokens = SplitFieldCode(FCode);
  if (tokens.empty()) return;

  FInstruction = tokens[0].text;
  FFieldType = FieldTypeOfInstruction(FInstruction);
  if (SameText(FInstruction, u"PAGE")) {
    FFieldInstruction = TvnFieldInstruction::fiPage;
  } else if (SameText(FInstruction, u"NUMPAGES")) {
    FFieldInstruction = TvnFieldInstruction::fiNumPages;
  }

  size_t first = 1;
  if (SameText(FInstruction, u"MERGEFIELD")) {
    FIsMergeRelatedField = true;
    if (tokens.size() > 1) MergeFieldName = tokens[1].text;
    first = 2;
  }

  // A closing MERGEFORMAT or CHARFORMAT (and the "\*" before it) says how
  // the result keeps its formatting and is no switch of its own.
  size_t end = tokens.size();
  const String& last = tokens.back().text;
  const bool mergeFormat = SameText(last, u"MERGEFORMAT");
  if (mergeFormat || SameText(last, u"CHARFORMAT")) {
    FFieldFormattingType =
        mergeFormat ? TvnFieldFormattingType::fftMergeFormat : TvnFieldFormattingType::fftCharFormat;
    --end;
    if (end > first && IsGeneralSwitch(tokens[end - 1].text)) --end;
  }

  // Switch arguments are read from the code itself, so that quoted texts
  // keep their blanks.
  std::map<String, String> seen;
  size_t i = first;
  while (i < end) {
    const String& token = tokens[i].text;
    if (IsFieldSpecificSwitch(token) && i + 1 < end) {
      const FieldSwitchArgument argument = ReadFieldSwitchArgument(FCode, tokens[i].end());
      if (seen.emplace(LowerCase(token), argument.text).second) FFieldSpecificSwitches[LowerCase(token)] = argument.text;
      ++i;
      while (i < end && tokens[i].start < argument.end) ++i;
      continue;
    }
    if (!IsFormatSwitch(token)) {
      ++i;
      continue;
    }
    size_t next = i + 1;
    while (next < end && !IsFormatSwitch(tokens[next].text)) {
      const FieldCodeToken& argument = tokens[next];
      if (IsDateTimeSwitch(token) && argument.text.find(u'"') != String::npos) {
        // A quoted picture, which may run over several tokens.
        const size_t open = argument.start + argument.text.find(u'"');
        size_t close = FCode.find(u'"', open + 1);
        const size_t limit = tokens[end - 1].end();
        if (close == String::npos || close > limit) close = limit;
        FDateTimeFormat += FCode.substr(open + 1, close - open - 1);
        ++next;
        while (next < end && tokens[next].start < close) ++next;
        continue;
      }
      if (IsDateTimeSwitch(token)) {
        FDateTimeFormatSwitches.push_back(argument.text);
      } else if (IsGeneralSwitch(token)) {
        FGeneralFormatSwitches.push_back(argument.text);
      } else {
        FNumberingFormatSwitches.push_back(argument.text);
      }
      ++next;
    }
    i = next;
  }
}

}  // namespace vn::wordmodel

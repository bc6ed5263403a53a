#include "wordmodel/field_code.h"

#include <utility>

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

// What the switches of a code say.
struct FieldCodeSwitches {
  String dateTimeFormat;
  std::vector<String> dateTime, general, numbering;
  // In the order of the code, the first of each name only.
  std::vector<std::pair<String, String>> specific;
};

// The tokens from AFirst on that follow a format switch ("\@", "\*" or
// "\#") up to the next one, before AEnd: into the date-time picture and
// switches, the general switches or the numbering switches. Returns the
// index of the next format switch (or AEnd).
size_t ReadFormatSwitch(const String& ACode, const std::vector<FieldCodeToken>& ATokens, size_t ASwitch,
                        size_t AEnd, FieldCodeSwitches& ASwitches) {
  const String& name = ATokens[ASwitch].text;
  size_t next = ASwitch + 1;
  while (next < AEnd && !IsFormatSwitch(ATokens[next].text)) {
    const FieldCodeToken& argument = ATokens[next];
    if (IsDateTimeSwitch(name) && argument.text.find(u'"') != String::npos) {
      // A quoted picture, which may run over several tokens; read from the
      // code itself so that its blanks are kept.
      const size_t open = argument.start + argument.text.find(u'"');
      const size_t limit = ATokens[AEnd - 1].end();
      size_t close = ACode.find(u'"', open + 1);
      if (close == String::npos || close > limit) close = limit;
      ASwitches.dateTimeFormat += ACode.substr(open + 1, close - open - 1);
      ++next;
      while (next < AEnd && ATokens[next].start < close) ++next;
      continue;
    }
    if (IsDateTimeSwitch(name)) {
      ASwitches.dateTime.push_back(argument.text);
    } else if (IsGeneralSwitch(name)) {
      ASwitches.general.push_back(argument.text);
    } else {
      ASwitches.numbering.push_back(argument.text);
    }
    ++next;
  }
  return next;
}

// The switches of the tokens from AFirst on, before AEnd.
FieldCodeSwitches ScanFieldCodeSwitches(const String& ACode, const std::vector<FieldCodeToken>& ATokens,
                                        size_t AFirst, size_t AEnd) {
  FieldCodeSwitches switches;
  size_t i = AFirst;
  while (i < AEnd) {
    const String& token = ATokens[i].text;
    if (IsFieldSpecificSwitch(token) && i + 1 < AEnd) {
      const FieldSwitchArgument argument = ReadFieldSwitchArgument(ACode, ATokens[i].end());
      const String name = LowerCase(token);
      bool seen = false;
      for (const auto& earlier : switches.specific) seen = seen || earlier.first == name;
      if (!seen) switches.specific.emplace_back(name, argument.text);
      ++i;
      while (i < AEnd && ATokens[i].start < argument.end) ++i;
    } else if (IsFormatSwitch(token)) {
      i = ReadFormatSwitch(ACode, ATokens, i, AEnd, switches);
    } else {
      ++i;
    }
  }
  return switches;
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

  FieldCodeSwitches switches = ScanFieldCodeSwitches(FCode, tokens, first, end);
  FDateTimeFormat = std::move(switches.dateTimeFormat);
  FDateTimeFormatSwitches = std::move(switches.dateTime);
  FGeneralFormatSwitches = std::move(switches.general);
  FNumberingFormatSwitches = std::move(switches.numbering);
  for (auto& [name, argument] : switches.specific) FFieldSpecificSwitches[name] = std::move(argument);
}

}  // namespace vn::wordmodel

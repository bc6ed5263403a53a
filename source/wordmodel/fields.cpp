#include "wordmodel/fields.h"

#include <optional>

#include "runtime/datetime.h"

namespace vn::wordmodel {

namespace {

// The first text item of a run, when the run begins with one.
TvnTextitem* FieldRunLeadingText(const TvnRun& ARun) {
  return ARun.GetCount() > 0 ? dynamic_cast<TvnTextitem*>(ARun.GetItem(0)) : nullptr;
}

String FieldTextUppercaseFirst(const String& AText) {
  String text = AText;
  if (!text.empty()) text[0] = WideUpCase(text[0]);
  return text;
}

String FieldTextUppercaseWords(const String& AText) {
  String text = AText;
  bool wordStart = true;
  for (char16_t& ch : text) {
    const bool blank = ch == u' ' || ch == u'\t';
    if (wordStart && !blank) ch = WideUpCase(ch);
    wordStart = blank;
  }
  return text;
}

// A stored date YYYY-MM-DDTHH:MM:SS (anything after the seconds, such as a
// zone letter, is ignored); nothing when it does not read as a date.
std::optional<TDateTime> ReadStoredFieldDate(const String& AText) {
  if (AText.size() < 19) return std::nullopt;
  auto number = [&AText](size_t AStart, size_t ALength) -> std::optional<int> {
    auto value = TryStrToInt(AText.substr(AStart, ALength));
    if (!value || *value < 0) return std::nullopt;
    return static_cast<int>(*value);
  };
  const auto year = number(0, 4), month = number(5, 2), day = number(8, 2);
  const auto hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
  if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
  const auto date = TryEncodeDate(*year, *month, *day);
  const auto time = TryEncodeTime(*hour, *minute, *second, 0);
  if (!date || !time) return std::nullopt;
  return *date + *time;
}

// The picture a date field is shown in: the quoted picture of its code, or
// else its unquoted picture words; the class library's general form "c"
// when it has neither.
String FieldDatePicture(const TvnFieldCode& ACode) {
  if (!ACode.GetDateTimeFormat().empty()) return ACode.GetDateTimeFormat();
  String picture;
  for (const auto& word : ACode.GetDateTimeFormatSwitches()) {
    if (!picture.empty()) picture += u' ';
    picture += word;
  }
  return picture.empty() ? String(u"c") : picture;
}

}  // namespace

// ---------------------------------------------------------------------------
// TvnField

TvnField::TvnField(TvnBaseDocumentHandler* ADocument)
    : FFieldCode(std::make_unique<TvnFieldCode>()), FDocument(ADocument) {}

TvnField::~TvnField() = default;

std::unique_ptr<TvnField> TvnField::NewOfSameKind() const { return std::make_unique<TvnField>(); }

std::unique_ptr<TvnDocItem> TvnField::Clone() const {
  std::unique_ptr<TvnField> copy = NewOfSameKind();
  Assign(this, copy.get());
  return copy;
}

void TvnField::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  TvnDocItem::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnField*>(ASource);
  auto* dest = dynamic_cast<TvnField*>(ADest);
  if (source == nullptr || dest == nullptr || source == dest) return;
  dest->FFieldCode = source->FFieldCode ? source->FFieldCode->Clone() : std::make_unique<TvnFieldCode>();
  dest->FInnerField = CloneOrNull(source->FInnerField.get());
  dest->FIsApplySwitchPropertiesComplete = source->FIsApplySwitchPropertiesComplete;
  dest->FIsSimpleField = source->FIsSimpleField;
  dest->FIsExecuted = source->FIsExecuted;
  dest->FDocument = source->FDocument;
  if (source->FResult) {
    auto result = std::make_unique<TvnFieldResult>();
    for (const auto& run : *source->FResult) result->push_back(CloneOrNull(run.get()));
    dest->FResult = std::move(result);
  }
}

void TvnField::SetFieldCode(std::unique_ptr<TvnFieldCode> Value) {
  FFieldCode = Value ? std::move(Value) : std::make_unique<TvnFieldCode>();
}

std::unique_ptr<TvnDocItem> TvnField::Update(const String& ANewValue) {
  if (!FResult) FResult = std::make_unique<TvnFieldResult>();
  if (FResult->empty() || !FResult->front()) {
    FResult->clear();
    FResult->push_back(std::make_unique<TvnRun>());
  }
  TvnRun& run = *FResult->front();
  TvnTextitem* text = FieldRunLeadingText(run);
  TvnItemList items = run.Clear();
  if (text == nullptr) {
    // A result that did not begin with text gets one in the run's format.
    run.Add(std::make_unique<TvnTextitem>(ANewValue, run.GetFinalRunProperties()));
  } else {
    text->SetText(ANewValue);
    run.Add(std::move(items.front()));
  }
  FResult->resize(1);

  if (!FFieldCode->GetIsMergeRelatedField()) {
    ApplySwitchProperties();
    return nullptr;
  }
  FIsExecuted = true;
  TvnCompositeDocItem* parent = GetParent();
  const int32_t index = parent ? parent->GetIndexOf(this) : -1;
  if (index < 0) {
    ApplySwitchProperties();
    return nullptr;
  }
  int32_t at = index + 1;
  for (auto& resultRun : *FResult) {
    if (!resultRun) continue;
    TvnDocItem* inserted = parent->Insert(at++, std::move(resultRun));
    inserted->SetParent(parent);
  }
  FResult->clear();
  std::unique_ptr<TvnDocItem> detached = parent->Remove(this);
  SetParent(nullptr);
  return detached;
}

void TvnField::ApplySwitchProperties() {
  if (FResult) {
    for (const auto& name : FFieldCode->GetGeneralFormatSwitches()) {
      for (const auto& run : *FResult) {
        TvnTextitem* text = run ? FieldRunLeadingText(*run) : nullptr;
        if (text == nullptr) continue;
        if (SameText(name, u"FirstCap")) {
          text->SetText(FieldTextUppercaseFirst(text->GetText()));
        } else if (SameText(name, u"Caps")) {
          text->SetText(FieldTextUppercaseWords(text->GetText()));
        } else if (SameText(name, u"Upper")) {
          text->SetText(WideUpperCase(text->GetText()));
        } else if (SameText(name, u"Lower")) {
          text->SetText(WideLowerCase(text->GetText()));
        }
      }
    }
  }
  FIsApplySwitchPropertiesComplete = true;
}

void TvnField::UpdateFieldForViewer() {
  if (FDocument == nullptr) return;
  const String& instruction = FFieldCode->GetInstruction();
  const TvnFieldType type = FFieldCode->GetFieldType();
  if (type == TvnFieldType::ftDateTime && (SameText(instruction, u"DATE") || SameText(instruction, u"TIME"))) {
    Update(FormatDateTime(FieldDatePicture(*FFieldCode), Now()));
    return;
  }
  const vn::framework::TvnDocumentInfo* info = FDocument->GetDocumentInfo();
  if (info == nullptr) return;
  switch (type) {
    case TvnFieldType::ftDateTime: {
      std::optional<TDateTime> when;
      if (const auto* dates = dynamic_cast<const WordDocumentDates*>(info)) {
        if (SameText(instruction, u"CREATEDATE")) {
          when = ReadStoredFieldDate(dates->GetCreated());
        } else if (SameText(instruction, u"PRINTDATE")) {
          when = ReadStoredFieldDate(dates->GetLastPrinted());
        } else if (SameText(instruction, u"SAVEDATE")) {
          when = ReadStoredFieldDate(dates->GetModified());
        }
      }
      // A date the document does not hold leaves the stored result shown.
      if (when) Update(FormatDateTime(FieldDatePicture(*FFieldCode), *when));
      break;
    }
    case TvnFieldType::ftAuthor:
      Update(info->GetAuthor().empty() ? info->GetCreator() : info->GetAuthor());
      break;
    case TvnFieldType::ftSubject:
      Update(info->GetSubject());
      break;
    case TvnFieldType::ftKeyWords:
      Update(info->GetKeyWords());
      break;
    case TvnFieldType::ftTitle:
      Update(info->GetTitle());
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------------------
// Kinds

void TvnMergeField::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  TvnField::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnMergeField*>(ASource);
  auto* dest = dynamic_cast<TvnMergeField*>(ADest);
  if (source == nullptr || dest == nullptr || source == dest) return;
  dest->FTextAfter = source->FTextAfter;
  dest->FTextBefore = source->FTextBefore;
}

String TvnMergeField::GetIdentifier() const { return GetFieldCode()->GetMergeFieldName(); }

std::unique_ptr<TvnField> TvnMergeField::NewOfSameKind() const { return std::make_unique<TvnMergeField>(); }
std::unique_ptr<TvnField> TvnDateField::NewOfSameKind() const { return std::make_unique<TvnDateField>(); }
std::unique_ptr<TvnField> TvnMergeRecField::NewOfSameKind() const { return std::make_unique<TvnMergeRecField>(); }
std::unique_ptr<TvnField> TvnMergeSeqField::NewOfSameKind() const { return std::make_unique<TvnMergeSeqField>(); }
std::unique_ptr<TvnField> TvnPageField::NewOfSameKind() const { return std::make_unique<TvnPageField>(); }
std::unique_ptr<TvnField> TvnNumPages::NewOfSameKind() const { return std::make_unique<TvnNumPages>(); }
std::unique_ptr<TvnField> TvnNumPagesField::NewOfSameKind() const { return std::make_unique<TvnNumPagesField>(); }

// ---------------------------------------------------------------------------
// TvnWordHelperFunctions

std::unique_ptr<TvnField> TvnWordHelperFunctions::GetField(TvnBaseDocumentHandler* ADocument,
                                                           std::unique_ptr<TvnFieldCode> AFieldCode,
                                                           bool ASkipFormFields,
                                                           std::unique_ptr<TvnFieldResult> AResult) {
  const String instruction = AFieldCode ? AFieldCode->GetInstruction() : String();
  if (ASkipFormFields && (SameText(instruction, u"FORMCHECKBOX") || SameText(instruction, u"FORMDROPDOWN") ||
                          SameText(instruction, u"FORMTEXT"))) {
    return nullptr;
  }
  std::unique_ptr<TvnField> field;
  if (SameText(instruction, u"MERGEFIELD")) {
    field = std::make_unique<TvnMergeField>(ADocument);
  } else if (SameText(instruction, u"DATE")) {
    field = std::make_unique<TvnDateField>(ADocument);
  } else if (SameText(instruction, u"MERGEREC")) {
    field = std::make_unique<TvnMergeRecField>(ADocument);
  } else if (SameText(instruction, u"MERGESEQ")) {
    field = std::make_unique<TvnMergeSeqField>(ADocument);
  } else if (SameText(instruction, u"PAGE")) {
    field = std::make_unique<TvnPageField>(ADocument);
  } else if (SameText(instruction, u"NUMPAGES")) {
    field = std::make_unique<TvnNumPages>(ADocument);
  } else {
    field = std::make_unique<TvnField>(ADocument);
  }
  field->SetFieldCode(std::move(AFieldCode));
  field->SetResult(std::move(AResult));
  TvnFieldCode& code = *field->GetFieldCode();
  if (dynamic_cast<TvnMergeRecField*>(field.get()) != nullptr ||
      dynamic_cast<TvnMergeSeqField*>(field.get()) != nullptr) {
    code.SetIsMergeRelatedField(true);
  }
  if (auto* merge = dynamic_cast<TvnMergeField*>(field.get())) {
    const auto& switches = code.GetFieldSpecificSwitches();
    if (auto after = switches.find(u"\\f"); after != switches.end()) merge->SetTextAfter(after->second);
    if (auto before = switches.find(u"\\b"); before != switches.end()) merge->SetTextBefore(before->second);
  }
  return field;
}

}  // namespace vn::wordmodel

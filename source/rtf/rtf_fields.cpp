// The field handlers of the dispatcher.
//
// "{\field{\*\fldinst CODE}{\fldrslt RESULT}}" becomes one field of the
// paragraph, of the kind its code names (a page number, the page count, a
// plain field for a hyperlink or an instruction the model does not know),
// with the result's runs as its result, so that the layout shows the
// result of any field it does not compute itself.
//
// The instruction is read apart from the body (its paragraphs and tables
// are dropped) and is the text of its runs when it holds no paragraph end.
// The result is read into the paragraph like any text and then moved into
// the field. A result the field cannot hold stays in the body as ordinary
// content and no field is added: a picture field's result, and a result
// that ends paragraphs or holds more than runs (a nested field, a picture),
// which would otherwise be lost.
#include <utility>

#include "rtf/rtf_tag_handler.h"

namespace vn::rtf {

using vn::wordmodel::TvnField;
using vn::wordmodel::TvnFieldResult;
using vn::wordmodel::TvnRun;
using vn::wordmodel::TvnTextitem;

void TvnRTFTagHandler::BeginField() {
  FieldState field;
  field.Field = std::make_unique<TvnField>(FMediator != nullptr ? FMediator->GetDocument() : nullptr);
  FFields.push_back(std::move(field));
}

void TvnRTFTagHandler::BeginFieldInstruction() {
  // The instruction is never shown, whether it belongs to a field or not.
  BeginCollecting();
  if (FFields.empty() || FFields.back().HasInstruction) return;
  FFields.back().HasInstruction = true;
  FFields.back().InstructionClosedAtStart = FClosedParagraphs;
  State().OwnsFieldPart = true;
}

void TvnRTFTagHandler::FinishFieldInstruction(const GroupState& AState) {
  String instruction;
  const bool single_line = AState.OwnsFieldPart && FFields.back().InstructionClosedAtStart == FClosedParagraphs;
  if (single_line && FParagraph) {
    for (const auto& item : FParagraph->GetItems()) {
      const auto* run = dynamic_cast<const TvnRun*>(item.get());
      if (run == nullptr) continue;
      for (const auto& child : run->GetItems())
        if (const auto* text = dynamic_cast<const TvnTextitem*>(child.get())) instruction += text->GetText();
    }
  }
  EndCollecting();
  if (AState.OwnsFieldPart && FFields.back().Field) FFields.back().Field->GetFieldCode()->SetCode(instruction);
}

void TvnRTFTagHandler::BeginFieldResult() {
  if (FFields.empty() || FFields.back().HasResult) return;
  FieldState& field = FFields.back();
  field.HasResult = true;
  field.ResultParagraph = &CurrentParagraph();
  field.ResultStart = field.ResultParagraph->GetCount();
  field.ResultClosedAtStart = FClosedParagraphs;
  State().OwnsFieldPart = true;
}

void TvnRTFTagHandler::FinishFieldResult(const GroupState& AState) {
  if (!AState.OwnsFieldPart) return;
  FieldState& field = FFields.back();
  if (!field.Field) return;
  const bool same_paragraph = field.ResultClosedAtStart == FClosedParagraphs && FParagraph &&
                              FParagraph.get() == field.ResultParagraph &&
                              FParagraph->GetCount() >= field.ResultStart;
  bool runs_only = same_paragraph;
  if (same_paragraph) {
    for (int32_t i = field.ResultStart; i < FParagraph->GetCount(); ++i)
      if (dynamic_cast<const TvnRun*>(FParagraph->GetItem(i)) == nullptr) runs_only = false;
  }
  // A picture field shows its result as content of its own.
  const bool picture_field = field.Field->GetFieldCode()->GetCode().find(u"SHAPE") != String::npos;
  if (!runs_only || picture_field) {
    field.Field.reset();
    return;
  }
  auto result = std::make_unique<TvnFieldResult>();
  while (FParagraph->GetCount() > field.ResultStart) {
    std::unique_ptr<TvnDocItem> item = FParagraph->RemoveAt(field.ResultStart);
    result->push_back(std::unique_ptr<TvnRun>(static_cast<TvnRun*>(item.release())));
  }
  field.Field->SetResult(std::move(result));
}

void TvnRTFTagHandler::FinishField() {
  if (FFields.empty()) return;
  std::unique_ptr<TvnField> read = std::move(FFields.back().Field);
  FFields.pop_back();
  if (!read) return;
  std::unique_ptr<vn::wordmodel::TvnFieldCode> code(read->GetFieldCode()->Clone());
  auto result = std::make_unique<TvnFieldResult>();
  if (read->GetResult() != nullptr)
    for (auto& run : *read->GetResult()) result->push_back(std::move(run));
  std::unique_ptr<TvnField> field = vn::wordmodel::TvnWordHelperFunctions::GetField(
      FMediator != nullptr ? FMediator->GetDocument() : nullptr, std::move(code), false, std::move(result));
  if (!field) return;
  TvnParagraph& paragraph = CurrentParagraph();
  field->SetParent(&paragraph);
  paragraph.Add(std::move(field));
}

}  // namespace vn::rtf

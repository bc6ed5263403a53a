#include "viewer/field_data_link.h"

namespace vn::viewer {

bool TVariantLess::operator()(const QVariant& A, const QVariant& B) const {
  const int typeA = A.metaType().id();
  const int typeB = B.metaType().id();
  if (typeA != typeB) return typeA < typeB;
  return QVariant::compare(A, B) == QPartialOrdering::Less;
}

TvnFieldDataLink::TvnFieldDataLink(TDataSource* ADataSource) : FDataSource(ADataSource) {}

void TvnFieldDataLink::SetDataSource(TDataSource* Value) {
  FDataSource = Value;
  ActiveChanged();
}

bool TvnFieldDataLink::GetActive() const {
  return FDataSource != nullptr && FDataSource->GetDataSet() != nullptr && FDataSource->GetDataSet()->GetActive();
}

bool TvnFieldDataLink::CanModify() const {
  return !FReadOnly && FField != nullptr && FField->GetCanModify();
}

void TvnFieldDataLink::SetDataFieldName(const String& Value) {
  if (FFieldName == Value) return;
  FFieldName = Value;
  UpdateField();
}

// Binds the field of the current name (or the one the control names).
void TvnFieldDataLink::UpdateField() {
  if (!GetActive() || FFieldName.empty()) return;
  TDataSet* dataSet = FDataSource->GetDataSet();
  TField* field = nullptr;
  if (auto* fieldControl = dynamic_cast<IvnFieldControl*>(FControl); fieldControl != nullptr)
    field = fieldControl->GetLinkedField();
  else
    field = dataSet->FindField(FFieldName);
  if (field == FField) return;
  FField = field;
  if (!dataSet->GetControlsDisabled()) {
    EditingChanged();
    RecordChanged(nullptr);
  }
}

bool TvnFieldDataLink::Edit() {
  if (CanModify() && GetActive()) FDataSource->GetDataSet()->Edit();
  return FEditing;
}

void TvnFieldDataLink::ActiveChanged() {
  if (!GetActive()) FField = nullptr;
  UpdateField();
  Raise(OnActiveChange, this);
}

void TvnFieldDataLink::SetEditing(bool Value) {
  if (FEditing == Value) return;
  FEditing = Value;
  FModified = false;
  Raise(OnEditingChange, this);
}

void TvnFieldDataLink::EditingChanged() {
  SetEditing(GetActive() && FDataSource->GetDataSet()->IsEditing() && CanModify());
}

void TvnFieldDataLink::RecordChanged(TField* AField) {
  if (AField == nullptr || AField == FField) {
    Raise(OnDataChange, this);
    FModified = false;
  }
}

void TvnFieldDataLink::LayoutChanged() { UpdateField(); }

void TvnFieldDataLink::UpdateData() {
  if (FModified && FField != nullptr) Raise(OnUpdateData, this);
  FModified = false;
}

void TvnFieldDataLink::FocusControl(TField*& AField) {
  if (AField == nullptr || AField != FField || FControl == nullptr) return;
  if (FControl->focusPolicy() != Qt::NoFocus && FControl->isEnabled()) {
    AField = nullptr;
    FControl->setFocus();
  }
}

}  // namespace vn::viewer

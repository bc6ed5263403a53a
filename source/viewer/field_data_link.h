// The link between a viewer control and one field of a data set. The data
// set, its fields and the data source are the small abstract stand-ins below:
// the owner of the data set implements them and calls the link's
// notification operations (ActiveChanged, EditingChanged, RecordChanged,
// LayoutChanged, UpdateData) when its state changes.
#pragma once

#include <QVariant>
#include <QWidget>
#include <functional>
#include <map>

#include "framework/page_model.h"

namespace vn::viewer {

using vn::String;
using vn::framework::TObject;

class TField {
 public:
  virtual ~TField() = default;
  virtual String GetFieldName() const = 0;
  virtual bool GetCanModify() const = 0;
  // The field's value of the current record, and that value as text.
  virtual QVariant GetValue() const = 0;
  virtual void SetValue(const QVariant& Value) = 0;
  virtual String GetText() const { return GetValue().toString().toStdU16String(); }
  virtual void SetText(const String& Value) { SetValue(QString::fromStdU16String(Value)); }
};

class TDataSet {
 public:
  virtual ~TDataSet() = default;
  virtual bool GetActive() const = 0;
  virtual TField* FindField(const String& FieldName) = 0;
  virtual bool IsEditing() const = 0;
  // Controls are disabled while the data set runs through records.
  virtual bool GetControlsDisabled() const { return false; }
  virtual void Edit() = 0;
};

// A data-aware control that names its field itself answers the field for
// the link (the link asks it before looking the name up).
class IvnFieldControl {
 public:
  virtual ~IvnFieldControl() = default;
  virtual TField* GetLinkedField() = 0;
};

class TDataSource {
 public:
  TDataSet* GetDataSet() const { return FDataSet; }
  void SetDataSet(TDataSet* Value) { FDataSet = Value; }

 private:
  TDataSet* FDataSet = nullptr;  // borrowed
};

// Orders variants by type, then by value, so that they can key a map.
struct TVariantLess {
  bool operator()(const QVariant& A, const QVariant& B) const;
};

class TvnFieldDataLink : public TObject {
 public:
  using TNotifyEvent = std::function<void(TObject* Sender)>;
  using TValueMappings = std::map<QVariant, QVariant, TVariantLess>;

  explicit TvnFieldDataLink(TDataSource* ADataSource = nullptr);

  TDataSource* GetDataSource() const { return FDataSource; }
  void SetDataSource(TDataSource* Value);
  TField* GetField() const { return FField; }
  const String& GetDataFieldName() const { return FFieldName; }
  void SetDataFieldName(const String& Value);
  QWidget* GetControl() const { return FControl; }
  void SetControl(QWidget* Value) { FControl = Value; }
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }
  bool GetEditing() const { return FEditing; }
  bool GetModified() const { return FModified; }
  void Modified() { FModified = true; }
  bool GetVisualControl() const { return FVisualControl; }
  TValueMappings& GetValueMappings() { return FValueMappings; }
  // Linked to an active data set.
  bool GetActive() const;
  bool CanModify() const;

  bool Edit();
  void ActiveChanged();
  void EditingChanged();
  void RecordChanged(TField* AField);
  void LayoutChanged();
  void UpdateData();
  void FocusControl(TField*& AField);

  TNotifyEvent OnDataChange;
  TNotifyEvent OnEditingChange;
  TNotifyEvent OnUpdateData;
  TNotifyEvent OnActiveChange;

 private:
  void UpdateField();
  void SetEditing(bool Value);
  static void Raise(const TNotifyEvent& Event, TObject* Sender) {
    if (Event) Event(Sender);
  }

  TDataSource* FDataSource;  // borrowed
  TField* FField = nullptr;   // borrowed from the data set
  String FFieldName;
  QWidget* FControl = nullptr;  // borrowed
  bool FEditing = false;
  bool FModified = false;
  bool FReadOnly = false;
  bool FVisualControl = true;
  TValueMappings FValueMappings;
};

}  // namespace vn::viewer

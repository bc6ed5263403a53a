// The widgets the form-filling plug-in lays over the form fields of a PDF
// page: a text box (with comb cells), a check box, a radio group with one
// item widget per radio button, a push button, a list box and a combo box.
// Each widget reads its value from its form field and writes the user's
// changes back to it; text and check-box widgets can also follow and feed a
// field of a data set through a field data link.
//
// A widget is a windowless-looking shape (rectangle, square, rounded square
// or circle, with a pen and a brush) on the page window. Text, list and
// combo widgets show an input control over themselves for editing; the
// input is a sibling of the widget on the page window and goes with it.
//
// The symbol characters of check boxes and radio items are drawn from
// Unicode symbols in a font that has them (DejaVu Sans), which stand for the
// symbol font's check mark, circle, cross, diamond, square and star.
#pragma once

#include <QColor>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QPointer>
#include <QTextEdit>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "framework/page_model.h"
#include "pdfdocument/pd_form_field.h"
#include "viewer/base_viewer.h"
#include "viewer/field_data_link.h"

namespace vn::pdfdoc {
class TvnPDPage;
}  // namespace vn::pdfdoc

namespace vn::viewer {

using vn::framework::TvnDocItemActivity;
using vn::pdfdoc::TvnPDFormField;
using vn::pdfdoc::TvnSelectionSymbol;

class TvnFormFillingViewerPlugin;
class TvnRadioGroupFormWidget;

// clSkyBlue: the background of text, list and combo fields and inputs.
inline const QColor kFieldSkyBlue{166, 202, 240};
// The background of check boxes and of text fields without the focus.
inline const QColor kFieldLilac{212, 198, 255};
// The font family the symbols are drawn in.
inline constexpr const char* kSymbolFontFamily = "DejaVu Sans";

// The character a checked check box shows for the symbol.
char16_t CheckBoxSymbolChar(TvnSelectionSymbol ASymbol);
// The character a radio item shows for the symbol when checked, and for
// csCircle also when unchecked (0 for the other symbols: nothing is drawn).
char16_t RadioSymbolChar(TvnSelectionSymbol ASymbol, bool AChecked);

// The cell of character AIndex (from 1) of a comb field AWidth by AHeight
// pixels with AMaxLength cells: (d × (i − 1), 1, d × i, AHeight) with d the
// width divided by the cell count, rounded (halves to even).
TRect CombCell(int32_t AWidth, int32_t AHeight, int32_t AMaxLength, int32_t AIndex);

// The argument object of the viewer's OnDocItemActivity for a form field.
// The form field is not an object of the framework's class tree, so it is
// reached through FormField (DocItem stays empty).
class TvnFormFieldActivityEventArgs : public vn::framework::TvnDocItemActivityEventArgs {
 public:
  TvnFormFieldActivityEventArgs(TvnDocItemActivity AActivity, TvnPDFormField* AFormField)
      : TvnDocItemActivityEventArgs(AActivity, nullptr), FFormField(AFormField) {}
  TvnPDFormField* GetFormField() const { return FFormField; }

 private:
  TvnPDFormField* FFormField;  // not owned
};

// An input control of a widget. It takes Tab and Shift+Tab into its key
// handling instead of letting them move the focus: OnKeyDown hears every
// key first (Shift+Tab as Tab with Shift), then the control handles the key
// (KeyPressed); losing the focus other than to a pop-up of its own is its
// exit.
template <class TControl>
class TvnTabInput : public TControl {
 public:
  using TControl::TControl;
  std::function<void()> OnExit;
  std::function<void(int Key, Qt::KeyboardModifiers Shift)> OnKeyDown;

 protected:
  bool event(QEvent* AEvent) override {
    if (AEvent->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(AEvent)->key();
      if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        keyPressEvent(static_cast<QKeyEvent*>(AEvent));
        return true;
      }
    }
    return TControl::event(AEvent);
  }
  void keyPressEvent(QKeyEvent* AEvent) override {
    const QPointer<QObject> self(this);
    int key = AEvent->key();
    Qt::KeyboardModifiers shift = AEvent->modifiers();
    if (key == Qt::Key_Backtab) {
      key = Qt::Key_Tab;
      shift |= Qt::ShiftModifier;
    }
    if (OnKeyDown) OnKeyDown(key, shift);
    if (self) KeyPressed(AEvent, key);
  }
  // The control's own handling; Tab does nothing in it.
  virtual void KeyPressed(QKeyEvent* AEvent, int AKey) {
    if (AKey != Qt::Key_Tab) TControl::keyPressEvent(AEvent);
  }
  void focusOutEvent(QFocusEvent* AEvent) override {
    TControl::focusOutEvent(AEvent);
    if (AEvent->reason() != Qt::PopupFocusReason && OnExit) OnExit();
  }
};

// A multi-line edit; a comb edit marks its top-left corner with a 20 by 20
// pixel rectangle.
class TvnEditInput : public TvnTabInput<QTextEdit> {
  Q_OBJECT

 public:
  explicit TvnEditInput(QWidget* AParent);
  bool GetIsComb() const { return FComb; }
  void SetIsComb(bool Value) { FComb = Value; }
  // 0: no limit.
  void SetMaxLength(int32_t Value) { FMaxLength = Value; }
  int32_t GetMaxLength() const { return FMaxLength; }
  // In password mode the input shows a mask character for every character
  // typed and keeps the text itself aside (no undo, which would bring the
  // typed characters back on screen).
  void SetPasswordMode(bool Value);
  bool GetPasswordMode() const { return FPasswordMode; }
  // The text typed (in password mode the text kept aside, not the mask).
  QString Text() const;
  void SetText(const QString& AText);

  std::function<void()> OnMouseDown;
  // A key press whose character OnKeyPress turns into none is dropped.
  std::function<char16_t(char16_t Key)> OnKeyPress;

 protected:
  void KeyPressed(QKeyEvent* AEvent, int AKey) override;
  void mousePressEvent(QMouseEvent* AEvent) override;
  void paintEvent(QPaintEvent* AEvent) override;

 private:
  void LimitLength();
  // Takes the characters a change of the document brought into the kept
  // text and shows them masked.
  void MaskChange(int APosition, int ARemoved, int AAdded);
  bool FComb = false;
  int32_t FMaxLength = 0;
  bool FPasswordMode = false;
  bool FMasking = false;  // the input itself is writing the mask
  QString FSecret;
};

// The character a password field shows for each of its characters.
inline constexpr char16_t kPasswordMask = u'*';

class TvnListInput : public TvnTabInput<QListWidget> {
  Q_OBJECT

 public:
  explicit TvnListInput(QWidget* AParent) : TvnTabInput<QListWidget>(AParent) {}
};

// A combo box of owner-drawn items of one height.
class TvnComboInput : public TvnTabInput<QComboBox> {
  Q_OBJECT

 public:
  explicit TvnComboInput(QWidget* AParent);
  void SetItemHeight(int32_t Value);
  int32_t GetItemHeight() const { return FItemHeight; }
  std::function<void()> OnMouseEnter;
  std::function<void()> OnMouseLeave;

 protected:
  void enterEvent(QEnterEvent* AEvent) override;
  void leaveEvent(QEvent* AEvent) override;

 private:
  int32_t FItemHeight = 16;
};

enum class TvnShapeType : uint8_t { stRectangle, stSquare, stRoundSquare, stCircle };

// The base of the form widgets.
class TvnViewerFormWidget : public QWidget, public vn::framework::TObject {
  Q_OBJECT

 public:
  TvnViewerFormWidget(TvnPDFormField* APageElement, TvnBaseDocumentViewer* AViewer, QWidget* AOwner);
  ~TvnViewerFormWidget() override;

  TvnFormFillingViewerPlugin* GetWidgetManager() const { return FWidgetManager; }
  void SetWidgetManager(TvnFormFillingViewerPlugin* Value) { FWidgetManager = Value; }
  TvnFieldDataLink* GetDataLink() const { return FDataLink; }
  int32_t GetTabIndex() const { return FTabIndex; }
  void SetTabIndex(int32_t Value) { FTabIndex = Value; }
  TvnPDFormField* GetPageElement() const { return FPageElement; }
  TvnBaseDocumentViewer* GetViewer() const { return FViewer; }
  // The field rectangle in page-window pixels, from which inputs are made.
  const TRect& GetRect() const { return FRect; }
  void SetRect(const TRect& Value) { FRect = Value; }
  // The PDF page the field lies on (placing radio items needs it).
  vn::pdfdoc::TvnPDPage* GetPDFPage() const { return FPDFPage; }
  void SetPDFPage(vn::pdfdoc::TvnPDPage* Value) { FPDFPage = Value; }

  // Shape.
  TvnShapeType GetShape() const { return FShape; }
  int32_t GetPenWidth() const { return FPenWidth; }
  bool GetPenVisible() const { return FPenVisible; }
  const QColor& GetBrushColor() const { return FBrushColor; }
  bool GetBrushVisible() const { return FBrushVisible; }

  // Keyboard activation.
  virtual void ActivateWidget() {}
  virtual void SetDataLink(TvnFieldDataLink* Value) { FDataLink = Value; }
  virtual void SetFormValue() {}
  virtual void NotifyClick() {}
  virtual void DoOnValueChange() {}
  virtual void UpdateWidget() {}
  virtual void DoOnMouseEnter() {}
  virtual void DoOnMouseLeave() {}
  virtual void DoOnMouseDown() {}
  virtual void DoOnKeyDown(int, Qt::KeyboardModifiers) {}
  // A Tab character becomes none.
  virtual char16_t DoOnKeyPress(char16_t Key) { return Key == u'\t' ? u'\0' : Key; }
  virtual void ActivateInput() {}

 protected:
  void enterEvent(QEnterEvent* AEvent) override;
  void leaveEvent(QEvent* AEvent) override;
  void mousePressEvent(QMouseEvent* AEvent) override;
  void paintEvent(QPaintEvent* AEvent) override;
  // Draws over the shape.
  virtual void Paint(QPainter&) {}

  void SetShape(TvnShapeType Value);
  void SetPen(bool AVisible, int32_t AWidth);
  void SetBrush(bool AVisible, const QColor& AColor);
  // The viewer's OnDocItemActivity, when assigned, with this widget as the
  // sender and the form field as the item.
  void RaiseActivity(TvnDocItemActivity AActivity);
  // Draws AText centred as check boxes and push buttons do: at
  // (rnd(Width / 2 − text width / 2), rnd(Height / 2 − text height / 2)).
  void DrawCentred(QPainter& APainter, const QString& AText);

  TvnFormFillingViewerPlugin* FWidgetManager = nullptr;
  TvnFieldDataLink* FDataLink = nullptr;  // the viewer's
  int32_t FTabIndex = 0;
  TvnBaseDocumentViewer* FViewer;
  TvnPDFormField* FPageElement;  // the catalog's
  TRect FRect;
  vn::pdfdoc::TvnPDPage* FPDFPage = nullptr;

 private:
  TvnShapeType FShape = TvnShapeType::stRectangle;
  bool FPenVisible = true;
  int32_t FPenWidth = 1;
  bool FBrushVisible = true;
  QColor FBrushColor = Qt::white;
};

class TvnEditFormWidget : public TvnViewerFormWidget {
  Q_OBJECT

 public:
  TvnEditFormWidget(TvnPDFormField* APageElement, TvnBaseDocumentViewer* AViewer, QWidget* AOwner);
  ~TvnEditFormWidget() override;

  const String& GetValue() const { return FValue; }
  bool GetIsCombed() const { return FIsCombed; }
  TvnEditInput* GetInput() const { return FInput; }

  void ActivateWidget() override { ActivateInput(); }
  void SetDataLink(TvnFieldDataLink* Value) override;
  void DoOnValueChange() override;
  void UpdateWidget() override;
  void DoOnMouseEnter() override { RaiseActivity(TvnDocItemActivity::ffaMouseEnter); }
  void DoOnMouseLeave() override { RaiseActivity(TvnDocItemActivity::ffaMouseExit); }
  void DoOnMouseDown() override;
  void DoOnKeyDown(int Key, Qt::KeyboardModifiers Shift) override;
  void ActivateInput() override;
  // The input lost the focus: a changed text goes to the field.
  void DoOnExit();
  void DoOnDataChange();
  // The field has the password flag: its text is shown masked.
  bool IsPassword() const;

 protected:
  void Paint(QPainter& APainter) override;

 private:
  vn::pdfdoc::TvnPDFormTextField* TextField() const;
  String FValue;
  bool FIsCombed = false;
  QPointer<TvnEditInput> FInput;
  QPointer<QWidget> FPageSurface;
};

class TvnCheckBoxFormWidget : public TvnViewerFormWidget {
  Q_OBJECT

 public:
  TvnCheckBoxFormWidget(TvnPDFormField* APageElement, TvnBaseDocumentViewer* AViewer, QWidget* AOwner);

  bool GetChecked() const { return FChecked; }
  char16_t GetCheckSymbol() const { return FCheckSymbol; }

  void ActivateWidget() override { SetPen(true, 2); }
  void SetDataLink(TvnFieldDataLink* Value) override;
  void DoOnValueChange() override;
  void DoOnMouseEnter() override;
  void DoOnMouseLeave() override { SetPen(true, 1); }
  void DoOnMouseDown() override;
  void DoOnDataChange();

 protected:
  void Paint(QPainter& APainter) override;

 private:
  vn::pdfdoc::TvnPDFormCheckBox* CheckBox() const;
  bool FChecked = false;
  char16_t FCheckSymbol = 0;
};

class TvnRadioItemFormWidget : public TvnViewerFormWidget {
  Q_OBJECT

 public:
  TvnRadioItemFormWidget(TvnPDFormField* APageElement, TvnBaseDocumentViewer* AViewer, QWidget* AOwner,
                         int32_t AIndex, vn::pdfdoc::TvnPDFormRadioButton* ARadioParent);

  bool GetChecked() const { return FChecked; }
  void SetChecked(bool Value);
  int32_t GetIndex() const { return FIndex; }
  TvnRadioGroupFormWidget* GetRadioGroup() const { return FRadioGroup; }
  void SetRadioGroup(TvnRadioGroupFormWidget* Value) { FRadioGroup = Value; }

  void DoOnMouseDown() override;

 protected:
  void Paint(QPainter& APainter) override;

 private:
  bool FChecked = false;
  int32_t FIndex;
  vn::pdfdoc::TvnPDFormRadioButton* FParent;
  TvnRadioGroupFormWidget* FRadioGroup = nullptr;
};

class TvnRadioGroupFormWidget : public TvnViewerFormWidget {
  Q_OBJECT

 public:
  TvnRadioGroupFormWidget(TvnPDFormField* APageElement, TvnBaseDocumentViewer* AViewer, QWidget* AOwner);
  ~TvnRadioGroupFormWidget() override;

  // The item widgets, by item index of the group field.
  std::vector<TvnRadioItemFormWidget*> GetInput() const;

  void SetFormValue() override;
  // Places every item widget over its own radio button.
  void UpdateWidget() override;

 private:
  std::vector<QPointer<TvnRadioItemFormWidget>> FInput;
};

class TvnPushButtonFormWidget : public TvnViewerFormWidget {
  Q_OBJECT

 public:
  TvnPushButtonFormWidget(TvnPDFormField* APageElement, TvnBaseDocumentViewer* AViewer, QWidget* AOwner);
  void DoOnMouseEnter() override { SetPen(true, 4); }
  void DoOnMouseLeave() override { SetPen(true, 3); }

 protected:
  void Paint(QPainter& APainter) override;
};

// The base of list and combo widgets: an input made at once, over the
// options of a choice field.
class TvnChoiceFormWidget : public TvnViewerFormWidget {
  Q_OBJECT

 public:
  using TvnViewerFormWidget::TvnViewerFormWidget;
  ~TvnChoiceFormWidget() override;
  // The input exists and can take the focus.
  bool CanFocus() const;
  // Focuses the input when it can; NotifyClick.
  void SetFocus();

 protected:
  vn::pdfdoc::TvnPDFormChoiceBox* ChoiceBox() const;
  // Fills a new input with the options and hooks it to the widget.
  template <class TInput>
  void SetUpInput(TInput* AInput);
  QPointer<QWidget> FInputControl;
};

class TvnListBoxFormWidget : public TvnChoiceFormWidget {
  Q_OBJECT

 public:
  TvnListBoxFormWidget(TvnPDFormField* APageElement, TvnBaseDocumentViewer* AViewer, QWidget* AOwner);
  TvnListInput* GetInput() const { return static_cast<TvnListInput*>(FInputControl.data()); }

  void SetFormValue() override;
  void UpdateWidget() override;
  void ActivateInput() override;
};

class TvnComboBoxFormWidget : public TvnChoiceFormWidget {
  Q_OBJECT

 public:
  TvnComboBoxFormWidget(TvnPDFormField* APageElement, TvnBaseDocumentViewer* AViewer, QWidget* AOwner);
  TvnComboInput* GetInput() const { return static_cast<TvnComboInput*>(FInputControl.data()); }

  void SetFormValue() override;
  void UpdateWidget() override;
  void ActivateInput() override;
};

}  // namespace vn::viewer

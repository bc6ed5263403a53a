#include "viewer/pdf_form_widgets.h"

#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>
#include <algorithm>

#include "framework/writer_routines.h"
#include "pdfdocument/pd_form_field.h"
#include "runtime/numbers.h"
#include "viewer/pdf_form_filling_plugin.h"

namespace vn::viewer {

using vn::pdfdoc::TvnFieldJustification;
using vn::pdfdoc::TvnPDFormCheckBox;
using vn::pdfdoc::TvnPDFormChoiceBox;
using vn::pdfdoc::TvnPDFormPushButton;
using vn::pdfdoc::TvnPDFormRadioButton;
using vn::pdfdoc::TvnPDFormTextField;

namespace {

// clWindowText and clGrayText.
const QColor kWindowText{0, 0, 0};
const QColor kGrayText{109, 109, 109};

QString ToQString(const String& AText) { return QString::fromStdU16String(AText); }

// The name a widget shows as its hint and is bound by: the fully qualified
// name, or the partial name of a field that has none.
String FormFieldName(TvnPDFormField* AField) {
  return AField->FullQualifiedName().empty() ? AField->FieldName() : AField->FullQualifiedName();
}

// A text of a caption entry: UTF-16BE after its byte order mark, else one
// character a byte.
QString CaptionText(const std::string& ABytes) {
  if (ABytes.size() >= 2 && static_cast<uint8_t>(ABytes[0]) == 0xFE && static_cast<uint8_t>(ABytes[1]) == 0xFF) {
    String text;
    for (size_t i = 2; i + 1 < ABytes.size(); i += 2)
      text += static_cast<char16_t>((static_cast<uint8_t>(ABytes[i]) << 8) | static_cast<uint8_t>(ABytes[i + 1]));
    return ToQString(text);
  }
  return QString::fromLatin1(ABytes.data(), static_cast<qsizetype>(ABytes.size()));
}

// A font size in points as pixels on the screen.
int32_t PointsToScreenPixels(double APoints) {
  return std::max(1, vn::RoundToInt(APoints * vn::framework::ScreenPixelsPerInch / 72.0));
}

QFont SymbolFont(int32_t APixelSize) {
  QFont font(QString::fromLatin1(kSymbolFontFamily));
  font.setBold(true);
  font.setPixelSize(std::max(1, APixelSize));
  return font;
}

// Draws AText with its top-left corner at (AX, AY).
void DrawTextAt(QPainter& APainter, int32_t AX, int32_t AY, const QString& AText) {
  APainter.drawText(AX, AY + QFontMetrics(APainter.font()).ascent(), AText);
}

void PaintInputBackground(QWidget* AInput, const QColor& AColor) {
  QPalette palette = AInput->palette();
  palette.setColor(QPalette::Base, AColor);
  palette.setColor(QPalette::Button, AColor);
  palette.setColor(QPalette::Window, AColor);
  AInput->setPalette(palette);
  AInput->setAutoFillBackground(true);
}

// The index of the option of AField that is its value (by display text or
// export value); -1 when none is.
int32_t OptionIndexOfValue(TvnPDFormChoiceBox* AField) {
  const String value = AField->Value();
  for (int32_t i = 0; i < AField->OptionCount(); ++i)
    if (AField->GetOption(i) == value || AField->GetExportValue(i) == value) return i;
  return -1;
}

// Frees an input of a widget, which stops calling the widget first.
template <class TControl>
void FreeInput(TvnTabInput<TControl>* AInput) {
  if (AInput == nullptr) return;
  AInput->OnExit = nullptr;
  AInput->OnKeyDown = nullptr;
  delete AInput;
}

QRect QRectOf(const TRect& ARect) {
  return QRect(ARect.Left, ARect.Top, ARect.Right - ARect.Left, ARect.Bottom - ARect.Top);
}

// Every item of the combo box drawn at the box's item height.
class TvnComboItemDelegate : public QStyledItemDelegate {
 public:
  explicit TvnComboItemDelegate(TvnComboInput* ACombo) : QStyledItemDelegate(ACombo), FCombo(ACombo) {}
  QSize sizeHint(const QStyleOptionViewItem& AOption, const QModelIndex& AIndex) const override {
    QSize size = QStyledItemDelegate::sizeHint(AOption, AIndex);
    size.setHeight(FCombo->GetItemHeight());
    return size;
  }

 private:
  TvnComboInput* FCombo;
};

}  // namespace

char16_t CheckBoxSymbolChar(TvnSelectionSymbol ASymbol) {
  switch (ASymbol) {
    case TvnSelectionSymbol::csCheck:
      return u'\u2713';  // check mark
    case TvnSelectionSymbol::csCircle:
      return u'\u25CF';  // black circle
    case TvnSelectionSymbol::csCross:
      return u'\u2717';  // ballot x
    case TvnSelectionSymbol::csDiamond:
      return u'\u25C6';  // black diamond
    case TvnSelectionSymbol::csSquare:
      return u'\u25A0';  // black square
    case TvnSelectionSymbol::csStar:
      return u'\u2605';  // black star
  }
  return u'\u2713';
}

char16_t RadioSymbolChar(TvnSelectionSymbol ASymbol, bool AChecked) {
  if (ASymbol == TvnSelectionSymbol::csCircle) return AChecked ? u'\u25C9' : u'\u25CB';  // fisheye, white circle
  if (!AChecked) return 0;
  if (ASymbol == TvnSelectionSymbol::csStar) return u'\u272A';  // circled white star
  return CheckBoxSymbolChar(ASymbol);
}

TRect CombCell(int32_t AWidth, int32_t AHeight, int32_t AMaxLength, int32_t AIndex) {
  if (AMaxLength <= 0) return {};
  const int32_t d = vn::RoundToInt(static_cast<double>(AWidth) / AMaxLength);
  return {d * (AIndex - 1), 1, d * AIndex, AHeight};
}

// ---------------------------------------------------------------------------
// Inputs

TvnEditInput::TvnEditInput(QWidget* AParent) : TvnTabInput<QTextEdit>(AParent) {
  setAcceptRichText(false);
  setTabChangesFocus(false);
  setLineWrapMode(QTextEdit::WidgetWidth);
  connect(this, &QTextEdit::textChanged, this, &TvnEditInput::LimitLength);
}

void TvnEditInput::KeyPressed(QKeyEvent* AEvent, int AKey) {
  const QString text = AKey == Qt::Key_Tab ? QStringLiteral("\t") : AEvent->text();
  if (!text.isEmpty() && OnKeyPress && OnKeyPress(text.at(0).unicode()) == u'\0') {
    AEvent->accept();
    return;
  }
  QTextEdit::keyPressEvent(AEvent);
}

void TvnEditInput::SetPasswordMode(bool Value) {
  if (Value == FPasswordMode) return;
  const QString text = Text();
  FPasswordMode = Value;
  setUndoRedoEnabled(!Value);
  if (Value)
    connect(document(), &QTextDocument::contentsChange, this, &TvnEditInput::MaskChange, Qt::UniqueConnection);
  else
    disconnect(document(), &QTextDocument::contentsChange, this, &TvnEditInput::MaskChange);
  SetText(text);
}

QString TvnEditInput::Text() const { return FPasswordMode ? FSecret : toPlainText(); }

void TvnEditInput::SetText(const QString& AText) {
  if (!FPasswordMode) {
    setPlainText(AText);
    return;
  }
  FSecret = AText;
  FMasking = true;
  setPlainText(QString(AText.size(), QChar(kPasswordMask)));
  FMasking = false;
}

void TvnEditInput::MaskChange(int APosition, int ARemoved, int AAdded) {
  if (!FPasswordMode || FMasking) return;
  // A change reaching the document's end may count its final paragraph
  // mark: the counts are held to what the texts have.
  const int position = std::clamp(APosition, 0, int(FSecret.size()));
  FSecret.remove(position, std::min(ARemoved, int(FSecret.size()) - position));
  const int end = document()->characterCount() - 1;
  QTextCursor cursor(document());
  cursor.setPosition(std::min(APosition, end));
  cursor.setPosition(std::clamp(APosition + AAdded, 0, end), QTextCursor::KeepAnchor);
  QString added = cursor.selectedText();
  added.replace(QChar::ParagraphSeparator, u'\n');
  FSecret.insert(position, added);
  QString mask = added;
  for (QChar& c : mask)
    if (c != u'\n') c = QChar(kPasswordMask);
  if (mask == added) return;
  FMasking = true;
  cursor.insertText(mask);
  FMasking = false;
  // The caret stays after what was typed.
  QTextCursor caret = textCursor();
  if (caret.position() >= APosition && caret.position() < APosition + int(added.size())) {
    caret.setPosition(APosition + int(added.size()));
    setTextCursor(caret);
  }
}

void TvnEditInput::LimitLength() {
  if (FMaxLength <= 0) return;
  if (FPasswordMode) {
    if (FSecret.size() <= FMaxLength) return;
    const QSignalBlocker blocker(this);
    SetText(FSecret.left(FMaxLength));
    moveCursor(QTextCursor::End);
    return;
  }
  const QString text = toPlainText();
  if (text.size() <= FMaxLength) return;
  const QSignalBlocker blocker(this);
  setPlainText(text.left(FMaxLength));
  moveCursor(QTextCursor::End);
}

void TvnEditInput::mousePressEvent(QMouseEvent* AEvent) {
  const QPointer<TvnEditInput> self(this);
  if (OnMouseDown) OnMouseDown();
  if (self) QTextEdit::mousePressEvent(AEvent);
}

void TvnEditInput::paintEvent(QPaintEvent* AEvent) {
  QTextEdit::paintEvent(AEvent);
  if (!FComb) return;
  QPainter painter(viewport());
  painter.setPen(QPen(kWindowText, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(0, 0, 19, 19);
}

TvnComboInput::TvnComboInput(QWidget* AParent) : TvnTabInput<QComboBox>(AParent) {
  setItemDelegate(new TvnComboItemDelegate(this));
}

void TvnComboInput::SetItemHeight(int32_t Value) { FItemHeight = std::max(1, Value); }

void TvnComboInput::enterEvent(QEnterEvent* AEvent) {
  QComboBox::enterEvent(AEvent);
  if (OnMouseEnter) OnMouseEnter();
}

void TvnComboInput::leaveEvent(QEvent* AEvent) {
  QComboBox::leaveEvent(AEvent);
  if (OnMouseLeave) OnMouseLeave();
}

// ---------------------------------------------------------------------------
// The widget base

TvnViewerFormWidget::TvnViewerFormWidget(TvnPDFormField* APageElement, TvnBaseDocumentViewer* AViewer,
                                         QWidget* AOwner)
    : QWidget(AOwner), FViewer(AViewer), FPageElement(APageElement) {}

TvnViewerFormWidget::~TvnViewerFormWidget() {
  // The link is the viewer's and outlives the widget: it stops calling it.
  if (FDataLink != nullptr && FDataLink->GetControl() == this) {
    FDataLink->OnDataChange = nullptr;
    FDataLink->SetControl(nullptr);
  }
}

void TvnViewerFormWidget::enterEvent(QEnterEvent* AEvent) {
  QWidget::enterEvent(AEvent);
  DoOnMouseEnter();
}

void TvnViewerFormWidget::leaveEvent(QEvent* AEvent) {
  QWidget::leaveEvent(AEvent);
  DoOnMouseLeave();
}

void TvnViewerFormWidget::mousePressEvent(QMouseEvent* AEvent) {
  AEvent->accept();
  DoOnMouseDown();
}

void TvnViewerFormWidget::SetShape(TvnShapeType Value) {
  FShape = Value;
  update();
}

void TvnViewerFormWidget::SetPen(bool AVisible, int32_t AWidth) {
  FPenVisible = AVisible;
  FPenWidth = AWidth;
  update();
}

void TvnViewerFormWidget::SetBrush(bool AVisible, const QColor& AColor) {
  FBrushVisible = AVisible;
  FBrushColor = AColor;
  update();
}

// The shape inside the pen's half width, as a shape control draws it:
// squares and circles take the shorter side, centred.
void TvnViewerFormWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(FPenVisible ? QPen(kWindowText, FPenWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin)
                             : QPen(Qt::NoPen));
  painter.setBrush(FBrushVisible ? QBrush(FBrushColor) : QBrush(Qt::NoBrush));
  const int32_t pen = FPenVisible ? FPenWidth : 0;
  int32_t x = pen / 2;
  int32_t y = x;
  int32_t w = width() - pen + (pen == 0 ? 0 : 1);
  int32_t h = height() - pen + (pen == 0 ? 0 : 1);
  if (FShape == TvnShapeType::stSquare || FShape == TvnShapeType::stRoundSquare ||
      FShape == TvnShapeType::stCircle) {
    const int32_t side = std::min(w, h);
    x += (w - side) / 2;
    y += (h - side) / 2;
    w = h = side;
  }
  const QRectF r(x, y, std::max(0, w - 1), std::max(0, h - 1));
  switch (FShape) {
    case TvnShapeType::stRectangle:
    case TvnShapeType::stSquare:
      painter.drawRect(r);
      break;
    case TvnShapeType::stRoundSquare:
      painter.drawRoundedRect(r, w / 4.0, h / 4.0);
      break;
    case TvnShapeType::stCircle:
      painter.drawEllipse(r);
      break;
  }
  Paint(painter);
}

void TvnViewerFormWidget::RaiseActivity(TvnDocItemActivity AActivity) {
  if (FViewer == nullptr || !FViewer->GetOnDocItemActivity()) return;
  TvnFormFieldActivityEventArgs args(AActivity, FPageElement);
  FViewer->GetOnDocItemActivity()(this, args);
}

void TvnViewerFormWidget::DrawCentred(QPainter& APainter, const QString& AText) {
  const QFontMetrics metrics(APainter.font());
  const int32_t x = vn::RoundToInt(width() / 2.0 - metrics.horizontalAdvance(AText) / 2.0);
  const int32_t y = vn::RoundToInt(height() / 2.0 - metrics.height() / 2.0);
  DrawTextAt(APainter, x, y, AText);
}

// ---------------------------------------------------------------------------
// Text

TvnEditFormWidget::TvnEditFormWidget(TvnPDFormField* APageElement, TvnBaseDocumentViewer* AViewer,
                                     QWidget* AOwner)
    : TvnViewerFormWidget(APageElement, AViewer, AOwner), FPageSurface(AOwner) {
  SetPen(false, 1);
  SetBrush(true, kFieldSkyBlue);
  setFont(QFont(QStringLiteral("Arial")));
  setCursor(Qt::IBeamCursor);
  FValue = APageElement->Value();
  if (TvnPDFormTextField* text = TextField()) FIsCombed = text->IsComb();
  setToolTip(ToQString(FormFieldName(APageElement)));
}

TvnEditFormWidget::~TvnEditFormWidget() { FreeInput(FInput.data()); }

TvnPDFormTextField* TvnEditFormWidget::TextField() const { return dynamic_cast<TvnPDFormTextField*>(FPageElement); }

void TvnEditFormWidget::DoOnMouseDown() {
  if (FWidgetManager != nullptr) FWidgetManager->SetCurrentTabIndex(FTabIndex);
  ActivateInput();
}

void TvnEditFormWidget::DoOnKeyDown(int Key, Qt::KeyboardModifiers Shift) {
  if (Key != Qt::Key_Tab || FWidgetManager == nullptr) return;
  if (Shift & Qt::ShiftModifier)
    FWidgetManager->FocusPreviousWidget();
  else
    FWidgetManager->FocusNextWidget();
}

void TvnEditFormWidget::ActivateInput() {
  if (!FInput) {
    auto* input = new TvnEditInput(parentWidget());
    input->hide();
    TRect r = FRect;
    r.Top += 2;
    r.Left += 2;
    if (r.Top > r.Bottom) r.Top = r.Bottom;
    if (r.Right < r.Left) r.Left = r.Right;
    input->setGeometry(r.Left, r.Top, std::max(0, r.Right - r.Left - 4), std::max(0, r.Bottom - r.Top - 4));
    if (TvnPDFormTextField* text = TextField()) {
      input->SetMaxLength(text->MaxLength());
      input->SetIsComb(FIsCombed);
    }
    QFont bold(QStringLiteral("Arial"));
    bold.setBold(true);
    input->setFont(bold);
    input->setFocusPolicy(Qt::ClickFocus);
    switch (FPageElement->Justification()) {
      case TvnFieldJustification::fjCentered:
        input->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
        break;
      case TvnFieldJustification::fjRightJustified:
        input->document()->setDefaultTextOption(QTextOption(Qt::AlignRight));
        break;
      default:
        input->document()->setDefaultTextOption(QTextOption(Qt::AlignLeft));
        break;
    }
    input->setEnabled(!FPageElement->IsReadOnly());
    input->SetPasswordMode(IsPassword());
    PaintInputBackground(input, kFieldSkyBlue);
    input->OnExit = [this] { DoOnExit(); };
    input->OnMouseDown = [this] { DoOnMouseDown(); };
    input->OnKeyPress = [this](char16_t Key) { return DoOnKeyPress(Key); };
    input->OnKeyDown = [this](int Key, Qt::KeyboardModifiers Shift) { DoOnKeyDown(Key, Shift); };
    FInput = input;
  }
  // An input in use keeps what the user typed: only a hidden one starts
  // again from the widget's value.
  const bool inUse = FInput->isVisible();
  FInput->setGeometry(geometry());
  if (!inUse) {
    FInput->SetText(ToQString(FValue));
    FInput->moveCursor(QTextCursor::End);
  }
  FInput->show();
  FInput->raise();
  FInput->setFocus(Qt::OtherFocusReason);
}

bool TvnEditFormWidget::IsPassword() const {
  TvnPDFormTextField* text = TextField();
  return text != nullptr && text->IsPasswordField();
}

void TvnEditFormWidget::DoOnExit() {
  if (!FInput) return;
  const String text = FInput->Text().toStdU16String();
  // A read-only field keeps its value whatever reached its input.
  if (text != FPageElement->Value() && !FPageElement->IsReadOnly()) {
    FPageElement->SetValue(text);
    FValue = text;
    DoOnValueChange();
  }
  if (FInput) FInput->hide();
  update();
}

void TvnEditFormWidget::DoOnValueChange() {
  if (FDataLink != nullptr && FDataLink->GetField() != nullptr && FDataLink->Edit())
    FDataLink->GetField()->SetText(FValue);
  RaiseActivity(TvnDocItemActivity::ffaValueChange);
}

void TvnEditFormWidget::SetDataLink(TvnFieldDataLink* Value) {
  FDataLink = Value;
  if (Value == nullptr) return;
  Value->SetControl(this);
  if (Value->GetField() != nullptr) FValue = Value->GetField()->GetText();
  Value->OnDataChange = [this](vn::framework::TObject*) { DoOnDataChange(); };
}

void TvnEditFormWidget::DoOnDataChange() {
  if (FDataLink == nullptr || FDataLink->GetField() == nullptr) return;
  FValue = FDataLink->GetField()->GetText();
  if (FValue != FPageElement->Value()) FPageElement->SetValue(FValue);
  update();
}

void TvnEditFormWidget::UpdateWidget() {
  SetBrush(true, kFieldSkyBlue);
  if (FInput && FPageElement->Font() != nullptr) {
    FInput->setGeometry(geometry());
    FInput->update();
  }
}

void TvnEditFormWidget::Paint(QPainter& APainter) {
  const bool focused = FInput && FInput->hasFocus();
  APainter.fillRect(rect(), focused ? QColor(Qt::white) : kFieldLilac);
  if (focused) return;
  QFont bold = font();
  bold.setBold(true);
  APainter.setFont(bold);
  APainter.setPen(kWindowText);
  // A password field shows a mask character for each of its characters.
  const QString value =
      IsPassword() ? QString(ToQString(FValue).size(), QChar(kPasswordMask)) : ToQString(FValue);
  TvnPDFormTextField* text = TextField();
  if (FIsCombed && text != nullptr && text->MaxLength() > 0) {
    for (qsizetype i = 0; i < value.size(); ++i) {
      const TRect cell = CombCell(width(), height(), text->MaxLength(), static_cast<int32_t>(i + 1));
      APainter.drawText(QRectOf(cell), Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, value.mid(i, 1));
    }
    return;
  }
  int flags = Qt::TextWordWrap | Qt::AlignTop;
  switch (FPageElement->Justification()) {
    case TvnFieldJustification::fjCentered:
      flags |= Qt::AlignHCenter;
      break;
    case TvnFieldJustification::fjRightJustified:
      flags |= Qt::AlignRight;
      break;
    default:
      flags |= Qt::AlignLeft;
      break;
  }
  APainter.drawText(QRect(1, 1, width() - 1, height() - 1), flags, value);
}

// ---------------------------------------------------------------------------
// Check box

TvnCheckBoxFormWidget::TvnCheckBoxFormWidget(TvnPDFormField* APageElement, TvnBaseDocumentViewer* AViewer,
                                             QWidget* AOwner)
    : TvnViewerFormWidget(APageElement, AViewer, AOwner) {
  SetShape(TvnShapeType::stSquare);
  SetBrush(true, kFieldLilac);
  SetPen(true, 1);
  setCursor(Qt::ArrowCursor);
  if (TvnPDFormCheckBox* box = CheckBox()) {
    FCheckSymbol = CheckBoxSymbolChar(box->Symbol());
    FChecked = box->IsChecked();
  }
}

TvnPDFormCheckBox* TvnCheckBoxFormWidget::CheckBox() const { return dynamic_cast<TvnPDFormCheckBox*>(FPageElement); }

void TvnCheckBoxFormWidget::DoOnMouseDown() {
  // A read-only field is not changed by the user.
  if (FPageElement->IsReadOnly()) return;
  FChecked = !FChecked;
  if (TvnPDFormCheckBox* box = CheckBox()) box->SetIsChecked(FChecked);
  DoOnValueChange();
  update();
}

void TvnCheckBoxFormWidget::DoOnMouseEnter() {
  SetPen(true, 2);
  RaiseActivity(TvnDocItemActivity::ffaMouseEnter);
}

// The data field takes the mapping of "True" or "False" when the link has
// one, else that text itself.
void TvnCheckBoxFormWidget::DoOnValueChange() {
  if (FDataLink == nullptr || FDataLink->GetField() == nullptr || !FDataLink->Edit()) return;
  const QVariant key(FChecked ? QStringLiteral("True") : QStringLiteral("False"));
  const auto& mappings = FDataLink->GetValueMappings();
  const auto found = mappings.find(key);
  FDataLink->GetField()->SetValue(found != mappings.end() ? found->second : key);
}

void TvnCheckBoxFormWidget::SetDataLink(TvnFieldDataLink* Value) {
  FDataLink = Value;
  if (Value == nullptr) return;
  Value->SetControl(this);
  Value->OnDataChange = [this](vn::framework::TObject*) { DoOnDataChange(); };
  DoOnDataChange();
}

// Checked when the data value is the mapping of "True", or, without that
// mapping, when its text is "true" in any letter case.
void TvnCheckBoxFormWidget::DoOnDataChange() {
  if (FDataLink == nullptr || FDataLink->GetField() == nullptr) return;
  TField* field = FDataLink->GetField();
  const auto& mappings = FDataLink->GetValueMappings();
  const auto found = mappings.find(QVariant(QStringLiteral("True")));
  if (found != mappings.end())
    FChecked = field->GetValue() == found->second;
  else
    FChecked = ToQString(field->GetText()).toLower() == QStringLiteral("true");
  if (TvnPDFormCheckBox* box = CheckBox()) box->SetIsChecked(FChecked);
  update();
}

void TvnCheckBoxFormWidget::Paint(QPainter& APainter) {
  if (!FChecked) return;
  APainter.setFont(SymbolFont(PointsToScreenPixels(vn::RoundToInt(width() * 0.7))));
  APainter.setPen(isEnabled() ? kWindowText : kGrayText);
  DrawCentred(APainter, QString(QChar(FCheckSymbol)));
}

// ---------------------------------------------------------------------------
// Radio buttons

TvnRadioItemFormWidget::TvnRadioItemFormWidget(TvnPDFormField* APageElement, TvnBaseDocumentViewer* AViewer,
                                               QWidget* AOwner, int32_t AIndex, TvnPDFormRadioButton* ARadioParent)
    : TvnViewerFormWidget(APageElement, AViewer, AOwner), FIndex(AIndex), FParent(ARadioParent) {
  SetShape(ARadioParent->Symbol() == TvnSelectionSymbol::csCircle ? TvnShapeType::stCircle
                                                                  : TvnShapeType::stRectangle);
  SetBrush(false, Qt::white);
  SetPen(false, 1);
  setCursor(Qt::ArrowCursor);
  FChecked = AIndex == ARadioParent->SelectedItemIndex();
}

void TvnRadioItemFormWidget::SetChecked(bool Value) {
  FChecked = Value;
  update();
}

void TvnRadioItemFormWidget::DoOnMouseDown() {
  // The items of a read-only group are not changed by the user.
  if (FParent->IsReadOnly() || FPageElement->IsReadOnly()) return;
  if (!FChecked) {
    FChecked = true;
    FParent->SetSelectedItemIndex(FIndex);
    if (FRadioGroup != nullptr) FRadioGroup->SetFormValue();
  } else if (!FParent->AtleastOneSelectedItem() && FParent->SelectedItemIndex() != FIndex) {
    FChecked = false;
  }
  update();
  NotifyClick();
}

// The symbol at the item's size (the width of its rectangle, as a font
// size, in the widget's pixels).
void TvnRadioItemFormWidget::Paint(QPainter& APainter) {
  const TvnSelectionSymbol symbol = FParent->Symbol();
  const char16_t c = RadioSymbolChar(symbol, FChecked);
  if (c == 0) return;
  APainter.setFont(SymbolFont(width()));
  APainter.setPen(kWindowText);
  if (symbol == TvnSelectionSymbol::csCircle)
    DrawTextAt(APainter, 0, 0, QString(QChar(c)));
  else
    DrawTextAt(APainter, 2, 1, QString(QChar(c)));
}

TvnRadioGroupFormWidget::TvnRadioGroupFormWidget(TvnPDFormField* APageElement, TvnBaseDocumentViewer* AViewer,
                                                 QWidget* AOwner)
    : TvnViewerFormWidget(APageElement, AViewer, AOwner) {
  SetShape(TvnShapeType::stRoundSquare);
  SetBrush(false, Qt::white);
  SetPen(false, 1);
  if (auto* group = dynamic_cast<TvnPDFormRadioButton*>(APageElement)) {
    for (int32_t i = 0; i < group->GetItemCount(); ++i) {
      vn::pdfdoc::TvnPDRadioItem* item = group->GetRadioItem(i);
      if (item == nullptr) continue;
      auto* widget = new TvnRadioItemFormWidget(item, AViewer, AOwner, i, group);
      widget->SetRadioGroup(this);
      FInput.emplace_back(widget);
    }
  }
  hide();
}

TvnRadioGroupFormWidget::~TvnRadioGroupFormWidget() {
  for (const auto& item : FInput) delete item.data();
}

std::vector<TvnRadioItemFormWidget*> TvnRadioGroupFormWidget::GetInput() const {
  std::vector<TvnRadioItemFormWidget*> items;
  for (const auto& item : FInput)
    if (item) items.push_back(item.data());
  return items;
}

void TvnRadioGroupFormWidget::SetFormValue() {
  const int32_t selected = static_cast<TvnPDFormRadioButton*>(FPageElement)->SelectedItemIndex();
  for (TvnRadioItemFormWidget* item : GetInput())
    if (item->GetIndex() != selected) item->SetChecked(false);
  DoOnValueChange();
}

// Items of the group that lie on another page stay hidden.
void TvnRadioGroupFormWidget::UpdateWidget() {
  for (TvnRadioItemFormWidget* item : GetInput()) {
    item->SetWidgetManager(FWidgetManager);
    item->SetPDFPage(FPDFPage);
    if (!TvnFormFillingViewerPlugin::LiesOnPage(item->GetPageElement(), FPDFPage)) {
      item->hide();
      continue;
    }
    if (FWidgetManager != nullptr) {
      const TRect r = FWidgetManager->FieldWindowRect(item->GetPageElement(), FPDFPage);
      item->SetRect(r);
      item->setGeometry(QRectOf(r));
    }
    item->show();
    item->update();
  }
}

// ---------------------------------------------------------------------------
// Push button

TvnPushButtonFormWidget::TvnPushButtonFormWidget(TvnPDFormField* APageElement, TvnBaseDocumentViewer* AViewer,
                                                 QWidget* AOwner)
    : TvnViewerFormWidget(APageElement, AViewer, AOwner) {
  SetPen(true, 3);
  setCursor(Qt::PointingHandCursor);
}

void TvnPushButtonFormWidget::Paint(QPainter& APainter) {
  auto* button = dynamic_cast<TvnPDFormPushButton*>(FPageElement);
  if (button == nullptr) return;
  APainter.setPen(kWindowText);
  DrawCentred(APainter, CaptionText(button->NormalCaption()));
}

// ---------------------------------------------------------------------------
// List and combo boxes

TvnChoiceFormWidget::~TvnChoiceFormWidget() {
  if (auto* list = qobject_cast<TvnListInput*>(FInputControl.data())) FreeInput(list);
  if (auto* combo = qobject_cast<TvnComboInput*>(FInputControl.data())) FreeInput(combo);
}

TvnPDFormChoiceBox* TvnChoiceFormWidget::ChoiceBox() const { return dynamic_cast<TvnPDFormChoiceBox*>(FPageElement); }

bool TvnChoiceFormWidget::CanFocus() const {
  return FInputControl && FInputControl->isEnabled() && FInputControl->isVisible() &&
         FInputControl->focusPolicy() != Qt::NoFocus;
}

void TvnChoiceFormWidget::SetFocus() {
  if (CanFocus()) FInputControl->setFocus(Qt::OtherFocusReason);
  NotifyClick();
}

// Hidden at first over FRect, the options as items, sky blue, a tab stop;
// its keys and its exit come to the widget.
template <class TInput>
void TvnChoiceFormWidget::SetUpInput(TInput* AInput) {
  AInput->hide();
  AInput->setGeometry(QRectOf(FRect));
  if (TvnPDFormChoiceBox* choice = ChoiceBox())
    for (int32_t i = 0; i < choice->OptionCount(); ++i) AInput->addItem(ToQString(choice->GetOption(i)));
  PaintInputBackground(AInput, kFieldSkyBlue);
  // The options of a read-only field are shown, never chosen.
  AInput->setEnabled(!FPageElement->IsReadOnly());
  AInput->setFocusPolicy(Qt::StrongFocus);
  AInput->OnKeyDown = [this](int Key, Qt::KeyboardModifiers Shift) { DoOnKeyDown(Key, Shift); };
  AInput->OnExit = [this] { SetFormValue(); };
  FInputControl = AInput;
}

TvnListBoxFormWidget::TvnListBoxFormWidget(TvnPDFormField* APageElement, TvnBaseDocumentViewer* AViewer,
                                           QWidget* AOwner)
    : TvnChoiceFormWidget(APageElement, AViewer, AOwner) {
  SetBrush(true, kFieldSkyBlue);
  SetPen(true, 1);
  ActivateInput();
}

void TvnListBoxFormWidget::ActivateInput() {
  if (FInputControl) return;
  auto* input = new TvnListInput(parentWidget());
  SetUpInput(input);
  if (TvnPDFormChoiceBox* choice = ChoiceBox()) {
    if (choice->IsMultiSelect()) input->setSelectionMode(QAbstractItemView::ExtendedSelection);
    if (const int32_t selected = OptionIndexOfValue(choice); selected >= 0) input->setCurrentRow(selected);
  }
  connect(input, &QListWidget::itemClicked, this, [this] { NotifyClick(); });
  input->show();
}

// The option of the current row, when it is selected (else the first
// selected one).
void TvnListBoxFormWidget::SetFormValue() {
  TvnListInput* input = GetInput();
  TvnPDFormChoiceBox* choice = ChoiceBox();
  if (input == nullptr || choice == nullptr || FPageElement->IsReadOnly()) return;
  int32_t row = input->currentRow();
  if (row < 0 || !input->item(row)->isSelected()) {
    row = -1;
    for (int32_t i = 0; i < input->count() && row < 0; ++i)
      if (input->item(i)->isSelected()) row = i;
  }
  if (row >= 0) FPageElement->SetValue(choice->GetOption(row));
  DoOnValueChange();
}

void TvnListBoxFormWidget::UpdateWidget() {
  if (FInputControl) FInputControl->setGeometry(geometry());
}

TvnComboBoxFormWidget::TvnComboBoxFormWidget(TvnPDFormField* APageElement, TvnBaseDocumentViewer* AViewer,
                                             QWidget* AOwner)
    : TvnChoiceFormWidget(APageElement, AViewer, AOwner) {
  ActivateInput();
}

void TvnComboBoxFormWidget::ActivateInput() {
  if (FInputControl) return;
  auto* input = new TvnComboInput(parentWidget());
  input->SetItemHeight(FRect.Bottom - FRect.Top);
  input->setFrame(false);
  SetUpInput(input);
  if (TvnPDFormChoiceBox* choice = ChoiceBox()) input->setCurrentIndex(std::max(0, OptionIndexOfValue(choice)));
  input->OnMouseEnter = [this] { DoOnMouseEnter(); };
  input->OnMouseLeave = [this] { DoOnMouseLeave(); };
  connect(input, QOverload<int>::of(&QComboBox::activated), this, [this] { NotifyClick(); });
  input->show();
}

// The selected option, when it is not the value already (by display text
// or export value).
void TvnComboBoxFormWidget::SetFormValue() {
  TvnComboInput* input = GetInput();
  TvnPDFormChoiceBox* choice = ChoiceBox();
  if (input == nullptr || choice == nullptr || input->currentIndex() < 0 || FPageElement->IsReadOnly()) return;
  const String text = input->currentText().toStdU16String();
  const String value = FPageElement->Value();
  if (text == value || choice->GetExportValue(input->currentIndex()) == value) return;
  FPageElement->SetValue(text);
  DoOnValueChange();
}

void TvnComboBoxFormWidget::UpdateWidget() {
  TvnComboInput* input = GetInput();
  if (input == nullptr) return;
  input->SetItemHeight(height());
  input->setGeometry(geometry());
  PaintInputBackground(input, kFieldSkyBlue);
}

}  // namespace vn::viewer

#include "viewer/pdf_form_widgets.h"

#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QImage>
#include <QRawFont>
#include <QWidget>

#include <QTest>
#include <set>
#include "pdfdocument/pd_form_field.h"

namespace vn::viewer::pdf_form_widgets_test {
namespace {

using pdfdoc::TvnSelectionSymbol;

TEST(CombCell, SplitsTheWidthIntoRoundedCells) {
  struct Case {
    int32_t width, height, maxLength, index;
    TRect cell;
  };
  const Case cases[] = {
      {120, 30, 4, 1, {0, 1, 30, 30}},
      {120, 30, 4, 4, {90, 1, 120, 30}},
      {10, 20, 4, 2, {2, 1, 4, 20}},   // 2.5 rounds to even: 2
      {14, 20, 4, 2, {4, 1, 8, 20}},   // 3.5 rounds to even: 4
      {100, 20, 0, 1, {0, 0, 0, 0}},   // no cells without a maximum length
  };
  for (const Case& c : cases)
    EXPECT_EQ(CombCell(c.width, c.height, c.maxLength, c.index), c.cell)
        << c.width << "/" << c.maxLength << " cell " << c.index;
}

// The columns of the image that hold dark pixels.
std::vector<int> InkColumns(const QImage& AImage) {
  std::vector<int> columns;
  for (int x = 0; x < AImage.width(); ++x)
    for (int y = 0; y < AImage.height(); ++y)
      if (qGray(AImage.pixel(x, y)) < 100) {
        columns.push_back(x);
        break;
      }
  return columns;
}

TEST(EditFormWidget, CombFieldDrawsEachCharacterCentredInItsCell) {
  pdfdoc::TvnPDFormTextField field;
  field.SetMaxLength(4);
  field.SetIsComb(true);
  field.SetValue(u"AB");
  QWidget page;
  page.resize(200, 100);
  TvnEditFormWidget widget(&field, nullptr, &page);
  ASSERT_TRUE(widget.GetIsCombed());
  widget.setGeometry(0, 0, 120, 30);
  const QImage image = widget.grab().toImage();
  const std::vector<int> ink = InkColumns(image);
  ASSERT_FALSE(ink.empty());
  // Ink in the first two of four 30-pixel cells only, each glyph centred.
  std::vector<int> first, second;
  for (int x : ink) {
    ASSERT_LT(x, 60) << "ink beyond the second cell";
    (x < 30 ? first : second).push_back(x);
  }
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_NEAR((first.front() + first.back()) / 2.0, 15, 2.5);
  EXPECT_NEAR((second.front() + second.back()) / 2.0, 45, 2.5);
  // The unfocused background is the text fields' lilac.
  EXPECT_EQ(image.pixelColor(100, 15), kFieldLilac);
}

TEST(EditFormWidget, PlainFieldWrapsItsTextAsJustified) {
  for (auto justification : {pdfdoc::TvnFieldJustification::fjLeftJustified,
                             pdfdoc::TvnFieldJustification::fjRightJustified}) {
    pdfdoc::TvnPDFormTextField field;
    field.SetValue(u"I");
    field.SetJustification(justification);
    QWidget page;
    TvnEditFormWidget widget(&field, nullptr, &page);
    widget.setGeometry(0, 0, 200, 30);
    const std::vector<int> ink = InkColumns(widget.grab().toImage());
    ASSERT_FALSE(ink.empty());
    if (justification == pdfdoc::TvnFieldJustification::fjLeftJustified)
      EXPECT_LT(ink.back(), 20);
    else
      EXPECT_GT(ink.front(), 180);
  }
}

// The symbols stand for the symbol font's: each must exist in the font they
// are drawn with, and the kinds must stay apart.
TEST(SelectionSymbols, ExistInTheSymbolFontAndDiffer) {
  QFont font(QString::fromLatin1(kSymbolFontFamily));
  font.setPixelSize(20);
  const QRawFont raw = QRawFont::fromFont(font);
  if (!raw.isValid() || !raw.familyName().contains("DejaVu")) GTEST_SKIP() << "DejaVu Sans is not installed";
  std::set<char16_t> checkBox, radio;
  for (auto symbol : {TvnSelectionSymbol::csCheck, TvnSelectionSymbol::csCircle, TvnSelectionSymbol::csCross,
                      TvnSelectionSymbol::csDiamond, TvnSelectionSymbol::csSquare, TvnSelectionSymbol::csStar}) {
    const char16_t box = CheckBoxSymbolChar(symbol);
    const char16_t item = RadioSymbolChar(symbol, true);
    EXPECT_TRUE(raw.supportsCharacter(QChar(box))) << int(box);
    EXPECT_TRUE(raw.supportsCharacter(QChar(item))) << int(item);
    checkBox.insert(box);
    radio.insert(item);
    // Only the circle shows something when unchecked.
    EXPECT_EQ(RadioSymbolChar(symbol, false) != 0, symbol == TvnSelectionSymbol::csCircle);
  }
  EXPECT_EQ(checkBox.size(), 6u);
  EXPECT_EQ(radio.size(), 6u);
  EXPECT_TRUE(raw.supportsCharacter(QChar(RadioSymbolChar(TvnSelectionSymbol::csCircle, false))));
}

TEST(CheckBoxFormWidget, DrawsItsSymbolOnlyWhenChecked) {
  pdfdoc::TvnPDFormCheckBox field;
  field.SetIsChecked(false);
  QWidget page;
  TvnCheckBoxFormWidget widget(&field, nullptr, &page);
  widget.setGeometry(0, 0, 30, 30);
  page.show();
  auto inkInside = [&] {
    const QImage image = widget.grab().toImage();
    int dark = 0;
    for (int y = 4; y < 26; ++y)
      for (int x = 4; x < 26; ++x) dark += qGray(image.pixel(x, y)) < 100;
    return dark;
  };
  EXPECT_EQ(inkInside(), 0);
  QTest::mouseClick(&widget, Qt::LeftButton, {}, QPoint(15, 15));
  EXPECT_TRUE(field.IsChecked());
  EXPECT_GT(inkInside(), 10);
}

TEST(PushButtonFormWidget, CentresItsCaptionAndWidensItsPenUnderThePointer) {
  pdfdoc::TvnPDFormPushButton field;
  field.SetNormalCaption("OK");
  QWidget page;
  TvnPushButtonFormWidget widget(&field, nullptr, &page);
  widget.setGeometry(0, 0, 100, 40);
  EXPECT_EQ(widget.GetPenWidth(), 3);
  // The caption's ink, inside the pen, is centred.
  const QImage image = widget.grab().toImage();
  std::vector<int> ink;
  for (int x = 5; x < 95; ++x)
    for (int y = 5; y < 35; ++y)
      if (qGray(image.pixel(x, y)) < 100) {
        ink.push_back(x);
        break;
      }
  ASSERT_FALSE(ink.empty());
  EXPECT_NEAR((ink.front() + ink.back()) / 2.0, 50, 2.5);
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
  QCoreApplication::sendEvent(&widget, &enter);
  EXPECT_EQ(widget.GetPenWidth(), 4);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&widget, &leave);
  EXPECT_EQ(widget.GetPenWidth(), 3);
}

}  // namespace
}  // namespace vn::viewer::pdf_form_widgets_test

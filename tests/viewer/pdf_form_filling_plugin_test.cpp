#include "viewer/pdf_form_filling_plugin.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QTest>
#include <cmath>
#include <functional>
#include <fstream>

#include "form_testing.h"
#include "framework/writer_routines.h"
#include "pdfdocument/pd_form_field.h"
#include "runtime/exceptions.h"
#include "support/pdf_files.h"

namespace vn::viewer::pdf_form_filling_plugin_test {
namespace {

using namespace form_testing;
using framework::TvnDocItemActivity;

void Click(QWidget* AWidget) { QTest::mouseClick(AWidget, Qt::LeftButton, {}, AWidget->rect().center()); }

TEST(FormFillingPlugin, LaysAWidgetOfItsKindOverEveryField) {
  if (!HaveOracle()) GTEST_SKIP() << "python3-pypdf is not installed";
  const int32_t savedPpi = framework::ScreenPixelsPerInch;
  framework::ScreenPixelsPerInch = 96;
  FormPage page;
  page.Open();

  // One widget a field, in the order of the page's annotations, with tab
  // indexes from 1.
  const char16_t* names[] = {u"address.street", u"address.city", u"address.zip", u"name", u"pin", u"notes",
                             u"agree", u"news", u"colour", u"fruit", u"tags"};
  const auto controls = page.plugin->GetControls();
  ASSERT_EQ(controls.size(), std::size(names));
  for (size_t i = 0; i < controls.size(); ++i) {
    EXPECT_EQ(controls[i]->GetPageElement()->FullQualifiedName(), names[i]);
    EXPECT_EQ(controls[i]->GetTabIndex(), static_cast<int32_t>(i + 1));
    EXPECT_EQ(controls[i]->parentWidget(), page.window.get());
  }
  EXPECT_NE(page.Widget<TvnEditFormWidget>(u"notes"), nullptr);
  EXPECT_NE(page.Widget<TvnCheckBoxFormWidget>(u"agree"), nullptr);
  EXPECT_NE(page.Widget<TvnRadioGroupFormWidget>(u"colour"), nullptr);
  EXPECT_NE(page.Widget<TvnComboBoxFormWidget>(u"fruit"), nullptr);
  EXPECT_NE(page.Widget<TvnListBoxFormWidget>(u"tags"), nullptr);

  // Each widget (each radio item over its own button) lies over the
  // rectangle an independent reader gives, in pixels at 100 % and 96 dpi.
  std::vector<QRect> expected;
  std::vector<std::string> expectedNames;
  for (const std::string& line : OracleLines(std::filesystem::path(VN_FIXTURES_DIR) / "viewer" /
                                                 "widget_rects_oracle.py",
                                             FormFixture())) {
    std::istringstream in(line);
    int pageNumber = 0;
    std::string name;
    double l, t, r, b;
    in >> pageNumber >> name >> l >> t >> r >> b;
    auto px = [](double v) { return static_cast<int>(std::lround(v * 96 / 72)); };
    expected.push_back(QRect(QPoint(px(l), px(t)), QPoint(px(r) - 1, px(b) - 1)));
    expectedNames.push_back(name);
  }
  ASSERT_EQ(expected.size(), 13u);
  std::vector<QWidget*> shown;
  for (TvnViewerFormWidget* widget : controls) {
    if (auto* group = dynamic_cast<TvnRadioGroupFormWidget*>(widget)) {
      EXPECT_TRUE(group->isHidden());
      for (TvnRadioItemFormWidget* item : group->GetInput()) shown.push_back(item);
    } else {
      shown.push_back(widget);
    }
  }
  ASSERT_EQ(shown.size(), expected.size());
  for (size_t i = 0; i < shown.size(); ++i) {
    const QRect g = shown[i]->geometry();
    EXPECT_TRUE(shown[i]->isVisible()) << expectedNames[i];
    EXPECT_LE(std::abs(g.left() - expected[i].left()), 1) << expectedNames[i];
    EXPECT_LE(std::abs(g.top() - expected[i].top()), 1) << expectedNames[i];
    EXPECT_LE(std::abs(g.right() - expected[i].right()), 1) << expectedNames[i];
    EXPECT_LE(std::abs(g.bottom() - expected[i].bottom()), 1) << expectedNames[i];
  }
  // List and combo inputs cover their widgets (not an empty rectangle).
  for (const char16_t* name : {u"fruit", u"tags"}) {
    TvnViewerFormWidget* widget = page.Widget(name);
    QWidget* input = name == std::u16string(u"fruit") ? static_cast<QWidget*>(page.Widget<TvnComboBoxFormWidget>(name)->GetInput())
                                                      : page.Widget<TvnListBoxFormWidget>(name)->GetInput();
    EXPECT_EQ(input->geometry(), widget->geometry());
    EXPECT_TRUE(input->isVisible());
  }

  // A layout change (the zoom doubled) places them again.
  page.viewer.FPercent = 200;
  page.Post(kLayoutChanged, &page.viewer);
  EXPECT_LE(std::abs(page.Widget(u"name")->geometry().left() - 2 * expected[3].left()), 2);
  EXPECT_LE(std::abs(page.Widget(u"name")->geometry().width() - 2 * expected[3].width()), 2);
  framework::ScreenPixelsPerInch = savedPpi;
}

TEST(FormFillingPlugin, TypingTabsAndClicksFillTheFormThatIsSaved) {
  if (!HaveOracle()) GTEST_SKIP() << "python3-pypdf is not installed";
  FormPage page;
  page.Open();
  std::vector<TvnDocItemActivity> activities;
  page.viewer.SetOnDocItemActivity([&](framework::TObject*, framework::TvnDocItemActivityEventArgs& Args) {
    activities.push_back(Args.GetActivity());
  });

  // A click opens the text widget's input; typing and Tab hand the text to
  // the field and go to the next widget.
  auto* name = page.Widget<TvnEditFormWidget>(u"name");
  auto* pin = page.Widget<TvnEditFormWidget>(u"pin");
  Click(name);
  ASSERT_NE(name->GetInput(), nullptr);
  EXPECT_TRUE(name->GetInput()->hasFocus());
  QTest::keyClicks(name->GetInput(), "Alice");
  QTest::keyClick(name->GetInput(), Qt::Key_Tab);
  EXPECT_EQ(name->GetPageElement()->Value(), u"Alice");
  EXPECT_FALSE(name->GetInput()->isVisible());
  EXPECT_EQ(page.plugin->GetCurrentTabIndex(), 5);
  ASSERT_NE(pin->GetInput(), nullptr);
  EXPECT_TRUE(pin->GetInput()->hasFocus());
  EXPECT_EQ(name->GetInput()->toPlainText(), "Alice");  // no Tab character typed
  QTest::keyClicks(pin->GetInput(), "1234");
  // Shift+Tab goes back.
  QTest::keyClick(pin->GetInput(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(pin->GetPageElement()->Value(), u"1234");
  EXPECT_EQ(page.plugin->GetCurrentTabIndex(), 4);
  EXPECT_TRUE(name->GetInput()->hasFocus());
  EXPECT_EQ(std::count(activities.begin(), activities.end(), TvnDocItemActivity::ffaValueChange), 2);

  // A comb-less maximum length of 5 keeps the zip to five characters.
  auto* zip = page.Widget<TvnEditFormWidget>(u"address.zip");
  Click(zip);
  QTest::keyClick(zip->GetInput(), Qt::Key_End);
  QTest::keyClicks(zip->GetInput(), "99");
  EXPECT_EQ(zip->GetInput()->toPlainText(), "80019");

  // Clicks toggle check boxes and pick a radio button.
  Click(page.Widget(u"agree"));
  Click(page.Widget(u"news"));
  EXPECT_FALSE(page.Widget<TvnCheckBoxFormWidget>(u"agree")->GetChecked());
  EXPECT_TRUE(page.Widget<TvnCheckBoxFormWidget>(u"news")->GetChecked());
  auto items = page.Widget<TvnRadioGroupFormWidget>(u"colour")->GetInput();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_TRUE(items[1]->GetChecked());
  Click(items[2]);
  EXPECT_TRUE(items[2]->GetChecked());
  EXPECT_FALSE(items[1]->GetChecked());

  // The combo box and the list box hand their choice over when they lose
  // the focus.
  TvnComboInput* fruit = page.Widget<TvnComboBoxFormWidget>(u"fruit")->GetInput();
  EXPECT_EQ(fruit->currentText(), "Banana");
  fruit->setFocus();
  QTest::keyClick(fruit, Qt::Key_Down);
  EXPECT_EQ(fruit->currentText(), "Cherry");
  TvnListInput* tags = page.Widget<TvnListBoxFormWidget>(u"tags")->GetInput();
  QTest::mouseClick(tags->viewport(), Qt::LeftButton, {}, tags->visualItemRect(tags->item(1)).center());
  EXPECT_TRUE(tags->hasFocus());
  page.Unfocus();
  EXPECT_EQ(page.Widget(u"fruit")->GetPageElement()->Value(), u"Cherry");
  EXPECT_EQ(page.Widget(u"tags")->GetPageElement()->Value(), u"Two");

  // The saved file holds the new values for an independent reader.
  const auto saved = std::filesystem::temp_directory_path() / "form_filled.pdf";
  ASSERT_TRUE(page.document.SaveToFile(String(saved.u16string())));
  const auto values = OracleValues(saved);
  const std::map<std::string, std::string> wanted = {
      {"name", "Alice"},   {"pin", "1234"},     {"address.zip", "80019"}, {"agree", "Off"},
      {"news", "Yes"},     {"colour", "blue"},  {"fruit", "Cherry"},      {"tags", "Two"},
      {"notes", "First line"}, {"address.city", "Zürich"}};
  for (const auto& [field, value] : wanted) {
    ASSERT_TRUE(values.count(field)) << field;
    EXPECT_EQ(values.at(field), value) << field;
  }
}

TEST(FormFillingPlugin, TabOrderWrapsBothWays) {
  FormPage page;
  page.Open();
  const int32_t count = static_cast<int32_t>(page.plugin->GetControls().size());
  // Tab on the page window focuses the first widget.
  page.Post(kTabKey, page.window.get());
  auto* street = page.Widget<TvnEditFormWidget>(u"address.street");
  EXPECT_EQ(page.plugin->GetCurrentTabIndex(), 1);
  ASSERT_NE(street->GetInput(), nullptr);
  EXPECT_TRUE(street->GetInput()->hasFocus());
  // Shift+Tab from the first wraps to the number of widgets.
  QTest::keyClick(street->GetInput(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(page.plugin->GetCurrentTabIndex(), count);
  // Tab from the last wraps to the first.
  page.plugin->FocusNextWidget();
  EXPECT_EQ(page.plugin->GetCurrentTabIndex(), 1);
  EXPECT_TRUE(street->GetInput()->hasFocus());
  // Tab onto a check box marks it with a wider pen.
  page.plugin->SetCurrentTabIndex(6);
  page.plugin->FocusNextWidget();
  EXPECT_EQ(page.Widget(u"agree")->GetPenWidth(), 2);
}

TEST(FormFillingPlugin, LeavingATextFieldUnchangedWritesNothing) {
  FormPage page;
  page.Open();
  int changes = 0;
  page.viewer.SetOnDocItemActivity([&](framework::TObject* Sender, framework::TvnDocItemActivityEventArgs& Args) {
    if (Args.GetActivity() == TvnDocItemActivity::ffaValueChange) ++changes;
    EXPECT_NE(dynamic_cast<TvnViewerFormWidget*>(Sender), nullptr);
    EXPECT_NE(static_cast<TvnFormFieldActivityEventArgs&>(Args).GetFormField(), nullptr);
  });
  auto* city = page.Widget<TvnEditFormWidget>(u"address.city");
  Click(city);
  EXPECT_EQ(city->GetInput()->toPlainText(), QString::fromUtf8("Zürich"));
  // A second click into the input in use keeps what was typed.
  QTest::keyClicks(city->GetInput(), "X");
  Click(city->GetInput());
  EXPECT_EQ(city->GetInput()->toPlainText(), QString::fromUtf8("ZürichX"));
  QTest::keyClick(city->GetInput(), Qt::Key_Backspace);
  QTest::keyClick(city->GetInput(), Qt::Key_End);
  QTest::keyClick(city->GetInput(), Qt::Key_Backspace);
  QTest::keyClicks(city->GetInput(), "h");
  page.Unfocus();
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(city->GetInput()->isVisible());
  EXPECT_EQ(city->GetPageElement()->Value(), u"Zürich");
}

TEST(FormFillingPlugin, CheckedRadioButtonOfAOneSelectedGroupStaysChecked) {
  FormPage page;
  page.Open();
  auto* group = page.Widget<TvnRadioGroupFormWidget>(u"colour");
  auto* field = static_cast<pdfdoc::TvnPDFormRadioButton*>(group->GetPageElement());
  ASSERT_TRUE(field->AtleastOneSelectedItem());
  auto items = group->GetInput();
  Click(items[1]);
  EXPECT_TRUE(items[1]->GetChecked());
  EXPECT_EQ(field->Value(), u"green");
  Click(items[0]);
  EXPECT_EQ(field->Value(), u"red");
  EXPECT_TRUE(items[0]->GetChecked());
  EXPECT_FALSE(items[1]->GetChecked());
  EXPECT_FALSE(items[2]->GetChecked());
}

TEST(FormFillingPlugin, CheckBoxReportsThePointerEntering) {
  FormPage page;
  page.Open();
  std::vector<TvnDocItemActivity> activities;
  page.viewer.SetOnDocItemActivity([&](framework::TObject*, framework::TvnDocItemActivityEventArgs& Args) {
    activities.push_back(Args.GetActivity());
  });
  TvnViewerFormWidget* agree = page.Widget(u"agree");
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
  QCoreApplication::sendEvent(agree, &enter);
  EXPECT_EQ(agree->GetPenWidth(), 2);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(agree, &leave);
  EXPECT_EQ(agree->GetPenWidth(), 1);
  EXPECT_EQ(activities, std::vector<TvnDocItemActivity>{TvnDocItemActivity::ffaMouseEnter});
}

// A data link with and without value mappings drives a check box, and the
// check box writes back through it.
TEST(FormFillingPlugin, CheckBoxFollowsAndFeedsItsDataField) {
  struct Case {
    const char* what;
    std::map<QString, QString> mappings;
    QVariant data;
    bool checked;
    QVariant writtenWhenToggled;
  };
  const Case cases[] = {
      {"mapped Y", {{"True", "Y"}, {"False", "N"}}, QString("Y"), true, QString("N")},
      {"mapped N", {{"True", "Y"}, {"False", "N"}}, QString("N"), false, QString("Y")},
      {"mapped True only", {{"True", "Y"}}, QString("Y"), true, QString("False")},
      {"mapped True only, other", {{"True", "Y"}}, QString("true"), false, QString("Y")},
      {"no mapping True", {}, QString("True"), true, QString("False")},
      {"no mapping TRUE", {}, QString("TRUE"), true, QString("False")},
      {"no mapping true", {}, QString("true"), true, QString("False")},
      {"no mapping yes", {}, QString("yes"), false, QString("True")},
      {"no mapping boolean", {}, QVariant(true), true, QString("False")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDataSet data({u"AgreeColumn"});
    TDataSource source;
    source.SetDataSet(&data);
    data.Field(u"AgreeColumn")->value = c.data;
    FormPage page;
    page.viewer.SetFieldDataSource(&source);
    TvnFieldDataLink* link = page.viewer.FieldMapping(u"agree");
    link->SetDataFieldName(u"AgreeColumn");
    data.links.push_back(link);
    for (const auto& [key, value] : c.mappings) link->GetValueMappings()[QVariant(key)] = QVariant(value);
    page.Open();
    auto* box = page.Widget<TvnCheckBoxFormWidget>(u"agree");
    ASSERT_EQ(box->GetDataLink(), link);
    EXPECT_EQ(box->GetChecked(), c.checked);
    auto* field = static_cast<pdfdoc::TvnPDFormCheckBox*>(box->GetPageElement());
    EXPECT_EQ(field->IsChecked(), c.checked);
    Click(box);
    EXPECT_EQ(field->IsChecked(), !c.checked);
    EXPECT_EQ(data.Field(u"AgreeColumn")->value, c.writtenWhenToggled);
    // Another record moves the check box along.
    data.Move({{u"AgreeColumn", c.data}});
    EXPECT_EQ(box->GetChecked(), c.checked);
  }
}

TEST(FormFillingPlugin, TextWidgetFollowsAndFeedsItsDataField) {
  FakeDataSet data({u"NameColumn"});
  TDataSource source;
  source.SetDataSet(&data);
  data.Field(u"NameColumn")->value = QString("Bob");
  FormPage page;
  page.viewer.SetFieldDataSource(&source);
  TvnFieldDataLink* link = page.viewer.FieldMapping(u"name");
  link->SetDataFieldName(u"NameColumn");
  data.links.push_back(link);
  // An unbound name gets no link.
  page.viewer.FieldMapping(u"pin");
  page.Open();
  auto* name = page.Widget<TvnEditFormWidget>(u"name");
  EXPECT_EQ(name->GetDataLink(), link);
  EXPECT_EQ(page.Widget(u"pin")->GetDataLink(), nullptr);
  EXPECT_EQ(name->GetValue(), u"Bob");
  data.Move({{u"NameColumn", QString("Carol")}});
  EXPECT_EQ(name->GetValue(), u"Carol");
  EXPECT_EQ(name->GetPageElement()->Value(), u"Carol");
  Click(name);
  QTest::keyClicks(name->GetInput(), "ine");
  page.Unfocus();
  EXPECT_EQ(name->GetPageElement()->Value(), u"Caroline");
  EXPECT_EQ(data.Field(u"NameColumn")->value.toString(), "Caroline");
  EXPECT_TRUE(data.editing);
}

TEST(FormFillingPlugin, WidgetsGoWithTheirPageWindowAndComeBackWithCurrentValues) {
  FormPage page;
  page.Open();
  Click(page.Widget(u"news"));
  QPointer<TvnViewerFormWidget> old = page.Widget(u"news");
  page.window.reset();
  EXPECT_TRUE(old.isNull());
  EXPECT_TRUE(page.plugin->GetControls().empty());
  page.plugin->FocusNextWidget();  // nothing to focus, nothing breaks
  page.window = std::make_unique<TvnBaseViewerPage>();
  page.window->SetConnectedPage(1);
  page.window->show();
  page.Post(kPageCreated, page.window.get());
  ASSERT_EQ(page.plugin->GetControls().size(), 11u);
  EXPECT_TRUE(page.Widget<TvnCheckBoxFormWidget>(u"news")->GetChecked());
  EXPECT_EQ(page.Widget(u"news")->GetTabIndex(), 8);
  // The plug-in freed before its page window takes its widgets along.
  page.plugin.reset();
  EXPECT_TRUE(page.window->findChildren<TvnViewerFormWidget*>().isEmpty());
}

// A radio group with a button on each of two pages, and a combo box of
// [export display] options on page 1.
std::filesystem::path TwoPageForm() {
  const std::string pdf = vn::test_support::PdfOfObjects(
      {"<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [5 0 R 8 0 R] >> >>",
       "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Annots [6 0 R 8 0 R] >>",
       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Annots [7 0 R] >>",
       "<< /FT /Btn /Ff 49152 /T (pick) /V /b /Kids [6 0 R 7 0 R] >>",
       "<< /Type /Annot /Subtype /Widget /Parent 5 0 R /P 3 0 R /Rect [100 700 120 720] /AS /Off "
       "/AP << /N << /a 9 0 R /Off 9 0 R >> >> >>",
       "<< /Type /Annot /Subtype /Widget /Parent 5 0 R /P 4 0 R /Rect [100 600 120 620] /AS /b "
       "/AP << /N << /b 9 0 R /Off 9 0 R >> >> >>",
       "<< /Type /Annot /Subtype /Widget /FT /Ch /Ff 131072 /T (fruit) /P 3 0 R /Rect [100 500 200 520] "
       "/Opt [[(a) (Apple)] [(b) (Banana)]] /V (b) >>",
       "<< /Length 0 >>\nstream\n\nendstream"});
  const auto path = std::filesystem::temp_directory_path() / "two_page_form.pdf";
  std::ofstream(path, std::ios::binary) << pdf;
  return path;
}

TEST(FormFillingPlugin, RadioButtonsOfAnotherPageStayHiddenAndExportValuesMatch) {
  FormPage page(TwoPageForm());
  page.Open();
  auto* group = page.Widget<TvnRadioGroupFormWidget>(u"pick");
  ASSERT_NE(group, nullptr);
  const auto items = group->GetInput();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_TRUE(items[0]->isVisible());
  EXPECT_FALSE(items[0]->GetChecked());
  EXPECT_FALSE(items[1]->isVisible());  // on page 2
  EXPECT_TRUE(items[1]->GetChecked());
  // The value is the export value "b" of the option shown as "Banana".
  auto* fruit = page.Widget<TvnComboBoxFormWidget>(u"fruit");
  ASSERT_NE(fruit, nullptr);
  EXPECT_EQ(fruit->GetInput()->currentText(), "Banana");
  fruit->GetInput()->setFocus();
  page.Unfocus();
  EXPECT_EQ(fruit->GetPageElement()->Value(), u"b");
  fruit->GetInput()->setFocus();
  QTest::keyClick(fruit->GetInput(), Qt::Key_Up);
  page.Unfocus();
  EXPECT_EQ(fruit->GetPageElement()->Value(), u"a");
}

TEST(FormFillingPlugin, DoesNothingWithoutFormFillingAndRefusesOtherDocuments) {
  FormPage page;
  page.viewer.preferences.SetAllowedOperations({framework::TvnViewerOperation::voCommenting});
  page.Open();
  EXPECT_TRUE(page.plugin->GetControls().empty());
  Viewer viewer;
  EXPECT_THROW(TvnFormFillingViewerPlugin(nullptr, &viewer), vn::EInvalidCast);
}

TEST(FormFillingPlugin, ReadOnlyFieldsKeepTheirValuesWhateverTheUserDoes) {
  FormPage page;
  // The fields are read-only (/Ff bit 1) before their widgets are made, as
  // a file would have them.
  auto* pdfPage = dynamic_cast<pdfdoc::TvnqPDFPage*>(page.document.GetPage(1));
  ASSERT_NE(pdfPage, nullptr);
  for (pdfdoc::TvnPDAnnot* annot : pdfPage->GetAnnots())
    if (auto* field = dynamic_cast<pdfdoc::TvnPDFormField*>(annot)) field->SetIsReadOnly(true);
  page.Open();
  struct Case {
    const char16_t* name;
    std::function<void()> act;   // what the user does
    std::function<bool()> same;  // the field still has its value
  };
  auto* agree = page.Widget<TvnCheckBoxFormWidget>(u"agree");
  auto* colour = page.Widget<TvnRadioGroupFormWidget>(u"colour");
  auto* fruit = page.Widget<TvnComboBoxFormWidget>(u"fruit");
  auto* tags = page.Widget<TvnListBoxFormWidget>(u"tags");
  auto* name = page.Widget<TvnEditFormWidget>(u"name");
  ASSERT_TRUE(agree && colour && fruit && tags && name);
  auto* agreeField = dynamic_cast<pdfdoc::TvnPDFormCheckBox*>(agree->GetPageElement());
  auto* colourField = dynamic_cast<pdfdoc::TvnPDFormRadioButton*>(colour->GetPageElement());
  const bool checked = agreeField->IsChecked();
  const int32_t selected = colourField->SelectedItemIndex();
  const String fruitValue = fruit->GetPageElement()->Value();
  const String tagsValue = tags->GetPageElement()->Value();
  const String nameValue = name->GetPageElement()->Value();
  const std::vector<Case> cases = {
      {u"agree", [&] { Click(agree); },
       [&] { return agreeField->IsChecked() == checked && agree->GetChecked() == checked; }},
      {u"colour",
       [&] {
         for (TvnRadioItemFormWidget* item : colour->GetInput())
           if (!item->GetChecked()) Click(item);
       },
       [&] {
         int32_t shown = 0;
         for (TvnRadioItemFormWidget* item : colour->GetInput()) shown += item->GetChecked() ? 1 : 0;
         return colourField->SelectedItemIndex() == selected && shown == (selected >= 0 ? 1 : 0);
       }},
      {u"fruit",
       [&] {
         fruit->GetInput()->setCurrentIndex((fruit->GetInput()->currentIndex() + 1) % fruit->GetInput()->count());
         fruit->SetFormValue();
       },
       [&] { return fruit->GetPageElement()->Value() == fruitValue && !fruit->GetInput()->isEnabled(); }},
      {u"tags",
       [&] {
         tags->GetInput()->setCurrentRow((tags->GetInput()->currentRow() + 1) % tags->GetInput()->count());
         tags->SetFormValue();
       },
       [&] { return tags->GetPageElement()->Value() == tagsValue && !tags->GetInput()->isEnabled(); }},
      {u"name",
       [&] {
         Click(name);
         name->GetInput()->SetText(QStringLiteral("Changed"));
         name->DoOnExit();
       },
       [&] { return name->GetPageElement()->Value() == nameValue && !name->GetInput()->isEnabled(); }},
  };
  for (const Case& c : cases) {
    c.act();
    EXPECT_TRUE(c.same()) << QString::fromStdU16String(c.name).toStdString();
  }
}

TEST(FormFillingPlugin, PasswordFieldShowsAMaskAndKeepsWhatWasTyped) {
  pdfdoc::TvnPDFormTextField secret;
  secret.SetIsPasswordField(true);
  secret.SetValue(u"abc");
  pdfdoc::TvnPDFormTextField plain;
  plain.SetValue(u"***");
  QWidget surface;
  surface.resize(300, 200);
  TvnEditFormWidget masked(&secret, nullptr, &surface);
  TvnEditFormWidget shown(&plain, nullptr, &surface);
  masked.setGeometry(0, 0, 120, 30);
  shown.setGeometry(0, 40, 120, 30);
  surface.show();
  surface.activateWindow();
  (void)QTest::qWaitForWindowActive(&surface);
  // Unfocused, the widget draws a mask character for each character.
  ASSERT_TRUE(masked.IsPassword());
  EXPECT_EQ(masked.grab().toImage(), shown.grab().toImage());

  // Its input shows the mask too while typing, and the field gets the text.
  masked.ActivateInput();
  TvnEditInput* input = masked.GetInput();
  ASSERT_NE(input, nullptr);
  EXPECT_EQ(input->toPlainText(), "***");
  QTest::keyClick(input, Qt::Key_End);
  QTest::keyClicks(input, "de");
  QTest::keyClick(input, Qt::Key_Backspace);
  QTest::keyClick(input, Qt::Key_Home);
  QTest::keyClicks(input, "X");
  EXPECT_EQ(input->toPlainText(), "*****");
  EXPECT_EQ(input->Text(), "Xabcd");
  masked.DoOnExit();
  EXPECT_EQ(secret.Value(), u"Xabcd");
  EXPECT_EQ(masked.GetValue(), u"Xabcd");
  // Undo cannot bring the typed characters back on screen.
  input->undo();
  EXPECT_EQ(input->toPlainText().count(QChar(u'*')), input->toPlainText().size());
}

}  // namespace
}  // namespace vn::viewer::pdf_form_filling_plugin_test

// Form fields of the extended PDF engine: a form with every field kind is
// clean for qpdf, listed with its values by pypdf, and drawn by pdftoppm;
// names, flags, refusals and the escaping of appearance texts.
#include <filesystem>
#include <memory>
#include <string>

#include "interactive_test_support.h"
#include "pdfwriter/extended_pdf_engine.h"
#include "support/prerequisites.h"

namespace vn::pdfwriter::testing::pdf_form_fields_test {
namespace {

constexpr TColor kYellow = 0xCCFFFF;  // 0x00BBGGRR: light yellow
constexpr TColor kBlue = 0xFF0000;

TvnRect R(double left, double top, double right, double bottom) { return {left, top, right, bottom}; }

template <typename Field>
std::unique_ptr<Field> Make(const String& name, const TvnRect& rect) {
  auto field = std::make_unique<Field>();
  field->FieldName = name;
  field->Rect = rect;
  field->Font.Name = u"Liberation Sans";
  field->Font.Size = 12;
  return field;
}

// A form with a field of every kind on a 600 x 400 pixel page (one pixel
// per engine pixel at 96 dpi).
void AddEveryKind(TestEngine& e) {
  auto button = Make<TvnPDFFormPushButton>(u"send", R(20, 20, 140, 60));
  button->NormalCaption = u"Send";
  button->DownCaption = u"Sending";
  button->BackgroundColor = 0xC0C0C0;
  button->ButtonAction = TvnPDFButtonAction::baSubmit;
  button->SubmitURL = u"https://example.org/submit";
  EXPECT_TRUE(e.AddFormItem(std::move(button)));

  auto check = Make<TvnPDFFormCheckBox>(u"agree", R(160, 20, 190, 50));
  check->Checked = true;
  EXPECT_TRUE(e.AddFormItem(std::move(check)));
  auto unchecked = Make<TvnPDFFormCheckBox>(u"newsletter", R(200, 20, 230, 50));
  unchecked->CheckStyle = TvnPDFCheckStyle::csCross;
  EXPECT_TRUE(e.AddFormItem(std::move(unchecked)));

  auto radio = Make<TvnPDFFormRadioGroup>(u"size", R(0, 0, 0, 0));
  radio->AddButton(R(250, 20, 280, 50), u"Small");
  radio->AddButton(R(290, 20, 320, 50), u"Medium");
  radio->AddButton(R(330, 20, 360, 50), u"Large");
  radio->SelectedIndex = 1;
  radio->NoToggleToOff = true;
  EXPECT_TRUE(e.AddFormItem(std::move(radio)));

  auto text = Make<TvnPDFFormTextField>(u"name", R(20, 80, 300, 110));
  text->Value = u"Jane (Doe) \\ Dupont, café";
  text->BackgroundColor = kYellow;
  text->MaxLength = 40;
  text->Preferences = {TvnAcroFieldPreferencesType::afpRequired};
  EXPECT_TRUE(e.AddFormItem(std::move(text)));

  auto notes = Make<TvnPDFFormTextField>(u"notes", R(20, 120, 300, 200));
  notes->MultiLine = true;
  notes->Value = u"First line of the notes, long enough to wrap in the box.\r\nSecond paragraph.";
  EXPECT_TRUE(e.AddFormItem(std::move(notes)));

  auto secret = Make<TvnPDFFormTextField>(u"pin", R(320, 80, 450, 110));
  secret->Password = true;
  secret->Value = u"1234";
  secret->Alignment = vn::exporter::TvnHAlignment::haRight;
  EXPECT_TRUE(e.AddFormItem(std::move(secret)));

  auto combo = Make<TvnPDFFormComboBox>(u"country", R(320, 120, 500, 150));
  combo->Items = {u"France", u"Germany", u"Spain"};
  combo->SelectedIndex = 1;
  combo->Editable = true;
  EXPECT_TRUE(e.AddFormItem(std::move(combo)));

  auto list = Make<TvnPDFFormListBox>(u"colours", R(320, 160, 500, 260));
  list->Items = {u"Red", u"Green", u"Blue", u"Black"};
  list->MultiSelect = true;
  list->SelectedIndices = {2, 0};
  EXPECT_TRUE(e.AddFormItem(std::move(list)));

  auto signature = Make<TvnPDFFormSignatureField>(u"approval", R(20, 300, 220, 360));
  signature->BackgroundColor = kYellow;
  EXPECT_TRUE(e.AddFormItem(std::move(signature)));
}

std::string EveryKindForm(bool compressed = true) {
  PinClock();
  TestEngine e(600, 400);
  e.Compression().Enabled = compressed;
  e.Preferences().EmbedTrueTypeFonts = TvnTTFontEmbedding::etfSubset;
  e.BeginDoc();
  AddEveryKind(e);
  e.EndDoc();
  return e.Bytes();
}

TEST(PdfFormFields, EveryFieldKindIsCleanAndListedWithItsValue) {
  const std::string pdf = EveryKindForm();
  EXPECT_EQ(QpdfProblems(pdf, "form.pdf"), "");
  if (!HavePypdf()) return;
  const std::string out = InteractiveContent(pdf, "form");
  EXPECT_EQ(LineStartingWith(out, "FIELD send "), "FIELD send ft=/Btn ff=65536 v=None opt=None");
  EXPECT_EQ(LineStartingWith(out, "FIELD agree "), "FIELD agree ft=/Btn ff=0 v=/Yes opt=None");
  EXPECT_EQ(LineStartingWith(out, "FIELD newsletter "), "FIELD newsletter ft=/Btn ff=0 v=/Off opt=None");
  EXPECT_EQ(LineStartingWith(out, "FIELD size "), "FIELD size ft=/Btn ff=49152 v=/Medium opt=None");
  EXPECT_EQ(LineStartingWith(out, "FIELD name "), "FIELD name ft=/Tx ff=2 v=Jane (Doe) \\ Dupont, café opt=None");
  EXPECT_EQ(LineStartingWith(out, "FIELD notes "),
            "FIELD notes ft=/Tx ff=4096 v=First line of the notes, long enough to wrap in the box.\\r\\nSecond paragraph. opt=None");
  EXPECT_EQ(LineStartingWith(out, "FIELD pin "), "FIELD pin ft=/Tx ff=8192 v=1234 opt=None");
  EXPECT_EQ(LineStartingWith(out, "FIELD country "), "FIELD country ft=/Ch ff=393216 v=Germany opt=[France Germany Spain]");
  EXPECT_EQ(LineStartingWith(out, "FIELD colours "), "FIELD colours ft=/Ch ff=2097152 v=[Red Blue] opt=[Red Green Blue Black]");
  EXPECT_EQ(LineStartingWith(out, "FIELD approval "), "FIELD approval ft=/Sig ff=0 v=None opt=None");
  // Twelve widgets: the radio group's three buttons, no widget for the group.
  EXPECT_EQ(LinesStartingWith(out, "ANNOT 1 ").size(), 12u);
  const std::string form = LineStartingWith(out, "ACROFORM ");
  EXPECT_NE(form.find("/NeedAppearances=False"), std::string::npos) << form;
  EXPECT_EQ(form.find("/SigFlags"), std::string::npos) << form;
  // The push button submits the form as HTML data to its address.
  const auto annots = LinesStartingWith(out, "ANNOT 1 ");
  bool submit = false;
  for (const auto& a : annots)
    if (a.find("/S=/SubmitForm") != std::string::npos && a.find("/F=https://example.org/submit") != std::string::npos &&
        a.find("/Flags=4") != std::string::npos)
      submit = true;
  EXPECT_TRUE(submit) << out;
}

TEST(PdfFormFields, AppearancesAreDrawn) {
  const std::string pdf = EveryKindForm();
  const auto page = Render(pdf, "form_appearance");
  if (!page) return;
  auto dark_in = [&](int x1, int y1, int x2, int y2) {
    int dark = 0;
    for (int y = y1; y < y2; ++y)
      for (int x = x1; x < x2; ++x) {
        const uint32_t c = page->At(x, y);
        if (((c >> 16) & 255) < 96 && ((c >> 8) & 255) < 96 && (c & 255) < 96) ++dark;
      }
    return dark;
  };
  // The text field's background and its value.
  EXPECT_EQ(page->At(25, 85), 0xFFFFCCu);
  EXPECT_GT(dark_in(22, 82, 298, 108), 50);
  // The push button: grey face, caption.
  EXPECT_EQ(page->At(30, 40), 0xC0C0C0u);
  EXPECT_GT(dark_in(50, 25, 110, 55), 20);
  // The checked box shows its mark, the unchecked one none.
  EXPECT_GT(dark_in(163, 23, 187, 47), 20);
  EXPECT_EQ(dark_in(203, 23, 227, 47), 0);
  // Only the selected radio button shows its mark.
  EXPECT_EQ(dark_in(253, 23, 277, 47), 0);
  EXPECT_GT(dark_in(293, 23, 317, 47), 20);
  EXPECT_EQ(dark_in(333, 23, 357, 47), 0);
  // The password shows as stars, not as its digits: some dark pixels.
  EXPECT_GT(dark_in(322, 82, 448, 108), 5);
  // The list box highlights its selected items (Red and Blue).
  EXPECT_EQ(page->At(480, 166), 0x99BFD9u);
  EXPECT_EQ(page->At(480, 186), 0xFFFFFFu);
  // The empty signature field is a box of its background.
  EXPECT_EQ(page->At(100, 330), 0xFFFFCCu);
  // Multi-line text fills more than one line.
  EXPECT_GT(dark_in(22, 122, 298, 140), 30);
  EXPECT_GT(dark_in(22, 140, 298, 160), 30);
}

TEST(PdfFormFields, AppearanceTextsAreEscaped) {
  const std::string pdf = EveryKindForm(false);
  EXPECT_NE(pdf.find("(Jane \\(Doe\\) \\\\ Dupont, caf\xE9) Tj"), std::string::npos);
  EXPECT_NE(pdf.find("(****) Tj"), std::string::npos);
  EXPECT_EQ(pdf.find("(1234)"), std::string::npos);
}

TEST(PdfFormFields, FieldsWithoutNamesAreNamedByKindAndIndex) {
  PinClock();
  TestEngine e(400, 200);
  e.BeginDoc();
  auto text = std::make_unique<TvnPDFFormTextField>();
  text->Rect = R(10, 10, 100, 30);
  EXPECT_TRUE(e.AddFormItem(std::move(text)));
  auto box = std::make_unique<TvnPDFFormCheckBox>();
  box->Rect = R(10, 40, 30, 60);
  EXPECT_TRUE(e.AddFormItem(std::move(box)));
  auto combo = std::make_unique<TvnPDFFormComboBox>();
  combo->Rect = R(10, 70, 100, 90);
  EXPECT_TRUE(e.AddFormItem(std::move(combo)));
  e.EndDoc();
  if (!HavePypdf()) return;
  const std::string out = InteractiveContent(e.Bytes(), "names");
  EXPECT_EQ(LinesStartingWith(out, "FIELD Text0 ").size(), 1u) << out;
  EXPECT_EQ(LinesStartingWith(out, "FIELD ChBtn1 ").size(), 1u) << out;
  // A combo box without items or value shows "Choice".
  EXPECT_EQ(LineStartingWith(out, "FIELD Combo2 "), "FIELD Combo2 ft=/Ch ff=131072 v=Choice opt=[]");
}

TEST(PdfFormFields, FieldsAreRefusedWithoutADocumentOrOutsideTheBand) {
  PinClock();
  TestEngine e(400, 200);
  auto early = std::make_unique<TvnPDFFormTextField>();
  early->Rect = R(10, 10, 100, 30);
  EXPECT_FALSE(e.AddFormItem(std::move(early)));
  e.BeginDoc();
  auto outside = std::make_unique<TvnPDFFormTextField>();
  outside->Rect = R(-20, 10, 100, 30);
  EXPECT_FALSE(e.AddFormItem(std::move(outside)));
  auto below = std::make_unique<TvnPDFFormTextField>();
  below->Rect = R(10, 500, 100, 530);
  EXPECT_FALSE(e.AddFormItem(std::move(below)));
  EXPECT_FALSE(e.AddFormItem(std::make_unique<TvnPDFFormRadioGroup>()));
  // A group keeps its buttons inside the band, the selection with them.
  auto group = std::make_unique<TvnPDFFormRadioGroup>();
  group->FieldName = u"g";
  group->AddButton(R(-50, 10, -30, 30), u"Gone");
  group->AddButton(R(10, 10, 30, 30), u"A");
  group->AddButton(R(40, 10, 60, 30), u"B");
  group->SelectedIndex = 2;
  EXPECT_TRUE(e.AddFormItem(std::move(group)));
  ASSERT_EQ(e.FormFields().size(), 1u);
  const auto& kept = static_cast<const TvnPDFFormRadioGroup&>(*e.FormFields()[0]);
  EXPECT_EQ(kept.RadioButtons.size(), 2u);
  EXPECT_EQ(kept.SelectedIndex, 1);
  e.EndDoc();
  EXPECT_EQ(e.Bytes().find("/T <FEFF0054006500780074"), std::string::npos);
  if (!HavePypdf()) return;
  const std::string out = InteractiveContent(e.Bytes(), "refused");
  EXPECT_EQ(LineStartingWith(out, "FIELD g "), "FIELD g ft=/Btn ff=32768 v=/B opt=None");
  EXPECT_EQ(LinesStartingWith(out, "ANNOT ").size(), 2u);
}

TEST(PdfFormFields, FieldsGoOnTheirPagesAndTheCatalogHasOneForm) {
  PinClock();
  TestEngine e(300, 200);
  e.Compression().Enabled = false;
  e.BeginDoc();
  auto first = std::make_unique<TvnPDFFormTextField>();
  first->FieldName = u"one";
  first->Rect = R(10, 10, 100, 30);
  e.AddFormItem(std::move(first));
  e.NewPage();
  auto second = std::make_unique<TvnPDFFormCheckBox>();
  second->FieldName = u"two";
  second->Rect = R(10, 10, 30, 30);
  e.AddFormItem(std::move(second));
  e.EndDoc();
  const std::string pdf = e.Bytes();
  size_t count = 0;
  for (size_t at = pdf.find("/AcroForm"); at != std::string::npos; at = pdf.find("/AcroForm", at + 1)) ++count;
  EXPECT_EQ(count, 1u);
  if (!HavePypdf()) return;
  const std::string out = InteractiveContent(pdf, "pages");
  EXPECT_EQ(LinesStartingWith(out, "ANNOT 1 ").size(), 1u);
  EXPECT_EQ(LinesStartingWith(out, "ANNOT 2 ").size(), 1u);
  EXPECT_NE(LineStartingWith(out, "ANNOT 2 ").find("/T=two"), std::string::npos);
}

TEST(PdfFormFields, ADocumentWithoutFieldsHasNoForm) {
  PinClock();
  TestEngine e;
  e.BeginDoc();
  e.EndDoc();
  EXPECT_EQ(e.Bytes().find("/AcroForm"), std::string::npos);
  EXPECT_EQ(e.Bytes().find("/Annots"), std::string::npos);
}

}  // namespace
}  // namespace vn::pdfwriter::testing::pdf_form_fields_test

#include "wordmodel/fields.h"

#include <gtest/gtest.h>

#include <typeinfo>

#include "runtime/datetime.h"
#include "wordmodel/word_document_info.h"

namespace vn::wordmodel::fields_test {
namespace {

using vn::framework::TvnDocumentInfo;

// Pins the clock to 2024-03-05 15:04:09 for one test.
class PinnedClock {
 public:
  PinnedClock() {
    SetClock([] { return EncodeDateTime(2024, 3, 5, 15, 4, 9, 0); }, [](TDateTime) { return 0; });
  }
  ~PinnedClock() { ResetClock(); }
};

// A result of one run holding the given text items.
std::unique_ptr<TvnFieldResult> ResultOf(std::initializer_list<const char16_t*> ATexts) {
  auto result = std::make_unique<TvnFieldResult>();
  auto run = std::make_unique<TvnRun>();
  for (const char16_t* text : ATexts) run->Add(std::make_unique<TvnTextitem>(text, run->GetFinalRunProperties()));
  result->push_back(std::move(run));
  return result;
}

String ShownText(const TvnField& AField) {
  const TvnFieldResult* result = AField.GetResult();
  if (result == nullptr || result->empty()) return u"<none>";
  String text;
  for (const auto& run : *result) {
    for (const auto& item : run->GetItems()) text += dynamic_cast<const TvnTextitem&>(*item).GetText();
  }
  return text;
}

std::unique_ptr<TvnField> MakeField(TvnBaseDocumentHandler* ADocument, const String& ACode,
                                    std::unique_ptr<TvnFieldResult> AResult) {
  auto code = std::make_unique<TvnFieldCode>();
  code->SetCode(ACode);
  return TvnWordHelperFunctions::GetField(ADocument, std::move(code), false, std::move(AResult));
}

class FieldsForViewer : public ::testing::Test {
 protected:
  FieldsForViewer() {
    auto info = std::make_unique<TvnWordDocumentInfo>();
    dates = info.get();
    document.SetDocumentInfo(std::move(info));
  }
  String Shown(const String& ACode) {
    auto field = MakeField(&document, ACode, ResultOf({u"stored", u" rest"}));
    field->UpdateFieldForViewer();
    return ShownText(*field);
  }

  PinnedClock clock;
  TvnBaseDocumentHandler document;
  TvnWordDocumentInfo* dates = nullptr;
};

TEST_F(FieldsForViewer, DatePicturesForThePinnedClock) {
  dates->SetCreated(u"2019-11-02T08:30:00Z");
  dates->SetLastPrinted(u"2020-01-31T23:59:59");
  const struct {
    const char16_t* code;
    const char16_t* shown;
  } cases[] = {
      {u"DATE \\@ \"d MMMM yyyy\" \\* MERGEFORMAT", u"5 March 2024"},
      {u"DATE \\@ \"yyyy\"", u"2024"},
      {u"DATE \\@ \"dddd, MMM d\"", u"Tuesday, Mar 5"},
      {u"TIME \\@ \"HH:mm:ss\"", u"15:04:09"},
      {u"TIME \\@ \"h:mm am/pm\"", u"3:04 PM"},
      {u"TIME \\@ h:mm am/pm", u"3:04 PM"},  // an unquoted picture
      {u"DATE \\@ \"yyyy\" \\* Lower", u"2024"},
      {u"DATE", u"3/5/2024 15:04:09"},  // no picture: the general form
      {u"CREATEDATE \\@ \"dd.MM.yy HH:mm\"", u"02.11.19 08:30"},
      {u"PRINTDATE \\@ \"d/M/yyyy\"", u"31/1/2020"},
      // No stored date, or one that does not read as a date: the stored
      // result stays.
      {u"SAVEDATE \\@ \"yyyy\"", u"stored rest"},
      {u"EDITTIME", u"stored rest"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Shown(c.code), c.shown) << ToUtf8(c.code);
  }
  dates->SetModified(u"2021-02-30T10:00:00");
  EXPECT_EQ(Shown(u"SAVEDATE \\@ \"yyyy\""), u"stored rest");
  dates->SetModified(u"2021-xx-01T10:00:00");
  EXPECT_EQ(Shown(u"SAVEDATE \\@ \"yyyy\""), u"stored rest");
}

TEST_F(FieldsForViewer, DocumentProperties) {
  TvnDocumentInfo& info = *document.GetDocumentInfo();
  info.SetCreator(u"Ann Creator");
  info.SetSubject(u"the subject");
  info.SetKeyWords(u"a, b");
  info.SetTitle(u"the title of it");
  // The author is empty: the creator is shown.
  EXPECT_EQ(Shown(u"AUTHOR"), u"Ann Creator");
  info.SetAuthor(u"Bob Author");
  EXPECT_EQ(Shown(u"AUTHOR \\* Upper"), u"BOB AUTHOR");
  EXPECT_EQ(Shown(u"SUBJECT \\* FirstCap"), u"The subject");
  EXPECT_EQ(Shown(u"KEYWORDS"), u"a, b");
  EXPECT_EQ(Shown(u"TITLE \\* Caps"), u"The Title Of It");
  EXPECT_EQ(Shown(u"TITLE \\* Lower \\* Caps"), u"The Title Of It");
  // Fields that show nothing of the document keep their stored result.
  EXPECT_EQ(Shown(u"DOCPROPERTY Company"), u"stored rest");
  EXPECT_EQ(Shown(u"HYPERLINK x"), u"stored rest");

  // Without a document or without its information nothing changes.
  auto orphan = MakeField(nullptr, u"AUTHOR", ResultOf({u"kept"}));
  orphan->UpdateFieldForViewer();
  EXPECT_EQ(ShownText(*orphan), u"kept");
  TvnBaseDocumentHandler bare;
  auto uninformed = MakeField(&bare, u"AUTHOR", ResultOf({u"kept"}));
  uninformed->UpdateFieldForViewer();
  EXPECT_EQ(ShownText(*uninformed), u"kept");
  // The clock needs no document information.
  auto today = MakeField(&bare, u"DATE \\@ \"yyyy\"", ResultOf({u"kept"}));
  today->UpdateFieldForViewer();
  EXPECT_EQ(ShownText(*today), u"2024");
  auto timeless = MakeField(nullptr, u"DATE", ResultOf({u"kept"}));
  timeless->UpdateFieldForViewer();
  EXPECT_EQ(ShownText(*timeless), u"kept");
  // Stored dates need the Word document's dates.
  bare.SetDocumentInfo(std::make_unique<TvnDocumentInfo>());
  auto undated = MakeField(&bare, u"CREATEDATE", ResultOf({u"kept"}));
  undated->UpdateFieldForViewer();
  EXPECT_EQ(ShownText(*undated), u"kept");
}

TEST(Fields, GetFieldKinds) {
  const struct {
    const char16_t* code;
    bool skipFormFields;
    const char* kind;
  } cases[] = {
      {u"MERGEFIELD Name", false, "merge"},    {u"DATE", false, "date"},
      {u"MERGEREC", false, "mergerec"},        {u"MERGESEQ", false, "mergeseq"},
      {u"PAGE \\* MERGEFORMAT", false, "page"}, {u"NUMPAGES", false, "numpages"},
      {u"TIME", false, "plain"},               {u"FORMTEXT", false, "plain"},
      {u"FORMTEXT", true, "none"},             {u"FORMCHECKBOX", true, "none"},
      {u"FORMDROPDOWN", true, "none"},         {u"NOSUCH", true, "plain"},
  };
  for (const auto& c : cases) {
    auto code = std::make_unique<TvnFieldCode>();
    code->SetCode(c.code);
    auto field = TvnWordHelperFunctions::GetField(nullptr, std::move(code), c.skipFormFields, nullptr);
    const char* kind = "none";
    if (field == nullptr) {
      kind = "none";
    } else if (dynamic_cast<TvnMergeField*>(field.get())) {
      kind = "merge";
    } else if (dynamic_cast<TvnDateField*>(field.get())) {
      kind = "date";
    } else if (dynamic_cast<TvnMergeRecField*>(field.get())) {
      kind = "mergerec";
    } else if (dynamic_cast<TvnMergeSeqField*>(field.get())) {
      kind = "mergeseq";
    } else if (dynamic_cast<TvnPageField*>(field.get())) {
      kind = "page";
    } else if (dynamic_cast<TvnNumPages*>(field.get())) {
      kind = "numpages";
    } else if (const TvnField& made = *field; typeid(made) == typeid(TvnField)) {
      kind = "plain";
    }
    EXPECT_STREQ(kind, c.kind) << ToUtf8(c.code);
    if (field && (std::string(kind) == "mergerec" || std::string(kind) == "mergeseq")) {
      EXPECT_TRUE(field->GetFieldCode()->GetIsMergeRelatedField());
    }
  }
}

TEST(Fields, NumPagesKeepsItsTextItem) {
  auto field = MakeField(nullptr, u"NUMPAGES", nullptr);
  auto* pages = dynamic_cast<TvnNumPages*>(field.get());
  ASSERT_NE(pages, nullptr);
  TvnTextitem item;
  pages->SetTextItem(&item);
  EXPECT_EQ(pages->GetTextItem(), &item);
}

TEST(Fields, MergeFieldTakesItsSurroundingTexts) {
  auto field = MakeField(nullptr, u"MERGEFIELD Town \\b \"In \" \\f \"!\" \\* MERGEFORMAT", nullptr);
  auto* merge = dynamic_cast<TvnMergeField*>(field.get());
  ASSERT_NE(merge, nullptr);
  EXPECT_EQ(merge->GetIdentifier(), u"Town");
  EXPECT_EQ(merge->GetTextBefore(), u"In ");
  EXPECT_EQ(merge->GetTextAfter(), u"!");
}

TEST(Fields, UpdateKeepsOneRunWithOneTextItem) {
  auto field = MakeField(nullptr, u"REF x \\* FirstCap", ResultOf({u"old", u" tail"}));
  field->GetResult()->push_back(std::make_unique<TvnRun>());
  EXPECT_EQ(field->Update(u"new value"), nullptr);
  ASSERT_EQ(field->GetResult()->size(), 1u);
  EXPECT_EQ(field->GetResult()->front()->GetCount(), 1);
  EXPECT_EQ(ShownText(*field), u"New value");
  EXPECT_TRUE(field->GetIsApplySwitchPropertiesComplete());
  EXPECT_FALSE(field->GetIsExecuted());

  // A field without result gets one.
  auto empty = MakeField(nullptr, u"TITLE", nullptr);
  empty->Update(u"shown");
  EXPECT_EQ(ShownText(*empty), u"shown");
}

TEST(Fields, MergeRelatedUpdateReplacesTheFieldInItsParagraph) {
  TvnParagraph paragraph;
  paragraph.Add(std::make_unique<TvnRun>());
  auto* field = static_cast<TvnField*>(
      paragraph.TvnCompositeDocItem::Add(MakeField(nullptr, u"MERGEREC", ResultOf({u"1", u"x"}))));
  field->SetParent(&paragraph);
  paragraph.Add(std::make_unique<TvnRun>());

  std::unique_ptr<TvnDocItem> detached = field->Update(u"7");
  ASSERT_EQ(detached.get(), field);
  EXPECT_TRUE(field->GetIsExecuted());
  EXPECT_EQ(field->GetParent(), nullptr);
  ASSERT_EQ(paragraph.GetCount(), 3);
  auto* shown = dynamic_cast<TvnRun*>(paragraph.GetItem(1));
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(dynamic_cast<TvnTextitem&>(*shown->GetItem(0)).GetText(), u"7");
  EXPECT_EQ(paragraph.GetIndexOf(field), -1);

  // Without a parent the switches apply instead.
  auto alone = MakeField(nullptr, u"MERGESEQ \\* Upper", ResultOf({u"a"}));
  EXPECT_EQ(alone->Update(u"seq"), nullptr);
  EXPECT_TRUE(alone->GetIsExecuted());
  EXPECT_EQ(ShownText(*alone), u"SEQ");
}

TEST(Fields, CloneKeepsKindCodeResultAndInnerField) {
  TvnBaseDocumentHandler document;
  auto field = MakeField(&document, u"MERGEFIELD Town \\b \"In \"", ResultOf({u"Oslo"}));
  field->SetInnerField(MakeField(&document, u"PAGE", nullptr));
  field->SetIsSimpleField(true);
  field->SetX(12);

  auto copy = CloneAs(*field);
  auto* merge = dynamic_cast<TvnMergeField*>(copy.get());
  ASSERT_NE(merge, nullptr);
  EXPECT_EQ(merge->GetTextBefore(), u"In ");
  EXPECT_EQ(merge->GetIdentifier(), u"Town");
  EXPECT_EQ(copy->GetDocument(), &document);
  EXPECT_TRUE(copy->GetIsSimpleField());
  EXPECT_EQ(copy->GetX(), 12);
  EXPECT_NE(copy->GetFieldCode(), field->GetFieldCode());
  ASSERT_NE(copy->GetInnerField(), nullptr);
  EXPECT_NE(dynamic_cast<TvnPageField*>(copy->GetInnerField()), nullptr);
  EXPECT_EQ(ShownText(*copy), u"Oslo");
  // The copy's result is its own.
  copy->Update(u"Bergen");
  EXPECT_EQ(ShownText(*field), u"Oslo");

  auto bare = MakeField(nullptr, u"PAGE", nullptr);
  EXPECT_EQ(CloneAs(*bare)->GetResult(), nullptr);
}

}  // namespace
}  // namespace vn::wordmodel::fields_test

// Fields read through the dispatcher: the field kind its instruction names,
// the instruction joined from its runs, the result kept as the field's runs,
// and results the field cannot hold left in the body.
#include <gtest/gtest.h>

#include <string>

#include "rtf/rtf_tag_handler.h"
#include "rtf_test_support.h"
#include "wordmodel/fields.h"

namespace vn::rtf::rtf_fields_test {

using rtf_test_support::Dispatch;
using vn::wordmodel::TvnField;
using vn::wordmodel::TvnNumPages;
using vn::wordmodel::TvnPageField;
using vn::wordmodel::TvnParagraph;
using vn::wordmodel::TvnRun;
using vn::wordmodel::TvnTextitem;

std::string RunText(const TvnRun& ARun) {
  std::string text;
  for (const auto& child : ARun.GetItems())
    if (const auto* item = dynamic_cast<const TvnTextitem*>(child.get())) text += vn::ToUtf8(item->GetText());
  return text;
}

// The body's paragraphs one a line: runs as their text, a field as
// "<kind:code|result>" with kind page, numpages or field.
std::string DumpFields(const TvnRTFTagHandler& AHandler) {
  std::string result;
  for (const auto* element : AHandler.Elements()) {
    const auto* paragraph = dynamic_cast<const TvnParagraph*>(element);
    if (paragraph == nullptr) continue;
    for (const auto& item : paragraph->GetItems()) {
      if (const auto* run = dynamic_cast<const TvnRun*>(item.get())) {
        result += RunText(*run);
      } else if (const auto* field = dynamic_cast<const TvnField*>(item.get())) {
        const char* kind = dynamic_cast<const TvnPageField*>(field) != nullptr  ? "page"
                           : dynamic_cast<const TvnNumPages*>(field) != nullptr ? "numpages"
                                                                                 : "field";
        EXPECT_EQ(field->GetParent(), paragraph);
        result += std::string("<") + kind + ":" + vn::ToUtf8(field->GetFieldCode()->GetCode()) + "|";
        if (field->GetResult() != nullptr)
          for (const auto& shown : *field->GetResult()) result += RunText(*shown);
        result += ">";
      }
    }
    result += "\n";
  }
  return result;
}

struct FieldCase {
  const char* name;
  const char* rtf;
  const char* expected;
};

TEST(RtfFields, FieldsBecomeFieldObjectsOfTheParagraph) {
  const FieldCase cases[] = {
      {"page number", R"({\rtf1 Page {\field{\*\fldinst PAGE}{\fldrslt 1}} end\par})", "Page <page:PAGE|1> end\n"},
      {"page count", R"({\rtf1 of {\field{\*\fldinst {NUMPAGES}}{\fldrslt {\b 12}}}\par})", "of <numpages:NUMPAGES|12>\n"},
      {"instruction over formatted runs, hyperlink",
       R"({\rtf1 {\field{\*\fldinst {\b HYPER}{\i LINK "http://example.org/"}}{\fldrslt {\ul here}}}.\par})",
       "<field:HYPERLINK \"http://example.org/\"|here>.\n"},
      {"unknown instruction keeps its result", R"({\rtf1 {\field{\*\fldinst FOOBAR x}{\fldrslt shown}}\par})",
       "<field:FOOBAR x|shown>\n"},
      {"field without result", R"({\rtf1 a{\field{\*\fldinst PAGE}}b\par})", "a<page:PAGE|>b\n"},
      {"picture field leaves its result as content", R"({\rtf1 a{\field{\*\fldinst SHAPE  \\* MERGEFORMAT}{\fldrslt pic}}b\par})",
       "apicb\n"},
      {"result with paragraph ends stays in the body",
       R"({\rtf1 {\field{\*\fldinst TOC \\o}{\fldrslt one\par two}}\par})", "one\ntwo\n"},
      {"nested field in a result: the inner one is kept",
       R"({\rtf1 {\field{\*\fldinst HYPERLINK "x"}{\fldrslt {\field{\*\fldinst PAGE}{\fldrslt 3}}}}\par})",
       "<page:PAGE|3>\n"},
      {"instruction outside a field is not shown", R"({\rtf1 a{\*\fldinst PAGE}b\par})", "ab\n"},
      {"result outside a field is ordinary text", R"({\rtf1 a{\fldrslt r}b\par})", "arb\n"},
      {"field cut off by the end of the input", R"({\rtf1 x{\field{\*\fldinst PAGE}{\fldrslt 7)", "x<page:PAGE|7>\n"},
  };
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DumpFields(*Dispatch(c.rtf)), c.expected);
  }
}

TEST(RtfFields, FieldInAHeaderBelongsToTheHeader) {
  const auto handler = Dispatch(R"({\rtf1 {\header {\field{\*\fldinst PAGE}{\fldrslt 1}}\par}Body\par})");
  ASSERT_EQ(handler->Sections().size(), 1u);
  const auto& header = handler->Sections()[0]->GetDefaultPageHeader()->GetElements();
  ASSERT_EQ(header.size(), 1u);
  const auto* paragraph = dynamic_cast<const TvnParagraph*>(header[0].get());
  ASSERT_NE(paragraph, nullptr);
  ASSERT_EQ(paragraph->GetCount(), 1);
  EXPECT_NE(dynamic_cast<const TvnPageField*>(paragraph->GetItem(0)), nullptr);
  EXPECT_EQ(DumpFields(*handler), "Body\n");
}

}  // namespace vn::rtf::rtf_fields_test

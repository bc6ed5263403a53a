#include "pdfdocument/pd_destination.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "pdfdocument/pd_action.h"
#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pdf_model_testing.h"
#include "runtime/exceptions.h"
#include "support/pdf_files.h"

namespace vn::pdfdoc::pd_destination_test {

using model_testing::OpenPdfBytes;
using vn::test_support::PdfOfObjects;
using Opt = TvnPageDisplayOptions;

// Three pages (objects 3, 4, 5); named destinations in a name tree whose
// names sit in the root, in a later kid and in a nested kid, and in an old
// /Dests dictionary; object 11 is the action of each case.
std::string ActionPdf(const std::string& action) {
  return PdfOfObjects({
      "<< /Type /Catalog /Pages 2 0 R /Names << /Dests 6 0 R >> /Dests 9 0 R >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 /MediaBox [0 0 612 792] >>",
      "<< /Type /Page /Parent 2 0 R >>",
      "<< /Type /Page /Parent 2 0 R >>",
      "<< /Type /Page /Parent 2 0 R >>",
      "<< /Names [(Root) [3 0 R /FitB]] /Kids [7 0 R 8 0 R] >>",
      "<< /Limits [(Alpha) (Alpha)] /Names [(Alpha) [3 0 R /Fit]] >>",
      "<< /Kids [10 0 R] >>",
      "<< /Old [5 0 R /FitH 700] >>",
      "<< /Names [(Chapter1) << /D [5 0 R /Fit] >> (Second) [4 0 R /XYZ 1 2 3]] >>",
      action,
  });
}

struct DestCase {
  const char* what;
  const char* action;
  bool has_destination;
  int page;  // 0: none
  Opt option;
  double left, top, right, bottom;
};

// The destination of a go-to action: explicit arrays of every type, page
// references and indices, short and null operands, and names resolved
// through the name tree (any kid, any depth, array or dictionary values)
// and the /Dests dictionary; what names nothing gives no destination.
TEST(PDDestination, ActionDestinations) {
  const std::vector<DestCase> cases = {
      {"XYZ", "<< /S /GoTo /D [4 0 R /XYZ 100 700 0] >>", true, 2, Opt::FitZoom, 100, 700, 0, 0},
      {"FitR in array order", "<< /S /GoTo /D [4 0 R /FitR 10 20 300 400] >>", true, 2, Opt::FitRect, 10, 20, 300, 400},
      {"Fit", "<< /S /GoTo /D [5 0 R /Fit] >>", true, 3, Opt::FitAll, 0, 0, 0, 0},
      {"FitH", "<< /S /GoTo /D [3 0 R /FitH 500.5] >>", true, 1, Opt::FitHeight, 0, 500.5, 0, 0},
      {"FitV", "<< /S /GoTo /D [3 0 R /FitV 72] >>", true, 1, Opt::FitWidth, 72, 0, 0, 0},
      {"FitB", "<< /S /GoTo /D [3 0 R /FitB] >>", true, 1, Opt::FitBoundingBox, 0, 0, 0, 0},
      {"FitBH", "<< /S /GoTo /D [3 0 R /FitBH 9] >>", true, 1, Opt::FitBoundingBoxHeight, 0, 9, 0, 0},
      {"FitBV", "<< /S /GoTo /D [3 0 R /FitBV 8] >>", true, 1, Opt::FitBoundingBoxWidth, 8, 0, 0, 0},
      {"page index 0", "<< /S /GoTo /D [0 /Fit] >>", true, 1, Opt::FitAll, 0, 0, 0, 0},
      {"page index past the end", "<< /S /GoTo /D [3 /Fit] >>", true, 0, Opt::FitAll, 0, 0, 0, 0},
      {"short array", "<< /S /GoTo /D [4 0 R /XYZ] >>", true, 2, Opt::FitZoom, 0, 0, 0, 0},
      {"null operands", "<< /S /GoTo /D [4 0 R /XYZ null 5.5 null] >>", true, 2, Opt::FitZoom, 0, 5.5, 0, 0},
      {"page not in the tree", "<< /S /GoTo /D [9 0 R /Fit] >>", true, 0, Opt::FitAll, 0, 0, 0, 0},
      {"unknown type", "<< /S /GoTo /D [4 0 R /Foo 1 2] >>", true, 2, Opt::None, -1, -1, -1, -1},
      {"name in the first kid", "<< /S /GoTo /D (Alpha) >>", true, 1, Opt::FitAll, 0, 0, 0, 0},
      {"name in a nested later kid", "<< /S /GoTo /D (Chapter1) >>", true, 3, Opt::FitAll, 0, 0, 0, 0},
      {"array value in the tree", "<< /S /GoTo /D (Second) >>", true, 2, Opt::FitZoom, 1, 2, 3, 0},
      {"name in the tree's root", "<< /S /GoTo /D (Root) >>", true, 1, Opt::FitBoundingBox, 0, 0, 0, 0},
      {"name in /Dests", "<< /S /GoTo /D /Old >>", true, 3, Opt::FitHeight, 0, 700, 0, 0},
      {"unknown name", "<< /S /GoTo /D (Missing) >>", false, 0, Opt::None, 0, 0, 0, 0},
      {"unresolved type-like name", "<< /S /GoTo /D /FitH >>", false, 0, Opt::None, 0, 0, 0, 0},
      {"no /D", "<< /S /GoTo >>", false, 0, Opt::None, 0, 0, 0, 0},
      {"/D of another kind", "<< /S /GoTo /D 12 >>", false, 0, Opt::None, 0, 0, 0, 0},
  };
  for (const DestCase& c : cases) {
    SCOPED_TRACE(c.what);
    auto handler = OpenPdfBytes(ActionPdf(c.action));
    TvnPDAction action(handler.get(), nullptr, handler->GetObject(11));
    TvnqPDFDestination* dest = action.Destination();
    ASSERT_EQ(dest != nullptr, c.has_destination);
    if (!dest) continue;
    EXPECT_EQ(action.Destination(), dest);
    EXPECT_EQ(dest->Page() ? dest->Page()->PageNum() : 0, c.page);
    EXPECT_EQ(dest->DisplayOptions(), c.option);
    const TvnPDRect* r = dest->Rect();
    EXPECT_EQ(r->Left(), c.left);
    EXPECT_EQ(r->Top(), c.top);
    EXPECT_EQ(r->Right(), c.right);
    EXPECT_EQ(r->Bottom(), c.bottom);
  }
}

struct TypeCase {
  const char* action;
  std::optional<TvnPDActionType> type;  // none: raises
};

TEST(PDDestination, ActionTypes) {
  const std::vector<TypeCase> cases = {
      {"<< /S /GoTo >>", TvnPDActionType::actionGoTo},
      {"<< /S /URI /URI (http://x) >>", TvnPDActionType::actionURI},
      {"<< /S /GoTo3DView >>", TvnPDActionType::actionGoTo3DView},
      {"<< /S /Foo >>", TvnPDActionType::actionNone},
      {"<< /D [3 0 R /Fit] >>", TvnPDActionType::actionNone},
      {"<< /S (GoTo) >>", std::nullopt},
      {"<< /S 3 >>", std::nullopt},
  };
  for (const TypeCase& c : cases) {
    SCOPED_TRACE(c.action);
    auto handler = OpenPdfBytes(ActionPdf(c.action));
    TvnPDAction action(handler.get(), nullptr, handler->GetObject(11));
    if (c.type) {
      EXPECT_EQ(action.ActionType(), *c.type);
    } else {
      try {
        action.ActionType();
        ADD_FAILURE() << "no exception";
      } catch (const vn::ExBadPDFAction& e) {
        EXPECT_STREQ(e.what(), "Bad Action object");
      }
    }
  }
}

// The /Next chain: a dictionary, an array in order, nested arrays opened,
// other elements skipped; only this action's own /Next.
TEST(PDDestination, NextChain) {
  const std::vector<std::pair<const char*, std::vector<TvnPDActionType>>> cases = {
      {"<< /S /GoTo /Next [<< /S /URI >> << /S /Named >>] >>",
       {TvnPDActionType::actionURI, TvnPDActionType::actionNamed}},
      {"<< /S /GoTo /Next << /S /Hide /Next << /S /URI >> >> >>", {TvnPDActionType::actionHide}},
      {"<< /S /GoTo /Next [<< /S /URI >> 5 [<< /S /Hide >> [<< /S /Trans >>]] /X] >>",
       {TvnPDActionType::actionURI, TvnPDActionType::actionHide, TvnPDActionType::actionTrans}},
      {"<< /S /GoTo >>", {}},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    auto handler = OpenPdfBytes(ActionPdf(text));
    TvnPDAction action(handler.get(), nullptr, handler->GetObject(11));
    std::vector<TvnPDActionType> types;
    for (const auto& next : action.GetAllActions()) {
      types.push_back(next->ActionType());
      EXPECT_EQ(next->ParentElement(), &action);
    }
    EXPECT_EQ(types, expected);
    EXPECT_EQ(&action.GetAllActions(), &action.GetAllActions());
  }
}

TEST(PDDestination, MadeInMemory) {
  auto handler = OpenPdfBytes(ActionPdf("<< /S /Launch /F (report.pdf) >>"));
  TvnPDAction launch(handler.get(), nullptr, handler->GetObject(11));
  ASSERT_NE(launch.FileSpec(), nullptr);
  EXPECT_EQ(launch.FileSpec()->FileName(), u"report.pdf");

  TvnPDRect rect(1, 2, 3, 4);
  auto dest = std::make_unique<TvnqPDFDestination>(handler.get(), handler->GetPage(2), Opt::FitRect, &rect);
  TvnqPDFDestination* raw = dest.get();
  TvnPDAction go_to(handler.get(), nullptr, std::move(dest), nullptr);
  EXPECT_EQ(go_to.ActionType(), TvnPDActionType::actionGoTo);
  ASSERT_EQ(go_to.Destination(), raw);
  EXPECT_EQ(raw->Page()->PageNum(), 2);
  EXPECT_EQ(raw->Rect()->Bottom(), 4);
  rect.SetLeft(9);
  EXPECT_EQ(raw->Rect()->Left(), 1) << "the rectangle is a copy";

  TvnqPDFDestination empty;
  EXPECT_EQ(empty.Page(), nullptr);
  EXPECT_EQ(empty.DisplayOptions(), Opt::None);
  EXPECT_EQ(empty.Rect()->Left(), -1);
}

}  // namespace vn::pdfdoc::pd_destination_test

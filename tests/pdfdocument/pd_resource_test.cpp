// Resources, XObjects and patterns on a small document whose page
// resources hold fonts, colour spaces, an ExtGState, a tiling and a shading
// pattern and XObjects, one of them a form with resources of its own and a
// nested form and image inside: lookups by name, counts, the lists' laziness
// and ownership, new resource names, and the values forms, images and
// patterns read from their dictionaries.
#include "pdfdocument/pd_resource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pdf/base_doc.h"
#include "pdf/parser.h"
#include "pdf/pdf_file_builder.h"
#include "pdfdocument/font_test_doc.h"
#include "pdfdocument/pd_font.h"
#include "pdfdocument/pd_form.h"
#include "pdfdocument/pd_image.h"
#include "pdfdocument/pd_pattern.h"
#include "pdfdocument/pd_state.h"
#include "runtime/streams.h"
#include "support/paths.h"

namespace vn::pdfdoc::pd_resource_test {

using font_test_doc::HexStream;
using vn::pdf::TvnPDBaseObject;

struct LoadedDoc {
  std::shared_ptr<vn::TMemoryStream> File;
  std::unique_ptr<vn::pdf::TvnPDBaseDoc> Doc;
};

LoadedDoc LoadObjects(const std::map<int64_t, std::string>& AObjects) {
  vn::pdf::testing::PdfFileBuilder builder;
  for (const auto& [number, body] : AObjects) builder.Obj(number, body);
  builder.Obj(900, "<< /Type /Pages /Kids [] /Count 0 >>");
  builder.Obj(901, "<< /Type /Catalog /Pages 900 0 R >>");
  builder.ClassicTable("/Size 902 /Root 901 0 R");
  LoadedDoc out;
  out.File = builder.Stream();
  out.Doc = std::make_unique<vn::pdf::TvnPDBaseDoc>();
  out.Doc->LoadDocument(out.File.get(), "");
  return out;
}

std::unique_ptr<TvnPDBaseObject> ParseText(const std::string& AText) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(AText.data(), static_cast<int64_t>(AText.size()));
  vn::pdf::TvnPDParser parser(
      nullptr, std::make_unique<vn::pdf::TvnPDLexer>(vn::pdf::MakeRef<vn::pdf::TvnMemoryStream>(mem, 0, 0, false)),
      true);
  return parser.GetObject();
}

// Object 1: the page resources. Object 30 is a form whose resources hold a
// colour space, a nested form (33) and an image (34) named after that
// space; the page's image 32 names a space of the page resources.
const std::map<int64_t, std::string>& NestedFormObjects() {
  static const std::map<int64_t, std::string> objects = {
      {1,
       "<< /Font << /F1 10 0 R /RFnt1 11 0 R /Bad 12 0 R >>"
       " /ColorSpace << /CS0 [/Indexed /DeviceRGB 1 <FF000000FF00>] /CS1 /DeviceGray /Junk 5 >>"
       " /ExtGState << /GS0 << /CA 0.5 /ca 0.25 >> >>"
       " /Pattern << /P1 20 0 R /P2 21 0 R >>"
       " /XObject << /Fm1 30 0 R /PS1 31 0 R /Im1 32 0 R >> >>"},
      {10, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"},
      {11, "<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman >>"},
      {12, "<< /Type /Font >>"},
      {20, HexStream("/PatternType 1 /PaintType 2 /TilingType 1 /BBox [0 0 10 20] /XStep 10 /YStep 20.5"
                        " /Resources << /XObject << /Im1 32 0 R >> >>",
                        "0 0 10 10 re f")},
      {21, "<< /PatternType 2 /Shading << /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 1 0] >> >>"},
      {30, HexStream("/Type /XObject /Subtype /Form /FormType 1 /BBox [0 0 100 50] /Matrix [2 0 0 2 5 5]"
                        " /Resources << /ColorSpace << /CSF [/Indexed /DeviceGray 1 <00FF>] >>"
                        " /XObject << /Fm2 33 0 R /Im2 34 0 R /RXbj1 34 0 R >> >>",
                        "/Im2 Do /Fm2 Do")},
      {31, HexStream("/Type /XObject /Subtype /PS", "")},
      {32, HexStream("/Type /XObject /Subtype /Image /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /CS0",
                        std::string("\x00\x01", 2))},
      {33, HexStream("/Type /XObject /Subtype /Form", "")},
      {34, HexStream("/Type /XObject /Subtype /Image /Width 2 /Height 1 /BitsPerComponent 1 /ColorSpace /CSF",
                        "\x40")},
  };
  return objects;
}

class PDResourceNested : public ::testing::Test {
 protected:
  void SetUp() override {
    FDoc = LoadObjects(NestedFormObjects());
    FRes = std::make_unique<TvnPDResource>(FDoc.Doc.get(), nullptr, FDoc.Doc->GetObject(1));
  }
  LoadedDoc FDoc;
  std::unique_ptr<TvnPDResource> FRes;
};

TEST_F(PDResourceNested, LookUpsByNameAreExactAndCaseSensitive) {
  TvnPDFont* f1 = FRes->LookUpFont("F1");
  ASSERT_NE(f1, nullptr);
  EXPECT_EQ(f1->Tag(), "F1");
  EXPECT_EQ(FRes->LookUpFont("f1"), nullptr);
  EXPECT_EQ(FRes->LookUpFont("F"), nullptr);
  EXPECT_EQ(FRes->LookUpFont("F1"), f1) << "a second lookup answers the listed font";
  // The font without /Subtype makes nothing and is not counted.
  EXPECT_EQ(FRes->FontCount(), 2);
  EXPECT_EQ(FRes->GetFont(2), nullptr);
  EXPECT_EQ(FRes->GetFont(-1), nullptr);
  ASSERT_NE(FRes->FontList(), nullptr);
  TvnPDFont* times = FRes->LookUpFont("RFnt1");
  ASSERT_NE(times, nullptr);
  ASSERT_NE(times->name(), f1->name());
  EXPECT_EQ(FRes->GetFontByName(times->name()), times);
  EXPECT_EQ(FRes->GetFontByName("Courier"), nullptr);

  TvnPDColorSpace* cs0 = FRes->LookUpColorSpace("CS0");
  ASSERT_NE(cs0, nullptr);
  EXPECT_EQ(cs0->GetMode(), TvnColorSpaceMode::csIndexed);
  ASSERT_NE(FRes->LookUpColorSpace("CS1"), nullptr);
  EXPECT_EQ(FRes->LookUpColorSpace("Junk"), nullptr);
  EXPECT_EQ(FRes->ColorSpaceCount(), 2);

  TvnPDGState* gs = FRes->LookUpGState("GS0");
  ASSERT_NE(gs, nullptr);
  EXPECT_DOUBLE_EQ(gs->StrokeAlpha(), 0.5);
  EXPECT_DOUBLE_EQ(gs->NonStrokeAlpha(), 0.25);
  EXPECT_EQ(FRes->GStateCount(), 1);
  EXPECT_EQ(FRes->LookUpGState("GS1"), nullptr);
}

TEST_F(PDResourceNested, XObjectsKeepTheDictionaryOrderWithEmptyPlaces) {
  // Fm1, PS1 (a PostScript XObject: an empty place), Im1.
  EXPECT_EQ(FRes->XObjectCount(), 3);
  ASSERT_NE(FRes->GetXObject(0), nullptr);
  EXPECT_EQ(FRes->GetXObject(0)->SubType(), TvnXObjectType::xtForm);
  EXPECT_EQ(FRes->GetXObject(1), nullptr);
  EXPECT_EQ(FRes->GetXObject(2)->SubType(), TvnXObjectType::xtImage);
  EXPECT_EQ(FRes->GetXObject(3), nullptr);
  EXPECT_EQ(FRes->LookUpXObject("PS1"), nullptr);
  TvnPDXObject* im1 = FRes->LookUpXObject("Im1");
  ASSERT_NE(im1, nullptr);
  EXPECT_TRUE(im1->IsImage());
  EXPECT_FALSE(im1->IsForm());
  EXPECT_EQ(im1->TagName(), "Im1");
  EXPECT_EQ(im1->ParentElement(), FRes.get());

  // The same PDF object added again answers its place; another is appended.
  EXPECT_EQ(FRes->AddXObject(TvnPDXObject::MakeXObject(FDoc.Doc.get(), FRes.get(), FDoc.Doc->GetObject(32), "X")), 2);
  EXPECT_EQ(FRes->AddXObject(TvnPDXObject::MakeXObject(FDoc.Doc.get(), FRes.get(), FDoc.Doc->GetObject(34), "X")), 3);
  EXPECT_EQ(FRes->XObjectCount(), 4);
}

TEST_F(PDResourceNested, NestedFormsLookUpInTheirOwnResources) {
  auto* fm1 = dynamic_cast<TvnPDForm*>(FRes->LookUpXObject("Fm1"));
  ASSERT_NE(fm1, nullptr);
  TvnPDResource* inner = fm1->Resources();
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->ParentElement(), fm1);
  EXPECT_EQ(ResourcesOf(fm1), inner);
  EXPECT_EQ(ResourcesOf(FRes.get()), FRes.get());
  // The page's names are not the form's.
  EXPECT_EQ(inner->LookUpXObject("Im1"), nullptr);
  EXPECT_EQ(inner->LookUpColorSpace("CS0"), nullptr);
  EXPECT_EQ(inner->LookUpFont("F1"), nullptr);
  EXPECT_EQ(inner->FontCount(), 0);

  auto* fm2 = dynamic_cast<TvnPDForm*>(inner->LookUpXObject("Fm2"));
  ASSERT_NE(fm2, nullptr);
  EXPECT_EQ(fm2->Resources(), nullptr);
  EXPECT_EQ(fm2->BBox(), nullptr);
  EXPECT_EQ(fm2->Matrix(), nullptr);
  EXPECT_EQ(fm2->FormType(), -1);

  ASSERT_NE(fm1->BBox(), nullptr);
  EXPECT_EQ(fm1->BBox()->Right(), 100);
  EXPECT_EQ(fm1->BBox()->Bottom(), 50);
  ASSERT_NE(fm1->Matrix(), nullptr);
  EXPECT_EQ(fm1->Matrix()->M11(), 2);
  EXPECT_EQ(fm1->Matrix()->Dy(), 5);
  EXPECT_EQ(fm1->FormType(), 1);

  // Each image finds its named space in the resources it was listed in.
  auto* im2 = dynamic_cast<TvnPDImage*>(inner->LookUpXObject("Im2"));
  ASSERT_NE(im2, nullptr);
  ASSERT_NE(im2->ColorSpace(), nullptr);
  EXPECT_EQ(im2->ColorSpace(), inner->LookUpColorSpace("CSF"));
  ASSERT_TRUE(im2->ColorMap()->IsOk());
  int32_t gray = -1;
  im2->ColorMap()->GetGray({1}, 0, gray);
  EXPECT_EQ(gray, kFixedOne);

  auto* im1 = dynamic_cast<TvnPDImage*>(FRes->LookUpXObject("Im1"));
  ASSERT_NE(im1, nullptr);
  EXPECT_EQ(im1->ColorSpace(), FRes->LookUpColorSpace("CS0"));
  TvnRGB rgb;
  im1->ColorMap()->GetRGB({1}, 0, rgb);
  EXPECT_EQ(rgb.R, 0);
  EXPECT_EQ(rgb.G, kFixedOne);
  EXPECT_EQ(rgb.B, 0);
}

TEST_F(PDResourceNested, NewNamesAreUniqueAndTheSameInEveryRun) {
  // RFnt1 is a key of /Font; RXbj1 of the form's /XObject.
  EXPECT_EQ(FRes->GetResourceName(TvnPDResourceType::resFont), "RFnt2");
  EXPECT_EQ(FRes->GetResourceName(TvnPDResourceType::resFont), "RFnt3");
  // A name given to a font added to the list is not given again.
  auto added = TvnPDFont::MakeFont(FDoc.Doc.get(), FRes.get(), "RFnt4", FDoc.Doc->GetObject(10));
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(FRes->AddFont(std::move(added)), 2);
  EXPECT_EQ(FRes->GetResourceName(TvnPDResourceType::resFont), "RFnt5");
  EXPECT_EQ(FRes->GetResourceName(TvnPDResourceType::resExtGState), "RGS6");

  TvnPDResource again(FDoc.Doc.get(), nullptr, FDoc.Doc->GetObject(1));
  EXPECT_EQ(again.GetResourceName(TvnPDResourceType::resFont), "RFnt2");

  TvnPDResource* inner = dynamic_cast<TvnPDForm*>(FRes->LookUpXObject("Fm1"))->Resources();
  const struct {
    TvnPDResourceType Type;
    const char* Name;
  } names[] = {{TvnPDResourceType::resXObject, "RXbj2"},       {TvnPDResourceType::resColorSpace, "RCS3"},
               {TvnPDResourceType::resPattern, "RPtrn4"},      {TvnPDResourceType::resShading, "RShd5"},
               {TvnPDResourceType::resProcSet, "RProS6"},      {TvnPDResourceType::resProperties, "RProp7"}};
  for (const auto& n : names) EXPECT_EQ(inner->GetResourceName(n.Type), n.Name);
}

TEST_F(PDResourceNested, UpdateRereadsFontsAndColourSpaces) {
  ASSERT_NE(FRes->LookUpFont("F1"), nullptr);
  const std::string name = FRes->LookUpFont("F1")->name();
  ASSERT_NE(FRes->LookUpColorSpace("CS0"), nullptr);
  FRes->Update();
  EXPECT_EQ(FRes->FontCount(), 2);
  EXPECT_EQ(FRes->ColorSpaceCount(), 2);
  ASSERT_NE(FRes->LookUpFont("F1"), nullptr);
  EXPECT_EQ(FRes->LookUpFont("F1")->name(), name);
  EXPECT_EQ(FRes->LookUpColorSpace("CS0")->GetMode(), TvnColorSpaceMode::csIndexed);
}

TEST_F(PDResourceNested, AGivenFontListIsUsedAndNeverFreed) {
  TvnPDFontList fonts;
  fonts.push_back(TvnPDFont::MakeFont(FDoc.Doc.get(), nullptr, "X", FDoc.Doc->GetObject(11)));
  {
    TvnPDResource res(FDoc.Doc.get(), nullptr, FDoc.Doc->GetObject(1));
    res.SetFontResource(&fonts);
    EXPECT_EQ(res.LookUpFont("F1"), nullptr);
    EXPECT_EQ(res.LookUpFont("X"), fonts[0].get());
    EXPECT_EQ(res.FontCount(), 1);
  }
  // Still ours after the resources are gone.
  ASSERT_EQ(fonts.size(), 1u);
  EXPECT_EQ(fonts[0]->Tag(), "X");
}

TEST_F(PDResourceNested, PatternsByType) {
  auto* tiling = dynamic_cast<TvnPDTilingPattern*>(FRes->LookUpPattern("P1"));
  ASSERT_NE(tiling, nullptr);
  EXPECT_EQ(tiling->GetPatternType(), TvnPatternType::ptTiling);
  EXPECT_EQ(tiling->Tag(), "P1");
  EXPECT_EQ(tiling->GetPaintType(), 2);
  EXPECT_EQ(tiling->GetCellXSpacing(), 10);
  EXPECT_EQ(tiling->GetCellYSpacing(), 20.5);
  ASSERT_NE(tiling->GetBBox(), nullptr);
  EXPECT_EQ(tiling->GetBBox()->Bottom(), 20);
  EXPECT_EQ(tiling->GetMatrix().M11(), 1);
  EXPECT_EQ(tiling->GetMatrix().Dx(), 0);
  ASSERT_NE(tiling->Resources(), nullptr);
  EXPECT_EQ(ResourcesOf(tiling), tiling->Resources());
  ASSERT_NE(tiling->Resources()->LookUpXObject("Im1"), nullptr);
  EXPECT_EQ(tiling->Resources()->LookUpXObject("Im1")->ParentElement(), tiling->Resources());

  // A shading dictionary under /Pattern is a shading pattern.
  TvnPDPattern* shading = FRes->LookUpPattern("P2");
  ASSERT_NE(shading, nullptr);
  EXPECT_EQ(shading->GetPatternType(), TvnPatternType::ptShading);
  EXPECT_EQ(shading->Resources(), nullptr);
  EXPECT_EQ(FRes->LookUpPattern("P3"), nullptr);
}

TEST(PDResourceDamaged, MissingOrMistypedSubDictionariesFindNothing) {
  const char* const texts[] = {
      "<< >>",
      // Sub-dictionaries that are not dictionaries count as absent; a
      // /ColorSpace of another type no longer fails the lookup.
      "<< /Font 7 /ColorSpace 5 /ExtGState [1] /Pattern (x) /XObject /Name >>",
      "[ /Font ]",
      "null",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    auto obj = ParseText(text);
    TvnPDResource res(nullptr, nullptr, obj.get());
    EXPECT_EQ(res.LookUpFont("F1"), nullptr);
    EXPECT_EQ(res.FontCount(), 0);
    EXPECT_EQ(res.FontList(), nullptr);
    EXPECT_EQ(res.GetFontByName("Helvetica"), nullptr);
    EXPECT_EQ(res.LookUpColorSpace("CS0"), nullptr);
    EXPECT_EQ(res.ColorSpaceCount(), 0);
    EXPECT_EQ(res.LookUpGState("GS0"), nullptr);
    EXPECT_EQ(res.GStateCount(), 0);
    EXPECT_EQ(res.LookUpPattern("P0"), nullptr);
    EXPECT_EQ(res.LookUpXObject("X0"), nullptr);
    EXPECT_EQ(res.XObjectCount(), 0);
    EXPECT_EQ(res.GetResourceName(TvnPDResourceType::resFont), "RFnt1");
  }
}

// The same names (Fx1, Im1, Im2) at three levels of nested forms of a
// corpus file: each level finds its own objects.
TEST(PDResourceCorpus, NestedFormsFindTheirOwnObjects) {
  const std::filesystem::path file = std::filesystem::path(VN_CORPUS_DIR) / "pdf" / "qpdf_nested-form-xobjects.pdf";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "corpus missing";
  vn::pdf::TvnPDBaseDoc doc;
  doc.LoadDocument(file, "");
  TvnPDResource page(&doc, nullptr, doc.GetObject(3)->AsDict()->LookUp("Resources"));
  const struct {
    int64_t Fx1, Im1, Im2;
  } levels[] = {{12, 14, 16}, {20, 22, 24}, {-1, 26, 28}};
  TvnPDResource* res = &page;
  for (const auto& level : levels) {
    SCOPED_TRACE(level.Im1);
    ASSERT_NE(res, nullptr);
    ASSERT_NE(res->LookUpXObject("Im1"), nullptr);
    EXPECT_EQ(res->LookUpXObject("Im1")->BaseObject(), doc.GetObject(level.Im1));
    EXPECT_EQ(res->LookUpXObject("Im2")->BaseObject(), doc.GetObject(level.Im2));
    EXPECT_EQ(dynamic_cast<TvnPDImage*>(res->LookUpXObject("Im2"))->Width(), 15);
    ASSERT_NE(res->LookUpFont("F1"), nullptr);
    EXPECT_EQ(res->GetResourceName(TvnPDResourceType::resXObject), "RXbj1");
    auto* form = dynamic_cast<TvnPDForm*>(res->LookUpXObject("Fx1"));
    if (level.Fx1 < 0) {
      EXPECT_EQ(form, nullptr);
      break;
    }
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->BaseObject(), doc.GetObject(level.Fx1));
    res = form->Resources();
  }
}

// ---- Images ----

TEST(PDImageEntries, LongKeysThenShortKeys) {
  struct Case {
    const char* Entries;
    int32_t Width, Height, Bits;
    bool Mask;
  };
  const Case cases[] = {
      {"/W 10 /H 5 /BPC 8 /CS /G", 10, 5, 8, false},
      {"/Width 3 /W 9 /Height 2 /BitsPerComponent 4", 3, 2, 4, false},
      {"/Width 3 /Height 2 /ImageMask true", 3, 2, 1, true},
      {"/W 3 /H 2 /IM true /BPC 1", 3, 2, 1, true},
      {"/Width 3 /Height 2 /ImageMask false", 3, 2, -1, false},
      {"/Width 3.5 /Height (2) /BitsPerComponent /Eight", 0, -1, -1, false},
      {"/Width -4 /Height 7 /BitsPerComponent 16", 0, 7, 16, false},
      {"/Width 99999999999 /Height 1", 0, 1, -1, false},
      {"", 0, -1, -1, false},
  };
  std::map<int64_t, std::string> objects;
  for (size_t i = 0; i < std::size(cases); ++i)
    objects[static_cast<int64_t>(i + 1)] = HexStream(std::string("/Subtype /Image ") + cases[i].Entries, "");
  auto doc = LoadObjects(objects);
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].Entries);
    TvnPDImage image(doc.Doc.get(), nullptr, doc.Doc->GetObject(static_cast<int64_t>(i + 1)));
    EXPECT_EQ(image.Width(), cases[i].Width);
    EXPECT_EQ(image.Height(), cases[i].Height);
    EXPECT_EQ(image.BitsPerComponent(), cases[i].Bits);
    EXPECT_EQ(image.ImageMask(), cases[i].Mask);
  }

  // An image that is no stream reads nothing.
  auto dict = ParseText("<< /Subtype /Image /Width 3 /Height 2 /BitsPerComponent 8 >>");
  TvnPDImage no_stream(nullptr, nullptr, dict.get());
  EXPECT_EQ(no_stream.Width(), -1);
  EXPECT_EQ(no_stream.Height(), -1);
  EXPECT_EQ(no_stream.BitsPerComponent(), -1);
  EXPECT_EQ(no_stream.ImageType(), vn::pdf::TvnStreamType::stWeird);
  EXPECT_EQ(no_stream.Mask(), nullptr);
  EXPECT_EQ(no_stream.SoftMask(), nullptr);
  EXPECT_EQ(no_stream.ColorSpace(), nullptr);
  // MakeXObject still reads the subtype from the dictionary itself.
  auto made = TvnPDXObject::MakeXObject(nullptr, nullptr, dict.get(), "Im");
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->SubType(), TvnXObjectType::xtImage);
}

TEST(PDImageEntries, MakeXObjectBySubtype) {
  const struct {
    const char* Text;
    bool Made;
    TvnXObjectType Type;
  } cases[] = {
      {"<< /Subtype /Image >>", true, TvnXObjectType::xtImage},
      {"<< /Subtype /Form >>", true, TvnXObjectType::xtForm},
      {"<< /Subtype /PS >>", false, TvnXObjectType::xtImage},
      {"<< /Subtype (Image) >>", false, TvnXObjectType::xtImage},
      {"<< /Type /XObject >>", false, TvnXObjectType::xtImage},
      {"/Image", false, TvnXObjectType::xtImage},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    auto obj = ParseText(c.Text);
    auto xobject = TvnPDXObject::MakeXObject(nullptr, nullptr, obj.get(), "X1");
    ASSERT_EQ(xobject != nullptr, c.Made);
    if (!xobject) continue;
    EXPECT_EQ(xobject->SubType(), c.Type);
    EXPECT_TRUE(xobject->IsName("X1"));
    EXPECT_FALSE(xobject->IsName("x1"));
  }
  EXPECT_EQ(TvnPDXObject::MakeXObject(nullptr, nullptr, nullptr, "X1"), nullptr);
}

TEST(PDImageMasks, StencilColourKeyAndSoftMasks) {
  auto doc = LoadObjects({
      {1, HexStream("/Subtype /Image /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray /Mask 2 0 R",
                       "ab")},
      {2, HexStream("/Subtype /Image /Width 4 /Height 3 /ImageMask true", "")},
      {3, HexStream("/Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceRGB"
                       " /Mask [0 0 255 255 10 20] /SMask 4 0 R",
                       "abc")},
      {4, HexStream("/Subtype /Image /Width 3 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray",
                       std::string("\x00\x80\xFF", 3))},
      {5, HexStream("/Subtype /Image /Width 1 /Height 1 /Mask [1 2 3 4 5 6 7 8 9 10]", "")},
      {6, HexStream("/Subtype /Image /Width 1 /Height 1 /Mask [1 2 /X 4] /SMask << /Width 1 >>", "")},
  });
  TvnPDState state(72, 72, 0, nullptr);
  TvnPDImage stencil_owner(doc.Doc.get(), nullptr, doc.Doc->GetObject(1));
  stencil_owner.SetState(&state);
  TvnPDImage* mask = stencil_owner.Mask();
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(stencil_owner.Mask(), mask) << "made once";
  EXPECT_EQ(mask->Width(), 4);
  EXPECT_EQ(mask->Height(), 3);
  EXPECT_TRUE(mask->ImageMask());
  EXPECT_EQ(mask->State(), &state);
  ASSERT_NE(mask->MaskImage(), nullptr);
  EXPECT_EQ(mask->MaskImage()->Position(), 0);
  EXPECT_EQ(stencil_owner.MaskImage(), nullptr);
  EXPECT_FALSE(stencil_owner.HasColorKeyMask());
  EXPECT_EQ(stencil_owner.SoftMask(), nullptr);
  EXPECT_EQ(stencil_owner.AlphaComp(), -1);

  TvnPDImage keyed(doc.Doc.get(), nullptr, doc.Doc->GetObject(3));
  EXPECT_EQ(keyed.Mask(), nullptr);
  ASSERT_TRUE(keyed.HasColorKeyMask());
  EXPECT_EQ(keyed.ColorKeyRange().MinRange, (std::array<double, 4>{0, 255, 10, 0}));
  EXPECT_EQ(keyed.ColorKeyRange().MaxRange, (std::array<double, 4>{0, 255, 20, 0}));
  TvnPDImage* soft = keyed.SoftMask();
  ASSERT_NE(soft, nullptr);
  EXPECT_EQ(soft->Width(), 3);
  EXPECT_EQ(soft->AlphaComp(), 0);
  EXPECT_EQ(soft->AlphaComp(), 0x80);
  EXPECT_EQ(soft->AlphaComp(), 0xFF);
  EXPECT_EQ(soft->AlphaComp(), -1);
  EXPECT_EQ(keyed.AlphaComp(), -1);

  // At most four pairs; a pair that is not two numbers ends the range; a
  // soft mask that is no stream is none.
  TvnPDImage five_pairs(doc.Doc.get(), nullptr, doc.Doc->GetObject(5));
  ASSERT_TRUE(five_pairs.HasColorKeyMask());
  EXPECT_EQ(five_pairs.ColorKeyRange().MinRange, (std::array<double, 4>{1, 3, 5, 7}));
  EXPECT_EQ(five_pairs.ColorKeyRange().MaxRange, (std::array<double, 4>{2, 4, 6, 8}));
  TvnPDImage broken(doc.Doc.get(), nullptr, doc.Doc->GetObject(6));
  ASSERT_TRUE(broken.HasColorKeyMask());
  EXPECT_EQ(broken.ColorKeyRange().MinRange, (std::array<double, 4>{1, 0, 0, 0}));
  EXPECT_EQ(broken.SoftMask(), nullptr);
}

TEST(PDImageEntries, ColourMapTypeAndDefaults) {
  auto doc = LoadObjects({
      {1, HexStream("/Subtype /Image /W 2 /H 1 /BPC 1 /CS /G /D [1 0]", "\x40")},
      {2, "<< /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceRGB /Filter /DCTDecode"
          " /Length 2 >>\nstream\n\xFF\xD8\nendstream"},
      {3, HexStream("/Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /Undefined", "")},
  });
  TvnPDImage inverted(doc.Doc.get(), nullptr, doc.Doc->GetObject(1));
  ASSERT_NE(inverted.ColorMap(), nullptr);
  EXPECT_EQ(inverted.ColorMap(), inverted.ColorMap()) << "made once";
  ASSERT_TRUE(inverted.ColorMap()->IsOk());
  EXPECT_EQ(inverted.ColorMap()->LookUp(0, 0), kFixedOne);
  EXPECT_EQ(inverted.ColorMap()->LookUp(0, 1), 0);
  EXPECT_EQ(inverted.ImageType(), vn::pdf::TvnStreamType::stASCIIHex);
  EXPECT_EQ(inverted.Intent(), TvnIntentType::itAbsoluteColorimetric);
  EXPECT_FALSE(inverted.IsInlineImage());
  EXPECT_FALSE(inverted.Interpolate());

  TvnPDImage jpeg(doc.Doc.get(), nullptr, doc.Doc->GetObject(2));
  EXPECT_EQ(jpeg.ImageType(), vn::pdf::TvnStreamType::stDCT);

  // A name that is neither a device space nor in any resources.
  TvnPDImage unnamed(doc.Doc.get(), nullptr, doc.Doc->GetObject(3));
  EXPECT_EQ(unnamed.ColorSpace(), nullptr);
}

}  // namespace vn::pdfdoc::pd_resource_test

// The outline written from the engine's table of contents (its items'
// links, counts and targets, read back by pypdf) and the page thumbnails
// (shared between pages asking for equal ones, read back by pypdf).
#include <regex>
#include <set>

#include "export/bitmap_graphic.h"

#include "pdf_test_support.h"
#include "support/prerequisites.h"

namespace vn::pdfwriter::testing::pdf_outlines_test {
namespace {

bool HavePypdf() { return vn::test_support::HaveFile("/usr/lib/python3/dist-packages/pypdf"); }

// Runs a pypdf script on the file (argv[1]) with password argv[2]; its
// output.
std::string Pypdf(const std::string& script, const std::string& pdf, const std::string& name,
                  const std::string& password = "") {
  const auto path = SaveTemp(pdf, name);
  const auto program = SaveTemp("import sys, pypdf\nreader = pypdf.PdfReader(sys.argv[1])\n"
                                "if reader.is_encrypted: reader.decrypt(sys.argv[2])\n" +
                                    script,
                                name + ".py");
  std::string out;
  const int rc = testing::Run("/usr/bin/python3 '" + program.string() + "' '" + path.string() + "' '" + password + "'", &out);
  EXPECT_EQ(rc, 0) << out;
  return out;
}

// Every outline item as pypdf reads it: its level, title, target (page
// index from 0 or URI) and open state (open, closed or leaf), in order.
const char* const kOutlineScript = R"(
pages = [p.indirect_reference for p in reader.pages]
def walk(items, level):
    for entry in items:
        if isinstance(entry, list):
            walk(entry, level + 1)
            continue
        node = entry.node
        if '/A' in node and node['/A'].get('/S') == '/URI':
            target = 'uri ' + str(node['/A']['/URI'])
        else:
            page = reader.get_destination_page_number(entry)
            target = 'page %s top %s' % (page, entry.top)
        count = int(node.get('/Count', 0))
        state = 'open' if count > 0 else 'closed' if count < 0 else 'leaf'
        print(level, entry.title, '|', target, '|', state)
walk(reader.outline, 1)
print('root count', reader.trailer['/Root']['/Outlines']['/Count'])
)";

// Three pages and an outline of three levels:
//   Chapter 1 (page 1)            open
//     Section 1.1 (page 1, 300)   closed
//       Detail (page 2, 100)
//       Web (URI)
//     Section 1.2 (page 3)
//   Chapter 2 (page 3, 50)
//   Links (URI)                   open
//     Issue tracker (URI)
void WriteThreeLevels(TestEngine& engine) {
  PinClock();
  engine.BeginDoc();
  engine.NewPage();
  engine.NewPage();
  ASSERT_EQ(engine.AddTOCItem(u"Chapter 1", -1, 1, 0), 0);
  ASSERT_EQ(engine.AddTOCItem(u"Section 1.1", 0, 1, 300), 1);
  ASSERT_EQ(engine.AddTOCItem(u"D\u00e9tail", 1, 2, 100), 2);
  ASSERT_EQ(engine.AddTOCItem(u"Web", 1, std::string(" https://example.org/a?b=1 ")), 3);
  ASSERT_EQ(engine.AddTOCItem(u"Section 1.2", 0, 3, 0), 4);
  ASSERT_EQ(engine.AddTOCItem(u"Chapter 2", -1, 3, 50), 5);
  ASSERT_EQ(engine.AddTOCItem(u"Links", -1, std::string("https://example.org/")), 6);
  ASSERT_EQ(engine.AddTOCItem(u"Issue tracker", 6, std::string("https://example.org/issues")), 7);
  engine.EndDoc();
}

const char* const kThreeLevels =
    "1 Chapter 1 | page 0 top 600 | open\n"
    "2 Section 1.1 | page 0 top 375 | closed\n"
    "3 D\u00e9tail | page 1 top 525 | leaf\n"
    "3 Web | uri https://example.org/a?b=1 | leaf\n"
    "2 Section 1.2 | page 2 top 600 | leaf\n"
    "1 Chapter 2 | page 2 top 562.5 | leaf\n"
    "1 Links | uri https://example.org/ | open\n"
    "2 Issue tracker | uri https://example.org/issues | leaf\n"
    // Visible: the three top-level items and the three children of the
    // open ones.
    "root count 6\n";

TEST(PdfOutline, ThreeLevelsReadBackByPypdf) {
  TestEngine engine(400, 800);
  WriteThreeLevels(engine);
  const std::string pdf = engine.Bytes();
  EXPECT_NE(ObjectOf(pdf, 1).find("/Outlines "), std::string::npos);
  if (!HavePypdf()) GTEST_SKIP() << "python3-pypdf missing";
  EXPECT_EQ(Pypdf(kOutlineScript, pdf, "outline.pdf"), kThreeLevels);
}

TEST(PdfOutline, EncryptedOutlineReadsTheSame) {
  TestEngine engine(400, 800);
  engine.Encryption().SetEnabled(true);
  engine.Encryption().SetUserPassword("pw");
  engine.CheckPassword = "pw";
  WriteThreeLevels(engine);
  const std::string pdf = engine.Bytes();
  EXPECT_EQ(pdf.find("example.org"), std::string::npos);  // the addresses are encrypted
  if (!HavePypdf()) GTEST_SKIP() << "python3-pypdf missing";
  EXPECT_EQ(Pypdf(kOutlineScript, pdf, "outline-encrypted.pdf", "pw"), kThreeLevels);
}

// The items' links, in the file: numbers given along each sibling chain,
// /Prev, /Next, /Parent, /First, /Last and the counts.
TEST(PdfOutline, ItemsAreLinkedBothWays) {
  PinClock();
  TestEngine engine;
  engine.Compression().Enabled = false;
  engine.BeginDoc();
  engine.AddTOCItem(u"A", -1, 1, 0);
  engine.AddTOCItem(u"A1", 0, 1, 0);
  engine.AddTOCItem(u"A2", 0, 1, 0);
  engine.AddTOCItem(u"A2a", 2, 1, 0);
  engine.AddTOCItem(u"B", -1, 1, 0);
  engine.AddTOCItem(u"C", -1, 1, 0);
  engine.EndDoc();
  const std::string pdf = engine.Bytes();
  const std::smatch root = [&] {
    std::smatch m;
    std::regex_search(pdf, m, std::regex(R"(/Outlines (\d+) 0 R)"));
    return m;
  }();
  ASSERT_FALSE(root.empty());
  const int r = std::stoi(root[1]);
  // The top level A, B, C takes the next numbers, then A's children, then
  // A2's child.
  const int a = r + 1, b = r + 2, c = r + 3, a1 = r + 4, a2 = r + 5, a2a = r + 6;
  auto ref = [](int n) { return std::to_string(n) + " 0 R"; };
  EXPECT_EQ(ObjectOf(pdf, r), "<<\r\n/First " + ref(a) + "/Last " + ref(c) + "/Count 5\r\n>>\r\n");
  const std::string page = "/Dest [6 0 R /XYZ 0.0000 150.0000 null]";
  EXPECT_EQ(ObjectOf(pdf, a), "<<\r\n/Title <FEFF0041>" + page + "/Parent " + ref(r) + "/Next " + ref(b) + "/First " +
                                  ref(a1) + "/Last " + ref(a2) + "/Count 2\r\n>>\r\n");
  EXPECT_EQ(ObjectOf(pdf, b), "<<\r\n/Title <FEFF0042>" + page + "/Parent " + ref(r) + "/Prev " + ref(a) + "/Next " + ref(c) +
                                  "\r\n>>\r\n");
  EXPECT_EQ(ObjectOf(pdf, c), "<<\r\n/Title <FEFF0043>" + page + "/Parent " + ref(r) + "/Prev " + ref(b) + "\r\n>>\r\n");
  EXPECT_EQ(ObjectOf(pdf, a2), "<<\r\n/Title <FEFF00410032>" + page + "/Parent " + ref(a) + "/Prev " + ref(a1) + "/First " +
                                   ref(a2a) + "/Last " + ref(a2a) + "/Count -1\r\n>>\r\n");
  EXPECT_EQ(ObjectOf(pdf, a2a), "<<\r\n/Title <FEFF004100320061>" + page + "/Parent " + ref(a2) + "\r\n>>\r\n");
  // Each item is written after its later siblings and its children.
  auto at = [&](int n) { return pdf.find("\n" + std::to_string(n) + " 0 obj\r\n"); };
  EXPECT_LT(at(c), at(b));
  EXPECT_LT(at(b), at(a2a));
  EXPECT_LT(at(a2a), at(a2));
  EXPECT_LT(at(a2), at(a1));
  EXPECT_LT(at(a1), at(a));
}

// A long list on one level, and a deep one, need no call stack of their
// length.
TEST(PdfOutline, LongAndDeepListsAreWritten) {
  PinClock();
  TestEngine engine;
  engine.BeginDoc();
  for (int i = 0; i < 5000; ++i) engine.AddTOCItem(u"Item", -1, 1, 0);
  for (int i = 0; i < 2000; ++i) engine.AddTOCItem(u"Deeper", i == 0 ? 0 : 5000 + i - 1, 1, 0);
  engine.EndDoc();
  const std::string pdf = engine.Bytes();
  EXPECT_NE(pdf.find("/Count 5001\r\n"), std::string::npos);  // the top level and item 0's child
}

TEST(PdfOutline, EntryOnAPageLeftOutHasNoTarget) {
  PinClock();
  TestEngine engine;
  engine.SetPagesToRender(u"1");
  engine.BeginDoc();
  engine.NewPage();
  engine.AddTOCItem(u"Gone", -1, 2, 0);
  engine.EndDoc();
  const std::string pdf = engine.Bytes();
  EXPECT_TRUE(std::regex_search(pdf, std::regex(R"(/Title <FEFF0047006F006E0065>/Parent \d+ 0 R\r\n)")));
}

// ---- thumbnails

// A 4 by 2 picture of the given red.
vn::exporter::TvnBitmapGraphic SolidPicture(uint8_t red) {
  vn::platform::Bitmap bitmap(4, 2, vn::platform::PixelFormat::pf24bit);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) bitmap.SetPixel(x, y, {0, 0, red, 255});
  return vn::exporter::TvnBitmapGraphic(std::move(bitmap));
}

const char* const kThumbScript = R"(
for i, page in enumerate(reader.pages):
    if '/Thumb' not in page:
        print(i, 'none')
        continue
    thumb = page['/Thumb']
    data = thumb.get_data()
    print(i, page.raw_get('/Thumb').idnum, thumb['/Width'], thumb['/Height'], thumb.get('/Filter'), len(data), data[:3].hex())
)";

TEST(PdfThumbnails, ReadBackByPypdfAndSharedWhenEqual) {
  PinClock();
  TestEngine engine;
  engine.ImageSettings().SetOutputImageFormat(vn::exporter::TvnOutputImageFormat::ifBMP);
  engine.BeginDoc();
  engine.NewPage();
  engine.NewPage();
  engine.NewPage();
  const int32_t dark = engine.AddImageAsResource(SolidPicture(0x80));
  engine.AddThumbnailImage(dark, 1);
  engine.AddThumbnailImage(dark, 2);                // equal: shares page 1's object
  engine.AddThumbnailImage(SolidPicture(0xFF), 3);  // another picture
  engine.ImageSettings().SetOutputImageFormat(vn::exporter::TvnOutputImageFormat::ifJPEG);
  engine.ImageSettings().JPEGQuality = 90;
  engine.AddThumbnailImage(dark, 4);  // the same picture as JPEG: its own object
  engine.EndDoc();
  const std::string pdf = engine.Bytes();
  if (!HavePypdf()) GTEST_SKIP() << "python3-pypdf missing";
  const std::string out = Pypdf(kThumbScript, pdf, "thumbs.pdf");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(out, m,
                               std::regex("0 (\\d+) 4 2 /FlateDecode 24 800000\n"
                                          "1 (\\d+) 4 2 /FlateDecode 24 800000\n"
                                          "2 (\\d+) 4 2 /FlateDecode 24 ff0000\n"
                                          "3 (\\d+) 4 2 /DCTDecode \\d+ ffd8ff\n")))
      << out;
  EXPECT_EQ(m[1], m[2]);
  EXPECT_NE(m[1], m[3]);
  EXPECT_NE(m[1], m[4]);
}

TEST(PdfThumbnails, OnlyBmpAndJpegAndOnlyInADocument) {
  PinClock();
  TestEngine engine;
  engine.AddThumbnailImage(SolidPicture(1), 1);  // no document yet
  engine.BeginDoc();
  engine.ImageSettings().SetOutputImageFormat(vn::exporter::TvnOutputImageFormat::ifCCITT4);
  engine.AddThumbnailImage(SolidPicture(1), 1);
  engine.EndDoc();
  EXPECT_EQ(engine.Bytes().find("/Thumb"), std::string::npos);
}

TEST(PdfThumbnails, EqualRequestsOfDifferentQualityAreTwoObjects) {
  PinClock();
  TestEngine engine;
  engine.ImageSettings().SetOutputImageFormat(vn::exporter::TvnOutputImageFormat::ifJPEG);
  engine.BeginDoc();
  engine.NewPage();
  engine.NewPage();
  const int32_t picture = engine.AddImageAsResource(SolidPicture(0x40));
  engine.ImageSettings().JPEGQuality = 50;
  engine.AddThumbnailImage(picture, 1);
  engine.AddThumbnailImage(picture, 2);
  engine.ImageSettings().JPEGQuality = 80;
  engine.AddThumbnailImage(picture, 3);
  engine.EndDoc();
  const std::string pdf = engine.Bytes();
  std::set<std::string> objects;
  static const std::regex thumb(R"(/Thumb (\d+) 0 R)");
  for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), thumb); it != std::sregex_iterator(); ++it)
    objects.insert((*it)[1]);
  EXPECT_EQ(objects.size(), 2u);
}

}  // namespace
}  // namespace vn::pdfwriter::testing::pdf_outlines_test

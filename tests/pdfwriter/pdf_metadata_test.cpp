// The XMP packet (well formed for xmllint, escaped, identifying PDF/A only
// when the document is PDF/A, with the custom properties in their schemas)
// and PDF/A output: the document information repeated in the XMP, the
// trailer's identifier, the output intent with its sRGB profile, every font
// embedded, no transparency in PDF/A-1.
#include <regex>
#include <sstream>

#include "pdf_test_support.h"
#include "pdfwriter/pdf_metadata.h"
#include "runtime/exceptions.h"
#include "support/prerequisites.h"

namespace vn::pdfwriter::testing::pdf_metadata_test {
namespace {

// xmllint's complaints about the text as an XML document, "" when well
// formed (or when xmllint is missing).
std::string XmlProblems(const std::string& xml, const std::string& name) {
  if (!vn::test_support::HaveTool("xmllint")) return {};
  const auto path = SaveTemp(xml, name + ".xml");
  std::string out;
  const int rc = testing::Run("xmllint --noout '" + path.string() + "'", &out);
  return rc == 0 ? out : "exit " + std::to_string(rc) + ": " + out;
}

// The value xmllint finds for an XPath expression.
std::string XPath(const std::string& xml, const std::string& name, const std::string& expression) {
  const auto path = SaveTemp(xml, name + ".xml");
  std::string out;
  testing::Run("xmllint --xpath '" + expression + "' '" + path.string() + "'", &out);
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

std::vector<TvnPDFCustomDocInfo> Custom(std::initializer_list<std::tuple<TvnCustomDocInfoSchema, String, String>> list) {
  std::vector<TvnPDFCustomDocInfo> entries;
  for (const auto& [schema, name, value] : list) {
    TvnPDFCustomDocInfo entry;
    entry.Schema = schema;
    entry.Name = name;
    entry.Value = value;
    entries.push_back(entry);
  }
  return entries;
}

TEST(PdfMetadata, PacketIsWellFormedAndEscaped) {
  using S = TvnCustomDocInfoSchema;
  const auto custom = Custom({{S::schAdobePDF, u"Keywords", u"abc"},
                              {S::schBasic, u"Label", u"a < b & c > d"},
                              {S::schDublinCore, u"rights", u"\u00a9 \"us\""},
                              {S::schJobTicket, u"JobRef", u"7"},
                              {S::schRightsManagement, u"Marked", u"True"},
                              {S::schPagedText, u"NPages", u"3"},
                              {S::schBasic, u"Label", u"replaced"}});
  TvnXMPPacketInfo info;
  info.Title = u"T <&> 'quoted'";
  info.Author = u"   ";  // blank: left out, as from the Info dictionary
  info.Producer = "P";
  info.Date = "2024-03-05T14:30:15+01:00";
  info.Custom = &custom;
  const std::string packet = BuildXMPPacket(info);
  EXPECT_EQ(XmlProblems(packet, "packet"), "");
  EXPECT_EQ(packet.substr(0, 21), "<?xpacket begin=\"\xEF\xBB\xBF\"");
  EXPECT_EQ(packet.substr(packet.size() - 19), "<?xpacket end=\"w\"?>");
  EXPECT_EQ(packet.find("pdfaid"), std::string::npos);  // not PDF/A
  EXPECT_NE(packet.find("<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">T &lt;&amp;&gt; &apos;quoted&apos;</rdf:li></rdf:Alt></dc:title>"),
            std::string::npos);
  EXPECT_EQ(packet.find("dc:creator"), std::string::npos);
  // Each schema's namespace, and each property once with its last value.
  for (const char* text : {"xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\">\r\n<pdf:Keywords>abc</pdf:Keywords>",
                           "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">\r\n<xmp:Label>replaced</xmp:Label>",
                           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\r\n<dc:rights><rdf:Alt><rdf:li xml:lang=\"x-default\">\xC2\xA9 &quot;us&quot;</rdf:li></rdf:Alt></dc:rights>",
                           "xmlns:xmpBJ=\"http://ns.adobe.com/xap/1.0/bj/\">\r\n<xmpBJ:JobRef>7</xmpBJ:JobRef>",
                           "xmlns:xmpRights=\"http://ns.adobe.com/xap/1.0/rights/\">\r\n<xmpRights:Marked>True</xmpRights:Marked>",
                           "xmlns:xmpTPg=\"http://ns.adobe.com/xap/1.0/t/pg/\">\r\n<xmpTPg:NPages>3</xmpTPg:NPages>"})
    EXPECT_NE(packet.find(text), std::string::npos) << text;
  EXPECT_EQ(packet.find("a &lt; b"), std::string::npos);

  // Keywords of the document information win over a custom value.
  info.Keywords = u"info words";
  const std::string again = BuildXMPPacket(info);
  EXPECT_NE(again.find("<pdf:Keywords>info words</pdf:Keywords>"), std::string::npos);
  EXPECT_EQ(again.find("<pdf:Keywords>abc</pdf:Keywords>"), std::string::npos);
}

TEST(PdfMetadata, NamesAndDates) {
  EXPECT_TRUE(IsXMLName(u"Keywords"));
  EXPECT_TRUE(IsXMLName(u"_a-b.c9"));
  EXPECT_FALSE(IsXMLName(u""));
  EXPECT_FALSE(IsXMLName(u"9lives"));
  EXPECT_FALSE(IsXMLName(u"a b"));
  EXPECT_FALSE(IsXMLName(u"a:b"));
  EXPECT_EQ(XMPDateOf("D:20240305143015+01'00'"), "2024-03-05T14:30:15+01:00");
  EXPECT_EQ(XMPDateOf("D:20240305143015-05'30'"), "2024-03-05T14:30:15-05:30");
  EXPECT_EQ(XMLEscape(std::string("a\x01\tb\r", 5)), "a\tb&#xD;");
}

// The packet of a written document, found through the catalog.
std::string PacketOf(const std::string& pdf) {
  std::smatch m;
  const std::string catalog = ObjectOf(pdf, 1);
  if (!std::regex_search(catalog, m, std::regex(R"(/Metadata (\d+) 0 R)"))) return {};
  return StreamOf(pdf, std::stoi(m[1]));
}

void WriteTextPage(TestEngine& engine) {
  engine.BeginDoc();
  engine.Font().Name = u"Arial";
  engine.Font().Size = 14;
  engine.TextOut(20, 20, u"PDF/A text");
  engine.Font().Name = u"Times New Roman";
  engine.TextOut(20, 60, u"in two fonts");
  engine.Brush().Color = 0x00FF00;
  engine.Rectangle(20, 100, 60, 140, true);
}

TEST(PdfMetadata, PdfA1bOutput) {
  PinClock();
  TestEngine engine;
  engine.Preferences().Version = TvnPDFSubVersion::sPDFA_VER1B;
  ASSERT_EQ(engine.Preferences().EmbedTrueTypeFonts, TvnTTFontEmbedding::etfNone);  // PDF/A embeds anyway
  vn::TStringList excluded;
  excluded.Add(u"Arial");  // PDF/A embeds it all the same
  engine.SetFontEmbedExcludeList(excluded);
  engine.DocInfo().SetTitle(u"Annual report \u00e9 & more");
  engine.DocInfo().SetAuthor(u"J. Doe");
  engine.DocInfo().SetSubject(u"Numbers");
  engine.DocInfo().SetKeywords(u"a, b");
  engine.DocInfo().SetCreator(u"Tests");
  WriteTextPage(engine);
  using S = TvnCustomDocInfoSchema;
  for (const auto& entry : Custom({{S::schAdobePDF, u"Trapped", u"False"},
                                   {S::schBasic, u"Nickname", u"report"},
                                   {S::schDublinCore, u"publisher", u"Pub & Co"},
                                   {S::schJobTicket, u"JobRef", u"J-7"},
                                   {S::schRightsManagement, u"Marked", u"True"},
                                   {S::schPagedText, u"NPages", u"1"}}))
    engine.AddCustomDocInfo(std::make_unique<TvnPDFCustomDocInfo>(entry));
  engine.EndDoc();
  const std::string pdf = engine.Bytes();

  // One /Metadata, the output intent, the trailer's identifier.
  const std::string catalog = ObjectOf(pdf, 1);
  EXPECT_TRUE(std::regex_search(catalog, std::regex(R"(/Metadata \d+ 0 R)")));
  EXPECT_FALSE(std::regex_search(catalog, std::regex("/Metadata.*/Metadata")));
  EXPECT_TRUE(std::regex_search(catalog, std::regex(R"(/OutputIntents\[<</OutputCondition\(\)/DestOutputProfile \d+ 0 R/Type/OutputIntent/S/GTS_PDFA1/)")));
  EXPECT_TRUE(std::regex_search(pdf, std::regex(R"(trailer\r\n<<\r\n/Root 1 0 R/ID \[<([0-9A-F]{32})><\1>\]/Info 3 0 R)")));
  EXPECT_EQ(pdf.find("/Encrypt"), std::string::npos);

  const std::string packet = PacketOf(pdf);
  ASSERT_FALSE(packet.empty());
  EXPECT_EQ(XmlProblems(packet, "pdfa1b"), "");
  if (vn::test_support::HaveTool("xmllint")) {
    auto value = [&](const std::string& xpath) { return XPath(packet, "pdfa1b-xpath", "string(" + xpath + ")"); };
    EXPECT_EQ(value("//*[local-name()=\"part\"]"), "1");
    EXPECT_EQ(value("//*[local-name()=\"conformance\"]"), "B");
    EXPECT_EQ(value("//*[local-name()=\"title\"]//*[local-name()=\"li\"]"), "Annual report \xC3\xA9 & more");
    EXPECT_EQ(value("//*[local-name()=\"creator\"]//*[local-name()=\"li\"]"), "J. Doe");
    EXPECT_EQ(value("//*[local-name()=\"description\"]//*[local-name()=\"li\"]"), "Numbers");
    EXPECT_EQ(value("//*[local-name()=\"Keywords\"]"), "a, b");
    EXPECT_EQ(value("//*[local-name()=\"CreatorTool\"]"), "Tests");
    EXPECT_EQ(value("//*[local-name()=\"CreateDate\"]"), "2024-03-05T14:30:15+01:00");
    // The extended information, each in its schema.
    const std::pair<const char*, const char*> extended[] = {
        {"http://ns.adobe.com/pdf/1.3/", "Trapped"},          {"http://ns.adobe.com/xap/1.0/", "Nickname"},
        {"http://purl.org/dc/elements/1.1/", "publisher"},    {"http://ns.adobe.com/xap/1.0/bj/", "JobRef"},
        {"http://ns.adobe.com/xap/1.0/rights/", "Marked"},    {"http://ns.adobe.com/xap/1.0/t/pg/", "NPages"}};
    const char* values[] = {"False", "report", "Pub & Co", "J-7", "True", "1"};
    for (size_t i = 0; i < std::size(extended); ++i)
      EXPECT_EQ(value(std::string("//*[namespace-uri()=\"") + extended[i].first + "\" and local-name()=\"" +
                      extended[i].second + "\"]"),
                values[i])
          << extended[i].second;
  }

  if (vn::test_support::HaveFile("/usr/lib/python3/dist-packages/pypdf")) {
    // The Info dictionary and the XMP say the same, as pypdf reads them.
    const auto path = SaveTemp(pdf, "pdfa1b.pdf");
    const auto script = SaveTemp(
        "import sys, pypdf\n"
        "r = pypdf.PdfReader(sys.argv[1])\n"
        "x = r.xmp_metadata\n"
        "print(r.metadata.title == x.dc_title['x-default'], r.metadata.author == x.dc_creator[0],\n"
        "      r.metadata.subject == x.dc_description['x-default'], r.metadata.creator == x.xmp_creator_tool)\n"
        "intent = r.trailer['/Root']['/OutputIntents'][0]\n"
        "profile = intent['/DestOutputProfile'].get_object()\n"
        "data = profile.get_data()\n"
        "print(intent['/S'], profile['/N'], len(data), data[36:40], data[8], data[12:20])\n",
        "pdfa1b.py");
    std::string out;
    ASSERT_EQ(testing::Run("/usr/bin/python3 '" + script.string() + "' '" + path.string() + "'", &out), 0) << out;
    EXPECT_EQ(out, "True True True True\n/GTS_PDFA1 3 " + std::to_string(SRGBICCProfile().size()) +
                       " b'acsp' 2 b'mntrRGB '\n");
    EXPECT_EQ(StreamOf(pdf, std::stoi(std::regex_replace(catalog, std::regex(R"(^[\s\S]*/DestOutputProfile (\d+) 0 R[\s\S]*$)"), "$1"))),
              SRGBICCProfile());
  }

  if (vn::test_support::HaveTool("pdffonts")) {
    std::string out;
    testing::Run("pdffonts '" + SaveTemp(pdf, "pdfa1b-fonts.pdf").string() + "'", &out);
    std::istringstream lines(out);
    std::string line;
    int fonts = 0;
    for (int row = 0; std::getline(lines, line); ++row) {
      if (row < 2) continue;  // the heading and its rule
      ++fonts;
      EXPECT_TRUE(std::regex_search(line, std::regex(R"(\s+yes\s+(yes|no)\s+(yes|no)\s+\d+\s+\d+\s*$)"))) << line;
    }
    EXPECT_EQ(fonts, 2) << out;
  }
}

TEST(PdfMetadata, EachPdfAPartIdentified) {
  const std::pair<TvnPDFSubVersion, const char*> parts[] = {{TvnPDFSubVersion::sPDFA_VER2B, "2"},
                                                            {TvnPDFSubVersion::sPDFA_VER3B, "3"}};
  for (const auto& [version, part] : parts) {
    PinClock();
    TestEngine engine;
    engine.Preferences().Version = version;
    engine.BeginDoc();
    engine.EndDoc();
    const std::string packet = PacketOf(engine.Bytes());
    EXPECT_NE(packet.find(std::string("<pdfaid:part>") + part + "</pdfaid:part>\r\n<pdfaid:conformance>B</pdfaid:conformance>"),
              std::string::npos)
        << part;
    EXPECT_EQ(XmlProblems(packet, std::string("part") + part), "");
  }
}

// Custom properties of a plain PDF: one packet, without any PDF/A claim;
// encrypted like every stream of an encrypted document.
TEST(PdfMetadata, CustomPropertiesOfPlainPdf) {
  for (bool encrypted : {false, true}) {
    PinClock();
    TestEngine engine;
    if (encrypted) engine.Encryption().SetEnabled(true);
    engine.BeginDoc();
    auto entry = std::make_unique<TvnPDFCustomDocInfo>();
    entry->Name = u"Keywords";
    entry->Value = u"abc";
    engine.AddCustomDocInfo(std::move(entry));
    engine.EndDoc();
    const std::string pdf = engine.Bytes();
    EXPECT_TRUE(std::regex_search(ObjectOf(pdf, 1), std::regex(R"(/Metadata \d+ 0 R)")));
    EXPECT_EQ(pdf.find("/OutputIntents"), std::string::npos);
    EXPECT_EQ(pdf.find("/ID") != std::string::npos, encrypted);
    const std::string packet = PacketOf(pdf);
    if (encrypted) {
      EXPECT_EQ(packet.find("xpacket"), std::string::npos);
      // qpdf decrypts it (pypdf 3 reads XMP without decrypting it, as if
      // it were never encrypted, which only revision 4 can ask for).
      if (!vn::test_support::HaveTool("qpdf")) continue;
      std::smatch m;
      const std::string catalog = ObjectOf(pdf, 1);
      ASSERT_TRUE(std::regex_search(catalog, m, std::regex(R"(/Metadata (\d+) 0 R)")));
      std::string out;
      ASSERT_EQ(testing::Run("qpdf --password= --show-object=" + std::string(m[1]) + " --filtered-stream-data '" +
                                 SaveTemp(pdf, "custom-encrypted.pdf").string() + "'",
                             &out),
                0)
          << out;
      EXPECT_NE(out.find("<pdf:Keywords>abc</pdf:Keywords>"), std::string::npos) << out;
      EXPECT_EQ(XmlProblems(out, "custom-encrypted"), "");
    } else {
      EXPECT_EQ(packet.find("pdfaid"), std::string::npos);
      EXPECT_NE(packet.find("<pdf:Keywords>abc</pdf:Keywords>"), std::string::npos);
      EXPECT_EQ(XmlProblems(packet, "custom"), "");
    }
  }
}

TEST(PdfMetadata, CustomPropertiesAreCheckedAndNeedADocument) {
  TestEngine engine;
  auto entry = std::make_unique<TvnPDFCustomDocInfo>();
  entry->Name = u"Early";
  engine.AddCustomDocInfo(std::move(entry));  // no document: dropped
  PinClock();
  engine.BeginDoc();
  auto bad = std::make_unique<TvnPDFCustomDocInfo>();
  bad->Name = u"not a name";
  EXPECT_THROW(engine.AddCustomDocInfo(std::move(bad)), vn::EArgumentException);
  engine.EndDoc();
  EXPECT_EQ(engine.Bytes().find("/Metadata"), std::string::npos);
}

TEST(PdfMetadata, PdfA1HasNoTransparency) {
  const std::pair<TvnPDFSubVersion, bool> cases[] = {{TvnPDFSubVersion::sPDFA_VER1B, false},
                                                     {TvnPDFSubVersion::sPDFA_VER2B, true}};
  for (const auto& [version, transparent] : cases) {
    PinClock();
    TestEngine engine;
    engine.Preferences().Version = version;
    engine.BeginDoc();
    engine.LineArtSettings().Opacity = 50;
    engine.Rectangle(10, 10, 50, 50, true);
    engine.EndDoc();
    EXPECT_EQ(engine.Bytes().find("/ca 0.5") != std::string::npos, transparent);
  }
}

TEST(PdfMetadata, ZUGFeRDInvoiceDescribedInPdfA3b) {
  const auto folder = TempFile("zugferd");
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "ZUGFeRD-invoice.xml") << "<invoice/>";
  for (auto version : {TvnPDFSubVersion::sPDFA_VER3B, TvnPDFSubVersion::sPDF_VER17}) {
    PinClock();
    TestEngine engine;
    engine.Preferences().Version = version;
    engine.BeginDoc();
    engine.AttachFile(vn::FromUtf8((folder / "ZUGFeRD-invoice.xml").string()), u"ZUGFeRD-invoice.xml");
    engine.EndDoc();
    const std::string packet = PacketOf(engine.Bytes());
    if (version == TvnPDFSubVersion::sPDF_VER17) {
      EXPECT_EQ(packet, "");  // neither PDF/A nor custom properties: no packet
      continue;
    }
    EXPECT_NE(packet.find("<zf:DocumentFileName>ZUGFeRD-invoice.xml</zf:DocumentFileName>"), std::string::npos);
    EXPECT_NE(packet.find("<pdfaSchema:prefix>zf</pdfaSchema:prefix>"), std::string::npos);
    EXPECT_EQ(XmlProblems(packet, "zugferd"), "");
  }
}

}  // namespace
}  // namespace vn::pdfwriter::testing::pdf_metadata_test

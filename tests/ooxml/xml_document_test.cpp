#include "ooxml/xml_document.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ooxml/xml_parser.h"
#include "runtime/streams.h"
#include "xml_tree_dump.h"

namespace vn::ooxml::xml_document_test {
namespace {

using NT = TXmlNodeType;
using testing::DumpTree;

// Loads bytes as a DOCX part is loaded (a stream, a 4096-byte buffer).
void Load(TXmlVerySimple& document, const std::string& bytes, int buffer_size = 4096) {
  TStringStream stream(bytes);
  document.LoadFromStream(stream, buffer_size);
}

std::string Dump(const std::string& bytes, TXmlOptions options = {}) {
  TXMLDocument document;
  document.Options = options;
  Load(document, bytes);
  return DumpTree(document);
}

std::string Saved(TXmlVerySimple& document) {
  TStringStream out;
  document.SaveToStream(out);
  return out.DataString();
}

TEST(XmlDocumentTest, TextRunsAreDecodedWhereverTheyStand) {
  TXMLDocument document;
  Load(document, "<a>x&amp;y<b/>z&amp;w</a>");
  TXmlNode* a = document.DocumentElement();
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Text, u"x&y");
  ASSERT_EQ(a->ChildNodes.Count(), 2);
  EXPECT_EQ(a->ChildNodes.Get(0)->Name, u"b");
  EXPECT_EQ(a->ChildNodes.Get(1)->NodeType, NT::ntText);
  EXPECT_EQ(a->ChildNodes.Get(1)->Text, u"z&w");
}

TEST(XmlDocumentTest, ReferencesAndLineEnds) {
  struct Case {
    const char* xml;
    String text;   // of the document element
    String value;  // of its attribute v
  } cases[] = {
      {"<a>&lt;&gt;&quot;&apos;&amp;lt;</a>", u"<>\"'&lt;", u""},
      {"<a>&#65;&#x42;&#x1F600;&#9;</a>", u"AB\U0001F600\t", u""},
      // Not a character (or not a reference we know): kept as written.
      {"<a>&#0;&#xD800;&#x110000;&#;&#x;&#12a;&nbsp;&amp</a>", u"&#0;&#xD800;&#x110000;&#;&#x;&#12a;&nbsp;&amp", u""},
      {"<a>1\r\n2\r3\n4</a>", u"1\n2\n3\n4", u""},
      {"<a v='x\ty\r\nz&#10;&#9;'/>", u"", u"x y z\n\t"},
      {"<a v=\"&quot;q&quot; &#x26;amp;\"/>", u"", u"\"q\" &amp;"},
  };
  for (const Case& c : cases) {
    TXMLDocument document;
    Load(document, c.xml);
    ASSERT_NE(document.DocumentElement(), nullptr) << c.xml;
    EXPECT_EQ(document.DocumentElement()->Text, c.text) << c.xml;
    EXPECT_EQ(document.DocumentElement()->GetAttribute(u"v"), c.value) << c.xml;
  }
}

TEST(XmlDocumentTest, BlankTextIsKeptOnlyWhereItIsPreserved) {
  struct Case {
    const char* xml;
    TXmlOptions options;
    const char* dump;
  } cases[] = {
      {"<a><t>  </t>\n  <t/>\n</a>", {}, "E a\n  E t\n  E t\n"},
      // A run of a word-processing document between two words.
      {"<w:r><w:t xml:space=\"preserve\"> </w:t></w:r>", {}, "E w:r\n  E w:t\n  A xml:space=preserve\n    T  \n"},
      // The scope holds for descendants until xml:space="default".
      {"<a xml:space='preserve'><b> <c xml:space='default'> </c></b></a>", {},
       "E a\nA xml:space=preserve\n  E b\n    T  \n    E c\n    A xml:space=default\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Dump(c.xml, c.options), c.dump) << c.xml;

  TXMLDocument document;
  document.SetPreserveWhitespace(true);
  Load(document, "<a>\n<t>  </t></a>");
  EXPECT_EQ(document.DocumentElement()->Text, u"\n");
  EXPECT_EQ(document.DocumentElement()->FirstChild()->Text, u"  ");
}

TEST(XmlDocumentTest, TagsAndAttributes) {
  struct Case {
    const char* xml;
    const char* dump;
  } cases[] = {
      // Any blank separates the name from the attributes and the attributes
      // from each other.
      {"<a\nb=\"1\"\tc='2'\r\n/>", "E a\nA b=1\nA c=2\n"},
      {"<a b = \"1\" />", "E a\nA b=1\n"},
      // A ">" inside a quoted value does not end the tag.
      {"<a b=\"x>y\" c='<'>t</a>", "E a\nA b=x>y\nA c=<\n  T t\n"},
      // An unquoted value takes the next quoted one, whose attribute is lost.
      {"<a b=1 c=\"2\"/>", "E a\nA b=2\n"},
      {"<a b=1/>", "E a\nA b=\n"},
      // A name without a value.
      {"<a d e='1'/>", "E a\nA d=\nA e=1\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Dump(c.xml), c.dump) << c.xml;

  TXMLDocument document;
  Load(document, "<a d e='1'/>");
  EXPECT_EQ(document.DocumentElement()->AttributeList.Find(u"d")->AttributeType, TXmlAttributeType::atSingle);
  EXPECT_EQ(document.DocumentElement()->AttributeList.Find(u"e")->AttributeType, TXmlAttributeType::atValue);
}

TEST(XmlDocumentTest, DocumentElementAndHeader) {
  struct Case {
    const char* xml;
    bool has_header;
    String encoding;
    const char* dump;
  } cases[] = {
      {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<r><x/></r><s/>", true, u"UTF-8",
       "E r\n  E x\n"},
      {"<r/>", false, u"", "E r\n"},
      {"<!-- c --><r/>", false, u"", "E r\n"},
      // Never closed: no document element.
      {"<r><x/>", false, u"", "no document element\n"},
      {"", false, u"", "no document element\n"},
  };
  for (const Case& c : cases) {
    TXMLDocument document;
    Load(document, c.xml);
    EXPECT_EQ(document.Header() != nullptr, c.has_header) << c.xml;
    EXPECT_EQ(document.GetEncoding(), c.encoding) << c.xml;
    EXPECT_EQ(DumpTree(document), c.dump) << c.xml;
  }
  TXMLDocument document;
  Load(document, "<?xml version=\"1.0\" standalone=\"yes\"?><r/>");
  EXPECT_EQ(document.GetStandAlone(), u"yes");
  EXPECT_EQ(document.GetVersion(), u"1.0");
  EXPECT_EQ(document.DocElemetnt, nullptr);
  EXPECT_EQ(document.GetDocumentlement(), document.DocumentElement());

  // A stray end tag at the top level closes the root itself.
  Load(document, "</x><r/>");
  EXPECT_EQ(document.DocumentElement(), document.Root());
}

TEST(XmlDocumentTest, MarkupOtherThanElements) {
  TXMLDocument document;
  Load(document,
       "<?xml version='1.0'?><!DOCTYPE r [<!ENTITY e 'v'>]><?pi a='1'?>"
       "<r><!-- a -- b --><![CDATA[<&amp;>]]><?go fast?><!weird x></r>");
  const TXmlNodeList& top = document.ChildNodes();
  ASSERT_EQ(top.Count(), 4);
  EXPECT_EQ(top.Get(0)->NodeType, NT::ntXmlDecl);
  EXPECT_EQ(top.Get(1)->NodeType, NT::ntDocType);
  EXPECT_EQ(top.Get(1)->Text, u"r [<!ENTITY e 'v'>]");
  EXPECT_EQ(top.Get(2)->NodeType, NT::ntProcessingInstr);
  EXPECT_EQ(top.Get(2)->Text, u"pi a='1'");
  EXPECT_EQ(top.Get(2)->AttributeList.Count(), 0);
  const TXmlNode* r = top.Get(3);
  ASSERT_EQ(r->ChildNodes.Count(), 4);
  EXPECT_EQ(r->ChildNodes.Get(0)->NodeType, NT::ntComment);
  EXPECT_EQ(r->ChildNodes.Get(0)->Text, u" a -- b ");
  EXPECT_EQ(r->ChildNodes.Get(1)->NodeType, NT::ntCData);
  EXPECT_EQ(r->ChildNodes.Get(1)->Text, u"<&amp;>");
  EXPECT_EQ(r->ChildNodes.Get(2)->NodeType, NT::ntProcessingInstr);
  // Any other markup declaration reads as an element.
  EXPECT_EQ(r->ChildNodes.Get(3)->NodeType, NT::ntElement);
  EXPECT_EQ(r->ChildNodes.Get(3)->Name, u"!weird");

  document.Options.Include(TXmlOption::doParseProcessingInstr);
  Load(document, "<?pi a='1'?><r/>");
  EXPECT_EQ(document.ChildNodes().Get(0)->GetAttributeValue(u"a"), u"1");
}

// Entities declared in a document type are never expanded: the classic
// exponential document reads as one element with its reference as text.
TEST(XmlDocumentTest, DeclaredEntitiesStayUnexpanded) {
  std::string xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n <!ENTITY lol \"lol\">\n";
  for (int i = 1; i <= 9; ++i) {
    xml += " <!ENTITY lol" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) xml += "&lol" + (i == 1 ? std::string() : std::to_string(i - 1)) + ";";
    xml += "\">\n";
  }
  xml += "]>\n<lolz>&lol9;</lolz>";
  EXPECT_EQ(Dump(xml), "E lolz\n  T &lol9;\n");
}

TEST(XmlDocumentTest, ExternalEntitiesAreNeverFetched) {
  // A reference to an external entity stays a reference: nothing the
  // document names outside itself is opened or read into its text.
  const std::string xml =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE d [\n"
      " <!ENTITY secret SYSTEM \"file:///etc/passwd\">\n"
      " <!ENTITY % remote SYSTEM \"http://127.0.0.1:9/x.dtd\"> %remote;\n"
      "]>\n<d>&secret;</d>";
  EXPECT_EQ(Dump(xml), "E d\n  T &secret;\n");
}

TEST(XmlDocumentTest, NestingAndAttributeCountsAreCapped) {
  auto nested = [](int depth) {
    std::string xml;
    for (int i = 0; i < depth; ++i) xml += "<a>";
    for (int i = 0; i < depth; ++i) xml += "</a>";
    return xml;
  };
  auto attributes = [](int count) {
    std::string xml = "<a";
    for (int i = 0; i < count; ++i) xml += " n" + std::to_string(i) + "='v'";
    return xml + "/>";
  };
  TXMLDocument document;
  EXPECT_NO_THROW(Load(document, nested(TXmlVerySimple::kMaxDepth)));
  try {
    Load(document, nested(TXmlVerySimple::kMaxDepth + 1));
    ADD_FAILURE() << "deep nesting was read";
  } catch (const EXmlError& e) {
    EXPECT_STREQ(e.what(), "XML elements nested more than 1024 levels deep");
  }
  // Unclosed start tags count as well; self-closing ones do not nest.
  std::string unclosed;
  for (int i = 0; i <= TXmlVerySimple::kMaxDepth; ++i) unclosed += "<a>";
  EXPECT_THROW(Load(document, unclosed), EXmlError);
  std::string flat = "<r>";
  for (int i = 0; i < 100000; ++i) flat += "<a/>";
  EXPECT_NO_THROW(Load(document, flat + "</r>"));
  EXPECT_EQ(document.DocumentElement()->ChildNodes.Count(), 100000);

  EXPECT_NO_THROW(Load(document, attributes(TXmlVerySimple::kMaxAttributes)));
  EXPECT_EQ(document.DocumentElement()->AttributeList.Count(), TXmlVerySimple::kMaxAttributes);
  EXPECT_THROW(Load(document, attributes(TXmlVerySimple::kMaxAttributes + 1)), EXmlError);
}

// The encoding comes from the part itself, not from what the document
// object held before.
TEST(XmlDocumentTest, PartsDecodeByTheirOwnMarkOrDeclaration) {
  const String text = u"\u00E9\u20AC";
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"utf8 mark", "\xEF\xBB\xBF<a>" + TEncoding::UTF8()->GetBytes(text) + "</a>"},
      {"utf16le mark", "\xFF\xFE" + TEncoding::Unicode()->GetBytes(u"<?xml version='1.0' encoding='UTF-16'?><a>" + text + u"</a>")},
      {"utf16be mark", "\xFE\xFF" + TEncoding::BigEndianUnicode()->GetBytes(u"<a>" + text + u"</a>")},
      {"utf16le bare", TEncoding::Unicode()->GetBytes(u"<?xml version='1.0'?><a>" + text + u"</a>")},
      {"declared 1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\xE9\x80</a>"},
      {"declared latin1", "<?xml version='1.0' encoding = 'ISO-8859-1' ?><a>\xE9\x80</a>"},
      {"utf8 declared utf16", "<?xml version='1.0' encoding='utf-16'?><a>" + TEncoding::UTF8()->GetBytes(text) + "</a>"},
  };
  for (const Case& c : cases) {
    TXMLDocument document;
    document.SetEncoding(u"windows-1252");  // left by an earlier document
    Load(document, c.bytes);
    ASSERT_NE(document.DocumentElement(), nullptr) << c.name;
    EXPECT_EQ(document.DocumentElement()->Text, text) << c.name;
  }
  // Nothing in the part tells: an earlier load's encoding decides, and a
  // fresh document reads UTF-8.
  TXMLDocument document;
  Load(document, "<a>\xC3\xA9</a>");
  EXPECT_EQ(document.DocumentElement()->Text, u"\u00E9");
  document.SetEncoding(u"windows-1252");
  Load(document, "<a>\xC3\xA9</a>");
  EXPECT_EQ(document.DocumentElement()->Text, u"\u00C3\u00A9");
}

// The same document through the smallest buffer and through one chunk:
// every construct is cut by a chunk's end somewhere.
TEST(XmlDocumentTest, ChunkBoundariesDoNotChangeTheTree) {
  std::string xml = "<?xml version=\"1.0\"?>\n<w:document xmlns:w=\"u\">";
  for (int i = 0; i < 60; ++i) {
    xml += "<w:p w:rsidR=\"00A1" + std::to_string(i) + "\"><w:r><w:t xml:space=\"preserve\">caf\xC3\xA9 &amp; \xF0\x9F\x98\x80 " +
           std::to_string(i) + " </w:t></w:r><!-- note " + std::to_string(i) +
           " --><![CDATA[<x>]]><w:tab w:val='a>b'/>tail&#x20AC;</w:p>\n";
  }
  xml += "</w:document>";
  const std::string whole = [&] {
    TXMLDocument document;
    Load(document, xml, 1 << 20);
    return DumpTree(document);
  }();
  EXPECT_NE(whole.find("T caf\xC3\xA9 & \xF0\x9F\x98\x80 59 \n"), std::string::npos);
  EXPECT_NE(whole.find("T tail\xE2\x82\xAC\n"), std::string::npos);
  for (int size : {128, 129, 130, 131, 200, 4096}) {
    TXMLDocument document;
    Load(document, xml, size);
    EXPECT_EQ(DumpTree(document), whole) << "buffer " << size;
  }
}

TEST(XmlDocumentTest, NodeLookupsAndNavigation) {
  TXMLDocument document;
  Load(document, "<r><w:p a='1'/><x/><w:p a='2' b='3'/><w:p/></r>");
  TXmlNode* r = document.DocumentElement();
  EXPECT_EQ(r->Find(u"w:p", u"b")->GetAttribute(u"a"), u"2");
  EXPECT_EQ(r->Find(u"w:p", u"a", u"2")->GetAttribute(u"b"), u"3");
  EXPECT_EQ(r->Find(u"w:p", u"a", u"9"), nullptr);
  EXPECT_EQ(r->Find(u"w:p", {NT::ntText}), nullptr);
  EXPECT_EQ(r->FindNodes(u"w:p")->Count(), 3);
  EXPECT_TRUE(r->HasChild(u"x"));

  TXmlNode* first = r->FirstChild();
  EXPECT_EQ(first->PreviousSibling(), nullptr);
  EXPECT_EQ(first->NextSibling()->Name, u"x");
  EXPECT_EQ(r->LastChild()->NextSibling(), nullptr);
  EXPECT_EQ(r->LastChild()->PreviousSibling()->GetAttribute(u"a"), u"2");
  // Inserting shifts the siblings; navigation still finds each one.
  r->InsertChild(u"new", 0);
  EXPECT_EQ(first->PreviousSibling()->Name, u"new");
  EXPECT_EQ(first->NextSibling()->Name, u"x");
  EXPECT_EQ(document.Root()->NextSibling(), nullptr);

  TXmlNode* leaf = r->ChildNodes.Get(2);
  EXPECT_EQ(leaf->LastChild(), nullptr);
  try {
    leaf->FirstChild();
    ADD_FAILURE() << "no range error";
  } catch (const EArgumentOutOfRangeException& e) {
    EXPECT_STREQ(e.what(), "Argument out of range");
  }
  EXPECT_THROW(r->ChildNodes.Get(99), EArgumentOutOfRangeException);
}

TEST(XmlDocumentTest, CaseInsensitiveNamesUnderTheOption) {
  TXMLDocument document;
  Load(document, "<r><w:p A='1'/></r>");
  TXmlNode* found = nullptr;
  document.DocumentElement()->FindChild(u"W:P", found);
  EXPECT_EQ(found, nullptr);
  document.Options.Include(TXmlOption::doCaseInsensitive);
  document.DocumentElement()->FindChild(u"W:P", found);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->GetAttribute(u"a"), u"1");
}

TEST(XmlDocumentTest, FacadeAttributeNodes) {
  TXMLDocument document;
  Load(document, "<r a='v' e=''/>");
  const TXmlNode* r = document.DocumentElement();
  std::unique_ptr<TXmlNode> value;
  r->FindAttribute(u"a", value);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->Name, u"a");
  EXPECT_EQ(value->Text, u"v");
  EXPECT_EQ(value->NodeType, NT::ntElement);
  r->FindAttribute(u"e", value);
  EXPECT_EQ(value, nullptr);
  r->FindAttribute(u"missing", value);
  EXPECT_EQ(value, nullptr);
  EXPECT_EQ(r->SelectNode(u"x"), nullptr);

  TXmlNode* pi = document.CreateProcessingInstruction(u"xml", u" version=\"1.0\" encoding=\"utf-8\"");
  EXPECT_EQ(pi, document.Header());
  EXPECT_EQ(document.DocumentElement(), nullptr);
  EXPECT_NE(CreateXMLDocument()->Header(), nullptr);
}

TEST(XmlDocumentTest, FreshDocumentWritesItsDeclaration) {
  TXMLDocument document;
  EXPECT_EQ(document.GetText(), u"<?xml version=\"1.0\" encoding=\"utf-8\"?>");
  EXPECT_EQ(Saved(document), "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>");
  document.Options.Exclude(TXmlOption::doWriteBOM);
  EXPECT_EQ(Saved(document), "<?xml version=\"1.0\" encoding=\"utf-8\"?>");
}

TEST(XmlDocumentTest, WritingIndentsElementsAndKeepsMixedContent) {
  TXMLDocument document;
  TXmlNode* root = document.AddChild(u"r");
  root->SetAttribute(u"q", u"a\"<&>'\n");
  root->AddChild(u"empty");
  TXmlNode* mixed = root->AddChild(u"m");
  mixed->SetText(u"x < y");
  mixed->AddChild(u"b");
  mixed->AddChild(u"", NT::ntText)->SetText(u"& z");
  root->AddChild(u"", NT::ntComment)->SetText(u" c ");
  root->AddChild(u"", NT::ntCData)->SetText(u"a]]>b");
  EXPECT_EQ(document.DocumentElement(), root);
  EXPECT_EQ(document.GetText(),
            u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
            u"<r q=\"a&quot;&lt;&amp;&gt;'&#10;\">\r\n"
            u"  <empty/>\r\n"
            u"  <m>x &lt; y<b/>&amp; z</m><!-- c --><![CDATA[a]]]]><![CDATA[>b]]></r>");

  document.Options.Include(TXmlOption::doCompact);
  const String compact = document.GetText();
  EXPECT_EQ(compact.find(u'\n'), String::npos);

  TXMLDocument again;
  again.SetText(compact);
  EXPECT_EQ(DumpTree(again), DumpTree(document));
  EXPECT_EQ(again.DocumentElement()->GetAttribute(u"q"), u"a\"<&>'\n");
}

TEST(XmlDocumentTest, SavesInTheDeclaredEncoding) {
  struct Case {
    const char* declared;
    std::string expected_start;
  } cases[] = {
      {"utf-8", "\xEF\xBB\xBF<?xml"},
      {"UTF-8", "\xEF\xBB\xBF<?xml"},
      {"utf-16", std::string("\xFF\xFE<\0?\0", 6)},
      {"windows-1252", "<?xml"},
  };
  for (const Case& c : cases) {
    TXMLDocument document;
    document.SetEncoding(FromAscii(c.declared));
    document.AddChild(u"r")->SetText(u"\u00E9");
    const std::string bytes = Saved(document);
    EXPECT_TRUE(bytes.starts_with(c.expected_start)) << c.declared;
    TXMLDocument again;
    Load(again, bytes);
    ASSERT_NE(again.DocumentElement(), nullptr) << c.declared;
    EXPECT_EQ(again.DocumentElement()->Text, u"\u00E9") << c.declared;
  }
}

TEST(XmlDocumentTest, FilesAreWrittenWholeOrNotAtAll) {
  const auto dir = std::filesystem::temp_directory_path() / "xml_files";
  std::filesystem::create_directories(dir);
  TXMLDocument document;
  document.AddChild(u"r")->AddChild(u"c")->SetText(u"t");
  document.SaveToFile(dir / "doc.xml");
  TXMLDocument again;
  again.LoadFromFile(dir / "doc.xml");
  EXPECT_EQ(DumpTree(again), "E r\n  E c\n    T t\n");

  EXPECT_THROW(document.SaveToFile(dir / "missing" / "doc.xml"), Exception);
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
  EXPECT_THROW(again.LoadFromFile(dir / "none.xml"), EFOpenError);
  std::filesystem::remove_all(dir);
}

TEST(XmlDocumentTest, EscapeUnescapeAndExtractText) {
  EXPECT_EQ(TXmlVerySimple::Escape(u"<a href=\"x\">&'"), u"&lt;a href=&quot;x&quot;&gt;&amp;&apos;");
  EXPECT_EQ(TXmlVerySimple::Unescape(u"&lt;&amp;amp;&#x41;&bogus;&"), u"<&amp;A&bogus;&");
  struct Case {
    String value, stops;
    bool del;
    String result, rest;
  } cases[] = {
      {u"ab=cd", u"= ", false, u"ab", u"=cd"},
      {u"ab cd=e", u"= ", true, u"ab", u"cd=e"},
      {u"abc", u"=", true, u"abc", u""},
  };
  for (const Case& c : cases) {
    String value = c.value, result;
    TXmlVerySimple::ExtractText(value, c.stops, result, c.del);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(value, c.rest);
  }
}

}  // namespace
}  // namespace vn::ooxml::xml_document_test

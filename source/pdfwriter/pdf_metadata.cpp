// The XMP packet, the PDF/A output intent and colour space, the custom
// document information, and the document features' parts of the engine's
// document start, catalog and end.
#include "pdfwriter/pdf_metadata.h"

#include <algorithm>
#include <map>
#include <set>

#include "pdfwriter/extended_pdf_engine.h"
#include "pdfwriter/pdf_doc_features_impl.h"
#include "pdfwriter/pdf_syntax_impl.h"
#include "runtime/exceptions.h"

namespace vn::pdfwriter {

namespace {

constexpr char kXMPNamespace[] = "http://ns.adobe.com/xap/1.0/";
constexpr char kPDFSchemaNamespace[] = "http://ns.adobe.com/pdf/1.3/";
constexpr char kDublinCoreNamespace[] = "http://purl.org/dc/elements/1.1/";
constexpr char kPDFAIdNamespace[] = "http://www.aiim.org/pdfa/ns/id/";
constexpr char kZUGFeRDNamespace[] = "urn:ferd:pdfa:CrossIndustryDocument:invoice:1p0#";
constexpr char kZUGFeRDFileName[] = "ZUGFeRD-invoice.xml";
constexpr char kAbout[] = "<rdf:Description rdf:about=\"\"";

// The container an XMP property of the Dublin Core schema takes: "Alt"
// (language alternatives), "Seq", "Bag", or "" for simple text.
std::string_view DublinCoreContainer(std::string_view name) {
  static const std::map<std::string_view, std::string_view> kContainers = {
      {"title", "Alt"},        {"description", "Alt"}, {"rights", "Alt"},    {"creator", "Seq"},
      {"contributor", "Bag"},  {"date", "Seq"},        {"subject", "Bag"},   {"publisher", "Bag"},
      {"language", "Bag"},     {"relation", "Bag"},    {"type", "Bag"}};
  const auto found = kContainers.find(name);
  return found == kContainers.end() ? std::string_view() : found->second;
}

// prefix:name = value, its value escaped, in the container its schema gives.
std::string XMPProperty(std::string_view prefix, std::string_view name, const std::string& value) {
  const std::string tag = std::string(prefix) + ":" + std::string(name);
  const std::string_view container = prefix == "dc" ? DublinCoreContainer(name) : std::string_view();
  std::string inner = XMLEscape(value);
  if (container == "Alt")
    inner = "<rdf:Alt><rdf:li xml:lang=\"x-default\">" + inner + "</rdf:li></rdf:Alt>";
  else if (!container.empty())
    inner = "<rdf:" + std::string(container) + "><rdf:li>" + inner + "</rdf:li></rdf:" + std::string(container) + ">";
  return "<" + tag + ">" + inner + "</" + tag + ">";
}

// The ZUGFeRD 1.0 invoice description and the PDF/A extension schema that
// declares its properties.
std::string ZUGFeRDDescriptions() {
  const std::string crlf = kCRLF;
  std::string text = std::string(kAbout) + " xmlns:zf=\"" + kZUGFeRDNamespace + "\">" + crlf;
  text += "<zf:ConformanceLevel>BASIC</zf:ConformanceLevel>" + crlf;
  text += std::string("<zf:DocumentFileName>") + kZUGFeRDFileName + "</zf:DocumentFileName>" + crlf;
  text += "<zf:DocumentType>INVOICE</zf:DocumentType>" + crlf;
  text += "<zf:Version>1.0</zf:Version></rdf:Description>" + crlf;
  auto property = [](const char* name, const char* description) {
    return std::string("<rdf:li rdf:parseType=\"Resource\"><pdfaProperty:name>") + name +
           "</pdfaProperty:name><pdfaProperty:valueType>Text</pdfaProperty:valueType>"
           "<pdfaProperty:category>external</pdfaProperty:category><pdfaProperty:description>" +
           description + "</pdfaProperty:description></rdf:li>";
  };
  text += std::string(kAbout) +
          " xmlns:pdfaExtension=\"http://www.aiim.org/pdfa/ns/extension/\""
          " xmlns:pdfaSchema=\"http://www.aiim.org/pdfa/ns/schema#\""
          " xmlns:pdfaProperty=\"http://www.aiim.org/pdfa/ns/property#\">" +
          crlf;
  text += "<pdfaExtension:schemas><rdf:Bag><rdf:li rdf:parseType=\"Resource\">"
          "<pdfaSchema:schema>ZUGFeRD PDFA Extension Schema</pdfaSchema:schema>"
          "<pdfaSchema:namespaceURI>" +
          std::string(kZUGFeRDNamespace) +
          "</pdfaSchema:namespaceURI><pdfaSchema:prefix>zf</pdfaSchema:prefix><pdfaSchema:property><rdf:Seq>" +
          property("DocumentFileName", "name of the embedded XML invoice file") +
          property("DocumentType", "INVOICE") + property("Version", "The actual version of the ZUGFeRD data") +
          property("ConformanceLevel", "The conformance level of the ZUGFeRD data") +
          "</rdf:Seq></pdfaSchema:property></rdf:li></rdf:Bag></pdfaExtension:schemas>" + crlf +
          "</rdf:Description>" + crlf;
  return text;
}

bool IsXMLNameStart(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c >= 0xC0; }

}  // namespace

const char* XMPSchemaPrefix(TvnCustomDocInfoSchema schema) {
  switch (schema) {
    case TvnCustomDocInfoSchema::schAdobePDF: return "pdf";
    case TvnCustomDocInfoSchema::schBasic: return "xmp";
    case TvnCustomDocInfoSchema::schDublinCore: return "dc";
    case TvnCustomDocInfoSchema::schJobTicket: return "xmpBJ";
    case TvnCustomDocInfoSchema::schRightsManagement: return "xmpRights";
    case TvnCustomDocInfoSchema::schPagedText: return "xmpTPg";
  }
  return "pdf";
}

const char* XMPSchemaNamespace(TvnCustomDocInfoSchema schema) {
  switch (schema) {
    case TvnCustomDocInfoSchema::schAdobePDF: return kPDFSchemaNamespace;
    case TvnCustomDocInfoSchema::schBasic: return kXMPNamespace;
    case TvnCustomDocInfoSchema::schDublinCore: return kDublinCoreNamespace;
    case TvnCustomDocInfoSchema::schJobTicket: return "http://ns.adobe.com/xap/1.0/bj/";
    case TvnCustomDocInfoSchema::schRightsManagement: return "http://ns.adobe.com/xap/1.0/rights/";
    case TvnCustomDocInfoSchema::schPagedText: return "http://ns.adobe.com/xap/1.0/t/pg/";
  }
  return kPDFSchemaNamespace;
}

bool IsXMLName(vn::StringView name) {
  if (name.empty() || !IsXMLNameStart(name.front())) return false;
  return std::all_of(name.begin() + 1, name.end(), [](char16_t c) {
    return IsXMLNameStart(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.' || c == 0xB7;
  });
}

std::string XMLEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      case '\r': out += "&#xD;"; break;
      default:
        // Control characters other than tab and line feed have no place
        // in XML 1.0.
        if (c < 0x20 && ch != '\t' && ch != '\n') break;
        out += ch;
    }
  }
  return out;
}

std::string XMPDateOf(std::string_view date) {
  // D:yyyymmddhhnnss then +HH'MM', -HH'MM' or Z.
  if (date.size() < 16 || date.substr(0, 2) != "D:") return std::string(date);
  const std::string_view d = date.substr(2);
  if (!std::all_of(d.begin(), d.begin() + 14, [](char c) { return c >= '0' && c <= '9'; })) return std::string(date);
  std::string text = std::string(d.substr(0, 4)) + "-" + std::string(d.substr(4, 2)) + "-" + std::string(d.substr(6, 2)) +
                     "T" + std::string(d.substr(8, 2)) + ":" + std::string(d.substr(10, 2)) + ":" +
                     std::string(d.substr(12, 2));
  const std::string_view zone = d.substr(14);
  if (zone.size() >= 6 && (zone[0] == '+' || zone[0] == '-'))
    text += std::string(zone.substr(0, 3)) + ":" + std::string(zone.substr(4, 2));
  else if (!zone.empty() && zone[0] == 'Z')
    text += "Z";
  return text;
}

std::string BuildXMPPacket(const TvnXMPPacketInfo& info) {
  const std::string crlf = kCRLF;
  auto present = [](const String& value) { return !vn::Trim(value).empty(); };
  // The properties written from the document information, as prefix:name.
  std::set<std::string> written = {"xmp:CreateDate", "xmp:ModifyDate", "xmp:MetadataDate", "pdf:Producer", "dc:format"};

  std::string x = "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>" + crlf;
  x += "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"Adobe XMP Core 5.2-c001 63.139439, 2010/09/27-13:37:26        \">" +
       crlf;
  x += "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">" + crlf;
  if (info.ZUGFeRDInvoice) x += ZUGFeRDDescriptions();

  x += std::string(kAbout) + " xmlns:xmp=\"" + kXMPNamespace + "\">";
  x += XMPProperty("xmp", "CreateDate", info.Date);
  if (present(info.Creator)) {
    x += XMPProperty("xmp", "CreatorTool", vn::ToUtf8(info.Creator));
    written.insert("xmp:CreatorTool");
  }
  x += XMPProperty("xmp", "ModifyDate", info.Date) + XMPProperty("xmp", "MetadataDate", info.Date);
  x += "</rdf:Description>";
  x += std::string(kAbout) + " xmlns:pdf=\"" + kPDFSchemaNamespace + "\">";
  x += XMPProperty("pdf", "Producer", info.Producer);
  if (present(info.Keywords)) {
    x += XMPProperty("pdf", "Keywords", vn::ToUtf8(info.Keywords));
    written.insert("pdf:Keywords");
  }
  x += "</rdf:Description>";
  x += std::string(kAbout) + " xmlns:dc=\"" + kDublinCoreNamespace + "\">";
  x += XMPProperty("dc", "format", "application/pdf");
  const std::pair<const char*, const String*> dublin_core[] = {
      {"title", &info.Title}, {"creator", &info.Author}, {"description", &info.Subject}};
  for (const auto& [name, value] : dublin_core) {
    if (!present(*value)) continue;
    x += XMPProperty("dc", name, vn::ToUtf8(*value));
    written.insert(std::string("dc:") + name);
  }
  x += "</rdf:Description>" + crlf;

  if (info.PDFAPart > 0) {
    x += std::string(kAbout) + " xmlns:pdfaid=\"" + kPDFAIdNamespace + "\">" + crlf;
    x += "<pdfaid:part>" + std::to_string(info.PDFAPart) + "</pdfaid:part>" + crlf;
    x += "<pdfaid:conformance>B</pdfaid:conformance>" + crlf;
    x += "</rdf:Description>" + crlf;
  }

  if (info.Custom) {
    // The last value of each property, in the order the properties first
    // came; one description per schema, in the order the schemas came.
    std::vector<TvnCustomDocInfoSchema> schemas;
    std::map<TvnCustomDocInfoSchema, std::vector<std::pair<std::string, std::string>>> properties;
    for (const TvnPDFCustomDocInfo& entry : *info.Custom) {
      if (!IsXMLName(entry.Name)) continue;
      const std::string name = vn::ToUtf8(entry.Name);
      if (written.count(std::string(XMPSchemaPrefix(entry.Schema)) + ":" + name)) continue;
      auto& list = properties[entry.Schema];
      if (list.empty()) schemas.push_back(entry.Schema);
      const auto same = std::find_if(list.begin(), list.end(), [&](const auto& p) { return p.first == name; });
      if (same != list.end())
        same->second = vn::ToUtf8(entry.Value);
      else
        list.emplace_back(name, vn::ToUtf8(entry.Value));
    }
    for (TvnCustomDocInfoSchema schema : schemas) {
      const char* prefix = XMPSchemaPrefix(schema);
      x += std::string(kAbout) + " xmlns:" + prefix + "=\"" + XMPSchemaNamespace(schema) + "\">" + crlf;
      for (const auto& [name, value] : properties[schema]) x += XMPProperty(prefix, name, value) + crlf;
      x += "</rdf:Description>" + crlf;
    }
  }

  x += crlf + "</rdf:RDF>" + crlf + "</x:xmpmeta>" + crlf + "<?xpacket end=\"w\"?>";
  return x;
}

// ---- the engine

void TvnExPDFEngine::AddCustomDocInfo(std::unique_ptr<TvnPDFCustomDocInfo> info) {
  if (!info || !IsDocumentStarted()) return;
  if (!IsXMLName(info->Name))
    throw vn::EArgumentException("Invalid XMP property name \"" + vn::ToUtf8(info->Name) + "\"");
  FFeatures->CustomDocInfo.push_back(std::move(*info));
}

void TvnCustomPDFEngine::CheckDocumentFeatures() {
  if (Encryption().Enabled() && IsPDFAVersion(Preferences().Version))
    throw vn::ENotSupportedException("PDF/A output cannot be encrypted");
}

void TvnCustomPDFEngine::StartDocumentFeatures() {
  TvnPDFDocumentFeatures& f = *FFeatures;
  f.StartDocument();
  switch (Preferences().Version) {
    case TvnPDFSubVersion::sPDFA_VER1B: f.PDFAPart = 1; break;
    case TvnPDFSubVersion::sPDFA_VER2B: f.PDFAPart = 2; break;
    case TvnPDFSubVersion::sPDFA_VER3B: f.PDFAPart = 3; break;
    default: f.PDFAPart = 0; break;
  }
  // The output's name joined with its extension, and the creation date.
  const std::string file_name = vn::ToUtf8(FileName() + FileExtension());
  if (Encryption().Enabled()) {
    f.Encryption = std::make_unique<TvnPDFEncryption>(file_name, Encryption(), FCreationTime);
    f.FileID = f.Encryption->FileID();
  } else if (f.PDFAPart > 0) {
    f.FileID = MakeFileID(file_name, FCreationTime);
  }
}

void TvnCustomPDFEngine::ReleaseDocumentFeatures() {
  FFeatures->StartDocument();
  FFeatures->Attachments.clear();
}

TvnTTFontEmbedding TvnCustomPDFEngine::FontEmbedding() {
  const TvnTTFontEmbedding embedding = Preferences().EmbedTrueTypeFonts;
  return FIsPDFA && embedding == TvnTTFontEmbedding::etfNone ? TvnTTFontEmbedding::etfSubset : embedding;
}

bool TvnCustomPDFEngine::IsFontEmbedExcluded(const String& font_name) const {
  return !FIsPDFA && FontEmbedExcludeList().IndexOf(font_name) >= 0;
}

bool TvnCustomPDFEngine::AllowsTransparency() const { return FFeatures->PDFAPart != 1; }

void TvnCustomPDFEngine::WritePlainStream(int32_t n, const std::string& dictionary, std::string data) {
  WriteObject(dictionary, n, false);
  EncryptObjectStream(data, n, 0);
  WriteRaw("stream" + std::string(kCRLF));
  WriteRaw(data);
  WriteRaw(std::string(kCRLF) + "endstream" + kCRLF + "endobj" + kCRLF);
}

std::string TvnCustomPDFEngine::CatalogFeatureEntries() {
  TvnPDFDocumentFeatures& f = *FFeatures;
  std::string text = WriteAttachments();

  if (f.PDFAPart > 0 || !f.CustomDocInfo.empty()) {
    const vn::exporter::TvnDocInfo& doc = DocInfo();
    TvnXMPPacketInfo info;
    info.PDFAPart = f.PDFAPart;
    info.Title = doc.Title();
    info.Author = doc.Author();
    info.Subject = doc.Subject();
    info.Keywords = doc.Keywords();
    info.Creator = doc.Creator();
    info.Producer = kPDFProducer;
    info.Date = XMPDateOf(FCreationTime);
    info.ZUGFeRDInvoice = f.PDFAPart == 3 && std::any_of(f.Attachments.begin(), f.Attachments.end(), [](const auto& a) {
                            return vn::SameText(a.FileName, vn::FromAscii(kZUGFeRDFileName)) && !a.Folder.empty();
                          });
    info.Custom = &f.CustomDocInfo;
    const std::string packet = BuildXMPPacket(info);
    const int32_t length = NewObjectNumber();
    const int32_t metadata = NewObjectNumber();
    WritePlainStream(metadata, "/Subtype/XML/Type/Metadata/Length " + ObjectRef(length) + kCRLF, packet);
    WriteObject(std::to_string(packet.size()), length, true);
    text += "/Metadata " + ObjectRef(metadata);
  }

  if (f.PDFAPart > 0) {
    // One profile stream serves the output intent and the colour space CS0.
    if (f.ProfileObject <= 0) {
      f.ProfileObject = NewObjectNumber();
      const std::string_view profile = SRGBICCProfile();
      WritePlainStream(f.ProfileObject,
                       "<</Range[ 0 1 0 1 0 1]/Alternate/DeviceRGB/Length " + std::to_string(profile.size()) + "/N 3>>",
                       std::string(profile));
    }
    text += "/OutputIntents[<</OutputCondition()/DestOutputProfile " + ObjectRef(f.ProfileObject) +
            "/Type/OutputIntent/S/GTS_PDFA1/OutputConditionIdentifier(Custom)/Info(sRGB IEC61966-2.1)/"
            "RegistryName(http://www.color.org)>>]";
  }

  if (!TOCItems().empty()) {
    f.Outlines = NewObjectNumber();
    text += "/Outlines " + ObjectRef(f.Outlines);
  }
  return text;
}

int32_t TvnCustomPDFEngine::WriteOutputColourSpace() {
  TvnPDFDocumentFeatures& f = *FFeatures;
  if (f.ProfileObject <= 0) return -1;
  const int32_t n = NewObjectNumber();
  WriteObject("[/ICCBased " + ObjectRef(f.ProfileObject) + "]", n, true);
  return n;
}

}  // namespace vn::pdfwriter

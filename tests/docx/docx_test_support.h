// Shared by the DOCX reader's tests: small zip packages built in memory
// (stored members), XML snippets parsed into trees, and the fixture and
// corpus paths.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ooxml/xml_document.h"
#include "runtime/streams.h"
#include "runtime/strings.h"
#include "support/paths.h"

namespace vn::docx::testing {

inline uint32_t Crc32(const std::string& AData) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : AData) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

inline void PutLE(std::string& AOut, uint32_t AValue, int ABytes) {
  for (int i = 0; i < ABytes; ++i) AOut.push_back(static_cast<char>((AValue >> (8 * i)) & 0xFF));
}

using ZipMembers = std::vector<std::pair<std::string, std::string>>;

// A zip archive of stored members, in the order given.
inline std::string StoredZip(const ZipMembers& AMembers) {
  std::string out;
  std::string directory;
  for (const auto& [name, data] : AMembers) {
    const uint32_t offset = static_cast<uint32_t>(out.size());
    const uint32_t crc = Crc32(data);
    const auto size = static_cast<uint32_t>(data.size());
    PutLE(out, 0x04034b50, 4);
    PutLE(out, 20, 2);
    PutLE(out, 0, 2);
    PutLE(out, 0, 2);
    PutLE(out, 0, 4);
    PutLE(out, crc, 4);
    PutLE(out, size, 4);
    PutLE(out, size, 4);
    PutLE(out, static_cast<uint32_t>(name.size()), 2);
    PutLE(out, 0, 2);
    out += name;
    out += data;
    PutLE(directory, 0x02014b50, 4);
    PutLE(directory, 20, 2);
    PutLE(directory, 20, 2);
    PutLE(directory, 0, 2);
    PutLE(directory, 0, 2);
    PutLE(directory, 0, 4);
    PutLE(directory, crc, 4);
    PutLE(directory, size, 4);
    PutLE(directory, size, 4);
    PutLE(directory, static_cast<uint32_t>(name.size()), 2);
    PutLE(directory, 0, 2);
    PutLE(directory, 0, 2);
    PutLE(directory, 0, 2);
    PutLE(directory, 0, 2);
    PutLE(directory, 0, 4);
    PutLE(directory, offset, 4);
    directory += name;
  }
  const uint32_t directory_offset = static_cast<uint32_t>(out.size());
  out += directory;
  PutLE(out, 0x06054b50, 4);
  PutLE(out, 0, 2);
  PutLE(out, 0, 2);
  PutLE(out, static_cast<uint32_t>(AMembers.size()), 2);
  PutLE(out, static_cast<uint32_t>(AMembers.size()), 2);
  PutLE(out, static_cast<uint32_t>(directory.size()), 4);
  PutLE(out, directory_offset, 4);
  PutLE(out, 0, 2);
  return out;
}

inline const char* RelationshipsHeader() {
  return "<?xml version=\"1.0\"?><Relationships "
         "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
}

// A relationship element of the given type path (below the schema host of
// the officeDocument relationships) and target.
inline std::string Relationship(const std::string& AId, const std::string& ATypePath, const std::string& ATarget,
                                const std::string& AExtra = "") {
  return "<Relationship Id=\"" + AId +
         "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" +
         ATypePath + "\" Target=\"" + ATarget + "\"" + AExtra + "/>";
}

inline std::string Relationships(const std::string& ABody) {
  return std::string(RelationshipsHeader()) + ABody + "</Relationships>";
}

// An XML snippet parsed into a tree; Root() is its document element.
class Snippet {
 public:
  explicit Snippet(const std::string& AXml) {
    vn::TStringStream stream(AXml);
    document_.LoadFromStream(stream);
  }
  ooxml::TXmlNode* Root() const { return document_.DocumentElement(); }

 private:
  ooxml::TXmlVerySimple document_;
};

// The parts of a small DOCX package. An empty text leaves its part (and its
// relationship) out; AExtra members and ADocumentRels relationships of the
// main document come on top (headers, footers, pictures).
struct DocxParts {
  std::string document;  // word/document.xml
  std::string styles;
  std::string numbering;
  std::string theme;
  std::string settings;
  std::string core;  // docProps/core.xml, named by the package
  std::string document_rels;
  ZipMembers extra;
};

inline std::string DocxPackageBytes(const DocxParts& AParts) {
  std::string package_rels = Relationship("rId1", "officeDocument", "word/document.xml");
  if (!AParts.core.empty()) {
    package_rels +=
        "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/"
        "core-properties\" Target=\"docProps/core.xml\"/>";
  }
  ZipMembers members = {{"_rels/.rels", Relationships(package_rels)}};
  std::string document_rels = AParts.document_rels;
  const std::pair<const std::string*, const char*> optional[] = {{&AParts.styles, "styles"},
                                                                 {&AParts.numbering, "numbering"},
                                                                 {&AParts.theme, "theme"},
                                                                 {&AParts.settings, "settings"}};
  for (const auto& [text, type] : optional) {
    if (text->empty()) continue;
    const std::string name = std::string(type) == "theme" ? "theme/theme1.xml" : std::string(type) + ".xml";
    document_rels += Relationship(std::string("rIdPart") + type, type, name);
    members.push_back({"word/" + name, *text});
  }
  members.push_back({"word/_rels/document.xml.rels", Relationships(document_rels)});
  if (!AParts.document.empty()) members.push_back({"word/document.xml", AParts.document});
  if (!AParts.core.empty()) members.push_back({"docProps/core.xml", AParts.core});
  for (const auto& member : AParts.extra) members.push_back(member);
  return StoredZip(members);
}

// A main document whose body holds ABody.
inline std::string DocumentWithBody(const std::string& ABody) {
  return "<w:document xmlns:w=\"w\" xmlns:r=\"r\"><w:body>" + ABody + "</w:body></w:document>";
}

inline std::string ReadBytes(const std::filesystem::path& APath) {
  std::ifstream in(APath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string StreamBytes(vn::TStream* AStream) {
  if (AStream == nullptr) return std::string();
  AStream->SetPosition(0);
  return AStream->ReadAll();
}

inline std::filesystem::path DocxFixture(const std::string& AName) {
  return std::filesystem::path(VN_FIXTURES_DIR) / "docx" / AName;
}

}  // namespace vn::docx::testing

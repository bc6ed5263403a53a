// Fuzz target for the DOCX reader: styles, numbering, theme, settings, core
// properties, the body and the sections with their headers and footers.
// Contract: any bytes in. Bytes that begin with "PK" are a package; any
// other bytes become every XML part of a small package (main document,
// styles, numbering, theme, settings, core properties and a header), so
// that mutated XML reaches each sub-reader. Reading ends with the Word model
// filled or an exception of the runtime's tree. No crash, leak or hang.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "docx/docx_parser.h"
#include "docx/package.h"
#include "framework/page_model.h"
#include "runtime/diagnostics.h"
#include "runtime/streams.h"
#include "wordmodel/document_mediator.h"

namespace {

void ReaderFuzzPut(std::string& AOut, uint32_t AValue, int ABytes) {
  for (int i = 0; i < ABytes; ++i) AOut.push_back(static_cast<char>((AValue >> (8 * i)) & 0xFF));
}

uint32_t ReaderFuzzCrc(const std::string& AData) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : AData) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// A zip archive of stored members.
std::string ReaderFuzzZip(const std::vector<std::pair<std::string, std::string>>& AMembers) {
  std::string out;
  std::string directory;
  for (const auto& [name, data] : AMembers) {
    const auto offset = static_cast<uint32_t>(out.size());
    const uint32_t crc = ReaderFuzzCrc(data);
    const auto size = static_cast<uint32_t>(data.size());
    const auto name_size = static_cast<uint32_t>(name.size());
    ReaderFuzzPut(out, 0x04034b50, 4);
    ReaderFuzzPut(out, 20, 2);
    ReaderFuzzPut(out, 0, 4);
    ReaderFuzzPut(out, 0, 4);
    ReaderFuzzPut(out, crc, 4);
    ReaderFuzzPut(out, size, 4);
    ReaderFuzzPut(out, size, 4);
    ReaderFuzzPut(out, name_size, 2);
    ReaderFuzzPut(out, 0, 2);
    out += name + data;
    ReaderFuzzPut(directory, 0x02014b50, 4);
    ReaderFuzzPut(directory, 20, 2);
    ReaderFuzzPut(directory, 20, 2);
    ReaderFuzzPut(directory, 0, 4);
    ReaderFuzzPut(directory, 0, 4);
    ReaderFuzzPut(directory, crc, 4);
    ReaderFuzzPut(directory, size, 4);
    ReaderFuzzPut(directory, size, 4);
    ReaderFuzzPut(directory, name_size, 2);
    ReaderFuzzPut(directory, 0, 4);
    ReaderFuzzPut(directory, 0, 4);
    ReaderFuzzPut(directory, 0, 4);
    ReaderFuzzPut(directory, offset, 4);
    directory += name;
  }
  const auto directory_offset = static_cast<uint32_t>(out.size());
  out += directory;
  ReaderFuzzPut(out, 0x06054b50, 4);
  ReaderFuzzPut(out, 0, 4);
  ReaderFuzzPut(out, static_cast<uint32_t>(AMembers.size()), 2);
  ReaderFuzzPut(out, static_cast<uint32_t>(AMembers.size()), 2);
  ReaderFuzzPut(out, static_cast<uint32_t>(directory.size()), 4);
  ReaderFuzzPut(out, directory_offset, 4);
  ReaderFuzzPut(out, 0, 2);
  return out;
}

std::string ReaderFuzzRelation(const std::string& AId, const std::string& AType, const std::string& ATarget) {
  return "<Relationship Id=\"" + AId + "\" Type=\"http://schemas.openxmlformats.org/" + AType + "\" Target=\"" +
         ATarget + "\"/>";
}

// A package whose every XML part is AXml.
std::string ReaderFuzzPackageOf(const std::string& AXml) {
  const std::string office = "officeDocument/2006/relationships/";
  const std::string package_rels =
      "<Relationships>" + ReaderFuzzRelation("rId1", office + "officeDocument", "word/document.xml") +
      ReaderFuzzRelation("rId2", "package/2006/relationships/metadata/core-properties", "docProps/core.xml") +
      "</Relationships>";
  const std::string document_rels = "<Relationships>" + ReaderFuzzRelation("rId1", office + "styles", "styles.xml") +
                                    ReaderFuzzRelation("rId2", office + "numbering", "numbering.xml") +
                                    ReaderFuzzRelation("rId3", office + "theme", "theme/theme1.xml") +
                                    ReaderFuzzRelation("rId4", office + "settings", "settings.xml") +
                                    ReaderFuzzRelation("rId5", office + "header", "header1.xml") + "</Relationships>";
  return ReaderFuzzZip({{"_rels/.rels", package_rels},
                        {"word/_rels/document.xml.rels", document_rels},
                        {"word/document.xml", AXml},
                        {"word/styles.xml", AXml},
                        {"word/numbering.xml", AXml},
                        {"word/theme/theme1.xml", AXml},
                        {"word/settings.xml", AXml},
                        {"word/header1.xml", AXml},
                        {"docProps/core.xml", AXml}});
}

void ReadWithReader(vn::TStream& AInput) {
  vn::Diagnostics warnings;
  vn::framework::TvnBaseDocumentHandler document;
  vn::wordmodel::TvnDocumentMediator mediator(&document);
  try {
    vn::docx::TvnDOCXPackage package(AInput, vn::docx::TvnFileMode::tfOpened, &warnings);
    vn::docx::TvnDOCXParser reader(&package, &mediator, &warnings);
    if (auto* numbers = reader.NumberParser()) {
      (void)numbers->AbstractNumbers();
      (void)numbers->ConcreteNumbers();
    }
    vn::docx::TvnDOCXMainDocumentParser* body = reader.DocumentParser();
    if (body == nullptr) return;
    body->Initialize();
    (void)body->Sections();
    (void)body->GetEnumerator();
    (void)body->Paragraphs();
  } catch (const vn::Exception&) {
    // Refused: the archive, or a main document that is not well-formed.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (size < 2 || data[0] != 'P' || data[1] != 'K') bytes = ReaderFuzzPackageOf(bytes);
  vn::TStringStream input(bytes);
  ReadWithReader(input);
  return 0;
}

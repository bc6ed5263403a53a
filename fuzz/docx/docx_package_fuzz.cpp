// Fuzz target for the DOCX package layer and the WordprocessingML builder.
// Contract: any bytes in. Bytes that begin with "PK" are a package: opening
// ends with a package or an exception of the runtime's tree (the zip
// layer's errors); every part getter then answers safely, and the body of
// the main document and of every header and footer builds into Word-model
// items. Any other bytes are the XML of a part, built as a body without a
// package (a package reads a damaged member as empty, so mutated XML gets
// to the builder this way). No crash, leak or hang.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "docx/docx_helper.h"
#include "docx/package.h"
#include "ooxml/xml_document.h"
#include "runtime/diagnostics.h"
#include "runtime/streams.h"
#include "wordmodel/document_mediator.h"

namespace {

// Builds every child of the part's first element below the root (the body
// of a document, the content of a header or footer).
void BuildPart(vn::docx::TvnDOCXPackage& package, vn::TStream* part_xml, const vn::docx::TvnDocXPackagePart* part,
               vn::Diagnostics& warnings) {
  if (part_xml == nullptr) return;
  vn::ooxml::TXmlVerySimple xml;
  try {
    xml.LoadFromStream(*part_xml);
  } catch (const vn::ooxml::EXmlError&) {
    return;
  }
  const vn::ooxml::TXmlNode* root = xml.DocumentElement();
  if (root == nullptr) return;
  vn::ooxml::TXmlNode* body = nullptr;
  root->FindChild(u"w:body", body);
  const vn::ooxml::TXmlNode* container = body != nullptr ? body : root;
  vn::wordmodel::TvnDocumentMediator mediator(nullptr);
  vn::docx::TvnDOCXHelperFunctions helper(&warnings);
  for (const vn::ooxml::TXmlNode* child : container->ChildNodes) {
    try {
      (void)helper.GetParsedDocItem(child, &mediator, &package, mediator.GetResourceCollection(), part, nullptr,
                                    nullptr, nullptr);
    } catch (const vn::Exception&) {
      // The body reader drops an item whose reading fails.
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vn::TStringStream input(std::string(reinterpret_cast<const char*>(data), size));
  vn::Diagnostics warnings;
  if (size < 2 || data[0] != 'P' || data[1] != 'K') {
    vn::docx::TvnDOCXPackage no_package;
    BuildPart(no_package, &input, nullptr, warnings);
    return 0;
  }
  std::unique_ptr<vn::docx::TvnDOCXPackage> package;
  try {
    package = std::make_unique<vn::docx::TvnDOCXPackage>(input, vn::docx::TvnFileMode::tfOpened, &warnings);
  } catch (const vn::Exception&) {
    return 0;
  }
  (void)package->GetStyleStream();
  (void)package->GetNumberingStream();
  (void)package->GetThemeStream();
  (void)package->GetDocumentSettingsStream();
  (void)package->GetCorePropStream();
  auto main = package->GetMainDocumentStream();
  BuildPart(*package, main.get(), nullptr, warnings);
  if (package->MainDocumentPart() == nullptr) return 0;
  // Headers and footers, through their own relationships.
  for (const auto& relation : package->MainDocumentPart()->PackagePart()->Relations()) {
    if (relation.RelationshipType.find(u"/header") == vn::String::npos &&
        relation.RelationshipType.find(u"/footer") == vn::String::npos) {
      continue;
    }
    auto part = package->GetPackagePart(relation.Id);
    if (!part) continue;
    auto part_xml = package->GetPartStream(*part);
    BuildPart(*package, part_xml.get(), part.get(), warnings);
  }
  return 0;
}

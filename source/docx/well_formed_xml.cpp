#include "docx/well_formed_xml.h"

#include "runtime/scope_exit.h"

namespace vn::docx {

namespace {

bool IsXmlBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

}  // namespace

void WellFormedXmlDocument::Parse(ooxml::TvnStreamReaderHelper& Reader) {
  FOpenElements = 0;
  ooxml::TXmlVerySimple::Parse(Reader);
  if (FOpenElements != 0) throw ooxml::EXmlError("XML data ends inside an element");
}

void WellFormedXmlDocument::ParseProcessingInstr(ooxml::TvnStreamReaderHelper& Reader, ooxml::TXmlNode*& Parent) {
  FInProcessingInstruction = true;
  vn::ScopeExit leave([&] { FInProcessingInstruction = false; });
  ooxml::TXmlVerySimple::ParseProcessingInstr(Reader, Parent);
}

ooxml::TXmlNode* WellFormedXmlDocument::ParseTag(StringView TagStr, ooxml::TXmlNode*& Parent) {
  if (FInProcessingInstruction) return ooxml::TXmlVerySimple::ParseTag(TagStr, Parent);
  if (!TagStr.empty() && TagStr[0] == u'/') {
    StringView name = TagStr.substr(1);
    while (!name.empty() && IsXmlBlank(name.back())) name.remove_suffix(1);
    if (FOpenElements == 0 || Parent == nullptr || Parent->Name != name) {
      throw ooxml::EXmlError("XML end tag </" + vn::ToUtf8(name) + "> does not close the open element");
    }
    --FOpenElements;
    return ooxml::TXmlVerySimple::ParseTag(TagStr, Parent);
  }
  ooxml::TXmlNode* node = ooxml::TXmlVerySimple::ParseTag(TagStr, Parent);
  if (Parent == node) ++FOpenElements;
  return node;
}

std::unique_ptr<WellFormedXmlDocument> ParseWellFormedPart(vn::TStream* AStream) {
  if (AStream == nullptr) return nullptr;
  AStream->SetPosition(0);
  auto document = std::make_unique<WellFormedXmlDocument>();
  document->LoadFromStream(*AStream, ooxml::TXmlVerySimple::kDefaultBufferSize);
  return document;
}

}  // namespace vn::docx

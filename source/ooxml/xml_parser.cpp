#include "ooxml/xml_parser.h"

namespace vn::ooxml {

TXMLDocument::TXMLDocument() : DocElemetnt(DocumentElement()) {}

TXmlNode* TXMLDocument::CreateProcessingInstruction(StringView Anode, StringView AAttributes) {
  String text = u"<?";
  text += Anode;
  text += AAttributes;
  text += u"?>";
  SetText(text);
  for (TXmlNode* node : ChildNodes())
    if (node->NodeType == TXmlNodeType::ntXmlDecl || node->NodeType == TXmlNodeType::ntProcessingInstr) return node;
  return nullptr;
}

std::unique_ptr<IXMLDocument> CreateXMLDocument() { return std::make_unique<IXMLDocument>(); }

}  // namespace vn::ooxml

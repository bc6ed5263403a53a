// The XML document classes the DOCX reader works with: a document loaded
// from a part's stream and walked from its document element through the
// node operations (FindChild, GetAttribute, FindAttribute ...), which every
// TXmlNode offers (PXMLNode is TXmlNode).
#pragma once

#include <memory>

#include "ooxml/xml_document.h"

namespace vn::ooxml {

class TXMLDocument : public TXmlVerySimple {
 public:
  TXMLDocument();

  // Taken when the document is created, so always null.
  TXmlNode* DocElemetnt = nullptr;

  TXmlNode* GetDocumentlement() const { return DocumentElement(); }
  // A new detached element of this document.
  std::unique_ptr<TXmlNode> CreateElement(StringView Astrng) { return CreateNode(Astrng); }
  // Replaces the document's content by the processing instruction
  // "<?" + Anode + AAttributes + "?>"; returns the node it gave (the header
  // for "xml"), nullptr when the text gave none.
  TXmlNode* CreateProcessingInstruction(StringView Anode, StringView AAttributes);
};

class IXMLDocument : public TXMLDocument {};

std::unique_ptr<IXMLDocument> CreateXMLDocument();

}  // namespace vn::ooxml

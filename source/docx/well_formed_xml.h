// An XML document that refuses what is not well-formed in its element
// structure: an end tag that does not match the open element, an end tag
// with nothing open, and elements still open at the end of the data (a part
// cut short). The DOCX reader parses its parts with it, so that a damaged
// part is an error (or, for an optional part, a part left unread) rather
// than a document built from whatever came before the damage.
#pragma once

#include <memory>

#include "ooxml/xml_document.h"
#include "runtime/streams.h"

namespace vn::docx {

class WellFormedXmlDocument : public ooxml::TXmlVerySimple {
 public:
  void Parse(ooxml::TvnStreamReaderHelper& Reader) override;

 protected:
  void ParseProcessingInstr(ooxml::TvnStreamReaderHelper& Reader, ooxml::TXmlNode*& Parent) override;
  ooxml::TXmlNode* ParseTag(StringView TagStr, ooxml::TXmlNode*& Parent) override;

 private:
  int FOpenElements = 0;
  bool FInProcessingInstruction = false;
};

// Parses AStream from its start; null without a stream. EXmlError when the
// data is not well-formed.
std::unique_ptr<WellFormedXmlDocument> ParseWellFormedPart(vn::TStream* AStream);

}  // namespace vn::docx

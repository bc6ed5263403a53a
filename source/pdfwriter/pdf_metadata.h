// The XMP metadata of the PDF writer and the sRGB profile of PDF/A output.
//
// A document gets one XMP packet (its catalog's /Metadata) when it is PDF/A
// or carries custom properties (TvnExPDFEngine::AddCustomDocInfo): the
// packet repeats the document information (dc:title, dc:creator,
// dc:description, pdf:Keywords, xmp:CreatorTool), gives the dates and the
// producer, identifies the PDF/A part and conformance B only when the
// document is PDF/A, and carries the custom properties in their schemas.
// Every value is escaped for XML and the packet is UTF-8. The metadata
// stream is never compressed; like every stream it is encrypted when the
// document is.
//
// PDF/A output also carries an output intent (GTS_PDFA1) whose destination
// profile is the sRGB profile below, and the colour space CS0 (ICCBased on
// the same profile stream) through which the page colours go.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/strings.h"

namespace vn::pdfwriter {

using vn::String;

enum class TvnCustomDocInfoSchema { schAdobePDF, schBasic, schDublinCore, schJobTicket, schRightsManagement, schPagedText };

// The prefix and namespace URI an XMP property of the schema is written
// with: pdf (the Adobe PDF schema 1.3), xmp (XMP basic), dc (Dublin Core),
// xmpBJ (basic job ticket), xmpRights (rights management), xmpTPg (paged
// text).
const char* XMPSchemaPrefix(TvnCustomDocInfoSchema Schema);
const char* XMPSchemaNamespace(TvnCustomDocInfoSchema Schema);

// A custom document-information property: Name in Schema, with Value
// (simple text). URI is kept with the entry; the packet uses the schema's
// own namespace.
class TvnPDFCustomDocInfo {
 public:
  TvnCustomDocInfoSchema Schema = TvnCustomDocInfoSchema::schAdobePDF;
  String URI = u"http://ns.adobe.com/pdf/1.3/";
  String Name;
  String Value;
};

// Whether Name can be an XML element's local name (an NCName: a letter or
// "_", then letters, digits, "_", "-" and "."; characters beyond ASCII
// count as letters).
bool IsXMLName(vn::StringView Name);
// The text with &, <, >, " and ' written as entity references.
std::string XMLEscape(std::string_view Text);

// "D:yyyymmddhhnnss+HH'MM'" as an XMP date "yyyy-mm-ddThh:nn:ss+HH:MM"
// (a "Z" zone stays "Z"); the text unchanged when it is not of that form.
std::string XMPDateOf(std::string_view PDFDate);

// What one XMP packet says.
struct TvnXMPPacketInfo {
  // The PDF/A part (1, 2 or 3), 0 for plain PDF: no identification.
  int32_t PDFAPart = 0;
  // The document information; a value that is blank once trimmed is left
  // out, as from the Info dictionary.
  String Title, Author, Subject, Keywords, Creator;
  std::string Producer;
  // The creation, modification and metadata date (XMP form).
  std::string Date;
  // The ZUGFeRD 1.0 invoice description (with its PDF/A extension schema).
  bool ZUGFeRDInvoice = false;
  // Custom properties in order; a later entry of the same schema and name
  // replaces an earlier one, and a property the packet already writes from
  // the document information keeps that value.
  const std::vector<TvnPDFCustomDocInfo>* Custom = nullptr;
};

// The packet, UTF-8, from "<?xpacket begin" to "<?xpacket end="w"?>".
std::string BuildXMPPacket(const TvnXMPPacketInfo& Info);

// The sRGB ICC profile (version 2.1, display class) embedded in PDF/A
// output, made by scripts/generate_srgb_icc_profile.py.
std::string_view SRGBICCProfile();

}  // namespace vn::pdfwriter

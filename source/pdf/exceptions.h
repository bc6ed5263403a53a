// Exceptions of the PDF object layer. They all derive from EBrisquel and
// carry fixed English messages; a class here is a different type from the
// class of the same name under ExvnException.
#pragma once

#include <string_view>

#include "runtime/exceptions.h"

namespace vn::pdf {

// Declares a class of the layer whose default constructor gives its message.
#define VN_PDF_EXCEPTION(Name, Text)              \
  class Name : public EBrisquel {                 \
   public:                                        \
    static constexpr const char* kMessage = Text; \
    Name() : EBrisquel(kMessage) {}               \
  }

VN_PDF_EXCEPTION(ExInvalidBuffer, "Invalid Buffer");
VN_PDF_EXCEPTION(ExOutofMemory, "Out of Memory");
VN_PDF_EXCEPTION(ExInvalidFileName, "Invalid file name");
VN_PDF_EXCEPTION(ExFileNotFound, "File Not Found");
VN_PDF_EXCEPTION(ExFileOpenError, "File Open error");
VN_PDF_EXCEPTION(ExInvalidStream, "Invalid Stream");
VN_PDF_EXCEPTION(ExInvalidObject, "Invalid Object");
VN_PDF_EXCEPTION(ExInvalidPassword, "Invalid password");
VN_PDF_EXCEPTION(ExStartXrefNotFound, "startxref not found");
VN_PDF_EXCEPTION(ExBadRootObj, "Catalog not found");
VN_PDF_EXCEPTION(ExNoPageTreeObj, "No Page Entry in Catalog");
VN_PDF_EXCEPTION(ExInvalidPDFFile, "Invalid PDF Document");
VN_PDF_EXCEPTION(ExImproperCrossRefTableOrStream, "Improper Cross reference Table or Stream");

#undef VN_PDF_EXCEPTION

// "File create error: " followed by the platform's reason (UTF-8).
class ExFileCreateError : public EBrisquel {
 public:
  static constexpr const char* kPrefix = "File create error: ";
  explicit ExFileCreateError(std::string_view platform_message)
      : EBrisquel(std::string(kPrefix) + std::string(platform_message)) {}
};

}  // namespace vn::pdf

// The exception root of the library, the runtime-like exception classes that
// the document code relies on, and the roots of the library's own exception
// trees. Every exception carries its exact English message as UTF-16 text;
// what() gives it in UTF-8.
#pragma once

#include <exception>
#include <string>

#include "runtime/strings.h"

namespace vn {

class Exception : public std::exception {
 public:
  explicit Exception(String message);
  explicit Exception(const char* message_utf8);
  explicit Exception(const std::string& message_utf8);
  ~Exception() override = default;

  const String& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  String message_;
  std::string utf8_;
};

// Declares `Name` deriving from `Base` (a qualified name is fine), with the
// constructors of Exception.
#define VN_DECLARE_EXCEPTION(Name, Base) \
  class Name : public Base {             \
    using VnBase_ = Base;                \
                                         \
   public:                               \
    using VnBase_::VnBase_;              \
  }

VN_DECLARE_EXCEPTION(EConvertError, Exception);
VN_DECLARE_EXCEPTION(EListError, Exception);
VN_DECLARE_EXCEPTION(EArgumentException, Exception);
VN_DECLARE_EXCEPTION(EArgumentOutOfRangeException, EArgumentException);
VN_DECLARE_EXCEPTION(EAbstractError, Exception);
VN_DECLARE_EXCEPTION(EInvalidCast, Exception);
VN_DECLARE_EXCEPTION(EInvalidOperation, Exception);
VN_DECLARE_EXCEPTION(EOutOfMemory, Exception);
VN_DECLARE_EXCEPTION(ENotSupportedException, Exception);
VN_DECLARE_EXCEPTION(EStreamError, Exception);
VN_DECLARE_EXCEPTION(EReadError, EStreamError);
VN_DECLARE_EXCEPTION(EWriteError, EStreamError);
VN_DECLARE_EXCEPTION(EFileStreamError, EStreamError);
VN_DECLARE_EXCEPTION(EFOpenError, EFileStreamError);
VN_DECLARE_EXCEPTION(EFCreateError, EFileStreamError);
// A failed internal consistency check (a caller's programming error), with
// the check's message.
VN_DECLARE_EXCEPTION(EAssertionFailed, Exception);

// A failed operating-system file operation, with the system's error code.
class EInOutError : public Exception {
 public:
  EInOutError(const std::string& message_utf8, int error_code) : Exception(message_utf8), ErrorCode(error_code) {}
  int ErrorCode;
};

// ExvnException is the root of document and format errors; EBrisquel the
// root of the PDF object layer's errors (that layer declares its
// descendants); EImageExceptions the root of image-format errors. Classes of
// the same name in other trees are other types.
VN_DECLARE_EXCEPTION(ExvnException, Exception);
VN_DECLARE_EXCEPTION(EDOCXExceptions, ExvnException);
VN_DECLARE_EXCEPTION(ExFileNotFound, EDOCXExceptions);
VN_DECLARE_EXCEPTION(ExFileOpenError, EDOCXExceptions);
VN_DECLARE_EXCEPTION(ExFileCreateError, ExvnException);
VN_DECLARE_EXCEPTION(ExPasswordRequired, ExvnException);
VN_DECLARE_EXCEPTION(ExBadPDFAction, ExvnException);
VN_DECLARE_EXCEPTION(ExBadPDFAnnotation, ExvnException);
VN_DECLARE_EXCEPTION(ExBadPDFPage, ExvnException);
VN_DECLARE_EXCEPTION(ExInvalidPageError, ExvnException);
VN_DECLARE_EXCEPTION(ExInvalidBuffer, ExvnException);
VN_DECLARE_EXCEPTION(ExInvalidStream, ExvnException);
VN_DECLARE_EXCEPTION(ExOutofMemory, ExvnException);
VN_DECLARE_EXCEPTION(ExCompressionError, ExvnException);
VN_DECLARE_EXCEPTION(ExInvalidFileID, ExvnException);
VN_DECLARE_EXCEPTION(ExInvalidKeyLen, ExvnException);

VN_DECLARE_EXCEPTION(EBrisquel, Exception);

VN_DECLARE_EXCEPTION(EImageExceptions, Exception);
VN_DECLARE_EXCEPTION(ExInvalidImageFormat, EImageExceptions);

}  // namespace vn

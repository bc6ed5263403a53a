// The exceptions of the zip layer. Every failure of the archive code is an
// EAbException with a numeric error code and a fixed English message; the
// inflater has four exceptions of its own outside that tree. Item
// operations of an archive turn an exception into an error class and code
// (ClassifyException) for their failure event.
#pragma once

#include <exception>
#include <string>

#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace vn::ooxml {

// The message paired with an archive error code; empty for a code without
// one. Messages with "%d" or "%s" are format strings.
String ArchiveErrorMessage(int code);

class EAbException : public Exception {
 public:
  // Raised directly with a message of the caller's choosing: code 0.
  explicit EAbException(const String& message, int error_code = 0) : Exception(message), ErrorCode(error_code) {}
  explicit EAbException(const char* message, int error_code = 0) : Exception(message), ErrorCode(error_code) {}
  int ErrorCode;
};

// An exception whose message is the one of its error code.
#define VN_ZIP_EXCEPTION(Name, Base, Code)                      \
  class Name : public Base {                                    \
   public:                                                      \
    static constexpr int kCode = Code;                          \
    Name() : Base(ArchiveErrorMessage(Code), Code) {}           \
                                                                \
   protected:                                                   \
    Name(const String& message, int code) : Base(message, code) {} \
  }

VN_ZIP_EXCEPTION(EAbArchiveBusy, EAbException, 10);
VN_ZIP_EXCEPTION(EAbFileNotFound, EAbException, 21);
VN_ZIP_EXCEPTION(EAbNoArchive, EAbException, 23);
VN_ZIP_EXCEPTION(EAbUserAbort, EAbException, 9);
VN_ZIP_EXCEPTION(EAbNoSuchDirectory, EAbException, 15);
VN_ZIP_EXCEPTION(EAbUnhandledType, EAbException, 28);
VN_ZIP_EXCEPTION(EAbSpanningNotSupported, EAbException, 29);

class EAbBadStream : public EAbException {
 public:
  static constexpr int kCode = 17;
  EAbBadStream();
  // "Invalid Stream", CR LF and the inner exception's message; the inner
  // exception is kept beside it.
  static EAbBadStream CreateInner(std::exception_ptr inner);
  std::exception_ptr InnerException;

 private:
  explicit EAbBadStream(const String& message);
};

class EAbZipException : public EAbException {
 public:
  using EAbException::EAbException;
};

VN_ZIP_EXCEPTION(EAbZipBadSpanStream, EAbZipException, 11);
VN_ZIP_EXCEPTION(EAbZipBadCRC, EAbZipException, 19);
VN_ZIP_EXCEPTION(EAbZipInvalid, EAbZipException, 24);
VN_ZIP_EXCEPTION(EAbZipInvalidFactor, EAbZipException, 6);
VN_ZIP_EXCEPTION(EAbZipInvalidLFH, EAbZipException, 22);
VN_ZIP_EXCEPTION(EAbZipInvalidMethod, EAbZipException, 2);
VN_ZIP_EXCEPTION(EAbZipInvalidPassword, EAbZipException, 4);
VN_ZIP_EXCEPTION(EAbZipNoExtraction, EAbZipException, 3);
VN_ZIP_EXCEPTION(EAbZipNoInsertion, EAbZipException, 5);
VN_ZIP_EXCEPTION(EAbZipSpanOverwrite, EAbZipException, 12);
VN_ZIP_EXCEPTION(EAbZipVersion, EAbZipException, 1);
VN_ZIP_EXCEPTION(EAbBBSSeekOutsideBuffer, EAbZipException, 41);
VN_ZIP_EXCEPTION(EAbBBSInvalidOrigin, EAbZipException, 42);

#undef VN_ZIP_EXCEPTION

// The exceptions with formatted messages.
class EAbVMSInvalidOrigin : public EAbZipException {
 public:
  explicit EAbVMSInvalidOrigin(int value);
};
class EAbVMSErrorOpenSwap : public EAbZipException {
 public:
  explicit EAbVMSErrorOpenSwap(const String& file_name);
};
class EAbVMSSeekFail : public EAbZipException {
 public:
  explicit EAbVMSSeekFail(const String& file_name);
};
class EAbVMSReadFail : public EAbZipException {
 public:
  EAbVMSReadFail(int count, const String& file_name);
};
class EAbVMSWriteFail : public EAbZipException {
 public:
  EAbVMSWriteFail(int count, const String& file_name);
};
class EAbBBSReadTooManyBytes : public EAbZipException {
 public:
  explicit EAbBBSReadTooManyBytes(int count);
};

// The inflater's exceptions (no error code).
class EAbInflateError : public Exception {
 public:
  // "inflate error, possibly a corrupted compressed stream. (Internal
  // cause: <message>)".
  explicit EAbInflateError(const String& message);
  // "<message>: <error message>".
  static EAbInflateError CreateUnknown(const String& message, const String& error_message);

 private:
  struct Raw {};
  EAbInflateError(Raw, const String& message) : Exception(message) {}
};
VN_DECLARE_EXCEPTION(EAbInternalInflateError, Exception);
VN_DECLARE_EXCEPTION(EAbPartSizedInflate, Exception);
VN_DECLARE_EXCEPTION(EAbAbortProgress, Exception);

enum class TAbErrorClass { ecArchiveError, ecInOutError, ecFilerError, ecFileCreateError, ecFileOpenError, ecCabError, ecOther };

// The class and code an item operation reports for an exception: archive
// exceptions with their code, the runtime's input-output error with the
// system's code, file open and create errors, and everything else (inflate
// and stream errors, out of memory) as ecOther with code 0.
void ClassifyException(const std::exception& e, TAbErrorClass& error_class, int& error_code);

}  // namespace vn::ooxml

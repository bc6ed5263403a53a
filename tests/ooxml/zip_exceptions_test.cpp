// The archive exceptions: codes and messages of every class, the formatted
// messages, the inner exception of a bad stream, and the classification an
// item operation reports.
#include "ooxml/zip_exceptions.h"

#include <gtest/gtest.h>

#include <functional>

namespace vn::ooxml::zip_exceptions_test {
namespace {

TEST(ArchiveExceptions, EachClassCarriesItsCodeAndMessage) {
  struct Case {
    std::function<void()> raise;
    int code;
    const char* message;
    bool zip_exception;
  } cases[] = {
      {[] { throw EAbArchiveBusy(); }, 10, "Archive is busy - cannot process new requests", false},
      {[] { throw EAbBadStream(); }, 17, "Invalid Stream", false},
      {[] { throw EAbFileNotFound(); }, 21, "File not found", false},
      {[] { throw EAbNoArchive(); }, 23, "Archive does not exist - Filename is blank", false},
      {[] { throw EAbUserAbort(); }, 9, "Process aborted by user", false},
      {[] { throw EAbNoSuchDirectory(); }, 15, "Directory does not exist", false},
      {[] { throw EAbUnhandledType(); }, 28, "Unhandled Archive Type", false},
      {[] { throw EAbSpanningNotSupported(); }, 29, "Spanning not supported by this Archive type", false},
      {[] { throw EAbZipBadSpanStream(); }, 11, "Spanned archives must be opened as file streams", true},
      {[] { throw EAbZipBadCRC(); }, 19, "Failed CRC Check", true},
      {[] { throw EAbZipInvalid(); }, 24, "Invalid file - not a PKZip file", true},
      {[] { throw EAbZipInvalidFactor(); }, 6, "Invalid Reduce Factor", true},
      {[] { throw EAbZipInvalidLFH(); }, 22, "Invalid Local File Header entry", true},
      {[] { throw EAbZipInvalidMethod(); }, 2, "Cannot extract file - unsupported compression method", true},
      {[] { throw EAbZipInvalidPassword(); }, 4, "Cannot extract file - invalid password", true},
      {[] { throw EAbZipNoExtraction(); }, 3, "Cannot extract file - no extraction support provided", true},
      {[] { throw EAbZipNoInsertion(); }, 5, "Cannot insert file - no insertion support provided", true},
      {[] { throw EAbZipSpanOverwrite(); }, 12, "Cannot update an existing spanned disk set", true},
      {[] { throw EAbZipVersion(); }, 1, "Cannot extract file - newer version required", true},
      {[] { throw EAbVMSInvalidOrigin(3); }, 101, "VMS: invalid origin 3, should be 0, 1, 2", true},
      {[] { throw EAbVMSErrorOpenSwap(u"/tmp/VMS12.tmp"); }, 102, "VMS: Cannot open swap file /tmp/VMS12.tmp", true},
      {[] { throw EAbVMSSeekFail(u"/tmp/VMS12.tmp"); }, 103, "VMS: Failed to seek in swap file /tmp/VMS12.tmp", true},
      {[] { throw EAbVMSReadFail(4096, u"/tmp/VMS12.tmp"); }, 104,
       "VMS: Failed to read 4096 bytes from swap file /tmp/VMS12.tmp", true},
      {[] { throw EAbVMSWriteFail(4096, u"/tmp/VMS12.tmp"); }, 105,
       "VMS: Failed to write 4096 bytes to swap file /tmp/VMS12.tmp", true},
      {[] { throw EAbBBSReadTooManyBytes(70000); }, 40, "BBS: request to read too many bytes [70000]", true},
      {[] { throw EAbBBSSeekOutsideBuffer(); }, 41, "BBS: New position is outside the buffer", true},
      {[] { throw EAbBBSInvalidOrigin(); }, 42, "BBS: Invalid Origin value", true},
  };
  for (const Case& c : cases) {
    try {
      c.raise();
      ADD_FAILURE() << c.message << ": nothing raised";
    } catch (const EAbException& e) {
      EXPECT_EQ(e.ErrorCode, c.code) << c.message;
      EXPECT_STREQ(e.what(), c.message);
      EXPECT_EQ(dynamic_cast<const EAbZipException*>(&e) != nullptr, c.zip_exception) << c.message;
    }
  }
}

TEST(ArchiveExceptions, MessageTableCoversEveryCodeOnce) {
  const int codes[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
                       21, 22, 23, 24, 25, 26, 27, 28, 29, 40, 41, 42, 43, 50, 51, 52, 53, 54, 55, 56,
                       57, 58, 59, 60, 61, 62, 63, 64, 80, 81, 82, 83, 84, 100, 101, 102, 103, 104, 105, 106,
                       200, 201, 202, 220, 221, 222, 223};
  for (int code : codes) EXPECT_FALSE(ArchiveErrorMessage(code).empty()) << code;
  EXPECT_EQ(ArchiveErrorMessage(7), u"Cannot insert file - duplicates stored name");
  EXPECT_EQ(ArchiveErrorMessage(84), u"TabSlidingWindowStream.Seek: invalid new position");
  EXPECT_EQ(ArchiveErrorMessage(223), u"Unsupported Operation");
  for (int unknown : {0, 30, 39, 107, 224, -1}) EXPECT_TRUE(ArchiveErrorMessage(unknown).empty()) << unknown;
  EAbException plain("Path not found");
  EXPECT_EQ(plain.ErrorCode, 0);
}

TEST(ArchiveExceptions, BadStreamKeepsItsInnerException) {
  std::exception_ptr inner;
  try {
    throw EReadError("Stream read error");
  } catch (...) {
    inner = std::current_exception();
  }
  EAbBadStream e = EAbBadStream::CreateInner(inner);
  EXPECT_STREQ(e.what(), "Invalid Stream\r\nStream read error");
  EXPECT_EQ(e.ErrorCode, 17);
  EXPECT_THROW(std::rethrow_exception(e.InnerException), EReadError);
}

TEST(ArchiveExceptions, InflateErrorsStandOutsideTheArchiveTree) {
  EAbInflateError e(u"starting new block, but invalid block type [Inflate]");
  EXPECT_STREQ(e.what(),
               "inflate error, possibly a corrupted compressed stream. (Internal cause: starting new block, but "
               "invalid block type [Inflate])");
  EXPECT_STREQ(EAbInflateError::CreateUnknown(u"Inflate", u"out of memory").what(), "Inflate: out of memory");
  EXPECT_EQ(dynamic_cast<const EAbException*>(static_cast<const Exception*>(&e)), nullptr);
}

TEST(ArchiveExceptions, ClassificationOfFailures) {
  struct Case {
    const char* name;
    std::function<void()> raise;
    TAbErrorClass error_class;
    int code;
  } cases[] = {
      {"bad CRC", [] { throw EAbZipBadCRC(); }, TAbErrorClass::ecArchiveError, 19},
      {"plain archive error", [] { throw EAbException("Path not found"); }, TAbErrorClass::ecArchiveError, 0},
      {"swap read", [] { throw EAbVMSReadFail(1, u"x"); }, TAbErrorClass::ecArchiveError, 104},
      {"input-output", [] { throw EInOutError("Permission denied", 13); }, TAbErrorClass::ecInOutError, 13},
      {"file open", [] { throw EFOpenError("Cannot open file"); }, TAbErrorClass::ecFileOpenError, 0},
      {"file create", [] { throw EFCreateError("Cannot create file"); }, TAbErrorClass::ecFileCreateError, 0},
      {"inflate", [] { throw EAbInflateError(u"x"); }, TAbErrorClass::ecOther, 0},
      {"stream read", [] { throw EReadError("Stream read error"); }, TAbErrorClass::ecOther, 0},
      {"standard", [] { throw std::bad_alloc(); }, TAbErrorClass::ecOther, 0},
  };
  for (const Case& c : cases) {
    try {
      c.raise();
    } catch (const std::exception& e) {
      TAbErrorClass error_class = TAbErrorClass::ecCabError;
      int code = -1;
      ClassifyException(e, error_class, code);
      EXPECT_EQ(error_class, c.error_class) << c.name;
      EXPECT_EQ(code, c.code) << c.name;
    }
  }
}

}  // namespace
}  // namespace vn::ooxml::zip_exceptions_test

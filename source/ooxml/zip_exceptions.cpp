#include "ooxml/zip_exceptions.h"

#include <utility>

namespace vn::ooxml {

namespace {

struct CodeMessage {
  int code;
  const char* message;
};

// Codes without an exception class belong to archive kinds and streams this
// library does not open; they keep their messages so every code has one.
constexpr CodeMessage kMessages[] = {
    {1, "Cannot extract file - newer version required"},
    {2, "Cannot extract file - unsupported compression method"},
    {3, "Cannot extract file - no extraction support provided"},
    {4, "Cannot extract file - invalid password"},
    {5, "Cannot insert file - no insertion support provided"},
    {6, "Invalid Reduce Factor"},
    {7, "Cannot insert file - duplicates stored name"},
    {8, "Cannot insert file - unsupported compression method"},
    {9, "Process aborted by user"},
    {10, "Archive is busy - cannot process new requests"},
    {11, "Spanned archives must be opened as file streams"},
    {12, "Cannot update an existing spanned disk set"},
    {13, "Cannot make a self-extracting spanned disk set"},
    {14, "Stream write error"},
    {15, "Directory does not exist"},
    {16, "Cannot inflate block"},
    {17, "Invalid Stream"},
    {18, "Error truncating Zip File"},
    {19, "Failed CRC Check"},
    {20, "Stub must be an executable"},
    {21, "File not found"},
    {22, "Invalid Local File Header entry"},
    {23, "Archive does not exist - Filename is blank"},
    {24, "Invalid file - not a PKZip file"},
    {25, "Error reading archive"},
    {26, "Invalid archive item index"},
    {27, "Invalid archive size threshold"},
    {28, "Unhandled Archive Type"},
    {29, "Spanning not supported by this Archive type"},
    {40, "BBS: request to read too many bytes [%d]"},
    {41, "BBS: New position is outside the buffer"},
    {42, "BBS: Invalid Origin value"},
    {43, "BBS: request to write too many bytes [%d]"},
    {50, "Cannot load cabinet.dll"},
    {51, "FCI cannot open file"},
    {52, "FCI cannot read file"},
    {53, "FCI cannot write file"},
    {54, "FCI close file error"},
    {55, "FCI file seek error"},
    {56, "FCI file delete error"},
    {57, "FCI cannot add file"},
    {58, "FCI cannot create context"},
    {59, "FCI cannot flush cabinet"},
    {60, "FCI cannot flush folder"},
    {61, "FDI cannot enumerate files"},
    {62, "FDI cannot create context"},
    {63, "Invalid cab file template"},
    {64, "Invalid file - not a cabinet file"},
    {80, "TabSlidingWindowStream.Write: Not at end of stream"},
    {81, "TabSlidingWindowStream.bsWriteChunk: seek failed"},
    {82, "TabSlidingWindowStream.bsWriteChunk: write failed"},
    {83, "TabSlidingWindowStream.Seek: invalid origin"},
    {84, "TabSlidingWindowStream.Seek: invalid new position"},
    {100, "VMS: request to read too many bytes [%d]"},
    {101, "VMS: invalid origin %d, should be 0, 1, 2"},
    {102, "VMS: Cannot open swap file %s"},
    {103, "VMS: Failed to seek in swap file %s"},
    {104, "VMS: Failed to read %d bytes from swap file %s"},
    {105, "VMS: Failed to write %d bytes to swap file %s"},
    {106, "VMS: request to write too many bytes [%d]"},
    {200, "Invalid Gzip"},
    {201, "Bad CRC"},
    {202, "Bad File Size"},
    {220, "Invalid Tar"},
    {221, "File name too long"},
    {222, "Symbolic link path too long"},
    {223, "Unsupported Operation"},
};

// Fills "%d" and "%s" in order, as the runtime's Format does for these
// messages.
String Format(int code, std::initializer_list<String> args) {
  String format = ArchiveErrorMessage(code);
  String out;
  auto arg = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == u'%' && i + 1 < format.size() && (format[i + 1] == u'd' || format[i + 1] == u's') &&
        arg != args.end()) {
      out += *arg++;
      ++i;
    } else {
      out += format[i];
    }
  }
  return out;
}

}  // namespace

String ArchiveErrorMessage(int code) {
  for (const auto& m : kMessages)
    if (m.code == code) return FromAscii(m.message);
  return {};
}

EAbBadStream::EAbBadStream() : EAbException(ArchiveErrorMessage(kCode), kCode) {}
EAbBadStream::EAbBadStream(const String& message) : EAbException(message, kCode) {}

EAbBadStream EAbBadStream::CreateInner(std::exception_ptr inner) {
  String inner_message;
  try {
    if (inner) std::rethrow_exception(inner);
  } catch (const Exception& e) {
    inner_message = e.Message();
  } catch (const std::exception& e) {
    inner_message = FromUtf8(e.what());
  } catch (...) {
  }
  EAbBadStream result(ArchiveErrorMessage(kCode) + u"\r\n" + inner_message);
  result.InnerException = std::move(inner);
  return result;
}

EAbVMSInvalidOrigin::EAbVMSInvalidOrigin(int value) : EAbZipException(Format(101, {IntToStr(value)}), 101) {}
EAbVMSErrorOpenSwap::EAbVMSErrorOpenSwap(const String& file_name) : EAbZipException(Format(102, {file_name}), 102) {}
EAbVMSSeekFail::EAbVMSSeekFail(const String& file_name) : EAbZipException(Format(103, {file_name}), 103) {}
EAbVMSReadFail::EAbVMSReadFail(int count, const String& file_name)
    : EAbZipException(Format(104, {IntToStr(count), file_name}), 104) {}
EAbVMSWriteFail::EAbVMSWriteFail(int count, const String& file_name)
    : EAbZipException(Format(105, {IntToStr(count), file_name}), 105) {}
EAbBBSReadTooManyBytes::EAbBBSReadTooManyBytes(int count) : EAbZipException(Format(40, {IntToStr(count)}), 40) {}

EAbInflateError::EAbInflateError(const String& message)
    : Exception(u"inflate error, possibly a corrupted compressed stream. (Internal cause: " + message + u")") {}

EAbInflateError EAbInflateError::CreateUnknown(const String& message, const String& error_message) {
  return EAbInflateError(Raw{}, message + u": " + error_message);
}

void ClassifyException(const std::exception& e, TAbErrorClass& error_class, int& error_code) {
  error_code = 0;
  if (const auto* ab = dynamic_cast<const EAbException*>(&e)) {
    error_class = TAbErrorClass::ecArchiveError;
    error_code = ab->ErrorCode;
  } else if (const auto* io = dynamic_cast<const EInOutError*>(&e)) {
    error_class = TAbErrorClass::ecInOutError;
    error_code = io->ErrorCode;
  } else if (dynamic_cast<const EFOpenError*>(&e)) {
    error_class = TAbErrorClass::ecFileOpenError;
  } else if (dynamic_cast<const EFCreateError*>(&e)) {
    error_class = TAbErrorClass::ecFileCreateError;
  } else {
    error_class = TAbErrorClass::ecOther;
  }
}

}  // namespace vn::ooxml

// Contract: any bytes in, opening them as a zip archive, listing it and
// extracting and testing every member end in results or in the library's
// exceptions; no crash, hang, read out of bounds or unbounded allocation.
// The first byte picks a password (the members of the seeds use "pw") and
// whether legacy items are tested; the rest is the archive.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ooxml/unzipper.h"

using namespace vn;
using namespace vn::ooxml;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  TStringStream stream(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  TAbUnZipper unzipper;
  if (mode & 1) unzipper.SetPassword(u"pw");
  int failures = 0;
  unzipper.OnProcessItemFailure = [&failures](TAbBaseBrowser&, TAbArchiveItem*, TAbProcessType, TAbErrorClass, int) {
    ++failures;
  };
  try {
    unzipper.SetStream(&stream);
  } catch (const Exception&) {
    if (!unzipper.ZipArchive()) return 0;
  }
  TAbZipArchive& archive = *unzipper.ZipArchive();
  // A member may expand a byte into thousands; keep each one small.
  archive.SetMaxItemSize(8 << 20);
  try {
    for (int i = 0; i < archive.Count(); ++i) {
      TAbZipItem* item = archive.ZipItem(i);
      TMemoryStream out;
      unzipper.ExtractToStream(item->FileName(), out);
      (void)item->NativeFileAttributes();
    }
    if (mode & 2) {
      unzipper.TagItems(u"*");
      unzipper.TestTaggedItems();
    }
  } catch (const Exception&) {
  }
  return 0;
}

// Contract: any bytes in, opening them as a zip archive and rewriting it
// (a member deleted, one renamed, one added from a stream, the archive
// saved into the same stream) end in the library's exceptions or in an
// archive that loads again with the members it should hold; no crash, hang,
// read out of bounds or unbounded allocation. The first byte picks which
// changes are made; the rest is the archive.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ooxml/zip_archive.h"
#include "ooxml/zip_insert.h"

using namespace vn;
using namespace vn::ooxml;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  TStringStream stream(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  int expected = 0;
  try {
    TAbZipArchive archive(stream, u"");
    InstallInsertHelpers(archive);
    archive.OnProcessItemFailure = [](TAbArchive&, TAbArchiveItem*, TAbProcessType, TAbErrorClass, int) {};
    archive.Load();
    if ((mode & 1) && archive.Count() > 0) archive.DeleteAt(0);
    if ((mode & 2) && archive.Count() > 1) archive.Move(archive.Items(1), u"renamed/member");
    if (mode & 4) {
      TStringStream added("added member");
      archive.AddFromStream(u"added.txt", added);
    } else {
      archive.Save();
    }
    expected = archive.Count();
  } catch (const Exception&) {
    return 0;
  }
  // What was written loads again, every member in place.
  TAbZipArchive again(stream, u"");
  again.Load();
  if (again.Count() != expected) std::abort();
  return 0;
}

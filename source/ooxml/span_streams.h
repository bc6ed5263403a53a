// Streams over an archive written across several disk files. A split set
// made with a size limit keeps the last disk under the archive's own name
// and the others under image names made from it: "name.zip" has the disks
// "name.z01", "name.z02", ... and "name.zip". TAbSpanReadStream presents the
// disks as one stream that reads on from one disk into the next and can be
// positioned on a given disk; TAbSpanWriteStream starts a new disk whenever
// the size limit is reached.
//
// Sets spread over removable media (every disk under the archive's name,
// swapped by the user) are a drive-letter notion this platform has no test
// for: every set read here is a split set, and a disk file that is missing
// raises the file error naming it, at once. A write without a size limit
// asks OnRequestBlankDisk for each new disk; without a handler, or when it
// asks to abort, EAbUserAbort ends the write. Nothing here waits for input.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::ooxml {

// The image name of disk `image` (0-based): the extension keeps its dot and
// first letter and gets image + 1 as two or more digits; a name without an
// extension gets "." and the digits.
String SpanImageName(StringView archive_name, uint32_t image);

using TAbSpanImageEvent = std::function<void(int image_number, String& image_name, bool& abort)>;

class TAbSpanBaseStream : public TStream {
 public:
  explicit TAbSpanBaseStream(StringView archive_name) : FArchiveName(archive_name) {}
  const String& ArchiveName() const { return FArchiveName; }

  // Called with the 1-based image number and the name made for it, which
  // it may change; asking to abort raises EAbUserAbort.
  TAbSpanImageEvent OnRequestImage;

 protected:
  String ImageName(uint32_t image);

  String FArchiveName;
};

class TAbSpanReadStream : public TAbSpanBaseStream {
 public:
  // Takes over `stream`, the disk with the end record, as disk
  // `current_image`, the last one of the set.
  TAbSpanReadStream(StringView archive_name, std::unique_ptr<TStream> stream, uint32_t current_image);

  // Switches to disk `image` when it is not the current one (the file
  // error passes on when it cannot be opened) and moves to `offset` on it.
  void SeekImage(uint32_t image, int64_t offset);
  // From the current disk on into the next ones up to the last; fewer bytes
  // only at the end of the last disk.
  int64_t Read(void* buffer, int64_t count) override;
  // EAbException "TAbSpanReadStream.Write unsupported".
  int64_t Write(const void* buffer, int64_t count) override;
  // Relative moves within the current disk (0 answers its position);
  // anything else raises EAbException "TAbSpanReadStream.Seek unsupported".
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  // The size of the current disk.
  int64_t GetSize() override { return FStream ? FStream->Size() : 0; }

  uint32_t CurrentImage() const { return FCurrentImage; }
  uint32_t LastImage() const { return FLastImage; }

 private:
  void GotoImage(uint32_t image);

  uint32_t FCurrentImage;
  uint32_t FLastImage;
  std::unique_ptr<TStream> FStream;
};

class TAbSpanWriteStream : public TAbSpanBaseStream {
 public:
  // Takes over `stream`, the first disk's file under the archive name. A
  // threshold of 0 or less fills each disk until it takes no more.
  TAbSpanWriteStream(StringView archive_name, int64_t threshold, std::unique_ptr<TStream> stream);

  // Everything, across as many disks as it takes.
  int64_t Write(const void* buffer, int64_t count) override;
  // A record that must not be split: written whole on this disk, or whole
  // on a new one when it does not fit here (with `fail_on_span`, nothing
  // is written then and the answer is false). EWriteError without a disk.
  bool WriteUnspanned(const void* buffer, int64_t count, bool fail_on_span);
  // EAbException "TAbSpanWriteStream.Read unsupported".
  int64_t Read(void* buffer, int64_t count) override;
  // Only offset 0 from the current position: the current disk's position;
  // anything else raises EAbException "TAbSpanWriteStream.Seek unsupported".
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t GetSize() override { return FStream ? FStream->Size() : 0; }

  // Hands the current disk's stream to the caller.
  std::unique_ptr<TStream> ReleaseStream() { return std::move(FStream); }
  uint32_t CurrentImage() const { return FCurrentImage; }

  // Asked for every new disk when there is no threshold.
  std::function<void(bool& abort)> OnRequestBlankDisk;

 private:
  void NewImage();

  uint32_t FCurrentImage = 0;
  int64_t FImageSize = 0;
  int64_t FThreshold;
  std::unique_ptr<TStream> FStream;
};

}  // namespace vn::ooxml

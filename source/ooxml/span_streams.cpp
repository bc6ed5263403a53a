#include "ooxml/span_streams.h"

#include <algorithm>
#include <filesystem>
#include <string>

#include "ooxml/zip_exceptions.h"

namespace vn::ooxml {

namespace {

std::filesystem::path PathOfName(StringView s) { return std::filesystem::path(ToUtf8(s)); }

}  // namespace

String SpanImageName(StringView archive_name, uint32_t image) {
  const size_t slash = archive_name.find_last_of(u"/\\");
  const size_t dot = archive_name.rfind(u'.');
  const bool has_ext = dot != StringView::npos && (slash == StringView::npos || dot > slash);
  const StringView stem = has_ext ? archive_name.substr(0, dot) : archive_name;
  const StringView ext = has_ext ? archive_name.substr(dot) : StringView();
  String digits = IntToStr(int64_t{image} + 1);
  if (digits.size() < 2) digits.insert(0, 1, u'0');
  String name(stem);
  name += ext.size() > 1 ? String(ext.substr(0, 2)) : String(u".");
  return name + digits;
}

String TAbSpanBaseStream::ImageName(uint32_t image) {
  String name = SpanImageName(FArchiveName, image);
  if (OnRequestImage) {
    bool abort = false;
    OnRequestImage(static_cast<int>(std::min<uint32_t>(image, INT32_MAX - 1)) + 1, name, abort);
    if (abort) throw EAbUserAbort();
  }
  return name;
}

TAbSpanReadStream::TAbSpanReadStream(StringView archive_name, std::unique_ptr<TStream> stream, uint32_t current_image)
    : TAbSpanBaseStream(archive_name),
      FCurrentImage(current_image),
      FLastImage(current_image),
      FStream(std::move(stream)) {}

void TAbSpanReadStream::GotoImage(uint32_t image) {
  FStream.reset();
  FCurrentImage = image;
  const String name = image == FLastImage ? FArchiveName : ImageName(image);
  FStream = std::make_unique<TFileStream>(PathOfName(name), FileMode::fmOpenRead);
}

void TAbSpanReadStream::SeekImage(uint32_t image, int64_t offset) {
  if (image != FCurrentImage || !FStream) GotoImage(image);
  FStream->Seek(offset, SeekOrigin::soBeginning);
}

int64_t TAbSpanReadStream::Read(void* buffer, int64_t count) {
  if (!FStream || count <= 0) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    const int64_t n = FStream->Read(out + done, count - done);
    if (n > 0) {
      done += n;
      continue;
    }
    if (FCurrentImage >= FLastImage) break;
    GotoImage(FCurrentImage + 1);
  }
  return done;
}

int64_t TAbSpanReadStream::Write(const void*, int64_t) { throw EAbException("TAbSpanReadStream.Write unsupported"); }

int64_t TAbSpanReadStream::Seek(int64_t offset, SeekOrigin origin) {
  if (!FStream) {
    if (offset == 0 && origin == SeekOrigin::soCurrent) return 0;
    throw EAbException("TAbSpanReadStream.Seek unsupported");
  }
  if (origin == SeekOrigin::soCurrent) {
    const int64_t position = FStream->Position();
    if (offset == 0) return position;
    // A reader giving back bytes it read ahead stays on this disk.
    if (position + offset >= 0 && position + offset <= FStream->Size())
      return FStream->Seek(offset, SeekOrigin::soCurrent);
  }
  throw EAbException("TAbSpanReadStream.Seek unsupported");
}

TAbSpanWriteStream::TAbSpanWriteStream(StringView archive_name, int64_t threshold, std::unique_ptr<TStream> stream)
    : TAbSpanBaseStream(archive_name), FThreshold(threshold), FStream(std::move(stream)) {}

void TAbSpanWriteStream::NewImage() {
  FStream.reset();
  if (FThreshold > 0) {
    // The finished disk takes its image name; the archive name always
    // holds the newest disk.
    std::error_code ec;
    std::filesystem::rename(PathOfName(FArchiveName), PathOfName(ImageName(FCurrentImage)), ec);
    if (ec) throw EInOutError(ec.message(), ec.value());
  } else {
    bool abort = !OnRequestBlankDisk;
    if (!abort) OnRequestBlankDisk(abort);
    if (abort) throw EAbUserAbort();
  }
  ++FCurrentImage;
  FStream = std::make_unique<TFileStream>(PathOfName(FArchiveName), FileMode::fmCreate);
  FImageSize = 0;
}

int64_t TAbSpanWriteStream::Write(const void* buffer, int64_t count) {
  if (!FStream) throw EWriteError("Stream write error");
  const auto* in = static_cast<const uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    int64_t want = count - done;
    if (FThreshold > 0) {
      if (FImageSize >= FThreshold) {
        NewImage();
        continue;
      }
      want = std::min(want, FThreshold - FImageSize);
    }
    const int64_t n = std::max<int64_t>(FStream->Write(in + done, want), 0);
    // A fresh disk that takes nothing would make one new disk after another.
    if (n == 0 && FImageSize == 0) throw EWriteError("Stream write error");
    FImageSize += n;
    done += n;
    if (n < want) NewImage();
  }
  return count;
}

bool TAbSpanWriteStream::WriteUnspanned(const void* buffer, int64_t count, bool fail_on_span) {
  if (!FStream) throw EWriteError("Stream write error");
  // A record larger than a whole disk goes where it starts: on a fresh
  // disk, a new one would not hold it either.
  const bool fits = FThreshold <= 0 || FThreshold - FImageSize >= count || FImageSize == 0;
  int64_t n = 0;
  if (fits) {
    n = std::max<int64_t>(FStream->Write(buffer, count), 0);
    if (n == count) {
      FImageSize += n;
      return true;
    }
    if (n > 0) {
      FStream->SetSize(FStream->Size() - n);
      FStream->Seek(-n, SeekOrigin::soCurrent);
    }
  }
  NewImage();
  if (fail_on_span) return false;
  FStream->WriteBuffer(buffer, count);
  FImageSize += count;
  return true;
}

int64_t TAbSpanWriteStream::Read(void*, int64_t) { throw EAbException("TAbSpanWriteStream.Read unsupported"); }

int64_t TAbSpanWriteStream::Seek(int64_t offset, SeekOrigin origin) {
  if (offset == 0 && origin == SeekOrigin::soCurrent) return FStream ? FStream->Position() : 0;
  throw EAbException("TAbSpanWriteStream.Seek unsupported");
}

}  // namespace vn::ooxml

#include "pdf/filter_stream.h"

namespace vn::pdf {

TvnFilterStream::TvnFilterStream(TvnStream* beneath, bool owned, std::unique_ptr<TvnDecode> decoder,
                                 std::unique_ptr<TvnEncode> encoder)
    : encoder_(std::move(encoder)), decoder_(std::move(decoder)), stream_(beneath), stream_owned_(owned) {}

TvnFilterStream::~TvnFilterStream() {
  // The decoder and encoder may still refer to the stream beneath.
  decoder_.reset();
  encoder_.reset();
  if (stream_owned_ && stream_) stream_->DecRef();
}

size_t TvnFilterStream::Write(const uint8_t* buffer, size_t count) {
  return Write(std::string_view(reinterpret_cast<const char*>(buffer), count));
}

size_t TvnFilterStream::Write(std::string_view buffer) { return encoder_ ? encoder_->Write(buffer) : 0; }

size_t TvnFilterStream::Write(TvnStream& out, size_t count) { return encoder_ ? encoder_->Write(out, count) : 0; }

int TvnFilterStream::LookChar() { return decoder_ ? decoder_->LookChar() : -1; }

int TvnFilterStream::GetChar() { return decoder_ ? decoder_->GetChar() : -1; }

int TvnFilterStream::ReadRawChar() { return decoder_ ? decoder_->ReadRawChar() : -1; }

void TvnFilterStream::Reset() {
  if (decoder_) decoder_->Reset();
}

int64_t TvnFilterStream::GetPosition() { return stream_ ? stream_->GetPosition() : 0; }

TvnStream* TvnFilterStream::GetBaseStream() { return stream_ ? stream_->GetBaseStream() : nullptr; }

TvnStream* TvnFilterStream::GetUndecodedStream() { return stream_ ? stream_->GetUndecodedStream() : nullptr; }

vn::TStream* TvnFilterStream::GetTStream() { return stream_ ? stream_->GetTStream() : nullptr; }

void TvnFilterStream::Close() {
  if (stream_) stream_->Close();
}

bool TvnFilterStream::CheckPassword(TvnEncryptionSettings* settings, std::string_view password) {
  return decoder_ ? decoder_->CheckPassword(settings, password) : false;
}

void TvnEOFStream::Reset() {
  if (GetNextStream()) GetNextStream()->Reset();
}

}  // namespace vn::pdf

// A small stream interface with COM-style result codes, for the image and
// metafile code that hands streams to the platform's codecs, and the adapter
// that presents a TStream through it. The adapter either references the
// stream or owns it.
#pragma once

#include <cstdint>

#include "runtime/streams.h"

namespace vn::framework {

using HRESULT = int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr bool Failed(HRESULT hr) { return hr < 0; }

class IvnStream {
 public:
  virtual ~IvnStream() = default;
  // Reads up to cb bytes; *pcbRead (when given) gets the count.
  virtual HRESULT Read(void* pv, uint32_t cb, uint32_t* pcbRead) = 0;
  // Writes up to cb bytes; *pcbWritten (when given) gets the count.
  virtual HRESULT Write(const void* pv, uint32_t cb, uint32_t* pcbWritten) = 0;
  virtual HRESULT Seek(int64_t dlibMove, vn::SeekOrigin dwOrigin, uint64_t* plibNewPosition) = 0;
  virtual HRESULT SetSize(uint64_t libNewSize) = 0;
  virtual HRESULT GetSize(uint64_t* pcbSize) = 0;
  // Copies up to cb bytes from the current position into stm.
  virtual HRESULT CopyTo(IvnStream* stm, int64_t cb, int64_t* pcbRead, int64_t* pcbWritten) = 0;
};

enum class TStreamOwnership { soReference, soOwned };

// Presents a TStream as an IvnStream. The stream's exceptions never leave the
// adapter: Read answers S_FALSE, the other operations E_FAIL (CopyTo:
// E_UNEXPECTED).
class TvnStreamAdapter : public IvnStream {
 public:
  TvnStreamAdapter(vn::TStream* Stream, TStreamOwnership Ownership = TStreamOwnership::soReference)
      : FStream(Stream), FOwnership(Ownership) {}
  ~TvnStreamAdapter() override;
  TvnStreamAdapter(const TvnStreamAdapter&) = delete;
  TvnStreamAdapter& operator=(const TvnStreamAdapter&) = delete;

  vn::TStream* Stream() const { return FStream; }

  HRESULT Read(void* pv, uint32_t cb, uint32_t* pcbRead) override;
  HRESULT Write(const void* pv, uint32_t cb, uint32_t* pcbWritten) override;
  HRESULT Seek(int64_t dlibMove, vn::SeekOrigin dwOrigin, uint64_t* plibNewPosition) override;
  HRESULT SetSize(uint64_t libNewSize) override;
  HRESULT GetSize(uint64_t* pcbSize) override;
  // Copies in chunks of up to 1 MiB (one buffer for the whole copy) until cb
  // bytes are copied or the source ends. A failing write answers its own
  // code, a short write E_FAIL, an exception E_UNEXPECTED; the read and
  // written totals are reported on every exit.
  HRESULT CopyTo(IvnStream* stm, int64_t cb, int64_t* pcbRead, int64_t* pcbWritten) override;

  static constexpr int64_t kCopyBufferSize = 1048576;

 private:
  vn::TStream* FStream;
  TStreamOwnership FOwnership;
};

}  // namespace vn::framework

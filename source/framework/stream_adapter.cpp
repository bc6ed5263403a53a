#include "framework/stream_adapter.h"

#include <algorithm>
#include <limits>
#include <memory>

namespace vn::framework {

TvnStreamAdapter::~TvnStreamAdapter() {
  if (FOwnership == TStreamOwnership::soOwned) delete FStream;
}

HRESULT TvnStreamAdapter::Read(void* pv, uint32_t cb, uint32_t* pcbRead) {
  if (pcbRead) *pcbRead = 0;
  if (!pv && cb > 0) return E_INVALIDARG;
  try {
    const int64_t n = FStream->Read(pv, cb);
    if (pcbRead) *pcbRead = static_cast<uint32_t>(std::max<int64_t>(n, 0));
    return S_OK;
  } catch (...) {
    return S_FALSE;
  }
}

HRESULT TvnStreamAdapter::Write(const void* pv, uint32_t cb, uint32_t* pcbWritten) {
  if (pcbWritten) *pcbWritten = 0;
  if (!pv && cb > 0) return E_INVALIDARG;
  try {
    const int64_t n = FStream->Write(pv, cb);
    if (pcbWritten) *pcbWritten = static_cast<uint32_t>(std::max<int64_t>(n, 0));
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT TvnStreamAdapter::Seek(int64_t dlibMove, SeekOrigin dwOrigin, uint64_t* plibNewPosition) {
  try {
    const int64_t pos = FStream->Seek(dlibMove, dwOrigin);
    if (plibNewPosition) *plibNewPosition = static_cast<uint64_t>(pos);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT TvnStreamAdapter::SetSize(uint64_t libNewSize) {
  if (libNewSize > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return E_INVALIDARG;
  try {
    FStream->SetSize(static_cast<int64_t>(libNewSize));
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT TvnStreamAdapter::GetSize(uint64_t* pcbSize) {
  try {
    const int64_t size = FStream->Size();
    if (pcbSize) *pcbSize = static_cast<uint64_t>(size);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT TvnStreamAdapter::CopyTo(IvnStream* stm, int64_t cb, int64_t* pcbRead, int64_t* pcbWritten) {
  int64_t total_read = 0;
  int64_t total_written = 0;
  HRESULT result = cb > 0 && !stm ? E_INVALIDARG : S_OK;
  try {
    if (cb > 0 && stm) {
      const int64_t buffer_size = std::min(cb, kCopyBufferSize);
      auto buffer = std::make_unique<uint8_t[]>(static_cast<size_t>(buffer_size));
      while (cb > 0) {
        const int64_t read = FStream->Read(buffer.get(), std::min(cb, buffer_size));
        if (read <= 0) break;
        uint32_t written = 0;
        const HRESULT hr = stm->Write(buffer.get(), static_cast<uint32_t>(read), &written);
        total_read += read;
        total_written += written;
        if (Failed(hr)) {
          result = hr;
          break;
        }
        if (written < read) {
          result = E_FAIL;
          break;
        }
        cb -= read;
      }
    }
  } catch (...) {
    result = E_UNEXPECTED;
  }
  if (pcbRead) *pcbRead = total_read;
  if (pcbWritten) *pcbWritten = total_written;
  return result;
}

}  // namespace vn::framework

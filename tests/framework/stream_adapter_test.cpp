#include "framework/stream_adapter.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/exceptions.h"

namespace vn::framework::stream_adapter_test {
namespace {

// A sink that takes at most `limit` bytes per write, answers `result`, and
// records the sizes it was offered.
class FakeSink : public IvnStream {
 public:
  HRESULT result = S_OK;
  uint32_t limit = UINT32_MAX;
  bool throws = false;
  std::string data;
  std::vector<uint32_t> offered;

  HRESULT Read(void*, uint32_t, uint32_t*) override { return E_FAIL; }
  HRESULT Write(const void* pv, uint32_t cb, uint32_t* written) override {
    if (throws) throw vn::EWriteError("Stream write error");
    offered.push_back(cb);
    const uint32_t n = std::min(cb, limit);
    data.append(static_cast<const char*>(pv), n);
    if (written) *written = n;
    return result;
  }
  HRESULT Seek(int64_t, SeekOrigin, uint64_t*) override { return E_FAIL; }
  HRESULT SetSize(uint64_t) override { return E_FAIL; }
  HRESULT GetSize(uint64_t*) override { return E_FAIL; }
  HRESULT CopyTo(IvnStream*, int64_t, int64_t*, int64_t*) override { return E_FAIL; }
};

// A source whose reads raise after the first.
class FailingSource : public vn::TStringStream {
 public:
  using TStringStream::TStringStream;
  int64_t Read(void* buffer, int64_t count) override {
    if (reads_++ > 0) throw vn::EReadError("Stream read error");
    return TStringStream::Read(buffer, count);
  }

 private:
  int reads_ = 0;
};

TEST(StreamAdapter, CopyToCopiesInChunksOfAtMostOneMebibyte) {
  const std::string payload(2 * 1048576 + 10, 'q');
  const struct {
    int64_t cb;
    int64_t copied;
    std::vector<uint32_t> chunks;
  } cases[] = {
      {100, 100, {100}},
      {static_cast<int64_t>(payload.size()), static_cast<int64_t>(payload.size()), {1048576, 1048576, 10}},
      {INT64_MAX, static_cast<int64_t>(payload.size()), {1048576, 1048576, 10}},  // ends with the source
      {0, 0, {}},
      {-5, 0, {}},
  };
  for (const auto& c : cases) {
    vn::TStringStream source(payload);
    TvnStreamAdapter adapter(&source);
    FakeSink sink;
    int64_t read = -1, written = -1;
    EXPECT_EQ(adapter.CopyTo(&sink, c.cb, &read, &written), S_OK) << c.cb;
    EXPECT_EQ(read, c.copied) << c.cb;
    EXPECT_EQ(written, c.copied) << c.cb;
    EXPECT_EQ(sink.offered, c.chunks) << c.cb;
    EXPECT_EQ(sink.data, payload.substr(0, static_cast<size_t>(c.copied)));
  }
}

TEST(StreamAdapter, CopyToReportsFailures) {
  const std::string payload(3000, 'z');
  {
    // A short write: E_FAIL, totals as far as they went.
    vn::TStringStream source(payload);
    TvnStreamAdapter adapter(&source);
    FakeSink sink;
    sink.limit = 1000;
    int64_t read = 0, written = 0;
    EXPECT_EQ(adapter.CopyTo(&sink, 3000, &read, &written), E_FAIL);
    EXPECT_EQ(read, 3000);
    EXPECT_EQ(written, 1000);
  }
  {
    // A failing write answers its own code.
    vn::TStringStream source(payload);
    TvnStreamAdapter adapter(&source);
    FakeSink sink;
    sink.result = static_cast<HRESULT>(0x80030070u);  // disk full
    int64_t written = 0;
    EXPECT_EQ(adapter.CopyTo(&sink, 3000, nullptr, &written), static_cast<HRESULT>(0x80030070u));
    EXPECT_EQ(written, 3000);
  }
  {
    // Exceptions on either side become E_UNEXPECTED.
    vn::TStringStream source(payload);
    TvnStreamAdapter adapter(&source);
    FakeSink sink;
    sink.throws = true;
    int64_t read = -1, written = -1;
    EXPECT_EQ(adapter.CopyTo(&sink, 3000, &read, &written), E_UNEXPECTED);
    EXPECT_EQ(read, 0);
    EXPECT_EQ(written, 0);

    FailingSource failing(std::string(3 * 1048576, 'y'));
    TvnStreamAdapter failing_adapter(&failing);
    FakeSink ok_sink;
    EXPECT_EQ(failing_adapter.CopyTo(&ok_sink, INT64_MAX, &read, &written), E_UNEXPECTED);
    EXPECT_EQ(read, 1048576);
    EXPECT_EQ(written, 1048576);
  }
  {
    vn::TStringStream source(payload);
    TvnStreamAdapter adapter(&source);
    int64_t read = -1;
    EXPECT_EQ(adapter.CopyTo(nullptr, 10, &read, nullptr), E_INVALIDARG);
    EXPECT_EQ(read, 0);
  }
}

TEST(StreamAdapter, PresentsTheStream) {
  auto* owned = new vn::TStringStream("hello");
  TvnStreamAdapter adapter(owned, TStreamOwnership::soOwned);  // frees it (checked by the leak sanitizer)
  char buf[8] = {};
  uint32_t n = 0;
  EXPECT_EQ(adapter.Read(buf, 8, &n), S_OK);
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(std::string(buf, n), "hello");
  uint64_t pos = 99;
  EXPECT_EQ(adapter.Seek(1, SeekOrigin::soBeginning, &pos), S_OK);
  EXPECT_EQ(pos, 1u);
  EXPECT_EQ(adapter.Write("EY", 2, &n), S_OK);
  EXPECT_EQ(owned->DataString(), "hEYlo");
  uint64_t size = 0;
  EXPECT_EQ(adapter.SetSize(3), S_OK);
  EXPECT_EQ(adapter.GetSize(&size), S_OK);
  EXPECT_EQ(size, 3u);

  FailingSource failing("abc");
  TvnStreamAdapter reference(&failing);
  EXPECT_EQ(reference.Read(buf, 1, &n), S_OK);
  EXPECT_EQ(reference.Read(buf, 1, &n), S_FALSE);  // the stream raised
  EXPECT_EQ(n, 0u);
}

}  // namespace
}  // namespace vn::framework::stream_adapter_test

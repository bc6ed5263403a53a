// Fuzz target for the byte-stream windows over stored data.
// Input: the first byte gives the length of a script (up to 63 bytes)
// that follows; the rest is the data. A file window and a memory window are
// made over one shared platform stream holding the data, and the script
// runs the same operations (reads, look-ahead, seeks, Reset, sub-windows,
// embedded windows) on both in turns.
// Contract: any input is accepted; nothing crashes or raises; both forms
// give the same bytes and positions, and a limited window never yields a
// byte beyond its end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "pdf/streams.h"
#include "runtime/streams.h"

using namespace vn::pdf;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

struct Pair {
  Ref<TvnStream> file, mem;
  int64_t end;  // absolute end of a limited window, -1 when unlimited
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t script_len = data[0] % 64;
  if (script_len > size - 1) script_len = size - 1;
  const uint8_t* script = data + 1;
  std::vector<uint8_t> bytes(data + 1 + script_len, data + size);
  const int64_t n = static_cast<int64_t>(bytes.size());

  auto platform = std::make_shared<vn::TMemoryStream>(bytes);
  Pair w{MakeRef<TvnFileStream>(platform, 0, 0, false), MakeRef<TvnMemoryStream>(platform, 0, 0, false), -1};
  w.file->SetPosition(0, SeekOrigin::soBeginning);

  size_t i = 0;
  auto next = [&]() -> uint8_t { return i < script_len ? script[i++] : 0; };
  while (i < script_len) {
    uint8_t op = next();
    switch (op % 8) {
      case 0:
      case 1: {
        int count = 1 + op / 8;
        for (int k = 0; k < count; ++k) {
          int a = w.file->GetChar();
          int b = w.mem->GetChar();
          Check(a == b);
          if (a >= 0 && w.end >= 0) Check(w.file->GetPosition() <= w.end);
        }
        break;
      }
      case 2:
        Check(w.file->LookChar() == w.mem->LookChar());
        Check(w.file->LookChar() == w.mem->LookChar());
        break;
      case 3: {
        int64_t pos = static_cast<int64_t>(next()) * 5 - 40;
        auto origin = static_cast<SeekOrigin>(op / 8 % 3);
        w.file->SetPosition(pos, origin);
        w.mem->SetPosition(pos, origin);
        break;
      }
      case 4:
        w.file->Reset();
        w.mem->Reset();
        break;
      case 5: {
        uint8_t buf1[64], buf2[64];
        size_t want = next() % 64;
        size_t a = w.file->Read(buf1, want);
        size_t b = w.mem->Read(buf2, want);
        Check(a == b && std::equal(buf1, buf1 + a, buf2));
        break;
      }
      case 6: {
        int64_t start = next() % (n + 2);
        int64_t len = next();
        bool limited = op & 8;
        Pair sub{w.file->AsBaseStream()->MakeSubStream(start, len, limited),
                 w.mem->AsBaseStream()->MakeSubStream(start, len, limited), limited ? start + len : -1};
        sub.file->SetPosition(start, SeekOrigin::soBeginning);
        w = std::move(sub);
        break;
      }
      case 7: {
        int64_t len = next() % 32;
        bool limited = op & 8;
        TvnEmbededStream ea(w.file.get(), len, limited);
        TvnEmbededStream eb(w.mem.get(), len, limited);
        int64_t got = 0;
        for (int k = 0; k < 40; ++k) {
          int a = ea.GetChar();
          int b = eb.GetChar();
          Check(a == b);
          if (a < 0) break;
          ++got;
        }
        if (limited) Check(got <= len);
        break;
      }
    }
    Check(w.file->GetPosition() == w.mem->GetPosition());
    Check(w.file->GetSize() == w.mem->GetSize());
  }
  return 0;
}

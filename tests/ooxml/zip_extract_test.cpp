// Member extraction: stored, deflated and Deflate64 members, traditional
// encryption, CRC and version checks, the local header test, the size cap
// against bombs, progress, and the helper streams.
#include "ooxml/zip_extract.h"

#include <gtest/gtest.h>

#include <random>

#include "legacy_encoders.h"
#include "zip_test_support.h"

namespace vn::ooxml::zip_extract_test {
namespace {

using namespace vn::ooxml::testing;

// Extracts each member of built bytes with its outcome: the bytes and the
// error code reported (-1 when none).
struct Outcome {
  std::string bytes;
  int code = -1;
  TAbErrorClass error_class = TAbErrorClass::ecOther;
};

class Opened {
 public:
  explicit Opened(const std::string& zip, const std::string& password = "") : stream_(zip), archive(stream_, u"") {
    archive.ExtractToStreamHelper = ExtractItemToStream;
    archive.TestHelper = TestItem;
    archive.SetPassword(password);
    archive.OnProcessItemFailure = [this](TAbArchive&, TAbArchiveItem*, TAbProcessType, TAbErrorClass c, int code) {
      last_code_ = code;
      last_class_ = c;
    };
    archive.Load();
  }
  Outcome Extract(int index) {
    last_code_ = -1;
    TMemoryStream out;
    const bool ok = archive.ExtractToStream(archive.Items(index)->FileName(), out);
    EXPECT_EQ(ok, last_code_ == -1);
    return {std::string(out.View()), last_code_, last_class_};
  }
  int Test(int index) {
    last_code_ = -1;
    archive.Items(index)->SetTagged(true);
    archive.TestTaggedItems();
    archive.Items(index)->SetTagged(false);
    return last_code_;
  }

 private:
  TStringStream stream_;

 public:
  TAbZipArchive archive;

 private:
  int last_code_ = -1;
  TAbErrorClass last_class_ = TAbErrorClass::ecOther;
};

TEST(MemberExtraction, EveryMethod) {
  const std::string text = Text(100000, 1);
  // A Deflate64 member by hand: 'a', then 3 + 500 bytes at distance 1.
  BitWriter d64;
  d64.Bits(1, 1).Bits(1, 2).Fixed('a').Fixed(285).Bits(500, 16).Code(0, 5).Fixed(256);
  // Imploded with an 8 KiB window and three trees (flag bits 1 and 2).
  std::vector<ImplodeToken> tokens;
  for (char c : std::string("member ")) tokens.push_back({.literal = static_cast<uint8_t>(c)});
  tokens.push_back({.length = 5000, .distance = 7});
  tokens.back().length = 3 + 63 + 255;
  const std::string imploded = Expand(tokens);
  ZipBuilder b;
  b.entries.push_back(ZipEntry{.name = "stored", .data = text});
  b.entries.push_back(ZipEntry{.name = "shrunk", .data = text, .method = 1, .compressed = Shrink(text)});
  b.entries.push_back(ZipEntry{.name = "reduced", .data = "abc", .method = 5,
                               .compressed = Reduce({{.literal = 'a'}, {.literal = 'b'}, {.literal = 'c'}}, 4)});
  b.entries.push_back(ZipEntry{.name = "imploded", .data = imploded, .method = 6,
                               .compressed = Implode(tokens, true, true), .flags = 0x0006});
  b.entries.push_back(ZipEntry{.name = "deflated", .data = text, .method = 8});
  b.entries.push_back(ZipEntry{.name = "deflate64", .data = std::string(504, 'a'), .method = 9, .compressed = d64.Finish()});
  b.entries.push_back(ZipEntry{.name = "empty", .data = "", .method = 8});
  Opened z(b.Build());
  const std::string expected[] = {text, text, "abc", imploded, text, std::string(504, 'a'), ""};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(z.Extract(i).bytes, expected[i]) << i;
    EXPECT_EQ(z.Test(i), -1) << i;
  }
}

TEST(MemberExtraction, FailuresAndTheirCodes) {
  const std::string text = Text(5000, 2);
  ZipBuilder b;
  b.entries.push_back(ZipEntry{.name = "bad crc", .data = text, .method = 8, .crc = 1});
  b.entries.push_back(ZipEntry{.name = "method 7", .data = text, .method = 7});
  b.entries.push_back(ZipEntry{.name = "version 6.3", .data = "ok", .version_needed = 63});
  b.entries.push_back(ZipEntry{.name = "version 6.4", .data = "ok", .version_needed = 64});
  b.entries.push_back(ZipEntry{.name = "corrupt deflate", .data = text, .method = 8, .compressed = "\x07garbage"});
  b.entries.push_back(ZipEntry{.name = "stored, data cut", .data = text, .compressed = text.substr(0, 10)});
  b.entries.push_back(ZipEntry{.name = "empty, method 7, bad crc", .data = "", .method = 7, .crc = 5});
  Opened z(b.Build());
  struct Expect {
    int code;
    TAbErrorClass error_class;
  } expected[] = {
      {19, TAbErrorClass::ecArchiveError}, {2, TAbErrorClass::ecArchiveError},  {-1, TAbErrorClass::ecOther},
      {1, TAbErrorClass::ecArchiveError},  {0, TAbErrorClass::ecOther},         {0, TAbErrorClass::ecOther},
      {-1, TAbErrorClass::ecOther},
  };
  for (int i = 0; i < 7; ++i) {
    Outcome o = z.Extract(i);
    EXPECT_EQ(o.code, expected[i].code) << i;
    if (o.code >= 0) EXPECT_EQ(o.error_class, expected[i].error_class) << i;
  }
  EXPECT_EQ(z.Extract(0).bytes, text);  // the damaged bytes are still there
}

TEST(MemberExtraction, TraditionalEncryption) {
  const std::string text = Text(20000, 3);
  ZipBuilder b;
  const uint32_t crc = ZlibCrc(text);
  const std::string deflated = DeflateRaw(text);
  b.entries.push_back(ZipEntry{.name = "by crc", .data = text, .method = 8,
                               .compressed = ZipEncrypt(deflated, "s3cret", static_cast<uint8_t>(crc >> 24)), .flags = 0x0001});
  // With a data descriptor the check byte is the high byte of the time.
  b.entries.push_back(ZipEntry{.name = "by time", .data = text, .method = 8,
                               .compressed = ZipEncrypt(deflated, "s3cret", 0x6000 >> 8), .flags = 0x0009});
  b.entries.push_back(ZipEntry{.name = "stored", .data = "plain secret",
                               .compressed = ZipEncrypt("plain secret", "s3cret", static_cast<uint8_t>(ZlibCrc("plain secret") >> 24)),
                               .flags = 0x0001});
  // A password with a character beyond ASCII keys the stream by its UTF-8 bytes.
  b.entries.push_back(ZipEntry{.name = "utf-8 password", .data = "x",
                               .compressed = ZipEncrypt("x", "caf\xC3\xA9", static_cast<uint8_t>(ZlibCrc("x") >> 24)), .flags = 0x0001});
  const std::string zip = b.Build();
  Opened right(zip, "s3cret");
  EXPECT_EQ(right.Extract(0).bytes, text);
  EXPECT_EQ(right.Extract(1).bytes, text);
  EXPECT_EQ(right.Extract(2).bytes, "plain secret");
  Opened ansi(zip, "caf\xE9");
  EXPECT_EQ(ansi.Extract(3).bytes, "x");
  Opened wrong(zip, "guess");
  EXPECT_EQ(wrong.Extract(0).code, 4);
  Opened none(zip);
  EXPECT_EQ(none.Extract(0).code, 4);
}

TEST(MemberExtraction, LocalHeaderTest) {
  ZipBuilder b;
  b.entries.push_back(ZipEntry{.name = "fine", .data = "fine data", .method = 8});
  b.entries.push_back(ZipEntry{.name = "time differs", .data = "x"});
  b.entries.push_back(ZipEntry{.name = "name differs", .data = "x"});
  b.entries.push_back(ZipEntry{.name = "zip64", .data = "sixty-four", .zip64 = true});
  std::string zip = b.Build();
  // Change the second local header's time and the third one's name.
  size_t second = zip.find(std::string("PK\x03\x04", 4), 1);
  zip[second + 10] ^= 1;
  size_t third = zip.find(std::string("PK\x03\x04", 4), second + 1);
  zip[third + 30] = 'N';
  // A member written through a data descriptor: CRC-32 and sizes 0 in its
  // local header, as streaming writers leave them.
  ZipBuilder streamed;
  streamed.entries.push_back(ZipEntry{.name = "streamed", .data = "via descriptor", .method = 8, .flags = 0x0008});
  std::string s = streamed.Build();
  for (size_t k = 14; k < 26; ++k) s[k] = 0;
  Opened z(zip);
  EXPECT_EQ(z.Test(0), -1);
  EXPECT_EQ(z.Test(1), 22);
  EXPECT_EQ(z.Test(2), 22);
  EXPECT_EQ(z.Test(3), -1);
  Opened d(s);
  EXPECT_EQ(d.Test(0), -1);
  EXPECT_EQ(d.Extract(0).bytes, "via descriptor");
}

TEST(MemberExtraction, BombsStopAtTheDeclaredSizeAndTheCap) {
  // 50 MB of zeros deflate to about 50 KB; declared as 1000 bytes.
  const std::string zeros(50 << 20, '\0');
  const std::string deflated = DeflateRaw(zeros, 9);
  ZipBuilder b;
  b.entries.push_back(ZipEntry{.name = "understated", .data = std::string(1000, '\0'), .method = 8,
                               .compressed = deflated});
  // Declares 2^40 bytes: refused before anything is written.
  b.entries.push_back(ZipEntry{.name = "huge", .data = "", .method = 8, .compressed = deflated,
                               .crc = ZlibCrc(zeros), .declared_size = uint64_t{1} << 40, .zip64 = true});
  Opened z(b.Build());
  Outcome understated = z.Extract(0);
  EXPECT_EQ(understated.bytes, std::string(1000, '\0'));  // the first 1000 bytes are right
  EXPECT_EQ(understated.code, -1);
  Outcome huge = z.Extract(1);
  EXPECT_EQ(huge.bytes, "");
  EXPECT_EQ(huge.code, 0);
  EXPECT_EQ(huge.error_class, TAbErrorClass::ecArchiveError);
  // Raising the cap lets it through: the data end long before the declared
  // size, and the CRC-32 of what they hold decides.
  z.archive.SetMaxItemSize(uint64_t{1} << 41);
  Outcome allowed = z.Extract(1);
  EXPECT_EQ(allowed.bytes.size(), zeros.size());
  EXPECT_EQ(allowed.code, -1);
}

TEST(MemberExtraction, ProgressAndAbort) {
  const std::string text = Text(300000, 4);
  ZipBuilder b;
  b.entries.push_back(ZipEntry{.name = "big", .data = text, .method = 8});
  Opened z(b.Build());
  std::vector<int> steps;
  z.archive.OnArchiveItemProgress = [&steps](TAbArchive&, TAbArchiveItem*, uint8_t p, bool&) { steps.push_back(p); };
  EXPECT_EQ(z.Extract(0).code, -1);
  ASSERT_GE(steps.size(), 3u);
  EXPECT_EQ(steps.back(), 100);
  z.archive.OnArchiveItemProgress = [](TAbArchive&, TAbArchiveItem*, uint8_t p, bool& abort) { abort = p >= 40; };
  Outcome aborted = z.Extract(0);
  EXPECT_EQ(aborted.code, 9);
  EXPECT_LT(aborted.bytes.size(), text.size());
}

TEST(HelperStreams, SubsetOutputAndBitBucket) {
  TStringStream archive("0123456789abcdef");
  archive.Seek(4, SeekOrigin::soBeginning);
  TAbUnzipSubsetStream subset(archive, 6);
  EXPECT_EQ(subset.ReadAll(), "456789");
  EXPECT_EQ(subset.Seek(-2, SeekOrigin::soEnd), 4);
  EXPECT_EQ(subset.ReadAll(), "89");
  EXPECT_EQ(subset.Seek(-100, SeekOrigin::soCurrent), 0);
  EXPECT_EQ(subset.Seek(100, SeekOrigin::soBeginning), 6);
  EXPECT_THROW(subset.Write("x", 1), EAbException);
  // A size past every position (a damaged header) reads to the end.
  archive.Seek(4, SeekOrigin::soBeginning);
  TAbUnzipSubsetStream unbounded(archive, INT64_MAX);
  EXPECT_EQ(unbounded.ReadAll(), "456789abcdef");

  TStringStream target;
  TAbUnzipOutputStream out(target);
  out.WriteString("123456789");
  EXPECT_EQ(out.CRC32(), 0xCBF43926u);
  EXPECT_EQ(target.DataString(), "123456789");
  char c;
  EXPECT_THROW(out.Read(&c, 1), EAbException);

  TAbBitBucketStream bucket(1000);  // any other size keeps 32 KiB (+1 KiB)
  const std::string data = Text(100000, 8);
  bucket.WriteString(data);
  EXPECT_EQ(bucket.Size(), 100000);
  bucket.Seek(-10, SeekOrigin::soEnd);
  char tail[10];
  bucket.ReadBuffer(tail, 10);
  EXPECT_EQ(std::string(tail, 10), data.substr(99990));
  EXPECT_THROW(bucket.Seek(50000, SeekOrigin::soBeginning), EAbBBSSeekOutsideBuffer);
  std::vector<char> big(40000);
  EXPECT_THROW(bucket.Read(big.data(), 40000), EAbBBSReadTooManyBytes);
  bucket.ForceSize(5);
  EXPECT_EQ(bucket.Size(), 5);
}

TEST(HelperStreams, DecryptEngineChecks) {
  TAbZipDecryptEngine engine;
  uint8_t buffer[4] = {};
  EXPECT_THROW(engine.DecodeBuffer(buffer, 4), EAssertionFailed);
  EXPECT_THROW(engine.VerifyHeader(buffer, "", 0), EAssertionFailed);
  const std::string encrypted = ZipEncrypt("data", "pw", 0xAB);
  EXPECT_FALSE(engine.VerifyHeader(reinterpret_cast<const uint8_t*>(encrypted.data()), "pw", 0xAC000000));
  EXPECT_TRUE(engine.VerifyHeader(reinterpret_cast<const uint8_t*>(encrypted.data()), "pw", 0xAB000000));
  std::string rest = encrypted.substr(12);
  engine.DecodeBuffer(reinterpret_cast<uint8_t*>(rest.data()), rest.size());
  EXPECT_EQ(rest, "data");

  TStringStream short_stream("short");
  TAbDfDecryptStream decrypt(short_stream, 0, "pw");
  EXPECT_FALSE(decrypt.IsValid());
  EXPECT_EQ(short_stream.Position(), 0);
  EXPECT_THROW(decrypt.Read(buffer, 1), EAssertionFailed);
}

}  // namespace
}  // namespace vn::ooxml::zip_extract_test

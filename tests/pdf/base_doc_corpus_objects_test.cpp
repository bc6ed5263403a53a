// Opens every PDF of the corpus and fetches every in-use object that qpdf's
// cross-reference listing names; stream data decoded by the filters built
// here are compared byte for byte with qpdf's decoded data (a sample per
// file, to keep the run short). Damaged files must open or raise one of the
// layer's exceptions. Skipped without the corpus or qpdf.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/base_doc.h"
#include "pdf/exceptions.h"
#include "pdf_corpus.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdf::base_doc_corpus_objects_test {
namespace {

namespace fs = std::filesystem;
using namespace vn::pdf::testing;

// "N/G: uncompressed; ..." or "N/G: compressed; ..." lines; an entry with
// offset 0 names no object (qpdf reads it as null).
std::vector<int64_t> InUseObjects(const std::string& listing) {
  std::vector<int64_t> nums;
  std::istringstream in(listing);
  std::string line;
  while (std::getline(in, line)) {
    const size_t slash = line.find('/');
    if (slash == std::string::npos || line.find("compressed") == std::string::npos) continue;
    if (line.find_first_not_of("0123456789") != slash) continue;
    if (line.find("offset = 0") != std::string::npos && line.back() == '0') continue;  // null by definition
    nums.push_back(std::stoll(line.substr(0, slash)));
  }
  return nums;
}

bool FiltersBuilt(const TvnPDStream& s) {
  static const std::set<std::string> kBuilt = {"FlateDecode", "Fl",  "LZWDecode",       "LZW", "ASCIIHexDecode",
                                               "AHx",         "A85", "ASCII85Decode",   "RL",  "RunLengthDecode"};
  const TvnPDBaseObject* f = s.GetDict()->LookUp("Filter");
  if (!f) return true;
  if (f->IsName()) return kBuilt.count(f->AsName()->GetValue()) > 0;
  if (!f->IsArray()) return false;
  for (int64_t i = 0; i < f->AsArray()->GetLength(); ++i) {
    const TvnPDBaseObject* e = f->AsArray()->Get(i);
    if (!e || !e->IsName() || !kBuilt.count(e->AsName()->GetValue())) return false;
  }
  return true;
}

// The bytes of a file qpdf wrote; empty when it wrote none.
std::string DataOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream data;
  data << in.rdbuf();
  return data.str();
}

constexpr size_t kStreamsComparedPerFile = 12;

TEST(PdfCorpusObjects, EveryListedObjectIsFetchedAndDecodedLikeQpdf) {
  const fs::path corpus = VN_CORPUS_DIR;
  if (!fs::exists(corpus / "pdf")) GTEST_SKIP() << "corpus missing";
  if (!vn::test_support::HaveTool("qpdf")) GTEST_SKIP() << "qpdf missing";

  int opened = 0, refused = 0, objects = 0, streams_compared = 0;
  for (const CorpusFile& file : ReadManifest(corpus)) {
    SCOPED_TRACE(file.path);
    TvnPDBaseDoc doc;
    try {
      doc.LoadDocument(fs::path(file.path), file.password);
      doc.GetDocRoot();
    } catch (const vn::EBrisquel& e) {
      ++refused;
      std::printf("refused %s: %s\n", fs::path(file.path).filename().c_str(), e.what());
      // Sound files open; only damaged or encrypted ones may be refused.
      EXPECT_TRUE(file.Damaged() || file.Encrypted()) << e.what();
      continue;
    }
    ++opened;
    const std::string password = "--password=" + file.password;
    std::string listing;
    RunProgram({"qpdf", password, "--show-xref", file.path}, &listing);
    const std::vector<int64_t> nums = InUseObjects(listing);
    std::vector<int64_t> comparable;
    for (int64_t n : nums) {
      TvnPDBaseObject* obj = doc.GetObject(n);
      ++objects;
      if (!file.Damaged()) {
        EXPECT_NE(obj, nullptr) << "object " << n;
      }
      if (obj && obj->IsStream() && FiltersBuilt(*obj->AsStream())) comparable.push_back(n);
    }
    const size_t step = comparable.size() / kStreamsComparedPerFile + 1;
    std::vector<int64_t> sample;
    for (size_t i = 0; i < comparable.size(); i += step) sample.push_back(comparable[i]);
    // One qpdf run writes the decoded data of every sampled stream, each to
    // a file of its own (<prefix>-<object number>), decoded as far as qpdf can
    // (--filtered-stream-data gives the same bytes).
    const fs::path data_dir = fs::temp_directory_path() / ("vn_corpus_objects_" + std::to_string(::getpid()));
    fs::remove_all(data_dir);
    fs::create_directories(data_dir);
    if (!sample.empty()) {
      std::vector<std::string> args = {"qpdf", password, "--json", "--json-key=qpdf", "--json-stream-data=file",
                                       "--decode-level=all", "--json-stream-prefix=" + (data_dir / "s").string()};
      for (int64_t n : sample) args.push_back("--json-object=" + std::to_string(n));
      args.push_back(file.path);
      RunProgram(args);
    }
    for (const int64_t n : sample) {
      const std::string expected = DataOf(data_dir / ("s-" + std::to_string(n)));
      TvnPDStream* s = doc.GetObject(n)->AsStream();
      s->Reset();
      std::string actual;
      s->GetStream()->Read(actual, size_t{1} << 30);
      if (file.Damaged()) continue;  // qpdf repairs damaged data its own way
      EXPECT_EQ(actual.size(), expected.size()) << "object " << n;
      EXPECT_TRUE(actual == expected) << "object " << n;
      ++streams_compared;
    }
    fs::remove_all(data_dir);
  }
  std::printf("opened %d, refused %d, objects fetched %d, streams compared %d\n", opened, refused, objects,
              streams_compared);
}

}  // namespace
}  // namespace vn::pdf::base_doc_corpus_objects_test

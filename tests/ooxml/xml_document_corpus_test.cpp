// Every XML part of the corpus's DOCX packages, read by our parser, against
// Python's ElementTree: the same elements, attributes and text. What we
// write back must read the same again, by our parser and by ElementTree.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ooxml/xml_parser.h"
#include "runtime/streams.h"
#include "support/paths.h"
#include "support/prerequisites.h"
#include "xml_tree_dump.h"

namespace vn::ooxml::xml_document_corpus_test {
namespace {

namespace fs = std::filesystem;

// The oracle script beside this file (tests/ooxml; the fixtures folder is
// tests/fixtures).
const fs::path kScript = fs::path(VN_FIXTURES_DIR).parent_path() / "ooxml" / "xml_tree_dump.py";

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

bool RunCommand(const std::string& command) {
  const int status = std::system(command.c_str());
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

struct Part {
  std::string number, package, name;
};

class XmlCorpusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* env = std::getenv("VN_CORPUS_DIR");
    const fs::path docx = fs::path(env ? env : VN_CORPUS_DIR) / "docx";
    if (!fs::is_directory(docx)) GTEST_SKIP() << "no corpus at " << docx;
    if (!vn::test_support::HaveTool("python3")) GTEST_SKIP() << "python3 is missing";
    work_ = fs::temp_directory_path() / "xml_corpus";
    fs::remove_all(work_);
    fs::create_directories(work_);
    ASSERT_TRUE(RunCommand("python3 " + Quote(kScript.string()) + " extract " + Quote(docx.string()) + " " +
                    Quote(work_.string())));
    std::ifstream index(work_ / "index.tsv");
    std::string line;
    while (std::getline(index, line)) {
      std::stringstream ss(line);
      Part part;
      std::getline(ss, part.number, '\t');
      std::getline(ss, part.package, '\t');
      std::getline(ss, part.name, '\t');
      parts_.push_back(part);
    }
  }

  fs::path work_;
  std::vector<Part> parts_;
};

TEST_F(XmlCorpusTest, PartsReadAsElementTreeReadsThemAndWriteBackTheSame) {
  ASSERT_GT(parts_.size(), 500u);
  std::string written_list;
  int compared = 0;
  for (const Part& part : parts_) {
    SCOPED_TRACE(part.package + " " + part.name);
    const fs::path source = work_ / (part.number + ".xml");
    const std::string expected = ReadText(work_ / (part.number + ".expected"));

    TXMLDocument document;
    TFileStream in(source, FileMode::fmOpenRead);
    document.LoadFromStream(in, 4096);
    if (expected.starts_with("error:")) continue;  // ElementTree refuses the part: only no crash
    ++compared;
    EXPECT_EQ(testing::DumpTree(document), expected);

    const fs::path written = work_ / (part.number + ".written.xml");
    document.SaveToFile(written);
    TXMLDocument again;
    again.LoadFromFile(written);
    EXPECT_EQ(testing::DumpTree(again), expected) << "after writing";
    written_list += " " + Quote(written.string());
  }
  EXPECT_GT(compared, 500);

  // ElementTree reads our output as it read the original.
  ASSERT_TRUE(RunCommand("python3 " + Quote(kScript.string()) + " dump" + written_list));
  for (const Part& part : parts_) {
    const fs::path dump = work_ / (part.number + ".written.xml.dump");
    if (!fs::exists(dump)) continue;
    EXPECT_EQ(ReadText(dump), ReadText(work_ / (part.number + ".expected")))
        << part.package << " " << part.name << " as written";
  }
}

}  // namespace
}  // namespace vn::ooxml::xml_document_corpus_test

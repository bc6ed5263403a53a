#include "support/paths.h"

namespace vn::test_support {

const char* FixturesDir() { return VN_FIXTURES_FOLDER; }
const char* CorpusDir() { return VN_CORPUS_FOLDER; }

}  // namespace vn::test_support

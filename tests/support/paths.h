// Where tests find their fixtures (tests/fixtures) and the shared corpus.
// The folders are compiled into the test support library alone, so a test
// file compiles alike in every clone of the project and ccache reuses its
// object across clones. Every test file sees this header through the test
// programs' precompiled header.
#pragma once

namespace vn::test_support {

const char* FixturesDir();
const char* CorpusDir();

}  // namespace vn::test_support

#define VN_FIXTURES_DIR (::vn::test_support::FixturesDir())
#define VN_CORPUS_DIR (::vn::test_support::CorpusDir())

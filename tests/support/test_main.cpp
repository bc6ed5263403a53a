// The main of the test programs.
#include "support/private_tmp_dir.h"

int main(int argc, char** argv) { return vn::test_support::RunAllTests(argc, argv); }

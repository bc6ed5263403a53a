// The main of the viewer tests: a QApplication (on the offscreen platform
// unless another is asked for) around the GoogleTest run.
#include <QApplication>

#include "support/private_tmp_dir.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication Application(argc, argv);
  return vn::test_support::RunAllTests(argc, argv);
}

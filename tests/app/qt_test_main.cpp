// The main of the GUI tests: a QApplication (on the offscreen platform
// unless another is asked for) around the GoogleTest run. Opening web pages
// does nothing here.
#include <QApplication>

#include "platform/system.h"
#include "support/private_tmp_dir.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication Application(argc, argv);
  vn::platform::SetAssociatedProgramOpener([](const std::string&) { return true; });
  return vn::test_support::RunAllTests(argc, argv);
}

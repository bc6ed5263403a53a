// The main of the GUI tests: a QApplication (on the offscreen platform
// unless another is asked for) around the GoogleTest run. Opening web pages
// does nothing here.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/system.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication Application(argc, argv);
  vn::platform::SetAssociatedProgramOpener([](const std::string&) { return true; });
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

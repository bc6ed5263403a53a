// fotarel: the converter application. It takes no command-line arguments
// and keeps no settings.
#include <QApplication>
#include <QFont>
#include <cstdio>

#include "library/library.h"
#include "main_form.h"

int main(int argc, char** argv) {
  // Without a display the window cannot open; say so instead of failing
  // inside Qt, and point to the command-line converter.
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    std::fprintf(stderr,
                 "fotarel: no display to show the window on (DISPLAY is not set).\n"
                 "To convert documents without a window, use the command-line converter:\n"
                 "  fotarel-convert --help   (built as build/release/tools/fotarel-convert)\n");
    return 1;
  }
  QApplication Application(argc, argv);
  // The forms' fonts, the same on every machine: Tahoma and Arial as the
  // platform's font table maps them.
  QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"));
  QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
  // The whole library: the ".pdf" writer the format list offers and the
  // metafile player it draws pages with join the framework's formats.
  vn::InitializeLibrary();
  int Result = 0;
  {
    fotarel::TfrmMain frmMain;
    frmMain.show();
    Result = QApplication::exec();
  }
  vn::FinalizeLibrary();
  return Result;
}

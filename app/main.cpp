// fotarel: the converter application. It takes no command-line arguments
// and keeps no settings.
#include <QApplication>
#include <QFont>

#include "UMain.h"
#include "framework/vnqDocumentFramework.h"

int main(int argc, char** argv) {
  QApplication Application(argc, argv);
  // The forms' fonts, the same on every machine: Tahoma and Arial as the
  // platform's font table maps them.
  QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"));
  QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
  vn::framework::InitializeLibrary();
  int Result = 0;
  {
    fotarel::TfrmMain frmMain;
    frmMain.show();
    Result = QApplication::exec();
  }
  vn::framework::FinalizeLibrary();
  return Result;
}

// The viewer's test host: shows one document in the fixed-layout viewer, in
// a window of its own.
//
//   fotarel-view [--size WIDTHxHEIGHT] FILE
//
// The window's client area is the viewer, WIDTH by HEIGHT pixels (800 by
// 600 by default); the document is shown at the viewer's start-up zoom
// (fit width) from page 1. A file that cannot be shown prints the reason
// and exits 1 without opening a window.
#include <QApplication>
#include <QString>
#include <cstdio>
#include <exception>
#include <string>

#include "library/library.h"
#include "runtime/strings.h"
#include "viewer/fixed_layout_viewer.h"
#include "viewer/viewer_registration.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: fotarel-view [--size WIDTHxHEIGHT] FILE\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication Application(argc, argv);
  int Width = 800;
  int Height = 600;
  std::string File;
  for (int I = 1; I < argc; ++I) {
    const std::string Arg = argv[I];
    if (Arg == "--size" && I + 1 < argc) {
      if (std::sscanf(argv[++I], "%dx%d", &Width, &Height) != 2 || Width < 50 || Height < 50 || Width > 10000 ||
          Height > 10000)
        return Usage();
    } else if (!Arg.empty() && Arg[0] != '-' && File.empty()) {
      File = Arg;
    } else {
      return Usage();
    }
  }
  if (File.empty()) return Usage();

  vn::InitializeLibrary();
  vn::viewer::InitializeViewers();
  vn::viewer::TvnFixedLayoutDocumentViewer Viewer;
  Viewer.setWindowTitle(QStringLiteral("fotarel-view"));
  Viewer.resize(Width, Height);
  try {
    Viewer.LoadFromFile(vn::FromUtf8(File));
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "fotarel-view: %s: %s\n", File.c_str(), Error.what());
    return 1;
  }
  if (!Viewer.IsDocumentActive()) {
    std::fprintf(stderr, "fotarel-view: %s: not a document the viewer shows\n", File.c_str());
    return 1;
  }
  Viewer.show();
  const int Result = QApplication::exec();
  vn::FinalizeLibrary();
  return Result;
}

// A document class for the viewer's tests: its pages have the sizes, in
// inches, that its file lists ("W H" a line), so the page arithmetic can be
// checked against sizes chosen for each case. A first line "password P"
// makes the load ask for P through OnNeedPassword, as encrypted documents
// do: it asks again while the answer is wrong and the request is not
// cancelled. Pages count how often they were drawn.
#pragma once

#include <QApplication>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/base_document.h"
#include "framework/format_registry.h"
#include "library/library.h"
#include "platform/canvas/canvas.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"
#include "viewer/fixed_layout_viewer.h"

namespace vn::viewer::test {

class SizedDocument;

class SizedPage : public framework::TvnBasePage {
 public:
  SizedPage(SizedDocument* ADocument, double AWidth, double AHeight)
      : FDocument(ADocument), FWidth(AWidth), FHeight(AHeight) {}
  using framework::TvnBasePage::Draw;
  framework::TvnPageSize GetPageSize() override;
  void Draw(platform::Canvas* ACanvas, int32_t AWidth, int32_t AHeight, int32_t, int32_t, int32_t ARotation) override {
    ++Draws;
    LastSize = {AWidth, AHeight};
    LastRotation = ARotation;
    if (ACanvas == nullptr) return;
    // A grey page with a black square in its top-left corner.
    ACanvas->SetPen(platform::Pen{platform::PenStyle::Clear});
    ACanvas->SetBrush(platform::Brush{platform::BrushStyle::Solid, 0xC0C0C0});
    ACanvas->Rectangle({0, 0, AWidth + 1, AHeight + 1});
    ACanvas->SetBrush(platform::Brush{platform::BrushStyle::Solid, 0x000000});
    ACanvas->Rectangle({0, 0, AWidth / 4 + 1, AHeight / 4 + 1});
  }
  int32_t Draws = 0;
  QSize LastSize;
  int32_t LastRotation = 0;

 private:
  SizedDocument* FDocument;
  double FWidth, FHeight;  // inches
};

class SizedDocument : public framework::TvnBaseDocument {
 public:
  static framework::TvnEngineCapabilities GetEngineCapabilities() { return {framework::TvnEngineCapability::ecOpen}; }
  static framework::TvnDocumentType GetDocumentType() { return framework::TvnDocumentType::dtFixed; }
  inline static int32_t Alive = 0;
  SizedDocument() { ++Alive; }
  ~SizedDocument() override { --Alive; }

  void LoadFromFile(const String& FileName, const String&) override {
    std::ifstream In(std::filesystem::path(vn::ToUtf8(FileName)));
    if (!In) throw vn::ExFileNotFound("File Not Found");
    std::string Line;
    while (std::getline(In, Line)) {
      std::istringstream Fields(Line);
      std::string First;
      Fields >> First;
      if (First == "password") {
        Fields >> FPassword;
        continue;
      }
      FPages.push_back(std::make_unique<SizedPage>(this, std::stod(First), [&] {
        double H = 0;
        Fields >> H;
        return H;
      }()));
      FPages.back()->SetPageNumber(static_cast<int32_t>(FPages.size()));
    }
    if (!FPassword.empty()) AskPassword();
    FIsLoaded = true;
  }
  int32_t GetPageCount() override { return static_cast<int32_t>(FPages.size()); }
  framework::TvnPage* GetPage(int32_t Index) override {
    return Index >= 1 && Index <= GetPageCount() ? FPages[static_cast<size_t>(Index - 1)].get() : nullptr;
  }
  SizedPage* Page(int32_t Index) { return FPages[static_cast<size_t>(Index - 1)].get(); }

 private:
  void AskPassword() {
    framework::TvnNeedPasswordEventArgs Args;
    while (OnNeedPassword) {
      Args.IncAttemptCount();
      OnNeedPassword(this, Args);
      if (Args.GetCancel()) break;
      if (vn::ToUtf8(Args.GetPassword()) == FPassword) return;
    }
    throw vn::ExPasswordRequired("Password required");
  }
  std::vector<std::unique_ptr<SizedPage>> FPages;
  std::string FPassword;
};

inline framework::TvnPageSize SizedPage::GetPageSize() {
  const double F = FDocument->GetMeasurementUnit() == framework::TvnMeasurementUnit::muInches ? 1.0 : 96.0;
  return {FHeight * F, FWidth * F};
}

// Starts the library, registers the class for ".sized" and writes a
// file of it in the test's private temporary folder.
inline String SizedFile(const std::string& Name, const std::string& Content) {
  // The library's formats first: starting the library later would find a
  // registry and register none.
  vn::InitializeLibrary();
  framework::TvnKELMFramework& Registry = *framework::DocumentFramework();
  if (Registry.LookupDocument(u"x.sized") == nullptr)
    Registry.RegisterDocument(framework::DocumentClassOf<SizedDocument>(), u".sized", u"Sized pages");
  const std::filesystem::path Path = std::filesystem::temp_directory_path() / (Name + ".sized");
  std::ofstream(Path) << Content;
  return vn::FromUtf8(Path.string());
}

// Pages of A4 (210 by 297 mm) in inches.
inline std::string A4Pages(int Count) {
  std::string Text;
  for (int I = 0; I < Count; ++I) Text += std::to_string(210 / 25.4) + " " + std::to_string(297 / 25.4) + "\n";
  return Text;
}

// A shown viewer of the given outer size, at actual size unless a zoom
// mode is given, loaded with the file.
inline std::unique_ptr<TvnFixedLayoutDocumentViewer> ShownViewer(
    const String& File, int Width, int Height, framework::TvnZoomMode Mode = framework::TvnZoomMode::zmActualSize) {
  auto Viewer = std::make_unique<TvnFixedLayoutDocumentViewer>();
  Viewer->resize(Width, Height);
  Viewer->GetZoom()->SetZoomMode(Mode);
  Viewer->show();
  Viewer->LoadFromFile(File);
  return Viewer;
}

}  // namespace vn::viewer::test

// Shared by the form tests of the viewer: the LibreOffice form fixture
// opened as a document, a page window of its first page with the form
// plug-in's widgets on it, the widgets by field name, a data set of named
// fields for data links, and the two outside readers (pypdf) the tests
// compare with.
#pragma once

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/pdf_corpus.h"
#include "pdfdocument/pdf_document.h"
#include "stub_viewer.h"
#include "support/paths.h"
#include "support/prerequisites.h"
#include "viewer/pdf_form_filling_plugin.h"
#include "viewer/window_messages.h"

namespace vn::viewer::form_testing {

constexpr const char* kPython = "/usr/bin/python3";
constexpr uint32_t kPageCreated = 0xBF4A;
constexpr uint32_t kLayoutChanged = 0xBF47;
constexpr uint32_t kTabKey = 0xBF4B;

inline std::filesystem::path FormFixture() {
  return std::filesystem::path(VN_FIXTURES_DIR) / "pdfdocument" / "forms" / "form_hierarchy.pdf";
}

inline bool HaveOracle() { return vn::test_support::HaveFile("/usr/lib/python3/dist-packages/pypdf"); }

// Lines of one of the python oracles over the file.
inline std::vector<std::string> OracleLines(const std::filesystem::path& script, const std::filesystem::path& file) {
  std::string out;
  if (vn::pdf::testing::RunProgram({kPython, script.string(), file.string()}, &out) != 0) return {};
  std::vector<std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Field name -> value, as the form oracle of the document model's fixtures
// prints them.
inline std::map<std::string, std::string> OracleValues(const std::filesystem::path& file) {
  std::map<std::string, std::string> values;
  const auto script = std::filesystem::path(VN_FIXTURES_DIR) / "pdfdocument" / "forms" / "fields_oracle.py";
  for (const std::string& line : OracleLines(script, file)) {
    std::vector<std::string> cols;
    std::stringstream ss(line);
    for (std::string col; std::getline(ss, col, '\t');) cols.push_back(col);
    if (cols.size() >= 3) values[cols[0]] = cols.size() >= 4 ? cols[3] : std::string();
  }
  return values;
}

class Viewer : public test::StubViewer<TvnBaseDocumentViewer> {
 public:
  Viewer() { UseSettings(&zoom, &preferences); }
  framework::TvnZoom zoom{this};
  framework::TvnViewerPreferences preferences;
};

// A page window (shown and active, so inputs take the focus) of page 1 of a
// document, with the plug-in's widgets.
struct FormPage {
  explicit FormPage(const std::filesystem::path& file = FormFixture()) {
    document.LoadFromFile(String(file.u16string()), u"");
  }
  void Open() {
    plugin = std::make_unique<TvnFormFillingViewerPlugin>(&document, &viewer);
    window = std::make_unique<TvnBaseViewerPage>();
    window->SetConnectedPage(1);
    window->resize(800, 1130);
    window->show();
    window->activateWindow();
    (void)QTest::qWaitForWindowActive(window.get());
    Post(kPageCreated, window.get());
  }
  // Sends a notification to the plug-in's receiver as the viewer does.
  void Post(uint32_t AMessage, QObject* AParam) {
    TvnWindowMessageEvent event(TMessage{AMessage, reinterpret_cast<uint64_t>(AParam), 0, 0});
    QCoreApplication::sendEvent(plugin->GetHandle(), &event);
  }
  template <class W = TvnViewerFormWidget>
  W* Widget(const std::u16string& AName) {
    for (TvnViewerFormWidget* widget : plugin->GetControls())
      if (widget->GetPageElement()->FullQualifiedName() == AName) return dynamic_cast<W*>(widget);
    return nullptr;
  }
  // Takes the focus away from the inputs (so that they hand their values
  // to their fields).
  void Unfocus() {
    if (QWidget* focused = QApplication::focusWidget()) focused->clearFocus();
  }

  Viewer viewer;
  pdfdoc::TvnqPDFDocument document;
  std::unique_ptr<TvnFormFillingViewerPlugin> plugin;
  std::unique_ptr<TvnBaseViewerPage> window;
};

// A data set of named text fields whose Edit puts it in edit mode and tells
// the links.
class FakeField : public TField {
 public:
  explicit FakeField(String AName) : FName(std::move(AName)) {}
  String GetFieldName() const override { return FName; }
  bool GetCanModify() const override { return true; }
  QVariant GetValue() const override { return value; }
  void SetValue(const QVariant& Value) override { value = Value; }
  QVariant value;

 private:
  String FName;
};

class FakeDataSet : public TDataSet {
 public:
  explicit FakeDataSet(std::vector<String> ANames) {
    for (auto& name : ANames) fields.push_back(std::make_unique<FakeField>(name));
  }
  bool GetActive() const override { return true; }
  TField* FindField(const String& FieldName) override {
    for (auto& f : fields)
      if (f->GetFieldName() == FieldName) return f.get();
    return nullptr;
  }
  bool IsEditing() const override { return editing; }
  void Edit() override {
    editing = true;
    for (TvnFieldDataLink* link : links) link->EditingChanged();
  }
  // A new current record: the fields take values and the links hear it.
  void Move(const std::map<String, QVariant>& AValues) {
    for (auto& [name, value] : AValues) static_cast<FakeField*>(FindField(name))->value = value;
    for (TvnFieldDataLink* link : links) link->RecordChanged(nullptr);
  }
  FakeField* Field(const String& AName) { return static_cast<FakeField*>(FindField(AName)); }

  bool editing = false;
  std::vector<std::unique_ptr<FakeField>> fields;
  std::vector<TvnFieldDataLink*> links;
};

}  // namespace vn::viewer::form_testing

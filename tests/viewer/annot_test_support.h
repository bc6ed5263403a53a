// What the annotation view tests share: the PDF with comments, a viewer
// that counts the window messages it receives, a navigation host, and user
// prompts that answer without a dialog.
#pragma once

#include <QApplication>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "pdfdocument/pd_annot.h"
#include "pdfdocument/pdf_document.h"
#include "stub_viewer.h"
#include "support/paths.h"
#include "framework/format_registry.h"
#include "library/library.h"
#include "viewer/navigation_host.h"
#include "viewer/viewer_registration.h"
#include "viewer/user_prompts.h"
#include "viewer/window_messages.h"

namespace vn::viewer::test {

// tests/fixtures/viewer/comments.pdf: page 1 holds Alice's comment with the
// replies of Bob and Dave, and Erin's attachment "../../x"; page 2 Carol's
// comment.
inline std::filesystem::path CommentsPdf() {
  return std::filesystem::path(VN_FIXTURES_DIR) / "viewer" / "comments.pdf";
}

inline std::unique_ptr<vn::pdfdoc::TvnqPDFDocument> LoadComments() {
  auto document = std::make_unique<vn::pdfdoc::TvnqPDFDocument>();
  document->LoadFromFile(vn::FromUtf8(CommentsPdf().string()), String());
  return document;
}

// The annotation of the page whose /NM is AName; null when none.
inline vn::pdfdoc::TvnPDAnnot* AnnotNamed(vn::pdfdoc::TvnqPDFDocument& ADocument, int32_t APage,
                                          const char* AName) {
  auto* page = dynamic_cast<vn::pdfdoc::TvnqPDFPage*>(ADocument.GetPage(APage));
  if (page == nullptr) return nullptr;
  for (vn::pdfdoc::TvnPDAnnot* annot : page->GetAnnots())
    if (annot->Name() == vn::FromUtf8(AName)) return annot;
  return nullptr;
}

// The library's registry, with the viewer and its plug-ins.
inline void EnsureViewerRegistry() {
  vn::InitializeLibrary();
  InitializeViewers();
}

// A viewer that records the window messages sent or posted to it.
class MessageViewer : public StubViewer<TvnBaseDocumentViewer> {
 public:
  using StubViewer::StubViewer;
  std::vector<uint32_t> Received;
  int Count(uint32_t AMsg) const {
    int n = 0;
    for (uint32_t m : Received) n += m == AMsg ? 1 : 0;
    return n;
  }

 protected:
  bool event(QEvent* AEvent) override {
    if (AEvent->type() == TvnWindowMessageEvent::EventType()) {
      Received.push_back(static_cast<TvnWindowMessageEvent*>(AEvent)->Message.Msg);
      return true;
    }
    return StubViewer::event(AEvent);
  }
};

// A host holding a page viewer and a list of navigation pages.
class TestHost : public StubViewer<TvnBaseDocumentViewer>, public IvnNavigationHost {
 public:
  TestHost() { PageViewer.setParent(this); }
  MessageViewer PageViewer;
  std::vector<TvnBaseNavigationPanePage*> Pages;
  int32_t State = 0;
  std::vector<TvnBaseNavigationPanePage*> Shown;

  TvnBaseDocumentViewer* GetPageViewer() override { return &PageViewer; }
  int32_t GetNavigationPaneState() override { return State; }
  std::vector<TvnBaseNavigationPanePage*> GetNavigationPanePages() override { return Pages; }
  void ShowNavigationPanePage(TvnBaseNavigationPanePage* APage) override { Shown.push_back(APage); }
};

// User prompts that answer from scripted values for the test's duration
// and record what was asked.
class ScriptedPrompts {
 public:
  ScriptedPrompts() : FSaved(UserPrompts()) {
    UserPrompts().InputQuery = [this](QWidget*, const QString& ACaption, const QString& APrompt, QString& Value) {
      Asked.push_back(ACaption + u'|' + APrompt);
      if (!AcceptInput) return false;
      Value = Input;
      return true;
    };
    UserPrompts().Confirm = [this](QWidget*, const QString&, const QString& AText) {
      Confirmations.push_back(AText);
      return ConfirmAnswer;
    };
    UserPrompts().ShowError = [this](QWidget*, const QString&, const QString& AText) { Errors.push_back(AText); };
    UserPrompts().OpenDocument = [this](const QString& APath) {
      Opened.push_back(APath);
      return true;
    };
  }
  ~ScriptedPrompts() { UserPrompts() = FSaved; }
  ScriptedPrompts(const ScriptedPrompts&) = delete;
  ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

  bool AcceptInput = true;
  QString Input;
  bool ConfirmAnswer = true;
  std::vector<QString> Asked, Confirmations, Errors, Opened;

 private:
  TvnUserPrompts FSaved;
};

}  // namespace vn::viewer::test

// Shared by the DOCX reader's tests: a small package in memory opened with
// its reader over a fresh mediator.
#pragma once

#include <memory>
#include <string>

#include "docx/docx_parser.h"
#include "docx/package.h"
#include "docx_test_support.h"
#include "framework/page_model.h"
#include "runtime/diagnostics.h"
#include "runtime/streams.h"
#include "wordmodel/document_mediator.h"

namespace vn::docx::testing {

class OpenedReader {
 public:
  explicit OpenedReader(const DocxParts& AParts) : OpenedReader(DocxPackageBytes(AParts)) {}
  explicit OpenedReader(const std::string& APackageBytes)
      : bytes_(APackageBytes),
        package_(std::make_unique<TvnDOCXPackage>(bytes_, TvnFileMode::tfOpened, &warnings_)),
        reader_(std::make_unique<TvnDOCXParser>(package_.get(), &mediator_, &warnings_)) {}

  TvnDOCXParser& Reader() { return *reader_; }
  TvnDOCXMainDocumentParser& Body() { return *reader_->DocumentParser(); }
  wordmodel::TvnDocumentMediator& Mediator() { return mediator_; }
  framework::TvnBaseDocumentHandler& Document() { return document_; }
  vn::Diagnostics& Warnings() { return warnings_; }
  // Fills the mediator as a load does.
  void Initialize() { Body().Initialize(); }

 private:
  framework::TvnBaseDocumentHandler document_;
  wordmodel::TvnDocumentMediator mediator_{&document_};
  vn::Diagnostics warnings_;
  vn::TStringStream bytes_;
  std::unique_ptr<TvnDOCXPackage> package_;
  std::unique_ptr<TvnDOCXParser> reader_;
};

}  // namespace vn::docx::testing

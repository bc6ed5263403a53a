// Shared by the form tests: the fields of a file as an independent reader
// prints them (fields_oracle.py beside the form fixtures, run once per file)
// and the model's fields in the same lines, so the two compare as text.
#pragma once

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/pdf_corpus.h"
#include "pdfdocument/pd_acro_form.h"
#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pd_form_field.h"
#include "pdfdocument/pdf_document_handler.h"
#include "runtime/strings.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::form_testing {

inline bool HaveOracle() { return vn::test_support::HaveFile("/usr/lib/python3/dist-packages/pypdf"); }

inline std::filesystem::path FormFixture(const std::string& name) {
  return std::filesystem::path(VN_FIXTURES_DIR) / "pdfdocument" / "forms" / name;
}

// The oracle's lines for the file ("name TAB FT TAB Ff TAB V"); false when
// it failed.
inline bool OracleFields(const std::filesystem::path& file, std::vector<std::string>& lines) {
  std::string out;
  const int status = vn::pdf::testing::RunProgram(
      {"/usr/bin/python3", FormFixture("fields_oracle.py").string(), file.string()}, &out);
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return status == 0;
}

inline const char* TypeName(TvnFormFieldType AType) {
  switch (AType) {
    case TvnFormFieldType::ftText:
      return "Tx";
    case TvnFormFieldType::ftCheckBox:
    case TvnFormFieldType::ftRadio:
    case TvnFormFieldType::ftButton:
      return "Btn";
    case TvnFormFieldType::ftListBox:
    case TvnFormFieldType::ftComboBox:
      return "Ch";
    case TvnFormFieldType::ftSignature:
      return "Sig";
  }
  return "?";
}

// The model's fields in the oracle's lines. A signature's value is a
// dictionary, which the oracle prints as such: it is compared by type only.
inline std::vector<std::string> ModelFields(TvnPDFDocumentHandler& handler) {
  std::vector<std::string> lines;
  for (TvnPDFormField* field : handler.Catalog()->AcroForm()->Fields()) {
    std::string value = field->FormFieldType() == TvnFormFieldType::ftSignature ? "" : vn::ToUtf8(field->Value());
    lines.push_back(vn::ToUtf8(field->FullQualifiedName()) + "\t" + TypeName(field->FormFieldType()) + "\t" +
                    std::to_string(field->Flag()) + "\t" + value);
  }
  return lines;
}

inline std::unique_ptr<TvnPDFDocumentHandler> OpenFile(const std::filesystem::path& file) {
  auto handler = std::make_unique<TvnPDFDocumentHandler>();
  handler->LoadDocument(file);
  return handler;
}

inline std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\n";
  return text;
}

}  // namespace vn::pdfdoc::form_testing

// Files embedded in the document: the embedded-files name tree, a
// /Filespec dictionary and an embedded-file stream for each attached file.
//
// The name tree's keys are "Untitled Object" and the file's position in the
// list (from 1), written in the byte order of the keys as name trees
// require. Every string is written as a hexadecimal string through the
// string encryption of its object (the file name as /F in UTF-8 bytes and
// as the text string /UF, the modification date), so an encrypted document
// keeps readable names. The file's bytes are stored as they are (not
// compressed), with their MIME type as /Subtype when the extension tells
// it. Each /Filespec dictionary's /AFRelationship is Alternative, and the
// catalog lists those dictionaries in /AF.
//
// PDF/A-1 has no embedded files and PDF/A-2 takes only PDF/A files, which
// the writer cannot check: attachments to those documents fail the
// document, as does an attached file that cannot be read when the document
// ends. Nothing is left out of a document that looks complete.
#include <algorithm>
#include <filesystem>

#include "pdfwriter/extended_pdf_engine.h"
#include "pdfwriter/pdf_doc_features_impl.h"
#include "pdfwriter/pdf_syntax_impl.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace vn::pdfwriter {

void TvnCustomPDFEngine::AttachFile(const String& folder_path, const String& file_name) {
  if (folder_path.empty() || file_name.empty()) return;
  FFeatures->Attachments.push_back({file_name, folder_path});
}

void TvnCustomPDFEngine::EndDoc() {
  try {
    TvnCustomPlainSheetEngine::EndDoc();
  } catch (...) {
    FFeatures->Attachments.clear();
    throw;
  }
  FFeatures->Attachments.clear();
}

void TvnExPDFEngine::AttachFile(const String& attachment_file_path, const String& attachment_name) {
  // A full path whose last part is the name gives its folder; any other
  // path is taken as the folder itself.
  const std::filesystem::path path(vn::ToUtf8(attachment_file_path));
  const String last = vn::FromUtf8(path.filename().string());
  if (!last.empty() && vn::SameText(last, attachment_name))
    TvnCustomPDFEngine::AttachFile(path.has_parent_path() ? vn::FromUtf8(path.parent_path().string()) : u".",
                                   attachment_name);
  else
    TvnCustomPDFEngine::AttachFile(attachment_file_path, attachment_name);
}

namespace {

// The MIME type of a file name's extension as a PDF name ("/text#2Fxml"),
// "" when unknown.
std::string AttachmentMimeName(const String& file_name) {
  static const std::pair<const char*, const char*> kTypes[] = {
      {".xml", "text#2Fxml"},        {".pdf", "application#2Fpdf"}, {".txt", "text#2Fplain"},
      {".csv", "text#2Fcsv"},        {".htm", "text#2Fhtml"},       {".html", "text#2Fhtml"},
      {".json", "application#2Fjson"}, {".png", "image#2Fpng"},     {".jpg", "image#2Fjpeg"},
      {".jpeg", "image#2Fjpeg"},     {".zip", "application#2Fzip"},
  };
  for (const auto& [extension, name] : kTypes)
    if (vn::EndsText(vn::FromAscii(extension), file_name)) return std::string("/") + name;
  return "/application#2Foctet-stream";
}

}  // namespace

// The embedded-files name dictionary (written with its tree, its /Filespec
// dictionaries and their files) and the catalog's entries for it.
std::string TvnCustomPDFEngine::WriteAttachments() {
  const std::vector<TvnPDFAttachment>& files = FFeatures->Attachments;
  if (files.empty()) return {};
  if (FFeatures->PDFAPart == 1 || FFeatures->PDFAPart == 2)
    throw vn::ENotSupportedException(FFeatures->PDFAPart == 1 ? "PDF/A-1b output cannot carry attached files"
                                                              : "PDF/A-2b output cannot carry attached files");
  // Every file is read first: a missing one fails the document before any
  // of its objects is written.
  std::vector<std::string> contents;
  for (const TvnPDFAttachment& file : files) {
    const std::filesystem::path path = std::filesystem::path(vn::ToUtf8(file.Folder)) / vn::ToUtf8(file.FileName);
    try {
      contents.push_back(vn::ReadFileBytes(path));
    } catch (const vn::Exception&) {
      throw vn::ExFileNotFound("Attached file not found: " + path.string());
    }
  }

  const int32_t names = NewObjectNumber();
  const int32_t tree = NewObjectNumber();
  // The keys in byte order (Untitled Object1, Untitled Object10,
  // Untitled Object2 ...), each with its file's position.
  std::vector<std::pair<std::string, size_t>> keys;
  for (size_t k = 0; k < files.size(); ++k) keys.emplace_back("Untitled Object" + std::to_string(k + 1), k);
  std::sort(keys.begin(), keys.end());
  std::vector<int32_t> filespecs(files.size(), 0);
  std::string tree_text = "<</Names[";
  for (const auto& [key, k] : keys) {
    const TvnPDFAttachment& file = files[k];
    const int32_t filespec = NewObjectNumber();
    filespecs[k] = filespec;
    // The embedded file's stream.
    const int32_t stream = NewObjectNumber();
    std::string data = std::move(contents[k]);
    const std::string size = std::to_string(data.size());
    const std::string date = vn::framework::AnsiToHexText(EncryptObjectStrings(FCreationTime, stream, 0));
    WritePlainStream(stream,
                     "/Type /EmbeddedFile/Subtype " + AttachmentMimeName(file.FileName) + "/Length " + size +
                         "/Params <</ModDate <" + date + ">/Size " + size + ">>" + kCRLF,
                     std::move(data));
    // Its /Filespec dictionary.
    const std::string name_bytes = vn::ToUtf8(file.FileName);
    WriteObject("/F <" + vn::framework::AnsiToHexText(EncryptObjectStrings(name_bytes, filespec, 0)) +
                    ">/Type/Filespec/EF<</F " + ObjectRef(stream) + "/UF " + ObjectRef(stream) + ">>" + kCRLF +
                    "/AFRelationship/Alternative/UF <" + EncodeTextString(file.FileName, filespec, 0) + ">" + kCRLF,
                filespec, true);
    tree_text += "<" + vn::framework::AnsiToHexText(EncryptObjectStrings(key, tree, 0)) + "> " + ObjectRef(filespec);
  }
  tree_text += "]>>";
  WriteObject(tree_text, tree, true);
  WriteObject("<</EmbeddedFiles " + ObjectRef(tree) + ">>", names, true);

  std::string af;
  for (int32_t filespec : filespecs) af += (af.empty() ? "" : " ") + ObjectRef(filespec);
  return " /Names " + ObjectRef(names) + "/AF [" + af + "]";
}

}  // namespace vn::pdfwriter

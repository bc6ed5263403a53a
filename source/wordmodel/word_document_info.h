// The document properties of a Word-like document: the framework's author,
// title, creator, subject, keywords and comments, and ten more texts. Dates
// are kept as the text the document gives (YYYY-MM-DDTHH:MM:SS); date fields
// read them through WordDocumentDates.
#pragma once

#include <memory>

#include "framework/page_model.h"
#include "wordmodel/fields.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnWordDocumentInfo : public vn::framework::TvnDocumentInfo, public WordDocumentDates {
 public:
  using TvnDocumentInfo = vn::framework::TvnDocumentInfo;

  // The base copy, then the ten texts of this class when both sides are
  // Word document information.
  void Assign(const TvnDocumentInfo* ASource, TvnDocumentInfo* ADest) const override;
  std::unique_ptr<TvnDocumentInfo> Clone() const override;

  const String& GetLanguage() const { return FLanguage; }
  void SetLanguage(const String& Value) { FLanguage = Value; }
  const String& GetVersion() const { return FVersion; }
  void SetVersion(const String& Value) { FVersion = Value; }
  const String& GetModified() const override { return FModified; }
  void SetModified(const String& Value) { FModified = Value; }
  const String& GetRevision() const { return FRevision; }
  void SetRevision(const String& Value) { FRevision = Value; }
  const String& GetCreated() const override { return FCreated; }
  void SetCreated(const String& Value) { FCreated = Value; }
  const String& GetContentStatus() const { return FContentStatus; }
  void SetContentStatus(const String& Value) { FContentStatus = Value; }
  const String& GetLastPrinted() const override { return FLastPrinted; }
  void SetLastPrinted(const String& Value) { FLastPrinted = Value; }
  const String& GetIdentifier() const { return FIdentifier; }
  void SetIdentifier(const String& Value) { FIdentifier = Value; }
  const String& GetCategory() const { return FCategory; }
  void SetCategory(const String& Value) { FCategory = Value; }
  const String& GetLastModifiedBy() const { return FLastModifiedBy; }
  void SetLastModifiedBy(const String& Value) { FLastModifiedBy = Value; }

 private:
  String FLanguage;
  String FVersion;
  String FModified;
  String FRevision;
  String FCreated;
  String FContentStatus;
  String FLastPrinted;
  String FIdentifier;
  String FCategory;
  String FLastModifiedBy;
};

}  // namespace vn::wordmodel

// The engine level between the abstract export engine and a format engine:
// it keeps the document's outline entries for the format and takes over
// text formatting and table settings in the measurement unit. Also the base
// of an e-mail sender component (which sends nothing here).
#pragma once

#include <memory>
#include <vector>

#include "export/document_engine.h"

namespace vn::exporter {

class TvnEmailAdapter : public TvnBaseComponent {
 public:
  explicit TvnEmailAdapter(TvnBaseComponent* AOwner = nullptr) : TvnBaseComponent(AOwner) {}
  TvnEmailSettings& EMailSettings() { return FEmailSettings; }
  void SetEMailSettings(const TvnEmailSettings& value) { FEmailSettings.Assign(value); }
  virtual void SendEmail() {}

  std::function<void()> OnEmailConnected, OnEmailDisConnected, OnEmailSuccess;

 private:
  TvnEmailSettings FEmailSettings;
};

class TvnCustomPlainSheetEngine : public TvnCustomDocumentEngine {
 public:
  explicit TvnCustomPlainSheetEngine(TvnBaseComponent* AOwner = nullptr);

  // Starts a new, empty outline list, then the document.
  void BeginDoc() override;
  // Ends the document (the format reads the outline), then drops the outline.
  void EndDoc() override;

  // An outline entry pointing at a page position; -1 when no document is
  // started, ParentNode is not -1 or an earlier entry, or PageNumber is not
  // a page of the document.
  virtual int32_t AddTOCItem(const String& Title, int32_t ParentNode, int32_t PageNumber, double Top);
  // An outline entry pointing at an address.
  virtual int32_t AddTOCItem(const String& Title, int32_t ParentNode, const std::string& URL);
  // The outline entries of the started document (empty otherwise).
  const std::vector<TvnTOCItem>& TOCItems() const;

  TvnPlainSheetPreferences& Preferences() { return static_cast<TvnPlainSheetPreferences&>(TvnCustomDocumentEngine::Preferences()); }
  // Indents taken in the measurement unit.
  void SetTextFormatting(const TvnTextFormatting& value);
  // Column width, row height, title height and internal margin taken in the
  // measurement unit, with the two flags; nothing else.
  void SetTableSettings(const TvnTableSettings& value);

 protected:
  std::unique_ptr<TvnPreferences> NewPreferences() const override { return std::make_unique<TvnPlainSheetPreferences>(); }

 private:
  std::unique_ptr<std::vector<TvnTOCItem>> FTOCItemList;
};

}  // namespace vn::exporter

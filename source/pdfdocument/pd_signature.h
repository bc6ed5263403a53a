// The signature field of a PDF form and the settings of its signature.
// Filling the field prepares a signed save: it reserves a placeholder
// signature dictionary in the document (referred to by the field's V), copies
// the settings into the document's signature record and marks the document
// to be signed; the object layer's save writes the signature dictionary with
// its ByteRange and the room for Contents in the placeholder's place. The
// signing itself (certificates, digest, PKCS#7) is not done here.
//
// Ownership: a signature field owns its signature object (made on first
// use); the placeholder belongs to the document. Filling a field again
// reuses the placeholder its V already refers to.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pdfdocument/pd_form_field.h"
#include "runtime/datetime.h"
#include "runtime/strings.h"

namespace vn::pdfdoc {

enum class TvnSigSubfilter { sfX509RsaSha1, sfPkcs7Detached, sfPkcs7Sha1 };
enum class TvnSigCertLevel { clNoChange, clFillFormFields, clInsertAnnots };
enum TvnSigDisplayOption : uint8_t {
  sdoReason = 1,
  sdoName = 2,
  sdoDate = 4,
  sdoLogo = 8,
  sdoLabels = 16,
  sdoLocation = 32
};
using TvnSigDisplayOptions = uint8_t;
inline constexpr TvnSigDisplayOptions kAllSigDisplayOptions = 63;

// The SubFilter name of a subfilter ("adbe.pkcs7.sha1" ...).
const char* SubfilterName(TvnSigSubfilter AValue);

class TvnPDSignature : public vn::pdf::TvnPDElement {
 public:
  // Handler "Adobe.PPKLite", SubFilter sfPkcs7Sha1, CertLevel
  // clFillFormFields, every display option.
  TvnPDSignature();
  // Author, reason, location, contact information and the certify flag;
  // everything else empty, zero or false.
  TvnPDSignature(StringView AAuthorName, StringView AReason, StringView ALocation, StringView AContactInfo,
                 bool ACertifyDoc);

  const String& Author() const { return FAuthor; }
  void SetAuthor(StringView AValue) { FAuthor = String(AValue); }
  const String& ContactInfo() const { return FContactInfo; }
  void SetContactInfo(StringView AValue) { FContactInfo = String(AValue); }
  const String& Location() const { return FLocation; }
  void SetLocation(StringView AValue) { FLocation = String(AValue); }
  const String& Reason() const { return FReason; }
  void SetReason(StringView AValue) { FReason = String(AValue); }
  const String& name() const { return FName; }
  void SetName(StringView AValue) { FName = String(AValue); }
  bool CertifyDocument() const { return FCertifyDocument; }
  void SetCertifyDocument(bool AValue) { FCertifyDocument = AValue; }
  const std::string& Handler() const { return FFilter; }
  void SetHandler(const std::string& AValue) { FFilter = AValue; }
  TvnSigSubfilter SubFilter() const { return FSubfilter; }
  void SetSubFilter(TvnSigSubfilter AValue) { FSubfilter = AValue; }
  TvnSigCertLevel CertLevel() const { return FCerificationLevel; }
  void SetCertLevel(TvnSigCertLevel AValue) { FCerificationLevel = AValue; }
  const String& PFXFileName() const { return FPFXFileName; }
  void SetPFXFileName(StringView AValue) { FPFXFileName = String(AValue); }
  const String& PFXPassword() const { return FPFXPassword; }
  void SetPFXPassword(StringView AValue) { FPFXPassword = String(AValue); }
  vn::TDateTime DateTime() const { return FDateTime; }
  void SetDateTime(vn::TDateTime AValue) { FDateTime = AValue; }
  TvnSigDisplayOptions SigDispOptions() const { return FSigDispOptions; }
  void SetSigDispOptions(TvnSigDisplayOptions AValue) { FSigDispOptions = AValue; }

  // The four numbers of a ByteRange.
  void GetByteOffset(uint32_t& AOffset1, uint32_t& AOffset2, uint32_t& AOffset3, uint32_t& AOffset4) const;
  void SetByteOffset(uint32_t AOffset1, uint32_t AOffset2, uint32_t AOffset3, uint32_t AOffset4);
  // No validation is done: always false.
  bool Validate() const { return false; }

 private:
  String FAuthor;
  String FContactInfo;
  String FLocation;
  String FReason;
  String FName;
  bool FCertifyDocument = false;
  std::string FFilter;
  TvnSigSubfilter FSubfilter = TvnSigSubfilter::sfPkcs7Sha1;
  TvnSigCertLevel FCerificationLevel = TvnSigCertLevel::clNoChange;
  String FPFXPassword;
  String FPFXFileName;
  vn::TDateTime FDateTime = 0;
  uint32_t FOffset1 = 0;
  uint32_t FOffset2 = 0;
  uint32_t FOffset3 = 0;
  uint32_t FOffset4 = 0;
  TvnSigDisplayOptions FSigDispOptions = 0;
};

class TvnPDSignatureField : public TvnPDFormField {
 public:
  // The key that marks a signature dictionary as the placeholder a signed
  // save fills, and the size of the blank name it holds (the room the save
  // writes the signature dictionary into).
  static constexpr const char* kPlaceholderKey = "Vintrope";
  static constexpr size_t kPlaceholderBlanks = 3500;

  TvnPDSignatureField();
  TvnPDSignatureField(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                      vn::pdf::TvnPDBaseObject* ABaseObject);
  ~TvnPDSignatureField() override;
  std::unique_ptr<TvnPDFormField> Clone() const override { return std::make_unique<TvnPDSignatureField>(); }

  // The signature's settings, made on first use: the defaults, with Name,
  // Reason, Location, ContactInfo, Filter and ByteRange of a V dictionary.
  TvnPDSignature* Signature();
  // Keeps the settings, reserves the placeholder, refers to it from V and
  // marks the document to be signed when saved.
  void Fill(StringView APFXFileName, StringView APFXPassword, vn::TDateTime ADateTime, StringView AReason,
            StringView ALocation, StringView AContactInfo);
  void Fill(StringView APFXFileName, StringView APFXPassword, StringView AReason, StringView ALocation,
            StringView AContactInfo) {
    Fill(APFXFileName, APFXPassword, 0, AReason, ALocation, AContactInfo);
  }

  // MK CA.
  std::string NormalCaption();
  void SetNormalCaption(const std::string& AValue);
  bool Visible() const { return FVisible; }
  void SetVisible(bool AValue) { FVisible = AValue; }
  bool IsBlank() const { return FIsBlank; }
  vn::TStream* AppearanceImage() const { return FAppearanceImage; }
  void SetAppearanceImage(vn::TStream* AValue) { FAppearanceImage = AValue; }
  const String& AppearanceText() const { return FAppearanceText; }
  void SetAppearanceText(StringView AValue) { FAppearanceText = String(AValue); }

 private:
  // The placeholder dictionary (an indirect object of the document) and a
  // reference to it; null without a document.
  std::unique_ptr<vn::pdf::TvnPDIndirectRef> ReserveSignatureDictionary();

  std::string FNormalCaption;
  bool FVisible = false;
  bool FIsBlank = false;
  std::unique_ptr<TvnPDSignature> FSignature;
  vn::TStream* FAppearanceImage = nullptr;
  String FAppearanceText;
};

}  // namespace vn::pdfdoc

// TvnExPDFEngine: the PDF engine with interactive content, and TvnPDFEngine,
// the component the PDF document type creates. The interactive content
// (form fields, annotations and actions, custom metadata, attachments, the
// CCITT encoder) joins through the overrides here; a document without such
// content is written exactly as by the base engine.
//
// Interactive content: form fields (pdf_form_fields.h), annotations, page
// and document actions (pdf_annotations.h) are handed over while the
// document is started and written when it ends; page objects list their
// annotations and widgets (/Annots) and carry their open and close actions
// (/AA), the catalog the interactive form (/AcroForm) and the document's
// event scripts (/AA). A signed document (DigitalSignature().Enabled) gets
// its signature field on the field's page: its signature dictionary is
// reserved when the page starts, and once the whole file is written the
// dictionary is filled and the PKCS#7 signature of the file's two byte
// ranges is written into it (pdf_signature.cpp).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pdfwriter/pdf_annotations.h"
#include "pdfwriter/pdf_engine.h"
#include "pdfwriter/pdf_form_fields.h"
#include "pdfwriter/pdf_metadata.h"

namespace vn::platform {
class TvnSigningCertificate;
}

namespace vn::pdfwriter {

// The signing certificate cannot be used, the signature's page is not in
// the document, or the signature does not fit its reservation.
VN_DECLARE_EXCEPTION(EPDFSignatureError, vn::Exception);

class TvnExPDFEngine : public TvnCustomPDFEngine {
 public:
  explicit TvnExPDFEngine(TvnBaseComponent* AOwner = nullptr);
  ~TvnExPDFEngine() override;

  // Adds a form field to the current page (its rectangle in the
  // measurement unit, relative to the content band). The engine owns the
  // field from the call on. Refused, and freed, without a started document,
  // for a radio group without buttons, and for a field whose top-left
  // corner lies outside the band (a radio group drops those of its buttons
  // only); false then.
  bool AddFormItem(std::unique_ptr<TvnPDFFormField> AField);
  // Adds an annotation to the current page, like AddFormItem; a file
  // attachment's file is read here (EFOpenError when it cannot be). In a
  // PDF/A document, JavaScript and launch actions raise
  // ENotSupportedException.
  bool AddAnnotItem(std::unique_ptr<TvnPDFAnnot> AAnnot);
  // The open and close actions of the page PageNo, replacing those set
  // before for that page; refused without a started document.
  bool AddPageEventAction(std::unique_ptr<TvnPageEventAction> APageEventAction);
  // The document's event scripts; emptied when a document starts.
  TvnDocEventJSAction& DocEventJSAction() { return FDocEventJSAction; }

  // The fields and annotations of the document being written, in the order
  // added.
  const std::vector<std::unique_ptr<TvnPDFFormField>>& FormFields() const { return FPDFFormFields; }
  const std::vector<std::unique_ptr<TvnPDFAnnot>>& Annotations() const { return FAnnotList; }

  // A custom document-information property, written into the document's
  // XMP metadata (pdf_metadata.cpp). The engine takes it over; without a
  // started document it is dropped. EArgumentException when its name
  // cannot be an XML element name.
  void AddCustomDocInfo(std::unique_ptr<TvnPDFCustomDocInfo> ACustomDocInfo);
  // Embeds the file AAttachmentFilepath, the full path of a file named
  // AAttachmentName (a path not ending in that name is taken as its folder;
  // pdf_attachments.cpp).
  void AttachFile(const String& AAttachmentFilepath, const String& AAttachmentName) override;

 protected:
  // Loads the signing certificate of a signed document before anything is
  // written (EPDFSignatureError when it cannot be used), then starts the
  // document.
  void StartDocument() override;
  // Writes annotations, fields and the interactive form, the document's
  // scripts, then the rest of the file; a signed document is signed last.
  void EndDocument() override;
  // Lists the page's annotations and widgets in its /Annots.
  void EndPage() override;
  // The catalog entries; the screen resolution is set again afterwards.
  std::string WriteCatalog() override;
  // The page entries and the page's open and close actions.
  std::string WritePageObject() override;
  // The signature field's objects on its page.
  void WritePageStartObjects() override;
  bool CanSign() const override { return true; }
  // CCITT Group 3 (ifCCITT3) or Group 4 data of the picture (pdf_images.cpp).
  std::unique_ptr<vn::TMemoryStream> EncodeCCITT(const vn::platform::Bitmap& Bitmap,
                                                 vn::exporter::TvnOutputImageFormat Format) override;

 private:
  // ---- placing (pdf_annotations.cpp): a rectangle and points given in the
  // measurement unit, relative to the content band, as engine pixels of the
  // page; false when the top-left corner lies outside the band.
  bool PlaceRect(TvnRect& Rect);
  void PlacePoints(vn::exporter::TvnPoints& Points) const;
  // Engine pixels of page PageNo as the page's points (y up).
  double PageX(double X) const;
  double PageY(int32_t PageNo, double Y) const;
  std::string PageRectText(int32_t PageNo, const TvnRect& Rect) const;
  // A go-to action's coordinates as engine pixels.
  void PlaceAction(TvnAnnotAction* Action) const;
  // "n 0 R" of the page object of page PageNo; empty when not written.
  std::string PageRef(int32_t PageNo) const;

  // ---- annotations and actions (pdf_annotations.cpp)
  void WriteAnnotations();
  std::string AnnotationText(TvnPDFAnnot& Annot);
  // An action dictionary "<<...>>", its strings encrypted for object n;
  // empty for an action that cannot be written (a page that does not exist).
  std::string ActionText(const TvnAnnotAction& Action, int32_t n);
  // The destination array of a go-to action.
  std::string DestinationText(const TvnGoToAction& Action) const;
  void WriteDocEventScripts();
  // A text string as written between "<" and ">": UTF-16BE with its byte
  // order mark, encrypted for object n.
  std::string TextString(const String& Text, int32_t n) { return "<" + EncodeTextString(Text, n, 0) + ">"; }
  // Writes an embedded file stream of the bytes; its object number.
  int32_t WriteEmbeddedFile(const std::string& Data);
  std::string CurrentDateText() const;

  // ---- form fields (pdf_form_fields.cpp)
  void WriteFormFields();
  void WriteAcroForm();
  void WriteField(TvnPDFFormField& Field, int32_t Index);
  // The index in the font table of the simple TrueType font a field's text
  // is drawn in (made when missing), with the characters of the texts
  // recorded for its subset.
  int32_t FieldFontIndex(const TFont& Font, const std::vector<String>& Texts);
  // The standard fonts of the form: ZapfDingbats (check marks) and
  // Helvetica (the default appearance); their object numbers.
  int32_t ZapfDingbatsFont();
  int32_t HelveticaFont();
  // Writes a form XObject of the content; its object number.
  int32_t WriteAppearance(const std::string& Content, double Width, double Height, const std::string& Resources);
  std::string FontResources(int32_t FontIndex) const;
  // The appearance of a free-text annotation: the text wrapped into the
  // box (Alignment 0 left, 1 centre, 2 right).
  int32_t FreeTextAppearance(const String& Text, const TFont& Font, int32_t FontIndex, int Alignment, double Width,
                             double Height);

  // ---- the signature (pdf_signature.cpp)
  void PrepareSignature();
  void WriteSignatureObjects();
  int32_t WriteSignatureAppearance(double Width, double Height);
  void CompleteSignature(vn::TStream& Output, int64_t Start);
  // The signature widget's object number (0 before it is written).
  int32_t SignatureFieldNumber() const;
  void ReleaseSignature();

  int32_t FAcroForms = 0;
  int32_t FDocEventJS = 0;
  std::vector<std::unique_ptr<TvnPDFAnnot>> FAnnotList;
  std::vector<std::unique_ptr<TvnPDFFormField>> FPDFFormFields;
  std::vector<std::unique_ptr<TvnPageEventAction>> FPageEventActionList;
  TvnDocEventJSAction FDocEventJSAction;
  int32_t FZapfDingbatsObj = 0, FHelveticaObj = 0;

  // The signature being made.
  struct Signing;
  struct SigningDeleter {
    void operator()(Signing* signing) const;
  };
  std::unique_ptr<Signing, SigningDeleter> FSigning;
};

class TvnPDFEngine : public TvnExPDFEngine {
 public:
  using TvnExPDFEngine::TvnExPDFEngine;
};

}  // namespace vn::pdfwriter

// An action dictionary of a PDF file: its type (/S), the destination of a
// go-to action (/D: an explicit destination array, or the name of one
// looked up in the catalog's named destinations), the actions chained after
// it (/Next) and the file reference of the actions that name a file.
// Actions can also be made in memory without a dictionary.
#pragma once

#include <memory>
#include <vector>

#include "pdf/objects.h"
#include "pdfdocument/pd_destination.h"
#include "pdfdocument/pd_file_reference.h"

namespace vn::pdfdoc {

class TvnPDFDocumentHandler;

enum class TvnPDActionType {
  actionNone,
  actionGoTo,
  actionGoToR,
  actionGoToE,
  actionLaunch,
  actionThread,
  actionURI,
  actionSound,
  actionMovie,
  actionHide,
  actionNamed,
  actionSubmitForm,
  actionResetForm,
  actionImportData,
  actionJavaScript,
  actionSetOCGState,
  actionRendition,
  actionTrans,
  actionGoTo3DView
};

class TvnPDAction : public vn::pdf::TvnPDElement {
 public:
  // /Next chains nested in arrays deeper than this are not opened.
  static constexpr int kMaxNextNesting = 32;

  // Over an action dictionary (borrowed).
  TvnPDAction(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
              vn::pdf::TvnPDBaseObject* ABaseObject);
  // An action of that type without dictionary.
  TvnPDAction(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement, TvnPDActionType AActionType);
  // A go-to action in memory to the destination (owned from now on); the
  // destination document is only kept (borrowed).
  TvnPDAction(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
              std::unique_ptr<TvnqPDFDestination> ADest, vn::pdf::TvnObject* ADestDoc);
  // An action of that type naming the file (owned from now on).
  TvnPDAction(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement, TvnPDActionType AActionType,
              std::unique_ptr<TvnPDFileSpec> AFileSpec);
  ~TvnPDAction() override;

  // Read from /S while still actionNone: an unknown name gives actionNone,
  // no /S too. vn::ExBadPDFAction "Bad Action object" when /S is not a name.
  TvnPDActionType ActionType();
  void SetActionType(TvnPDActionType Value) { FActionType = Value; }
  // The destination of /D, made once: an explicit array, or the array that
  // a name or string names in the catalog. Null without /D, for a name that
  // names nothing, and for any other /D. An action made in memory gives the
  // destination it was made with.
  TvnqPDFDestination* Destination();
  // The actions of this action's own /Next (a dictionary, or an array of
  // dictionaries and nested arrays, in order), made once; empty without.
  const std::vector<std::unique_ptr<TvnPDAction>>& GetAllActions();
  // The file reference given to the constructor; for an action read
  // from a file, its /F (a string or a dictionary), wrapped once. Null
  // without either.
  TvnPDFileSpec* FileSpec();
  vn::pdf::TvnObject* DestDoc() const { return FDestDoc; }

 private:
  vn::pdf::TvnPDDictionary* Dict() const { return FBaseObject ? FBaseObject->AsDict() : nullptr; }
  void CollectNext(vn::pdf::TvnPDBaseObject* AValue, int ADepth);

  TvnPDFDocumentHandler* FHandler;
  TvnPDActionType FActionType = TvnPDActionType::actionNone;
  vn::pdf::TvnObject* FDestDoc = nullptr;
  std::vector<std::unique_ptr<TvnPDAction>> FNextActions;
  bool FNextCollected = false;
  std::unique_ptr<TvnqPDFDestination> FViewDestination;
  bool FDestinationRead = false;
  std::unique_ptr<TvnPDFileSpec> FFileSpec;
};

}  // namespace vn::pdfdoc

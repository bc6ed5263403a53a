// The process-wide format registry.
//
// TvnKELMFramework maps file extensions to document classes (readers and
// writers) and to viewer classes, and document classes to the navigation
// pages and viewer plug-ins of the viewer. The converter and the document
// manager find the reader of an input by its extension or, for a stream, by
// its leading bytes (PredictFormat), and the writer of an output by the
// output extension. The registry also collects the filter texts of open and
// save dialogs.
//
// Class references: a document class is a `TvnDocumentClass`, a pointer to
// the one `TvnDocumentClassInfo` of that C++ class for the whole process
// (`DocumentClassOf<T>()`); the entry holds the class name, the class-level
// capabilities and document type, and a factory (the virtual constructor).
// Two lookups give the same class exactly when they give the same pointer.
// Viewer, navigation-page and plug-in classes are `TvnComponentClassInfo`
// pointers that the viewer code defines (it derives its factories from that
// struct); the registry only stores and hands them out.
//
// Ownership: the registry owns none of the class entries (they live for the
// process) and never creates documents itself.
//
// Start-up: the library's start-up (vn::InitializeLibrary) creates the
// single registry and registers every format in start-up order; the
// registry itself knows no format. There are no static registrars.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <typeindex>
#include <typeinfo>
#include <type_traits>
#include <vector>

#include "framework/base_document.h"
#include "framework/page_model.h"
#include "runtime/containers.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::framework {

// The class-level description of one document class.
struct TvnDocumentClassInfo {
  String ClassName;
  std::type_index Type;
  TvnEngineCapabilities EngineCapabilities;
  TvnDocumentType DocumentType;
  std::function<std::unique_ptr<TvnBaseDocument>()> Factory;

  // The virtual constructor: a new, empty document of this class.
  std::unique_ptr<TvnBaseDocument> Create() const { return Factory(); }
  // True when ADocument's dynamic type is exactly this class.
  bool IsClassOf(const TvnBaseDocument* ADocument) const;
};
using TvnDocumentClass = const TvnDocumentClassInfo*;

// The class name of T without its namespaces ("TvnTIFFHandler").
String DocumentClassName(const std::type_info& AType);

// The one class entry of document class T for the process. T answers the
// static GetEngineCapabilities() and GetDocumentType() of the base document
// (hiding them with its own) and is created with its default constructor.
template <typename T>
TvnDocumentClass DocumentClassOf() {
  static_assert(std::is_base_of_v<TvnBaseDocument, T>, "a document class derives from TvnBaseDocument");
  static const TvnDocumentClassInfo Info{DocumentClassName(typeid(T)), std::type_index(typeid(T)),
                                         T::GetEngineCapabilities(), T::GetDocumentType(),
                                         []() -> std::unique_ptr<TvnBaseDocument> { return std::make_unique<T>(); }};
  return &Info;
}

// A viewer, navigation-page or viewer plug-in class. The viewer code derives
// its class entries (with their factories) from this.
struct TvnComponentClassInfo {
  virtual ~TvnComponentClassInfo() = default;
  String ClassName;
};
using TvnViewerClass = const TvnComponentClassInfo*;
using TvnNavPanePageClass = const TvnComponentClassInfo*;
using TvnViewerPluginClass = const TvnComponentClassInfo*;

class TvnKELMFramework : public TObject {
 public:
  TvnKELMFramework() = default;
  TvnKELMFramework(const TvnKELMFramework&) = delete;
  TvnKELMFramework& operator=(const TvnKELMFramework&) = delete;

  // Registration (during start-up).
  // Stores the class under the lower-cased extension (a later registration
  // of the extension replaces the earlier one) and adds the class's entries
  // to the open and save filter texts according to its capabilities; the
  // filter texts use Extention as given.
  void RegisterDocument(TvnDocumentClass ADocumentClass, const String& Extention, const String& Description);
  // Adds a viewer class under the extension as given ("*" is the fallback
  // viewer). A second registration of an extension raises EListError
  // "Duplicates not allowed" and keeps the first.
  void RegisterViewer(const String& Extention, TvnViewerClass ViewerClass);
  // Append to the list kept for the document class; duplicates are kept.
  void RegisterNavPanePage(TvnDocumentClass ADocumentClass, TvnNavPanePageClass ANavPanePageClass);
  void RegisterViewerPlugin(TvnDocumentClass ADocumentClass, TvnViewerPluginClass ViewerPluginClass);

  // Lookup.
  // The class registered for the lower-cased extension of the path (from the
  // last dot of the file name on); nil when none.
  TvnDocumentClass LookupDocument(const String& FilePath) const;
  // The class registered for PredictFormat(Stream); nil when none.
  TvnDocumentClass LookupDocument(vn::TStream* Stream) const;
  // The viewer registered for the extension; the "*" viewer when the
  // extension has only a document class; nil otherwise.
  TvnViewerClass LookupViewerController(const String& FilePath) const;
  TvnViewerClass LookupViewerController(vn::TStream* Stream) const;
  // The classes registered for the document's exact class, followed by those
  // registered for TvnBaseDocument itself.
  std::vector<TvnViewerPluginClass> LookpViewerPlugins(const TvnBaseDocument* ADocument) const;
  std::vector<TvnNavPanePageClass> LookupNavPanepage(const TvnBaseDocument* ADocument) const;
  // The registered class whose exact class is the document's; nil when its
  // class was never registered.
  TvnDocumentClass ClassOf(const TvnBaseDocument* ADocument) const;

  // "All Supported Documents |" + all extensions + "|" + one entry a class.
  String GetOpenDialogFilterString() const;
  String GetSaveDialogFilterString() const;

 private:
  vn::OrderedMap<String, TvnDocumentClass> DocumentClassList;
  vn::OrderedMap<String, TvnViewerClass> ViewerControllerList;
  std::map<TvnDocumentClass, std::vector<TvnNavPanePageClass>> NavigationPanePageList;
  std::map<TvnDocumentClass, std::vector<TvnViewerPluginClass>> ViewerPluginList;
  String FOpenAllExt;
  String FSaveAllExt;
  String FOpenDialogFilter;
  String FSaveDialogFilter;

  static std::vector<const TvnComponentClassInfo*> LookupFor(
      const std::map<TvnDocumentClass, std::vector<const TvnComponentClassInfo*>>& AList,
      const TvnBaseDocument* ADocument);
};

// The format of a stream by its leading bytes, as an extension with its dot
// (".pdf"), or the empty text when not recognised. Bytes the stream does not
// hold never match. A zip package is ".docx" when it holds
// "[Content_Types].xml" and "word/document.xml", ".zip" otherwise. The
// stream position is left after the leading bytes read; callers that read
// the stream afterwards seek first.
String PredictFormat(vn::TStream* Stream);

// The single registry; nil before CreateDocumentFramework and after
// FreeDocumentFramework.
TvnKELMFramework* DocumentFramework();
// Makes the single registry when none exists and returns it.
TvnKELMFramework& CreateDocumentFramework();
void FreeDocumentFramework();

}  // namespace vn::framework

// The class entries of the viewer's components in the format registry: a
// viewer class, a viewer plug-in class and a navigation-pane page class,
// each with its virtual constructor. The registry stores them as
// TvnComponentClassInfo pointers; the viewer code casts them back to these.
//
// One entry per C++ class for the whole process (ViewerPluginClassOf<T>(),
// NavPanePageClassOf<T>(), ViewerClassOf<T>()), so two lookups name the same
// class exactly when they give the same pointer.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <typeinfo>

#include "framework/format_registry.h"
#include "viewer/base_viewer.h"

namespace vn::viewer {

using vn::framework::TvnComponentClassInfo;

// A viewer control class: creates the control as a child of AOwner (the
// caller owns it when AOwner is null).
struct TvnViewerClassInfo : TvnComponentClassInfo {
  std::function<TvnBaseDocumentViewer*(QWidget* AOwner)> Factory;
  TvnBaseDocumentViewer* Create(QWidget* AOwner) const { return Factory(AOwner); }
};

// A viewer plug-in class: creates the plug-in for a loaded document shown in
// a viewer; the viewer owns the plug-in.
struct TvnViewerPluginClassInfo : TvnComponentClassInfo {
  std::function<std::unique_ptr<TvnqViewerPlugin>(TvnBaseDocument* ADocument, TvnBaseDocumentViewer* AViewer)>
      Factory;
  std::unique_ptr<TvnqViewerPlugin> Create(TvnBaseDocument* ADocument, TvnBaseDocumentViewer* AViewer) const {
    return Factory(ADocument, AViewer);
  }
};

// A navigation-pane page class: creates the page as a child of the pane for
// the viewer's document; the pane owns the page.
struct TvnNavPanePageClassInfo : TvnComponentClassInfo {
  std::function<TvnBaseNavigationPanePage*(QWidget* ANavigationPane, TvnBaseDocumentViewer* AViewer,
                                           TvnBaseDocument* ADocument)>
      Factory;
  TvnBaseNavigationPanePage* Create(QWidget* ANavigationPane, TvnBaseDocumentViewer* AViewer,
                                    TvnBaseDocument* ADocument) const {
    return Factory(ANavigationPane, AViewer, ADocument);
  }
};

// The registry's class name of T ("TvnFixedLayoutDocumentViewer").
inline String ComponentClassName(const std::type_info& AType) { return vn::framework::DocumentClassName(AType); }

// The one entry of viewer class T, made with T(QWidget* AOwner).
template <typename T>
const TvnViewerClassInfo* ViewerClassOf() {
  static const TvnViewerClassInfo Info = [] {
    TvnViewerClassInfo I;
    I.ClassName = ComponentClassName(typeid(T));
    I.Factory = [](QWidget* AOwner) -> TvnBaseDocumentViewer* { return new T(AOwner); };
    return I;
  }();
  return &Info;
}

// The one entry of plug-in class T, made with T(document, viewer).
template <typename T>
const TvnViewerPluginClassInfo* ViewerPluginClassOf() {
  static const TvnViewerPluginClassInfo Info = [] {
    TvnViewerPluginClassInfo I;
    I.ClassName = ComponentClassName(typeid(T));
    I.Factory = [](TvnBaseDocument* ADocument, TvnBaseDocumentViewer* AViewer) -> std::unique_ptr<TvnqViewerPlugin> {
      return std::make_unique<T>(ADocument, AViewer);
    };
    return I;
  }();
  return &Info;
}

// The one entry of pane page class T, made with T(pane, viewer, document).
template <typename T>
const TvnNavPanePageClassInfo* NavPanePageClassOf() {
  static const TvnNavPanePageClassInfo Info = [] {
    TvnNavPanePageClassInfo I;
    I.ClassName = ComponentClassName(typeid(T));
    I.Factory = [](QWidget* ANavigationPane, TvnBaseDocumentViewer* AViewer,
                   TvnBaseDocument* ADocument) -> TvnBaseNavigationPanePage* {
      return new T(ANavigationPane, AViewer, ADocument);
    };
    return I;
  }();
  return &Info;
}

}  // namespace vn::viewer

// The questions the viewer components put to the user (a line of text, a
// yes-or-no confirmation, an error notice) and the hand-over of a saved
// file to the program the desktop associates with it. One process-wide set
// of handlers, by default the Qt dialogs and the desktop services; tests
// put their own in place so that no dialog blocks.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace vn::viewer {

struct TvnUserPrompts {
  // Asks for a line of text: true with Value set when accepted, false when
  // cancelled (Value then stays as given).
  std::function<bool(QWidget* AParent, const QString& ACaption, const QString& APrompt, QString& Value)> InputQuery;
  // Asks a yes-or-no question; true for yes.
  std::function<bool(QWidget* AParent, const QString& ACaption, const QString& AText)> Confirm;
  // Tells the user about a failure.
  std::function<void(QWidget* AParent, const QString& ACaption, const QString& AText)> ShowError;
  // Opens the file with its associated program; false when that fails.
  std::function<bool(const QString& APath)> OpenDocument;
};

// The handlers in use (the Qt defaults until replaced).
TvnUserPrompts& UserPrompts();
// The Qt defaults.
TvnUserPrompts DefaultUserPrompts();

}  // namespace vn::viewer

// The password prompt the converter shows when no password handler is
// assigned. The converter reaches it only through IvnPasswordDialog, so a
// window (the application's form) or a script (tests, the command line) can
// stand behind it. The texts and geometry of the application's form are
// kept here with the interface.
#pragma once

#include "runtime/strings.h"

namespace vn::framework {

class IvnPasswordDialog {
 public:
  virtual ~IvnPasswordDialog() = default;
  // Shows the prompt modally under ACaption. True when the user confirmed
  // (APassword then holds the typed text); false when the prompt was
  // cancelled or closed in any other way.
  virtual bool Execute(const String& ACaption, String& APassword) = 0;
};

// The form's texts and geometry: a dialog-bordered window, client area 515
// by 127, centred on its owner; the edit masks every character with "*";
// OK is the default button; buttons are 75 by 25.
inline constexpr const char16_t* kPasswordDialogCaption = u"Password";
inline constexpr const char16_t* kPasswordDialogPrompt =
    u"This document is password protected. Please enter the document open password.";
inline constexpr const char16_t* kPasswordDialogLabel = u"Password";
inline constexpr const char16_t* kPasswordDialogOk = u"&Ok";
inline constexpr const char16_t* kPasswordDialogCancel = u"&Cancel";

}  // namespace vn::framework

// The viewer side of the library's start-up. The core libraries link no Qt,
// so InitializeLibrary() cannot register the viewer: a program that shows
// documents calls InitializeViewers() after InitializeLibrary(). It
// registers the fixed-layout viewer for the extensions it shows and for the
// fallback key "*", and the viewer plug-ins and navigation-pane pages for
// the document classes they serve.
#pragma once

namespace vn::viewer {

// Registers into the current format registry (nothing when there is none);
// calling it again for the same registry changes nothing.
void InitializeViewers();

// The extensions the fixed-layout viewer is registered for, in order, the
// fallback key "*" last.
extern const char16_t* const FixedLayoutViewerExtensions[19];

}  // namespace vn::viewer

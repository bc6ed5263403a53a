// Start-up of the whole library. A program (the command-line driver, the
// application) calls InitializeLibrary once before converting anything and
// FinalizeLibrary at the end.
//
// InitializeLibrary runs the start-up in one fixed order: the default canvas
// class of the page model, the export engine's metafile player and page
// canvas, the format registry, then every document format in the order of
// FormatRegistrations.
// Formats that are not built are simply absent from the table. No format
// registers itself.
#pragma once

#include <span>

#include "framework/format_registry.h"

namespace vn {

// One document format: its extension (with the dot), the description of
// the open and save filters, and its document class.
struct FormatRegistration {
  const char16_t* Extension;
  const char16_t* Description;
  framework::TvnDocumentClass (*DocumentClass)();
};

// Every format of the library, in start-up order.
std::span<const FormatRegistration> FormatRegistrations();

// Starts the library; calling it again while it runs changes nothing.
void InitializeLibrary();
// Frees the format registry.
void FinalizeLibrary();

}  // namespace vn

// Start-up of the whole library.
//
// The framework's registry registers the formats it knows itself; the
// document types of libraries built on the framework join through its
// registration hooks. vn::InitializeLibrary sets those hooks, installs the
// export engine's metafile player, and then starts the framework, so a
// program (the command-line driver, the application) calls this one
// function before converting anything and FinalizeLibrary at the end.
#pragma once

namespace vn {

// Call it before anything starts the framework on its own (a framework
// started first would lack the formats above it). Safe to call again: a
// started library stays as it is.
void InitializeLibrary();
void FinalizeLibrary();

}  // namespace vn

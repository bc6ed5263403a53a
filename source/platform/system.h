// Facts of the machine that the document code asks the system for: the
// reference screen (a fixed 96 dpi, as there is no screen on a server), the
// system colours, and opening a file with its associated program.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vn::platform {

constexpr int kScreenPixelsPerInch = 96;

// Opens a file or address with the user's associated program (xdg-open).
// Tests replace the opener; returns whether it was started.
bool OpenWithAssociatedProgram(const std::string& target);
void SetAssociatedProgramOpener(std::function<bool(const std::string&)> opener);

}  // namespace vn::platform

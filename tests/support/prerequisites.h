// What some tests need from the machine: outside programs used as oracles
// (qpdf, pdftoppm, tiffinfo, ...), files of installed packages (fonts) and
// locales. ./test.sh installs them all.
// Without one, the checks that need it are skipped; where the environment
// variable CI is set, a missing one also fails the running test, so a green
// CI run means every check ran.
#pragma once

#include <filesystem>
#include <string_view>

namespace vn::test_support {

// Whether the program `name` is on PATH.
bool HaveTool(std::string_view name);

// Whether `path` exists (a file or folder an installed package brings).
bool HaveFile(const std::filesystem::path& path);

// Whether the heavy oracle `name` (LibreOffice's soffice, ...) may run: only
// where the developer asks for it with VN_HEAVY_ORACLES=1 and it is on PATH.
// ./test.sh never installs or runs these, so their absence never fails a
// test, CI or not.
bool HaveHeavyTool(std::string_view name);

// Switches the process to the locale `name` (LC_ALL); false when the locale
// is not installed.
bool SetLocale(const char* name);

}  // namespace vn::test_support

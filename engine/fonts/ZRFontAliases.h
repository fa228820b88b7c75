#pragma once

#include <string_view>

/// The Windows font names and files that titles and skins use, mapped to the free fonts this
/// system installs (Liberation for the metric twins, DejaVu otherwise). Constant tables;
/// thread-safe.
namespace fonts {

/// The full face name that stands for the Windows face `name` (exact, case-sensitive match),
/// or null when `name` is not a Windows face name of the table.
const char* aliasFaceName(std::string_view name);

/// The free font file that stands for the Windows font file `fileName` (a bare name, compared
/// without regard to case as Windows does), or null.
const char* aliasFileName(std::string_view fileName);

} // namespace fonts

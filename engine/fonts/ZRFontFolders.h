#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>

/// Where font files are found: the program's own "fonts" folder beside the engine library and
/// the system font folders (nested, as distributions install them). Thread-safe: the lookups
/// keep no state but the index of `findInSystemFolders`, which has its own lock.
namespace fonts {

/// The "fonts" folder beside the engine library (absolute, no trailing "/"; decided once).
QString programFontFolder();

/// The existing system font folders, the user's first: $XDG_DATA_HOME/fonts, ~/.fonts, then
/// "fonts" below each of $XDG_DATA_DIRS.
QStringList systemFontFolders();

/// The folders that font discovery scans: the program's "fonts" folder (below `baseFolder`
/// when it is not empty, else beside the engine library), then the system font folders.
QStringList discoveryFolders(const QString& baseFolder);

/// The first system-wide font folder that exists ("/usr/share/fonts" when none does), decided
/// once per process.
QString systemFontFolder();

/// The first file named `fileName` (no folder part) below the system font folders, searched
/// recursively; the index is built on first use. Empty when there is none.
QString findInSystemFolders(const QString& fileName);

/// The existing files that the face file name `faceName` may stand for, best first: an
/// absolute path as it is; else the name in the program's folder, in the system folder and
/// anywhere below the system folders; then the same for the free font that the alias table
/// gives for a Windows font file name.
QStringList fontFileCandidates(const QString& faceName);

/// Writes `folder`, then "/" and `fileName` when it is not null, as UTF-8 into `out` of
/// `outSize` bytes; an empty text when it does not fit (nothing when `out` is null or 0 bytes).
void copyPath(char* out, size_t outSize, const QString& folder, const char* fileName);

} // namespace fonts

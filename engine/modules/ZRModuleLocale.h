#pragma once

#include <QString>

#include <cstdint>

/// The string lookup handed to modules (`ZRStringLookup` of zrplugin.h). One locale text is
/// loaded per process: id -1 loads the file named in `buffer` from the locale folder, id -2
/// releases it, any other id writes the text of the line "<id>:<separator><text>" into `buffer`
/// ("STRING-ID NOT FOUND!" when no line has it, "LOCALE-FILE NOT FOUND!" when nothing is loaded),
/// cut to `bufferSize` bytes with its NUL. A null buffer or a size below 1 does nothing.
/// Thread-safety: callable from any thread (a process-wide lock guards the loaded text).
void moduleLocaleString(int32_t id, char* buffer, int32_t bufferSize);

/// The folder locale files are loaded from ("<data folder>/locales/"); set by the module scan.
void zrSetModuleLocaleFolder(const QString& folder);

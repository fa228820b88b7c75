#pragma once

#include <QString>

/// Where the engine and the program keep their files on this system.
namespace platform {

/// The per-user state folder ($XDG_CONFIG_HOME/clipstead), created when missing. Holds the
/// files the system writes for itself: settings, the module cache, the engine log.
QString stateFolder();

/// The temporary folder for rendered frames ($XDG_CACHE_HOME/clipstead/temp), not created here.
QString tempFolder();

/// The folder of the shared object or program that holds `address`, with a trailing "/".
/// Empty when it cannot be found.
QString folderOfAddress(const void* address);

} // namespace platform

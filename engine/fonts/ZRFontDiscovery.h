#pragma once

#include "engine/fonts/ZRFontEntry.h"
#include "engine/util/ZRStringMap.h"

#include <QStringList>

#include <functional>

class ZRFont;

/// Registers every face of every TrueType file (".ttf", ".ttc") below `folders` (searched
/// recursively, files in name order) in `registry` under the face's full name, with the file's
/// absolute path and the face index, and calls `message("Font", name)` once per face. Files
/// that do not open are skipped. Uses `font` (locked for the call) to open the files.
/// Runs on the thread that makes the first timeline; `registry` is not locked.
void discoverFonts(ZRFont& font, const QStringList& folders, ZRStringMap<ZRFontEntry>& registry,
                   const std::function<void(const char* kind, const char* text)>& message);

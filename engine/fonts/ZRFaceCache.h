#pragma once

#include "engine/fonts/ZRKernTable.h"

#include <QString>

#include <mutex>

#include <ft2build.h>
#include FT_FREETYPE_H

/// The process-wide FreeType state: the library, the font mutex and the cache of open faces
/// shared by every font object. Created on first use and kept until the process ends.
/// Thread-safety: everything here, and every call into FreeType, runs under `fontMutex()`.
namespace fonts {

/// The one mutex of all FreeType work (not recursive). Taken after a font object's own mutex,
/// never before it.
std::mutex& fontMutex();

/// One open face of a font file, shared by the font objects that use it. The font file is
/// mapped once, whatever the number of its faces in use.
struct ZRFaceEntry {
    FT_Face face = nullptr;
    int faceIndex = 0;
    QString path;
    int references = 0;
    /// The face's format-0 kerning pairs (subtable 0); read by `faceKerning` on first need.
    ZRKernTable kerning;
    bool kerningRead = false;
    bool hasKerning = false;
};

/// Takes a reference on the face (`path`, `faceIndex`), opening it when no font object uses
/// it yet. Null when the file cannot be mapped, holds no such face or is not a scalable font.
ZRFaceEntry* acquireFace(const QString& path, int faceIndex);

/// Drops a reference taken by `acquireFace`; the last one closes the face and unmaps the file
/// when no other face of it is in use. Null is ignored.
void releaseFace(ZRFaceEntry* entry);

/// The face's kerning table when its subtable 0 holds usable format-0 pairs, else null. A
/// missing, corrupt or unsupported 'kern' table only means no kerning.
const ZRKernTable* faceKerning(ZRFaceEntry* entry);

/// Open faces and mapped files (for tests).
int openFaceCount();
int mappedFileCount();

} // namespace fonts

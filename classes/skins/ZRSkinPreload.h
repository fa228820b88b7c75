#pragma once

// The process-wide skin table: every skin file the program's widgets share, loaded once at
// start-up by preloadSkins() from "skins/default/" under the base folder (the executable's
// folder unless set), and the shared cursor table.
//
// Contract: preloadSkins() runs on the GUI thread after the application object exists and
// before any skinned widget is made; the table then stays unchanged until the process ends.
// Widgets borrow what the accessors hand out and never free it; the layer images are shared by
// every user and are only read. A file that failed to load gives null (after the loader's
// message); widgets cope with a null dictionary, set or layer.

#include "classes/skins/PSDLayerSet.h"

#include <QCursor>
#include <QString>

/// The folder that holds "skins/default/"; by default the executable's folder. Set before
/// preloadSkins() (tests point it at a folder of their own).
void setSkinBaseFolder(const QString& folder);
QString skinBaseFolder();

/// Loads the cursor table and every preloaded skin file, replacing what an earlier call loaded.
/// Without a QGuiApplication the cursors cannot be made: "Error in loading cursor resources" is
/// printed and the skins load anyway. Answers how many of the files loaded (0: no skins at all).
int preloadSkins();

/// Deletes the cursors. The skin dictionaries stay until the process ends.
void releaseSkins();

/// The layer sets of a preloaded skin file, by its base name ("combo_box" for
/// "skins/default/combo_box.psd"); null when not loaded, not grouped or not a preloaded file.
QDict<PSDLayerSet>* preloadedSkinSets(const char* fileName);

/// The layers of one set of a preloaded grouped skin file; null when the file or the set is
/// missing.
QDict<PSDLayer>* preloadedSkinSetLayers(const char* fileName, const char* setName);

/// The flat layers of a preloaded skin file kept flat ("sbtext", "timecode"), or, for a grouped
/// file, the layers left outside every set (with "</Merged layer>"); null when not loaded.
QDict<PSDLayer>* preloadedSkinLayers(const char* fileName);

/// Entry `index` (0..14) of the shared cursor table; null when out of range or not loaded.
QCursor* skinCursor(int index);

/// One preloaded file: its base name, whether it is grouped into sets, with set-relative
/// positions, and with the sets' opacity applied.
struct PreloadedSkinFile {
    const char* name;
    bool grouped;
    bool relative;
    bool setOpacity;
};

/// The preloaded files in load order.
extern const PreloadedSkinFile kPreloadedSkinFiles[45];

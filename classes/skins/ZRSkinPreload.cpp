#include "classes/skins/ZRSkinPreload.h"

#include "classes/skins/PSDImage.h"
#include "classes/skins/ZRSkinCursors.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <map>

#include <cstring>

const PreloadedSkinFile kPreloadedSkinFiles[45] = {
    {"sbtext", false, false, false},
    {"timecode", false, false, false},
    {"dialog_standard_button", true, true, true},
    {"engine_icons", true, true, true},
    {"preview_panel", true, true, true},
    {"preview_frame", true, true, true},
    {"recorder_player_buttons", true, true, true},
    {"profile_dialog_icons", true, false, true},
    {"vesk_modes_inner_frame", true, true, true},
    {"capture_buttons", true, true, true},
    {"capture_opt_tabs", true, true, true},
    {"combo_box", true, true, true},
    {"popup_box", true, true, true},
    {"standard_button_box", true, true, true},
    {"small_scrollbar", true, true, true},
    {"big_scrollbar", true, true, true},
    {"toolbox_buttons", true, true, true},
    {"text_align_buttons", true, true, true},
    {"text_faces", true, true, true},
    {"text_frame_toggle", true, true, true},
    {"text_animator", true, false, true},
    {"text_browse_tab", true, true, true},
    {"text_inner_frame", true, true, true},
    {"text_confirm_buttons", true, true, true},
    {"aspect", true, true, true},
    {"gradient_box", true, true, true},
    {"timeline_boxes", true, true, true},
    {"timeline_track_icons", true, true, true},
    {"timeline_tracks", true, true, true},
    {"timeline_cursor", true, true, true},
    {"progressbar", true, true, true},
    {"vesk_bar", true, true, true},
    {"markin_out_button", true, true, true},
    {"small_icon", true, true, true},
    {"storyboard_base", true, true, true},
    {"storyboard_frame", true, true, true},
    {"storyboard_button", true, true, false},
    {"timeline_button", true, true, false},
    {"capture_produce_tabs", true, true, true},
    {"capture_produce_icons", true, true, true},
    {"frame_bw_fw", true, true, true},
    {"trimmer_base", true, true, true},
    {"zrslider", true, true, true},
    {"jump_buttons", true, true, true},
    {"platinum_slider", true, true, true},
};

namespace {

struct LoadedSkin {
    std::unique_ptr<QDict<PSDLayer>> layers;
    std::unique_ptr<QDict<PSDLayerSet>> sets;
};

/* ** The table lives for the whole process, like the widgets' pointers into it. */
struct SkinTable {
    QString baseFolder;
    std::map<QByteArray, LoadedSkin> skins;
    std::array<std::unique_ptr<QCursor>, kSkinCursorCount> cursors;
};

SkinTable& table() {
    static SkinTable* t = new SkinTable;
    return *t;
}

const LoadedSkin* loaded(const char* fileName) {
    if (!fileName) return nullptr;
    const auto it = table().skins.find(QByteArray(fileName));
    return it == table().skins.end() ? nullptr : &it->second;
}

} // namespace

void setSkinBaseFolder(const QString& folder) {
    table().baseFolder = folder;
}

QString skinBaseFolder() {
    if (!table().baseFolder.isEmpty()) return table().baseFolder;
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString(".");
}

int preloadSkins() {
    SkinTable& t = table();
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        t.cursors = makeSkinCursors();
    else
        qWarning("Error in loading cursor resources");

    const QString folder = skinBaseFolder() + QStringLiteral("/skins/default/");
    t.skins.clear();
    int loadedFiles = 0;
    for (const PreloadedSkinFile& file : kPreloadedSkinFiles) {
        const QByteArray path = QFile::encodeName(folder + QLatin1String(file.name) + ".psd");
        LoadedSkin skin;
        skin.layers = LoadPSDImage(path.constData(), kPSDApplyLayerOpacity);
        if (file.grouped && skin.layers) {
            skin.sets = groupLayersIntoSets(skin.layers.get(), file.relative);
            if (file.setOpacity) applyLayerSetOpacity(skin.sets.get(), nullptr);
        }
        if (skin.layers) ++loadedFiles;
        t.skins[QByteArray(file.name)] = std::move(skin);
    }
    return loadedFiles;
}

void releaseSkins() {
    for (auto& cursor : table().cursors)
        cursor.reset();
}

QDict<PSDLayerSet>* preloadedSkinSets(const char* fileName) {
    const LoadedSkin* skin = loaded(fileName);
    return skin ? skin->sets.get() : nullptr;
}

QDict<PSDLayer>* preloadedSkinLayers(const char* fileName) {
    const LoadedSkin* skin = loaded(fileName);
    return skin ? skin->layers.get() : nullptr;
}

QDict<PSDLayer>* preloadedSkinSetLayers(const char* fileName, const char* setName) {
    QDict<PSDLayerSet>* sets = preloadedSkinSets(fileName);
    PSDLayerSet* set = sets ? sets->find(QString::fromLatin1(setName)) : nullptr;
    return set ? &set->layers : nullptr;
}

QCursor* skinCursor(int index) {
    if (index < 0 || index >= kSkinCursorCount) return nullptr;
    return table().cursors[size_t(index)].get();
}

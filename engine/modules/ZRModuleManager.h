#pragma once

#include "engine/base/ZRNameTable.h"
#include "engine/modules/ZRPluginModule.h"
#include "engine/util/ZRStringMap.h"

#include <QString>

#include <optional>
#include <string>

class ZREngineServices;

/// Finds the plug-in modules in the engine's folders, asks each for its display name, tells the
/// host of it and registers it (see `ZRModuleRegistry`); answers lookups by kind and names.
/// Folders: "PlugIns/import" holds single-entry modules directly; "PlugIns/videotrn" and
/// "PlugIns/videofx" hold one level of groups (sub-folders) of transitions and video effects.
/// Modules are the platform's shared objects ("*.so"); one that does not load, lacks its
/// required entry point or gives no name is skipped without a word.
/// Thread-safety: used on the host's thread; texts it answers live in the manager until its
/// next answer.
class ZRModuleManager {
public:
    using MessageFunction = void (*)(const char* kind, const char* text);

    /// `services` give the interface language handed to the modules asked.
    explicit ZRModuleManager(ZREngineServices& services) : m_services(services) {}

    /// The host's status-note entry, told (kind, display name) of each module registered.
    void setMessage(MessageFunction message) { m_message = message; }

    /// Starts a scan of the modules below `dataFolder`: the registry is emptied and module
    /// locale files are read from its "locales/" folder from now on.
    void startScan(const QString& dataFolder);
    /// Sub-folders of `folder` in name order, but ".", "..", "CVS" and names longer than a
    /// name-table entry holds.
    static int countModuleFolders(const QString& folder);
    /// Writes those names into consecutive slots of `table` from the first on.
    static void listModuleFolders(const QString& folder, ZRNameTable& table);
    /// The number of plain files in `folder`, whatever their names.
    static int countModuleFiles(const QString& folder);
    /// Registers the modules of one folder under `kind` (and `group`, when given) and writes
    /// their names into `names` from `firstSlot` on, always leaving its last slot empty; the
    /// number of modules registered.
    int scanModuleFolder(const QString& folder, const char* kind, const char* group,
                         ZRNameTable& names, size_t firstSlot);
    /// Scans every group named in `groups` (sub-folders of `folder`) and maps the group to the
    /// name table of its modules.
    void registerModuleFolders(const QString& folder, const char* kind, const ZRNameTable& groups,
                               ZRStringMap<ZRNameTable>& map);
    /// Lists, scans and registers the groups of a "Transition" or "Video Effect" folder; the
    /// table of group names.
    ZRNameTable registerModuleGroups(const QString& folder, const char* kind);

    /// Loads the module at `path` for one query: mode 1 its display name, mode 2 its
    /// description; null when the module cannot answer. The text lives until the next answer.
    const char* moduleNameOfKind(const char* kind, const QString& path, int mode);
    /// The module registered under (kind, a, b): mode 0 its file, modes 1 and 2 as
    /// `moduleNameOfKind`; null on a miss. The text lives until the next answer.
    const char* findModule(const char* kind, const char* a, const char* b, int mode);
    /// The file of the module registered under (kind, a, b); an import kind the engine suggests
    /// falls back to the media import module (see `zrImportAlias`). Nothing on a miss.
    static std::optional<QString> modulePath(const char* kind, const char* a, const char* b);

    /// Loads a single-entry module for a query and binds `zrPluginCall`; false when either
    /// fails (nothing stays loaded).
    bool loadPluginModule(const QString& path);
    void unloadPluginModule();

private:
    const char* answer(const QByteArray& text);

    ZREngineServices& m_services;
    MessageFunction m_message = nullptr;
    std::string m_text;
    ZRPluginModule m_plugin;
};

#include "engine/modules/ZRModuleManager.h"

#include "engine/base/ZREngineServices.h"
#include "engine/modules/ZRKindTables.h"
#include "engine/modules/ZRModuleLocale.h"
#include "engine/modules/ZRModuleRegistry.h"
#include "engine/modules/ZRTransitionModule.h"
#include "engine/modules/ZRVideoEffectModule.h"
#include "engine/process/ZREngine.h"

#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

namespace {

// The platform's suffix for modules.
const QStringList kModuleFilter{QStringLiteral("*.so")};

bool isKind(const char* kind, const char* name) {
    return kind && qstricmp(kind, name) == 0;
}

QStringList moduleFolders(const QString& folder) {
    QStringList names;
    const QStringList entries =
        QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : entries) {
        if (name == QLatin1String("CVS")) continue;
        // A group is found again by its name-table entry: it must fit one whole.
        if (name.toUtf8().size() >= int(ZRNameTable::kEntryBytes)) continue;
        names << name;
    }
    return names;
}

} // namespace

void ZRModuleManager::startScan(const QString& dataFolder) {
    ZRModuleRegistry::instance().clear();
    zrSetModuleLocaleFolder(dataFolder + QStringLiteral("locales/"));
}

int ZRModuleManager::countModuleFolders(const QString& folder) {
    return int(moduleFolders(folder).size());
}

void ZRModuleManager::listModuleFolders(const QString& folder, ZRNameTable& table) {
    const QStringList names = moduleFolders(folder);
    for (qsizetype i = 0; i < names.size(); ++i)
        table.set(size_t(i), names[i].toUtf8().toStdString());
}

int ZRModuleManager::countModuleFiles(const QString& folder) {
    return int(QDir(folder).entryList(QDir::Files).size());
}

int ZRModuleManager::scanModuleFolder(const QString& folder, const char* kind, const char* group,
                                      ZRNameTable& names, size_t firstSlot) {
    const QFileInfo where(folder);
    if (!where.isDir()) return 0;
    if (!where.isReadable()) {
        qWarning("ASSERT: \"%s\" in %s (%d)", "list", "ZRModule", __LINE__);
        return 0;
    }
    const QFileInfoList files = QDir(folder).entryInfoList(kModuleFilter, QDir::Files, QDir::Name);
    int registered = 0;
    for (const QFileInfo& file : files) {
        const size_t slot = firstSlot + size_t(registered);
        if (slot + 1 >= names.slotCount()) break;
        const QString path = file.absoluteFilePath();
        const char* name = moduleNameOfKind(kind, path, 1);
        if (!name) continue;
        names.set(slot, name);
        // The key takes the name as the table holds it, so that every listed name is found.
        const char* listed = names.entry(slot);
        if (m_message) m_message(kind, name);
        ZRModuleRegistry::instance().add(group ? ZRModuleRegistry::key(kind, group, listed)
                                               : ZRModuleRegistry::key(kind, listed, ""),
                                         path);
        ++registered;
    }
    return registered;
}

void ZRModuleManager::registerModuleFolders(const QString& folder, const char* kind,
                                            const ZRNameTable& groups,
                                            ZRStringMap<ZRNameTable>& map) {
    for (size_t i = 0; i < groups.slotCount(); ++i) {
        const char* group = groups.entry(i);
        if (!group[0]) break;
        const QString path = folder + QLatin1Char('/') + QString::fromUtf8(group);
        auto* names = new ZRNameTable(size_t(countModuleFiles(path)) + 1);
        scanModuleFolder(path, kind, group, *names, 0);
        map.insert(group, names);
    }
}

ZRNameTable ZRModuleManager::registerModuleGroups(const QString& folder, const char* kind) {
    ZRNameTable groups(size_t(countModuleFolders(folder)) + 1);
    listModuleFolders(folder, groups);
    if (ZRStringMap<ZRNameTable>* map = ZRModuleRegistry::instance().groups(kind))
        registerModuleFolders(folder, kind, groups, *map);
    return groups;
}

const char* ZRModuleManager::answer(const QByteArray& text) {
    m_text.assign(text.constData(), size_t(text.size()));
    return m_text.c_str();
}

const char* ZRModuleManager::moduleNameOfKind(const char* kind, const QString& path, int mode) {
    if (mode != 1 && mode != 2) return nullptr;
    const int32_t language = m_services.engineTables().language;
    if (isKind(kind, "Transition")) {
        ZRTransitionModule module;
        if (!module.bind(path) || !module.bindGUI(language) ||
            !module.queryInfo(language, moduleLocaleString))
            return nullptr;
        const std::string& text = mode == 1 ? module.name() : module.description();
        return answer(QByteArray::fromStdString(text).left(255));
    }
    if (isKind(kind, "Video Effect")) {
        ZRVideoEffectModule module;
        if (!module.bind(path) || !module.bindGUI(language) ||
            !module.queryInfo(language, moduleLocaleString))
            return nullptr;
        const std::string& text = mode == 1 ? module.name() : module.description();
        return answer(QByteArray::fromStdString(text).left(255));
    }
    if (isKind(kind, "Import")) {
        // Single-entry modules have a display name only.
        if (mode != 1 || !loadPluginModule(path)) return nullptr;
        const QByteArray name = m_plugin.displayName();
        unloadPluginModule();
        return name.isEmpty() ? nullptr : answer(name.left(255));
    }
    return nullptr;
}

std::optional<QString> ZRModuleManager::modulePath(const char* kind, const char* a, const char* b) {
    const ZRModuleRegistry& registry = ZRModuleRegistry::instance();
    std::optional<QString> path = registry.find(ZRModuleRegistry::key(kind, a, b));
    if (!path && isKind(kind, "Import") && (!b || !b[0])) {
        if (const char* alias = zrImportAlias(a))
            path = registry.find(ZRModuleRegistry::key(kind, alias, ""));
    }
    if (path && path->isEmpty()) return std::nullopt;
    return path;
}

const char* ZRModuleManager::findModule(const char* kind, const char* a, const char* b, int mode) {
    const std::optional<QString> path = modulePath(kind, a, b);
    if (!path) return nullptr;
    if (mode == 0) return answer(path->toUtf8());
    return moduleNameOfKind(kind, *path, mode);
}

bool ZRModuleManager::loadPluginModule(const QString& path) {
    return m_plugin.bind(path);
}

void ZRModuleManager::unloadPluginModule() {
    m_plugin.release();
}

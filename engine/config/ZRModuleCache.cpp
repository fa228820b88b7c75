#include "engine/config/ZRModuleCache.h"

#include "common/config/QConfig.h"
#include "platform/system/SystemPaths.h"

ZRModuleCache::ZRModuleCache(QString path) : m_path(std::move(path)) {}

ZRModuleCache::~ZRModuleCache() = default;

QString ZRModuleCache::path() const {
    if (!m_path.isEmpty()) return m_path;
    return platform::stateFolder() + QLatin1String("/tmp_modules.ini");
}

bool ZRModuleCache::openGroup(const char* first, const char* second) {
    if (!first || !second) return false;
    const QString group =
        QString::fromLocal8Bit(first) + QLatin1String("::") + QString::fromLocal8Bit(second);
    if (group.contains(QLatin1Char(']')) || group.contains(QLatin1Char('\n')) ||
        group.contains(QLatin1Char('\r')))
        return false;
    if (!m_config) {
        m_path = path();
        m_config = std::make_unique<QConfig>(m_path);
    }
    m_config->setGroup(group);
    m_keys = m_config->entryIterator(group);
    m_config->writeFile();
    return true;
}

const char* ZRModuleCache::currentKey() {
    if (!m_keys || m_keys->atEnd()) return nullptr;
    m_keyText = m_keys->current().key.toLocal8Bit();
    return m_keyText.constData();
}

const char* ZRModuleCache::firstKey() {
    if (!m_config) return nullptr;
    m_keys = m_config->entryIterator(m_config->group());
    return currentKey();
}

const char* ZRModuleCache::nextKey() {
    if (!m_keys || m_keys->atEnd()) return nullptr;
    m_keys->next();
    return currentKey();
}

int ZRModuleCache::readInt(const char* key) const {
    if (!m_config || !key) return 0;
    return m_config->readNumEntry(QString::fromLocal8Bit(key), 0);
}

bool ZRModuleCache::readBool(const char* key) const {
    if (!m_config || !key) return false;
    return m_config->readBoolEntry(QString::fromLocal8Bit(key), false);
}

double ZRModuleCache::readDouble(const char* key) const {
    if (!m_config || !key) return 0.0;
    return m_config->readDoubleNumEntry(QString::fromLocal8Bit(key), 0.0);
}

const char* ZRModuleCache::readString(const char* key) {
    if (!m_config || !key) return nullptr;
    const QString value = m_config->readEntry(QString::fromLocal8Bit(key));
    if (value.isNull()) return nullptr;
    m_valueText = value.toLocal8Bit();
    return m_valueText.constData();
}

template <typename T> void ZRModuleCache::write(const char* key, T value) {
    if (!m_config || !key) return;
    m_config->writeEntry(QString::fromLocal8Bit(key), value);
    m_config->writeFile();
}

void ZRModuleCache::writeString(const char* key, const char* value) {
    write(key, value);
}

void ZRModuleCache::writeDouble(const char* key, double value) {
    write(key, value);
}

void ZRModuleCache::writeBool(const char* key, bool value) {
    write(key, value);
}

void ZRModuleCache::writeInt(const char* key, int value) {
    write(key, value);
}

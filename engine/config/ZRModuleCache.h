#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QConfig;
class QConfigEntryIterator;

/// Typed access to one group ("first::second") at a time of the module cache file
/// "tmp_modules.ini", which keeps plug-in modules' settings between runs. The file is opened
/// on the first `openGroup` (created empty when missing) and every write saves it at once.
/// Texts handed out stay valid until the next call of the same kind (keys: firstKey/nextKey;
/// values: readString).
/// Thread-safety: confined to the thread that drives the timeline.
class ZRModuleCache {
public:
    /// `path` empty: "tmp_modules.ini" in the per-user state folder.
    explicit ZRModuleCache(QString path = QString());
    ~ZRModuleCache();
    ZRModuleCache(const ZRModuleCache&) = delete;
    ZRModuleCache& operator=(const ZRModuleCache&) = delete;

    /// Selects the group first + "::" + second and saves the file. False, with nothing
    /// changed, for a null name or one that cannot stand in a group header ("]", line breaks).
    bool openGroup(const char* first, const char* second);
    /// The first key of the current group; null before the first openGroup or when the group
    /// has no keys.
    const char* firstKey();
    /// The key after the previous one; null at the end.
    const char* nextKey();

    /// Missing keys (and every read before the first openGroup) give 0, false, 0.0, null.
    int readInt(const char* key) const;
    bool readBool(const char* key) const;
    double readDouble(const char* key) const;
    const char* readString(const char* key);

    /// Store in the current group and save; nothing happens before the first openGroup or
    /// for a null key.
    void writeString(const char* key, const char* value);
    void writeDouble(const char* key, double value);
    void writeBool(const char* key, bool value);
    void writeInt(const char* key, int value);

    /// The file's path once it is open, else the path it will have.
    QString path() const;

private:
    const char* currentKey();
    template <typename T> void write(const char* key, T value);

    QString m_path;
    std::unique_ptr<QConfig> m_config;
    std::unique_ptr<QConfigEntryIterator> m_keys;
    QByteArray m_keyText;
    QByteArray m_valueText;
};

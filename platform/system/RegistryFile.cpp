#include "platform/system/RegistryFile.h"

#include "platform/file/ReadWholeFile.h"
#include "platform/system/SystemPaths.h"

#include <string>

namespace platform {

namespace {

QString foldedKey(QStringView text) {
    return text.trimmed().toString().toCaseFolded();
}

} // namespace

RegistryFile RegistryFile::open() {
    return read(stateFolder() + QStringLiteral("/registry.ini"));
}

RegistryFile RegistryFile::read(const QString& path) {
    std::string text;
    if (!readWholeFile(path.toLocal8Bit().constData(), kMaximumBytes, text).ok()) return {};
    return parse(QByteArrayView(text.data(), qsizetype(text.size())));
}

RegistryFile RegistryFile::parse(QByteArrayView text) {
    RegistryFile registry;
    QHash<QString, QString>* values = nullptr;
    // Editors on other systems may start the file with a byte-order mark.
    if (text.startsWith("\xef\xbb\xbf")) text = text.sliced(3);
    const QString whole = QString::fromUtf8(text);
    for (QStringView line : QStringView(whole).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#')) continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.lastIndexOf(u']');
            values = close > 0 ? &registry.m_keys[foldedKey(line.mid(1, close - 1))] : nullptr;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!values || equals <= 0) continue;
        const QString name = foldedKey(line.left(equals));
        if (!name.isEmpty()) values->insert(name, line.mid(equals + 1).trimmed().toString());
    }
    return registry;
}

std::optional<QString> RegistryFile::value(QStringView keyPath, QStringView name) const {
    const auto key = m_keys.constFind(foldedKey(keyPath));
    if (key == m_keys.cend()) return std::nullopt;
    const auto found = key->constFind(foldedKey(name));
    if (found == key->cend()) return std::nullopt;
    return *found;
}

bool RegistryFile::hasKey(QStringView keyPath) const {
    return m_keys.contains(foldedKey(keyPath));
}

std::optional<QString> registryValue(QStringView keyPath, QStringView name) {
    return RegistryFile::open().value(keyPath, name);
}

} // namespace platform

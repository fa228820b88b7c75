// The program's additions to the configuration-file class: colours, byte arrays and long
// integers as values, and removing and renaming groups and entries.

#include "common/config/QConfig.h"

#include "platform/ini/IniSyntax.h"

#include <algorithm>

namespace {

int hexValue(QChar c) {
    const int u = c.unicode();
    if (u < ':') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return u - 87; // 'a'..'f' give 10..15
}

int colourPart(const QString& text) {
    return std::clamp(text.trimmed().toInt(), 0, 255);
}

} // namespace

QString QConfig::writeEntry(const QString& key, long value, bool persistent, bool global,
                            bool localised) {
    return writeEntry(key, QString::number(value), persistent, global, localised);
}

QString QConfig::writeEntry(const QString& key, unsigned long value, bool persistent, bool global,
                            bool localised) {
    return writeEntry(key, QString::number(value), persistent, global, localised);
}

QString QConfig::writeEntry(const QString& key, const QColor& value, bool persistent, bool global,
                            bool localised) {
    return writeEntry(key, QString::asprintf("%d,%d,%d", value.red(), value.green(), value.blue()),
                      persistent, global, localised);
}

QString QConfig::writeEntry(const QString& key, const QByteArray& value, bool persistent,
                            bool global, bool localised) {
    return writeEntry(key, QString::fromLatin1(value.toHex()), persistent, global, localised);
}

QColor QConfig::readColorEntry(const QString& key, const QColor* defaultValue) const {
    const QColor fallback = defaultValue ? *defaultValue : QColor();
    const QString text = readEntry(key, QString());
    if (text.isEmpty()) return fallback;
    if (text.startsWith(QLatin1Char('#'))) return QColor(text);
    const qsizetype first = text.indexOf(QLatin1Char(','));
    if (first < 0) return fallback;
    const qsizetype second = text.indexOf(QLatin1Char(','), first + 1);
    if (second < 0) return fallback;
    return QColor(colourPart(text.left(first)), colourPart(text.mid(first + 1, second - first - 1)),
                  colourPart(text.mid(second + 1)));
}

QByteArray QConfig::readByteArrayEntry(const QString& key, const QByteArray* defaultValue) const {
    const QString text = readEntry(key, QString());
    if (text.isEmpty()) return defaultValue ? *defaultValue : QByteArray();
    QByteArray bytes(text.size() / 2, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char((16 * hexValue(text.at(2 * i)) + hexValue(text.at(2 * i + 1))) & 0xFF);
    return bytes;
}

// The same answer as readEntry's null test, without copying a value that may be long.
bool QConfig::hasKey(const QString& key) const {
    const QConfigGroup* group = m_groups.find(m_group);
    return group && (group->find(QString(key + QLatin1String("[]"))) != QConfigGroup::npos ||
                     group->find(key) != QConfigGroup::npos);
}

QString QConfig::deleteEntry(const QString& key) {
    return removeEntry(key);
}

bool QConfig::deleteGroup(const QString& group, bool force) {
    const QConfigGroup* found =
        m_groups.find(group.isEmpty() ? QString::fromLatin1(kDefaultGroup) : group);
    if (!found || (found->size() > 0 && !force)) return false;
    const QString name = found->name(); // a copy: removing the group frees its own name
    return removeGroup(name);
}

bool QConfig::renameGroup(const QString& oldName, const QString& newName) {
    if (oldName.isEmpty() || newName.isEmpty() ||
        platform::ini::sameName(newName, QString::fromLatin1(kDefaultGroup)) ||
        newName.contains(QLatin1Char(']')) || newName.contains(QLatin1Char('\n')) ||
        newName.contains(QLatin1Char('\r')))
        return false;
    if (!m_groups.rename(oldName, newName)) return false;
    // The save removes the old name from the file and writes the moved entries anew; a
    // same-named group left behind is written anew too, or the removal would take it along.
    m_groups.find(newName)->markPersistentModified();
    if (QConfigGroup* left = m_groups.find(oldName); left && left != &m_groups.at(0))
        left->markPersistentModified();
    m_removedGroups.push_back(oldName);
    noteChange();
    return true;
}

#include "common/config/QConfig.h"

#include "platform/ini/IniSyntax.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#include <algorithm>
#include <cstdlib>

namespace {

// Limits of the "$NAME" expansion: an inserted value is expanded again, so a variable that
// names itself would otherwise never end.
constexpr int kMaxExpansions = 1000;
constexpr qsizetype kMaxExpandedLength = 1 << 20;

// How long a save waits for another writer of the same file.
constexpr int kLockWaitMs = 5000;

QString expandDollars(QString text) {
    if (text.isNull()) return text;
    qsizetype pos = 0;
    for (int expansions = 0; expansions < kMaxExpansions; ++expansions) {
        pos = text.indexOf(QLatin1Char('$'), pos);
        if (pos < 0 || text.size() > kMaxExpandedLength) break;
        if (pos + 1 < text.size() && text.at(pos + 1) == QLatin1Char('$')) {
            text.remove(pos, 1);
            ++pos;
            continue;
        }
        qsizetype end = pos + 1;
        while (end < text.size() && text.at(end).isLetterOrNumber())
            ++end;
        const QString name = text.mid(pos + 1, end - pos - 1);
        QString value;
        if (!name.isEmpty()) {
            const QByteArray variable = name.toLocal8Bit();
            if (qEnvironmentVariableIsSet(variable.constData()))
                value = qEnvironmentVariable(variable.constData());
        }
        text.replace(pos, end - pos, value);
    }
    return text;
}

// Only a regular file is read: opening a FIFO or a device would wait for a writer.
bool openRegularFile(QFile& file) {
    return QFileInfo(file.fileName()).isFile() && file.open(QIODevice::ReadOnly);
}

bool hasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

} // namespace

// --- QConfig -----------------------------------------------------------------

QConfig::QConfig(const QString& fileName, QObject* parent)
    : QConfig(Flavour::Engine, fileName, parent) {}

QConfig::QConfig(Flavour flavour, const QString& fileName, QObject* parent)
    : QObject(parent), m_flavour(flavour), m_fileName(fileName) {
    if (m_fileName.isEmpty()) return;
    QFile file(m_fileName);
    if (!file.exists()) file.open(QIODevice::WriteOnly);
    readFile();
}

QConfig::~QConfig() {
    writeFile();
}

void QConfig::setGroup(const QString& group) {
    m_group = group.isEmpty() ? QString::fromLatin1(kDefaultGroup) : group;
}

QString QConfig::group() const {
    return platform::ini::sameName(m_group, QString::fromLatin1(kDefaultGroup)) ? QString()
                                                                                : m_group;
}

QString QConfig::readEntry(const QString& key, const QString& defaultValue) const {
    QString result = defaultValue;
    if (const QConfigGroup* group = m_groups.find(m_group)) {
        size_t entry = group->find(QString(key + QLatin1String("[]")));
        if (entry == QConfigGroup::npos) entry = group->find(key);
        if (entry != QConfigGroup::npos) result = group->value(entry);
    }
    return expandDollars(result);
}

int QConfig::readNumEntry(const QString& key, int defaultValue) const {
    const QString text = readEntry(key);
    if (text.isNull()) return defaultValue;
    if (text == QLatin1String("true") || text == QLatin1String("on")) return 1;
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : 0;
}

double QConfig::readDoubleNumEntry(const QString& key, double defaultValue) const {
    const QString text = readEntry(key);
    if (text.isNull()) return defaultValue;
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? value : 0.0;
}

bool QConfig::readBoolEntry(const QString& key, bool defaultValue) const {
    const QString text = readEntry(key);
    if (text.isNull()) return defaultValue;
    if (text == QLatin1String("true") || text == QLatin1String("on")) return true;
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value != 0;
}

QString QConfig::storeEntry(const QString& key, const QString& value, bool persistent, bool global,
                            bool localised) {
    // What the reader could not give back as written is refused: a line break would split the
    // entry, "=" would cut the key, "]" would end the group name early.
    if (hasLineBreak(key) || hasLineBreak(value) || key.contains(QLatin1Char('=')) ||
        hasLineBreak(m_group) || m_group.contains(QLatin1Char(']')))
        return QString();
    QConfigGroup& group = m_groups.findOrAdd(m_group);
    const QString stored = localised ? key + QLatin1String("[]") : key;
    QString previous = QString(QLatin1String(""));
    const size_t entry = group.find(stored);
    if (entry != QConfigGroup::npos) previous = group.value(entry);
    if (!group.write(entry, stored, value, persistent, global, localised)) return QString();
    if (persistent) m_modified = true;
    return previous;
}

QString QConfig::writeEntry(const QString& key, const QString& value, bool persistent, bool global,
                            bool localised) {
    return storeEntry(key, value, persistent, global, localised);
}

QString QConfig::writeEntry(const QString& key, const char* value, bool persistent, bool global,
                            bool localised) {
    return storeEntry(key, decode(QByteArray(value)), persistent, global, localised);
}

QString QConfig::writeEntry(const QString& key, int value, bool persistent, bool global,
                            bool localised) {
    return storeEntry(key, QString::number(value), persistent, global, localised);
}

QString QConfig::writeEntry(const QString& key, double value, bool persistent, bool global,
                            bool localised) {
    return storeEntry(key, QString::asprintf("%.6g", value), persistent, global, localised);
}

QString QConfig::writeEntry(const QString& key, bool value, bool persistent, bool global,
                            bool localised) {
    return storeEntry(key, QLatin1String(value ? "true" : "false"), persistent, global, localised);
}

QString QConfig::removeEntry(const QString& key) {
    QConfigGroup* group = m_groups.find(m_group);
    if (!group) return QString(QLatin1String(""));
    QString previous = QString(QLatin1String(""));
    const size_t entry = group->find(key);
    if (entry != QConfigGroup::npos) previous = group->value(entry);
    group->remove(key);
    m_removedEntries.push_back({m_group, key});
    m_modified = true;
    return previous;
}

bool QConfig::removeGroup(const QString& name) {
    if (!m_groups.remove(name)) return false;
    m_removedGroups.push_back(name);
    m_modified = true;
    return true;
}

std::unique_ptr<QConfigEntryIterator> QConfig::entryIterator(const QString& name) const {
    const QConfigGroup* group =
        m_groups.find(name.isEmpty() ? QString::fromLatin1(kDefaultGroup) : name);
    if (!group) return nullptr;
    std::vector<QConfigEntry> entries;
    entries.reserve(group->size());
    for (size_t i = 0; i < group->size(); ++i)
        entries.push_back(group->entry(i));
    return std::make_unique<QConfigEntryIterator>(std::move(entries));
}

void QConfig::readFile() {
    QFile file(m_fileName);
    if (m_fileName.isEmpty() || !openRegularFile(file)) return;
    parseStream(&file, nullptr, false);
}

namespace {

// Fills groups with what a file holds.
class GroupFiller final : public platform::ini::Visitor {
public:
    GroupFiller(QConfigGroups& groups, bool global, bool verbatim)
        : m_groups(groups), m_group(groups.find(QString::fromLatin1(QConfig::kDefaultGroup))),
          m_global(global), m_verbatim(verbatim) {}
    void group(QStringView name) override { m_group = &m_groups.findOrAdd(name.toString()); }
    void entry(QStringView key, QStringView text) override {
        m_group->addRead(key, text, m_global, m_verbatim);
    }

private:
    QConfigGroups& m_groups;
    QConfigGroup* m_group;
    bool m_global;
    bool m_verbatim;
};

} // namespace

void QConfig::parseStream(QIODevice* device, QConfigGroups* target, bool global) {
    if (!device || !device->isOpen()) return;
    QConfigGroups& groups = target ? *target : m_groups;
    device->seek(0);
    GroupFiller filler(groups, global, m_flavour == Flavour::Program);
    platform::ini::read(*device,
                        m_flavour == Flavour::Engine ? platform::ini::Encoding::Local8Bit
                                                     : platform::ini::Encoding::Utf8,
                        filler);
    for (size_t g = 0; g < groups.size(); ++g)
        groups.at(g).squeeze();
}

QString QConfig::decode(const QByteArray& bytes) const {
    return m_flavour == Flavour::Engine ? QString::fromLocal8Bit(bytes) : QString::fromUtf8(bytes);
}

QByteArray QConfig::encode(QStringView text) const {
    return m_flavour == Flavour::Engine ? text.toLocal8Bit() : text.toUtf8();
}

bool QConfig::writeGroups(QIODevice* device, const QConfigGroups& groups) const {
    // The engine's files keep the line end they have always had; the program's settings file is
    // the user's and takes the platform's. Reading accepts both.
    const char* lineEnd = m_flavour == Flavour::Engine ? "\r\n" : "\n";
    QByteArray out(m_flavour == Flavour::Engine ? kHeaderLine : kProgramHeaderLine);
    out += lineEnd;
    for (size_t g = 0; g < groups.size(); ++g) {
        const QConfigGroup& group = groups.at(g);
        if (g != 0) out += '[' + encode(group.name()) + ']' + lineEnd;
        for (size_t i = 0; i < group.size(); ++i) {
            // A key read from " #x=1" or " [x]=1" keeps its leading blank, or it would come
            // back as a comment or a group header; the reader strips the blank again.
            const QStringView key = group.key(i);
            if (key.startsWith(QLatin1Char('#')) || key.startsWith(QLatin1Char('['))) out += ' ';
            out += encode(key) + '=' + encode(group.text(i)) + lineEnd;
        }
    }
    return device->write(out) == out.size();
}

bool QConfig::writeStream(QIODevice* device) {
    if (!device) return false;
    const bool opened = !device->isOpen();
    if (opened && !device->open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const bool ok = writeGroups(device, m_groups);
    if (opened) device->close();
    return ok;
}

void QConfig::clearModified(bool deep) {
    m_modified = false;
    if (!deep) return;
    for (size_t g = 0; g < m_groups.size(); ++g)
        m_groups.at(g).clearModified();
}

// Removals first, so that a key or group removed and written again ends up with the new value.
void QConfig::applyChanges(QConfigGroups& target) const {
    for (const QString& name : m_removedGroups)
        target.remove(name);
    for (const RemovedEntry& removed : m_removedEntries)
        if (QConfigGroup* group = target.find(removed.group)) group->remove(removed.key);
    for (size_t g = 0; g < m_groups.size(); ++g) {
        const QConfigGroup& group = m_groups.at(g);
        QConfigGroup* into = nullptr;
        for (size_t i = 0; i < group.size(); ++i) {
            if (!group.isModified(i) || !group.isPersistent(i)) continue;
            if (!into) into = &target.findOrAdd(group.name());
            size_t existing = into->find(group.key(i));
            into->copy(existing, group, i);
            if (existing == QConfigGroup::npos) existing = into->size() - 1;
            into->clearModified(existing);
        }
    }
}

bool QConfig::writeFile() {
    if (m_fileName.isEmpty()) return false;
    QLockFile lock(m_fileName + QLatin1String(".lock"));
    if (!lock.tryLock(kLockWaitMs)) return false;

    QConfigGroups merged;
    QFile current(m_fileName);
    if (openRegularFile(current))
        parseStream(&current, &merged, false);
    else if (current.exists())
        return false; // what others saved there cannot be kept, nor a FIFO or device replaced
    current.close();
    applyChanges(merged);

    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly)) return false;
    // The whole file usually fits the device's buffer, so the write itself cannot fail and a
    // full disk shows only in the flush. commit() flushes too but renames the short temporary
    // over the target even when that flush fails: flushed and checked first, the old file stays.
    if (!writeGroups(&file, merged) || !file.flush() || !file.commit()) return false;

    // Entries written only for this session stay in memory over the saved content.
    for (size_t g = 0; g < m_groups.size(); ++g) {
        const QConfigGroup& group = m_groups.at(g);
        QConfigGroup* into = nullptr;
        for (size_t i = 0; i < group.size(); ++i) {
            if (group.isPersistent(i)) continue;
            if (!into) into = &merged.findOrAdd(group.name());
            into->copy(into->find(group.key(i)), group, i);
        }
    }
    m_groups = std::move(merged);
    m_removedEntries.clear();
    m_removedGroups.clear();
    m_modified = false;
    return true;
}

void QConfig::reload() {
    m_groups = QConfigGroups();
    m_removedEntries.clear();
    m_removedGroups.clear();
    m_modified = false;
    readFile();
}

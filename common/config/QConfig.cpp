#include "common/config/QConfig.h"

#include "platform/ini/IniSyntax.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>

namespace {

// Limits of the "$NAME" expansion: an inserted value is expanded again, so a variable that
// names itself would otherwise never end.
constexpr int kMaxExpansions = 1000;
constexpr qsizetype kMaxExpandedLength = 1 << 20;

// How long a save waits for another writer of the same file.
constexpr int kLockWaitMs = 5000;
// How often the end of a background save is looked for.
constexpr int kSaveWatchMs = 20;

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

// What readEntry turns back into the text itself.
QString escapeDollars(const QString& text) {
    if (!text.contains(QLatin1Char('$'))) return text;
    QString escaped = text;
    escaped.replace(QLatin1Char('$'), QLatin1String("$$"));
    return escaped;
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
    readWholeFile();
}

// The stamp is kept only when the file did not change while it was read.
void QConfig::readWholeFile() {
    const FileStamp before = stampOf(m_fileName);
    readFile();
    m_stamp = before.valid && stampOf(m_fileName) == before ? before : FileStamp();
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

// A line longer than the reader takes would be lost at the next start; encoded only when the
// text could come near the limit.
bool QConfig::fitsOneLine(const QString& key, const QString& text) const {
    const qsizetype units = key.size() + text.size() + 3; // " ", "=" or "[" and "]"
    if (units * 3 <= kMaxLineBytes) return true;
    return encode(key).size() + encode(text).size() + 3 <= kMaxLineBytes;
}

QString QConfig::storeEntry(const QString& key, const QString& value, bool persistent, bool global,
                            bool localised) {
    // What the reader could not give back as written is refused: a line break would split the
    // entry, "=" would cut the key, "]" would end the group name early.
    if (hasLineBreak(key) || hasLineBreak(value) || key.contains(QLatin1Char('=')) ||
        hasLineBreak(m_group) || m_group.contains(QLatin1Char(']')))
        return QString();
    // Every read expands "$NAME": the program's own texts (a title "Only $5", a folder named
    // "$work") are written with "$$" so that they read back as they were. The engine's files
    // stay unescaped, since the export modules read them without any expansion.
    const QString text = m_flavour == Flavour::Program ? escapeDollars(value) : value;
    if (!fitsOneLine(key, text) || !fitsOneLine(m_group, QString())) return QString();
    QConfigGroup& group = m_groups.findOrAdd(m_group);
    const QString stored = localised ? key + QLatin1String("[]") : key;
    QString previous = QString(QLatin1String(""));
    const size_t entry = group.find(stored);
    if (entry != QConfigGroup::npos) previous = expandDollars(group.value(entry));
    if (!group.write(entry, stored, text, persistent, global, localised)) return QString();
    if (persistent) noteChange();
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
    if (entry != QConfigGroup::npos) previous = expandDollars(group->value(entry));
    group->remove(key);
    m_removedEntries.push_back({m_group, key});
    noteChange();
    return previous;
}

bool QConfig::removeGroup(const QString& name) {
    if (!m_groups.remove(name)) return false;
    m_removedGroups.push_back(name);
    noteChange();
    return true;
}

QStringList QConfig::groupList() const {
    QStringList names;
    names.reserve(qsizetype(m_groups.size()));
    for (size_t i = 0; i < m_groups.size(); ++i)
        names << m_groups.at(i).name();
    return names;
}

std::unique_ptr<QConfigEntryIterator> QConfig::entryIterator(const QString& name) const {
    const QConfigGroup* group =
        m_groups.find(name.isEmpty() ? QString::fromLatin1(kDefaultGroup) : name);
    if (!group) return nullptr;
    std::vector<QConfigEntry> entries;
    entries.reserve(group->size());
    for (size_t i = 0; i < group->indexEnd(); ++i) {
        if (group->isRemoved(i)) continue;
        entries.push_back(group->entry(i));
        entries.back().value = expandDollars(entries.back().value);
    }
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
    void asciiEntry(QStringView key, const QByteArray& file, qsizetype at,
                    qsizetype length) override {
        m_group->addReadAscii(key, file, at, length, m_global, m_verbatim);
    }

private:
    QConfigGroups& m_groups;
    QConfigGroup* m_group;
    bool m_global;
    bool m_verbatim;
};

} // namespace

void QConfig::readGroups(QIODevice& device, Flavour flavour, QConfigGroups& groups, bool global) {
    device.seek(0);
    GroupFiller filler(groups, global, flavour == Flavour::Program);
    platform::ini::read(device,
                        flavour == Flavour::Engine ? platform::ini::Encoding::Local8Bit
                                                   : platform::ini::Encoding::Utf8,
                        filler);
    for (size_t g = 0; g < groups.size(); ++g)
        groups.at(g).squeeze();
}

void QConfig::parseStream(QIODevice* device, QConfigGroups* target, bool global) {
    if (!device || !device->isOpen()) return;
    // Read into what the object holds, the groups are no longer the file's alone.
    if (!target) m_stamp = FileStamp();
    readGroups(*device, m_flavour, target ? *target : m_groups, global);
}

QString QConfig::decode(const QByteArray& bytes) const {
    return m_flavour == Flavour::Engine ? QString::fromLocal8Bit(bytes) : QString::fromUtf8(bytes);
}

QByteArray QConfig::encode(QStringView text) const {
    return encodeText(m_flavour, text);
}

QByteArray QConfig::encodeText(Flavour flavour, QStringView text) {
    return flavour == Flavour::Engine ? text.toLocal8Bit() : text.toUtf8();
}

bool QConfig::writeGroups(QIODevice* device, Flavour flavour, const QConfigGroups& groups) {
    // The engine's files keep the line end they have always had; the program's settings file is
    // the user's and takes the platform's. Reading accepts both.
    const char* lineEnd = flavour == Flavour::Engine ? "\r\n" : "\n";
    QByteArray out(flavour == Flavour::Engine ? kHeaderLine : kProgramHeaderLine);
    out += lineEnd;
    for (size_t g = 0; g < groups.size(); ++g) {
        const QConfigGroup& group = groups.at(g);
        if (g != 0) out += '[' + encodeText(flavour, group.name()) + ']' + lineEnd;
        for (size_t i = 0; i < group.indexEnd(); ++i) {
            if (group.isRemoved(i)) continue;
            // A key read from " #x=1" or " [x]=1" keeps its leading blank, or it would come
            // back as a comment or a group header; the reader strips the blank again.
            const QStringView key = group.key(i);
            if (key.startsWith(QLatin1Char('#')) || key.startsWith(QLatin1Char('['))) out += ' ';
            out += encodeText(flavour, key) + '=';
            // ASCII reads the same in either encoding: a text kept as read goes out as it is.
            if (group.isAscii(i))
                out += group.asciiText(i);
            else
                out += encodeText(flavour, group.text(i));
            out += lineEnd;
        }
    }
    return device->write(out) == out.size();
}

bool QConfig::writeStream(QIODevice* device) {
    if (!device) return false;
    const bool opened = !device->isOpen();
    if (opened && !device->open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const bool ok = writeGroups(device, m_flavour, m_groups);
    if (opened) device->close();
    return ok;
}

void QConfig::clearModified(bool deep) {
    m_modified = false;
    if (!deep) return;
    // Changes no longer marked are not saved: the groups held are no longer the file's.
    m_stamp = FileStamp();
    for (size_t g = 0; g < m_groups.size(); ++g)
        m_groups.at(g).clearModified();
}

void QConfig::noteChange() {
    m_modified = true;
    ++m_changes;
    // Started by the first change and not pushed back by later ones: a steady stream of changes
    // still reaches the file within the delay.
    if (m_autoSave && !m_autoSave->isActive()) m_autoSave->start();
}

// Removals first, so that a key or group removed and written again ends up with the new value.
void QConfig::applyChanges(const Changes& changes, QConfigGroups& target) {
    for (const QString& name : changes.removedGroups)
        target.remove(name);
    for (const RemovedEntry& removed : changes.removedEntries)
        if (QConfigGroup* group = target.find(removed.group)) group->remove(removed.key);
    for (size_t g = 0; g < changes.groups.size(); ++g) {
        const QConfigGroup& group = changes.groups.at(g);
        QConfigGroup* into = nullptr;
        for (size_t i = 0; i < group.indexEnd(); ++i) {
            if (group.isRemoved(i) || !group.isModified(i) || !group.isPersistent(i)) continue;
            if (!into) into = &target.findOrAdd(group.name());
            size_t existing = into->find(group.key(i));
            into->copy(existing, group, i);
            if (existing == QConfigGroup::npos) existing = into->indexEnd() - 1;
            into->clearModified(existing);
        }
    }
}

QConfig::FileStamp QConfig::stampOf(const QString& fileName) {
    struct stat info {};
    if (::stat(QFile::encodeName(fileName).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    return {true,
            quint64(info.st_dev),
            quint64(info.st_ino),
            qint64(info.st_size),
            qint64(info.st_mtim.tv_sec),
            qint64(info.st_mtim.tv_nsec)};
}

QConfig::SaveResult QConfig::saveMerged(const QString& fileName, Flavour flavour,
                                        const Changes& changes, const FileStamp& unchangedSince,
                                        QConfigGroups& merged) {
    QLockFile lock(fileName + QLatin1String(".lock"));
    if (!lock.tryLock(kLockWaitMs)) return {};

    // The groups held are the file as read or saved last plus the changes, made in the order
    // the merge would make them: while nobody else wrote the file since, they are what the
    // merge would give, and reading the file again (most of a large file's save) is spared.
    const bool whole = unchangedSince.valid && stampOf(fileName) == unchangedSince;
    if (!whole) {
        QFile current(fileName);
        if (openRegularFile(current))
            readGroups(current, flavour, merged, false);
        else if (current.exists())
            return {}; // what others saved there cannot be kept, nor a FIFO or device replaced
        current.close();
        applyChanges(changes, merged);
    }

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) return {};
    // The whole file usually fits the device's buffer, so the write itself cannot fail and a
    // full disk shows only in the flush. commit() flushes too but renames the short temporary
    // over the target even when that flush fails: flushed and checked first, the old file stays.
    if (!writeGroups(&file, flavour, whole ? changes.groups : merged) || !file.flush() ||
        !file.commit())
        return {};
    return {true, whole, stampOf(fileName)};
}

bool QConfig::isWholeFile() const {
    if (!m_stamp.valid || m_groups.hasSharedNames()) return false;
    // An entry kept for this session only may hide the file's value of its key.
    for (size_t g = 0; g < m_groups.size(); ++g) {
        const QConfigGroup& group = m_groups.at(g);
        for (size_t i = 0; i < group.indexEnd(); ++i)
            if (!group.isRemoved(i) && !group.isPersistent(i)) return false;
    }
    return true;
}

bool QConfig::writeFile() {
    if (m_fileName.isEmpty()) return false;
    // A save still running in the background goes first: it would otherwise put older values
    // over the ones written now.
    finishBackgroundSave();
    if (m_autoSave) m_autoSave->stop();

    QConfigGroups merged;
    const FileStamp stamp = isWholeFile() ? m_stamp : FileStamp();
    Changes changes{std::move(m_groups), std::move(m_removedEntries), std::move(m_removedGroups)};
    const SaveResult saved = saveMerged(m_fileName, m_flavour, changes, stamp, merged);
    m_groups = std::move(changes.groups);
    m_removedEntries = std::move(changes.removedEntries);
    m_removedGroups = std::move(changes.removedGroups);
    if (!saved.ok) return false;
    if (saved.whole) {
        clearModified(true);
        m_removedEntries.clear();
        m_removedGroups.clear();
        m_stamp = saved.stamp;
        return true;
    }
    m_stamp = saved.stamp;

    // Entries written only for this session stay in memory over the saved content.
    for (size_t g = 0; g < m_groups.size(); ++g) {
        const QConfigGroup& group = m_groups.at(g);
        QConfigGroup* into = nullptr;
        for (size_t i = 0; i < group.indexEnd(); ++i) {
            if (group.isRemoved(i) || group.isPersistent(i)) continue;
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

void QConfig::setAutoSave(int delayMs) {
    if (delayMs <= 0 || m_fileName.isEmpty()) {
        delete m_autoSave;
        m_autoSave = nullptr;
        return;
    }
    if (!m_autoSave) {
        m_autoSave = new QTimer(this);
        m_autoSave->setSingleShot(true);
        connect(m_autoSave, &QTimer::timeout, this, [this] { saveInBackground(); });
    }
    m_autoSave->setInterval(delayMs);
    if (m_modified && !m_autoSave->isActive()) m_autoSave->start();
}

bool QConfig::saveInBackground() {
    if (m_fileName.isEmpty() || !m_modified) return false;
    if (m_save && !m_save->done.load()) {
        // One save at a time; the changes since wait for the next turn.
        if (m_autoSave) m_autoSave->start();
        return false;
    }
    finishBackgroundSave();
    if (!m_modified) return false;

    // The copy shares the characters of every group with this object (implicitly shared
    // pools), so taking it costs the entries' offsets only; the thread lets go of it before it
    // reports back, so that the next write here copies nothing.
    m_save = std::make_unique<BackgroundSave>();
    BackgroundSave* save = m_save.get();
    save->changes = {m_groups.clone(), m_removedEntries, m_removedGroups};
    save->serial = m_changes;
    const FileStamp stamp = isWholeFile() ? m_stamp : FileStamp();
    save->stamp = stamp;
    save->thread = std::thread([save, stamp, fileName = m_fileName, flavour = m_flavour] {
        QConfigGroups merged;
        save->result = saveMerged(fileName, flavour, save->changes, stamp, merged);
        save->changes = Changes();
        save->done = true;
    });
    // The end is looked for from this object's thread rather than posted from the saving one:
    // the flag and the join are all the two threads share. Without an application object there
    // is no event loop to look: the next save or the destructor takes the end.
    if (!QCoreApplication::instance()) return true;
    if (!m_saveWatch) {
        m_saveWatch = new QTimer(this);
        m_saveWatch->setInterval(kSaveWatchMs);
        connect(m_saveWatch, &QTimer::timeout, this, [this] {
            if (!m_save || m_save->done.load()) finishBackgroundSave();
        });
    }
    m_saveWatch->start();
    return true;
}

bool QConfig::isSaving() const {
    return m_save && !m_save->done.load();
}

void QConfig::finishBackgroundSave() {
    if (m_saveWatch) m_saveWatch->stop();
    if (!m_save) return;
    if (m_save->thread.joinable()) m_save->thread.join();
    // Only when nothing changed meanwhile is everything saved; otherwise the changes stay marked
    // and the next save applies them again, which gives the same file.
    const SaveResult& result = m_save->result;
    // The file holds what this object holds (and the changes since) only when the save wrote
    // it whole; a merge brought in what others saved, which this object does not hold.
    if (result.ok) m_stamp = result.whole && m_stamp == m_save->stamp ? result.stamp : FileStamp();
    if (result.ok && m_save->serial == m_changes) {
        for (size_t g = 0; g < m_groups.size(); ++g)
            m_groups.at(g).clearModified();
        m_removedEntries.clear();
        m_removedGroups.clear();
        m_modified = false;
    } else if (!result.ok) {
        qWarning("The settings file %s could not be saved", qPrintable(m_fileName));
    }
    m_save.reset();
}

void QConfig::reload() {
    finishBackgroundSave();
    m_groups = QConfigGroups();
    m_removedEntries.clear();
    m_removedGroups.clear();
    m_modified = false;
    readWholeFile();
}

#include "browser/ZRClipFolderStore.h"

#include "common/config/QConfig.h"
#include "platform/segments/ZRSegmentList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <map>

namespace {

/* ** A folder tree deeper than this is a damaged file, not a user's work: walks stop there. */
constexpr int kMaxDepth = 64;
constexpr qsizetype kMaxFolders = 4096;

QString prefix() {
    return QString::fromLatin1(ZRClipFolderStore::kFolderPrefix);
}

/* ** The entry indexes present in the selected group, in index order. Walking the keys
   present, not 0 .. "NumProfiles" - 1, keeps a stored count of 2147483647 from costing
   anything. */
std::map<qint64, QString> presentEntries(const QConfig& settings, const QString& group) {
    std::map<qint64, QString> entries;
    auto it = settings.entryIterator(group);
    if (!it) return entries;
    const QString key = QString::fromLatin1(ZRClipFolderStore::kEntryKey);
    for (; !it->atEnd(); it->next()) {
        const QConfigEntry& entry = it->current();
        if (!entry.key.startsWith(key, Qt::CaseInsensitive)) continue;
        const QStringView digits = QStringView(entry.key).mid(key.size());
        if (digits.isEmpty() ||
            !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); }))
            continue;
        bool ok = false;
        const qint64 index = digits.toLongLong(&ok);
        if (!ok) continue;
        // A key written twice: the later one wins, as the file's readers take it.
        entries[index] = entry.value;
    }
    return entries;
}

/* ** The value of each hexadecimal digit below 128, -1 for any other character: a cached
   picture is 19,200 digits, decoded for every clip listed. */
struct HexDigits {
    signed char value[128];
    constexpr HexDigits() : value() {
        for (signed char& v : value)
            v = -1;
        for (int i = 0; i < 10; ++i)
            value['0' + i] = static_cast<signed char>(i);
        for (int i = 0; i < 6; ++i) {
            value['a' + i] = static_cast<signed char>(10 + i);
            value['A' + i] = static_cast<signed char>(10 + i);
        }
    }
    int operator()(QChar c) const { return c.unicode() < 128 ? value[c.unicode()] : -1; }
};
constexpr HexDigits kHexDigits;

} // namespace

QString ZRClipFolderStore::groupName(const QString& folderPath) {
    return prefix() + folderPath;
}

QString ZRClipFolderStore::childPath(const QString& folderPath, const QString& name) {
    return folderPath.isEmpty() ? name : folderPath + kSeparator + name;
}

bool ZRClipFolderStore::isSegmentList(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("ovl") || suffix == QLatin1String("mvl");
}

QList<ZRClipFolderStore::Entry> ZRClipFolderStore::loadFolder(const QString& folderPath) const {
    QList<Entry> entries;
    if (folderPath.isEmpty()) {
        entries.append({Entry::FixedFolder, QString::fromLatin1(kCaptured)});
        entries.append({Entry::FixedFolder, QString::fromLatin1(kProduced)});
    }
    if (!m_settings) return entries;
    for (const auto& [index, value] : presentEntries(*m_settings, groupName(folderPath))) {
        if (value.isEmpty()) continue;
        if (value.startsWith(prefix())) {
            const QString name = value.mid(prefix().size());
            if (!name.isEmpty()) entries.append({Entry::UserFolder, name});
        } else {
            entries.append({Entry::Clip, value});
        }
    }
    return entries;
}

int ZRClipFolderStore::nextIndex() const {
    const QString count = QString::fromLatin1(kCountKey);
    if (!m_settings->hasKey(count)) return 1;
    // A damaged count must not wrap round to a negative index.
    return std::clamp(m_settings->readNumEntry(count, 1), 1, 0x7ffffffe);
}

void ZRClipFolderStore::storeEntry(const QString& folderPath, const QString& filePath,
                                   bool expandLists,
                                   const std::function<bool(const QString&)>& isShown) {
    if (!m_settings) return;
    if (expandLists && isSegmentList(filePath)) {
        storeListSegments(folderPath, filePath, isShown);
        return;
    }
    m_settings->setGroup(groupName(folderPath));
    const int n = nextIndex();
    m_settings->writeEntry(QString::fromLatin1(kEntryKey) + QString::number(n),
                           QDir::toNativeSeparators(filePath));
    m_settings->writeEntry(QString::fromLatin1(kCountKey), n + 1);
}

void ZRClipFolderStore::storeListSegments(const QString& folderPath, const QString& listPath,
                                          const std::function<bool(const QString&)>& isShown) {
    if (!m_settings) return;
    std::string error;
    const auto list =
        segments::ZRSegmentList::read(QFile::encodeName(listPath).toStdString(), &error);
    if (!list) return;
    m_settings->setGroup(groupName(folderPath));
    int n = nextIndex();
    bool wrote = false;
    for (const std::string& segment : list->readableSegments()) {
        const QString path =
            QDir::toNativeSeparators(QFileInfo(QString::fromStdString(segment)).absoluteFilePath());
        if (isShown && !isShown(path)) continue;
        m_settings->writeEntry(QString::fromLatin1(kEntryKey) + QString::number(n++), path);
        wrote = true;
    }
    if (wrote) m_settings->writeEntry(QString::fromLatin1(kCountKey), n);
}

void ZRClipFolderStore::removeClip(const QString& folderPath, const QString& filePath) {
    if (!m_settings) return;
    const QString group = groupName(folderPath);
    const QString value = QDir::toNativeSeparators(filePath);
    QStringList keys;
    for (const auto& [index, stored] : presentEntries(*m_settings, group))
        if (stored == value) keys.append(QString::fromLatin1(kEntryKey) + QString::number(index));
    if (keys.isEmpty()) return;
    m_settings->setGroup(group);
    for (const QString& key : keys)
        m_settings->deleteEntry(key);
}

void ZRClipFolderStore::storeFolder(const QString& folderPath, const QString& name) {
    storeEntry(folderPath, prefix() + name, false);
}

void ZRClipFolderStore::rewriteFolder(const QString& folderPath, const QList<Entry>& shown,
                                      const QSet<QString>& removed) {
    if (!m_settings) return;
    // Clips hidden because their file is missing were never shown; a rewrite keeps them.
    QSet<QString> shownClips;
    for (const Entry& entry : shown)
        if (entry.kind == Entry::Clip) shownClips.insert(entry.text);
    QList<Entry> kept;
    for (const Entry& entry : loadFolder(folderPath))
        if (entry.kind == Entry::Clip && !shownClips.contains(entry.text) &&
            !removed.contains(entry.text) && !QFileInfo::exists(entry.text))
            kept.append(entry);

    const QString group = groupName(folderPath);
    m_settings->deleteGroup(group, true);
    m_settings->setGroup(group);
    int index = 0;
    auto write = [&](const Entry& entry) {
        if (entry.kind == Entry::FixedFolder) return;
        const QString value = entry.kind == Entry::UserFolder
                                  ? prefix() + entry.text
                                  : QDir::toNativeSeparators(entry.text);
        m_settings->writeEntry(QString::fromLatin1(kEntryKey) + QString::number(index++), value);
    };
    for (const Entry& entry : shown)
        write(entry);
    for (const Entry& entry : kept)
        write(entry);
    m_settings->writeEntry(QString::fromLatin1(kCountKey), index);
}

void ZRClipFolderStore::collectFolders(const QString& folderPath, QStringList& paths,
                                       int depth) const {
    // Group names match without case, so a folder named twice (or in two spellings) is one
    // group: visiting it once keeps a damaged file from multiplying the walk.
    for (const QString& seen : paths)
        if (seen.compare(folderPath, Qt::CaseInsensitive) == 0) return;
    paths.append(folderPath);
    if (depth >= kMaxDepth || paths.size() >= kMaxFolders) return;
    for (const Entry& entry : loadFolder(folderPath))
        if (entry.kind != Entry::Clip)
            collectFolders(childPath(folderPath, entry.text), paths, depth + 1);
}

void ZRClipFolderStore::removeFolder(const QString& folderPath) {
    if (!m_settings || folderPath.isEmpty()) return;
    // Sub-folder groups go too: a later folder of the same name would show them again.
    QStringList paths;
    collectFolders(folderPath, paths, 0);
    for (const QString& path : paths)
        m_settings->deleteGroup(groupName(path), true);
}

ZRClipFolderStore::NameCheck ZRClipFolderStore::checkFolderName(const QString& folderPath,
                                                                const QString& oldName,
                                                                const QString& newName) const {
    if (newName.trimmed().isEmpty()) return NameCheck::Empty;
    // "/" joins folder paths; the settings file cannot hold "]" or a line break in a group name.
    for (QChar c : newName)
        if (c == kSeparator || c == QLatin1Char(']') || c == QLatin1Char('\n') ||
            c == QLatin1Char('\r'))
            return NameCheck::BadCharacter;
    if (folderPath.isEmpty() &&
        (newName.compare(QLatin1String(kCaptured), Qt::CaseInsensitive) == 0 ||
         newName.compare(QLatin1String(kProduced), Qt::CaseInsensitive) == 0))
        return NameCheck::Reserved;
    // Group names match without case: two siblings differing in case would share one group.
    for (const Entry& entry : loadFolder(folderPath))
        if (entry.kind == Entry::UserFolder && entry.text != oldName &&
            entry.text.compare(newName, Qt::CaseInsensitive) == 0)
            return NameCheck::Taken;
    return NameCheck::Ok;
}

bool ZRClipFolderStore::renameFolder(const QString& folderPath, const QString& oldName,
                                     const QString& newName) {
    if (!m_settings) return false;
    if (checkFolderName(folderPath, oldName, newName) != NameCheck::Ok) return false;
    if (oldName == newName) return true;
    const QString oldPath = childPath(folderPath, oldName);
    const QString newPath = childPath(folderPath, newName);
    QStringList paths;
    collectFolders(oldPath, paths, 0);
    // Deepest first never matters for the names: each group's new name is its own prefix swap.
    for (const QString& path : paths)
        m_settings->renameGroup(groupName(path), groupName(newPath + path.mid(oldPath.size())));
    // The parent names the folder under its new name at the same index.
    const QString parent = groupName(folderPath);
    for (const auto& [index, value] : presentEntries(*m_settings, parent))
        if (value == prefix() + oldName) {
            m_settings->setGroup(parent);
            m_settings->writeEntry(QString::fromLatin1(kEntryKey) + QString::number(index),
                                   prefix() + newName);
        }
    return true;
}

int ZRClipFolderStore::takeNewFolderNumber(const QString& folderPath, const QString& baseName,
                                           int fallback) {
    if (!m_settings) return fallback;
    m_settings->setGroup(QString::fromLatin1(kGeneralGroup));
    const QString key = QString::fromLatin1(kNewFolderCounter);
    int n = m_settings->hasKey(key) ? m_settings->readNumEntry(key, fallback) : fallback;
    n = std::clamp(n, 1, 0x7ffffffe);
    QSet<QString> taken;
    for (const Entry& entry : loadFolder(folderPath))
        if (entry.kind == Entry::UserFolder) taken.insert(entry.text.toLower());
    while (n < 0x7ffffffe &&
           taken.contains((baseName + QStringLiteral(" #") + QString::number(n)).toLower()))
        ++n;
    m_settings->setGroup(QString::fromLatin1(kGeneralGroup));
    m_settings->writeEntry(key, n + 1);
    return n;
}

QString ZRClipFolderStore::isoTime(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

const QHash<QString, QString>& ZRClipFolderStore::timestamps() {
    if (m_timestampsRead || !m_settings) return m_timestamps;
    m_timestampsRead = true;
    if (auto it = m_settings->entryIterator(QString::fromLatin1(kTimestampGroup)))
        for (; !it->atEnd(); it->next())
            insertTimestamp(it->current().key, it->current().value);
    return m_timestamps;
}

void ZRClipFolderStore::insertTimestamp(const QString& path, const QString& stamp) {
    const auto it = m_timestamps.find(path);
    if (it != m_timestamps.end()) {
        *it = stamp;
        return;
    }
    m_timestamps.insert(path, stamp);
    ++m_spellings[path.toCaseFolded()];
}

void ZRClipFolderStore::eraseTimestamp(const QString& path) {
    if (!m_timestamps.remove(path)) return;
    const auto spelling = m_spellings.find(path.toCaseFolded());
    if (spelling != m_spellings.end() && --*spelling <= 0) m_spellings.erase(spelling);
}

// Looked up through the folded spelling: scanning every record for each clip made a folder of
// thousands of missing clips take minutes.
bool ZRClipFolderStore::hasTwin(const QString& path) {
    timestamps();
    const int spellings = m_spellings.value(path.toCaseFolded());
    return spellings - (m_timestamps.contains(path) ? 1 : 0) > 0;
}

ZRClipFolderStore::Cached ZRClipFolderStore::thumbnailFor(const QString& filePath, QImage& image) {
    if (!m_settings) return Cached::Stale;
    const QFileInfo info(filePath);
    if (!info.exists()) {
        // Removal ignores case: a record of another spelling whose clip is there stays.
        const bool twin = hasTwin(filePath);
        m_settings->setGroup(QString::fromLatin1(kThumbnailGroup));
        if (!twin && m_settings->hasKey(filePath)) {
            m_settings->deleteEntry(filePath);
            m_settings->setGroup(QString::fromLatin1(kTimestampGroup));
            m_settings->deleteEntry(filePath);
            eraseTimestamp(filePath);
        }
        return Cached::FileMissing;
    }
    if (m_thumbnailSize.isEmpty()) return Cached::Stale;
    // The settings file finds keys without case: only a record stored under this exact path
    // belongs to this clip.
    const auto stamp = timestamps().constFind(filePath);
    if (stamp == timestamps().constEnd()) return Cached::Stale;
    // The text holds whole seconds, the file system fractions. The text this store writes is
    // compared as text, which is cheaper than reading it as a time; any other is read.
    const QDateTime modified = info.lastModified();
    if (*stamp != isoTime(modified)) {
        const QDateTime stored = QDateTime::fromString(*stamp, Qt::ISODate);
        if (!stored.isValid() || stored.toSecsSinceEpoch() != modified.toSecsSinceEpoch())
            return Cached::Stale;
    }
    m_settings->setGroup(QString::fromLatin1(kThumbnailGroup));
    if (!m_settings->hasKey(filePath)) return Cached::Stale;
    const QString hex = m_settings->readEntry(filePath);
    const qsizetype bytes = qsizetype(m_thumbnailSize.width()) * m_thumbnailSize.height() * 4;
    // A value of another length would draw part of an old picture.
    if (hex.size() != bytes * 2) return Cached::Stale;
    // Decoded straight into the picture's rows; alpha is forced as the picture is opaque.
    QImage decoded(m_thumbnailSize, QImage::Format_ARGB32);
    const QChar* digits = hex.constData();
    const int rowBytes = decoded.width() * 4;
    for (int y = 0; y < decoded.height(); ++y) {
        uchar* row = decoded.scanLine(y);
        for (int b = 0; b < rowBytes; ++b, digits += 2) {
            const int high = kHexDigits(digits[0]);
            const int low = kHexDigits(digits[1]);
            if ((high | low) < 0) return Cached::Stale;
            row[b] = uchar(high << 4 | low);
        }
        QRgb* pixels = reinterpret_cast<QRgb*>(row);
        for (int x = 0; x < decoded.width(); ++x)
            pixels[x] |= 0xff000000u;
    }
    image = decoded;
    return Cached::Valid;
}

void ZRClipFolderStore::storeThumbnail(const QString& filePath, const QImage& image,
                                       const QDateTime& modified) {
    if (!m_settings || image.isNull()) return;
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    QByteArray raw;
    raw.reserve(qsizetype(pixels.width()) * pixels.height() * 4);
    for (int y = 0; y < pixels.height(); ++y)
        raw.append(reinterpret_cast<const char*>(pixels.constScanLine(y)),
                   qsizetype(pixels.width()) * 4);
    // The settings file finds keys without case: a twin "A.avi" of "a.avi" goes first, so that
    // the record written is found under its own spelling. Removal rewrites the group's index,
    // so it is done only when there is such a twin.
    const bool twin = hasTwin(filePath);
    const QString thumbnails = QString::fromLatin1(kThumbnailGroup);
    const QString times = QString::fromLatin1(kTimestampGroup);
    m_settings->setGroup(thumbnails);
    if (twin) m_settings->deleteEntry(filePath);
    m_settings->writeEntry(filePath, raw);
    m_settings->setGroup(times);
    if (twin) m_settings->deleteEntry(filePath);
    const QString stamp = isoTime(modified);
    m_settings->writeEntry(filePath, stamp);
    if (twin) {
        QStringList twins;
        for (auto it = m_timestamps.cbegin(); it != m_timestamps.cend(); ++it)
            if (it.key().compare(filePath, Qt::CaseInsensitive) == 0) twins.append(it.key());
        for (const QString& path : twins)
            eraseTimestamp(path);
    }
    insertTimestamp(filePath, stamp);
}

void ZRClipFolderStore::pruneThumbnails(const QSet<QString>& keep) {
    if (!m_settings) return;
    for (const char* group : {kThumbnailGroup, kTimestampGroup}) {
        QStringList stale;
        if (auto it = m_settings->entryIterator(QString::fromLatin1(group)))
            for (; !it->atEnd(); it->next())
                if (!keep.contains(it->current().key)) stale.append(it->current().key);
        if (stale.isEmpty()) continue;
        // A key kept in one spelling must not go with a stale twin: the twin is not removable
        // alone (removal ignores case), so only twins without a kept spelling go.
        QSet<QString> keptLower;
        for (const QString& path : keep)
            keptLower.insert(path.toLower());
        m_settings->setGroup(QString::fromLatin1(group));
        for (const QString& key : stale)
            if (!keptLower.contains(key.toLower())) m_settings->deleteEntry(key);
    }
    m_timestamps.clear();
    m_spellings.clear();
    m_timestampsRead = false;
}

QSet<QString> ZRClipFolderStore::allStoredClips() const {
    QSet<QString> clips;
    QStringList paths;
    collectFolders(QString(), paths, 0);
    for (const QString& path : paths)
        for (const Entry& entry : loadFolder(path))
            if (entry.kind == Entry::Clip) clips.insert(entry.text);
    return clips;
}

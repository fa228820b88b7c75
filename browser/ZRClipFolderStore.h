#pragma once

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QList>
#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class QConfig;

/// The media browser's folders and thumbnail cache in the settings file "clipstead.ini".
///
/// A browser folder exists only as the group "BrowserFolder::" + its path (names joined with
/// "/", the top level the empty path): "NumProfiles" is one more than the highest entry index,
/// "Profile" + index an entry, either a clip's full path or "BrowserFolder::" + a sub-folder's
/// name. Thumbnails lie in "Thumbnails60x40" (the image's bytes as lower-case hex) and their
/// files' modification times in "Thumbnails60x40Timestamps" (ISO 8601, whole seconds), both
/// keyed by the clip's full path, compared exactly. The store only reads and writes the settings
/// object; it never saves the file. GUI thread only, like the settings object it works on.
class ZRClipFolderStore {
public:
    static constexpr const char* kFolderPrefix = "BrowserFolder::";
    static constexpr const char* kThumbnailGroup = "Thumbnails60x40";
    static constexpr const char* kTimestampGroup = "Thumbnails60x40Timestamps";
    static constexpr const char* kCountKey = "NumProfiles";
    static constexpr const char* kEntryKey = "Profile";
    static constexpr const char* kGeneralGroup = "General Settings";
    static constexpr const char* kNewFolderCounter = "NewFolderCounter";
    static constexpr const char* kCaptured = "Captured";
    static constexpr const char* kProduced = "Produced";
    /// What joins the names of a folder path.
    static constexpr QChar kSeparator = QLatin1Char('/');

    /// One entry of a folder as stored or shown: a folder by name, or a clip by full path.
    struct Entry {
        enum Kind { FixedFolder, UserFolder, Clip };
        Kind kind = Clip;
        QString text; ///< the folder's name or the clip's full path
        bool operator==(const Entry&) const = default;
    };

    /// Why a folder name is refused.
    enum class NameCheck { Ok, Empty, BadCharacter, Reserved, Taken };

    /// `settings` is borrowed; with null every operation reads nothing and writes nothing.
    explicit ZRClipFolderStore(QConfig* settings) : m_settings(settings) {}

    static QString groupName(const QString& folderPath);
    /// The path of `name` inside `folderPath`.
    static QString childPath(const QString& folderPath, const QString& name);
    /// True for "ovl" and "mvl" as the last extension, in any case.
    static bool isSegmentList(const QString& path);

    /// The folder's entries in index order: at the top level "Captured" and "Produced" first.
    /// Empty entries and indexes without a key are passed over; only the keys present are read,
    /// so a huge "NumProfiles" costs nothing.
    QList<Entry> loadFolder(const QString& folderPath) const;
    /// Appends a clip (native separators) at index "NumProfiles" (1 in a new group). A segment
    /// list with `expandLists` appends its segments instead (`storeListSegments`).
    void storeEntry(const QString& folderPath, const QString& filePath, bool expandLists,
                    const std::function<bool(const QString&)>& isShown = {});
    /// Appends the segments of the list that `isShown` answers true for (all when unset).
    void storeListSegments(const QString& folderPath, const QString& listPath,
                           const std::function<bool(const QString&)>& isShown = {});
    /// Removes the folder's entries naming the clip `filePath` (native separators); the count
    /// stays, the indexes left empty are passed over when read.
    void removeClip(const QString& folderPath, const QString& filePath);
    /// Appends a sub-folder entry.
    void storeFolder(const QString& folderPath, const QString& name);
    /// Writes the folder's group anew: the entries shown, fixed folders left out, then the clips
    /// stored before whose files are missing (they were not shown, and a drive may come back),
    /// except those in `removed`.
    void rewriteFolder(const QString& folderPath, const QList<Entry>& shown,
                       const QSet<QString>& removed = {});

    /// Removes the folder's group and those of every folder below it.
    void removeFolder(const QString& folderPath);
    /// Checks `newName` for a folder of `folderPath` now named `oldName` (empty for a new one).
    NameCheck checkFolderName(const QString& folderPath, const QString& oldName,
                              const QString& newName) const;
    /// Moves the folder's group and those below it to the new name; false (nothing changed)
    /// when the name is refused.
    bool renameFolder(const QString& folderPath, const QString& oldName, const QString& newName);
    /// The number of the next "New Folder #n": "NewFolderCounter" (else `fallback`), past every
    /// number a folder of `folderPath` already bears; stores the number after it.
    int takeNewFolderNumber(const QString& folderPath, const QString& baseName, int fallback);

    /// The size of the thumbnails the cache holds (the picture frame's size).
    void setThumbnailSize(const QSize& size) { m_thumbnailSize = size; }
    QSize thumbnailSize() const { return m_thumbnailSize; }
    enum class Cached { Valid, Stale, FileMissing };
    /// The cached thumbnail of `filePath` into `image` (opaque, `thumbnailSize()`). A missing
    /// file loses its records. Valid only when the stored key is exactly the path, the time
    /// equals the file's to the second and the value is exactly the image's bytes in hex.
    Cached thumbnailFor(const QString& filePath, QImage& image);
    /// Stores the thumbnail and the time, replacing any record whose key differs only in case.
    void storeThumbnail(const QString& filePath, const QImage& image, const QDateTime& modified);
    /// Removes every thumbnail record whose path is not in `keep`.
    void pruneThumbnails(const QSet<QString>& keep);
    /// Every clip path named by any folder group reachable from the top level.
    QSet<QString> allStoredClips() const;

    /// The ISO text a time is stored as (whole seconds).
    static QString isoTime(const QDateTime& time);

private:
    int nextIndex() const;
    void collectFolders(const QString& folderPath, QStringList& paths, int depth) const;
    /// The exact keys of the timestamp group, read once.
    const QHash<QString, QString>& timestamps();
    void insertTimestamp(const QString& path, const QString& stamp);
    void eraseTimestamp(const QString& path);
    /// True when a timestamp record differs from `path` in case only.
    bool hasTwin(const QString& path);

    QConfig* m_settings;
    QSize m_thumbnailSize;
    QHash<QString, QString> m_timestamps;
    QHash<QString, int> m_spellings; // case-folded path -> exact keys of m_timestamps
    bool m_timestampsRead = false;
};

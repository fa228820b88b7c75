#pragma once

#include "common/config/QConfigGroup.h"
#include "platform/ini/IniSyntax.h"

#include <QByteArray>
#include <QColor>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

class QIODevice;
class QTimer;

/// A snapshot of one group's entries, walked from the first; each value as readEntry gives it.
class QConfigEntryIterator {
public:
    explicit QConfigEntryIterator(std::vector<QConfigEntry> entries)
        : m_entries(std::move(entries)) {}
    bool atEnd() const { return m_index >= m_entries.size(); }
    void next() { ++m_index; }
    void toFirst() { m_index = 0; }
    /// The current entry; only while !atEnd().
    const QConfigEntry& current() const { return m_entries[m_index]; }

private:
    std::vector<QConfigEntry> m_entries;
    size_t m_index = 0;
};

/// A configuration file of named groups of "key=value" lines, held in memory.
///
/// Two flavours, chosen per object: the engine's files start with "# Marvesto Config File", are
/// in the locale's 8-bit encoding and have their values unescaped (\\, \n, \t, \r) when read;
/// the program's start with "# Config File", are UTF-8 and are read as they stand, but for "$":
/// every read expands "$NAME" and "$$", and the program's flavour writes each "$" of a value as
/// "$$", so that its own texts read back unchanged (the engine's writes values as given). The
/// entries before the first "[group]" header form the group "<default>". Reading strips white
/// space; writing puts values out as they are, so a value holding a line break is refused rather
/// than written. Groups and keys keep the order in which they were read or added; both are found
/// through hash indexes, and memory stays a small multiple of the file's size.
///
/// Saving re-reads the file and applies only this object's own changes (persistent writes
/// and removals) to what it holds now, so two objects on one file keep each other's changes;
/// the file is replaced whole or not at all. The object then holds the saved content. A save
/// can also run on a thread of its own (saveInBackground, or setAutoSave a few seconds after
/// a change), over a copy of the changes taken when it starts; the object keeps what it holds.
/// Thread-safety: one object belongs to one thread, which must run an event loop for the
/// automatic save; its background save touches nothing of the object but that copy, and every
/// other save, reload and the destructor wait for it first. Objects on one file may live on
/// different threads (saves are serialised by a lock file beside it).
class QConfig : public QObject {
    Q_OBJECT

public:
    /// The first line the engine writes.
    static constexpr const char* kHeaderLine = "# Marvesto Config File";
    /// The first line the program writes.
    static constexpr const char* kProgramHeaderLine = "# Config File";

    enum class Flavour { Engine, Program };
    /// The name of the unnamed group.
    static constexpr const char* kDefaultGroup = "<default>";
    /// Lines longer than this many bytes (without the line break) are skipped when reading.
    static constexpr int kMaxLineBytes = platform::ini::kMaxLineBytes;

    /// With a file name, creates the file empty when it does not exist and reads it. An
    /// unreadable file gives an empty configuration.
    explicit QConfig(const QString& fileName = QString(), QObject* parent = nullptr);
    /// As above, in the given flavour.
    QConfig(Flavour flavour, const QString& fileName, QObject* parent = nullptr);
    /// Saves the file (writeFile).
    ~QConfig() override;
    QConfig(const QConfig&) = delete;
    QConfig& operator=(const QConfig&) = delete;

    QString fileName() const { return m_fileName; }
    Flavour flavour() const { return m_flavour; }

    /// Selects the current group; an empty name selects "<default>".
    void setGroup(const QString& group);
    /// The current group's name; empty while "<default>" is selected.
    QString group() const;

    /// The value of `key` (its localised form "key[]" first) in the current group, else
    /// `defaultValue`; in both cases with "$NAME" replaced by the environment variable NAME
    /// ("$$" gives "$"). Null when the key is absent and the default is null.
    QString readEntry(const QString& key, const QString& defaultValue = QString()) const;
    /// "true" or "on" give 1; otherwise the decimal value, 0 when the text is not a number.
    int readNumEntry(const QString& key, int defaultValue = 0) const;
    double readDoubleNumEntry(const QString& key, double defaultValue = 0.0) const;
    /// "true" or "on", or a non-zero decimal number, give true.
    bool readBoolEntry(const QString& key, bool defaultValue = false) const;

    /// Sets `key` in the current group (created when missing); a persistent write marks the
    /// entry to be saved. Answers the previous value, empty when the key was new, or a null
    /// text when the write is refused and nothing changed: a line break in the key, value or
    /// current group name, "=" in the key, "]" in the group name, or a line longer than
    /// kMaxLineBytes. The program's flavour stores "$" as "$$" (see the class).
    QString writeEntry(const QString& key, const QString& value, bool persistent = true,
                       bool global = false, bool localised = false);
    QString writeEntry(const QString& key, const char* value, bool persistent = true,
                       bool global = false, bool localised = false);
    /// Decimal text.
    QString writeEntry(const QString& key, int value, bool persistent = true, bool global = false,
                       bool localised = false);
    /// Six significant digits, shortest form (%.6g).
    QString writeEntry(const QString& key, double value, bool persistent = true,
                       bool global = false, bool localised = false);
    /// "true" or "false".
    QString writeEntry(const QString& key, bool value, bool persistent = true, bool global = false,
                       bool localised = false);

    /// Decimal text.
    QString writeEntry(const QString& key, long value, bool persistent = true, bool global = false,
                       bool localised = false);
    QString writeEntry(const QString& key, unsigned long value, bool persistent = true,
                       bool global = false, bool localised = false);
    /// "red,green,blue" in decimal.
    QString writeEntry(const QString& key, const QColor& value, bool persistent = true,
                       bool global = false, bool localised = false);
    /// Two lower-case hexadecimal digits per byte, high half first.
    QString writeEntry(const QString& key, const QByteArray& value, bool persistent = true,
                       bool global = false, bool localised = false);

    /// A colour written as "red,green,blue", or a colour name such as "#rrggbb"; parts that are
    /// no number count 0. Without two commas (or without a value) the default when given, else
    /// an invalid colour.
    QColor readColorEntry(const QString& key, const QColor* defaultValue = nullptr) const;
    /// Bytes from pairs of hexadecimal digits (either case); an odd last digit is ignored.
    /// Without a value, a copy of the default when given, else an empty array.
    QByteArray readByteArrayEntry(const QString& key,
                                  const QByteArray* defaultValue = nullptr) const;
    /// True when the current group holds `key`.
    bool hasKey(const QString& key) const;

    /// Removes `key` from the current group, also from the file at the next save. Answers its
    /// former value, empty when the group or the key does not exist.
    QString deleteEntry(const QString& key);
    /// Removes the group with its entries, also from the file at the next save; refuses (false)
    /// a missing group, and one with entries unless `force`.
    bool deleteGroup(const QString& group, bool force = false);
    /// Moves the group to `newName` with its entries, also in the file at the next save. A group
    /// already of that name stays; lookups find the moved group, and the save merges the two
    /// with the moved entries winning. False when no group has the old name, for "<default>" on
    /// either side, and for a new name the file could not hold ("]" or a line break).
    bool renameGroup(const QString& oldName, const QString& newName);

    /// The names of the groups held now, in order, "<default>" first.
    QStringList groupList() const;
    /// The entries of `group` as they are now; null when there is no such group.
    std::unique_ptr<QConfigEntryIterator> entryIterator(const QString& group) const;

    /// True after a persistent write or removal that is not saved yet.
    bool isModified() const { return m_modified; }

    /// With a positive delay, every unsaved change is saved in the background (saveInBackground)
    /// `delayMs` after the first change since the last save; 0 turns it off. Needs a file name.
    void setAutoSave(int delayMs);
    /// Starts saving the unsaved changes on a thread of its own, as writeFile does but without
    /// taking the object over the saved content. False when there is nothing to save, no file
    /// name, or a save is still running (the automatic save then tries again after its delay).
    /// The changes count as saved when it succeeded and nothing changed meanwhile.
    bool saveInBackground();
    /// True while a background save runs.
    bool isSaving() const;

    /// Replaces the memory with the file's content (opened read-only).
    virtual void readFile();
    /// Reads "key=value" lines from the start of an open device into `target` (null: this
    /// object's groups), new entries taking `global`. Malformed lines are skipped; a device
    /// that is not open gives nothing.
    virtual void parseStream(QIODevice* device, QConfigGroups* target, bool global);
    /// Writes every group held in memory to the device (opened for writing when it is not).
    /// False when the device cannot be opened or written.
    virtual bool writeStream(QIODevice* device);
    /// Clears the file-modified flag and, when `deep`, every entry's modified flag.
    virtual void clearModified(bool deep);
    /// Saves: re-reads the file, applies this object's unsaved changes, replaces the file whole.
    /// False (the file unchanged) when there is no file name or the file cannot be written.
    /// Waits for a background save first.
    virtual bool writeFile();
    /// Drops every group, unsaved changes included, and reads the file again.
    virtual void reload();

protected:
    /// Removes `key` from the current group; the removal is applied to the file at the next
    /// save. Answers the former value, empty when there was none.
    QString removeEntry(const QString& key);
    /// Removes the group with its entries, also from the file at the next save. False when
    /// there is no such group.
    bool removeGroup(const QString& group);

private:
    struct RemovedEntry {
        QString group;
        QString key;
    };
    /// What a save applies to the file's content: the modified persistent entries of `groups`
    /// and the removals.
    struct Changes {
        QConfigGroups groups;
        std::vector<RemovedEntry> removedEntries;
        std::vector<QString> removedGroups;
    };
    /// What identifies one version of a file: device, inode (a save replaces it), size and
    /// modification time to the nanosecond.
    struct FileStamp {
        bool valid = false;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 seconds = 0;
        qint64 nanoseconds = 0;
        bool operator==(const FileStamp&) const = default;
    };
    struct SaveResult {
        bool ok = false;
        bool whole = false; // written from the groups held, without reading the file again
        FileStamp stamp;    // of the file written
    };
    /// A save on its own thread. `changes` and `result` belong to the thread until `done`.
    struct BackgroundSave {
        Changes changes;
        quint64 serial = 0; // m_changes when it started
        FileStamp stamp;    // m_stamp when it started, when it may write the groups whole
        SaveResult result;
        std::atomic<bool> done{false};
        std::thread thread;
    };

    QString storeEntry(const QString& key, const QString& value, bool persistent, bool global,
                       bool localised);
    bool fitsOneLine(const QString& key, const QString& text) const;
    void noteChange();
    void finishBackgroundSave();
    QString decode(const QByteArray& bytes) const;
    QByteArray encode(QStringView text) const;
    static QByteArray encodeText(Flavour flavour, QStringView text);
    static void readGroups(QIODevice& device, Flavour flavour, QConfigGroups& groups, bool global);
    static bool writeGroups(QIODevice* device, Flavour flavour, const QConfigGroups& groups);
    static void applyChanges(const Changes& changes, QConfigGroups& target);
    /// Under the lock file: reads the file into `merged`, applies `changes`, replaces the file.
    /// When the file still has `unchangedSince`, `changes.groups` (the groups held) are written
    /// as they are instead.
    static SaveResult saveMerged(const QString& fileName, Flavour flavour, const Changes& changes,
                                 const FileStamp& unchangedSince, QConfigGroups& merged);
    static FileStamp stampOf(const QString& fileName);
    /// True when the groups held are the file as last read or saved plus this object's changes
    /// and nothing else, so that a save may write them as they are.
    bool isWholeFile() const;
    void readWholeFile();

    Flavour m_flavour = Flavour::Engine;
    QString m_fileName;
    QString m_group = QString::fromLatin1(kDefaultGroup);
    QConfigGroups m_groups;
    std::vector<RemovedEntry> m_removedEntries;
    std::vector<QString> m_removedGroups;
    bool m_modified = false;
    FileStamp m_stamp;     // of the file as last read or saved whole; invalid otherwise
    quint64 m_changes = 0; // persistent writes and removals so far
    QTimer* m_autoSave = nullptr;
    QTimer* m_saveWatch = nullptr; // looks for the end of m_save
    std::unique_ptr<BackgroundSave> m_save;
};

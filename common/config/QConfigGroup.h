#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <vector>

/// One value of one key of a configuration group, as a whole record.
struct QConfigEntry {
    QString key;            ///< as stored: the key, or the key followed by "[]" when localised
    QString value;          ///< as read back: unescaped, stripped of white space at both ends
    QString text;           ///< as it stands in the file: written back unchanged
    bool modified = false;  ///< written persistently since the file was last saved
    bool persistent = true; ///< false after a non-persistent write: kept in memory only
    bool global = false;
    bool localised = false;
};

/// A named group of entries in file order. A key may occur twice; lookups find the later one.
///
/// Kept small for large files: the characters of every key and value lie in one pool, an
/// entry is a few offsets and flags, and keys are found through a hash index that ignores
/// case (memory a small multiple of the text; lookups in constant time). A long value read as
/// ASCII stays in the bytes of the file it was read from, which every group read from that
/// file shares: it is made text only when it is asked for, and written back as it was read.
/// A removed entry keeps its index, marked removed, until the group compacts itself (when
/// removed entries make up half of it), so that removing a key costs constant time amortised.
/// Indexes run from 0 to `indexEnd()`; those that `isRemoved` are skipped by every reader. An
/// index is valid until the next write or removal.
/// Thread-safety: none; owned by one QConfig.
class QConfigGroup {
public:
    static constexpr size_t npos = size_t(-1);

    explicit QConfigGroup(QString name) : m_name(std::move(name)) {}

    const QString& name() const { return m_name; }
    /// The number of entries, removed ones not counted.
    size_t size() const { return m_entries.size() - m_removed; }
    /// One past the highest index.
    size_t indexEnd() const { return m_entries.size(); }
    bool isRemoved(size_t index) const { return m_entries[index].flags & kRemoved; }

    /// The index of the last entry whose key matches `key` without regard to case, or npos.
    size_t find(QStringView key) const;
    /// The entry at `index` (below indexEnd()) as a whole record.
    QConfigEntry entry(size_t index) const;
    QStringView key(size_t index) const;
    /// The text as it stands in the file.
    QString text(size_t index) const;
    /// True when the text is kept as the ASCII bytes it was read as (asciiText).
    bool isAscii(size_t index) const { return m_entries[index].flags & kAscii; }
    /// The text's bytes, for an entry that isAscii.
    QByteArrayView asciiText(size_t index) const;
    /// The value as read back: the text unescaped and stripped for a read entry, the text
    /// itself for a written one.
    QString value(size_t index) const;
    bool isModified(size_t index) const { return m_entries[index].flags & kModified; }
    bool isPersistent(size_t index) const { return m_entries[index].flags & kPersistent; }

    /// Appends an entry read from a file: `text` stripped, its value unescaped unless
    /// `verbatim`. False when the group cannot hold more text.
    bool addRead(QStringView key, QStringView text, bool global, bool verbatim = false);
    /// As addRead, for a text that is the `length` ASCII bytes at `at` of `file`, already
    /// stripped. The group keeps them there when it holds no other file's bytes.
    bool addReadAscii(QStringView key, const QByteArray& file, qsizetype at, qsizetype length,
                      bool global, bool verbatim = false);
    /// Writes an entry whose value is `value` itself: appended under `key` when `index` is
    /// npos, else replacing the value and flags of the entry at `index`. A persistent write
    /// marks the entry modified. False when the group cannot hold more text.
    bool write(size_t index, QStringView key, QStringView value, bool persistent, bool global,
               bool localised);
    /// Copies entry `from` of `source` with its flags: appended when `index` is npos, else
    /// replacing the value and flags of the entry at `index`.
    bool copy(size_t index, const QConfigGroup& source, size_t from);
    /// Removes every entry whose key matches `key` without regard to case.
    void remove(QStringView key);
    void clear();
    /// Marks every persistent entry modified, so that the next save writes it anew; answers
    /// whether there was one.
    bool markPersistentModified();
    /// Clears the modified flag of the entry at `index`, or of every entry when it is npos.
    void clearModified(size_t index = npos);
    /// Gives back memory reserved for growth (after a file was read).
    void squeeze();

private:
    friend class QConfigGroups; // renames groups

    enum : uint8_t {
        kModified = 1,
        kPersistent = 2,
        kGlobal = 4,
        kLocalised = 8,
        kVerbatim = 16, // the value is the text itself (a written entry)
        kRemoved = 32,
        kAscii = 64, // the text lies in m_bytes
    };
    // The key's characters at `at` of the pool; the text's at `textAt`, of m_bytes when kAscii,
    // else of the pool.
    struct Stored {
        uint32_t at;
        uint32_t keyLength : 24; // a key fits a line of at most kMaxLineBytes
        uint32_t flags : 8;
        uint32_t textAt;
        uint32_t textLength;
    };
    static constexpr qsizetype kMaxKeyLength = (1 << 24) - 1;
    // The pool characters the entry uses.
    static size_t poolLength(const Stored& e) {
        return e.keyLength + ((e.flags & kAscii) ? 0 : e.textLength);
    }

    bool put(size_t index, QStringView key, QStringView text, uint8_t flags);
    /// As put, for a text of `length` bytes at `at` of m_bytes.
    bool putAscii(size_t index, QStringView key, qsizetype at, qsizetype length, uint8_t flags);
    bool store(size_t index, const Stored& made);
    /// The flags of an entry read from a file.
    static uint8_t readFlags(bool global, bool verbatim);
    /// True when an entry of `key` at `index` (npos: a new one) can be stored with the pool
    /// grown by `poolGrowth` characters and its text ending at `textEnd`: within what the
    /// offsets, the key length and the entry count can name.
    bool fits(size_t index, QStringView key, qsizetype poolGrowth, qsizetype textEnd) const;
    void markRemoved(size_t index);
    void indexEntry(uint32_t index);
    void rebuild();
    /// Rewrites the pool without unused characters; with `dropRemoved` also drops the removed
    /// entries, which renumbers the rest.
    void compact(bool dropRemoved);
    QStringView view(uint32_t at, uint32_t length) const {
        return QStringView(m_pool).mid(at, length);
    }

    QString m_name;
    QString m_pool;            // the characters of every key and text
    QByteArray m_bytes;        // the file read, when texts lie in it
    size_t m_unused = 0;       // characters of the pool no entry refers to any more
    size_t m_removed = 0;      // entries marked removed
    bool m_duplicates = false; // some key occurs twice: removal must look at every entry
    std::vector<Stored> m_entries;
    std::vector<uint32_t> m_slots; // open addressing: entry index + 1, 0 = empty
};

/// Groups in file order, the unnamed group "<default>" always first; names match without
/// regard to case and are found through a hash index.
/// Thread-safety: none; owned by one QConfig.
class QConfigGroups {
public:
    QConfigGroups();
    QConfigGroups(QConfigGroups&&) noexcept = default;
    QConfigGroups& operator=(QConfigGroups&&) noexcept = default;
    /// A copy that shares the groups' characters (implicitly shared) until either side writes.
    QConfigGroups clone() const;

    QConfigGroup* find(QStringView name);
    const QConfigGroup* find(QStringView name) const;
    /// The group, created empty at the end when missing. Group addresses stay valid until the
    /// group is removed.
    QConfigGroup& findOrAdd(const QString& name);
    /// Removes the group; "<default>" is emptied instead. False when there is no such group.
    bool remove(QStringView name);
    /// Gives the group `oldName` the name `newName` and moves it behind every other group, so
    /// that lookups of `newName` find it also when another group already bears that name.
    /// False when there is no such group, or for "<default>".
    bool rename(QStringView oldName, const QString& newName);

    size_t size() const { return m_groups.size(); }
    /// True once a rename gave a group the name of another.
    bool hasSharedNames() const { return m_sharedNames; }
    QConfigGroup& at(size_t index) { return *m_groups[index]; }
    const QConfigGroup& at(size_t index) const { return *m_groups[index]; }

private:
    void indexGroup(uint32_t index);
    void rebuild();

    std::vector<std::unique_ptr<QConfigGroup>> m_groups;
    std::vector<uint32_t> m_slots; // open addressing: group index + 1, 0 = empty
    bool m_sharedNames = false;
};

#include "common/config/QConfigGroup.h"

#include "platform/ini/IniSyntax.h"

#include <algorithm>
#include <limits>

using platform::ini::nameHash;
using platform::ini::sameName;

namespace {

constexpr size_t kMinSlots = 8;
// The shortest text read that stays in the file's bytes.
constexpr qsizetype kMinKeptBytes = 64;

// Linear probing over a table of indices + 1 (0: empty) with room to spare: the slot of the
// item that `matches`, or the empty slot where it would go.
template <class Matches>
size_t probe(const std::vector<uint32_t>& slots, uint64_t hash, Matches matches) {
    const size_t mask = slots.size() - 1;
    for (size_t i = size_t(hash) & mask;; i = (i + 1) & mask)
        if (slots[i] == 0 || matches(slots[i] - 1)) return i;
}

// The table is kept at most three quarters full.
bool tooFull(size_t items, size_t slots) {
    return items * 4 > slots * 3;
}

size_t slotCountFor(size_t items) {
    size_t n = kMinSlots;
    while (tooFull(items + 1, n))
        n *= 2;
    return n;
}

// Empty but not null: a present entry always reads as a non-null text.
QString nonNull(QString text) {
    if (text.isNull()) return QString(QLatin1String(""));
    return text;
}

} // namespace

// --- QConfigGroup -------------------------------------------------------------

size_t QConfigGroup::find(QStringView key) const {
    if (m_slots.empty()) return npos;
    // A removed entry's slot stays taken, so that the probe goes on past it.
    const size_t slot = probe(m_slots, nameHash(key), [&](uint32_t i) {
        return !isRemoved(i) && sameName(this->key(i), key);
    });
    return m_slots[slot] ? m_slots[slot] - 1 : npos;
}

QStringView QConfigGroup::key(size_t index) const {
    const Stored& e = m_entries[index];
    return view(e.at, e.keyLength);
}

QString QConfigGroup::text(size_t index) const {
    const Stored& e = m_entries[index];
    if (e.flags & kAscii) return QString::fromLatin1(asciiText(index));
    return view(e.textAt, e.textLength).toString();
}

QByteArrayView QConfigGroup::asciiText(size_t index) const {
    const Stored& e = m_entries[index];
    return QByteArrayView(m_bytes.constData() + e.textAt, e.textLength);
}

QString QConfigGroup::value(size_t index) const {
    const Stored& e = m_entries[index];
    if (e.flags & kAscii) {
        // Stripped when read: without a backslash the value is the text.
        const QByteArrayView bytes = asciiText(index);
        if ((e.flags & kVerbatim) || !bytes.contains('\\'))
            return nonNull(QString::fromLatin1(bytes));
        return nonNull(platform::ini::unescapedValue(QString::fromLatin1(bytes)));
    }
    const QStringView stored = view(e.textAt, e.textLength);
    if (e.flags & kVerbatim) return nonNull(stored.toString());
    return nonNull(platform::ini::unescapedValue(stored));
}

QConfigEntry QConfigGroup::entry(size_t index) const {
    const uint8_t flags = m_entries[index].flags;
    return {nonNull(key(index).toString()), value(index),
            nonNull(text(index)),           bool(flags & kModified),
            bool(flags & kPersistent),      bool(flags & kGlobal),
            bool(flags & kLocalised)};
}

bool QConfigGroup::store(size_t index, const Stored& made) {
    if (index == npos) {
        m_entries.push_back(made);
        indexEntry(uint32_t(m_entries.size() - 1));
        return true;
    }
    // A replaced entry keeps its key's spelling; the old characters become unused.
    Stored& e = m_entries[index];
    m_unused += poolLength(e);
    e = made;
    if (m_unused > size_t(m_pool.size()) / 2 && m_unused > 4096) compact(false);
    return true;
}

bool QConfigGroup::fits(size_t index, QStringView key, qsizetype poolGrowth,
                        qsizetype textEnd) const {
    constexpr qsizetype kMax = std::numeric_limits<uint32_t>::max();
    if (m_pool.size() + poolGrowth > kMax || textEnd > kMax || key.size() > kMaxKeyLength)
        return false;
    return index != npos || m_entries.size() < std::numeric_limits<uint32_t>::max() - 1;
}

bool QConfigGroup::put(size_t index, QStringView key, QStringView text, uint8_t flags) {
    if (!fits(index, key, key.size() + text.size(), 0)) return false;
    const auto at = uint32_t(m_pool.size());
    const Stored made{at, uint32_t(key.size()), uint8_t(flags & ~kAscii), uint32_t(at + key.size()),
                      uint32_t(text.size())};
    m_pool.append(key);
    m_pool.append(text);
    return store(index, made);
}

bool QConfigGroup::putAscii(size_t index, QStringView key, qsizetype at, qsizetype length,
                            uint8_t flags) {
    if (!fits(index, key, key.size(), at + length)) return false;
    const Stored made{uint32_t(m_pool.size()), uint32_t(key.size()), uint8_t(flags | kAscii),
                      uint32_t(at), uint32_t(length)};
    m_pool.append(key);
    return store(index, made);
}

uint8_t QConfigGroup::readFlags(bool global, bool verbatim) {
    return uint8_t(kPersistent | (global ? kGlobal : 0) | (verbatim ? kVerbatim : 0));
}

bool QConfigGroup::addRead(QStringView key, QStringView text, bool global, bool verbatim) {
    return put(npos, key.trimmed(), text.trimmed(), readFlags(global, verbatim));
}

bool QConfigGroup::addReadAscii(QStringView key, const QByteArray& file, qsizetype at,
                                qsizetype length, bool global, bool verbatim) {
    const uint8_t flags = readFlags(global, verbatim);
    // Short texts cost less as characters than the file they would keep; a long one stays in
    // the bytes of one file only, and one past what an offset can name becomes characters.
    if (length >= kMinKeptBytes) {
        if (m_bytes.isNull()) m_bytes = file;
        if (m_bytes.constData() == file.constData() &&
            putAscii(npos, key.trimmed(), at, length, flags))
            return true;
    }
    return put(npos, key.trimmed(), QString::fromLatin1(file.constData() + at, length), flags);
}

bool QConfigGroup::markPersistentModified() {
    bool any = false;
    for (Stored& e : m_entries) {
        if (!(e.flags & kPersistent) || (e.flags & kRemoved)) continue;
        e.flags |= kModified;
        any = true;
    }
    return any;
}

bool QConfigGroup::write(size_t index, QStringView key, QStringView value, bool persistent,
                         bool global, bool localised) {
    const uint8_t flags = uint8_t(kVerbatim | (persistent ? kModified | kPersistent : 0) |
                                  (global ? kGlobal : 0) | (localised ? kLocalised : 0));
    if (index != npos) key = this->key(index);
    return put(index, key, value, flags);
}

bool QConfigGroup::copy(size_t index, const QConfigGroup& source, size_t from) {
    const QStringView keyNow = index == npos ? source.key(from) : key(index);
    const Stored& e = source.m_entries[from];
    if (!(e.flags & kAscii))
        return put(index, keyNow, source.view(e.textAt, e.textLength), e.flags);
    // Bytes of the file this group was read from, or of none yet, stay where they are.
    if (m_bytes.isNull()) m_bytes = source.m_bytes;
    if (m_bytes.constData() == source.m_bytes.constData())
        return putAscii(index, keyNow, e.textAt, e.textLength, e.flags);
    return put(index, keyNow, source.text(from), e.flags);
}

void QConfigGroup::markRemoved(size_t index) {
    Stored& e = m_entries[index];
    e.flags |= kRemoved;
    m_unused += poolLength(e);
    ++m_removed;
}

void QConfigGroup::remove(QStringView key) {
    // Without a key written twice the index names the only entry; otherwise every entry is
    // looked at, which only a damaged or hand-made file needs.
    if (!m_duplicates) {
        const size_t index = find(key);
        if (index == npos) return;
        markRemoved(index);
    } else {
        bool any = false;
        for (size_t i = 0; i < m_entries.size(); ++i) {
            if (isRemoved(i) || !sameName(this->key(i), key)) continue;
            markRemoved(i);
            any = true;
        }
        if (!any) return;
    }
    // Compacting when half the entries are gone keeps a long run of removals linear.
    if (m_removed * 2 > m_entries.size() ||
        (m_unused > size_t(m_pool.size()) / 2 && m_unused > 4096))
        compact(true);
}

void QConfigGroup::clear() {
    m_entries.clear();
    m_slots.clear();
    m_pool.clear();
    m_bytes.clear();
    m_unused = 0;
    m_removed = 0;
    m_duplicates = false;
}

void QConfigGroup::clearModified(size_t index) {
    if (index != npos) {
        m_entries[index].flags &= uint8_t(~kModified);
        return;
    }
    for (Stored& e : m_entries)
        e.flags &= uint8_t(~kModified);
}

void QConfigGroup::indexEntry(uint32_t index) {
    if (tooFull(size_t(index) + 1, m_slots.size())) {
        rebuild(); // indexes every entry up to `index` too
        return;
    }
    if (isRemoved(index)) return;
    const QStringView k = key(index);
    const size_t slot = probe(m_slots, nameHash(k),
                              [&](uint32_t i) { return !isRemoved(i) && sameName(key(i), k); });
    if (m_slots[slot]) m_duplicates = true;
    m_slots[slot] = index + 1; // a later entry of the same key takes the slot
}

void QConfigGroup::rebuild() {
    m_duplicates = false;
    m_slots.assign(slotCountFor(m_entries.size()), 0);
    for (uint32_t i = 0; i < m_entries.size(); ++i)
        indexEntry(i);
}

void QConfigGroup::compact(bool dropRemoved) {
    QString pool;
    pool.reserve(m_pool.size() - qsizetype(m_unused));
    if (dropRemoved) {
        std::erase_if(m_entries, [](const Stored& e) { return e.flags & kRemoved; });
        m_removed = 0;
    }
    bool ascii = false;
    for (Stored& e : m_entries) {
        // A removed entry kept for its index needs no characters: no lookup reads them.
        if (e.flags & kRemoved) {
            e = {0, 0, uint8_t(e.flags & ~kAscii), 0, 0};
            continue;
        }
        const auto keyAt = uint32_t(pool.size());
        pool.append(view(e.at, e.keyLength));
        e.at = keyAt;
        if (e.flags & kAscii) {
            ascii = true;
            continue;
        }
        const auto textAt = uint32_t(pool.size());
        pool.append(view(e.textAt, e.textLength));
        e.textAt = textAt;
    }
    m_pool = std::move(pool);
    m_unused = 0;
    // The file's bytes are let go once no text lies in them.
    if (!ascii) m_bytes.clear();
    rebuild();
}

void QConfigGroup::squeeze() {
    m_entries.shrink_to_fit();
    m_pool.squeeze();
}

// --- QConfigGroups ------------------------------------------------------------

QConfigGroups::QConfigGroups() {
    findOrAdd(QStringLiteral("<default>"));
}

QConfigGroups QConfigGroups::clone() const {
    QConfigGroups copy;
    copy.m_groups.clear();
    copy.m_groups.reserve(m_groups.size());
    for (const auto& group : m_groups)
        copy.m_groups.push_back(std::make_unique<QConfigGroup>(*group));
    copy.m_slots = m_slots;
    copy.m_sharedNames = m_sharedNames;
    return copy;
}

QConfigGroup* QConfigGroups::find(QStringView name) {
    if (m_slots.empty()) return nullptr;
    const size_t slot = probe(m_slots, nameHash(name),
                              [&](uint32_t i) { return sameName(m_groups[i]->name(), name); });
    return m_slots[slot] ? m_groups[m_slots[slot] - 1].get() : nullptr;
}

const QConfigGroup* QConfigGroups::find(QStringView name) const {
    return const_cast<QConfigGroups*>(this)->find(name);
}

QConfigGroup& QConfigGroups::findOrAdd(const QString& name) {
    if (QConfigGroup* group = find(name)) return *group;
    m_groups.push_back(std::make_unique<QConfigGroup>(name));
    indexGroup(uint32_t(m_groups.size() - 1));
    return *m_groups.back();
}

bool QConfigGroups::remove(QStringView name) {
    QConfigGroup* group = find(name);
    if (!group) return false;
    if (group == m_groups.front().get()) {
        group->clear(); // "<default>" always exists
        return true;
    }
    std::erase_if(m_groups, [group](const auto& g) { return g.get() == group; });
    rebuild();
    return true;
}

bool QConfigGroups::rename(QStringView oldName, const QString& newName) {
    QConfigGroup* group = find(oldName);
    if (!group || group == m_groups.front().get()) return false;
    if (QConfigGroup* other = find(newName); other && other != group) m_sharedNames = true;
    const auto it = std::find_if(m_groups.begin(), m_groups.end(),
                                 [group](const auto& g) { return g.get() == group; });
    std::unique_ptr<QConfigGroup> moved = std::move(*it);
    m_groups.erase(it);
    moved->m_name = newName;
    // The index keeps the last of same-named groups: at the end, the moved one.
    m_groups.push_back(std::move(moved));
    rebuild();
    return true;
}

void QConfigGroups::indexGroup(uint32_t index) {
    if (tooFull(size_t(index) + 1, m_slots.size())) {
        rebuild();
        return;
    }
    const QStringView name = m_groups[index]->name();
    const size_t slot = probe(m_slots, nameHash(name),
                              [&](uint32_t i) { return sameName(m_groups[i]->name(), name); });
    m_slots[slot] = index + 1;
}

void QConfigGroups::rebuild() {
    m_slots.assign(slotCountFor(m_groups.size()), 0);
    for (uint32_t i = 0; i < m_groups.size(); ++i)
        indexGroup(i);
}

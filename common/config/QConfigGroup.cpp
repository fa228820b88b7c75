#include "QConfigGroup.h"

#include <algorithm>
#include <limits>

namespace {

constexpr size_t kMinSlots = 8;

// A hash that agrees with configSameName: each code point is case-folded as the comparison folds
// it.
uint64_t foldedHash(QStringView text) {
    uint64_t hash = 14695981039346656037ull;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
        hash = (hash ^ QChar::toCaseFolded(c)) * 1099511628211ull;
    }
    return hash ^ (hash >> 31);
}

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

// A backslash and the character after it become one character: \\, \n, \t, \r; before any
// other character (and at the very end) the backslash stays.
QString unescape(QStringView text) {
    if (!text.contains(QLatin1Char('\\'))) return text.toString();
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\\') || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const QChar n = text[++i];
        if (n == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        else if (n == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (n == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (n == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else
            out += QLatin1Char('\\') + QString(n);
    }
    return out;
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
    const size_t slot = probe(m_slots, foldedHash(key),
                              [&](uint32_t i) { return configSameName(this->key(i), key); });
    return m_slots[slot] ? m_slots[slot] - 1 : npos;
}

QStringView QConfigGroup::key(size_t index) const {
    const Stored& e = m_entries[index];
    return view(e.at, e.keyLength);
}

QStringView QConfigGroup::text(size_t index) const {
    const Stored& e = m_entries[index];
    return view(e.at + e.keyLength, e.textLength);
}

QString QConfigGroup::value(size_t index) const {
    const QStringView stored = text(index);
    if (m_entries[index].flags & kVerbatim) return nonNull(stored.toString());
    // Stripping before unescaping gives the same as unescaping the raw text and stripping then.
    return nonNull(unescape(stored).trimmed());
}

QConfigEntry QConfigGroup::entry(size_t index) const {
    const uint8_t flags = m_entries[index].flags;
    return {nonNull(key(index).toString()),  value(index),
            nonNull(text(index).toString()), bool(flags & kModified),
            bool(flags & kPersistent),       bool(flags & kGlobal),
            bool(flags & kLocalised)};
}

bool QConfigGroup::put(size_t index, QStringView key, QStringView text, uint8_t flags) {
    constexpr qsizetype kMaxPool = std::numeric_limits<uint32_t>::max();
    if (m_pool.size() + key.size() + text.size() > kMaxPool) return false;
    if (index == npos && m_entries.size() >= std::numeric_limits<uint32_t>::max() - 1) return false;
    const Stored made{uint32_t(m_pool.size()), uint32_t(key.size()), uint32_t(text.size()), flags};
    m_pool.append(key);
    m_pool.append(text);
    if (index == npos) {
        m_entries.push_back(made);
        indexEntry(uint32_t(m_entries.size() - 1));
        return true;
    }
    // A replaced entry keeps its key's spelling; the old characters become unused.
    Stored& e = m_entries[index];
    m_unused += e.keyLength + e.textLength;
    e = made;
    if (m_unused > size_t(m_pool.size()) / 2 && m_unused > 4096) compact();
    return true;
}

bool QConfigGroup::addRead(QStringView key, QStringView text, bool global, bool verbatim) {
    return put(npos, key.trimmed(), text.trimmed(),
               uint8_t(kPersistent | (global ? kGlobal : 0) | (verbatim ? kVerbatim : 0)));
}

bool QConfigGroup::markPersistentModified() {
    bool any = false;
    for (Stored& e : m_entries) {
        if (!(e.flags & kPersistent)) continue;
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
    return put(index, keyNow, source.text(from), source.m_entries[from].flags);
}

void QConfigGroup::remove(QStringView key) {
    const auto gone = std::remove_if(m_entries.begin(), m_entries.end(), [&](const Stored& e) {
        return configSameName(view(e.at, e.keyLength), key);
    });
    if (gone == m_entries.end()) return;
    for (auto it = gone; it != m_entries.end(); ++it)
        m_unused += it->keyLength + it->textLength;
    m_entries.erase(gone, m_entries.end());
    if (m_unused > size_t(m_pool.size()) / 2)
        compact();
    else
        rebuild();
}

void QConfigGroup::clear() {
    m_entries.clear();
    m_slots.clear();
    m_pool.clear();
    m_unused = 0;
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
    const QStringView k = key(index);
    const size_t slot =
        probe(m_slots, foldedHash(k), [&](uint32_t i) { return configSameName(key(i), k); });
    m_slots[slot] = index + 1; // a later entry of the same key takes the slot
}

void QConfigGroup::rebuild() {
    m_slots.assign(slotCountFor(m_entries.size()), 0);
    for (uint32_t i = 0; i < m_entries.size(); ++i)
        indexEntry(i);
}

void QConfigGroup::compact() {
    QString pool;
    pool.reserve(m_pool.size() - qsizetype(m_unused));
    for (Stored& e : m_entries) {
        const QStringView both = view(e.at, e.keyLength + e.textLength);
        e.at = uint32_t(pool.size());
        pool.append(both);
    }
    m_pool = std::move(pool);
    m_unused = 0;
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

QConfigGroup* QConfigGroups::find(QStringView name) {
    if (m_slots.empty()) return nullptr;
    const size_t slot = probe(m_slots, foldedHash(name), [&](uint32_t i) {
        return configSameName(m_groups[i]->name(), name);
    });
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
    const size_t slot = probe(m_slots, foldedHash(name), [&](uint32_t i) {
        return configSameName(m_groups[i]->name(), name);
    });
    m_slots[slot] = index + 1;
}

void QConfigGroups::rebuild() {
    m_slots.assign(slotCountFor(m_groups.size()), 0);
    for (uint32_t i = 0; i < m_groups.size(); ++i)
        indexGroup(i);
}

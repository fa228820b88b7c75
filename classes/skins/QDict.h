#pragma once

#include <QHash>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

/// A dictionary of records keyed by case-sensitive names, in insertion order. Inserting never
/// replaces: several records may share a name, and `find` answers the one inserted last.
/// Records are shared (a layer can sit in a flat dictionary and in a set at once); a record
/// lives as long as any dictionary holds it. Pointers from `find` stay valid while the record
/// is held. Not thread-safe for writing; after loading, any number of threads may read.
template <class T> class QDict {
public:
    using Entry = std::pair<QString, std::shared_ptr<T>>;

    /// Appends `record` under `name`.
    void insert(const QString& name, std::shared_ptr<T> record) {
        m_latest.insert(name, record.get());
        m_entries.emplace_back(name, std::move(record));
    }

    /// The record inserted last under `name`, or null.
    T* find(const QString& name) const { return m_latest.value(name, nullptr); }

    /// Removes `record` (found by identity) and hands back the dictionary's share of it; null
    /// when it is not held.
    std::shared_ptr<T> take(const T* record) {
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->second.get() != record) continue;
            const QString name = it->first;
            std::shared_ptr<T> taken = std::move(it->second);
            m_entries.erase(it);
            relink(name);
            return taken;
        }
        return nullptr;
    }

    qsizetype count() const { return qsizetype(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }

    /// The entries in insertion order.
    const std::vector<Entry>& entries() const { return m_entries; }
    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }

private:
    void relink(const QString& name) {
        m_latest.remove(name);
        for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
            if (it->first == name) {
                m_latest.insert(name, it->second.get());
                return;
            }
        }
    }

    std::vector<Entry> m_entries;
    QHash<QString, T*> m_latest;
};

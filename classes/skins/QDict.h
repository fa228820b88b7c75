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
        latest_.insert(name, record.get());
        entries_.emplace_back(name, std::move(record));
    }

    /// The record inserted last under `name`, or null.
    T* find(const QString& name) const { return latest_.value(name, nullptr); }

    /// Removes `record` (found by identity) and hands back the dictionary's share of it; null
    /// when it is not held.
    std::shared_ptr<T> take(const T* record) {
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->second.get() != record) continue;
            const QString name = it->first;
            std::shared_ptr<T> taken = std::move(it->second);
            entries_.erase(it);
            relink(name);
            return taken;
        }
        return nullptr;
    }

    qsizetype count() const { return qsizetype(entries_.size()); }
    bool isEmpty() const { return entries_.empty(); }

    /// The entries in insertion order.
    const std::vector<Entry>& entries() const { return entries_; }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

private:
    void relink(const QString& name) {
        latest_.remove(name);
        for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
            if (it->first == name) {
                latest_.insert(name, it->second.get());
                return;
            }
        }
    }

    std::vector<Entry> entries_;
    QHash<QString, T*> latest_;
};

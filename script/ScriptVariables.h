#pragma once

#include "script/ScriptLexer.h"
#include "script/ScriptMemory.h"
#include "script/ScriptNames.h"
#include "script/ScriptTypes.h"

#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

/// A counter that changes whenever a variable list gains or loses records or a call switches
/// the running function's list: caches of variable lookups are valid while it stands. Used
/// under the interpreter lock.
inline uint64_t gScriptVariableEpoch = 1;
/// The same for the lists that functions are found in (all but the running function's own,
/// which change at every call): caches of function lookups are valid while it stands.
inline uint64_t gScriptFunctionEpoch = 1;
inline void scriptBumpVariableEpoch() {
    ++gScriptVariableEpoch;
    ++gScriptFunctionEpoch;
}

/// A named value: a variable, or a function (a native bound by its registry token in the
/// value area, or a script function with a body in a read text).
struct ScriptVariable {
    std::string name;
    uint64_t hash = 0;
    ScriptType* type = nullptr;
    ScriptVariable* older = nullptr; ///< the previous record of the same name in the same list
    bool hasBody = false;            ///< a script function
    ScriptSourcePtr body;            ///< the text holding the body
    uint32_t bodyStart = 0;          ///< token index of the body's `{`
    ScriptStorage storage;           ///< the value area as a region pointers may point into
    alignas(8) unsigned char area[16] = {};

    /// Where the object lies: the value area, or the block it points to for large types.
    unsigned char* data() {
        if (!type->isLarge()) return area;
        unsigned char* block;
        std::memcpy(&block, area, sizeof block);
        return block;
    }
    /// The region of `data()`.
    ScriptStorage& region() { return type->isLarge() ? *scriptBlockStorage(data()) : storage; }
};

/// A list of variables; the newest record of a name is found first. Confined to one run,
/// except the process-wide list and persistent lists (guarded by the interpreter lock).
class ScriptVarList {
public:
    ScriptVariable* find(std::string_view name, uint64_t hash) const {
        if (!m_map.empty()) {
            const auto it = m_map.find(ScriptNameKey{name, hash});
            return it == m_map.end() ? nullptr : it->second;
        }
        for (auto it = m_records.rbegin(); it != m_records.rend(); ++it)
            if ((*it)->hash == hash && (*it)->name == name) return it->get();
        return nullptr;
    }

    /// Adds a record as the newest of its name.
    ScriptVariable* add(std::unique_ptr<ScriptVariable> variable) {
        changed();
        variable->older = find(variable->name, variable->hash);
        ScriptVariable* raw = variable.get();
        m_records.push_back(std::move(variable));
        if (!m_map.empty()) {
            m_map[ScriptNameKey{raw->name, raw->hash}] = raw;
        } else if (m_records.size() > kLinearLimit) {
            for (const auto& r : m_records)
                m_map[ScriptNameKey{r->name, r->hash}] = r.get();
        }
        return raw;
    }

    std::vector<std::unique_ptr<ScriptVariable>>& records() { return m_records; }
    bool empty() const { return m_records.empty(); }
    /// Forgets every record without destroying values (the caller destroyed them).
    void clear() {
        changed();
        m_records.clear();
        m_map.clear();
    }
    /// Takes one record out of the list (its value stays as it is).
    std::unique_ptr<ScriptVariable> take(ScriptVariable* variable) {
        changed();
        ScriptVariable* newest = find(variable->name, variable->hash);
        for (ScriptVariable* v = newest; v && v != variable; v = v->older)
            if (v->older == variable) v->older = variable->older;
        if (!m_map.empty()) {
            // The map's key views the name of a record: re-key it to the record that stays.
            m_map.erase(ScriptNameKey{variable->name, variable->hash});
            ScriptVariable* stays = newest == variable ? variable->older : newest;
            if (stays) m_map.emplace(ScriptNameKey{stays->name, stays->hash}, stays);
        }
        std::unique_ptr<ScriptVariable> taken;
        for (auto it = m_records.begin(); it != m_records.end(); ++it)
            if (it->get() == variable) {
                taken = std::move(*it);
                m_records.erase(it);
                break;
            }
        taken->older = nullptr;
        return taken;
    }
    /// Hands the records over (the caller destroyed their values), leaving the list empty.
    void release(std::vector<std::unique_ptr<ScriptVariable>>& into) {
        changed();
        for (auto& r : m_records)
            into.push_back(std::move(r));
        clear();
    }

    /// Marks the list as a function call's own (parameters and locals).
    void setLocal() { m_local = true; }

private:
    void changed() {
        ++gScriptVariableEpoch;
        if (!m_local) ++gScriptFunctionEpoch;
    }

    static constexpr size_t kLinearLimit = 12;
    bool m_local = false;
    std::vector<std::unique_ptr<ScriptVariable>> m_records;
    std::unordered_map<ScriptNameKey, ScriptVariable*, ScriptNameKeyHash> m_map;
};

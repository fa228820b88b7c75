#pragma once

#include "script/ScriptKeyCompare.h"

#include <map>
#include <optional>
#include <string>

/// The settings an export module reads from the module settings file "tmp_modules.ini" in the
/// per-user state folder, where the produce page writes them before a render.
namespace exportmodule {

/// One group's keys (compared without regard to case) and values. Missing file or group: empty.
class ModuleSettings {
public:
    /// Reads group `group` (compared without regard to case) of the file at `path`. Nothing,
    /// with the reason in `error`, when the file exists but cannot be read (no permission, not
    /// a regular file, a read error): an export must not go on with settings it never saw.
    static std::optional<ModuleSettings> read(const std::string& path, const char* group,
                                              std::string& error);
    /// Reads `group` of "tmp_modules.ini" in the state folder; a file that cannot be read is
    /// reported on the standard error output.
    static std::optional<ModuleSettings> readDefault(const char* group);

    /// The value of `key` (without regard to case), or nothing.
    std::optional<std::string> text(const char* key) const;
    /// The value as a decimal integer, or nothing when missing or not a number.
    std::optional<long long> integer(const char* key) const;

private:
    std::map<std::string, std::string, ScriptKeyLess> m_values;
};

} // namespace exportmodule

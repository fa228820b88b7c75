#pragma once

class ZRHostCallbacks;

/// Writes the line "<source>(<line>): Exception in '<operation>'" (followed by ", module
/// '<module>'" when one is named) to the debug output and, when `host` is given, to the host's
/// debug entry.
void zrReportModuleException(const ZRHostCallbacks* host, const char* source, long line,
                             const char* operation, const char* module = nullptr);

/// Runs one call into plug-in module code inside a catch-all: an exception costs one debug line
/// (see `zrReportModuleException`; `line` is the caller's) and the answer false, and work goes
/// on with the data as it stands. A memory fault inside a module cannot be caught this way.
template <class Call>
bool zrGuardedCall(const ZRHostCallbacks* host, const char* source, long line,
                   const char* operation, Call&& call, const char* module = nullptr) {
    try {
        call();
        return true;
    } catch (...) {
        zrReportModuleException(host, source, line, operation, module);
        return false;
    }
}

#pragma once

#include "engine/api/zrplugin.h"
#include "engine/modules/ZRModuleBinder.h"

/// A single-entry module bound through its one entry point `zrPluginCall`. Callers run each call
/// under their own guard and lock (`entry`), naming themselves in the guard line.
class ZRPluginModule final : public ZRModuleBinder {
public:
    /// Loads the module and binds `zrPluginCall`; false (nothing loaded) when either fails.
    bool bind(const QString& path);
    void release();
    /// The bound entry point, or null.
    ZRPluginCallFunction entry() const { return m_entry; }

    /// The module's display name from its information record (opcode ZR_PLUGIN_INFO, guarded);
    /// empty when the module gives none.
    QByteArray displayName() const;

protected:
    const char* sourceName() const override { return "ZRPluginModule"; }

private:
    ZRPluginCallFunction m_entry = nullptr;
};

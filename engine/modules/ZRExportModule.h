#pragma once

#include "engine/api/zrplugin.h"
#include "engine/modules/ZRModuleBinder.h"

#include <optional>

/// An export module bound for one export: `moduleInfo20` (required), `exportConfig`,
/// `exportStart`, `exportEncode`, `exportEnd`. Entries the module lacks answer as refusals
/// (false) or do nothing.
/// Thread-safety: one owner thread at a time (the exporting thread).
class ZRExportModule final : public ZRModuleBinder {
public:
    /// Loads the module and binds its entries; false (nothing loaded) when the module cannot be
    /// loaded or lacks `moduleInfo20`.
    bool bind(const QString& path);

    /// The module's information record, copied; nothing when it gives none.
    std::optional<ZRModuleInfo> info(int32_t language, ZRStringLookup lookup);
    void config(ZRExportRecord* record);
    /// False when the module refuses to start (or has no `exportStart`).
    bool start(ZRExportRecord* record, int32_t totalFrames);
    /// False when the module refuses the frame: the export ends.
    bool encode(ZRImageRecord* frame, const void* audio, int32_t audioBytes);
    void end();

protected:
    const char* sourceName() const override { return "ZRExportModule"; }

private:
    ZRModuleInfoFunction m_info = nullptr;
    ZRExportConfigFunction m_config = nullptr;
    ZRExportStartFunction m_start = nullptr;
    ZRExportEncodeFunction m_encode = nullptr;
    ZRExportEndFunction m_end = nullptr;
};

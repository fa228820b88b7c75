#pragma once

#include "engine/api/zrplugin.h"
#include "engine/export/ZRExportAudioFormat.h"
#include "engine/modules/ZRExportModule.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class ZRHostCallbacks;

/// What an export record tells a module about the export.
struct ZRExportRecordFormat {
    int width = 0;
    int height = 0;
    double frameRate = 0.0;
    /// The engine's audio that comes with the frames; none without.
    std::optional<ZRExportAudioFormat> audio;
};

/// One use of an export module: its export record filled, the module bound and asked for its
/// information (`moduleInfo20`), then either configured (`exportConfig`) or started, fed frames
/// and ended. `exportEnd` is owed from a successful start and called once: after a refused
/// frame, by `end`, or by the destructor. The module is unloaded with the object.
/// Thread-safety: one thread at a time.
class ZRExportModuleRun {
public:
    ZRExportModuleRun();
    /// Ends the module when it is still owed its end.
    ~ZRExportModuleRun();
    ZRExportModuleRun(const ZRExportModuleRun&) = delete;
    ZRExportModuleRun& operator=(const ZRExportModuleRun&) = delete;

    enum class Opened {
        Ok,
        NameTooLong, ///< the file name does not fit the record: refused, never cut; nothing loaded
        NotBound,    ///< the module file cannot be loaded or lacks `moduleInfo20`
    };
    /// Fills the record afresh with `fileName` (UTF-8; null: none) and `format`, then binds the
    /// module file at `path` (its calls guarded and reported through `host`) and calls
    /// `moduleInfo20`.
    [[nodiscard]] Opened open(const QString& path, const ZRHostCallbacks* host,
                              const char* fileName, const ZRExportRecordFormat& format);
    /// `exportConfig` on the record.
    void configure();
    /// `exportStart` with the record; when the module accepts, the palette is filled if it asks
    /// for one. False when it refuses.
    [[nodiscard]] bool start(int32_t totalFrames);
    /// `exportEncode`; false when the module refuses the frame (it is ended then).
    [[nodiscard]] bool encode(ZRImageRecord& frame, const void* audio, int32_t audioBytes);
    /// `exportEnd` when it is owed.
    void end();
    /// Started and not ended.
    bool running() const { return m_running; }

    /// The record's file name as the module left it, ended within the record; nothing until
    /// `open` filled the record with a name.
    std::optional<std::string> fileName();

private:
    std::unique_ptr<ZRExportRecord> m_record;
    ZRExportModule m_module;
    bool m_named = false;
    bool m_running = false;
};

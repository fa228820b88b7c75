#pragma once

#include "engine/api/ZRExportSession.h"
#include "engine/export/ZRExportModuleRun.h"

#include <cstdint>
#include <memory>

class ZREngineServices;

/// The engine's export session: an export module bound for one export, fed frame by frame.
/// Registered in its timeline from `startExportSession` until it is deleted.
/// Thread-safety: one thread at a time; registration is guarded by the timeline's session lock.
class ZRModuleExportSession final : public ZRExportSession {
public:
    ZRModuleExportSession(ZREngineServices& owner, int32_t totalFrames);
    /// Ends the export (`endExportSession`) and leaves the timeline's registry.
    ~ZRModuleExportSession() override;

    /// Binds the module serving ("Export", `moduleName`) and starts it for `width` x `height`
    /// frames at `rate` into `fileName` (UTF-8); false when there is no module, it does not
    /// bind, the name does not fit the export record, or the module refuses to start.
    bool startExportSession(const char* moduleName, int width, int height, double rate,
                            const char* fileName);
    bool encodeExportFrame(IZRImage* frame) override;
    /// `exportEnd` (once) and the module released. Called by the destructor.
    void endExportSession();

    int32_t framesEncoded() const { return m_counter; }

private:
    ZREngineServices& m_owner;
    std::unique_ptr<ZRExportModuleRun> m_run; // while the module is bound
    int32_t m_totalFrames;
    int32_t m_counter = 0;
};

#pragma once

#include "engine/api/ZREffect.h"
#include "engine/base/ZRObjectBindings.h"
#include "engine/base/ZRPos.h"

#include <memory>
#include <string>

class IZRObject;

/// The engine's effect: a stretch of one object run through a video-effect module. Made by the
/// timeline's factory with its kind, subclass and module names; only a "Video Effect" gets a
/// module, the others stay unbound (no video, no audio). The owner is the object the effect is
/// attached to, set and cleared by that object. Confined like every effect (see `ZREffect`).
class ZRModuleEffect final : public ZREffect {
public:
    ZRModuleEffect(const char* kind, const char* subclass, const char* module);
    ~ZRModuleEffect() override;
    ZRModuleEffect(const ZRModuleEffect&) = delete;
    ZRModuleEffect& operator=(const ZRModuleEffect&) = delete;

    const char* name() const override { return m_name.c_str(); }
    IZRPos* startPos() override { return &m_start; }
    IZRPos* endPos() override { return &m_end; }
    IZRPos* duration() override { return &m_duration; }
    bool hasVideo() const override { return m_hasVideo; }
    bool hasAudio() const override { return m_hasAudio; }
    IZRPos* markIn() override { return &m_markIn; }
    bool setMarkIn(const IZRPos* p) override;
    IZRPos* markOut() override { return &m_end; }
    bool setMarkOut(const IZRPos* p) override;
    int32_t render(IZRImage* source, IZRImage* target, double progress) override;

    /// The upper bound of mark-out minus mark-in.
    IZRPos* sourceLength() { return &m_sourceLength; }
    void setName(const char* name) { m_name = name ? name : ""; }
    const std::string& kind() const { return m_kind; }
    const std::string& subclass() const { return m_subclass; }
    const std::string& module() const { return m_module; }

    /// The object the effect is attached to, or null.
    IZRObject* owner() const { return m_owner; }
    void setOwner(IZRObject* owner) { m_owner = owner; }

    /// end := start + duration - 1 frame (never below zero).
    void updateEnd();

    /// Takes the bound video-effect module: the effect then has video (and never audio).
    void bindModule(std::unique_ptr<ZRVideoEffectBinding> binding);

private:
    IZRObject* m_owner = nullptr;
    std::string m_name;
    std::string m_kind;
    std::string m_subclass;
    std::string m_module;
    ZRPos m_start;
    ZRPos m_end;
    ZRPos m_duration;
    ZRPos m_markIn;
    ZRPos m_sourceLength;
    bool m_hasVideo = false;
    bool m_hasAudio = false;
    std::unique_ptr<ZRVideoEffectBinding> m_binding;
};

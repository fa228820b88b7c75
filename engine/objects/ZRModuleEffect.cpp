#include "engine/objects/ZRModuleEffect.h"

#include "engine/api/IZRImage.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

ZRModuleEffect::ZRModuleEffect(const char* kind, const char* subclass, const char* module)
    : m_kind(kind ? kind : ""), m_subclass(subclass ? subclass : ""),
      m_module(module ? module : "") {}

ZRModuleEffect::~ZRModuleEffect() = default;

void ZRModuleEffect::bindModule(std::unique_ptr<ZRVideoEffectBinding> binding) {
    m_binding = std::move(binding);
    m_hasVideo = m_binding != nullptr;
    m_hasAudio = false;
}

void ZRModuleEffect::updateEnd() {
    m_end.assign(&m_start);
    m_end.add(&m_duration);
    m_end.decrement();
}

bool ZRModuleEffect::setMarkIn(const IZRPos* p) {
    if (!p || !m_duration.operator>(p)) return false;
    m_start.add(p);
    m_markIn.assign(p);
    m_duration.subtract(p);
    updateEnd();
    return true;
}

bool ZRModuleEffect::setMarkOut(const IZRPos* p) {
    // Positions do not go below zero, so a mark-out before the mark-in would pass the length
    // test as an empty span: refuse it outright.
    if (!p || p->operator<(&m_markIn)) return false;
    ZRPos span;
    span.assign(p);
    span.subtract(&m_markIn);
    if (span.operator>(&m_sourceLength)) return false;
    m_duration.assign(&span);
    updateEnd();
    return true;
}

int32_t ZRModuleEffect::render(IZRImage* source, IZRImage* target, double progress) {
    if (!m_binding || !source || !target) return 0;
    {
        // Modules draw onto a target that starts opaque white.
        std::lock_guard targetLock(*target);
        unsigned char* pixels = target->pixels();
        const int width = target->width(), height = target->height();
        const ptrdiff_t stride = target->stride();
        if (pixels && width > 0 && std::abs(stride) >= ptrdiff_t(width) * 4) {
            for (int y = 0; y < height; ++y)
                std::memset(pixels + y * stride, 0xFF, size_t(width) * 4);
        }
    }
    if (!(progress >= 0.0)) progress = 0.0;
    if (progress > 1.0) progress = 1.0;
    return m_binding->generateVideoEffect(source, target, static_cast<int32_t>(progress * 100000));
}

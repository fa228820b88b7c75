#include "ZRObject.h"

#include "api/IZRImage.h"
#include "api/ZRFont.h"
#include "objects/ZRGuardedEffectList.h"
#include "objects/ZRModuleEffect.h"
#include "timeline/ZRTimeline.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

bool isKind(const std::string& kind, const char* name) {
    return qstricmp(kind.c_str(), name) == 0;
}

double clampedProgress(double progress) {
    if (!(progress >= 0.0)) return 0.0;
    return progress > 1.0 ? 1.0 : progress;
}

} // namespace

ZRObject::ZRObject(ZRTimeline* owner, const char* kind, const char* subclass, const char* module,
                   const char* options)
    : m_owner(owner), m_kind(kind ? kind : ""), m_subclass(subclass ? subclass : ""),
      m_module(module ? module : ""), m_options(QString::fromUtf8(options ? options : "")) {}

ZRObject::~ZRObject() {
    if (m_userValue != 0 && m_owner) m_owner->host().deleteUserData(m_userValue);
    m_transition.reset();
    m_source.reset();
    // The effects outlive the object (the factory owns them, and the timeline destroys objects
    // before effects): leave none pointing back at it.
    if (m_effects) {
        m_effects->lock();
        for (ZREffect* effect = m_effects->first(); effect; effect = m_effects->next()) {
            auto* own = dynamic_cast<ZRModuleEffect*>(effect);
            if (own && own->owner() == this) own->setOwner(nullptr);
        }
        m_effects->unlock();
    }
}

// --- Effects -----------------------------------------------------------------

ZREffectList* ZRObject::effectList() {
    return m_effects.get();
}

bool ZRObject::hasEffectsOrTransition() const {
    return m_effects != nullptr || m_transition != nullptr;
}

bool ZRObject::addEffect(ZREffect* effect) {
    auto* own = dynamic_cast<ZRModuleEffect*>(effect);
    // An effect's stretch is measured in one object: it belongs to at most one at a time.
    if (!own || (own->owner() && own->owner() != this)) return false;
    if (!m_effects) m_effects = std::make_unique<ZRGuardedEffectList>();
    if (m_effects->find(effect) >= 0) return false;
    const bool background = backgroundRenderingOn();
    if (background) suspendBackgroundRenderer();
    m_effects->append(effect);
    own->startPos()->set(0, 0, 0, 0, m_duration.framerate());
    own->duration()->assign(&m_duration);
    own->updateEnd();
    own->sourceLength()->assign(&m_sourceLength);
    own->setOwner(this);
    if (own->hasVideo() && background) invalidateRange();
    if (background) resumeBackgroundRenderer();
    return true;
}

bool ZRObject::removeEffect(ZREffect* effect) {
    if (!m_effects || !effect || m_effects->find(effect) < 0) return false;
    const bool background = backgroundRenderingOn();
    if (background) suspendBackgroundRenderer();
    if (effect->hasVideo() && background) invalidateRange();
    m_effects->remove(effect);
    if (m_effects->isEmpty()) m_effects.reset();
    if (auto* own = dynamic_cast<ZRModuleEffect*>(effect)) own->setOwner(nullptr);
    if (background) resumeBackgroundRenderer();
    return true;
}

// --- Rendering ---------------------------------------------------------------

void ZRObject::fillSolid(IZRImage* target) const {
    unsigned char* pixels = target->pixels();
    const int width = target->width(), height = target->height();
    const ptrdiff_t stride = target->stride();
    if (!pixels || width <= 0 || height <= 0 || std::abs(stride) < ptrdiff_t(width) * 4) return;
    const unsigned char pixel[4] = {static_cast<unsigned char>(m_solidColor),
                                    static_cast<unsigned char>(m_solidColor >> 8),
                                    static_cast<unsigned char>(m_solidColor >> 16),
                                    static_cast<unsigned char>(m_solidColor >> 24)};
    for (int y = 0; y < height; ++y) {
        unsigned char* row = pixels + y * stride;
        for (int x = 0; x < width; ++x)
            std::memcpy(row + size_t(x) * 4, pixel, 4);
    }
}

IZRImage* ZRObject::renderVideo(IZRPos* sourcePosition, IZRImage* target) {
    if (!sourcePosition || !target) return nullptr;
    target->lock();
    try {
        if (isKind(m_kind, "Solid Color")) {
            fillSolid(target);
        } else if (m_frameSource) {
            m_frameSource(sourcePosition, target);
        } else if (m_fontData) {
            renderTitle(sourcePosition, target);
        } else if (m_source) {
            try {
                m_source->renderVideo(sourcePosition, target);
            } catch (...) {
                debugLine("Exception while calling 'seekAndRenderVideo' in module: 'ZRObject'");
            }
        }
    } catch (...) {
        debugLine("Exception in videoAt(...), Module: 'ZRObject'");
    }
    target->unlock();
    return target;
}

// Titles are laid out and drawn by the frame composer's text path, which sizes them to the
// target and fades them; until that path joins, a title draws nothing of its own.
void ZRObject::renderTitle(IZRPos*, IZRImage*) {}

void ZRObject::renderTransition(IZRImage* from, IZRImage* to, IZRImage* out, double progress) {
    if (!m_transition || !from || !to || !out) return;
    m_transition->generateTransition(from, to, out,
                                     static_cast<int32_t>(clampedProgress(progress) * 10000));
}

bool ZRObject::seekAudio(IZRPos* sourcePosition) {
    if (!m_hasAudio || !sourcePosition) return false;
    m_audioPosition.assign(sourcePosition);
    if (m_source) m_source->seekAudio(sourcePosition);
    return true;
}

// The object's sound is delivered by the audio mixer's source path (conversion, resampling,
// volume keys); until that path joins, no object hands out samples.
float* ZRObject::renderAudio(int32_t, int32_t* bytes) {
    if (bytes) *bytes = 0;
    return nullptr;
}

// --- Placement and bindings --------------------------------------------------

void ZRObject::setTrackIndex(bool video, int index) {
    (video ? m_videoTrack : m_audioTrack) = index < 0 ? -1 : index;
}

void ZRObject::setFontData(std::unique_ptr<ZRFontData> data) {
    m_fontData = std::move(data);
    m_textBox = m_fontData ? std::make_unique<ZRStringInfo>() : nullptr;
}

bool ZRObject::remeasureText() {
    if (!m_fontData) return false;
    ZRFont* font = zrProcessFont();
    if (!font) return false;
    font->lock();
    const bool opened = font->openFont(m_fontData.get()) == 0;
    if (opened) font->getBBox(m_fontData->text, m_textBox.get(), m_fontData.get());
    font->unlock();
    return opened;
}

void ZRObject::bindTransition(std::unique_ptr<ZRTransitionBinding> binding) {
    m_transition = std::move(binding);
    m_isTransition = m_transition != nullptr;
}

void ZRObject::setMediaSource(std::unique_ptr<ZRMediaSource> source) {
    m_source = std::move(source);
}

// --- Volume keys -------------------------------------------------------------

bool ZRObject::setVolumeKey(IZRPos* position, double levelDb) {
    if (!position || !std::isfinite(levelDb)) return false;
    m_volumeKeys.insert(position, levelDb);
    return true;
}

bool ZRObject::removeVolumeKey(IZRPos* position) {
    return position && m_volumeKeys.remove(position);
}

double ZRObject::volumeAt(IZRPos* position) {
    return position ? m_volumeKeys.levelAt(position, &m_duration) : 0.0;
}

IZRPos* ZRObject::volumeKeyPosAt(int32_t index) {
    const ZRPosKeyMap::Key* key = m_volumeKeys.at(index);
    if (!key) return nullptr;
    m_volumeKeyPosition.set(key->hours, key->minutes, key->seconds, key->frames,
                            ZRPos::defaultFrameRate());
    return &m_volumeKeyPosition;
}

double ZRObject::volumeGainAt(IZRPos* position) {
    if (m_volumeKeys.isEmpty() || !position) return 1.0;
    if (const ZRPosKeyMap::Key* key = m_volumeKeys.find(position))
        return std::pow(10.0, key->level * 0.05);
    // Between keys the gain moves in the timeline's steps of 1/1000.
    const double gain = std::pow(10.0, volumeAt(position) * 0.05);
    return std::trunc(gain * 1000.0) * 0.001;
}

// --- The owner timeline ------------------------------------------------------

// The timeline's background renderer is not part of the engine yet: there is no rendering in
// the background to suspend, resume or tell about a changed range.
bool ZRObject::backgroundRenderingOn() const {
    return false;
}
void ZRObject::suspendBackgroundRenderer() {}
void ZRObject::resumeBackgroundRenderer() {}
void ZRObject::invalidateRange() {}

void ZRObject::debugLine(const char* text) const {
    if (m_owner) m_owner->host().debug(text);
}

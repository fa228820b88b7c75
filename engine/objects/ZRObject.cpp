#include "engine/objects/ZRObject.h"

#include "engine/api/IZRImage.h"
#include "engine/api/ZRFont.h"
#include "engine/audio/ZRAudioMixer.h"
#include "engine/audio/ZRAudioSource.h"
#include "engine/base/ZREngineServices.h"
#include "engine/base/ZRHostCallbacks.h"
#include "engine/base/ZRRenderTime.h"
#include "engine/fonts/ZRProcessFont.h"
#include "engine/objects/ZRGuardedEffectList.h"
#include "engine/objects/ZRModuleEffect.h"
#include "engine/render/ZRImage.h"
#include "engine/util/ZRYieldingMutex.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

namespace {

bool isKind(const std::string& kind, const char* name) {
    return qstricmp(kind.c_str(), name) == 0;
}

double clampedProgress(double progress) {
    if (!(progress >= 0.0)) return 0.0;
    return progress > 1.0 ? 1.0 : progress;
}

bool carriesNativeFrame(IZRImage* image) {
    const auto* own = dynamic_cast<const ZRImage*>(image);
    return own && own->nativeKind() > 0 && own->nativeData() && own->nativeLength() > 0;
}

} // namespace

ZRObject::ZRObject(ZREngineServices* owner, const char* kind, const char* subclass,
                   const char* module, const char* options)
    : m_owner(owner), m_kind(kind ? kind : ""), m_subclass(subclass ? subclass : ""),
      m_module(module ? module : ""), m_options(QString::fromUtf8(options ? options : "")) {}

ZRObject::~ZRObject() {
    releaseUserData();
    m_transition.reset();
    m_audio.reset(); // reads the source
    m_audioMedia.reset();
    m_source.reset();
    // The effects outlive the object (the factory owns them, and the timeline destroys objects
    // before effects): leave none pointing back at it.
    if (m_effects) {
        std::lock_guard listLock(*m_effects);
        for (ZREffect* effect = m_effects->first(); effect; effect = m_effects->next()) {
            auto* own = dynamic_cast<ZRModuleEffect*>(effect);
            if (own && own->owner() == this) own->setOwner(nullptr);
        }
    }
}

void ZRObject::releaseUserData() {
    const intptr_t value = std::exchange(m_userValue, 0);
    if (value != 0 && m_owner) m_owner->host().deleteUserData(value);
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
    SettingChange change(*this);
    if (!m_effects) m_effects = std::make_unique<ZRGuardedEffectList>();
    if (m_effects->find(effect) >= 0) return false;
    m_effects->append(effect);
    own->startPos()->set(0, 0, 0, 0, m_duration.framerate());
    own->duration()->assign(&m_duration);
    own->updateEnd();
    own->sourceLength()->assign(&m_sourceLength);
    own->setOwner(this);
    change.invalidate = own->hasVideo();
    return true;
}

bool ZRObject::removeEffect(ZREffect* effect) {
    SettingChange change(*this);
    if (!m_effects || !effect || m_effects->find(effect) < 0) return false;
    change.invalidate = effect->hasVideo();
    m_effects->remove(effect);
    if (m_effects->isEmpty()) m_effects.reset();
    if (auto* own = dynamic_cast<ZRModuleEffect*>(effect)) own->setOwner(nullptr);
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
    std::unique_lock<ZRYieldingMutex> renderLock;
    if (!m_owner)
        return renderVideoPlaced(sourcePosition, target, {m_start, m_end, m_duration, m_markIn});
    renderLock = std::unique_lock(m_owner->renderMutex());
    return renderVideoPlaced(sourcePosition, target, m_owner->placementOf(this));
}

IZRImage* ZRObject::renderVideoPlaced(IZRPos* sourcePosition, IZRImage* target,
                                      const ZRObjectPlacement& placement) {
    if (!sourcePosition || !target) return nullptr;
    std::unique_lock<ZRYieldingMutex> renderLock;
    if (m_owner) renderLock = std::unique_lock(m_owner->renderMutex());
    // A title changes its font data while it renders, and a host's frame function may not be
    // reentrant; a media source has locks of its own (see renderSource), a solid colour no state.
    std::unique_lock<std::recursive_mutex> objectLock;
    if (m_frameSource || m_fontData) objectLock = std::unique_lock(m_renderLock);
    std::lock_guard targetLock(*target);
    auto* image = dynamic_cast<ZRImage*>(target);
    try {
        // Only a media source delivers a native frame; whatever else draws leaves none behind.
        if (isKind(m_kind, "Solid Color")) {
            if (image) {
                image->setContent(true);
                image->resetNative();
            }
            fillSolid(target);
        } else if (m_frameSource) {
            if (image) image->resetNative();
            m_frameSource(sourcePosition, target);
        } else if (m_fontData) {
            if (image) image->resetNative();
            renderTitle(sourcePosition, target, placement);
        } else if (m_source) {
            renderSource(sourcePosition, target,
                         placement.duration.toFrames() >= kSpareSourceMinimumFrames);
        }
    } catch (...) {
        debugLine("Exception in videoAt(...), Module: 'ZRObject'\n");
    }
    return target;
}

// In pass-through the nominee hands on its source's own frame; a source without one is decoded
// after all, so that the frame never goes out with stale pixels.
// Frames composed at once on several threads read the same file: the object's own source serves
// one of them, and each other render takes a spare source opened on the same file, kept for the
// next frame. Where no spare can be opened the render waits for the own source, and so does it
// for a short object, whose few frames do not repay opening its file again.
void ZRObject::renderSource(IZRPos* sourcePosition, IZRImage* target, bool spareAllowed) {
    std::unique_lock own(m_ownSourceInUse, std::try_to_lock);
    std::unique_ptr<ZRMediaSource> spare;
    ZRMediaSource* source = m_source.get();
    if (!own.owns_lock()) {
        if (spareAllowed) spare = takeSpareSource();
        if (spare)
            source = spare.get();
        else
            own.lock();
    }
    try {
        if (m_owner && m_owner->exportPassThrough() && m_owner->isPassThroughNominee(this) &&
            source->nativeVideo(sourcePosition, target) && carriesNativeFrame(target)) {
        } else {
            source->renderVideo(sourcePosition, target);
        }
    } catch (...) {
        debugLine("Exception while calling 'seekAndRenderVideo' in module: 'ZRObject'\n");
    }
    if (spare) {
        std::lock_guard lock(m_spareMutex);
        m_spareSources.push_back(std::move(spare));
    }
}

std::unique_ptr<ZRMediaSource> ZRObject::takeSpareSource() {
    {
        std::lock_guard lock(m_spareMutex);
        if (!m_spareSources.empty()) {
            std::unique_ptr<ZRMediaSource> spare = std::move(m_spareSources.back());
            m_spareSources.pop_back();
            return spare;
        }
        if (m_spareCount >= kMaxSpareSources) return nullptr;
        ++m_spareCount;
    }
    // Opened outside the lock: opening a file takes a while, and other renders may go on.
    std::unique_ptr<ZRMediaSource> made = m_source->duplicate();
    if (!made) {
        std::lock_guard lock(m_spareMutex);
        --m_spareCount;
    }
    return made;
}

// A title is sized to the target against the timeline's frame and fades in and out with its
// own text alpha; the size ratio and the alpha are the object's again when the render ends.
void ZRObject::renderTitle(IZRPos* sourcePosition, IZRImage* target,
                           const ZRObjectPlacement& placement) {
    auto* image = dynamic_cast<ZRImage*>(target);
    if (!image || !image->pixels() || !m_textBox) return;
    ZRFontData& font = *m_fontData;
    struct Restore {
        ZRObject* object;
        double ratio;
        int alpha;
        bool rescaled = false;
        ~Restore() {
            object->m_fontData->alpha = alpha;
            if (!rescaled) return;
            object->m_fontData->sizeRatio = ratio;
            object->remeasureText();
        }
    } restore{this, font.sizeRatio, font.alpha};

    // No frame height yet (no "Video Dimensions"): nothing to size against.
    int frameWidth = 0, frameHeight = 0;
    if (m_owner) m_owner->videoDimensions(&frameWidth, &frameHeight);
    if (frameHeight > 0 && target->height() != frameHeight) {
        font.sizeRatio = restore.ratio * target->height() / frameHeight;
        restore.rescaled = true;
        remeasureText();
    }

    const bool opaque = font.opaqueBackground != 0;
    bool fade = true;
    if (!opaque && m_overlay.mode == 0) {
        target->clear();
    } else {
        const int width = target->width(), height = target->height();
        for (int y = 0; y < height; ++y) {
            unsigned char* p = target->pixels() + ptrdiff_t(y) * target->stride();
            for (int x = 0; x < width; ++x)
                p[size_t(x) * 4 + 3] = 0;
        }
        image->setContent(false);
        fade = m_overlay.mode == 4 || opaque;
    }

    // Time counts from the mark-in, so that a trimmed title still fades in and its remaining
    // time never goes below zero.
    const double rate = sourcePosition->framerate();
    const double elapsedFrames =
        std::max(0.0, sourcePosition->toFrames() - placement.markIn.toFrames());
    if (fade && m_overlay.fadeTime > 0 && rate > 0.0) {
        const int a0 = restore.alpha;
        const int64_t fadeTime = m_overlay.fadeTime;
        const int64_t t = int64_t(elapsedFrames * 1000.0 / rate);
        if (m_overlay.fadeIn && t < fadeTime) {
            font.alpha = int(a0 * t / fadeTime);
        } else {
            const int64_t remaining =
                std::max<int64_t>(0, int64_t(zrMilliseconds(&placement.duration) -
                                             std::trunc(1000.0 / rate) - double(t)));
            if (m_overlay.fadeOut && remaining < fadeTime)
                font.alpha = int(a0 * remaining / fadeTime);
        }
    }
    renderTextFrame(image, *m_textBox, &font, elapsedFrames, placement.duration.toFrames());
    if (m_overlay.mode == 0 || opaque) image->setContent(true);
}

void ZRObject::applyEffects(IZRImage* frame, IZRImage* scratch, IZRPos* sourcePosition,
                            const IZRPos& markIn) {
    if (!m_effects || !frame || !scratch || !sourcePosition) return;
    std::lock_guard objectLock(m_renderLock);
    ZRPos p;
    p.assign(sourcePosition);
    p.subtract(&markIn);
    // The frame before the scratch image, wherever both are held.
    std::lock_guard frameLock(*frame);
    std::lock_guard scratchLock(*scratch);
    const int rows = std::min(frame->height(), scratch->height());
    const int rowBytes = std::min(frame->width(), scratch->width()) * 4;
    if (!frame->pixels() || !scratch->pixels() || rows <= 0 || rowBytes <= 0) return;
    std::lock_guard listLock(*m_effects);
    for (ZREffect* effect = m_effects->first(); effect && effect->hasVideo();
         effect = m_effects->next()) {
        if (!(*effect->markIn() <= &p) || !(*effect->endPos() >= &p)) continue;
        for (int y = 0; y < rows; ++y)
            std::memcpy(scratch->pixels() + ptrdiff_t(y) * scratch->stride(),
                        frame->pixels() + ptrdiff_t(y) * frame->stride(), size_t(rowBytes));
        ZRPos into = p;
        into.subtract(effect->markIn());
        // An effect of no length sits on its one frame: progress 1, never a division by 0.
        const double q = std::clamp(zrProgress(&into, effect->duration(), 100000.0), 1.0, 100000.0);
        // Half a step above the integer, so that the effect's scaling truncates back to it.
        effect->render(scratch, frame, (q + 0.5) / 100000.0);
    }
}

void ZRObject::renderTransition(IZRImage* from, IZRImage* to, IZRImage* out, double progress) {
    if (!m_transition || !from || !to || !out) return;
    std::lock_guard objectLock(m_renderLock);
    m_transition->generateTransition(from, to, out,
                                     static_cast<int32_t>(clampedProgress(progress) * 10000));
}

// --- Audio -------------------------------------------------------------------

bool ZRObject::seekAudio(IZRPos* sourcePosition) {
    if (!m_hasAudio || !sourcePosition) return false;
    m_audioPosition.assign(sourcePosition);
    m_audioFraction = 0.0;
    m_lastVolume = 0.0;
    if (m_audio)
        m_audio->seek(sourcePosition);
    else if (m_source)
        m_source->seekAudio(sourcePosition);
    return true;
}

bool ZRObject::prepareAudio(IZRPos* sourcePosition, int32_t rate, int32_t bits, int32_t channels,
                            bool channelMode, int quality) {
    if (!m_hasAudio || !m_source || !sourcePosition) return false;
    m_audioRate = rate;
    m_audioBits = bits;
    m_audioChannels = std::clamp<int32_t>(channels, 1, ZRAudioMixer::kMaxChannels);
    m_channelMode = channelMode;
    m_audioPosition.assign(sourcePosition);
    m_audioFraction = 0.0;
    m_lastVolume = 0.0;
    if (!m_audio) {
        // Composers decode the own source's pictures while the mix reads its sound: a source
        // with both reads its sound from a copy of its own where the file opens twice, unless
        // the object is too short to repay opening it again (as for spare sources).
        const bool longEnough =
            !m_owner || m_owner->placementOf(this).duration.toFrames() >= kSpareSourceMinimumFrames;
        if (longEnough && m_source->sourceHasVideo()) m_audioMedia = m_source->duplicate();
        m_audio =
            std::make_unique<ZRAudioSource>(m_audioMedia ? m_audioMedia.get() : m_source.get());
    }
    return m_audio->prepare(sourcePosition, rate, m_audioChannels, quality);
}

void ZRObject::releaseAudio() {
    m_audio.reset(); // reads the source
    m_audioMedia.reset();
    std::vector<float>().swap(m_mixBlock);
    m_mixGeneration = 0;
}

float* ZRObject::renderAudio(int32_t frames, int32_t* bytes) {
    if (bytes) *bytes = 0;
    if (!m_hasAudio || !m_audio || !m_audio->isPrepared() || frames <= 0) return nullptr;
    const ZRPos blockStart = m_audioPosition;
    float* samples = m_audio->read(frames);
    if (!samples) return nullptr;

    // The read position moves by whole frames of the position's rate; the samples short of a
    // frame are carried to the next block.
    const double rate = m_audioPosition.framerate();
    const int64_t perFrame = rate > 0.0 ? int64_t(std::trunc(m_audioRate / rate)) : 0;
    m_audioFraction += frames;
    if (perFrame > 0) {
        const int64_t advance = int64_t(std::trunc(m_audioFraction)) / perFrame;
        m_audioPosition.addFrames(int(std::min<int64_t>(advance, INT32_MAX)));
        m_audioFraction -= double(advance * perFrame);
    }
    shapeAudio(samples, frames, blockStart);
    if (bytes)
        *bytes = int32_t(std::min<int64_t>(int64_t(m_audioChannels) * frames * 4, INT32_MAX));
    return samples;
}

// Track mode: the volume keys as a relative gain 1 + level, reached within the block's first
// millisecond. Channel mode: the object's own channel matrix, with the keys' decibel gain
// moving across the block.
void ZRObject::shapeAudio(float* samples, int32_t frames, const ZRPos& blockStart) {
    const int channels = m_audioChannels;
    const size_t values = size_t(frames) * size_t(channels);
    if (!m_channelMode) {
        if (m_volumeKeys.isEmpty()) return;
        const double level = volumeAt(&m_audioPosition);
        if (level != 0.0) {
            const double from = 1.0 + m_lastVolume, to = 1.0 + level;
            const size_t ramp = std::min(size_t(std::max(0.0, m_audioRate * 0.001)), values);
            for (size_t i = 0; i < values; ++i) {
                const double gain = i < ramp ? from + (to - from) * double(i) / double(ramp) : to;
                samples[i] = float(samples[i] * gain);
            }
        }
        m_lastVolume = level;
        return;
    }
    ZRPos start = blockStart;
    const double gainFrom = volumeGainAt(&start);
    const double gainTo = volumeGainAt(&m_audioPosition);
    m_mixBlock.assign(values, 0.0f);
    const int routed = std::min(channels, kChannels);
    for (int c = 0; c < routed; ++c) {
        for (int j = 0; j < routed; ++j) {
            if (m_channelMute[size_t(j)]) continue;
            const double g = std::pow(10.0, m_channelLevel[size_t(j)] * 0.05) *
                             zrPanFactor(m_channelPanning[size_t(j)], c) *
                             (m_channelInvert[size_t(j)] ? -1.0 : 1.0);
            if (std::fabs(g) <= 0.00001) continue;
            for (int32_t i = 0; i < frames; ++i) {
                const double key = gainFrom + (gainTo - gainFrom) * double(i) / double(frames);
                float& out = m_mixBlock[size_t(i) * size_t(channels) + size_t(c)];
                out = float(out + samples[size_t(i) * size_t(channels) + size_t(j)] * g * key);
            }
        }
    }
    std::copy(m_mixBlock.begin(), m_mixBlock.end(), samples);
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
    std::lock_guard fontLock(*font);
    const bool opened = font->openFont(m_fontData.get()) == 0;
    if (opened) font->getBBox(m_fontData->text, m_textBox.get(), m_fontData.get());
    return opened;
}

void ZRObject::bindTransition(std::unique_ptr<ZRTransitionBinding> binding) {
    m_transition = std::move(binding);
    m_isTransition = m_transition != nullptr;
}

void ZRObject::setMediaSource(std::unique_ptr<ZRMediaSource> source) {
    m_audio.reset(); // reads the source
    m_audioMedia.reset();
    {
        std::lock_guard lock(m_spareMutex);
        m_spareSources.clear();
        m_spareCount = 0;
    }
    m_source = std::move(source);
}

// --- Volume keys -------------------------------------------------------------

// The keys change under the render mutex: the audio mix reads them on its own thread.
bool ZRObject::setVolumeKey(IZRPos* position, double levelDb) {
    if (!position || !std::isfinite(levelDb)) return false;
    SettingChange change(*this);
    m_volumeKeys.insert(position, levelDb);
    return true;
}

bool ZRObject::removeVolumeKey(IZRPos* position) {
    if (!position) return false;
    SettingChange change(*this);
    return m_volumeKeys.remove(position);
}

void ZRObject::clearVolumeKeys() {
    SettingChange change(*this);
    m_volumeKeys.clear();
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

bool ZRObject::backgroundRenderingOn() const {
    return m_owner && m_owner->backgroundRenderingEnabled();
}
// The object's range on the timeline, start to end.
void ZRObject::invalidateRange() {
    if (!m_owner || !backgroundRenderingOn()) return;
    const ZRObjectPlacement placement = m_owner->placementOf(this);
    m_owner->invalidateRange(placement.start, placement.end);
}

ZRObject::SettingChange::SettingChange(ZRObject& object) : m_object(object) {
    if (m_object.m_owner) m_lock = std::unique_lock(m_object.m_owner->renderMutex());
}

ZRObject::SettingChange::~SettingChange() {
    if (m_lock.owns_lock()) m_lock.unlock();
    if (invalidate) m_object.invalidateRange();
}

void ZRObject::debugLine(const char* text) const {
    if (m_owner) m_owner->host().debug(text);
}

#pragma once

#include "engine/api/IZRSettings.h"
#include "engine/api/ZRFontData.h"
#include "engine/base/ZRObjectBindings.h"
#include "engine/base/ZRPos.h"
#include "engine/base/ZRTrackItem.h"
#include "engine/objects/IZRVolumeKeys.h"
#include "engine/objects/ZRPosKeyMap.h"
#include "engine/util/ZRYieldingMutex.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class ZRAudioSource;
class ZRGuardedEffectList;
class ZREngineServices;

/// A timeline object of any kind: an "Import" clip read through its media source, an "External
/// Video Object" drawn by the host, a "Solid Color", a "2D-Text" title or a "Transition". The
/// kind decides which binding it holds and how it renders. Made and destroyed by the timeline's
/// factory, which sets the kind's values through the engine-internal setters below; the host
/// sees it as `IZRObject`, `IZRSettings` and `IZRVolumeKeys`.
/// Thread-safety: its place (positions, tracks) is guarded by the owner's timeline mutex; its
/// settings, title text and font data, effects and bindings by the owner's render mutex, which
/// every setter holds exclusively and every render at least shared. Frames composed at once on
/// several threads may render the same object: its own render lock (taken inside the render
/// mutex) lets one render, transition or effect run of it at a time. Its effect list has its own
/// mutex.
class ZRObject final : public ZRTrackItem, public IZRSettings, public IZRVolumeKeys {
public:
    /// The host's frame function of an "External Video Object".
    using FrameSource = void (*)(const IZRPos* sourcePosition, IZRImage* target);

    static constexpr int kChannels = 16;

    /// How the object is laid over the frame below it, copied as one block by duplication.
    struct Overlay {
        int32_t mode = 0; ///< 0 = drawn straight into the frame; else a blend mode
        int32_t red = 0;  ///< key colour and its Y, U, V
        int32_t green = 0;
        int32_t blue = 0;
        int32_t y = 0;
        int32_t u = 0;
        int32_t v = 0;
        int32_t opacity = 0;     ///< transparency percentage, 0 = fully visible
        int32_t fadeIn = 0;      ///< non-zero: fade in over `fadeTime`
        int32_t fadeOut = 0;     ///< non-zero: fade out over `fadeTime`
        int32_t fadeTime = 1000; ///< milliseconds
        int32_t match = 100;     ///< key tolerance, 0..100
        int32_t smooth = 0;      ///< edge radius
        int32_t invertKey = 0;
    };

    /// An object of `owner` (may be null) with the factory's four texts; null texts are empty.
    /// `options` is UTF-8 (the file name of a clip, the text of a title).
    ZRObject(ZREngineServices* owner, const char* kind, const char* subclass, const char* module,
             const char* options);
    /// Hands the user value to the host's `deleteUserData` (when non-zero), detaches every
    /// effect (which stays alive: the factory owns effects) and releases the bindings.
    ~ZRObject() override;
    /// Hands the user value to the host's `deleteUserData` now (when non-zero) and forgets it.
    /// The timeline does this before it takes the render lock to delete the object: the host's
    /// release may destroy effects, which pauses the renderer and so takes the renderer's state
    /// lock, and that lock comes before the render lock.
    void releaseUserData();
    ZRObject(const ZRObject&) = delete;
    ZRObject& operator=(const ZRObject&) = delete;

    // IZRObject
    IZRImage* renderVideo(IZRPos* sourcePosition, IZRImage* target) override;
    bool seekAudio(IZRPos* sourcePosition) override;
    float* renderAudio(int32_t frames, int32_t* bytes) override;
    IZRPos* currentPos() override { return &m_audioPosition; }
    const char* name() const override { return m_name.c_str(); }
    void setName(const char* name) override { m_name = name ? name : ""; }
    intptr_t getUserValue() const override { return m_userValue; }
    void setUserValue(intptr_t value) override { m_userValue = value; }
    IZRPos* startPos() override { return &m_start; }
    IZRPos* endPos() override { return &m_end; }
    IZRPos* duration() override { return &m_duration; }
    IZRPos* sourceLength() override { return &m_sourceLength; }
    bool hasVideo() const override { return m_hasVideo; }
    bool hasAudio() const override { return m_hasAudio; }
    bool addEffect(ZREffect* effect) override;
    bool removeEffect(ZREffect* effect) override;
    ZREffectList* effectList() override;
    void renderTransition(IZRImage* from, IZRImage* to, IZRImage* out, double progress) override;
    IZRPos* markIn() override { return &m_markIn; }
    IZRPos* markOut() override { return &m_markOut; }
    int32_t trackNumber(bool video) const override { return trackIndex(video) + 1; }

    // ZRTrackItem
    int trackIndex(bool video) const override { return video ? m_videoTrack : m_audioTrack; }
    void setTrackIndex(bool video, int index) override;

    // IZRSettings (keys compared without regard to case)
    bool getFadeFactor(const char* key, double* x, double* levelFrom, double* levelTo,
                       double* out) override;
    bool getTrackChannelDoubleSetting(const char* key, int* track, unsigned* channel,
                                      double* out) override;
    bool getUnicodeStringSetting(const char* key, const char16_t** out) override;
    bool getStringSetting(const char* key, char** out) override;
    bool getIntTripleSetting(const char* key, int* a, int* b, int* c) override;
    bool getIntPairSetting(const char* key, int* a, int* b) override;
    bool getIndexedDoubleSetting(const char* key, int* index, double* out) override;
    bool getDoubleSetting(const char* key, double* out) override;
    bool getIntSetting(const char* key, int* out) override;
    bool addFadePoint(const char* key, double x, double y) override;
    bool setTrackChannelDoubleSetting(const char* key, int track, unsigned channel,
                                      double value) override;
    bool setUnicodeStringSetting(const char* key, const char16_t* value) override;
    bool setStringSetting(const char* key, const char* value) override;
    bool setIntTripleSetting(const char* key, int a, int b, int c) override;
    bool setIntPairSetting(const char* key, int a, int b) override;
    bool setIndexedDoubleSetting(const char* key, int index, double value) override;
    bool setDoubleSetting(const char* key, double value) override;
    bool setIntSetting(const char* key, intptr_t value) override;

    // IZRVolumeKeys
    bool volumeKeysEmpty() override { return m_volumeKeys.isEmpty(); }
    int32_t volumeKeyCount() override { return m_volumeKeys.count(); }
    bool setVolumeKey(IZRPos* position, double levelDb) override;
    bool removeVolumeKey(IZRPos* position) override;
    void clearVolumeKeys() override;
    double volumeAt(IZRPos* position) override;
    IZRPos* volumeKeyPosAt(int32_t index) override;

    // Engine-internal
    ZREngineServices* owner() const { return m_owner; }
    const std::string& kind() const { return m_kind; }
    const std::string& subclass() const { return m_subclass; }
    const std::string& module() const { return m_module; }
    const QString& options() const { return m_options; }
    /// The media file of a clip, the descriptive text of a transition module; else empty.
    void setSourceText(const char* text) { m_sourceText = text ? text : ""; }
    void setHasVideo(bool on) { m_hasVideo = on; }
    void setHasAudio(bool on) { m_hasAudio = on; }

    /// True when a transition module was bound.
    bool isTransition() const { return m_isTransition; }
    /// True with an effect list or a transition module (the composer then cannot pass the
    /// source frame through unchanged).
    bool hasEffectsOrTransition() const;
    /// The attached effects, or null (the engine's own type of `effectList`).
    ZRGuardedEffectList* effects() const { return m_effects.get(); }

    /// "External Video Object": the host's frame function, kept and copied as a function.
    FrameSource frameSource() const { return m_frameSource; }
    void setFrameSource(FrameSource source) { m_frameSource = source; }
    /// "Solid Color": 0xAARRGGBB.
    uint32_t solidColor() const { return m_solidColor; }
    void setSolidColor(uint32_t color) { m_solidColor = color; }

    const Overlay& overlay() const { return m_overlay; }
    void setOverlay(const Overlay& overlay) { m_overlay = overlay; }

    /// "2D-Text": takes the title's font data (and makes its zeroed text box); null removes both.
    void setFontData(std::unique_ptr<ZRFontData> data);
    ZRFontData* fontData() const { return m_fontData.get(); }
    /// The title's measured box ("Text Width", "Text Height"); null without font data.
    /// Measures the title text into the text box with the process-wide font, which is locked
    /// meanwhile. False without font data or when the font cannot be opened.
    bool remeasureText();

    /// Takes a bound transition module; the object is a transition from then on.
    void bindTransition(std::unique_ptr<ZRTransitionBinding> binding);
    /// Takes the opened media source of an "Import" clip.
    void setMediaSource(std::unique_ptr<ZRMediaSource> source);
    ZRMediaSource* mediaSource() const { return m_source.get(); }

    /// (bits per sample / 8) x channels of the source audio.
    int32_t bytesPerSampleFrame() const { return m_bytesPerSampleFrame; }
    void setBytesPerSampleFrame(int32_t bytes) { m_bytesPerSampleFrame = bytes; }
    /// The media source's video format code, compared by the background renderer.
    int32_t sourceVideoFormat() const { return m_sourceVideoFormat; }
    void setSourceVideoFormat(int32_t format) { m_sourceVideoFormat = format; }

    const ZRPosKeyMap& volumeKeys() const { return m_volumeKeys; }
    /// The linear gain of the volume keys at a position: 1.0 without keys, 10^(L/20) on a key,
    /// between keys the interpolated level as a gain in steps of 0.001.
    double volumeGainAt(IZRPos* position);

    /// `renderVideo` with the object's place copied by the caller (under the timeline mutex),
    /// for a composer that must not read positions an edit may be moving. Called under the
    /// owner's render mutex.
    IZRImage* renderVideoPlaced(IZRPos* sourcePosition, IZRImage* target,
                                const ZRObjectPlacement& placement);

    /// Runs the object's video effects over `frame` at `sourcePosition` (source time, mark-in
    /// included; `markIn` the object's, as placed), in list order, stopping at the first effect
    /// without video. Each effect that covers the position reads a copy of the frame kept in
    /// `scratch` (same size) and writes `frame`. Called under the owner's render mutex.
    void applyEffects(IZRImage* frame, IZRImage* scratch, IZRPos* sourcePosition,
                      const IZRPos& markIn);

    /// Prepares the audio for a mix run: `rate` Hz, `bits`, `channels` float channels, mixed in
    /// channel mode (object channel matrix) or track mode (volume keys as 1 + level); the
    /// source is sought to `sourcePosition` and resampled with `quality`. False without audio.
    bool prepareAudio(IZRPos* sourcePosition, int32_t rate, int32_t bits, int32_t channels,
                      bool channelMode = false, int quality = 2);
    /// The mix run the audio was last prepared for.
    uint32_t mixGeneration() const { return m_mixGeneration; }
    void setMixGeneration(uint32_t generation) { m_mixGeneration = generation; }
    /// Drops the audio reader, its second opening of the file and its buffers once the mix has
    /// passed the object; the next mix that meets it prepares it again.
    void releaseAudio();

private:
    // The background renderer of the owner timeline: answered and told through these so that
    // the object never reads a renderer that is not there.
    bool backgroundRenderingOn() const;
    void invalidateRange();

    /// Holds the owner's render mutex while a setting changes, and tells the background renderer
    /// of the object's range once it is released when `invalidate` was set meanwhile.
    class SettingChange;

    void debugLine(const char* text) const;
    void fillSolid(IZRImage* target) const;
    void renderTitle(IZRPos* sourcePosition, IZRImage* target, const ZRObjectPlacement& placement);
    /// Renders from the media source: the own one, or a spare one when it is in use and
    /// `spareAllowed`.
    void renderSource(IZRPos* sourcePosition, IZRImage* target, bool spareAllowed);
    /// A spare source of the same file, idle or newly opened; null when none can be had.
    std::unique_ptr<ZRMediaSource> takeSpareSource();
    void shapeAudio(float* samples, int32_t frames, const ZRPos& blockStart);

    ZREngineServices* m_owner;
    FrameSource m_frameSource = nullptr;
    std::string m_name;
    std::string m_sourceText;
    ZRPos m_start;
    ZRPos m_end;
    ZRPos m_duration;
    ZRPos m_markIn;
    ZRPos m_markOut;
    ZRPos m_sourceLength;
    std::string m_kind;
    std::string m_subclass;
    std::string m_module;
    QString m_options;
    bool m_hasVideo = false;
    bool m_hasAudio = false;
    bool m_isTransition = false;
    int32_t m_transitionDirection = 0;
    std::unique_ptr<ZRTransitionBinding> m_transition;
    std::unique_ptr<ZRMediaSource> m_source;
    int m_videoTrack = -1;
    int m_audioTrack = -1;
    Overlay m_overlay;
    std::unique_ptr<ZRGuardedEffectList> m_effects;
    intptr_t m_userValue = 0;
    uint32_t m_solidColor = 0;
    std::unique_ptr<ZRStringInfo> m_textBox;
    std::unique_ptr<ZRFontData> m_fontData;
    /// One render of the object at a time (a title's render changes its font data meanwhile, a
    /// source decodes one frame at a time); recursive, as a render may nest another.
    std::recursive_mutex m_renderLock;
    /// Held while a render reads the object's own media source (`renderSource`).
    std::mutex m_ownSourceInUse;
    /// Sources of the same file for renders that find the own one in use (at most
    /// kMaxSpareSources made); guarded by m_spareMutex, a leaf.
    static constexpr int kMaxSpareSources = 8;
    /// The shortest object (in frames) that opens spare sources.
    static constexpr double kSpareSourceMinimumFrames = 50;
    std::mutex m_spareMutex;
    std::vector<std::unique_ptr<ZRMediaSource>> m_spareSources;
    int m_spareCount = 0;
    int32_t m_bytesPerSampleFrame = 0;
    ZRPos m_audioPosition;
    int32_t m_sourceVideoFormat = 0;
    ZRPosKeyMap m_volumeKeys;
    ZRPos m_volumeKeyPosition;
    // Audio of the current mix run: the source reader, the output format, the part of a frame
    // consumed beyond whole frames (in samples), the level last applied.
    std::unique_ptr<ZRAudioSource> m_audio;
    /// The file opened again for the sound of a source that has pictures too, so that the mix
    /// never waits for a frame being decoded on the own source (null: the sound reads the own
    /// source). Destroyed after m_audio, which reads it.
    std::unique_ptr<ZRMediaSource> m_audioMedia;
    uint32_t m_mixGeneration = 0;
    int32_t m_audioRate = 0;
    int32_t m_audioBits = 0;
    int32_t m_audioChannels = 0;
    bool m_channelMode = false;
    double m_audioFraction = 0.0;
    double m_lastVolume = 0.0;
    std::vector<float> m_mixBlock;
    std::array<uint8_t, kChannels> m_channelMute{};
    std::array<uint8_t, kChannels> m_channelInvert{};
    std::array<double, kChannels> m_channelPanning{-1.0, 1.0};
    std::array<double, kChannels> m_channelLevel{};
    // Results of the string getters, valid until the next call of the same getter.
    QByteArray m_stringResult;
    std::u16string m_unicodeResult;
};

class ZRObject::SettingChange {
public:
    explicit SettingChange(ZRObject& object);
    ~SettingChange();
    SettingChange(const SettingChange&) = delete;
    SettingChange& operator=(const SettingChange&) = delete;

    /// Set by a change that alters the object's frames.
    bool invalidate = false;

private:
    ZRObject& m_object;
    std::unique_lock<ZRYieldingMutex> m_lock;
};

#pragma once

// A timeline for the DV live output: its DV frames are one encoded picture of the project's
// system stamped with their frame number, its mix a known function of the sample index, so
// that what a camcorder receives can be checked frame by frame. Positions come from a real
// engine timeline's factory at 25 frames per second.

#include "engine/api/IZRTimeline.h"
#include "platform/dvcodec/DVEncoder.h"
#include "platform/dvcodec/DVFrame.h"
#include "platform/dvcodec/DVFrameAudio.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <span>
#include <string_view>
#include <thread>
#include <vector>

namespace dvfake {

/// Where a frame's number is stamped (subcode bytes of the first sequence).
inline constexpr size_t kStampAt = 83;

inline int64_t stampOf(std::span<const uint8_t> frame) {
    int32_t v = 0;
    std::memcpy(&v, frame.data() + kStampAt, sizeof v);
    return v;
}

/// Sample pair `index` of the mix.
inline void samplePair(int64_t index, uint8_t* out) {
    const auto left = uint16_t(index * 3), right = uint16_t(index * 7 + 1);
    out[0] = uint8_t(left);
    out[1] = uint8_t(left >> 8);
    out[2] = uint8_t(right);
    out[3] = uint8_t(right >> 8);
}

inline std::vector<uint8_t> encodedFrame(bool pal) {
    const int height = pal ? platform::kDVHeightPAL : platform::kDVHeightNTSC;
    std::vector<unsigned char> pixels(size_t(platform::kDVWidth) * height * 4, 0x60);
    std::vector<uint8_t> frame(platform::dvFrameSize(platform::kDVWidth, height));
    platform::DVEncoder encoder;
    size_t length = 0;
    if (encoder.encode(pixels.data(), platform::kDVWidth * 4, platform::kDVWidth, height, frame,
                       length) != platform::DVStatus::Ok)
        frame.clear();
    return frame;
}

inline uint64_t hashOf(std::span<const uint8_t> bytes) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : bytes)
        h = (h ^ b) * 1099511628211ull;
    return h;
}

class DVFakeTimeline final : public IZRTimeline, public IZRSettings {
public:
    explicit DVFakeTimeline(bool pal, int frames)
        : m_engine(IZRCreateTimelineInstance(nullptr, nullptr, 1)), m_pal(pal),
          m_base(encodedFrame(pal)) {
        m_engine->settings()->setDoubleSetting("Framerate", 25.0);
        m_end = m_engine->factory()->createPos();
        m_current = m_engine->factory()->createPos();
        m_end->assignFrames(frames);
    }
    ~DVFakeTimeline() override {
        m_engine->factory()->destroyPos(m_end);
        m_engine->factory()->destroyPos(m_current);
        IZRDeleteTimelineInstance(m_engine);
    }

    /// Pairs of the mix a frame of the system takes (the fake's positions count 25 a second).
    int pairsPerFrame() const { return m_pal ? 1920 : 1600; }
    /// Frame `number` as the engine hands it out (before the output adds sound).
    std::vector<uint8_t> frameNumber(int64_t number) const {
        std::vector<uint8_t> f = m_base;
        const auto v = int32_t(number);
        std::memcpy(f.data() + kStampAt, &v, sizeof v);
        return f;
    }
    /// Frame `number` as a camcorder must receive it with `pairs` pairs from sample `first`.
    std::vector<uint8_t> expectedFrame(int64_t number, int64_t first, int pairs) const {
        std::vector<uint8_t> f = frameNumber(number);
        std::vector<uint8_t> sound(size_t(pairs) * 4);
        for (int i = 0; i < pairs; ++i)
            samplePair(first + i, sound.data() + 4 * size_t(i));
        platform::dvInsertAudio(f, sound, pairs * 4, 48000);
        return f;
    }

    /// Runs before each frame is handed out, on the caller's thread, with its number.
    std::function<void(int64_t)> beforeFrame;
    /// Frame numbers the engine cannot make (answers null).
    std::function<bool(int64_t)> failsFrame;
    std::atomic<bool> dvStarted{false};
    /// The mix answers null with no bytes (a mixer that cannot deliver).
    bool audioFails = false;
    int audioRate = 48000, audioBits = 16, audioChannels = 2;

    unsigned char* dvOutputFrame(IZRPos* position, int* frameSize) override {
        if (!dvStarted) return nullptr;
        const auto number = int64_t(position->toFrames());
        if (beforeFrame) beforeFrame(number);
        if (failsFrame && failsFrame(number)) return nullptr;
        m_out = frameNumber(number);
        *frameSize = int(m_out.size());
        return m_out.data();
    }
    bool startAudioAt(IZRPos* position) override {
        m_sample = int64_t(position->toFrames()) * pairsPerFrame();
        return true;
    }
    void* renderAudio(int32_t frames, int32_t* bytes) override {
        if (audioFails) {
            *bytes = 0;
            return nullptr;
        }
        m_audio.resize(size_t(frames) * 4);
        for (int32_t i = 0; i < frames; ++i)
            samplePair(m_sample + i, m_audio.data() + 4 * size_t(i));
        m_sample += frames;
        *bytes = frames * 4;
        return m_audio.data();
    }
    bool startDVOutput(int mode) override { return dvStarted = mode == 1; }
    void stopDVOutput() override { dvStarted = false; }
    IZRPos* endPosition() override { return m_end; }

    IZRImage* videoAt(IZRPos*, int) override { return nullptr; }
    IZRPos* currentPosition() override { return m_current; }
    bool insertObject(int, IZRPos*, IZRObject*) override { return false; }
    void removeObject(IZRObject*) override {}
    ZRGuardedList* track(int, bool) override { return nullptr; }
    void packTrack(int, bool) override {}
    void shiftTrackObjects(int, bool, IZRObject*, IZRPos*, bool) override {}
    IZRObject* objectAt(int, IZRPos*, bool) override { return nullptr; }
    void clear() override {}
    bool configureExportModule(const char*) override { return false; }
    const char* const* exportCodecSetting(const char*, bool) override { return nullptr; }
    void setExportCodecName(const char*, bool, const char*) override {}
    const char* exportCodecName(const char*, bool) override { return nullptr; }
    int exportProject(const char*, const char*, IZRPos*, IZRPos*, int, int, double) override {
        return 1;
    }
    bool setObjectMarkIn(IZRObject*, IZRPos*) override { return false; }
    bool setObjectMarkOut(IZRObject*, IZRPos*) override { return false; }
    void dumpTrack(int, bool) override {}
    bool saveProject(const char*) override { return false; }
    bool runScript(char*, bool) override { return false; }
    bool runScriptFile(const char*, bool) override { return false; }
    bool runScriptLine(const char*, ...) override { return false; }
    int renderStateAt(IZRPos*) override { return 0; }
    void* moduleList(const char*, const char*, const char*, int) override { return nullptr; }
    const char* suggestImportModule(const char*) override { return "Misc"; }
    bool identifyMediaFile(const char*, char*, uint32_t*) override { return false; }
    IZRImage* imageBuffer(int) override { return nullptr; }
    IZRSettings* settings() override { return this; }
    IZRObjectFactory* factory() override { return m_engine->factory(); }
    IZRModuleConfig* moduleConfig() override { return m_engine->moduleConfig(); }
    IZRChangeTracker* changeTracker() override { return m_engine->changeTracker(); }

    bool getFadeFactor(const char*, double*, double*, double*, double*) override { return false; }
    bool getTrackChannelDoubleSetting(const char*, int*, unsigned*, double*) override {
        return false;
    }
    bool getUnicodeStringSetting(const char*, const char16_t**) override { return false; }
    bool getStringSetting(const char*, char**) override { return false; }
    bool getIntTripleSetting(const char* key, int* a, int* b, int* c) override {
        if (std::string_view(key) != "Audio Settings") return false;
        *a = audioRate;
        *b = audioBits;
        *c = audioChannels;
        return true;
    }
    bool getIntPairSetting(const char* key, int* a, int* b) override {
        if (std::string_view(key) != "Video Dimensions") return false;
        *a = 720;
        *b = m_pal ? 576 : 480;
        return true;
    }
    bool getIndexedDoubleSetting(const char*, int*, double*) override { return false; }
    bool getDoubleSetting(const char*, double*) override { return false; }
    bool getIntSetting(const char*, int*) override { return false; }
    bool addFadePoint(const char*, double, double) override { return false; }
    bool setTrackChannelDoubleSetting(const char*, int, unsigned, double) override { return false; }
    bool setUnicodeStringSetting(const char*, const char16_t*) override { return false; }
    bool setStringSetting(const char*, const char*) override { return false; }
    bool setIntTripleSetting(const char* key, int a, int b, int c) override {
        if (std::string_view(key) != "Audio Settings") return false;
        audioRate = a;
        audioBits = b;
        audioChannels = c;
        return true;
    }
    bool setIntPairSetting(const char*, int, int) override { return false; }
    bool setIndexedDoubleSetting(const char*, int, double) override { return false; }
    bool setDoubleSetting(const char*, double) override { return false; }
    bool setIntSetting(const char*, intptr_t) override { return true; }

private:
    IZRTimeline* m_engine;
    bool m_pal;
    std::vector<uint8_t> m_base;
    std::vector<uint8_t> m_out;
    std::vector<uint8_t> m_audio;
    int64_t m_sample = 0;
    IZRPos* m_end = nullptr;
    IZRPos* m_current = nullptr;
};

} // namespace dvfake

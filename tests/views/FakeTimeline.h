#pragma once

#include "engine/api/IZRTimeline.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

/// A timeline whose settings, frames and sound the test decides: "Video Dimensions",
/// "Framerate" and "Audio Settings" are plain values (a rate of 0 is allowed); each frame is
/// an interlaced counting picture (even lines blue = frame number, green 200; odd lines black);
/// sound is bytes counting up. Positions (at 25 frames per second) and images come from a real
/// engine timeline's factory.
class FakeTimeline final : public IZRTimeline, public IZRSettings {
public:
    FakeTimeline() : m_engine(IZRCreateTimelineInstance(nullptr, nullptr, 1)) {
        // Positions count PAL frames.
        m_engine->settings()->setDoubleSetting("Framerate", 25.0);
        m_end = m_engine->factory()->createPos();
        m_current = m_engine->factory()->createPos();
    }
    ~FakeTimeline() override {
        if (m_image) m_engine->factory()->destroyImage(m_image);
        m_engine->factory()->destroyPos(m_end);
        m_engine->factory()->destroyPos(m_current);
        IZRDeleteTimelineInstance(m_engine);
    }

    int width = 720, height = 576;
    double rate = 25.0;
    int sampleRate = 48000, bits = 16, channels = 2;
    /// Extra bytes the engine's sound claims beyond what was asked (a misbehaving mixer).
    int32_t audioExcess = 0;
    int32_t lastAudioFrames = -1;
    int videoCalls = 0;
    bool dvStarted = false, dvStopped = false;

    void setEndFrames(int frames) { m_end->assignFrames(frames); }

    // IZRTimeline
    IZRImage* videoAt(IZRPos* position, int) override {
        ++videoCalls;
        if (!m_image) m_image = m_engine->factory()->createImage(width, height, 0);
        if (m_image->width() != width || m_image->height() != height)
            m_image->create(width, height, 0);
        m_image->lock();
        const uint32_t number = uint32_t(position->toFrames()) & 0xFF;
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(m_image->pixels() + y * m_image->stride());
            const uint32_t v = y % 2 == 0 ? 0xFF00C800u | number : 0xFF000000u;
            for (int x = 0; x < width; ++x)
                row[x] = v;
        }
        return m_image;
    }
    bool startAudioAt(IZRPos* position) override {
        m_current->assign(position);
        return true;
    }
    void* renderAudio(int32_t frames, int32_t* bytes) override {
        lastAudioFrames = frames;
        *bytes = frames * channels * (bits / 8) + audioExcess;
        m_audio.resize(size_t(*bytes));
        for (size_t i = 0; i < m_audio.size(); ++i)
            m_audio[i] = uint8_t(i);
        return m_audio.data();
    }
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
    IZRPos* endPosition() override { return m_end; }
    bool setObjectMarkIn(IZRObject*, IZRPos*) override { return false; }
    bool setObjectMarkOut(IZRObject*, IZRPos*) override { return false; }
    void dumpTrack(int, bool) override {}
    bool saveProject(const char*) override { return false; }
    bool runScript(char*, bool) override { return false; }
    bool runScriptFile(const char*, bool) override { return false; }
    bool runScriptLine(const char*, ...) override { return false; }
    bool startDVOutput(int) override { return dvStarted = true; }
    unsigned char* dvOutputFrame(IZRPos*, int*) override { return nullptr; }
    void stopDVOutput() override { dvStopped = true; }
    int renderStateAt(IZRPos*) override { return 0; }
    void* moduleList(const char*, const char*, const char*, int) override { return nullptr; }
    const char* suggestImportModule(const char*) override { return "Misc"; }
    bool identifyMediaFile(const char*, char*, uint32_t*) override { return false; }
    IZRImage* imageBuffer(int) override { return nullptr; }
    IZRSettings* settings() override { return this; }
    IZRObjectFactory* factory() override { return m_engine->factory(); }
    IZRModuleConfig* moduleConfig() override { return m_engine->moduleConfig(); }
    IZRChangeTracker* changeTracker() override { return m_engine->changeTracker(); }

    // IZRSettings
    bool getFadeFactor(const char*, double*, double*, double*, double*) override { return false; }
    bool getTrackChannelDoubleSetting(const char*, int*, unsigned*, double*) override {
        return false;
    }
    bool getUnicodeStringSetting(const char*, const char16_t**) override { return false; }
    bool getStringSetting(const char*, char**) override { return false; }
    bool getIntTripleSetting(const char* key, int* a, int* b, int* c) override {
        if (std::strcmp(key, "Audio Settings") != 0) return false;
        *a = sampleRate;
        *b = bits;
        *c = channels;
        return true;
    }
    bool getIntPairSetting(const char* key, int* a, int* b) override {
        if (std::strcmp(key, "Video Dimensions") != 0) return false;
        *a = width;
        *b = height;
        return true;
    }
    bool getIndexedDoubleSetting(const char*, int*, double*) override { return false; }
    bool getDoubleSetting(const char* key, double* out) override {
        if (std::strcmp(key, "Framerate") != 0) return false;
        *out = rate;
        return true;
    }
    bool getIntSetting(const char* key, int* out) override {
        const auto it = m_ints.find(key);
        if (it == m_ints.end()) return false;
        *out = int(it->second);
        return true;
    }
    bool addFadePoint(const char*, double, double) override { return false; }
    bool setTrackChannelDoubleSetting(const char*, int, unsigned, double) override { return false; }
    bool setUnicodeStringSetting(const char*, const char16_t*) override { return false; }
    bool setStringSetting(const char*, const char*) override { return false; }
    bool setIntTripleSetting(const char*, int, int, int) override { return false; }
    bool setIntPairSetting(const char*, int, int) override { return false; }
    bool setIndexedDoubleSetting(const char*, int, double) override { return false; }
    bool setDoubleSetting(const char*, double) override { return false; }
    bool setIntSetting(const char* key, intptr_t value) override {
        m_ints[key] = value;
        return true;
    }

private:
    IZRTimeline* m_engine;
    IZRPos* m_end = nullptr;
    IZRPos* m_current = nullptr;
    IZRImage* m_image = nullptr;
    std::vector<unsigned char> m_audio;
    std::map<std::string, intptr_t> m_ints;
};

#pragma once

#include "engine/base/ZRPos.h"
#include "engine/base/ZRTrackItem.h"

#include <string>

/// A timeline object with positions and nothing else, for track tests.
class FakeObject : public ZRTrackItem {
public:
    FakeObject(std::string name, int frames, bool video = true, bool audio = false,
               double rate = 25.0)
        : m_name(std::move(name)), m_video(video), m_audio(audio) {
        for (ZRPos* p : {&m_start, &m_end, &m_duration, &m_in, &m_out, &m_length, &m_current})
            p->set(0, 0, 0, 0, rate);
        m_duration.setFrames(frames);
        m_out.setFrames(frames);
        m_length.setFrames(frames * 10);
        m_end.assign(&m_duration);
    }

    IZRImage* renderVideo(IZRPos*, IZRImage*) override { return nullptr; }
    bool seekAudio(IZRPos*) override { return false; }
    float* renderAudio(int32_t, int32_t*) override { return nullptr; }
    IZRPos* currentPos() override { return &m_current; }
    const char* name() const override { return m_name.c_str(); }
    void setName(const char* name) override { m_name = name; }
    intptr_t getUserValue() const override { return 0; }
    void setUserValue(intptr_t) override {}
    IZRPos* startPos() override { return &m_start; }
    IZRPos* endPos() override { return &m_end; }
    IZRPos* duration() override { return &m_duration; }
    IZRPos* sourceLength() override { return &m_length; }
    bool hasVideo() const override { return m_video; }
    bool hasAudio() const override { return m_audio; }
    bool addEffect(ZREffect*) override { return false; }
    bool removeEffect(ZREffect*) override { return false; }
    ZREffectList* effectList() override { return nullptr; }
    void renderTransition(IZRImage*, IZRImage*, IZRImage*, double) override {}
    IZRPos* markIn() override { return &m_in; }
    IZRPos* markOut() override { return &m_out; }
    int32_t trackNumber(bool video) const override { return trackIndex(video) + 1; }
    int trackIndex(bool video) const override { return video ? m_videoTrack : m_audioTrack; }
    void setTrackIndex(bool video, int index) override {
        (video ? m_videoTrack : m_audioTrack) = index;
    }

    /// Start and end as frame numbers.
    int startFrame() const { return int(m_start.toFrames()); }
    int endFrame() const { return int(m_end.toFrames()); }

private:
    std::string m_name;
    bool m_video, m_audio;
    ZRPos m_start, m_end, m_duration, m_in, m_out, m_length, m_current;
    int m_videoTrack = -1, m_audioTrack = -1;
};

#pragma once

#include "engine/objects/ZRObject.h"
#include "engine/timeline/ZRTimeline.h"
#include "tests/support/TimelineDeleter.h"

#include <memory>
#include <vector>

namespace objecttest {

/// A timeline without fonts or effect modules, the owner of the objects under test.
using Timeline = std::unique_ptr<IZRTimeline, TimelineDeleter>;

inline Timeline makeTimeline(IZRCallbacks* callbacks = nullptr) {
    return Timeline(IZRCreateTimelineInstance(callbacks, nullptr, 1));
}

inline ZRTimeline* engine(const Timeline& t) {
    return static_cast<ZRTimeline*>(t.get());
}

/// An object as the factory leaves a kind before its binding: `frames` long at 30 per second.
inline std::unique_ptr<ZRObject> makeObject(ZRTimeline* owner, const char* kind, int frames,
                                            bool video = true) {
    auto object = std::make_unique<ZRObject>(owner, kind, "", "", "");
    object->setHasVideo(video);
    object->duration()->set(0, 0, 0, frames, 30.0);
    object->sourceLength()->set(0, 0, 0, frames, 30.0);
    object->endPos()->set(0, 0, 0, frames - 1, 30.0);
    object->markOut()->set(0, 0, 0, frames, 30.0);
    return object;
}

/// A transition module that records its calls and offers a fixed set of parameters.
class FakeTransition : public ZRTransitionBinding {
public:
    struct Call {
        IZRImage* from;
        IZRImage* to;
        IZRImage* out;
        int32_t progress;
    };
    std::vector<Call> calls;
    int antiAlias = 1;
    int subdivision[2] = {2, 3};

    void generateTransition(IZRImage* from, IZRImage* to, IZRImage* out,
                            int32_t progress) override {
        calls.push_back({from, to, out, progress});
    }
    bool parameter(const char* key, int* values, int count) override {
        if (qstricmp(key, "Transition AntiAlias") == 0 && count == 1) {
            values[0] = antiAlias;
            return true;
        }
        if (qstricmp(key, "Transition SubDivision") == 0 && count == 2) {
            values[0] = subdivision[0];
            values[1] = subdivision[1];
            return true;
        }
        return false;
    }
    bool setParameter(const char* key, const int* values, int count) override {
        if (qstricmp(key, "Transition AntiAlias") == 0 && count == 1) {
            antiAlias = values[0];
            return true;
        }
        if (qstricmp(key, "Transition SubDivision") == 0 && count == 2) {
            subdivision[0] = values[0];
            subdivision[1] = values[1];
            return true;
        }
        return false;
    }
};

/// A media file with fixed properties.
class FakeSource : public ZRMediaSource {
public:
    bool video = true;
    bool audio = false;
    bool sourceHasVideo() override { return video; }
    bool sourceHasAudio() override { return audio; }
    bool videoDimensions(int* width, int* height) override {
        *width = 352;
        *height = 288;
        return video;
    }
    bool audioSettings(int* rate, int* bits, int* channels) override {
        if (!audio) return false;
        *rate = 48000;
        *bits = 16;
        *channels = 2;
        return true;
    }
    bool renderVideo(IZRPos*, IZRImage*) override { return true; }
    bool seekAudio(IZRPos*) override { return true; }
};

} // namespace objecttest

#pragma once

#include <cstdint>
#include <memory>

class IZRImage;
class IZRPos;

// What timeline objects and effects need of plug-in modules. The factory binds a module and
// hands the object or effect one of these, which it owns from then on; every call into module
// code goes through them. Implementations guard each module call themselves (exceptions are
// caught and logged inside) and are used under the timeline's render lock.

/// The video-effect module of an effect (`generateVideoEffect`).
class ZRVideoEffectBinding {
public:
    virtual ~ZRVideoEffectBinding() = default;
    /// Runs the module from `source` into `target` at progress 1..100000; the module's result.
    virtual int32_t generateVideoEffect(IZRImage* source, IZRImage* target, int32_t progress) = 0;
};

/// The transition module of a "Transition" object (`generateTransition` and its settings record).
class ZRTransitionBinding {
public:
    virtual ~ZRTransitionBinding() = default;
    /// Mixes `from` and `to` into `out` at progress 0..10000.
    virtual void generateTransition(IZRImage* from, IZRImage* to, IZRImage* out,
                                    int32_t progress) = 0;
    /// Reads the module parameter of a "Transition ..." settings key ("Transition AntiAlias",
    /// "Transition Filter", "Transition Color Mode", "Transition Pen Width": one value;
    /// "Transition SubDivision": two; "Transition Color": red, green, blue) into `values`.
    /// False, with `values` untouched, when the module does not offer it.
    virtual bool parameter(const char* key, int* values, int count) = 0;
    /// Writes such a parameter; false when the module does not offer it or it is read-only.
    virtual bool setParameter(const char* key, const int* values, int count) = 0;
};

/// The opened media file of an "Import" object (the guarded module access).
class ZRMediaSource {
public:
    virtual ~ZRMediaSource() = default;
    virtual bool sourceHasVideo() = 0;
    virtual bool sourceHasAudio() = 0;
    /// The frame size of the source; false when it has none.
    virtual bool videoDimensions(int* width, int* height) = 0;
    /// (sample rate, bits per sample, channels) of the source; false when it has no audio.
    virtual bool audioSettings(int* rate, int* bits, int* channels) = 0;
    /// Draws the source frame at `position` into `target`, scaled to its size.
    virtual bool renderVideo(IZRPos* position, IZRImage* target) = 0;
    /// Positions the source's audio.
    virtual bool seekAudio(IZRPos* position) = 0;
    /// The next `sampleFrames` sample frames in the format of `audioSettings`: `*data` and
    /// `*bytes` receive the source's buffer (valid until its next call) and its size. False,
    /// with null and 0, when the source delivers no audio.
    virtual bool renderAudio(int32_t sampleFrames, const void** data, int32_t* bytes) {
        (void)sampleFrames;
        if (data) *data = nullptr;
        if (bytes) *bytes = 0;
        return false;
    }
    /// The source's own (compressed) data of the frame at `position`, described in the
    /// image's native fields; false when the source has none to give.
    virtual bool nativeVideo(IZRPos* position, IZRImage* image) {
        (void)position;
        (void)image;
        return false;
    }
    /// Another source of the same media, opened anew, so that frames can be read on several
    /// threads at once; null when the source cannot be opened twice.
    virtual std::unique_ptr<ZRMediaSource> duplicate() { return nullptr; }
};

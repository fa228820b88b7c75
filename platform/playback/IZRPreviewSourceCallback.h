#pragma once

#include "platform/playback/ZRPlaybackTypes.h"

/// What the playback pipeline pulls its pictures and sound from. The pipeline negotiates the
/// formats on the GUI thread, then calls the video operations from its video thread and the
/// audio operations from its audio thread, each family from one thread at a time.
/// Destinations are 32-bit RGB rows of the negotiated size (`stride` bytes apart, top-down).
class IZRPreviewSourceCallback {
public:
    virtual ~IZRPreviewSourceCallback() = default;

    /// Renders the picture at `time`; the next picture follows it.
    virtual ZRResult renderVideoAt(ZRMediaTime time, int64_t unused, unsigned char* pixels,
                                   int stride) = 0;
    /// Renders the picture after the last one and writes its time.
    virtual ZRResult renderNextVideo(int64_t unused, unsigned char* pixels, int stride,
                                     ZRMediaTime* time) = 0;
    /// Makes the next `renderAudio` start at `time`.
    virtual ZRResult seekAudio(ZRMediaTime time) = 0;
    /// Fills at most `*size` bytes of whole sample frames, sets `*size` to the bytes written and
    /// `*time` to where they start.
    virtual ZRResult renderAudio(int64_t unused, unsigned char* buffer, int32_t* size,
                                 ZRMediaTime* time) = 0;
    virtual ZRResult getDuration(ZRMediaTime* duration) = 0;
    virtual ZRResult getFrameDuration(ZRMediaTime* duration) = 0;
    virtual ZRResult updateDuration() = 0;
    /// Format `index` (only 0 exists); kZRNoMoreItems past the last.
    virtual ZRResult getVideoFormat(int index, ZRVideoFormatRecord* format) = 0;
    virtual ZRResult setVideoFormat(const ZRVideoFormatRecord* format) = 0;
    virtual ZRResult getAudioFormat(int index, ZRAudioFormatRecord* format) = 0;
    virtual ZRResult setAudioFormat(const ZRAudioFormatRecord* format) = 0;
};

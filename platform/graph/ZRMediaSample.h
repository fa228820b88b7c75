#pragma once

#include "platform/playback/ZRPlaybackTypes.h"

#include <cstdint>
#include <memory>
#include <vector>

struct ZRVideoFrame;

/// One unit pushed through a connection: a whole frame, pack or block of bytes, or a decoded
/// picture. Never changed once delivered: the buffers are shared between the pins that get it.
struct ZRMediaSample {
    std::shared_ptr<const std::vector<uint8_t>> data;
    /// A decoded picture (video renderers take these).
    std::shared_ptr<const ZRVideoFrame> picture;
    /// The stream time in 100-ns units, -1 when unknown.
    ZRMediaTime time = -1;
    ZRMediaTime duration = 0;
    /// The first sample after a discontinuity (a seek or a start).
    bool discontinuity = false;
    /// A serial number its source gives (frames counted from 0 at each run).
    int64_t sequence = 0;

    size_t size() const { return data ? data->size() : 0; }

    static ZRMediaSample fromBytes(std::vector<uint8_t> bytes, ZRMediaTime time = -1) {
        ZRMediaSample s;
        s.data = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
        s.time = time;
        return s;
    }
};

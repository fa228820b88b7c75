#pragma once

#include "platform/graph/ZRDroppedFrames.h"
#include "platform/graph/ZRGraphTypes.h"
#include "platform/v4l2/ZRV4l2Maps.h"

#include <cstdint>
#include <string>

/// The interfaces a V4L2 device node offers the capture paths besides those of every graph
/// node (crossbar, analog video decoder, stream configuration). GUI thread only unless said.

/// Picture controls: property 0 brightness ... 4 sharpness.
class IZRVideoProcAmp {
public:
    virtual ~IZRVideoProcAmp() = default;
    /// False when the device lacks the property (or the control is malformed).
    virtual bool range(int property, int32_t* minimum, int32_t* maximum, int32_t* step,
                       int32_t* defaultValue) = 0;
    virtual bool value(int property, int32_t* value) = 0;
    virtual ZRGraphResult setValue(int property, int32_t value) = 0;
};

/// A TV tuner with its sound: frequency in units of 62.5 kHz and the audio mode
/// (V4L2_TUNER_MODE_ values).
class IZRTVTuner {
public:
    virtual ~IZRTVTuner() = default;
    virtual bool hasTuner() const = 0;
    virtual uint32_t frequency() = 0;
    virtual ZRGraphResult setFrequency(uint32_t frequency) = 0;
    virtual uint32_t audioMode() = 0;
    virtual ZRGraphResult setAudioMode(uint32_t mode) = 0;
};

/// A hardware MPEG encoder's property set (the ids of its records, see ZRV4l2Maps.h).
class IZRMpegEncoder {
public:
    virtual ~IZRMpegEncoder() = default;
    /// id 13: fails when the device offers no program stream of the kind.
    virtual ZRGraphResult setStreamType(zrv4l2::DiscFormat format, int mpegVersion) = 0;
    virtual ZRGraphResult setGop(int gopLength, int anchorDistance) = 0;
    virtual ZRGraphResult videoRange(zrv4l2::EncoderVideoRange* range) = 0;
    virtual ZRGraphResult videoSettings(zrv4l2::EncoderVideoSettings* settings) = 0;
    /// id 1: the rates and mode; the size goes to the capture format.
    virtual ZRGraphResult setVideoSettings(const zrv4l2::EncoderVideoSettings& settings) = 0;
    virtual ZRGraphResult setAudioSampleRate(int hz) = 0;
    virtual ZRGraphResult setAudioBitRate(int bitsPerSecond) = 0;
};

/// The numbered methods of a board's own control interface; those whose arguments show their
/// meaning become V4L2 requests, the others are passed on (and recorded) in their order.
class IZRBoardControl {
public:
    virtual ~IZRBoardControl() = default;
    /// `*out` (may be null) receives what a reading method reads.
    virtual ZRGraphResult boardMethod(int method, int32_t argument, int32_t* out) = 0;
};

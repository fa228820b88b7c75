#pragma once

#include "platform/graph/ZRGraphTypes.h"

#include <string>

class QWidget;

/// The interfaces nodes offer besides streaming. A node offers one by deriving from it
/// (`ZRGraphNode::as<T>()` finds it); every call is from the GUI thread unless said otherwise.

/// A clock the graph can run by. `clockTime` may be called from any thread.
class IZRReferenceClock {
public:
    virtual ~IZRReferenceClock() = default;
    virtual ZRMediaTime clockTime() const = 0;
};

/// A source that reads a file (or a list of files) it is given.
class IZRFileSource {
public:
    virtual ~IZRFileSource() = default;
    /// Opens `path` (never shortened); fails when it cannot be read.
    virtual ZRGraphResult load(const std::string& path) = 0;
    virtual std::string fileName() const = 0;
};

/// A sink that writes a file it is given.
class IZRFileSink {
public:
    virtual ~IZRFileSink() = default;
    /// The file written from the next run on (never shortened).
    virtual ZRGraphResult setFileName(const std::string& path) = 0;
    virtual std::string fileName() const = 0;
};

/// What a video output can deliver: its standards (analog video standard bits) and sizes from
/// the minimum to the maximum in steps.
struct ZRVideoStreamCaps {
    uint32_t videoStandard = 0;
    int minWidth = 0, minHeight = 0;
    int maxWidth = 0, maxHeight = 0;
    int widthStep = 0, heightStep = 0;
};

/// What an audio output can deliver, each value from minimum to maximum by its granularity.
struct ZRAudioStreamCaps {
    int minChannels = 0, maxChannels = 0, channelsGranularity = 0;
    int minBits = 0, maxBits = 0, bitsGranularity = 0;
    int minRate = 0, maxRate = 0, rateGranularity = 0;
};

/// A pin's format capabilities; each one is video or audio.
class IZRStreamConfig {
public:
    virtual ~IZRStreamConfig() = default;
    virtual int capabilityCount() const = 0;
    /// False when capability `index` is not a video one.
    virtual bool videoCaps(int index, ZRVideoStreamCaps* caps) const = 0;
    /// False when capability `index` is not an audio one.
    virtual bool audioCaps(int index, ZRAudioStreamCaps* caps) const = 0;
    virtual ZRGraphResult setFormat(const ZRMediaType& type) = 0;
};

/// A crossbar: inputs routed to outputs, each pin with a physical connector type (video types
/// below 4096, audio types from 4096 on) and a related pin of the other medium.
class IZRCrossbar {
public:
    virtual ~IZRCrossbar() = default;
    virtual void pinCounts(int* outputs, int* inputs) const = 0;
    /// False for an index out of range.
    virtual bool pinInfo(bool input, int index, int* related, int* physicalType) const = 0;
    virtual bool canRoute(int output, int input) const = 0;
    virtual ZRGraphResult route(int output, int input) = 0;
};

/// An analog video decoder's TV format (analog video standard bits).
class IZRAnalogVideoDecoder {
public:
    virtual ~IZRAnalogVideoDecoder() = default;
    virtual ZRGraphResult setTVFormat(uint32_t standard) = 0;
    virtual uint32_t tvFormat() const = 0;
};

/// A video renderer's window.
class IZRVideoWindow {
public:
    virtual ~IZRVideoWindow() = default;
    /// Makes the window a child of `owner` (null: none).
    virtual void setOwner(QWidget* owner) = 0;
    virtual QWidget* owner() const = 0;
    virtual void setWindowPosition(int x, int y, int width, int height) = 0;
    virtual void setVisible(bool on) = 0;
    virtual bool isVisible() const = 0;
    /// True when the mode is now as asked.
    virtual bool setFullScreenMode(bool on) = 0;
    /// The size of the pictures it shows (0 x 0 before any).
    virtual void videoSize(int* width, int* height) const = 0;
};

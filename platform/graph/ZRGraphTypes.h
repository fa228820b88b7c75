#pragma once

#include "platform/playback/ZRPlaybackTypes.h"

#include <cstdint>
#include <string>

/// Results, states, stream types and event codes of the capture graph.

/// The result of a graph operation: 0 or positive succeeds, negative fails.
using ZRGraphResult = int32_t;

inline constexpr ZRGraphResult kZRGraphOk = 0;
inline constexpr ZRGraphResult kZRGraphFalse = 1;
inline constexpr ZRGraphResult kZRGraphFail = int32_t(0x80004005u);
inline constexpr ZRGraphResult kZRGraphInvalidArg = int32_t(0x80070057u);
inline constexpr ZRGraphResult kZRGraphNoInterface = int32_t(0x80004002u);
inline constexpr ZRGraphResult kZRGraphClassNotRegistered = int32_t(0x80040154u);
inline constexpr ZRGraphResult kZRGraphAlreadyConnected = int32_t(0x80040204u);
inline constexpr ZRGraphResult kZRGraphNotConnected = int32_t(0x80040209u);
inline constexpr ZRGraphResult kZRGraphTypeNotAccepted = int32_t(0x8004022Au);
inline constexpr ZRGraphResult kZRGraphNotStopped = int32_t(0x80040224u);
inline constexpr ZRGraphResult kZRGraphNotFound = int32_t(0x80040216u);
/// A state change is still under way.
inline constexpr ZRGraphResult kZRGraphStateIntermediate = 0x00040237;
/// Paused, but a live source cannot deliver data while paused.
inline constexpr ZRGraphResult kZRGraphCantCue = 0x00040268;

inline bool zrGraphSucceeded(ZRGraphResult r) {
    return r >= 0;
}

/// The graph's state: stopped, paused, running.
enum class ZRGraphState : int { Stopped = 0, Paused = 1, Running = 2 };

/// Events the graph queues for its owner (the first parameter names the node where one is given).
inline constexpr int kZREventComplete = 1;
inline constexpr int kZREventUserAbort = 2;
inline constexpr int kZREventErrorAbort = 3;
inline constexpr int kZREventDeviceLost = 0x1F;

/// Major stream types of pins.
inline constexpr const char* kZRStreamInterleavedDV = "iavs";
inline constexpr const char* kZRStreamVideo = "vids";
inline constexpr const char* kZRStreamAudio = "auds";
/// An MPEG program stream (or any byte stream a splitter reads).
inline constexpr const char* kZRStreamProgram = "strm";

/// What flows through a connection. Empty fields match anything when two types are compared.
struct ZRMediaType {
    std::string major;   ///< "iavs", "vids", "auds", "strm"; empty: any
    std::string subtype; ///< "dvsd", "mpeg2video", "lpcm", "rgb32", "pcm", ...; empty: any
    int width = 0;
    int height = 0;
    ZRMediaTime frameDuration = 0;
    int64_t bitRate = 0;
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;

    /// True when `other` can flow into a pin that wants this type.
    bool accepts(const ZRMediaType& other) const {
        return (major.empty() || major == other.major) &&
               (subtype.empty() || subtype == other.subtype);
    }
};

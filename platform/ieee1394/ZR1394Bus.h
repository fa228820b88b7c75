#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

/// One device on an IEEE 1394 bus, found again by its GUID after every bus reset.
struct ZR1394Node {
    uint64_t guid = 0;
    /// The label of its configuration ROM (vendor and model text), possibly empty.
    std::string label;
    /// It has an AV/C tape subunit (a camcorder or deck).
    bool tape = false;
    /// It has an AV/C camera subunit.
    bool camera = false;
};

/// What a transaction came to.
enum class ZR1394Status {
    Ok,       ///< a reply arrived (it may still refuse the command)
    NoReply,  ///< the device did not answer in time
    NodeGone, ///< no node of that GUID is on the bus
    Reset     ///< the bus was reset while the command was in flight: it never reached another node
};

/// The narrow interface to an IEEE 1394 bus the DV camera paths use: nodes by GUID, raw AV/C
/// transactions, whole DV frames in and out, and the notices of bus resets and lost nodes.
///
/// Thread-safety: every operation may be called from any thread; `transact` blocks its caller
/// (each device's commands run in order on that device's own thread). Callbacks come on the
/// bus's threads and must not call back into the bus's receive or transmit control.
class IZR1394Bus {
public:
    /// A whole frame as received; `complete` is false when packets of it were lost.
    using FrameSink = std::function<void(std::span<const uint8_t> frame, bool complete)>;
    enum class Notice { Reset, Lost };
    using NoticeSink = std::function<void(Notice, uint64_t guid)>;

    virtual ~IZR1394Bus() = default;

    /// The nodes on the bus now.
    virtual std::vector<ZR1394Node> nodes() = 0;
    /// Sends `request` (an AV/C command frame) to the node `guid` and waits for its reply,
    /// which `*reply` receives (emptied on any status but Ok).
    virtual ZR1394Status transact(uint64_t guid, std::span<const uint8_t> request,
                                  std::vector<uint8_t>* reply) = 0;

    /// Connects the node's output plug and delivers its DV frames to `sink` from a thread of
    /// the bus until `stopReceive`. False when the node is gone or already received from.
    virtual bool startReceive(uint64_t guid, FrameSink sink) = 0;
    /// Returns once `sink` is no longer called.
    virtual void stopReceive(uint64_t guid) = 0;

    /// Connects to the node's input plug for DV frames of 625 lines (`pal`) or 525.
    virtual bool startTransmit(uint64_t guid, bool pal) = 0;
    /// Sends one whole frame (120000 or 144000 bytes); blocks while the bus's own queue (three
    /// frames) is full, so the bus paces the sender. False when the frame is not whole, no
    /// transmission runs, or the node is gone.
    virtual bool transmit(uint64_t guid, std::span<const uint8_t> frame) = 0;
    /// Returns once every queued frame was sent or dropped.
    virtual void stopTransmit(uint64_t guid) = 0;
    /// Frames the bus sent again, since the last `startTransmit` to `guid`, because its queue
    /// was empty when the next frame was due (a camera then shows a still).
    virtual int64_t repeatedFrames(uint64_t guid) = 0;

    /// Adds a receiver of notices; the id removes it (which returns once it is not called).
    virtual int addNoticeSink(NoticeSink sink) = 0;
    virtual void removeNoticeSink(int id) = 0;
};

/// The GUID as the text of display names: sixteen upper-case hexadecimal digits.
std::string zr1394GuidText(uint64_t guid);
/// The GUID of such a text (with or without the "ieee1394:" prefix), 0 when it is none.
uint64_t zr1394GuidFromText(std::string_view text);

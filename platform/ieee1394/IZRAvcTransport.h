#pragma once

#include "platform/ieee1394/ZR1394Bus.h"

#include <cstdint>
#include <functional>
#include <vector>

/// A camera's tape transport: raw AV/C transactions, run one after another on the device's own
/// thread (each may wait for its reply and its retries).
/// Thread-safety: `submit` from any thread; `done` runs on the device's thread and must hand
/// what it needs over to its own thread (a queued signal).
class IZRAvcTransport {
public:
    using Done = std::function<void(ZR1394Status status, std::vector<uint8_t> reply)>;
    virtual ~IZRAvcTransport() = default;
    /// Queues `request`; `done` gets its outcome (NodeGone when the device went first).
    virtual void submit(std::vector<uint8_t> request, Done done) = 0;
    /// True when the device's tape or stream is 525-line (30 frames a second).
    virtual bool isNtsc() const = 0;
    virtual uint64_t guid() const = 0;
};

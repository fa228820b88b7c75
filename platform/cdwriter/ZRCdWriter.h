#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

/// The CD writer units of the machine and the writing of a disc image to one of them.
///
/// Units are numbered from 0. A write is asynchronous: `write` starts it and returns at once;
/// its progress and its end arrive through the event loop of the calling thread, `finished`
/// exactly once for every write that started. A failed write may leave the drive's door locked:
/// `unlock` frees it. Each implementation is confined to the thread that made it (the GUI
/// thread in the program).
class ZRCdWriter {
public:
    /// Sectors written so far and in all (2352-byte sectors of the image).
    using Progress = std::function<void(int64_t done, int64_t total)>;
    using Finished = std::function<void(bool ok)>;

    virtual ~ZRCdWriter();

    /// The number of units; -1 when the writer library could not be used.
    virtual int unitCount() = 0;
    /// The unit's name ("vendor product (revision)"); empty for an unknown unit.
    virtual QString unitName(int unit) = 0;
    /// The unit's highest write speed in multiples of 176.4 kB/s; -1 for an unknown unit.
    virtual int maxSpeed(int unit) = 0;
    /// True when the unit holds a blank writable disc.
    virtual bool hasBlankMedia(int unit) = 0;
    /// The sectors free on the unit's disc; -1 when unknown.
    virtual int64_t freeSectors(int unit) = 0;
    /// Starts writing the BIN/CUE image `cuePath` in one session at `speed`, ejecting the disc
    /// afterwards when `eject`. False when nothing started (then `finished` is never called).
    virtual bool write(int unit, const QString& cuePath, int speed, bool eject, Progress progress,
                       Finished finished) = 0;
    /// Stops a running write; its `finished(false)` follows, at once or through the event loop.
    virtual void cancel() = 0;
    /// Unlocks the unit's door after a failed write.
    virtual void unlock(int unit) = 0;
};

namespace cdwriter {

/// The writer the pages use: the simulated one when `registerSimulatedWriter` was called, else
/// the machine's (libburn lists the units, cdrdao writes). Made on first use; GUI thread only.
std::shared_ptr<ZRCdWriter> writer();
/// Puts `writer` in place of the machine's (null: the machine's again).
void setWriter(std::shared_ptr<ZRCdWriter> writer);
/// Registers one simulated unit whose disc is the file "simulated-cd.bin" of the temporary
/// folder: what `CLIPSTEAD_SIMULATED_DEVICES=1` lists.
void registerSimulatedWriter();

} // namespace cdwriter

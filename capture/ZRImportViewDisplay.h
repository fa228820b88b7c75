#pragma once

#include <QString>

#include <cstdint>
#include <optional>

/// The capture page's once-a-second record display without the page: the bit rate a capture
/// writes at, the seconds of disk space left, the time to go until the record timer or the
/// disk ends the capture, the two label texts and whether the capture must stop now. All sizes
/// are 64-bit bytes, rates bits per second, times whole seconds. Reentrant.
namespace capturedisplay {

/// Why a capture ends by itself.
enum StopReason { TimerExpired = 1, DiskFull = 2, FileTooLarge = 3 };

/// Disk space kept free under every estimate.
inline constexpr int64_t kReserveBytes = 2000000;
/// "Seconds left" when there is no rate to estimate with.
inline constexpr int64_t kUnlimitedSeconds = 0x7FFFFFFFFFFFFFF0;

struct Input {
    bool recording = false;
    int64_t elapsed = 0;                ///< seconds since the capture started; 0 when idle
    std::optional<int64_t> freeAtStart; ///< free bytes when the capture started
    std::optional<int64_t> freeNow;     ///< free bytes now; nothing when they cannot be read
    int deviceClass = 0;
    int formatIndex = 0;          ///< project format: 0 DV, 1 VCD, 2 SVCD, 3 DVD
    int64_t maxBitrate = 8000000; ///< the applied maximum bit rate of MPEG hardware, 0 none
    bool timerOn = false;
    int64_t recordTime = 1800; ///< the record timer, seconds
};

struct Result {
    int64_t rate = 0; ///< 0: no rate (the class has none, or the free space is unknown)
    int64_t secondsLeft = kUnlimitedSeconds;
    int64_t toGo = 0;
    int reason = TimerExpired;
    bool timerOn = false;
    bool low = false;      ///< the labels are red and the free text says "LOW!"
    bool showToGo = false; ///< the "to go" label is shown
    bool stop = false;     ///< a running capture must stop now, for `reason`
    QString toGoText;
    QString freeText;
};

/// The rate a device class writes at without a measurement: 28,800,000 for DV (2); for MPEG
/// hardware (4) 3,911,000 in an SVCD project, 2,686,000 in a VCD project, else three quarters
/// of `maxBitrate` plus 1,536,000 (7,536,000 when it is 0); 41,062,400 for a Wren device (16);
/// 0 (none) for any other class.
int64_t defaultRate(int deviceClass, int formatIndex, int64_t maxBitrate);

/// One tick of the display. A measured rate (free space used since the start, per second)
/// replaces the default once it is above 0. Free space that cannot be read gives no rate and
/// never stops a capture.
Result compute(const Input& in);

/// The text of a stop reason's box; empty for an unknown reason.
QString stopMessage(int reason);

/// Whether a record timer of h:m:s set while recording for `elapsed` seconds is taken: always
/// when idle; while recording when it ends at least 30 seconds from now, or when one of the
/// three values grew over the one in force (`oldH`, `oldM`, `oldS`).
bool acceptsRecordTime(bool recording, int64_t elapsed, int h, int m, int s, int oldH, int oldM,
                       int oldS);

} // namespace capturedisplay

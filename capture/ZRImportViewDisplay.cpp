#include "capture/ZRImportViewDisplay.h"

#include "classes/helpers/ZRTextFormat.h"

#include <algorithm>
#include <climits>

namespace capturedisplay {

int64_t defaultRate(int deviceClass, int formatIndex, int64_t maxBitrate) {
    switch (deviceClass) {
    case 2:
        return 28800000;
    case 4:
        if (formatIndex == 2) return 3911000;
        if (formatIndex == 1) return 2686000;
        return maxBitrate ? ((3 * maxBitrate) >> 2) + 1536000 : 7536000;
    case 16:
        return 41062400;
    default:
        return 0;
    }
}

Result compute(const Input& in) {
    Result r;
    const int64_t elapsed = in.recording ? in.elapsed : 0;
    if (in.freeNow) {
        if (in.recording && elapsed > 0 && in.freeAtStart) {
            const int64_t measured = (*in.freeAtStart - *in.freeNow) / elapsed * 8;
            if (measured > 0) r.rate = measured;
        }
        if (r.rate <= 0) r.rate = defaultRate(in.deviceClass, in.formatIndex, in.maxBitrate);
    }
    if (r.rate > 0) {
        // A rate below 8 bits per second writes less than a byte a second: take one byte.
        const int64_t bytesPerSecond = std::max<int64_t>(r.rate / 8, 1);
        r.secondsLeft = std::max<int64_t>((*in.freeNow - kReserveBytes) / bytesPerSecond - 10, 0);
    }

    r.timerOn = in.timerOn;
    r.reason = TimerExpired;
    r.toGo = in.recordTime - elapsed;
    if (!r.timerOn || r.toGo + 2 > r.secondsLeft) {
        r.reason = DiskFull;
        r.toGo = r.secondsLeft - 2;
    }

    const int64_t shown = std::clamp<int64_t>(r.toGo, 0, INT_MAX);
    r.toGoText = secondsToHmsText(int(shown)) + QStringLiteral(" to go");
    if (r.rate > 0) {
        r.showToGo = true;
        r.low = r.timerOn && r.reason == DiskFull;
        r.freeText = formatDuration(r.secondsLeft) + (r.low ? QStringLiteral(" free on disk - LOW!")
                                                            : QStringLiteral(" free on disk"));
    } else if (in.freeNow) {
        r.freeText = formatByteSize(*in.freeNow, 4) + QStringLiteral("B free on disk");
    } else {
        r.freeText = QStringLiteral("Free disk space unknown");
    }
    r.stop = in.recording && r.toGo + 2 <= 0;
    return r;
}

QString stopMessage(int reason) {
    switch (reason) {
    case TimerExpired:
        return QStringLiteral("The capture has been stopped because the timer had expired");
    case DiskFull:
        return QStringLiteral("The capture has been stopped because the disk space was exhausted");
    case FileTooLarge:
        return QStringLiteral(
            "The capture has been stopped because the file is close to 4GB in size");
    default:
        return {};
    }
}

bool acceptsRecordTime(bool recording, int64_t elapsed, int h, int m, int s, int oldH, int oldM,
                       int oldS) {
    if (!recording) return true;
    if (int64_t(h) * 3600 + int64_t(m) * 60 + s - 30 >= elapsed) return true;
    return h > oldH || m > oldM || s > oldS;
}

} // namespace capturedisplay

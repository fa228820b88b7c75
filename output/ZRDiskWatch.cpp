#include "output/ZRDiskWatch.h"

#include <QFile>

#include <sys/statvfs.h>

namespace diskwatch {

std::optional<int64_t> freeBytes(const QString& folder) {
    if (folder.isEmpty()) return std::nullopt;
    // The full encoded path: a cut one would ask about another folder, or fail on a deep one.
    const QByteArray path = QFile::encodeName(folder);
    struct statvfs info {};
    if (::statvfs(path.constData(), &info) != 0) return std::nullopt;
    const unsigned __int128 bytes = static_cast<unsigned __int128>(info.f_bavail) *
                                    static_cast<unsigned __int128>(info.f_frsize);
    if (bytes > static_cast<unsigned __int128>(INT64_MAX)) return INT64_MAX;
    return static_cast<int64_t>(bytes);
}

Estimate estimate(int64_t freeAtStart, int64_t freeNow, int64_t elapsedSeconds) {
    Estimate result;
    if (elapsedSeconds <= 0) return result;
    const int64_t rate = (freeAtStart - freeNow) / elapsedSeconds;
    if (rate <= 0) {
        result.kind = Estimate::Kind::Empty;
        return result;
    }
    result.kind = Estimate::Kind::Left;
    result.secondsLeft = freeNow / rate;
    result.tooLittle = result.secondsLeft < kMinimumSeconds;
    return result;
}

} // namespace diskwatch

#pragma once

#include <QString>

#include <cstdint>
#include <optional>

/// The produce page's watch over the free space of the drive that receives a render: the
/// query and the estimate of the time left, without the page.
namespace diskwatch {

/// Fewer seconds of space than this stop a render.
inline constexpr int64_t kMinimumSeconds = 60;

/// Free bytes for the calling user on the file system holding `folder` (statvfs: available
/// blocks x fragment size, 64-bit); nothing when the query fails (the folder is gone). The
/// whole path reaches the system, in the file system's encoding.
std::optional<int64_t> freeBytes(const QString& folder);

/// One estimate from the free space at the first measurement and now, `elapsedSeconds` into
/// the rendered range.
struct Estimate {
    enum class Kind {
        None,  ///< no time has passed yet: nothing changes
        Empty, ///< nothing written or space grew: the line is emptied
        Left,  ///< `secondsLeft` is the time left at the current rate
    };
    Kind kind = Kind::None;
    int64_t secondsLeft = 0;
    /// Less than `kMinimumSeconds` left: the render must stop.
    bool tooLittle = false;
    /// `secondsLeft` split into hours, minutes (0-59) and seconds (0-59).
    int64_t hours() const { return secondsLeft / 3600; }
    int64_t minutes() const { return (secondsLeft / 60) % 60; }
    int64_t seconds() const { return secondsLeft % 60; }
};

/// Rate = (start - now) / elapsed in whole bytes per second; seconds left = now / rate.
/// Elapsed seconds of 0 or less give `None`, a rate of 0 or less `Empty`.
Estimate estimate(int64_t freeAtStart, int64_t freeNow, int64_t elapsedSeconds);

} // namespace diskwatch

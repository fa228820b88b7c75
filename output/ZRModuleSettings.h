#pragma once

#include <QString>

/// What the produce page writes for the engine's export modules before a render: groups
/// "Export::AVI Multifile" and "Export::MPEG" of "tmp_modules.ini" in the per-user state
/// folder, where the modules read them. GUI-free; call from one thread at a time.
namespace modulesettings {

inline constexpr const char* kFileName = "tmp_modules.ini";
inline constexpr const char* kDvGroup = "Export::AVI Multifile";
inline constexpr const char* kMpegGroup = "Export::MPEG";
/// The largest split size (kilobytes) written for AVI-DV Multifile.
inline constexpr int kMaxDvSplitSize = 2096000;

/// The values the groups take.
struct Values {
    int splitSize = 0;  ///< the process-wide split size in kilobytes
    QString maxBitrate; ///< the maximum bit-rate box's text (DVD only)
    QString avgBitrate; ///< the average bit-rate box's text (DVD only)
};

/// "tmp_modules.ini" in the state folder.
QString defaultPath();

/// Sets the group of format `formatId` in the file at `path` (other groups and keys stay) and
/// saves it: id 1 "Splitsize" (at most 2096000); ids 3, 5, 6 "Format" ("VCD", "SVCD", "DVD")
/// and "Splitsize", for 6 also "MaxBitrate" and "AvgBitrate". Other ids write nothing and
/// answer true. False when the file could not be saved: the module would otherwise render
/// with the settings of an earlier render.
[[nodiscard]] bool write(const QString& path, int formatId, const Values& values);

} // namespace modulesettings

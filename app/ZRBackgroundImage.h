#pragma once

#include <QImage>
#include <QString>

/// The main window's background pictures: a picture file read by Qt, or a PSD skin file (name
/// ending in ".psd" in any letter case) of which the flattened composite is used. Relative paths
/// lie in the program folder. GUI thread only.
namespace backgroundimage {

/// `path` made absolute against the program folder when it is relative.
QString resolve(const QString& path);
/// The picture at `path` (resolved), 32-bit; null when the file is missing, unreadable,
/// corrupt, or a PSD without a composite.
QImage load(const QString& path);

} // namespace backgroundimage

#pragma once

#include <QString>

#include <optional>

/// Reading the CUE sheets of BIN/CUE disc images.
namespace cuesheet {

/// The absolute path of the binary file that the cue sheet at `cuePath` names in its first
/// `FILE "<name>" BINARY` line, resolved against the cue's folder; nothing when the sheet cannot
/// be read (or exceeds 64 kB) or names no binary file.
std::optional<QString> binaryFile(const QString& cuePath);

} // namespace cuesheet

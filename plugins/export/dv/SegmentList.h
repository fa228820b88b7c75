#pragma once

#include <string>
#include <vector>

namespace exportmodule {

/// Writes a multi-file segment list: the magic ("OVDV" for DV AVI segments), then for each
/// segment a line end "\r\n", its bare file name, "; " and its size in bytes in decimal; no line
/// end after the last entry. Segments that cannot be found are listed with size 0. False when
/// the list cannot be written whole.
bool writeSegmentList(const std::string& listPath, const char* magic,
                      const std::vector<std::string>& segmentPaths);

} // namespace exportmodule

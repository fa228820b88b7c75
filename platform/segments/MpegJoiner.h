#pragma once

#include "platform/segments/SegmentFile.h"

#include <string>

namespace segments {

/// Joins the segments of an MPEG capture: makes every segment start at a video sequence header
/// with its audio aligned to it, moving the packs that belong to the end of the previous
/// segment over to that segment, trims the unfinished last group of pictures of the final
/// segment, and rewrites the list ("OVMP") with the final sizes. Each step reads only the head
/// of a segment (and the tail of the last one), never a whole file.
///
/// One step changes both files or neither: the packs it moves are appended to the previous
/// segment and the current one is rewritten in place only once every pack of the step was read
/// and checked; a failed append cuts the previous segment back to its length, a failed write
/// puts the packs already written back as they were. Segment lengths only grow, by whole packs.
/// Thread-safety: free functions; two joins must not work on the same files at once.

/// One joining step: the head of `current` (when not empty), its lead-in moved to the end of
/// `previous` (when not empty); with `current` empty, the tail of `previous`. 0 when done, 1 on
/// any failure (open, read, write, seek, a pack not starting with 00 00 01 BA, a header that
/// does not fit its pack, an unrecognised stream in the tail, no packet found).
int joinMpegFiles(const std::string& previous, const std::string& current,
                  SegmentFileSystem& files = SegmentFileSystem::local());

/// Reads the list at `listPath`, runs the steps (empty, first), (first, second), ..., (last,
/// empty) whatever their results, and rewrites the list with each segment's size (0 for a
/// missing one) through a temporary file, so that a failed rewrite keeps the old list. A list
/// that cannot be read is left untouched. True when the list was rewritten.
bool MpegSegmentList(const std::string& listPath,
                     SegmentFileSystem& files = SegmentFileSystem::local());

} // namespace segments

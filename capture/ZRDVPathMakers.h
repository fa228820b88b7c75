#pragma once

namespace zrcapture {

/// Registers with the graph factory the makers of the two camera kinds: 0x001
/// (`ZRWDMCapturePath`, DV camcorder to file) and 0x002 (`ZRWDMPlaybackPath`, file to DV
/// camcorder). Calling it again replaces them with the same makers. GUI thread only, like the
/// factory's maker table.
void registerDVPathMakers();

} // namespace zrcapture

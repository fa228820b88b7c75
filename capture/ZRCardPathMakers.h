#pragma once

/// The graph factory's makers of the capture-card and MPEG-encoder paths.
namespace zrcapture {

/// Registers with `ZRGraphFactory` the path makers of the card kinds: capture 0x011 (WDM card),
/// 0x081 (Wren80), 0x201 and 0x251 (Kestrel 200 and 250), 0x021 (Cirrus DVR) and playback
/// 0x202, 0x252 and 0x022. The card paths' tuner and TV sound requests (codes 8 and 12) open
/// the tuner dialog on the card. Calling it again replaces the makers with the same ones.
/// GUI thread, like the factory's table.
void registerCardPathMakers();

} // namespace zrcapture

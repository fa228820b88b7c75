#pragma once

/// Engine setting keys the program writes from more than one place, each spelt once.
namespace enginekeys {

/// Nests: 1 holds the background renderer once more, 0 lets one hold go.
inline constexpr char kPauseBackgroundRendering[] = "Pause Background Rendering";

} // namespace enginekeys

#pragma once

#include <QCursor>

#include <array>
#include <memory>

/// Number of entries of the shared cursor table.
constexpr int kSkinCursorCount = 15;

/// The shared cursor table: 0 arrow, 1 size-all, then the program's own cursors: 2 split,
/// 3 hand, 4 zoom in, 5 zoom out, 6 trim/drag, 7 move, 8 moving cells, 9 copying, 10 busy,
/// 11 no drop, 12 marker, 13 select, 14 time cursor. Needs a QGuiApplication (cursors hold
/// pixmaps); GUI thread only.
std::array<std::unique_ptr<QCursor>, kSkinCursorCount> makeSkinCursors();

#pragma once

/// The luma and colour differences of an overlay key colour, as the overlay blend compares them.
struct ZRKeyYuv {
    int y;
    int u;
    int v;
};

/// Y = trunc(0.299 R + 0.587 G + 0.114 B + 0.5); U and V from the unrounded luma,
/// U = trunc((B - Y') x 0.493 + 0.5), V = trunc((R - Y') x 0.877 + 0.5), truncating toward zero.
ZRKeyYuv zrKeyYuv(int red, int green, int blue);

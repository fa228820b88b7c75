#pragma once

// Conversion between QString and the 8-bit text of the C interfaces, in the locale's encoding
// (UTF-8). Reentrant: the functions touch only what they are given.

#include <QString>

class QIODevice;

/// Assigns `text` (8-bit, locale encoding) to `out`; a null `text` gives an empty string.
void ansiToQString(QString& out, const char* text);

/// Writes `text` in the locale encoding into `out` of `outSize` bytes and answers the bytes
/// written, the terminating zero included. The result is always terminated; a text that does not
/// fit is cut before the first character that would not fit whole. Answers 0 (writing nothing)
/// for a null `out` or an `outSize` below 1.
int toAnsiBuffer(char* out, int outSize, const QString& text);

/// Reads one line of `device`: carriage returns are dropped, a line feed (not included) or the
/// end of the data ends it; every other byte, 255 included, is data. The bytes are decoded in the
/// locale encoding. A null device gives an empty string.
QString readTextLine(QIODevice* device);

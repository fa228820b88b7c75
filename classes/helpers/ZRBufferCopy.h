#pragma once

// Strings copied into the fixed-size buffers of C interfaces. A copy whose source fills the
// whole buffer leaves no terminating zero: callers that need one pass a count one below their
// buffer's size. Reentrant.

#include <QString>

/// The string of a zero-terminated UTF-16 text; a null string for a null pointer.
QString qstringFromWide(const char16_t* text);

/// Zeroes `count` UTF-16 units of `dst` and copies min(length, count) units of `text` into it.
/// A null `dst` prints "swzCopyString: swz=NULL" and answers null; otherwise answers `dst`.
char16_t* swzCopyString(char16_t* dst, unsigned count, const QString& text);

/// Zeroes `size` bytes of `dst` and copies min(bytes, size) bytes of `text` in the locale's
/// encoding into it. A null `dst` prints "szmbCopyString: szmb=NULL" and answers null;
/// otherwise answers `dst`.
char* szmbCopyString(char* dst, unsigned size, const QString& text);

#pragma once

// Reading layered PSD skin files (version 1, 8 bits per channel, RGB) into a flat dictionary of
// layer records: the composite "</Merged layer>" first, then every layer in file order (bottom
// first), each with its own 32-bit ARGB image. Layer sets are read from the "lnsr", "lsct" and
// "lyid" blocks into each record's set name and set id.
//
// Files are untrusted: every count, length and size is checked against the bytes the device
// still holds before anything is read or allocated.

#include "classes/skins/PSDLayer.h"

#include <QtGlobal>

#include <memory>

class QIODevice;

/// Load flag: scale each layer's alpha by its opacity byte.
constexpr int kPSDApplyLayerOpacity = 0x100;

/// Loads the file at `path`. On failure prints "LoadPSDImage: File open error while loading '%s'"
/// (the file cannot be opened) or "LoadPSDImage: error(%d)occured" as a warning and returns
/// null. Error codes: 0 for a value the loader refuses, negative codes per field in file order.
std::unique_ptr<QDict<PSDLayer>> LoadPSDImage(const char* path, int flags);

/// As above from an open or openable device, read from its current position; `errorCode`, when
/// given, receives 1 on success or the failure code.
std::unique_ptr<QDict<PSDLayer>> LoadPSDImage(QIODevice* device, int flags,
                                              int* errorCode = nullptr);

/// Big-endian reads. The result is the number of bytes read, or -1 when the device failed or
/// held fewer bytes than asked for; `*value` is left alone then.
qint64 read16(QIODevice* device, ushort* value);
qint64 read32(QIODevice* device, uint* value);

/// Decodes PackBits from `src` (`srcLength` bytes) into `expected` bytes written every `step`
/// bytes of `dst`. A header byte n < 0 repeats the next byte 1 - n times (-128 gives 129), n >= 0
/// copies n + 1 bytes. Never reads past `srcLength` nor writes past `expected` outputs. True when
/// the output came out exactly `expected` bytes or the input ran out short of it; false for a run
/// that overflows the row or is cut off by the end of the input.
bool decodePackBits(const uchar* src, int srcLength, int expected, uchar* dst, int step);

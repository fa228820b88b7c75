#pragma once

// The texts the user interface and the trace output show for numbers, sizes, durations, times,
// hexadecimal values, pointers, identifiers, graph event codes and analog TV standards.
// Hexadecimal digits are upper-case. Values that are 32-bit on the capture interfaces (event
// codes, TV standards) are taken as int32_t and shown as 8 digits. Reentrant.

#include "classes/helpers/ZRGuid.h"

#include <QString>

#include <cstdint>

/// Decimal.
QString numberText(int value);
/// "720x576".
QString frameSizeText(int width, int height);
/// Decimal right-justified with '0' to `width`; a negative value gets "-" in front and one
/// digit less of width.
QString zeroPaddedNumber(int value, int width);
/// Hexadecimal right-justified with '0' to `width`.
QString hexNumberText(uint32_t value, int width);
/// Two digits per byte of the low `bytes` bytes (1..8) of the 64-bit value at `value`, most
/// significant first; null for a null pointer.
QString hex64Text(const void* value, int bytes);
/// Two digits per byte, from the last byte to the first; null for a null pointer.
QString hexBytesText(const unsigned char* data, int length);
/// "NULL" for null; "BAD" for the debug-heap fill values 0xBAADF00D, 0xCDCDCDCD and 0xFEEEFEEE;
/// otherwise "@" and all 16 digits.
QString pointerText(const void* pointer);
/// "EC_" and 8 digits.
QString eventCodeText(int32_t code);
/// "{XXXXXXXX-XXXX-XXXX-XXXXXXXXXXXXXXXX}".
QString guidText(const ZRGuid& guid);
/// "DevEnumCategory" and the identifier's text.
QString devEnumCategoryText(const ZRGuid& guid);
/// "01:05:09".
QString hmsText(int hours, int minutes, int seconds);
QString secondsToHmsText(int seconds);
/// "999 " below 1000 bytes; above, the value divided by 1024 until below 1000, with
/// `digits` (at least 4) significant digits and the unit k, M, G, T, P or E: "1.500 k".
QString formatByteSize(int64_t bytes, int digits);
/// The two largest units of a duration: "59 sec", "59 min 59 sec", "1 d 00 h", "1 w 0 d",
/// "1 mon 00 d", "1 a 0 mon".
QString formatDuration(int64_t seconds);
/// The name of an analog video standard value, or "Format #" and 8 digits.
QString tvStandardText(int32_t standard);

#pragma once

#include <QString>

#include <cstdint>

/// The names the capture layer shows for device values: connectors, analog video standards,
/// external device vendors, models, ports and types. A value without a name gets a text of its
/// number. Thread-safety: pure functions.
namespace zrdevicenames {

/// A physical connector type: 1 and 4096 "Tuner", 2 "Composite", ...; else "Connector #<n>".
QString connectorTypeName(long type);
/// An analog video standard bit or mask: 0 "None", 0x1 "NTSC M", ...; else "Format #<n>".
QString videoStandardName(long standard);
/// The vendor of a 24-bit vendor ID; else "Vendor #" and six upper-case hexadecimal digits.
QString vendorName(uint32_t vendorId);
/// "#" and the five low-order bytes of the model ID in hexadecimal, lowest byte first.
QString modelText(uint64_t modelId);
/// An external device's port: 1 "Simulation Port", ...; else its decimal text.
QString portName(long port);
/// An external device's type: 4104 "Video Cassette Recorder", ...; else its decimal text.
QString deviceTypeName(long type);
/// The external device ID with its eight bytes in reverse order.
uint64_t reverseDeviceId(uint64_t id);

} // namespace zrdevicenames

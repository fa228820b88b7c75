#include "capture/ZRDeviceNames.h"

#include <utility>

namespace zrdevicenames {

namespace {

template <size_t N> const char* lookUp(const std::pair<long, const char*> (&table)[N], long value) {
    for (const auto& [key, name] : table)
        if (key == value) return name;
    return nullptr;
}

const std::pair<long, const char*> kConnectors[] = {{1, "Tuner"},
                                                    {4096, "Tuner"},
                                                    {2, "Composite"},
                                                    {3, "S-Video"},
                                                    {4, "RGB"},
                                                    {5, "YrYbY"},
                                                    {6, "Serial Digital"},
                                                    {7, "Parallel Digital"},
                                                    {8, "SCSI"},
                                                    {4101, "SCSI"},
                                                    {9, "Aux"},
                                                    {4102, "Aux"},
                                                    {10, "1394"},
                                                    {4103, "1394"},
                                                    {11, "USB"},
                                                    {4104, "USB"},
                                                    {12, "Video Decoder"},
                                                    {13, "Video Encoder"},
                                                    {14, "SCART"},
                                                    {4097, "Line"},
                                                    {4098, "Mic"},
                                                    {4099, "AES Digital"},
                                                    {4100, "SPDIF Digital"},
                                                    {4105, "Audio Decoder"}};

const std::pair<long, const char*> kStandards[] = {{0, "None"},
                                                   {0x1, "NTSC M"},
                                                   {0x2, "NTSC M J"},
                                                   {0x4, "NTSC 433"},
                                                   {0x7, "NTSC Mask"},
                                                   {0x10, "PAL B"},
                                                   {0x20, "PAL D"},
                                                   {0x80, "PAL H"},
                                                   {0x100, "PAL I"},
                                                   {0x200, "PAL M"},
                                                   {0x400, "PAL N"},
                                                   {0x800, "PAL 60"},
                                                   {0x1000, "SECAM B"},
                                                   {0x2000, "SECAM D"},
                                                   {0x4000, "SECAM G"},
                                                   {0x8000, "SECAM H"},
                                                   {0x10000, "SECAM K"},
                                                   {0x20000, "SECAM K1"},
                                                   {0x40000, "SECAM L"},
                                                   {0x80000, "SECAM L1"},
                                                   {0xFF000, "SECAM Mask"},
                                                   {0x100000, "PAL N Combo"},
                                                   {0x100FB0, "PAL Mask"},
                                                   {0x1FFFB0, "PAL SECAM Mask"}};

const std::pair<long, const char*> kVendors[] = {
    {0x4B, "Nokia"},      {0x85, "Canon"},     {0x87, "Hitachi"},      {0x3F3, "Orvand"},
    {0x102D, "Hitachi"},  {0x1095, "Thomson"}, {0x2011, "Canopus"},    {0x20D9, "Panasonic"},
    {0x4043, "Nokia"},    {0x4066, "Hitachi"}, {0x5009, "Philips"},    {0x6037, "Philips"},
    {0x60CB, "Hitachi"},  {0x60E8, "Hitachi"}, {0x8045, "Matsushita"}, {0x8088, "JVC"},
    {0x80BC, "Hitachi"},  {0x80EE, "Thomson"}, {0x9020, "Philips"},    {0x9064, "Thomson"},
    {0xC02D, "Fuji"},     {0xD037, "Philips"}, {0xD060, "Panasonic"},  {0xD0D5, "Grundig"},
    {0xD0DE, "Philips"},  {0xE04E, "Sanyo"},   {0x8001F, "Sharp"},     {0x80046, "Sony"},
    {0x8006F, "Philips"}, {0x8007B, "Sanyo"}};

const std::pair<long, const char*> kPorts[] = {
    {1, "Simulation Port"},  {2, "COM1 Serial Port"},    {3, "COM2 Serial Port"},
    {4, "COM3 Serial Port"}, {5, "COM4 Serial Port"},    {7, "ARTI Driver"},
    {8, "IEEE 1394 Bus"},    {9, "Universal Serial Bus"}};

const std::pair<long, const char*> kDeviceTypes[] = {{4104, "Video Cassette Recorder"},
                                                     {4105, "Laser Disc"},
                                                     {4106, "Audio Tape Recorder"},
                                                     {4107, "Digital Disc Recorder"},
                                                     {4108, "Video Router"},
                                                     {4109, "Video Keyer"},
                                                     {4110, "Video Mixer"},
                                                     {4111, "Digital Video Effects Unit"},
                                                     {4112, "Video Wipe Generator"},
                                                     {4113, "Audio Mixer"},
                                                     {4114, "Character Generator"},
                                                     {4115, "Timebase Corrector"},
                                                     {4116, "Timecode Generator/Reader"},
                                                     {4117, "General Purpose Interface Trigger"},
                                                     {4118, "Joystick"},
                                                     {4119, "Keyboard"},
                                                     {4996, "Camera"},
                                                     {4997, "Tuner"},
                                                     {4998, "D-VHS"},
                                                     {4999, "Device unknown"}};

} // namespace

QString connectorTypeName(long type) {
    const char* name = lookUp(kConnectors, type);
    return name ? QString::fromLatin1(name) : QStringLiteral("Connector #%1").arg(type);
}

QString videoStandardName(long standard) {
    const char* name = lookUp(kStandards, standard);
    return name ? QString::fromLatin1(name) : QStringLiteral("Format #%1").arg(standard);
}

QString vendorName(uint32_t vendorId) {
    const char* name = lookUp(kVendors, long(vendorId));
    return name ? QString::fromLatin1(name)
                : QStringLiteral("Vendor #") +
                      QStringLiteral("%1").arg(vendorId, 6, 16, QLatin1Char('0')).toUpper();
}

QString modelText(uint64_t modelId) {
    QString text = QStringLiteral("#");
    for (int i = 0; i < 5; ++i)
        text += QStringLiteral("%1")
                    .arg(unsigned((modelId >> (8 * i)) & 0xFF), 2, 16, QLatin1Char('0'))
                    .toUpper();
    return text;
}

QString portName(long port) {
    const char* name = lookUp(kPorts, port);
    return name ? QString::fromLatin1(name) : QString::number(port);
}

QString deviceTypeName(long type) {
    const char* name = lookUp(kDeviceTypes, type);
    return name ? QString::fromLatin1(name) : QString::number(type);
}

uint64_t reverseDeviceId(uint64_t id) {
    return __builtin_bswap64(id);
}

} // namespace zrdevicenames

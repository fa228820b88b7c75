#include "capture/ZRDeviceNames.h"

#include <gtest/gtest.h>

using namespace zrdevicenames;

TEST(DeviceNames, TablesAndUnknownValues) {
    struct Row {
        QString (*name)(long);
        long value;
        const char* text;
    } const rows[] = {
        {connectorTypeName, 1, "Tuner"},
        {connectorTypeName, 4096, "Tuner"},
        {connectorTypeName, 3, "S-Video"},
        {connectorTypeName, 4104, "USB"},
        {connectorTypeName, 4105, "Audio Decoder"},
        {connectorTypeName, 15, "Connector #15"},
        {videoStandardName, 0, "None"},
        {videoStandardName, 0x10, "PAL B"},
        {videoStandardName, 0xFF000, "SECAM Mask"},
        {videoStandardName, 0x1FFFB0, "PAL SECAM Mask"},
        {videoStandardName, 0x3, "Format #3"},
        {portName, 8, "IEEE 1394 Bus"},
        {portName, 6, "6"},
        {deviceTypeName, 4104, "Video Cassette Recorder"},
        {deviceTypeName, 4996, "Camera"},
        {deviceTypeName, 5000, "5000"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.name(r.value), QString(r.text)) << r.value;
}

TEST(DeviceNames, VendorsModelsAndIdentifiers) {
    EXPECT_EQ(vendorName(0x80046), "Sony");
    EXPECT_EQ(vendorName(0x3F3), "Orvand");
    EXPECT_EQ(vendorName(0x123456), "Vendor #123456");
    EXPECT_EQ(vendorName(0xabc), "Vendor #000ABC");
    EXPECT_EQ(modelText(0x0000000504030201ull), "#0102030405");
    EXPECT_EQ(modelText(0xFF000000000000AAull), "#AA00000000");
    EXPECT_EQ(reverseDeviceId(0x0102030405060708ull), 0x0807060504030201ull);
}

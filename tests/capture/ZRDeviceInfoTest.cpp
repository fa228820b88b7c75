#include "capture/ZRDeviceInfo.h"
#include "tests/capture/SimulatedDevices.h"

#include <gtest/gtest.h>

using capturetest::device;
using capturetest::RegisteredBackend;

TEST(DeviceInfo, VideoClassificationTakesTheFirstMatchingRowIgnoringCase) {
    struct Row {
        const char* name;
        int32_t family, model;
    } const rows[] = {
        {"Sony DCR-TRV900", 2, 0x8},
        {"Microsoft DV Camera and VCR", 2, 0x2},
        {"microsoft dv camera", 2, 0x2},
        {"Microsoft Webcam", 1, 1},      // without "DV" it falls through
        {"Microsoft USB DVCam", 2, 0x2}, // has "DV" in "DVCam"
        {"Panasonic DVCAM deck", 2, 0x4},
        {"Brackwell USB 2 box", 4, 0x10},
        {"Kestrel Studio 250", 4, 0x10},
        {"Kestrel Studio 200", 4, 0x40},
        {"Wren Deck 150", 4, 0x20},
        {"Wren Deck 100", 4, 0x40},
        {"Marrack MPEG", 4, 0x80},
        {"Wren 90 tuner", 0x10, 0x200},
        {"NORVALE card", 0x10, 0x200},
        {"Wren 80", 0x10, 0x200},
        {"USB-PLM2", 4, 0x400},
        {"Sony Microsoft DV", 2, 0x8},
        {"", 1, 1},
    };
    for (const Row& r : rows) {
        int32_t family = 0, model = 0;
        classifyVideoDevice(QString::fromLatin1(r.name), &family, &model);
        EXPECT_EQ(family, r.family) << r.name;
        EXPECT_EQ(model, r.model) << r.name;
    }
}

TEST(DeviceInfo, AudioClassificationMatchesWithCase) {
    int32_t family = 0, model = 0;
    classifyAudioDevice("Wren 80 Audio", &family, &model);
    EXPECT_EQ(family, 1);
    EXPECT_EQ(model, int32_t(0x80000000u));
    classifyAudioDevice("wren 80 audio", &family, &model);
    EXPECT_EQ(model, 1);
    classifyAudioDevice("Norvale", &family, &model);
    EXPECT_EQ(model, int32_t(0x80000000u));
}

TEST(DeviceInfo, ListsKeepDevicesWithinTheMasks) {
    RegisteredBackend reg;
    ZRDeviceDescriptor cam = device("@device:1394#sony", "Sony DV Camcorder");
    cam.device = ZRExternalDevice{0x0807060504030201ull, "1.0", 8, 4996, 1, 1, 1};
    cam.transport = ZRExternalTransport{0x10, 0x20};
    reg.backend->add(ZRDeviceCategory::VideoInput, cam);
    reg.backend->add(ZRDeviceCategory::VideoInput, device("", "Wren Deck 100"));
    reg.backend->add(ZRDeviceCategory::VideoInput, device("@device:usb#cam", "Webcam"));
    reg.backend->add(ZRDeviceCategory::AudioInput, device("@audio:1", "Wren 80 Audio"));
    reg.backend->add(ZRDeviceCategory::AudioInput, device("@audio:2", "Line In"));

    VidCapDevInfoList all = gGetVidCapDevInfoList(-1, -1);
    ASSERT_EQ(all.size(), 3u);
    const VidCapDevInfo& sony = *all[0];
    EXPECT_EQ(sony.familyMask, 2);
    EXPECT_EQ(sony.modelMask, 0x8);
    EXPECT_EQ(sony.extDeviceId, 0x0102030405060708ull);
    EXPECT_EQ(sony.vendorId, 0x010203u);
    EXPECT_EQ(sony.modelId, 0x0405060708ull);
    EXPECT_EQ(sony.vendorName, "Vendor #010203");
    EXPECT_EQ(sony.modelText, "#0807060504");
    EXPECT_EQ(sony.portName, "IEEE 1394 Bus");
    EXPECT_EQ(sony.deviceTypeName, "Camera");
    EXPECT_EQ(sony.inputSignal, 0x10);
    EXPECT_EQ(sony.outputSignal, 0x20);
    // An empty display name is the position in the enumeration.
    EXPECT_EQ(all[1]->displayName, "1");
    EXPECT_EQ(all[2]->deviceTypeName, "0");

    EXPECT_EQ(gGetVidCapDevInfoList(4, 0x40).size(), 1u);
    EXPECT_EQ(gGetVidCapDevInfoList(2, 0x40).size(), 0u);
    EXPECT_EQ(gGetVidCapDevInfoList(2 | 1, 0x8 | 1).size(), 2u);

    EXPECT_EQ(gGetAudCapDevInfoList(1, -1).size(), 2u);
    EXPECT_EQ(gGetAudCapDevInfoList(1, int32_t(0x80000000u)).size(), 1u);
    EXPECT_EQ(gGetAudCapDevInfoList(0, -1).size(), 0u);

    EXPECT_FALSE(gGetVidEncInfoList(1, 1).empty());
    EXPECT_TRUE(gGetVidEncInfoList(1, 0).empty());
}

TEST(DeviceInfo, DictionariesIndexTheDisplayNamesFromOne) {
    RegisteredBackend reg;
    reg.backend->add(ZRDeviceCategory::VideoInput, device("first", "A"));
    reg.backend->add(ZRDeviceCategory::VideoInput, device("second", "B"));
    VidCapDevInfoList list = gGetVidCapDevInfoList(-1, -1);
    auto dict = gBuildIndex2VidCapDevDisplayNameDict(&list);
    ASSERT_TRUE(dict);
    EXPECT_EQ(*dict, (ZRDisplayNameDict{{0, ""}, {1, "first"}, {2, "second"}}));
    VidCapDevInfoList empty;
    EXPECT_FALSE(gBuildIndex2VidCapDevDisplayNameDict(&empty));
    EXPECT_FALSE(gBuildIndex2AudCapDevDisplayNameDict(nullptr));
    VidEncInfoList encoders = gGetVidEncInfoList(1, 1);
    auto encoderDict = gBuildIndex2VidEncDisplayNameDict(&encoders);
    ASSERT_TRUE(encoderDict);
    EXPECT_EQ(encoderDict->size(), encoders.size() + 1);
}

TEST(DeviceInfo, CollectorsKeepDescendingOrderWithoutZerosOrRepeats) {
    ZRVideoResolutions sizes;
    for (auto [w, h] :
         {std::pair{320, 240}, {720, 576}, {720, 480}, {320, 240}, {0, 480}, {640, 0}, {352, 288}})
        collectVideoResolutions(&sizes, w, h);
    EXPECT_EQ(sizes, (ZRVideoResolutions{{720, 576}, {720, 480}, {352, 288}, {320, 240}}));

    ZRAudioResolutions formats;
    collectAudioResolutions(&formats, 44100, 2, 16);
    collectAudioResolutions(&formats, 48000, 2, 16);
    collectAudioResolutions(&formats, 48000, 1, 16);
    collectAudioResolutions(&formats, 32000, 2, 8);
    collectAudioResolutions(&formats, 48000, 2, 16);
    collectAudioResolutions(&formats, 0, 2, 16);
    EXPECT_EQ(formats,
              (ZRAudioResolutions{{48000, 2, 16}, {44100, 2, 16}, {48000, 1, 16}, {32000, 2, 8}}));
}

#include "platform/ieee1394/ZRSimulatedCamcorder.h"
#include "platform/ieee1394/ZRAvcCommands.h"
#include "platform/ieee1394/ZRGeneratedTape.h"
#include "platform/ieee1394/ZRIeee1394Backend.h"
#include "platform/ieee1394/ZRRaw1394Bus.h"
#include "platform/segments/DvFrame.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using zrieee1394::ZRSimulatedCamcorder;

namespace {

constexpr uint64_t kGuid = 0x0800460001020304ull;

std::unique_ptr<ZRSimulatedCamcorder> camcorder(int frames = 30, bool ntsc = false) {
    return std::make_unique<ZRSimulatedCamcorder>(kGuid, "Sony DCR-TRV",
                                                  zrieee1394::generatedTape(frames, ntsc));
}

std::vector<uint8_t> ask(ZRSimulatedCamcorder& cam, const zravc::Frame& request,
                         ZR1394Status expected = ZR1394Status::Ok) {
    std::vector<uint8_t> reply;
    EXPECT_EQ(cam.transact(kGuid, request, &reply), expected);
    return reply;
}

} // namespace

TEST(GeneratedTape, WholeFramesOfEitherSystemWithSound) {
    for (const bool ntsc : {false, true}) {
        const auto tape = zrieee1394::generatedTape(3, ntsc);
        ASSERT_EQ(tape.size(), 3u);
        EXPECT_EQ(tape[0].size(), ntsc ? segments::kDvFrame525 : segments::kDvFrame625);
        EXPECT_EQ(segments::isDv525(tape[0]), ntsc);
        segments::DvAudioReader reader;
        const auto sound = reader.read(tape[1]);
        EXPECT_EQ(sound.rate, 48000);
        EXPECT_EQ(sound.channels, 2);
        EXPECT_GT(sound.samples.size(), 3000u);
    }
}

TEST(DvFrameTest, RecordingTimeStampsReadBack) {
    auto tape = zrieee1394::generatedTape(1, false);
    ASSERT_EQ(tape.size(), 1u);
    const int64_t when = 1700000000; // 2023-11-14 22:13:20
    ASSERT_TRUE(segments::stampDvRecordingTime(tape[0], when));
    EXPECT_EQ(segments::dvRecordingTime(tape[0]), when);
    ASSERT_TRUE(segments::stampDvRecordingTime(tape[0], when + 3600));
    EXPECT_EQ(segments::dvRecordingTime(tape[0]), when + 3600);
    std::vector<uint8_t> cut(tape[0].begin(), tape[0].begin() + 1000);
    EXPECT_FALSE(segments::dvRecordingTime(cut));
    EXPECT_FALSE(segments::stampDvRecordingTime(cut, when));
}

TEST(SimulatedCamcorder, TransportAnswersAndMovesByItsClock) {
    auto cam = camcorder(100);
    std::atomic<int64_t> now{0};
    cam->setClock([&] { return now.load(); });
    EXPECT_EQ(ask(*cam, zravc::transportStateRequest()), (zravc::Frame{0x0C, 0x20, 0xC4, 0x60}));
    EXPECT_EQ(ask(*cam, zravc::request(4296, 0, false).frame)[0], zravc::kAccepted);
    now = 1000; // a second of play: 25 frames
    EXPECT_EQ(zravc::timeCode(ask(*cam, zravc::timeCodeRequest()), false), 0x00000100);
    EXPECT_EQ(ask(*cam, zravc::transportStateRequest()), (zravc::Frame{0x0C, 0x20, 0xC3, 0x75}));
    // Winding on reaches the tape's end and stops there.
    ask(*cam, zravc::request(4300, 0, false).frame);
    now = 10000;
    EXPECT_EQ(ask(*cam, zravc::transportStateRequest()), (zravc::Frame{0x0C, 0x20, 0xC4, 0x60}));
    EXPECT_EQ(cam->position(), 99);
    // Locate to 00:00:02:05: frame 55, then paused.
    ask(*cam, zravc::request(0x3004, 0x00000205, false).frame);
    EXPECT_EQ(cam->position(), 55);
    EXPECT_EQ(ask(*cam, zravc::transportStateRequest()), (zravc::Frame{0x0C, 0x20, 0xC3, 0x7D}));
    // Without a time-code reader the track number answers.
    cam->setTimeCodeReader(false);
    EXPECT_EQ(zravc::timeCode(ask(*cam, zravc::timeCodeRequest()), false), -1);
    EXPECT_EQ(zravc::timeCodeFromTrack(ask(*cam, zravc::absoluteTrackRequest()), false),
              0x00000205);
}

TEST(SimulatedCamcorder, FaultsOnDemand) {
    auto cam = camcorder(10);
    const auto state = zravc::transportStateRequest();
    cam->setFault(ZRSimulatedCamcorder::Fault::Silence, 1);
    EXPECT_TRUE(ask(*cam, state, ZR1394Status::NoReply).empty());
    cam->setFault(ZRSimulatedCamcorder::Fault::Rejected, 1);
    EXPECT_EQ(ask(*cam, state)[0], zravc::kRejected);
    cam->setFault(ZRSimulatedCamcorder::Fault::Short, 1);
    EXPECT_EQ(ask(*cam, state).size(), 2u);
    cam->setFault(ZRSimulatedCamcorder::Fault::NonBcd, 1);
    EXPECT_EQ(zravc::timeCode(ask(*cam, zravc::timeCodeRequest()), false), -1);
    EXPECT_EQ(ask(*cam, state), (zravc::Frame{0x0C, 0x20, 0xC4, 0x60}));

    std::atomic<int> resets{0}, lost{0};
    const int id = cam->addNoticeSink([&](IZR1394Bus::Notice n, uint64_t guid) {
        EXPECT_EQ(guid, kGuid);
        (n == IZR1394Bus::Notice::Reset ? resets : lost)++;
    });
    cam->resetDuringNextTransaction();
    ask(*cam, state, ZR1394Status::Reset);
    EXPECT_EQ(resets.load(), 1);
    EXPECT_EQ(ask(*cam, state).size(), 4u); // the same camera after the reset
    cam->unplug();
    EXPECT_EQ(lost.load(), 1);
    EXPECT_TRUE(cam->nodes().empty());
    ask(*cam, state, ZR1394Status::NodeGone);
    cam->plugIn();
    EXPECT_EQ(cam->nodes().size(), 1u);
    cam->removeNoticeSink(id);
}

TEST(SimulatedCamcorder, SendsTheTapeAtPlayAndThePausedFrame) {
    auto cam = camcorder(20);
    cam->setFreeRunning(true);
    cam->setIncompleteFrames({3});
    std::mutex mutex;
    std::vector<std::pair<std::vector<uint8_t>, bool>> got;
    ASSERT_TRUE(cam->startReceive(kGuid, [&](std::span<const uint8_t> f, bool complete) {
        std::lock_guard lock(mutex);
        got.emplace_back(std::vector<uint8_t>(f.begin(), f.end()), complete);
    }));
    ask(*cam, zravc::request(4296, 0, false).frame);
    for (int i = 0; i < 200 && cam->modeOperand() != 0x60; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    cam->stopReceive(kGuid);
    const auto tape = zrieee1394::generatedTape(20, false);
    ASSERT_EQ(got.size(), 20u);
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].second, i != 3) << i;
        if (i != 3) {
            EXPECT_EQ(got[i].first, tape[i]) << i;
        }
    }
}

TEST(Ieee1394Backend, ListsTheCamcorderAndMakesItsNode) {
    std::shared_ptr<ZRSimulatedCamcorder> cam = camcorder(5);
    zrieee1394::ZRIeee1394Backend backend(cam);
    const auto devices = backend.devices(ZRDeviceCategory::VideoInput);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].displayName, "ieee1394:0800460001020304");
    EXPECT_EQ(devices[0].friendlyName, "Sony DCR-TRV");
    ASSERT_TRUE(devices[0].device);
    EXPECT_EQ(__builtin_bswap64(devices[0].device->id), kGuid);
    EXPECT_EQ(devices[0].device->port, 8);
    EXPECT_EQ(devices[0].device->deviceType, 4104);
    EXPECT_TRUE(backend.devices(ZRDeviceCategory::AudioInput).empty());
    EXPECT_TRUE(backend.createNode(ZRDeviceCategory::VideoInput, devices[0].displayName));
    EXPECT_FALSE(backend.createNode(ZRDeviceCategory::VideoInput, "ieee1394:0000000000000001"));
    EXPECT_FALSE(backend.createNode(ZRDeviceCategory::VideoInput, "ieee1394:zz"));
}

TEST(Raw1394Bus, FindsNoDeviceWithoutAdapters) {
    // firewire-core answers with no ports when the machine has no /dev/fw*.
    auto bus = zrieee1394::ZRRaw1394Bus::open();
    if (!bus) GTEST_SKIP() << "no libraw1394 handle";
    if (bus->portCount() > 0) GTEST_SKIP() << "an IEEE 1394 adapter is present";
    EXPECT_TRUE(bus->nodes().empty());
    std::vector<uint8_t> reply;
    EXPECT_EQ(bus->transact(kGuid, zravc::transportStateRequest(), &reply), ZR1394Status::NodeGone);
    EXPECT_FALSE(bus->startReceive(kGuid, [](std::span<const uint8_t>, bool) {}));
    zrieee1394::ZRIeee1394Backend backend(bus);
    EXPECT_TRUE(backend.devices(ZRDeviceCategory::VideoInput).empty());
}

// Paced, the camcorder takes a sent frame every 40 ms by its clock from a queue of three: the
// fourth frame waits for room, and periods that find the queue empty repeat the last frame.
TEST(SimulatedCamcorder, PacedTransmitQueuesThreeAndCountsRepeats) {
    const auto tape = zrieee1394::generatedTape(1, false);
    zrieee1394::ZRSimulatedCamcorder camcorder(0x42, "paced", tape);
    std::atomic<int64_t> now{0};
    camcorder.setClock([&] { return now.load(); });
    camcorder.setTransmitPacing(true);
    ASSERT_TRUE(camcorder.startTransmit(0x42, true));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(camcorder.transmit(0x42, tape.front()));
    std::atomic<bool> fourthSent{false};
    std::thread sender([&] { fourthSent = camcorder.transmit(0x42, tape.front()); });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(fourthSent.load()) << "the queue is full";
    now = 40;
    sender.join();
    EXPECT_TRUE(fourthSent.load());
    EXPECT_EQ(camcorder.framesTransmitted(), 4);
    EXPECT_EQ(camcorder.repeatedFrames(0x42), 0);
    // Frames leave at 40, 80, 120 and 160; 200 and 240 find nothing new.
    now = 240;
    EXPECT_EQ(camcorder.repeatedFrames(0x42), 2);
    camcorder.stopTransmit(0x42);
    now = 1000;
    EXPECT_EQ(camcorder.repeatedFrames(0x42), 2) << "a stopped transmission repeats nothing";
    ASSERT_TRUE(camcorder.startTransmit(0x42, true));
    EXPECT_EQ(camcorder.repeatedFrames(0x42), 0);
    EXPECT_FALSE(camcorder.transmit(0x42, std::span(tape.front()).first(1000)));
}

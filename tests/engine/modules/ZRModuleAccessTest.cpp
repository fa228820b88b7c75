#include "engine/modules/ZRModuleAccess.h"
#include "engine/base/ZRPos.h"
#include "engine/render/ZRImage.h"
#include "engine/timeline/ZRTimeline.h"
#include "tests/engine/modules/ModuleFixture.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cmath>
#include <cstring>
#include <thread>

using namespace modulefixture;

namespace {

const std::string kCounting = rootUtf8() + "PlugIns/import/counting.so";
const std::string kThrowing = rootUtf8() + "PlugIns/import/throwing.so";

uint32_t pixel(IZRImage* image, int x, int y) {
    uint32_t value;
    std::memcpy(&value, image->pixels() + size_t(y) * size_t(image->stride()) + size_t(x) * 4, 4);
    return value;
}

void fill(IZRImage* image, uint32_t value) {
    for (int y = 0; y < image->height(); ++y)
        for (int x = 0; x < image->width(); ++x)
            std::memcpy(image->pixels() + size_t(y) * size_t(image->stride()) + size_t(x) * 4,
                        &value, 4);
}

// The test module paints frame n as blue = n's low byte, green = its high byte, red 0x40.
uint32_t frameColour(int frame, uint32_t red = 0x40) {
    return 0xFF000000u | red << 16 | uint32_t((frame >> 8) & 0xFF) << 8 | uint32_t(frame & 0xFF);
}

// The counting module's sessions: files opened so far and open now.
struct Sessions {
    int opened = 0, live = 0;
};
Sessions sessions() {
    static void* library = dlopen(kCounting.c_str(), RTLD_NOW);
    using Function = void (*)(int*, int*);
    static auto read = reinterpret_cast<Function>(dlsym(library, "countingSessions"));
    Sessions s;
    if (read) read(&s.opened, &s.live);
    return s;
}

int16_t tone(long sample) {
    return int16_t(std::lround(8000.0 * std::sin(2.0 * M_PI * 1000.0 * sample / 48000.0)));
}

class ZRModuleAccessTest : public ::testing::Test {
protected:
    void SetUp() override { m_timeline = makeTimeline(); }

    ZRTimeline* timeline() { return static_cast<ZRTimeline*>(m_timeline.get()); }
    IZRImage* image(int width, int height) {
        return m_timeline->factory()->createImage(width, height, 0);
    }
    std::unique_ptr<ZRModuleAccess> open(const char* file, const std::string& module = kCounting) {
        auto access = std::make_unique<ZRModuleAccess>(timeline());
        EXPECT_TRUE(access->open("Import", file, module.c_str())) << file;
        return access;
    }

    Timeline m_timeline;
};

} // namespace

TEST_F(ZRModuleAccessTest, OpenReadsTheMediaDescription) {
    auto access = open("clip.avi");
    EXPECT_TRUE(access->isOpen());
    EXPECT_EQ(access->frameRate(), 25.0);
    EXPECT_EQ(access->playLength(), 2.0);
    EXPECT_EQ(access->sourceLength(), 2.0);
    EXPECT_EQ(access->formatCode(), 3);
    EXPECT_TRUE(access->sourceHasVideo());
    EXPECT_TRUE(access->sourceHasAudio());
    int width = 0, height = 0, rate = 0, bits = 0, channels = 0;
    EXPECT_TRUE(access->videoDimensions(&width, &height));
    EXPECT_EQ(width * 1000 + height, 320240);
    EXPECT_TRUE(access->audioSettings(&rate, &bits, &channels));
    EXPECT_EQ(rate, 48000);
    EXPECT_EQ(bits * 100 + channels, 1602);
    access->close();
    EXPECT_FALSE(access->isOpen());
    EXPECT_FALSE(access->sourceHasVideo());
    EXPECT_FALSE(access->renderVideo(timeline()->currentPosition(), image(8, 8)));
}

TEST_F(ZRModuleAccessTest, OpenFailures) {
    ZRModuleAccess access(timeline());
    EXPECT_FALSE(access.open("Import", "missing.avi", kCounting.c_str()));
    EXPECT_FALSE(access.isOpen());
    const std::string noEntry = rootUtf8() + "PlugIns/import/no_entry.so";
    EXPECT_FALSE(access.open("Import", "clip.avi", noEntry.c_str()));
    EXPECT_FALSE(access.open("Import", "clip.avi", (rootUtf8() + "nothing.so").c_str()));
    EXPECT_FALSE(access.open("Import", "clip.avi", nullptr));
    // A failed open leaves the access usable.
    EXPECT_TRUE(access.open("Import", "clip.avi", kCounting.c_str()));
    EXPECT_TRUE(hostLog().debug.empty());
}

// The position's frames are counted again in the module's rate, rounded to the nearest frame.
TEST_F(ZRModuleAccessTest, PositionsBecomeModuleFrames) {
    struct Case {
        const char* file;
        int h, m, s, f;
        double rate;
        int frame;
    };
    const Case cases[] = {
        {"clip.avi", 0, 0, 0, 0, 30.0, 0},    {"clip.avi", 0, 0, 1, 15, 30.0, 38},
        {"clip.avi", 0, 0, 1, 10, 25.0, 35},  {"clip.avi", 0, 1, 0, 29, 30.0, 1524},
        {"nofps.avi", 0, 0, 1, 10, 25.0, 35}, {"nofps.avi", 0, 0, 1, 15, 30.0, 38},
    };
    IZRImage* target = image(64, 48);
    for (const Case& c : cases) {
        auto access = open(c.file);
        ZRPos position(c.h, c.m, c.s, c.f, c.rate);
        ASSERT_TRUE(access->renderVideo(&position, target)) << c.file;
        EXPECT_EQ(pixel(target, 10, 10), frameColour(c.frame))
            << c.file << " " << c.s << "." << c.f;
    }
}

TEST_F(ZRModuleAccessTest, StillPictureIsLetterboxed) {
    auto access = open("picture still.png");
    IZRImage* target = image(720, 576);
    ZRPos position(0, 0, 0, 5, 25.0);
    ASSERT_TRUE(access->renderVideo(&position, target));
    // 400 x 300 fits as 720 x 540, 18 lines from the top, over opaque black.
    for (int x : {0, 360, 719}) {
        EXPECT_EQ(pixel(target, x, 17), 0xFF000000u) << x;
        EXPECT_EQ(pixel(target, x, 18), frameColour(5)) << x;
        EXPECT_EQ(pixel(target, x, 557), frameColour(5)) << x;
        EXPECT_EQ(pixel(target, x, 558), 0xFF000000u) << x;
    }
    EXPECT_EQ(pixel(target, 0, 0), 0xFF000000u);
    EXPECT_EQ(hostLog().debug, std::vector<std::string>{"Is a picture\n"});
}

TEST_F(ZRModuleAccessTest, InterlacedFramesKeepTheirFields) {
    auto access = open("camera interlaced.dv");
    ZRPos position(0, 0, 0, 2, 25.0);
    IZRImage* small = image(352, 288);
    ASSERT_TRUE(access->renderVideo(&position, small));
    for (int y : {0, 1, 143, 287})
        EXPECT_EQ(pixel(small, 100, y), frameColour(2, 0x40)) << y;

    IZRImage* full = image(720, 576);
    ASSERT_TRUE(access->renderVideo(&position, full));
    for (int y : {0, 2, 300, 574})
        EXPECT_EQ(pixel(full, 100, y), frameColour(2, 0x40)) << y;
    for (int y : {1, 3, 301, 575})
        EXPECT_EQ(pixel(full, 100, y), frameColour(2, 0xC0)) << y;
}

TEST_F(ZRModuleAccessTest, FramesInPlaceAndIn24Bits) {
    ZRPos position(0, 0, 1, 0, 25.0);
    for (const char* file : {"inplace.avi", "bgr.avi"}) {
        auto access = open(file);
        IZRImage* target = image(720, 576);
        ASSERT_TRUE(access->renderVideo(&position, target)) << file;
        EXPECT_EQ(pixel(target, 0, 0), frameColour(25)) << file;
        EXPECT_EQ(pixel(target, 719, 575), frameColour(25)) << file;
    }
}

// An unknown colour space costs that frame only; a frame of width 0 is refused, never divided by.
TEST_F(ZRModuleAccessTest, UnreadableFramesAreRefused) {
    IZRImage* target = image(64, 48);
    fill(target, 0xFF123456u);
    auto access = open("badcs.avi");
    ZRPos first(0, 0, 0, 0, 25.0);
    EXPECT_FALSE(access->renderVideo(&first, target));
    EXPECT_EQ(pixel(target, 5, 5), 0xFF123456u);
    EXPECT_EQ(hostLog().debug,
              std::vector<std::string>{"Wrong colorspace for SRScaler_FourCC_BGRA\n"});
    ZRPos next(0, 0, 0, 1, 25.0);
    EXPECT_TRUE(access->renderVideo(&next, target));
    EXPECT_EQ(pixel(target, 5, 5), frameColour(1));

    auto zero = open("zerowidth.png");
    fill(target, 0xFF123456u);
    EXPECT_FALSE(zero->renderVideo(&first, target));
    EXPECT_EQ(pixel(target, 5, 5), 0xFF123456u);
}

TEST_F(ZRModuleAccessTest, AThrowingModuleCostsOneFrameAndOneLine) {
    auto access = open("clip.avi", kThrowing);
    IZRImage* target = image(64, 48);
    fill(target, 0xFF123456u);
    ZRPos position(0, 0, 0, 3, 25.0);
    EXPECT_TRUE(access->renderVideo(&position, target));
    EXPECT_EQ(pixel(target, 0, 0), 0xFF123456u);
    EXPECT_EQ(pixel(target, 63, 47), 0xFF123456u);
    ASSERT_EQ(hostLog().debug.size(), 1u);
    const std::string& line = hostLog().debug[0];
    EXPECT_EQ(line.rfind("ZRModuleAccess(", 0), 0u) << line;
    EXPECT_NE(line.find("): Exception in 'RenderVideo'\n"), std::string::npos) << line;

    // Audio goes on as silence.
    ASSERT_TRUE(access->seekAudio(&position));
    const void* data = nullptr;
    int32_t bytes = 0;
    EXPECT_TRUE(access->renderAudio(100, &data, &bytes));
    ASSERT_EQ(bytes, 400);
    const auto* samples = static_cast<const int16_t*>(data);
    EXPECT_TRUE(std::all_of(samples, samples + 200, [](int16_t s) { return s == 0; }));
    EXPECT_EQ(hostLog().debug.size(), 2u);
}

TEST_F(ZRModuleAccessTest, NativeFramesAreDescribedInTheImage) {
    auto access = open("tape native.dv");
    auto* target = dynamic_cast<ZRImage*>(image(720, 576));
    ASSERT_NE(target, nullptr);
    ZRPos position(0, 0, 0, 7, 25.0);
    ASSERT_TRUE(access->nativeVideo(&position, target));
    EXPECT_EQ(target->nativeKind(), 2);
    EXPECT_EQ(target->nativeLength(), 144000u);
    ASSERT_NE(target->nativeData(), nullptr);
    EXPECT_EQ(target->nativeData()[0], 7);
}

TEST_F(ZRModuleAccessTest, AudioIsTheToneThenSilence) {
    auto access = open("clip.avi");
    ZRPos second(0, 0, 1, 0, 25.0);
    ASSERT_TRUE(access->seekAudio(&second));
    const void* data = nullptr;
    int32_t bytes = 0;
    ASSERT_TRUE(access->renderAudio(480, &data, &bytes));
    ASSERT_EQ(bytes, 480 * 4);
    const auto* samples = static_cast<const int16_t*>(data);
    for (int i : {0, 1, 12, 479}) {
        const double t = 1.0 + i / 48000.0;
        const auto expected = int16_t(std::lround(8000.0 * std::sin(2.0 * M_PI * 1000.0 * t)));
        EXPECT_EQ(samples[2 * i], expected) << i;
        EXPECT_EQ(samples[2 * i + 1], expected) << i;
    }

    // 1.96 s: 1920 sample frames remain of the 2-second source; the rest is silence.
    ZRPos nearEnd(0, 0, 1, 24, 25.0);
    ASSERT_TRUE(access->seekAudio(&nearEnd));
    ASSERT_TRUE(access->renderAudio(4000, &data, &bytes));
    ASSERT_EQ(bytes, 16000);
    samples = static_cast<const int16_t*>(data);
    EXPECT_NE(samples[2 * 1919 - 2], 0);
    EXPECT_TRUE(std::all_of(samples + 2 * 1920, samples + 8000, [](int16_t s) { return s == 0; }));

    EXPECT_FALSE(access->renderAudio(0, &data, &bytes));
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(bytes, 0);
}

TEST_F(ZRModuleAccessTest, DebugTextReachesTheHost) {
    auto access = open("debug.avi");
    EXPECT_EQ(hostLog().debug, std::vector<std::string>{"counting: opened\n"});
}

// Accesses render in parallel: each has its own buffers.
TEST_F(ZRModuleAccessTest, AccessesRenderInParallel) {
    auto a = open("a bgr.avi");
    auto b = open("b bgr.avi");
    IZRImage* imageA = image(160, 120);
    IZRImage* imageB = image(200, 100);
    auto run = [](ZRModuleAccess* access, IZRImage* target, bool* ok) {
        for (int f = 0; f < 25 && *ok; ++f) {
            ZRPos position(0, 0, 1, f, 25.0);
            *ok = access->renderVideo(&position, target) &&
                  pixel(target, 3, 3) == frameColour(25 + f);
        }
    };
    bool okA = true, okB = true;
    std::thread other(run, a.get(), imageA, &okA);
    run(b.get(), imageB, &okB);
    other.join();
    EXPECT_TRUE(okA);
    EXPECT_TRUE(okB);
}

// Beyond the cache's capacity the least recently used files close in the module; each opens
// again on its next use and delivers the frame and the sound it would have delivered.
TEST_F(ZRModuleAccessTest, TheDecoderCacheReopensAClipItClosedAtTheSameFrame) {
    ZRDecoderCache& cache = ZRDecoderCache::instance();
    const size_t capacity = cache.capacity();
    cache.setCapacity(2);
    const Sessions start = sessions();
    std::vector<std::unique_ptr<ZRModuleAccess>> clips;
    for (const char* file : {"a.avi", "b.avi", "c.avi", "d.avi"})
        clips.push_back(open(file));
    EXPECT_EQ(sessions().live - start.live, 2);
    EXPECT_EQ(cache.openCount(), 2u);

    IZRImage* target = image(32, 24);
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 4; ++i) {
            const int frame = 3 + 7 * i + round;
            ZRPos position(0, 0, 0, frame, 25.0);
            fill(target, 0);
            ASSERT_TRUE(clips[size_t(i)]->renderVideo(&position, target));
            EXPECT_EQ(pixel(target, 5, 5), frameColour(frame)) << "clip " << i;
        }
    EXPECT_EQ(sessions().live - start.live, 2);
    EXPECT_GE(sessions().opened - start.opened, 4 + 12 - 2) << "closed clips opened again";
    // A suspended clip still describes itself without opening.
    EXPECT_TRUE(clips[0]->sourceHasAudio());
    EXPECT_EQ(clips[0]->frameRate(), 25.0);

    // The sound goes on at the sample after the last one delivered.
    const ZRPos half(0, 0, 0, 12, 25.0);
    ASSERT_TRUE(clips[0]->seekAudio(const_cast<ZRPos*>(&half)));
    const void* data = nullptr;
    int32_t bytes = 0;
    ASSERT_TRUE(clips[0]->renderAudio(100, &data, &bytes));
    for (int i = 1; i < 4; ++i) {
        ZRPos position(0, 0, 0, 1, 25.0);
        ASSERT_TRUE(clips[size_t(i)]->renderVideo(&position, target));
    }
    const int opened = sessions().opened;
    ASSERT_TRUE(clips[0]->renderAudio(100, &data, &bytes));
    EXPECT_EQ(sessions().opened, opened + 1);
    const auto* samples = static_cast<const int16_t*>(data);
    for (int i : {0, 1, 57, 99})
        EXPECT_EQ(samples[2 * i], tone(24000 + 100 + i)) << i;

    // Closing a suspended clip does not clean it up twice.
    clips.clear();
    EXPECT_EQ(sessions().live, start.live);
    EXPECT_EQ(cache.openCount(), 0u);
    cache.setCapacity(capacity);
}

// Threads that share clips over a small cache: every frame is still the one asked for.
TEST_F(ZRModuleAccessTest, TheDecoderCacheServesThreadsSharingClips) {
    ZRDecoderCache& cache = ZRDecoderCache::instance();
    const size_t capacity = cache.capacity();
    cache.setCapacity(2);
    std::vector<std::unique_ptr<ZRModuleAccess>> clips;
    for (const char* file : {"a.avi", "b.avi", "c.avi"})
        clips.push_back(open(file));
    auto run = [&](IZRImage* target, int offset, bool* ok) {
        for (int n = 0; n < 60 && *ok; ++n) {
            const int frame = (n * 7 + offset) % 50;
            ZRPos position(0, 0, 0, frame, 25.0);
            *ok = clips[size_t((n + offset) % 3)]->renderVideo(&position, target) &&
                  pixel(target, 1, 1) == frameColour(frame);
        }
    };
    bool okA = true, okB = true;
    IZRImage* a = image(16, 12);
    IZRImage* b = image(16, 12);
    std::thread other(run, a, 1, &okA);
    run(b, 2, &okB);
    other.join();
    EXPECT_TRUE(okA);
    EXPECT_TRUE(okB);
    EXPECT_LE(cache.openCount(), 3u);
    clips.clear();
    cache.setCapacity(capacity);
}

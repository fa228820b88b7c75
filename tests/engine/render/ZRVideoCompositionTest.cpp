// videoAt on tiny frames with the render fixture's modules: background, overlays, transitions,
// effects, titles, clips and the native frames of pass-through.
#include "engine/api/ZREffect.h"
#include "engine/render/ZRImage.h"
#include "tests/engine/render/RenderFixture.h"
#include "tests/support/TestEnvironment.h"

#include <QLibrary>

#include <gtest/gtest.h>

#include <thread>

using namespace renderfixture;

namespace {

class ZRVideoComposition : public ::testing::Test {
protected:
    void SetUp() override {
        m_timeline = makeTimeline();
        ASSERT_TRUE(m_timeline);
        t()->settings()->setDoubleSetting("Framerate", 30.0);
        t()->settings()->setIntPairSetting("Video Dimensions", 4, 2);
    }
    void TearDown() override { m_timeline.reset(); }

    IZRTimeline* t() { return m_timeline.get(); }
    IZRObject* transition(int track, ZRPos start = at(0, 0)) {
        IZRObject* o = t()->factory()->createObject("Transition", "Basic", "Test Fade", nullptr);
        if (o) t()->insertObject(track, &start, o);
        return o;
    }
    static void setInt(IZRObject* o, const char* key, int value) {
        ASSERT_TRUE(static_cast<ZRObject*>(o)->setIntSetting(key, value)) << key;
    }

    Timeline m_timeline;
};

// Opaque grey of one byte value.
constexpr uint32_t grey(uint32_t v) {
    return 0xFF000000u | v << 16 | v << 8 | v;
}

} // namespace

TEST_F(ZRVideoComposition, AnEmptyTimelineGivesTheBackgroundColour) {
    // "Background Color" (10, 20, 30): red is the first value, blue the second, green the third.
    t()->settings()->setIntTripleSetting("Background Color", 10, 20, 30);
    EXPECT_TRUE(frameIs(t(), at(0, 0), 0xFF0A1E14));
    ZRPos p = at(3, 0);
    IZRImage* frame = t()->videoAt(&p, 0);
    ASSERT_EQ(frame, t()->imageBuffer(1));
    EXPECT_TRUE(frame->locked());
    frame->unlock();
    EXPECT_FALSE(frame->locked());
    EXPECT_EQ(t()->videoAt(nullptr, 0), nullptr);
}

// Before "Video Dimensions" are set the frame has no pixels: nothing is composed (no title is
// sized against a height of 0) and the empty frame comes back locked.
TEST_F(ZRVideoComposition, NoFrameSizeComposesNothing) {
    auto timeline = makeTimeline();
    timeline->settings()->setDoubleSetting("Framerate", 30.0);
    IZRObject* title = timeline->factory()->createObject("2D-Text", nullptr, nullptr, "Hello");
    ASSERT_NE(title, nullptr);
    ZRPos start = at(0, 0);
    timeline->insertObject(1, &start, title);
    solid(timeline.get(), 2, 0xFFFFFF);
    ZRPos p = at(0, 5);
    IZRImage* frame = timeline->videoAt(&p, 0);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->pixels(), nullptr);
    frame->unlock();
    ZRImage small(engine(timeline));
    ASSERT_TRUE(small.create(8, 4, 0));
    EXPECT_EQ(title->renderVideo(&p, &small), &small);
}

// A black "Solid Color" in overlay mode 4 with a fade in of 1000 ms over white.
TEST_F(ZRVideoComposition, AFadingOverlayIsMixedByItsTransparency) {
    solid(t(), 1, 0xFFFFFF);
    ZRObject* black = solid(t(), 2, 0x000000, at(1, 0));
    setInt(black, "Overlay Mode", 4);
    setInt(black, "Overlay Fade In", 1);
    setInt(black, "Overlay Fade Time", 1000);
    EXPECT_TRUE(frameIs(t(), at(1, 0), grey(255)));  // invisible at its start
    EXPECT_TRUE(frameIs(t(), at(1, 15), grey(127))); // 500 ms: weight 128
    EXPECT_TRUE(frameIs(t(), at(2, 0), grey(0)));    // fully drawn from 1000 ms on
    // The white below may be the background as well: the frame is cleared for a first overlay.
    auto alone = makeTimeline();
    alone->settings()->setIntPairSetting("Video Dimensions", 4, 2);
    ZRObject* first = solid(alone.get(), 1, 0x000000);
    setInt(first, "Overlay Mode", 4);
    setInt(first, "Overlay Fade In", 1);
    EXPECT_TRUE(frameIs(alone.get(), at(0, 15), grey(127)));
}

// Black on track 1, the fade on track 2, white on track 3: the clips are not drawn by
// themselves; the transition starts at progress 0 (its first input) and direction 1 swaps
// the inputs.
TEST_F(ZRVideoComposition, TransitionsMixTheirNeighbours) {
    solid(t(), 1, 0x000000);
    IZRObject* fade = transition(2);
    ASSERT_NE(fade, nullptr);
    solid(t(), 3, 0xFFFFFF);
    struct Case {
        int direction, frame;
        uint32_t expected;
    } cases[] = {
        {0, 0, grey(0)},   {0, 15, grey(127)}, {0, 29, grey(246)}, // 9666 of 10000
        {1, 0, grey(255)}, {1, 15, grey(127)}, {1, 29, grey(8)},
    };
    for (const Case& c : cases) {
        setInt(fade, "Transition Direction", c.direction);
        EXPECT_TRUE(frameIs(t(), at(0, c.frame), c.expected))
            << "direction " << c.direction << " frame " << c.frame << std::hex << " got "
            << frameAt(t(), at(0, c.frame));
    }
    // After the transition only the clip on track 3 is left, drawn by itself.
    EXPECT_TRUE(frameIs(t(), at(1, 0), grey(255)));
}

TEST_F(ZRVideoComposition, AMissingNeighbourOfATransitionIsTheBackground) {
    t()->settings()->setIntTripleSetting("Background Color", 0, 0, 0);
    transition(2);
    solid(t(), 3, 0xFFFFFF);
    EXPECT_TRUE(frameIs(t(), at(0, 0), grey(0)));
    EXPECT_TRUE(frameIs(t(), at(0, 15), grey(127)));
}

// An overlay beside a transition draws nothing, so nothing of it is blended: a difference
// overlay on track 3 would otherwise lay the transition's first input over its output.
TEST_F(ZRVideoComposition, AnOverlayBesideATransitionIsNotBlended) {
    solid(t(), 1, 0xFF0000);
    transition(2);
    ZRObject* beside = solid(t(), 3, 0x0000FF);
    setInt(beside, "Overlay Mode", 8);
    EXPECT_TRUE(frameIs(t(), at(0, 0), 0xFFFF0000));
}

// Effects see progress 1..100000 over their own span: 1 at its first frame (never 0), then
// the share of the span reached; outside the span they do not run.
TEST_F(ZRVideoComposition, EffectsSeeTheirProgressRange) {
    const std::string module = root() + "PlugIns/videofx/Colour/progress.so";
    auto log =
        reinterpret_cast<const int32_t* (*)(int*)>(QLibrary(module.c_str()).resolve("progressLog"));
    auto reset = reinterpret_cast<void (*)()>(QLibrary(module.c_str()).resolve("progressReset"));
    ASSERT_TRUE(log && reset);
    ZRObject* clip = solid(t(), 1, 0x336699, at(2, 0));
    ZREffect* effect = t()->factory()->createEffect("Video Effect", "Colour", "Test Progress");
    ASSERT_NE(effect, nullptr);
    ASSERT_TRUE(clip->addEffect(effect));
    ZRPos in = at(0, 10), out = at(0, 20);
    ASSERT_TRUE(effect->setMarkIn(&in));
    ASSERT_TRUE(effect->setMarkOut(&out)); // frames 10 to 19 of the clip
    reset();
    for (int frame : {9, 10, 11, 15, 19, 20})
        EXPECT_TRUE(frameIs(t(), at(2, frame), 0xFF336699)) << frame;
    int count = 0;
    const int32_t* seen = log(&count);
    EXPECT_EQ(std::vector<int32_t>(seen, seen + count),
              (std::vector<int32_t>{1, 10000, 50000, 90000}));
}

TEST_F(ZRVideoComposition, EffectsChangeTheFrameAndOverlays) {
    ZRObject* clip = solid(t(), 1, 0x102030);
    clip->addEffect(t()->factory()->createEffect("Video Effect", "Colour", "Test Invert"));
    EXPECT_TRUE(frameIs(t(), at(0, 3), 0xFFEFDFCF));
    // As an overlay the effect runs on the overlay's picture before the blend.
    setInt(clip, "Overlay Mode", 6);
    t()->settings()->setIntTripleSetting("Background Color", 0x10, 0x10, 0x10);
    EXPECT_TRUE(frameIs(t(), at(0, 3), 0xFFFFEFDF));
}

// A clip placed at 3 s with mark-in 1 s shows the source's frame at 1 s + (N - 3 s).
TEST_F(ZRVideoComposition, AClipShowsItsSourceFromTheMarkIn) {
    t()->settings()->setDoubleSetting("Framerate", 25.0);
    IZRObject* clip = t()->factory()->createObject("Import", "Media Import", nullptr, "clip.avi");
    ASSERT_NE(clip, nullptr);
    ZRPos markIn = at(1, 0, 25.0), start = at(3, 0, 25.0);
    ASSERT_TRUE(t()->setObjectMarkIn(clip, &markIn));
    ASSERT_TRUE(t()->insertObject(1, &start, clip));
    for (int n : {0, 1, 12, 24}) {
        const int source = 25 + n; // the counting module paints frame n as blue n, red 0x40
        EXPECT_EQ(frameAt(t(), at(3, n, 25.0)), 0xFF400000u | uint32_t(source)) << n;
    }
    t()->settings()->setDoubleSetting("Framerate", 30.0);
}

// A title rendered into a half-height target is laid out at half size and keeps its own
// size ratio afterwards.
TEST_F(ZRVideoComposition, ATitleIsSizedToItsTarget) {
    t()->settings()->setIntPairSetting("Video Dimensions", 320, 240);
    auto* title =
        static_cast<ZRObject*>(t()->factory()->createObject("2D-Text", nullptr, nullptr, "Hg"));
    ASSERT_NE(title, nullptr);
    auto inkRows = [&](int height) {
        ZRImage target(engine(m_timeline));
        EXPECT_TRUE(target.create(320, height, 0));
        ZRPos p = at(0, 10);
        title->renderVideo(&p, &target);
        int rows = 0;
        for (int y = 0; y < height; ++y) {
            bool ink = false;
            for (int x = 0; x < 320 && !ink; ++x)
                ink = (pixel(&target, x, y) >> 24) != 0;
            rows += ink;
        }
        return rows;
    };
    const int full = inkRows(240);
    const int half = inkRows(120);
    ASSERT_GT(full, 10);
    EXPECT_NEAR(half, full / 2, 3);
    double ratio = 0.0;
    EXPECT_TRUE(title->getDoubleSetting("Text Size Ratio", &ratio));
    EXPECT_EQ(ratio, 1.0);
    // A ratio of the title's own is scaled, and kept as well.
    ASSERT_TRUE(title->setDoubleSetting("Text Size Ratio", 2.0));
    EXPECT_NEAR(inkRows(120), full, 4);
    EXPECT_TRUE(title->getDoubleSetting("Text Size Ratio", &ratio));
    EXPECT_EQ(ratio, 2.0);
}

// A title's fade counts from its mark-in: a trimmed title fades in from its first frame, its
// remaining time never goes below 0, and a fade time of 0 means no fade.
TEST_F(ZRVideoComposition, ATrimmedTitleFadesFromItsMarkIn) {
    t()->settings()->setIntPairSetting("Video Dimensions", 160, 120);
    auto* title =
        static_cast<ZRObject*>(t()->factory()->createObject("2D-Text", nullptr, nullptr, "HH"));
    ASSERT_NE(title, nullptr);
    setInt(title, "Overlay Fade In", 1);
    setInt(title, "Overlay Fade Out", 1);
    setInt(title, "Overlay Fade Time", 300);
    title->markIn()->set(0, 0, 2, 0, 30.0); // one second long from 2 s of its source on
    auto inked = [&](ZRPos s) {
        ZRImage target(engine(m_timeline));
        EXPECT_TRUE(target.create(160, 120, 0));
        title->renderVideo(&s, &target);
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x)
                if (pixel(&target, x, y) >> 24) return true;
        return false;
    };
    EXPECT_FALSE(inked(at(2, 0)));  // its first frame: alpha 0
    EXPECT_TRUE(inked(at(2, 5)));   // 167 ms in
    EXPECT_FALSE(inked(at(2, 29))); // its last frame: faded out
    EXPECT_FALSE(inked(at(9, 0)));  // beyond its end: still faded out
    setInt(title, "Overlay Fade Time", 0);
    EXPECT_TRUE(inked(at(2, 0)));
    EXPECT_TRUE(inked(at(9, 0)));
}

// Pass-through hands the nominee's native frame on without decoding it; a composed frame or
// an object without a native frame carries none, and none survives from an earlier call.
TEST_F(ZRVideoComposition, PassThroughHandsNativeFramesOnAlone) {
    t()->settings()->setDoubleSetting("Framerate", 25.0);
    t()->settings()->setIntPairSetting("Video Dimensions", 720, 576);
    IZRObject* clip =
        t()->factory()->createObject("Import", "Media Import", nullptr, "native_inplace.avi");
    ASSERT_NE(clip, nullptr);
    ZRPos start = at(0, 0, 25.0);
    t()->insertObject(1, &start, clip);
    solid(t(), 1, 0x00FF00, at(3, 0, 25.0)); // after the clip
    auto* frame = static_cast<ZRImage*>(t()->imageBuffer(1));
    auto render = [&](ZRPos p) {
        IZRImage* image = t()->videoAt(&p, 0);
        const int kind = frame->nativeKind();
        const int first = frame->nativeData() ? frame->nativeData()[0] : -1;
        const uint32_t colour = pixel(image, 10, 10);
        image->unlock();
        return std::tuple(kind, first, colour);
    };
    engine(m_timeline)->exportState().passThrough = true;
    frame->lock();
    std::memset(frame->pixels(), 0x11, size_t(frame->stride()) * frame->height());
    frame->unlock();
    EXPECT_EQ(render(at(0, 7, 25.0)), std::tuple(2, 7, 0x11111111u));  // native only
    EXPECT_EQ(render(at(3, 0, 25.0)), std::tuple(0, -1, 0xFF00FF00u)); // no native frame left

    ZRObject* cover = solid(t(), 2, 0x0000FF);
    setInt(cover, "Overlay Mode", 6);
    EXPECT_EQ(render(at(0, 7, 25.0)), std::tuple(0, -1, 0xFF4000FFu)); // composed: none
    t()->removeObject(cover);

    engine(m_timeline)->exportState().passThrough = false;
    EXPECT_EQ(render(at(0, 9, 25.0)), std::tuple(2, 9, 0xFF400009u)); // decoded, with native
    t()->settings()->setDoubleSetting("Framerate", 30.0);
}

// The preview, the export loop and the background renderer may compose at once: each caller
// gets the frame locked for itself.
TEST_F(ZRVideoComposition, ConcurrentCallersTakeTurns) {
    solid(t(), 1, 0x000000);
    transition(2);
    solid(t(), 3, 0xFFFFFF);
    auto work = [this](int offset, bool* same) {
        for (int i = 0; i < 30; ++i) {
            ZRPos p = at(0, (i + offset) % 30);
            IZRImage* frame = t()->videoAt(&p, 0);
            const uint32_t first = pixel(frame, 0, 0);
            std::this_thread::yield();
            *same = *same && pixel(frame, 3, 1) == first;
            frame->unlock();
        }
    };
    bool same1 = true, same2 = true;
    std::thread a(work, 0, &same1), b(work, 15, &same2);
    a.join();
    b.join();
    EXPECT_TRUE(same1 && same2);
}

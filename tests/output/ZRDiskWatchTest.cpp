// The disk watch: the estimate alone, the statvfs query, and the page's stops on a fake drive.
#include "output/ZRDiskWatch.h"
#include "tests/output/RenderFixture.h"

#include <QDir>

#include <cmath>

using namespace rendertest;

namespace {

constexpr int64_t kMB = 1024 * 1024;

} // namespace

TEST(DiskWatch, EstimateFromTheRateOfUse) {
    struct Case {
        int64_t start, now, elapsed;
        diskwatch::Estimate::Kind kind;
        int64_t left;
        bool tooLittle;
    };
    using K = diskwatch::Estimate::Kind;
    const Case cases[] = {
        {150 * kMB, 50 * kMB, 10, K::Left, 5, true},       // 10 MB/s, 5 s left
        {37'260'000, 37'250'000, 1, K::Left, 3725, false}, // 1h 2min 5s
        {100 * kMB, 100 * kMB, 3, K::Empty, 0, false},     // nothing written
        {100 * kMB, 120 * kMB, 3, K::Empty, 0, false},     // space grew
        {100 * kMB, 50 * kMB, 0, K::None, 0, false},       // under a second
        {100 * kMB, 50 * kMB, -4, K::None, 0, false},      {INT64_MAX, 0, 1, K::Left, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " " << c.now << " " << c.elapsed);
        const diskwatch::Estimate e = diskwatch::estimate(c.start, c.now, c.elapsed);
        EXPECT_EQ(e.kind, c.kind);
        EXPECT_EQ(e.secondsLeft, c.left);
        EXPECT_EQ(e.tooLittle, c.tooLittle);
    }
    const diskwatch::Estimate e = diskwatch::estimate(37'260'000, 37'250'000, 1);
    EXPECT_EQ(e.hours(), 1);
    EXPECT_EQ(e.minutes(), 2);
    EXPECT_EQ(e.seconds(), 5);
}

// A folder deeper than the old 520-byte limit is asked about whole; a folder that is gone
// answers nothing.
TEST(DiskWatch, QueryTakesTheWholePath) {
    QTemporaryDir dir;
    QString deep = dir.path();
    while (QFile::encodeName(deep).size() < 600)
        deep += QStringLiteral("/") + QString(60, QLatin1Char('d'));
    ASSERT_TRUE(QDir().mkpath(deep));
    const std::optional<int64_t> free = diskwatch::freeBytes(deep);
    ASSERT_TRUE(free.has_value());
    EXPECT_GT(*free, 0);
    EXPECT_FALSE(diskwatch::freeBytes(deep + QStringLiteral("/gone")).has_value());
    EXPECT_FALSE(diskwatch::freeBytes(QString()).has_value());
}

namespace {

// A fake drive: free bytes as a function of the output second the page asks at.
class DiskWatchTest : public RenderTest {
protected:
    /// Renders `frames` of a VCD project from `markInSeconds` with `freeAt(second)` as the
    /// drive; records the label's text after each call.
    void render(int frames, std::function<int64_t(int64_t)> freeAt, int markInSeconds = 0) {
        const int total = markInSeconds * 25 + frames;
        makeProject(total, 3);
        if (markInSeconds > 0) view->slider()->setMarkIn(markInSeconds * 25.0 / (total - 1));
        view->setFreeSpaceQuery([this, freeAt](const QString& folder) {
            asked.push_back(folder);
            const int64_t second =
                hub.current ? int64_t(hub.current->toMilliseconds() / 1000.0) : -1;
            return std::optional<int64_t>(freeAt(second));
        });
        services.file = path("watched.mpg");
        hub.onProgress = [this](int, IZRPos*) { texts.push_back(view->diskSpaceLabel()->text()); };
        view->slotRenderClicked();
    }
    std::vector<QString> asked;
    std::vector<QString> texts;
};

} // namespace

TEST_F(DiskWatchTest, FourMegabytesStopAtTheFirstFrame) {
    render(50, [](int64_t) { return 4 * kMB; });
    EXPECT_EQ(hub.calls, 1);
    EXPECT_EQ(services.boxes,
              std::vector<QString>{QStringLiteral(
                  "Less than 5 MB free disk space left, aborting export progress!")});
    EXPECT_TRUE(hub.produced.empty());
    EXPECT_EQ(asked, std::vector<QString>{dir.path()});
    expectIdle();
}

// 100 MB used in 10 s with 50 MB left: 5 s left, the 1-minute box, the stop.
TEST_F(DiskWatchTest, OneMinuteLeftStopsTheRender) {
    render(300, [](int64_t s) { return s < 10 ? 150 * kMB : 50 * kMB; });
    EXPECT_EQ(services.boxes, std::vector<QString>{QStringLiteral(
                                  "Less than 1 minute left on device, aborting export progress!")});
    EXPECT_EQ(hub.calls, 10 * 25 + 1);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), QStringLiteral("Space for 0h 0min 5s left on device"));
    EXPECT_TRUE(hub.produced.empty());
    expectIdle();
}

// The elapsed time counts from mark-in: at 60 s + 1 s of output the rate is that of 1 s.
TEST_F(DiskWatchTest, EstimateCountsFromMarkIn) {
    for (const int markIn : {0, 60}) {
        SCOPED_TRACE(markIn);
        texts.clear();
        render(
            30, [markIn](int64_t s) { return s <= markIn ? 37'260'000 : 37'250'000; }, markIn);
        EXPECT_TRUE(services.boxes.empty());
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(texts.back(), QStringLiteral("Space for 1h 2min 5s left on device"));
        EXPECT_EQ(hub.produced.size(), 1u);
        hub.produced.clear();
    }
}

TEST_F(DiskWatchTest, UnderOneSecondOnlyInitializes) {
    render(20, [](int64_t) { return 100 * kMB; });
    ASSERT_EQ(texts.size(), 20u);
    for (const QString& text : texts)
        EXPECT_EQ(text, QStringLiteral("Initializing ..."));
    EXPECT_EQ(asked.size(), 1u);
}

// A query that fails (the folder went away) stops nothing and shows nothing.
TEST_F(DiskWatchTest, UnknownFreeSpaceStopsNothing) {
    makeProject(30, 3);
    view->setFreeSpaceQuery([](const QString&) { return std::optional<int64_t>(); });
    services.file = path("unknown.mpg");
    hub.onProgress = [this](int, IZRPos*) {
        EXPECT_TRUE(view->diskSpaceLabel()->text().isEmpty());
    };
    view->slotRenderClicked();
    EXPECT_EQ(hub.calls, 30);
    EXPECT_TRUE(services.boxes.empty());
    EXPECT_EQ(hub.produced.size(), 1u);
}

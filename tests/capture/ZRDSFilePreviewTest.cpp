#include "capture/ZRDSFilePreview.h"
#include "platform/playback/ZRNullOutput.h"
#include "platform/playback/ZRPreviewOutput.h"
#include "tests/platform/playback/TestClip.h"
#include "tests/support/GuiApplication.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

class FilePreview : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        ASSERT_TRUE(writeTestClip(dir->filePath("clip.avi")));
    }
    static void TearDownTestSuite() { delete dir; }

    void SetUp() override {
        testsupport::guiApplication();
        // Sound is heard as the test's clock moves.
        zrSetPreviewOutputFactory([this] { return std::make_unique<ZRNullOutput>(&clock); });
        preview = new ZRDSFilePreview(nullptr, "DirectShow File Preview");
        preview->resize(64, 48);
        ASSERT_TRUE(preview->openFile(dir->filePath("clip.avi")));
    }
    void TearDown() override {
        delete preview.data();
        zrSetPreviewOutputFactory({});
    }

    /// Moves the clock in small steps (events delivered) until `done`; false after 10 s.
    bool runUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            clock.advance(200000);
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    static qint64 lastPosition(const QSignalSpy& spy) {
        return spy.isEmpty() ? -1 : spy.last().at(0).toLongLong();
    }

    static QTemporaryDir* dir;
    ZRManualClock clock;
    QPointer<ZRDSFilePreview> preview;
};

QTemporaryDir* FilePreview::dir = nullptr;

TEST_F(FilePreview, OpensOnlyFilesThatPlay) {
    EXPECT_EQ(preview->duration(), 20000000);
    EXPECT_EQ(preview->state(), 3);
    ZRDSFilePreview other;
    EXPECT_EQ(other.duration(), 0);
    EXPECT_FALSE(other.openFile(dir->filePath("missing.avi")));
    EXPECT_EQ(other.state(), 2);
}

TEST_F(FilePreview, PlaysToTheEndThenStopsAndCloses) {
    QSignalSpy stopped(preview.data(), &ZRDSFilePreview::previewStopped);
    QSignalSpy positions(preview.data(), &ZRDSFilePreview::positionChanged);
    preview->show();
    EXPECT_EQ(preview->state(), 0);
    ASSERT_TRUE(runUntil([&] { return preview.isNull(); }));
    EXPECT_EQ(stopped.count(), 1);
    ASSERT_FALSE(positions.isEmpty());
    EXPECT_EQ(positions.last().at(1).toLongLong(), 20000000);
}

TEST_F(FilePreview, LoopGoesOnFromTheStartUntilStopped) {
    QSignalSpy stopped(preview.data(), &ZRDSFilePreview::previewStopped);
    QSignalSpy positions(preview.data(), &ZRDSFilePreview::positionChanged);
    preview->setLoop(true);
    preview->play();
    ASSERT_TRUE(runUntil([&] { return lastPosition(positions) >= 15000000; }));
    ASSERT_TRUE(runUntil([&] { return lastPosition(positions) < 10000000; }));
    EXPECT_FALSE(preview.isNull());
    EXPECT_EQ(preview->state(), 0);
    EXPECT_EQ(stopped.count(), 0);

    preview->stop_and_close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return preview.isNull(); }));
    EXPECT_EQ(stopped.count(), 1);
}

TEST_F(FilePreview, SeekMovesThePlayingPosition) {
    QSignalSpy positions(preview.data(), &ZRDSFilePreview::positionChanged);
    preview->play();
    preview->seek(15000000);
    // The clock stands still: the position is the seek's.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !positions.isEmpty(); }));
    EXPECT_EQ(lastPosition(positions), 15000000);
    // Pausing holds it.
    preview->pause();
    EXPECT_EQ(preview->state(), 1);
    positions.clear();
    clock.advance(10000000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return positions.count() >= 2; }));
    EXPECT_EQ(positions.first().at(0), positions.last().at(0));
}

TEST_F(FilePreview, RangeChangesOnlyWhilePlayingOrPaused) {
    preview->setLoop(true);
    preview->setStopPosition(5000000, nullptr); // opened, not playing: ignored
    QSignalSpy positions(preview.data(), &ZRDSFilePreview::positionChanged);
    preview->play();
    ASSERT_TRUE(runUntil([&] { return lastPosition(positions) >= 15000000; }));
    // Now the range applies: the loop turns at 0.5 s.
    preview->setStopPosition(5000000, nullptr);
    positions.clear();
    ASSERT_TRUE(runUntil([&] { return positions.count() >= 10; }));
    for (const auto& p : positions)
        EXPECT_LE(p.at(0).toLongLong(), 5000000);
}

} // namespace

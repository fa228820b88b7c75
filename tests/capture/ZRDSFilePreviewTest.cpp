#include "capture/ZRDSFilePreview.h"
#include "editor/ZRAppState.h"
#include "platform/playback/ZRNullOutput.h"
#include "platform/playback/ZRPreviewOutput.h"
#include "platform/segments/ZRSegmentList.h"
#include "tests/platform/playback/TestClip.h"
#include "tests/support/GuiApplication.h"

#include <QFile>
#include <QImage>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
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

/// Keeps the status bar's messages.
class MessageHub : public ZRAppState::Hub {
public:
    IZRObject* currentObject() override { return nullptr; }
    IZRPos* currentPosition() override { return nullptr; }
    void message(const QString& text, int) override { messages << text; }
    void setMenuItemEnabled(int, bool) override {}
    void setMenuItemChecked(int, bool) override {}
    QStringList messages;
};

TEST_F(FilePreview, ExecRunsUntilDoneAndRefusesASecondCall) {
    int nested = 0;
    QTimer::singleShot(0, [&] {
        nested = preview->exec();
        preview->done(7);
    });
    EXPECT_EQ(preview->exec(), 7);
    EXPECT_EQ(nested, -1);
    EXPECT_GE(ZRDSFilePreview::staticMetaObject.indexOfSlot("exec()"), 0);
    // The destructive-close flag it had: gone once the loop returns.
    EXPECT_TRUE(preview.isNull());
}

TEST_F(FilePreview, ExecEndsWhenTheWindowClosesItself) {
    QTimer::singleShot(0, [&] { preview->stop_and_close(); });
    preview->play();
    EXPECT_EQ(preview->exec(), 0);
    EXPECT_TRUE(preview.isNull());
}

TEST_F(FilePreview, KeysPressedInAnotherWindowReachIt) {
    QWidget other;
    other.resize(50, 50);
    other.show();
    preview->show();
    ASSERT_EQ(preview->state(), 0);
    QTest::keyClick(&other, Qt::Key_Space);
    EXPECT_EQ(preview->state(), 1);
    QTest::keyClick(&other, Qt::Key_Space);
    EXPECT_EQ(preview->state(), 0);
}

TEST_F(FilePreview, AClickOutsideStopsAndClosesIt) {
    MessageHub hub;
    appState().hub = &hub;
    QSignalSpy stopped(preview.data(), &ZRDSFilePreview::previewStopped);
    preview->setGeometry(100, 100, 64, 48);
    preview->show();
    QWidget other;
    other.setGeometry(400, 300, 80, 60);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(preview.data()));

    QTest::mouseClick(preview.data(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(preview.isNull());

    QTest::mouseClick(&other, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(QTest::qWaitFor([&] { return preview.isNull(); }));
    EXPECT_EQ(stopped.count(), 1);
    // Where the mouse was pressed is traced to the log, not shown in the status bar.
    EXPECT_TRUE(hub.messages.isEmpty()) << hub.messages.join('|').toStdString();
    appState().hub = nullptr;
}

TEST_F(FilePreview, AnInvertedRangeWithLoopOnChangesNothing) {
    QSignalSpy positions(preview.data(), &ZRDSFilePreview::positionChanged);
    preview->setLoop(true);
    preview->play();
    preview->setStartPosition(12000000, nullptr);
    preview->setStopPosition(8000000, nullptr);  // before the start: refused
    preview->setStopPosition(12000000, nullptr); // at the start: refused
    preview->setStartPosition(std::nan(""), nullptr);
    // The range stays 1.2 s to the end: the position gets past 1.9 s, never stuck at the start.
    ASSERT_TRUE(runUntil([&] { return lastPosition(positions) >= 19000000; }));
    EXPECT_FALSE(preview.isNull());
    preview->setStopPosition(15000000, nullptr); // after the start: taken
    positions.clear();
    ASSERT_TRUE(runUntil([&] { return positions.count() >= 20; }));
    for (const auto& p : positions)
        EXPECT_LE(p.at(0).toLongLong(), 15000000);
}

TEST_F(FilePreview, AStillPicturePlaysOneSecond) {
    const QString png = dir->filePath("still.png");
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(png));
    ASSERT_TRUE(preview->openFile(png));
    QSignalSpy stopped(preview.data(), &ZRDSFilePreview::previewStopped);
    preview->show();
    ASSERT_TRUE(runUntil([&] { return preview.isNull(); }));
    EXPECT_EQ(stopped.count(), 1);
    // It ended after its first second of the five a still is given.
    EXPECT_GE(clock.now(), 10000000);
    EXPECT_LT(clock.now(), 30000000);
}

/// A one-second capture as a list of two segments, made by ffmpeg; empty when that failed. DV
/// segments are files of their own; an MPEG recording is cut in two at a pack boundary, as the
/// multi-file writer cuts it.
QString segmentList(const QString& folder, bool dv) {
    const auto make = [&](const QString& path, double seconds) {
        const std::string codecs =
            dv ? "-s 720x576 -c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le -f avi"
               : "-s 352x288 -c:v mpeg2video -c:a mp2 -f vob";
        const std::string command =
            "ffmpeg -nostdin -hide_banner -loglevel quiet -y -f lavfi -i color=c=gray:r=25:d=" +
            std::to_string(seconds) +
            " -f lavfi -i sine=frequency=440:sample_rate=48000:duration=" +
            std::to_string(seconds) + " -ac 2 " + codecs + " '" + path.toStdString() + "'";
        return std::system(command.c_str()) == 0;
    };
    std::vector<std::string> paths;
    if (dv) {
        for (int i = 0; i < 2; ++i) {
            const QString path = folder + QStringLiteral("/seg%1.avi").arg(i);
            if (!make(path, 0.5)) return {};
            paths.push_back(path.toStdString());
        }
    } else {
        const QString whole = folder + "/whole.mpg";
        if (!make(whole, 1.0)) return {};
        QFile in(whole);
        if (!in.open(QIODevice::ReadOnly)) return {};
        const QByteArray bytes = in.readAll();
        const qsizetype cut = bytes.size() / 2 / 2048 * 2048;
        for (int i = 0; i < 2; ++i) {
            const QString path = folder + QStringLiteral("/seg%1.mpg").arg(i);
            QFile out(path);
            if (!out.open(QIODevice::WriteOnly) ||
                out.write(i == 0 ? bytes.left(cut) : bytes.mid(cut)) < 0)
                return {};
            paths.push_back(path.toStdString());
        }
    }
    const QString list = folder + (dv ? "/capture.ovl" : "/capture.mvl");
    const auto kind = dv ? segments::ZRSegmentList::Kind::DV : segments::ZRSegmentList::Kind::Mpeg;
    return segments::ZRSegmentList::writeFile(list.toStdString(), kind, paths) ? list : QString();
}

TEST_F(FilePreview, SegmentListsPlayAsOneFile) {
    for (bool dv : {false, true}) {
        const QString list = segmentList(dir->path(), dv);
        ASSERT_FALSE(list.isEmpty()) << "ffmpeg could not make the segments";
        if (preview.isNull()) {
            preview = new ZRDSFilePreview(nullptr, "DirectShow File Preview");
            preview->resize(64, 48);
        }
        ASSERT_TRUE(preview->openFile(list)) << list.toStdString();
        // Both segments' length (MPEG lengths are estimated from the bit rate).
        EXPECT_GT(preview->duration(), 6000000) << list.toStdString();
        EXPECT_LT(preview->duration(), 14000000);
        QSignalSpy stopped(preview.data(), &ZRDSFilePreview::previewStopped);
        preview->show();
        ASSERT_TRUE(runUntil([&] { return preview.isNull(); })) << list.toStdString();
        EXPECT_EQ(stopped.count(), 1);
    }
}

} // namespace

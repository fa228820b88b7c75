#include "browser/ZRThumbnailWorker.h"

#include "engine/api/IZRImage.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRPos.h"
#include "tests/browser/BrowserFixture.h"

#include <QElapsedTimer>
#include <QSet>
#include <QSignalSpy>

#include <sched.h>

namespace {

using browsertest::BrowserTest;

struct Answer {
    QString path;
    int result;
    QImage picture;
    quint64 generation;
};

class ThumbnailWorkerTest : public BrowserTest {
protected:
    static QByteArray fixtureRoot() {
        static const int anchor = 0;
        return (platform::folderOfAddress(&anchor) + QStringLiteral("modulefixture/")).toUtf8();
    }

    /// One thread unless asked: answers then come in the order asked.
    std::unique_ptr<ZRThumbnailWorker> makeWorker(int threads = 1) {
        auto worker = std::make_unique<ZRThumbnailWorker>(
            ZRThumbnailWorker::Engine{&IZRCreateTimelineInstance, &IZRDeleteTimelineInstance},
            fixtureRoot(), threads);
        QObject::connect(
            worker.get(), &ZRThumbnailWorker::pictureReady,
            [this](const QString& path, int result, const QImage& picture, quint64 generation) {
                answers.push_back({path, result, picture, generation});
            });
        return worker;
    }

    void waitFor(size_t count) {
        QElapsedTimer waited;
        waited.start();
        while (answers.size() < count && waited.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_GE(answers.size(), count);
    }

    /// The pixels a title of the main timeline covers on a transparent frame.
    int titlePixels() {
        IZRObjectFactory* factory = timeline->factory();
        IZRObject* title = factory->createObject("2D-Text", nullptr, nullptr, "Hello");
        EXPECT_NE(title, nullptr);
        if (!title) return 0;
        QImage frame(320, 240, QImage::Format_ARGB32);
        frame.fill(Qt::transparent);
        IZRImage* target = factory->createEmptyImage();
        target->attach(frame.bits(), frame.width(), frame.height(), int(frame.bytesPerLine()));
        IZRPos* start = factory->createPos();
        title->renderVideo(start, target);
        factory->destroyPos(start);
        factory->destroyImage(target);
        factory->destroyObject(title);
        int covered = 0;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                covered += qAlpha(frame.pixel(x, y)) != 0;
        return covered;
    }

    std::vector<Answer> answers;
};

// The counting import's frame 0 is red 0x40 without green or blue.
TEST_F(ThumbnailWorkerTest, AnswersTheFirstFrameOrAFailure) {
    auto worker = makeWorker();
    ASSERT_TRUE(worker->hasTimeline());
    worker->setPictureSize(QSize(60, 40));
    worker->request({QStringLiteral("/clips/one.avi"), QStringLiteral("/clips/missing.avi")});
    waitFor(2);
    EXPECT_EQ(answers[0].path, "/clips/one.avi");
    EXPECT_EQ(answers[0].result, ZRThumbnailWorker::Frame);
    ASSERT_EQ(answers[0].picture.size(), QSize(60, 40));
    EXPECT_EQ(answers[0].picture.pixel(30, 20), qRgb(0x40, 0, 0));
    EXPECT_EQ(answers[1].result, ZRThumbnailWorker::Failed);
    EXPECT_TRUE(answers[1].picture.isNull());
}

// A clear mid-queue drops what waits: whatever was asked before it (taken already by a thread,
// however many the threads got through) answers with the old generation, and the new request
// with the new one.
TEST_F(ThumbnailWorkerTest, ClearDropsTheWaitingRequests) {
    auto worker = makeWorker(3);
    QStringList many;
    for (int i = 0; i < 40; ++i)
        many.append(QStringLiteral("/clips/old%1.avi").arg(i));
    worker->request(many);
    worker->clear();
    const quint64 now = worker->generation();
    worker->request({QStringLiteral("/clips/new.avi")});
    waitFor(1);
    while (answers.back().path != QStringLiteral("/clips/new.avi")) {
        const size_t before = answers.size();
        waitFor(before + 1);
    }
    QCoreApplication::processEvents();
    QSet<QString> seen;
    for (const Answer& a : answers) {
        EXPECT_EQ(a.generation == now, a.path == QStringLiteral("/clips/new.avi"))
            << a.path.toStdString();
        EXPECT_FALSE(seen.contains(a.path)) << a.path.toStdString();
        seen.insert(a.path);
    }
    EXPECT_EQ(worker->pending(), 0);
}

// Several threads share the queue: every request is answered once, each with its own result,
// whatever thread made it; a path prioritised while a thread holds it is not made again.
TEST_F(ThumbnailWorkerTest, ThreadsAnswerEachRequestOnce) {
    auto worker = makeWorker(4);
    ASSERT_EQ(worker->threads(), 4);
    worker->setPictureSize(QSize(60, 40));
    QStringList paths;
    for (int i = 0; i < 60; ++i)
        paths.append(i % 5 == 4 ? QStringLiteral("/clips/missing%1.avi").arg(i)
                                : QStringLiteral("/clips/t%1.avi").arg(i));
    worker->request(paths);
    worker->prioritise(paths.mid(0, 8));
    worker->prioritise(paths.mid(50));
    waitFor(paths.size());
    QCoreApplication::processEvents();
    ASSERT_EQ(answers.size(), size_t(paths.size()));
    QSet<QString> seen;
    for (const Answer& a : answers) {
        EXPECT_FALSE(seen.contains(a.path)) << a.path.toStdString();
        seen.insert(a.path);
        const bool missing = a.path.contains(QStringLiteral("missing"));
        EXPECT_EQ(a.result, missing ? ZRThumbnailWorker::Failed : ZRThumbnailWorker::Frame)
            << a.path.toStdString();
        if (!missing) {
            EXPECT_EQ(a.picture.pixel(30, 20), qRgb(0x40, 0, 0));
        }
    }
    EXPECT_EQ(seen.size(), paths.size());
}

// Threads follow the cores the process may use, as taskset leaves them.
TEST_F(ThumbnailWorkerTest, ThreadsFollowTheCoresAllowed) {
    cpu_set_t all;
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &all)) {
            CPU_SET(cpu, &one);
            break;
        }
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    const int pinned = ZRThumbnailWorker::machineThreads();
    ASSERT_EQ(sched_setaffinity(0, sizeof all, &all), 0);
    EXPECT_EQ(pinned, 1);
    EXPECT_EQ(ZRThumbnailWorker::machineThreads(), std::clamp(CPU_COUNT(&all), 1, 8));
    auto worker = makeWorker(0);
    EXPECT_EQ(worker->threads(), ZRThumbnailWorker::machineThreads());
}

TEST_F(ThumbnailWorkerTest, PrioritisedPathsGoFirst) {
    auto worker = makeWorker();
    QStringList queue;
    for (int i = 0; i < 10; ++i)
        queue.append(QStringLiteral("/clips/q%1.avi").arg(i));
    worker->request(queue);
    worker->prioritise({QStringLiteral("/clips/q9.avi")});
    waitFor(10);
    // The thread may have taken the first request before the reorder.
    const int position = int(
        std::find_if(answers.begin(), answers.end(),
                     [](const Answer& a) { return a.path == QStringLiteral("/clips/q9.avi"); }) -
        answers.begin());
    EXPECT_LE(position, 1);
    EXPECT_EQ(answers.size(), 10u) << "no copy is made twice";
}

// Destruction joins the thread while it works; answers posted but not delivered die with it.
TEST_F(ThumbnailWorkerTest, DestructionWhileBusyJoinsFirst) {
    for (int round = 0; round < 3; ++round) {
        auto worker = makeWorker(round + 1);
        QStringList many;
        for (int i = 0; i < 30; ++i)
            many.append(QStringLiteral("/clips/busy%1.avi").arg(i));
        worker->request(many);
        QCoreApplication::processEvents();
        worker.reset();
        QCoreApplication::processEvents();
    }
    SUCCEED();
}

TEST_F(ThumbnailWorkerTest, WithoutEntryPointsEveryRequestFails) {
    ZRThumbnailWorker worker(ZRThumbnailWorker::Engine{}, fixtureRoot());
    EXPECT_FALSE(worker.hasTimeline());
    QObject::connect(
        &worker, &ZRThumbnailWorker::pictureReady,
        [this](const QString& path, int result, const QImage& picture, quint64 generation) {
            answers.push_back({path, result, picture, generation});
        });
    worker.request({QStringLiteral("/clips/one.avi")});
    waitFor(1);
    EXPECT_EQ(answers[0].result, ZRThumbnailWorker::Failed);
}

// The worker's private timeline goes without taking the main timeline's fonts with it.
TEST_F(ThumbnailWorkerTest, MainTimelineKeepsItsTitles) {
    const int before = titlePixels();
    ASSERT_GT(before, 0);
    {
        auto worker = makeWorker();
        worker->request({QStringLiteral("/clips/one.avi")});
        waitFor(1);
    }
    EXPECT_EQ(titlePixels(), before);
}

} // namespace

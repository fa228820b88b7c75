// videoAt over a real DV file through the program's own media import module (bin/PlugIns/
// import). The clip is made with the ffmpeg command line at run time; the test is skipped when
// either is missing.
#include "engine/api/IZRTimeline.h"
#include "engine/base/ZRPos.h"
#include "platform/system/SystemPaths.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TimelineDeleter.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

QString programFolder() {
    static const int anchor = 0;
    return QDir::cleanPath(platform::folderOfAddress(&anchor) + QStringLiteral("../bin")) + "/";
}

// Frame k of the clip is a flat grey of luma 16 + 2k (video range): about 2.33 k in RGB.
int frameOfGrey(int grey) {
    return int(std::lround(grey / (2.0 * 255.0 / 219.0)));
}

} // namespace

// Frame N of a clip placed at 3 s with mark-in 1 s is the source's frame at 1 s + (N - 3 s).
TEST(ZRRealMedia, AClipShowsItsSourceFromTheMarkIn) {
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    const QDir modules(programFolder() + QStringLiteral("PlugIns/import"));
    if (ffmpeg.isEmpty()) GTEST_SKIP() << "no ffmpeg command";
    if (modules.entryList({QStringLiteral("*.so")}, QDir::Files).isEmpty())
        GTEST_SKIP() << "no media import module in " << modules.path().toStdString();

    const QString clip = testsupport::homeFolder() + QStringLiteral("/grey.avi");
    const int made =
        QProcess::execute(ffmpeg, {"-v", "error", "-y", "-f", "lavfi", "-i",
                                   "color=c=black:size=720x576:rate=25:duration=3,format=yuv420p,"
                                   "geq=lum='16+2*N':cb=128:cr=128",
                                   "-c:v", "dvvideo", "-pix_fmt", "yuv420p", clip});
    ASSERT_EQ(made, 0);

    std::unique_ptr<IZRTimeline, TimelineDeleter> t(
        IZRCreateTimelineInstance(nullptr, programFolder().toUtf8().constData(), 0));
    ASSERT_TRUE(t);
    t->settings()->setDoubleSetting("Framerate", 25.0);
    t->settings()->setIntPairSetting("Video Dimensions", 720, 576);
    IZRObject* object =
        t->factory()->createObject("Import", "DV-AVI", nullptr, clip.toUtf8().constData());
    ASSERT_NE(object, nullptr);
    ZRPos markIn(0, 0, 1, 0, 25.0), start(0, 0, 3, 0, 25.0);
    ASSERT_TRUE(t->setObjectMarkIn(object, &markIn));
    ASSERT_TRUE(t->insertObject(1, &start, object));
    for (int n : {0, 1, 7, 30, 49}) {
        ZRPos p(0, 0, 3, n, 25.0);
        IZRImage* frame = t->videoAt(&p, 0);
        ASSERT_NE(frame, nullptr);
        uint32_t centre;
        std::memcpy(&centre, frame->pixels() + 288 * frame->stride() + 360 * 4, 4);
        frame->unlock();
        EXPECT_EQ(frameOfGrey(int(centre & 0xFF)), 25 + n)
            << "frame " << n << " grey " << (centre & 0xFF);
    }
    t->settings()->setDoubleSetting("Framerate", 30.0);
}

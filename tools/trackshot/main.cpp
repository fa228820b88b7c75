// The timeline's six tracks on a small project made on the spot: clips with thumbnails (made
// with ffmpeg), an effect, a transition, a title, a clip without sound, free audio on an open
// track beside a closed one, and a copy of a clip dragged over the video track.
// `trackshot --screenshot file.png` saves the view and quits (for xvfb-run).

#include "ZRAppState.h"
#include "ZRAudioTrack.h"
#include "ZRCallbacks.h"
#include "ZRTimelineView.h"
#include "ZRTitleTrack.h"
#include "ZRTransitionTrack.h"
#include "ZRUserData.h"
#include "ZRVeskEditor.h"
#include "ZRVideoTrack.h"
#include "skins/ZRSkinPreload.h"
#include "widgets/ZRScrollBar.h"

#include <IZRObject.h>
#include <IZRSettings.h>
#include <IZRTimeline.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr double kRate = 25.0;

/// A 4-second 320 x 240 clip of an ffmpeg test source, with a tone unless `silent`.
QString makeClip(const QTemporaryDir& dir, const QString& name, const QString& source,
                 bool silent) {
    const QString path = dir.filePath(name);
    QStringList args{QStringLiteral("-v"), QStringLiteral("error"),
                     QStringLiteral("-f"), QStringLiteral("lavfi"),
                     QStringLiteral("-i"), source + QStringLiteral("=size=320x240:rate=25")};
    if (!silent)
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("sine=frequency=440");
    args << QStringLiteral("-c:v") << QStringLiteral("mjpeg") << QStringLiteral("-q:v")
         << QStringLiteral("3");
    if (!silent) args << QStringLiteral("-c:a") << QStringLiteral("pcm_s16le");
    args << QStringLiteral("-t") << QStringLiteral("4") << QStringLiteral("-y") << path;
    return QProcess::execute(QStringLiteral("ffmpeg"), args) == 0 ? path : QString();
}

void click(ZRTimelineTrack* track, ZRTimelineView* view, const QPoint& at) {
    QMouseEvent press(QEvent::MouseButtonPress, at, view->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    track->MousePressEvent(&press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, view->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    track->MouseReleaseEvent(&release);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    QCommandLineOption shot(QStringLiteral("screenshot"),
                            QStringLiteral("Save the view to <file> and quit."),
                            QStringLiteral("file"));
    parser.addOption(shot);
    parser.addHelpOption();
    parser.process(app);

    const QString bin = QCoreApplication::applicationDirPath();
    setSkinBaseFolder(bin);
    preloadSkins();
    IZRCallbacks callbacks{};
    fillCallbacks(callbacks);
    IZRTimeline* timeline =
        IZRCreateTimelineInstance(&callbacks, (bin + QLatin1Char('/')).toUtf8().constData(), 0);
    if (!timeline) {
        std::fprintf(stderr, "trackshot: no timeline\n");
        return 1;
    }
    timeline->settings()->setDoubleSetting("Framerate", kRate);
    appState().timeline = timeline;
    appState().frameRate = kRate;
    int status = 0;
    {
        ZRVeskEditor editor;
        editor.setTimeline(timeline);
        appState().editor = &editor;
        IZRObjectFactory* factory = timeline->factory();

        auto* view = new ZRTimelineView();
        view->insertTrack(new ZRTransitionTrack("TRANSITION", 1001, 1000), -1);
        auto* video = new ZRVideoTrack("VIDEO", 1000, 1002, 1001);
        view->insertTrack(video, -1);
        view->insertTrack(new ZRAudioTrack("AUDIO1", -1, 1001, 1002), -1);
        view->insertTrack(new ZRTitleTrack("TITLES", 4, -1), -1);
        auto* audio2 = new ZRAudioTrack("AUDIO2", 10, -1, 2);
        view->insertTrack(audio2, -1);
        view->insertTrack(new ZRAudioTrack("AUDIO3", 11, -1, 3), -1);
        view->setEditor(&editor);
        view->resize(1180, 330);

        QTemporaryDir dir;
        const QString sources[] = {QStringLiteral("testsrc2"), QStringLiteral("smptebars"),
                                   QStringLiteral("mandelbrot"), QStringLiteral("rgbtestsrc")};
        for (int i = 0; i < 4; ++i) {
            const QString path = makeClip(
                dir, QStringLiteral("%1 shot%2.avi").arg(sources[i]).arg(i), sources[i], i == 2);
            IZRObject* clip = path.isEmpty() ? nullptr : editor.importFile(path);
            if (!clip || !editor.insertClip(clip, editor.objectCount())) {
                std::fprintf(stderr, "trackshot: clip %d could not be made\n", i);
                status = 1;
            }
        }
        if (IZRObject* t = factory->createObject("Transition", "Blends", "Cross Fade", nullptr)) {
            IZRPos* length = factory->createPos();
            length->setTotalFrames(5000);
            timeline->setObjectMarkOut(t, length);
            factory->destroyPos(length);
            editor.setTransition(0, t);
        }
        if (ZREffect* effect = factory->createEffect("Video Effect", "Colour", "Sepia"))
            editor.setEffect(1, effect);
        if (IZRObject* title =
                factory->createObject("2D-Text", "ZR-Engine", nullptr, "Opening night")) {
            title->setName("Opening night");
            IZRPos* at = factory->createPos();
            at->setMilliseconds(3000);
            timeline->setObjectMarkOut(title, at);
            at->setMilliseconds(1500);
            title->setUserValue(reinterpret_cast<intptr_t>(new ZRTitleUserData()));
            editor.insertTitle(at, title);
            factory->destroyPos(at);
        }
        const QString music =
            makeClip(dir, QStringLiteral("music.avi"), QStringLiteral("color"), false);
        if (IZRObject* sound = music.isEmpty() ? nullptr : editor.importFile(music)) {
            sound->setUserValue(reinterpret_cast<intptr_t>(new ZRAudioUserData()));
            IZRPos* at = factory->createPos();
            at->setMilliseconds(2000);
            editor.insertAudioObject(at, 10, sound);
            factory->destroyPos(at);
        }
        view->updateHorizontalRange();
        view->show();
        while (view->zoomLevel() > 3)
            view->slotZoomIn();
        QApplication::processEvents();
        click(audio2, view, audio2->switchArea().center());
        // Tall enough for every track, from the top.
        view->resize(view->width(), view->maximumHeight());
        view->verticalBar()->setValue(0);

        // A copy of the last clip dragged to the second clip's start: the clips from there on
        // make room, the copy shows where it would land.
        IZRObject* dragged = editor.lastObject();
        IZRObject* second = editor.objectAt(1);
        if (dragged && second) {
            IZRPos* start = factory->createPos();
            IZRPos* end = factory->createPos();
            start->assign(second->startPos());
            end->assign(start);
            end->addFrames(int(dragged->duration()->toFrames()) - 1);
            video->setMouseState(4);
            video->setDrop(dragged, start, end, true);
            video->notifyView(2);
            factory->destroyPos(start);
            factory->destroyPos(end);
        }
        QApplication::processEvents();

        if (parser.isSet(shot)) {
            if (!view->grab().save(parser.value(shot))) status = 1;
        } else {
            status = QApplication::exec();
        }
        video->setMouseState(0);
        video->clearDrop();
        view->clearTrackStates();
        delete view;
        appState().editor = nullptr;
    }
    appState().timeline = nullptr;
    IZRDeleteTimelineInstance(timeline);
    return status;
}

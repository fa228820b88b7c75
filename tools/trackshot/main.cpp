// The timeline view with its six tracks on a small project made on the spot (clips with
// thumbnails made with ffmpeg, an effect, a transition, a title, a clip without sound, free audio
// on an open track beside a closed one), in the states worth a look: two zoom levels, the split
// tool's red line over a hovered track, a zoom band being dragged and a copy of a clip dragged
// over the video track.
// `trackshot --screenshot <prefix>` saves <prefix>-<state>.png for each state and quits (for
// xvfb-run); without it the first state stays on screen.

#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/ZRPushButton.h"
#include "classes/widgets/ZRScrollBar.h"
#include "classes/widgets/ZRSkinStyle.h"
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "tools/shots/ShotRun.h"
#include "views/ZRAudioTrack.h"
#include "views/ZRTimelineView.h"
#include "views/ZRTitleTrack.h"
#include "views/ZRTransitionTrack.h"
#include "views/ZRVideoTrack.h"

#include <QApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

constexpr double kRate = 25.0;

/// A 4-second 320 x 240 clip of an ffmpeg test source, with a tone unless `silent`; empty when
/// ffmpeg failed.
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

// The project every state is shot on: four clips (the third without sound) with a transition
// and an effect, a title and a piece of music on the first free audio track. `why` tells what
// failed when something could not be made.
struct Project {
    QTemporaryDir folder;
    IZRCallbacks callbacks{};
    IZRTimeline* timeline = nullptr;
    std::unique_ptr<ZRVeskEditor> editor;
    QString why;

    Project() {
        fillCallbacks(callbacks);
        const QByteArray base = QCoreApplication::applicationDirPath().toUtf8() + '/';
        timeline = IZRCreateTimelineInstance(&callbacks, base.constData(), 0);
        if (!timeline) {
            why = QStringLiteral("no timeline");
            return;
        }
        timeline->settings()->setDoubleSetting("Framerate", kRate);
        appState().timeline = timeline;
        appState().frameRate = kRate;
        editor = std::make_unique<ZRVeskEditor>();
        editor->setTimeline(timeline);
        appState().editor = editor.get();
        IZRObjectFactory* factory = timeline->factory();

        const QString sources[] = {QStringLiteral("testsrc2"), QStringLiteral("smptebars"),
                                   QStringLiteral("mandelbrot"), QStringLiteral("rgbtestsrc")};
        for (int i = 0; i < 4; ++i) {
            const QString path = makeClip(
                folder, QStringLiteral("%1 shot%2.avi").arg(sources[i]).arg(i), sources[i], i == 2);
            IZRObject* clip = path.isEmpty() ? nullptr : editor->importFile(path);
            if (!clip || !editor->insertClip(clip, editor->objectCount())) {
                why = QStringLiteral("clip %1 could not be made").arg(i);
                return;
            }
        }
        if (IZRObject* t = factory->createObject("Transition", "Blends", "Cross Fade", nullptr)) {
            IZRPos* length = factory->createPos();
            length->setTotalFrames(5000);
            timeline->setObjectMarkOut(t, length);
            factory->destroyPos(length);
            editor->setTransition(0, t);
        }
        if (ZREffect* effect = factory->createEffect("Video Effect", "Colour", "Sepia"))
            editor->setEffect(1, effect);
        if (IZRObject* title =
                factory->createObject("2D-Text", "ZR-Engine", nullptr, "Opening night")) {
            title->setName("Opening night");
            IZRPos* at = factory->createPos();
            at->setMilliseconds(3000);
            timeline->setObjectMarkOut(title, at);
            at->setMilliseconds(1500);
            title->setUserValue(reinterpret_cast<intptr_t>(new ZRTitleUserData()));
            editor->insertTitle(at, title);
            factory->destroyPos(at);
        }
        const QString music =
            makeClip(folder, QStringLiteral("music.avi"), QStringLiteral("color"), false);
        if (IZRObject* sound = music.isEmpty() ? nullptr : editor->importFile(music)) {
            sound->setUserValue(reinterpret_cast<intptr_t>(new ZRAudioUserData()));
            IZRPos* at = factory->createPos();
            at->setMilliseconds(2000);
            editor->insertAudioObject(at, 10, sound);
            factory->destroyPos(at);
        }
    }

    ~Project() {
        appState().editor = nullptr;
        editor.reset();
        appState().timeline = nullptr;
        if (timeline) IZRDeleteTimelineInstance(timeline);
    }
};

// The track order of `makeView`.
enum TrackIndex { kVideoTrack = 1, kOpenedAudioTrack = 4 };

// A view of the six tracks on `editor`.
std::unique_ptr<ZRTimelineView> makeView(ZRVeskEditor* editor) {
    auto view = std::make_unique<ZRTimelineView>();
    view->insertTrack(new ZRTransitionTrack("TRANSITION", 1001, 1000), -1);
    view->insertTrack(new ZRVideoTrack("VIDEO", 1000, 1002, 1001), -1);
    view->insertTrack(new ZRAudioTrack("AUDIO1", -1, 1001, 1002), -1);
    view->insertTrack(new ZRTitleTrack("TITLES", 4, -1), -1);
    view->insertTrack(new ZRAudioTrack("AUDIO2", 10, -1, 2), -1);
    view->insertTrack(new ZRAudioTrack("AUDIO3", 11, -1, 3), -1);
    view->setEditor(editor);
    view->resize(1180, 330);
    return view;
}

void setLevel(ZRTimelineView& view, int level) {
    while (view.zoomLevel() > level)
        view.slotZoomIn();
    while (view.zoomLevel() < level)
        view.slotZoomOut();
}

void sendMouse(QWidget* to, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), QPointF(to->mapToGlobal(at)), button, held, {});
    QCoreApplication::sendEvent(to, &e);
}

// A click on `track`'s header controls, which the view hands to the track.
void click(ZRTimelineTrack* track, ZRTimelineView& view, const QPoint& at) {
    QMouseEvent press(QEvent::MouseButtonPress, at, view.mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    track->MousePressEvent(&press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, view.mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    track->MouseReleaseEvent(&release);
}

// Zoom level `level` with the cursor at seconds:frames.
void showAt(ZRTimelineView& view, ZRVeskEditor& editor, int level, int seconds, int frames) {
    setLevel(view, level);
    IZRObjectFactory* f = editor.timeline()->factory();
    IZRPos* p = f->createPosAt(0, 0, seconds, frames, kRate);
    view.slotGotoPosition(p, nullptr);
    f->destroyPos(p);
}

// A copy of the last clip dragged to the second clip's start: the clips from there on make
// room, the copy shows where it would land.
void dragCopy(ZRTimelineView& view, ZRVeskEditor& editor) {
    setLevel(view, 3);
    auto* video = static_cast<ZRVideoTrack*>(view.trackAt(kVideoTrack));
    IZRObject* dragged = editor.lastObject();
    IZRObject* second = editor.objectAt(1);
    if (!dragged || !second) return;
    IZRObjectFactory* factory = editor.timeline()->factory();
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

// Each state: what to do to a fresh view on screen before it is shot.
struct State {
    const char* name;
    void (*prepare)(ZRTimelineView&, ZRVeskEditor&);
};

const State kStates[] = {
    {"level4", [](ZRTimelineView& view, ZRVeskEditor& editor) { showAt(view, editor, 4, 7, 12); }},
    {"level2", [](ZRTimelineView& view, ZRVeskEditor& editor) { showAt(view, editor, 2, 4, 10); }},
    {"split",
     [](ZRTimelineView& view, ZRVeskEditor& editor) {
         setLevel(view, 4);
         view.toolButton(2)->click();
         // Over the middle of the third clip: past the project's end the cursor stays put.
         IZRObject* clip = editor.objectAt(2);
         const double middle = clip->startPos()->toFrames() + clip->duration()->toFrames() / 2;
         const int x = view.timeAreaRect().left() + int(view.timeScale().xOfFrames(middle));
         ZRTimelineTrack* video = view.trackAt(kVideoTrack);
         sendMouse(&view, QEvent::MouseMove, QPoint(x, video->contentRect().center().y()),
                   Qt::NoButton, Qt::NoButton);
     }},
    {"band",
     [](ZRTimelineView& view, ZRVeskEditor&) {
         setLevel(view, 4);
         view.toolButton(1)->click();
         const QRect area = view.timeAreaRect();
         const QPoint from(area.left() + 180, area.top() + 30);
         const QPoint to(area.left() + 420, area.top() + 110);
         sendMouse(&view, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
         sendMouse(&view, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
         sendMouse(&view, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
     }},
    {"drop", dragCopy},
};

// A fresh view on screen in state `state`, tall enough for every track, with the first free
// audio track opened beside the closed ones.
std::unique_ptr<ZRTimelineView> showState(const State& state, ZRVeskEditor& editor) {
    std::unique_ptr<ZRTimelineView> view = makeView(&editor);
    view->show();
    QCoreApplication::processEvents();
    auto* opened = static_cast<ZRAudioTrack*>(view->trackAt(kOpenedAudioTrack));
    click(opened, *view, opened->switchArea().center());
    view->resize(view->width(), view->maximumHeight());
    view->verticalBar()->setValue(0);
    state.prepare(*view, editor);
    QCoreApplication::processEvents();
    return view;
}

// Takes back what a state left on the view's tracks before the view goes.
void finish(ZRTimelineView& view) {
    ZRTimelineTrack* video = view.trackAt(kVideoTrack);
    video->setMouseState(0);
    video->clearDrop();
    view.clearTrackStates();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const shots::Options options = shots::parseOptions(app);

    preloadSkins();
    QApplication::setStyle(new ZRSkinStyle);
    int result = 0;
    {
        Project project;
        if (!project.why.isEmpty()) {
            std::fprintf(stderr, "trackshot: %s\n", qPrintable(project.why));
            result = 1;
        } else {
            // The view's own grab: the band and the cursor are drawn on it.
            result = shots::run(
                "trackshot", options, kStates,
                [&](const State& s) { return showState(s, *project.editor); },
                [](QWidget& view) { finish(static_cast<ZRTimelineView&>(view)); });
        }
    }
    releaseSkins();
    return result;
}

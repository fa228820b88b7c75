// The timeline view on a generated project, in the states worth a look: the six tracks at two
// zoom levels, the split tool's red line over a hovered track and a zoom band being dragged.
// `timelinegallery --screenshot <prefix>` saves <prefix>-<state>.png for each and quits (for
// xvfb-run); without it the first state stays on screen.
//
// The tracks here are stand-ins that draw every object of their engine tracks as a plain block
// with its name: the view's own drawing (frame, ruler, cursor, columns, backgrounds, split line,
// band) is what the page is for.

#include "ZRAppState.h"
#include "ZRCallbacks.h"
#include "ZRTimelineTrack.h"
#include "ZRTimelineView.h"
#include "ZRVeskEditor.h"
#include "skins/ZRSkinPreload.h"
#include "widgets/ZRPushButton.h"
#include "widgets/ZRSkinStyle.h"

#include <IZRTimeline.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>
#include <utility>
#include <vector>

namespace {

// Draws the objects of one or more engine tracks as blocks of one colour.
class BlockTrack : public ZRTimelineTrack {
public:
    BlockTrack(std::vector<std::pair<int, bool>> sources, QColor colour, const QString& name,
               int height, int id)
        : ZRTimelineTrack(sources.front().first, sources.front().second, name, height, id),
          m_sources(std::move(sources)), m_colour(colour) {}

    void paint(const QRegion& region, QImage* target, const QPoint& offset) override {
        paintBackground(region, target, offset);
        if (!m_timeline) return;
        for (const auto& [number, video] : m_sources) {
            ZRGuardedList* list = m_timeline->track(number, video);
            if (!list) continue;
            std::vector<IZRObject*> objects;
            list->lock();
            for (unsigned i = 0; i < list->count(); ++i)
                objects.push_back(static_cast<IZRObject*>(list->at(i)));
            list->unlock();
            for (IZRObject* o : objects)
                paintObject(region, target, offset, px(o->startPos()->toFrames()),
                            px(o->duration()->toFrames()), o);
        }
    }

    void paintObject(const QRegion& region, QImage* target, const QPoint& offset, int64_t x,
                     int64_t width, IZRObject* object) override {
        const QRect span = objectSpan(x, width).adjusted(0, 1, 0, -1);
        if (span.isEmpty()) return;
        QPainter painter(target);
        painter.setClipRegion(region.translated(offset));
        const QRect r = span.translated(offset);
        painter.fillRect(r, m_colour);
        painter.setPen(m_colour.darker(160));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        painter.setPen(Qt::white);
        QFont font = painter.font();
        font.setPixelSize(std::min(11, std::max(8, r.height() - 4)));
        painter.setFont(font);
        const QString name = QString::fromUtf8(object->name());
        painter.drawText(r.adjusted(4, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         name.mid(name.lastIndexOf(QLatin1Char('/')) + 1));
    }

private:
    std::vector<std::pair<int, bool>> m_sources;
    QColor m_colour;
};

// The main window's answers: the first clip is current.
class Hub : public ZRAppState::Hub {
public:
    IZRObject* current = nullptr;
    IZRPos* position = nullptr;
    IZRObject* currentObject() override { return current; }
    IZRPos* currentPosition() override { return position; }
    void message(const QString&, int) override {}
    void setMenuItemEnabled(int, bool) override {}
    void setMenuItemChecked(int, bool) override {}
};

// Six clips of a generated pattern with sound, a transition, two titles and free audio.
struct Project {
    QTemporaryDir folder;
    IZRCallbacks callbacks{};
    IZRTimeline* timeline = nullptr;
    std::unique_ptr<ZRVeskEditor> editor;
    Hub hub;
    QString why;

    Project() {
        const QString clip = folder.filePath(QStringLiteral("pattern.avi"));
        const QString sound = folder.filePath(QStringLiteral("tone.wav"));
        if (QProcess::execute(QStringLiteral("ffmpeg"),
                              {"-v",
                               "error",
                               "-y",
                               "-f",
                               "lavfi",
                               "-i",
                               "testsrc=size=720x576:rate=25:duration=12",
                               "-f",
                               "lavfi",
                               "-i",
                               "sine=frequency=440:sample_rate=48000:duration=12",
                               "-c:v",
                               "dvvideo",
                               "-pix_fmt",
                               "yuv420p",
                               "-c:a",
                               "pcm_s16le",
                               "-f",
                               "avi",
                               clip}) != 0 ||
            QProcess::execute(QStringLiteral("ffmpeg"),
                              {"-v", "error", "-y", "-f", "lavfi", "-i",
                               "sine=frequency=220:sample_rate=48000:duration=9", sound}) != 0) {
            why = QStringLiteral("ffmpeg could not make the media");
            return;
        }
        fillCallbacks(callbacks);
        const QByteArray base = QCoreApplication::applicationDirPath().toUtf8() + '/';
        timeline = IZRCreateTimelineInstance(&callbacks, base.constData(), 0);
        timeline->settings()->setDoubleSetting("Framerate", 25.0);
        appState().timeline = timeline;
        appState().frameRate = 25.0;
        editor = std::make_unique<ZRVeskEditor>();
        editor->setTimeline(timeline);
        appState().editor = editor.get();
        IZRObjectFactory* f = timeline->factory();
        for (int i = 0; i < 6; ++i) {
            IZRObject* c = editor->importFile(clip);
            if (!c) {
                why = QStringLiteral("the media import module is missing");
                return;
            }
            IZRPos* in = f->createPosAt(0, 0, i, 0, 25.0);
            IZRPos* out = f->createPosAt(0, 0, 5 + i, 0, 25.0);
            timeline->setObjectMarkIn(c, in);
            timeline->setObjectMarkOut(c, out);
            f->destroyPos(in);
            f->destroyPos(out);
            editor->insertClip(c, editor->objectCount());
        }
        // The first transition module of the first group.
        const auto* groups =
            static_cast<const char*>(timeline->moduleList("Transition", nullptr, nullptr, 0));
        const QByteArray group = groups ? QByteArray(groups) : QByteArray();
        const auto* modules = group.isEmpty() ? nullptr
                                              : static_cast<const char*>(timeline->moduleList(
                                                    "Transition", group.constData(), nullptr, 0));
        if (modules && modules[0]) {
            const QByteArray module(modules);
            if (IZRObject* t =
                    f->createObject("Transition", group.constData(), module.constData(), nullptr))
                editor->setTransition(1, t);
        }
        const struct {
            int second;
            const char* text;
        } titles[] = {{2, "Opening"}, {19, "Credits"}};
        for (const auto& t : titles) {
            IZRObject* title = f->createObject("2D-Text", nullptr, nullptr, t.text);
            IZRPos* at = f->createPosAt(0, 0, t.second, 0, 25.0);
            if (title) editor->insertTitle(at, title);
            f->destroyPos(at);
        }
        const struct {
            int track;
            int second;
        } sounds[] = {{10, 1}, {10, 14}, {11, 6}};
        for (const auto& s : sounds) {
            IZRObject* o = editor->importFile(sound);
            IZRPos* at = f->createPosAt(0, 0, s.second, 0, 25.0);
            if (o) editor->insertAudioObject(at, s.track, o);
            f->destroyPos(at);
        }
        hub.current = editor->objectAt(0);
        hub.position = f->createPos();
        appState().hub = &hub;
    }
    ~Project() {
        appState().hub = nullptr;
        appState().editor = nullptr;
        editor.reset();
        appState().timeline = nullptr;
        if (timeline) IZRDeleteTimelineInstance(timeline);
    }
};

std::unique_ptr<ZRTimelineView> makeView(ZRVeskEditor* editor) {
    auto view = std::make_unique<ZRTimelineView>();
    view->insertTrack(
        new BlockTrack({{2, true}}, QColor(150, 120, 60), QStringLiteral("TRANSITION"), 15, 1000),
        -1);
    view->insertTrack(new BlockTrack({{1, true}, {3, true}}, QColor(60, 100, 150),
                                     QStringLiteral("VIDEO"), 40, 1001),
                      -1);
    view->insertTrack(new BlockTrack({{1, false}, {3, false}}, QColor(60, 120, 90),
                                     QStringLiteral("AUDIO1"), 15, 1002),
                      -1);
    view->insertTrack(
        new BlockTrack({{4, true}}, QColor(110, 90, 150), QStringLiteral("TITLES"), 27, -1), -1);
    view->insertTrack(
        new BlockTrack({{10, false}}, QColor(60, 120, 90), QStringLiteral("AUDIO2"), 15, 2), -1);
    view->insertTrack(
        new BlockTrack({{11, false}}, QColor(60, 120, 90), QStringLiteral("AUDIO3"), 15, 3), -1);
    view->setEditor(editor);
    view->resize(1180, 262);
    return view;
}

void setLevel(ZRTimelineView& view, int level) {
    while (view.zoomLevel() > level)
        view.slotZoomIn();
    while (view.zoomLevel() < level)
        view.slotZoomOut();
}

void sendMouse(ZRTimelineView& view, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), QPointF(view.mapToGlobal(at)), button, held, {});
    QCoreApplication::sendEvent(&view, &e);
}

// Zoom level `level` with the cursor at seconds:frames.
void showAt(ZRTimelineView& view, ZRVeskEditor& editor, int level, int seconds, int frames) {
    setLevel(view, level);
    IZRObjectFactory* f = editor.timeline()->factory();
    IZRPos* p = f->createPosAt(0, 0, seconds, frames, 25.0);
    view.slotGotoPosition(p, nullptr);
    f->destroyPos(p);
}

// Each state: what to do to a fresh view before it is shot.
struct State {
    const char* name;
    void (*prepare)(ZRTimelineView&, ZRVeskEditor&);
};

const State kStates[] = {
    {"level4", [](ZRTimelineView& view, ZRVeskEditor& editor) { showAt(view, editor, 4, 7, 12); }},
    {"level2", [](ZRTimelineView& view, ZRVeskEditor& editor) { showAt(view, editor, 2, 4, 10); }},
    {"split",
     [](ZRTimelineView& view, ZRVeskEditor&) {
         setLevel(view, 4);
         view.toolButton(2)->click();
         ZRTimelineTrack* video = view.trackAt(1);
         const QPoint over(view.timeAreaRect().left() + 260, video->contentRect().center().y());
         sendMouse(view, QEvent::MouseMove, over, Qt::NoButton, Qt::NoButton);
     }},
    {"band",
     [](ZRTimelineView& view, ZRVeskEditor&) {
         setLevel(view, 4);
         view.toolButton(1)->click();
         const QRect area = view.timeAreaRect();
         const QPoint from(area.left() + 180, area.top() + 30);
         const QPoint to(area.left() + 420, area.top() + 110);
         sendMouse(view, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
         sendMouse(view, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
         sendMouse(view, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
     }},
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser options;
    options.addHelpOption();
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Save <prefix>-<state>.png for every state and quit."),
        QStringLiteral("prefix"));
    options.addOption(screenshot);
    options.process(app);

    preloadSkins();
    QApplication::setStyle(new ZRSkinStyle);
    int result = 0;
    {
        Project project;
        if (!project.why.isEmpty()) {
            qWarning("%s", qPrintable(project.why));
            result = 1;
        } else if (options.isSet(screenshot)) {
            const QString prefix = options.value(screenshot);
            for (const State& s : kStates) {
                std::unique_ptr<ZRTimelineView> view = makeView(project.editor.get());
                view->show();
                QCoreApplication::processEvents();
                s.prepare(*view, *project.editor);
                QCoreApplication::processEvents();
                const QString path =
                    prefix + QLatin1Char('-') + QLatin1String(s.name) + QStringLiteral(".png");
                // The screen's copy: the band and the cursor are drawn on it.
                if (!view->grab().save(path)) result = 1;
            }
        } else {
            std::unique_ptr<ZRTimelineView> view = makeView(project.editor.get());
            view->show();
            kStates[0].prepare(*view, *project.editor);
            result = QApplication::exec();
        }
    }
    releaseSkins();
    return result;
}

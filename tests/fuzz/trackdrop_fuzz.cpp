// Any payload of the formats the timeline tracks read (editor objects, titles, the browser's
// icons and engine items, files, images, plain text), entered, moved and dropped or taken away
// again at any point of an offscreen timeline view over a small project; editor-object payloads
// also arrive while the program's own drag runs, naming objects of the project or any number.
// The project is rebuilt before every input.
#include "classes/skins/ZRSkinPreload.h"
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "editor/ZREngineDrag.h"
#include "editor/ZRTitleDrag.h"
#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "editor/ZRVeskEditorDrag.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRPos.h"
#include "engine/api/IZRTimeline.h"
#include "engine/api/ZRGuardedList.h"
#include "tests/fuzz/pinned_modules.h"
#include "tests/fuzz/solid_clips.h"
#include "tests/fuzz/trackdrop_tracks.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QThread>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr int kWidth = 900;
constexpr int kHeight = 260;

class FuzzView : public ZRTimelineView {
public:
    using ZRTimelineView::dragEnterEvent;
    using ZRTimelineView::dragLeaveEvent;
    using ZRTimelineView::dragMoveEvent;
    using ZRTimelineView::dropEvent;
};

/// The program's drag of an object, its run played by the input.
class PlayedDrag : public ZRVeskEditorDrag {
public:
    using ZRVeskEditorDrag::ZRVeskEditorDrag;
    std::function<void()> during;

protected:
    Qt::DropAction execute(QDrag&) override {
        if (during) during();
        return Qt::IgnoreAction;
    }
};

struct World {
    IZRCallbacks callbacks{};
    IZRTimeline* timeline = nullptr;
    ZRVeskEditor* editor = nullptr;
    FuzzView* view = nullptr;
};

World& world() {
    static World w;
    return w;
}

void rebuildProject() {
    World& w = world();
    w.editor->newProject();
    IZRObjectFactory* f = w.timeline->factory();
    appendSolidClips(*w.editor, *w.timeline, 4);
    if (IZRObject* t = f->createObject("Transition", "Blends", "Cross Fade", nullptr)) {
        if (!w.editor->setTransition(0, t)) f->destroyObject(t);
    }
    if (IZRObject* title = f->createObject("2D-Text", "ZR-Engine", nullptr, "Title")) {
        title->setUserValue(reinterpret_cast<intptr_t>(new ZRTitleUserData));
        IZRPos* length = f->createPosHMSF(0, 0, 2, 0);
        w.timeline->setObjectMarkOut(title, length);
        IZRPos* at = f->createPosHMSF(0, 0, 3, 0);
        if (!w.editor->insertTitle(at, title) && !title->trackNumber(true)) f->destroyObject(title);
        f->destroyPos(at);
        f->destroyPos(length);
    }
    w.view->updateHorizontalRange();
}

/// The objects of the project's tracks, for payloads that name one.
std::vector<IZRObject*> projectObjects() {
    std::vector<IZRObject*> out;
    for (int track : {1, 2, 3, 4}) {
        ZRGuardedList* list = world().timeline->track(track, true);
        if (!list) continue;
        list->lock();
        for (void* p = list->first(); p; p = list->next())
            out.push_back(static_cast<IZRObject*>(p));
        list->unlock();
    }
    return out;
}

QByteArray editorPayload(uintptr_t thread, uintptr_t object) {
    ZRVeskEditorDrag drag(nullptr, "Moving Editor Object");
    drag.setPayload(thread, object, 0);
    return drag.encodedData(ZRVeskEditorDrag::kMimeType);
}

} // namespace

// Painting the view loads Qt's font database, whose fontconfig state lives as long as the
// process (as tests/lsan.supp says for the test programs).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Kept to the end of the process: Qt's objects must not be torn down by exit handlers.
    static QApplication* app = new QApplication(*argc, *argv);
    (void)app;
    World& w = world();
    pinModules(QStringLiteral(CLIPSTEAD_BIN_DIR));
    // The tracks draw what they can of the skin the build made (nothing without one).
    setSkinBaseFolder(QStringLiteral(CLIPSTEAD_BIN_DIR));
    preloadSkins();
    fillCallbacks(w.callbacks);
    // The program's own transitions and fonts.
    w.timeline = IZRCreateTimelineInstance(&w.callbacks, CLIPSTEAD_BIN_DIR "/", 0);
    if (!w.timeline) std::abort();
    w.timeline->settings()->setIntSetting("Enable Background Rendering", 0);
    w.timeline->settings()->setDoubleSetting("Framerate", 25.0);
    appState().timeline = w.timeline;
    w.editor = new ZRVeskEditor();
    w.editor->setTimeline(w.timeline);
    appState().editor = w.editor;
    w.view = new FuzzView();
    insertFuzzTracks(w.view);
    w.view->setEditor(w.editor);
    w.view->resize(kWidth, kHeight);
    w.view->show();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    World& w = world();
    rebuildProject();
    const uint8_t shape = data[0];
    const QPoint from(data[1] * kWidth / 256, data[2] * kHeight / 256);
    const QPoint to(data[3] * kWidth / 256, data[4] * kHeight / 256);
    const uint8_t pick = data[5];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 6), qsizetype(size - 6));
    const QList<QByteArray> fields = bytes.split('\0');
    const auto field = [&](int i) {
        return i < fields.size() ? QString::fromUtf8(fields[i]) : QString();
    };
    const Qt::DropAction action = shape & 0x10 ? Qt::MoveAction : Qt::CopyAction;
    const bool dropIt = !(shape & 0x20);
    const bool duringDrag = shape & 0x40;

    static const char* const types[] = {ZRVeskEditorDrag::kMimeType,
                                        ZRTitleDrag::kMimeType,
                                        ZREngineDrag::kMimeType,
                                        "application/x-zriconlist",
                                        "text/uri-list",
                                        "image/png",
                                        "text/plain"};
    QMimeData mime;
    switch (shape % 4) {
    case 0: {
        // An editor object: one of the project's, or the number the input gives.
        const std::vector<IZRObject*> objects = projectObjects();
        uintptr_t object = 0;
        if (!objects.empty() && !(shape & 0x04))
            object = reinterpret_cast<uintptr_t>(objects[pick % objects.size()]);
        else
            std::memcpy(&object, bytes.constData(), std::min<size_t>(sizeof object, bytes.size()));
        const uintptr_t thread =
            shape & 0x08 ? uintptr_t(pick) : reinterpret_cast<uintptr_t>(QThread::currentThread());
        mime.setData(ZRVeskEditorDrag::kMimeType, editorPayload(thread, object));
        break;
    }
    case 1: {
        ZRTitleSettings title;
        title.text = field(0);
        double duration = 0;
        std::memcpy(&duration, bytes.constData(), std::min<size_t>(sizeof duration, bytes.size()));
        title.duration = shape & 0x04 ? duration : double(pick) * 50.0;
        title.alignment = pick % 3;
        mime.setData(ZRTitleDrag::kMimeType, ZRTitleDrag::payload(title));
        break;
    }
    case 2:
        mime.setData(ZREngineDrag::kMimeType,
                     ZREngineDrag::payload(int(pick), field(0), field(1), field(2)));
        break;
    default:
        mime.setData(QString::fromLatin1(types[pick % std::size(types)]), bytes);
    }

    auto play = [&] {
        QDragEnterEvent enter(from, action, &mime, Qt::LeftButton, Qt::NoModifier);
        w.view->dragEnterEvent(&enter);
        QDragMoveEvent moved(to, action, &mime, Qt::LeftButton, Qt::NoModifier);
        w.view->dragMoveEvent(&moved);
        if (dropIt) {
            QDropEvent dropped(QPointF(to), action, &mime, Qt::LeftButton, Qt::NoModifier);
            w.view->dropEvent(&dropped);
        } else {
            QDragLeaveEvent leave;
            w.view->dragLeaveEvent(&leave);
        }
        (void)w.view->grab();
    };
    if (duringDrag) {
        PlayedDrag drag(w.view, "Moving Editor Object");
        drag.during = play;
        (void)drag.dragCopyOrMove();
    } else {
        play();
    }
    QCoreApplication::processEvents();
    return 0;
}

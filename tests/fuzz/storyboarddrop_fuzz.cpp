// Any payload of the formats the storyboard's drop decoders read (image, title, URI list,
// engine item; under their own types and plain text), dropped anywhere on an offscreen
// storyboard holding a small project, is handled without harm; the project is rebuilt after
// every drop.
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "editor/ZREngineDrag.h"
#include "editor/ZRTitleDrag.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRObject.h"
#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRPos.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "tests/fuzz/solid_clips.h"
#include "views/ZRStoryboard.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

struct World {
    IZRCallbacks callbacks{};
    IZRTimeline* timeline = nullptr;
    ZRVeskEditor* editor = nullptr;
    ZRStoryboard* board = nullptr;
};

World& world() {
    static World w;
    return w;
}

void rebuildProject() {
    World& w = world();
    w.editor->newProject();
    appendSolidClips(*w.editor, *w.timeline, 2);
    w.board->updateLayout();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Kept to the end of the process: Qt's objects must not be torn down by exit handlers.
    static QApplication* app = new QApplication(*argc, *argv);
    (void)app;
    World& w = world();
    fillCallbacks(w.callbacks);
    w.timeline = IZRCreateTimelineInstance(&w.callbacks, nullptr, 0);
    if (!w.timeline) std::abort();
    appState().timeline = w.timeline;
    w.editor = new ZRVeskEditor();
    w.editor->setTimeline(w.timeline);
    appState().editor = w.editor;
    w.board = new ZRStoryboard();
    w.board->resize(800, 189);
    w.board->setEditor(w.editor);
    w.board->show();
    rebuildProject();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    static const char* const types[] = {ZREngineDrag::kMimeType,
                                        ZRTitleDrag::kMimeType,
                                        "text/uri-list",
                                        "image/png",
                                        "application/x-zriconlist",
                                        "text/plain"};
    const uint8_t shape = data[0];
    const QPoint at(data[1] * 800 / 256, data[2] * 189 / 256);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 3), qsizetype(size - 3));
    const QList<QByteArray> fields = bytes.split('\0');
    const auto field = [&](int i) {
        return i < fields.size() ? QString::fromUtf8(fields[i]) : QString();
    };

    // Most inputs take the shape of a well-formed payload so that the drop reaches the editor;
    // the rest are raw bytes under one of the types.
    QMimeData mime;
    switch (shape % 4) {
    case 0: {
        static const char* const kinds[] = {"Transition", "Video Effect"};
        const QString kind = shape & 4 ? field(0) : QString::fromLatin1(kinds[(shape >> 3) & 1]);
        mime.setData(ZREngineDrag::kMimeType,
                     ZREngineDrag::payload(int(shape), kind, field(1), field(2)));
        break;
    }
    case 1: {
        ZRTitleSettings title;
        title.text = field(0);
        double duration = 0;
        std::memcpy(&duration, data + 3, std::min<size_t>(sizeof duration, size - 3));
        title.duration = shape & 4 ? duration : double(data[3]) * 100.0;
        title.alignment = data[3] % 3;
        title.safeFrameSize = double(data[1]) / 255.0;
        mime.setData(ZRTitleDrag::kMimeType, ZRTitleDrag::payload(title));
        break;
    }
    case 2:
        mime.setData("text/uri-list", "file://" + bytes + "\r\n");
        break;
    default:
        mime.setData(QString::fromLatin1(types[(shape >> 2) % std::size(types)]), bytes);
    }

    World& w = world();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.board, &enter);
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.board, &drop);
    QCoreApplication::processEvents();
    if (w.editor->objectCount() != 3) rebuildProject();
    return 0;
}

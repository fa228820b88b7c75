// Any bytes opened as a project through the editor object end in a clear answer and leave a
// chain that keeps every invariant: after the load, after saving and loading it again, and
// after each transition on track 2 is sized. The program's callbacks are filled, so editor data
// in the file reaches the records. The timeline has the program's own transitions and effects.
// An empty corpus folder is seeded with projects that the editor saved.
#include "editor/ZRAppState.h"
#include "editor/ZRCallbacks.h"
#include "editor/ZRChainLinks.h"
#include "editor/ZRNotifier.h"
#include "editor/ZRUserData.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "tests/fuzz/pinned_modules.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <dlfcn.h>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

class SilentNotifier : public ZRNotifier {
public:
    void critical(const QString&, const QString&) override {}
};

IZRCallbacks gCallbacks{};
IZRTimeline* gTimeline = nullptr;
ZRVeskEditor* gEditor = nullptr;
QString gFolder;

long frames(const IZRPos* pos) {
    return std::lround(pos->toFrames());
}

std::vector<IZRObject*> objectsOf(int track) {
    std::vector<IZRObject*> objects;
    ZRGuardedList* list = gTimeline->track(track, true);
    for (unsigned i = 0; list && i < list->count(); ++i)
        objects.push_back(static_cast<IZRObject*>(list->at(i)));
    return objects;
}

// The first broken invariant of the chain, null when it holds.
const char* chainFault() {
    std::set<IZRObject*> onClipTracks;
    for (int track : {1, 3}) {
        for (IZRObject* object : objectsOf(track))
            onClipTracks.insert(object);
    }
    std::vector<IZRObject*> clips;
    for (IZRObject* c = gEditor->firstObject(); c; c = chainlinks::next(c)) {
        if (clips.size() > onClipTracks.size()) return "the chain loops";
        clips.push_back(c);
    }
    if (int(clips.size()) != gEditor->objectCount()) return "objects off the chain";
    if (gEditor->lastObject() != (clips.empty() ? nullptr : clips.back())) return "last clip";
    std::set<IZRObject*> transitions;
    for (size_t i = 0; i < clips.size(); ++i) {
        IZRObject* clip = clips[i];
        ZRVideoUserData* record = chainlinks::clip(clip);
        if (!record || record->number != int(i)) return "numbering";
        if (!onClipTracks.count(clip)) return "a chained clip off the tracks";
        if (record->previous != (i ? clips[i - 1] : nullptr)) return "previous link";
        const int track = clip->trackNumber(true);
        if (i == 0 && (track != 1 || frames(clip->startPos()) != 0)) return "first clip";
        if (i > 0 && track == clips[i - 1]->trackNumber(true)) return "tracks alternate";
        if (i + 1 == clips.size()) {
            if (record->linkedObject) return "the last clip has a transition";
            break;
        }
        long length = 0;
        if (IZRObject* link = record->linkedObject) {
            if (!record->linkedPosition || !transitions.insert(link).second) return "transition";
            length = frames(record->linkedPosition);
            int direction = -1;
            dynamic_cast<IZRSettings*>(link)->getIntSetting("Transition Direction", &direction);
            ZRTransitionUserData* linkRecord = chainlinks::transition(link);
            if (length <= 0 || link->trackNumber(true) != 2 ||
                frames(link->startPos()) != frames(clips[i + 1]->startPos()) ||
                frames(link->markOut()) != length || direction != (track == 1 ? 0 : 1) ||
                !linkRecord || linkRecord->owner != clip)
                return "transition placement";
        }
        if (frames(clips[i + 1]->startPos()) != frames(clip->endPos()) + 1 - length)
            return "clip placement";
    }
    for (IZRObject* object : objectsOf(2)) {
        if (transitions.erase(object)) continue;
        ZRTransitionUserData* link = chainlinks::transition(object);
        if (!link || link->owner) return "an attached transition off the chain";
    }
    return transitions.empty() ? nullptr : "a chained transition off track 2";
}

void check() {
    if (const char* fault = chainFault()) {
        fprintf(stderr, "broken chain: %s\n", fault);
        __builtin_trap();
    }
}

void seed(const QString& corpus) {
    QDir dir(corpus);
    if (!dir.exists() || !dir.isEmpty()) return;
    IZRObjectFactory* factory = gTimeline->factory();
    auto clip = [&](int length, int red) {
        IZRObject* object = factory->createObject(
            "Solid Color", ("RGB(" + std::to_string(red) + ",80,120)").c_str(), nullptr, nullptr);
        IZRPos* p = factory->createPos();
        p->setTotalFrames(length);
        gTimeline->setObjectMarkOut(object, p);
        factory->destroyPos(p);
        gEditor->insertClip(object, gEditor->objectCount());
    };
    auto fade = [&] {
        return factory->createObject("Transition", "Blends", "Cross Fade", nullptr);
    };
    const int lengths[] = {100, 20, 60, 45, 1, 80};
    for (int i = 0; i < 6; ++i)
        clip(lengths[i], 40 * i);
    gEditor->setTransition(0, fade());
    gEditor->setTransition(2, fade());
    gEditor->setTransition(3, fade());
    gEditor->setEffect(2, factory->createEffect("Video Effect", "Colour", "Greyscale"));
    IZRObject* title = factory->createObject("Solid Color", "RGB(200,200,200)", nullptr, nullptr);
    title->setUserValue(reinterpret_cast<intptr_t>(new ZRTitleUserData()));
    IZRPos* at = factory->createPos();
    at->setTotalFrames(30);
    gEditor->insertTitle(at, title);
    factory->destroyPos(at);
    gEditor->saveProject(dir.filePath("seed1.zrs"));
    gEditor->removeTransitionAt(2);
    gEditor->splitObject(gEditor->objectAt(0), gEditor->objectAt(1)->startPos());
    gEditor->saveProject(dir.filePath("seed2.zrs"));
    gEditor->newProject();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static SilentNotifier notifier;
    ZRNotifier::install(&notifier);
    pinModules(QStringLiteral(CLIPSTEAD_BIN_DIR));
    fillCallbacks(gCallbacks);
    gTimeline = IZRCreateTimelineInstance(&gCallbacks, CLIPSTEAD_BIN_DIR "/", 0);
    gTimeline->settings()->setIntSetting("Enable Background Rendering", 0);
    appState().timeline = gTimeline;
    static auto editor = std::make_unique<ZRVeskEditor>();
    gEditor = editor.get();
    gEditor->setTimeline(gTimeline);
    gFolder = QDir::tempPath() + QStringLiteral("/editorload_fuzz_%1").arg(getpid());
    QDir().mkpath(gFolder);
    for (int i = 1; i < *argc; ++i) {
        if ((*argv)[i][0] != '-') seed(QString::fromLocal8Bit((*argv)[i]));
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input = gFolder + QStringLiteral("/input.zrs");
    {
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const bool loaded = gEditor->loadProject(input);
    check();
    if (!loaded) {
        if (!gEditor->isEmpty()) __builtin_trap();
        return 0;
    }
    const QString saved = gFolder + QStringLiteral("/saved.zrs");
    const int count = gEditor->objectCount();
    if (gEditor->saveProject(saved) && gEditor->loadProject(saved)) {
        check();
        if (gEditor->objectCount() != count) __builtin_trap();
    }
    // Sizing a transition that no clip owns changes nothing; sizing each chained one to what it
    // spans keeps its length.
    for (IZRObject* object : objectsOf(2)) {
        ZRTransitionUserData* link = chainlinks::transition(object);
        if (link && !link->owner)
            gEditor->setTransitionLength(object, object->startPos(), object->endPos());
    }
    check();
    for (int i = 0; i < gEditor->objectCount(); ++i) {
        if (IZRObject* link = gEditor->transitionOf(i))
            gEditor->setTransitionLength(link, link->startPos(), link->endPos());
    }
    check();
    return 0;
}

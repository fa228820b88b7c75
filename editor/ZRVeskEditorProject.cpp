// Opening, saving and starting projects, and making objects from media files. A project file is a
// script that the engine runs; what it placed on tracks 1, 2 and 3 becomes the chain again. The
// file comes from outside: every record and link it brings is checked before the chain uses it.
#include "editor/ZRAppState.h"
#include "editor/ZRChainLinks.h"
#include "editor/ZRNotifier.h"
#include "editor/ZRScopedPos.h"
#include "editor/ZRVeskEditor.h"
#include "engine/api/IZRSettings.h"
#include "engine/api/IZRTimeline.h"
#include "engine/api/ZREffectList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <mutex>

using namespace chainlinks;

namespace {

QString translated(const char* text) {
    return QCoreApplication::translate("QApplication", text);
}

long frames(const IZRPos* pos) {
    return std::lround(pos->toFrames());
}

struct OutputFormat {
    int index;
    bool ntsc;
};

// DV (0) and DVD (3) are both 720 wide: DV has 48000 Hz sound, a DVD project any other rate.
OutputFormat outputFormatOf(int width, int height, int rate, double fps) {
    switch (width) {
    case 720:
        return {rate == 48000 ? 0 : 3, height != 576};
    case 352:
        return {1, height != 288};
    case 480:
        return {2, height != 576};
    default:
        return {4, fps != 25.0};
    }
}

bool isTransition(IZRObject* object) {
    int direction = 0;
    auto* settings = dynamic_cast<IZRSettings*>(object);
    return settings && settings->getIntSetting("Transition Direction", &direction);
}

} // namespace

bool ZRVeskEditor::loadProject(const QString& path) {
    if (!m_timeline) return false;
    appState().clipLoadWarnings = 0;
    // The whole name in the file system's encoding, however long.
    const QByteArray name = QFile::encodeName(path);
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        // A name made of bytes that are no text in the system's encoding was decoded with
        // replacement characters (a file dialog does so): the file may well be there, but no
        // name the program can form reaches it.
        const bool undecodable = path.contains(QChar::ReplacementCharacter);
        ZRNotifier::current().critical(
            translated("Load error"),
            undecodable ? translated("The project's file name is not valid in the system's "
                                     "encoding and cannot be used. Rename the file and open it "
                                     "again.")
                        : translated("File not found"));
        return false;
    }
    newProject();
    bool ran = false;
    {
        EditScope quiet(*this, true);
        try {
            ran = m_timeline->runScriptFile(name.constData(), false);
        } catch (...) {
            ran = false;
        }
        if (ran) {
            takeEngineEnd();
            rebuildChain();
            publishFormat();
        }
    }
    if (!ran) {
        ZRNotifier::current().critical(translated("Load error"),
                                       translated("An error occured during load process..."));
        newProject();
        return false;
    }
    updateThumbnails(m_firstClip, m_lastClip);
    Q_EMIT projectLoaded();
    return true;
}

void ZRVeskEditor::rebuildChain() {
    // Clips in order of start, those of track 1 first where two start together: for what the
    // editor writes, the alternation A1, B1, A2, ...; for any other file, one chain of them all.
    std::vector<IZRObject*> clips = trackObjects(kClipTrackA, true);
    const std::vector<IZRObject*> bTrack = trackObjects(kClipTrackB, true);
    clips.insert(clips.end(), bTrack.begin(), bTrack.end());
    std::stable_sort(clips.begin(), clips.end(), [](IZRObject* a, IZRObject* b) {
        return a->startPos()->toFrames() < b->startPos()->toFrames();
    });

    // Every object of track 2 carries a transition record, unattached until a clip claims it.
    const std::vector<IZRObject*> transitions = trackObjects(kTransitionTrack, true);
    std::vector<bool> claimed(transitions.size(), false);
    for (IZRObject* object : transitions) {
        ZRTransitionUserData* link = transition(object);
        if (!link) {
            link = new ZRTransitionUserData();
            replaceRecord(factory(), object, link);
        }
        link->number = -1;
        link->owner = nullptr;
    }

    IZRObject* before = nullptr;
    int index = 0;
    for (IZRObject* object : clips) {
        ZRVideoUserData* record = clip(object);
        if (!record) {
            record = new ZRVideoUserData();
            ZREffectList* effects = object->effectList();
            ZREffect* effect = effects ? effects->first() : nullptr;
            replaceRecord(factory(), object, record);
            record->effect = effect;
        }
        const int stored = record->pendingTransition;
        record->pendingTransition = 0;
        record->linkedObject = nullptr;
        factory()->destroyPos(record->linkedPosition);
        record->linkedPosition = nullptr;
        record->previous = before;
        record->next = nullptr;
        record->number = index++;
        if (ZRVideoUserData* beforeRecord = clip(before))
            beforeRecord->next = object;
        else
            m_firstClip = object;

        // The stored place counts only for a transition there that no clip claimed before.
        if (stored >= 1 && size_t(stored) <= transitions.size() && !claimed[size_t(stored - 1)] &&
            isTransition(transitions[size_t(stored - 1)])) {
            IZRObject* link = transitions[size_t(stored - 1)];
            claimed[size_t(stored - 1)] = true;
            record->linkedObject = link;
            record->linkedPosition = factory()->createPos();
            record->linkedPosition->assign(link->duration());
            ZRTransitionUserData* linkRecord = transition(link);
            linkRecord->number = record->number;
            linkRecord->owner = object;
        }
        before = object;
    }
    m_lastClip = before;
    forgetCursor();
    if (m_firstClip && !placementHolds()) relayoutFrom(m_firstClip);
}

bool ZRVeskEditor::placementHolds() {
    IZRObject* before = nullptr;
    long incoming = 0;
    for (IZRObject* object = m_firstClip; object; before = object, object = next(object)) {
        const int track = object->trackNumber(true);
        if (!before) {
            if (track != kClipTrackA || frames(object->startPos()) != 0) return false;
            continue;
        }
        if (track == before->trackNumber(true)) return false;
        ZRVideoUserData* beforeRecord = clip(before);
        long start = frames(before->endPos()) + 1;
        long length = 0;
        if (IZRObject* link = beforeRecord->linkedObject) {
            length = frames(beforeRecord->linkedPosition);
            int direction = -1;
            dynamic_cast<IZRSettings*>(link)->getIntSetting("Transition Direction", &direction);
            if (length <= 0 || length > frames(before->duration()) - incoming ||
                length > frames(object->duration()))
                return false;
            start -= length;
            if (link->trackNumber(true) != kTransitionTrack || frames(link->startPos()) != start ||
                frames(link->markOut()) != length ||
                direction != (before->trackNumber(true) == kClipTrackA ? 0 : 1))
                return false;
        }
        if (frames(object->startPos()) != start) return false;
        incoming = length;
    }
    return !clip(m_lastClip)->linkedObject;
}

void ZRVeskEditor::publishFormat() {
    IZRSettings* settings = m_timeline->settings();
    int width = 0, height = 0, rate = 0, bits = 0, channels = 0;
    double fps = 0.0;
    settings->getIntPairSetting("Video Dimensions", &width, &height);
    settings->getDoubleSetting("Framerate", &fps);
    settings->getIntTripleSetting("Audio Settings", &rate, &bits, &channels);
    const OutputFormat format = outputFormatOf(width, height, rate, fps);
    settings->setIntSetting("Force Background Rendering Video Format", format.index == 0 ? 1 : 0);
    ZRAppState& state = appState();
    std::lock_guard lock(state.lock);
    state.frameWidth = width;
    state.frameHeight = height;
    state.frameRate = fps;
    state.formatIndex = format.index;
    state.ntsc = format.ntsc;
}

bool ZRVeskEditor::saveProject(const QString& path) {
    if (!m_timeline || path.isEmpty()) return false;
    const QByteArray name = QFile::encodeName(path);
    // The engine asks for each object's editor data while it holds a track's lock: the
    // transitions' places are read before.
    editordata::SaveScope places(m_timeline);
    return m_timeline->saveProject(name.constData());
}

void ZRVeskEditor::newProject() {
    if (!m_timeline) return;
    Q_EMIT allObjectsToBeDeleted();
    m_timeline->clear();
    m_lastClip = m_firstClip = nullptr;
    forgetCursor();
    m_endPosition->setTotalFrames(0);
}

IZRObject* ZRVeskEditor::importFile(const QString& path) {
    if (!m_timeline) return nullptr;
    const QFileInfo info(path);
    if (!info.isFile()) return nullptr;
    const QByteArray name = QFile::encodeName(QDir::toNativeSeparators(info.absoluteFilePath()));
    const QByteArray module = m_timeline->suggestImportModule(name.constData());
    return factory()->createObject("Import", module.constData(), nullptr, name.constData());
}

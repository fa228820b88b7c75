#include "editor/ZREditorData.h"

#include "editor/ZRDragPayload.h"
#include "editor/ZRUserData.h"
#include "engine/api/IZRTimeline.h"
#include "engine/api/ZREffectList.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QtDebug>

#include <cstdio>
#include <memory>
#include <mutex>

namespace editordata {

namespace {

constexpr int kTransitionTrack = 2;

QString separator() {
    return QString::fromLatin1(kSeparator.data(), qsizetype(kSeparator.size()));
}

const char* kindWord(int32_t kind) {
    switch (kind) {
    case ZRUserData::Video:
        return "VIDEO";
    case ZRUserData::Audio:
        return "AUDIO";
    case ZRUserData::Transition:
        return "TRANS";
    case ZRUserData::Title:
        return "TITLE";
    default:
        return nullptr;
    }
}

int32_t kindOfWord(const QString& word) {
    for (int32_t kind :
         {ZRUserData::Video, ZRUserData::Audio, ZRUserData::Transition, ZRUserData::Title}) {
        if (word == QLatin1String(kindWord(kind))) return kind;
    }
    return ZRUserData::Unset;
}

// The places on the transition track while a save scope lives.
struct TrackPlaces {
    IZRTimeline* timeline = nullptr;
    QHash<const void*, int> index;
};
std::unique_ptr<TrackPlaces> gPlaces;

// The 1-based index of the clip's transition within the transition track, 0 without one.
int transitionIndex(IZRTimeline* timeline, const ZRVideoUserData& clip) {
    if (!clip.linkedObject) return clip.pendingTransition > 0 ? clip.pendingTransition : 0;
    // Inside a save the map answers without walking the transition track for every clip.
    if (gPlaces && gPlaces->timeline == timeline)
        return gPlaces->index.value(clip.linkedObject, -1) + 1;
    ZRGuardedList* track = timeline->track(kTransitionTrack, true);
    if (!track) return 0;
    std::lock_guard trackLock(*track);
    return track->find(clip.linkedObject) + 1;
}

// Everything a record owns besides its effect.
void releaseOwned(IZRObjectFactory* factory, ZRUserData* data) {
    if (data->kind != ZRUserData::Video) return;
    auto* clip = static_cast<ZRVideoUserData*>(data);
    if (clip->linkedPosition && factory) factory->destroyPos(clip->linkedPosition);
    clip->linkedPosition = nullptr;
}

bool knownKind(int32_t kind) {
    return kindWord(kind) != nullptr;
}

} // namespace

QByteArray write(IZRTimeline* timeline, IZRObject* object) {
    ZRUserData* data = ZRUserData::of(object);
    if (!timeline || !data) return {};
    // Every part is ASCII, so the bytes are also the text's UTF-8.
    char text[96];
    int length = 0;
    if (const char* word = kindWord(data->kind)) {
        if (data->kind == ZRUserData::Video) {
            const auto* clip = static_cast<const ZRVideoUserData*>(data);
            length = std::snprintf(text, sizeof text, "%s$@@$%s$@@$%d$@@$%d$@@$", kHeader.data(),
                                   word, int(data->number), transitionIndex(timeline, *clip));
        } else {
            length =
                std::snprintf(text, sizeof text, "%s$@@$%s$@@$-1$@@$$@@$", kHeader.data(), word);
        }
    } else {
        qWarning("Unknown userdata type");
        length = std::snprintf(text, sizeof text, "%s$@@$$@@$$@@$$@@$", kHeader.data());
    }
    return QByteArray(text, length);
}

SaveScope::SaveScope(IZRTimeline* timeline) {
    auto places = std::make_unique<TrackPlaces>();
    places->timeline = timeline;
    if (ZRGuardedList* track = timeline ? timeline->track(kTransitionTrack, true) : nullptr) {
        std::lock_guard trackLock(*track);
        int i = 0;
        for (void* each = track->first(); each; each = track->next())
            places->index.insert(each, i++);
    }
    gPlaces = std::move(places);
}

SaveScope::~SaveScope() {
    gPlaces.reset();
}

ZRUserData* parse(IZRTimeline* timeline, IZRObject* object, const char* text) {
    if (!timeline || !object || !text || !*text) return nullptr;
    const QStringList fields = QString::fromUtf8(text).split(separator(), Qt::SkipEmptyParts);
    const QString header = QString::fromLatin1(kHeader.data(), qsizetype(kHeader.size()));
    int32_t kind = ZRUserData::Unset;
    int32_t first = -1;
    int32_t second = 0;
    int counter = 0;
    bool headerSeen = false;
    for (const QString& field : fields) {
        // Only a second number that ends the text counts.
        second = 0;
        switch (counter) {
        case 0:
            if (!headerSeen) {
                if (field != header) return nullptr;
                headerSeen = true;
            }
            break;
        case 1:
            kind = kindOfWord(field);
            if (kind == ZRUserData::Unset) return nullptr;
            break;
        case 2:
            first = dragpayload::decimal(field);
            break;
        case 3:
            second = dragpayload::decimal(field);
            break;
        }
        counter = (counter + 1) % 4;
    }
    if (kind == ZRUserData::Unset) return nullptr;

    ZRUserData* old = ZRUserData::of(object);
    ZREffect* oldEffect = nullptr;
    if (old && old->kind == ZRUserData::Video)
        oldEffect = static_cast<ZRVideoUserData*>(old)->effect;

    ZRUserData* made = nullptr;
    switch (kind) {
    case ZRUserData::Video: {
        auto* clip = new ZRVideoUserData(first, nullptr, nullptr);
        ZREffectList* effects = object->effectList();
        ZREffect* listed = effects ? effects->first() : nullptr;
        clip->effect = listed ? listed : oldEffect;
        if (second > 0) clip->pendingTransition = second;
        made = clip;
        break;
    }
    case ZRUserData::Audio:
        made = new ZRAudioUserData(-1);
        break;
    case ZRUserData::Transition:
        made = new ZRTransitionUserData;
        break;
    default:
        made = new ZRTitleUserData;
        break;
    }
    if (old && knownKind(old->kind)) {
        // The effect stays with the object (and the new record); the rest of the old record goes.
        releaseOwned(timeline->factory(), old);
        delete old;
    }
    object->setUserValue(reinterpret_cast<intptr_t>(made));
    return made;
}

void release(IZRObjectFactory* factory, intptr_t value) {
    auto* data = reinterpret_cast<ZRUserData*>(value);
    if (!data) return;
    if (!knownKind(data->kind)) {
        qWarning("Unknown userdata type");
        return;
    }
    if (data->kind == ZRUserData::Video) {
        auto* clip = static_cast<ZRVideoUserData*>(data);
        releaseOwned(factory, clip);
        // Destroying the effect also takes it out of the object's effect list, so it is
        // destroyed here once and never again through the list.
        ZREffect* effect = clip->effect;
        clip->effect = nullptr;
        if (effect && factory) factory->destroyEffect(effect);
    }
    delete data;
}

} // namespace editordata
